// ui/dlgutil.h: helpers shared by the dialogs
#pragma once
#include <windows.h>

int CenterWindow(HWND window, HWND reference);
int ShowStringMessage(HINSTANCE instance, HWND owner, UINT captionId, UINT textId, UINT type);
int SetSpinRange(HWND dialog, int editId, int spinId, int first, int second);
int SetIntField(HWND dialog, int editId, int spinId, int value);
int GetIntFieldInRange(HWND dialog, int editId, int spinId, int *value, const char *format);
