// tests/test_scanfaults.cpp: memory exhausted at each allocation of the scan in turn
#include "engine/pass.h"
#include "engine/scan.h"
#include "engine/scanalloc.h"
#include "log/log.h"
#include "tests/support/testutil.h"
#include <gtest/gtest.h>
#include <stdlib.h>
#include <string>

// This program links its own allocator in place of the scan's: the call numbered FailAt
// (counting from 1) fails, every other one is served, and the blocks alive are counted.
static int FailAt;
static int Calls;
static int LiveBlocks;

static bool Refuse()
{
    return ++Calls == FailAt;
}

void *ScanAlloc(size_t bytes)
{
    if (Refuse())
        return NULL;
    void *block = calloc(1, bytes);
    if (block != NULL)
        LiveBlocks++;
    return block;
}

void *ScanRealloc(void *block, size_t bytes)
{
    if (Refuse())
        return NULL;
    void *moved = realloc(block, bytes);
    if (moved != NULL && block == NULL)
        LiveBlocks++;
    return moved;
}

void ScanFree(void *block)
{
    if (block != NULL)
        LiveBlocks--;
    free(block);
}

namespace {

struct LogEnvironment : ::testing::Environment {
    void SetUp() override
    {
        LogEnabled = 1;
        LogStart();
    }
};
::testing::Environment *const logEnvironment = ::testing::AddGlobalTestEnvironment(new LogEnvironment);

class ScanFaults : public ::testing::Test {
protected:
    FolderSettings Settings;
    std::string Dir;
    void SetUp() override
    {
        // Enough files in two folders to make the list grow past its first 256 slots.
        Dir = FreshFolder("faults");
        ASSERT_TRUE(MakeFolder(Dir + "sub"));
        for (int i = 0; i < 150; i++) {
            ASSERT_TRUE(MakeFile(Dir + "a" + std::to_string(i) + ".mpg", 10, i));
            ASSERT_TRUE(MakeFile(Dir + "sub\\b" + std::to_string(i) + ".mpg", 10, 1000 + i));
        }
        ResetSettings(Settings);
        Settings.Stop = 0;
        Settings.FindSubFolder = 1;
        Settings.FreeSpaceSize = 1048576;
        strcpy(Settings.TargetFolder, Dir.c_str());
        strcpy(Settings.TargetExt, "mpg");
        Calls = 0;
        LiveBlocks = 0;
    }
    void TearDown() override { FailAt = 0; }
};

TEST_F(ScanFaults, EveryAllocationFailureGivesItsStatusAndLeaksNothing)
{
    int allocations = 0;
    for (FailAt = 1;; FailAt++) {
        Calls = 0;
        FileList *list = NULL;
        FolderNode *root = NULL;
        int status = BuildCandidateList(Settings, &list, &root);
        if (status == 0) {
            allocations = FailAt - 1;
            EXPECT_EQ(list->Count, 300u);
            FreeFolderTree(root);
            FreeFileList(list);
            EXPECT_EQ(LiveBlocks, 0);
            break;
        }
        EXPECT_EQ(status, FailAt <= 2 ? -1 : -2) << "allocation " << FailAt;
        EXPECT_TRUE(list == NULL && root == NULL) << "allocation " << FailAt;
        EXPECT_EQ(LiveBlocks, 0) << "allocation " << FailAt;
        ASSERT_LT(FailAt, 100);
    }
    // Header, root, the two arrays, the read block of each of the two folders, the
    // subfolder's node, and the two arrays grown.
    EXPECT_EQ(allocations, 9);
}

TEST_F(ScanFaults, PassWithoutMemoryReportsItAndDeletesNothing)
{
    for (int failAt : {1, 3, 6}) {
        DeleteTestLog();
        FailAt = failAt;
        Calls = 0;
        EXPECT_EQ(RunCleanPass(Settings, 0), -2);
        std::vector<std::string> expected = {"監視開始...", "ファイルリスト並べ替え失敗(" + Dir + ")"};
        EXPECT_EQ(JoinLines(ReadLogTexts()), JoinLines(expected)) << failAt;
        EXPECT_TRUE(Exists(Dir + "a0.mpg"));
        EXPECT_TRUE(Exists(Dir + "sub\\b149.mpg"));
        EXPECT_EQ(LiveBlocks, 0);
    }
}

} // namespace
