// ui/settingsdlg.cpp (placeholder until the dialogs land)
#include "ui/settingsdlg.h"
FolderSettings WorkingSettings;
int OpenSettingsDialog(HWND) { return 0; }
