// tests/test_app.cpp: the real program under Wine, driven through its main window
#include "app/mainwnd.h"
#include "resources/resource.h"
#include "tests/support/apphost.h"
#include "tests/support/testutil.h"
#include "ui/tray.h"
#include <gtest/gtest.h>
#include <shellapi.h>
#include <string>

namespace {

const UINT64 MB = 1048576;

struct IniKey {
    const char *Name;
    const char *Default;
};
const IniKey AllKeys[] = {
    {"Stop", "1"},          {"FindSubFolder", "0"},      {"DelSubFolder", "0"},
    {"FreeSpaceSize", "10000"}, {"Interval", "60"},      {"ToTrashCan", "0"},
    {"DelReadOnly", "0"},   {"DelHidden", "0"},          {"LogRotateSize", "100000"},
    {"TargetFolder", "C:\\record\\"}, {"TargetExt", "mpeg,m2p,mpg,m2v,m1v,m1p,mpa,mp2,wav"},
};

const char PassOpening[] = "監視開始...";
const char PassClosing[] = "監視終了...";

// Pass openings and closings alternate: no pass began inside another.
void ExpectPassesInTurn(const std::string &texts, int passes)
{
    int open = 0, count = 0;
    size_t start = 0;
    while (start < texts.size()) {
        size_t end = texts.find('\n', start);
        std::string line = texts.substr(start, end - start);
        if (line == PassOpening) {
            EXPECT_EQ(open, 0) << texts;
            open = 1;
            count++;
        } else if (line == PassClosing) {
            EXPECT_EQ(open, 1) << texts;
            open = 0;
        }
        start = end + 1;
    }
    EXPECT_EQ(count, passes) << texts;
}

// A file that takes up the volume's space for as long as the test needs it.
struct Ballast {
    std::string Path;
    Ballast(const std::string &path, UINT64 size) : Path(path) { MakeFile(path, size, 0); }
    ~Ballast() { DeleteFileA(Path.c_str()); }
};

TEST(Program, PausedStartDeletesNothingAndResumingCleansAtOnce)
{
    std::string watch = FreshFolder("app");
    ASSERT_TRUE(MakeFile(watch + "a.mpg", MB, 1));
    ASSERT_TRUE(MakeFile(watch + "b.mpg", MB, 2));
    ASSERT_TRUE(MakeFile(watch + "c.mpg", MB, 3));
    ASSERT_TRUE(MakeFile(watch + "d.txt", MB, 0));
    // Fill the volume until it is 1.5 MB short of the minimum: two of the recordings must go.
    UINT64 free = FreeBytes(watch);
    UINT64 minimum = free / MB - 4;
    Ballast ballast(watch + "ballast.bin", free - (minimum * MB - 3 * MB / 2));
    ASSERT_EQ(FreeBytes(watch), minimum * MB - 3 * MB / 2);

    AppHost app("paused");
    app.WriteIni("TargetFolder=" + watch + "\r\nFreeSpaceSize=" + std::to_string(minimum));
    ASSERT_TRUE(app.Start());
    ASSERT_TRUE(app.WaitForWindow());
    Sleep(500);
    EXPECT_EQ(app.LogTexts(), "-------- Log Start --------\n");
    EXPECT_TRUE(Exists(watch + "a.mpg"));

    ASSERT_TRUE(app.Command(IDM_PAUSE));
    ASSERT_TRUE(app.WaitForLog("現在の空き容量(実測): " + std::to_string(minimum + 1)));
    std::string m = std::to_string(minimum);
    EXPECT_EQ(app.LogTexts(), "-------- Log Start --------\n"
                              "監視開始...\n"
                              " 現在の空き容量(実測): " + std::to_string(minimum - 1) + " メガバイト\n"
                              " 削除: " + watch + "a.mpg\n"
                              " 削除後の空き容量(予測): " + m + " メガバイト\n"
                              " 削除: " + watch + "b.mpg\n"
                              " 削除後の空き容量(予測): " + std::to_string(minimum + 1) + " メガバイト\n"
                              "監視終了...\n"
                              "現在の空き容量(実測): " + std::to_string(minimum + 1) + " メガバイト\n");
    EXPECT_FALSE(Exists(watch + "a.mpg"));
    EXPECT_FALSE(Exists(watch + "b.mpg"));
    EXPECT_TRUE(Exists(watch + "c.mpg"));
    EXPECT_TRUE(Exists(watch + "d.txt"));

    ASSERT_TRUE(app.Command(IDM_EXIT));
    EXPECT_EQ(app.WaitForExit(), 0);
    EXPECT_EQ(app.IniValue("Stop"), "0");
    EXPECT_EQ(app.IniValue("FreeSpaceSize"), m);
    EXPECT_EQ(app.IniValue("TargetFolder"), watch);
    for (const IniKey &key : AllKeys)
        EXPECT_NE(app.IniValue(key.Name), "<none>") << key.Name;
    EXPECT_EQ(app.CountInLog("-------- Log End --------"), 1);
}

TEST(Program, WithoutIniTheDefaultsApplyAndCloseSavesThem)
{
    AppHost app("defaults");
    ASSERT_TRUE(app.Start());
    ASSERT_TRUE(app.WaitForWindow());
    Sleep(300);
    // The end of the session saves nothing and leaves the program to the system.
    EXPECT_EQ(app.Send(WM_ENDSESSION, TRUE, 0), 0);
    EXPECT_FALSE(Exists(app.IniPath()));
    // No such command: the program goes on.
    EXPECT_EQ(app.Send(WM_COMMAND, 0x800, 0), 0);
    EXPECT_TRUE(app.Running());

    ASSERT_TRUE(app.Post(WM_CLOSE));
    EXPECT_EQ(app.WaitForExit(), 0);
    EXPECT_EQ(app.LogTexts(), "-------- Log Start --------\n-------- Log End --------\n");
    for (const IniKey &key : AllKeys)
        EXPECT_EQ(app.IniValue(key.Name), key.Default) << key.Name;
}

TEST(Program, PauseTogglesAndReachesTheIniAtExit)
{
    std::string watch = FreshFolder("toggle");
    AppHost app("toggle");
    app.WriteIni("Stop=0\r\nTargetFolder=" + watch);
    ASSERT_TRUE(app.Start());
    ASSERT_TRUE(app.WaitForWindow());
    ASSERT_TRUE(app.WaitForLog(PassClosing));
    app.Command(IDM_PAUSE);
    app.Command(IDM_PAUSE);
    ASSERT_TRUE(app.WaitForLog(PassClosing, 2));
    app.Command(IDM_PAUSE);
    app.Post(WM_CLOSE);
    EXPECT_EQ(app.WaitForExit(), 0);
    EXPECT_EQ(app.IniValue("Stop"), "1");
    EXPECT_EQ(app.CountInLog(PassOpening), 2);
}

TEST(Program, ChecksWaitForTheRunningPassAndRunOneAfterTheOther)
{
    std::string watch = FreshFolder("checks");
    for (int i = 0; i < 200; i++)
        ASSERT_TRUE(MakeFile(watch + "f" + std::to_string(i) + ".txt", 1, i));
    AppHost app("checks");
    app.WriteIni("Stop=0\r\nTargetFolder=" + watch + "\r\nTargetExt=txt\r\nFreeSpaceSize=1048576");
    ASSERT_TRUE(app.Start());
    ASSERT_TRUE(app.WaitForWindow());
    ASSERT_TRUE(app.WaitForLog(PassClosing));
    {
        PassMutexHold hold;
        ASSERT_NE(hold.Mutex, nullptr);
        app.Post(WM_TIMER, CHECK_TIMER);
        app.Post(WMU_CHECKNOW);
        app.Post(WMU_CHECKNOW);
        app.Post(WM_TIMER, CHECK_TIMER + 1);
        Sleep(500);
        EXPECT_EQ(app.CountInLog(PassOpening), 1);
        EXPECT_TRUE(app.Running());
    }
    ASSERT_TRUE(app.WaitForLog(PassClosing, 4));
    Sleep(500);
    ExpectPassesInTurn(app.LogTexts(), 4);
    EXPECT_EQ(app.CountInLog(" 削除: "), 200);
    app.Post(WM_CLOSE);
    EXPECT_EQ(app.WaitForExit(), 0);
}

TEST(Program, TwoCopiesWatchingOneFolderNeverCleanAtTheSameTime)
{
    const int files = 300;
    std::string watch = FreshFolder("shared");
    for (int i = 0; i < files; i++)
        ASSERT_TRUE(MakeFile(watch + "f" + std::to_string(i) + ".mpg", 1, i));
    std::string ini = "Stop=0\r\nTargetFolder=" + watch + "\r\nFreeSpaceSize=1048576";
    AppHost first("shared1", "tovra.exe"), second("shared2", "other.exe");
    first.WriteIni(ini);
    second.WriteIni(ini);
    {
        PassMutexHold hold;
        ASSERT_NE(hold.Mutex, nullptr);
        ASSERT_TRUE(first.Start());
        ASSERT_TRUE(second.Start());
        ASSERT_TRUE(first.WaitForWindow());
        ASSERT_TRUE(second.WaitForWindow());
        first.Post(WMU_CHECKNOW);
        second.Post(WMU_CHECKNOW);
        Sleep(500);
        EXPECT_EQ(first.CountInLog(PassOpening) + second.CountInLog(PassOpening), 0);
    }
    ASSERT_TRUE(first.WaitForLog(PassClosing, 2));
    ASSERT_TRUE(second.WaitForLog(PassClosing, 2));
    // Overlapping passes would both have listed every file and fought over the deletions.
    EXPECT_EQ(first.CountInLog(" 削除: ") + second.CountInLog(" 削除: "), files);
    EXPECT_EQ(first.CountInLog("失敗") + second.CountInLog("失敗"), 0);
    ExpectPassesInTurn(first.LogTexts(), 2);
    ExpectPassesInTurn(second.LogTexts(), 2);
    first.Post(WM_CLOSE);
    second.Post(WM_CLOSE);
    EXPECT_EQ(first.WaitForExit(), 0);
    EXPECT_EQ(second.WaitForExit(), 0);
}

TEST(Program, SecondStartEndsAndACopyUnderAnotherNameRunsOnItsOwn)
{
    AppHost first("single");
    ASSERT_TRUE(first.Start());
    ASSERT_TRUE(first.WaitForWindow());
    ASSERT_TRUE(first.WaitForLog("-------- Log Start --------"));

    std::string line = "\"" + first.ExePath() + "\"";
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(CreateProcessA(first.ExePath().c_str(), &line[0], NULL, NULL, FALSE, 0, NULL, first.Folder.c_str(), &si, &pi));
    ASSERT_EQ(WaitForSingleObject(pi.hProcess, 20000), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(first.LogTexts(), "-------- Log Start --------\n-------- Log Start --------\n");
    EXPECT_TRUE(first.Running());
    EXPECT_EQ(FindWindowA(first.ClassName().c_str(), AppTitle), first.Window);

    AppHost other("single2", "tovra2.exe");
    other.WriteIni("Interval=7");
    ASSERT_TRUE(other.Start());
    ASSERT_TRUE(other.WaitForWindow());
    EXPECT_NE(other.Window, first.Window);
    other.Post(WM_CLOSE);
    EXPECT_EQ(other.WaitForExit(), 0);
    EXPECT_EQ(other.IniValue("Interval"), "7");
    EXPECT_EQ(other.LogTexts(), "-------- Log Start --------\n-------- Log End --------\n");

    first.Command(IDM_EXIT);
    EXPECT_EQ(first.WaitForExit(), 0);
    EXPECT_EQ(first.IniValue("Interval"), "60");
    EXPECT_EQ(first.CountInLog("-------- Log End --------"), 1);
}

// Messages that reached the stand-in window below.
int IdentifyAsks, OtherAsks;

LRESULT CALLBACK SilentWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WMU_IDENTIFY)
        IdentifyAsks++;
    else if (message == WMU_ACTIVATE || message == WM_COMMAND)
        OtherAsks++;
    return DefWindowProcA(window, message, wParam, lParam);
}

