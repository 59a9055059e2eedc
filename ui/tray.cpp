// ui/tray.cpp: the notification-area icon and its popup menu
#include "ui/tray.h"
#include "app/mainwnd.h"
#include "resources/resource.h"
#include <commctrl.h>
#include <shellapi.h>
#include <stdio.h>
#include <string.h>

#if !defined(_WIN64)
static_assert(sizeof(NOTIFYICONDATAA) == 508, "the full ANSI notification record");
#endif

static const int TipLength = 126;

// hWnd doubles as the mark that the shell holds our icon.
static NOTIFYICONDATAA TrayRecord;
static HIMAGELIST TrayImages;
static int TrayImage;
static char TrayTip[TipLength + 1];
static HMENU TrayMenu;
static HMENU TrayPopup;

int SetTrayTip(const char *text)
{
    strncpy(TrayTip, text, TipLength);
    TrayTip[TipLength] = 0;
    return 0;
}

int SetTrayImage(int image)
{
    TrayImage = image;
    return 0;
}

static int FillTrayRecord(HWND window, UINT iconId, UINT callbackMessage)
{
    memset(&TrayRecord, 0, sizeof TrayRecord);
    TrayRecord.cbSize = sizeof TrayRecord;
    TrayRecord.hWnd = window;
    TrayRecord.uID = iconId;
    TrayRecord.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    TrayRecord.uCallbackMessage = callbackMessage;
    return 0;
}

static int ShowNotifyIcon(HWND window, UINT iconId, UINT callbackMessage)
{
    HICON icon = ImageList_GetIcon(TrayImages, TrayImage, ILD_NORMAL);
    if (TrayRecord.hWnd != window) {
        FillTrayRecord(window, iconId, callbackMessage);
        TrayRecord.hIcon = icon;
        memcpy(TrayRecord.szTip, TrayTip, sizeof TrayTip);
        Shell_NotifyIconA(NIM_ADD, &TrayRecord);
    }
    TrayRecord.hIcon = icon;
    memcpy(TrayRecord.szTip, TrayTip, sizeof TrayTip);
    // The shell refuses the modify when it does not hold the icon: the add failed (no taskbar
    // yet, at logon) or the shell lost it since. The icon is then added again, and when even
    // that fails the record stops claiming it, so the next update starts over with an add.
    if (!Shell_NotifyIconA(NIM_MODIFY, &TrayRecord) && !Shell_NotifyIconA(NIM_ADD, &TrayRecord))
        TrayRecord.hWnd = NULL;
    if (icon != NULL)
        DestroyIcon(icon);
    return 0;
}

int UpdateNotifyIcon(HINSTANCE instance, HWND window, UINT iconId, UINT callbackMessage, int show)
{
    if (TrayImages == NULL)
        TrayImages = ImageList_LoadImageA(instance, MAKEINTRESOURCEA(LOWORD(iconId)), 16, 1, RGB(255, 0, 255),
                                          IMAGE_BITMAP, 0);
    if (show) {
        ShowNotifyIcon(window, iconId, callbackMessage);
    } else if (TrayRecord.hWnd == window) {
        Shell_NotifyIconA(NIM_DELETE, &TrayRecord);
        TrayRecord.hWnd = NULL;
    }
    return 1;
}

int UpdateTray(int image, int show)
{
    char tip[516];
    snprintf(tip, sizeof tip, "%s - %s", LiveSettings.TargetFolder, DisplayTitle);
    SetTrayTip(tip);
    SetTrayImage(image);
    UpdateNotifyIcon(AppInstance, MainWindow, TRAY_ICON_ID, WMU_TRAYICON, show);
    return 0;
}

int RestoreTrayIcon(void)
{
    // The shell that held the icon is gone; whatever the record says, it must be added anew.
    TrayRecord.hWnd = NULL;
    return UpdateTray(TrayImage, 1);
}

int ShowTrayMenu(void)
{
    SetForegroundWindow(MainWindow);
    POINT cursor;
    GetCursorPos(&cursor);
    if (TrayPopup == NULL) {
        TrayMenu = LoadMenuA(AppInstance, MAKEINTRESOURCEA(IDR_POPUP_TASKICON));
        TrayPopup = GetSubMenu(TrayMenu, 0);
    }
    CheckMenuItem(TrayPopup, IDM_PAUSE, MF_BYCOMMAND | (LiveSettings.Stop != 0 ? MF_CHECKED : MF_UNCHECKED));
    TrackPopupMenu(TrayPopup, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, MainWindow, NULL);
    // Without a message after the menu, it would not close when the user clicks elsewhere.
    PostMessageA(MainWindow, WM_NULL, 0, 0);
    return 0;
}

int DestroyTrayMenu(void)
{
    if (TrayPopup != NULL) {
        DestroyMenu(TrayMenu);
        TrayMenu = NULL;
        TrayPopup = NULL;
    }
    return 0;
}
