// log/logview.h: opening the log in the user's text editor
#pragma once
#include <windows.h>

int OpenLogViewer(HWND owner);
// The command that opens the log with the registered template: the first "%1" replaced by
// the log path, or the quoted path appended. -1 (output empty) when it would not fit.
int BuildViewerCommand(const char *commandTemplate, const char *logPath, char *command, size_t size);
