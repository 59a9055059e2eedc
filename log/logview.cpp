// log/logview.cpp (placeholder until the log viewer lands)
#include "log/logview.h"
int OpenLogViewer(HWND) { return 0; }
