// The sequence pages on screen under Xvfb: the frame view's bitmap, shadow (five times its
// size), contrail (half transparent), selection box and point markers at 100% and 200%, and
// the sequence editor's cells drawn mirrored as their views are.
#include "../gui/PixelTestSupport.h"
#include "collection/ui/BitmapDrawing.h"
#include "collection/ui/X256SequenceEdit.h"
#include "collection/ui/X256SequenceFrameEdit.h"
#include "collection/ui/X256SequenceFrameView.h"
#include "gui/Button.h"
#include "gui/GridWindow.h"

using pixeltest::Px;
using pixeltest::Shot;

namespace {

constexpr int kW = 1024, kH = 768;

std::vector<u8> Solid(u32 w, u32 h, u8 index)
{
    std::vector<u8> px(size_t(w) * h * 2);
    for (size_t i = 0; i < px.size(); i += 2) {
        px[i] = 255;
        px[i + 1] = index;
    }
    return px;
}

bool Near(Px p, int r, int g, int b, int tolerance = 12)
{
    return std::abs(p.r - r) <= tolerance && std::abs(p.g - g) <= tolerance && std::abs(p.b - b) <= tolerance;
}

std::string Show(Px p) { return std::to_string(p.r) + "," + std::to_string(p.g) + "," + std::to_string(p.b); }

class SequencePagesPixels : public pixeltest::SkinnedScreen {
protected:
    SequencePagesPixels() : SkinnedScreen(kW, kH) {}
    void SetUp() override
    {
        SkinnedScreen::SetUp();
        if (ready) ForgetBitmapScratchTexture();
        c.colorTable.entries[5] = ColorTableEntry{40, 40, 200};
        c.colorTable.entries[6] = ColorTableEntry{10, 250, 10};
        c.colorTable.entries[7] = ColorTableEntry{250, 10, 10};
    }
    Collection c;
};

}  // namespace

TEST_F(SequencePagesPixels, TheFrameViewDrawsBitmapShadowContrailBoxAndMarkers)
{
    std::vector<u8> blue = Solid(10, 10, 5), green = Solid(10, 10, 6), shade = Solid(2, 2, 200);
    CollectionBitmap* shown = c.AddBitmap("shown", 0, blue.data(), 10, 10, 2, nullptr);
    CollectionBitmap* before = c.AddBitmap("before", 0, green.data(), 10, 10, 2, nullptr);
    CollectionBitmap* shadow = c.AddBitmap("shadow", kBitmapShadow, shade.data(), 2, 2, 2, nullptr);
    Sequence* s = c.AddSequence("Roll");
    s->Resize(1, 2);
    s->selectionHalfWidth = 40 * 65536;
    s->selectionTop = 60 * 65536;
    s->selectionBottom = -30 * 65536;
    FrameView& v0 = s->GetFrameView(0, 0);
    v0.bitmap = shown;
    v0.registrationX = v0.registrationY = 5;
    v0.keyX = v0.keyY = 2;
    FrameView& v1 = s->GetFrameView(1, 0);
    v1.bitmap = before;
    v1.registrationX = 3;
    v1.registrationY = 5;
    s->GetFrame(0).shadowBitmap = shadow;
    s->GetFrame(0).shadow.offsetX = 4 * 65536;  // 20 pixels drawn

    X256SequenceFrameEdit* e = new X256SequenceFrameEdit(&c, s, 0, 1);
    X256SequenceFrameView* view = e->GetFrameView();
    view->SetBackgroundKind(3);
    e->showBoxes[6]->SetState(1, 0);  // "Show Contrail"
    e->SetFrame(0);                   // the previous step is frame 1
    ASSERT_TRUE(view->GetShowFlag(kShowContrail));
    FrameGeometry g = view->GetGeometry();
    ASSERT_TRUE(g.hasBitmap);
    Shot shot = Render();
    Rect r = view->GetContentRect();
    const int ox = r.left + g.originX, oy = r.top + g.originY;
    auto at = [&](int x, int y) { return shot.PixelAt(ox + x, oy + y); };

    EXPECT_TRUE(Near(at(8, 8), 40, 40, 200)) << "bitmap " << Show(at(8, 8));
    EXPECT_TRUE(Near(at(-40, 8), 255, 255, 255)) << "background " << Show(at(-40, 8));
    // The contrail: the previous bitmap, its registration point on the shown one, 2 pixels
    // further right, half transparent over white.
    EXPECT_TRUE(Near(at(11, 8), 132, 252, 132, 20)) << "contrail " << Show(at(11, 8));
    EXPECT_TRUE(Near(at(12, 8), 255, 255, 255)) << "past the contrail " << Show(at(12, 8));
    // The shadow: 2 x 2 drawn 10 x 10, its left edge 20 pixels left of the registration point.
    Px inShadow = at(-14, 14), pastShadow = at(-16, 14), belowShadow = at(-10, 16);
    EXPECT_LT(inShadow.r + inShadow.g + inShadow.b, 600) << "shadow " << Show(inShadow);
    EXPECT_TRUE(Near(pastShadow, 255, 255, 255)) << Show(pastShadow);
    EXPECT_TRUE(Near(belowShadow, 255, 255, 255)) << Show(belowShadow);
    // The markers' centres and a side.
    EXPECT_TRUE(Near(at(4, 4), 0, 170, 0)) << "registration point " << Show(at(4, 4));
    EXPECT_TRUE(Near(at(1, 1), 255, 0, 0)) << "key point " << Show(at(1, 1));
    EXPECT_TRUE(Near(at(2, 4), 0x5A, 0x5A, 0x5A)) << "marker side " << Show(at(2, 4));
    // The selection box: half-transparent yellow over white, 2 pixels wide.
    EXPECT_TRUE(Near(at(-35, -20), 255, 255, 127, 20)) << "box " << Show(at(-35, -20));
    EXPECT_TRUE(Near(at(-34, -20), 255, 255, 127, 20)) << "box " << Show(at(-34, -20));
    EXPECT_TRUE(Near(at(-33, -20), 255, 255, 255)) << "inside the box " << Show(at(-33, -20));

    // At 200% the bitmap is twice as large.
    view->SetZoom(2.0f);
    g = view->GetGeometry();
    shot = Render();
    const int zx = r.left + g.originX, zy = r.top + g.originY;
    EXPECT_EQ(g.width, 20);
    EXPECT_TRUE(Near(shot.PixelAt(zx + 19, zy + 19), 40, 40, 200)) << Show(shot.PixelAt(zx + 19, zy + 19));
    EXPECT_TRUE(Near(shot.PixelAt(zx + 19, zy + 21), 255, 255, 255)) << Show(shot.PixelAt(zx + 19, zy + 21));
    e->Close();
}

