// tests/test_worker.cpp: passes on worker threads, one at a time, also across processes
#include "engine/worker.h"
#include "log/log.h"
#include "tests/support/testutil.h"
#include <gtest/gtest.h>
#include <stdlib.h>
#include <string>
#include <vector>

namespace {

struct LogEnvironment : ::testing::Environment {
    void SetUp() override
    {
        LogEnabled = 1;
        LogStart();
    }
};
::testing::Environment *const logEnvironment = ::testing::AddGlobalTestEnvironment(new LogEnvironment);

const char MutexName[] = "tovra_Thread_TovraCore";
const char ReadyEvent[] = "tovra_test_mutex_held";
const char ReleaseEvent[] = "tovra_test_mutex_release";

int WorkDoneCount;

LRESULT CALLBACK CountingWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WMU_WORKDONE) {
        WorkDoneCount++;
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND CreateCountingWindow()
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = CountingWndProc;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.lpszClassName = "WorkerTestWindow";
    RegisterClassA(&wc);
    return CreateWindowA("WorkerTestWindow", "", 0, 0, 0, 0, 0, HWND_MESSAGE, NULL, wc.hInstance, NULL);
}

// Pumps messages until `count` passes have reported their end, or the time-out.
bool WaitForWorkDone(int count, DWORD timeout = 30000)
{
    DWORD start = GetTickCount();
    while (WorkDoneCount < count && GetTickCount() - start < timeout) {
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
        Sleep(5);
    }
    return WorkDoneCount >= count;
}

bool LogContains(const std::string &text)
{
    return ReadFileBytes(TestLogPath()).find(text) != std::string::npos;
}

class Worker : public ::testing::Test {
protected:
    FolderSettings Settings;
    HWND Window = NULL;
    void SetUp() override
    {
        std::string dir = FreshFolder("worker");
        for (int i = 0; i < 100; i++)
            ASSERT_TRUE(MakeFile(dir + "f" + std::to_string(i) + ".mpg", 10, i));
        ResetSettings(Settings);
        strcpy(Settings.TargetFolder, dir.c_str());
        strcpy(Settings.TargetExt, "mpg");
        Settings.FreeSpaceSize = 1;
        WorkDoneCount = 0;
        Window = CreateCountingWindow();
        DeleteTestLog();
    }
    void TearDown() override { DestroyWindow(Window); }
};

TEST_F(Worker, PassesStartedTogetherRunOneAfterTheOther)
{
    ASSERT_EQ(StartWorker(&Settings, 1, Window), 0);
    ASSERT_EQ(StartWorker(&Settings, 1, Window), 0);
    ASSERT_EQ(StartWorker(&Settings, 1, Window), 0);
    ASSERT_TRUE(WaitForWorkDone(3));
    std::vector<std::string> lines = ReadLogTexts();
    int open = 0, passes = 0;
    for (const std::string &line : lines) {
        if (line == "テスト開始...") {
            EXPECT_EQ(open, 0) << "a pass began inside another:\n" << JoinLines(lines);
            open = 1;
            passes++;
        } else if (line.rfind("現在の空き容量(実測)", 0) == 0) {
            open = 0;
        }
    }
    EXPECT_EQ(passes, 3);
    EXPECT_EQ(open, 0);
}

TEST_F(Worker, PassWithoutWindowRunsAndNotifiesNobody)
{
    ASSERT_EQ(StartWorker(&Settings, 1, NULL), 0);
    DWORD start = GetTickCount();
    while (!LogContains("テスト終了") && GetTickCount() - start < 30000)
        Sleep(10);
    EXPECT_TRUE(LogContains("テスト終了"));
    EXPECT_FALSE(WaitForWorkDone(1, 300));
}

TEST_F(Worker, PassWorksFromTheRecordAsItStandsWhenItStarts)
{
    HANDLE mutex = CreateMutexA(NULL, TRUE, MutexName);
    ASSERT_TRUE(mutex != NULL);
    ASSERT_EQ(StartWorker(&Settings, 1, Window), 0);
    Sleep(200);
    EXPECT_FALSE(LogContains("テスト開始"));
    FolderSettings changed = Settings;
    strcpy(changed.TargetExt, "zzz");
    CopySettings(Settings, changed);
    ReleaseMutex(mutex);
    CloseHandle(mutex);
    ASSERT_TRUE(WaitForWorkDone(1));
    EXPECT_TRUE(LogContains(": zzz]"));
    EXPECT_FALSE(LogContains(".mpg"));
}

// Run as a second process by the next test: holds the pass mutex until told to let go.
TEST(WorkerChild, HoldsThePassMutex)
{
    if (getenv("TOVRA_HOLD_PASS_MUTEX") == NULL)
        GTEST_SKIP() << "runs only as the second process of PassesOfTwoProcessesExcludeEachOther";
    HANDLE mutex = CreateMutexA(NULL, TRUE, MutexName);
    HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, ReadyEvent);
    HANDLE release = OpenEventA(SYNCHRONIZE, FALSE, ReleaseEvent);
    ASSERT_TRUE(mutex && ready && release);
    SetEvent(ready);
    WaitForSingleObject(release, 60000);
    ReleaseMutex(mutex);
}

TEST_F(Worker, PassesOfTwoProcessesExcludeEachOther)
{
    HANDLE ready = CreateEventA(NULL, TRUE, FALSE, ReadyEvent);
    HANDLE release = CreateEventA(NULL, TRUE, FALSE, ReleaseEvent);
    char exe[MAX_PATH];
    GetModuleFileNameA(NULL, exe, MAX_PATH);
    std::string command = std::string("\"") + exe + "\" --gtest_filter=WorkerChild.HoldsThePassMutex";
    SetEnvironmentVariableA("TOVRA_HOLD_PASS_MUTEX", "1");
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(CreateProcessA(NULL, &command[0], NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi));
    SetEnvironmentVariableA("TOVRA_HOLD_PASS_MUTEX", NULL);
    ASSERT_EQ(WaitForSingleObject(ready, 30000), WAIT_OBJECT_0);

    ASSERT_EQ(StartWorker(&Settings, 1, Window), 0);
    EXPECT_FALSE(WaitForWorkDone(1, 1000));
    EXPECT_FALSE(LogContains("テスト開始"));
    SetEvent(release);
    EXPECT_TRUE(WaitForWorkDone(1));
    EXPECT_TRUE(LogContains("テスト終了"));

    WaitForSingleObject(pi.hProcess, 30000);
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    EXPECT_EQ(code, 0u);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    CloseHandle(ready);
    CloseHandle(release);
}

} // namespace
