// tests/test_scan.cpp: the candidate scan on real folders of the test volume
#include "engine/scan.h"
#include "settings/paths.h"
#include "tests/support/testutil.h"
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <map>
#include <set>
#include <string>
#include <vector>

// One scan's results, released like a pass releases them.
class Scan {
public:
    Scan(const std::string &folder, const char *patterns, int recurse)
    {
        FolderSettings settings;
        ResetSettings(settings);
        snprintf(settings.TargetFolder, sizeof settings.TargetFolder, "%s", folder.c_str());
        snprintf(settings.TargetExt, sizeof settings.TargetExt, "%s", patterns);
        settings.FindSubFolder = recurse;
        Status = BuildCandidateList(settings, &List, &Root);
    }
    ~Scan()
    {
        FreeFileList(List);
        FreeFolderTree(Root);
    }
    Scan(const Scan &) = delete;
    Scan &operator=(const Scan &) = delete;

    // Names in deletion order.
    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        for (UINT32 i = 0; List && i < List->Count; i++)
            names.push_back(List->Entries[List->Order[i]].Name);
        return names;
    }

    const FileEntry *Find(const std::string &name) const
    {
        for (UINT32 i = 0; List && i < List->Count; i++)
            if (name == List->Entries[i].Name)
                return &List->Entries[i];
        return NULL;
    }

    int Status = -99;
    FileList *List = NULL;
    FolderNode *Root = NULL;
};

static UINT64 TimeOf(const FILETIME &time)
{
    return ((UINT64)time.dwHighDateTime << 32) | time.dwLowDateTime;
}

// Order is a permutation of the entries, oldest first.
static void ExpectSortedPermutation(const FileList *list)
{
    ASSERT_LE(list->Count, list->Capacity);
    std::vector<bool> seen(list->Count, false);
    for (UINT32 i = 0; i < list->Count; i++) {
        ASSERT_LT(list->Order[i], list->Count);
        EXPECT_FALSE(seen[list->Order[i]]) << "index listed twice: " << list->Order[i];
        seen[list->Order[i]] = true;
        if (i > 0) {
            EXPECT_LE(TimeOf(list->Entries[list->Order[i - 1]].LastWrite),
                      TimeOf(list->Entries[list->Order[i]].LastWrite)) << i;
        }
    }
}

static bool MakeSparseFile(const std::string &path, UINT64 size, int minutes)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER end;
    end.QuadPart = (LONGLONG)size;
    FILETIME time = MinutesToFileTime(minutes);
    bool ok = SetFilePointerEx(file, end, NULL, FILE_BEGIN) && SetEndOfFile(file) && SetFileTime(file, NULL, NULL, &time);
    CloseHandle(file);
    return ok;
}

struct MatchRow {
    const char *Extension;
    const char *Patterns;
    int Match;
};

TEST(Scan, MatchExtensionRules)
{
    static const MatchRow rows[] = {
        { ".mpg", "mpg", 1 },
        { ".MPG", "mpg", 1 },
        { ".Wav", "WAV", 1 },
        { ".mpeg", "mpg", 0 },
        { ".mp", "mpg", 0 },
        { ".mp2", "mp?", 1 },
        { ".mpg", "mp?", 1 },
        { ".mp", "mp?", 0 },
        { ".mpgg", "mp?", 0 },
        { ".mpeg", "m*", 1 },
        { ".m", "m*", 1 },
        { ".avi", "m*", 0 },
        { "", "m*", 0 },
        { ".ts", "*", 1 },
        { "", "*", 1 },
        { ".", "*", 1 },
        { ".mpg", "**", 1 },
        { ".x", "*x", 0 },
        { ".ax", "*x", 0 },
        { ".mpg", "*.mpg", 0 },
        { ".mpg", ".mpg", 0 },
        // An empty pattern matches exactly the files without extension; an empty list none.
        { "", "", 0 },
        { "", "mpg,,wav", 1 },
        { ".wav", "mpg,,wav", 1 },
        { "", ",mpg", 1 },
        { ".mpg", ",mpg", 1 },
        { "", ",", 1 },
        { "", "mpg,", 0 },
        { ".mpg", "mpg,", 1 },
        { "", "mpg,,", 1 },
        // Blanks belong to the pattern.
        { ".mpg", "mpg, wav", 1 },
        { ".wav", "mpg, wav", 0 },
        { ". wav", "mpg, wav", 1 },
        { ".mpg", " mpg", 0 },
        // "?" stands for one byte: a double-byte character takes two.
        { ".表", "?", 0 },
        { ".表", "??", 1 },
        { ".表", "*", 1 },
        { ".表", "表", 1 },
        { ".mpg", "mpg,m*,*", 1 },
        { ".mpg", "mpeg,m2p,mpg,m2v,m1v,m1p,mpa,mp2,wav", 1 },
        { ".m2p", "mpeg,m2p,mpg,m2v,m1v,m1p,mpa,mp2,wav", 1 },
        { ".avi", "mpeg,m2p,mpg,m2v,m1v,m1p,mpa,mp2,wav", 0 },
        { "", "mpeg,m2p,mpg,m2v,m1v,m1p,mpa,mp2,wav", 0 },
    };
    for (const MatchRow &row : rows)
        EXPECT_EQ(MatchExtension(row.Extension, row.Patterns), row.Match)
            << "'" << row.Extension << "' against '" << row.Patterns << "'";
}

