// The skin and the font drawn with OpenGL under a display server, checked by reading pixels
// back at positions computed from the pack's own images. The last case writes a sheet of
// every part and text style to <build>/skin-sheet.png for people to look at.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <cstdlib>
#include <string>
#include <vector>

#include "foundation/FileRecord.h"
#include "gui/PackTextures.h"
#include "gui/Skin.h"
#include "gui/Text.h"
#include "platform/Os.h"
#include "tests/common/TestDirs.h"

namespace {

const int kWidth = 800;
const int kHeight = 600;

struct Px {
    int r, g, b;
};

std::string BuildPath(const char* name) { return std::string(TestBinaryDir()) + "/" + name; }

class SkinDrawTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        OsUseRealBackend();
        if (!OsInit() || !OsOpenWindow(kWidth, kHeight, 0, 0)) {
            windowFailed = true;
            return;
        }
        glViewport(0, 0, kWidth, kHeight);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0, kWidth, kHeight, 0, -1, 1);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glDisable(GL_DEPTH_TEST);
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glReadBuffer(GL_BACK);
        skin = new Skin(BuildPath("res/texturepack").c_str());
        font = LoadFont(BuildPath("res/dravell.tavikfont").c_str());
        reference = NewTexturePack();
        LoadTexturePack(reference, BuildPath("res/texturepack").c_str());
    }
    static void TearDownTestSuite()
    {
        delete skin;
        skin = nullptr;
        FreeFont(font);
        font = nullptr;
        FreeTexturePack(reference);
        reference = nullptr;
        OsTerminate();
        OsResetState();
    }
    void SetUp() override
    {
        if (windowFailed) GTEST_SKIP() << "no OpenGL window (no display)";
        ASSERT_NE(font, nullptr);
        Clear(20, 200, 40);
    }

    static void Clear(int r, int g, int b)
    {
        glClearColor(r / 255.0f, g / 255.0f, b / 255.0f, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glColor4ub(255, 255, 255, 255);
    }
    static Px Read(int x, int y)
    {
        glFinish();
        u8 p[4] = {};
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(x, kHeight - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
        return {p[0], p[1], p[2]};
    }
    // Pixel (u, v) of skin image n as drawn opaquely over the clear colour.
    static Px Image(u32 n, int u, int v, Px under = {20, 200, 40})
    {
        PackImage* img = FindPackImage(reference, n);
        if (!img || u < 0 || v < 0 || u >= img->width || v >= img->height) return {-1, -1, -1};
        const u8* p = img->pixels + (size_t(v) * img->width + u) * 4;
        int a = p[3];
        return {(p[0] * a + under.r * (255 - a)) / 255, (p[1] * a + under.g * (255 - a)) / 255,
                (p[2] * a + under.b * (255 - a)) / 255};
    }
    static u8 Alpha(u32 n, int u, int v)
    {
        PackImage* img = FindPackImage(reference, n);
        return img->pixels[(size_t(v) * img->width + u) * 4 + 3];
    }
    static ::testing::AssertionResult Near(Px got, Px want, int tolerance = 2)
    {
        if (abs(got.r - want.r) <= tolerance && abs(got.g - want.g) <= tolerance && abs(got.b - want.b) <= tolerance)
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "got " << got.r << "," << got.g << "," << got.b << " want " << want.r
                                             << "," << want.g << "," << want.b;
    }

    static inline bool windowFailed = false;
    static inline Skin* skin = nullptr;
    static inline Font* font = nullptr;
    static inline TexturePack* reference = nullptr;
};

}  // namespace

TEST_F(SkinDrawTest, TheBackgroundTilesItsImageFromTheRectanglesCorner)
{
    skin->DrawBackground({10, 10, 110, 60});
    EXPECT_TRUE(Near(Read(10 + 33, 10 + 5), Image(0, 1, 5), 0));
    EXPECT_TRUE(Near(Read(109, 59), Image(0, 99 % 32, 49 % 32), 0));
    EXPECT_TRUE(Near(Read(5, 5), {20, 200, 40}, 0));
    EXPECT_TRUE(Near(Read(110, 30), {20, 200, 40}, 0));
    skin->DrawDarkBackground({200, 10, 300, 60});
    Px plain = Image(0, 7, 7);
    EXPECT_TRUE(Near(Read(207, 17), {plain.r * 96 / 255, plain.g * 96 / 255, plain.b * 96 / 255}, 1));
}

