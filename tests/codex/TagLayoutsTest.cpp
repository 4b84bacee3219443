#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "codex/CoreTag.h"
#include "codex/DetailMap.h"
#include "codex/Geometry.h"
#include "codex/MediaRecord.h"
#include "codex/MeshTag.h"
#include "codex/ModelTag.h"
#include "tests/common/ByteBuilder.h"

namespace {

// Tag data as it stands in a local tag file: behind a 64-byte header.
struct TagFile {
    TagHeader header;
    FILE* f;

    TagFile(const std::vector<u8>& data, u16 version)
    {
        memset(&header, 0, sizeof header);
        header.offset = 64;
        header.size = u32(data.size());
        header.version = version;
        std::vector<u8> bytes(64 + data.size(), 0xEE);
        std::copy(data.begin(), data.end(), bytes.begin() + 64);
        f = StreamOf(bytes);
    }
    // An empty file to write into.
    TagFile()
    {
        memset(&header, 0, sizeof header);
        header.offset = 64;
        f = tmpfile();
    }
    ~TagFile() { fclose(f); }
    std::vector<u8> Data()
    {
        std::vector<u8> all = ContentsOf(f);
        if (all.size() <= 64) return {};
        all.erase(all.begin(), all.begin() + 64);
        return all;
    }
};

}  // namespace

TEST(CoreTag, RecordReadsAndWritesWithZeroTail)
{
    ByteBuilder b;
    b.U32(0x12345678);
    for (u32 i = 0; i < 166; ++i) b.U16(i * 257);
    ByteBuilder expected = b;
    b.Fill(48, 0xAB);  // reserved bytes carry no data
    expected.Zeros(48);
    TagFile in(b.bytes, 1);
    CoreTagData* core = LoadCoreTag(in.f, &in.header);
    ASSERT_NE(core, nullptr);
    EXPECT_EQ(core->collection, 0x12345678u);
    EXPECT_EQ(core->values[165], 165u * 257);

    TagFile out;
    fseek(out.f, 64, SEEK_SET);
    ASSERT_TRUE(WriteCoreTag(core, out.f));
    EXPECT_EQ(out.Data(), expected.bytes);
    delete core;

    TagFile shortTag(std::vector<u8>(383, 0), 1);
    EXPECT_EQ(LoadCoreTag(shortTag.f, &shortTag.header), nullptr);
}

TEST(DetailMap, VersionOneScalesAndPlaneAreRead)
{
    ByteBuilder b;
    b.U32(3).U32(2).Zeros(8);
    for (u32 i = 0; i < 128; ++i) b.U32(i == 5 ? 0xFFFFFFFF : 0x1000 + i);
    const u8 values[4] = {0, 1, 2, 9};
    for (u32 i = 0; i < 128; ++i) b.U8(i < 4 ? values[i] : 1);
    b.U8(1).U8(2).U8(3).U8(4).U8(5).U8(6);
    TagFile in(b.bytes, 1);
    DetailMap map;
    InitDmap(&map);
    ASSERT_TRUE(ReadDmapTag(&map, in.f, &in.header));
    EXPECT_EQ(map.width, 3u);
    EXPECT_EQ(map.height, 2u);
    const u8 scales[4] = {0, 0, 1, 8};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(map.entries[i].scale, scales[i]) << i;
    EXPECT_EQ(map.entries[5].dtex, 0xFFFFFFFFu);
    EXPECT_EQ(map.entries[7].dtex, 0x1007u);
    EXPECT_EQ(memcmp(map.bytePlane, "\1\2\3\4\5\6", 6), 0);
    for (int i = 0; i < 12; ++i) EXPECT_EQ(map.pairPlane[i], 0);
    FreeDmap(&map);

    // The plane is cut short by the end of the tag.
    b.bytes.pop_back();
    TagFile cut(b.bytes, 1);
    EXPECT_FALSE(ReadDmapTag(&map, cut.f, &cut.header));
    FreeDmap(&map);
}

