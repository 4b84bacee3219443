// Shading table and chunk texels, on the texel bytes.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "codex/MeshTag.h"
#include "collection/Collection.h"
#include "terrain/ChunkTexels.h"
#include "terrain/TerrainModel.h"
#include "tests/terrain/TerrainFixture.h"

namespace {

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};
std::ostream& operator<<(std::ostream& os, const Rgb& c) { return os << "(" << c.r << ", " << c.g << ", " << c.b << ")"; }

Rgb Entry(const ShadingTable& t, u32 shade, u32 index)
{
    const u8* e = t.rgb + (shade << 8 | index) * 3;
    return {e[0], e[1], e[2]};
}

ColorTable TestColors()
{
    ColorTable c;
    for (u32 i = 0; i < 256; ++i) c.entries[i] = {u8(i), u8(255 - i), u8((i * 7) & 255)};
    return c;
}

MeshHeader ShadingHeader(s16 dark, s16 light, u16 r, u16 g, u16 b, u32 midpoint)
{
    MeshHeader h = {};
    h.shadingDark = dark;
    h.shadingLight = light;
    h.shadingBlend[0] = r;
    h.shadingBlend[1] = g;
    h.shadingBlend[2] = b;
    h.shadeMidpoint = midpoint;
    return h;
}

TEST(ShadingTable, BlendsTowardsTheBlendColourFromTheMidpointRow)
{
    const ColorTable colors = TestColors();
    auto table = std::make_unique<ShadingTable>();
    // Midpoint 0x8000 gives row (0x8000 x 255) >> 16 = 127.
    BuildShadingTable(table.get(), colors, ShadingHeader(256, -128, 65535, 0, 32768, 0x8000));
    for (u32 i : {0u, 1u, 77u, 128u, 255u})
        EXPECT_EQ(Entry(*table, 127, i), (Rgb{colors.entries[i].red, colors.entries[i].green, colors.entries[i].blue}))
            << i;
    struct Case {
        u32 shade, index;
        Rgb expected;
    } cases[] = {
        // Shade 0: dark weight 256 = all blend colour.
        {0, 0, {255, 0, 128}},
        {0, 200, {255, 0, 128}},
        // Shade 255: light weight -128 pushes away from the blend colour: 1.5 x colour - blend / 2.
        {255, 255, {254, 0, 255}},  // red 1.5 x 255 - 128; green 0 stays 0; blue 1.5 x 249 - 64 clamped
        {255, 100, {22, 232, 218}},  // blue 1.5 x 188 - 64
        // A dark channel driven below zero stays black instead of wrapping bright.
        {255, 0, {0, 255, 0}},
        {255, 40, {0, 255, 0}},
    };
    for (const Case& c : cases) EXPECT_EQ(Entry(*table, c.shade, c.index), c.expected) << c.shade << "/" << c.index;
}

TEST(ShadingTable, HandlesMidpointsAtEitherEnd)
{
    const ColorTable colors = TestColors();
    auto table = std::make_unique<ShadingTable>();
    // Midpoint 0: every row blends by the light weight, row 0 is the plain colour.
    BuildShadingTable(table.get(), colors, ShadingHeader(0, 256, 0, 65535, 0, 0));
    EXPECT_EQ(Entry(*table, 0, 10), (Rgb{10, 245, 70}));
    EXPECT_EQ(Entry(*table, 255, 10), (Rgb{0, 255, 0}));
    // Midpoint 0x10000 (row 255): the last row is the plain colour, row 0 the full dark weight.
    BuildShadingTable(table.get(), colors, ShadingHeader(256, 0, 0, 0, 65535, 0x10000));
    EXPECT_EQ(Entry(*table, 255, 10), (Rgb{10, 245, 70}));
    EXPECT_EQ(Entry(*table, 0, 10), (Rgb{0, 0, 255}));
}

// A colour map of 2 x 2 chunks at the midpoint shade, so each texel is its index's colour:
// chunk k's index at pixel (u, v) is (u + 3v + 50k) & 255. Chunk 3's pair is left out;
// chunk 1's pair is 16 x 16 when smallChunk1.
std::unique_ptr<Collection> ColourMap(bool smallChunk1)
{
    auto map = std::make_unique<Collection>();
    ColorTable colors = TestColors();
    map->SetColorTable(colors.entries, 256);
    std::vector<u8> index(256 * 256 * 2), shade(256 * 256 * 2);
    for (u32 k = 0; k < 3; ++k) {
        const u32 side = smallChunk1 && k == 1 ? 16 : 256;
        for (u32 v = 0; v < side; ++v)
            for (u32 u = 0; u < side; ++u) {
                const size_t p = (size_t(v) * side + u) * 2;
                index[p] = shade[p] = 255;
                index[p + 1] = u8(u + 3 * v + 50 * k);
                shade[p + 1] = 127;
            }
        map->AddBitmap("index", 0, index.data(), side, side, 2, nullptr);
        map->AddBitmap("shade", 0, shade.data(), side, side, 2, nullptr);
    }
    return map;
}

Rgb Texel(const std::vector<u8>& texels, u32 side, u32 u, u32 v)
{
    const u8* p = &texels[(size_t(v) * side + u) * 3];
    return {p[0], p[1], p[2]};
}

Rgb Colour(u32 index)
{
    const ColorTable c = TestColors();
    const ColorTableEntry& e = c.entries[index & 255];
    return {e.red, e.green, e.blue};
}

const Rgb kBlack = {0, 0, 0};

