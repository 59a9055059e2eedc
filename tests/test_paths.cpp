// tests/test_paths.cpp: path splitting and composing, the INI and log names, the settings record
#include "settings/paths.h"
#include "settings/settings.h"
#include "tests/support/testutil.h"
#include <gtest/gtest.h>
#include <string.h>
#include <string>

// In Shift-JIS both characters end in 0x5C, the byte value of a backslash.
static const char Hyo[] = "表";
static const char So[] = "ソ";

TEST(Paths, DoubleByteFixtureHasBackslashTrailByte)
{
    ASSERT_EQ(GetACP(), 932u);
    ASSERT_STREQ(Hyo, "\x95\x5C");
    ASSERT_STREQ(So, "\x83\x5C");
}

struct SplitRow {
    const char *Source;
    const char *Directory;
    const char *Base;
    const char *Extension;
};

TEST(Paths, SplitPath)
{
    static const SplitRow rows[] = {
        { "C:\\dir\\name.ext", "C:/dir/", "name", ".ext" },
        { "name", "", "name", "" },
        { "archive.tar.gz", "", "archive.tar", ".gz" },
        { ".profile", "", "", ".profile" },
        { "dir.d\\name", "dir.d/", "name", "" },
        { "C:name.txt", "C:", "name", ".txt" },
        { "C:\\dir\\", "C:/dir/", "", "" },
        { "C:\\\\a//b\\x", "C:/a/b/", "x", "" },
        { "\\\\server\\share\\f.txt", "\\\\server/share/", "f", ".txt" },
        { "//server/share/f.txt", "//server/share/", "f", ".txt" },
        { "\"C:\\a b\\x.txt\"", "C:/a b/", "x", ".txt" },
        // The executable's base name gives the window class name app_class.
        { "C:\\Tools\\App\\app.exe", "C:/Tools/App/", "app", ".exe" },
        // A second byte 0x5C is part of its character: no separator, copied unchanged.
        { "C:\\表示\\ソフト.exe", "C:/表示/", "ソフト", ".exe" },
        { "C:\\data\\表", "C:/data/", "表", "" },
        { "ソ\\x", "ソ/", "x", "" },
        { "D:\\録画\\表.d\\番組.ts", "D:/録画/表.d/", "番組", ".ts" },
        { "\\\\サーバ\\表\\a.txt", "\\\\サーバ/表/", "a", ".txt" },
        { "C:\\表\\\\/x.ソ", "C:/表/", "x", ".ソ" },
    };
    for (const SplitRow &row : rows) {
        char directory[MAX_PATH], base[MAX_PATH], extension[MAX_PATH];
        memset(directory, 'X', sizeof directory);
        memset(base, 'X', sizeof base);
        memset(extension, 'X', sizeof extension);
        SplitPath(row.Source, directory, base, extension);
        EXPECT_STREQ(directory, row.Directory) << row.Source;
        EXPECT_STREQ(base, row.Base) << row.Source;
        EXPECT_STREQ(extension, row.Extension) << row.Source;

        // Each part alone is the same as in the full split.
        char alone[MAX_PATH];
        SplitPath(row.Source, NULL, NULL, alone);
        EXPECT_STREQ(alone, row.Extension) << row.Source;
        SplitPath(row.Source, NULL, alone, NULL);
        EXPECT_STREQ(alone, row.Base) << row.Source;
    }
}

struct ComposeRow {
    const char *DirectorySource;
    const char *BaseSource;
    const char *ExtensionSource;
    int ExtensionFromBase;
    const char *Output;
};

TEST(Paths, ComposePath)
{
    static const ComposeRow rows[] = {
        { "C:\\Tools\\App\\app.exe", "C:\\Tools\\App\\app.exe", "*.ini", 0, "C:/Tools/App/app.ini" },
        { "C:\\a\\b.exe", "x.txt", "*.ini", 0, "C:/a/x.ini" },
        { "C:\\a\\b.exe", "x.txt", "*.ini", 1, "C:/a/x.txt" },
        { "C:\\a\\b.exe", "x", "*.ini", 1, "C:/a/x.ini" },
        { NULL, "\"x.txt\"", NULL, 0, "x" },
        { "C:\\表\\b.exe", NULL, "y.ソ", 0, "C:/表/.ソ" },
        { NULL, NULL, NULL, 0, "" },
    };
    for (const ComposeRow &row : rows) {
        char output[MAX_PATH];
        memset(output, 'X', sizeof output);
        EXPECT_EQ(ComposePath(row.DirectorySource, row.BaseSource, row.ExtensionSource, output,
                              row.ExtensionFromBase), output);
        EXPECT_STREQ(output, row.Output) << row.Output;
    }
}

struct IniRow {
    std::string Executable;
    int Result;
    std::string Ini;
};

