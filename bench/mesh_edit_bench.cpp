// The terrain editor's frame work, headless (fake backend): one Tick that paints a brush step
// and rebuilds the region on a 64 x 64 chunk mesh, against the 16 ms frame; the redraws an idle
// editor asks for over 600 steps (none expected); and undo and redo of a stroke that covers
// the whole 64 x 64 chunk mesh, with the bytes its undo entry holds.
#include <benchmark/benchmark.h>

#include <cmath>

#include "bench/BenchScratch.h"
#include "gui/WindowSystem.h"
#include "platform/Os.h"
#include "platform/OsFake.h"
#include "terrain/ui/MeshEdit.h"
#include "tests/terrain/TerrainFixture.h"

namespace {

MeshTagData* Hills(u32 chunks)
{
    return MakeMesh(chunks, chunks, [](u32 x, u32 z) { return s16(512 * 6 * std::sin(x * 0.05) * std::cos(z * 0.04)); });
}

// A window system on the fake backend and an editor (no tag) over a 64 x 64 chunk mesh with
// empty detail grids, focused.
struct EditorFixture {
    MeshEdit* editor;
    EditorFixture()
    {
        // The editor writes its highlight colour table when it finds none.
        SetHighlightTablePath((BenchScratchFolder() + "/dtex.act").c_str());
        OsUseFakeBackend();
        OsInit();
        OsOpenWindow(800, 600, 0, 0);
        WindowSystem::Reset();
        WindowSystem::Init();
        WindowSystem::SetRunning(1);
        editor = new MeshEdit(nullptr);
        editor->SetVisible(1);
        editor->model.Load(Hills(64), nullptr, 0, nullptr, nullptr);
        editor->model.CreateDetailGrids();
        editor->model.detailMapLoaded = 1;
        editor->tool = kMeshDetailTool;
        Window::SetFocus(editor, FOCUS_PROGRAM);
    }
    ~EditorFixture()
    {
        WindowSystem::Reset();
        OsResetState();
    }
};

void BM_TickWithPaintStep(benchmark::State& state)
{
    EditorFixture f;
    MeshEdit* e = f.editor;
    e->model.brush.radius = 10;
    e->buttonHeld = 1;
    // The pointer is nowhere on the fake screen, so the stroke is begun here rather than by
    // the mouse entering the view.
    e->model.BeginBrushStroke(0);
    u32 n = 0;
    for (auto _ : state) {
        e->model.brush.material = 1 + (n & 1);
        e->model.brush.x = 500.5f + float(n % 400);
        e->model.brush.z = 700.25f;
        e->brushMoved = 1;
        e->Tick();
        ++n;
    }
    e->buttonHeld = 0;
    e->Tick();
    state.counters["frame_budget_ms"] = 16;
}
BENCHMARK(BM_TickWithPaintStep)->Unit(benchmark::kMicrosecond);

void BM_IdleEditorRedraws(benchmark::State& state)
{
    EditorFixture f;
    MeshEdit* e = f.editor;
    // Arg 1: with the media animation on, which redraws every step (the counter's check).
    e->model.mediaAnimation = u32(state.range(0));
    u32 requests = 0;
    for (auto _ : state) {
        const u32 before = e->stepRedraws;
        for (int i = 0; i < 600; ++i) {
            FakeOsAdvanceTime(kMeshStepSeconds * 1.0001);
            e->Tick();
        }
        requests = e->stepRedraws - before;
    }
    state.counters["redraw_requests_per_600_steps"] = requests;
}
BENCHMARK(BM_IdleEditorRedraws)->Arg(0)->Arg(1)->ArgNames({"animating"})->Unit(benchmark::kMillisecond);

void BM_UndoRedoWholeMeshStroke(benchmark::State& state)
{
    TerrainModel model;
    model.Load(Hills(64), nullptr, 0, nullptr, nullptr);
    model.CreateDetailGrids();
    model.detailMapLoaded = 1;
    model.brush.material = 3;
    model.BeginBrushStroke(0);
    for (float z = 0; z < float(model.Height()); z += 12)
        for (float x = 0; x < float(model.Width()); x += 12) model.PaintVertices(x + 0.5f, z + 0.5f, 10);
    const s32* r = model.strokeRect;
    const double held = 2.0 * double(r[2] - r[0] + 1) * double(r[3] - r[1] + 1);
    model.EndBrushStroke();
    for (auto _ : state) {
        benchmark::DoNotOptimize(model.Undo());
        benchmark::DoNotOptimize(model.Redo());
    }
    state.counters["undo_bytes_held"] = held;
    state.counters["grid_bytes"] = double(model.Width()) * model.Height();
}
BENCHMARK(BM_UndoRedoWholeMeshStroke)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