TEST_F(SkinDrawTest, FrameEdgesShowTheirOuterRowOutsideAndCornersFollowTheMask)
{
    const Rect r = {100, 100, 200, 180};
    skin->DrawFrame(r, 0xF);
    s32 e = Skin::GetBorderWidth();
    // Row e - 1 of the edge image is the outside on all four sides; row 0 lies inside.
    EXPECT_TRUE(Near(Read(100, 140), Image(1, 0, e - 1)));
    EXPECT_TRUE(Near(Read(100 + e - 1, 140), Image(1, 0, 0)));
    EXPECT_TRUE(Near(Read(150, 100), Image(1, 0, e - 1)));
    EXPECT_TRUE(Near(Read(150, 100 + e - 1), Image(1, 0, 0)));
    EXPECT_TRUE(Near(Read(199, 140), Image(1, 0, e - 1)));
    EXPECT_TRUE(Near(Read(150, 179), Image(1, 0, e - 1)));
    EXPECT_TRUE(Near(Read(150, 140), {20, 200, 40}, 0));

    // Corners only: image 16 at the top (its outermost pixel is clear), 17 at the bottom.
    Clear(20, 200, 40);
    skin->DrawFrame(r, 0x30 | 0xC00);
    EXPECT_TRUE(Near(Read(100, 100), Image(16, 0, 0)));
    EXPECT_TRUE(Near(Read(199, 100), Image(16, 0, 0)));
    EXPECT_TRUE(Near(Read(100, 179), Image(17, 0, 0)));
    EXPECT_TRUE(Near(Read(199, 179), Image(17, 0, 0)));
    EXPECT_TRUE(Near(Read(101, 100), Image(16, 1, 0)));
    // A mirrored corner: the top-right shows the image's column 1 one pixel in from the right.
    EXPECT_TRUE(Near(Read(198, 100), Image(16, 1, 0)));
}

TEST_F(SkinDrawTest, AButtonIsLeftCapMiddleAndRightCap)
{
    skin->DrawButton({300, 100, 400, 140}, 0);
    Size left = {0, 0}, right = {0, 0};
    GetPackImageSize(FindPackImage(reference, 6), &left.width, &left.height);
    GetPackImageSize(FindPackImage(reference, 8), &right.width, &right.height);
    EXPECT_TRUE(Near(Read(300 + left.width - 1, 110), Image(6, left.width - 1, 10)));
    EXPECT_TRUE(Near(Read(350, 110), Image(4, (350 - 300 - left.width) % 8, 10)));
    EXPECT_TRUE(Near(Read(400 - right.width, 110), Image(8, 0, 10)));
    // As high as the caps, whatever the rectangle.
    EXPECT_TRUE(Near(Read(350, 100 + left.height), {20, 200, 40}, 0));
    skin->DrawButton({300, 200, 400, 240}, 1);
    EXPECT_TRUE(Near(Read(350, 210), Image(5, (350 - 300 - left.width) % 8, 10)));
}

TEST_F(SkinDrawTest, ACheckBoxInStateTwoShowsImageFourteen)
{
    skin->DrawCheckBox({20, 300, 36, 316}, 2);
    int compared = 0;
    for (int v = 0; v < 16; ++v)
        for (int u = 0; u < 16; ++u)
            if (Alpha(14, u, v) == 255) {
                ++compared;
                EXPECT_TRUE(Near(Read(20 + u, 300 + v), Image(14, u, v))) << u << "," << v;
            }
    EXPECT_GT(compared, 50);
}

