// engine/scan.cpp
#include "engine/scan.h"
#include "engine/folderread.h"
#include "engine/scanalloc.h"
#include "settings/paths.h"
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static const UINT32 FirstCapacity = 256;
// Count is also stored in the signed 32-bit FirstIndex of a node, so it stays below 2^31.
static const UINT32 MostCapacity = 0x40000000;

// The list being sorted: qsort passes no context to its comparison. Passes are serialised,
// so only one sort runs at a time.
static const FileList *SortingList = NULL;

static int StartList(FileList *list)
{
    list->Count = 0;
    list->Entries = (FileEntry *)ScanAlloc(FirstCapacity * sizeof(FileEntry));
    if (!list->Entries)
        return -1;
    list->Order = (UINT32 *)ScanAlloc(FirstCapacity * sizeof(UINT32));
    if (!list->Order)
        return -1;
    list->Capacity = FirstCapacity;
    return 0;
}

// Each block that was obtained is stored at once, so a failure halfway leaves nothing
// that FreeFileList would not release.
static int GrowList(FileList *list)
{
    if (list->Capacity > MostCapacity / 2)
        return -1;
    UINT32 capacity = list->Capacity * 2;
    if ((size_t)capacity > SIZE_MAX / sizeof(FileEntry))
        return -1;
    FileEntry *entries = (FileEntry *)ScanRealloc(list->Entries, capacity * sizeof(FileEntry));
    if (!entries)
        return -1;
    list->Entries = entries;
    UINT32 *order = (UINT32 *)ScanRealloc(list->Order, capacity * sizeof(UINT32));
    if (!order)
        return -1;
    list->Order = order;
    list->Capacity = capacity;
    return 0;
}

static int AppendFile(FileList *list, FolderNode *node, const FolderEntry &found)
{
    if (list->Count == list->Capacity && GrowList(list) < 0)
        return -1;
    UINT32 index = list->Count;
    FileEntry &entry = list->Entries[index];
    memcpy(entry.Name, found.Name, found.NameLength + 1);
    entry.Parent = node;
    entry.LastWrite = found.LastWrite;
    entry.Size = found.Size;
    entry.Attributes = found.Attributes;
    list->Order[index] = index;
    list->Count++;
    return 0;
}

// A junction or symbolic link may lead anywhere, even outside the watched folder: it is
// never entered. A subfolder whose path would not fit a node, or whose search pattern
// would not fit the ANSI path limit, could only be listed under a cut path that names
// another place, or not at all: it is skipped too, so that one such folder cannot make
// every future pass fail.
static bool MayEnter(const FolderNode *node, const FolderEntry &found)
{
    if (found.Attributes & FILE_ATTRIBUTE_REPARSE_POINT)
        return false;
    size_t pathLength = strlen(node->Path) + found.NameLength + 1;
    return pathLength + SearchPatternLength < MAX_PATH;
}

static int EnterFolder(FolderNode *node, FolderNode **lastChild, FileList *list, int recurse,
                       const char *patterns, const FolderEntry &found)
{
    FolderNode *child = (FolderNode *)ScanAlloc(sizeof(FolderNode));
    if (!child)
        return -1;
    snprintf(child->Path, sizeof child->Path, "%s%s\\", node->Path, found.Name);
    child->Attributes = found.Attributes;
    if (*lastChild)
        (*lastChild)->Next = child;
    else
        node->Child = child;
    *lastChild = child;
    return ScanFolder(child, list, recurse, patterns);
}

// The extensions of one folder repeat (recordings of a few kinds and their side files, over
// and over), and the locale's comparison in MatchExtension is the dearest step of the walk:
// the answers for the folder's short extensions are kept, keyed by their exact bytes, so each
// is asked once. A longer or a further extension is simply asked each time.
static const int RememberedExtensions = 16;
static const size_t RememberedLength = 16;

struct ExtensionMemo {
    char Extension[RememberedExtensions][RememberedLength];
    int Matches[RememberedExtensions];
    int Used;
};

static int ExtensionMatches(ExtensionMemo &memo, const char *name, const char *patterns)
{
    char extension[MAX_PATH];
    SplitPath(name, NULL, NULL, extension);
    size_t length = strlen(extension);
    if (length >= RememberedLength)
        return MatchExtension(extension, patterns);
    for (int i = 0; i < memo.Used; i++) {
        if (memcmp(memo.Extension[i], extension, length + 1) == 0)
            return memo.Matches[i];
    }
    int matches = MatchExtension(extension, patterns);
    if (memo.Used < RememberedExtensions) {
        memcpy(memo.Extension[memo.Used], extension, length + 1);
        memo.Matches[memo.Used] = matches;
        memo.Used++;
    }
    return matches;
}

