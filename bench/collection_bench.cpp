// Collection reading and writing at the size of a large sprite collection, and the pixel
// codings of one 1024 x 1024 bitmap. The Scaling runs grow bitmaps and cells together: time
// per item must stay flat (no step may search the bitmaps for every cell).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

#include <GL/gl.h>

#include <string>
#include <vector>

#include "bench/BenchScratch.h"
#include "codex/TagHeader.h"
#include "collection/BitmapCoding.h"
#include "collection/Collection.h"
#include "collection/CollectionOptimize.h"
#include "collection/ColorPlate.h"
#include "collection/ui/BitmapDrawing.h"
#include "gui/Skin.h"
#include "gui/core/Font.h"
#include "platform/GLTexture.h"
#include "platform/Os.h"

namespace {

// A round blob with a soft edge: transparent corners, partial alpha at the rim.
void FillBlob(u8* pixels, u32 w, u32 h, u32 seed)
{
    for (u32 y = 0; y < h; ++y)
        for (u32 x = 0; x < w; ++x) {
            int dx = int(2 * x) - int(w), dy = int(2 * y) - int(h);
            int d = dx * dx + dy * dy, r = int(w * h);
            u8* p = pixels + 2 * (u64(y) * w + x);
            p[0] = d > r ? 0 : d > r * 3 / 4 ? 136 : 255;
            p[1] = p[0] ? u8(1 + (x * 7 + y * 3 + seed) % 254) : 0;
        }
}

// bitmaps 32 x 32 span-coded bitmaps; sequences of 8 views x 32 frames (256 cells each).
Collection* MakeCollection(u32 bitmaps, u32 sequences)
{
    Collection* c = new Collection();
    u8 pixels[32 * 32 * 2];
    for (u32 i = 0; i < bitmaps; ++i) {
        FillBlob(pixels, 32, 32, i);
        char name[32];
        snprintf(name, sizeof(name), "bitmap %u", i);
        c->AddBitmap(name, kBitmapSpanRows, pixels, 32, 32, 2, nullptr);
    }
    for (u32 s = 0, n = 0; s < sequences; ++s) {
        char name[32];
        snprintf(name, sizeof(name), "sequence %u", s);
        Sequence* q = c->AddSequence(name);
        q->Resize(8, 32);
        for (u32 f = 0; f < 32; ++f) {
            for (u32 v = 0; v < 8; ++v) q->GetFrameView(f, v).bitmap = c->GetBitmap((n++ * 7919) % bitmaps);
            q->GetFrame(f).shadowBitmap = c->GetBitmap((n * 31) % bitmaps);
        }
    }
    return c;
}

void WriteTo(FILE* f, Collection& c, TagHeader& h)
{
    if (ftruncate(fileno(f), 0) != 0) abort();
    rewind(f);
    memset(&h, 0, sizeof(h));
    if (!c.Write(f, &h)) abort();
    fflush(f);
    h.size = u32(ftello(f));
}

void BM_CollectionWrite(benchmark::State& state)
{
    u32 k = u32(state.range(0));
    Collection* c = MakeCollection(500 * k, 25 * k);
    FILE* f = tmpfile();
    TagHeader h;
    for (auto _ : state) WriteTo(f, *c, h);
    state.SetItemsProcessed(state.iterations() * (500 * k + 6400 * k));
    state.counters["bytes"] = double(h.size);
    fclose(f);
    delete c;
}

void BM_CollectionRead(benchmark::State& state)
{
    u32 k = u32(state.range(0));
    Collection* c = MakeCollection(500 * k, 25 * k);
    FILE* f = tmpfile();
    TagHeader h;
    WriteTo(f, *c, h);
    delete c;
    for (auto _ : state) {
        Collection r;
        if (!r.Read(f, &h, true)) abort();
        benchmark::DoNotOptimize(r.bitmaps.data);
    }
    state.SetItemsProcessed(state.iterations() * (500 * k + 6400 * k));
    fclose(f);
}

// k = 4 is the target size: 2,000 bitmaps and 25,600 frame-view cells. (k = 8 stays below the
// 65,535 FrameView records a collection can store.)
BENCHMARK(BM_CollectionWrite)->Arg(1)->Arg(4)->Arg(8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CollectionRead)->Arg(1)->Arg(4)->Arg(8)->Unit(benchmark::kMillisecond);

constexpr u32 kSide = 1024;

CollectionBitmap* BigIndexed()
{
    CollectionBitmap* b = new CollectionBitmap();
    b->width = b->height = kSide;
    b->bytesPerPixel = 2;
    b->flags = kBitmapSpanRows;
    b->pixels = static_cast<u8*>(malloc(size_t(kSide) * kSide * 2));
    FillBlob(b->pixels, kSide, kSide, 0);
    b->QuantizeAlpha();
    return b;
}

void BM_SpanEncode(benchmark::State& state)
{
    CollectionBitmap* b = BigIndexed();
    for (auto _ : state) {
        ScopedDynArray<u8> out;
        for (u32 y = 0; y < kSide; ++y) EncodeBitmapSpanRow(*b, y, out);
        benchmark::DoNotOptimize(out.data);
    }
    state.SetItemsProcessed(state.iterations() * kSide * kSide);
    delete b;
}

void BM_SpanDecode(benchmark::State& state)
{
    CollectionBitmap* b = BigIndexed();
    ScopedDynArray<u8> coded;
    for (u32 y = 0; y < kSide; ++y) EncodeBitmapSpanRow(*b, y, coded);
    CollectionBitmapHeader h;
    memset(&h, 0, sizeof(h));
    h.width = h.height = kSide;
    h.flags = kBitmapSpanRows | kBitmapPaddedRows | kBitmapPartialAlpha;
    h.shift = 1;
    h.depth = 16;
    ColorTableRecord table;
    memset(&table, 0, sizeof(table));
    u8* out = static_cast<u8*>(malloc(size_t(kSide) * kSide * 2));
    for (auto _ : state) {
        if (!DecodeIndexedBitmap(h, table, coded.data, coded.count, out)) abort();
        benchmark::DoNotOptimize(out);
    }
    state.SetItemsProcessed(state.iterations() * kSide * kSide);
    free(out);
    delete b;
}

u8* BigTrueColor()
{
    u8* p = static_cast<u8*>(malloc(size_t(kSide) * kSide * 8));
    for (u32 y = 0; y < kSide; ++y)
        for (u32 x = 0; x < kSide; ++x) {
            u8* q = p + 8 * (u64(y) * kSide + x);
            int dx = int(2 * x) - int(kSide), dy = int(2 * y) - int(kSide);
            bool inside = dx * dx + dy * dy < int(kSide * kSide);
            memset(q, 0, 8);
            if (!inside) continue;
            q[0] = u8(x);
            q[1] = u8(y);
            q[2] = u8((x + y) & 0xFE);
            q[3] = u8(31 | ((x / 64) % 3) << 5);
            if ((x + y) % 5 == 0) {
                q[2] |= 1;
                q[4] = 200;
                q[5] = 100;
                q[6] = 50;
                q[7] = 12;
            }
        }
    return p;
}

void BM_TrueColorEncode(benchmark::State& state)
{
    u8* p = BigTrueColor();
    for (auto _ : state) {
        ScopedDynArray<u8> out;
        EncodeTrueColorBitmap(p, u64(kSide) * kSide, out);
        benchmark::DoNotOptimize(out.data);
    }
    state.SetItemsProcessed(state.iterations() * kSide * kSide);
    free(p);
}

void BM_TrueColorDecode(benchmark::State& state)
{
    u8* p = BigTrueColor();
    ScopedDynArray<u8> coded;
    EncodeTrueColorBitmap(p, u64(kSide) * kSide, coded);
    for (auto _ : state) {
        if (!DecodeTrueColorBitmap(p, coded.data, coded.count, u64(kSide) * kSide)) abort();
        benchmark::DoNotOptimize(p);
    }
    state.SetItemsProcessed(state.iterations() * kSide * kSide);
    free(p);
}

BENCHMARK(BM_SpanEncode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SpanDecode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TrueColorEncode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TrueColorDecode)->Unit(benchmark::kMillisecond);

}  // namespace

