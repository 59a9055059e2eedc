// app/mainwnd.cpp: the hidden main window, the check timer and the application messages
#include "app/mainwnd.h"
#include "app/dialogcmds.h"
#include "app/instance.h"
#include "engine/worker.h"
#include "log/log.h"
#include "resources/resource.h"
#include "settings/ini.h"
#include "settings/paths.h"
#include "ui/tray.h"
#include <stdio.h>

HWND MainWindow;
FolderSettings LiveSettings;
UINT_PTR CheckTimerId;
int Busy;
int DialogOpen;
CRITICAL_SECTION MainLock;

static UINT TaskbarCreatedMessage;
static HWND OwnerSearched;
static HWND OwnedFound;
// Exit was asked for while a dialog was open: the window goes once the dialog has returned.
static int ExitRequested;

static BOOL CALLBACK MatchOwnedWindow(HWND window, LPARAM)
{
    if (GetParent(window) != OwnerSearched)
        return TRUE;
    OwnedFound = window;
    return FALSE;
}

HWND FindOwnedWindow(HWND owner)
{
    OwnedFound = NULL;
    OwnerSearched = owner;
    EnumWindows(MatchOwnedWindow, 0);
    return OwnedFound;
}

// A hand-edited INI may hold any number; the timer period must stay a positive 32-bit value.
static UINT TimerPeriod(INT32 interval)
{
    if (interval < 1)
        interval = 1;
    if (interval > 1440)
        interval = 1440;
    return (UINT)interval * 60000u;
}

static LRESULT OnCreate(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    MainWindow = window;
    InitializeCriticalSection(&MainLock);
    char iniPath[MAX_PATH];
    GetIniPath(iniPath);
    LockSettings();
    ResetSettings(LiveSettings);
    UnlockSettings();
    LoadSettings(LiveSettings, iniPath);
    UpdateTray(TRAY_IMAGE_IDLE, 1);
    SendMessageA(window, WMU_CHECKNOW, 0, 0);
    return DefWindowProcA(window, message, wParam, lParam);
}

