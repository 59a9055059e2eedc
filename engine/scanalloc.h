// engine/scanalloc.h: where the folder walks take their memory from
#pragma once
#include <stddef.h>

// Every heap block of the scan and of the folder reads goes through these three, in a file
// of their own so that a test program can link its own versions and exhaust memory at any
// allocation it chooses. ScanAlloc gives zero-filled memory.
void *ScanAlloc(size_t bytes);
void *ScanRealloc(void *block, size_t bytes);
void ScanFree(void *block);
