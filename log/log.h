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
// A pass writes its many lines in quick succession: from LogHoldFile(1) to LogHoldFile(0) the
// log file stays open between lines instead of being opened and closed for each one. Every
// line still reaches the file whole before LogLine returns.
int LogHoldFile(int hold);
int LogStart(void);
int LogEnd(void);
