// tests/support/testutil.cpp
#include "tests/support/testutil.h"
#include <gtest/gtest.h>
#include <stdlib.h>
#include <stdio.h>

std::string TestVolume()
{
    const char *drive = getenv("TOVRA_TEST_DRIVE");
    return std::string(drive && *drive ? drive : "T:") + "\\";
}

std::string FreshFolder(const std::string &name)
{
    std::string path = TestVolume() + name;
    RemoveTree(path);
    CreateDirectoryA(path.c_str(), NULL);
    return path + "\\";
}

FILETIME MinutesToFileTime(int minutes)
{
    // 2020-01-01 00:00 UTC as a FILETIME, plus the minutes.
    ULARGE_INTEGER t;
    t.QuadPart = 132223104000000000ULL + (ULONGLONG)(LONGLONG)minutes * 600000000ULL;
    FILETIME ft;
    ft.dwLowDateTime = t.LowPart;
    ft.dwHighDateTime = t.HighPart;
    return ft;
}

bool MakeFile(const std::string &path, UINT64 size, int minutes, DWORD attributes)
{
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    bool ok = true;
    if (size > 0) {
        static char block[65536];
        UINT64 left = size;
        while (ok && left > 0) {
            DWORD n = left > sizeof block ? (DWORD)sizeof block : (DWORD)left;
            DWORD written = 0;
            ok = WriteFile(h, block, n, &written, NULL) && written == n;
            left -= n;
        }
    }
    FILETIME ft = MinutesToFileTime(minutes);
    ok = ok && SetFileTime(h, NULL, NULL, &ft);
    CloseHandle(h);
    if (ok && attributes != FILE_ATTRIBUTE_NORMAL)
        ok = SetFileAttributesA(path.c_str(), attributes) != 0;
    return ok;
}

bool MakeFolder(const std::string &path, DWORD attributes)
{
    if (!CreateDirectoryA(path.c_str(), NULL))
        return false;
    return attributes == 0 || SetFileAttributesA(path.c_str(), attributes | FILE_ATTRIBUTE_DIRECTORY);
}

bool Exists(const std::string &path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void RemoveTree(const std::string &path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return;
    SetFileAttributesA(path.c_str(), (attributes & FILE_ATTRIBUTE_DIRECTORY) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL);
    // A link is removed as itself, never followed.
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        WIN32_FIND_DATAA fd;
        HANDLE find = FindFirstFileA((path + "\\*").c_str(), &fd);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                std::string name = fd.cFileName;
                if (name != "." && name != "..")
                    RemoveTree(path + "\\" + name);
            } while (FindNextFileA(find, &fd));
            FindClose(find);
        }
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        RemoveDirectoryA(path.c_str());
    else
        DeleteFileA(path.c_str());
}

UINT64 FreeBytes(const std::string &folder)
{
    ULARGE_INTEGER available, total, free;
    if (!GetDiskFreeSpaceExA(folder.c_str(), &available, &total, &free))
        return 0;
    return available.QuadPart;
}

std::string TestLogPath()
{
    char exe[MAX_PATH];
    GetModuleFileNameA(NULL, exe, MAX_PATH);
    return std::string(exe) + ".log";
}

void DeleteTestLog()
{
    DeleteFileA(TestLogPath().c_str());
    DeleteFileA((TestLogPath() + ".2").c_str());
}

std::string ReadFileBytes(const std::string &path)
{
    std::string bytes;
    FILE *f = fopen(path.c_str(), "rb");
    if (!f)
        return bytes;
    char buffer[65536];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0)
        bytes.append(buffer, n);
    fclose(f);
    return bytes;
}

static bool IsPrefix(const std::string &line)
{
    // "YYYY/MM/DD hh:mm:ss : "
    static const char shape[] = "9999/99/99 99:99:99 : ";
    if (line.size() < 22)
        return false;
    for (int i = 0; i < 22; i++) {
        char c = line[i];
        if (shape[i] == '9' ? (c < '0' || c > '9') : c != shape[i])
            return false;
    }
    return true;
}

std::vector<std::string> ReadLogTexts()
{
    std::vector<std::string> texts;
    std::string bytes = ReadFileBytes(TestLogPath());
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find("\r\n", start);
        EXPECT_NE(end, std::string::npos) << "log line without CR LF: " << bytes.substr(start);
        if (end == std::string::npos)
            break;
        std::string line = bytes.substr(start, end - start);
        EXPECT_TRUE(IsPrefix(line)) << "log line without its prefix: " << line;
        texts.push_back(line.size() >= 22 ? line.substr(22) : line);
        start = end + 2;
    }
    return texts;
}

std::vector<std::string> TextsWithoutPrefix(const std::string &text)
{
    std::vector<std::string> texts;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        texts.push_back(line.size() >= 22 ? line.substr(22) : line);
        start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    return texts;
}

std::string JoinLines(const std::vector<std::string> &lines)
{
    std::string all;
    for (const std::string &line : lines)
        all += line + "\n";
    return all;
}
