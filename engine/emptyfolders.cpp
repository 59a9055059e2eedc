// engine/emptyfolders.cpp
#include "engine/emptyfolders.h"
#include "engine/folderread.h"
#include "log/log.h"
#include <windows.h>
#include <stdio.h>
#include <string.h>

// Whether an entry keeps its folder from being empty without being looked into: every file,
// a system folder, a link to a folder elsewhere (a junction or symbolic link), whose target
// is not ours to empty or remove, and a folder whose name the ANSI calls cannot spell, which
// they could reach only as another folder or not at all.
static bool IsOpaqueContent(const FolderEntry &entry)
{
    if (!entry.Spelled)
        return true;
    DWORD attributes = entry.Attributes;
    if (attributes & FILE_ATTRIBUTE_SYSTEM)
        return true;
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return true;
    return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// Returns how many entries of the emptied or listed subfolder keep it: 1 when it stays.
static int RemoveEmptySubfolder(const char *subfolder, int test)
{
    if (test) {
        LogLine(" 空フォルダの削除（テスト）: %s\n", subfolder);
        return 0;
    }
    LogLine(" 空フォルダの削除: %s\n", subfolder);
    if (RemoveDirectoryA(subfolder))
        return 0;
    LogLine("  -->削除失敗\n", "");
    return 1;
}

int RemoveEmptyFolders(const char *folder, int test)
{
    FolderReader reader;
    FolderReaderGuard closing(reader);
    if (OpenFolderReader(reader, folder) < 0)
        return -2;
    int content = 0;
    FolderEntry entry;
    int read;
    while ((read = ReadFolderEntry(reader, entry)) > 0) {
        if (IsOpaqueContent(entry)) {
            content++;
            continue;
        }
        char subfolder[MAX_PATH];
        int length = snprintf(subfolder, sizeof subfolder, "%s%s\\", folder, entry.Name);
        // A path cut to fit would name another folder: one that does not fit stays as it is.
        if (length < 0 || (size_t)length >= sizeof subfolder) {
            content++;
            continue;
        }
        int inner = RemoveEmptyFolders(subfolder, test);
        if (inner < 0)
            return inner;
        if (inner > 0)
            content++;
        else
            content += RemoveEmptySubfolder(subfolder, test);
    }
    return read < 0 ? -2 : content;
}