// A window with the program's class and title that never answers: the start still ends, after
// asking once, and pokes that window no further.
TEST(Program, AWindowThatDoesNotAnswerStillEndsTheSecondStart)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = SilentWindowProc;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.lpszClassName = "silent_class";
    ASSERT_NE(RegisterClassA(&wc), 0);
    HWND silent = CreateWindowA("silent_class", AppTitle, WS_OVERLAPPED, 0, 0, 10, 10, NULL, NULL, wc.hInstance, NULL);
    ASSERT_NE(silent, nullptr);

    AppHost app("silent", "silent.exe");
    ASSERT_TRUE(app.Start());
    // The start asks this thread's window and waits for it, so this thread keeps dispatching.
    DWORD start = GetTickCount();
    while (app.Running() && GetTickCount() - start < 20000) {
        MsgWaitForMultipleObjects(1, &app.Process.hProcess, FALSE, 100, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
    }
    EXPECT_EQ(app.WaitForExit(0), 0);
    EXPECT_EQ(IdentifyAsks, 1);
    EXPECT_EQ(OtherAsks, 0);
    EXPECT_EQ(app.LogTexts(), "-------- Log Start --------\n");
    EXPECT_FALSE(Exists(app.IniPath()));
    DestroyWindow(silent);
}

TEST(Program, CommandLineOfOptionsOnlyEndsBeforeLogging)
{
    AppHost app("options");
    ASSERT_TRUE(app.Start("-a -b"));
    EXPECT_EQ(app.WaitForExit(), 0);
    EXPECT_FALSE(Exists(app.LogPath()));
    EXPECT_FALSE(Exists(app.IniPath()));
}