namespace {

// ---------------------------------------------------------------------------------------
// Images: imports beside plain loading, plates beside saving and loading their image, and
// drawing a large bitmap in tiles beside uploading the same pixels already in RGBA.

std::string ScratchFolder() { return BenchScratchFolder(); }

// 200 paletted 256 x 256 PNG files, written once.
const std::vector<std::string>& ImportFiles()
{
    static std::vector<std::string> files;
    if (!files.empty()) return files;
    Rgb palette[256];
    for (u32 i = 0; i < 256; ++i) palette[i] = Rgb{u8(i), u8(255 - i), u8(i * 7)};
    for (u32 k = 0; k < 200; ++k) {
        std::string path = ScratchFolder() + "/import" + std::to_string(k) + ".png";
        FileRecord out(path.c_str());
        out.kind = kFileKindImage;
        out.format = kFileFormatPng;
        if (!out.image.Create(256, 256, kImageIndexed, nullptr) || !out.image.SetPalette(256, palette)) abort();
        for (u32 i = 0; i < 256 * 256; ++i) out.image.pixels[i] = u8(2 + (i * 13 + k + (i >> 8) * 5) % 240);
        if (!out.Save()) abort();
        files.push_back(path);
    }
    return files;
}

// The files are loaded and kept, as an import of chosen files keeps their records until it
// is done; the import then makes a bitmap of each.
void LoadAll(const std::vector<std::string>& files, std::vector<FileRecord*>& records)
{
    for (const std::string& path : files) {
        FileRecord* in = new FileRecord(path.c_str());
        if (!in->Load()) abort();
        records.push_back(in);
    }
}

void FreeAll(std::vector<FileRecord*>& records)
{
    for (FileRecord* r : records) delete r;
    records.clear();
}

void BM_LoadPng200(benchmark::State& state)
{
    const std::vector<std::string>& files = ImportFiles();
    std::vector<FileRecord*> records;
    for (auto _ : state) {
        LoadAll(files, records);
        benchmark::DoNotOptimize(records.data());
        FreeAll(records);
    }
}

void BM_ImportPng200(benchmark::State& state)
{
    const std::vector<std::string>& files = ImportFiles();
    std::vector<FileRecord*> records;
    for (auto _ : state) {
        Collection c;
        LoadAll(files, records);
        for (FileRecord* r : records)
            if (!c.ImportImage(r->image, "b", nullptr, false)) abort();
        benchmark::DoNotOptimize(c.bitmaps.data);
        FreeAll(records);
    }
}

BENCHMARK(BM_LoadPng200)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportPng200)->Unit(benchmark::kMillisecond);
// Once each, for a fresh process (tools/bench-peers.sh): the allocator's state after many
// iterations hides what a user's first import costs.
BENCHMARK(BM_LoadPng200)->Name("BM_LoadPng200Once")->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportPng200)->Name("BM_ImportPng200Once")->Iterations(1)->Unit(benchmark::kMillisecond);

// 2,000 64 x 64 span-coded bitmaps.
Collection* PlateCollection(ScopedDynArray<CollectionBitmap*>& list)
{
    Collection* c = new Collection();
    for (u32 i = 0; i < 256; ++i) c->colorTable.entries[i] = ColorTableEntry{u8(i), u8(255 - i), u8(i * 7)};
    u8 pixels[64 * 64 * 2];
    for (u32 i = 0; i < 2000; ++i) {
        FillBlob(pixels, 64, 64, i);
        for (u32 p = 0; p < 64 * 64; ++p) pixels[2 * p] = pixels[2 * p] ? 255 : 0;
        list.Push(c->AddBitmap("b", kBitmapSpanRows, pixels, 64, 64, 2, nullptr));
    }
    return c;
}

