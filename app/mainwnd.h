// app/mainwnd.h: the hidden main window, its messages and the process-wide state it owns
#pragma once
#include <windows.h>
#include "settings/settings.h"

UINT const WMU_ACTIVATE = 0x800;
UINT const WMU_IDENTIFY = 0x801;
UINT const WMU_TRAYICON = 0x802;
UINT const WMU_CHECKNOW = 0x803;

UINT const CHECK_TIMER = 1;

extern HINSTANCE AppInstance;   // app/main.cpp
extern char DisplayTitle[256];  // app/main.cpp

extern HWND MainWindow;
extern FolderSettings LiveSettings;
extern UINT_PTR CheckTimerId;
extern int Busy;
extern int DialogOpen;
extern CRITICAL_SECTION MainLock;

HWND CreateMainWindow(HINSTANCE instance);
LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
HWND FindOwnedWindow(HWND owner);
