// ui/aboutdlg.cpp: the About box
#include "ui/aboutdlg.h"
#include "app/mainwnd.h"
#include "resources/resource.h"
#include "ui/dlgutil.h"
#include <shellapi.h>

static HWND AboutDialog;

// The button's own caption is the address, so what the user reads is what is opened.
static int OpenWebPage(HWND dialog)
{
    char address[256];
    GetDlgItemTextA(dialog, IDC_WEBPAGE, address, sizeof address);
    ShellExecuteA(dialog, NULL, address, NULL, NULL, SW_SHOWNORMAL);
    return 0;
}

static INT_PTR OnAboutCommand(HWND dialog, WPARAM wParam)
{
    switch (LOWORD(wParam)) {
    case IDOK:
        EndDialog(dialog, 1);
        return TRUE;
    case IDCANCEL:
        EndDialog(dialog, 0);
        return TRUE;
    case 9:
        return TRUE;
    case IDC_WEBPAGE:
        OpenWebPage(dialog);
        return TRUE;
    }
    return FALSE;
}

static INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        AboutDialog = dialog;
        CenterWindow(dialog, NULL);
        return FALSE;
    case WM_COMMAND:
        return OnAboutCommand(dialog, wParam);
    case WM_DESTROY:
        AboutDialog = NULL;
        return FALSE;
    }
    return FALSE;
}

int OpenAboutDialog(HWND owner)
{
    return (int)DialogBoxParamA(AppInstance, MAKEINTRESOURCEA(IDD_ABOUT), owner, AboutDialogProc, 0);
}
