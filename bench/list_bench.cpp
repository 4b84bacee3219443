// The list window with 50,000 rows, headless through the fake OS backend: building the rows,
// sorting by a column, Ctrl+A, End, dragging the thumb to the bottom, deleting 10,000 selected
// rows and one type-ahead keystroke. Each interactive operation should stay well inside one
// frame (16 ms); the full sort well under a second.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <vector>

#include "bench/BenchSupport.h"
#include "gui/ListWindow.h"
#include "gui/WindowSystem.h"
#include "platform/Os.h"

namespace {

constexpr u32 kRows = 50000;

struct Record {
    char name[16];
    u32 size;
};

std::vector<Record>& Records()
{
    static std::vector<Record> records;
    if (records.empty()) {
        records.resize(kRows);
        u32 seed = 12345;
        for (u32 i = 0; i < kRows; ++i) {
            seed = seed * 1664525 + 1013904223;
            snprintf(records[i].name, sizeof records[i].name, "item%u", seed % 100000);
            records[i].size = seed >> 8;
        }
    }
    return records;
}

void StartSystem()
{
    StartHeadlessWindowSystem();
    WindowSystem::SetRunning(1);
}

ListWindow* BuildList()
{
    ListWindow* list = new ListWindow(LWS_COLUMNS | LWS_HEADER | LWS_MULTISELECT, WF_VISIBLE | WF_ENABLED, nullptr);
    list->rowHeight = 18;
    list->SetFrameXYWH(0, 0, 600, 800);
    list->AddColumn("Name", "%s", LCT_CHARARRAY, 16, 300, 0, 0);
    list->AddColumn("Size", "%u", LCT_UINT, 4, 100, 0, 0);
    std::vector<Record>& r = Records();
    for (u32 i = 0; i < kRows; ++i) list->AddItem(nullptr, 0, 0, &r[i], r[i].name);
    return list;
}

void BM_Build(benchmark::State& state)
{
    StartSystem();
    for (auto _ : state) {
        ListWindow* list = BuildList();
        benchmark::DoNotOptimize(list->GetItemCount());
        state.PauseTiming();
        delete list;
        state.ResumeTiming();
    }
}
BENCHMARK(BM_Build)->Unit(benchmark::kMillisecond);

void BM_SortByColumn(benchmark::State& state)
{
    StartSystem();
    ListWindow* list = BuildList();
    for (auto _ : state) list->HeaderClick(350);  // the size column, alternating direction
    delete list;
}
BENCHMARK(BM_SortByColumn)->Unit(benchmark::kMillisecond);

void BM_SelectAll(benchmark::State& state)
{
    StartSystem();
    ListWindow* list = BuildList();
    for (auto _ : state) {
        list->SelectAll();
        state.PauseTiming();
        list->SelectItem(list->GetFirstItem(), 0);
        state.ResumeTiming();
    }
    delete list;
}
BENCHMARK(BM_SelectAll)->Unit(benchmark::kMillisecond);

void BM_End(benchmark::State& state)
{
    StartSystem();
    ListWindow* list = BuildList();
    for (auto _ : state) {
        list->MoveSelection(2147483647, 0);
        state.PauseTiming();
        list->SelectItem(list->GetFirstItem(), 0);
        list->SetVScrollPos(0);
        state.ResumeTiming();
    }
    delete list;
}
BENCHMARK(BM_End)->Unit(benchmark::kMillisecond);

void BM_ThumbToBottom(benchmark::State& state)
{
    StartSystem();
    ListWindow* list = BuildList();
    for (auto _ : state) {
        list->SetVScrollPos(s32(kRows));
        state.PauseTiming();
        list->SetVScrollPos(0);
        state.ResumeTiming();
    }
    delete list;
}
BENCHMARK(BM_ThumbToBottom)->Unit(benchmark::kMillisecond);

void BM_Delete10000Selected(benchmark::State& state)
{
    StartSystem();
    for (auto _ : state) {
        state.PauseTiming();
        ListWindow* list = BuildList();
        list->SetVScrollPos(30000);
        list->SelectRange(list->ItemAtRow(20000), list->ItemAtRow(29999));
        DynArray<ListItem*> doomed = {};
        list->GetSelection(&doomed, nullptr);
        state.ResumeTiming();
        for (u32 i = 0; i < doomed.count; ++i) list->DeleteItemNoUpdate(doomed.data[i]);
        list->UpdateScrollRange();
        state.PauseTiming();
        doomed.Free();
        delete list;
        state.ResumeTiming();
    }
}
BENCHMARK(BM_Delete10000Selected)->Unit(benchmark::kMillisecond);

void BM_TypeAheadKeystroke(benchmark::State& state)
{
    StartSystem();
    ListWindow* list = BuildList();
    list->SelectItem(list->ItemAtRow(kRows / 2), 0);
    for (auto _ : state) list->TypeAheadFind("item99");
    delete list;
}
BENCHMARK(BM_TypeAheadKeystroke)->Unit(benchmark::kMillisecond);

}  // namespace
BENCHMARK_MAIN();
