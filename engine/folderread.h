// engine/folderread.h: the entries of one folder, read many at a time, each under its exact
// name in the ANSI code page
#pragma once
#include <windows.h>

// A folder is read only when the search pattern "%s*.*" made of its path fits the system's
// ANSI path limit, as the search calls and the settings dialog's check of the folder form
// it: the walks list exactly the folders those calls could list.
static const size_t SearchPatternLength = 3;

struct FolderEntry {
    // Empty when Spelled is 0.
    char Name[MAX_PATH];
    size_t NameLength;
    // 1 when Name is the entry's own name; 0 when the ANSI code page cannot spell that name
    // exactly within 259 bytes, so that no ANSI call can reach the entry.
    int Spelled;
    DWORD Attributes;
    FILETIME LastWrite;
    UINT64 Size;
};

struct FolderReader {
    HANDLE Folder;
    BYTE *Block;
    DWORD Offset;
    // Whether Block holds entries, and which query fetches the next block.
    int Filled;
    FILE_INFO_BY_HANDLE_CLASS Query;
};

// 0: the folder is open for reading; -1: no memory for the read block; -2: the folder cannot
// be listed, or its path does not end with a backslash or is too long for its pattern. A reader that did not open needs no
// closing, but may be closed.
int OpenFolderReader(FolderReader &reader, const char *folder);
// 1: the next entry ("." and ".." are passed over); 0: there is none left; -2: reading failed.
int ReadFolderEntry(FolderReader &reader, FolderEntry &entry);
int CloseFolderReader(FolderReader &reader);

// Closes the reader on every path out of the walk of its folder.
class FolderReaderGuard {
public:
    explicit FolderReaderGuard(FolderReader &reader) : Reader(reader) {}
    ~FolderReaderGuard() { CloseFolderReader(Reader); }
    FolderReaderGuard(const FolderReaderGuard &) = delete;
    FolderReaderGuard &operator=(const FolderReaderGuard &) = delete;

private:
    FolderReader &Reader;
};
