// Brush application, the lock rule, flood fills on the editor's grids, and their undo.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <tuple>
#include <vector>

#include "terrain/TerrainModel.h"
#include "tests/terrain/TerrainFixture.h"

namespace {

using Element = std::tuple<u32, u32, u32>;  // x, z, triangle (0 in vertex mode)

std::vector<u8> Bytes(const DetailGrid* g) { return std::vector<u8>(g->Bytes(), g->Bytes() + g->ByteCount()); }

// Random materials in both grids, with saved copies equal to them.
void RandomGrids(TerrainModel& m, u32 seed, u32 kinds = 4)
{
    std::mt19937 random(seed);
    std::vector<u8> vertices(m.width * m.height), triangles(m.width * m.height * 2);
    for (u8& b : vertices) b = u8(1 + random() % kinds);
    for (u8& b : triangles) b = u8(1 + random() % kinds);
    ASSERT_EQ(m.LoadDetailPlanes(vertices.data(), triangles.data()), 1);
}

std::set<Element> Changed(const std::vector<u8>& before, const DetailGrid* g, u32 width, bool triangles)
{
    std::set<Element> out;
    const std::vector<u8> after = Bytes(g);
    for (size_t i = 0; i < after.size(); ++i)
        if (after[i] != before[i]) {
            const size_t element = triangles ? i / 2 : i;
            out.insert({u32(element % width), u32(element / width), triangles ? u32(i % 2) : 0});
        }
    return out;
}

// Every element of the grid whose position (vertex, or triangle centroid from its corners)
// the brush covers, searched over the whole grid.
std::set<Element> Covered(const TerrainModel& m, u32 shape, bool triangles, float bx, float bz, float r)
{
    std::set<Element> out;
    for (u32 z = 0; z < m.height; ++z)
        for (u32 x = 0; x < m.width; ++x)
            for (u32 t = 0; t < (triangles ? 2u : 1u); ++t) {
                float px = float(x), pz = float(z);
                if (triangles) {
                    // Centroid of the triangle's three corners.
                    const bool even = ((x ^ z) & 1) == 0;
                    const int c[2][3][2] = {{{0, 0}, {0, 1}, {1, 1}}, {{0, 0}, {1, 1}, {1, 0}}};
                    const int o[2][3][2] = {{{0, 0}, {0, 1}, {1, 0}}, {{1, 0}, {0, 1}, {1, 1}}};
                    const auto& k = even ? c[t] : o[t];
                    px = float(x) + (k[0][0] + k[1][0] + k[2][0]) / 3.0f;
                    pz = float(z) + (k[0][1] + k[1][1] + k[2][1]) / 3.0f;
                }
                const float dx = bx - px, dz = bz - pz;
                const bool in = shape == kBrushSquare ? dx * dx <= r * r && dz * dz <= r * r : dx * dx + dz * dz <= r * r;
                if (in) out.insert({x, z, t});
            }
    return out;
}

TEST(PaintBrush, TakesEveryElementInsideTheBrushAndNothingElse)
{
    struct Case {
        u32 shape;
        bool triangles;
        float x, z, r;
    } cases[] = {
        {kBrushRound, false, 10.3f, 7.6f, 3},  {kBrushSquare, false, 5, 5, 2},
        {kBrushRound, false, 31.0f, 31.0f, 1.5f},  // the far corner: vertices W - 1 and H - 1
        {kBrushSquare, false, 0.2f, 30.9f, 4},     {kBrushRound, false, 4.5f, 4.5f, 0.2f},  // covers no vertex
        {kBrushRound, true, 10.3f, 7.6f, 3},   {kBrushSquare, true, 12.5f, 3.25f, 2.5f},
        {kBrushRound, true, 31.5f, 0.4f, 0.6f},    {kBrushRound, true, 6.34f, 6.66f, 0.2f},
        {kBrushSquare, true, 20, 20, 10},
    };
    for (const Case& c : cases) {
        TerrainModel m;
        LoadModel(m, MakeFlatMesh(1, 1));
        m.brushShape = c.shape;
        m.brush.material = 9;
        const DetailGrid* grid = c.triangles ? m.triangleGrid : m.vertexGrid;
        const std::vector<u8> before = Bytes(grid);
        const u32 n = c.triangles ? m.PaintTriangles(c.x, c.z, c.r) : m.PaintVertices(c.x, c.z, c.r);
        const std::set<Element> expected = Covered(m, c.shape, c.triangles, c.x, c.z, c.r);
        EXPECT_EQ(Changed(before, grid, m.width, c.triangles), expected) << c.x << ", " << c.z << " r " << c.r;
        EXPECT_EQ(n, expected.size());
        EXPECT_EQ(Bytes(c.triangles ? m.vertexGrid : m.triangleGrid), std::vector<u8>(grid->ByteCount() / (c.triangles ? 2 : 1) * (c.triangles ? 1 : 2), 0));
    }
}

TEST(PaintBrush, LockedMaterialsKeepTheirElementsUnlessShiftWasHeld)
{
    struct Case {
        u32 shift;
        u8 lockedMaterial;
        bool expectOverwritten;
    } cases[] = {{0, 5, false}, {1, 5, true}, {0, 6, true}};
    for (const Case& c : cases) {
        TerrainModel m;
        LoadModel(m, MakeFlatMesh(1, 1));
        for (u32 x = 0; x < 32; ++x) VertexAt(m, x, 3) = x < 16 ? 5 : 200;  // 200: a file value, locked as 127
        TriangleAt(m, 4, 3, 0) = 5;
        m.locked[c.lockedMaterial] = 1;
        m.locked[127] = 1;
        m.brush.material = 7;
        m.BeginBrushStroke(c.shift);
        m.PaintVertices(8, 3, 2);
        m.PaintTriangles(4.3f, 3.6f, 0.5f);
        EXPECT_EQ(VertexAt(m, 8, 3), c.expectOverwritten ? 7 : 5) << int(c.lockedMaterial) << " shift " << c.shift;
        EXPECT_EQ(TriangleAt(m, 4, 3, 0), c.expectOverwritten ? 7 : 5);
        EXPECT_EQ(VertexAt(m, 8, 4), 7);  // unlocked 0 is painted either way
        m.PaintVertices(20, 3, 1);
        EXPECT_EQ(VertexAt(m, 20, 3), c.shift ? 7 : 200);
        // Flood fills ignore locks.
        m.brush.material = 8;
        EXPECT_EQ(m.FloodFillVertices(0, 3), 1);
        EXPECT_EQ(VertexAt(m, 0, 3), 8);
    }
}

TEST(PaintBrush, AnOffMeshPositionNeverPaintsOrFills)
{
    struct Case {
        float x, z;
    } cases[] = {{-1, -1}, {-1, 5}, {5, -1}, {32, 5}, {5, 32}, {-0.3f, 2}};
    for (const Case& c : cases) {
        TerrainModel m;
        LoadModel(m, MakeFlatMesh(1, 1));
        m.brush.material = 4;
        m.BeginBrushStroke(0);
        EXPECT_EQ(m.PaintVertices(c.x, c.z, 3), 0u);
        EXPECT_EQ(m.PaintTriangles(c.x, c.z, 3), 0u);
        EXPECT_EQ(m.EndBrushStroke(), 0);
        EXPECT_EQ(m.FloodFillVertices(c.x, c.z), 0);
        EXPECT_EQ(m.FloodFillTriangles(c.x, c.z), 0);
        EXPECT_EQ(Bytes(m.vertexGrid), std::vector<u8>(32 * 32, 0)) << c.x << ", " << c.z;
        EXPECT_EQ(Bytes(m.triangleGrid), std::vector<u8>(32 * 32 * 2, 0));
        EXPECT_EQ(m.history.count, 1u);
        EXPECT_EQ(m.modified, 0u);
        float outline[257 * 3];
        EXPECT_EQ(m.DrawRoundBrush(c.x, c.z, 3, 256, outline), 0u);
    }
}

struct Snapshot {
    std::vector<u8> vertex, vertexSaved, triangle, triangleSaved;
    explicit Snapshot(const TerrainModel& m)
        : vertex(Bytes(m.vertexGrid)), vertexSaved(Bytes(m.vertexSaved)), triangle(Bytes(m.triangleGrid)),
          triangleSaved(Bytes(m.triangleSaved))
    {
    }
};

void ExpectGrids(const TerrainModel& m, const Snapshot& s, const char* when)
{
    EXPECT_EQ(Bytes(m.vertexGrid), s.vertex) << when;
    EXPECT_EQ(Bytes(m.vertexSaved), s.vertex) << when;
    EXPECT_EQ(Bytes(m.triangleGrid), s.triangle) << when;
    EXPECT_EQ(Bytes(m.triangleSaved), s.triangle) << when;
}

TEST(DetailUndo, StrokesAndFillsUndoAndRedoBothGridCopiesExactly)
{
    TerrainModel m;
    LoadModel(m, MakeFlatMesh(2, 1));
    RandomGrids(m, 5, 3);
    u32 hookCalls = 0;
    m.hookOwner = &hookCalls;
    m.modifiedHook = [](void* owner) { ++*static_cast<u32*>(owner); };

    std::vector<Snapshot> states{Snapshot(m)};
    // A vertex stroke of three applications, a triangle stroke, a vertex fill, a triangle fill.
    m.brush.material = 9;
    m.BeginBrushStroke(0);
    m.PaintVertices(10, 10, 3);
    m.PaintVertices(14, 12, 3);
    m.PaintVertices(31.1f, 4, 0.2f);  // the last column of a chunk, one column wide
    EXPECT_EQ(m.EndBrushStroke(), 1);
    states.push_back(Snapshot(m));
    // Vertex W - 1 alone: a one-column stroke rectangle at the mesh's far edge.
    m.BeginBrushStroke(0);
    EXPECT_EQ(m.PaintVertices(63.25f, 30, 0.25f), 1u);
    EXPECT_EQ((std::vector<s32>(m.strokeRect, m.strokeRect + 4)), (std::vector<s32>{63, 29, 63, 31}));
    EXPECT_EQ(m.EndBrushStroke(), 1);
    states.push_back(Snapshot(m));
    m.brushMode = kBrushTriangle;
    m.brush.material = 11;
    m.BeginBrushStroke(0);
    m.PaintTriangles(40.5f, 20.2f, 2);
    m.PaintTriangles(63.4f, 31.5f, 0.5f);  // the mesh's far corner
    EXPECT_EQ(m.EndBrushStroke(), 1);
    states.push_back(Snapshot(m));
    m.brush.material = 12;
    ASSERT_EQ(m.FloodFillVertices(3.4f, 28.6f), 1);
    states.push_back(Snapshot(m));
    m.brush.material = 13;
    ASSERT_EQ(m.FloodFillTriangles(50.7f, 2.2f), 1);
    states.push_back(Snapshot(m));
    EXPECT_EQ(m.history.count, 6u);
    EXPECT_GT(hookCalls, 0u);
    for (size_t i = 1; i < states.size(); ++i) EXPECT_NE(states[i].vertex == states[i - 1].vertex, states[i].triangle == states[i - 1].triangle) << i;
    for (const Snapshot& s : states) {
        EXPECT_EQ(s.vertexSaved, s.vertex);
        EXPECT_EQ(s.triangleSaved, s.triangle);
    }

    for (size_t i = states.size() - 1; i > 0; --i) {
        ASSERT_EQ(m.Undo(), 1);
        ExpectGrids(m, states[i - 1], "undo");
    }
    EXPECT_EQ(m.Undo(), 0);
    for (size_t i = 1; i < states.size(); ++i) {
        ASSERT_EQ(m.Redo(), 1);
        ExpectGrids(m, states[i], "redo");
    }
    EXPECT_EQ(m.Redo(), 0);
    // The blend codes follow the grids: rebuilt from scratch they are the same.
    std::vector<BlendCode> codes(m.chunks.data[1].blendCodes, m.chunks.data[1].blendCodes + 2048);
    m.RebuildRegion(0, m.width, 0, m.height);
    EXPECT_EQ(codes, std::vector<BlendCode>(m.chunks.data[1].blendCodes, m.chunks.data[1].blendCodes + 2048));
}

TEST(DetailUndo, AStrokeOrFillThatChangesNothingAddsNoEntry)
{
    TerrainModel m;
    LoadModel(m, MakeFlatMesh(1, 1));
    m.brush.material = 0;
    m.BeginBrushStroke(0);
    m.PaintVertices(10, 10, 3);  // the grid already holds 0
    EXPECT_EQ(m.EndBrushStroke(), 0);
    m.brush.material = 2;
    m.BeginBrushStroke(0);
    m.PaintVertices(4.5f, 4.5f, 0.2f);  // reaches no vertex
    EXPECT_EQ(m.EndBrushStroke(), 0);
    m.BeginBrushStroke(0);
    EXPECT_EQ(m.EndBrushStroke(), 0);  // pressed and released without moving
    m.brush.material = 0;
    EXPECT_EQ(m.FloodFillVertices(3, 3), 0);
    EXPECT_EQ(m.FloodFillTriangles(3.5f, 3.2f), 0);
    EXPECT_EQ(m.history.count, 1u);
    EXPECT_EQ(m.modified, 0u);
}

TEST(DetailUndo, TriangleFillsSeedInTheirOwnSquareAndRebuildAroundTheFill)
{
    TerrainModel m;
    LoadModel(m, MakeFlatMesh(1, 1));
    // Square (6, 2) is even: the point (6.2, 2.7) lies in triangle 0 (fx < fz); square (7, 2)
    // is odd: (7.2, 2.3) lies in triangle 0 (fx + fz < 1), (7.8, 2.6) in triangle 1.
    for (u32 x = 0; x < 32; ++x)
        for (u32 z = 0; z < 32; ++z)
            for (u32 t = 0; t < 2; ++t) TriangleAt(m, x, z, t) = u8(1 + (x * 2 + t + z) % 2 + 2 * ((x * 2 + t) % 4 == 0));
    struct Case {
        float x, z;
        u32 sx, sz, t;
    } cases[] = {{6.2f, 2.7f, 6, 2, 0}, {6.7f, 2.2f, 6, 2, 1}, {7.2f, 2.3f, 7, 2, 0}, {7.8f, 2.6f, 7, 2, 1}};
    for (const Case& c : cases) {
        const u8 old = TriangleAt(m, c.sx, c.sz, c.t);
        m.brush.material = 50;
        ASSERT_EQ(m.FloodFillTriangles(c.x, c.z), 1);
        EXPECT_EQ(TriangleAt(m, c.sx, c.sz, c.t), 50);
        // The blend code of the seed triangle shows the new material.
        EXPECT_EQ(m.chunks.data[0].blendCodes[(c.sz * 32 + c.sx) * 2 + c.t], 50u << 9 | 0x40000007);
        ASSERT_EQ(m.Undo(), 1);
        EXPECT_EQ(TriangleAt(m, c.sx, c.sz, c.t), old);
    }
}

TEST(BrushOutline, RoundAndSquareOutlinesFollowTheSurface)
{
    TerrainModel m;
    LoadModel(m, MakeMesh(1, 1, [](u32 x, u32 z) { return s16(x * 100 + z * 30); }), false);
    std::vector<float> p(257 * 3);
    ASSERT_EQ(m.DrawRoundBrush(10, 12, 2, 256, p.data()), 257u);
    const double pi = 3.14159265358979;
    for (u32 n : {0u, 64u, 128u, 256u}) {
        const double angle = (256 - n + 0.5) * 2 * pi / 256 - pi / 2;
        EXPECT_NEAR(p[n * 3], 10 + 2 * std::cos(angle), 1e-4);
        EXPECT_NEAR(p[n * 3 + 2], 12 + 2 * std::sin(angle), 1e-4);
        EXPECT_NEAR(p[n * 3 + 1], m.SampleSurfaceHeight(p[n * 3], p[n * 3 + 2]), 1e-3);
    }
    ASSERT_EQ(m.DrawSquareBrush(10, 12, 2, 256, p.data()), 256u);
    const float corners[4][2] = {{8, 10}, {12, 10}, {12, 14}, {8, 14}};
    for (u32 side = 0; side < 4; ++side) {
        EXPECT_FLOAT_EQ(p[side * 64 * 3], corners[side][0]);
        EXPECT_FLOAT_EQ(p[side * 64 * 3 + 2], corners[side][1]);
    }
    EXPECT_FLOAT_EQ(p[1 * 3], 8 + 4.0f / 64);
    EXPECT_FLOAT_EQ(p[65 * 3 + 2], 10 + 4.0f / 64);
}

}  // namespace