static LRESULT OnCheckNow(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    EnterCriticalSection(&MainLock);
    int wasBusy = Busy;
    Busy = 1;
    LeaveCriticalSection(&MainLock);
    if (!wasBusy) {
        UpdateTray(TRAY_IMAGE_BUSY, 1);
        if (CheckTimerId == 0)
            CheckTimerId = SetTimer(window, CHECK_TIMER, TimerPeriod(LiveSettings.Interval), NULL);
        RotateLog((DWORD)LiveSettings.LogRotateSize);
        StartWorker(&LiveSettings, 0, window);
        Busy = 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

static LRESULT OnWorkDone(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    // An open dialog holds the flag for as long as it is open: a pass that ends meanwhile
    // must not let timer checks run under the About box, nor a second settings dialog open.
    if (!DialogOpen)
        Busy = 0;
    UpdateTray(TRAY_IMAGE_IDLE, 1);
    return DefWindowProcA(window, message, wParam, lParam);
}

static LRESULT OnTimer(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (wParam == CHECK_TIMER)
        SendMessageA(window, WMU_CHECKNOW, 0, 0);
    return DefWindowProcA(window, message, wParam, lParam);
}

static LRESULT OnPause(HWND window)
{
    LockSettings();
    LiveSettings.Stop = LiveSettings.Stop == 0 ? 1 : 0;
    int resumed = LiveSettings.Stop == 0;
    UnlockSettings();
    if (resumed)
        SendMessageA(window, WMU_CHECKNOW, 0, 0);
    return 1;
}

static BOOL CALLBACK CancelDialog(HWND window, LPARAM)
{
    char className[16];
    if (GetClassNameA(window, className, sizeof className) && lstrcmpA(className, "#32770") == 0)
        PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
    return TRUE;
}

// Every dialog runs a modal loop inside a handler of this window, which holds the busy flag;
// destroying the window from under it would leave that handler running on a dead window.
// So the dialogs are cancelled and the window goes when the handler has returned.
static LRESULT OnExit(HWND window)
{
    KillTimer(window, CHECK_TIMER);
    CheckTimerId = 0;
    if (DialogOpen) {
        ExitRequested = 1;
        EnumThreadWindows(GetCurrentThreadId(), CancelDialog, 0);
        return 1;
    }
    DestroyWindow(window);
    return 1;
}

static LRESULT AfterDialogCommand(HWND window, LRESULT result)
{
    // Only once the outermost dialog has returned is no handler left on a window to destroy.
    if (ExitRequested && !DialogOpen)
        DestroyWindow(window);
    return result;
}

static LRESULT OnCommand(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (LOWORD(wParam)) {
    case IDM_EXIT:
        return OnExit(window);
    case IDM_PAUSE:
        return OnPause(window);
    case IDM_SETTINGS:
        return AfterDialogCommand(window, OnSettingsCommand(window, wParam, lParam));
    case IDM_ABOUT:
        return AfterDialogCommand(window, OnAboutCommand(window));
    case IDM_VIEWLOG:
        return OnViewLogCommand(window);
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

static LRESULT OnTrayIcon(HWND window, LPARAM lParam)
{
    if (lParam != WM_LBUTTONDOWN && lParam != WM_RBUTTONDOWN)
        return 1;
    if (DialogOpen)
        SetForegroundWindow(FindOwnedWindow(window));
    else
        ShowTrayMenu();
    return 0;
}

static LRESULT OnDestroy(HWND window)
{
    KillTimer(window, CHECK_TIMER);
    CheckTimerId = 0;
    // No wait for the busy flag: only this thread sets it, so it is never set by anyone who
    // could clear it while we wait (exit during a dialog is deferred in OnExit instead).
    UpdateTray(TRAY_IMAGE_IDLE, 0);
    DestroyTrayMenu();
    MainWindow = NULL;
    char iniPath[MAX_PATH];
    GetIniPath(iniPath);
    SaveSettings(LiveSettings, iniPath);
    PostQuitMessage(0);
    return 0;
}

LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        return OnCreate(window, message, wParam, lParam);
    case WMU_CHECKNOW:
        return OnCheckNow(window, message, wParam, lParam);
    case WMU_WORKDONE:
        return OnWorkDone(window, message, wParam, lParam);
    case WM_TIMER:
        return OnTimer(window, message, wParam, lParam);
    case WM_COMMAND:
        return OnCommand(window, message, wParam, lParam);
    case WMU_TRAYICON:
        return OnTrayIcon(window, lParam);
    case WMU_ACTIVATE:
        SetForegroundWindow(FindOwnedWindow(window));
        return 0;
    case WMU_IDENTIFY:
        return AnswerIdentify();
    case WM_CLOSE:
        OnExit(window);
        return 0;
    case WM_DESTROY:
        return OnDestroy(window);
    case WM_ENDSESSION:
        return 0;
    }
    if (message == TaskbarCreatedMessage && message != 0) {
        RestoreTrayIcon();
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

static int RegisterMainClass(HINSTANCE instance, const char *className)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = MainWndProc;
    wc.hInstance = instance;
    wc.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
    wc.lpszClassName = className;
    return RegisterClassA(&wc) != 0 ? 0 : -1;
}

HWND CreateMainWindow(HINSTANCE instance)
{
    char exePath[MAX_PATH], base[MAX_PATH], className[MAX_PATH + 8];
    GetModuleFileNameA(NULL, exePath, sizeof exePath);
    exePath[MAX_PATH - 1] = 0;
    SplitPath(exePath, NULL, base, NULL);
    snprintf(className, sizeof className, "%s_class", base);
    char title[MAX_PATH], sharedName[MAX_PATH];
    LoadStringA(instance, IDS_TITLE, title, sizeof title);
    LoadStringA(instance, IDS_SHARED_MEMORY, sharedName, sizeof sharedName);

    HWND running = FindWindowA(className, title);
    if (running != NULL) {
        IdentifyRunningInstance(running, sharedName);
        return NULL;
    }
    if (RegisterMainClass(instance, className) != 0)
        return NULL;
    // A restarted taskbar forgets every icon; this message is how the shell says so.
    TaskbarCreatedMessage = RegisterWindowMessageA("TaskbarCreated");
    return CreateWindowExA(0, className, title, WS_OVERLAPPEDWINDOW | WS_DISABLED, 0, 0, GetSystemMetrics(SM_CXSCREEN),
                           GetSystemMetrics(SM_CYSCREEN), NULL, NULL, instance, NULL);
}
