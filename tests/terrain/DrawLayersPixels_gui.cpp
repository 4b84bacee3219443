// The terrain's draw layers on a real screen (Xvfb): a flat one-chunk mesh with a plain
// colour texture seen straight down from a fixed camera, probed at the view's middle for the
// colour-only and detailed surfaces, the data colourings, the wireframe and the centres.
#include <GL/gl.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "codex/Archive.h"
#include "codex/Codex.h"
#include "codex/DtexTag.h"
#include "codex/LocalFolder.h"
#include "codex/TagGroups.h"
#include "foundation/DynArray.h"
#include "foundation/PrefStore.h"
#include "tagedit/DtexTextures.h"
#include "terrain/ui/MeshEdit.h"
#include "tests/gui/PixelTestSupport.h"
#include "tests/terrain/TerrainFixture.h"
#include "tests/common/TestDirs.h"

namespace {

using pixeltest::Px;

constexpr Px kColorMap{100, 150, 200};

class DrawLayersPixels : public pixeltest::SkinnedScreen {
protected:
    DrawLayersPixels() : SkinnedScreen(800, 600) {}
    void SetUp() override
    {
        SkinnedScreen::SetUp();
        if (!ready) return;
        const std::string game = std::string(TestBinaryDir()) + "/";
        SetVornPath(game.c_str());
        OpenArchivesInFolder((game + "tags").c_str());
        OpenArchivesInFolder((game + "plugins").c_str());
        ActivateDefaultArchives();
        InstallDtexTextureHooks();
        editor = MakeEditor();
    }
    void TearDown() override
    {
        if (ready) {
            WindowSystem::Reset();
            editor = nullptr;
            RemoveDtexTextureHooks();
            EXPECT_TRUE(CloseCodex());
        }
        SkinnedScreen::TearDown();
    }
    // A one-chunk flat mesh whose colour texture is kColorMap everywhere, with empty detail
    // grids, looked at straight down over its middle.
    MeshEdit* MakeEditor()
    {
        ScopedDynArray<TagEntry*> list;
        ListGroupTags(FourCC("mesh"), &list);
        if (!list.count) return nullptr;
        MeshEdit* e = static_cast<MeshEdit*>(NewMeshEditor(list[0]));
        e->model.Load(MakeFlatMesh(1, 1), nullptr, 0, nullptr, nullptr);
        MeshChunk& chunk = e->model.chunks.data[0];
        const u8 texels[4 * 3] = {100, 150, 200, 100, 150, 200, 100, 150, 200, 100, 150, 200};
        glGenTextures(1, &chunk.texture);
        glBindTexture(GL_TEXTURE_2D, chunk.texture);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 2, 2, 0, GL_RGB, GL_UNSIGNED_BYTE, texels);
        e->model.CreateDetailGrids();
        e->model.detailMapLoaded = 1;
        e->overlayShown = 0;
        e->camera.eye[0] = -16, e->camera.eye[1] = 12, e->camera.eye[2] = 16;
        e->camera.pitch = -89;
        e->Show();
        return e;
    }
    void SetBlendCodes(BlendCode k)
    {
        MeshChunk& chunk = editor->model.chunks.data[0];
        for (BlendCode& code : chunk.blendCodes) code = k;
    }
    void SetFlags(u16 flags)
    {
        MeshTagData* mesh = editor->model.mesh;
        for (u32 i = 0; i < mesh->columns * mesh->rows; ++i) mesh->cells[i].flags = flags;
    }
    // A plain detail texture of one colour on material m.
    void GiveTexture(u32 m, Px color)
    {
        editor->materials.items[m].entry.dtex = FourCC("gras");
        editor->RefreshMaterial(m, false);
        DtexTag* t = editor->materials.items[m].texture;
        ASSERT_TRUE(t);
        std::vector<u8> rgb(8 * 8 * 3);
        for (u32 i = 0; i < 64; ++i) rgb[i * 3] = color.r, rgb[i * 3 + 1] = color.g, rgb[i * 3 + 2] = color.b;
        ASSERT_EQ(t->SetPixels(rgb.data(), 8, 8), 1);
    }
    // The mean colour of the 60 x 60 pixels around the view's middle.
    Px Middle()
    {
        const pixeltest::Shot shot = Render();
        const Rect c = editor->content;
        const int cx = (c.left + c.right) / 2, cy = (c.top + c.bottom) / 2;
        long sum[3] = {};
        int n = 0;
        for (int y = cy - 30; y < cy + 30; ++y)
            for (int x = cx - 30; x < cx + 30; ++x) {
                const Px p = shot.PixelAt(x, y);
                sum[0] += p.r, sum[1] += p.g, sum[2] += p.b;
                ++n;
            }
        return Px{int(sum[0] / n), int(sum[1] / n), int(sum[2] / n)};
    }
    // Pixels of the view's middle 200 x 200 for which test holds.
    template <typename Test>
    int CountMiddle(Test test)
    {
        const pixeltest::Shot shot = Render();
        const Rect c = editor->content;
        const int cx = (c.left + c.right) / 2, cy = (c.top + c.bottom) / 2;
        int n = 0;
        for (int y = cy - 100; y < cy + 100; ++y)
            for (int x = cx - 100; x < cx + 100; ++x) n += test(shot.PixelAt(x, y));
        return n;
    }
    MeshEdit* editor = nullptr;
};

