// settings/settings.cpp
#include "settings/settings.h"
#include <string.h>

int ResetSettings(FolderSettings &settings)
{
    memset(&settings, 0, sizeof settings);
    settings.Stop = 1;
    settings.FreeSpaceSize = 10000;
    settings.Interval = 60;
    settings.LogRotateSize = 100000;
    strcpy(settings.TargetFolder, "C:\\record");
    strcpy(settings.TargetExt, "mpeg,m2p,mpg,m2v,m1v,m1p,mpa,mp2,wav");
    return 0;
}

// A pass runs on a worker thread for as long as it takes, while the user-interface thread
// may rewrite the live record (pause command, confirmed settings dialog, the tidying of a
// save) or the working record. So a pass takes its own copy at its start under this lock,
// and every writer of the live or working record holds it while it writes: the pass then
// works from one consistent set of values from start to end. Statically initialised, so
// it is usable before anything else runs.
static SRWLOCK SettingsLock = SRWLOCK_INIT;

int LockSettings(void)
{
    AcquireSRWLockExclusive(&SettingsLock);
    return 0;
}

int UnlockSettings(void)
{
    ReleaseSRWLockExclusive(&SettingsLock);
    return 0;
}

// Takes the lock itself: a writer already holding it assigns the record directly, as
// the lock is not reentrant.
int CopySettings(FolderSettings &target, const FolderSettings &source)
{
    LockSettings();
    target = source;
    UnlockSettings();
    return 0;
}
