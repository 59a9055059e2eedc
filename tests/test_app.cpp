// tests/test_app.cpp: the real program under Wine, driven through its main window
#include "app/mainwnd.h"
#include "resources/resource.h"
#include "tests/support/apphost.h"
#include "tests/support/testutil.h"
#include <gtest/gtest.h>
#include <string>

namespace {

const UINT64 MB = 1048576;
const char *const AllKeys[] = {"Stop", "FindSubFolder", "DelSubFolder", "FreeSpaceSize", "Interval", "ToTrashCan",
                               "DelReadOnly", "DelHidden", "LogRotateSize", "TargetFolder", "TargetExt"};

// Pass openings and closings alternate: no pass began inside another.
void ExpectPassesInTurn(const std::string &texts, int passes)
{
    int open = 0, count = 0;
    size_t start = 0;
    while (start < texts.size()) {
        size_t end = texts.find('\n', start);
        std::string line = texts.substr(start, end - start);
        if (line == "監視開始...") {
            EXPECT_EQ(open, 0) << texts;
            open = 1;
            count++;
        } else if (line == "監視終了...") {
            EXPECT_EQ(open, 1) << texts;
            open = 0;
        }
        start = end + 1;
    }
    EXPECT_EQ(count, passes) << texts;
}

TEST(Program, PausedStartDeletesNothingAndResumingCleansAtOnce)
{
    std::string watch = FreshFolder("app");
    ASSERT_TRUE(MakeFile(watch + "a.mpg", MB, 1));
    ASSERT_TRUE(MakeFile(watch + "b.mpg", MB, 2));
    ASSERT_TRUE(MakeFile(watch + "c.mpg", MB, 3));
    UINT64 minimum = (FreeBytes(watch) + 2 * MB) / MB;
    AppHost app("paused");
    app.WriteIni("TargetFolder=" + watch + "\r\nFreeSpaceSize=" + std::to_string(minimum));
    ASSERT_TRUE(app.Start());
    ASSERT_TRUE(app.WaitForWindow());
    Sleep(500);
    EXPECT_EQ(app.LogTexts(), "-------- Log Start --------\n");
    EXPECT_TRUE(Exists(watch + "a.mpg"));

    ASSERT_TRUE(app.Command(IDM_PAUSE));
    ASSERT_TRUE(app.WaitForLog("監視終了..."));
    EXPECT_FALSE(Exists(watch + "a.mpg"));
    EXPECT_FALSE(Exists(watch + "b.mpg"));
    EXPECT_TRUE(Exists(watch + "c.mpg"));
    EXPECT_EQ(app.CountInLog(" 削除: " + watch + "a.mpg\r\n"), 1);

    ASSERT_TRUE(app.Command(IDM_EXIT));
    EXPECT_EQ(app.WaitForExit(), 0);
    EXPECT_EQ(app.IniValue("Stop"), "0");
    for (const char *key : AllKeys)
        EXPECT_NE(app.IniValue(key), "<none>") << key;
    EXPECT_EQ(app.CountInLog("-------- Log End --------"), 1);
}

TEST(Program, DefaultsLeaveWatchingPaused)
{
    AppHost app("defaults");
    ASSERT_TRUE(app.Start());
    ASSERT_TRUE(app.WaitForWindow());
    Sleep(300);
    ASSERT_TRUE(app.Post(WM_CLOSE));
    EXPECT_EQ(app.WaitForExit(), 0);
    EXPECT_EQ(app.LogTexts(), "-------- Log Start --------\n-------- Log End --------\n");
    EXPECT_EQ(app.IniValue("Stop"), "1");
    EXPECT_EQ(app.IniValue("TargetFolder"), "C:\\record\\");
    EXPECT_EQ(app.IniValue("Interval"), "60");
}

TEST(Program, ChecksFromTimerAndRequestsRunOneAfterTheOther)
{
    std::string watch = FreshFolder("checks");
    for (int i = 0; i < 200; i++)
        ASSERT_TRUE(MakeFile(watch + "f" + std::to_string(i) + ".txt", 1, i));
    AppHost app("checks");
    app.WriteIni("Stop=0\r\nTargetFolder=" + watch + "\r\nFreeSpaceSize=1048576");
    ASSERT_TRUE(app.Start());
    ASSERT_TRUE(app.WaitForWindow());
    ASSERT_TRUE(app.WaitForLog("監視終了..."));
    app.Post(WM_TIMER, CHECK_TIMER);
    app.Post(WMU_CHECKNOW);
    app.Post(WMU_CHECKNOW);
    app.Post(WM_TIMER, 2);
    ASSERT_TRUE(app.WaitForLog("監視終了...", 4));
    Sleep(300);
    ExpectPassesInTurn(app.LogTexts(), 4);
    app.Post(WM_CLOSE);
    EXPECT_EQ(app.WaitForExit(), 0);
}

TEST(Program, SecondStartEndsAndACopyUnderAnotherNameRunsOnItsOwn)
{
    AppHost first("single");
    ASSERT_TRUE(first.Start());
    ASSERT_TRUE(first.WaitForWindow());

    std::string line = "\"" + first.ExePath() + "\"";
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(CreateProcessA(first.ExePath().c_str(), &line[0], NULL, NULL, FALSE, 0, NULL, first.Folder.c_str(), &si, &pi));
    ASSERT_EQ(WaitForSingleObject(pi.hProcess, 20000), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(first.CountInLog("-------- Log Start --------"), 2);
    EXPECT_EQ(first.CountInLog("-------- Log End --------"), 0);
    EXPECT_TRUE(first.Running());
    EXPECT_EQ(FindWindowA(first.ClassName().c_str(), AppTitle), first.Window);

    AppHost other("single2", "tovra2.exe");
    ASSERT_TRUE(other.Start());
    ASSERT_TRUE(other.WaitForWindow());
    EXPECT_NE(other.Window, first.Window);
    other.Post(WM_CLOSE);
    EXPECT_EQ(other.WaitForExit(), 0);
    EXPECT_NE(other.IniValue("Stop"), "<none>");
    EXPECT_EQ(other.CountInLog("-------- Log Start --------"), 1);

    first.Command(IDM_EXIT);
    EXPECT_EQ(first.WaitForExit(), 0);
}

TEST(Program, CommandLineOfOptionsOnlyEndsBeforeLogging)
{
    AppHost app("options");
    ASSERT_TRUE(app.Start("-a -b"));
    EXPECT_EQ(app.WaitForExit(), 0);
    EXPECT_FALSE(Exists(app.LogPath()));
    EXPECT_FALSE(Exists(app.IniPath()));
}

TEST(Program, HandEditedIntervalsNeitherCrashNorChangeTheFile)
{
    std::string watch = FreshFolder("garbage");
    for (const char *interval : {"0", "-5", "99999999", "soon"}) {
        AppHost app("garbage");
        app.WriteIni(std::string("Stop=0\r\nInterval=") + interval + "\r\nTargetFolder=" + watch +
                     "\r\nFreeSpaceSize=-7\r\nLogRotateSize=0");
        ASSERT_TRUE(app.Start());
        ASSERT_TRUE(app.WaitForWindow()) << interval;
        ASSERT_TRUE(app.WaitForLog("監視終了...")) << interval;
        app.Post(WM_TIMER, CHECK_TIMER);
        ASSERT_TRUE(app.WaitForLog("監視終了...", 1)) << interval;
        app.Post(WM_CLOSE);
        EXPECT_EQ(app.WaitForExit(), 0) << interval;
        std::string expected = std::string(interval) == "soon" ? "0" : interval;
        EXPECT_EQ(app.IniValue("Interval"), expected);
    }
}

TEST(Program, TrayClicksReturnWhatTheShellExpects)
{
    AppHost app("tray");
    ASSERT_TRUE(app.Start());
    ASSERT_TRUE(app.WaitForWindow());
    EXPECT_EQ(app.Send(WMU_TRAYICON, 100, WM_LBUTTONUP), 1);
    EXPECT_EQ(app.Send(WMU_TRAYICON, 100, WM_LBUTTONDBLCLK), 1);
    EXPECT_EQ(app.Send(WMU_ACTIVATE), 0);
    EXPECT_TRUE(app.Running());
    app.Post(WM_CLOSE);
    EXPECT_EQ(app.WaitForExit(), 0);
}

} // namespace