::testing::AssertionResult NearPx(Px got, Px want)
{
    if (std::abs(got.r - want.r) <= 6 && std::abs(got.g - want.g) <= 6 && std::abs(got.b - want.b) <= 6)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << got.r << "," << got.g << "," << got.b << " where " << want.r << ","
                                         << want.g << "," << want.b << " was expected";
}
#define EXPECT_NEAR_PX(got, want) EXPECT_TRUE(NearPx(got, want))

TEST_F(DrawLayersPixels, TheTexturedSurfaceColourOnlyAndDetailed)
{
    ASSERT_TRUE(editor);
    // Colour only: the colour texture, whatever the blend codes say.
    editor->detailTextures = 0;
    EXPECT_NEAR_PX(Middle(), kColorMap);
    EXPECT_GT(editor->renderedSquares, 100u);

    // Detailed with blend code 0 draws nothing; with the base-pass bit, the plain colour.
    editor->detailTextures = 1;
    SetBlendCodes(0);
    EXPECT_NEAR_PX(Middle(), (Px{0, 0, 0}));
    SetBlendCodes(kBlendBasePass);
    EXPECT_NEAR_PX(Middle(), kColorMap);

    // A material on every corner (mask 7) with a texture covers the triangle: the colour
    // modulated by the detail texel, doubled.
    GiveTexture(5, Px{64, 128, 255});
    SetBlendCodes(5u << 9 | 7);
    EXPECT_NEAR_PX(Middle(), (Px{50, 150, 255}));

    // A material without a texture draws the colour texture, faded in from its corners: on
    // one corner of three, a third of it on average.
    SetBlendCodes(6u << 9 | 7);
    EXPECT_NEAR_PX(Middle(), kColorMap);
    SetBlendCodes(6u << 9 | 1);
    const Px faded = Middle();
    EXPECT_GT(faded.b, 30);
    EXPECT_LT(faded.b, 130);
}

TEST_F(DrawLayersPixels, TheDataColouringsByMaterialTerrainTypeAndReflectivity)
{
    ASSERT_TRUE(editor);
    editor->detailTextures = 0;
    editor->layerEnabled[1] = 1;
    SetBlendCodes(kBlendBasePass | 3u << 9 | 7);
    // "Texture Index" with nothing highlighted: no data layer at all.
    editor->highlightMode = 0;
    EXPECT_NEAR_PX(Middle(), kColorMap);
    editor->materials.highlight[3] = Rgb{255, 0, 0};
    editor->materials.items[3].highlighted = 1;
    // Half the red over the colour.
    EXPECT_NEAR_PX(Middle(), (Px{177, 75, 100}));

    // "Terrain Type": triangle 0 from the high nibble (5, FF3030), triangle 1 from the low (14, 209020).
    editor->highlightMode = 2;
    SetFlags(u16(5 << 4 | 14));
    const int red = CountMiddle([](Px p) { return p.r > 150 && p.g < 120; });
    const int green = CountMiddle([](Px p) { return p.g > 100 && p.r < 80; });
    EXPECT_GT(red, 12000);
    EXPECT_GT(green, 12000);
    EXPECT_GT(red + green, 36000);

    // "Reflectivity": only triangle 0 of squares with flag 0x800, in the table's colour 0.
    editor->highlightMode = 1;
    editor->materials.highlight[0] = Rgb{255, 255, 0};
    SetFlags(0x800);
    const int tinted = CountMiddle([](Px p) { return p.r > 150 && p.b < 150; });
    EXPECT_GT(tinted, 12000);
    EXPECT_LT(tinted, 28000);
    SetFlags(0);
    EXPECT_NEAR_PX(Middle(), kColorMap);
}

