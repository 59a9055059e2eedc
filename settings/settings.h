// settings/settings.h: the settings record and the lock that keeps a pass's copy whole
#pragma once
#include <windows.h>

// Field names are the INI keys of section Folder; order and widths are fixed.
struct FolderSettings {
    INT32 Stop;
    INT32 FindSubFolder;
    INT32 DelSubFolder;
    INT32 FreeSpaceSize;
    INT32 Interval;
    INT32 ToTrashCan;
    INT32 DelReadOnly;
    INT32 DelHidden;
    INT32 LogRotateSize;
    char TargetFolder[MAX_PATH];
    char TargetExt[MAX_PATH];
};

int ResetSettings(FolderSettings &settings);

// A pass works from its own copy of a record that the user-interface thread may rewrite
// meanwhile: every writer of such a record holds the lock while it writes, and the copy
// is taken under it, so no pass ever sees a half-written record.
int LockSettings(void);
int UnlockSettings(void);
int CopySettings(FolderSettings &target, const FolderSettings &source);
