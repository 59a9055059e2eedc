// tests/test_resilience.cpp: the running program against a full disk, a kill, bad files and bad input
#include "app/mainwnd.h"
#include "resources/resource.h"
#include "tests/support/apphost.h"
#include "tests/support/testutil.h"
#include <gtest/gtest.h>
#include <stdlib.h>
#include <string>

namespace {

const char *const AllKeys[] = {"Stop", "FindSubFolder", "DelSubFolder", "FreeSpaceSize", "Interval", "ToTrashCan",
                               "DelReadOnly", "DelHidden", "LogRotateSize", "TargetFolder", "TargetExt"};

std::string FullIni(const std::string &folder, const std::string &minimum = "1")
{
    return "Stop=0\r\nFindSubFolder=1\r\nDelSubFolder=1\r\nFreeSpaceSize=" + minimum + "\r\nInterval=5\r\nToTrashCan=1\r\n"
           "DelReadOnly=0\r\nDelHidden=0\r\nLogRotateSize=100000\r\nTargetFolder=" + folder + "\r\nTargetExt=mpg,ts";
}

void ExpectEveryKey(const AppHost &app)
{
    for (const char *key : AllKeys)
        EXPECT_NE(app.IniValue(key), "<none>") << key;
}

// The program on a volume without a free byte: its log lines are lost, it keeps working, and
// its INI file keeps every setting.
TEST(Resilience, FullVolumeLosesLogLinesButNotTheSettings)
{
    const char *drive = getenv("TOVRA_SMALL_DRIVE");
    ASSERT_TRUE(drive != NULL);
    std::string volume = std::string(drive) + "\\";
    AppHost app("full");
    std::string source = app.ExePath();
    RemoveTree(volume + "app");
    RemoveTree(volume + "ballast.bin");
    ASSERT_TRUE(CreateDirectoryA((volume + "app").c_str(), NULL));
    ASSERT_TRUE(CreateDirectoryA((volume + "app\\watch").c_str(), NULL));
    app.Folder = volume + "app\\";
    ASSERT_TRUE(CopyFileA(source.c_str(), app.ExePath().c_str(), FALSE));
    app.WriteIni(FullIni(app.Folder + "watch\\"));
    ASSERT_TRUE(MakeFile(volume + "ballast.bin", FreeBytes(volume), 0));
    ASSERT_EQ(FreeBytes(volume), 0u);

    ASSERT_TRUE(app.Start());
    ASSERT_TRUE(app.WaitForWindow());
    app.Post(WMU_CHECKNOW);
    app.Post(WM_TIMER, CHECK_TIMER);
    Sleep(500);
    EXPECT_TRUE(app.Running());
    app.Post(WM_CLOSE);
    EXPECT_EQ(app.WaitForExit(), 0);
    ExpectEveryKey(app);
    EXPECT_EQ(app.IniValue("ToTrashCan"), "1");
    EXPECT_EQ(app.IniValue("TargetExt"), "mpg,ts");

    RemoveTree(volume + "ballast.bin");
    ASSERT_TRUE(app.Start());
    ASSERT_TRUE(app.WaitForWindow());
    ASSERT_TRUE(app.WaitForLog("監視終了..."));
    app.Post(WM_CLOSE);
    EXPECT_EQ(app.WaitForExit(), 0);
    ExpectEveryKey(app);
}

TEST(Resilience, KilledInTheMiddleOfAPassAndStartedAgain)
{
    std::string watch = FreshFolder("killed");
    for (int i = 0; i < 3000; i++)
        ASSERT_TRUE(MakeFile(watch + "r" + std::to_string(i) + ".mpg", 1000, i));
    AppHost app("killed");
    app.WriteIni(FullIni(watch, "1048576"));
    ASSERT_TRUE(app.Start());
    ASSERT_TRUE(app.WaitForWindow());
    ASSERT_TRUE(app.WaitForLog(" 削除: "));
    TerminateProcess(app.Process.hProcess, 1);
    ASSERT_EQ(app.WaitForExit(), 1);
    CloseHandle(app.Process.hProcess);
    CloseHandle(app.Process.hThread);
    app.Process = PROCESS_INFORMATION();
    EXPECT_TRUE(Exists(watch + "r2999.mpg"));

    ASSERT_TRUE(app.Start());
    ASSERT_TRUE(app.WaitForWindow());
    ASSERT_TRUE(app.WaitForLog("監視終了...", 1, 60000));
    EXPECT_FALSE(Exists(watch + "r2999.mpg"));
    app.Post(WM_CLOSE);
    EXPECT_EQ(app.WaitForExit(), 0);
    ExpectEveryKey(app);
}

TEST(Resilience, BadSettingsFilesNeitherCrashNorSurviveTheNextSave)
{
    std::string watch = FreshFolder("badini");
    const std::string contents[] = {
        std::string("\x00\x01\xff\xfe[Folder]\x00=\xff\r\n", 15),
        "[Folder]\r\nTargetFolder=" + std::string(400, 'x') + "\r\nTargetExt=" + std::string(400, '*'),
        "[Other]\r\nStop=0\r\n",
        "[Folder]\r\nFreeSpaceSize=-1\r\nInterval=2147483647\r\nLogRotateSize=-5\r\nStop=99999999999\r\n",
        "[Folder]\r\nTargetFolder=" + watch + "\r\nStop=0\r\nFreeSpaceSize=2147483647\r\nTargetExt=,,,**??,\r\n",
    };
    for (const std::string &text : contents) {
        AppHost app("badini");
        FILE *f = fopen(app.IniPath().c_str(), "wb");
        ASSERT_TRUE(f != NULL);
        fwrite(text.data(), 1, text.size(), f);
        fclose(f);
        ASSERT_TRUE(app.Start());
        ASSERT_TRUE(app.WaitForWindow());
        app.Post(WMU_CHECKNOW);
        app.Post(WM_TIMER, CHECK_TIMER);
        Sleep(300);
        app.Post(WM_CLOSE);
        EXPECT_EQ(app.WaitForExit(), 0);
        ExpectEveryKey(app);
    }
}

TEST(Resilience, HugeCommandLinesAreTakenCalmly)
{
    AppHost app("cmdline");
    std::string line = "\"" + app.ExePath() + "\"";
    for (int i = 0; i < 2000; i++)
        line += i % 3 ? " word" + std::to_string(i) : " -option" + std::to_string(i);
    line += " \"" + std::string(3000, 'q');
    ASSERT_GT(line.size(), 20000u);
    ASSERT_TRUE(app.Start(line));
    ASSERT_TRUE(app.WaitForWindow());
    app.Post(WM_CLOSE);
    EXPECT_EQ(app.WaitForExit(), 0);
    EXPECT_EQ(app.CountInLog("-------- Log End --------"), 1);
}

} // namespace

namespace {

TEST(Resilience, LockedSettingsFileIsLeftAsItWas)
{
    std::string watch = FreshFolder("lockedini");
    AppHost app("lockedini");
    app.WriteIni(FullIni(watch));
    std::string before = ReadFileBytes(app.IniPath());
    ASSERT_TRUE(app.Start());
    ASSERT_TRUE(app.WaitForWindow());
    ASSERT_TRUE(app.WaitForLog("監視終了..."));
    // Another program holds the file without sharing while the program saves at exit.
    HANDLE held = CreateFileA(app.IniPath().c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    app.Command(IDM_PAUSE);
    app.Post(WM_CLOSE);
    EXPECT_EQ(app.WaitForExit(), 0);
    CloseHandle(held);
    EXPECT_EQ(ReadFileBytes(app.IniPath()), before);
    ExpectEveryKey(app);
}

} // namespace
