// ui/settingsdlg.h: the settings dialog
#pragma once
#include <windows.h>
#include "settings/settings.h"

extern FolderSettings WorkingSettings;

int OpenSettingsDialog(HWND owner);

// Ends a browsed folder with a backslash; -1 when that would not fit in `size` bytes.
int EndFolderWithBackslash(char *folder, size_t size);
