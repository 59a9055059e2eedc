// engine/scanalloc.cpp
#include "engine/scanalloc.h"
#include <windows.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

// The candidate list doubles its arrays as it grows, and a heap copies a large block to its
// new place at every doubling: for a list of a million files that is hundreds of megabytes
// moved, and the pages of every intermediate copy touched once more. A large block therefore
// lives in an address range of its own, reserved with room to double in place a few times;
// growing it commits more of the range. Smaller blocks stay on the heap.
static const size_t LargeBlock = 1 << 20;
// A range is reserved for eight times the request. Where the address space is wide, at least
// for a list of millions of files, so that a list of any likely size never moves. Where it is
// narrow, the eightfold room alone, so that a small list reserves little; a large one moves
// every third doubling, needing no more memory for it than the heap's doubling did. When there
// is no room for the range, less is asked, down to the request alone. Reserved pages cost no
// memory.
static const size_t RoomFactor = 8;
#if SIZE_MAX > 0xFFFFFFFFu
static const size_t MinimumRoom = (size_t)1 << 32;
#else
static const size_t MinimumRoom = 0;
#endif

// Before every block; keeps the block's address as aligned as the heap's own.
struct alignas(16) BlockHeader {
    size_t Reserved; // bytes of the block's own range, header included; 0 for a heap block
    size_t Size;     // bytes asked for the block, header not included
};

static size_t PageSize(void)
{
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    return system.dwPageSize;
}

static size_t RoundToPages(size_t bytes)
{
    size_t page = PageSize();
    return (bytes + page - 1) / page * page;
}

static void *BlockOf(BlockHeader *header)
{
    return header + 1;
}

static BlockHeader *HeaderOf(void *block)
{
    return (BlockHeader *)block - 1;
}

static size_t RoomFor(size_t needed)
{
    if (needed > SIZE_MAX / RoomFactor)
        return needed;
    return needed * RoomFactor < MinimumRoom ? MinimumRoom : needed * RoomFactor;
}

// A range reserved for the block and committed as far as it needs; NULL when neither the
// address space nor the commit limit allows it.
static BlockHeader *ReserveLarge(size_t bytes)
{
    if (bytes > SIZE_MAX - sizeof(BlockHeader) - PageSize())
        return NULL;
    size_t needed = RoundToPages(sizeof(BlockHeader) + bytes);
    size_t room = RoomFor(needed);
    void *range;
    while (!(range = VirtualAlloc(NULL, room, MEM_RESERVE, PAGE_NOACCESS))) {
        if (room == needed)
            return NULL;
        room = room / 2 < needed ? needed : RoundToPages(room / 2);
    }
    BlockHeader *header = (BlockHeader *)VirtualAlloc(range, needed, MEM_COMMIT, PAGE_READWRITE);
    if (!header) {
        VirtualFree(range, 0, MEM_RELEASE);
        return NULL;
    }
    header->Reserved = room;
    header->Size = bytes;
    return header;
}

void *ScanAlloc(size_t bytes)
{
    if (bytes >= LargeBlock) {
        BlockHeader *header = ReserveLarge(bytes);
        return header ? BlockOf(header) : NULL;
    }
    BlockHeader *header = (BlockHeader *)calloc(1, sizeof(BlockHeader) + bytes);
    if (!header)
        return NULL;
    header->Size = bytes;
    return BlockOf(header);
}

static void *GrowInPlace(BlockHeader *header, size_t bytes)
{
    if (!VirtualAlloc(header, RoundToPages(sizeof(BlockHeader) + bytes), MEM_COMMIT, PAGE_READWRITE))
        return NULL;
    header->Size = bytes;
    return BlockOf(header);
}

// A new range, or a heap block grown past the threshold: the content moves once.
static void *MoveToLarge(BlockHeader *header, size_t bytes)
{
    BlockHeader *moved = ReserveLarge(bytes);
    if (!moved)
        return NULL;
    memcpy(BlockOf(moved), BlockOf(header), header->Size < bytes ? header->Size : bytes);
    ScanFree(BlockOf(header));
    return BlockOf(moved);
}

void *ScanRealloc(void *block, size_t bytes)
{
    if (!block)
        return ScanAlloc(bytes);
    BlockHeader *header = HeaderOf(block);
    if (header->Reserved == 0) {
        if (bytes >= LargeBlock)
            return MoveToLarge(header, bytes);
        BlockHeader *moved = (BlockHeader *)realloc(header, sizeof(BlockHeader) + bytes);
        if (!moved)
            return NULL;
        moved->Size = bytes;
        return BlockOf(moved);
    }
    if (bytes <= header->Reserved - sizeof(BlockHeader))
        return GrowInPlace(header, bytes);
    return MoveToLarge(header, bytes);
}

void ScanFree(void *block)
{
    if (!block)
        return;
    BlockHeader *header = HeaderOf(block);
    if (header->Reserved != 0)
        VirtualFree(header, 0, MEM_RELEASE);
    else
        free(header);
}
