// engine/freespace.cpp
#include "engine/freespace.h"
#include "engine/guard.h"
#include "log/log.h"
#include <ctype.h>

static DiskFreeSpaceExCall LookUpDiskFreeSpaceEx(void)
{
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    if (!kernel)
        return NULL;
    return (DiskFreeSpaceExCall)(void *)GetProcAddress(kernel, "GetDiskFreeSpaceExA");
}

static DiskFreeSpaceExResolver volatile Resolver = LookUpDiskFreeSpaceEx;

int SetDiskFreeSpaceExResolver(DiskFreeSpaceExResolver resolver)
{
    Resolver = resolver ? resolver : LookUpDiskFreeSpaceEx;
    return 0;
}

struct Measurement {
    const char *folder;
    FreeSpace space;
};

static int MeasureByClusters(Measurement &measurement)
{
    const char *folder = measurement.folder;
    char root[3];
    root[0] = folder[0];
    root[1] = folder[0] ? folder[1] : '\0';
    root[2] = '\0';
    if (!isalpha(tolower((unsigned char)root[0])) || root[1] != ':')
        return -1;
    DWORD sectorsPerCluster, bytesPerSector, freeClusters, totalClusters;
    if (!GetDiskFreeSpaceA(root, &sectorsPerCluster, &bytesPerSector, &freeClusters, &totalClusters))
        return -1;
    measurement.space.FreeBytes = (UINT64)sectorsPerCluster * bytesPerSector * freeClusters;
    measurement.space.Unit = sectorsPerCluster * bytesPerSector;
    return 0;
}

static int Measure(void *argument)
{
    Measurement &measurement = *(Measurement *)argument;
    DiskFreeSpaceExCall fn_GetDiskFreeSpaceEx = Resolver();
    if (!fn_GetDiskFreeSpaceEx)
        return MeasureByClusters(measurement);
    ULARGE_INTEGER available, total, totalFree;
    if (!fn_GetDiskFreeSpaceEx(measurement.folder, &available, &total, &totalFree))
        return -2;
    measurement.space.FreeBytes = available.QuadPart;
    measurement.space.Unit = 1024;
    return 0;
}

int MeasureFreeSpace(const char *folder, FreeSpace &space)
{
    // Measured into a record of its own, so that a failure, even one cut short by a
    // fault, leaves the caller's record as it was.
    Measurement measurement = { folder, space };
    int status;
    if (CallGuarded(Measure, &measurement, &status, NULL) != 0)
        status = -3;
    switch (status) {
    case 0:
        space = measurement.space;
        break;
    case -1:
        LogLine("Error: GetDiskFreeSpace(%s)\n", folder);
        break;
    case -2:
        LogLine("Error: fn_GetDiskFreeSpaceEx(%s)\n", folder);
        break;
    default:
        LogLine("Exception: GetDiskFreeSpace(%s)\n", folder);
        break;
    }
    return status;
}
