// settings/ini.cpp: the settings record in the INI file
#include "settings/ini.h"
#include <stdio.h>
#include <string.h>

static const char Section[] = "Folder";

struct IntKey {
    const char *Name;
    INT32 FolderSettings::*Field;
};

// Record order is the order in which keys are read and written.
static const IntKey IntKeys[] = {
    {"Stop", &FolderSettings::Stop},
    {"FindSubFolder", &FolderSettings::FindSubFolder},
    {"DelSubFolder", &FolderSettings::DelSubFolder},
    {"FreeSpaceSize", &FolderSettings::FreeSpaceSize},
    {"Interval", &FolderSettings::Interval},
    {"ToTrashCan", &FolderSettings::ToTrashCan},
    {"DelReadOnly", &FolderSettings::DelReadOnly},
    {"DelHidden", &FolderSettings::DelHidden},
    {"LogRotateSize", &FolderSettings::LogRotateSize},
};

// A value that fills the field leaves no room for the backslash; cutting a byte to make room
// would name another folder, so such a value stays as read and the dialog refuses it.
static int AppendBackslash(char *folder)
{
    size_t length = strlen(folder);
    if (length > 0 && folder[length - 1] == '\\')
        return 0;
    if (length + 1 >= MAX_PATH)
        return -1;
    folder[length] = '\\';
    folder[length + 1] = 0;
    return 0;
}

int LoadSettings(FolderSettings &settings, const char *iniPath)
{
    FolderSettings defaults;
    ResetSettings(defaults);
    FolderSettings loaded = defaults;
    if (iniPath[0] != 0) {
        for (const IntKey &key : IntKeys)
            loaded.*key.Field = (INT32)GetPrivateProfileIntA(Section, key.Name, defaults.*key.Field, iniPath);
        GetPrivateProfileStringA(Section, "TargetFolder", defaults.TargetFolder, loaded.TargetFolder, MAX_PATH, iniPath);
        GetPrivateProfileStringA(Section, "TargetExt", defaults.TargetExt, loaded.TargetExt, MAX_PATH, iniPath);
    }
    AppendBackslash(loaded.TargetFolder);
    CopySettings(settings, loaded);
    return 0;
}

static int RemoveSpaces(char *text)
{
    char *out = text;
    for (const char *in = text; *in != 0; in++)
        if (*in != ' ')
            *out++ = *in;
    *out = 0;
    return 0;
}

int SaveSettings(FolderSettings &settings, const char *iniPath)
{
    if (iniPath[0] == 0)
        return -1;
    for (const IntKey &key : IntKeys) {
        char text[256];
        snprintf(text, sizeof text, "%d", (int)(settings.*key.Field));
        if (!WritePrivateProfileStringA(Section, key.Name, text, iniPath))
            return -1;
    }
    if (!WritePrivateProfileStringA(Section, "TargetFolder", settings.TargetFolder, iniPath))
        return -1;
    if (!WritePrivateProfileStringA(Section, "TargetExt", settings.TargetExt, iniPath))
        return -1;
    // The record may be the live one that a pass is about to copy.
    LockSettings();
    RemoveSpaces(settings.TargetExt);
    UnlockSettings();
    return 0;
}
