// tests/test_freespace.cpp: the structured exception guard and the free-space measurement
#include "engine/freespace.h"
#include "engine/guard.h"
#include "log/log.h"
#include "tests/support/testutil.h"
#include <gtest/gtest.h>
#include <stdexcept>
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

const DWORD TestCode = 0xE0001234;

int ReturnArgument(void *argument)
{
    return *(int *)argument;
}

int Raise(void *)
{
    RaiseException(TestCode, 0, 0, NULL);
    return 1;
}

// A reserved page that was never committed: any access to it is an access violation
// (address zero is no such place under Wine).
int *Forbidden(void)
{
    static int *page = (int *)VirtualAlloc(NULL, 4096, MEM_RESERVE, PAGE_NOACCESS);
    return page;
}

int WriteForbidden(void *)
{
    int *volatile nowhere = Forbidden();
    *nowhere = 1;
    return 1;
}

int RunGuarded(GuardedCall call, DWORD *code, int *result)
{
    *result = -99;
    *code = 0;
    return CallGuarded(call, nullptr, result, code);
}

TEST(Guard, ReturnsTheCallsResultOrTheFaultsCode)
{
    int value = 42, result = -99;
    DWORD code = 0;
    EXPECT_EQ(CallGuarded(ReturnArgument, &value, &result, &code), 0);
    EXPECT_EQ(result, 42);

    EXPECT_EQ(RunGuarded(Raise, &code, &result), -1);
    EXPECT_EQ(code, TestCode);
    EXPECT_EQ(result, -99);

    EXPECT_EQ(RunGuarded(WriteForbidden, &code, &result), -1);
    EXPECT_EQ(code, (DWORD)EXCEPTION_ACCESS_VIOLATION);
    EXPECT_EQ(result, -99);

    EXPECT_EQ(CallGuarded(Raise, nullptr, nullptr, nullptr), -1);
}

int InnerFaultThenValue(void *argument)
{
    DWORD code = 0;
    int result = 0;
    int status = CallGuarded(WriteForbidden, nullptr, &result, &code);
    *(DWORD *)argument = code;
    return status == -1 ? 7 : 0;
}

int InnerValueThenFault(void *)
{
    int value = 3, result = 0;
    CallGuarded(ReturnArgument, &value, &result, nullptr);
    RaiseException(TestCode, 0, 0, NULL);
    return result;
}

TEST(Guard, NestedGuardsEachCatchTheirOwnFault)
{
    DWORD innerCode = 0, code = 0;
    int result = 0;
    EXPECT_EQ(CallGuarded(InnerFaultThenValue, &innerCode, &result, &code), 0);
    EXPECT_EQ(innerCode, (DWORD)EXCEPTION_ACCESS_VIOLATION);
    EXPECT_EQ(result, 7);

    EXPECT_EQ(RunGuarded(InnerValueThenFault, &code, &result), -1);
    EXPECT_EQ(code, TestCode);
}

int NoticesAndCaughtThrows(void *)
{
    // Debug output travels as an informational exception, and a C++ throw of this runtime
    // may too: neither is a fault.
    OutputDebugStringA("guard test\n");
    try {
        throw std::runtime_error("caught inside");
    } catch (const std::runtime_error &) {
        return 5;
    }
}

TEST(Guard, NoticesAndHandledThrowsInsideTheCallPassThrough)
{
    int result = 0;
    EXPECT_EQ(CallGuarded(NoticesAndCaughtThrows, nullptr, &result, nullptr), 0);
    EXPECT_EQ(result, 5);
}

const DWORD OutsideCode = 0xE0005678;
int OutsideSeen = 0;

LONG CALLBACK ContinueOutsideCode(EXCEPTION_POINTERS *info)
{
    if (info->ExceptionRecord->ExceptionCode != OutsideCode)
        return EXCEPTION_CONTINUE_SEARCH;
    OutsideSeen++;
    return EXCEPTION_CONTINUE_EXECUTION;
}

TEST(Guard, ExceptionsOutsideAnyGuardAreLeftToOthers)
{
    int value = 1, result = 0;
    ASSERT_EQ(CallGuarded(ReturnArgument, &value, &result, nullptr), 0);
    void *handler = AddVectoredExceptionHandler(0, ContinueOutsideCode);
    ASSERT_TRUE(handler != NULL);
    OutsideSeen = 0;
    RaiseException(OutsideCode, 0, 0, NULL);
    DWORD code = 0;
    EXPECT_EQ(RunGuarded(Raise, &code, &result), -1);
    RaiseException(OutsideCode, 0, 0, NULL);
    RemoveVectoredExceptionHandler(handler);
    EXPECT_EQ(OutsideSeen, 2);
}

int RepeatGuards(void)
{
    int failures = 0;
    for (int i = 0; i < 100; i++) {
        int value = i, result = -1;
        DWORD code = 0;
        GuardedCall call = i % 3 == 0 ? ReturnArgument : i % 3 == 1 ? Raise : WriteForbidden;
        int status = CallGuarded(call, &value, &result, &code);
        bool ok = i % 3 == 0 ? status == 0 && result == i
                  : i % 3 == 1 ? status == -1 && code == TestCode && result == -1
                               : status == -1 && code == EXCEPTION_ACCESS_VIOLATION && result == -1;
        failures += ok ? 0 : 1;
    }
    return failures;
}

DWORD WINAPI RepeatGuardsOnThread(void *)
{
    return (DWORD)RepeatGuards();
}

