// bench/tovra_bench.cpp: measures Tovra's passes against what the platform itself can do
//
// Each command prints "RESULT <figure> <size> <series> <value>" lines that bench/run.sh
// gathers into its table, plus a few plain lines for the reader.
//   scan   FOLDER SIZE REPS  floors (enumeration only) and real passes with enough free space
//   stages FOLDER SIZE REPS  the parts of a scan: walk and sort apart
//   delete FOLDER SIZE MODE  one deletion run: MODE is floor, pass or pass-nolog
//   report FOLDER SIZE       a test pass into the real test-run dialog
#include "engine/folderread.h"
#include "engine/freespace.h"
#include "engine/pass.h"
#include "engine/scan.h"
#include "engine/scanalloc.h"
#include "engine/worker.h"
#include "log/log.h"
#include "settings/settings.h"
#include "ui/testdlg.h"
#include <psapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>

// The entry point of the program owns these; the test-run dialog needs them.
HINSTANCE AppInstance;
char DisplayTitle[256];

static const double Megabyte = 1048576.0;

static double Now(void)
{
    static LARGE_INTEGER frequency;
    if (frequency.QuadPart == 0)
        QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER count;
    QueryPerformanceCounter(&count);
    return (double)count.QuadPart / (double)frequency.QuadPart;
}

static void Result(const char *figure, const char *size, const char *series, double value)
{
    printf("RESULT %s %s %s %.6f\n", figure, size, series, value);
    fflush(stdout);
}

static std::wstring Wide(const std::string &text)
{
    int length = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, NULL, 0);
    std::wstring wide(length > 0 ? length - 1 : 0, L'\0');
    if (length > 1)
        MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &wide[0], length);
    return wide;
}

static bool IsDots(const wchar_t *name)
{
    return name[0] == L'.' && (name[1] == 0 || (name[1] == L'.' && name[2] == 0));
}

// Floor 1: the documented fastest form of the enumeration call, without short names and
// with large fetches; counts files, descends into folders, nothing else.
static long long CountFindEx(const std::wstring &folder)
{
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileExW((folder + L"*").c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, NULL,
                                   FIND_FIRST_EX_LARGE_FETCH);
    if (find == INVALID_HANDLE_VALUE)
        return -1;
    long long files = 0;
    do {
        if (IsDots(found.cFileName))
            continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            long long below = CountFindEx(folder + found.cFileName + L"\\");
            if (below < 0) {
                FindClose(find);
                return -1;
            }
            files += below;
        } else {
            files++;
        }
    } while (FindNextFileW(find, &found));
    FindClose(find);
    return files;
}

// Floor 2: the directory-information query underneath the enumeration call, many entries
// per call into a 64 KiB buffer.
static long long CountDirectoryInfo(const std::wstring &folder)
{
    HANDLE directory = CreateFileW(folder.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   NULL, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, NULL);
    if (directory == INVALID_HANDLE_VALUE)
        return -1;
    // One buffer for each level: a subfolder is counted while its parent's entries are still
    // being read from the parent's buffer.
    std::vector<ULONGLONG> words(65536 / sizeof(ULONGLONG));
    BYTE *buffer = (BYTE *)words.data();
    const DWORD bufferSize = 65536;
    long long files = 0;
    FILE_INFO_BY_HANDLE_CLASS kind = FileIdBothDirectoryRestartInfo;
    while (GetFileInformationByHandleEx(directory, kind, buffer, bufferSize)) {
        kind = FileIdBothDirectoryInfo;
        BYTE *at = buffer;
        for (;;) {
            FILE_ID_BOTH_DIR_INFO *info = (FILE_ID_BOTH_DIR_INFO *)at;
            // The name is looked at in place; a path is made only for a folder to descend into.
            DWORD length = info->FileNameLength / sizeof(wchar_t);
            bool dots = info->FileName[0] == L'.' && (length == 1 || (length == 2 && info->FileName[1] == L'.'));
            if (!dots) {
                if (info->FileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                    long long below = CountDirectoryInfo(folder + std::wstring(info->FileName, length) + L"\\");
                    if (below < 0) {
                        CloseHandle(directory);
                        return -1;
                    }
                    files += below;
                } else {
                    files++;
                }
            }
            if (info->NextEntryOffset == 0)
                break;
            at += info->NextEntryOffset;
        }
    }
    DWORD error = GetLastError();
    CloseHandle(directory);
    return error == ERROR_NO_MORE_FILES ? files : -1;
}