void BM_PlateImageSaveLoad(benchmark::State& state)
{
    ScopedDynArray<CollectionBitmap*> list;
    Collection* c = PlateCollection(list);
    ColorPlate plate;
    if (!plate.Build(*c, list, 0, false)) abort();
    std::string path = ScratchFolder() + "/floor.png";
    for (auto _ : state) {
        FileRecord out(path.c_str());
        out.kind = kFileKindImage;
        out.format = kFileFormatPng;
        if (!out.image.CopyFrom(plate.image, kImageIndexed) || !out.Save()) abort();
        FileRecord in(path.c_str());
        if (!in.Load()) abort();
    }
    state.counters["image_bytes"] = double(u64(plate.image.width) * plate.image.height);
    delete c;
}

// A "kB" line of /proc/self/status ("VmHWM:", "VmRSS:"), 0 when absent.
long StatusKb(const char* field)
{
    FILE* f = fopen("/proc/self/status", "r");
    if (!f) return 0;
    char line[256];
    long kb = 0;
    size_t n = strlen(field);
    while (fgets(line, sizeof(line), f))
        if (!strncmp(line, field, n)) kb = atol(line + n);
    fclose(f);
    return kb;
}

void ResetPeak()
{
    FILE* f = fopen("/proc/self/clear_refs", "w");
    if (f) {
        fputs("5", f);
        fclose(f);
    }
}

void BM_PlateExportImport(benchmark::State& state)
{
    ScopedDynArray<CollectionBitmap*> list;
    Collection* c = PlateCollection(list);
    std::string path = ScratchFolder() + "/plate.png";
    double imageBytes = 0, peakKb = 0;
    for (auto _ : state) {
        FileRecord out(path.c_str());
        out.format = kFileFormatPng;
        if (ExportColorPlate(*c, list, out, false, 0) != 1) abort();
        imageBytes = double(u64(out.image.width) * out.image.height);
        out.image.Free();
        out.image.Init();
        state.PauseTiming();
        Collection target;
        target.colorTable = c->colorTable;
        target.AddBitmap("keep", 0, nullptr, 1, 1, 2, nullptr);
        long base = StatusKb("VmRSS:");
        ResetPeak();
        state.ResumeTiming();
        FileRecord in(path.c_str());
        ScopedDynArray<CollectionBitmap*> back;
        if (!in.Load() || !ImportColorPlateImage(target, in.image, "plate", &back)) abort();
        state.PauseTiming();
        peakKb = double(StatusKb("VmHWM:") - base);
        state.ResumeTiming();
    }
    // Peak memory of the import above the resident size before it, against the image's bytes.
    state.counters["image_bytes"] = imageBytes;
    state.counters["import_peak_x_image"] = peakKb * 1024.0 / imageBytes;
    delete c;
}

BENCHMARK(BM_PlateImageSaveLoad)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlateExportImport)->Unit(benchmark::kMillisecond);

Skin* g_benchSkin;
Font* g_benchFont;

// The GL benchmarks need a display (run under xvfb-run); without one they report an error.
// A headless benchmark run before switches to the fake backend, which closes the real window:
// a new one is opened then, and what lived in the old context is made again in the new one.
bool OpenGLWindow()
{
    if (!OsIsFakeBackend() && OsGetWindowHandle()) return true;
    OsUseRealBackend();
    // Their textures went with the old context; deleting them now would delete the new
    // context's textures of the same names.
    g_benchSkin = nullptr;
    g_benchFont = nullptr;
    ForgetBitmapScratchTexture();
    if (!OsInit() || !OsOpenWindow(1024, 768, 0, 0)) return false;
    InitGL();
    glViewport(0, 0, 1024, 768);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 1024, 768, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    return true;
}

CollectionBitmap* Large(Collection& c)
{
    for (u32 i = 0; i < 256; ++i) c.colorTable.entries[i] = ColorTableEntry{u8(i), u8(255 - i), u8(i * 7)};
    c.AddHueChange("h")->replacementMode = 1;
    std::vector<u8> px(1000 * 600 * 2);
    for (u32 i = 0; i < 1000 * 600; ++i) {
        px[2 * i] = 255;
        px[2 * i + 1] = u8(2 + (i % 1000 / 40 + i / 40000 * 3) % 250);
    }
    return c.AddBitmap("large", 0, px.data(), 1000, 600, 2, nullptr);
}

void BM_DrawLargeBitmap(benchmark::State& state)
{
    if (!OpenGLWindow()) {
        state.SkipWithError("no display");
        return;
    }
    Collection c;
    CollectionBitmap* b = Large(c);
    DrawCollectionBitmap(c, *b, 0, 0, 0, 1000, 600);
    u32 texture = GetBitmapScratchTexture();
    for (auto _ : state) {
        DrawCollectionBitmap(c, *b, 0, 0, 0, 1000, 600);
        glFinish();
    }
    if (GetBitmapScratchTexture() != texture) state.SkipWithError("a texture was made per draw");
}

// The floor: the same pixels already converted to RGBA, uploaded tile by tile into one
// texture and drawn as the same quads.
void BM_DrawLargeRgbaFloor(benchmark::State& state)
{
    if (!OpenGLWindow()) {
        state.SkipWithError("no display");
        return;
    }
    Collection c;
    CollectionBitmap* b = Large(c);
    Rgb palette[256];
    u32 count;
    BuildDrawPalette(c, palette, &count);
    TrueColorHues hues;
    std::vector<u8> rgba(1000 * 600 * 4);
    ConvertBitmapTile(*b, palette, hues, 0, 0, 1000, 600, rgba.data());
    GLuint t;
    glGenTextures(1, &t);
    glBindTexture(GL_TEXTURE_2D, t);
    glTexImage2D(GL_TEXTURE_2D, 0, 4, 512, 512, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 1000);
    for (auto _ : state) {
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, t);
        for (u32 y0 = 0; y0 < 600; y0 += 512)
            for (u32 x0 = 0; x0 < 1000; x0 += 512) {
                u32 w = x0 + 512 > 1000 ? 1000 - x0 : 512, h = y0 + 512 > 600 ? 600 - y0 : 512;
                glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, GLsizei(w), GLsizei(h), GL_RGBA, GL_UNSIGNED_BYTE,
                                rgba.data() + (size_t(y0) * 1000 + x0) * 4);
                DrawTileQuad(w, h, s32(x0), s32(y0), s32(x0 + w), s32(y0 + h));
            }
        glDisable(GL_TEXTURE_2D);
        glFinish();
    }
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glDeleteTextures(1, &t);
}

