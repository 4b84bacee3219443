// Image speed: palette generation with dithering of a synthetic photograph at 1 and 16
// megapixels (reporting the PSNR of the result), and PNG and TIFF load and save throughput.
// tools/bench-palette.sh runs the same quantisation beside pngquant and ImageMagick on
// the same files through the --quantize and --convert modes of this program.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "foundation/FileRecord.h"
#include "foundation/Palette.h"

namespace {

// Smooth fields, soft edges and sensor-like noise: many distinct colours like a photograph.
void MakePhoto(Image& img, u32 w, u32 h)
{
    img.Create(w, h, kImageRgb, nullptr);
    u32 noise = 12345;
    for (u32 y = 0; y < h; ++y)
        for (u32 x = 0; x < w; ++x) {
            double fx = double(x) / w, fy = double(y) / h;
            double r = 255 * (0.5 + 0.5 * std::sin(fx * 6.0 + fy * 2.0));
            double g = 255 * fy * (1.0 - 0.5 * fx);
            double b = 255 * (0.5 + 0.5 * std::cos(fx * fy * 9.0));
            double dx = fx - 0.6, dy = fy - 0.4;
            if (dx * dx + dy * dy < 0.04) r = r * 0.3 + 180, g *= 0.5;
            noise = noise * 1664525u + 1013904223u;
            int n = int(noise >> 28) - 8;
            u8* p = img.pixels + (u64(y) * w + x) * 3;
            double c[3] = {r + n, g + n * 0.7, b - n * 0.5};
            for (int k = 0; k < 3; ++k) p[k] = u8(c[k] < 0 ? 0 : (c[k] > 255 ? 255 : c[k]));
        }
}

double Psnr(const Image& a, const Image& b)
{
    double sum = 0;
    u64 n = u64(a.width) * a.height * 3;
    for (u64 i = 0; i < n; ++i) {
        double d = double(a.pixels[i]) - b.pixels[i];
        sum += d * d;
    }
    return sum ? 10.0 * std::log10(255.0 * 255.0 * double(n) / sum) : 99.0;
}

void BM_PaletteAndDither(benchmark::State& state)
{
    u32 side = u32(state.range(0));
    Image photo = {}, out = {};
    MakePhoto(photo, side, side);
    for (auto _ : state) {
        out.CopyFrom(photo, kImageIndexed);
        benchmark::DoNotOptimize(out.pixels);
    }
    out.ConvertTo(kImageRgb);
    state.counters["PSNR_dB"] = Psnr(photo, out);
    state.counters["MPixel/s"] =
        benchmark::Counter(double(side) * side * state.iterations() / 1e6, benchmark::Counter::kIsRate);
    photo.Free();
    out.Free();
}
BENCHMARK(BM_PaletteAndDither)->Arg(1024)->Arg(4096)->Unit(benchmark::kMillisecond)->Iterations(1);

std::string ScratchPath(const char* ext)
{
    return std::string("/tmp/tavik-bench-") + std::to_string(getpid()) + ext;
}

void BM_Save(benchmark::State& state, u32 fileFormat, u32 imageFormat)
{
    FileRecord rec(ScratchPath(FindFileTypeByFormat(fileFormat).extension).c_str());
    rec.kind = kFileKindImage;
    rec.format = fileFormat;
    MakePhoto(rec.image, 2048, 2048);
    rec.image.ConvertTo(imageFormat);
    for (auto _ : state)
        if (!rec.Save()) state.SkipWithError("save failed");
    state.SetBytesProcessed(s64(state.iterations()) * s64(rec.image.PixelBytes()));
    remove(rec.path.c_str());
}

void BM_Load(benchmark::State& state, u32 fileFormat, u32 imageFormat)
{
    std::string path = ScratchPath(FindFileTypeByFormat(fileFormat).extension);
    u64 bytes = 0;
    {
        FileRecord rec(path.c_str());
        rec.kind = kFileKindImage;
        rec.format = fileFormat;
        MakePhoto(rec.image, 2048, 2048);
        rec.image.ConvertTo(imageFormat);
        bytes = rec.image.PixelBytes();
        rec.Save();
    }
    for (auto _ : state) {
        FileRecord rec(path.c_str());
        if (!rec.Load()) state.SkipWithError("load failed");
    }
    state.SetBytesProcessed(s64(state.iterations()) * s64(bytes));
    remove(path.c_str());
}

BENCHMARK_CAPTURE(BM_Save, png_rgb, kFileFormatPng, kImageRgb)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Load, png_rgb, kFileFormatPng, kImageRgb)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Save, tiff_rgb, kFileFormatTiff, kImageRgb)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Load, tiff_rgb, kFileFormatTiff, kImageRgb)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Save, bmp_rgb, kFileFormatBmp, kImageRgb)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Load, bmp_rgb, kFileFormatBmp, kImageRgb)->Unit(benchmark::kMillisecond);

// --make-photo SIDE OUT.png: writes the synthetic photograph.
// --quantize IN OUT.png: palette + dithering of IN, written as an indexed PNG; prints the
//   seconds spent quantising.
// --convert IN OUT: loads IN and saves OUT (format by extension); prints the seconds.
int Tool(int argc, char** argv)
{
    std::string mode = argv[1];
    if (mode == "--make-photo" && argc == 4) {
        FileRecord rec(argv[3]);
        rec.kind = kFileKindImage;
        rec.format = kFileFormatPng;
        u32 side = u32(atoi(argv[2]));
        MakePhoto(rec.image, side, side);
        return rec.Save() ? 0 : 1;
    }
    if ((mode == "--quantize" || mode == "--convert") && argc == 4) {
        auto start = std::chrono::steady_clock::now();
        FileRecord in(argv[2]);
        if (!in.Load()) return fprintf(stderr, "cannot load %s\n", argv[2]), 1;
        FileRecord out(argv[3]);
        out.kind = kFileKindImage;
        out.format = mode == "--quantize" ? u32(kFileFormatPng) : FindFormatByExtension(argv[3]);
        auto q0 = std::chrono::steady_clock::now();
        if (!out.image.CopyFrom(in.image, mode == "--quantize" ? kImageIndexed : in.image.format)) return 1;
        auto q1 = std::chrono::steady_clock::now();
        if (!out.Save()) return fprintf(stderr, "cannot save %s\n", argv[3]), 1;
        auto end = std::chrono::steady_clock::now();
        double s = std::chrono::duration<double>(mode == "--quantize" ? q1 - q0 : end - start).count();
        printf("%.3f\n", s);
        return 0;
    }
    fprintf(stderr, "usage: %s --make-photo SIDE OUT.png | --quantize IN OUT.png | --convert IN OUT\n", argv[0]);
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && strncmp(argv[1], "--", 2) == 0 && strncmp(argv[1], "--benchmark", 11) != 0)
        return Tool(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
