// tests/support/apphost.cpp
#include "tests/support/apphost.h"
#include "tests/support/testutil.h"
#include <stdio.h>

const char AppTitle[] = "トヴラ";
const char DialogClass[] = "#32770";

static std::string ExeOfBuild()
{
    return std::string(TOVRA_EXE_DIR) + "/tovra.exe";
}

static std::string WindowsPathOf(const std::string &unixPath)
{
    // The build folder is reached through drive Z:, which maps the Unix root.
    std::string path = "Z:" + unixPath;
    for (char &c : path)
        if (c == '/')
            c = '\\';
    return path;
}

AppHost::AppHost(const std::string &name, const std::string &exeName) : ExeName(exeName)
{
    CreateDirectoryA("C:\\e2e", NULL);
    Folder = "C:\\e2e\\" + name;
    RemoveTree(Folder);
    CreateDirectoryA(Folder.c_str(), NULL);
    Folder += "\\";
    CopyFileA(WindowsPathOf(ExeOfBuild()).c_str(), ExePath().c_str(), FALSE);
}

AppHost::~AppHost()
{
    if (Process.hProcess != NULL) {
        if (Running()) {
            TerminateProcess(Process.hProcess, 1);
            WaitForSingleObject(Process.hProcess, 10000);
        }
        CloseHandle(Process.hProcess);
        CloseHandle(Process.hThread);
    }
}

std::string AppHost::IniPath() const
{
    std::string base = ExeName.substr(0, ExeName.rfind('.'));
    return Folder + base + ".ini";
}

std::string AppHost::ClassName() const
{
    return ExeName.substr(0, ExeName.rfind('.')) + "_class";
}

void AppHost::WriteIni(const std::string &lines) const
{
    std::string text = "[Folder]\r\n" + lines + "\r\n";
    FILE *f = fopen(IniPath().c_str(), "wb");
    if (f) {
        fwrite(text.data(), 1, text.size(), f);
        fclose(f);
    }
}

std::string AppHost::IniValue(const char *key) const
{
    char value[1024];
    GetPrivateProfileStringA("Folder", key, "<none>", value, sizeof value, IniPath().c_str());
    return value;
}

std::string AppHost::Log() const
{
    return ReadFileBytes(LogPath());
}

std::string AppHost::LogTexts() const
{
    return JoinLines(TextsWithoutPrefix(Log()));
}

int AppHost::CountInLog(const std::string &text) const
{
    std::string all = Log();
    int count = 0;
    for (size_t at = all.find(text); at != std::string::npos; at = all.find(text, at + text.size()))
        count++;
    return count;
}

bool AppHost::Start(const std::string &commandLine)
{
    std::string line = commandLine.empty() ? "\"" + ExePath() + "\"" : commandLine;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    return CreateProcessA(ExePath().c_str(), &line[0], NULL, NULL, FALSE, 0, NULL, Folder.c_str(), &si, &Process) != 0;
}

bool AppHost::WaitForWindow(DWORD timeout)
{
    DWORD start = GetTickCount();
    do {
        // Only this process's window counts: another copy of the same name would be a
        // running instance that this start merely found.
        HWND found = FindWindowA(ClassName().c_str(), AppTitle);
        DWORD owner = 0;
        if (found != NULL && GetWindowThreadProcessId(found, &owner) && owner == Process.dwProcessId) {
            Window = found;
            return true;
        }
        Sleep(20);
    } while (GetTickCount() - start < timeout && Running());
    return false;
}

bool AppHost::WaitForLog(const std::string &text, int count, DWORD timeout) const
{
    DWORD start = GetTickCount();
    do {
        if (CountInLog(text) >= count)
            return true;
        Sleep(20);
    } while (GetTickCount() - start < timeout);
    return false;
}

int AppHost::WaitForExit(DWORD timeout)
{
    if (WaitForSingleObject(Process.hProcess, timeout) != WAIT_OBJECT_0)
        return -1;
    DWORD code = 0;
    GetExitCodeProcess(Process.hProcess, &code);
    return (int)code;
}

HWND AppHost::WaitForDialog(const char *caption, DWORD timeout) const
{
    return WaitForProcessWindow(Process.dwProcessId, DialogClass, caption, timeout);
}

bool AppHost::Running() const
{
    return Process.hProcess != NULL && WaitForSingleObject(Process.hProcess, 0) == WAIT_TIMEOUT;
}