TEST_F(DrawLayersPixels, WireframeMarksExplicitTriangleMaterialsAndCentresArePoints)
{
    ASSERT_TRUE(editor);
    editor->detailTextures = 0;
    auto red = [](Px p) { return p.r > 200 && p.g < 60 && p.b < 60; };
    auto yellow = [](Px p) { return p.r > 200 && p.g > 200 && p.b < 60; };
    EXPECT_EQ(CountMiddle(red), 0);
    editor->wireframe = 1;
    editor->layerEnabled[2] = 1;
    EXPECT_GT(CountMiddle(red), 500);
    EXPECT_EQ(CountMiddle(yellow), 0) << "no triangle has its own material";
    u8* triangles = editor->model.triangleGrid->Bytes();
    for (u32 z = 14; z < 18; ++z)
        for (u32 x = 14; x < 18; ++x) triangles[(z * 32 + x) * 2 + 1] = 4;
    EXPECT_GT(CountMiddle(yellow), 50);

    editor->layerEnabled[2] = 0;
    auto white = [](Px p) { return p.r > 240 && p.g > 240 && p.b > 240; };
    EXPECT_EQ(CountMiddle(white), 0);
    editor->layerEnabled[3] = 1;
    EXPECT_GT(CountMiddle(white), 60);
}

// The surface is drawn from arrays kept per chunk: whatever changes the chunk between frames
// shows in the next, and changing it back gives back the very same picture.
TEST_F(DrawLayersPixels, TheSurfaceFollowsEveryChangeToItsChunkBetweenFrames)
{
    ASSERT_TRUE(editor);
    MeshChunk& chunk = editor->model.chunks.data[0];
    const std::vector<s16> flat(std::begin(chunk.heights), std::end(chunk.heights));
    auto raiseHalf = [&] {
        for (u32 i = 0; i < kChunkVertices * kChunkVertices / 2; ++i) chunk.heights[i] = 512 * 20;  // above the eye
    };
    auto lower = [&] { std::copy(flat.begin(), flat.end(), chunk.heights); };
    GiveTexture(5, Px{64, 128, 255});
    for (u32 detailed = 0; detailed < 2; ++detailed) {
        SCOPED_TRACE(detailed ? "detailed" : "colour only");
        editor->detailTextures = detailed;
        SetBlendCodes(kBlendBasePass);
        const std::vector<u8> before = Render().px;
        EXPECT_NEAR_PX(Middle(), kColorMap);

        SetBlendCodes(5u << 9 | 7);
        EXPECT_NEAR_PX(Middle(), (detailed ? Px{50, 150, 255} : kColorMap));
        SetBlendCodes(kBlendBasePass);
        EXPECT_TRUE(Render().px == before);

        raiseHalf();
        EXPECT_FALSE(Render().px == before);
        lower();
        EXPECT_TRUE(Render().px == before);

        // The wave moves the corners while it runs; stopped, they are back where they were.
        editor->model.LoadMediaWaves(nullptr);
        for (u32 i = 0; i < editor->model.mesh->columns * editor->model.mesh->rows; ++i)
            editor->model.mesh->cells[i].flags |= kCellMediaWave;
        editor->model.mediaAnimation = 1;
        editor->model.frameCounter = 40;
        Render();
        editor->model.mediaAnimation = 0;
        EXPECT_TRUE(Render().px == before);
        SetFlags(0);
    }
}

}  // namespace
