// engine/worker.cpp: passes on their own threads, one at a time
#include "engine/worker.h"
#include "engine/pass.h"

// No namespace prefix: the name is shared by every process of the same logon, so that
// two copies of the program never clean at the same time.
static const char PassMutexName[] = "tovra_Thread_TovraCore";

int StartWorker(const FolderSettings *settings, int test, HWND notifyWindow)
{
    WorkerRequest *request = (WorkerRequest *)GlobalAlloc(GPTR, sizeof(WorkerRequest));
    if (request == NULL)
        return -1;
    request->Settings = settings;
    request->Test = test;
    request->NotifyWindow = notifyWindow;
    HANDLE thread = CreateThread(NULL, 0, WorkerMain, request, 0, NULL);
    if (thread == NULL) {
        GlobalFree(request);
        return -1;
    }
    CloseHandle(thread);
    return 0;
}

static int NotifyWorkDone(HWND window)
{
    if (window != NULL)
        SendMessageA(window, WMU_WORKDONE, 0, 0);
    return 0;
}

DWORD WINAPI WorkerMain(LPVOID parameter)
{
    WorkerRequest *request = (WorkerRequest *)parameter;
    HANDLE mutex = CreateMutexA(NULL, FALSE, PassMutexName);
    if (mutex == NULL) {
        // Without the notice the tray would show the busy image and the test window would
        // keep its Close button disabled for good.
        NotifyWorkDone(request->NotifyWindow);
        GlobalFree(request);
        return (DWORD)-1;
    }
    // An abandoned mutex is taken like a released one: its owner ended, no pass runs.
    WaitForSingleObject(mutex, INFINITE);
    // The record may be rewritten on the user-interface thread while the pass runs, so the
    // pass works from a copy taken now, when it really starts.
    FolderSettings settings;
    CopySettings(settings, *request->Settings);
    RunCleanPass(settings, request->Test);
    ReleaseMutex(mutex);
    CloseHandle(mutex);
    NotifyWorkDone(request->NotifyWindow);
    GlobalFree(request);
    return 0;
}