LRESULT AppHost::Send(UINT message, WPARAM wParam, LPARAM lParam) const
{
    DWORD_PTR result = 0;
    SendMessageTimeoutA(Window, message, wParam, lParam, SMTO_NORMAL, 20000, &result);
    return (LRESULT)result;
}

bool AppHost::Post(UINT message, WPARAM wParam, LPARAM lParam) const
{
    return PostMessageA(Window, message, wParam, lParam) != 0;
}

struct WindowSearch {
    DWORD ProcessId;
    const char *ClassName;
    const char *Caption;
    HWND Found;
};

static BOOL CALLBACK MatchWindow(HWND window, LPARAM parameter)
{
    WindowSearch *search = (WindowSearch *)parameter;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != search->ProcessId || !IsWindowVisible(window))
        return TRUE;
    char className[64];
    GetClassNameA(window, className, sizeof className);
    if (search->ClassName && lstrcmpA(className, search->ClassName) != 0)
        return TRUE;
    if (search->Caption && WindowText(window) != search->Caption)
        return TRUE;
    search->Found = window;
    return FALSE;
}

HWND WaitForProcessWindow(DWORD processId, const char *className, const char *caption, DWORD timeout)
{
    DWORD start = GetTickCount();
    do {
        WindowSearch search = {processId, className, caption, NULL};
        EnumWindows(MatchWindow, (LPARAM)&search);
        if (search.Found != NULL)
            return search.Found;
        Sleep(20);
    } while (GetTickCount() - start < timeout);
    return NULL;
}

bool WaitForWindowGone(HWND window, DWORD timeout)
{
    DWORD start = GetTickCount();
    while (IsWindow(window)) {
        if (GetTickCount() - start >= timeout)
            return false;
        Sleep(20);
    }
    return true;
}

struct OwnedSearch {
    HWND Owner;
    HWND Found;
};

static BOOL CALLBACK MatchOwned(HWND window, LPARAM parameter)
{
    OwnedSearch *search = (OwnedSearch *)parameter;
    if (GetParent(window) != search->Owner)
        return TRUE;
    search->Found = window;
    return FALSE;
}

HWND WaitForOwnedWindow(HWND owner, DWORD timeout)
{
    DWORD start = GetTickCount();
    do {
        OwnedSearch search = {owner, NULL};
        EnumWindows(MatchOwned, (LPARAM)&search);
        if (search.Found != NULL)
            return search.Found;
        Sleep(20);
    } while (GetTickCount() - start < timeout);
    return NULL;
}

std::string WindowText(HWND window)
{
    char text[4096];
    DWORD_PTR length = 0;
    text[0] = 0;
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, (LPARAM)text, SMTO_NORMAL, 5000, &length);
    return text;
}

std::string ItemText(HWND dialog, int id)
{
    HWND item = GetDlgItem(dialog, id);
    return item != NULL ? WindowText(item) : std::string();
}

bool SetItemText(HWND dialog, int id, const std::string &text)
{
    HWND item = GetDlgItem(dialog, id);
    DWORD_PTR result = 0;
    return item != NULL &&
           SendMessageTimeoutA(item, WM_SETTEXT, 0, (LPARAM)text.c_str(), SMTO_NORMAL, 5000, &result) != 0 && result;
}

bool PushButton(HWND dialog, int id)
{
    HWND item = GetDlgItem(dialog, id);
    return PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)item) != 0;
}

int ButtonState(HWND dialog, int id)
{
    HWND item = GetDlgItem(dialog, id);
    DWORD_PTR state = 0;
    if (item == NULL || !SendMessageTimeoutA(item, BM_GETCHECK, 0, 0, SMTO_NORMAL, 5000, &state))
        return -1;
    return (int)state;
}

PassMutexHold::PassMutexHold()
{
    Mutex = CreateMutexA(NULL, FALSE, "tovra_Thread_TovraCore");
    if (Mutex == NULL)
        return;
    DWORD waited = WaitForSingleObject(Mutex, 30000);
    if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
        CloseHandle(Mutex);
        Mutex = NULL;
    }
}

PassMutexHold::~PassMutexHold()
{
    Release();
}

void PassMutexHold::Release()
{
    if (Mutex == NULL)
        return;
    ReleaseMutex(Mutex);
    CloseHandle(Mutex);
    Mutex = NULL;
}
