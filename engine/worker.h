// engine/worker.h: passes on their own threads, one at a time
#pragma once
#include "settings/settings.h"

UINT const WMU_WORKDONE = 0x804;

struct WorkerRequest {
    const FolderSettings *Settings;
    INT32 Test;
    HWND NotifyWindow;
};

int StartWorker(const FolderSettings *settings, int test, HWND notifyWindow);
DWORD WINAPI WorkerMain(LPVOID request);