TEST(ChunkTexels, BordersRepeatTheNeighboursLastRowAndColumnAndMissingOnesAreBlack)
{
    auto map = ColourMap(false);
    auto table = std::make_unique<ShadingTable>();
    BuildShadingTable(table.get(), map->GetColorTable(), ShadingHeader(256, 256, 0, 0, 0, 0x8000));
    std::vector<u8> t(257 * 257 * 3, 0xAB);

    // Chunk 0 (up-left corner): black first row and column, its own texels from (1, 1).
    BuildChunkTexels257(t.data(), map.get(), table.get(), 2, 2, 0);
    for (u32 i = 0; i < 257; ++i) {
        EXPECT_EQ(Texel(t, 257, i, 0), kBlack) << i;
        EXPECT_EQ(Texel(t, 257, 0, i), kBlack) << i;
    }
    EXPECT_EQ(Texel(t, 257, 1, 1), Colour(0));
    EXPECT_EQ(Texel(t, 257, 256, 256), Colour(255 + 3 * 255));
    EXPECT_EQ(Texel(t, 257, 11, 21), Colour(10 + 3 * 20));

    // Chunk 3 (down-right) has no bitmaps: its own texels are black, its borders are not.
    BuildChunkTexels257(t.data(), map.get(), table.get(), 2, 2, 3);
    EXPECT_EQ(Texel(t, 257, 0, 0), Colour(255 + 3 * 255 + 0));       // chunk 0's last texel
    for (u32 i = 0; i < 256; ++i) {
        EXPECT_EQ(Texel(t, 257, 0, i + 1), Colour(255 + 3 * i + 100)) << i;  // chunk 2's last column
        EXPECT_EQ(Texel(t, 257, i + 1, 0), Colour(i + 3 * 255 + 50)) << i;   // chunk 1's last row
    }
    EXPECT_EQ(Texel(t, 257, 1, 1), kBlack);
    EXPECT_EQ(Texel(t, 257, 256, 256), kBlack);

    // Chunk 1 (up-right): black top row, left border from chunk 0.
    BuildChunkTexels257(t.data(), map.get(), table.get(), 2, 2, 1);
    EXPECT_EQ(Texel(t, 257, 0, 0), kBlack);
    EXPECT_EQ(Texel(t, 257, 128, 0), kBlack);
    EXPECT_EQ(Texel(t, 257, 0, 9), Colour(255 + 3 * 8));
    EXPECT_EQ(Texel(t, 257, 5, 5), Colour(4 + 3 * 4 + 50));

    // The 256 form is the bordered form's inside.
    std::vector<u8> plain(256 * 256 * 3);
    BuildChunkTexels256(plain.data(), map.get(), table.get(), 1);
    for (u32 v = 0; v < 256; v += 51)
        for (u32 u = 0; u < 256; u += 17) EXPECT_EQ(Texel(plain, 256, u, v), Texel(t, 257, u + 1, v + 1));
    BuildChunkTexels256(plain.data(), map.get(), table.get(), 3);
    EXPECT_EQ(plain, std::vector<u8>(plain.size(), 0));
}

TEST(ChunkTexels, BitmapsThatAreNot256SquareAreNeverReadAndCountAsMissing)
{
    auto map = ColourMap(true);
    auto table = std::make_unique<ShadingTable>();
    BuildShadingTable(table.get(), map->GetColorTable(), ShadingHeader(256, 256, 0, 0, 0, 0x8000));
    EXPECT_TRUE(ChunkBitmapsPresent(map.get(), 0));
    EXPECT_FALSE(ChunkBitmapsPresent(map.get(), 1));
    EXPECT_FALSE(ChunkBitmapsPresent(map.get(), 3));
    EXPECT_FALSE(ChunkBitmapsPresent(nullptr, 0));
    std::vector<u8> t(257 * 257 * 3, 0xAB);
    BuildChunkTexels257(t.data(), map.get(), table.get(), 2, 2, 1);
    EXPECT_EQ(Texel(t, 257, 1, 1), kBlack);
    EXPECT_EQ(Texel(t, 257, 256, 256), kBlack);
    BuildChunkTexels257(t.data(), map.get(), table.get(), 2, 2, 3);
    EXPECT_EQ(Texel(t, 257, 100, 0), kBlack);            // the small chunk above gives a black row
    EXPECT_EQ(Texel(t, 257, 0, 100), Colour(255 + 3 * 99 + 100));
}

TEST(ChunkTexels, LoadHandsEveryChunkItsTexelsAndStopsWhenTheSinkFails)
{
    auto map = ColourMap(false);
    struct Seen {
        std::vector<u32> chunks;
        std::vector<Rgb> firstInside;
        u32 failAt;
    } seen{{}, {}, 99};
    auto sink = [](void* context, MeshChunk* chunk, const u8* texels, u32 size) -> int {
        Seen* s = static_cast<Seen*>(context);
        s->chunks.push_back(chunk->index);
        const u8* p = texels + (size + 1) * 3;
        s->firstInside.push_back({p[0], p[1], p[2]});
        return s->chunks.size() <= s->failAt;
    };
    MeshTagData* mesh = MakeFlatMesh(2, 2);
    mesh->header.shadeMidpoint = 0x8000;
    mesh->header.shadingDark = mesh->header.shadingLight = 256;
    TerrainModel model;
    ASSERT_EQ(model.Load(mesh, map.get(), 257, sink, &seen), 1);
    EXPECT_EQ(seen.chunks, (std::vector<u32>{0, 1, 2, 3}));
    EXPECT_EQ(seen.firstInside, (std::vector<Rgb>{Colour(0), Colour(50), Colour(100), kBlack}));

    seen = Seen{{}, {}, 1};
    TerrainModel failing;
    EXPECT_EQ(failing.Load(MakeFlatMesh(2, 2), map.get(), 256, sink, &seen), 0);
    EXPECT_EQ(seen.chunks.size(), 2u);
}

}  // namespace