class ScanTree : public ::testing::Test {
protected:
    void SetUp() override
    {
        Root = FreshFolder("scan_tree");
        ASSERT_TRUE(MakeFile(Root + "old.mpg", 1000, 10));
        ASSERT_TRUE(MakeFile(Root + "new.MPG", 5000, 50, FILE_ATTRIBUTE_READONLY));
        ASSERT_TRUE(MakeFile(Root + "hid.wav", 200, 30, FILE_ATTRIBUTE_HIDDEN));
        ASSERT_TRUE(MakeFile(Root + "sys.mpg", 100, 1, FILE_ATTRIBUTE_SYSTEM));
        ASSERT_TRUE(MakeFile(Root + "notes.txt", 100, 2));
        ASSERT_TRUE(MakeFile(Root + "noext", 100, 3));
        ASSERT_TRUE(MakeFolder(Root + "sub"));
        ASSERT_TRUE(MakeSparseFile(Root + "sub\\mid.mpeg", 5 * 1024ULL * 1024 * 1024 + 7, 20));
        ASSERT_TRUE(MakeFolder(Root + "sub\\deep"));
        ASSERT_TRUE(MakeFile(Root + "sub\\deep\\d.m2v", 10, 5));
        ASSERT_TRUE(MakeFolder(Root + "sysdir", FILE_ATTRIBUTE_SYSTEM));
        ASSERT_TRUE(MakeFile(Root + "sysdir\\x.mpg", 10, 0));
        ASSERT_TRUE(MakeFolder(Root + "sysdir\\inner"));
        ASSERT_TRUE(MakeFile(Root + "sysdir\\inner\\y.mpg", 10, 0));
    }
    void TearDown() override { RemoveTree(Root); }

    std::string Root;
};

