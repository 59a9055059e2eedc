// app/dialogcmds.h: the menu commands that open dialogs
#pragma once
#include <windows.h>

LRESULT OnSettingsCommand(HWND window, WPARAM wParam, LPARAM lParam);
LRESULT OnAboutCommand(HWND window);
LRESULT OnViewLogCommand(HWND window);
