// ui/settingsdlg.cpp: the settings dialog
#include "ui/settingsdlg.h"
#include "app/mainwnd.h"
#include "resources/resource.h"
#include "ui/dlgutil.h"
#include "ui/testdlg.h"
#include <commctrl.h>
#include <shlobj.h>
#include <stdio.h>
#include <string.h>

FolderSettings WorkingSettings;
static HWND SettingsDialog;

static const UINT InputErrorBox = MB_ICONINFORMATION | MB_TASKMODAL | MB_SETFOREGROUND;

// The larger limit first: with the standard up-down control the up arrow then steps the
// value down. The check sorts the limits, so it is the same either way.
static int SetSpinRanges(HWND dialog)
{
    SetSpinRange(dialog, IDC_FREESPACE, IDC_FREESPACE_SPIN, 1048576, 1);
    SetSpinRange(dialog, IDC_INTERVAL, IDC_INTERVAL_SPIN, 1440, 1);
    return 0;
}

static int LoadWorkingSettings(void)
{
    return CopySettings(WorkingSettings, LiveSettings);
}

static int CommitWorkingSettings(void)
{
    return CopySettings(LiveSettings, WorkingSettings);
}

static int SetCheck(HWND dialog, int id, INT32 flag)
{
    SendDlgItemMessageA(dialog, id, BM_SETCHECK, flag != 0 ? BST_CHECKED : BST_UNCHECKED, 0);
    return 0;
}

static INT32 GetCheck(HWND dialog, int id)
{
    return SendDlgItemMessageA(dialog, id, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
}

static int SettingsToControls(HWND dialog)
{
    const FolderSettings &s = WorkingSettings;
    SetCheck(dialog, IDC_PAUSE, s.Stop);
    SetDlgItemTextA(dialog, IDC_FOLDER, s.TargetFolder);
    SetDlgItemTextA(dialog, IDC_EXTENSIONS, s.TargetExt);
    SetCheck(dialog, IDC_SUBFOLDERS, s.FindSubFolder);
    SendMessageA(dialog, WM_COMMAND, IDC_SUBFOLDERS, 0);
    SetCheck(dialog, IDC_DELEMPTY, s.DelSubFolder);
    SetIntField(dialog, IDC_FREESPACE, IDC_FREESPACE_SPIN, s.FreeSpaceSize);
    SetIntField(dialog, IDC_INTERVAL, IDC_INTERVAL_SPIN, s.Interval);
    SetCheck(dialog, IDC_TRASH, s.ToTrashCan);
    SetCheck(dialog, IDC_READONLY, s.DelReadOnly);
    SetCheck(dialog, IDC_HIDDEN, s.DelHidden);
    return 0;
}

// Reads the controls into a copy and stores it whole, so that a pass that starts meanwhile
// never copies a half-filled record. On a number out of range the fields from it on keep
// their previous values, as they do on screen.
static int ControlsToSettings(HWND dialog)
{
    char format[256];
    LoadStringA(AppInstance, IDS_RANGE_OVER, format, sizeof format);
    FolderSettings s;
    CopySettings(s, WorkingSettings);
    int status = 0;
    s.Stop = GetCheck(dialog, IDC_PAUSE);
    GetDlgItemTextA(dialog, IDC_FOLDER, s.TargetFolder, sizeof s.TargetFolder);
    if (s.TargetFolder[0] == 0) {
        FolderSettings defaults;
        ResetSettings(defaults);
        memcpy(s.TargetFolder, defaults.TargetFolder, sizeof s.TargetFolder);
    }
    GetDlgItemTextA(dialog, IDC_EXTENSIONS, s.TargetExt, sizeof s.TargetExt);
    s.FindSubFolder = GetCheck(dialog, IDC_SUBFOLDERS);
    s.DelSubFolder = GetCheck(dialog, IDC_DELEMPTY);
    int value = 0;
    if (GetIntFieldInRange(dialog, IDC_FREESPACE, IDC_FREESPACE_SPIN, &value, format) != 0) {
        status = -1;
    } else {
        s.FreeSpaceSize = value;
        if (GetIntFieldInRange(dialog, IDC_INTERVAL, IDC_INTERVAL_SPIN, &value, format) != 0) {
            status = -1;
        } else {
            s.Interval = value;
            s.ToTrashCan = GetCheck(dialog, IDC_TRASH);
            s.DelReadOnly = GetCheck(dialog, IDC_READONLY);
            s.DelHidden = GetCheck(dialog, IDC_HIDDEN);
        }
    }
    CopySettings(WorkingSettings, s);
    return status;
}

static int FolderIsUsable(const char *folder)
{
    size_t length = strlen(folder);
    bool network = folder[0] == '\\' && folder[1] == '\\';
    bool drive = ((folder[0] >= 'A' && folder[0] <= 'Z') || (folder[0] >= 'a' && folder[0] <= 'z')) && folder[1] == ':';
    if (!network && !drive)
        return 0;
    if (length == 0 || folder[length - 1] != '\\')
        return 0;
    char pattern[MAX_PATH + 8];
    snprintf(pattern, sizeof pattern, "%s*.*", folder);
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA(pattern, &found);
    if (find == INVALID_HANDLE_VALUE)
        return 0;
    FindClose(find);
    return 1;
}

static int ValidateTargetFolder(HWND dialog)
{
    FolderSettings s;
    CopySettings(s, WorkingSettings);
    if (FolderIsUsable(s.TargetFolder))
        return 0;
    char text[256];
    LoadStringA(AppInstance, IDS_BAD_FOLDER, text, sizeof text);
    MessageBoxA(dialog, text, NULL, InputErrorBox);
    SetFocus(GetDlgItem(dialog, IDC_FOLDER));
    return -1;
}

static int CALLBACK BrowseCallback(HWND browser, UINT message, LPARAM, LPARAM data)
{
    if (message == BFFM_INITIALIZED)
        SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, data);
    return 0;
}

