// ui/testdlg.cpp (placeholder until the dialogs land)
#include "ui/testdlg.h"
int OpenTestDialog(HWND, const FolderSettings *) { return 0; }
