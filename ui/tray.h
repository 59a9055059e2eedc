// ui/tray.h: the notification-area icon and its popup menu
#pragma once
#include <windows.h>

int const TRAY_IMAGE_IDLE = 0;
int const TRAY_IMAGE_SETTINGS = 2;
int const TRAY_IMAGE_BUSY = 3;
UINT const TRAY_ICON_ID = 100;

int UpdateTray(int image, int show);
int SetTrayTip(const char *text);
int SetTrayImage(int image);
int UpdateNotifyIcon(HINSTANCE instance, HWND window, UINT iconId, UINT callbackMessage, int show);
int ShowTrayMenu(void);
int DestroyTrayMenu(void);
// Adds the icon again after the shell lost it (its first add failed, or the taskbar was recreated).
int RestoreTrayIcon(void);
