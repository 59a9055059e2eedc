// ui/settingsdlg.h: the settings dialog
#pragma once
#include <windows.h>
#include "settings/settings.h"

extern FolderSettings WorkingSettings;

int OpenSettingsDialog(HWND owner);