BENCHMARK(BM_DrawLargeRgbaFloor)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DrawLargeBitmap)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

// --- Optimise page: merge identical and delete unused on 2,000 bitmaps of 64 x 64 -------------

namespace {

// Bitmaps i and i + 1000 are identical; 10,000 cells show bitmaps below 1,500 only, so 500
// are unused. All share one size and flags, so nothing but the pixels tells them apart.
Collection* MakeOptimizeCollection()
{
    Collection* c = new Collection();
    std::vector<u8> px(64 * 64 * 2);
    for (u32 i = 0; i < 2000; ++i) {
        u32 seed = i % 1000;
        for (u32 p = 0; p < px.size(); ++p) px[p] = u8((p * 31 + seed * 17) ^ (seed >> 3));
        c->AddBitmap("b", 0, px.data(), 64, 64, 2, nullptr);
    }
    u32 k = 0;
    for (u32 s = 0; s < 10; ++s) {
        Sequence* q = c->AddSequence("s");
        q->Resize(10, 100);
        for (u32 f = 0; f < 100; ++f)
            for (u32 v = 0; v < 10; ++v) q->GetFrameView(f, v).bitmap = c->GetBitmap((k++ * 7) % 1500);
    }
    return c;
}

void BM_HashAllBitmapsFloor(benchmark::State& state)
{
    Collection* c = MakeOptimizeCollection();
    for (auto _ : state) {
        u64 h = 0;
        for (CollectionBitmap* b : c->bitmaps) h ^= HashBitmap(*b);
        benchmark::DoNotOptimize(h);
    }
    delete c;
}

void BM_MergeIdentical2000(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        Collection* c = MakeOptimizeCollection();
        state.ResumeTiming();
        u32 merged = MergeIdenticalBitmaps(*c);
        state.PauseTiming();
        if (merged != 1000) state.SkipWithError("wrong merge count");
        delete c;
        state.ResumeTiming();
    }
}

void BM_DeleteUnused2000(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        Collection* c = MakeOptimizeCollection();
        state.ResumeTiming();
        u32 deleted = DeleteUnusedBitmaps(*c);
        state.PauseTiming();
        if (deleted != 500) state.SkipWithError("wrong delete count");
        delete c;
        state.ResumeTiming();
    }
}

}  // namespace

BENCHMARK(BM_HashAllBitmapsFloor)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MergeIdentical2000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DeleteUnused2000)->Unit(benchmark::kMillisecond);

// --- The collection editor: opening a large collection, Ctrl+T and a colour edit --------------

#include <chrono>

#include "../bench/BenchSupport.h"
#include "collection/ui/X256ColorTableEdit.h"
#include "collection/ui/X256Edit.h"

namespace {

void StartEditorBench()
{
    StartHeadlessWindowSystem();
    UseSyntheticBenchFont();
    WindowSystem::SetRunning(1);
}

// 2,000 bitmaps and 200 sequences of 256 cells, written once.
struct LargeTag {
    FILE* f = tmpfile();
    TagHeader h;
    explicit LargeTag(bool highRes)
    {
        Collection* c = MakeCollection(2000, 200);
        if (highRes)
            for (Sequence* s : c->sequences)
                for (u32 f = 0; f < s->GetFrameCount(); ++f)
                    for (u32 v = 0; v < s->GetViewCount(); ++v) {
                        FrameView& view = s->GetFrameView(f, v);
                        view.SetHighResAssignment(c->GetBitmap((f * 13 + v) % 2000), 0x50000, 3, 4);
                    }
        WriteTo(f, *c, h);
        delete c;
    }
    ~LargeTag() { fclose(f); }
};

// The floor of opening: the same tag read with its bitmaps.
void BM_ReadLargeTagFloor(benchmark::State& state)
{
    LargeTag tag(false);
    for (auto _ : state) {
        Collection r;
        if (!r.Read(tag.f, &tag.h, true)) abort();
        benchmark::DoNotOptimize(r.bitmaps.data);
    }
}

// The editor made, the tag read into it with every page refreshed, and the first frame drawn:
// within 2x of reading the same tag with its bitmaps. Each iteration also reads the tag alone
// (not timed), so "read_ms" is the floor measured beside it under the same load and
// "x_read" the ratio to hold below 2.
void BM_OpenEditorLargeTag(benchmark::State& state)
{
    StartEditorBench();
    LargeTag tag(false);
    double openSeconds = 0, readSeconds = 0;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        X256Edit* e = new X256Edit(nullptr);
        if (!e->ReadTagData(tag.f, &tag.h)) abort();
        e->SetVisible(1);
        WindowSystem::RenderFrame();
        auto opened = std::chrono::steady_clock::now();
        state.PauseTiming();
        openSeconds += std::chrono::duration<double>(opened - start).count();
        e->Close();
        WindowSystem::ProcessDeferredDeletes();
        {
            auto readStart = std::chrono::steady_clock::now();
            Collection r;
            if (!r.Read(tag.f, &tag.h, true)) abort();
            readSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - readStart).count();
        }
        state.ResumeTiming();
    }
    if (state.iterations()) {
        state.counters["read_ms"] = readSeconds * 1000 / double(state.iterations());
        state.counters["x_read"] = readSeconds > 0 ? openSeconds / readSeconds : 0;
    }
    WindowSystem::Reset();
}