static void FillSampleMap(DetailMap* map)
{
    InitDmap(map);
    ASSERT_TRUE(SetDmapSize(map, 3, 2));
    memcpy(map->bytePlane, "\1\1\1\2\2\5", 6);
    memset(map->pairPlane, 7, 12);
    for (u32 i = 0; i < 128; ++i) map->entries[i].dtex = 0xFFFFFFFF;
    map->entries[0].dtex = 0x64746578;
    map->entries[0].scale = 3;
    map->entries[0].color[0] = 10;
    map->entries[0].color[1] = 20;
    map->entries[0].color[2] = 30;
    strcpy(map->entries[0].name, "grass");
}

TEST(DetailMap, VersionTwoIsWrittenByteForByteAndReadBack)
{
    DetailMap map;
    FillSampleMap(&map);
    TagFile out;
    out.header.version = 1;
    ASSERT_TRUE(WriteDmapTag(&map, out.f, &out.header));
    EXPECT_EQ(out.header.version, 2);

    ByteBuilder e;
    e.U32(3).U32(2).U32(8448).U32(0).U32(8454).U32(0).U32(256).U32(0).PadTo(256);
    e.U32(0x64746578).U8(3).U8(10).U8(20).U8(30).Zeros(24).Text("grass", 32);
    for (int i = 1; i < 128; ++i) e.U32(0xFFFFFFFF).Zeros(60);
    e.U8(1).U8(2).U8(2).U8(1).U8(5).U8(0);  // runs {value, length - 1}
    e.U8(7).U8(11);
    EXPECT_EQ(out.Data(), e.bytes);

    DetailMap back;
    InitDmap(&back);
    TagFile in(e.bytes, 2);
    ASSERT_TRUE(ReadDmapTag(&back, in.f, &in.header));
    EXPECT_EQ(back.width, 3u);
    EXPECT_EQ(back.height, 2u);
    EXPECT_EQ(memcmp(back.bytePlane, map.bytePlane, 6), 0);
    EXPECT_EQ(memcmp(back.pairPlane, map.pairPlane, 12), 0);
    EXPECT_EQ(memcmp(back.entries, map.entries, sizeof map.entries), 0);
    FreeDmap(&back);
    FreeDmap(&map);
}

TEST(DetailMap, VersionOneReadIntoAUsedMapKeepsNoColourOrDescription)
{
    ByteBuilder b;
    b.U32(2).U32(1).Zeros(8);
    for (u32 i = 0; i < 128; ++i) b.U32(0x2000 + i);
    for (u32 i = 0; i < 128; ++i) b.U8(4);
    b.U8(9).U8(9);
    DetailMap map;
    FillSampleMap(&map);
    TagFile in(b.bytes, 1);
    ASSERT_TRUE(ReadDmapTag(&map, in.f, &in.header));
    EXPECT_EQ(map.entries[0].dtex, 0x2000u);
    EXPECT_EQ(map.entries[0].scale, 3);
    const u8 zeroColor[3] = {0, 0, 0};
    EXPECT_EQ(memcmp(map.entries[0].color, zeroColor, 3), 0);
    EXPECT_STREQ(map.entries[0].name, "");
    FreeDmap(&map);
}

TEST(DetailMap, CorruptVersionTwoDataIsRefused)
{
    DetailMap map;
    FillSampleMap(&map);
    TagFile out;
    ASSERT_TRUE(WriteDmapTag(&map, out.f, &out.header));
    FreeDmap(&map);
    const std::vector<u8> good = out.Data();

    struct Case { const char* what; size_t at; u32 value; } cases[] = {
        {"runs past the byte plane", 8448 + 1, 0x03040506},  // run lengths now exceed 6 bytes
        {"entries outside the tag", 24, 9000},
        {"byte plane outside the tag", 8, 0xFFFFFF00},
        {"size the tag cannot hold", 0, 0x00100000},
        {"zero width", 0, 0},
    };
    for (const Case& c : cases) {
        ByteBuilder b;
        b.bytes = good;
        if (c.at == 8448 + 1)
            b.bytes[c.at] = 200;
        else
            b.PutU32At(c.at, c.value);
        TagFile in(b.bytes, 2);
        DetailMap m;
        InitDmap(&m);
        EXPECT_FALSE(ReadDmapTag(&m, in.f, &in.header)) << c.what;
        FreeDmap(&m);
        bool used[kDetailMapEntries];
        TagFile again(b.bytes, 2);
        EXPECT_FALSE(ReadDmapUsage(&m, again.f, &again.header, used)) << c.what << " (usage only)";
    }
    TagFile v3(good, 3);
    DetailMap m;
    InitDmap(&m);
    EXPECT_FALSE(ReadDmapTag(&m, v3.f, &v3.header)) << "version 3";
    EXPECT_EQ(LoadDetailMap(v3.f, &v3.header), nullptr);
}

