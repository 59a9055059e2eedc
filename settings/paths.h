// settings/paths.h: path splitting and composing, and the names derived from the executable
#pragma once
#include <windows.h>

// Each output buffer must hold the source's length plus the terminator; null skips a part.
void SplitPath(const char *source, char *directory, char *base, char *extension);
// The output must hold the three parts plus the terminator; returns the output.
char *ComposePath(const char *directorySource, const char *baseSource, const char *extensionSource,
                  char *output, int extensionFromBase);

// INI path (260 bytes) from the executable's path; -1 (output empty) when it would not fit.
int MakeIniPath(const char *executablePath, char *output);
int GetIniPath(char *output);

// The log path: the executable's full file name with ".log" appended, set once per process.
extern char LogPath[360];
int GetLogPath(void);
