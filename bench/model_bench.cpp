// Models of 65,000 triangles: the 3D view's far-to-near order beside a bare stable sort of the
// depths (the floor), one viewer frame beside a vertex-array draw of the same triangles (needs
// a display, e.g. xvfb-run; the budget is 16 ms), the import beside reading the object alone,
// and the export beside a plain write of the same bytes. Peak memory is reported as maxrss_kb.
// The export of 2,000 same-named surfaces over 20,000 triangles: its names alone and the
// whole object in memory.
#include <GL/gl.h>
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "codex/Archive.h"
#include "codex/LocalFolder.h"
#include "foundation/Log.h"
#include "foundation/PrefStore.h"
#include "foundation/SaveFile.h"
#include "model/DepthList.h"
#include "model/LwoExport.h"
#include "model/ModelImport.h"
#include "model/ui/View3D.h"
#include "platform/GLTexture.h"
#include "platform/Os.h"

namespace {

constexpr u32 kTriangles = 65000;

double PeakKb()
{
    rusage u = {};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_maxrss);
}

// A strip-like sheet of kTriangles triangles over 32,502 points inside the range a geometry
// stores, depths with many ties.
RenderModel* BigModel()
{
    RenderModel* m = NewRenderModel();
    const u32 columns = kTriangles / 2 + 1;
    for (u32 i = 0; i < columns; ++i)
        for (u32 row = 0; row < 2; ++row) {
            RenderVertex v = {};
            v.position[0] = -40.0f + 80.0f * float(i) / float(columns);
            v.position[1] = float(row) + std::sin(float(i)) * 0.5f;
            v.position[2] = std::cos(float(i) * 0.01f) * 10.0f;
            m->vertices.Push(v);
        }
    std::mt19937 random(7);
    for (u32 t = 0; t < kTriangles; ++t) {
        RenderTriangle tri = {};
        tri.model = m;
        tri.color = 0xFFFFFFFFu;
        const u32 base = (t / 2) * 2;
        const u32 corners[2][3] = {{base, base + 1, base + 2}, {base + 1, base + 3, base + 2}};
        for (int k = 0; k < 3; ++k) {
            tri.corner[k].vertex = s32(corners[t & 1][k]);
            tri.corner[k].u = float(k) / 2;
            tri.corner[k].v = float(t & 1);
        }
        tri.sortDepth = float(random() % 4096) / 4096.0f;
        m->triangles.Push(tri);
    }
    AddRenderMaterial(m)->surfaceName = "Sheet";
    return m;
}

void DepthListOrder(benchmark::State& state)
{
    RenderModel* m = BigModel();
    std::vector<float> depths;
    for (const RenderTriangle& t : m->triangles) depths.push_back(t.sortDepth);
    DynArray<RenderTriangle*> scratch = {};
    DepthList list = {};
    for (auto _ : state) {
        for (u32 i = 0; i < kTriangles; ++i) m->triangles.data[i].sortDepth = depths[i];
        BuildDepthList(&list, &m, 1, &scratch);
        benchmark::DoNotOptimize(list.head);
    }
    scratch.Free();
    DeleteRenderModel(m);
}
BENCHMARK(DepthListOrder)->Unit(benchmark::kMillisecond);

void StableSortOfDepthsFloor(benchmark::State& state)
{
    RenderModel* m = BigModel();
    std::vector<float> depths, work;
    for (const RenderTriangle& t : m->triangles) depths.push_back(t.sortDepth);
    DeleteRenderModel(m);
    for (auto _ : state) {
        work = depths;
        std::stable_sort(work.begin(), work.end(), [](float a, float b) { return a > b; });
        benchmark::DoNotOptimize(work.data());
    }
}
BENCHMARK(StableSortOfDepthsFloor)->Unit(benchmark::kMillisecond);

// The viewer's frame and the floor need a real OpenGL window.
bool OpenScreen()
{
    static int open = -1;
    if (open < 0) {
        OsUseRealBackend();
        open = OsInit() && OsOpenWindow(800, 600, 0, 0);
        if (open) InitGL();
    }
    return open == 1;
}

void ViewerFrame(benchmark::State& state)
{
    if (!OpenScreen()) {
        state.SkipWithError("no display");
        return;
    }
    RenderModel* m = BigModel();
    View3D view(nullptr);
    view.AddModel(m);
    view.SetDistance(60);
    glViewport(0, 0, 800, 600);
    glEnable(GL_DEPTH_TEST);
    view.Draw();  // the driver compiles its programs for the first frame's state
    glFinish();
    for (auto _ : state) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        view.Draw();
        glFinish();
    }
    state.counters["budget_ms"] = 16;
    DeleteRenderModel(m);
}
BENCHMARK(ViewerFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

void VertexArrayDrawFloor(benchmark::State& state)
{
    if (!OpenScreen()) {
        state.SkipWithError("no display");
        return;
    }
    RenderModel* m = BigModel();
    std::vector<float> xyz;
    for (const RenderTriangle& t : m->triangles)
        for (const RenderCorner& c : t.corner)
            xyz.insert(xyz.end(), m->vertices.data[c.vertex].position, m->vertices.data[c.vertex].position + 3);
    DeleteRenderModel(m);
    glViewport(0, 0, 800, 600);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-0.55, 0.55, -0.41, 0.41, 1, 256);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(0, 0, -60);
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, xyz.data());
    glDrawArrays(GL_TRIANGLES, 0, GLsizei(xyz.size() / 3));
    glFinish();
    for (auto _ : state) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glDrawArrays(GL_TRIANGLES, 0, GLsizei(xyz.size() / 3));
        glFinish();
    }
    glDisableClientState(GL_VERTEX_ARRAY);
}
BENCHMARK(VertexArrayDrawFloor)->Unit(benchmark::kMillisecond)->UseRealTime();

