// Collection bitmaps on screen, read back from OpenGL under Xvfb: the tiles of a large bitmap,
// scaling, both mirror bits, shadow greys, a hue change, true-colour blending, and the drag
// images of one and of twelve bitmaps.
#include <string>

#include "../gui/PixelTestSupport.h"
#include "collection/ui/BitmapDragData.h"
#include "collection/ui/BitmapDrawing.h"

using pixeltest::Px;
using pixeltest::Shot;

namespace {

constexpr int kW = 1024, kH = 768;

class BitmapDrawing : public pixeltest::SkinnedScreen {
protected:
    BitmapDrawing() : SkinnedScreen(kW, kH) {}
    void SetUp() override
    {
        SkinnedScreen::SetUp();
        if (!ready) return;
        ForgetBitmapScratchTexture();
        glViewport(0, 0, kW, kH);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0, kW, kH, 0, -1, 1);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_SCISSOR_TEST);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        for (u32 i = 0; i < 256; ++i) c.colorTable.entries[i] = ColorTableEntry{u8(i), u8(255 - i), u8(i / 2 + 60)};
    }
    Shot Read() const { return pixeltest::ReadShot(kW, kH); }
    static Px Entry(u32 i) { return Px{int(i), int(255 - i), int(i / 2 + 60)}; }
    Collection c;
};

// Index of pixel (x, y) of the large bitmap: changes every 100 pixels, never a marker.
u8 LargeIndex(u32 x, u32 y)
{
    return u8(2 + (x / 100 + 7 * (y / 100)) % 250);
}

}  // namespace

TEST_F(BitmapDrawing, ALargeBitmapIsDrawnInTilesAtFullAndHalfSize)
{
    CollectionBitmap* b = c.AddBitmap("big", 0, nullptr, 1000, 600, 2, nullptr);
    for (u32 y = 0; y < 600; ++y)
        for (u32 x = 0; x < 1000; ++x) {
            b->pixels[(y * 1000 + x) * 2] = 255;
            b->pixels[(y * 1000 + x) * 2 + 1] = LargeIndex(x, y);
        }
    DrawCollectionBitmap(c, *b, 0, 0, 0, 1000, 600);
    Shot full = Read();
    // Probes on both sides of every tile edge (512 in x and y) and in the narrow last tiles.
    const int xs[] = {0, 511, 512, 999}, ys[] = {0, 511, 512, 599};
    for (int x : xs)
        for (int y : ys) EXPECT_EQ(Entry(LargeIndex(x, y)), full.PixelAt(x, y)) << x << "," << y;
    EXPECT_EQ((Px{0, 0, 0}), full.PixelAt(1000, 300)) << "nothing past the bitmap";
    EXPECT_NE(0u, GetBitmapScratchTexture());
    u32 texture = GetBitmapScratchTexture();

    glClear(GL_COLOR_BUFFER_BIT);
    DrawCollectionBitmap(c, *b, 0, 10, 20, 500, 300);
    Shot half = Read();
    const int probes[][2] = {{0, 0}, {300, 250}, {700, 550}, {999, 599}};
    for (const auto& p : probes)
        EXPECT_EQ(Entry(LargeIndex(p[0], p[1])), half.PixelAt(10 + p[0] / 2, 20 + p[1] / 2)) << p[0] << "," << p[1];
    EXPECT_EQ(texture, GetBitmapScratchTexture()) << "one texture for every draw";
}

TEST_F(BitmapDrawing, MirrorBitsFlipWithinTheSameRectangle)
{
    // 2 x 2: indices 10, 20 / 30, 40, drawn 40 x 40 at (100, 100).
    const u8 px[] = {255, 10, 255, 20, 255, 30, 255, 40};
    CollectionBitmap* b = c.AddBitmap("m", 0, px, 2, 2, 2, nullptr);
    struct Case {
        u32 mirror;
        u32 topLeft, topRight, bottomLeft;
    } cases[] = {{0, 10, 20, 30}, {kBitmapMirrorX, 20, 10, 40}, {kBitmapMirrorY, 30, 40, 10}, {3, 40, 30, 20}};
    for (const Case& k : cases) {
        glClear(GL_COLOR_BUFFER_BIT);
        DrawCollectionBitmap(c, *b, k.mirror, 100, 100, 40, 40);
        Shot s = Read();
        EXPECT_EQ(Entry(k.topLeft), s.PixelAt(105, 105)) << "mirror " << k.mirror;
        EXPECT_EQ(Entry(k.topRight), s.PixelAt(135, 105)) << "mirror " << k.mirror;
        EXPECT_EQ(Entry(k.bottomLeft), s.PixelAt(105, 135)) << "mirror " << k.mirror;
        EXPECT_EQ((Px{0, 0, 0}), s.PixelAt(141, 141));
    }
}