TEST(DetailMap, UsageOnlyReadFindsTheEntriesBothPlanesUseWithoutThePlanes)
{
    DetailMap map;
    FillSampleMap(&map);
    map.bytePlane[4] = 130;  // outside the table: names no entry
    TagFile out;
    ASSERT_TRUE(WriteDmapTag(&map, out.f, &out.header));
    FreeDmap(&map);
    ByteBuilder v1;
    v1.U32(3).U32(1).Zeros(8);
    for (u32 i = 0; i < 128; ++i) v1.U32(0x2000 + i);
    for (u32 i = 0; i < 128; ++i) v1.U8(1);
    v1.U8(127).U8(4).U8(3);
    struct Case { const char* what; std::vector<u8> bytes; u32 version; std::vector<u32> used; } cases[] = {
        {"version 2", out.Data(), 2, {1, 2, 5, 7}},
        {"version 1", v1.bytes, 1, {0, 3, 4, 127}},  // 0: the pair plane it does not have
    };
    for (const Case& c : cases) {
        TagFile in(c.bytes, c.version);
        DetailMap m;
        InitDmap(&m);
        bool used[kDetailMapEntries];
        memset(used, 1, sizeof used);
        ASSERT_TRUE(ReadDmapUsage(&m, in.f, &in.header, used)) << c.what;
        EXPECT_EQ(m.bytePlane, nullptr);
        EXPECT_EQ(m.pairPlane, nullptr);
        std::vector<u32> found;
        for (u32 i = 0; i < kDetailMapEntries; ++i)
            if (used[i]) found.push_back(i);
        EXPECT_EQ(found, c.used) << c.what;
        EXPECT_EQ(m.entries[0].dtex, c.version == 2 ? 0x64746578u : 0x2000u) << c.what;
        FreeDmap(&m);
    }
}

static void BuildSampleGeometry(Geometry* g)
{
    InitGeom(g);
    const float boxMin[3] = {-1, 0, 0}, boxMax[3] = {1, 2, 3}, point[3] = {0.5f, 1, 2};
    EXPECT_TRUE(SetGeomHeader(g, 0, 7, boxMin, boxMax, point));
    ASSERT_TRUE(ResizeGeomSurfaces(g, 1));
    SetGeomSurface(g, 0, "rock", 5);
    ASSERT_TRUE(ResizeGeomVertices(g, 3));
    EXPECT_TRUE(SetGeomVertex(g, 0, 0, 1, 0));
    EXPECT_TRUE(SetGeomVertex(g, 1, 1, 1, 0));
    EXPECT_TRUE(SetGeomVertex(g, 2, 0, 1, 1));
    ASSERT_TRUE(ResizeGeomTrianglesZeroed(g, 1));
    SetGeomCorner(g, 0, 0, 0, 0.5f, 0.25f);
    SetGeomCorner(g, 0, 1, 1, 0, 0);
    SetGeomCorner(g, 0, 2, 2, 0, 0);
    SetGeomTriangle(g, 0, 1, 0, 0.5f);
}