// Ctrl+T over 51,200 views that all have a high-res assignment, with the redraw it asks for.
void BM_ToggleHighRes51200Views(benchmark::State& state)
{
    StartEditorBench();
    LargeTag tag(true);
    X256Edit* e = new X256Edit(nullptr);
    if (!e->ReadTagData(tag.f, &tag.h)) abort();
    e->SetVisible(1);
    WindowSystem::RenderFrame();
    for (auto _ : state) {
        e->ToggleHighResBitmaps();
        WindowSystem::RenderFrame();
    }
    e->Close();
    WindowSystem::ProcessDeferredDeletes();
    WindowSystem::Reset();
}

}  // namespace

BENCHMARK(BM_ReadLargeTagFloor)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenEditorLargeTag)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ToggleHighRes51200Views)->Unit(benchmark::kMillisecond);

// --- Bitmap browser: Refresh of 2,000 rows and scrolling a grid of 2,000 thumbnails ----------

#include <climits>

#include "collection/ui/BitmapThumbnailCache.h"
#include "collection/ui/X256BitmapBrowser.h"
#include "gui/GridWindow.h"
#include "gui/Skin.h"
#include "gui/Text.h"
#include "gui/WindowSystem.h"

namespace {

// The window system on the GL window with the program's skin and font (from res/ beside the
// bench folder). False without a display or the resources.
bool StartDrawnWindowSystem()
{
    if (!OpenGLWindow()) return false;
    char exe[PATH_MAX] = {};
    if (readlink("/proc/self/exe", exe, sizeof(exe) - 1) <= 0) return false;
    std::string root = exe;
    root = root.substr(0, root.rfind('/'));
    root = root.substr(0, root.rfind('/')) + "/res/";
    if (access((root + "texturepack").c_str(), R_OK)) return false;
    if (!g_benchSkin) g_benchSkin = new Skin((root + "texturepack").c_str());
    if (!g_benchFont) g_benchFont = LoadFont((root + "dravell.tavikfont").c_str());
    if (!g_benchFont) return false;
    WindowSystem::Reset();
    WindowSystem::EnableGL(1);
    WindowSystem::SetSkin(g_benchSkin);
    WindowSystem::SetDefaultFont(g_benchFont);
    WindowSystem::Init();
    WindowSystem::OnWindowResize(1024, 768);
    WindowSystem::SetRunning(1);
    return true;
}

// Leaves no window or GL state behind for the next benchmark and the exit.
void StopDrawnWindowSystem()
{
    WindowSystem::Reset();
    WindowSystem::SetSkin(nullptr);
    WindowSystem::SetDefaultFont(nullptr);
    WindowSystem::EnableGL(0);
}

// The page over the whole window showing its grid, drawn once.
X256BitmapBrowser* MakeGridPage(Collection* c)
{
    X256BitmapBrowser* page = new X256BitmapBrowser(c, WF_VISIBLE | WF_ENABLED, 0, nullptr);
    page->SetFrameXYWH(0, 0, 1024, 768);
    page->ToggleView();
    WindowSystem::InvalidateAll();
    WindowSystem::RenderFrame();
    return page;
}

// Closes the page, lets it go and stops the window system.
void EndPage(X256BitmapBrowser* page, Collection* c)
{
    page->Close();
    WindowSystem::RenderFrame();
    StopDrawnWindowSystem();
    delete c;
}

void BM_BrowserRefresh2000(benchmark::State& state)
{
    if (!StartDrawnWindowSystem()) {
        state.SkipWithError("no display");
        return;
    }
    Collection* c = MakeOptimizeCollection();
    X256BitmapBrowser* page = new X256BitmapBrowser(c, WF_VISIBLE | WF_ENABLED, 0, nullptr);
    page->SetFrameXYWH(0, 0, 1024, 768);
    for (auto _ : state) page->Refresh();
    if (page->GetRows().count != 2000) state.SkipWithError("wrong row count");
    EndPage(page, c);
}

// One step scrolls the grid by one row of cells and draws the frame; every row that comes into
// view brings new thumbnails, the others come from the cache.
void BM_BrowserGridScroll2000(benchmark::State& state)
{
    if (!StartDrawnWindowSystem()) {
        state.SkipWithError("no display");
        return;
    }
    Collection* c = MakeOptimizeCollection();
    X256BitmapBrowser* page = MakeGridPage(c);
    GridWindow* grid = page->GetGrid();
    s32 pos = 0, step = s32(grid->rowPitch), steps = 0;
    for (auto _ : state) {
        pos += step;
        if (pos > s32(grid->GetRowCount() * grid->rowPitch)) pos = 0;
        grid->SetVScrollPos(pos);
        WindowSystem::RenderFrame();
        glFinish();
        ++steps;
    }
    state.counters["rows"] = grid->GetRowCount();
    EndPage(page, c);
    state.counters["steps"] = steps;
}

// The same frames with every thumbnail already cached: what a step costs without uploads.
void BM_BrowserGridRedrawCached(benchmark::State& state)
{
    if (!StartDrawnWindowSystem()) {
        state.SkipWithError("no display");
        return;
    }
    Collection* c = MakeOptimizeCollection();
    X256BitmapBrowser* page = MakeGridPage(c);
    GridWindow* grid = page->GetGrid();
    for (auto _ : state) {
        grid->Invalidate(1);
        WindowSystem::RenderFrame();
        glFinish();
    }
    EndPage(page, c);
}

}  // namespace

BENCHMARK(BM_BrowserRefresh2000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BrowserGridScroll2000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BrowserGridRedrawCached)->Unit(benchmark::kMillisecond);

// ---------------------------------------------------------------------------------------
// Build Standard Collection: 500 paletted 256 x 256 images with their alpha images, scanned,
// cropped, kept once and made into a collection, beside only loading the same 1,000 files.
// The target: the build within 3x of the loading.

