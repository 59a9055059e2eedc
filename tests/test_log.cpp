// tests/test_log.cpp: the activity log's lines, its sink window and its rotation
#include "log/log.h"
#include "tests/support/testutil.h"
#include <gtest/gtest.h>
#include <memory>
#include <stdio.h>
#include <set>
#include <string>
#include <vector>

namespace {

class LogEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        LogEnabled = 1;
        LogStart();
    }
};
::testing::Environment *const logEnvironment = ::testing::AddGlobalTestEnvironment(new LogEnvironment);

// Runs while the program's statics are set up, before main and so before the environment's
// LogStart: a line asked for then has no lock to keep it whole and is dropped without harm.
bool DropsLinesBeforeStart()
{
    DeleteTestLog();
    LogEnabled = 1;
    int line = LogLine("before start %s\n", "x");
    int value = LogValue("%d\n", 1);
    LogEnabled = 0;
    return line == 0 && value == 0 && !Exists(TestLogPath());
}
const bool droppedBeforeStart = DropsLinesBeforeStart();

std::string RotatedPath()
{
    return TestLogPath() + ".2";
}

std::string PrefixNow()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    char prefix[64];
    snprintf(prefix, sizeof prefix, "%04d/%02d/%02d %02d:%02d:%02d : ", now.wYear, now.wMonth, now.wDay, now.wHour,
             now.wMinute, now.wSecond);
    return prefix;
}

// Texts of a log file's lines without prefix and line end.
std::vector<std::string> TextsOf(const std::string &bytes)
{
    std::vector<std::string> texts;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find("\r\n", start);
        if (end == std::string::npos || end - start < 22) {
            ADD_FAILURE() << "malformed log line: " << bytes.substr(start);
            break;
        }
        texts.push_back(bytes.substr(start + 22, end - start - 22));
        start = end + 2;
    }
    return texts;
}

class LogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        LogEnabled = 1;
        LogSink = NULL;
        RemoveTree(RotatedPath());
        DeleteTestLog();
    }
    void TearDown() override
    {
        LogEnabled = 1;
        LogSink = NULL;
        RemoveTree(RotatedPath());
    }
};

TEST(LogBeforeStart, LineIsDroppedAndNothingIsCreated)
{
    EXPECT_TRUE(droppedBeforeStart);
}

TEST_F(LogTest, LineInFileIsLocalTimePrefixShiftJisTextAndCrLf)
{
    std::string before = PrefixNow();
    LogLine("監視開始...%s\n", "");
    LogLine(" 削除: %s\n", "T:\\録画\\番組.mpg");
    std::string after = PrefixNow();

    std::string bytes = ReadFileBytes(TestLogPath());
    std::string first = "\x8A\xC4\x8E\x8B\x8A\x4A\x8E\x6E...\r\n";
    std::string second = " 削除: T:\\録画\\番組.mpg\r\n";
    ASSERT_EQ(bytes.size(), 22 + first.size() + 22 + second.size()) << bytes;
    for (size_t at : {(size_t)0, 22 + first.size()}) {
        std::string prefix = bytes.substr(at, 22);
        EXPECT_GE(prefix, before);
        EXPECT_LE(prefix, after);
    }
    EXPECT_EQ(bytes.substr(22, first.size()), first);
    EXPECT_EQ(bytes.substr(22 + first.size() + 22), second);
}

TEST_F(LogTest, BannersAndValues)
{
    LogStart();
    LogValue("%d\n", -5);
    LogValue(" 削除後の空き容量(予測): %d メガバイト\n", -5);
    LogEnd();
    std::vector<std::string> expected = {
        "-------- Log Start --------",
        "-5",
        " 削除後の空き容量(予測): -5 メガバイト",
        "-------- Log End --------",
    };
    EXPECT_EQ(ReadLogTexts(), expected);
}

TEST_F(LogTest, NothingIsWrittenWhileLoggingIsOff)
{
    LogEnabled = 0;
    LogLine("off %s\n", "x");
    LogValue("%d\n", 1);
    EXPECT_FALSE(Exists(TestLogPath()));
}

TEST_F(LogTest, OverlongTextIsCutToItsBufferAndStillEndsTheLine)
{
    std::string mixed = "a";
    for (int i = 0; i < 700; i++)
        mixed += "あ";
    LogLine("%s\n", std::string(2000, 'x').c_str());
    LogLine("%s\n", mixed.c_str());
    LogValue((std::string(600, 'y') + "%d\n").c_str(), 7);
    LogLine("next%s\n", "");

    std::string cutMixed = "a";
    for (int i = 0; i < 510; i++)
        cutMixed += "あ";
    std::vector<std::string> expected = {
        std::string(1022, 'x'),
        cutMixed,
        std::string(510, 'y'),
        "next",
    };
    EXPECT_EQ(ReadLogTexts(), expected);
}

