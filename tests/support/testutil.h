// tests/support/testutil.h: files, volumes and log lines for the tests
#pragma once
#include <windows.h>
#include <string>
#include <vector>

// Root of the small real volume the test scripts map as a drive ("T:\"), from TOVRA_TEST_DRIVE.
std::string TestVolume();
// A fresh, empty folder on the test volume (removed first if present); ends with a backslash.
std::string FreshFolder(const std::string &name);

// Last-write time "minutes" minutes after a fixed epoch: a larger number is a newer file.
FILETIME MinutesToFileTime(int minutes);
// Creates a file of the given size, last-write time and attributes; true on success.
bool MakeFile(const std::string &path, UINT64 size, int minutes, DWORD attributes = FILE_ATTRIBUTE_NORMAL);
bool MakeFolder(const std::string &path, DWORD attributes = 0);
bool Exists(const std::string &path);
// Removes a file or a whole tree, clearing read-only, hidden and system attributes first.
void RemoveTree(const std::string &path);

UINT64 FreeBytes(const std::string &folder);

// The log file of this test program (its executable's name with ".log") and its contents.
std::string TestLogPath();
void DeleteTestLog();
std::string ReadFileBytes(const std::string &path);
// Lines of the log file without their timestamp prefix; each is checked to have the
// 22-byte prefix and to end in CR LF.
std::vector<std::string> ReadLogTexts();
// The lines of a text as the log or the report holds them (ended by CR LF, CR or LF), each
// without its 22-byte timestamp prefix; nothing is checked.
std::vector<std::string> TextsWithoutPrefix(const std::string &text);

// Joins lines for readable failure output.
std::string JoinLines(const std::vector<std::string> &lines);
