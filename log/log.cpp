// log/log.cpp
#include "log/log.h"
#include "settings/paths.h"
#include <stdio.h>
#include <string.h>

int LogEnabled = 0;
HWND LogSink = NULL;
CRITICAL_SECTION LogLock;

// Set once LogLock is usable; a line asked for before that has no lock to keep it whole
// and is dropped.
static LONG volatile LogLockReady = 0;

static const char *const PrefixFormat = "%04d/%02d/%02d %02d:%02d:%02d : ";

static bool EnterLog(void)
{
    if (!LogLockReady)
        return false;
    EnterCriticalSection(&LogLock);
    return true;
}

// A text longer than its buffer is cut at a character boundary (never inside a Shift-JIS
// pair) and, when the format ended the line, still ends it, so the next line starts afresh.
static void CutToFit(char *buffer, size_t size, int length, const char *format)
{
    if (length >= 0 && (size_t)length < size)
        return;
    size_t room = size - 1;
    bool endsLine = format[0] && format[strlen(format) - 1] == '\n';
    if (endsLine)
        room--;
    size_t end = 0;
    while (end < room && buffer[end] != '\0') {
        size_t step = IsDBCSLeadByte((BYTE)buffer[end]) ? 2 : 1;
        if (end + step > room)
            break;
        end += step;
    }
    if (endsLine)
        buffer[end++] = '\n';
    buffer[end] = '\0';
}

static void FormatPrefix(char *buffer, size_t size, const SYSTEMTIME &now)
{
    snprintf(buffer, size, PrefixFormat, now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond);
}

static void FormatText(char *buffer, size_t size, const char *format, const char *argument)
{
    int length = snprintf(buffer, size, format, argument);
    CutToFit(buffer, size, length, format);
}

static void SendLine(HWND sink, const SYSTEMTIME &now, const char *format, const char *argument)
{
    char buffer[1024];
    FormatPrefix(buffer, sizeof buffer, now);
    SendMessageA(sink, WMU_LOGTEXT, 0, (LPARAM)buffer);
    FormatText(buffer, sizeof buffer, format, argument);
    SendMessageA(sink, WMU_LOGTEXT, 0, (LPARAM)buffer);
}

// Opening and closing the file costs more than deleting a recording, so a pass holds it open
// for its whole run. The held stream is unbuffered: each piece of a line is written at once,
// and nothing is left in memory to be lost or written late.
static int HoldCount = 0;
static FILE *HeldFile = NULL;

static FILE *OpenLogFile(void)
{
    if (HeldFile)
        return HeldFile;
    GetLogPath();
    FILE *file = fopen(LogPath, "a+");
    if (file && HoldCount > 0) {
        setvbuf(file, NULL, _IONBF, 0);
        HeldFile = file;
    }
    return file;
}

static void CloseHeldFile(void)
{
    if (HeldFile) {
        fclose(HeldFile);
        HeldFile = NULL;
    }
}

static void AppendLine(const SYSTEMTIME &now, const char *format, const char *argument)
{
    FILE *file = OpenLogFile();
    if (!file)
        return;
    char buffer[1024];
    FormatPrefix(buffer, sizeof buffer, now);
    fputs(buffer, file);
    FormatText(buffer, sizeof buffer, format, argument);
    fputs(buffer, file);
    if (file != HeldFile)
        fclose(file);
    else if (ferror(file))
        CloseHeldFile();  // a full volume, say: the next line starts afresh
}

int LogLine(const char *format, const char *argument)
{
    if (!EnterLog())
        return 0;
    SYSTEMTIME now;
    GetLocalTime(&now);
    if (LogEnabled) {
        // The user-interface thread may clear the sink at any moment: decide once.
        HWND sink = LogSink;
        if (sink)
            SendLine(sink, now, format, argument);
        else
            AppendLine(now, format, argument);
    }
    LeaveCriticalSection(&LogLock);
    return 0;
}

int LogValue(const char *format, int value)
{
    // wsprintfA writes at most 1,024 bytes whatever the buffer: fill a buffer of that size
    // and cut the line to its own 512 bytes.
    char filled[1024];
    int length = wsprintfA(filled, format, value);
    char buffer[512];
    lstrcpynA(buffer, filled, sizeof buffer);
    CutToFit(buffer, sizeof buffer, length, format);
    return LogLine("%s", buffer);
}

static int RotateHeldLog(DWORD limit)
{
    // The truncation needs the file to itself; a held stream opens it again at the next line.
    CloseHeldFile();
    GetLogPath();
    HANDLE file = CreateFileA(LogPath, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return -1;
    DWORD size = GetFileSize(file, NULL);
    CloseHandle(file);
    if (size < limit)
        return 0;
    char rotated[360];
    snprintf(rotated, sizeof rotated, "%s.2", LogPath);
    // The log is emptied only once its content is safe in the copy.
    if (!CopyFileA(LogPath, rotated, FALSE)) {
        LogLine("Error: CopyFile(%s)\n", rotated);
        return -2;
    }
    file = CreateFileA(LogPath, GENERIC_WRITE, 0, NULL, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    LogLine("-------- Rotate to %s --------\n", rotated);
    return 1;
}

int RotateLog(DWORD limit)
{
    // Held from the size check to the rotation line, so that no line of another thread
    // falls between the copy and the truncation.
    bool locked = EnterLog();
    int status = RotateHeldLog(limit);
    if (locked)
        LeaveCriticalSection(&LogLock);
    return status;
}

int LogHoldFile(int hold)
{
    if (!EnterLog())
        return 0;
    if (hold)
        HoldCount++;
    else if (HoldCount > 0 && --HoldCount == 0)
        CloseHeldFile();
    LeaveCriticalSection(&LogLock);
    return 0;
}

int LogStart(void)
{
    if (!LogLockReady) {
        InitializeCriticalSection(&LogLock);
        InterlockedExchange(&LogLockReady, 1);
    }
    LogLine("-------- Log Start --------\n", NULL);
    return 0;
}

int LogEnd(void)
{
    LogLine("-------- Log End --------\n", NULL);
    return 0;
}
