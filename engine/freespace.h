// engine/freespace.h: free space of a folder's volume
#pragma once
#include <windows.h>

struct FreeSpace {
    UINT64 FreeBytes;
    DWORD Unit;
};

int MeasureFreeSpace(const char *folder, FreeSpace &space);

typedef BOOL (WINAPI *DiskFreeSpaceExCall)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER);
typedef DiskFreeSpaceExCall (*DiskFreeSpaceExResolver)(void);
// Replaces how the extended query is found (tests use it to take the fallback path);
// null restores the lookup in kernel32.
int SetDiskFreeSpaceExResolver(DiskFreeSpaceExResolver resolver);
