// CPU time of one frame of the window system for a tree of about 500 windows: one small dirty
// rectangle (a caret blink), 32 rectangles, a full redraw, and the idle step with nothing to
// draw. Headless through the fake OS backend, so the numbers are the toolkit's own work
// (visibility and drawing passes) without the driver's.
#include <benchmark/benchmark.h>

#include "bench/BenchSupport.h"
#include "gui/Window.h"
#include "gui/WindowSystem.h"
#include "platform/Os.h"

namespace {

struct Tree {
    Window* caretOwner = nullptr;
    int windows = 0;
};

int Step()
{
    OsPollEvents();
    WindowSystem::ProcessAndRender();
    return 1;
}

// 20 framed top-level windows, cascaded, each with a panel of 23 widgets (a few nested).
Tree BuildTree()
{
    StartHeadlessWindowSystem();
    WindowSystem::SetDirtyRectMode(1);
    WindowSystem::InstallCallbacks();
    WindowSystem::SetStepHook(Step);
    WindowSystem::SetRunning(1);
    Tree t;
    const u32 framed = WF_VISIBLE | WF_TITLEBAR | WF_THICKFRAME | WF_RESIZABLE | WF_PANEL | WF_SHADOW | WF_CLOSEBOX;
    for (int i = 0; i < 20; ++i) {
        Window* top = new Window(framed, nullptr);
        top->SetFrameXYWH(20 + 40 * i, 20 + 30 * i, 420, 360);
        ++t.windows;
        Window* panel = new Window(WF_VISIBLE | WF_PANEL, top);
        panel->FillParent();
        ++t.windows;
        for (int k = 0; k < 22; ++k) {
            Window* w = new Window(WF_VISIBLE | WF_ENABLED | WF_THINBORDER, k % 5 == 4 ? panel->GetLastChild() : panel);
            w->SetFrameXYWH(8 + (k % 4) * 100, 8 + (k / 4) * 50, 90, 40);
            ++t.windows;
            if (i == 19 && k == 0) t.caretOwner = w;
        }
    }
    WindowSystem::RenderFrame();
    return t;
}

void BM_CaretBlink(benchmark::State& state)
{
    Tree t = BuildTree();
    Rect c = t.caretOwner->GetContentRect();
    Rect caret = {c.left + 10, c.top + 4, c.left + 11, c.top + 20};
    for (auto _ : state) {
        t.caretOwner->InvalidateRect(caret, 0);
        benchmark::DoNotOptimize(WindowSystem::RenderFrame());
    }
    state.counters["windows"] = t.windows;
    WindowSystem::Reset();
}
BENCHMARK(BM_CaretBlink);

void BM_ThirtyTwoRects(benchmark::State& state)
{
    Tree t = BuildTree();
    Window* layer = WindowSystem::GetLayerRoot(0);
    for (auto _ : state) {
        for (int i = 0; i < 32; ++i) {
            s32 x = (i % 8) * 150, y = (i / 8) * 240;
            layer->InvalidateRect(Rect{x, y, x + 40, y + 30}, 0);
        }
        benchmark::DoNotOptimize(WindowSystem::RenderFrame());
    }
    state.counters["windows"] = t.windows;
    WindowSystem::Reset();
}
BENCHMARK(BM_ThirtyTwoRects);

void BM_FullRedraw(benchmark::State& state)
{
    Tree t = BuildTree();
    for (auto _ : state) {
        WindowSystem::InvalidateAll();
        benchmark::DoNotOptimize(WindowSystem::RenderFrame());
    }
    state.counters["windows"] = t.windows;
    WindowSystem::Reset();
}
BENCHMARK(BM_FullRedraw);

void BM_IdleStep(benchmark::State& state)
{
    Tree t = BuildTree();
    for (auto _ : state) benchmark::DoNotOptimize(WindowSystem::ProcessAndRender());
    state.counters["windows"] = t.windows;
    WindowSystem::Reset();
}
BENCHMARK(BM_IdleStep);

}  // namespace

BENCHMARK_MAIN();