// Not a floor: the scan's own reading of the folders (the same query, each name spelled in
// the ANSI code page), counting files and keeping nothing, to tell its cost from the rest.
static long long CountWithReader(const std::string &folder)
{
    FolderReader reader;
    FolderReaderGuard closing(reader);
    if (OpenFolderReader(reader, folder.c_str()) < 0)
        return -1;
    FolderEntry entry;
    long long files = 0;
    int read;
    while ((read = ReadFolderEntry(reader, entry)) > 0) {
        if (!(entry.Attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            files++;
            continue;
        }
        long long below = CountWithReader(folder + entry.Name + "\\");
        if (below < 0)
            return -1;
        files += below;
    }
    return read < 0 ? -1 : files;
}

static void BenchSettings(FolderSettings &settings, const char *folder)
{
    ResetSettings(settings);
    lstrcpynA(settings.TargetFolder, folder, sizeof settings.TargetFolder);
    settings.FindSubFolder = 1;
    settings.DelSubFolder = 0;
    settings.DelReadOnly = 0;
    settings.DelHidden = 0;
    settings.Stop = 0;
}

static UINT64 FreeBytesOf(const char *folder)
{
    ULARGE_INTEGER available, total, free;
    if (!GetDiskFreeSpaceExA(folder, &available, &total, &free))
        return 0;
    return available.QuadPart;
}

static PROCESS_MEMORY_COUNTERS MemoryNow(void)
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters;
}

static long long CandidateCount(const FolderSettings &settings)
{
    FileList *list = NULL;
    FolderNode *root = NULL;
    if (BuildCandidateList(settings, &list, &root) != 0)
        return -1;
    long long count = list->Count;
    FreeFolderTree(root);
    FreeFileList(list);
    return count;
}

static std::string LogFilePath(void)
{
    char path[MAX_PATH];
    GetModuleFileNameA(NULL, path, sizeof path);
    return std::string(path) + ".log";
}

static long long LogLineCount(void)
{
    FILE *file = fopen(LogFilePath().c_str(), "rb");
    if (!file)
        return 0;
    long long lines = 0;
    int c;
    while ((c = fgetc(file)) != EOF)
        lines += c == '\n';
    fclose(file);
    return lines;
}

static int CommandScan(const char *folder, const char *size, int reps)
{
    FolderSettings settings;
    BenchSettings(settings, folder);
    UINT64 free = FreeBytesOf(folder);
    // Enough free space: a minimum of half what the volume has, so the pass scans, sorts
    // and stops before the first candidate.
    settings.FreeSpaceSize = (INT32)(free / 2 / 1048576);
    if (settings.FreeSpaceSize < 1) {
        printf("volume of %s has no free space to speak of\n", folder);
        return 1;
    }
    printf("scan %s: %.0f MB free, minimum set to %d MB\n", folder, free / Megabyte, settings.FreeSpaceSize);
    std::wstring wide = Wide(folder);
    PROCESS_MEMORY_COUNTERS before = MemoryNow();
    for (int r = 0; r < reps; r++) {
        double start = Now();
        long long files = CountFindEx(wide);
        Result("scan", size, "floor_findex", Now() - start);
        start = Now();
        long long files2 = CountDirectoryInfo(wide);
        if (files2 >= 0)
            Result("scan", size, "floor_dirinfo", Now() - start);
        start = Now();
        long long files3 = CountWithReader(folder);
        Result("scan", size, "reader_only", Now() - start);
        if (r == 0) {
            Result("scan", size, "files_listed", (double)files);
            if (files2 != files || files3 != files)
                printf("warning: the enumerations disagree: %lld, %lld, %lld files\n", files, files2, files3);
        }
        DeleteFileA(LogFilePath().c_str());
        start = Now();
        int status = RunCleanPass(settings, 0);
        Result("scan", size, "tovra_pass", Now() - start);
        if (status != 0)
            printf("warning: the pass returned %d\n", status);
        if (r == 0) {
            PROCESS_MEMORY_COUNTERS after = MemoryNow();
            Result("mem", size, "peak_pagefile_delta", (double)(after.PeakPagefileUsage - before.PagefileUsage));
            Result("mem", size, "peak_workingset_delta", (double)(after.PeakWorkingSetSize - before.WorkingSetSize));
            Result("mem", size, "pass_loglines", (double)LogLineCount());
        }
    }
    Result("mem", size, "candidates", (double)CandidateCount(settings));
    return 0;
}

