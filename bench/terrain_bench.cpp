// Terrain core speed and memory: flood fill on a 4096 x 4096 grid beside a breadth-first
// reference; chunk culling at 64 x 64 chunks beside a per-square reference; one radius-10
// brush application with its rebuild inside a 16 ms frame; and loading a 32 x 32 chunk mesh
// (chunk data, shading table, texels) beside a plain read of the same tag bytes.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "codex/MeshTag.h"
#include "codex/TagHeader.h"
#include "collection/Collection.h"
#include "foundation/ByteOrder.h"
#include "terrain/ChunkTexels.h"
#include "terrain/FloodFill.h"
#include "terrain/TerrainModel.h"
#include "tests/terrain/TerrainFixture.h"

namespace {

constexpr u32 kSide = 4096;

// open: one value everywhere; comb: teeth one byte wide hanging from a full top row, the
// worst case for runs; triangles: the open grid filled as a per-triangle grid, where every
// other byte of a row seeds the next row (the most seeds).
std::vector<u8> MakeGrid(int kind)
{
    std::vector<u8> g(size_t(kSide) * kSide, 0);
    if (kind == 1)
        for (u32 y = 1; y < kSide; ++y)
            for (u32 x = 1; x < kSide; x += 2) g[size_t(y) * kSide + x] = 1;
    return g;
}

void BM_FloodFill(benchmark::State& state)
{
    const std::vector<u8> start = MakeGrid(int(state.range(0)));
    std::vector<u8> grid;
    u64 changed = 0, runs = 0, peak = 0, peakBytes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        grid = start;
        state.ResumeTiming();
        FloodFillRequest r = {};
        r.bytes = grid.data();
        r.width = kSide;
        r.height = kSide;
        r.newValue = 7;
        r.recordRuns = 1;
        r.triangleAdjacency = state.range(0) == 2;
        FloodFill(&r);
        runs = r.runs.count;
        peak = r.peakStack;
        peakBytes = r.peakBytes;
        changed = 0;
        for (const FloodFillRun& run : r.runs) changed += run.length;
        r.runs.Free();
    }
    state.counters["changed"] = double(changed);
    state.counters["runs"] = double(runs);
    state.counters["peak_stack"] = double(peak);
    state.counters["undo_bytes"] = double(runs * sizeof(FloodFillRun));
    // Extra memory: the recorded runs and the seeds, as allocated at the fill's end.
    state.counters["extra_bytes_per_changed"] = double(peakBytes) / double(changed ? changed : 1);
}
BENCHMARK(BM_FloodFill)->Arg(0)->Arg(1)->Arg(2)->ArgNames({"open0_comb1_triangles2"})->Unit(benchmark::kMillisecond);

// Breadth-first reference over the same grids (4-neighbours; for the triangle case the triangle rule).
void BM_FloodFillReference(benchmark::State& state)
{
    const std::vector<u8> start = MakeGrid(int(state.range(0)));
    const bool triangles = state.range(0) == 2;
    std::vector<u8> grid;
    std::vector<u32> queue;
    u64 peakQueue = 0;
    for (auto _ : state) {
        state.PauseTiming();
        grid = start;
        queue.clear();
        state.ResumeTiming();
        const u8 old = grid[0], value = 7;
        grid[0] = value;
        queue.push_back(0);
        for (size_t head = 0; head < queue.size(); ++head) {
            const u32 i = queue[head], x = i % kSide, y = i / kSide;
            auto visit = [&](u32 j) {
                if (grid[j] == old) {
                    grid[j] = value;
                    queue.push_back(j);
                }
            };
            if (x > 0) visit(i - 1);
            if (x + 1 < kSide) visit(i + 1);
            const bool up = !triangles || ((x >> 1) ^ x ^ y) & 1;
            const bool down = !triangles || !(((x >> 1) ^ x ^ y) & 1);
            if (y > 0 && up) visit(i - kSide);
            if (y + 1 < kSide && down) visit(i + kSide);
        }
        peakQueue = queue.size();
    }
    state.counters["queue_entries"] = double(peakQueue);
}
BENCHMARK(BM_FloodFillReference)->Arg(0)->Arg(1)->Arg(2)->ArgNames({"open0_comb1_triangles2"})->Unit(benchmark::kMillisecond);

// Rolling hills of 1/512-cell heights.
MeshTagData* MakeHills(u32 across, u32 down)
{
    return MakeMesh(across, down, [](u32 x, u32 z) { return s16(512 * 20 * std::sin(x * 0.02) * std::cos(z * 0.03)); });
}