// A hand-edited interval must neither stop the checks nor let the timer run wild, and the
// file keeps what the user wrote.
TEST(Program, HandEditedIntervalsKeepTheTimerSane)
{
    std::string watch = FreshFolder("garbage");
    for (const char *interval : {"0", "-5", "99999999", "soon"}) {
        AppHost app("garbage");
        app.WriteIni(std::string("Stop=0\r\nInterval=") + interval + "\r\nTargetFolder=" + watch +
                     "\r\nFreeSpaceSize=-7");
        ASSERT_TRUE(app.Start());
        ASSERT_TRUE(app.WaitForWindow()) << interval;
        ASSERT_TRUE(app.WaitForLog(PassClosing)) << interval;
        Sleep(1500);
        EXPECT_EQ(app.CountInLog(PassOpening), 1) << interval;
        app.Post(WM_TIMER, CHECK_TIMER);
        ASSERT_TRUE(app.WaitForLog(PassClosing, 2)) << interval;
        app.Post(WM_CLOSE);
        EXPECT_EQ(app.WaitForExit(), 0) << interval;
        std::string expected = std::string(interval) == "soon" ? "0" : interval;
        EXPECT_EQ(app.IniValue("Interval"), expected);
    }
}

TEST(Program, TrayClicksReturnWhatTheShellExpects)
{
    AppHost app("tray");
    ASSERT_TRUE(app.Start());
    ASSERT_TRUE(app.WaitForWindow());
    EXPECT_EQ(app.Send(WMU_TRAYICON, TRAY_ICON_ID, WM_LBUTTONUP), 1);
    EXPECT_EQ(app.Send(WMU_TRAYICON, TRAY_ICON_ID, WM_LBUTTONDBLCLK), 1);
    EXPECT_EQ(app.Send(WMU_TRAYICON, TRAY_ICON_ID, WM_MOUSEMOVE), 1);
    EXPECT_EQ(app.Send(WMU_ACTIVATE), 0);
    EXPECT_TRUE(app.Running());
    app.Post(WM_CLOSE);
    EXPECT_EQ(app.WaitForExit(), 0);
}

