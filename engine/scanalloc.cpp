// engine/scanalloc.cpp
#include "engine/scanalloc.h"
#include <stdlib.h>

void *ScanAlloc(size_t bytes)
{
    return calloc(1, bytes);
}

void *ScanRealloc(void *block, size_t bytes)
{
    return realloc(block, bytes);
}

void ScanFree(void *block)
{
    free(block);
}