// The scan's two stages timed apart, over the real functions.
static int CommandStages(const char *folder, const char *size, int reps)
{
    FolderSettings settings;
    BenchSettings(settings, folder);
    for (int r = 0; r < reps; r++) {
        FileList *list = (FileList *)ScanAlloc(sizeof(FileList));
        FolderNode *root = (FolderNode *)ScanAlloc(sizeof(FolderNode));
        lstrcpynA(root->Path, folder, sizeof root->Path);
        double start = Now();
        int status = ScanFolder(root, list, 1, settings.TargetExt);
        Result("stages", size, "walk", Now() - start);
        start = Now();
        SortByAge(list);
        Result("stages", size, "sort", Now() - start);
        start = Now();
        FreeFolderTree(root);
        FreeFileList(list);
        Result("stages", size, "release", Now() - start);
        if (status != 0)
            printf("warning: the walk returned %d\n", status);
    }
    // The extension test alone, over the names of the tree, as often as the walk makes it.
    FileList *list = NULL;
    FolderNode *root = NULL;
    settings.TargetExt[0] = '*';
    settings.TargetExt[1] = '\0';
    if (BuildCandidateList(settings, &list, &root) == 0) {
        char extension[MAX_PATH];
        char defaults[MAX_PATH];
        FolderSettings fresh;
        ResetSettings(fresh);
        lstrcpynA(defaults, fresh.TargetExt, sizeof defaults);
        double start = Now();
        long long matched = 0;
        for (UINT32 i = 0; i < list->Count; i++) {
            const char *dot = strrchr(list->Entries[i].Name, '.');
            lstrcpynA(extension, dot ? dot : "", sizeof extension);
            matched += MatchExtension(extension, defaults);
        }
        Result("stages", size, "match_only", Now() - start);
        FreeFolderTree(root);
        FreeFileList(list);
    }
    return 0;
}

static int CommandDelete(const char *folder, const char *size, const char *mode)
{
    FolderSettings settings;
    BenchSettings(settings, folder);
    FileList *list = NULL;
    FolderNode *root = NULL;
    if (BuildCandidateList(settings, &list, &root) != 0) {
        printf("cannot list %s\n", folder);
        return 1;
    }
    long long candidates = list->Count;
    FreeSpace space;
    MeasureFreeSpace(folder, space);
    UINT64 total = 0;
    std::vector<std::wstring> paths;
    for (UINT32 i = 0; i < list->Count; i++) {
        const FileEntry &entry = list->Entries[list->Order[i]];
        total += (entry.Size + space.Unit - 1) / space.Unit * space.Unit;
        paths.push_back(Wide(std::string(entry.Parent->Path) + entry.Name));
    }
    FreeFolderTree(root);
    FreeFileList(list);
    // Below the minimum by more than every candidate frees: the pass deletes them all.
    UINT64 minimum = (space.FreeBytes + total) / 1048576 + 2;
    if (minimum > 0x7FFFFFFF) {
        printf("tree too large for a minimum in megabytes\n");
        return 1;
    }
    settings.FreeSpaceSize = (INT32)minimum;
    DeleteFileA(LogFilePath().c_str());
    double seconds;
    if (strcmp(mode, "floor") == 0) {
        double start = Now();
        for (const std::wstring &path : paths)
            DeleteFileW(path.c_str());
        seconds = Now() - start;
    } else {
        LogEnabled = strcmp(mode, "pass-nolog") != 0;
        double start = Now();
        RunCleanPass(settings, 0);
        seconds = Now() - start;
        LogEnabled = 1;
    }
    long long left = CandidateCount(settings);
    Result("delete", size, mode, seconds);
    Result("delete", size, (std::string(mode) + "_deleted").c_str(), (double)(candidates - (left < 0 ? 0 : left)));
    if (strcmp(mode, "pass") == 0)
        Result("delete", size, "pass_loglines", (double)LogLineCount());
    return 0;
}

// The test-run dialog is watched from hooks on this thread: they see every message the
// dialog's procedure handles, and the time after each one.
struct ReportWatch {
    HWND Dialog;
    std::vector<double> LineDone;
    std::string Sent;
    bool PieceEndsLine;
    bool Whole;
    bool CloseEnabled;
    long long ReportLines;
    double Done;
};

static ReportWatch Watch;

static bool IsTestDialog(HWND window)
{
    char name[32];
    return GetClassNameA(window, name, sizeof name) && strcmp(name, "#32770") == 0;
}

static void CheckReport(HWND dialog)
{
    HWND report = GetDlgItem(dialog, 1015);
    // Asked for in UTF-16: Wine's RichEdit answers the ANSI WM_GETTEXTLENGTH with 0. The
    // length counts a line end as one character, the copy may give it as two.
    int length = (int)SendMessageW(report, WM_GETTEXTLENGTH, 0, 0);
    std::wstring wide(2 * (size_t)length + 2, L'\0');
    SendMessageW(report, WM_GETTEXT, wide.size(), (LPARAM)&wide[0]);
    wide.resize(wcsnlen(wide.data(), wide.size()));
    std::string shown(wide.size() * 2 + 1, '\0');
    int bytes = WideCharToMultiByte(CP_ACP, 0, wide.data(), (int)wide.size(), &shown[0], (int)shown.size(), NULL, NULL);
    shown.resize(bytes > 0 ? bytes : 0);
    std::string plainShown, plainSent;
    for (char c : shown)
        if (c != '\r')
            plainShown += c;
    for (char c : Watch.Sent)
        if (c != '\r')
            plainSent += c;
    Watch.Whole = plainShown == plainSent;
    Watch.ReportLines = SendMessageA(report, EM_GETLINECOUNT, 0, 0);
    Watch.CloseEnabled = IsWindowEnabled(GetDlgItem(dialog, IDOK)) != FALSE;
}

