// log/logview.cpp: opening the log in the user's text editor
#include "log/logview.h"
#include "app/mainwnd.h"
#include "resources/resource.h"
#include "settings/paths.h"
#include <shellapi.h>
#include <stdio.h>
#include <string.h>

int BuildViewerCommand(const char *commandTemplate, const char *logPath, char *command, size_t size)
{
    const char *placeholder = strstr(commandTemplate, "%1");
    int length;
    if (placeholder != NULL)
        length = snprintf(command, size, "%.*s%s%s", (int)(placeholder - commandTemplate), commandTemplate, logPath,
                          placeholder + 2);
    else
        length = snprintf(command, size, "%s \"%s\"", commandTemplate, logPath);
    // A cut command would start something else than the user registered.
    if (length < 0 || (size_t)length >= size) {
        command[0] = 0;
        return -1;
    }
    return 0;
}

static int ReadTextFileCommand(char *commandTemplate, DWORD size)
{
    commandTemplate[0] = 0;
    HKEY key;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, "\\txtfile\\shell\\open\\command", 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return -1;
    DWORD length = size - 1;
    if (RegQueryValueExA(key, NULL, NULL, NULL, (BYTE *)commandTemplate, &length) != ERROR_SUCCESS)
        commandTemplate[0] = 0;
    // The value need not be terminated in the registry.
    commandTemplate[size - 1] = 0;
    if (length < size)
        commandTemplate[length] = 0;
    RegCloseKey(key);
    return 0;
}

static int StartRegisteredViewer(const char *commandTemplate)
{
    char command[776], expanded[780];
    if (commandTemplate[0] == 0 || BuildViewerCommand(commandTemplate, LogPath, command, sizeof command) != 0)
        return -1;
    DWORD length = ExpandEnvironmentStringsA(command, expanded, sizeof expanded);
    if (length == 0 || length > sizeof expanded)
        return -1;
    return WinExec(expanded, SW_SHOWNORMAL) >= 32 ? 0 : -1;
}

int OpenLogViewer(HWND owner)
{
    GetLogPath();
    char commandTemplate[260];
    ReadTextFileCommand(commandTemplate, sizeof commandTemplate);
    if (StartRegisteredViewer(commandTemplate) == 0)
        return 0;
    if ((INT_PTR)ShellExecuteA(owner, NULL, "notepad.exe", LogPath, NULL, SW_SHOWNORMAL) > 32)
        return 0;
    char format[256], text[776];
    LoadStringA(AppInstance, IDS_CANNOT_OPEN_FILE, format, sizeof format);
    snprintf(text, sizeof text, format, LogPath);
    MessageBoxA(owner, text, DisplayTitle, MB_ICONWARNING | MB_OK);
    return -1;
}