struct Scratch {
    std::string root;
    std::string object;
    Scratch()
    {
        char pattern[] = "/tmp/tavik-model-bench-XXXXXX";
        root = mkdtemp(pattern) ? pattern : "/tmp";
        object = root + "/Sheet.lwo";
        RenderModel* m = BigModel();
        ExportModelToLwo(m, root.c_str(), "Sheet");
        DeleteRenderModel(m);
    }
    ~Scratch() { std::filesystem::remove_all(root); }
};

Scratch& Files()
{
    static Scratch s;
    return s;
}

void ImportOf65000Triangles(benchmark::State& state)
{
    Scratch& s = Files();
    std::string game = s.root + "/game/";
    SetVornPath(game.c_str());
    SetLocalFolder((game + "local/").c_str());
    SetLogSink([](void*, u32, const char*, const char*) {}, nullptr);
    for (auto _ : state) {
        TagEntry* e = ImportModel(s.object.c_str(), s.root.c_str(), "Sheet");
        if (!e) state.SkipWithError("import failed");
    }
    CloseCodex();
    SetLogSink(nullptr, nullptr);
    state.counters["maxrss_kb"] = PeakKb();
}
BENCHMARK(ImportOf65000Triangles)->Unit(benchmark::kMillisecond);

void ReadObjectFloor(benchmark::State& state)
{
    Scratch& s = Files();
    for (auto _ : state) {
        LwoObject* o = LwoReadObject(s.object.c_str(), nullptr, nullptr);
        if (!o) state.SkipWithError("read failed");
        LwoFreeObject(o);
    }
}
BENCHMARK(ReadObjectFloor)->Unit(benchmark::kMillisecond);

void ExportOf65000Triangles(benchmark::State& state)
{
    Scratch& s = Files();
    RenderModel* m = BigModel();
    for (auto _ : state)
        if (!ExportModelToLwo(m, s.root.c_str(), "Out")) state.SkipWithError("export failed");
    DeleteRenderModel(m);
    state.counters["maxrss_kb"] = PeakKb();
}
BENCHMARK(ExportOf65000Triangles)->Unit(benchmark::kMillisecond);

// 2,000 materials all named "Rock" over 20,000 triangles: the surface names are made
// different ("Rock 2" ... "Rock 2000") and every material gets its VMAD of UVs.
RenderModel* ManySurfaces()
{
    RenderModel* m = NewRenderModel();
    for (u32 i = 0; i < 3; ++i) {
        RenderVertex v = {};
        v.position[0] = float(i);
        v.position[1] = float(i & 1);
        m->vertices.Push(v);
    }
    for (u32 k = 0; k < 2000; ++k) {
        RenderMaterial* mat = AddRenderMaterial(m);
        mat->surfaceName = "Rock";
        mat->textureFileName = "rock";
    }
    for (u32 i = 0; i < 20000; ++i) {
        RenderTriangle t = {};
        t.model = m;
        t.material = s32(i % 2000);
        for (u32 c = 0; c < 3; ++c) t.corner[c].vertex = s32(c);
        m->triangles.Push(t);
    }
    return m;
}

void SurfaceNamesOf2000SameNamedMaterials(benchmark::State& state)
{
    RenderModel* m = ManySurfaces();
    for (auto _ : state) {
        DynArray<String> names = {};
        bool extra = false;
        LwoExportSurfaceNames(m, &names, &extra);
        if (names.count != 2000) state.SkipWithError("wrong names");
        names.Clear();
        names.Free();
    }
    DeleteRenderModel(m);
}
BENCHMARK(SurfaceNamesOf2000SameNamedMaterials)->Unit(benchmark::kMillisecond);

void ObjectOf2000Surfaces(benchmark::State& state)
{
    RenderModel* m = ManySurfaces();
    for (auto _ : state) {
        LwoWriter writer;
        if (!BuildLwoObject(m, &writer)) state.SkipWithError("build failed");
        benchmark::DoNotOptimize(writer.bytes.data);
    }
    DeleteRenderModel(m);
}
BENCHMARK(ObjectOf2000Surfaces)->Unit(benchmark::kMillisecond);

void PlainWriteFloor(benchmark::State& state)
{
    Scratch& s = Files();
    RenderModel* m = BigModel();
    LwoWriter writer;
    BuildLwoObject(m, &writer);
    DeleteRenderModel(m);
    std::string path = s.root + "/Plain.lwo";
    for (auto _ : state) {
        SaveFile save;
        save.Begin(path.c_str());
        save.Write(writer.bytes.data, writer.bytes.count);
        if (!save.Commit()) state.SkipWithError("write failed");
    }
}
BENCHMARK(PlainWriteFloor)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