static LRESULT CALLBACK BeforeMessage(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPSTRUCT *message = (const CWPSTRUCT *)lParam;
    if (code == HC_ACTION && message->message == WMU_LOGTEXT && IsTestDialog(message->hwnd)) {
        const char *text = (const char *)message->lParam;
        size_t length = strlen(text);
        Watch.Sent.append(text, length);
        Watch.PieceEndsLine = length > 0 && text[length - 1] == '\n';
    }
    return CallNextHookEx(NULL, code, wParam, lParam);
}

static LRESULT CALLBACK AfterMessage(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPRETSTRUCT *message = (const CWPRETSTRUCT *)lParam;
    if (code == HC_ACTION && IsTestDialog(message->hwnd)) {
        if (message->message == WMU_LOGTEXT && Watch.PieceEndsLine) {
            Watch.LineDone.push_back(Now());
        } else if (message->message == WMU_WORKDONE && Watch.Done == 0) {
            Watch.Done = Now();
            CheckReport(message->hwnd);
            // The user's way out: the Close button, once the pass has enabled it.
            PostMessageA(GetDlgItem(message->hwnd, IDOK), BM_CLICK, 0, 0);
        }
    }
    return CallNextHookEx(NULL, code, wParam, lParam);
}

static int CommandReport(const char *folder, const char *size)
{
    FolderSettings settings;
    BenchSettings(settings, folder);
    settings.FreeSpaceSize = 1;
    LoadLibraryA("RICHED32.DLL");
    HHOOK before = SetWindowsHookExA(WH_CALLWNDPROC, BeforeMessage, NULL, GetCurrentThreadId());
    HHOOK after = SetWindowsHookExA(WH_CALLWNDPROCRET, AfterMessage, NULL, GetCurrentThreadId());
    double start = Now();
    int result = OpenTestDialog(NULL, &settings);
    double closed = Now();
    UnhookWindowsHookEx(before);
    UnhookWindowsHookEx(after);
    size_t lines = Watch.LineDone.size();
    const size_t window = 2000;
    printf("report %s: dialog result %d, %zu lines, %lld lines in the control, whole: %s, Close enabled: %s\n",
           folder, result, lines, Watch.ReportLines, Watch.Whole ? "yes" : "no", Watch.CloseEnabled ? "yes" : "no");
    if (Watch.Done == 0 || lines < 2 * window + 1) {
        printf("report did not finish or is too short\n");
        return 1;
    }
    Result("report", size, "total", Watch.Done - start);
    Result("report", size, "first_2000", Watch.LineDone[window - 1] - start);
    Result("report", size, "last_2000", Watch.LineDone[lines - 1] - Watch.LineDone[lines - 1 - window]);
    Result("report", size, "lines", (double)lines);
    Result("report", size, "whole", Watch.Whole && Watch.ReportLines >= (long long)lines ? 1 : 0);
    Result("report", size, "close_time", closed - Watch.Done);
    return 0;
}

static const char *WineVersion(void)
{
    typedef const char *(CDECL * VersionCall)(void);
    VersionCall call = (VersionCall)(void *)GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version");
    return call ? call() : "none (native Windows)";
}

int main(int argc, char **argv)
{
    AppInstance = GetModuleHandleA(NULL);
    if (argc < 3) {
        printf("usage: tovra_bench scan|stages|delete|report FOLDER SIZE [REPS|MODE]\n");
        return 2;
    }
    setvbuf(stdout, NULL, _IONBF, 0);
    printf("tovra_bench: %d-bit build, Wine %s, code page %u\n", (int)(sizeof(void *) * 8), WineVersion(), GetACP());
    printf("RECORD FileEntry %zu FolderNode %zu Order %zu\n", sizeof(FileEntry), sizeof(FolderNode), sizeof(UINT32));
    LogEnabled = 1;
    LogStart();
    const char *command = argv[1];
    const char *folder = argv[2];
    const char *size = argc > 3 ? argv[3] : "0";
    const char *extra = argc > 4 ? argv[4] : "3";
    if (strcmp(command, "scan") == 0)
        return CommandScan(folder, size, atoi(extra));
    if (strcmp(command, "stages") == 0)
        return CommandStages(folder, size, atoi(extra));
    if (strcmp(command, "delete") == 0)
        return CommandDelete(folder, size, extra);
    if (strcmp(command, "report") == 0)
        return CommandReport(folder, size);
    printf("unknown command %s\n", command);
    return 2;
}
