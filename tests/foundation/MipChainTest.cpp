#include "foundation/MipChain.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(MipChain, LevelSizesHalveRoundingDownToOne)
{
    struct Case {
        u32 width, height, levels;
    } cases[] = {{1, 1, 1}, {2, 1, 2}, {1024, 1024, 11}, {300, 200, 9}, {5, 1, 3}, {1, 7, 3}};
    for (const Case& c : cases) EXPECT_EQ(MipLevelCount(c.width, c.height), c.levels) << c.width << " x " << c.height;
    EXPECT_EQ(MipLevelSize(300, 1), 150u);
    EXPECT_EQ(MipLevelSize(300, 3), 37u);
    EXPECT_EQ(MipLevelSize(5, 3), 1u);
    EXPECT_EQ(MipLevelSize(5, 40), 1u);
}

TEST(MipChain, EachTexelIsTheRoundedMeanOfItsBlock)
{
    // 4 x 2 RGB: two 2 x 2 blocks; the second rounds half up.
    const std::vector<u8> rgb = {0, 10, 255, 4, 10, 255, 1, 1, 0, 2, 0, 0,  //
                                 8, 10, 255, 0, 11, 255, 1, 0, 0, 1, 0, 0};
    std::vector<u8> half(2 * 1 * 3);
    HalveImage(rgb.data(), 4, 2, 3, half.data());
    EXPECT_EQ(half, (std::vector<u8>{3, 10, 255, 1, 0, 0}));
}

TEST(MipChain, OneTexelWideOrHighAveragesTheTwoThereAre)
{
    const std::vector<u8> row = {10, 21, 200, 255, 7};  // 5 x 1, one byte: the fifth texel drops out
    std::vector<u8> half(2);
    HalveImage(row.data(), 5, 1, 1, half.data());
    EXPECT_EQ(half, (std::vector<u8>{16, 228}));
    const std::vector<u8> column = {0, 0, 0, 0, 9, 9, 9, 9, 100, 100, 100, 100, 101, 101, 101, 101};  // 1 x 4 RGBA
    std::vector<u8> halfColumn(8);
    HalveImage(column.data(), 1, 4, 4, halfColumn.data());
    EXPECT_EQ(halfColumn, (std::vector<u8>{5, 5, 5, 5, 101, 101, 101, 101}));
}

TEST(MipChain, TheChainRunsDownToOneTexelFromEachLevelAbove)
{
    // 4 x 4 one-byte texels 0..15: level 1 is 2 x 2, level 2 the mean of those means.
    std::vector<u8> image(16);
    for (u32 i = 0; i < 16; ++i) image[i] = u8(i * 16);
    const auto levels = BuildMipLevels(image.data(), 4, 4, 1);
    EXPECT_EQ(std::vector<u8>(levels.get(), levels.get() + 5), (std::vector<u8>{40, 72, 168, 200, 120}));
    // Two components take the general path with the same rule.
    const std::vector<u8> two = {0, 100, 2, 100, 4, 100, 7, 101};
    const auto twoLevels = BuildMipLevels(two.data(), 2, 2, 2);
    EXPECT_EQ(std::vector<u8>(twoLevels.get(), twoLevels.get() + 2), (std::vector<u8>{3, 100}));
}

}  // namespace