TEST(Geometry, VerticesAreStoredAsMinusXZYTimes512)
{
    Geometry g;
    InitGeom(&g);
    ASSERT_TRUE(ResizeGeomVertices(&g, 2));
    EXPECT_TRUE(SetGeomVertex(&g, 0, 1.0f, 2.0f, -0.5f));
    EXPECT_EQ(g.vertices[0].v[0], -512);
    EXPECT_EQ(g.vertices[0].v[1], -256);
    EXPECT_EQ(g.vertices[0].v[2], 1024);
    // Out of the i16 range or not a number: refused, clamped, never undefined.
    EXPECT_FALSE(SetGeomVertex(&g, 1, -100.0f, 0, 0));
    EXPECT_EQ(g.vertices[1].v[0], 32767);
    EXPECT_FALSE(SetGeomVertex(&g, 1, 0, 0, std::nanf("")));
    EXPECT_EQ(g.vertices[1].v[1], 0);
    FreeGeom(&g);
}

TEST(Geometry, TriangleCornersAreReversedAndThePlaneComputed)
{
    Geometry g;
    BuildSampleGeometry(&g);
    const GeomTriangle& t = g.triangles[0];
    EXPECT_EQ(t.corner[0].vertex, 2);
    EXPECT_EQ(t.corner[1].vertex, 1);
    EXPECT_EQ(t.corner[2].vertex, 0);
    EXPECT_EQ(t.corner[2].t1, 32767);
    EXPECT_EQ(t.corner[2].t2, 16383);
    EXPECT_EQ(t.normal[0], 0);
    EXPECT_EQ(t.normal[1], 0);
    EXPECT_EQ(t.normal[2], -16384);
    EXPECT_EQ(t.distance, 8388608);

    // A degenerate triangle gets a zero plane instead of NaN conversions.
    SetGeomCorner(&g, 0, 1, 0, 0, 0);
    SetGeomTriangle(&g, 0, 0, 0, 1);
    EXPECT_EQ(g.triangles[0].normal[2], 0);
    EXPECT_EQ(g.triangles[0].distance, 0);
    FreeGeom(&g);
}

TEST(Geometry, WrittenBytesMatchTheLayoutAndReadBack)
{
    Geometry g;
    BuildSampleGeometry(&g);
    TagFile out;
    ASSERT_TRUE(WriteGeomTag(&g, out.f, &out.header));

    ByteBuilder e;
    e.U32(0).U32(7).U16(1).U16(3).U16(1).U16(0);
    e.U16(u16(-256)).U16(1024).U16(512).Zeros(6);
    e.U32(0).U32(64).U32(0).U32(64).U32(18).U32(0).U32(82).U32(64).U32(0);
    e.U32(0).U32(0).U32(0).U32(128).U32(146).U32(0);
    e.U16(u16(-512)).U16(0).U16(0).U16(512).U16(1536).U16(1024).Zeros(26).U16(0);
    ASSERT_EQ(e.Size(), 128u);
    e.Text("rock", 32).U16(5).Zeros(6).Zeros(24);
    e.U16(0).U16(0).U16(512).U16(u16(-512)).U16(0).U16(512).U16(0).U16(512).U16(512);
    e.U16(1).U16(0).U16(0).U16(0xC000).U32(8388608).Zeros(12).U16(32767).U16(0);
    e.U16(0).U16(0).U16(2).U16(0).U16(0).U16(0).U16(1).U16(0).U16(16383).U16(32767).U16(0).U16(0);
    e.U16(0xFFFF).U16(0xFFFF).U16(0xFFFF).U16(0).U16(0xFFFF).U16(0);
    EXPECT_EQ(out.Data(), e.bytes);

    Geometry back;
    InitGeom(&back);
    TagFile in(e.bytes, 1);
    ASSERT_TRUE(ReadGeomTag(&back, in.f, &in.header));
    EXPECT_EQ(memcmp(&back.header, &g.header, sizeof g.header), 0);
    ASSERT_EQ(back.triangles.count, 1u);
    EXPECT_EQ(memcmp(back.triangles.data, g.triangles.data, 64), 0);
    EXPECT_EQ(memcmp(back.vertices.data, g.vertices.data, 18), 0);
    EXPECT_STREQ(back.surfaces[0].name, "rock");

    // Written again, a read geometry keeps its layout.
    TagFile again;
    ASSERT_TRUE(WriteGeomTag(&back, again.f, &again.header));
    EXPECT_EQ(again.Data(), e.bytes);
    FreeGeom(&back);

    // A section past the end of the tag is refused.
    e.PutU32At(52, 100);
    TagFile bad(e.bytes, 1);
    InitGeom(&back);
    EXPECT_FALSE(ReadGeomTag(&back, bad.f, &bad.header));
    FreeGeom(&back);
    FreeGeom(&g);
}