// Opens the tray menu with a click and chooses an item by its mnemonic, as a user with the
// keyboard would. (Wine gives no other process the menu's item states, so the pause mark is
// seen on a screenshot, not here.)
bool ChooseFromTrayMenu(const AppHost &app, UINT click, char mnemonic)
{
    if (!app.Post(WMU_TRAYICON, TRAY_ICON_ID, click))
        return false;
    HWND menu = WaitForProcessWindow(app.Process.dwProcessId, "#32768", NULL);
    if (menu == NULL)
        return false;
    PostMessageA(menu, WM_KEYDOWN, mnemonic, 0);
    return WaitForWindowGone(menu);
}

// Both buttons open the menu, and its items reach the main window as their commands.
TEST(Program, TrayMenuCarriesItsCommands)
{
    std::string watch = FreshFolder("menu");
    AppHost app("menu");
    app.WriteIni("TargetFolder=" + watch);
    ASSERT_TRUE(app.Start());
    ASSERT_TRUE(app.WaitForWindow());
    // A fresh program is paused: the pause item resumes with a pass at once, then pauses again.
    ASSERT_TRUE(ChooseFromTrayMenu(app, WM_RBUTTONDOWN, 'P'));
    ASSERT_TRUE(app.WaitForLog(PassClosing));
    ASSERT_TRUE(ChooseFromTrayMenu(app, WM_LBUTTONDOWN, 'P'));
    Sleep(500);
    EXPECT_EQ(app.CountInLog(PassOpening), 1);
    ASSERT_TRUE(ChooseFromTrayMenu(app, WM_LBUTTONDOWN, 'Q'));
    EXPECT_EQ(app.WaitForExit(), 0);
    EXPECT_EQ(app.IniValue("Stop"), "1");
}

