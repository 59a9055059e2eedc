// ui/dlgutil.cpp (placeholder until the dialogs land)
#include "ui/dlgutil.h"
int CenterWindow(HWND, HWND) { return 0; }
int ShowStringMessage(HINSTANCE, HWND, UINT, UINT, UINT) { return 0; }
int SetSpinRange(HWND, int, int, int, int) { return 0; }
int SetIntField(HWND, int, int, int) { return 0; }
int GetIntFieldInRange(HWND, int, int, int *, const char *) { return 0; }