#include <sys/stat.h>

#include "collection/CollectionBuilder.h"

namespace {

// "walk(10,50)/bitmaps" and "walk(10,50)/alphas", 500 images each, written once.
const std::string& BuildSourceFolder()
{
    static std::string folder;
    if (!folder.empty()) return folder;
    folder = ScratchFolder() + "/build/";
    const std::string seq = folder + "walk(10,50)/";
    mkdir(folder.c_str(), 0755);
    mkdir(seq.c_str(), 0755);
    mkdir((seq + "bitmaps").c_str(), 0755);
    mkdir((seq + "alphas").c_str(), 0755);
    Rgb palette[256];
    for (u32 i = 0; i < 256; ++i) palette[i] = Rgb{u8(i), u8(255 - i), u8(i * 7)};
    for (u32 k = 0; k < 500; ++k) {
        char name[32];
        snprintf(name, sizeof name, "f%03u.png", k);
        FileRecord colour((seq + "bitmaps/" + name).c_str());
        colour.kind = kFileKindImage;
        colour.format = kFileFormatPng;
        FileRecord alpha((seq + "alphas/" + name).c_str());
        alpha.kind = kFileKindImage;
        alpha.format = kFileFormatPng;
        if (!colour.image.Create(256, 256, kImageIndexed, nullptr) || !colour.image.SetPalette(256, palette) ||
            !alpha.image.Create(256, 256, kImageAlpha, nullptr))
            abort();
        for (u32 i = 0; i < 256 * 256; ++i) {
            const u32 x = i % 256, y = i / 256;
            const bool inside = x > 20 + k % 30 && x < 230 && y > 10 && y < 240 - k % 20;
            colour.image.pixels[i] = inside ? u8(2 + (i * 13 + k) % 240) : 0;
            alpha.image.pixels[i] = inside ? 255 : 0;
        }
        if (!colour.Save() || !alpha.Save()) abort();
    }
    return folder;
}

void BM_LoadBuildSources1000(benchmark::State& state)
{
    const std::string& folder = BuildSourceFolder();
    std::vector<std::string> files;
    for (const char* sub : {"bitmaps/", "alphas/"})
        for (u32 k = 0; k < 500; ++k) {
            char name[32];
            snprintf(name, sizeof name, "f%03u.png", k);
            files.push_back(folder + "walk(10,50)/" + sub + name);
        }
    for (auto _ : state) {
        u64 bytes = 0;
        for (const std::string& path : files) {
            FileRecord in(path.c_str());
            if (!in.Load()) abort();
            bytes += in.image.width;
        }
        benchmark::DoNotOptimize(bytes);
    }
}

void BM_BuildStandard500(benchmark::State& state)
{
    const std::string& folder = BuildSourceFolder();
    for (auto _ : state) {
        BuildContext context{};
        context.defaults.bitmapOrder = kOrderViewsThenFrames;
        if (!ScanSourceFolder(context, "bench", folder.c_str())) abort();
        Collection c;
        FillBuiltCollection(c, context, "bench", 0, 0);
        benchmark::DoNotOptimize(c.bitmaps.data);
    }
}

BENCHMARK(BM_LoadBuildSources1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildStandard500)->Unit(benchmark::kMillisecond);

}  // namespace

// ---- sequences ----

#include "collection/FrameEditing.h"

namespace {

// A 1,000-frame x 16-view sequence, every cell with a bitmap.
Sequence* MakeLongSequence(Collection& c, u32 frames, u32 views)
{
    CollectionBitmap* b = c.AddBitmap("cell", 0, nullptr, 8, 8, 2, nullptr);
    Sequence* s = c.AddSequence("long");
    s->Resize(views, frames);
    for (u32 f = 0; f < frames; ++f)
        for (u32 v = 0; v < views; ++v) s->GetFrameView(f, v).bitmap = b;
    return s;
}

// The deep copy beside a plain copy of the same bytes (the views and index arrays): within 3x.
void BM_SequenceAssign1000x16(benchmark::State& state)
{
    Collection c;
    Sequence* source = MakeLongSequence(c, 1000, 16);
    Sequence* copy = c.AddSequence("copy");
    for (auto _ : state) {
        copy->Assign(*source);
        benchmark::DoNotOptimize(copy->frameArray.data);
    }
}

void BM_SequenceBytesCopy1000x16(benchmark::State& state)
{
    Collection c;
    Sequence* source = MakeLongSequence(c, 1000, 16);
    std::vector<std::vector<u8>> frames(1000);
    for (auto _ : state) {
        for (u32 f = 0; f < 1000; ++f) {
            const SequenceFrame& from = source->GetFrame(f);
            size_t n = size_t(from.views.count) * sizeof(FrameView) + size_t(from.viewIndices.count) * 2;
            frames[f].assign(n, 0);
            memcpy(frames[f].data(), from.views.data, size_t(from.views.count) * sizeof(FrameView));
            memcpy(frames[f].data() + size_t(from.views.count) * sizeof(FrameView), from.viewIndices.data,
                   size_t(from.viewIndices.count) * 2);
        }
        benchmark::DoNotOptimize(frames.data());
    }
}

// One arrow step of the frame editor in "Move Sequence" mode on 64 frames x 16 views: within
// 16 ms.
void BM_MoveSequenceStep64x16(benchmark::State& state)
{
    Collection c;
    Sequence* s = MakeLongSequence(c, 64, 16);
    s32 d = 1;
    for (auto _ : state) {
        MoveByMode(*s, 3, 5, d, 0, kMoveSequence);
        d = -d;
    }
}

}  // namespace

BENCHMARK(BM_SequenceAssign1000x16)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SequenceBytesCopy1000x16)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MoveSequenceStep64x16)->Unit(benchmark::kMicrosecond);

