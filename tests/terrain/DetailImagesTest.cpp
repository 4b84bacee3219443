// Detail grids as images without files: the block layout and mirror, the round trip, the
// vote of each block and block half, values past 127 and the import's lock rule.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "terrain/DetailImages.h"
#include "tests/terrain/TerrainFixture.h"

namespace {

constexpr u32 kW = 32, kH = 32, kRow = kW * 8;

struct Loaded {
    TerrainModel model;
    Loaded()
    {
        LoadModel(model, MakeFlatMesh(1, 1));
        std::mt19937 random(7);
        for (u32 i = 0; i < kW * kH; ++i) model.vertexGrid->Bytes()[i] = u8(random() % 128);
        for (u32 i = 0; i < kW * kH * 2; ++i) model.triangleGrid->Bytes()[i] = u8(random() % 128);
    }
};

std::vector<u8> Grid(const DetailGrid* g) { return std::vector<u8>(g->Bytes(), g->Bytes() + g->ByteCount()); }

TEST(DetailImages, ExportsRoundTripUnchangedAndColumnZeroHoldsTheLastVertex)
{
    Loaded l;
    const std::vector<u8> vertices = Grid(l.model.vertexGrid), triangles = Grid(l.model.triangleGrid);
    std::vector<u8> v(size_t(kRow) * kH * 8), t(v.size());
    ASSERT_EQ(WriteVertexDetailImage(l.model, v.data()), 1);
    ASSERT_EQ(WriteTriangleDetailImage(l.model, t.data()), 1);
    EXPECT_EQ(v[0], VertexAt(l.model, kW - 1, 0));
    EXPECT_EQ(v[kRow * 8 + kRow - 1], VertexAt(l.model, 0, 1));
    // Square (0, 0) is even: row 0 of its block is all triangle 1, row 7 all but pixel 7 triangle 0.
    EXPECT_EQ(t[kRow - 1], TriangleAt(l.model, 0, 0, 1));
    EXPECT_EQ(t[7 * kRow + kRow - 1], TriangleAt(l.model, 0, 0, 0));
    EXPECT_EQ(t[7 * kRow + kRow - 8], TriangleAt(l.model, 0, 0, 1));

    memset(l.model.vertexGrid->Bytes(), 0, kW * kH);
    memset(l.model.triangleGrid->Bytes(), 0, kW * kH * 2);
    EXPECT_EQ(ImportVertexDetailImage(&l.model, v.data(), false), 1);
    EXPECT_EQ(ImportTriangleDetailImage(&l.model, t.data(), false), 1);
    EXPECT_EQ(Grid(l.model.vertexGrid), vertices);
    EXPECT_EQ(Grid(l.model.triangleGrid), triangles);
}

TEST(DetailImages, TriangleHalvesHave28And36Pixels)
{
    for (u32 odd : {0u, 1u}) {
        u32 zero = 0;
        for (u32 r = 0; r < 8; ++r)
            for (u32 p = 0; p < 8; ++p) zero += !InTriangleOne(odd, p, r);
        EXPECT_EQ(zero, odd ? 36u : 28u);
    }
}

TEST(DetailImages, EachBlockTakesItsMostFrequentValueAtMost127)
{
    Loaded l;
    std::vector<u8> image(size_t(kRow) * kH * 8, 1);
    // Vertex (31, 0) is the block at column 0 after the mirror: 32 pixels of 3 and 32 of 5.
    for (u32 r = 0; r < 8; ++r)
        for (u32 p = 0; p < 8; ++p) image[r * kRow + p] = r < 4 ? 5 : 3;
    // Vertex (0, 1): 200 everywhere.
    for (u32 r = 8; r < 16; ++r)
        for (u32 p = kRow - 8; p < kRow; ++p) image[r * kRow + p] = 200;
    EXPECT_EQ(ImportVertexDetailImage(&l.model, image.data(), false), 0) << "one block was not uniform";
    EXPECT_EQ(VertexAt(l.model, kW - 1, 0), 3) << "a tie goes to the smaller value";
    EXPECT_EQ(VertexAt(l.model, 0, 1), 127);
    EXPECT_EQ(VertexAt(l.model, 5, 5), 1);

    const HistogramEntry a{3, 32}, b{5, 32}, c{9, 40};
    EXPECT_LT(CompareCountThenValue(a, b), 0);
    EXPECT_LT(CompareCountThenValue(c, a), 0);
    EXPECT_EQ(CompareCountThenValue(a, a), 0);
}

TEST(DetailImages, LockedElementsKeepTheirValueOnlyWhenShiftWasHeld)
{
    // Unlike the brush, whose locks hold unless Shift was held, the import keeps a locked
    // element only when Shift was held at the last press.
    for (bool shift : {false, true}) {
        Loaded l;
        VertexAt(l.model, 4, 4) = 9;
        l.model.locked[9] = 1;
        std::vector<u8> image(size_t(kRow) * kH * 8, 2);
        EXPECT_EQ(ImportVertexDetailImage(&l.model, image.data(), shift), 1);
        EXPECT_EQ(VertexAt(l.model, 4, 4), shift ? 9 : 2) << shift;
        EXPECT_EQ(VertexAt(l.model, 4, 5), 2);
    }
}

TEST(DetailImages, NoGridsNoImage)
{
    TerrainModel m;
    LoadModel(m, MakeFlatMesh(1, 1), false);
    u8 pixel = 0;
    EXPECT_EQ(WriteVertexDetailImage(m, &pixel), 0);
    EXPECT_EQ(WriteTriangleDetailImage(m, &pixel), 0);
    EXPECT_EQ(ImportTriangleDetailImage(&m, &pixel, false), -1);
}

}  // namespace
