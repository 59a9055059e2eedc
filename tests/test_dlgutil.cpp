// tests/test_dlgutil.cpp: the dialog helpers, the browsed-folder rule and the viewer command
#include "log/logview.h"
#include "ui/dlgutil.h"
#include "ui/settingsdlg.h"
#include "tests/support/testutil.h"
#include <commctrl.h>
#include <gtest/gtest.h>
#include <string>

// The entry point of the program owns these; the helpers under test reach them.
HINSTANCE AppInstance;
char DisplayTitle[256];

namespace {

const int EditId = 200, SpinId = 201;

// A plain window holding a numeric field (an edit and its up-down), as a dialog holds one.
struct NumericField {
    HWND Window;
    NumericField()
    {
        Window = CreateWindowExA(0, "STATIC", "field", WS_POPUP, 0, 0, 200, 100, NULL, NULL, NULL, NULL);
        CreateWindowExA(0, "EDIT", "", WS_CHILD | ES_NUMBER, 0, 0, 80, 20, Window, (HMENU)(INT_PTR)EditId, NULL, NULL);
        CreateWindowExA(0, UPDOWN_CLASSA, "", WS_CHILD | UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_AUTOBUDDY, 0, 0, 10,
                        20, Window, (HMENU)(INT_PTR)SpinId, NULL, NULL);
    }
    ~NumericField() { DestroyWindow(Window); }
};

// Answers the message boxes that a helper shows on this thread, noting the text of each.
struct BoxAnswerer {
    DWORD Thread;
    HANDLE Stop;
    HANDLE Worker;
    std::string Texts;
    int Count = 0;

    BoxAnswerer() : Thread(GetCurrentThreadId()), Stop(CreateEventA(NULL, TRUE, FALSE, NULL))
    {
        Worker = CreateThread(NULL, 0, Run, this, 0, NULL);
    }
    ~BoxAnswerer()
    {
        SetEvent(Stop);
        WaitForSingleObject(Worker, INFINITE);
        CloseHandle(Worker);
        CloseHandle(Stop);
    }
    static BOOL CALLBACK Answer(HWND window, LPARAM self)
    {
        BoxAnswerer *answerer = (BoxAnswerer *)self;
        char name[16], text[512] = "";
        if (!IsWindowVisible(window) || !GetClassNameA(window, name, sizeof name) || strcmp(name, "#32770") != 0)
            return TRUE;
        GetDlgItemTextA(window, 0xFFFF, text, sizeof text);
        answerer->Texts += text;
        answerer->Count++;
        SendMessageA(window, WM_COMMAND, IDOK, 0);
        return TRUE;
    }
    static DWORD WINAPI Run(LPVOID self)
    {
        BoxAnswerer *answerer = (BoxAnswerer *)self;
        while (WaitForSingleObject(answerer->Stop, 20) == WAIT_TIMEOUT)
            EnumThreadWindows(answerer->Thread, Answer, (LPARAM)answerer);
        return 0;
    }
};

TEST(CenterWindow, CentresOnThePrimaryScreenAndNeverGoesNegative)
{
    int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
    struct Case {
        int Width, Height;
    } cases[] = {{300, 200}, {screenWidth + 76, 200}, {300, screenHeight + 10}};
    for (const Case &c : cases) {
        HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 5, 5, c.Width, c.Height, NULL, NULL, NULL, NULL);
        ASSERT_TRUE(window != NULL);
        EXPECT_EQ(CenterWindow(window, NULL), 0);
        RECT placed;
        GetWindowRect(window, &placed);
        int x = (screenWidth - c.Width) / 2, y = (screenHeight - c.Height) / 2;
        EXPECT_EQ(placed.left, x > 0 ? x : 0) << c.Width;
        EXPECT_EQ(placed.top, y > 0 ? y : 0) << c.Height;
        EXPECT_EQ(placed.right - placed.left, c.Width);
        DestroyWindow(window);
    }
    if (screenWidth == 1024 && screenHeight == 768) {
        HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 300, 200, NULL, NULL, NULL, NULL);
        CenterWindow(window, NULL);
        RECT placed;
        GetWindowRect(window, &placed);
        EXPECT_EQ(placed.left, 362);
        EXPECT_EQ(placed.top, 284);
        DestroyWindow(window);
    }
}

