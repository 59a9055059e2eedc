// tests/test_emptyfolders.cpp: removal of emptied subfolders on the real volume
#include "engine/emptyfolders.h"
#include "log/log.h"
#include "tests/support/testutil.h"
#include <gtest/gtest.h>
#include <stdlib.h>
#include <functional>
#include <string>
#include <vector>

namespace {

class LogEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        LogEnabled = 1;
        LogStart();
    }
};
::testing::Environment *const logEnvironment = ::testing::AddGlobalTestEnvironment(new LogEnvironment);

std::string Removed(const std::string &path)
{
    return " 空フォルダの削除: " + path;
}

std::string Listed(const std::string &path)
{
    return " 空フォルダの削除（テスト）: " + path;
}

// Wine's Unix name of a Windows path; empty where there is no Wine.
std::string UnixName(const std::string &path)
{
    typedef char *(CDECL * UnixFileName)(LPCWSTR);
    UnixFileName unixFileName =
        (UnixFileName)(void *)GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name");
    WCHAR wide[MAX_PATH];
    if (!unixFileName || !MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH))
        return "";
    char *name = unixFileName(wide);
    std::string result = name ? name : "";
    HeapFree(GetProcessHeap(), 0, name);
    return result;
}

// Whether a folder lists an entry of that name; works also where the whole path would be
// too long to name.
bool HasEntry(const std::string &folder, const std::string &name)
{
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((folder + "*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE)
        return false;
    bool found = false;
    do {
        found = name == entry.cFileName;
    } while (!found && FindNextFileA(find, &entry));
    FindClose(find);
    return found;
}

// Runs a tool of the Unix host (Wine starts Unix programs like its own) and waits until
// done() holds: the process handle Wine gives for a Unix program is signalled before the
// program has run.
bool RunUnixTool(const std::string &commandLine, const std::function<bool()> &done)
{
    std::string tool = "Z:\\bin\\" + commandLine.substr(0, commandLine.find(' '));
    std::string command = commandLine;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    if (!CreateProcessA(tool.c_str(), &command[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    for (int i = 0; i < 500 && !done(); i++)
        Sleep(10);
    return done();
}

// A symbolic link to a folder. Wine keeps the platform's call a stub, so there the link
// is the Unix symbolic link that Wine shows as one (attributes 0x410).
bool MakeFolderLink(const std::string &link, const std::string &target)
{
    if (CreateSymbolicLinkA(link.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY) && Exists(link))
        return true;
    std::string unixLink = UnixName(link), unixTarget = UnixName(target);
    return !unixLink.empty() && RunUnixTool("ln -s \"" + unixTarget + "\" \"" + unixLink + "\"", [&] { return Exists(link); });
}

// Wine's directory removal acts on a link's target, so there the link goes through Unix.
void RemoveFolderLink(const std::string &link)
{
    std::string unixLink = UnixName(link);
    if (unixLink.empty())
        RemoveDirectoryA(link.c_str());
    else
        RunUnixTool("rm -f \"" + unixLink + "\"", [&] { return !Exists(link); });
}

class EmptyFoldersTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        target = FreshFolder("emptyfolders");
        DeleteTestLog();
    }
    void TearDown() override { RemoveTree(TestVolume() + "emptyfolders"); }
    std::string target;
};

TEST_F(EmptyFoldersTest, NestedEmptyFoldersGoInnermostFirst)
{
    std::string a = target + "A\\", b = a + "B\\", c = b + "C\\";
    ASSERT_TRUE(MakeFolder(a) && MakeFolder(b) && MakeFolder(c));

    EXPECT_EQ(RemoveEmptyFolders(target.c_str(), 1), 0);
    EXPECT_EQ(ReadLogTexts(), (std::vector<std::string>{Listed(c), Listed(b), Listed(a)}));
    EXPECT_TRUE(Exists(c));

    DeleteTestLog();
    EXPECT_EQ(RemoveEmptyFolders(target.c_str(), 0), 0);
    EXPECT_EQ(ReadLogTexts(), (std::vector<std::string>{Removed(c), Removed(b), Removed(a)}));
    EXPECT_FALSE(Exists(a));
    EXPECT_TRUE(Exists(target));
}

TEST_F(EmptyFoldersTest, EmptyTargetStaysAndNothingIsWritten)
{
    // The root of an empty volume lists not even "." and "..": it is empty all the same.
    const char *drive = getenv("TOVRA_EMPTY_DRIVE");
    std::vector<std::string> targets = {target};
    if (drive)
        targets.push_back(std::string(drive) + "\\");
    for (const std::string &folder : targets) {
        for (int test : {1, 0}) {
            EXPECT_EQ(RemoveEmptyFolders(folder.c_str(), test), 0) << folder;
            EXPECT_TRUE(Exists(folder)) << folder;
            EXPECT_FALSE(Exists(TestLogPath())) << folder;
        }
    }
}

TEST_F(EmptyFoldersTest, FilesOfEveryKindAndSystemFoldersKeepTheirFolder)
{
    // Each first-level folder holds one kind of content; an empty folder next to them goes.
    std::string file = target + "file\\", hidden = target + "hidden\\", readOnly = target + "readonly\\";
    std::string system = target + "system\\", empty = target + "empty\\";
    ASSERT_TRUE(MakeFolder(file) && MakeFile(file + "B.mpg", 10, 0));
    ASSERT_TRUE(MakeFolder(hidden) && MakeFile(hidden + "h.mpg", 0, 0, FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(MakeFolder(readOnly) && MakeFile(readOnly + "r.mpg", 0, 0, FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(MakeFolder(system) && MakeFolder(system + "S", FILE_ATTRIBUTE_SYSTEM) &&
                MakeFolder(system + "S\\inner"));
    ASSERT_TRUE(MakeFolder(empty));

    for (int test : {1, 0}) {
        DeleteTestLog();
        EXPECT_EQ(RemoveEmptyFolders(target.c_str(), test), 4);
        EXPECT_EQ(ReadLogTexts(), std::vector<std::string>{test ? Listed(empty) : Removed(empty)});
        for (const std::string &kept : {file, hidden, readOnly, system + "S\\inner\\"})
            EXPECT_TRUE(Exists(kept)) << kept;
    }
    EXPECT_FALSE(Exists(empty));
}

// A folder named in the target with characters the ANSI code page lacks, empty; the
// helpers of the tests reach paths through the ANSI calls and could not remove it.
class UnspelledFolder {
public:
    UnspelledFolder(const std::string &parent, const wchar_t *name)
    {
        WCHAR wide[MAX_PATH];
        MultiByteToWideChar(CP_ACP, 0, parent.c_str(), -1, wide, MAX_PATH);
        Path = std::wstring(wide) + name;
        Made = CreateDirectoryW(Path.c_str(), NULL) != 0;
    }
    ~UnspelledFolder() { RemoveDirectoryW(Path.c_str()); }
    bool Exists() const { return GetFileAttributesW(Path.c_str()) != INVALID_FILE_ATTRIBUTES; }
    std::wstring Path;
    bool Made;
};

// A yen sign would come out of a look-alike conversion as a backslash, leading the walk
// into s\y inside a system folder; a wave dash as a full-width tilde, naming a folder that
// does not exist and ending every walk there. Both are content the walk cannot reach.
TEST_F(EmptyFoldersTest, FolderWithoutAnsiSpellingStaysAndTheWalkGoesOn)
{
    ASSERT_TRUE(MakeFolder(target + "s", FILE_ATTRIBUTE_SYSTEM) && MakeFolder(target + "s\\y"));
    ASSERT_TRUE(MakeFolder(target + "e"));
    UnspelledFolder yen(target, L"s\u00A5y"), dash(target, L"c\u301C");
    ASSERT_TRUE(yen.Made && dash.Made);

    for (int test : {1, 0}) {
        DeleteTestLog();
        EXPECT_EQ(RemoveEmptyFolders(target.c_str(), test), 3);
        std::string e = target + "e\\";
        EXPECT_EQ(ReadLogTexts(), std::vector<std::string>{test ? Listed(e) : Removed(e)});
    }
    EXPECT_FALSE(Exists(target + "e"));
    EXPECT_TRUE(Exists(target + "s\\y"));
    EXPECT_TRUE(yen.Exists());
    EXPECT_TRUE(dash.Exists());
}

class LinkedFolderTest : public EmptyFoldersTest {
protected:
    void SetUp() override
    {
        EmptyFoldersTest::SetUp();
        outside = FreshFolder("emptyfolders_outside");
        link = target + "link";
    }
    void TearDown() override
    {
        RemoveFolderLink(link);
        RemoveTree(TestVolume() + "emptyfolders_outside");
        EmptyFoldersTest::TearDown();
    }
    std::string outside, link;
};

// Whatever a link leads to lies outside the target: an empty folder there, or one holding
// an empty folder, is neither entered, listed nor removed, and the link itself stays.
TEST_F(LinkedFolderTest, LinkedFolderIsNeitherEnteredNorRemoved)
{
    for (bool holdsEmptyFolder : {false, true}) {
        if (holdsEmptyFolder) {
            ASSERT_TRUE(MakeFolder(outside + "inner"));
        }
        ASSERT_TRUE(MakeFolderLink(link, outside));
        ASSERT_EQ(GetFileAttributesA(link.c_str()), (DWORD)(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));

        for (int test : {1, 0}) {
            EXPECT_EQ(RemoveEmptyFolders(target.c_str(), test), 1);
            EXPECT_FALSE(Exists(TestLogPath()));
        }
        EXPECT_TRUE(Exists(link));
        EXPECT_TRUE(Exists(outside));
        if (holdsEmptyFolder) {
            EXPECT_TRUE(Exists(outside + "inner"));
        }
        RemoveFolderLink(link);
        ASSERT_FALSE(Exists(link));
    }
}

TEST_F(EmptyFoldersTest, RefusedRemovalIsReportedAndKeepsTheParent)
{
    std::string a = target + "A\\", b = a + "B\\";
    ASSERT_TRUE(MakeFolder(a) && MakeFolder(b));
    HANDLE held = CreateFileA(b.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, NULL);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(RemoveEmptyFolders(target.c_str(), 0), 1);
    CloseHandle(held);
    EXPECT_EQ(ReadLogTexts(), (std::vector<std::string>{Removed(b), "  -->削除失敗"}));
    EXPECT_TRUE(Exists(b));
}

// The platform's ANSI calls take paths of at most 259 bytes; a deeper folder, made here
// through Unix, is content that stays, never a shortened path naming some other folder.
TEST_F(EmptyFoldersTest, SubfolderWhosePathWouldNotFitStays)
{
    std::string name(250, 'n');
    std::string unixTarget = UnixName(target);
    if (unixTarget.empty())
        GTEST_SKIP() << "needs Wine to make a path longer than the platform's ANSI calls take";
    std::string unixDeep = "\"" + unixTarget + "/" + name + "\"";
    ASSERT_GT(target.size() + name.size() + 1, (size_t)MAX_PATH - 1);
    ASSERT_TRUE(RunUnixTool("mkdir " + unixDeep, [&] { return HasEntry(target, name); }));

    for (int test : {1, 0}) {
        EXPECT_EQ(RemoveEmptyFolders(target.c_str(), test), 1);
        EXPECT_FALSE(Exists(TestLogPath()));
    }
    EXPECT_TRUE(HasEntry(target, name));
    EXPECT_TRUE(RunUnixTool("rmdir " + unixDeep, [&] { return !HasEntry(target, name); }));
}

TEST_F(EmptyFoldersTest, FolderThatCannotBeEnumeratedEndsTheWalk)
{
    EXPECT_EQ(RemoveEmptyFolders((target + "missing\\").c_str(), 0), -2);

    // O holds only an empty folder whose path fits in 259 bytes but whose search pattern
    // does not: the platform refuses to enumerate it, and the walk ends without removing
    // either of them.
    std::string outer = target + "O\\";
    std::string inner = outer + std::string(MAX_PATH - 1 - outer.size() - 1, 'n') + "\\";
    ASSERT_EQ(inner.size(), (size_t)MAX_PATH - 1);
    ASSERT_TRUE(MakeFolder(outer) && MakeFolder(inner));
    for (int test : {1, 0})
        EXPECT_EQ(RemoveEmptyFolders(target.c_str(), test), -2);
    EXPECT_FALSE(Exists(TestLogPath()));
    EXPECT_TRUE(Exists(inner));
}

}
