// app/instance.h: the single-instance handshake
#pragma once
#include <windows.h>

// The second start's side: asks the running instance's window to identify itself.
int IdentifyRunningInstance(HWND found, const char *sharedName);
// The running instance's side, for WMU_IDENTIFY.
int AnswerIdentify(void);