TEST(Paths, IniPathFromExecutable)
{
    const IniRow rows[] = {
        { "C:\\Tools\\App\\app.exe", 0, "C:/Tools/App/app.ini" },
        // An executable in a folder named with 表 finds its INI next to it.
        { "C:\\表\\app.exe", 0, "C:/表/app.ini" },
        { "C:\\録画\\ソフト\\トヴラ.exe", 0, "C:/録画/ソフト/トヴラ.ini" },
        { "\\\\server\\share\\表\\tool.exe", 0, "\\\\server/share/表/tool.ini" },
        { "\"C:\\Program Files\\app.exe\"", 0, "C:/Program Files/app.ini" },
        // 259 bytes fit the 260-byte buffer; one more does not, and nothing cut is given.
        { "C:\\" + std::string(252, 'a') + ".exe", 0, "C:/" + std::string(252, 'a') + ".ini" },
        { "C:\\" + std::string(253, 'a'), -1, "" },
        { "C:\\" + std::string(251, 'a') + "表.exe", -1, "" },
    };
    for (const IniRow &row : rows) {
        char output[MAX_PATH + 16];
        memset(output, 'X', sizeof output);
        EXPECT_EQ(MakeIniPath(row.Executable.c_str(), output), row.Result) << row.Executable;
        EXPECT_EQ(std::string(output), row.Ini) << row.Executable;
        EXPECT_EQ(output[MAX_PATH], 'X') << "written past 260 bytes: " << row.Executable;
    }
}

TEST(Paths, NamesOfThisExecutable)
{
    char executable[MAX_PATH];
    ASSERT_GT(GetModuleFileNameA(NULL, executable, sizeof executable), 0u);

    char ini[MAX_PATH], expected[MAX_PATH];
    EXPECT_EQ(GetIniPath(ini), 0);
    ASSERT_EQ(MakeIniPath(executable, expected), 0);
    EXPECT_STREQ(ini, expected);

    // The log keeps the executable's whole name and its separators as the system gave them.
    EXPECT_EQ(GetLogPath(), 0);
    EXPECT_EQ(std::string(LogPath), std::string(executable) + ".log");
    EXPECT_EQ(std::string(LogPath), TestLogPath());
}

TEST(Settings, ResetSettingsDefaults)
{
    FolderSettings settings;
    memset(&settings, 0xCC, sizeof settings);
    EXPECT_EQ(ResetSettings(settings), 0);
    EXPECT_EQ(settings.Stop, 1);
    EXPECT_EQ(settings.FindSubFolder, 0);
    EXPECT_EQ(settings.DelSubFolder, 0);
    EXPECT_EQ(settings.FreeSpaceSize, 10000);
    EXPECT_EQ(settings.Interval, 60);
    EXPECT_EQ(settings.ToTrashCan, 0);
    EXPECT_EQ(settings.DelReadOnly, 0);
    EXPECT_EQ(settings.DelHidden, 0);
    EXPECT_EQ(settings.LogRotateSize, 100000);
    EXPECT_STREQ(settings.TargetFolder, "C:\\record");
    EXPECT_STREQ(settings.TargetExt, "mpeg,m2p,mpg,m2v,m1v,m1p,mpa,mp2,wav");
    // No stale byte survives behind the texts.
    for (size_t i = strlen(settings.TargetFolder); i < sizeof settings.TargetFolder; i++)
        ASSERT_EQ(settings.TargetFolder[i], 0) << i;
    for (size_t i = strlen(settings.TargetExt); i < sizeof settings.TargetExt; i++)
        ASSERT_EQ(settings.TargetExt[i], 0) << i;
}

static FolderSettings Shared;
static FolderSettings Copied;

static DWORD WINAPI CopyShared(void *)
{
    CopySettings(Copied, Shared);
    return 0;
}

TEST(Settings, CopySettingsWaitsForWriter)
{
    ResetSettings(Shared);
    ResetSettings(Copied);
    Copied.Interval = 1;

    // A writer holds the lock: the copy must wait until the record is whole again.
    LockSettings();
    Shared.Stop = 0;
    Shared.Interval = 5;
    HANDLE thread = CreateThread(NULL, 0, CopyShared, NULL, 0, NULL);
    ASSERT_NE(thread, (HANDLE)NULL);
    EXPECT_EQ(WaitForSingleObject(thread, 300), (DWORD)WAIT_TIMEOUT);
    Shared.Interval = 7;
    strcpy(Shared.TargetFolder, "T:\\録画\\");
    UnlockSettings();
    EXPECT_EQ(WaitForSingleObject(thread, 10000), (DWORD)WAIT_OBJECT_0);
    CloseHandle(thread);

    EXPECT_EQ(memcmp(&Copied, &Shared, sizeof Shared), 0);
    EXPECT_EQ(Copied.Interval, 7);
    EXPECT_STREQ(Copied.TargetFolder, "T:\\録画\\");
}