// A 64 x 64 chunk mesh loaded without textures, its frustum set for a 1024 x 768 view.
void LoadHills64(TerrainModel& model)
{
    model.Load(MakeHills(64, 64), nullptr, 0, nullptr, nullptr);
    model.frustum.Set(1024, 768, 75, 1, 10000);
}

void Rotation(float yaw, float pitch, float m[16])
{
    const float cy = std::cos(yaw), sy = std::sin(yaw), cp = std::cos(pitch), sp = std::sin(pitch);
    const float r[3][3] = {{cy, 0, sy}, {sp * sy, cp, -sp * cy}, {-cp * sy, sp, cp * cy}};
    memset(m, 0, 16 * sizeof(float));
    m[15] = 1;
    for (u32 row = 0; row < 3; ++row)
        for (u32 col = 0; col < 3; ++col) m[col * 4 + row] = r[row][col];
}

struct Pose {
    float m[16];
    float eye[3];
};

std::vector<Pose> Poses()
{
    std::mt19937 random(5);
    std::uniform_real_distribution<float> unit(0, 1);
    std::vector<Pose> poses(64);
    for (Pose& p : poses) {
        Rotation(unit(random) * 6.283f, unit(random) * 1.2f + 0.2f, p.m);
        p.eye[0] = -unit(random) * 2048;
        p.eye[1] = 20 + unit(random) * 60;
        p.eye[2] = unit(random) * 2048;
    }
    return poses;
}