TEST_F(ScanTree, WholeTreeOldestFirst)
{
    // "mpg" and "m*" both match the .mpg files: each is still listed once.
    Scan scan(Root, "mpg,m*,wav", 1);
    ASSERT_EQ(scan.Status, 0);
    EXPECT_EQ(JoinLines(scan.Names()), JoinLines({ "d.m2v", "old.mpg", "mid.mpeg", "hid.wav", "new.MPG" }));
    EXPECT_EQ(scan.List->Capacity, 256u);
    ExpectSortedPermutation(scan.List);

    const FolderNode *root = scan.Root;
    EXPECT_STREQ(root->Path, Root.c_str());
    EXPECT_EQ(root->Attributes, 0u);
    EXPECT_EQ(root->FirstIndex, 0);
    EXPECT_EQ(root->FileCount, 3);
    EXPECT_EQ(root->Next, (FolderNode *)NULL);
    // The system folder has no node: the root's only child is sub.
    const FolderNode *sub = root->Child;
    ASSERT_NE(sub, (FolderNode *)NULL);
    EXPECT_EQ(sub->Path, Root + "sub\\");
    EXPECT_TRUE(sub->Attributes & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(sub->Next, (FolderNode *)NULL);
    EXPECT_EQ(sub->FileCount, 1);
    const FolderNode *deep = sub->Child;
    ASSERT_NE(deep, (FolderNode *)NULL);
    EXPECT_EQ(deep->Path, Root + "sub\\deep\\");
    EXPECT_EQ(deep->Child, (FolderNode *)NULL);
    EXPECT_EQ(deep->Next, (FolderNode *)NULL);
    EXPECT_EQ(deep->FileCount, 1);

    struct Expected {
        const char *Name;
        const FolderNode *Parent;
        UINT64 Size;
        int Minutes;
        DWORD Readonly;
        DWORD Hidden;
    };
    const Expected expected[] = {
        { "old.mpg", root, 1000, 10, 0, 0 },
        { "new.MPG", root, 5000, 50, FILE_ATTRIBUTE_READONLY, 0 },
        { "hid.wav", root, 200, 30, 0, FILE_ATTRIBUTE_HIDDEN },
        { "mid.mpeg", sub, 5 * 1024ULL * 1024 * 1024 + 7, 20, 0, 0 },
        { "d.m2v", deep, 10, 5, 0, 0 },
    };
    for (const Expected &e : expected) {
        const FileEntry *entry = scan.Find(e.Name);
        ASSERT_NE(entry, (const FileEntry *)NULL) << e.Name;
        EXPECT_EQ(entry->Parent, e.Parent) << e.Name;
        EXPECT_EQ(entry->Size, e.Size) << e.Name;
        EXPECT_EQ(TimeOf(entry->LastWrite), TimeOf(MinutesToFileTime(e.Minutes))) << e.Name;
        EXPECT_EQ(entry->Attributes & FILE_ATTRIBUTE_READONLY, e.Readonly) << e.Name;
        EXPECT_EQ(entry->Attributes & FILE_ATTRIBUTE_HIDDEN, e.Hidden) << e.Name;
        EXPECT_EQ(entry->Attributes & FILE_ATTRIBUTE_SYSTEM, 0u) << e.Name;
    }
}

TEST_F(ScanTree, WithoutRecursionTheRootAlone)
{
    Scan scan(Root, "mpg,m*,wav", 0);
    ASSERT_EQ(scan.Status, 0);
    EXPECT_EQ(JoinLines(scan.Names()), JoinLines({ "old.mpg", "hid.wav", "new.MPG" }));
    EXPECT_EQ(scan.Root->Child, (FolderNode *)NULL);
    EXPECT_EQ(scan.Root->FileCount, 3);
}

TEST_F(ScanTree, NoMatchGivesAnEmptyList)
{
    // An empty pattern list lists nothing, not even the file without extension.
    for (const char *patterns : { "avi", "" }) {
        Scan scan(Root, patterns, 1);
        ASSERT_EQ(scan.Status, 0) << patterns;
        EXPECT_EQ(scan.List->Count, 0u) << patterns;
        EXPECT_EQ(scan.List->Capacity, 256u) << patterns;
        EXPECT_NE(scan.List->Order, (UINT32 *)NULL) << patterns;
        EXPECT_NE(scan.List->Entries, (FileEntry *)NULL) << patterns;
    }
}

TEST(Scan, GrowsPast256Entries)
{
    std::string root = FreshFolder("scan_grow");
    std::map<std::string, int> minutes;
    for (int i = 0; i < 257; i++) {
        char name[32];
        snprintf(name, sizeof name, "f%03d.mpg", i);
        // Distinct times in scrambled order, far enough apart that both halves vary.
        minutes[name] = (i * 101) % 257 * 3;
        ASSERT_TRUE(MakeFile(root + name, 0, minutes[name]));
    }
    Scan scan(root, "mpg", 0);
    ASSERT_EQ(scan.Status, 0);
    EXPECT_EQ(scan.List->Count, 257u);
    EXPECT_EQ(scan.List->Capacity, 512u);
    ExpectSortedPermutation(scan.List);
    std::set<std::string> names;
    for (UINT32 i = 0; i < scan.List->Count; i++) {
        const FileEntry &entry = scan.List->Entries[i];
        names.insert(entry.Name);
        ASSERT_EQ(minutes.count(entry.Name), 1u) << entry.Name;
        EXPECT_EQ(TimeOf(entry.LastWrite), TimeOf(MinutesToFileTime(minutes[entry.Name]))) << entry.Name;
        EXPECT_EQ(entry.Parent, scan.Root);
    }
    EXPECT_EQ(names.size(), 257u);
    EXPECT_EQ(scan.Root->FileCount, 257);
    RemoveTree(root);
}

TEST(Scan, SortComparesBothHalvesUnsigned)
{
    // Low halves on both sides of 2^31 and high halves that disagree with them.
    static const FILETIME times[] = {
        { 0x80000000u, 7 }, { 0x7FFFFFFFu, 7 }, { 0x00000001u, 8 }, { 0xFFFFFFFFu, 6 },
        { 0xFFFFFFFFu, 0x80000000u }, { 0x00000000u, 0x7FFFFFFFu },
    };
    const int count = sizeof times / sizeof times[0];
    FileEntry entries[count];
    UINT32 order[count];
    memset(entries, 0, sizeof entries);
    for (int i = 0; i < count; i++) {
        entries[i].LastWrite = times[i];
        order[i] = i;
    }
    FileList list = { order, entries, count, count };
    EXPECT_EQ(SortByAge(&list), 0);
    const UINT32 expected[count] = { 3, 1, 0, 2, 5, 4 };
    for (int i = 0; i < count; i++)
        EXPECT_EQ(order[i], expected[i]) << i;
    EXPECT_EQ(FreeFileList(NULL), 0);
    EXPECT_EQ(FreeFolderTree(NULL), 0);
}

TEST(Scan, FolderThatCannotBeListedFailsTheWholeList)
{
    std::string root = FreshFolder("scan_locked");
    ASSERT_TRUE(MakeFile(root + "a.mpg", 10, 1));
    ASSERT_TRUE(MakeFolder(root + "busy"));
    ASSERT_TRUE(MakeFile(root + "busy\\b.mpg", 10, 2));
    // Permission bits do not bind the root user these tests run as, and Wine keeps no
    // access lists; a handle that shares nothing makes the folder unlistable all the same.
    HANDLE lock = CreateFileA((root + "busy").c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, NULL);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    {
        Scan scan(root, "mpg", 1);
        EXPECT_EQ(scan.Status, -2);
        EXPECT_EQ(scan.List, (FileList *)NULL);
        EXPECT_EQ(scan.Root, (FolderNode *)NULL);
    }
    {
        Scan scan(root, "mpg", 0);
        EXPECT_EQ(scan.Status, 0);
        EXPECT_EQ(JoinLines(scan.Names()), JoinLines({ "a.mpg" }));
    }
    CloseHandle(lock);
    {
        Scan scan(root, "mpg", 1);
        EXPECT_EQ(scan.Status, 0);
        EXPECT_EQ(JoinLines(scan.Names()), JoinLines({ "a.mpg", "b.mpg" }));
    }

    Scan missing(root + "missing\\", "mpg", 1);
    EXPECT_EQ(missing.Status, -2);
    EXPECT_EQ(missing.List, (FileList *)NULL);

    // Names read from a folder are appended to its path: without the backslash they would
    // name files of the parent folder.
    Scan bare(root + "busy", "mpg", 1);
    EXPECT_EQ(bare.Status, -2);
    EXPECT_EQ(bare.List, (FileList *)NULL);

    // A folder text without terminator would be cut into another folder's name.
    FolderSettings settings;
    ResetSettings(settings);
    memset(settings.TargetFolder, 'a', sizeof settings.TargetFolder);
    FileList *list = NULL;
    FolderNode *node = NULL;
    EXPECT_EQ(BuildCandidateList(settings, &list, &node), -2);
    EXPECT_EQ(list, (FileList *)NULL);
    RemoveTree(root);
}

static std::wstring Wide(const std::string &ansi)
{
    int length = MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, NULL, 0);
    std::wstring wide(length, L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, &wide[0], length);
    wide.resize(length - 1);
    return wide;
}

