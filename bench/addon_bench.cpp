// The add-on builders at size: Build Regular Add-on from 10,000 local tags (50 MB) beside
// copying the same data bytes with plain reads and writes (the floor), and Build Dtex Add-on on
// a 4096 x 4096 detail map beside one plain pass over its file and its planes' size. The
// dialog is not part of the timing: the commands' listing and BuildArchive are.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "codex/AddonTags.h"
#include "codex/Archive.h"
#include "codex/Codex.h"
#include "codex/DetailMap.h"
#include "codex/LocalFolder.h"
#include "codex/TagFiles.h"
#include "foundation/Log.h"
#include "foundation/PrefStore.h"

namespace {

constexpr u32 kLocalTags = 10000;
constexpr u32 kTagBytes = 5000;
constexpr u32 kMapSide = 4096;

void Put16(std::vector<u8>& b, u32 v) { b.push_back(u8(v >> 8)), b.push_back(u8(v)); }
void Put32(std::vector<u8>& b, u32 v) { Put16(b, v >> 16), Put16(b, v); }
void PutTagHeader(std::vector<u8>& b, const char* name, u32 group, u32 tag, u32 size, u32 version)
{
    Put16(b, 0xFFFF), b.push_back(0), b.push_back(0);
    for (u32 i = 0; i < 32; ++i) b.push_back(i < strlen(name) ? u8(name[i]) : 0);
    Put32(b, group), Put32(b, tag), Put32(b, 64), Put32(b, size), Put32(b, 0);
    Put16(b, version), b.push_back(0xFF), b.push_back(0xFF), Put32(b, FourCC("vrn2"));
}

void WriteFile(const std::string& path, const std::vector<u8>& bytes)
{
    FILE* f = fopen(path.c_str(), "wb");
    if (!f || fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() || fclose(f) != 0) abort();
}

struct Game {
    std::string root;
    std::vector<std::string> tagFiles;
    std::string mapFile;
    explicit Game(bool withMap)
    {
        char pattern[] = "/tmp/tavik-addon-bench-XXXXXX";
        if (!mkdtemp(pattern)) abort();
        root = std::string(pattern) + "/";
        SetLogSink([](void*, u32, const char*, const char*) {}, nullptr);
        SetVornPath(root.c_str());
        if (withMap) {
            WriteMap();
        } else {
            WriteTags();
        }
        if (!SetLocalFolder((root + "local").c_str())) abort();
    }
    ~Game()
    {
        CloseCodex();
        std::filesystem::remove_all(root);
    }
    void WriteTags()
    {
        const u32 groups[3] = {FourCC("text"), FourCC("soun"), FourCC("form")};
        const char* folders[3] = {"text", "sounds", "formations"};
        for (const char* f : folders) std::filesystem::create_directories(root + "local/" + f);
        for (u32 i = 0; i < kLocalTags; ++i) {
            char name[32];
            snprintf(name, sizeof name, "Tag %u", i);
            std::vector<u8> b;
            PutTagHeader(b, name, groups[i % 3], 0x10000000u + i, kTagBytes, 1);
            for (u32 k = 0; k < kTagBytes; ++k) b.push_back(u8(i + k));
            tagFiles.push_back(root + "local/" + folders[i % 3] + "/" + name);
            WriteFile(tagFiles.back(), b);
        }
    }
    void WriteMap()
    {
        std::filesystem::create_directories(root + "local/detail maps");
        std::filesystem::create_directories(root + "local/detail textures");
        DetailMap map;
        InitDmap(&map);
        if (!SetDmapSize(&map, kMapSide, kMapSide)) abort();
        for (u32 i = 0; i < kDetailMapEntries; ++i) map.entries[i].dtex = i < 8 ? FourCC("tx00") + i : kNoTagId;
        // Runs of a few dozen points, as painted terrain has.
        for (u32 i = 0; i < kMapSide * kMapSide; ++i) map.bytePlane[i] = u8((i / 37 + i / kMapSide / 29) % 8);
        for (u32 i = 0; i < kMapSide * kMapSide * 2; ++i) map.pairPlane[i] = u8((i / 53) % 8);
        mapFile = root + "local/detail maps/Big";
        FILE* f = fopen(mapFile.c_str(), "wb+");
        TagHeader h = {};
        std::vector<u8> header;
        PutTagHeader(header, "Big", FourCC("dmap"), FourCC("BigM"), 0, 2);
        fwrite(header.data(), 1, header.size(), f);
        h.offset = 64;
        if (!WriteDmapTag(&map, f, &h)) abort();
        const long size = ftell(f) - 64;
        header.clear();
        PutTagHeader(header, "Big", FourCC("dmap"), FourCC("BigM"), u32(size), 2);
        fseek(f, 0, SEEK_SET);
        fwrite(header.data(), 1, header.size(), f);
        fclose(f);
        FreeDmap(&map);
        for (u32 t = 0; t < 8; ++t) {
            char name[32];
            snprintf(name, sizeof name, "Texture %u", t);
            std::vector<u8> b;
            PutTagHeader(b, name, FourCC("dtex"), FourCC("tx00") + t, 4096, 1);
            b.resize(b.size() + 4096, u8(t));
            WriteFile(root + "local/detail textures/" + name, b);
        }
    }
};

void BM_BuildRegularAddon(benchmark::State& state)
{
    Game game(false);
    for (auto _ : state) {
        ScopedDynArray<TagEntry*> tags;
        ListRegularAddonTags(&tags);
        if (tags.count != kLocalTags || !BuildArchive(tags, 6, "Bench", "http://example.org/", 100)) abort();
    }
    state.counters["MB/s"] =
        benchmark::Counter(double(kLocalTags) * kTagBytes * state.iterations() / 1e6, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_BuildRegularAddon)->Unit(benchmark::kMillisecond);

// The floor: every tag's data read and written into one file with plain stdio.
void BM_CopyTagBytesPlain(benchmark::State& state)
{
    Game game(false);
    std::vector<u8> buffer(kTagBytes);
    const std::string out = game.root + "plain-copy";
    for (auto _ : state) {
        FILE* to = fopen(out.c_str(), "wb");
        for (const std::string& path : game.tagFiles) {
            FILE* in = fopen(path.c_str(), "rb");
            if (!in || fseek(in, 64, SEEK_SET) != 0 || fread(buffer.data(), 1, kTagBytes, in) != kTagBytes) abort();
            fclose(in);
            if (fwrite(buffer.data(), 1, kTagBytes, to) != kTagBytes) abort();
        }
        if (fclose(to) != 0) abort();
    }
    state.counters["MB/s"] =
        benchmark::Counter(double(kLocalTags) * kTagBytes * state.iterations() / 1e6, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_CopyTagBytesPlain)->Unit(benchmark::kMillisecond);

void BM_BuildDtexAddon(benchmark::State& state)
{
    Game game(true);
    size_t peak = 0;
    for (auto _ : state) {
        ScopedDynArray<TagEntry*> tags;
        if (ListDtexAddonTags(&tags, nullptr) != kDtexAddonOk || tags.count != 9) abort();
        peak = std::max(peak, size_t(mallinfo2().uordblks));
        if (!BuildArchive(tags, 6, "Bench Terrain", "http://example.org/", 100)) abort();
    }
    state.counters["map MB"] = double(kMapSide) * kMapSide * 3 / 1e6;
    state.counters["heap MB after listing"] = double(peak) / 1e6;
}
BENCHMARK(BM_BuildDtexAddon)->Unit(benchmark::kMillisecond);

// The floor: the map's file read once and one pass over its planes' decoded size.
void BM_PlainPassOverMap(benchmark::State& state)
{
    Game game(true);
    std::vector<u8> file(std::filesystem::file_size(game.mapFile));
    std::vector<u8> planes(size_t(kMapSide) * kMapSide * 3);
    for (auto _ : state) {
        FILE* in = fopen(game.mapFile.c_str(), "rb");
        if (!in || fread(file.data(), 1, file.size(), in) != file.size()) abort();
        fclose(in);
        // Expand the runs as a stand-in for decoding, then touch every plane byte once.
        size_t at = 0;
        for (size_t i = 64; i + 1 < file.size() && at < planes.size(); i += 2) {
            size_t n = std::min(size_t(file[i]) + 1, planes.size() - at);
            memset(&planes[at], file[i + 1], n);
            at += n;
        }
        bool used[256] = {};
        for (u8 v : planes) used[v] = true;
        benchmark::DoNotOptimize(used);
    }
    state.counters["map MB"] = double(kMapSide) * kMapSide * 3 / 1e6;
}
BENCHMARK(BM_PlainPassOverMap)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
