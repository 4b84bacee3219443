// The terrains of the sample game folder load into the terrain core: the delta's chunks,
// colour map, media wave and detail map, and the valley whose colour map and detail map do
// not fit its mesh.
#include "../codex/SampleGameFixture.h"

#include <memory>

#include "codex/DetailMap.h"
#include "codex/MediaRecord.h"
#include "codex/MeshTag.h"
#include "collection/Collection.h"
#include "terrain/ChunkTexels.h"
#include "terrain/TerrainModel.h"

namespace {

class SampleTerrain : public SampleGameTest {
protected:
    // Loads the mesh the way the editor does: mesh, colour map, 'medi', then the chunks with
    // texels (kept per chunk here so the test can look at them).
    void LoadTerrain(const char* name)
    {
        TagEntry* entry = Named(FourCC("mesh"), name);
        ASSERT_TRUE(entry) << name;
        TagHeader h;
        FILE* f = OpenTag(entry, &h);
        ASSERT_TRUE(f);
        MeshTagData* mesh = new MeshTagData;
        InitMesh(mesh);
        ASSERT_TRUE(ReadMeshTag(mesh, f, &h));
        CloseTagReader(entry);
        colorMapId = mesh->header.colorMap;
        const u32 mediaId = mesh->header.media;

        TagEntry* mapEntry = FindTag(FourCC(".256"), colorMapId);
        ASSERT_TRUE(mapEntry);
        f = OpenTag(mapEntry, &h);
        std::unique_ptr<Collection> map(f ? LoadCollection(f, &h) : nullptr);
        CloseTagReader(mapEntry);
        ASSERT_TRUE(map);

        TagEntry* mediaEntry = FindTag(FourCC("medi"), mediaId);
        MediaRecord record = {};
        bool haveMedia = false;
        if (mediaEntry && (f = OpenTag(mediaEntry, &h))) {
            haveMedia = ReadMediaRecord(&record, f, 1) != 0;
            CloseTagReader(mediaEntry);
        }
        model.LoadMediaWaves(haveMedia ? &record : nullptr);
        auto keep = [](void* context, MeshChunk*, const u8* texels, u32 size) -> int {
            static_cast<std::vector<std::vector<u8>>*>(context)->emplace_back(texels, texels + size * size * 3);
            return 1;
        };
        ASSERT_EQ(model.Load(mesh, map.get(), kChunkTexelsBordered, keep, &texels), 1);
        chunkPairs.clear();
        for (u32 k = 0; k < model.chunks.count; ++k) chunkPairs.push_back(ChunkBitmapsPresent(map.get(), k));
    }

    // The 'dmap' with the colour map's id, when it fits the mesh, goes into the grids.
    DetailMap* LoadDmap()
    {
        TagEntry* entry = FindTag(FourCC("dmap"), colorMapId);
        if (!entry) return nullptr;
        TagHeader h;
        FILE* f = OpenTag(entry, &h);
        DetailMap* map = f ? LoadDetailMap(f, &h) : nullptr;
        CloseTagReader(entry);
        return map;
    }

    TerrainModel model;
    u32 colorMapId = 0;
    std::vector<std::vector<u8>> texels;
    std::vector<int> chunkPairs;
};

bool AllBlackInside(const std::vector<u8>& t)
{
    for (u32 v = 1; v < 257; ++v)
        for (u32 u = 1; u < 257; ++u)
            for (u32 k = 0; k < 3; ++k)
                if (t[(v * 257 + u) * 3 + k]) return false;
    return true;
}

TEST_F(SampleTerrain, TheDeltaLoadsWithItsColourMapWaveAndDetailMap)
{
    LoadTerrain("Eastern Delta");
    ASSERT_EQ(model.chunks.count, 4u);
    EXPECT_EQ(model.Width(), 64u);
    EXPECT_EQ(chunkPairs, (std::vector<int>{1, 1, 1, 0}));
    ASSERT_EQ(texels.size(), 4u);
    EXPECT_FALSE(AllBlackInside(texels[0]));
    EXPECT_TRUE(AllBlackInside(texels[3]));  // its pair is left out
    // The wave comes from the 'medi' tag, not the defaults.
    EXPECT_FLOAT_EQ(model.wave.amplitude[0], 51 / 512.0f);
    EXPECT_FLOAT_EQ(model.wave.amplitude[1], 128.0f);
    // The lake's vertices carry the wave flag after reading.
    EXPECT_TRUE(model.mesh->cells[50 * 64 + 50].flags & kCellMediaWave);
    EXPECT_EQ(model.VertexHeight(50, 50), -512);

    DetailMap* dmap = LoadDmap();
    ASSERT_TRUE(dmap);
    ASSERT_EQ(dmap->width, model.Width());
    ASSERT_EQ(dmap->height, model.Height());
    ASSERT_EQ(model.LoadDetailPlanes(dmap->bytePlane, dmap->pairPlane), 1);
    FreeDmap(dmap);
    delete dmap;
    // Vertex (0, 0) holds 1 and triangle material 0: the blend code carries material 1 alone.
    EXPECT_EQ(model.chunks.data[0].blendCodes[0], 1u << 9 | 7);
    model.brush.material = 3;
    EXPECT_EQ(model.FloodFillVertices(2, 2), 1);
    EXPECT_EQ(model.Undo(), 1);
}

TEST_F(SampleTerrain, TheValleysSmallColourMapIsBlackAndItsDetailMapDoesNotFit)
{
    LoadTerrain("Valley");
    ASSERT_EQ(model.chunks.count, 1u);
    EXPECT_EQ(chunkPairs, (std::vector<int>{0}));  // 16 x 16 bitmaps are never read as 256 x 256
    EXPECT_TRUE(AllBlackInside(texels[0]));
    DetailMap* dmap = LoadDmap();
    ASSERT_TRUE(dmap);
    EXPECT_NE(dmap->width, model.Width());
    FreeDmap(dmap);
    delete dmap;
}

}  // namespace
