// tests/test_pass.cpp: real and test passes on files of a real small volume
#include "engine/pass.h"
#include "log/log.h"
#include "tests/support/testutil.h"
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

const INT64 MB = 1048576;

struct LogEnvironment : ::testing::Environment {
    void SetUp() override
    {
        LogEnabled = 1;
        LogStart();
    }
};
::testing::Environment *const logEnvironment = ::testing::AddGlobalTestEnvironment(new LogEnvironment);

std::string Figure(INT64 bytes)
{
    return std::to_string((bytes + MB - 1) / MB);
}

class CleaningPass : public ::testing::Test {
protected:
    std::string Dir;
    FolderSettings Settings;

    void SetUp() override
    {
        Dir = FreshFolder("pass");
        ResetSettings(Settings);
        Settings.Stop = 0;
        strcpy(Settings.TargetFolder, Dir.c_str());
        strcpy(Settings.TargetExt, "mpg");
        DeleteTestLog();
    }
    // The minimum that the prediction reaches after exactly `bytes` more are freed, not before.
    INT32 MinimumReachedAfter(INT64 bytes)
    {
        return (INT32)(((INT64)FreeBytes(Dir) + bytes) / MB);
    }
    std::vector<std::string> Run(int test, int expectedResult = 0)
    {
        EXPECT_EQ(RunCleanPass(Settings, test), expectedResult);
        return ReadLogTexts();
    }
};

TEST_F(CleaningPass, RealPassDeletesOldestFirstUntilThePredictionReachesTheMinimum)
{
    Settings.FindSubFolder = 1;
    Settings.DelSubFolder = 1;
    ASSERT_TRUE(MakeFolder(Dir + "sub"));
    ASSERT_TRUE(MakeFile(Dir + "sub\\a.mpg", MB, 1));
    ASSERT_TRUE(MakeFile(Dir + "b.mpg", MB, 2));
    ASSERT_TRUE(MakeFile(Dir + "c.mpg", MB, 3));
    ASSERT_TRUE(MakeFile(Dir + "old.txt", MB, 0));
    INT64 before = (INT64)FreeBytes(Dir);
    Settings.FreeSpaceSize = MinimumReachedAfter(2 * MB);

    std::vector<std::string> lines = Run(0);
    INT64 after = (INT64)FreeBytes(Dir);
    std::vector<std::string> expected = {
        "監視開始...",
        " 現在の空き容量(実測): " + Figure(before) + " メガバイト",
        " 削除: " + Dir + "sub\\a.mpg",
        " 削除後の空き容量(予測): " + Figure(before + MB) + " メガバイト",
        " 削除: " + Dir + "b.mpg",
        " 削除後の空き容量(予測): " + Figure(before + 2 * MB) + " メガバイト",
        " 空フォルダの削除: " + Dir + "sub\\",
        "監視終了...",
        "現在の空き容量(実測): " + Figure(after) + " メガバイト",
    };
    EXPECT_EQ(JoinLines(lines), JoinLines(expected));
    EXPECT_FALSE(Exists(Dir + "sub"));
    EXPECT_FALSE(Exists(Dir + "b.mpg"));
    EXPECT_TRUE(Exists(Dir + "c.mpg"));
    EXPECT_TRUE(Exists(Dir + "old.txt"));
    EXPECT_GE(after, before + 2 * MB);
}

TEST_F(CleaningPass, RealPassWithEnoughSpaceOrAZeroMinimumDeletesNothing)
{
    ASSERT_TRUE(MakeFile(Dir + "a.mpg", 1000, 1));
    for (INT32 minimum : {1, 0}) {
        DeleteTestLog();
        Settings.FreeSpaceSize = minimum;
        std::vector<std::string> expected = {"監視開始...", "監視終了..."};
        EXPECT_EQ(JoinLines(Run(0)), JoinLines(expected)) << minimum;
        EXPECT_TRUE(Exists(Dir + "a.mpg"));
    }
}

