// ui/aboutdlg.cpp (placeholder until the dialogs land)
#include "ui/aboutdlg.h"
int OpenAboutDialog(HWND) { return 0; }