// Asks the shell whether it holds the program's icon: a modify that changes nothing succeeds
// only for an icon it has.
bool IconShown(HWND window)
{
    NOTIFYICONDATAA record = {};
    record.cbSize = sizeof record;
    record.hWnd = window;
    record.uID = TRAY_ICON_ID;
    return Shell_NotifyIconA(NIM_MODIFY, &record) != 0;
}

bool WaitForIcon(HWND window, bool shown)
{
    for (int i = 0; i < 250; i++) {
        if (IconShown(window) == shown)
            return true;
        Sleep(20);
    }
    return false;
}

// What a restarted taskbar does to every icon.
void ForgetIcon(HWND window)
{
    NOTIFYICONDATAA record = {};
    record.cbSize = sizeof record;
    record.hWnd = window;
    record.uID = TRAY_ICON_ID;
    Shell_NotifyIconA(NIM_DELETE, &record);
}

TEST(Program, TrayIconComesBackWhenTheShellLostIt)
{
    std::string watch = FreshFolder("icon");
    AppHost app("icon");
    app.WriteIni("TargetFolder=" + watch);
    ASSERT_TRUE(app.Start());
    ASSERT_TRUE(app.WaitForWindow());
    ASSERT_TRUE(WaitForIcon(app.Window, true));
    UINT taskbarCreated = RegisterWindowMessageA("TaskbarCreated");

    ForgetIcon(app.Window);
    ASSERT_FALSE(IconShown(app.Window));
    app.Post(taskbarCreated);
    EXPECT_TRUE(WaitForIcon(app.Window, true));

    // Without the announcement, the next change of image finds it missing and adds it again.
    ForgetIcon(app.Window);
    app.Post(WMU_CHECKNOW);
    EXPECT_TRUE(WaitForIcon(app.Window, true));

    // An announcement while the icon is there neither doubles it nor loses track of it.
    app.Post(taskbarCreated);
    app.Post(WMU_CHECKNOW);
    Sleep(300);
    EXPECT_TRUE(IconShown(app.Window));
    HWND window = app.Window;
    app.Post(WM_CLOSE);
    EXPECT_EQ(app.WaitForExit(), 0);
    EXPECT_FALSE(IconShown(window));
}

const char AboutCaption[] = "バージョン情報";
const char SettingsCaption[] = "設定";

// Exit asked for from outside while a dialog is open: the dialog is closed, the settings are
// saved and the program ends instead of waiting for a flag that only it could clear.
TEST(Program, ExitWhileADialogIsOpenClosesTheDialogAndEnds)
{
    std::string watch = FreshFolder("exitdialog");
    struct Case {
        int Command;
        const char *Caption;
        UINT Exit;
        int TestRun; // the settings dialog's test report open over it, its pass still waiting
    } cases[] = {
        {IDM_ABOUT, AboutCaption, WM_CLOSE, 0},
        {IDM_ABOUT, AboutCaption, WM_COMMAND, 0},
        {IDM_SETTINGS, SettingsCaption, WM_CLOSE, 0},
        {IDM_SETTINGS, SettingsCaption, WM_COMMAND, 0},
        {IDM_SETTINGS, SettingsCaption, WM_CLOSE, 1},
    };
    for (const Case &c : cases) {
        std::string name = std::to_string(c.Command) + "/" + std::to_string(c.Exit) + "/" + std::to_string(c.TestRun);
        AppHost app("exitdialog");
        app.WriteIni("Stop=0\r\nTargetFolder=" + watch + "\r\nInterval=7");
        ASSERT_TRUE(app.Start());
        ASSERT_TRUE(app.WaitForWindow());
        // No pass may end under the dialog: its end would clear the flag the dialog holds.
        ASSERT_TRUE(app.WaitForLog(PassClosing));
        Sleep(300);
        app.Command(c.Command);
        HWND dialog = app.WaitForDialog(c.Caption);
        ASSERT_NE(dialog, nullptr) << name;
        PassMutexHold hold;
        if (c.TestRun) {
            PushButton(dialog, IDC_TEST);
            ASSERT_NE(app.WaitForDialog("テスト結果"), nullptr) << name;
        }
        if (c.Exit == WM_CLOSE)
            app.Post(WM_CLOSE);
        else
            app.Command(IDM_EXIT);
        EXPECT_EQ(app.WaitForExit(), 0) << name;
        for (const IniKey &key : AllKeys)
            EXPECT_NE(app.IniValue(key.Name), "<none>") << name << " " << key.Name;
        EXPECT_EQ(app.IniValue("Interval"), "7") << name;
        EXPECT_EQ(app.CountInLog("-------- Log End --------"), 1) << name;
    }
}