TEST_F(CleaningPass, BelowTheMinimumWithoutCandidatesWritesNoFigures)
{
    Settings.FreeSpaceSize = 1048576;
    ASSERT_TRUE(MakeFile(Dir + "a.txt", 1000, 1));
    std::vector<std::string> expected = {"監視開始...", "監視終了..."};
    EXPECT_EQ(JoinLines(Run(0)), JoinLines(expected));
}

TEST_F(CleaningPass, PausedRealPassDoesNothingButATestPassRuns)
{
    Settings.Stop = 1;
    Settings.FreeSpaceSize = 1048576;
    ASSERT_TRUE(MakeFile(Dir + "a.mpg", 1000, 1));
    EXPECT_TRUE(Run(0).empty());
    EXPECT_TRUE(Exists(Dir + "a.mpg"));
    std::vector<std::string> lines = Run(1);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), "テスト開始...");
    EXPECT_EQ(lines.back().substr(0, 20), "現在の空き容量(実測)");
    EXPECT_TRUE(Exists(Dir + "a.mpg"));
}

TEST_F(CleaningPass, AttributesHeldFilesAndRounding)
{
    Settings.FreeSpaceSize = 1048576;
    Settings.DelReadOnly = 1;
    ASSERT_TRUE(MakeFile(Dir + "ro.mpg", 3000, 1, FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(MakeFile(Dir + "rohid.mpg", 3000, 2, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(MakeFile(Dir + "held.mpg", 5000, 3));
    ASSERT_TRUE(MakeFile(Dir + "empty.mpg", 0, 4));
    ASSERT_TRUE(MakeFile(Dir + "one.mpg", 1, 5));
    // A recording still being written: open without delete sharing.
    HANDLE held = CreateFileA((Dir + "held.mpg").c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    INT64 before = (INT64)FreeBytes(Dir);

    std::vector<std::string> lines = Run(0);
    CloseHandle(held);
    INT64 after = (INT64)FreeBytes(Dir);
    std::vector<std::string> expected = {
        "監視開始...",
        " 現在の空き容量(実測): " + Figure(before) + " メガバイト",
        " 削除: " + Dir + "ro.mpg",
        " 削除後の空き容量(予測): " + Figure(before + 3072) + " メガバイト",
        " 隠し属性につきスキップ: " + Dir + "rohid.mpg",
        " 削除: " + Dir + "held.mpg",
        "  --> 失敗",
        " 削除: " + Dir + "empty.mpg",
        " 削除後の空き容量(予測): " + Figure(before + 3072) + " メガバイト",
        " 削除: " + Dir + "one.mpg",
        " 削除後の空き容量(予測): " + Figure(before + 4096) + " メガバイト",
        "監視終了...",
        "現在の空き容量(実測): " + Figure(after) + " メガバイト",
    };
    EXPECT_EQ(JoinLines(lines), JoinLines(expected));
    EXPECT_FALSE(Exists(Dir + "ro.mpg"));
    EXPECT_TRUE(Exists(Dir + "held.mpg"));
    EXPECT_FALSE(Exists(Dir + "one.mpg"));
    DWORD attributes = GetFileAttributesA((Dir + "rohid.mpg").c_str());
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN), 0u);
}

TEST_F(CleaningPass, FailedDeletionLetsTheNextFileGoInstead)
{
    ASSERT_TRUE(MakeFile(Dir + "recording.mpg", MB, 1));
    ASSERT_TRUE(MakeFile(Dir + "next.mpg", MB, 2));
    ASSERT_TRUE(MakeFile(Dir + "newest.mpg", MB, 3));
    Settings.FreeSpaceSize = MinimumReachedAfter(MB);
    HANDLE held = CreateFileA((Dir + "recording.mpg").c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    std::vector<std::string> lines = Run(0);
    CloseHandle(held);
    EXPECT_TRUE(Exists(Dir + "recording.mpg"));
    EXPECT_FALSE(Exists(Dir + "next.mpg"));
    EXPECT_TRUE(Exists(Dir + "newest.mpg"));
    ASSERT_GE(lines.size(), 6u);
    EXPECT_EQ(lines[3], "  --> 失敗");
    EXPECT_EQ(lines[4], " 削除: " + Dir + "next.mpg");
}

TEST_F(CleaningPass, TestPassForecastsEveryCandidateAndChangesNothing)
{
    Settings.FreeSpaceSize = 1;
    Settings.FindSubFolder = 1;
    Settings.DelSubFolder = 1;
    Settings.DelHidden = 1;
    strcpy(Settings.TargetExt, "mpg,ts");
    ASSERT_TRUE(MakeFolder(Dir + "empty"));
    ASSERT_TRUE(MakeFolder(Dir + "empty\\inner"));
    ASSERT_TRUE(MakeFolder(Dir + "sub"));
    ASSERT_TRUE(MakeFile(Dir + "sub\\a.ts", 2 * MB, 1));
    ASSERT_TRUE(MakeFile(Dir + "ro.mpg", 100, 2, FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(MakeFile(Dir + "hidden.mpg", 1, 3, FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(MakeFile(Dir + "c.mpg", MB + 1, 4));
    INT64 before = (INT64)FreeBytes(Dir);

    std::vector<std::string> lines = Run(1);
    std::vector<std::string> expected = {
        "テスト開始...",
        " [対象フォルダ                          : " + Dir + "]",
        " [対象拡張子                            : mpg,ts]",
        " [サブフォルダを対象にする              : はい]",
        " [空になったサブフォルダは削除する      : はい]",
        " [読み取り専用ファイルを削除対象に含める: いいえ]",
        " [隠しファイルを削除対象に含める        : はい]",
        " [必要な空き容量                        : 1 メガバイト]",
        " ",
        " 現在の空き容量(実測): " + Figure(before) + " メガバイト",
        " ■削除される可能性があるファイルの一覧:",
        " （上にあるほど先に削除されます）",
        " 削除（テスト）: " + Dir + "sub\\a.ts",
        " 削除後の空き容量(予測): " + Figure(before + 2 * MB) + " メガバイト",
        " 書き込み禁止属性につきスキップ: " + Dir + "ro.mpg",
        " 削除（テスト）: " + Dir + "hidden.mpg",
        " 削除後の空き容量(予測): " + Figure(before + 2 * MB + 1024) + " メガバイト",
        " 削除（テスト）: " + Dir + "c.mpg",
        " 削除後の空き容量(予測): " + Figure(before + 3 * MB + 2048) + " メガバイト",
        " ■削除される可能性があるフォルダの一覧:",
        " 空フォルダの削除（テスト）: " + Dir + "empty\\inner\\",
        " 空フォルダの削除（テスト）: " + Dir + "empty\\",
        "テスト終了...",
        "現在の空き容量(実測): " + Figure(before) + " メガバイト",
    };
    EXPECT_EQ(JoinLines(lines), JoinLines(expected));
    for (const char *name : {"empty\\inner", "sub\\a.ts", "ro.mpg", "hidden.mpg", "c.mpg"})
        EXPECT_TRUE(Exists(Dir + name)) << name;
    EXPECT_EQ((INT64)FreeBytes(Dir), before);
}

TEST_F(CleaningPass, HeaderLabelsEndAtTheSameColumn)
{
    Settings.FreeSpaceSize = 1;
    std::vector<std::string> lines = Run(1);
    ASSERT_GE(lines.size(), 8u);
    for (int i = 1; i <= 7; i++)
        EXPECT_EQ(lines[i].find(':'), 40u) << lines[i];
}

TEST_F(CleaningPass, MissingFolderFailsAtTheFirstMeasurement)
{
    strcpy(Settings.TargetFolder, (TestVolume() + "missing\\").c_str());
    RemoveTree(TestVolume() + "missing");
    std::vector<std::string> lines = Run(0, -1);
    std::vector<std::string> expected = {
        "監視開始...",
        std::string("Error: fn_GetDiskFreeSpaceEx(") + Settings.TargetFolder + ")",
        std::string("ディスク容量取得失敗(") + Settings.TargetFolder + ")",
    };
    EXPECT_EQ(JoinLines(lines), JoinLines(expected));
}

} // namespace
