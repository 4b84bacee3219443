// Detail-texture codec speed and size, beside libpng's lossless compression of the same pixels
// at its default level. Reports MB/s of raw RGB and the compressed size of each. Also the
// tag's open and save through the tag database beside the bare codec (DtexEncode and
// DtexDecode), and the editor's pixel operations on a 1024 x 1024 texture.
#include <GL/gl.h>
#include <benchmark/benchmark.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "codex/Archive.h"
#include "codex/Codex.h"
#include "codex/DtexCodec.h"
#include "codex/DtexImage.h"
#include "codex/DtexTag.h"
#include "codex/LocalFolder.h"
#include "foundation/PrefStore.h"
#include "platform/GLTexture.h"
#include "platform/Os.h"
#include "tagedit/DtexTextures.h"

namespace {

// A texture-like image: smooth colour fields with fine grain, like a ground texture.
std::vector<u8> MakeTexture(u32 side)
{
    std::vector<u8> px(size_t(side) * side * 3);
    std::mt19937 rng(side);
    for (u32 y = 0; y < side; ++y)
        for (u32 x = 0; x < side; ++x) {
            double base = 96 + 40 * std::sin(x * 0.05) * std::cos(y * 0.07);
            int grain = int(rng() % 13) - 6;
            u8* p = &px[(size_t(y) * side + x) * 3];
            p[0] = u8(std::clamp(int(base * 1.1) + grain, 0, 255));
            p[1] = u8(std::clamp(int(base * 0.9) + grain, 0, 255));
            p[2] = u8(std::clamp(int(base * 0.6) + grain / 2, 0, 255));
        }
    return px;
}

void AppendToVector(png_structp png, png_bytep data, png_size_t length)
{
    auto* out = static_cast<std::vector<u8>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

size_t EncodePng(const std::vector<u8>& px, u32 side)
{
    std::vector<u8> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return 0;
    }
    png_set_write_fn(png, &out, AppendToVector, nullptr);
    png_set_IHDR(png, info, side, side, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (u32 y = 0; y < side; ++y) png_write_row(png, const_cast<u8*>(&px[size_t(y) * side * 3]));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out.size();
}

void DtexEncode(benchmark::State& state)
{
    u32 side = u32(state.range(0));
    std::vector<u8> px = MakeTexture(side);
    u32 length = 0;
    for (auto _ : state) {
        u32* words = CompressImage(px.data(), side, side, &length);
        benchmark::DoNotOptimize(words);
        free(words);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(px.size()));
    state.counters["compressed_bytes"] = double(length + 4);
    state.counters["ratio"] = double(px.size()) / double(length + 4);
}

void DtexDecode(benchmark::State& state)
{
    u32 side = u32(state.range(0));
    std::vector<u8> px = MakeTexture(side);
    u32 length = 0;
    u32* words = CompressImage(px.data(), side, side, &length);
    for (auto _ : state) {
        u32 w, h;
        u8* rgb = DecompressImage(&w, &h, words, length);
        benchmark::DoNotOptimize(rgb);
        free(rgb);
    }
    free(words);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(px.size()));
}

void PngEncodeDefaultLevel(benchmark::State& state)
{
    u32 side = u32(state.range(0));
    std::vector<u8> px = MakeTexture(side);
    size_t size = 0;
    for (auto _ : state) benchmark::DoNotOptimize(size = EncodePng(px, side));
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(px.size()));
    state.counters["compressed_bytes"] = double(size);
    state.counters["ratio"] = double(px.size()) / double(size);
}

DtexTag* gTag = nullptr;
std::string gRoot;

