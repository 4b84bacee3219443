// The terrain editor's detail images at the largest common size: export and import of the
// per-vertex and per-triangle grids of a 32 x 32 chunk mesh (an 8192 x 8192 image) in each
// file format, through the editor's commands on the fake backend, beside a plain save and
// load of the same image (the floor). Each reports its peak heap use above what was held
// before, in images (the aim: at most the image and one copy, 2.0).
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "bench/BenchScratch.h"
#include "foundation/FileRecord.h"
#include "gui/WindowSystem.h"
#include "platform/Os.h"
#include "platform/OsFake.h"
#include "terrain/DetailImages.h"
#include "terrain/DetailMaterials.h"
#include "terrain/ui/MeshEdit.h"
#include "tests/terrain/TerrainFixture.h"

// Heap accounting: every allocation of the program goes through these, so the peak covers the
// codecs' buffers as well as ours.
extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void* __libc_memalign(size_t, size_t);
void __libc_free(void*);
}

namespace {

std::atomic<long long> gHeld{0}, gPeak{0};

void Count(long long delta)
{
    const long long now = gHeld.fetch_add(delta) + delta;
    long long peak = gPeak.load();
    while (now > peak && !gPeak.compare_exchange_weak(peak, now)) {
    }
}
long long UsableSize(void* p) { return p ? (long long)malloc_usable_size(p) : 0; }

}  // namespace

extern "C" {
void* malloc(size_t n)
{
    void* p = __libc_malloc(n);
    Count(UsableSize(p));
    return p;
}
void* calloc(size_t n, size_t size)
{
    void* p = __libc_calloc(n, size);
    Count(UsableSize(p));
    return p;
}
void* realloc(void* old, size_t n)
{
    const long long before = UsableSize(old);
    void* p = __libc_realloc(old, n);
    if (p || !n) Count(UsableSize(p) - before);
    return p;
}
void free(void* p)
{
    Count(-UsableSize(p));
    __libc_free(p);
}
void* memalign(size_t align, size_t n)
{
    void* p = __libc_memalign(align, n);
    Count(UsableSize(p));
    return p;
}
void* aligned_alloc(size_t align, size_t n) { return memalign(align, n); }
int posix_memalign(void** out, size_t align, size_t n)
{
    void* p = memalign(align, n);
    if (!p) return 12;  // ENOMEM
    *out = p;
    return 0;
}
}