TEST(Geometry, GrownSectionsNeverOverlapOnWrite)
{
    Geometry g;
    BuildSampleGeometry(&g);
    g.header.verticesOffset = 64;
    g.header.trianglesOffset = 82;  // as read, before the vertices grow
    ASSERT_TRUE(ResizeGeomVertices(&g, 10));
    TagFile out;
    ASSERT_TRUE(WriteGeomTag(&g, out.f, &out.header));
    EXPECT_GE(g.header.trianglesOffset, g.header.verticesOffset + g.header.verticesSize);
    FreeGeom(&g);
}

static std::vector<u8> BuildMesh(s16 columns, s16 rows, u32 cellFlags, int cellsToWrite)
{
    ByteBuilder b;
    b.U32(0x2E323536).U32(0x6D656469).U16(u16(columns)).U16(u16(rows)).U32(1024).U32(0).U32(0).U32(0);
    b.PadTo(88);
    b.U16(u16(-3)).U16(5).U16(100).U16(200).U16(300);
    b.PadTo(108).U32(0x8000);
    b.PadTo(1024);
    for (int i = 0; i < cellsToWrite; ++i) b.U16(u16(i)).U16(0).U16(cellFlags).U16(0).U16(u16(-i)).U16(0);
    return b.bytes;
}

TEST(MeshTag, VersionElevenReadsAndFixesTheCellFlags)
{
    std::vector<u8> bytes = BuildMesh(1, 1, 0x1800 | 0x4200, 32 * 32);
    // Cell (10, 10) is not media: it and the cells that see it as a neighbour get no wave bit.
    size_t at = 1024 + (10 * 32 + 10) * 12 + 4;
    bytes[at] = 0x42;
    bytes[at + 1] = 0x00;
    TagFile in(bytes, 11);
    MeshTagData mesh;
    InitMesh(&mesh);
    ASSERT_TRUE(ReadMeshTag(&mesh, in.f, &in.header));
    EXPECT_EQ(mesh.columns, 32u);
    EXPECT_EQ(mesh.rows, 32u);
    EXPECT_EQ(mesh.header.colorMap, 0x2E323536u);
    EXPECT_EQ(mesh.header.shadingDark, -3);
    EXPECT_EQ(mesh.header.shadingBlend[2], 300);
    EXPECT_EQ(mesh.header.shadeMidpoint, 0x8000u);
    auto flags = [&](u32 x, u32 y) { return mesh.cells[y * 32 + x].flags; };
    EXPECT_EQ(flags(5, 0), 0x5A00) << "first row untouched";
    EXPECT_EQ(flags(0, 5), 0x5A00) << "first column untouched";
    EXPECT_EQ(flags(3, 3), 0x1C00);
    EXPECT_EQ(flags(10, 10), 0x0000);
    EXPECT_EQ(flags(11, 10), 0x1800);
    EXPECT_EQ(flags(10, 11), 0x1800);
    EXPECT_EQ(flags(11, 11), 0x1800);
    EXPECT_EQ(flags(12, 12), 0x1C00);
    EXPECT_EQ(mesh.cells[33].height, 33);
    EXPECT_EQ(mesh.cells[33].mediaHeight, -33);
    FreeMesh(&mesh);
}

TEST(MeshTag, BadVersionsAndSizesAreRefused)
{
    struct Case { const char* what; s16 columns, rows; int cells; u16 version; } cases[] = {
        {"version 10", 1, 1, 1024, 10},
        {"zero columns", 0, 1, 1024, 11},
        {"negative rows", 1, -1, 1024, 11},
        {"more cells than the tag holds", 2, 1, 1024, 11},
        {"truncated cells", 1, 1, 1000, 11},
    };
    for (const Case& c : cases) {
        TagFile in(BuildMesh(c.columns, c.rows, 0, c.cells), c.version);
        MeshTagData mesh;
        InitMesh(&mesh);
        EXPECT_FALSE(ReadMeshTag(&mesh, in.f, &in.header)) << c.what;
        FreeMesh(&mesh);
    }
}

