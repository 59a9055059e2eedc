// tests/test_faults.cpp: the pass under disturbance from other programs and over long runs
#include "engine/pass.h"
#include "engine/worker.h"
#include "log/log.h"
#include "tests/support/testutil.h"
#include <gtest/gtest.h>
#include <psapi.h>
#include <string>
#include <vector>

namespace {

struct LogEnvironment : ::testing::Environment {
    void SetUp() override
    {
        LogEnabled = 1;
        LogStart();
    }
};
::testing::Environment *const logEnvironment = ::testing::AddGlobalTestEnvironment(new LogEnvironment);

class Faults : public ::testing::Test {
protected:
    FolderSettings Settings;
    std::string Dir;
    void SetUp() override
    {
        Dir = FreshFolder("faults");
        ResetSettings(Settings);
        Settings.Stop = 0;
        Settings.FindSubFolder = 1;
        Settings.DelSubFolder = 1;
        strcpy(Settings.TargetFolder, Dir.c_str());
        strcpy(Settings.TargetExt, "mpg");
        DeleteTestLog();
    }
    void MakeFiles(int count, const std::string &folder)
    {
        for (int i = 0; i < count; i++)
            ASSERT_TRUE(MakeFile(folder + "f" + std::to_string(i) + ".mpg", 100, i));
    }
};

// Committed memory: Wine reports no private bytes, but it does report this.
SIZE_T CommittedBytes()
{
    PROCESS_MEMORY_COUNTERS counters = {};
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.PagefileUsage;
}

// Wine has no handle count; it hands out the lowest free slot, so the value of a new handle
// rises exactly when handles are left open.
UINT_PTR NextHandleValue()
{
    HANDLE probe = CreateEventA(NULL, FALSE, FALSE, NULL);
    CloseHandle(probe);
    return (UINT_PTR)probe;
}

TEST_F(Faults, AThousandPassesLeaveHandlesAndMemoryFlat)
{
    MakeFiles(1000, Dir);
    Settings.FreeSpaceSize = 1;
    for (int i = 0; i < 50; i++)
        ASSERT_EQ(RunCleanPass(Settings, 0), 0);
    UINT_PTR handle = NextHandleValue();
    SIZE_T memory = CommittedBytes();
    ASSERT_GT(memory, 0u);
    for (int i = 0; i < 950; i++)
        ASSERT_EQ(RunCleanPass(Settings, 0), 0);
    EXPECT_EQ(NextHandleValue(), handle);
    EXPECT_LT(CommittedBytes(), memory + 512 * 1024);
    printf("next handle %#llx -> %#llx, committed bytes %lu -> %lu\n", (unsigned long long)handle,
           (unsigned long long)NextHandleValue(), (unsigned long)memory, (unsigned long)CommittedBytes());
    EXPECT_TRUE(Exists(Dir + "f0.mpg"));
}

TEST_F(Faults, WatchedFolderRemovedAndBackAgain)
{
    Settings.FreeSpaceSize = 1048576;
    RemoveTree(Dir);
    EXPECT_EQ(RunCleanPass(Settings, 0), -1);
    ASSERT_TRUE(CreateDirectoryA(Dir.c_str(), NULL));
    MakeFiles(3, Dir);
    DeleteTestLog();
    EXPECT_EQ(RunCleanPass(Settings, 0), 0);
    EXPECT_FALSE(Exists(Dir + "f2.mpg"));
}

// Another program removes files while the pass deletes them: the pass carries on, each
// missing file is a failed deletion, and the pass ends normally.
TEST_F(Faults, FilesRemovedByAnotherProgramDuringThePass)
{
    MakeFiles(1500, Dir);
    Settings.FreeSpaceSize = 1048576;
    HANDLE remover = CreateThread(NULL, 0, [](LPVOID parameter) -> DWORD {
        const std::string &dir = *(const std::string *)parameter;
        for (int i = 1499; i >= 0; i -= 2)
            DeleteFileA((dir + "f" + std::to_string(i) + ".mpg").c_str());
        return 0;
    }, &Dir, 0, NULL);
    EXPECT_EQ(RunCleanPass(Settings, 0), 0);
    WaitForSingleObject(remover, 60000);
    CloseHandle(remover);
    for (int i = 0; i < 1500; i++)
        EXPECT_FALSE(Exists(Dir + "f" + std::to_string(i) + ".mpg")) << i;
    std::vector<std::string> lines = ReadLogTexts();
    EXPECT_EQ(lines.back().rfind("現在の空き容量(実測)", 0), 0u);
}

TEST_F(Faults, UnwritableLogLosesLinesButNotThePass)
{
    MakeFiles(3, Dir);
    Settings.FreeSpaceSize = 1048576;
    // The log held open by another program without sharing.
    HANDLE held = CreateFileA(TestLogPath().c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(RunCleanPass(Settings, 0), 0);
    CloseHandle(held);
    EXPECT_FALSE(Exists(Dir + "f0.mpg"));
    EXPECT_TRUE(ReadLogTexts().empty());

    // A folder standing where the log should be.
    DeleteTestLog();
    ASSERT_TRUE(CreateDirectoryA(TestLogPath().c_str(), NULL));
    MakeFiles(3, Dir);
    EXPECT_EQ(RunCleanPass(Settings, 0), 0);
    EXPECT_FALSE(Exists(Dir + "f0.mpg"));
    EXPECT_EQ(RotateLog(0), -1);
    RemoveDirectoryA(TestLogPath().c_str());

    LogLine("back %s\n", "again");
    ASSERT_EQ(ReadLogTexts().size(), 1u);
}

} // namespace
