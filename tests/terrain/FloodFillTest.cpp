// The scanline flood fill against a breadth-first reference.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <random>
#include <vector>

#include "terrain/FloodFill.h"

namespace {

// The corners of triangle t of square (x, z), even squares split along (x, z)-(x+1, z+1).
std::vector<std::pair<int, int>> Corners(int x, int z, int t)
{
    const std::pair<int, int> a{x, z}, b{x + 1, z}, c{x + 1, z + 1}, d{x, z + 1};
    if (((x ^ z) & 1) == 0) return t == 0 ? std::vector<std::pair<int, int>>{a, d, c} : std::vector<std::pair<int, int>>{a, c, b};
    return t == 0 ? std::vector<std::pair<int, int>>{a, d, b} : std::vector<std::pair<int, int>>{b, d, c};
}

// Two triangles are neighbours when they share an edge: two corners.
bool ShareEdge(int x0, int z0, int t0, int x1, int z1, int t1)
{
    const auto p = Corners(x0, z0, t0), q = Corners(x1, z1, t1);
    int shared = 0;
    for (const auto& u : p)
        for (const auto& v : q) shared += u == v;
    return shared == 2;
}

// Breadth-first fill: 4-neighbours, or for a per-triangle grid (byte 2x + t of row z) the
// triangles that share an edge.
std::vector<u8> Reference(std::vector<u8> grid, u32 width, u32 height, u32 sx, u32 sy, u8 value, bool triangles)
{
    const u8 old = grid[sy * width + sx];
    if (old == value) return grid;
    std::deque<std::pair<u32, u32>> queue{{sx, sy}};
    grid[sy * width + sx] = value;
    while (!queue.empty()) {
        const auto [x, y] = queue.front();
        queue.pop_front();
        const int candidates[4][2] = {{int(x) - 1, int(y)}, {int(x) + 1, int(y)}, {int(x), int(y) - 1}, {int(x), int(y) + 1}};
        for (const auto& c : candidates) {
            if (c[0] < 0 || c[1] < 0 || c[0] >= int(width) || c[1] >= int(height)) continue;
            if (triangles && !ShareEdge(int(x) / 2, int(y), int(x) & 1, c[0] / 2, c[1], c[0] & 1)) continue;
            u8& b = grid[c[1] * width + c[0]];
            if (b != old) continue;
            b = value;
            queue.push_back({u32(c[0]), u32(c[1])});
        }
    }
    return grid;
}

// Runs the fill and checks it against the reference: bytes, runs, bounding box, old value.
void CheckFill(const std::vector<u8>& start, u32 width, u32 height, u32 sx, u32 sy, u8 value, bool triangles)
{
    std::vector<u8> grid = start;
    FloodFillRequest r = {};
    r.bytes = grid.data();
    r.seedX = sx;
    r.seedY = sy;
    r.width = width;
    r.height = height;
    r.newValue = value;
    r.recordRuns = 1;
    r.triangleAdjacency = triangles;
    FloodFill(&r);
    const std::vector<u8> expected = Reference(start, width, height, sx, sy, value, triangles);
    ASSERT_EQ(grid, expected) << "seed " << sx << ", " << sy;
    ASSERT_EQ(r.filled, start[sy * width + sx] != value ? 1u : 0u);
    if (!r.filled) {
        EXPECT_EQ(r.runs.count, 0u);
        return;
    }
    EXPECT_EQ(r.oldValue, start[sy * width + sx]);
    // The runs cover exactly the changed bytes, in ascending order, without overlap.
    std::vector<u8> covered(grid.size(), 0);
    u32 minX = width, maxX = 0, minY = height, maxY = 0;
    for (u32 i = 0; i < r.runs.count; ++i) {
        const FloodFillRun& run = r.runs.data[i];
        if (i) {
            EXPECT_GE(run.offset, r.runs.data[i - 1].offset + r.runs.data[i - 1].length);
        }
        ASSERT_LE(u64(run.offset) + run.length, grid.size());
        EXPECT_EQ(run.offset / width, (run.offset + run.length - 1) / width);
        for (u32 k = 0; k < run.length; ++k) covered[run.offset + k] = 1;
    }
    for (size_t i = 0; i < grid.size(); ++i) {
        EXPECT_EQ(covered[i], grid[i] != start[i]) << i;
        if (grid[i] != start[i]) {
            minX = std::min(minX, u32(i % width)), maxX = std::max(maxX, u32(i % width));
            minY = std::min(minY, u32(i / width)), maxY = std::max(maxY, u32(i / width));
        }
    }
    EXPECT_EQ(r.runs.count, r.runs.capacity);
    EXPECT_EQ((std::vector<u32>{r.minX, r.maxX, r.minY, r.maxY}), (std::vector<u32>{minX, maxX, minY, maxY}));
    r.runs.Free();
}

TEST(FloodFill, MatchesABreadthFirstFillOnRandomGrids)
{
    std::mt19937 random(11);
    for (int triangles = 0; triangles < 2; ++triangles)
        for (u32 trial = 0; trial < 150; ++trial) {
            const u32 width = (1 + random() % 24) * (triangles ? 2 : 1), height = 1 + random() % 20;
            const u32 kinds = 2 + random() % 2;
            std::vector<u8> grid(width * height);
            for (u8& b : grid) b = u8(random() % kinds);
            CheckFill(grid, width, height, random() % width, random() % height, u8(random() % 4), triangles != 0);
            if (HasFatalFailure()) return;
        }
}

TEST(FloodFill, TrianglesNeverJoinAcrossACorner)
{
    // Squares (0, 0) and (1, 1), both even, touch only at vertex (1, 1): triangle 1 of the
    // first and triangle 0 of the second.
    const u32 width = 6, height = 3;
    std::vector<u8> grid(width * height, 0);
    grid[0 * width + 1] = 1;
    grid[1 * width + 2] = 1;
    CheckFill(grid, width, height, 1, 0, 2, true);
    std::vector<u8> once = grid;
    FloodFillRequest r = {};
    r.bytes = once.data();
    r.seedX = 1;
    r.width = width;
    r.height = height;
    r.newValue = 2;
    r.triangleAdjacency = 1;
    FloodFill(&r);
    EXPECT_EQ(once[1], 2);
    EXPECT_EQ(once[width + 2], 1);

    // Triangle 0 of (0, 0) has its bottom edge on triangle 0 of the odd square (0, 1).
    std::vector<u8> edge(width * height, 0);
    edge[0] = 1;
    edge[width] = 1;
    CheckFill(edge, width, height, 0, 0, 3, true);
}

TEST(FloodFill, RowsWiderThan65536BytesFillInTheirOwnRow)
{
    // A per-triangle row of a mesh more than 1,024 chunks across.
    const u32 width = 70000, height = 3;
    std::vector<u8> grid(size_t(width) * height, 5);
    for (u32 x = 0; x < width; ++x) grid[width + x] = (x % 1000) ? 0 : 5;
    CheckFill(grid, width, height, 69001, 1, 9, false);
    CheckFill(grid, width, height, 68500, 1, 9, true);
}

TEST(FloodFill, ChangesNothingForASeedOutsideOrAlreadyHoldingTheValue)
{
    std::vector<u8> grid(8 * 4, 3);
    const std::vector<u8> start = grid;
    struct Case {
        s64 x, y;
        u32 value;
    } cases[] = {{-1, 0, 1}, {0, -1, 1}, {8, 0, 1}, {0, 4, 1}, {2, 2, 3}};
    for (const Case& c : cases) {
        FloodFillRequest r = {};
        r.bytes = grid.data();
        r.seedX = c.x;
        r.seedY = c.y;
        r.width = 8;
        r.height = 4;
        r.newValue = c.value;
        r.recordRuns = 1;
        FloodFill(&r);
        EXPECT_EQ(r.filled, 0u) << c.x << ", " << c.y;
        EXPECT_EQ(r.runs.count, 0u);
        EXPECT_EQ(grid, start);
    }
    FloodFillRequest none = {};
    none.width = 8;
    none.height = 4;
    none.newValue = 1;
    FloodFill(&none);
    EXPECT_EQ(none.filled, 0u);
}

}  // namespace
