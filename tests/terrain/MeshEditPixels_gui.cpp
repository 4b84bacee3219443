// The terrain editor on a real screen (Xvfb): the sample delta drawn through the camera, the
// overlay in its colour with its shadow, the brush picked under the mouse with its outline,
// and a view without area.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "codex/Archive.h"
#include "codex/Codex.h"
#include "codex/DetailMap.h"
#include "codex/TagFiles.h"
#include "codex/LocalFolder.h"
#include "codex/TagGroups.h"
#include "foundation/DynArray.h"
#include "foundation/PrefStore.h"
#include "tagedit/TagEdit.h"
#include "terrain/ui/MeshEdit.h"
#include "tests/gui/PixelTestSupport.h"
#include "tests/common/TestDirs.h"

namespace {

constexpr u32 kMesh = FourCC("mesh");

class MeshEditPixels : public pixeltest::SkinnedScreen {
protected:
    MeshEditPixels() : SkinnedScreen(800, 600) {}
    void SetUp() override
    {
        SkinnedScreen::SetUp();
        if (!ready) return;
        const std::string game = std::string(TestBinaryDir()) + "/";
        SetVornPath(game.c_str());
        OpenArchivesInFolder((game + "tags").c_str());
        OpenArchivesInFolder((game + "plugins").c_str());
        ActivateDefaultArchives();
        ASSERT_TRUE(SetLocalFolder((game + "local").c_str()));
        SetTagGroupHandler(kMesh, NewMeshEditor);
    }
    void TearDown() override
    {
        if (ready) {
            WindowSystem::Reset();
            SetTagGroupHandler(kMesh, nullptr);
            EXPECT_TRUE(CloseCodex());
        }
        SkinnedScreen::TearDown();
    }
    MeshEdit* Open(const char* name)
    {
        ScopedDynArray<TagEntry*> list;
        ListGroupTags(kMesh, &list);
        for (TagEntry* e : list) {
            TagHeader h;
            GetTagHeader(e, &h);
            if (strcmp(h.name, name) == 0) return dynamic_cast<MeshEdit*>(OpenTagEditor(e));
        }
        return nullptr;
    }
    // Pixels of exactly the colour inside r.
    static int Count(const pixeltest::Shot& s, const Rect& r, pixeltest::Px colour)
    {
        int n = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) n += s.PixelAt(x, y) == colour;
        return n;
    }
};

TEST_F(MeshEditPixels, TheDeltaIsDrawnUnderTheOverlayWithItsShadow)
{
    MeshEdit* e = Open("Eastern Delta");
    ASSERT_TRUE(e);
    pixeltest::Shot shot = Render();
    const Rect c = e->content;
    // The terrain fills part of the view below the text; the chunks were culled and counted.
    int lit = 0;
    for (int y = c.top + 220; y < c.bottom; y += 3)
        for (int x = c.left; x < c.right; x += 3) lit += shot.Brightness(x, y) > 30;
    EXPECT_GT(lit, 500);
    EXPECT_GT(e->renderedSquares, 100u);

    // Looking straight down from above the middle, the terrain lies behind the text too.
    e->camera.eye[0] = -32, e->camera.eye[1] = 60, e->camera.eye[2] = 32;
    e->camera.pitch = -89;
    shot = Render();
    // The overlay: yellow glyphs, each with a black pixel below right of it unless the glyph
    // goes on there.
    const Rect text{c.left, c.top, c.left + 260, c.top + 200};
    const pixeltest::Px yellow{255, 224, 0};
    int glyph = 0, edges = 0, shadowed = 0;
    for (int y = text.top; y < text.bottom - 1; ++y)
        for (int x = text.left; x < text.right - 1; ++x) {
            if (shot.PixelAt(x, y) != yellow) continue;
            ++glyph;
            const pixeltest::Px next = shot.PixelAt(x + 1, y + 1);
            if (next.r > 150 && next.g > 120 && next.b < 100) continue;
            ++edges;
            shadowed += shot.Brightness(x + 1, y + 1) < 90;
        }
    EXPECT_GT(glyph, 200);
    EXPECT_GT(edges, 50);
    EXPECT_GT(shadowed, edges * 2 / 3);  // the rest are smoothed glyph edges
    int terrain = 0;
    for (int y = text.top; y < text.bottom; y += 4)
        for (int x = text.left; x < text.right; x += 4) terrain += shot.Brightness(x, y) > 90;
    EXPECT_GT(terrain, 1000);
    // With the overlay off the yellow goes.
    e->overlayShown = 0;
    shot = Render();
    EXPECT_EQ(Count(shot, text, yellow), 0);
}