TEST_F(SkinDrawTest, ScrollTracksPutTheArrowsAtTheEndsAndTurnThemForHorizontalBars)
{
    skin->DrawScrollTrack({500, 100, 514, 300}, 0, 0, 0, 1);
    EXPECT_TRUE(Near(Read(507, 103), Image(40, 7, 3)));
    EXPECT_TRUE(Near(Read(507, 300 - 14 + 10), Image(43, 7, 10)));
    EXPECT_TRUE(Near(Read(507, 200), Image(38, 7, (200 - 114) % 16)));
    // Horizontal: turned and mirrored left-right, i.e. transposed.
    skin->DrawScrollTrack({300, 400, 500, 414}, 1, 1, 0, 1);
    for (int u = 2; u < 12; u += 3)
        for (int v = 2; v < 12; v += 3) {
            EXPECT_TRUE(Near(Read(300 + u, 400 + v), Image(42, v, u))) << u << "," << v;
            EXPECT_TRUE(Near(Read(486 + u, 400 + v), Image(43, v, u))) << u << "," << v;
        }
    EXPECT_TRUE(Near(Read(400, 400 + 5), Image(38, 5, (400 - 314) % 16)));
    // Disabled arrows.
    skin->DrawScrollTrack({600, 100, 614, 300}, 0, 0, 0, 0);
    EXPECT_TRUE(Near(Read(607, 107), Image(41, 7, 7)));
}

TEST_F(SkinDrawTest, AThumbHasEndsAtBothSidesAndTheGripInTheMiddle)
{
    skin->DrawScrollThumb({500, 100, 514, 200}, 0, 0);
    EXPECT_TRUE(Near(Read(507, 101), Image(74, 7, 1)));
    EXPECT_TRUE(Near(Read(507, 198), Image(76, 7, 2)));
    EXPECT_TRUE(Near(Read(507, 150 - 7 + 4), Image(70, 7, 4)));
    EXPECT_TRUE(Near(Read(507, 120), Image(71, 7, 20 % 8)));
}

TEST_F(SkinDrawTest, TitleBarsTabsAndTitleButtonsUseTheirImages)
{
    skin->DrawTitleBar({10, 400, 210, 422}, 1);
    EXPECT_TRUE(Near(Read(50, 410), Image(10, 40 % 16, 10)));
    skin->DrawTitleBar({10, 430, 210, 452}, 0);
    EXPECT_TRUE(Near(Read(50, 440), Image(11, 40 % 16, 10)));
    skin->DrawTab({220, 0, 300, 20}, 1);
    EXPECT_TRUE(Near(Read(260, 10), Image(65, (260 - 226) % 8, 10)));
    skin->DrawTitleButton({320, 400, 334, 414}, 0, 0);
    skin->DrawTitleButton({340, 400, 354, 414}, 1, 1);
    FlushPackDraws(1);
    EXPECT_TRUE(Near(Read(327, 407), Image(52, 7, 7)));
    EXPECT_TRUE(Near(Read(347, 407), Image(63, 7, 7)));
}

