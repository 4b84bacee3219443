// The archive browser with 50,000 tags, headless through the fake OS backend:
// - rebuilding the tree for "combined" from empty, beside building and sorting a list of
//   50,000 items with the same 14 columns (the browser should stay within 2x of it);
// - one "local copy changed" event with 50,000 rows shown (well inside a 16 ms frame);
// - one poll that finds 10,000 new local files, with and without the browser listening (the
//   browser's share should stay within 2x of the poll alone);
// - the heap per shown row, list item included (under 1 KB), as the counter "bytes_per_row".
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "codex/Archive.h"
#include "codex/LocalFolder.h"
#include "codex/TagGroups.h"
#include "foundation/PrefStore.h"
#include "gui/ListWindow.h"
#include "tagedit/ArchiveBrowser.h"

namespace {

constexpr u32 kTags = 50000;
constexpr u32 kNewFiles = 10000;
const u32 kText = FourCC("text");

void Put16(std::vector<u8>& b, u32 v)
{
    b.push_back(u8(v >> 8));
    b.push_back(u8(v));
}
void Put32(std::vector<u8>& b, u32 v)
{
    Put16(b, v >> 16);
    Put16(b, v);
}
void PutText(std::vector<u8>& b, const char* s, u32 n)
{
    for (u32 i = 0; i < n; ++i) b.push_back(i < strlen(s) ? u8(s[i]) : 0);
}
void PutHeader(std::vector<u8>& b, const char* name, u32 tag, u32 offset, u32 size)
{
    Put16(b, 0xFFFF);
    b.push_back(0);
    b.push_back(0);
    PutText(b, name, 32);
    Put32(b, kText);
    Put32(b, tag);
    Put32(b, offset);
    Put32(b, size);
    Put32(b, 0);
    Put16(b, 1);
    b.push_back(0xFF);
    b.push_back(0xFF);
    Put32(b, FourCC("vrn2"));
}

u32 TagId(u32 i) { return 0x41000000u | i; }

std::string Name(u32 i)
{
    u32 seed = i * 2654435761u;
    char n[32];
    snprintf(n, sizeof n, "tag %05u %u", seed % 100000, i);
    return n;
}

struct Game {
    std::string root;
    ArchiveBrowser* browser = nullptr;
};

// One archive of 50,000 one-byte text tags, the browser shown on it with "combined".
Game& TheGame()
{
    static Game game;
    if (game.browser) return game;
    StartHeadlessWindowSystem();
    WindowSystem::SetRunning(1);
    char pattern[] = "/tmp/tavik-browser-bench-XXXXXX";
    if (!mkdtemp(pattern)) abort();
    game.root = std::string(pattern) + "/";
    std::filesystem::create_directories(game.root + "tags");
    std::vector<u8> dir, data;
    const u32 dataStart = 128 + 64 * kTags;
    for (u32 i = 0; i < kTags; ++i) {
        PutHeader(dir, Name(i).c_str(), TagId(i), dataStart + i, 1);
        data.push_back(u8(i));
    }
    std::vector<u8> file;
    Put16(file, 2);
    Put16(file, 0);
    PutText(file, "bench", 32);
    PutText(file, "", 64);
    Put16(file, 0);
    Put16(file, kTags);
    Put32(file, 0);
    Put32(file, 0);
    Put32(file, u32(dataStart + data.size()));
    Put32(file, 0);
    Put32(file, dataStart);
    Put32(file, FourCC("dng2"));
    file.insert(file.end(), dir.begin(), dir.end());
    file.insert(file.end(), data.begin(), data.end());
    FILE* f = fopen((game.root + "tags/base.dat").c_str(), "wb");
    fwrite(file.data(), 1, file.size(), f);
    fclose(f);

    SetVornPath(game.root.c_str());
    SetTagGroupHandler(kText, [](TagEntry*) -> TagEdit* { return nullptr; });
    OpenArchivesInFolder((game.root + "tags").c_str());
    SetLocalFolder((game.root + "local").c_str());
    ActivateDefaultArchives();
    EnableArchiveBrowserListener(true);
    game.browser = ShowArchiveBrowser();
    return game;
}

void Select(ArchiveBrowser* b, intptr_t entry)
{
    ListItem* item = b->FindArchiveItem(b->activeList, reinterpret_cast<void*>(entry));
    b->activeList->SelectItem(item, 0);
}

void BM_RebuildCombinedFromEmpty(benchmark::State& state)
{
    ArchiveBrowser* b = TheGame().browser;
    for (auto _ : state) {
        state.PauseTiming();
        Select(b, kBrowserLocal);
        state.ResumeTiming();
        Select(b, kBrowserCombined);  // runs RebuildTagTree
        b->tagTree->ExpandItem(b->FindGroupNode(kText)->item);  // sorts the rows, as the list below does
    }
    state.counters["rows"] = b->GetRowCount();
}
BENCHMARK(BM_RebuildCombinedFromEmpty)->Unit(benchmark::kMillisecond);

// The same work for a plain list: items with a 128-byte record under the same columns, sorted.
void BM_ListBuildAndSortSameColumns(benchmark::State& state)
{
    TheGame();
    struct Record {
        TagHeader header;
        char location[64];
    };
    std::vector<Record> records(kTags);
    for (u32 i = 0; i < kTags; ++i) {
        memset(&records[i], 0, sizeof(Record));
        snprintf(records[i].header.name, sizeof records[i].header.name, "%s", Name(i).c_str());
        records[i].header.group = kText;
        records[i].header.tag = TagId(i);
        snprintf(records[i].location, sizeof records[i].location, "base.dat");
    }
    for (auto _ : state) {
        ListWindow* list = new ListWindow(43, WF_VISIBLE | WF_ENABLED, nullptr);
        list->SetFrameXYWH(0, 0, 800, 800);
        ArchiveBrowser* b = TheGame().browser;
        for (u32 c = 0; c < b->tagTree->GetColumnCount(); ++c) {
            const ListColumn* col = b->tagTree->GetColumn(c);
            list->AddColumn(col->title, col->format, col->type, col->size, col->width, col->flags, col->textFlags);
        }
        ListItem* node = list->InsertItem(nullptr, 0, LIF_TEXT | LIF_EXPANDABLE, nullptr, "Text");
        for (u32 i = 0; i < kTags; ++i) list->InsertItem(node, 0, 0, &records[i], records[i].header.name);
        list->UpdateScrollRange();
        list->Sort();
        list->ExpandItem(node);
        benchmark::DoNotOptimize(list->GetItemCount());
        state.PauseTiming();
        delete list;
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ListBuildAndSortSameColumns)->Unit(benchmark::kMillisecond);

void BM_OneLocalCopyChangedEvent(benchmark::State& state)
{
    ArchiveBrowser* b = TheGame().browser;
    Select(b, kBrowserCombined);
    b->tagTree->ExpandItem(b->FindGroupNode(kText)->item);
    TagEntry* entry = FindTag(kText, TagId(kTags / 2));
    for (auto _ : state) {
        b->OnCodexEvent(nullptr, entry, kCodexLocalCopyChanged);
        b->Tick();
    }
    state.counters["rows"] = b->GetRowCount();
}
BENCHMARK(BM_OneLocalCopyChangedEvent)->Unit(benchmark::kMicrosecond);

// Writes 10,000 new tag files (untimed), then times the poll that finds them; the files are
// removed (untimed) afterwards. Arg 1: the browser listens and sorts at the next tick.
void BM_PollTenThousandNewFiles(benchmark::State& state)
{
    Game& game = TheGame();
    ArchiveBrowser* b = game.browser;
    Select(b, kBrowserCombined);
    bool listening = state.range(0) != 0;
    std::string folder = game.root + "local/text/";
    std::filesystem::create_directories(folder);
    for (auto _ : state) {
        state.PauseTiming();
        EnableArchiveBrowserListener(listening);
        for (u32 i = 0; i < kNewFiles; ++i) {
            std::vector<u8> bytes;
            std::string name = "new " + std::to_string(i);
            PutHeader(bytes, name.c_str(), 0x4E000000u | i, 64, 1);
            bytes.push_back(1);
            FILE* f = fopen((folder + name).c_str(), "wb");
            fwrite(bytes.data(), 1, bytes.size(), f);
            fclose(f);
        }
        state.ResumeTiming();
        PollLocalFolder(true);
        if (listening) b->Tick();
        state.PauseTiming();
        EnableArchiveBrowserListener(true);
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        PollLocalFolder(true);
        b->RebuildTagTree();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_PollTenThousandNewFiles)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_HeapPerShownRow(benchmark::State& state)
{
    ArchiveBrowser* b = TheGame().browser;
    double perRow = 0;
    for (auto _ : state) {
        Select(b, kBrowserLocal);
        size_t before = mallinfo2().uordblks;
        Select(b, kBrowserCombined);
        size_t after = mallinfo2().uordblks;
        perRow = double(after - before) / double(b->GetRowCount());
    }
    state.counters["bytes_per_row"] = perRow;
}
BENCHMARK(BM_HeapPerShownRow)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
BENCHMARK_MAIN();