// Returns 1 when the entry joined the list, 0 when it was passed over or walked as a folder.
static int TakeFoundEntry(FolderNode *node, FolderNode **lastChild, FileList *list, int recurse,
                          const char *patterns, ExtensionMemo &memo, const FolderEntry &found)
{
    // An entry no ANSI call can reach can be neither deleted nor listed: it is passed over,
    // and a folder of that kind is not entered, so that it cannot fail every pass.
    if (!found.Spelled)
        return 0;
    if (found.Attributes & FILE_ATTRIBUTE_SYSTEM)
        return 0;
    if (found.Attributes & FILE_ATTRIBUTE_DIRECTORY) {
        if (!recurse || !MayEnter(node, found))
            return 0;
        return EnterFolder(node, lastChild, list, recurse, patterns, found);
    }
    if (!ExtensionMatches(memo, found.Name, patterns))
        return 0;
    if (AppendFile(list, node, found) < 0)
        return -1;
    return 1;
}

int ScanFolder(FolderNode *node, FileList *list, int recurse, const char *patterns)
{
    if (!list->Entries && StartList(list) < 0)
        return -1;
    node->FirstIndex = (INT32)list->Count;
    INT32 matched = 0;

    FolderReader reader;
    FolderReaderGuard closing(reader);
    int opened = OpenFolderReader(reader, node->Path);
    if (opened < 0)
        return opened;
    ExtensionMemo memo;
    memo.Used = 0;
    FolderNode *lastChild = NULL;
    FolderEntry found;
    int read;
    while ((read = ReadFolderEntry(reader, found)) > 0) {
        int result = TakeFoundEntry(node, &lastChild, list, recurse, patterns, memo, found);
        if (result < 0)
            return result;
        matched += result;
    }
    if (read < 0)
        return -2;
    node->FileCount = matched;
    return 0;
}

int BuildCandidateList(const FolderSettings &settings, FileList **list, FolderNode **root)
{
    FileList *header = (FileList *)ScanAlloc(sizeof(FileList));
    if (!header)
        return -1;
    FolderNode *top = (FolderNode *)ScanAlloc(sizeof(FolderNode));
    if (!top) {
        FreeFileList(header);
        return -1;
    }
    // A folder text that fills its whole field has no terminator; cut, it would name
    // another folder, so it is treated as a folder that cannot be enumerated.
    size_t length = strnlen(settings.TargetFolder, sizeof settings.TargetFolder);
    int result = -2;
    if (length < sizeof top->Path) {
        memcpy(top->Path, settings.TargetFolder, length);
        result = ScanFolder(top, header, settings.FindSubFolder, settings.TargetExt);
    }
    if (result < 0) {
        FreeFolderTree(top);
        FreeFileList(header);
        return -2;
    }
    SortByAge(header);
    *list = header;
    *root = top;
    return 0;
}

int SortByAge(FileList *list)
{
    if (list->Count < 2)
        return 0;
    SortingList = list;
    qsort(list->Order, list->Count, sizeof list->Order[0], CompareByAge);
    SortingList = NULL;
    return 0;
}

int CompareByAge(const void *first, const void *second)
{
    const FILETIME &a = SortingList->Entries[*(const UINT32 *)first].LastWrite;
    const FILETIME &b = SortingList->Entries[*(const UINT32 *)second].LastWrite;
    if (a.dwHighDateTime != b.dwHighDateTime)
        return a.dwHighDateTime < b.dwHighDateTime ? -1 : 1;
    if (a.dwLowDateTime != b.dwLowDateTime)
        return a.dwLowDateTime < b.dwLowDateTime ? -1 : 1;
    return 0;
}

int FreeFolderTree(FolderNode *node)
{
    while (node) {
        FreeFolderTree(node->Child);
        FolderNode *next = node->Next;
        ScanFree(node);
        node = next;
    }
    return 0;
}

int FreeFileList(FileList *list)
{
    if (!list)
        return 0;
    if (list->Order)
        ScanFree(list->Order);
    if (list->Entries)
        ScanFree(list->Entries);
    ScanFree(list);
    return 0;
}

// Builds the text a pattern stands for against the extension's own bytes and compares it
// with the extension. Returns false when the text does not fit: no pattern of a settings
// field is that long.
static bool PatternMatches(const char *extension, const char *pattern, size_t patternLength)
{
    char text[2 * MAX_PATH + 2];
    size_t length = 0;
    const char *stem = extension;
    if (stem[0] == '.') {
        text[length++] = '.';
        stem++;
    }
    size_t stemLength = strlen(stem);
    if (patternLength + stemLength + 2 > sizeof text)
        return false;
    size_t j = 0;
    for (size_t i = 0; i < patternLength; i++) {
        char c = pattern[i];
        if (c == '?') {
            text[length++] = j < stemLength ? stem[j++] : '?';
        } else if (c == '*') {
            while (j < stemLength)
                text[length++] = stem[j++];
        } else {
            text[length++] = c;
            j++;
        }
    }
    text[length] = '\0';
    return lstrcmpiA(text, extension) == 0;
}

int MatchExtension(const char *extension, const char *patterns)
{
    // An empty list names no pattern at all, not one empty pattern.
    if (patterns[0] == '\0')
        return 0;
    const char *start = patterns;
    for (;;) {
        const char *end = start;
        while (*end != '\0' && *end != ',')
            end++;
        if (PatternMatches(extension, start, (size_t)(end - start)))
            return 1;
        // A comma right before the terminator ends the list without adding a pattern.
        if (*end == '\0' || end[1] == '\0')
            return 0;
        start = end + 1;
    }
}