TEST(Guard, RepeatedUseOnTwoThreads)
{
    HANDLE thread = CreateThread(NULL, 0, RepeatGuardsOnThread, NULL, 0, NULL);
    ASSERT_TRUE(thread != NULL);
    EXPECT_EQ(RepeatGuards(), 0);
    ASSERT_EQ(WaitForSingleObject(thread, 30000), WAIT_OBJECT_0);
    DWORD failures = 1;
    GetExitCodeThread(thread, &failures);
    CloseHandle(thread);
    EXPECT_EQ(failures, 0u);
}

DiskFreeSpaceExCall NoExtendedQuery(void)
{
    return NULL;
}

BOOL WINAPI RaisingQuery(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER)
{
    RaiseException(TestCode, 0, 0, NULL);
    return TRUE;
}

BOOL WINAPI FaultingQuery(LPCSTR, PULARGE_INTEGER available, PULARGE_INTEGER, PULARGE_INTEGER)
{
    available->QuadPart = 1;
    WriteForbidden(nullptr);
    return TRUE;
}

DiskFreeSpaceExCall ResolveRaisingQuery(void)
{
    return RaisingQuery;
}

DiskFreeSpaceExCall ResolveFaultingQuery(void)
{
    return FaultingQuery;
}

class FreeSpaceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = FreshFolder("freespace");
        DeleteTestLog();
    }
    void TearDown() override
    {
        SetDiskFreeSpaceExResolver(NULL);
        RemoveTree(TestVolume() + "freespace");
    }
    std::string folder;
};

TEST_F(FreeSpaceTest, ExtendedQueryGivesTheVolumesRealFigureInUnitsOf1024)
{
    FreeSpace space = {0, 0};
    UINT64 before = FreeBytes(folder);
    ASSERT_EQ(MeasureFreeSpace(folder.c_str(), space), 0);
    EXPECT_EQ(space.FreeBytes, before);
    EXPECT_EQ(space.Unit, 1024u);

    const UINT64 size = 4 << 20;
    ASSERT_TRUE(MakeFile(folder + "big.mpg", size, 0));
    FreeSpace filled = {0, 0};
    ASSERT_EQ(MeasureFreeSpace(folder.c_str(), filled), 0);
    EXPECT_NEAR((double)(before - filled.FreeBytes), (double)size, 65536.0);

    ASSERT_TRUE(DeleteFileA((folder + "big.mpg").c_str()));
    ASSERT_EQ(MeasureFreeSpace(folder.c_str(), filled), 0);
    EXPECT_NEAR((double)filled.FreeBytes, (double)before, 65536.0);
    EXPECT_TRUE(ReadLogTexts().empty());
}

TEST_F(FreeSpaceTest, FallbackCountsClustersOfTheDrive)
{
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
    ASSERT_TRUE(GetDiskFreeSpaceA(TestVolume().c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters,
                                  &totalClusters));
    DWORD cluster = sectorsPerCluster * bytesPerSector;
    SetDiskFreeSpaceExResolver(NoExtendedQuery);

    std::string lower = folder;
    lower[0] = (char)tolower((unsigned char)lower[0]);
    for (const std::string &path : {folder, lower}) {
        FreeSpace space = {0, 0};
        UINT64 real = FreeBytes(folder);
        ASSERT_EQ(MeasureFreeSpace(path.c_str(), space), 0) << path;
        EXPECT_EQ(space.Unit, cluster);
        EXPECT_LE(space.FreeBytes, real);
        EXPECT_LT(real - space.FreeBytes, (UINT64)cluster + 65536) << path;
    }
    EXPECT_TRUE(ReadLogTexts().empty());
}

TEST_F(FreeSpaceTest, FallbackWithoutDriveLetterFailsAndKeepsTheRecord)
{
    SetDiskFreeSpaceExResolver(NoExtendedQuery);
    const char *paths[] = {"\\\\server\\share\\", "1:\\data\\", "T", "", "K:\\nowhere\\"};
    std::vector<std::string> expected;
    for (const char *path : paths) {
        FreeSpace space = {12345, 77};
        EXPECT_EQ(MeasureFreeSpace(path, space), -1) << path;
        EXPECT_EQ(space.FreeBytes, 12345u);
        EXPECT_EQ(space.Unit, 77u);
        expected.push_back(std::string("Error: GetDiskFreeSpace(") + path + ")");
    }
    EXPECT_EQ(ReadLogTexts(), expected);
}

TEST_F(FreeSpaceTest, RejectedFolderFailsTheExtendedQuery)
{
    std::string missing = folder + "missing\\";
    FreeSpace space = {12345, 77};
    EXPECT_EQ(MeasureFreeSpace(missing.c_str(), space), -2);
    EXPECT_EQ(space.FreeBytes, 12345u);
    EXPECT_EQ(space.Unit, 77u);
    EXPECT_EQ(ReadLogTexts(), std::vector<std::string>{"Error: fn_GetDiskFreeSpaceEx(" + missing + ")"});
}

TEST_F(FreeSpaceTest, FaultDuringTheQueryIsReportedAndKeepsTheRecord)
{
    std::vector<std::string> expected;
    for (DiskFreeSpaceExResolver resolver : {ResolveRaisingQuery, ResolveFaultingQuery}) {
        SetDiskFreeSpaceExResolver(resolver);
        FreeSpace space = {12345, 77};
        EXPECT_EQ(MeasureFreeSpace(folder.c_str(), space), -3);
        EXPECT_EQ(space.FreeBytes, 12345u);
        EXPECT_EQ(space.Unit, 77u);
        expected.push_back("Exception: GetDiskFreeSpace(" + folder + ")");
    }
    EXPECT_EQ(ReadLogTexts(), expected);

    SetDiskFreeSpaceExResolver(NULL);
    FreeSpace space = {0, 0};
    EXPECT_EQ(MeasureFreeSpace(folder.c_str(), space), 0);
    EXPECT_EQ(space.Unit, 1024u);
}

}