// While the About box is open every check is refused and a tray click shows no menu, even
// after a pass that was already waiting has ended under it.
TEST(Program, AboutBoxHoldsChecksOffUntilItCloses)
{
    std::string watch = FreshFolder("about");
    AppHost app("about");
    app.WriteIni("Stop=0\r\nTargetFolder=" + watch);
    HWND about = NULL;
    {
        PassMutexHold hold;
        ASSERT_NE(hold.Mutex, nullptr);
        ASSERT_TRUE(app.Start());
        ASSERT_TRUE(app.WaitForWindow());
        app.Command(IDM_ABOUT);
        about = app.WaitForDialog(AboutCaption);
        ASSERT_NE(about, nullptr);
    }
    ASSERT_TRUE(app.WaitForLog(PassClosing));
    Sleep(500);
    app.Post(WM_TIMER, CHECK_TIMER);
    EXPECT_EQ(app.Send(WMU_TRAYICON, TRAY_ICON_ID, WM_RBUTTONDOWN), 0);
    EXPECT_EQ(WaitForProcessWindow(app.Process.dwProcessId, "#32768", NULL, 1000), nullptr);
    EXPECT_EQ(app.CountInLog(PassOpening), 1);
    EXPECT_TRUE(IsWindow(about));

    ASSERT_TRUE(PushButton(about, IDCANCEL));
    ASSERT_TRUE(WaitForWindowGone(about));
    // Closing the box itself requests no check; the next tick does.
    Sleep(300);
    EXPECT_EQ(app.CountInLog(PassOpening), 1);
    app.Post(WM_TIMER, CHECK_TIMER);
    EXPECT_TRUE(app.WaitForLog(PassClosing, 2));
    app.Post(WM_CLOSE);
    EXPECT_EQ(app.WaitForExit(), 0);
}

// The settings dialog: refused with a message while the About box holds the busy flag;
// after Cancel as after OK a check runs at once, and OK saves the file right away.
TEST(Program, SettingsDialogRestartsChecksWhenItCloses)
{
    std::string watch = FreshFolder("settings");
    AppHost app("settings");
    app.WriteIni("Stop=0\r\nTargetFolder=" + watch + "\r\nInterval=9");
    ASSERT_TRUE(app.Start());
    ASSERT_TRUE(app.WaitForWindow());
    ASSERT_TRUE(app.WaitForLog(PassClosing));

    app.Command(IDM_ABOUT);
    HWND about = app.WaitForDialog(AboutCaption);
    ASSERT_NE(about, nullptr);
    app.Command(IDM_SETTINGS);
    HWND refusal = app.WaitForDialog(AppTitle);
    ASSERT_NE(refusal, nullptr);
    EXPECT_EQ(app.WaitForDialog(SettingsCaption, 500), nullptr);
    PushButton(refusal, IDOK);
    ASSERT_TRUE(WaitForWindowGone(refusal));
    PushButton(about, IDOK);
    ASSERT_TRUE(WaitForWindowGone(about));

    for (int button : {IDCANCEL, IDOK}) {
        int passes = app.CountInLog(PassClosing);
        app.Command(IDM_SETTINGS);
        HWND dialog = app.WaitForDialog(SettingsCaption);
        ASSERT_NE(dialog, nullptr) << button;
        EXPECT_EQ(app.IniValue("FindSubFolder"), "<none>") << button;
        PushButton(dialog, button);
        ASSERT_TRUE(WaitForWindowGone(dialog)) << button;
        EXPECT_TRUE(app.WaitForLog(PassClosing, passes + 1)) << button;
    }
    EXPECT_EQ(app.IniValue("FindSubFolder"), "0");
    EXPECT_EQ(app.IniValue("Interval"), "9");
    app.Post(WM_CLOSE);
    EXPECT_EQ(app.WaitForExit(), 0);
}

} // namespace