TEST_F(SequencePagesPixels, CellsAreDrawnMirroredAsTheirViews)
{
    // 8 x 4: the left half red, the right half blue.
    std::vector<u8> px = Solid(8, 4, 5);
    for (u32 y = 0; y < 4; ++y)
        for (u32 x = 0; x < 4; ++x) px[(y * 8 + x) * 2 + 1] = 7;
    CollectionBitmap* b = c.AddBitmap("halves", 0, px.data(), 8, 4, 2, nullptr);
    Sequence* s = c.AddSequence("Roll");
    s->Resize(2, 1);
    s->GetFrameView(0, 0).bitmap = b;
    s->GetFrameView(0, 1).bitmap = b;
    s->GetFrameView(0, 1).flags = kViewMirrorX;
    X256SequenceEdit* e = new X256SequenceEdit(&c, s);
    GridWindow* grid = e->GetGrid();
    // The cells' pictures are kept between frames: flipping the other view, then a colour of
    // the table changing, must still show in the next frame.
    struct Step { const char* what; u32 mirroredView; int red[3]; } steps[] = {
        {"view 1 mirrored", 1, {250, 10, 10}},
        {"view 0 mirrored instead", 0, {250, 10, 10}},
        {"the red half turned green", 0, {10, 250, 10}},
    };
    for (const Step& k : steps) {
        SCOPED_TRACE(k.what);
        s->GetFrameView(0, k.mirroredView).flags = kViewMirrorX;
        s->GetFrameView(0, 1 - k.mirroredView).flags = 0;
        c.colorTable.entries[7] = ColorTableEntry{u8(k.red[0]), u8(k.red[1]), u8(k.red[2])};
        e->RedrawCells();
        Shot shot = Render();
        Rect content = grid->GetContentRect();
        for (u32 column = 1; column <= 2; ++column) {
            Rect image = grid->ImageRect(column);
            const int y = content.top + (image.top + image.bottom) / 2;
            Px left = shot.PixelAt(content.left + image.left + image.Width() / 8, y);
            Px right = shot.PixelAt(content.left + image.right - image.Width() / 8, y);
            const bool mirrored = column - 1 == k.mirroredView;
            Px red{k.red[0], k.red[1], k.red[2]}, blue{40, 40, 200};
            Px wantLeft = mirrored ? blue : red, wantRight = mirrored ? red : blue;
            EXPECT_TRUE(Near(left, wantLeft.r, wantLeft.g, wantLeft.b)) << column << " " << Show(left);
            EXPECT_TRUE(Near(right, wantRight.r, wantRight.g, wantRight.b)) << column << " " << Show(right);
        }
    }
    e->Close();
}
