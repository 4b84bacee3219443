// The geometry viewer opened on 'geom' tags: loading, the reset view, the read-only save, and
// (under Xvfb) what it draws.
#include <GL/gl.h>

#include <cmath>

#include "codex/CoreTag.h"
#include "collection/Collection.h"
#include "model/ui/GeomEdit.h"
#include "model/ui/View3D.h"
#include "model/ui/ViewTransformButton.h"
#include "tests/model/TagWriting.h"
#include "tests/gui/PixelTestSupport.h"
#include "tests/tagedit/TagEditSupport.h"

namespace {

const u32 kGeom = FourCC("geom");

// A 2 x 2 square facing the view (render x and y from -1 to 1 at z = 0) in two triangles of
// surface 0, or all four corners at one point.
u32 WriteSquareGeometry(const char* name, u32 core, bool onePoint = false)
{
    return WriteNewTag(kGeom, name, [core, onePoint](FILE* f, TagHeader* h) {
        Geometry g;
        InitGeom(&g);
        const float lo[3] = {-1, -1, 0}, hi[3] = {1, 1, 0}, pivot[3] = {0, 0, 0};
        SetGeomHeader(&g, 0, core, lo, hi, pivot);
        ResizeGeomSurfaces(&g, 1);
        SetGeomSurface(&g, 0, "Face", 0);
        const float corners[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
        ResizeGeomVertices(&g, 4);
        for (u32 i = 0; i < 4; ++i)
            SetGeomVertex(&g, i, onePoint ? 0.5f : corners[i][0], onePoint ? 0.5f : corners[i][1], 0);
        ResizeGeomTrianglesZeroed(&g, 2);
        const u16 tris[2][3] = {{0, 1, 2}, {0, 2, 3}};
        for (u32 t = 0; t < 2; ++t) {
            for (u32 c = 0; c < 3; ++c)
                SetGeomCorner(&g, t, c, tris[t][c], (corners[tris[t][c]][0] + 1) / 2, (1 - corners[tris[t][c]][1]) / 2);
            SetGeomTriangle(&g, t, 0, 0, 1.0f);
        }
        bool ok = WriteGeomTag(&g, f, h) != 0;
        FreeGeom(&g);
        return ok;
    });
}

// A collection whose only sequence shows an 8 x 8 bitmap of colour 5 (250, 10, 20), and the
// 'core' naming it; answers the core's id.
u32 WriteRedCollectionAndCore()
{
    u32 collection = WriteNewTag(FourCC(".256"), "Red", [](FILE* f, TagHeader* h) {
        Collection c;
        ColorTableEntry colors[256] = {};
        colors[5] = {250, 10, 20};
        c.SetColorTable(colors, 256);
        u8 pixels[8 * 8 * 2];
        for (u32 i = 0; i < 64; ++i) pixels[i * 2] = 255, pixels[i * 2 + 1] = 5;
        CollectionBitmap* b = c.AddBitmap("Red", 0, pixels, 8, 8, 2, nullptr);
        c.AddSequence("Face")->GetFrameView(0, 0).bitmap = b;
        return c.Write(f, h) != 0;
    });
    return WriteNewTag(FourCC("core"), "Red", [collection](FILE* f, TagHeader*) {
        CoreTagData core = {};
        core.collection = collection;
        return WriteCoreTag(&core, f) != 0;
    });
}

class GeomEditTest : public tetest::TagEditFixture {
protected:
    void SetUp() override
    {
        TagEditFixture::SetUp();
        Register(kGeom, NewGeomEditor);
        StartDatabase();
    }
    std::string GeomFile(const char* name) const { return Local() + "geometries/" + name; }
};

TEST_F(GeomEditTest, AGeometryOpensInTheViewerLookingAtItsBoxWithTheButtonsTopRight)
{
    u32 id = WriteSquareGeometry("Square", kNoTagId);
    GeomEdit* ed = static_cast<GeomEdit*>(OpenTagEditor(FindTag(kGeom, id)));
    ASSERT_NE(ed, nullptr);
    EXPECT_STREQ("GeomEdit", ed->GetClassName());
    ASSERT_NE(ed->model, nullptr);
    EXPECT_EQ(2u, ed->model->triangles.count);
    EXPECT_EQ(4u, ed->model->vertices.count);
    EXPECT_EQ(1u, ed->model->materials.count);
    EXPECT_FLOAT_EQ(std::sqrt(8.0f), ed->diagonal);
    EXPECT_FLOAT_EQ(1.5f * std::sqrt(8.0f), ed->view->distance);
    EXPECT_FLOAT_EQ(0.0f, ed->view->target[0]);
    const char* titles[3] = {"Pan", "Rotate", "Zoom"};
    ViewTransformButton* buttons[3] = {ed->panButton, ed->rotateButton, ed->zoomButton};
    for (int i = 0; i < 3; ++i) {
        EXPECT_STREQ(titles[i], buttons[i]->GetTitle());
        EXPECT_EQ(ed->content.right - 15 * (3 - i), buttons[i]->content.left) << titles[i];
        EXPECT_EQ(ed->content.top, buttons[i]->content.top);
        EXPECT_EQ(15, buttons[i]->content.Width());
    }
    EXPECT_STREQ("ViewTransformButton", ed->zoomButton->GetClassName());
    // A drag leaves the view where it went; the reset brings it back.
    ed->view->Zoom(32, 0);
    ed->view->CommitDrag();
    ed->ResetView();
    EXPECT_FLOAT_EQ(1.5f * std::sqrt(8.0f), ed->view->distance);
}

TEST_F(GeomEditTest, CtrlSCannotSaveAndLeavesTheTagFileAsItWas)
{
    u32 id = WriteSquareGeometry("Square", kNoTagId);
    const Bytes before = ReadFile(GeomFile("Square"));
    ASSERT_FALSE(before.empty());
    ASSERT_NE(OpenTagEditor(FindTag(kGeom, id)), nullptr);
    Answer(0);
    CtrlS();
    ASSERT_EQ(1u, tetest::Seen().size());
    EXPECT_EQ("The save operation could not be completed.", tetest::Seen()[0].text);
    EXPECT_EQ(before, ReadFile(GeomFile("Square")));
}

TEST_F(GeomEditTest, AnUnreadableGeometryIsNotLoadedAndASinglePointResetsToDistanceZero)
{
    WriteLocalTag("geometries", "Short", "Short", kGeom, FourCC("shrt"), Bytes(40, 0));
    PollLocalFolder(true);
    Answer(0);
    EXPECT_EQ(nullptr, OpenTagEditor(FindTag(kGeom, FourCC("shrt"))));
    ASSERT_EQ(1u, tetest::Seen().size());
    EXPECT_EQ("The tag could not be loaded.", tetest::Seen()[0].text);

    u32 id = WriteSquareGeometry("Dot", kNoTagId, true);
    GeomEdit* ed = static_cast<GeomEdit*>(OpenTagEditor(FindTag(kGeom, id)));
    ASSERT_NE(ed, nullptr);
    EXPECT_EQ(0.0f, ed->resetDistance);
    EXPECT_EQ(0.0f, ed->view->distance);
    EXPECT_FLOAT_EQ(0.5f, ed->view->target[0]);
    EXPECT_FLOAT_EQ(0.5f, ed->view->target[1]);
}

TEST_F(GeomEditTest, ExportLwoWritesTheObjectWhereTheUserChoseAndShowsAFailure)
{
    u32 id = WriteSquareGeometry("Square", kNoTagId);
    GeomEdit* ed = static_cast<GeomEdit*>(OpenTagEditor(FindTag(kGeom, id)));
    ASSERT_NE(ed, nullptr);
    TempFolder out("tavik-geom-export");
    FakeOsDialogAnswer answer;
    answer.paths[0] = out.path.c_str();
    FakeOsQueueDialogAnswer(answer);
    ed->ExportLwo();
    ASSERT_NE(FakeOsLastDialog(), nullptr);
    EXPECT_STREQ("Choose a destination folder", FakeOsLastDialog()->title.c_str());
    EXPECT_EQ(3, FakeOsLastDialog()->kind);
    EXPECT_TRUE(tetest::Seen().empty());
    const Bytes written = ReadFile(out / "Square.lwo");
    ASSERT_GT(written.size(), 12u);
    EXPECT_EQ("FORM", std::string(written.begin(), written.begin() + 4));

    // A folder that cannot be made (a file stands there) keeps nothing and says so.
    const std::string blocked = out / "Square.lwo";
    answer.paths[0] = blocked.c_str();
    FakeOsQueueDialogAnswer(answer);
    Answer(0);
    ed->ExportLwo();
    ASSERT_EQ(1u, tetest::Seen().size());
    EXPECT_EQ("Error", tetest::Seen()[0].title);
    EXPECT_NE(std::string::npos, tetest::Seen()[0].text.find("could not be written"));
    EXPECT_EQ(written, ReadFile(out / "Square.lwo"));
    EXPECT_EQ(0u, FakeOsUnexpectedDialogCount());
}

// The viewer on a real screen: the textured square in the middle, the counts at the top left
// and the three icons at the top right.
class GeomEditPixels : public pixeltest::SkinnedScreen {
protected:
    GeomEditPixels() : SkinnedScreen(640, 560) {}
    void SetUp() override
    {
        SkinnedScreen::SetUp();
        if (!ready) return;
        root = std::string(folder.path) + "/";
        SetVornPath(root.c_str());
        ASSERT_TRUE(SetLocalFolder((root + "local").c_str()));
        SetTagGroupHandler(kGeom, NewGeomEditor);
    }
    void TearDown() override
    {
        if (ready) {
            WindowSystem::Reset();
            SetTagGroupHandler(kGeom, nullptr);
            EXPECT_TRUE(CloseCodex());
        }
        SkinnedScreen::TearDown();
    }
    TempFolder folder{"tavik-geomedit"};
    std::string root;
};

TEST_F(GeomEditPixels, TheTexturedModelTheCountsAndTheButtonIconsAreDrawn)
{
    u32 id = WriteSquareGeometry("Square", WriteRedCollectionAndCore());
    GeomEdit* ed = static_cast<GeomEdit*>(OpenTagEditor(FindTag(kGeom, id)));
    ASSERT_NE(ed, nullptr);
    pixeltest::Shot shot = Render();
    const Rect c = ed->content;
    const int cx = (c.left + c.right) / 2, cy = (c.top + c.bottom) / 2;
    EXPECT_EQ((pixeltest::Px{250, 10, 20}), shot.PixelAt(cx, cy));
    EXPECT_EQ((pixeltest::Px{250, 10, 20}), shot.PixelAt(cx + 30, cy - 30));
    // Text: white glyphs with a black shadow over the cleared (black) content.
    int bright = 0;
    for (int y = c.top; y < c.top + 48; ++y)
        for (int x = c.left; x < c.left + 100; ++x) bright += shot.Brightness(x, y) > 600;
    EXPECT_GT(bright, 30);
    ViewTransformButton* buttons[3] = {ed->panButton, ed->rotateButton, ed->zoomButton};
    for (ViewTransformButton* b : buttons) {
        int lit = 0;
        for (int y = b->content.top; y < b->content.bottom; ++y)
            for (int x = b->content.left; x < b->content.right; ++x) lit += shot.Brightness(x, y) > 60;
        EXPECT_GT(lit, 10) << b->GetTitle();
    }
}

}  // namespace
