// The terrain editor's frame on a real screen (needs a display, e.g. xvfb-run; the budget is
// 16 ms): a 16 x 16 chunk mesh with its shaded colour textures, the camera over its middle
// turning with A held (one camera step per frame: 360 frames are two full turns, every
// direction drawn alike), the whole window system frame with the overlay: the colour-only surface,
// and the same with a detail map's data colouring over it (detail textures off: they need the
// tag database). Beside it the floor: the chunks the same culling keeps, drawn whole from vertex
// arrays with their colour textures.
#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <cmath>
#include <string>
#include <vector>

#include "bench/BenchScratch.h"
#include "gui/Skin.h"
#include "gui/Text.h"
#include "gui/WindowSystem.h"
#include "gui/core/Font.h"
#include "platform/GLTexture.h"
#include "platform/Os.h"
#include "terrain/ui/ChunkTexture.h"
#include "terrain/ui/MeshEdit.h"
#include "tests/terrain/TerrainFixture.h"
#include "tests/common/TestDirs.h"

namespace {

constexpr u32 kChunks = 16;
constexpr s32 kScreenWidth = 800, kScreenHeight = 600;

bool HoldsA(u32 key) { return key == 'A'; }

Skin* g_skin = nullptr;
Font* g_font = nullptr;

// The real window with the program's skin and font, opened once; false without a display.
bool OpenScreen()
{
    static int open = -1;
    if (open < 0) {
        OsUseRealBackend();
        open = OsInit() && OsOpenWindow(kScreenWidth, kScreenHeight, 0, 0);
        if (open) {
            InitGL();
            glEnable(GL_BLEND);
            glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
            g_skin = new Skin((std::string(TestBinaryDir()) + "/res/texturepack").c_str());
            g_font = LoadFont((std::string(TestBinaryDir()) + "/res/dravell.tavikfont").c_str());
            // The editor writes its highlight colour table when it finds none: the scratch
            // folder, not the build's or wherever the benchmark was started.
            SetHighlightTablePath((BenchScratchFolder() + "/dtex.act").c_str());
        }
    }
    return open == 1;
}

// The window system started afresh on the screen, empty.
void StartWindowSystem()
{
    WindowSystem::Reset();
    WindowSystem::EnableGL(1);
    WindowSystem::SetSkin(g_skin);
    WindowSystem::SetDefaultFont(g_font);
    WindowSystem::Init();
    WindowSystem::InstallCallbacks();
    WindowSystem::OnWindowResize(kScreenWidth, kScreenHeight);
    WindowSystem::SetRunning(1);
}

// An editor (no tag) over rolling hills of 16 x 16 chunks with uploaded chunk textures (the
// shading without a colour map: the texels' values do not change the cost), its eye over the
// middle of the mesh, shown and focused.
MeshEdit* HillsEditor(bool detailMap)
{
    StartWindowSystem();
    MeshEdit* e = new MeshEdit(nullptr);
    MeshTagData* mesh =
        MakeMesh(kChunks, kChunks, [](u32 x, u32 z) { return s16(512 * 6 * std::sin(x * 0.05) * std::cos(z * 0.04)); });
    e->model.Load(mesh, nullptr, ChunkTextureSize(), UploadChunkTexture, nullptr);
    if (detailMap) {
        e->model.CreateDetailGrids();
        u8* v = e->model.vertexGrid->Bytes();
        for (u32 i = 0; i < e->model.width * e->model.height; ++i) v[i] = u8((i / 7) % 5);
        e->DetailMapTaken();
        e->highlighting = 1;
        e->layerEnabled[1] = 1;
        e->detailTextures = 0;  // the sample's detail textures need the tag database
    }
    const float middle = kChunks * kChunkSquares / 2.0f;
    e->camera.eye[0] = -middle, e->camera.eye[1] = 30, e->camera.eye[2] = middle;
    e->Show();
    // The driver builds its code for each new state on first use: not part of a frame.
    for (int i = 0; i < 10; ++i) {
        WindowSystem::InvalidateAll();
        WindowSystem::RenderFrame();
    }
    glFinish();
    return e;
}

void FlyingFrame(benchmark::State& state)
{
    if (!OpenScreen()) {
        state.SkipWithError("no display");
        return;
    }
    MeshEdit* e = HillsEditor(state.range(0) != 0);
    u64 squares = 0, frames = 0;
    for (auto _ : state) {
        e->camera.MoveByKeys(HoldsA);
        e->Invalidate(0);
        WindowSystem::RenderFrame();
        glFinish();
        squares += e->renderedSquares;
        ++frames;
    }
    state.counters["budget_ms"] = 16;
    state.counters["squares_per_frame"] = frames ? double(squares) / double(frames) : 0;
    state.SetLabel(state.range(0) ? "colour and the detail map's data colouring" : "colour only");
    WindowSystem::Reset();
}
BENCHMARK(FlyingFrame)->Arg(0)->Arg(1)->Iterations(360)->Unit(benchmark::kMillisecond)->UseRealTime();

// One chunk as a vertex array: 33 x 33 corners (x, stored height, z) with colour texture
// coordinates, and the 2 x 32 x 32 triangles as indices.
struct ChunkArrays {
    std::vector<float> positions, texCoords;
};

void VertexArrayFloor(benchmark::State& state)
{
    if (!OpenScreen()) {
        state.SkipWithError("no display");
        return;
    }
    MeshEdit* e = HillsEditor(false);
    TerrainModel& model = e->model;
    std::vector<ChunkArrays> arrays(model.chunks.count);
    for (u32 k = 0; k < model.chunks.count; ++k) {
        const MeshChunk& c = model.chunks.data[k];
        for (u32 z = 0; z < kChunkVertices; ++z)
            for (u32 x = 0; x < kChunkVertices; ++x) {
                arrays[k].positions.insert(arrays[k].positions.end(),
                                           {float(c.x0 + s32(x)), float(c.heights[z * kChunkVertices + x]), float(c.z0 + s32(z))});
                arrays[k].texCoords.insert(arrays[k].texCoords.end(), {(16.0f * x + 1) / 514, (16.0f * z + 1) / 514});
            }
    }
    std::vector<u16> indices;
    for (u32 z = 0; z < kChunkSquares; ++z)
        for (u32 x = 0; x < kChunkSquares; ++x) {
            const u16 a = u16(z * kChunkVertices + x), b = u16(a + 1), d = u16(a + kChunkVertices), c = u16(d + 1);
            indices.insert(indices.end(), {a, d, c, a, c, b});
        }
    const Rect content = e->GetContentRect();
    const s32 w = content.Width(), h = content.Height();
    u64 chunks = 0, frames = 0;
    for (auto _ : state) {
        e->camera.MoveByKeys(HoldsA);
        glViewport(content.left, kScreenHeight - content.bottom, w, h);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glEnable(GL_DEPTH_TEST);
        e->SetupProjection();
        glLoadIdentity();
        e->ApplyCameraRotation();
        float rotation[16];
        e->camera.RotationMatrix(rotation);
        model.CullChunks(rotation, e->camera.eye);
        glTranslatef(-e->camera.eye[0], -e->camera.eye[1], -e->camera.eye[2]);
        glScalef(-1, 1.0f / 512, 1);
        glEnable(GL_TEXTURE_2D);
        glEnableClientState(GL_VERTEX_ARRAY);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        for (u32 k = 0; k < model.chunks.count; ++k) {
            const MeshChunk& c = model.chunks.data[k];
            if (c.classification == kCullOutside) continue;
            ++chunks;
            glBindTexture(GL_TEXTURE_2D, c.texture);
            glVertexPointer(3, GL_FLOAT, 0, arrays[k].positions.data());
            glTexCoordPointer(2, GL_FLOAT, 0, arrays[k].texCoords.data());
            glDrawElements(GL_TRIANGLES, GLsizei(indices.size()), GL_UNSIGNED_SHORT, indices.data());
        }
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
        glDisableClientState(GL_VERTEX_ARRAY);
        glDisable(GL_TEXTURE_2D);
        glDisable(GL_DEPTH_TEST);
        glFinish();
        ++frames;
    }
    state.counters["budget_ms"] = 16;
    state.counters["chunks_per_frame"] = frames ? double(chunks) / double(frames) : 0;
    WindowSystem::Reset();
}
BENCHMARK(VertexArrayFloor)->Iterations(360)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
