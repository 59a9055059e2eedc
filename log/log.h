// log/log.h: the activity log
#pragma once
#include <windows.h>

// Sent (never posted) to LogSink for each piece of a line; lParam is the text, valid only
// while the message is handled.
UINT const WMU_LOGTEXT = WM_APP + 100;

extern int LogEnabled;
extern HWND LogSink;
extern CRITICAL_SECTION LogLock;

int LogLine(const char *format, const char *argument);
int LogValue(const char *format, int value);
int RotateLog(DWORD limit);
int LogStart(void);
int LogEnd(void);
