// Chunks: blend codes, heights and spheres, bounds, surface sampling, the media wave, loading.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "codex/MediaRecord.h"
#include "terrain/BlendCode.h"
#include "terrain/MediaWave.h"
#include "terrain/TerrainModel.h"
#include "tests/terrain/TerrainFixture.h"

namespace {

struct Slot {
    u32 material, mask;
};

// A code built field by field: base pass, then each slot's material and corner mask.
BlendCode Code(std::initializer_list<Slot> slots)
{
    BlendCode code = kBlendBasePass;
    u32 i = 0;
    for (const Slot& s : slots) {
        code |= s.material << (9 + 7 * i) | s.mask << (3 * i);
        ++i;
    }
    return code;
}

TEST(BlendCode, FollowsTheTriangleMaterialAndTheDistinctCornerMaterials)
{
    struct Case {
        u32 m, a, b, c;
        BlendCode expected;
    } cases[] = {
        {0, 0, 5, 0, 0x40050015},                        // slot 1 = 0 on corners 1 and 3, slot 2 = 5 on corner 2
        {3, 1, 2, 4, 0x40000607},                        // a triangle material wins whatever the corners hold
        {0, 0, 0, 0, 0x40000000},                        // all zero: only the base pass
        {0, 9, 9, 9, 9u << 9 | 7},                        // one non-zero material: no base pass
        {0, 3, 1, 2, Code({{1, 2}, {2, 4}, {3, 1}})},     // three distinct values in ascending order
        {0, 4, 4, 2, Code({{2, 4}, {4, 3}})},
        // Values past 127 count as 127: they never reach the next slot's bits.
        {0, 200, 0, 0, Code({{0, 6}, {127, 1}})},
        {255, 0, 0, 0, 127u << 9 | 0x40000007},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MakeBlendCode(c.m, c.a, c.b, c.c), c.expected) << c.m << " " << c.a << " " << c.b << " " << c.c;
}

TEST(ComputeBlendCodes, SendsTheCornersInEachTrianglesDrawingOrder)
{
    TerrainModel model;
    LoadModel(model, MakeFlatMesh(1, 1));
    // Distinct materials on vertices (0..2, 0..1): (x, z) gets 1 + x + 3z.
    for (u32 z = 0; z < 2; ++z)
        for (u32 x = 0; x < 3; ++x) VertexAt(model, x, z) = u8(1 + x + 3 * z);
    TriangleAt(model, 2, 0, 1) = 9;
    VertexAt(model, 3, 0) = 200;  // a file value past 127
    model.RebuildRegion(0, 3, 0, 1);
    const BlendCode* codes = model.chunks.data[0].blendCodes;
    // Even square (0, 0): a=1 b=2 c=5 d=4; triangle 0 = a, d, c; triangle 1 = a, c, b.
    EXPECT_EQ(codes[0], Code({{1, 1}, {4, 2}, {5, 4}}));
    EXPECT_EQ(codes[1], Code({{1, 1}, {2, 4}, {5, 2}}));
    // Odd square (1, 0): a=2 b=3 c=6 d=5; triangle 0 = a, d, b; triangle 1 = b, d, c.
    EXPECT_EQ(codes[2], Code({{2, 1}, {3, 4}, {5, 2}}));
    EXPECT_EQ(codes[3], Code({{3, 1}, {5, 2}, {6, 4}}));
    // Even square (2, 0): triangle 1 carries material 9 on every corner.
    EXPECT_EQ(codes[5], 9u << 9 | 0x40000007);
    // Its corner b holds 200, taken as 127: a=3 b=127 c=0 d=6, triangle 0 = a, d, c.
    EXPECT_EQ(codes[4], Code({{0, 4}, {3, 1}, {6, 2}}));
}

// Every square's codes against the grids, made corner by corner: squares of one material,
// mixed squares and the mesh's last row and column (whose outer corners hold 0).
void ExpectCodesFollowTheGrids(TerrainModel& model, const char* when)
{
    const u32 w = model.Width(), h = model.Height();
    auto vertex = [&](u32 x, u32 z) { return x < w && z < h ? u32(VertexAt(model, x, z)) : 0u; };
    for (const MeshChunk& chunk : model.chunks)
        for (u32 cell = 0; cell < kChunkCells; ++cell) {
            const u32 x = u32(chunk.x0) + cell % kChunkSquares, z = u32(chunk.z0) + cell / kChunkSquares;
            const u32 a = vertex(x, z), b = vertex(x + 1, z), c = vertex(x + 1, z + 1), d = vertex(x, z + 1);
            const u32 t0 = TriangleAt(model, x, z, 0), t1 = TriangleAt(model, x, z, 1);
            const bool even = ((x ^ z) & 1) == 0;
            const BlendCode first = even ? MakeBlendCode(t0, a, d, c) : MakeBlendCode(t0, a, d, b);
            const BlendCode second = even ? MakeBlendCode(t1, a, c, b) : MakeBlendCode(t1, b, d, c);
            ASSERT_EQ(chunk.blendCodes[cell * 2], first) << when << " " << x << "," << z;
            ASSERT_EQ(chunk.blendCodes[cell * 2 + 1], second) << when << " " << x << "," << z;
        }
}

TEST(ComputeBlendCodes, FollowTheGridsThroughStrokesTheirUndoAndRedo)
{
    TerrainModel model;
    LoadModel(model, MakeFlatMesh(2, 2));
    // As a new detail map does.
    model.RebuildRegion(0, model.Width(), 0, model.Height());
    ExpectCodesFollowTheGrids(model, "loaded");
    // Wide strokes leave squares of one material; narrow ones over them mix corners.
    const struct {
        u32 mode, material;
        float x, z, radius;
    } strokes[] = {
        {kBrushVertex, 4, 20, 20, 18}, {kBrushVertex, 7, 63, 63, 6},  {kBrushTriangle, 9, 40, 10, 3},
        {kBrushVertex, 200, 0, 63, 4}, {kBrushVertex, 0, 25, 25, 2.5f}, {kBrushTriangle, 3, 63.5f, 30, 5},
    };
    for (const auto& s : strokes) {
        model.brushMode = s.mode;
        model.brush.material = s.material;
        model.BeginBrushStroke(0);
        if (s.mode == kBrushVertex)
            model.PaintVertices(s.x, s.z, s.radius);
        else
            model.PaintTriangles(s.x, s.z, s.radius);
        model.EndBrushStroke();
        ExpectCodesFollowTheGrids(model, "painted");
    }
    while (model.Undo()) ExpectCodesFollowTheGrids(model, "undone");
    while (model.Redo()) ExpectCodesFollowTheGrids(model, "redone");
}

TEST(ComputeBlendCodes, LeavesBlendCodesAloneWithoutADetailMapButStillSetsSpheres)
{
    TerrainModel model;
    LoadModel(model, MakeMesh(1, 1, [](u32 x, u32 z) { return s16(x == 1 && z == 0 ? 2048 : -512); }), false);
    const MeshChunk& chunk = model.chunks.data[0];
    EXPECT_EQ(chunk.blendCodes[0], 0u);
    // Square (0, 0): corners -512, 2048, -512, -512.
    EXPECT_FLOAT_EQ(chunk.cellRadiusSquared[0], (2560.0f / 1024) * (2560.0f / 1024) + 0.5f);
    EXPECT_FLOAT_EQ(chunk.cellCentreHeight[0], 1536.0f / 1024);
    // Square (5, 5): flat at -512.
    EXPECT_FLOAT_EQ(chunk.cellRadiusSquared[5 * 32 + 5], 0.5f);
    EXPECT_FLOAT_EQ(chunk.cellCentreHeight[5 * 32 + 5], -1024.0f / 1024);
}

TEST(ComputeBlendCodes, TakesTheMediaHeightOfMediaVertices)
{
    MeshTagData* mesh = MakeFlatMesh(1, 1);
    mesh->cells[0].flags = kCellMedia0;
    mesh->cells[0].height = 100;
    mesh->cells[0].mediaHeight = 700;
    mesh->cells[1].flags = kCellMedia1;
    mesh->cells[1].mediaHeight = -300;
    mesh->cells[2].flags = kCellMediaWave;  // the wave flag alone does not make a media height
    mesh->cells[2].height = 40;
    mesh->cells[2].mediaHeight = 9999;
    TerrainModel model;
    LoadModel(model, mesh, false);
    EXPECT_EQ(model.chunks.data[0].heights[0], 700);
    EXPECT_EQ(model.chunks.data[0].heights[1], -300);
    EXPECT_EQ(model.chunks.data[0].heights[2], 40);
}

TEST(ComputeChunkBounds, SpansTheChunksVerticesAndAnEmptyRangeGivesTheExtremes)
{
    TerrainModel model;
    LoadModel(model, MakeMesh(2, 1, [](u32 x, u32) { return s16(x * 256 - 1024); }), false);
    // Chunk 0 covers vertices 0..32; chunk 1 covers 32..64, whose last column lies outside (height 0).
    const float* a = model.chunks.data[0].box;
    EXPECT_EQ(std::vector<float>(a, a + 6), (std::vector<float>{0, -2, 0, 32, 14, 32}));
    const float* b = model.chunks.data[1].box;
    EXPECT_EQ(std::vector<float>(b, b + 6), (std::vector<float>{32, 0, 0, 64, (63 * 256 - 1024) / 512.0f, 32}));

    float box[6];
    ComputeChunkBounds(&model.chunks.data[0], box, 0, 4, 3, 2);
    EXPECT_EQ(box[1], 2147483647.0f / 512);
    EXPECT_EQ(box[4], -2147483648.0f / 512);
}

// The height of a point by plain barycentric interpolation over the triangle that holds it,
// found from the square's split.
float ReferenceHeight(const TerrainModel& m, float x, float z)
{
    const int i = int(x), j = int(z);
    const float fx = x - i, fz = z - j;
    int t[3][2];
    if (((i ^ j) & 1) == 0) {  // split (i, j)-(i+1, j+1)
        if (fz > fx) t[0][0] = i, t[0][1] = j, t[1][0] = i, t[1][1] = j + 1, t[2][0] = i + 1, t[2][1] = j + 1;
        else t[0][0] = i, t[0][1] = j, t[1][0] = i + 1, t[1][1] = j + 1, t[2][0] = i + 1, t[2][1] = j;
    } else {  // split (i+1, j)-(i, j+1)
        if (fx + fz < 1) t[0][0] = i, t[0][1] = j, t[1][0] = i + 1, t[1][1] = j, t[2][0] = i, t[2][1] = j + 1;
        else t[0][0] = i + 1, t[0][1] = j + 1, t[1][0] = i, t[1][1] = j + 1, t[2][0] = i + 1, t[2][1] = j;
    }
    const double x0 = t[0][0], z0 = t[0][1], x1 = t[1][0], z1 = t[1][1], x2 = t[2][0], z2 = t[2][1];
    const double det = (z1 - z2) * (x0 - x2) + (x2 - x1) * (z0 - z2);
    const double l0 = ((z1 - z2) * (x - x2) + (x2 - x1) * (z - z2)) / det;
    const double l1 = ((z2 - z0) * (x - x2) + (x0 - x2) * (z - z2)) / det;
    const double l2 = 1 - l0 - l1;
    return float(l0 * m.VertexHeight(t[0][0], t[0][1]) + l1 * m.VertexHeight(t[1][0], t[1][1]) +
                 l2 * m.VertexHeight(t[2][0], t[2][1]));
}

TEST(SampleSurfaceHeight, InterpolatesOverTheTriangleOfEitherDiagonal)
{
    TerrainModel model;
    LoadModel(model, MakeMesh(1, 1, [](u32 x, u32 z) { return s16((x * 7919 + z * 104729) % 4096 - 2048); }), false);
    const float points[][2] = {
        {0.25f, 0.75f}, {0.75f, 0.25f}, {0.5f, 0.5f},     // even square (0, 0), both sides of its diagonal
        {1.2f, 0.3f},   {1.7f, 0.6f},   {1.5f, 0.49f},    // odd square (1, 0)
        {4.9f, 7.05f},  {7.1f, 4.8f},   {30.5f, 30.25f},  // further squares of both kinds
        {3.0f, 3.0f},   {6.0f, 2.0f},                     // exactly on a vertex
    };
    for (const auto& p : points)
        EXPECT_NEAR(model.SampleSurfaceHeight(p[0], p[1]), ReferenceHeight(model, p[0], p[1]), 0.05f)
            << p[0] << ", " << p[1];
}

TEST(MediaWave, ReadsTheRecordsFieldsAndFallsBackToTheDefaults)
{
    MediaRecord record = {};
    record.waveAmplitude[0] = 256;     // byte 104: x
    record.waveAmplitude[1] = 128;     // byte 106: z
    record.waveAmplitude[2] = 1024;    // byte 108: y
    record.waveFrequency[0] = 16384;   // byte 110: x
    record.waveFrequency[1] = 8192;    // byte 112: z
    record.waveFrequency[2] = -16384;  // byte 114: y
    MediaWave wave;
    LoadMediaWaves(&wave, &record);
    const double pi = 3.14159265358979;
    EXPECT_FLOAT_EQ(wave.amplitude[0], 0.5f);
    EXPECT_FLOAT_EQ(wave.amplitude[1], 1024.0f);  // 2 cells, held in 1/512 units
    EXPECT_FLOAT_EQ(wave.amplitude[2], 0.25f);
    EXPECT_NEAR(wave.frequency[0], pi / 2, 1e-6);
    EXPECT_NEAR(wave.frequency[1], -pi / 2, 1e-6);
    EXPECT_NEAR(wave.frequency[2], pi / 4, 1e-6);
    EXPECT_FLOAT_EQ(wave.largestAmplitude, 2.0f);

    // Phase at (1, _, 2) in frame 16: 377 + 422 + 8 = 807.
    float p[3] = {1, 100, 2};
    ApplyMediaWave(&wave, 16, p);
    EXPECT_NEAR(p[0], 1 + std::sin(807 * pi / 2) * 0.5, 1e-3);
    EXPECT_NEAR(p[1], 100 + std::sin(-807 * pi / 2) * 1024, 1e-2);
    EXPECT_NEAR(p[2], 2 + std::sin(807 * pi / 4) * 0.25, 1e-3);
    // The frame term keeps only its low 16 bits.
    float q[3] = {1, 100, 2}, r[3] = {1, 100, 2};
    ApplyMediaWave(&wave, 14 + 2 * 65536, q);
    ApplyMediaWave(&wave, 14, r);
    EXPECT_EQ(std::vector<float>(q, q + 3), std::vector<float>(r, r + 3));

    LoadMediaWaves(&wave, nullptr);
    EXPECT_EQ(std::vector<float>(wave.amplitude, wave.amplitude + 3), (std::vector<float>{0.1f, 0.1f * 512, 0.2f}));
    EXPECT_EQ(std::vector<float>(wave.frequency, wave.frequency + 3), (std::vector<float>{0.5f, 0.5f, 1.0f}));
    EXPECT_FLOAT_EQ(wave.largestAmplitude, 0.2f);
}

TEST(TerrainLoad, NumbersTheChunksAndAnswersZeroWhenTheChunksCannotBeAllocated)
{
    TerrainModel model;
    ASSERT_EQ(model.Load(MakeFlatMesh(3, 2), nullptr, 0, nullptr, nullptr), 1);
    ASSERT_EQ(model.chunks.count, 6u);
    EXPECT_EQ(model.chunks.data[4].index, 4u);
    EXPECT_EQ(model.chunks.data[4].x0, 32);
    EXPECT_EQ(model.chunks.data[4].z0, 32);

    // A mesh far too large for this build's memory: the chunk array is refused, not aborted.
    MeshTagData* huge = new MeshTagData;
    InitMesh(huge);
    huge->columns = 32u * 32767;
    huge->rows = 32u * 32767;
    EXPECT_EQ(model.Load(huge, nullptr, 0, nullptr, nullptr), 0);
    EXPECT_EQ(model.chunks.count, 0u);

    // Loading another mesh drops the grids and history made for the first one.
    TerrainModel again;
    LoadModel(again, MakeFlatMesh(1, 1));
    again.brush.material = 3;
    ASSERT_EQ(again.FloodFillVertices(1, 1), 1);
    ASSERT_EQ(again.Load(MakeFlatMesh(2, 1), nullptr, 0, nullptr, nullptr), 1);
    EXPECT_EQ(again.vertexGrid, nullptr);
    EXPECT_EQ(again.Undo(), 0);
    ASSERT_EQ(again.CreateDetailGrids(), 1);
    EXPECT_EQ(again.vertexGrid->width, 64u);
    EXPECT_EQ(again.triangleSaved->width, 64u);

    DynArray<MeshChunk> chunks = {nullptr, 0, 0};
    ASSERT_EQ(ResizeMeshChunks(&chunks, 2, nullptr), 1);
    EXPECT_EQ(ResizeMeshChunks(&chunks, 0x7FFFFFFF, nullptr), 0);
    EXPECT_EQ(chunks.count, 2u);
    ResizeMeshChunks(&chunks, 0, nullptr);
}

}  // namespace