namespace {

constexpr u32 kChunks = 32;
const char* const kExtensions[3] = {"bmp", "png", "tiff"};

std::string Folder()
{
    static std::string folder;
    if (folder.empty()) {
        folder = BenchScratchFolder();
        SetHighlightTablePath((folder + "/dtex.act").c_str());
    }
    return folder;
}

// An editor (no tag) over a 32 x 32 chunk mesh with random materials in both grids.
struct EditorFixture {
    MeshEdit* editor;
    EditorFixture()
    {
        Folder();
        OsUseFakeBackend();
        OsInit();
        OsOpenWindow(800, 600, 0, 0);
        WindowSystem::Reset();
        WindowSystem::Init();
        WindowSystem::SetRunning(1);
        editor = new MeshEdit(nullptr);
        editor->model.Load(MakeFlatMesh(kChunks, kChunks), nullptr, 0, nullptr, nullptr);
        editor->model.CreateDetailGrids();
        editor->model.detailMapLoaded = 1;
        std::mt19937 random(5);
        for (DetailGrid* g : {editor->model.vertexGrid, editor->model.triangleGrid})
            for (u32 i = 0; i < g->ByteCount(); ++i) g->Bytes()[i] = u8(random() % 128);
        editor->model.CommitDetailGrids();
    }
    ~EditorFixture()
    {
        WindowSystem::Reset();
        OsResetState();
    }
};

void Answer(const std::string& path, u32 format)
{
    FakeOsDialogAnswer answer;
    answer.filterIndex = format;
    answer.paths[0] = path.c_str();
    FakeOsQueueDialogAnswer(answer);
}

std::string FileName(bool triangles, u32 format)
{
    return Folder() + (triangles ? "/triangles." : "/vertices.") + kExtensions[format];
}

double ImageBytes() { return double(kChunks * 32 * 8) * double(kChunks * 32 * 8); }

void Report(benchmark::State& state, long long base)
{
    state.counters["peak_in_images"] = double(gPeak.load() - base) / ImageBytes();
    state.counters["MPixel/s"] = benchmark::Counter(ImageBytes() / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

// Arg 0: format (0 BMP, 1 PNG, 2 TIFF); arg 1: 1 per triangle.
void BM_ExportDetail(benchmark::State& state)
{
    EditorFixture f;
    const u32 format = u32(state.range(0));
    const bool triangles = state.range(1) != 0;
    const std::string path = FileName(triangles, format);
    long long base = 0;
    for (auto _ : state) {
        Answer(path, format);
        base = gHeld.load();
        gPeak.store(base);
        f.editor->RunToolChoice(triangles ? kMeshMenuExportTriangle : kMeshMenuExportVertex);
    }
    Report(state, base);
}
BENCHMARK(BM_ExportDetail)
    ->ArgsProduct({{0, 1, 2}, {0, 1}})
    ->ArgNames({"bmp0_png1_tiff2", "triangles"})
    ->Unit(benchmark::kMillisecond);

void BM_ImportDetail(benchmark::State& state)
{
    EditorFixture f;
    const u32 format = u32(state.range(0));
    const bool triangles = state.range(1) != 0;
    const std::string path = FileName(triangles, format);
    Answer(path, format);
    f.editor->RunToolChoice(triangles ? kMeshMenuExportTriangle : kMeshMenuExportVertex);
    long long base = 0;
    for (auto _ : state) {
        Answer(path, format);
        base = gHeld.load();
        gPeak.store(base);
        f.editor->RunToolChoice(triangles ? kMeshMenuImportTriangle : kMeshMenuImportVertex);
    }
    Report(state, base);
    if (f.editor->IsModified()) f.editor->SetModified(0);
}
BENCHMARK(BM_ImportDetail)
    ->ArgsProduct({{0, 1, 2}, {0, 1}})
    ->ArgNames({"bmp0_png1_tiff2", "triangles"})
    ->Unit(benchmark::kMillisecond);

// The export's own work without file or allocation: the blocks written into a buffer that
// already exists, and the import's vote over them (each grid element from its block).
void BM_BlocksOnly(benchmark::State& state)
{
    EditorFixture f;
    const bool triangles = state.range(0) != 0;
    const bool vote = state.range(1) != 0;
    const u32 side = kChunks * 32 * 8;
    std::string buffer(size_t(side) * side, '\0');
    u8* pixels = reinterpret_cast<u8*>(&buffer[0]);
    TerrainModel& m = f.editor->model;
    for (auto _ : state) {
        if (triangles) WriteTriangleDetailImage(m, pixels);
        else WriteVertexDetailImage(m, pixels);
        if (vote) benchmark::DoNotOptimize(triangles ? ImportTriangleDetailImage(&m, pixels, false)
                                                     : ImportVertexDetailImage(&m, pixels, false));
    }
    Report(state, gHeld.load());
}
BENCHMARK(BM_BlocksOnly)
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->ArgNames({"triangles", "with_vote"})
    ->Unit(benchmark::kMillisecond);

// The floor: the same 8-bit paletted image (the vertex or the triangle one, as the export
// beside it writes) saved and loaded by itself. Arg 0: format; arg 1: 1 per triangle.
std::string PlainPath(u32 format, bool triangles)
{
    return Folder() + (triangles ? "/plain-triangles." : "/plain-vertices.") + kExtensions[format];
}

// The record of the plain image, its pixels written from the fixture's grid.
void FillPlainImage(EditorFixture& f, FileRecord& record, bool triangles)
{
    record.kind = kFileKindImage;
    record.format = FindFormatByExtension(record.path.c_str());
    const u32 side = kChunks * 32 * 8;
    record.image.Create(side, side, kImageIndexed, nullptr);
    if (triangles) WriteTriangleDetailImage(f.editor->model, record.image.pixels);
    else WriteVertexDetailImage(f.editor->model, record.image.pixels);
    record.image.SetPalette(kHighlightColors, f.editor->materials.highlight);
}

void BM_PlainSave(benchmark::State& state)
{
    EditorFixture f;
    const std::string path = PlainPath(u32(state.range(0)), state.range(1) != 0);
    FileRecord record(path.c_str());
    FillPlainImage(f, record, state.range(1) != 0);
    long long base = 0;
    for (auto _ : state) {
        base = gHeld.load();
        gPeak.store(base);
        if (!record.Save()) state.SkipWithError("the image could not be saved");
    }
    Report(state, base);
}
BENCHMARK(BM_PlainSave)
    ->ArgsProduct({{0, 1, 2}, {0, 1}})
    ->ArgNames({"bmp0_png1_tiff2", "triangles"})
    ->Unit(benchmark::kMillisecond);

void BM_PlainLoad(benchmark::State& state)
{
    const std::string path = PlainPath(u32(state.range(0)), state.range(1) != 0);
    {
        // Its own file, whichever benchmark ran before.
        EditorFixture f;
        FileRecord record(path.c_str());
        FillPlainImage(f, record, state.range(1) != 0);
        if (!record.Save()) {
            state.SkipWithError("the image could not be saved");
            return;
        }
    }
    long long base = 0;
    for (auto _ : state) {
        base = gHeld.load();
        gPeak.store(base);
        FileRecord record(path.c_str());
        if (!record.Load()) state.SkipWithError("the image could not be loaded");
    }
    Report(state, base);
}
BENCHMARK(BM_PlainLoad)
    ->ArgsProduct({{0, 1, 2}, {0, 1}})
    ->ArgNames({"bmp0_png1_tiff2", "triangles"})
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
