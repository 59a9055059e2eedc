// tests/support/apphost.h: the real tovra.exe started under Wine and driven through its window
#pragma once
#include <windows.h>
#include <string>

// One copy of the program of this build in a folder of its own (C:\e2e\<name>\<exe>), with
// its INI and log beside it. The process is killed by the destructor if it is still running,
// so no test can leave it behind or hang on it.
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
    // Waits for the main window of this executable; false after the time-out.
    bool WaitForWindow(DWORD timeout = 20000);
    // Waits until the log holds `text` `count` times.
    bool WaitForLog(const std::string &text, int count = 1, DWORD timeout = 20000) const;
    // Waits for the process to end and gives its exit code (or -1 after the time-out).
    int WaitForExit(DWORD timeout = 20000);
    bool Running() const;

    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    bool Post(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    bool Command(int id) const { return Post(WM_COMMAND, id, 0); }
};

// The Shift-JIS title of the main window and of the program's message boxes.
extern const char AppTitle[];
// Finds a top-level window of the given class and caption belonging to the process, waiting
// up to the time-out.
HWND WaitForProcessWindow(DWORD processId, const char *className, const char *caption, DWORD timeout = 10000);
std::string WindowText(HWND window);
