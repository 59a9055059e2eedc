// settings/paths.cpp
#include "settings/paths.h"
#include <stdint.h>
#include <stdio.h>

char LogPath[360];

// Paths are walked one character at a time in the ANSI code page. The second byte of a
// double-byte character may have the value of a backslash (Shift-JIS ソ is 83 5C, 表 is
// 95 5C); it belongs to its character, so it never separates components and is copied
// with it unchanged.
static size_t CharLength(const char *p)
{
    return IsDBCSLeadByte((BYTE)p[0]) && p[1] != '\0' ? 2 : 1;
}

static bool IsSeparator(char c)
{
    return c == '/' || c == ':' || c == '\\';
}

static bool IsSlash(char c)
{
    return c == '/' || c == '\\';
}

struct PathParts {
    const char *Component;  // start of the last component, the end of the directory span
    const char *Extension;  // its last dot, or End when it has none
    const char *End;
};

static PathParts FindParts(const char *source)
{
    PathParts parts;
    parts.Component = source;
    const char *dot = NULL;
    const char *p = source;
    while (*p != '\0') {
        if (IsSeparator(*p)) {
            parts.Component = p + 1;
            dot = NULL;
        } else if (*p == '.') {
            dot = p;
        }
        p += CharLength(p);
    }
    parts.End = p;
    parts.Extension = dot ? dot : p;
    return parts;
}

// Never writes more than Room bytes, the terminator included; a text that does not fit
// sets Overflow so the caller can refuse it rather than use a cut path.
struct PathWriter {
    char *Out;
    size_t Room;
    size_t Length;
    bool Overflow;
};

static PathWriter MakeWriter(char *out, size_t room)
{
    PathWriter writer = { out, room, 0, false };
    return writer;
}

static void PutBytes(PathWriter &writer, const char *from, size_t count)
{
    for (size_t i = 0; i < count; i++) {
        if (writer.Length + 1 >= writer.Room) {
            writer.Overflow = true;
            return;
        }
        writer.Out[writer.Length++] = from[i];
    }
}

static void Terminate(PathWriter &writer)
{
    writer.Out[writer.Length] = '\0';
}

// Copies the text between from and to without its double quotes.
static void PutStripped(PathWriter &writer, const char *from, const char *to)
{
    const char *p = from;
    while (p < to) {
        size_t length = CharLength(p);
        if (*p != '"')
            PutBytes(writer, p, length);
        p += length;
    }
}

// The directory span with every run of slashes and backslashes written as one "/", except
// a leading network prefix, which must reach the output as it stands.
static void PutDirectory(PathWriter &writer, const char *source, const char *spanEnd)
{
    const char *p = source;
    if (p < spanEnd && *p == '"')
        p++;
    if (p + 1 < spanEnd && p[0] == '\\' && p[1] == '\\') {
        PutBytes(writer, p, 2);
        p += 2;
    }
    if (p + 1 < spanEnd && p[0] == '/' && p[1] == '/') {
        PutBytes(writer, p, 2);
        p += 2;
    }
    while (p < spanEnd) {
        if (IsSlash(*p)) {
            PutBytes(writer, "/", 1);
            while (p < spanEnd && IsSlash(*p))
                p++;
        } else {
            size_t length = CharLength(p);
            if (*p != '"')
                PutBytes(writer, p, length);
            p += length;
        }
    }
}

void SplitPath(const char *source, char *directory, char *base, char *extension)
{
    PathParts parts = FindParts(source);
    if (directory) {
        PathWriter writer = MakeWriter(directory, SIZE_MAX);
        PutDirectory(writer, source, parts.Component);
        Terminate(writer);
    }
    if (base) {
        PathWriter writer = MakeWriter(base, SIZE_MAX);
        PutStripped(writer, parts.Component, parts.Extension);
        Terminate(writer);
    }
    if (extension) {
        PathWriter writer = MakeWriter(extension, SIZE_MAX);
        PutStripped(writer, parts.Extension, parts.End);
        Terminate(writer);
    }
}

static void Compose(PathWriter &writer, const char *directorySource, const char *baseSource,
                    const char *extensionSource, int extensionFromBase)
{
    if (directorySource)
        PutDirectory(writer, directorySource, FindParts(directorySource).Component);
    const char *extensionFrom = NULL;
    const char *extensionTo = NULL;
    if (extensionSource) {
        PathParts parts = FindParts(extensionSource);
        extensionFrom = parts.Extension;
        extensionTo = parts.End;
    }
    if (baseSource) {
        PathParts parts = FindParts(baseSource);
        PutStripped(writer, parts.Component, parts.Extension);
        if (extensionFromBase && parts.Extension != parts.End) {
            extensionFrom = parts.Extension;
            extensionTo = parts.End;
        }
    }
    if (extensionFrom)
        PutStripped(writer, extensionFrom, extensionTo);
    Terminate(writer);
}

char *ComposePath(const char *directorySource, const char *baseSource, const char *extensionSource,
                  char *output, int extensionFromBase)
{
    PathWriter writer = MakeWriter(output, SIZE_MAX);
    Compose(writer, directorySource, baseSource, extensionSource, extensionFromBase);
    return output;
}

int MakeIniPath(const char *executablePath, char *output)
{
    PathWriter writer = MakeWriter(output, MAX_PATH);
    Compose(writer, executablePath, executablePath, "*.ini", 0);
    if (writer.Overflow) {
        output[0] = '\0';
        return -1;
    }
    return 0;
}

int GetIniPath(char *output)
{
    char executable[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, executable, sizeof executable);
    // A cut module name would name another file.
    if (length == 0 || length >= sizeof executable) {
        output[0] = '\0';
        return -1;
    }
    return MakeIniPath(executable, output);
}

int GetLogPath(void)
{
    if (LogPath[0] != '\0')
        return 0;
    char executable[MAX_PATH + 1];
    DWORD length = GetModuleFileNameA(NULL, executable, sizeof executable);
    if (length == 0 || length >= sizeof executable)
        return -1;
    snprintf(LogPath, sizeof LogPath, "%s.log", executable);
    return 0;
}
