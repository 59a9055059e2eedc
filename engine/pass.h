// engine/pass.h: one cleaning pass
#pragma once
#include "settings/settings.h"

int RunCleanPass(const FolderSettings &settings, int test);
