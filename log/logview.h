// log/logview.h: opening the log in the user's text editor
#pragma once
#include <windows.h>

int OpenLogViewer(HWND owner);
