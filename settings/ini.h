// settings/ini.h: the settings record in the INI file
#pragma once
#include "settings/settings.h"

int LoadSettings(FolderSettings &settings, const char *iniPath);
int SaveSettings(FolderSettings &settings, const char *iniPath);