std::vector<std::string> SinkTexts;

LRESULT CALLBACK SinkProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WMU_LOGTEXT) {
        SinkTexts.push_back((const char *)lParam);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

bool IsPrefixShape(const std::string &text)
{
    static const char shape[] = "9999/99/99 99:99:99 : ";
    if (text.size() != 22)
        return false;
    for (int i = 0; i < 22; i++) {
        bool digit = text[i] >= '0' && text[i] <= '9';
        if (shape[i] == '9' ? !digit : text[i] != shape[i])
            return false;
    }
    return true;
}

class SinkTest : public LogTest {
protected:
    void SetUp() override
    {
        LogTest::SetUp();
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = SinkProc;
        windowClass.hInstance = GetModuleHandleA(NULL);
        windowClass.lpszClassName = "TovraLogSinkTest";
        RegisterClassA(&windowClass);
        // A message-only window: it receives sends like any other and needs no display.
        window = CreateWindowA("TovraLogSinkTest", "sink", 0, 0, 0, 0, 0, HWND_MESSAGE, NULL, GetModuleHandleA(NULL),
                               NULL);
        ASSERT_TRUE(window != NULL);
        SinkTexts.clear();
    }
    void TearDown() override
    {
        LogSink = NULL;
        DestroyWindow(window);
        LogTest::TearDown();
    }
    HWND window = NULL;
};

TEST_F(SinkTest, LineGoesToTheSinkAsPrefixThenTextAndNotToTheFile)
{
    std::string before = PrefixNow();
    LogSink = window;
    LogLine(" 空フォルダの削除: %s\n", "T:\\a\\");
    LogSink = NULL;
    ASSERT_EQ(SinkTexts.size(), 2u);
    EXPECT_TRUE(IsPrefixShape(SinkTexts[0])) << SinkTexts[0];
    EXPECT_GE(SinkTexts[0], before);
    EXPECT_EQ(SinkTexts[1], " 空フォルダの削除: T:\\a\\\n");
    EXPECT_FALSE(Exists(TestLogPath()));

    LogLine("back %s\n", "home");
    EXPECT_EQ(SinkTexts.size(), 2u);
    EXPECT_EQ(ReadLogTexts(), std::vector<std::string>{"back home"});
}

DWORD WINAPI WriteTwoLines(void *)
{
    LogLine(" 削除: %s\n", "worker");
    LogValue("%d\n", 3);
    return 0;
}

TEST_F(SinkTest, WorkerLinesReachTheSinkWhileItsThreadPumps)
{
    LogSink = window;
    HANDLE thread = CreateThread(NULL, 0, WriteTwoLines, NULL, 0, NULL);
    ASSERT_TRUE(thread != NULL);
    for (;;) {
        DWORD wait = MsgWaitForMultipleObjects(1, &thread, FALSE, 10000, QS_ALLINPUT);
        if (wait != WAIT_OBJECT_0 + 1)
            break;
        MSG message;
        while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE))
            DispatchMessageA(&message);
    }
    EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_OBJECT_0);
    CloseHandle(thread);
    LogSink = NULL;

    ASSERT_EQ(SinkTexts.size(), 4u);
    EXPECT_TRUE(IsPrefixShape(SinkTexts[0]));
    EXPECT_EQ(SinkTexts[1], " 削除: worker\n");
    EXPECT_TRUE(IsPrefixShape(SinkTexts[2]));
    EXPECT_EQ(SinkTexts[3], "3\n");
    EXPECT_FALSE(Exists(TestLogPath()));
}

TEST_F(LogTest, RotatesAtExactlyTheLimitAndKeepsOneCopy)
{
    LogLine("one %s\n", "a");
    LogLine("two %s\n", "b");
    std::string old = ReadFileBytes(TestLogPath());

    EXPECT_EQ(RotateLog((DWORD)old.size() + 1), 0);
    EXPECT_EQ(ReadFileBytes(TestLogPath()), old);
    EXPECT_FALSE(Exists(RotatedPath()));

    EXPECT_EQ(RotateLog((DWORD)old.size()), 1);
    EXPECT_EQ(ReadFileBytes(RotatedPath()), old);
    std::string rotationLine = "-------- Rotate to " + RotatedPath() + " --------";
    EXPECT_EQ(ReadLogTexts(), std::vector<std::string>{rotationLine});

    LogLine("three %s\n", "c");
    std::string second = ReadFileBytes(TestLogPath());
    EXPECT_EQ(RotateLog(1), 1);
    EXPECT_EQ(ReadFileBytes(RotatedPath()), second);
    EXPECT_EQ(ReadLogTexts(), std::vector<std::string>{rotationLine});
}