int EndFolderWithBackslash(char *folder, size_t size)
{
    size_t length = strlen(folder);
    if (length > 0 && folder[length - 1] == '\\')
        return 0;
    if (length + 2 > size)
        return -1;
    folder[length] = '\\';
    folder[length + 1] = 0;
    return 0;
}

// A folder whose path with its backslash does not fit the setting cannot be watched: the
// user is told so, as for any other unusable folder, and the setting keeps its old value.
static int BrowseForTargetFolder(HWND dialog)
{
    char path[264];
    lstrcpynA(path, WorkingSettings.TargetFolder, sizeof path);
    char title[256];
    LoadStringA(AppInstance, IDS_BROWSE_TITLE, title, sizeof title);
    BROWSEINFOA info = {};
    info.hwndOwner = dialog;
    info.pszDisplayName = path;
    info.lpszTitle = title;
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_EDITBOX;
    info.lpfn = BrowseCallback;
    info.lParam = (LPARAM)path;
    LPITEMIDLIST item = SHBrowseForFolderA(&info);
    if (item == NULL)
        return -1;
    int status = -1;
    if (SHGetPathFromIDListA(item, path) && EndFolderWithBackslash(path, MAX_PATH) == 0) {
        LockSettings();
        memcpy(WorkingSettings.TargetFolder, path, strlen(path) + 1);
        UnlockSettings();
        status = 0;
    } else {
        char text[256];
        LoadStringA(AppInstance, IDS_BAD_FOLDER, text, sizeof text);
        MessageBoxA(dialog, text, NULL, InputErrorBox);
    }
    CoTaskMemFree(item);
    return status;
}

static int RunTestFromSettings(HWND dialog)
{
    if (ControlsToSettings(dialog) != 0)
        return -1;
    if (ValidateTargetFolder(dialog) != 0)
        return -1;
    OpenTestDialog(dialog, &WorkingSettings);
    return 0;
}

static INT_PTR OnSettingsInit(HWND dialog)
{
    SettingsDialog = dialog;
    CenterWindow(dialog, NULL);
    SetSpinRanges(dialog);
    LoadWorkingSettings();
    SettingsToControls(dialog);
    return FALSE;
}

static INT_PTR OnSettingsOk(HWND dialog)
{
    if (ControlsToSettings(dialog) != 0 || ValidateTargetFolder(dialog) != 0)
        return TRUE;
    CommitWorkingSettings();
    EndDialog(dialog, 1);
    return TRUE;
}

static INT_PTR OnSettingsCommand(HWND dialog, WPARAM wParam)
{
    switch (LOWORD(wParam)) {
    case IDOK:
        return OnSettingsOk(dialog);
    case IDCANCEL:
        EndDialog(dialog, 0);
        return TRUE;
    case 9:
        return TRUE;
    case IDC_BROWSE:
        if (BrowseForTargetFolder(dialog) == 0)
            SetDlgItemTextA(dialog, IDC_FOLDER, WorkingSettings.TargetFolder);
        return TRUE;
    case IDC_SUBFOLDERS:
        EnableWindow(GetDlgItem(dialog, IDC_DELEMPTY), GetCheck(dialog, IDC_SUBFOLDERS));
        return TRUE;
    case IDC_TEST:
        RunTestFromSettings(dialog);
        return TRUE;
    }
    return FALSE;
}

static INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnSettingsInit(dialog);
    case WM_COMMAND:
        return OnSettingsCommand(dialog, wParam);
    case WM_DESTROY:
        SettingsDialog = NULL;
        return FALSE;
    }
    return FALSE;
}

int OpenSettingsDialog(HWND owner)
{
    return (int)DialogBoxParamA(AppInstance, MAKEINTRESOURCEA(IDD_SETTINGS), owner, SettingsDialogProc, 0);
}
