#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "foundation/BlockArena.h"

namespace {

struct Block {
    u8* at;
    size_t size;
};

// Every block is 16-byte aligned and holds its own bytes: filled with a pattern of its own and
// checked after all are placed, so an overlap shows.
void FillAndCheck(const std::vector<Block>& blocks)
{
    for (size_t i = 0; i < blocks.size(); ++i) {
        EXPECT_EQ(reinterpret_cast<uintptr_t>(blocks[i].at) % 16, 0u) << "block " << i;
        memset(blocks[i].at, int(i + 1), blocks[i].size);
    }
    for (size_t i = 0; i < blocks.size(); ++i)
        for (size_t b = 0; b < blocks[i].size; b += 997) ASSERT_EQ(blocks[i].at[b], u8(i + 1)) << "block " << i;
}

}  // namespace

TEST(BlockArena, BlocksOfEverySizeAreSeparateAndAllFreedLeavesNothingMapped)
{
    BlockArena arena = {};
    // Small ones sharing a span, one of exactly a span, one larger than two spans, and
    // small ones again after it.
    const size_t sizes[] = {1, 16, 17, 4000, 64 * 1024, size_t(2) << 20, (size_t(5) << 20) + 3, 100, 1 << 20, 48};
    std::vector<Block> blocks;
    size_t asked = 0;
    for (size_t n : sizes) {
        u8* p = static_cast<u8*>(ArenaAlloc(&arena, n));
        ASSERT_NE(p, nullptr) << n << " bytes";
        blocks.push_back(Block{p, n});
        asked += n;
    }
    FillAndCheck(blocks);
    EXPECT_GE(arena.inUse, asked);
    EXPECT_GE(arena.mapped, arena.inUse);
    // Freed in an order that is neither the placing order nor its reverse.
    for (size_t i : {3u, 0u, 9u, 5u, 1u, 7u, 2u, 8u, 4u, 6u}) ArenaFree(&arena, blocks[i].at);
    EXPECT_EQ(arena.inUse, 0u);
    EXPECT_EQ(arena.mapped, 0u);
    EXPECT_EQ(arena.mappings.count, 0u);
    ArenaFree(&arena, nullptr);
    EXPECT_EQ(arena.inUse, 0u);
}

TEST(BlockArena, TheRoomOfTheLastBlockIsReusedAndOthersWaitForTheirSpan)
{
    BlockArena arena = {};
    u8* a = static_cast<u8*>(ArenaAlloc(&arena, 1000));
    u8* b = static_cast<u8*>(ArenaAlloc(&arena, 1000));
    ASSERT_TRUE(a && b);
    const size_t mapped = arena.mapped;
    ArenaFree(&arena, b);
    u8* c = static_cast<u8*>(ArenaAlloc(&arena, 1000));
#ifndef TAVIK_ARENA_HEAP
    EXPECT_EQ(c, b) << "the block at the end gives its room back";
    ArenaFree(&arena, a);
    EXPECT_EQ(arena.mapped, mapped) << "the span stays while a block in it lives";
#else
    (void)mapped;
    ArenaFree(&arena, a);
#endif
    memset(c, 7, 1000);
    ArenaFree(&arena, c);
    EXPECT_EQ(arena.mapped, 0u);
}

TEST(BlockArena, AnAbsurdSizeIsRefused)
{
    BlockArena arena = {};
    EXPECT_EQ(ArenaAlloc(&arena, SIZE_MAX), nullptr);
    EXPECT_EQ(ArenaAlloc(&arena, SIZE_MAX / 2), nullptr);
    EXPECT_EQ(arena.inUse, 0u);
    EXPECT_EQ(arena.mapped, 0u);
}
