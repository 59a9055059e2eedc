// tests/support/apphost.h: the real tovra.exe started under Wine and driven through its window
#pragma once
#include <windows.h>
#include <string>

// One copy of the program of this build in a folder of its own (C:\e2e\<name>\<exe>, emptied
// first), with its INI and log beside it. The process is killed by the destructor if it is
// still running, so no test can leave it behind or hang on it. Typical use:
//
//     AppHost app("name");                 // copies tovra.exe; no INI: the defaults apply
//     app.WriteIni("Stop=0\r\nTargetFolder=" + folder);
//     ASSERT_TRUE(app.Start());
//     ASSERT_TRUE(app.WaitForWindow());    // the hidden main window exists: settings loaded
//     app.Command(IDM_SETTINGS);           // as chosen from the tray menu
//     HWND dialog = app.WaitForDialog();
//     ...
//     app.Post(WM_CLOSE);
//     EXPECT_EQ(app.WaitForExit(), 0);
//     EXPECT_EQ(app.IniValue("Stop"), "0");
struct AppHost {
    std::string Folder;  // ends with a backslash
    std::string ExeName; // e.g. "tovra.exe"
    PROCESS_INFORMATION Process = {};
    HWND Window = NULL;

    AppHost(const std::string &name, const std::string &exeName = "tovra.exe");
    ~AppHost();
    AppHost(const AppHost &) = delete;
    AppHost &operator=(const AppHost &) = delete;

    std::string ExePath() const { return Folder + ExeName; }
    std::string IniPath() const;
    std::string LogPath() const { return ExePath() + ".log"; }
    std::string ClassName() const;

    // Writes section Folder of the INI (keys as "Key=Value" lines joined by "\r\n").
    void WriteIni(const std::string &lines) const;
    std::string IniValue(const char *key) const;
    std::string Log() const;
    // Log lines without their timestamp prefix.
    std::string LogTexts() const;
    int CountInLog(const std::string &text) const;

    // Starts the program (commandLine replaces the default "<exe path>" when given).
    bool Start(const std::string &commandLine = "");
    // Waits for the main window of this process; false after the time-out or its end.
    bool WaitForWindow(DWORD timeout = 20000);
    // Waits until the log holds `text` `count` times.
    bool WaitForLog(const std::string &text, int count = 1, DWORD timeout = 20000) const;
    // Waits for the process to end and gives its exit code (or -1 after the time-out).
    int WaitForExit(DWORD timeout = 20000);
    bool Running() const;
    // A visible dialog or message box of this process (caption null: any), as the user sees it.
    HWND WaitForDialog(const char *caption = NULL, DWORD timeout = 10000) const;

    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    bool Post(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    bool Command(int id) const { return Post(WM_COMMAND, id, 0); }
};

// The Shift-JIS title of the main window and of the program's message boxes.
extern const char AppTitle[];
// Class name of dialog boxes and message boxes.
extern const char DialogClass[];
// Finds a visible top-level window of the given class and caption (null: any) belonging to
// the process, waiting up to the time-out; null when none appeared.
HWND WaitForProcessWindow(DWORD processId, const char *className, const char *caption, DWORD timeout = 10000);
// Waits until the window no longer exists; false after the time-out.
bool WaitForWindowGone(HWND window, DWORD timeout = 10000);
// The window whose owner (GetParent) is `owner`, as the program's own FindOwnedWindow sees it.
HWND WaitForOwnedWindow(HWND owner, DWORD timeout = 10000);

// Reading and driving a dialog of the program from the test process. Commands are posted,
// never sent: a button that opens a modal dialog would otherwise block the test until that
// dialog closed. Texts are Shift-JIS, as the program shows them.
std::string WindowText(HWND window);
std::string ItemText(HWND dialog, int id);
bool SetItemText(HWND dialog, int id, const std::string &text);
// Posts the command a click on the button would send (WM_COMMAND, BN_CLICKED).
bool PushButton(HWND dialog, int id);
// BST_CHECKED, BST_UNCHECKED, or -1 when there is no such control.
int ButtonState(HWND dialog, int id);

// Holds the named mutex of the cleaning passes, so that no pass of any running copy can
// start until it is released (or this object goes): passes then wait, which makes their
// order observable.
struct PassMutexHold {
    HANDLE Mutex; // null when the mutex could not be taken within 30 seconds
    PassMutexHold();
    ~PassMutexHold();
    void Release();
    PassMutexHold(const PassMutexHold &) = delete;
    PassMutexHold &operator=(const PassMutexHold &) = delete;
};