void BM_CullChunks(benchmark::State& state)
{
    TerrainModel model;
    LoadHills64(model);
    const std::vector<Pose> poses = Poses();
    size_t i = 0;
    for (auto _ : state) {
        const Pose& p = poses[i++ % poses.size()];
        model.CullChunks(p.m, p.eye);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_CullChunks)->Unit(benchmark::kMicrosecond);

// Every square's sphere against the four planes, without the chunk level.
void BM_CullSquaresReference(benchmark::State& state)
{
    TerrainModel model;
    LoadHills64(model);
    const std::vector<Pose> poses = Poses();
    size_t i = 0;
    u64 visible = 0;
    for (auto _ : state) {
        const Pose& p = poses[i++ % poses.size()];
        float n[4][3];
        for (u32 k = 0; k < 4; ++k)
            for (u32 c = 0; c < 3; ++c) {
                const float* col = p.m + 4 * c;
                const float v = col[0] * model.frustum.normals[k][0] + col[1] * model.frustum.normals[k][1] +
                                col[2] * model.frustum.normals[k][2];
                n[k][c] = c == 0 ? -v : v;
            }
        const float eye[3] = {-p.eye[0], p.eye[1], p.eye[2]};
        visible = 0;
        for (const MeshChunk& chunk : model.chunks)
            for (u32 cell = 0; cell < kChunkCells; ++cell) {
                const float c[3] = {chunk.x0 + float(cell % 32) + 0.5f - eye[0], chunk.cellCentreHeight[cell] - eye[1],
                                    chunk.z0 + float(cell / 32) + 0.5f - eye[2]};
                bool out = false;
                for (u32 k = 0; k < 4 && !out; ++k) {
                    const float d = n[k][0] * c[0] + n[k][1] * c[1] + n[k][2] * c[2];
                    out = d > 0 && d * d > chunk.cellRadiusSquared[cell];
                }
                visible += !out;
            }
        benchmark::DoNotOptimize(visible);
    }
}
BENCHMARK(BM_CullSquaresReference)->Unit(benchmark::kMicrosecond);

void BM_BrushRadius10(benchmark::State& state)
{
    TerrainModel model;
    LoadHills64(model);
    model.CreateDetailGrids();
    model.detailMapLoaded = 1;
    model.brushMode = u32(state.range(0));
    u32 n = 0;
    for (auto _ : state) {
        // Alternate materials so every application changes every element it takes.
        model.brush.material = 1 + (n & 1);
        const float x = 500.5f + float(n % 200), z = 700.25f;
        benchmark::DoNotOptimize(model.brushMode ? model.PaintTriangles(x, z, 10) : model.PaintVertices(x, z, 10));
        ++n;
    }
    state.counters["frame_budget_ms"] = 16;
}
BENCHMARK(BM_BrushRadius10)->Arg(0)->Arg(1)->ArgNames({"vertex0_triangle1"})->Unit(benchmark::kMicrosecond);

// A 32 x 32 chunk mesh tag file and its colour map (two 256 x 256 bitmaps per chunk).
struct LoadFixture {
    char path[64];
    TagHeader header;
    Collection colorMap;
    LoadFixture()
    {
        strcpy(path, "/tmp/tavik-terrain-bench-XXXXXX");
        const int fd = mkstemp(path);
        FILE* f = fdopen(fd, "w+b");
        MeshTagData* mesh = MakeHills(32, 32);
        mesh->header.cellsOffset = 1024;
        mesh->header.shadeMidpoint = 0x8000;
        mesh->header.shadingDark = 96;
        mesh->header.shadingLight = 64;
        memset(&header, 0, sizeof header);
        header.offset = 0;
        header.version = 11;
        const u32 cells = mesh->columns * mesh->rows;
        if (WriteRecords(&mesh->header, 1, kMeshHeaderDescriptor, f) != 1024 ||
            WriteRecords(mesh->cells, cells, kMeshCellDescriptor, f) != u64(cells) * 12)
            abort();
        header.size = 1024 + cells * 12;
        fclose(f);
        FreeMesh(mesh);
        delete mesh;
        std::vector<u8> px(256 * 256 * 2);
        for (u32 i = 0; i < px.size(); ++i) px[i] = u8(i * 7);
        for (u32 k = 0; k < 32 * 32 * 2; ++k) colorMap.AddBitmap("b", 0, px.data(), 256, 256, 2, nullptr);
    }
    ~LoadFixture() { remove(path); }
    // The mesh read from the file as the editor reads it; the model that loads it takes it over.
    MeshTagData* ReadMesh() const
    {
        FILE* f = fopen(path, "rb");
        MeshTagData* mesh = new MeshTagData;
        InitMesh(mesh);
        if (!f || !ReadMeshTag(mesh, f, &header)) abort();
        fclose(f);
        return mesh;
    }
};

LoadFixture& Fixture()
{
    static LoadFixture fixture;
    return fixture;
}

void BM_LoadMesh32x32(benchmark::State& state)
{
    LoadFixture& fx = Fixture();
    const u32 textureSize = u32(state.range(0));
    for (auto _ : state) {
        MeshTagData* mesh = fx.ReadMesh();
        TerrainModel model;
        // Texels go to a sink that drops them, as the upload does once OpenGL has them.
        if (!model.Load(mesh, &fx.colorMap, textureSize, [](void*, MeshChunk*, const u8*, u32) { return 1; }, nullptr))
            abort();
        benchmark::DoNotOptimize(model.chunks.data);
    }
    state.counters["chunk_bytes"] = double(sizeof(MeshChunk));
    state.counters["texel_bytes_kept_per_chunk"] = 0;
    state.counters["mesh_cell_bytes_per_chunk"] = double(32 * 32 * sizeof(MeshCell));
}
BENCHMARK(BM_LoadMesh32x32)->Arg(0)->Arg(256)->Arg(257)->ArgNames({"texels"})->Unit(benchmark::kMillisecond);

// What the terrain editor does at opening: the mesh read and loaded without texels, and the
// shading table its chunks' textures will be made from as each chunk first comes into view
// ("texels_ms_per_chunk": what one chunk's 257 x 257 texels then cost, measured beside).
void BM_LoadMesh32x32ForTheEditor(benchmark::State& state)
{
    LoadFixture& fx = Fixture();
    std::unique_ptr<ShadingTable> table(new ShadingTable);
    for (auto _ : state) {
        MeshTagData* mesh = fx.ReadMesh();
        TerrainModel model;
        if (!model.Load(mesh, nullptr, 0, nullptr, nullptr)) abort();
        BuildShadingTable(table.get(), fx.colorMap.GetColorTable(), model.mesh->header);
        benchmark::DoNotOptimize(model.chunks.data);
    }
    std::vector<u8> texels(size_t(kChunkTexelsBordered) * kChunkTexelsBordered * 3);
    const auto start = std::chrono::steady_clock::now();
    for (u32 k = 0; k < 64; ++k) BuildChunkTexels257(texels.data(), &fx.colorMap, table.get(), 32, 32, k * 16);
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    state.counters["texels_ms_per_chunk"] = ms / 64;
}
BENCHMARK(BM_LoadMesh32x32ForTheEditor)->Unit(benchmark::kMillisecond);

// The floor: reading the same tag bytes into memory and nothing else.
void BM_ReadMeshBytes32x32(benchmark::State& state)
{
    LoadFixture& fx = Fixture();
    std::vector<u8> bytes(fx.header.size);
    for (auto _ : state) {
        FILE* f = fopen(fx.path, "rb");
        if (fread(bytes.data(), 1, bytes.size(), f) != bytes.size()) abort();
        fclose(f);
        benchmark::DoNotOptimize(bytes.data());
    }
}
BENCHMARK(BM_ReadMeshBytes32x32)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