// As the walk sees it: Wine's GetFileAttributesA follows a Unix link, its enumeration not.
static DWORD ListedAttributes(const std::string &path)
{
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA(path.c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return 0;
    FindClose(find);
    return found.dwFileAttributes;
}

static bool IsLink(const std::string &path)
{
    return (ListedAttributes(path) & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// Wine 8 accepts CreateSymbolicLinkA but makes no link. There a Unix symbolic link, which
// Wine reports as a folder with the reparse-point attribute (0x410), is made with ln.
static bool MakeFolderLink(const std::string &link, const std::string &target)
{
    CreateSymbolicLinkA(link.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY);
    if (IsLink(link))
        return true;
    typedef char *(CDECL * UnixNameFunction)(LPCWSTR);
    UnixNameFunction unixName = (UnixNameFunction)(void *)GetProcAddress(GetModuleHandleA("kernel32"), "wine_get_unix_file_name");
    if (!unixName)
        return false;
    char *unixTarget = unixName(Wide(target).c_str());
    char *unixLink = unixName(Wide(link).c_str());
    bool started = false;
    if (unixTarget && unixLink) {
        std::string command = std::string("ln -s \"") + unixTarget + "\" \"" + unixLink + "\"";
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process;
        started = CreateProcessA("Z:\\bin\\ln", &command[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process);
        if (started) {
            CloseHandle(process.hThread);
            CloseHandle(process.hProcess);
        }
    }
    HeapFree(GetProcessHeap(), 0, unixTarget);
    HeapFree(GetProcessHeap(), 0, unixLink);
    // Wine signals a Unix process's handle at once, not when it ends: wait for the link.
    for (int i = 0; started && i < 1000 && !IsLink(link); i++)
        Sleep(10);
    return IsLink(link);
}

TEST(Scan, LinkedFolderIsNotEntered)
{
    std::string outside = FreshFolder("scan_outside");
    ASSERT_TRUE(MakeFile(outside + "elsewhere.mpg", 10, 1));
    std::string root = FreshFolder("scan_link");
    ASSERT_TRUE(MakeFile(root + "here.mpg", 10, 2));
    ASSERT_TRUE(MakeFolder(root + "real"));
    ASSERT_TRUE(MakeFile(root + "real\\inside.mpg", 10, 3));
    ASSERT_TRUE(MakeFolderLink(root + "linked", outside));
    ASSERT_TRUE(ListedAttributes(root + "linked") & FILE_ATTRIBUTE_DIRECTORY);

    Scan scan(root, "mpg", 1);
    ASSERT_EQ(scan.Status, 0);
    EXPECT_EQ(JoinLines(scan.Names()), JoinLines({ "here.mpg", "inside.mpg" }));
    ASSERT_NE(scan.Root->Child, (FolderNode *)NULL);
    EXPECT_EQ(scan.Root->Child->Path, root + "real\\");
    EXPECT_EQ(scan.Root->Child->Next, (FolderNode *)NULL);

    RemoveTree(root);
    EXPECT_TRUE(Exists(outside + "elsewhere.mpg"));
    RemoveTree(outside);
}

// Folders and files beyond the ANSI path limit are made and removed through the wide,
// "\\?\"-prefixed calls.
static std::wstring LongName(const std::string &path)
{
    std::string plain = path;
    if (!plain.empty() && plain.back() == '\\')
        plain.pop_back();
    return L"\\\\?\\" + Wide(plain);
}

static bool MakeLongFolder(const std::string &path)
{
    return CreateDirectoryW(LongName(path).c_str(), NULL) != 0;
}

static bool MakeLongFile(const std::string &path, int minutes)
{
    HANDLE file = CreateFileW(LongName(path).c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    FILETIME time = MinutesToFileTime(minutes);
    bool ok = SetFileTime(file, NULL, NULL, &time) != 0;
    CloseHandle(file);
    return ok;
}

static void RemoveLongTree(const std::wstring &path)
{
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return;
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        DeleteFileW(path.c_str());
        return;
    }
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = found.cFileName;
            if (name != L"." && name != L"..")
                RemoveLongTree(path + L"\\" + name);
        } while (FindNextFileW(find, &found));
        FindClose(find);
    }
    RemoveDirectoryW(path.c_str());
}

TEST(Scan, OverLongFolderIsSkipped)
{
    RemoveLongTree(LongName(TestVolume() + "scan_long"));
    std::string root = FreshFolder("scan_long");
    ASSERT_TRUE(MakeFile(root + "top.mpg", 10, 1));
    std::string middle = root + std::string(100, 'm') + "\\";
    ASSERT_TRUE(MakeFolder(middle));
    ASSERT_TRUE(MakeFile(middle + "middle.mpg", 10, 2));
    // Its "*.*" pattern just fits the ANSI path limit of 260 bytes with the terminator.
    std::string fits = middle + std::string(256 - middle.size() - 1, 'f') + "\\";
    ASSERT_EQ(fits.size(), 256u);
    ASSERT_TRUE(MakeLongFolder(fits));
    ASSERT_TRUE(MakeLongFile(fits + "fits.mpg", 3));
    // One byte more, a path that fills the whole 259 bytes, and one that would be cut.
    for (size_t length : { 257, 259, 260, 300 }) {
        std::string over = middle + std::string(length - middle.size() - 1, 'o') + "\\";
        ASSERT_TRUE(MakeLongFolder(over)) << length;
        ASSERT_TRUE(MakeLongFile(over + "over.mpg", 4)) << length;
    }
    // Beside the one that fits, a subfolder of it would not fit.
    ASSERT_TRUE(MakeLongFolder(fits + "z"));
    ASSERT_TRUE(MakeLongFile(fits + "z\\z.mpg", 5));

    Scan scan(root, "mpg", 1);
    ASSERT_EQ(scan.Status, 0);
    EXPECT_EQ(JoinLines(scan.Names()), JoinLines({ "top.mpg", "middle.mpg", "fits.mpg" }));
    ASSERT_NE(scan.Root->Child, (FolderNode *)NULL);
    const FolderNode *node = scan.Root->Child;
    EXPECT_EQ(node->Path, middle);
    ASSERT_NE(node->Child, (FolderNode *)NULL);
    EXPECT_EQ(node->Child->Path, fits);
    EXPECT_EQ(node->Child->Next, (FolderNode *)NULL);
    EXPECT_EQ(node->Child->Child, (FolderNode *)NULL);

    RemoveLongTree(LongName(root));
}

// A drive kept empty by scripts/wine-env.sh: its root lists not even "." and "..".
TEST(Scan, RootOfAnEmptyVolumeIsAnEmptyList)
{
    const char *drive = getenv("TOVRA_EMPTY_DRIVE");
    if (!drive)
        GTEST_SKIP() << "needs the empty drive that scripts/wine-env.sh links";
    Scan scan(std::string(drive) + "\\", "*", 1);
    EXPECT_EQ(scan.Status, 0);
    ASSERT_NE(scan.List, (FileList *)NULL);
    EXPECT_EQ(scan.List->Count, 0u);
    EXPECT_EQ(scan.Root->Child, (FolderNode *)NULL);
}

static bool MakeWideFile(const std::string &folder, const wchar_t *name)
{
    wchar_t path[MAX_PATH];
    int length = MultiByteToWideChar(CP_ACP, 0, folder.c_str(), -1, path, MAX_PATH);
    if (length <= 0 || lstrlenW(name) + length > MAX_PATH)
        return false;
    lstrcatW(path, name);
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(file);
    return true;
}

TEST(Scan, NameWithoutExactAnsiSpellingIsPassedOver)
{
    std::string root = FreshFolder("scan_spelling");
    ASSERT_TRUE(MakeFile(root + "plain.mpg", 10, 1));
    // Its second byte is a backslash in the code page, yet the name is spelled exactly.
    ASSERT_TRUE(MakeFile(root + "表.mpg", 10, 2));
    ASSERT_TRUE(MakeFolder(root + "a"));
    ASSERT_TRUE(MakeFile(root + "a\\b.mpg", 10, 3));
    // A yen sign would come out of a look-alike conversion as a backslash, naming a\b.mpg;
    // a wave dash as the full-width tilde of another name; a letter the code page lacks as
    // a plain letter or a stand-in.
    ASSERT_TRUE(MakeWideFile(root, L"a\u00A5b.mpg"));
    ASSERT_TRUE(MakeWideFile(root, L"c\u301C.mpg"));
    ASSERT_TRUE(MakeWideFile(root, L"\u00E9t\u00E9.mpg"));
    ASSERT_TRUE(MakeWideFile(root, L"\u0101.mpg"));
    // A folder of that kind could be listed only under another name, or not at all, which
    // would fail every pass: it is not entered.
    WCHAR folder[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, (root + "d").c_str(), -1, folder, MAX_PATH);
    ASSERT_TRUE(CreateDirectoryW(lstrcatW(folder, L"\u301C"), NULL));
    ASSERT_TRUE(MakeWideFile(root, L"d\u301C\\inside.mpg"));

    Scan flat(root, "mpg", 0);
    ASSERT_EQ(flat.Status, 0);
    EXPECT_EQ(JoinLines(flat.Names()), JoinLines({ "plain.mpg", "表.mpg" }));
    Scan deep(root, "*", 1);
    ASSERT_EQ(deep.Status, 0);
    std::vector<std::string> found = deep.Names();
    EXPECT_EQ(std::set<std::string>(found.begin(), found.end()), (std::set<std::string>{ "plain.mpg", "表.mpg", "b.mpg" }));
}
