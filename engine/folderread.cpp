// engine/folderread.cpp
#include "engine/folderread.h"
#include "engine/scanalloc.h"
#include <string.h>

// One block for each folder being read: a walk reads a subfolder while its parent's block
// still holds unread entries.
static const DWORD ReadBlockSize = 65536;

int OpenFolderReader(FolderReader &reader, const char *folder)
{
    reader.Folder = INVALID_HANDLE_VALUE;
    reader.Block = NULL;
    reader.Offset = 0;
    reader.Filled = 0;
    reader.Query = FileIdBothDirectoryRestartInfo;
    // Callers append the names read here to the folder's path; without the backslash they
    // would name entries of the parent folder.
    size_t length = strlen(folder);
    if (length == 0 || folder[length - 1] != '\\' || length + SearchPatternLength >= MAX_PATH)
        return -2;
    // The directory query gives many entries per call, as the search calls do underneath,
    // without copying each entry into a record of its own.
    reader.Folder = CreateFileA(folder, FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                NULL, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, NULL);
    if (reader.Folder == INVALID_HANDLE_VALUE)
        return -2;
    reader.Block = (BYTE *)ScanAlloc(ReadBlockSize);
    if (!reader.Block)
        return -1;
    return 0;
}

int CloseFolderReader(FolderReader &reader)
{
    if (reader.Folder != INVALID_HANDLE_VALUE)
        CloseHandle(reader.Folder);
    reader.Folder = INVALID_HANDLE_VALUE;
    ScanFree(reader.Block);
    reader.Block = NULL;
    return 0;
}

// The code page spells the ASCII characters as their own bytes, so a name made of them alone
// is copied as it stands; most names are.
static int SpellAscii(const WCHAR *name, int length, FolderEntry &entry)
{
    if (length > MAX_PATH - 1)
        return 0;
    for (int i = 0; i < length; i++) {
        if (name[i] == 0 || name[i] >= 0x80)
            return 0;
        entry.Name[i] = (char)name[i];
    }
    entry.Name[length] = '\0';
    entry.NameLength = (size_t)length;
    return 1;
}

// The rest of the program reaches files through the ANSI calls, so a name is taken only with
// an exact spelling there. A character without one would come out as a look-alike (a yen
// sign as a backslash, say) or as a stand-in, and the name would lead to another entry or to
// none at all.
static int SpellName(const FILE_ID_BOTH_DIR_INFO *info, FolderEntry &entry)
{
    int wideLength = (int)(info->FileNameLength / sizeof(WCHAR));
    if (SpellAscii(info->FileName, wideLength, entry))
        return 1;
    BOOL inexact = FALSE;
    int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, info->FileName, wideLength, entry.Name,
                                     MAX_PATH - 1, NULL, &inexact);
    if (length > 0)
        entry.Name[length] = '\0';
    // A name with a zero character inside would be cut short to another name.
    if (length <= 0 || inexact || strlen(entry.Name) != (size_t)length) {
        entry.Name[0] = '\0';
        entry.NameLength = 0;
        return 0;
    }
    entry.NameLength = (size_t)length;
    return 1;
}

static bool IsDotEntry(const FILE_ID_BOTH_DIR_INFO *info)
{
    const WCHAR *name = info->FileName;
    DWORD bytes = info->FileNameLength;
    return name[0] == L'.' && (bytes == sizeof(WCHAR) || (bytes == 2 * sizeof(WCHAR) && name[1] == L'.'));
}

// Makes Offset name an entry not yet given out: 1, or 0 when the folder has no more.
static int NextInfo(FolderReader &reader)
{
    if (reader.Filled) {
        const FILE_ID_BOTH_DIR_INFO *info = (const FILE_ID_BOTH_DIR_INFO *)(reader.Block + reader.Offset);
        if (info->NextEntryOffset != 0) {
            reader.Offset += info->NextEntryOffset;
            return 1;
        }
    }
    reader.Filled = 0;
    if (!GetFileInformationByHandleEx(reader.Folder, reader.Query, reader.Block, ReadBlockSize))
        return 0;
    reader.Query = FileIdBothDirectoryInfo;
    reader.Filled = 1;
    reader.Offset = 0;
    return 1;
}

// 0 when the folder has simply no more entries, -2 when reading failed. A folder with no entry
// at all, not even "." and "..", is the root of an empty volume; its first query finds no file.
static int ReadingEnded(const FolderReader &reader)
{
    DWORD error = GetLastError();
    if (error == ERROR_NO_MORE_FILES)
        return 0;
    if (error == ERROR_FILE_NOT_FOUND && reader.Query == FileIdBothDirectoryRestartInfo)
        return 0;
    return -2;
}

int ReadFolderEntry(FolderReader &reader, FolderEntry &entry)
{
    for (;;) {
        if (!NextInfo(reader))
            return ReadingEnded(reader);
        const FILE_ID_BOTH_DIR_INFO *info = (const FILE_ID_BOTH_DIR_INFO *)(reader.Block + reader.Offset);
        if (IsDotEntry(info))
            continue;
        entry.Spelled = SpellName(info, entry);
        entry.Attributes = info->FileAttributes;
        entry.LastWrite.dwLowDateTime = info->LastWriteTime.LowPart;
        entry.LastWrite.dwHighDateTime = (DWORD)info->LastWriteTime.HighPart;
        entry.Size = (UINT64)info->EndOfFile.QuadPart;
        return 1;
    }
}