// One 1024 x 1024 'dtex' tag in a scratch local folder, made once.
DtexTag* BenchTag()
{
    static DtexTag* tag = [] {
        char pattern[] = "/tmp/tavik-dtex-bench-XXXXXX";
        gRoot = mkdtemp(pattern);
        std::string root = gRoot + "/";
        SetVornPath(root.c_str());
        SetLocalFolder((root + "local").c_str());
        DtexTag* d = DtexManager().CreateNew(kDtexGroup, "Bench", kNoTagId);
        std::vector<u8> px = MakeTexture(1024);
        d->SetPixels(px.data(), 1024, 1024);
        d->Save();
        return gTag = d;
    }();
    return tag;
}

void DtexTagOpen(benchmark::State& state)
{
    DtexTag* d = BenchTag();
    for (auto _ : state)
        if (!d->Load()) state.SkipWithError("load failed");
    state.SetBytesProcessed(int64_t(state.iterations()) * 1024 * 1024 * 3);
}

void DtexTagSave(benchmark::State& state)
{
    DtexTag* d = BenchTag();
    for (auto _ : state)
        if (!d->Save()) state.SkipWithError("save failed");
    state.SetBytesProcessed(int64_t(state.iterations()) * 1024 * 1024 * 3);
}

void MeanCenter(benchmark::State& state)
{
    std::vector<u8> px = MakeTexture(1024);
    for (auto _ : state) {
        MeanCenterPixels(px.data(), 1024, 1024, state.range(0) != 0);
        benchmark::DoNotOptimize(px.data());
    }
    state.SetLabel(state.range(0) ? "luma" : "rgb");
}

void SwapQuadrants(benchmark::State& state)
{
    std::vector<u8> px = MakeTexture(1024);
    for (auto _ : state) {
        SwapImageQuadrants(px.data(), 1024, 1024);
        benchmark::DoNotOptimize(px.data());
    }
}

// A real OpenGL window for the upload benchmarks (Xvfb will do); false without a display.
bool OpenGLWindow()
{
    static const bool ok = [] {
        OsUseRealBackend();
        if (!OsInit() || !OsOpenWindow(64, 64, 0, 0)) return false;
        InitGL();
        InstallDtexTextureHooks();
        return true;
    }();
    return ok;
}

// The texture as the editor and the terrain get it: RGB, mipmaps, anisotropic filtering.
void DtexUpload(benchmark::State& state)
{
    if (!OpenGLWindow()) return state.SkipWithError("no display");
    DtexTag* d = BenchTag();
    for (auto _ : state) {
        d->InvalidateTexture();
        benchmark::DoNotOptimize(d->GetTexture());
        glFinish();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * 1024 * 1024 * 3);
}

// The floor: the same pixels uploaded without mipmaps.
void GLTextureCreatePlain(benchmark::State& state)
{
    if (!OpenGLWindow()) return state.SkipWithError("no display");
    std::vector<u8> px = MakeTexture(1024);
    for (auto _ : state) {
        GLTexture t;
        t.Create(px.data(), GLTEX_RGB, 1024, 1024, 0, 0);
        glFinish();
        t.Delete();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * 1024 * 1024 * 3);
}

}  // namespace

BENCHMARK(DtexUpload)->Unit(benchmark::kMillisecond);
BENCHMARK(GLTextureCreatePlain)->Unit(benchmark::kMillisecond);
BENCHMARK(DtexTagOpen)->Unit(benchmark::kMillisecond);
BENCHMARK(DtexTagSave)->Unit(benchmark::kMillisecond);
BENCHMARK(MeanCenter)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(SwapQuadrants)->Unit(benchmark::kMillisecond);
BENCHMARK(DtexEncode)->Arg(256)->Arg(1024)->Unit(benchmark::kMillisecond);
BENCHMARK(DtexDecode)->Arg(256)->Arg(1024)->Unit(benchmark::kMillisecond);
BENCHMARK(PngEncodeDefaultLevel)->Arg(256)->Arg(1024)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (gTag) {
        ResourceRelease(gTag);
        CloseCodex();
        std::filesystem::remove_all(gRoot);
    }
    RemoveDtexTextureHooks();
    OsTerminate();
    return 0;
}
