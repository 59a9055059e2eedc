// tests/test_scanalloc.cpp: the scan's blocks, small and large, as the list grows
#include "engine/scanalloc.h"
#include <gtest/gtest.h>
#include <stdint.h>
#include <string.h>

// Each byte tells where it stands, so a byte left behind by a move shows.
static unsigned char Mark(size_t at)
{
    return (unsigned char)(at * 131 + at / 4099);
}

static void Fill(unsigned char *block, size_t from, size_t to)
{
    for (size_t i = from; i < to; i++)
        block[i] = Mark(i);
}

static size_t FirstWrong(const unsigned char *block, size_t bytes)
{
    for (size_t i = 0; i < bytes; i++)
        if (block[i] != Mark(i))
            return i;
    return bytes;
}

static bool AllZero(const unsigned char *block, size_t bytes)
{
    for (size_t i = 0; i < bytes; i++)
        if (block[i] != 0)
            return false;
    return true;
}

TEST(ScanAlloc, DoublingKeepsEveryByteFromTheHeapIntoALargeBlock)
{
    // From a small heap block past the size where blocks get a range of their own, to a list
    // of a quarter of a million records.
    size_t bytes = 256;
    unsigned char *block = (unsigned char *)ScanAlloc(bytes);
    ASSERT_NE(block, (unsigned char *)NULL);
    EXPECT_TRUE(AllZero(block, bytes));
    EXPECT_EQ((uintptr_t)block % 16, 0u);
    Fill(block, 0, bytes);
    while (bytes < ((size_t)72 << 20)) {
        size_t grown = bytes * 2;
        block = (unsigned char *)ScanRealloc(block, grown);
        ASSERT_NE(block, (unsigned char *)NULL) << grown;
        EXPECT_EQ((uintptr_t)block % 16, 0u) << grown;
        ASSERT_EQ(FirstWrong(block, bytes), bytes) << "grown to " << grown;
        Fill(block, bytes, grown);
        bytes = grown;
    }
    ASSERT_EQ(FirstWrong(block, bytes), bytes);
    ScanFree(block);
}

TEST(ScanAlloc, FreshBlocksAreZeroFilledAndFreeingNothingIsHarmless)
{
    for (size_t bytes : { (size_t)1, (size_t)4096, (size_t)1 << 20, ((size_t)3 << 20) + 5 }) {
        unsigned char *block = (unsigned char *)ScanAlloc(bytes);
        ASSERT_NE(block, (unsigned char *)NULL) << bytes;
        EXPECT_TRUE(AllZero(block, bytes)) << bytes;
        Fill(block, 0, bytes);
        EXPECT_EQ(FirstWrong(block, bytes), bytes) << bytes;
        ScanFree(block);
    }
    ScanFree(NULL);
    // Growing nothing is allocating.
    unsigned char *block = (unsigned char *)ScanRealloc(NULL, (size_t)2 << 20);
    ASSERT_NE(block, (unsigned char *)NULL);
    EXPECT_TRUE(AllZero(block, (size_t)2 << 20));
    ScanFree(block);
}

TEST(ScanAlloc, ARequestThatCannotBeMetLeavesTheBlockAsItWas)
{
    for (size_t start : { (size_t)4096, (size_t)2 << 20 }) {
        unsigned char *block = (unsigned char *)ScanAlloc(start);
        ASSERT_NE(block, (unsigned char *)NULL);
        Fill(block, 0, start);
        for (size_t huge : { SIZE_MAX, SIZE_MAX / 2, SIZE_MAX - 4096 }) {
            EXPECT_EQ(ScanRealloc(block, huge), (void *)NULL) << start << " to " << huge;
            EXPECT_EQ(FirstWrong(block, start), start) << start << " to " << huge;
        }
        EXPECT_EQ(ScanAlloc(SIZE_MAX), (void *)NULL);
        ScanFree(block);
    }
}