TEST_F(SkinDrawTest, BordersArrowsIconsAndMenusLandWhereTheirImagesSay)
{
    skin->DrawThinBorder({10, 10, 60, 40});
    EXPECT_TRUE(Near(Read(10, 20), Image(2, 0, 0)));
    EXPECT_TRUE(Near(Read(59, 20), Image(2, 0, 0)));
    EXPECT_TRUE(Near(Read(30, 39), Image(2, 0, 0)));
    EXPECT_TRUE(Near(Read(59, 39), Image(3, 0, 0)));
    EXPECT_TRUE(Near(Read(30, 20), {20, 200, 40}, 0));

    skin->DrawGroupFrame({100, 10, 200, 60});
    EXPECT_TRUE(Near(Read(100, 10), Image(21, 0, 0)));
    EXPECT_TRUE(Near(Read(101, 30), Image(19, 1, 5)));  // left edge, stretched
    EXPECT_TRUE(Near(Read(150, 11), Image(19, 1, 0)));  // top edge, turned: columns become rows
    EXPECT_TRUE(Near(Read(198, 30), Image(18, 0, 5)));
    EXPECT_TRUE(Near(Read(199, 59), Image(22, 1, 1)));

    skin->DrawMenuBackground({220, 10, 300, 60});
    EXPECT_TRUE(Near(Read(230, 20), Image(26, 10, 10), 0));

    skin->DrawIcon(28, 320, 10);
    EXPECT_TRUE(Near(Read(327, 17), Image(28, 7, 7), 0));

    // The submenu arrow is centred in its rectangle.
    skin->DrawSubmenuArrow({400, 10, 420, 30});
    Size sub = Skin::GetSubmenuArrowSize();
    int sx = 400 + (20 - sub.width) / 2, sy = 10 + (20 - sub.height) / 2;
    for (int v = 0; v < sub.height; ++v)
        for (int u = 0; u < sub.width; ++u)
            if (Alpha(27, u, v) == 255) {
                EXPECT_TRUE(Near(Read(sx + u, sy + v), Image(27, u, v))) << u << "," << v;
            }

    // Expanded the tree arrow is upright; collapsed it is turned a quarter clockwise.
    skin->DrawTreeArrow({440, 10, 456, 26}, 1);
    skin->DrawTreeArrow({460, 10, 476, 26}, 0);
    for (int v = 0; v < 16; ++v)
        for (int u = 0; u < 16; ++u)
            if (Alpha(25, u, v) == 255) {
                EXPECT_TRUE(Near(Read(440 + u, 10 + v), Image(25, u, v))) << u << "," << v;
                // Image pixel (u, v) turned lands at (15 - v, u).
                EXPECT_TRUE(Near(Read(460 + 15 - v, 10 + u), Image(25, u, v))) << u << "," << v;
            }

    // The drop-down arrow is cut one pixel short of the arrow size.
    skin->DrawDropdownArrow(1, 1, 500, 10);
    EXPECT_TRUE(Near(Read(506, 16), Image(45, 6, 6)));
    EXPECT_TRUE(Near(Read(513, 16), {20, 200, 40}, 0));
    EXPECT_TRUE(Near(Read(506, 23), {20, 200, 40}, 0));

    Clear(0, 0, 0);
    skin->DrawRubberBand({10, 100, 60, 140});
    EXPECT_TRUE(Near(Read(30, 120), {96, 96, 96}, 1));
    EXPECT_EQ(Read(0, 0).r, 0);
}

TEST_F(SkinDrawTest, AShadowDarkensRightOfAndBelowTheRectangleFadingOutwards)
{
    Clear(255, 255, 255);
    glColor4ub(0, 0, 0, 255);
    skin->DrawShadow({100, 100, 200, 200}, 1);
    glColor4ub(255, 255, 255, 255);
    EXPECT_LT(Read(200, 150).r, 200);
    EXPECT_GT(Read(214, 150).r, Read(201, 150).r);
    EXPECT_LT(Read(150, 200).r, 200);
    EXPECT_GT(Read(150, 214).r, Read(150, 201).r);
    EXPECT_EQ(Read(150, 150).r, 255);
    EXPECT_EQ(Read(99, 150).r, 255);
    EXPECT_EQ(Read(150, 99).r, 255);
}

TEST_F(SkinDrawTest, SelectionsFillAndOutlineInTheHighlightColour)
{
    Clear(0, 0, 0);
    skin->DrawSelection({10, 10, 60, 40}, 1 | 2 | 4);
    // Outline: 0, 64, 192 at alpha 192 over black; fill inside at alpha 128.
    EXPECT_TRUE(Near(Read(10, 20), {0, 64 * 192 / 255, 192 * 192 / 255}));
    EXPECT_TRUE(Near(Read(30, 25), {0, 64 * 128 / 255, 192 * 128 / 255}));
    EXPECT_TRUE(Near(Read(60, 25), {0, 0, 0}, 0));
}