TEST(ModelTag, SectionsAndHeaderAreWrittenByteForByte)
{
    Model m;
    InitModel(&m);
    SetModelGeometry(&m, 0x11, 0x22);
    ASSERT_TRUE(ResizeModelIdList(&m, 2));
    SetModelIdListEntry(&m, 0, 1);
    SetModelIdListEntry(&m, 1, 2);
    ASSERT_TRUE(ResizeModelRecords(&m, 1));
    ModelRecord* r = SetModelRecord(&m, 0);
    ASSERT_NE(r, nullptr);
    memcpy(r->content, "abc", 3);
    ASSERT_TRUE(AddModelCell(&m, 1, 2, 3));
    ASSERT_TRUE(AddModelCell(&m, 4, 5, 6));
    TagFile out;
    ASSERT_TRUE(WriteModelTag(&m, out.f, &out.header));

    ByteBuilder e;
    e.U32(0x22).U32(0x11).U16(0).U16(2).U16(1).U16(2);
    e.U32(0).U32(8).U32(0).U32(8).U32(64).U32(0).U32(72).U32(16).U32(0).U32(72).U32(88).U32(0);
    e.Zeros(8);
    e.U32(1).U32(2);
    e.U16(0).Text("abc", 32).Zeros(30);
    e.U16(1).U16(2).U16(3).U16(0).U16(4).U16(5).U16(6).U16(0);
    EXPECT_EQ(out.Data(), e.bytes);
    FreeModel(&m);
}

TEST(ModelTag, AnEarlierSectionLayoutIsKeptWhereItLiesAhead)
{
    Model m;
    InitModel(&m);
    ASSERT_TRUE(ResizeModelIdList(&m, 1));
    SetModelIdListEntry(&m, 0, 7);
    ASSERT_TRUE(AddModelCell(&m, 1, 2, 3));
    m.header.idsOffset = 4;    // ahead of where the writer stands: kept
    m.header.cellsOffset = 0;  // behind the id list: moved past it
    TagFile out;
    ASSERT_TRUE(WriteModelTag(&m, out.f, &out.header));
    EXPECT_EQ(m.header.idsOffset, 4u);
    EXPECT_EQ(m.header.cellsOffset, 8u);
    EXPECT_EQ(m.header.totalSize, 12u);
    std::vector<u8> data = out.Data();
    ASSERT_EQ(data.size(), 72u + 16);
    EXPECT_EQ(std::vector<u8>(data.begin() + 76, data.end()),
              (std::vector<u8>{0, 0, 0, 7, 0, 1, 0, 2, 0, 3, 0, 0}));
    FreeModel(&m);
}

TEST(MediaRecord, WaveValuesAreReadAndReservedBytesIgnored)
{
    ByteBuilder b;
    b.U32(1).U32(2).Fill(16, 0xCC);
    for (u32 i = 0; i < 16; ++i) b.U32(i);
    for (u32 i = 0; i < 6; ++i) b.U16(i);
    b.U32(99).U16(u16(-100)).U16(200).U16(300).U16(4).U16(5).U16(6).U16(7).U16(8).U16(9);
    b.Fill(134, 0xCC);
    ASSERT_EQ(b.Size(), 256u);
    FILE* f = StreamOf(b.bytes);
    MediaRecord m;
    ASSERT_TRUE(ReadMediaRecord(&m, f, 1));
    EXPECT_EQ(m.waveAmplitude[0], -100);
    EXPECT_EQ(m.waveAmplitude[2], 300);
    EXPECT_EQ(m.waveFrequency[0], 4);
    EXPECT_EQ(m.value100, 99u);
    EXPECT_EQ(m.reserved8[3], 0);
    EXPECT_FALSE(ReadMediaRecord(&m, f, 1)) << "past the end";
    fclose(f);
}
