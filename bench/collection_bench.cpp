// Collection reading and writing at the size of a large sprite collection, and the pixel
// codings of one 1024 x 1024 bitmap. The Scaling runs grow bitmaps and cells together: time
// per item must stay flat (no step may search the bitmaps for every cell).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

#include "codex/TagHeader.h"
#include "collection/BitmapCoding.h"
#include "collection/Collection.h"

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

BENCHMARK_MAIN();
