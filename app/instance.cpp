// app/instance.cpp: the single-instance handshake
#include "app/instance.h"
#include "app/mainwnd.h"
#include "resources/resource.h"
#include <string.h>

static const DWORD SharedSize = 1024;

// Returns 1 when the running instance wrote its name into the shared memory, 0 when it did
// not answer, -1 when the shared memory could not be set up (nothing was asked).
static int AskRunningInstance(HWND found, const char *sharedName)
{
    HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, NULL, PAGE_READWRITE, 0, SharedSize, sharedName);
    if (mapping == NULL)
        return -1;
    int answered = -1;
    char *view = (char *)MapViewOfFile(mapping, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, 0);
    if (view != NULL) {
        view[0] = 0;
        SendMessageA(found, WMU_IDENTIFY, 0, 0);
        view[SharedSize - 1] = 0;
        answered = strcmp(view, sharedName) == 0 ? 1 : 0;
        UnmapViewOfFile(view);
    }
    CloseHandle(mapping);
    return answered;
}

int IdentifyRunningInstance(HWND found, const char *sharedName)
{
    // A user who starts the program again is most likely looking for it: when the running
    // instance answered, its open dialog (if any) comes to the front. A window that did not
    // answer is not ours to poke.
    if (AskRunningInstance(found, sharedName) == 1)
        SendMessageA(found, WMU_ACTIVATE, 0, 0);
    return 0;
}

int AnswerIdentify(void)
{
    char sharedName[MAX_PATH];
    LoadStringA(AppInstance, IDS_SHARED_MEMORY, sharedName, sizeof sharedName);
    HANDLE mapping = OpenFileMappingA(FILE_MAP_READ | FILE_MAP_WRITE, FALSE, sharedName);
    if (mapping == NULL)
        return 0;
    char *view = (char *)MapViewOfFile(mapping, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, 0);
    if (view != NULL) {
        memcpy(view, sharedName, strlen(sharedName) + 1);
        UnmapViewOfFile(view);
    }
    CloseHandle(mapping);
    return 0;
}