TEST_F(SkinDrawTest, TextDrawsInsideItsMeasuredWidthInTheCurrentColour)
{
    Clear(0, 0, 0);
    const char* text = "Hello |bBold|p World";
    s32 measured = MeasureTextWidth(font, text, 0, 0);
    Rect r = {50, 50, 400, 80};
    glColor4ub(255, 255, 255, 255);
    EXPECT_EQ(DrawText(font, text, 0, 0, &r), measured);
    int lit = 0, litOutside = 0;
    for (int y = 45; y < 85; ++y)
        for (int x = 45; x < 420; ++x) {
            Px p = Read(x, y);
            if (p.r > 0) (x >= 50 && x < 50 + measured + 2 && y >= 50 && y < 50 + GetFontHeight(font) ? lit : litOutside)++;
        }
    EXPECT_GT(lit, 100);
    EXPECT_EQ(litOutside, 0);
    // Measuring only draws nothing.
    Clear(0, 0, 0);
    Rect r2 = {50, 100, 400, 130};
    EXPECT_EQ(DrawText(font, text, 0, kTextMeasureOnly, &r2), measured);
    for (int x = 50; x < 50 + measured; x += 3) EXPECT_EQ(Read(x, 110).r, 0);
}

TEST_F(SkinDrawTest, GlyphsStoredTurnedOnTheirPageAreShownUpright)
{
    Font* file = ReadFontFile(BuildPath("res/dravell.tavikfont").c_str());
    ASSERT_NE(file, nullptr);
    // A tall glyph the packer turned, e.g. 'l' or '|'.
    int chosen = -1;
    for (int c = 33; c < 127 && chosen < 0; ++c)
        if (font->styles[0].glyphs[c - 32].packFlags & kPackRotated) chosen = c;
    ASSERT_GE(chosen, 0);
    const Glyph& g = file->styles[0].glyphs[chosen - 32];
    Clear(0, 0, 0);
    char text[2] = {char(chosen), 0};
    Rect r = {100, 100, 200, 140};
    glColor4ub(255, 255, 255, 255);
    DrawText(font, text, 0, 0, &r);
    s32 x0 = 100 + g.xOffset, y0 = 100 + s32(font->header[kFontAscent]) + g.yOffset;
    for (int v = 0; v < g.height; ++v)
        for (int u = 0; u < g.width; ++u)
            EXPECT_NEAR(Read(x0 + u, y0 + v).r, g.pixels[v * g.width + u], 2) << u << "," << v;
    FreeFont(file);
}

