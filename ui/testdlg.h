// ui/testdlg.h: the test-run dialog
#pragma once
#include <windows.h>
#include "settings/settings.h"

int OpenTestDialog(HWND owner, const FolderSettings *settings);