// A chunk gets its colour texture when it is first drawn: the chunks behind the camera have
// none, and the picture is the one every chunk's texture made up front gives.
TEST_F(MeshEditPixels, ChunkColourTexturesAreMadeAsChunksComeIntoView)
{
    MeshEdit* e = Open("Eastern Delta");
    ASSERT_TRUE(e);
    // Low over one corner, looking out of the mesh: few chunks in view.
    e->camera.eye[0] = 1, e->camera.eye[1] = 3, e->camera.eye[2] = 1;
    e->camera.pitch = -10;
    e->camera.yaw = 225;
    Render();
    u32 made = 0;
    for (const MeshChunk& chunk : e->model.chunks) made += chunk.texture != 0;
    EXPECT_LT(made, e->model.chunks.count);
    // Back over the middle: the chunks now in view get theirs.
    e->camera.eye[0] = -32, e->camera.eye[1] = 60, e->camera.eye[2] = 32;
    e->camera.pitch = -89;
    e->camera.yaw = 0;
    const pixeltest::Shot lazily = Render();
    u32 nowMade = 0;
    for (const MeshChunk& chunk : e->model.chunks) nowMade += chunk.texture != 0;
    EXPECT_GT(nowMade, made);
    for (u32 k = 0; k < e->model.chunks.count; ++k) e->MakeChunkTexture(k);
    for (const MeshChunk& chunk : e->model.chunks) EXPECT_NE(chunk.texture, 0u);
    const pixeltest::Shot upFront = Render();
    const Rect c = e->content;
    int differing = 0, lit = 0;
    for (int y = c.top; y < c.bottom; ++y)
        for (int x = c.left; x < c.right; ++x) {
            differing += !(lazily.PixelAt(x, y) == upFront.PixelAt(x, y));
            lit += upFront.Brightness(x, y) > 30;
        }
    EXPECT_EQ(differing, 0);
    EXPECT_GT(lit, 1000);
}

TEST_F(MeshEditPixels, TheBrushFollowsTheMouseOnTheMeshAndItsOutlineIsDrawn)
{
    MeshEdit* e = Open("Eastern Delta");
    ASSERT_TRUE(e);
    e->overlayShown = 0;
    pixeltest::Shot plain = Render();
    const Rect c = e->content;
    // Find a pixel that shows the mesh and put the mouse there.
    int mx = -1, my = -1;
    for (int y = c.bottom - 60; y > c.top + 100 && mx < 0; y -= 10)
        for (int x = c.left + 40; x < c.right - 40 && mx < 0; x += 10)
            if (plain.Brightness(x, y) > 30) mx = x, my = y;
    ASSERT_GE(mx, 0);
    e->mouse[0] = mx - c.left;
    e->mouse[1] = my - c.top;
    e->mouseInView = 1;
    e->model.brush.radius = 4;
    Render();
    EXPECT_TRUE(e->model.IsOnMesh(e->model.brush.x, e->model.brush.z)) << e->model.brush.x << "," << e->model.brush.z;
    EXPECT_EQ(e->brushMoved, 1u);
    pixeltest::Shot outlined = Render();
    EXPECT_EQ(e->brushMoved, 1u);  // unchanged position: only the flag from before stays
    const Rect around{mx - 80, my - 80, mx + 80, my + 80};
    EXPECT_GT(plain.Diff(outlined, around), 40);
    EXPECT_GT(Count(outlined, around, pixeltest::Px{255, 255, 255}), 40);
    // Without the tool there is no outline.
    e->SetTool(kMeshNoTool);
    pixeltest::Shot noTool = Render();
    EXPECT_EQ(plain.Diff(noTool, around), 0);

    // Over the sky the brush is off the mesh.
    e->SetTool(kMeshDetailTool);
    e->mouse[0] = 5;
    e->mouse[1] = 5;
    Render();
    EXPECT_EQ(e->model.brush.x, -1);
    EXPECT_EQ(e->model.brush.z, -1);
    EXPECT_NE(std::string(e->OverlayText().c_str()).find("Brush Position: {-1.00, -1.00}"), std::string::npos);
}

