// ui/testdlg.cpp: the test-run dialog, where a test pass reports live
#include "ui/testdlg.h"
#include "app/mainwnd.h"
#include "engine/worker.h"
#include "log/log.h"
#include "resources/resource.h"
#include "ui/dlgutil.h"
#include <richedit.h>
#include <string.h>

static HWND TestDialog;

// A RichEdit 1.0 control holds some 32,000 characters unless told otherwise, which would cut
// a report of a few hundred files; this is far beyond any report a folder can produce.
static const LPARAM ReportLimit = 0x7FFFFFFE;

static int LayoutTestDialog(HWND dialog)
{
    HWND close = GetDlgItem(dialog, IDOK);
    RECT d, b;
    GetWindowRect(dialog, &d);
    GetWindowRect(close, &b);
    int bw = b.right - b.left, bh = b.bottom - b.top;
    int w = (d.right - d.left) - 2 * GetSystemMetrics(SM_CXFRAME);
    int h = (d.bottom - d.top) - 2 * GetSystemMetrics(SM_CYFRAME) - GetSystemMetrics(SM_CYCAPTION) - (12 * bh) / 10;
    MoveWindow(GetDlgItem(dialog, IDC_REPORT), 0, 0, w, h, TRUE);
    MoveWindow(close, w - (12 * bw) / 10, h + bh / 10, bw, bh, TRUE);
    return 0;
}

// Texts that have arrived but are not in the control yet. Every append makes the control lay
// out, scroll and repaint, which under load costs far more than the text itself and made a
// report of a few thousand files take minutes; so the texts are gathered and appended
// together a few times a second. The report shows the same text, only in fewer steps.
static char PendingText[65536];
static size_t PendingLength;
static DWORD LastFlush;
static const UINT_PTR FlushTimer = 1;
static const DWORD FlushPeriod = 100;

static int FlushReport(HWND dialog)
{
    LastFlush = GetTickCount();
    if (PendingLength == 0)
        return 0;
    PendingText[PendingLength] = 0;
    PendingLength = 0;
    HWND report = GetDlgItem(dialog, IDC_REPORT);
    SendMessageA(report, EM_SETSEL, (WPARAM)-1, (LPARAM)-1);
    SendMessageA(report, EM_REPLACESEL, FALSE, (LPARAM)PendingText);
    SendMessageA(report, EM_SCROLLCARET, 0, 0);
    return 0;
}

static int QueueReportText(HWND dialog, const char *text)
{
    size_t length = strlen(text);
    // A log text is at most 1,023 bytes, so after a flush it always fits.
    if (PendingLength + length >= sizeof PendingText)
        FlushReport(dialog);
    if (length >= sizeof PendingText)
        return -1;
    memcpy(PendingText + PendingLength, text, length);
    PendingLength += length;
    // The timer alone would starve while the pass keeps the dialog busy with its texts.
    if (GetTickCount() - LastFlush >= FlushPeriod)
        FlushReport(dialog);
    return 0;
}

static INT_PTR OnInitTestDialog(HWND dialog, LPARAM settings)
{
    TestDialog = dialog;
    CenterWindow(dialog, NULL);
    EnableWindow(GetDlgItem(dialog, IDOK), FALSE);
    SendDlgItemMessageA(dialog, IDC_REPORT, EM_SETTEXTMODE, TM_PLAINTEXT, 0);
    SendDlgItemMessageA(dialog, IDC_REPORT, EM_EXLIMITTEXT, 0, ReportLimit);
    SendMessageA(dialog, WM_SIZE, 0, 0);
    PendingLength = 0;
    LastFlush = GetTickCount();
    SetTimer(dialog, FlushTimer, FlushPeriod, NULL);
    // The sink is set before the pass starts, so its first line already arrives here.
    LogSink = dialog;
    StartWorker((const FolderSettings *)settings, 1, dialog);
    return FALSE;
}

static INT_PTR OnTestCommand(HWND dialog, WPARAM wParam)
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
    }
    return FALSE;
}

static INT_PTR CALLBACK TestDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnInitTestDialog(dialog, lParam);
    case WM_SIZE:
        LayoutTestDialog(dialog);
        return 0;
    case WM_COMMAND:
        return OnTestCommand(dialog, wParam);
    case WM_TIMER:
        FlushReport(dialog);
        return TRUE;
    case WMU_WORKDONE:
        FlushReport(dialog);
        EnableWindow(GetDlgItem(dialog, IDOK), TRUE);
        return 0;
    case WMU_LOGTEXT:
        QueueReportText(dialog, (const char *)lParam);
        return TRUE;
    case WM_DESTROY:
        KillTimer(dialog, FlushTimer);
        PendingLength = 0;
        LogSink = NULL;
        TestDialog = NULL;
        return FALSE;
    }
    return FALSE;
}

int OpenTestDialog(HWND owner, const FolderSettings *settings)
{
    return (int)DialogBoxParamA(AppInstance, MAKEINTRESOURCEA(IDD_TESTRESULT), owner, TestDialogProc, (LPARAM)settings);
}