TEST_F(SkinDrawTest, WritesASheetOfEveryPartAndTextStyle)
{
    Clear(30, 32, 36);
    skin->DrawBackground({0, 0, kWidth, kHeight});
    // Every image at its natural size with its number.
    for (u32 n = 0; n < kSkinImageCount; ++n) {
        s32 x = 10 + s32(n % 16) * 48, y = 10 + s32(n / 16) * 48;
        skin->DrawDarkBackground({x - 2, y - 2, x + 38, y + 38});
        skin->DrawIcon(n, x, y);
        char label[8];
        snprintf(label, sizeof(label), "%u", n);
        Rect lr = {x, y + 34, x + 40, y + 48};
        DrawText(font, label, 0, kTextShadow, &lr);
    }
    // Parts.
    s32 top = 270;
    glColor4ub(0, 0, 0, 255);
    skin->DrawShadow({10, top, 250, top + 120}, 1);
    skin->DrawMenuBackground({10, top, 250, top + 120});
    skin->DrawFrame({10, top, 250, top + 120}, 0xF0F);
    skin->DrawTitleBar({14, top + 4, 246, top + 26}, 1);
    Rect title = {14, top + 4, 246, top + 26};
    DrawText(font, "Active window", 0, 0x156, &title);
    skin->DrawTitleButton({226, top + 8, 240, top + 22}, 0, 0);
    skin->DrawTitleButton({210, top + 8, 224, top + 22}, 1, 0);
    skin->DrawTitleButton({194, top + 8, 208, top + 22}, 2, 0);
    FlushPackDraws(1);
    skin->DrawButton({24, top + 40, 104, top + 60}, 0);
    Rect ok = {24, top + 40, 104, top + 60};
    DrawText(font, "OK", 0, 0x156, &ok);
    skin->DrawButton({114, top + 40, 194, top + 60}, 1);
    Rect cancel = {114, top + 40, 194, top + 60};
    DrawText(font, "Cancel", 0, 0x156, &cancel);
    for (u32 s = 0; s < 4; ++s) skin->DrawCheckBox({24 + s32(s) * 24, top + 70, 40 + s32(s) * 24, top + 86}, s);
    skin->DrawGroupFrame({130, top + 66, 240, top + 110});
    skin->DrawSelection({140, top + 74, 230, top + 90}, 7);
    skin->DrawTreeArrow({24, top + 92, 40, top + 108}, 1);
    skin->DrawTreeArrow({44, top + 92, 60, top + 108}, 0);
    skin->DrawSubmenuArrow({64, top + 92, 80, top + 108});
    skin->DrawThinBorder({270, top, 390, top + 60});
    skin->DrawRubberBand({280, top + 10, 380, top + 50});
    skin->DrawScrollTrack({400, top, 414, top + 120}, 0, 0, 0, 1);
    skin->DrawScrollThumb({400, top + 30, 414, top + 70}, 0, 0);
    skin->DrawScrollTrack({420, top + 106, 620, top + 120}, 1, 0, 1, 1);
    skin->DrawScrollThumb({480, top + 106, 540, top + 120}, 1, 1);
    skin->DrawScrollTrack({630, top, 644, top + 120}, 0, 0, 0, 0);
    Rect tab, tabText;
    Skin::GetTabRect(60, &tab, &tabText);
    // Tab rectangles start at top 0 in their widget's coordinates.
    glPushMatrix();
    glTranslatef(420, float(top), 0);
    skin->DrawTab({0, 0, tab.right, tab.bottom}, 0);
    Rect firstText = tabText;
    DrawText(font, "Inactive", 0, 0x106, &firstText);
    skin->DrawTab({tab.right - 8, 0, 2 * tab.right - 8, tab.bottom}, 1);
    Rect secondText = {tabText.left + tab.right - 8, tabText.top, tabText.right + tab.right - 8, tabText.bottom};
    DrawText(font, "Active", 0, 0x106, &secondText);
    skin->DrawFrame({0, tab.bottom, 200, 100}, 2);
    glPopMatrix();
    skin->DrawDropdownArrow(1, 0, 660, top);
    skin->DrawDropdownArrow(1, 1, 680, top);
    skin->DrawDropdownArrow(0, 0, 700, top);
    // Text styles.
    Rect lines = {10, 410, 790, 590};
    DrawText(font,
             "Plain: The quick brown fox jumps over the lazy dog. 0123456789 \xa1 \x8e\x8f\n"
             "|bBold: The quick brown fox jumps over the lazy dog.\n"
             "|iItalic: The quick brown fox jumps over the lazy dog.\n"
             "|oOther: The quick brown fox jumps over the lazy dog.\n"
             "|pTabs:\tone\ttwo\tthree\n"
             "Wrapped text: this line is long enough that it wraps at the right edge of the rectangle when word "
             "wrap is on, which it is here; it goes on and on to show how the lines fall.",
             0, kTextWordWrap | kTextShadow, &lines);
    glFinish();

    std::vector<u8> pixels(size_t(kWidth) * kHeight * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    FileRecord rec(BuildPath("skin-sheet.png").c_str());
    rec.kind = kFileKindImage;
    rec.format = kFileFormatPng;
    ASSERT_TRUE(rec.image.Create(kWidth, kHeight, kImageRgba, nullptr));
    for (int y = 0; y < kHeight; ++y)
        memcpy(rec.image.pixels + size_t(y) * kWidth * 4, pixels.data() + size_t(kHeight - 1 - y) * kWidth * 4,
               size_t(kWidth) * 4);
    for (size_t i = 3; i < pixels.size(); i += 4) rec.image.pixels[i] = 255;
    EXPECT_TRUE(rec.Save());
}