// A drag scripted over the picture: at each mouse position the frame's picking places the
// brush, which paints; the saved detail map (in a local folder of the test's own) reads back
// equal to the grids, and what changed lies under the picked positions.
TEST_F(MeshEditPixels, ADragPaintsWhereThePictureIsPickedAndSavesIt)
{
    char pattern[] = "/tmp/tavik-mesh-pixels-XXXXXX";
    ASSERT_TRUE(mkdtemp(pattern));
    const std::string local = pattern;
    ASSERT_TRUE(SetLocalFolder(local.c_str()));
    MeshEdit* e = Open("Eastern Delta");
    ASSERT_TRUE(e);
    e->overlayShown = 0;
    std::vector<u8> original(e->model.vertexGrid->Bytes(), e->model.vertexGrid->Bytes() + 64 * 64);
    pixeltest::Shot plain = Render();
    const Rect c = e->content;
    int mx = -1, my = -1;
    for (int y = c.bottom - 80; y > c.top + 100 && mx < 0; y -= 10)
        for (int x = c.left + 60; x < c.left + 300 && mx < 0; x += 10)
            if (plain.Brightness(x, y) > 30 && plain.Brightness(x + 60, y) > 30) mx = x, my = y;
    ASSERT_GE(mx, 0);

    e->model.brush.material = 3;  // used nowhere in the sample
    e->model.brush.radius = 2;
    e->mouseInView = 1;
    e->model.BeginBrushStroke(0);
    std::vector<std::pair<float, float>> picked;
    for (int dx = 0; dx <= 60; dx += 12) {
        e->mouse[0] = mx + dx - c.left;
        e->mouse[1] = my - c.top;
        Render();
        const DetailBrush& b = e->model.brush;
        ASSERT_TRUE(e->model.IsOnMesh(b.x, b.z)) << dx;
        picked.emplace_back(b.x, b.z);
        e->model.PaintVertices(b.x, b.z, b.radius);
    }
    e->model.EndBrushStroke();
    e->SetModified(1);
    ASSERT_TRUE(e->SaveAndReport());

    TagEntry* entry = nullptr;
    ScopedDynArray<TagEntry*> list;
    ListGroupTags(FourCC("dmap"), &list);
    for (TagEntry* t : list) {
        TagHeader h;
        GetTagHeader(t, &h);
        if (strcmp(h.name, "Eastern Delta") == 0) entry = t;
    }
    ASSERT_TRUE(entry && entry->local_copy);
    TagHeader h;
    DetailMap* map = nullptr;
    if (FILE* f = OpenTag(entry, &h)) map = LoadDetailMap(f, &h);
    CloseTagReader(entry);
    ASSERT_TRUE(map);
    EXPECT_EQ(memcmp(map->bytePlane, e->model.vertexGrid->Bytes(), 64 * 64), 0);
    EXPECT_EQ(memcmp(map->pairPlane, e->model.triangleGrid->Bytes(), 64 * 64 * 2), 0);
    u32 changed = 0;
    for (u32 z = 0; z < 64; ++z)
        for (u32 x = 0; x < 64; ++x) {
            if (map->bytePlane[z * 64 + x] == original[z * 64 + x]) continue;
            ++changed;
            EXPECT_EQ(map->bytePlane[z * 64 + x], 3);
            float nearest = 1e9f;
            for (const auto& p : picked) nearest = std::min(nearest, std::hypot(p.first - float(x), p.second - float(z)));
            EXPECT_LE(nearest, 2.0f) << x << "," << z << " is under no picked position";
        }
    EXPECT_GT(changed, 10u);
    for (const auto& p : picked) EXPECT_EQ(map->bytePlane[u32(std::lround(p.second)) * 64 + u32(std::lround(p.first))], 3);
    FreeDmap(map);
    delete map;
    WindowSystem::Reset();
    std::filesystem::remove_all(local);
}

TEST_F(MeshEditPixels, AViewWithoutAreaDrawsNoTerrain)
{
    MeshEdit* e = Open("Eastern Delta");
    ASSERT_TRUE(e);
    e->mouseInView = 1;
    e->mouse[0] = e->mouse[1] = 0;
    e->SetContentSize(300, 0);
    Render();
    EXPECT_EQ(e->renderedSquares, 0u);
    EXPECT_EQ(e->model.brush.x, -1);
    e->SetContentSize(0, 200);
    Render();
    EXPECT_EQ(e->renderedSquares, 0u);
    e->SetContentSize(300, 200);
    Render();
    EXPECT_GT(e->renderedSquares, 0u);
}

}  // namespace

// The right button's tool menu is drawn with its corner at the pointer, over the view.
TEST_F(MeshEditPixels, TheToolMenuIsDrawnAtThePointer)
{
    MeshEdit* e = Open("Eastern Delta");
    ASSERT_TRUE(e);
    e->MoveTo(40, 30);
    const Rect c = e->GetContentRect();
    const Point pointer = {c.left + 120, c.top + 150};
    pixeltest::ExpectMenuDrawnAtPointer(e, Render(), pointer);
}