TEST_F(BitmapDrawing, ShadowsHueChangesAndTrueColourBlends)
{
    const u8 shadowPx[] = {255, 200};
    CollectionBitmap* shadow = c.AddBitmap("s", kBitmapShadow, shadowPx, 1, 1, 2, nullptr);
    c.colorTable.entries[7] = ColorTableEntry{0, 255, 255};  // cyan
    const u8 cyanPx[] = {255, 7};
    CollectionBitmap* cyan = c.AddBitmap("c", 0, cyanPx, 1, 1, 2, nullptr);
    const u8 blend[] = {200, 0, 1, 31, 0, 0, 200, 16};  // red with a quarter of blue
    CollectionBitmap* tc = c.AddBitmap("t", kBitmapTrueColor, blend, 1, 1, 8, nullptr);

    DrawCollectionBitmap(c, *shadow, 0, 10, 10, 8, 8);
    DrawCollectionBitmap(c, *cyan, 0, 30, 10, 8, 8);
    DrawCollectionBitmap(c, *tc, 0, 70, 10, 8, 8);
    HueChange* hc = c.AddHueChange("red");
    hc->replacementMode = 1;
    hc->replacementRed = 0xFF00;
    DrawCollectionBitmap(c, *cyan, 0, 50, 10, 8, 8);
    Shot s = Read();
    EXPECT_EQ((Px{55, 55, 55}), s.PixelAt(14, 14));
    EXPECT_EQ((Px{0, 255, 255}), s.PixelAt(34, 14));
    Px red = s.PixelAt(54, 14);
    EXPECT_GE(red.r, 250);
    EXPECT_LE(red.g, 6);
    EXPECT_LE(red.b, 6);
    EXPECT_EQ((Px{150, 0, 50}), s.PixelAt(74, 14));
}

TEST_F(BitmapDrawing, DragImagesOfOneAndOfTwelveBitmaps)
{
    const s32 boxes[][5] = {{200, 100, 96, 96, 48}, {50, 100, 96, 48, 96}};
    for (const auto& k : boxes) {
        s32 w = 0, h = 0;
        FitSizeInBox(k[0], k[1], &w, &h, k[2]);
        EXPECT_EQ(k[3], w);
        EXPECT_EQ(k[4], h);
    }

    const u8 px[] = {255, 90};
    CollectionBitmap* b = c.AddBitmap("one", 0, px, 1, 1, 2, nullptr);
    BitmapDDData one(kDragColorBitmap, &c, b, nullptr, nullptr);
    one.width = one.height = 20;
    Rect r;
    BitmapDDData::Draw(&r, Point{200, 200}, &one);
    EXPECT_EQ(190, r.left);
    EXPECT_EQ(190, r.top);
    EXPECT_EQ(220, r.right);
    EXPECT_EQ(220, r.bottom);
    BitmapDDData::Draw(nullptr, Point{200, 200}, &one);
    Shot s1 = Read();
    EXPECT_EQ(Entry(90), s1.PixelAt(191, 191));
    EXPECT_EQ(Entry(90), s1.PixelAt(209, 209));
    EXPECT_EQ((Px{0, 0, 0}), s1.PixelAt(211, 200)) << "drawn w x h from the corner";

    glClear(GL_COLOR_BUFFER_BIT);
    BitmapGridDDData grid(kDragBitmapGrid, &c, 0);
    EXPECT_EQ(0x7FFFFFFF, grid.reserved1);
    for (u32 k = 0; k < 12; ++k) {
        BitmapDDData* item = new BitmapDDData(kDragColorBitmap, &c, b, nullptr, nullptr);
        item->width = item->height = 8;
        grid.items.Push(item);
    }
    Point p = {100, 100};
    BitmapGridDDData::Draw(&r, p, &grid);
    EXPECT_EQ(96, r.left);
    EXPECT_EQ(96, r.top);
    EXPECT_EQ(100 + 8 + 7 * 16, r.right);
    EXPECT_EQ(100 + 8 + 7 * 16, r.bottom);
    BitmapGridDDData::Draw(nullptr, p, &grid);
    Shot s12 = Read();
    // Eight images, each 16 further right and lower; the ninth place stays empty.
    for (int k = 0; k < 8; ++k) {
        Px at = s12.PixelAt(p.x + 16 * k + 2, p.y + 16 * k + 2);
        EXPECT_GT(at.r, 40) << "image " << k;
        EXPECT_GT(at.g, 100) << "image " << k;
    }
    EXPECT_EQ((Px{0, 0, 0}), s12.PixelAt(p.x + 16 * 8 + 2, p.y + 16 * 8 + 2));
    // The label: its bright text lies inside the union, where no image is.
    int bright = 0;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) bright += s12.Brightness(x, y) > 600;
    EXPECT_GT(bright, 20) << "the text is drawn";
    s32 width = DrawText(font, "<12 Bitmaps>", 0, 0x200 | kBitmapDragTextFlags, &r);
    EXPECT_GT(width, 0);
}
