// LightWave object reading: a synthetic LWO2 grid of 1000 x 1000 points (1 million) and
// 1,996,002 triangles on one smoothed surface, read whole (chunks and every pass after them),
// and the largest real test model when assimp-testmodels is installed.
//
// "bench_lwo_bench --write-object PATH" only writes the synthetic object, so that
// tools/bench-lwo.sh can time another reader ("assimp info PATH -r") on the same file.
#include <benchmark/benchmark.h>

#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "model/LwoObject.h"

namespace {

const char* const kSyntheticPath = "/tmp/tavik-lwo-bench.lwo";
const char* const kLargestModel = "/usr/share/assimp/models/LWO/LWO2/UglyVertexColors.lwo";
const int kSide = 1000;

struct Out {
    std::vector<u8> b;
    void U2(u32 v)
    {
        b.push_back(u8(v >> 8));
        b.push_back(u8(v));
    }
    void U4(u32 v)
    {
        U2(v >> 16);
        U2(v);
    }
    void F4(float f)
    {
        u32 v;
        memcpy(&v, &f, 4);
        U4(v);
    }
    void VX(u32 v)
    {
        if (v < 0xFF00)
            U2(v);
        else
            U4(v | 0xFF000000u);
    }
    void Id(const char* s) { b.insert(b.end(), s, s + 4); }
    size_t Begin(const char* id)
    {
        Id(id);
        U4(0);
        return b.size();
    }
    void End(size_t start)
    {
        u32 n = u32(b.size() - start);
        for (int i = 0; i < 4; ++i) b[start - 4 + i] = u8(n >> (24 - 8 * i));
        if (n & 1) b.push_back(0);
    }
};

// A gently waving height field, so the smoothing pass compares real, differing normals.
bool WriteSynthetic(const char* path)
{
    Out o;
    o.Id("FORM");
    o.U4(0);
    o.Id("LWO2");
    // With a layer chunk: assimp builds no scene for objects without one (nor for polygons
    // without a PTAG).
    size_t c = o.Begin("LAYR");
    o.U2(0);
    o.U2(0);
    for (int k = 0; k < 3; ++k) o.F4(0);
    o.Id("Grid");
    o.U2(0);  // name "Grid", padded; no parent field
    o.End(c);
    c = o.Begin("TAGS");
    o.Id("Grid");
    o.U4(0);
    o.End(c);
    c = o.Begin("PNTS");
    for (int z = 0; z < kSide; ++z)
        for (int x = 0; x < kSide; ++x) {
            o.F4(float(x));
            o.F4(float((x * 7 + z * 13) % 5) * 0.1f);
            o.F4(float(z));
        }
    o.End(c);
    c = o.Begin("POLS");
    o.Id("FACE");
    for (int z = 0; z + 1 < kSide; ++z)
        for (int x = 0; x + 1 < kSide; ++x) {
            u32 a = u32(z * kSide + x), b = a + 1, d = a + kSide, e = d + 1;
            o.U2(3);
            o.VX(a);
            o.VX(d);
            o.VX(b);
            o.U2(3);
            o.VX(b);
            o.VX(d);
            o.VX(e);
        }
    o.End(c);
    // Every polygon tagged with the surface (assimp also needs this to build its scene).
    c = o.Begin("PTAG");
    o.Id("SURF");
    for (u32 i = 0; i < u32(2 * (kSide - 1) * (kSide - 1)); ++i) {
        o.VX(i);
        o.VX(0);
    }
    o.End(c);
    c = o.Begin("SURF");
    o.Id("Grid");
    o.U4(0);  // name "Grid", empty source name
    o.Id("SMAN");
    o.U2(4);
    o.F4(1.0f);
    o.End(c);
    u32 form = u32(o.b.size() - 8);
    for (int i = 0; i < 4; ++i) o.b[4 + i] = u8(form >> (24 - 8 * i));

    FILE* f = fopen(path, "wb");
    if (!f) return false;
    bool ok = fwrite(o.b.data(), 1, o.b.size(), f) == o.b.size();
    return fclose(f) == 0 && ok;
}

bool Exists(const char* path)
{
    struct stat st;
    return stat(path, &st) == 0;
}

void ReadObject(benchmark::State& state, const char* path)
{
    long polygons = 0;
    for (auto _ : state) {
        LwoObject* object = LwoReadObject(path, nullptr, nullptr);
        if (!object) {
            state.SkipWithError("the object could not be read");
            return;
        }
        polygons = 0;
        for (LwoLayer* layer = object->layer; layer; layer = layer->next) polygons += layer->polygon.count;
        LwoFreeObject(object);
    }
    state.counters["polygons"] = double(polygons);
    state.SetItemsProcessed(state.iterations() * polygons);
}

void BM_ReadSyntheticGrid(benchmark::State& state)
{
    if (!Exists(kSyntheticPath) && !WriteSynthetic(kSyntheticPath)) {
        state.SkipWithError("could not write the synthetic object");
        return;
    }
    ReadObject(state, kSyntheticPath);
}
BENCHMARK(BM_ReadSyntheticGrid)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ReadLargestTestModel(benchmark::State& state)
{
    if (!Exists(kLargestModel)) {
        state.SkipWithError("assimp-testmodels is not installed");
        return;
    }
    ReadObject(state, kLargestModel);
}
BENCHMARK(BM_ReadLargestTestModel)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && strcmp(argv[1], "--write-object") == 0) return WriteSynthetic(argv[2]) ? 0 : 1;
    // A fresh file for every run, removed afterwards (it takes about 50 MB).
    WriteSynthetic(kSyntheticPath);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    remove(kSyntheticPath);
    return 0;
}
