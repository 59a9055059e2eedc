// app/dialogcmds.cpp: the menu commands that open dialogs
#include "app/dialogcmds.h"
#include "app/mainwnd.h"
#include "log/logview.h"
#include "resources/resource.h"
#include "settings/ini.h"
#include "settings/paths.h"
#include "ui/aboutdlg.h"
#include "ui/dlgutil.h"
#include "ui/settingsdlg.h"
#include "ui/tray.h"

LRESULT OnSettingsCommand(HWND window, WPARAM wParam, LPARAM lParam)
{
    if (Busy) {
        ShowStringMessage(AppInstance, window, IDS_TITLE, IDS_BUSY, MB_ICONINFORMATION);
        return DefWindowProcA(window, WM_COMMAND, wParam, lParam);
    }
    KillTimer(window, CHECK_TIMER);
    CheckTimerId = 0;
    DialogOpen = 1;
    Busy = 1;
    UpdateTray(TRAY_IMAGE_SETTINGS, 1);
    if (OpenSettingsDialog(window) != 0) {
        char iniPath[MAX_PATH];
        GetIniPath(iniPath);
        SaveSettings(LiveSettings, iniPath);
    }
    Busy = 0;
    DialogOpen = 0;
    UpdateTray(TRAY_IMAGE_IDLE, 1);
    // Restarts the timer with the interval now in force.
    SendMessageA(window, WMU_CHECKNOW, 0, 0);
    return 1;
}

LRESULT OnAboutCommand(HWND window)
{
    // A command from outside can open the box over the settings dialog, whose flags must
    // outlive it.
    int wasBusy = Busy, wasOpen = DialogOpen;
    DialogOpen = 1;
    Busy = 1;
    OpenAboutDialog(window);
    Busy = wasBusy;
    DialogOpen = wasOpen;
    return 1;
}

LRESULT OnViewLogCommand(HWND window)
{
    OpenLogViewer(window);
    return 1;
}
