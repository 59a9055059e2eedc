// ui/aboutdlg.h: the About box
#pragma once
#include <windows.h>

int OpenAboutDialog(HWND owner);