TEST(NumericField, ReadsInRangeAndCorrectsWithTheMessage)
{
    struct Case {
        int First, Second;
        const char *Text;
        int Status, Value;
        bool Box;
    } cases[] = {
        {1, 1048576, "500", 0, 500, false},
        {1048576, 1, "500", 0, 500, false},
        {1, 1048576, "1048576", 0, 1048576, false},
        {1, 1048576, "", -1, 1, true},
        {1, 1048576, "0", -1, 1, true},
        {1048576, 1, "1048577", -2, 1048576, true},
        // Read unsigned, compared signed: beyond 2^31 it is below the minimum.
        {1, 1048576, "3000000000", -1, 1, true},
        {1440, 1, "1441", -2, 1440, true},
    };
    for (const Case &c : cases) {
        NumericField field;
        SetSpinRange(field.Window, EditId, SpinId, c.First, c.Second);
        SetDlgItemTextA(field.Window, EditId, c.Text);
        int value = -12345, status;
        std::string texts;
        int boxes;
        {
            BoxAnswerer answerer;
            status = GetIntFieldInRange(field.Window, EditId, SpinId, &value, "数値が範囲を超えています。(%d～%d)");
            Sleep(50);
            texts = answerer.Texts;
            boxes = answerer.Count;
        }
        EXPECT_EQ(status, c.Status) << c.Text;
        EXPECT_EQ(value, c.Value) << c.Text;
        EXPECT_EQ(boxes, c.Box ? 1 : 0) << c.Text;
        int low = c.First < c.Second ? c.First : c.Second, high = c.First < c.Second ? c.Second : c.First;
        std::string message = "数値が範囲を超えています。(" + std::to_string(low) + "～" + std::to_string(high) + ")";
        EXPECT_EQ(texts, c.Box ? message : "");
        char shown[32];
        GetDlgItemTextA(field.Window, EditId, shown, sizeof shown);
        EXPECT_STREQ(shown, c.Text);
    }
}

TEST(NumericField, WithoutAFormatTheMessageIsTheBuiltInOne)
{
    NumericField field;
    SetSpinRange(field.Window, EditId, SpinId, 1, 1440);
    SetIntField(field.Window, EditId, SpinId, 2000);
    char shown[32];
    GetDlgItemTextA(field.Window, EditId, shown, sizeof shown);
    EXPECT_STREQ(shown, "2000");
    int value = 0;
    BoxAnswerer answerer;
    EXPECT_EQ(GetIntFieldInRange(field.Window, EditId, SpinId, &value, NULL), -2);
    Sleep(50);
    EXPECT_EQ(answerer.Texts, "Range Over (1 - 1440)");
    EXPECT_EQ(value, 1440);
}

TEST(BrowsedFolder, EndsWithOneBackslashAndIsRefusedWhenThatDoesNotFit)
{
    struct Case {
        std::string Folder;
        int Status;
        std::string Result;
    } cases[] = {
        {"D:\\video", 0, "D:\\video\\"},
        {"D:\\video\\", 0, "D:\\video\\"},
        {"D:\\", 0, "D:\\"},
        {"\\\\server\\share", 0, "\\\\server\\share\\"},
        {"T:\\" + std::string(255, 'a'), 0, "T:\\" + std::string(255, 'a') + "\\"},   // 258 bytes + 1
        {"T:\\" + std::string(256, 'a'), -1, "T:\\" + std::string(256, 'a')},          // 259 bytes: no room
        {"T:\\" + std::string(255, 'a') + "\\", 0, "T:\\" + std::string(255, 'a') + "\\"},
    };
    for (const Case &c : cases) {
        char folder[MAX_PATH + 4] = {};
        memcpy(folder, c.Folder.data(), c.Folder.size());
        // What lies beyond the field must stay untouched.
        memset(folder + MAX_PATH, 'X', 4);
        EXPECT_EQ(EndFolderWithBackslash(folder, MAX_PATH), c.Status) << c.Folder.size();
        EXPECT_EQ(std::string(folder), c.Result.substr(0, MAX_PATH + 4)) << c.Folder.size();
        EXPECT_EQ(std::string(folder + MAX_PATH, 4), "XXXX");
    }
}

TEST(ViewerCommand, ReplacesTheFirstPlaceholderOrAppendsTheQuotedPath)
{
    const char *log = "C:\\Tools\\App\\app.exe.log";
    struct Case {
        const char *Template;
        const char *Command;
    } cases[] = {
        {"%ToolDir%\\edit.exe %1", "%ToolDir%\\edit.exe C:\\Tools\\App\\app.exe.log"},
        {"notepad.exe", "notepad.exe \"C:\\Tools\\App\\app.exe.log\""},
        {"viewer.exe %1 /b %1", "viewer.exe C:\\Tools\\App\\app.exe.log /b %1"},
        {"\"C:\\My Editor\\ed.exe\" \"%1\"", "\"C:\\My Editor\\ed.exe\" \"C:\\Tools\\App\\app.exe.log\""},
    };
    for (const Case &c : cases) {
        char command[776];
        EXPECT_EQ(BuildViewerCommand(c.Template, log, command, sizeof command), 0);
        EXPECT_STREQ(command, c.Command);
    }
    // A command that does not fit would start something else: none is built.
    std::string longTemplate(700, 'x');
    std::string longLog(200, 'y');
    char command[776];
    EXPECT_EQ(BuildViewerCommand(longTemplate.c_str(), longLog.c_str(), command, sizeof command), -1);
    EXPECT_STREQ(command, "");
}

} // namespace
