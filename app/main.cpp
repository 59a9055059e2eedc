// app/main.cpp: start-up and shut-down of the process
#include "app/cmdline.h"
#include "app/mainwnd.h"
#include "log/log.h"
#include "resources/resource.h"
#include <commctrl.h>
#include <objbase.h>

HINSTANCE AppInstance;
char DisplayTitle[256];

static int RunMessageLoop(void)
{
    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}

static int InitApplication(void)
{
    CoInitialize(NULL);
    // The test report is a RichEdit 1.0 control: its class must exist before a dialog opens.
    LoadLibraryA("RICHED32.DLL");
    LoadStringA(AppInstance, IDS_TITLE, DisplayTitle, sizeof DisplayTitle);
    return 1;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    AppInstance = instance;
    const char *commandLine = GetCommandLineA();
    InitCommonControls();
    if (SplitCommandLine(commandLine) == 0)
        return 0;
    LogEnabled = 1;
    LogStart();
    InitApplication();
    if (CreateMainWindow(instance) == NULL)
        return 0;
    RunMessageLoop();
    LogEnd();
    return 0;
}
