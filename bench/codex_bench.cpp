// The tag database at game size: opening and indexing archives that hold 100,000 tags in all
// plus a local folder of 10,000 tag files, beside the time to merely read the same directory
// bytes and local headers with plain reads (the physical floor); memory per indexed tag; and
// the poll that follows one save in a group folder of 5,000 files.
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <malloc.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "codex/Archive.h"
#include "codex/Codex.h"
#include "codex/LocalFolder.h"
#include "codex/TagFiles.h"
#include "foundation/Log.h"
#include "foundation/PrefStore.h"

namespace {

constexpr u32 kArchives = 4;
constexpr u32 kTagsPerArchive = 25000;
constexpr u32 kLocalPerGroup = 5000;
const u32 kLocalGroups[2] = {FourCC("scen"), FourCC("text")};
const char* const kLocalFolders[2] = {"scenery", "text"};

void Put16(std::vector<u8>& b, u32 v) { b.push_back(u8(v >> 8)), b.push_back(u8(v)); }
void Put32(std::vector<u8>& b, u32 v) { Put16(b, v >> 16), Put16(b, v); }
void PutText(std::vector<u8>& b, const char* s, u32 field)
{
    size_t n = strlen(s);
    for (u32 i = 0; i < field; ++i) b.push_back(i < n ? u8(s[i]) : 0);
}
void PutTagHeader(std::vector<u8>& b, const char* name, u32 group, u32 tag, u32 offset, u32 size)
{
    Put16(b, 0xFFFF), b.push_back(0), b.push_back(0), PutText(b, name, 32);
    Put32(b, group), Put32(b, tag), Put32(b, offset), Put32(b, size), Put32(b, 0);
    Put16(b, 1), b.push_back(0xFF), b.push_back(0xFF), Put32(b, FourCC("vrn2"));
}

struct Fixture {
    std::string root;
    Fixture()
    {
        char pattern[] = "/tmp/tavik-codex-bench-XXXXXX";
        if (!mkdtemp(pattern)) abort();
        root = pattern;
        root += "/";
        std::filesystem::create_directories(root + "tags");
        const u32 groups[4] = {FourCC("scen"), FourCC("obje"), FourCC("unit"), FourCC("text")};
        for (u32 a = 0; a < kArchives; ++a) {
            std::vector<u8> b;
            const u32 dataStart = 128 + 64 * kTagsPerArchive;
            const u32 dataSize = 16;
            Put16(b, 3 - (a & 1)), Put16(b, 0), PutText(b, "bench", 32), PutText(b, "", 64);
            Put16(b, 0), Put16(b, kTagsPerArchive), Put32(b, 0), Put32(b, 0);
            Put32(b, dataStart + kTagsPerArchive * dataSize), Put32(b, 0), Put32(b, dataStart), Put32(b, FourCC("dng2"));
            for (u32 i = 0; i < kTagsPerArchive; ++i) {
                char name[32];
                snprintf(name, sizeof name, "Tag %u-%u", a, i);
                // Archives overlap by half, as expansions override the foundation.
                const u32 id = (a / 2) * kTagsPerArchive + i;
                PutTagHeader(b, name, groups[i % 4], id, dataStart + i * dataSize, dataSize);
            }
            b.resize(b.size() + size_t(kTagsPerArchive) * dataSize, 0x5A);
            FILE* f = fopen((root + "tags/archive" + std::to_string(a)).c_str(), "wb");
            fwrite(b.data(), 1, b.size(), f);
            fclose(f);
        }
        for (u32 g = 0; g < 2; ++g) {
            const std::string folder = root + "local/" + kLocalFolders[g] + "/";
            std::filesystem::create_directories(folder);
            for (u32 i = 0; i < kLocalPerGroup; ++i) {
                char name[32];
                snprintf(name, sizeof name, "Local %u", i);
                std::vector<u8> b;
                PutTagHeader(b, name, kLocalGroups[g], 0x10000000u + i, 64, 8);
                b.resize(b.size() + 8, 1);
                FILE* f = fopen((folder + name).c_str(), "wb");
                fwrite(b.data(), 1, b.size(), f);
                fclose(f);
            }
        }
        SetLogSink([](void*, u32, const char*, const char*) {}, nullptr);
        SetVornPath(root.c_str());
    }
    ~Fixture() { std::filesystem::remove_all(root); }
};

Fixture& GetFixture()
{
    static Fixture fixture;
    return fixture;
}

void BM_OpenAndIndexArchives(benchmark::State& state)
{
    Fixture& f = GetFixture();
    for (auto _ : state) {
        OpenArchivesInFolder((f.root + "tags").c_str());
        ActivateDefaultArchives();
        state.PauseTiming();
        CloseCodex();
        state.ResumeTiming();
    }
    state.counters["tags/s"] = benchmark::Counter(double(kArchives) * kTagsPerArchive * state.iterations(),
                                                  benchmark::Counter::kIsRate);
}
BENCHMARK(BM_OpenAndIndexArchives)->Unit(benchmark::kMillisecond);

void BM_ReadArchiveDirectoriesPlain(benchmark::State& state)
{
    Fixture& f = GetFixture();
    std::vector<u8> buffer(128 + 64 * kTagsPerArchive);
    for (auto _ : state) {
        for (u32 a = 0; a < kArchives; ++a) {
            FILE* in = fopen((f.root + "tags/archive" + std::to_string(a)).c_str(), "rb");
            if (fread(buffer.data(), 1, buffer.size(), in) != buffer.size()) abort();
            fclose(in);
            benchmark::DoNotOptimize(buffer.data());
        }
    }
    state.counters["tags/s"] = benchmark::Counter(double(kArchives) * kTagsPerArchive * state.iterations(),
                                                  benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ReadArchiveDirectoriesPlain)->Unit(benchmark::kMillisecond);

void BM_IndexLocalFolder(benchmark::State& state)
{
    Fixture& f = GetFixture();
    for (auto _ : state) {
        SetLocalFolder((f.root + "local").c_str());
        state.PauseTiming();
        CloseCodex();
        state.ResumeTiming();
    }
    state.counters["files/s"] = benchmark::Counter(2.0 * kLocalPerGroup * state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_IndexLocalFolder)->Unit(benchmark::kMillisecond);

void BM_ReadLocalHeadersPlain(benchmark::State& state)
{
    Fixture& f = GetFixture();
    u8 header[64];
    for (auto _ : state) {
        for (const char* sub : kLocalFolders) {
            const std::string folder = f.root + "local/" + sub + "/";
            DIR* d = opendir(folder.c_str());
            while (dirent* e = readdir(d)) {
                if (e->d_name[0] == '.') continue;
                FILE* in = fopen((folder + e->d_name).c_str(), "rb");
                if (fread(header, 1, 64, in) != 64) abort();
                fclose(in);
            }
            closedir(d);
        }
    }
    state.counters["files/s"] = benchmark::Counter(2.0 * kLocalPerGroup * state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ReadLocalHeadersPlain)->Unit(benchmark::kMillisecond);

void BM_MemoryPerIndexedTag(benchmark::State& state)
{
    Fixture& f = GetFixture();
    double perTag = 0, mappedPerTag = 0;
    for (auto _ : state) {
        // The heap's bytes in use plus the index's block arena: in use, and mapped from the
        // system (its huge pages hold room not yet used and tables given up while growing).
        size_t inUse0 = 0, mapped0 = 0, inUse1 = 0, mapped1 = 0;
        GetCodexStorageBytes(&inUse0, &mapped0);
        const size_t before = mallinfo2().uordblks;
        OpenArchivesInFolder((f.root + "tags").c_str());
        SetLocalFolder((f.root + "local").c_str());
        ActivateDefaultArchives();
        const size_t after = mallinfo2().uordblks;
        GetCodexStorageBytes(&inUse1, &mapped1);
        DynArray<TagEntry*> all = {};
        ListAllTags(&all);
        const double copies = double(kArchives) * kTagsPerArchive + 2.0 * kLocalPerGroup;
        perTag = (double(after - before) + double(inUse1 - inUse0)) / copies;
        mappedPerTag = (double(after - before) + double(mapped1 - mapped0)) / copies;
        state.counters["entries"] = all.count;
        all.Free();
        state.PauseTiming();
        CloseCodex();
        state.ResumeTiming();
    }
    state.counters["bytes/copy"] = perTag;
    state.counters["mapped/copy"] = mappedPerTag;
}
BENCHMARK(BM_MemoryPerIndexedTag)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_PollAfterOneSave(benchmark::State& state)
{
    Fixture& f = GetFixture();
    SetLocalFolder((f.root + "local").c_str());
    TagEntry* e = FindTag(FourCC("scen"), 0x10000000u);
    u32 round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        TagHeader h;
        GetTagHeader(e, &h);
        FILE* out = BeginTagWrite(e, &h, nullptr);
        fwrite(&++round, 1, 4, out);
        FinishTagWrite(e, &h, true);
        state.ResumeTiming();
        PollLocalFolder(false);
    }
    CloseCodex();
}
BENCHMARK(BM_PollAfterOneSave)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
