// The terrain editor's frame on a real screen (needs a display, e.g. xvfb-run): 8 x 8 and
// 16 x 16 chunk meshes seen whole from above in three modes (colour only; detailed, with four
// detail textures in patches, so squares at their borders take two or three passes; all
// layers: detailed, the "Terrain Type" colouring, the wireframe and the triangle centres),
// each beside a floor that sends the same triangles with the same textures and passes as
// vertex arrays prepared beforehand. The editor's path sends every vertex by itself
// (immediate mode); the ratio says what a change of submission could gain. Such a change
// must keep the picture: compare its frame with this path's before taking it.
#include <GL/gl.h>
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <string>
#include <vector>

#include "bench/BenchScratch.h"
#include "codex/Archive.h"
#include "codex/Codex.h"
#include "codex/DtexTag.h"
#include "codex/LocalFolder.h"
#include "codex/MeshTag.h"
#include "foundation/PrefStore.h"
#include "gui/WindowSystem.h"
#include "platform/GLTexture.h"
#include "platform/Os.h"
#include "tagedit/DtexTextures.h"
#include "terrain/BlendCode.h"
#include "terrain/ui/ChunkTexture.h"
#include "terrain/ui/MeshEdit.h"
#include "tests/terrain/TerrainFixture.h"

namespace {

constexpr int kScreenW = 800, kScreenH = 600;
enum Mode { kColorOnly = 0, kDetailed = 1, kAllLayers = 2 };

bool OpenScreen()
{
    static int open = -1;
    if (open < 0) {
        OsUseRealBackend();
        open = OsInit() && OsOpenWindow(kScreenW, kScreenH, 0, 0);
        if (open) {
            InitGL();
            WindowSystem::Reset();
            WindowSystem::EnableGL(1);
            WindowSystem::Init();
            WindowSystem::OnWindowResize(kScreenW, kScreenH);
            WindowSystem::SetRunning(1);
            // The sample game's detail textures, in the build folder above this program's.
            char self[4096] = {};
            const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
            std::string game = n > 0 ? std::string(self, size_t(n)) : std::string("./x");
            game = game.substr(0, game.rfind('/')) + "/../";
            SetVornPath(game.c_str());
            OpenArchivesInFolder((game + "tags").c_str());
            OpenArchivesInFolder((game + "plugins").c_str());
            ActivateDefaultArchives();
            InstallDtexTextureHooks();
            // The editors' highlight colour table goes beside the benchmark's other scratch.
            SetHighlightTablePath((BenchScratchFolder() + "/dtex.act").c_str());
        }
    }
    return open == 1;
}

// A plain gradient per chunk, as big as the editor's own chunk textures.
void GiveChunkTextures(MeshEdit* e)
{
    const u32 side = ChunkTextureSize();
    std::vector<u8> texels(size_t(side) * side * 3);
    for (MeshChunk& chunk : e->model.chunks) {
        for (u32 y = 0; y < side; ++y)
            for (u32 x = 0; x < side; ++x) {
                u8* t = &texels[(size_t(y) * side + x) * 3];
                t[0] = u8(x + chunk.x0), t[1] = u8(y + chunk.z0), t[2] = 128;
            }
        UploadChunkTexture(nullptr, &chunk, texels.data(), side);
    }
    e->model.releaseChunk = ReleaseChunkTexture;
}

// Hills of chunks x chunks, four detail materials in patches, looked at from straight above.
MeshEdit* MakeEditor(u32 chunks, Mode mode)
{
    MeshEdit* e = new MeshEdit(nullptr);
    e->model.Load(MakeMesh(chunks, chunks,
                           [](u32 x, u32 z) { return s16(512 * 4 * std::sin(x * 0.07) * std::cos(z * 0.05)); }),
                  nullptr, 0, nullptr, nullptr);
    GiveChunkTextures(e);
    e->model.CreateDetailGrids();
    e->model.detailMapLoaded = 1;
    const u32 ids[4] = {FourCC("gras"), FourCC("ston"), FourCC("sand"), FourCC("dirt")};
    for (u32 m = 1; m <= 4; ++m) {
        e->materials.items[m].entry.dtex = ids[m - 1];
        e->RefreshMaterial(m, false);
    }
    const u32 W = e->model.Width(), H = e->model.Height();
    for (u32 z = 0; z < H; ++z)
        for (u32 x = 0; x < W; ++x) e->model.vertexGrid->Bytes()[size_t(z) * W + x] = u8(1 + (x / 5 + z / 7) % 4);
    e->model.CommitDetailGrids();
    e->overlayShown = 0;
    e->detailTextures = mode != kColorOnly;
    e->highlightMode = 2;
    for (u32 l = 0; l < 4; ++l) e->layerEnabled[l] = l == 0 || mode == kAllLayers;
    e->wireframe = mode == kAllLayers;
    e->camera.eye[0] = -float(W) / 2, e->camera.eye[2] = float(H) / 2;
    e->camera.eye[1] = 1.6f * float(W);
    e->camera.pitch = -89;
    e->camera.yaw = 0;
    e->Show();
    return e;
}

void EditorFrame(benchmark::State& state)
{
    if (!OpenScreen()) {
        state.SkipWithError("no display");
        return;
    }
    const u32 chunks = u32(state.range(0));
    MeshEdit* e = MakeEditor(chunks, Mode(state.range(1)));
    // The driver compiles its programs for the states of the first frames.
    for (int i = 0; i < 3; ++i) {
        WindowSystem::InvalidateAll();
        WindowSystem::RenderFrame();
        glFinish();
    }
    for (auto _ : state) {
        WindowSystem::InvalidateAll();
        WindowSystem::RenderFrame();
        glFinish();
    }
    state.counters["squares_drawn"] = e->renderedSquares;
    state.counters["budget_ms"] = 16;
    e->Close();
    WindowSystem::ProcessDeferredDeletes();
}
BENCHMARK(EditorFrame)
    ->ArgsProduct({{8, 16}, {kColorOnly, kDetailed, kAllLayers}})
    ->ArgNames({"chunks", "color0_detailed1_all2"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The floor's arrays: corner positions (x, height, z), colour-map and detail coordinates and
// colours, per draw: a texture for unit 0, one for unit 1 (0: unit 1 off), a primitive.
struct Batch {
    GLuint unit0 = 0, unit1 = 0;
    GLenum primitive = GL_TRIANGLES;
    bool lines = false, colorOnly = false;
    std::vector<float> xyz, st0, st1;
    std::vector<u8> rgba;
};

constexpr s32 kCorners[2][2][3][2] = {
    {{{0, 0}, {0, 1}, {1, 1}}, {{0, 0}, {1, 1}, {1, 0}}},
    {{{0, 0}, {0, 1}, {1, 0}}, {{1, 0}, {0, 1}, {1, 1}}},
};

void Corner(Batch& b, const MeshChunk& chunk, s32 x, s32 z, const u8 rgba[4], const DetailMaterial* m)
{
    const s32 lx = x - chunk.x0, lz = z - chunk.z0;
    b.xyz.insert(b.xyz.end(), {float(x), float(chunk.heights[lz * s32(kChunkVertices) + lx]), float(z)});
    b.st0.insert(b.st0.end(), {(16.0f * float(lx) + 1) / 514, (16.0f * float(lz) + 1) / 514});
    if (m) b.st1.insert(b.st1.end(), {-(float(x) * m->uRepeat), float(z) * m->vRepeat});
    b.rgba.insert(b.rgba.end(), rgba, rgba + 4);
}

// The same triangles, textures and passes as the editor's layers, grouped by texture.
std::vector<Batch> FloorBatches(MeshEdit* e, Mode mode)
{
    std::vector<Batch> batches;
    const u8 white[4] = {255, 255, 255, 255};
    for (const MeshChunk& chunk : e->model.chunks) {
        Batch base;
        base.unit0 = chunk.texture;
        std::vector<Batch> detail(128);
        for (s32 z = chunk.z0; z < chunk.z0 + s32(kChunkSquares); ++z)
            for (s32 x = chunk.x0; x < chunk.x0 + s32(kChunkSquares); ++x)
                for (u32 t = 0; t < 2; ++t) {
                    const auto& corners = kCorners[(x ^ z) & 1][t];
                    const BlendCode k = chunk.blendCodes[(u32(z - chunk.z0) * kChunkSquares + u32(x - chunk.x0)) * 2 + t];
                    if (mode == kColorOnly || (k & kBlendBasePass))
                        for (const auto& c : corners) Corner(base, chunk, x + c[0], z + c[1], white, nullptr);
                    if (mode == kColorOnly) continue;
                    for (u32 slot = 0; slot < 3; ++slot) {
                        const u32 mask = (k >> (3 * slot)) & 7;
                        if (!mask) break;
                        const u32 m = (k >> (9 + 7 * slot)) & 127;
                        const DetailMaterial& material = e->materials.items[m];
                        Batch& b = detail[m];
                        if (!b.unit0 && m && material.texture)
                            b.unit1 = static_cast<GLTexture*>(material.texture->GetTexture())->id;
                        b.unit0 = chunk.texture;
                        for (u32 i = 0; i < 3; ++i) {
                            const u8 rgba[4] = {255, 255, 255, u8((mask >> i) & 1 ? 255 : 0)};
                            Corner(b, chunk, x + corners[i][0], z + corners[i][1], rgba, &material);
                        }
                    }
                }
        batches.push_back(std::move(base));
        for (Batch& b : detail)
            if (!b.xyz.empty()) batches.push_back(std::move(b));
        if (mode != kAllLayers) continue;
        // The colouring, the wireframe and the centres: every triangle once more, twice as
        // lines, and a point each.
        Batch colours, wires, points;
        colours.colorOnly = wires.colorOnly = points.colorOnly = true;
        wires.lines = true;
        points.primitive = GL_POINTS;
        const u8 tint[4] = {200, 120, 40, 127}, red[4] = {255, 0, 0, 255};
        for (s32 z = chunk.z0; z < chunk.z0 + s32(kChunkSquares); ++z)
            for (s32 x = chunk.x0; x < chunk.x0 + s32(kChunkSquares); ++x)
                for (u32 t = 0; t < 2; ++t) {
                    const auto& corners = kCorners[(x ^ z) & 1][t];
                    for (const auto& c : corners) {
                        Corner(colours, chunk, x + c[0], z + c[1], tint, nullptr);
                        Corner(wires, chunk, x + c[0], z + c[1], red, nullptr);
                    }
                    Corner(points, chunk, x + corners[0][0], z + corners[0][1], red, nullptr);
                }
        batches.push_back(std::move(colours));
        batches.push_back(std::move(wires));
        batches.push_back(std::move(points));
    }
    return batches;
}

void DrawFloor(MeshEdit* e, const std::vector<Batch>& batches)
{
    const Rect c = e->GetContentRect();
    glViewport(c.left, kScreenH - c.bottom, c.Width(), c.Height());
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    e->SetupProjection();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    e->ApplyCameraRotation();
    glTranslatef(-e->camera.eye[0], -e->camera.eye[1], -e->camera.eye[2]);
    glScalef(-1, 1.0f / 512, 1);
    glFrontFace(GL_CW);
    glEnable(GL_CULL_FACE);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    for (const Batch& b : batches) {
        glVertexPointer(3, GL_FLOAT, 0, b.xyz.data());
        glColorPointer(4, GL_UNSIGNED_BYTE, 0, b.rgba.data());
        glActiveTexture(GL_TEXTURE0);
        glClientActiveTexture(GL_TEXTURE0);
        if (b.colorOnly) {
            glDisable(GL_TEXTURE_2D);
            glDisableClientState(GL_TEXTURE_COORD_ARRAY);
        } else {
            glEnable(GL_TEXTURE_2D);
            glBindTexture(GL_TEXTURE_2D, b.unit0);
            glEnableClientState(GL_TEXTURE_COORD_ARRAY);
            glTexCoordPointer(2, GL_FLOAT, 0, b.st0.data());
        }
        glActiveTexture(GL_TEXTURE1);
        glClientActiveTexture(GL_TEXTURE1);
        if (b.unit1) {
            glEnable(GL_TEXTURE_2D);
            glBindTexture(GL_TEXTURE_2D, b.unit1);
            glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE);
            glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB, GL_MODULATE);
            glTexEnvi(GL_TEXTURE_ENV, GL_RGB_SCALE, 2);
            glEnableClientState(GL_TEXTURE_COORD_ARRAY);
            glTexCoordPointer(2, GL_FLOAT, 0, b.st1.data());
        } else {
            glDisable(GL_TEXTURE_2D);
            glDisableClientState(GL_TEXTURE_COORD_ARRAY);
        }
        if (b.lines) glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
        glDrawArrays(b.primitive, 0, GLsizei(b.xyz.size() / 3));
        if (b.lines) glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    }
    glDisable(GL_TEXTURE_2D);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glActiveTexture(GL_TEXTURE0);
    glClientActiveTexture(GL_TEXTURE0);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisable(GL_CULL_FACE);
    glFinish();
}

void VertexArrayFloor(benchmark::State& state)
{
    if (!OpenScreen()) {
        state.SkipWithError("no display");
        return;
    }
    const Mode mode = Mode(state.range(1));
    MeshEdit* e = MakeEditor(u32(state.range(0)), mode);
    const std::vector<Batch> batches = FloorBatches(e, mode);
    size_t vertices = 0;
    for (const Batch& b : batches) vertices += b.xyz.size() / 3;
    for (int i = 0; i < 3; ++i) DrawFloor(e, batches);
    for (auto _ : state) DrawFloor(e, batches);
    state.counters["vertices_sent"] = double(vertices);
    e->Close();
    WindowSystem::ProcessDeferredDeletes();
}
BENCHMARK(VertexArrayFloor)
    ->ArgsProduct({{8, 16}, {kColorOnly, kDetailed, kAllLayers}})
    ->ArgNames({"chunks", "color0_detailed1_all2"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
