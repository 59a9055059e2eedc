// engine/emptyfolders.cpp
#include "engine/emptyfolders.h"
#include "engine/findhandle.h"
#include "log/log.h"
#include <windows.h>
#include <stdio.h>
#include <string.h>

static bool IsDotEntry(const char *name)
{
    return strcmp(name, ".") == 0 || strcmp(name, "..") == 0;
}

// Whether an entry keeps its folder from being empty without being looked into: every file,
// a system folder, and a link to a folder elsewhere (a junction or symbolic link), whose
// target is not ours to empty or remove.
static bool IsOpaqueContent(DWORD attributes)
{
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
    char pattern[MAX_PATH + 3];
    int length = snprintf(pattern, sizeof pattern, "%s*.*", folder);
    if (length < 0 || (size_t)length >= sizeof pattern)
        return -2;
    WIN32_FIND_DATAA entry;
    FindHandle find(FindFirstFileA(pattern, &entry));
    if (find.Handle == INVALID_HANDLE_VALUE)
        return -2;
    int content = 0;
    do {
        if (IsDotEntry(entry.cFileName))
            continue;
        if (IsOpaqueContent(entry.dwFileAttributes)) {
            content++;
            continue;
        }
        char subfolder[MAX_PATH];
        length = snprintf(subfolder, sizeof subfolder, "%s%s\\", folder, entry.cFileName);
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
    } while (FindNextFileA(find.Handle, &entry));
    return GetLastError() == ERROR_NO_MORE_FILES ? content : -2;
}