// ---------------------------------------------------------------------------------------
// High-res reduction: DownsampleIndexed, which weighs only the source pixels under each output
// pixel's footprint, beside the brute-force reference the tests compare it with, which weighs
// every source pixel for every output pixel. 256 to 64 and 512 to 128 pixels square: the
// first grows with the source pixels, the reference with their square (one pass of it on the
// larger size takes seconds).

#include "tests/collection/DownsampleReference.h"

namespace {

void BM_DownsampleIndexed(benchmark::State& state)
{
    const u32 side = u32(state.range(0));
    OwnedImage source, indexed, output;
    if (!MakeRendering(source, indexed, side, side, side) || !output.Create(side / 4, side / 4, 8, nullptr)) abort();
    for (auto _ : state) {
        if (!DownsampleIndexed(source, output, indexed)) abort();
        benchmark::DoNotOptimize(output.pixels);
    }
}

void BM_DownsampleReference(benchmark::State& state)
{
    const u32 side = u32(state.range(0));
    OwnedImage source, indexed;
    if (!MakeRendering(source, indexed, side, side, side)) abort();
    std::vector<u8> out;
    for (auto _ : state) {
        ReferenceDownsample(source, indexed, side / 4, side / 4, out);
        benchmark::DoNotOptimize(out.data());
    }
}

BENCHMARK(BM_DownsampleIndexed)->Arg(256)->Arg(512)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DownsampleReference)->Arg(256)->Arg(512)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

// ---------------------------------------------------------------------------------------
// Build High-Res Collection on 300 renderings of 1024 x 1024 (1.2 GB decoded) against
// standard bitmaps of 256 x 256, reduced at target 1 to 256 x 256 true-colour bitmaps
// (150 MB). Reported with the process's peak resident size: run it alone
// (--benchmark_filter=UpRes300) so that no other benchmark sets the peak.

#include <sys/resource.h>

#include "bench/UpResScene.h"

