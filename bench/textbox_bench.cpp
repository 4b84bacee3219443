// CPU time of the text box's text model at log and text-file sizes: appending 20,000 lines
// one by one to a scrolling view (must stay linear), setting 1 MB of word-wrapped text, and
// one keystroke in the middle of a 10,000-paragraph text. Headless through the fake OS
// backend with a synthetic font, so the numbers are the layout's own work.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "bench/BenchSupport.h"
#include "gui/TextBox.h"
#include "gui/WindowSystem.h"
#include "gui/core/Font.h"
#include "platform/Os.h"

namespace {

void Setup()
{
    StartHeadlessWindowSystem();
    UseSyntheticBenchFont();
}

void Teardown(TextBox* box)
{
    box->Close();
    WindowSystem::ProcessDeferredDeletes();
}

void BM_AppendLines(benchmark::State& state)
{
    Setup();
    const int lines = int(state.range(0));
    for (auto _ : state) {
        TextBox* box = new TextBox(TEXTBOX_VIEW, nullptr);
        box->SetFrameXYWH(0, 0, 600, 400);
        char line[64];
        for (int i = 0; i < lines; ++i) {
            snprintf(line, sizeof(line), "log line %d: something happened\n", i);
            box->AppendText(line);
        }
        benchmark::DoNotOptimize(box->GetLineCount());
        state.PauseTiming();
        Teardown(box);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * lines);
}
// 5,000 and 20,000 lines: per-line time must not grow with the count.
BENCHMARK(BM_AppendLines)->Arg(5000)->Arg(20000)->Unit(benchmark::kMillisecond);

void BM_SetTextWordWrapped(benchmark::State& state)
{
    Setup();
    std::string text = BenchProse(size_t(state.range(0)), state.range(1) != 0 ? '\n' : '\0');
    TextBox* box = new TextBox(TEXTBOX_EDITOR, nullptr);
    box->SetFrameXYWH(0, 0, 500, 400);
    for (auto _ : state) {
        box->SetText(text.c_str());
        benchmark::DoNotOptimize(box->GetLineCount());
    }
    state.SetBytesProcessed(state.iterations() * s64(text.size()));
    Teardown(box);
}
// 1 MB in lines of about 70 characters, and as one wrapped paragraph.
BENCHMARK(BM_SetTextWordWrapped)->Args({1 << 20, 1})->Args({1 << 20, 0})->Unit(benchmark::kMillisecond);

void BM_KeystrokeInLongText(benchmark::State& state)
{
    Setup();
    std::string text;
    for (int i = 0; i < 10000; ++i) text += "paragraph " + std::to_string(i) + " with a few words to wrap now and then\n";
    TextBox* box = new TextBox(TEXTBOX_EDITOR, nullptr);
    box->SetFrameXYWH(0, 0, 500, 400);
    box->SetText(text.c_str());
    box->SetCursorAt(5000, 10);
    box->SetAnchorAt(5000, 10);
    // A character typed and taken back, so the paragraph keeps its size: two keystrokes.
    for (auto _ : state) {
        box->TypeChar('x');
        box->EmitIfChanged();
        box->Backspace();
        box->EmitIfChanged();
    }
    state.SetItemsProcessed(state.iterations() * 2);
    Teardown(box);
}
BENCHMARK(BM_KeystrokeInLongText)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