TEST_F(LogTest, WithoutLogFileRotationCreatesNothing)
{
    EXPECT_EQ(RotateLog(0), -1);
    EXPECT_FALSE(Exists(TestLogPath()));
    EXPECT_FALSE(Exists(RotatedPath()));
}

TEST_F(LogTest, FailedCopyKeepsTheLog)
{
    ASSERT_TRUE(CreateDirectoryA(RotatedPath().c_str(), NULL));
    LogLine("keep %s\n", "me");
    EXPECT_EQ(RotateLog(1), -2);
    std::vector<std::string> expected = {"keep me", "Error: CopyFile(" + RotatedPath() + ")"};
    EXPECT_EQ(ReadLogTexts(), expected);
}

// While a pass holds the file, each line is in the file as soon as LogLine returns, bytes as
// ever; what another program appends meanwhile (a second start's banner) is not overwritten;
// a rotation in the middle empties the file and the next line opens it afresh.
TEST_F(LogTest, HeldFileGetsEveryLineAtOnceAfterWhatOthersAppended)
{
    LogLine("before %s\n", "hold");
    std::string unheld = ReadFileBytes(TestLogPath());
    struct Hold {
        Hold() { LogHoldFile(1); }
        ~Hold() { LogHoldFile(0); }
    };
    std::unique_ptr<Hold> hold(new Hold);
    LogLine("held %s\n", "one");
    std::string afterOne = ReadFileBytes(TestLogPath());
    EXPECT_EQ(afterOne.substr(0, unheld.size()), unheld);
    EXPECT_EQ(afterOne.substr(unheld.size() + 22), "held one\r\n");

    FILE *other = fopen(TestLogPath().c_str(), "a");
    ASSERT_TRUE(other != NULL);
    fputs("2026/12/10 10:00:00 : another program\n", other);
    fclose(other);
    LogLine("held %s\n", "two");
    std::vector<std::string> texts = TextsOf(ReadFileBytes(TestLogPath()));
    ASSERT_EQ(texts.size(), 4u);
    EXPECT_EQ(texts[3], "held two");

    EXPECT_EQ(RotateLog(1), 1);
    LogLine("held %s\n", "three");
    hold.reset();
    std::vector<std::string> expected = {"-------- Rotate to " + RotatedPath() + " --------", "held three"};
    EXPECT_EQ(ReadLogTexts(), expected);
    EXPECT_EQ(TextsOf(ReadFileBytes(RotatedPath())).size(), 4u);
    // Released: the file is closed again, so it can be removed.
    EXPECT_TRUE(DeleteFileA(TestLogPath().c_str()));
}

const int HammerLines = 3000;

// Writes its lines like a pass, holding the file when asked to.
DWORD WINAPI HammerLog(void *held)
{
    if (held)
        LogHoldFile(1);
    char number[16];
    for (int i = 0; i < HammerLines; i++) {
        snprintf(number, sizeof number, "%d", i);
        LogLine("line %s\n", number);
    }
    if (held)
        LogHoldFile(0);
    return 0;
}

class RotationDuringLines : public LogTest, public ::testing::WithParamInterface<bool> {};

// The main thread rotates while a pass of an earlier check still writes, holding the file or not.
TEST_P(RotationDuringLines, AreNeverLost)
{
    HANDLE thread = CreateThread(NULL, 0, HammerLog, GetParam() ? (void *)1 : NULL, 0, NULL);
    ASSERT_TRUE(thread != NULL);
    std::vector<std::string> texts;
    int rotations = 0;
    while (WaitForSingleObject(thread, 0) == WAIT_TIMEOUT) {
        if (RotateLog(1024) == 1) {
            rotations++;
            std::vector<std::string> copied = TextsOf(ReadFileBytes(RotatedPath()));
            texts.insert(texts.end(), copied.begin(), copied.end());
        }
    }
    CloseHandle(thread);
    std::vector<std::string> rest = TextsOf(ReadFileBytes(TestLogPath()));
    texts.insert(texts.end(), rest.begin(), rest.end());

    EXPECT_GE(rotations, 3);
    std::multiset<std::string> lines;
    for (const std::string &text : texts)
        if (text.compare(0, 5, "line ") == 0)
            lines.insert(text);
    EXPECT_EQ(lines.size(), (size_t)HammerLines);
    for (int i = 0; i < HammerLines; i++)
        EXPECT_EQ(lines.count("line " + std::to_string(i)), 1u) << i;
}

INSTANTIATE_TEST_SUITE_P(LogTest, RotationDuringLines, ::testing::Values(false, true));

}