namespace {

const std::string& UpResFolder()
{
    static std::string folder;
    if (!folder.empty()) return folder;
    folder = ScratchFolder() + "/renders/";
    if (!WriteUpResRenderings(folder)) abort();
    return folder;
}

void BM_UpRes300(benchmark::State& state)
{
    const std::string& folder = UpResFolder();
    u64 bitmaps = 0;
    for (auto _ : state) {
        Collection c;
        if (!BuildUpResScene(folder, c)) abort();
        bitmaps = c.GetBitmapCount();
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["bitmaps"] = double(bitmaps);
    state.counters["peak_MB"] = double(usage.ru_maxrss) / 1024.0;
}

BENCHMARK(BM_UpRes300)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

// ---- the frame editor's drag and the sequence editor's grid, drawn ----

#include "collection/ui/X256SequenceEdit.h"
#include "gui/TabWindow.h"
#include "collection/ui/X256SequenceFrameEdit.h"
#include "collection/ui/X256SequenceFrameView.h"

namespace {

// One drag step of the bitmap (move mode "Move Bitmap") of a 1000 x 600 bitmap at 200%, with
// the frame it draws: within 16 ms.
void BM_FrameViewDragStep1000x600(benchmark::State& state)
{
    if (!StartDrawnWindowSystem()) {
        state.SkipWithError("no display");
        return;
    }
    Collection* c = new Collection;
    CollectionBitmap* cliff = Large(*c);
    Sequence* s = c->AddSequence("drag");
    s->GetFrameView(0, 0).bitmap = cliff;
    s->GetFrameView(0, 0).registrationX = 500;
    s->GetFrameView(0, 0).registrationY = 300;
    X256SequenceFrameEdit* editor = new X256SequenceFrameEdit(c, s, 0, 0);
    X256SequenceFrameView* view = editor->GetFrameView();
    view->SetZoom(2.0f);
    WindowSystem::InvalidateAll();
    WindowSystem::RenderFrame();
    view->moveMode = kMoveBitmap;
    view->dragMode = kDragBitmap;
    const Rect r = view->GetContentRect();
    Point start{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    view->grab = start;
    s32 d = 2;
    for (auto _ : state) {
        // Two screen pixels, one bitmap pixel, back and forth.
        view->Track(start, Point{start.x + d, start.y}, TRACK_MOVE);
        d = -d;
        WindowSystem::RenderFrame();
        glFinish();
    }
    view->Track(start, start, TRACK_END);
    editor->Close();
    WindowSystem::RenderFrame();
    StopDrawnWindowSystem();
    delete c;
}

// A sequence of 64 frames by 16 views, each cell its own 64 x 64 bitmap: the editor's grid has
// 64 rows of 17 cells.
Sequence* MakeGridSequence(Collection& c)
{
    Sequence* s = c.AddSequence("grid");
    s->Resize(16, 64);
    std::vector<u8> px(64 * 64 * 2);
    for (u32 f = 0; f < 64; ++f)
        for (u32 v = 0; v < 16; ++v) {
            FillBlob(px.data(), 64, 64, f * 16 + v);
            s->GetFrameView(f, v).bitmap = c.AddBitmap("cell", 0, px.data(), 64, 64, 2, nullptr);
        }
    return s;
}

// One step scrolls the sequence editor's grid by a row and draws the frame: within 16 ms.
void BM_SequenceGridScroll64x17(benchmark::State& state)
{
    if (!StartDrawnWindowSystem()) {
        state.SkipWithError("no display");
        return;
    }
    Collection* c = new Collection;
    Sequence* s = MakeGridSequence(*c);
    X256SequenceEdit* editor = new X256SequenceEdit(c, s);
    GridWindow* grid = editor->GetGrid();
    WindowSystem::InvalidateAll();
    WindowSystem::RenderFrame();
    s32 pos = 0, step = s32(grid->rowPitch);
    for (auto _ : state) {
        pos += step;
        if (pos > s32(grid->GetRowCount() * grid->rowPitch)) pos = 0;
        grid->SetVScrollPos(pos);
        WindowSystem::RenderFrame();
        glFinish();
    }
    state.counters["rows"] = grid->GetRowCount();
    state.counters["columns"] = grid->GetColumnCount();
    editor->Close();
    WindowSystem::RenderFrame();
    StopDrawnWindowSystem();
    delete c;
}

// An accepted colour of the colour table (what the page does once the dialog answers) and the
// whole-screen redraw it asks for, with the "Bitmaps" page's grid showing its thumbnails, each
// of which the new colour makes upload again: within 16 ms.
void BM_ColourEditRedrawThumbnails(benchmark::State& state)
{
    if (!StartDrawnWindowSystem()) {
        state.SkipWithError("no display");
        return;
    }
    LargeTag tag(false);
    X256Edit* e = new X256Edit(nullptr);
    if (!e->ReadTagData(tag.f, &tag.h)) abort();
    e->SetFrameXYWH(0, 0, 1024, 460);
    e->SetVisible(1);
    e->GetTabs()->SelectTab(0);
    X256BitmapBrowser* page = e->GetBitmapsPage();
    page->ToggleView();
    // Zoomed out six steps, as the wheel does, and the editor 460 high: about 100 thumbnails
    // show (the counter "thumbnails").
    page->GetGrid()->ZoomBy(6);
    WindowSystem::InvalidateAll();
    WindowSystem::RenderFrame();
    const u64 before = page->GetThumbnails()->GetUploadCount();
    X256ColorTableEdit* colours = e->GetColorTablePage();
    u8 n = 0;
    for (auto _ : state) {
        // Colour index 2 upwards is what the bitmaps' pixels use.
        e->collection->colorTable.entries[2 + n % 200] = ColorTableEntry{n, u8(n * 3), u8(n * 5)};
        ++n;
        colours->changed.Emit();
        WindowSystem::InvalidateAll();
        WindowSystem::RenderFrame();
        glFinish();
    }
    state.counters["thumbnails"] = page->GetThumbnails()->GetEntryCount();
    if (state.iterations())
        state.counters["uploads_per_edit"] = double(page->GetThumbnails()->GetUploadCount() - before) / double(state.iterations());
    e->Close();
    WindowSystem::RenderFrame();
    StopDrawnWindowSystem();
}

}  // namespace

BENCHMARK(BM_ColourEditRedrawThumbnails)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FrameViewDragStep1000x600)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SequenceGridScroll64x17)->Unit(benchmark::kMillisecond);

// ---------------------------------------------------------------------------------------
// The Bitmaps grid with one 4096 x 4096 true-colour bitmap among 100 thumbnails: a redraw with
// every thumbnail cached (goal: one 16 ms frame). And Delete All of 2,000 bitmaps shown by
// 10,000 cells, as the page deletes them (one batch) and one at a time (goal: under 100 ms).


namespace {

Collection* MakeGridWithHugeBitmap()
{
    Collection* c = new Collection();
    for (u32 i = 0; i < 256; ++i) c->colorTable.entries[i] = ColorTableEntry{u8(i), u8(255 - i), u8(i * 7)};
    std::vector<u8> huge(size_t(4096) * 4096 * 8);
    for (size_t i = 0; i < huge.size(); i += 8) {
        huge[i] = u8(i >> 5);
        huge[i + 1] = u8(i >> 13);
        huge[i + 2] = u8(i >> 21);
        huge[i + 3] = 31;
    }
    c->AddBitmap("huge", kBitmapTrueColor, huge.data(), 4096, 4096, 8, nullptr);
    huge.clear();
    huge.shrink_to_fit();
    std::vector<u8> px(64 * 64 * 2);
    for (u32 i = 1; i < 100; ++i) {
        for (u32 p = 0; p < px.size(); ++p) px[p] = p % 2 ? u8(2 + (p * 7 + i) % 250) : 255;
        c->AddBitmap("b", 0, px.data(), 64, 64, 2, nullptr);
    }
    return c;
}

void BM_BitmapsGridRedraw100WithOne4096(benchmark::State& state)
{
    if (!StartDrawnWindowSystem()) {
        state.SkipWithError("no display");
        return;
    }
    Collection* c = MakeGridWithHugeBitmap();
    X256BitmapBrowser* page = MakeGridPage(c);
    GridWindow* grid = page->GetGrid();
    grid->ZoomBy(6);
    WindowSystem::InvalidateAll();
    WindowSystem::RenderFrame();
    const u64 before = page->GetThumbnails()->GetUploadCount();
    for (auto _ : state) {
        grid->Invalidate(1);
        WindowSystem::RenderFrame();
        glFinish();
    }
    state.counters["thumbnails"] = page->GetThumbnails()->GetEntryCount();
    if (page->GetThumbnails()->GetUploadCount() != before) state.SkipWithError("a cached thumbnail was uploaded again");
    EndPage(page, c);
}

void BM_DeleteAll2000Batch(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        Collection* c = MakeOptimizeCollection();
        std::vector<CollectionBitmap*> list(c->bitmaps.data, c->bitmaps.data + c->bitmaps.count);
        state.ResumeTiming();
        c->DeleteListedBitmaps(list.data(), u32(list.size()));
        state.PauseTiming();
        if (c->GetBitmapCount() != 0) state.SkipWithError("bitmaps left");
        delete c;
        state.ResumeTiming();
    }
}

// What Delete All did before: one DeleteBitmap per bitmap, each a pass over every cell.
void BM_DeleteAll2000OneByOne(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        Collection* c = MakeOptimizeCollection();
        std::vector<CollectionBitmap*> list(c->bitmaps.data, c->bitmaps.data + c->bitmaps.count);
        state.ResumeTiming();
        for (CollectionBitmap* b : list)
            if (c->IndexOfBitmap(b) >= 0) c->DeleteBitmap(b);
        state.PauseTiming();
        delete c;
        state.ResumeTiming();
    }
}

}  // namespace

BENCHMARK(BM_BitmapsGridRedraw100WithOne4096)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DeleteAll2000Batch)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DeleteAll2000OneByOne)->Unit(benchmark::kMillisecond);
