// ui/dlgutil.cpp: helpers shared by the dialogs
#include "ui/dlgutil.h"
#include <commctrl.h>
#include <algorithm>
#include <stdio.h>

int CenterWindow(HWND window, HWND reference)
{
    RECT area = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    RECT own;
    GetWindowRect(window, &own);
    int width = own.right - own.left, height = own.bottom - own.top;
    if (reference != NULL) {
        RECT ref;
        GetWindowRect(reference, &ref);
        area.left = std::max(area.left, ref.left);
        area.top = std::max(area.top, ref.top);
        area.right = std::min(area.right, ref.right);
        area.bottom = std::min(area.bottom, ref.bottom);
    }
    int x = (area.left + area.right - width) / 2;
    if (x > area.right - width)
        x = area.right - width;
    if (x <= 0)
        x = 0;
    int y = (area.top + area.bottom - height) / 2;
    if (y > area.bottom - height)
        y = area.bottom - height;
    if (y <= 0)
        y = 0;
    MoveWindow(window, x, y, width, height, IsWindowVisible(window));
    return 0;
}

int ShowStringMessage(HINSTANCE instance, HWND owner, UINT captionId, UINT textId, UINT type)
{
    char caption[260], text[260];
    LoadStringA(instance, captionId, caption, 257);
    LoadStringA(instance, textId, text, 257);
    if (type & 0xF0)
        MessageBeep(type & 0xF0);
    return MessageBoxA(owner, text, caption, type);
}

int SetSpinRange(HWND dialog, int, int spinId, int first, int second)
{
    SendDlgItemMessageA(dialog, spinId, UDM_SETRANGE32, (WPARAM)first, (LPARAM)second);
    return 0;
}

int SetIntField(HWND dialog, int editId, int, int value)
{
    char text[32];
    snprintf(text, sizeof text, "%d", value);
    SetDlgItemTextA(dialog, editId, text);
    return 0;
}

int GetIntFieldInRange(HWND dialog, int editId, int spinId, int *value, const char *format)
{
    int first = 0, second = 0;
    SendDlgItemMessageA(dialog, spinId, UDM_GETRANGE32, (WPARAM)&first, (LPARAM)&second);
    int low = std::min(first, second), high = std::max(first, second);
    char message[256];
    snprintf(message, sizeof message, format != NULL ? format : "Range Over (%d - %d)", low, high);
    int read = (int)GetDlgItemInt(dialog, editId, NULL, FALSE);
    const UINT boxType = MB_ICONINFORMATION | MB_TASKMODAL | MB_SETFOREGROUND;
    if (read < low) {
        MessageBoxA(dialog, message, NULL, boxType);
        SetFocus(GetDlgItem(dialog, editId));
        *value = low;
        return -1;
    }
    if (read > high) {
        MessageBoxA(dialog, message, NULL, boxType);
        SetFocus(GetDlgItem(dialog, editId));
        *value = high;
        return -2;
    }
    *value = read;
    return 0;
}
