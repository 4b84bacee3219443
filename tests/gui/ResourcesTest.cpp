// The resources the build generates into res/ and charmap: they load, hold every image and
// glyph the program looks up, and have the sizes the skin's layout is built around.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "foundation/FileRecord.h"
#include "gui/core/Charmap.h"
#include "gui/core/Font.h"
#include "gui/core/TexturePack.h"
#include "tests/common/TestDirs.h"

namespace {

std::string BuildPath(const char* name) { return std::string(TestBinaryDir()) + "/" + name; }

struct Pages {
    std::vector<std::pair<u32, u32>> sizes;
};
void NoBlit(void* c, PackNode* n) { n->page = u16(static_cast<Pages*>(c)->sizes.size() - 1); }
void UiPageSize(void*, u64 area, u32* w, u32* h) { ChooseAtlasPageSize(area, 1024, 1024, w, h); }
int AddPage(void* c, u32 w, u32 h)
{
    static_cast<Pages*>(c)->sizes.push_back({w, h});
    return 1;
}
void NoFinish(void*) {}

class GeneratedPack : public ::testing::Test {
protected:
    void SetUp() override
    {
        pack = NewTexturePack();
        ASSERT_GT(LoadTexturePack(pack, BuildPath("res/texturepack").c_str()), 0u);
    }
    void TearDown() override { FreeTexturePack(pack); }
    void ExpectSize(u32 id, s32 w, s32 h)
    {
        s32 iw = -1, ih = -1;
        GetPackImageSize(FindPackImage(pack, id), &iw, &ih);
        EXPECT_EQ(iw, w) << "image " << id;
        EXPECT_EQ(ih, h) << "image " << id;
    }
    TexturePack* pack = nullptr;
};

}  // namespace

TEST_F(GeneratedPack, HoldsEverySkinImageOnce)
{
    EXPECT_EQ(pack->images.count, 81u);
    for (u32 id = 0; id <= 80; ++id) EXPECT_NE(FindPackImage(pack, id), nullptr) << "image " << id;
}

TEST_F(GeneratedPack, ImagesHaveTheSizesTheLayoutAssumes)
{
    s32 w = 0, h = 0;
    GetPackImageSize(FindPackImage(pack, 1), nullptr, &h);
    EXPECT_EQ(h, 4);  // frame border: a collapsed window is 2 x 4 + 22 high
    GetPackImageSize(FindPackImage(pack, 10), nullptr, &h);
    EXPECT_EQ(h, 22);
    GetPackImageSize(FindPackImage(pack, 52), &w, &h);
    EXPECT_LE(w, 14);
    EXPECT_LE(h, 14);
    for (u32 id : {54u, 58u, 60u, 61u, 63u}) ExpectSize(id, w, h);
    ExpectSize(40, 14, 14);
    for (u32 id = 41; id <= 45; ++id) ExpectSize(id, 14, 14);
    GetPackImageSize(FindPackImage(pack, 38), &w, nullptr);
    EXPECT_EQ(w, 14);
    ExpectSize(70, 14, 14);
    ExpectSize(73, 14, 14);
    for (u32 id = 74; id <= 77; ++id) ExpectSize(id, 14, 4);
    ExpectSize(46, 16, 16);
    ExpectSize(48, 16, 16);
    ExpectSize(47, 8, 8);
    ExpectSize(49, 8, 8);
    for (u32 id : {28u, 29u, 30u, 35u, 36u, 37u, 78u, 79u, 80u}) ExpectSize(id, 15, 15);
    GetPackImageSize(FindPackImage(pack, 25), &w, &h);
    EXPECT_LE(w, 16);
    EXPECT_LE(h, 16);
    // Caps and middles of a part are equally high.
    s32 capH = 0;
    GetPackImageSize(FindPackImage(pack, 6), nullptr, &capH);
    for (u32 id = 4; id <= 9; ++id) {
        GetPackImageSize(FindPackImage(pack, id), nullptr, &h);
        EXPECT_EQ(h, capH) << "image " << id;
    }
}

TEST_F(GeneratedPack, KeepsStraightAlphaAndFitsOnAFewUserInterfacePages)
{
    // Shadows are black with falling alpha: windows draw them with a white colour, so the
    // darkness must be in the image.
    PackImage* shadow = FindPackImage(pack, 46);
    ASSERT_NE(shadow, nullptr);
    u8* last = shadow->pixels + (shadow->width - 1) * 4;
    EXPECT_EQ(last[0], 0);
    EXPECT_LT(last[3], shadow->pixels[3]);
    EXPECT_GT(shadow->pixels[3], 0);
    // Straight alpha: somewhere a partly transparent pixel is brighter than its alpha, which a
    // premultiplied pixel never is.
    bool straight = false;
    for (u32 id = 0; id <= 80 && !straight; ++id) {
        PackImage* image = FindPackImage(pack, id);
        if (!image) continue;
        for (u32 i = 0; i < image->width * image->height && !straight; ++i) {
            const u8* p = image->pixels + i * 4;
            straight = p[3] > 0 && p[3] < 255 && (p[0] > p[3] || p[1] > p[3] || p[2] > p[3]);
        }
    }
    EXPECT_TRUE(straight);

    Pages pages;
    PackCallbacks cb = {NoBlit, UiPageSize, AddPage, NoFinish};
    EXPECT_EQ(PackRects(cb, &pages, &pack->images), 81u);
    EXPECT_LE(pages.sizes.size(), 2u);
}

TEST(GeneratedFont, HasFourStylesThatFitTheTitleBar)
{
    Font* font = ReadFontFile(BuildPath("res/dravell.tavikfont").c_str());
    ASSERT_NE(font, nullptr);
    for (u32 s = 0; s < kFontStyleCount; ++s) EXPECT_TRUE(FontHasStyle(font, s)) << "style " << s;
    EXPECT_GT(GetFontHeight(font), 8);
    EXPECT_LE(GetFontHeight(font), 22);
    EXPECT_LE(s32(font->header[kFontAscent]), GetFontHeight(font));
    EXPECT_GT(font->header[kFontTabWidth], 0u);
    for (u32 s = 0; s < kFontStyleCount; ++s) {
        EXPECT_GT(GetGlyphAdvance(font, s, 0, ' ', ' '), 0);
        // Every letter and digit has a picture and moves the pen.
        for (const char* p = "AZaz09@"; *p; ++p) {
            const Glyph& g = font->styles[s].glyphs[u8(*p) - 32];
            EXPECT_GT(g.width, 0) << *p;
            EXPECT_GT(GetGlyphAdvance(font, s, 0, u8(*p), ' '), 0) << *p;
        }
        // The upper half is there through the charmap: e acute, degree sign, bullet.
        for (u8 c : {u8(0x8E), u8(0xA1), u8(0xA5)}) EXPECT_GT(font->styles[s].glyphs[c - 32].width, 0) << int(c);
    }
    // Kerning is folded into the pairs: "AV" is tighter than "AA".
    EXPECT_LT(GetGlyphAdvance(font, 0, 0, 'A', 'V'), GetGlyphAdvance(font, 0, 0, 'A', 'A'));
    EXPECT_GT(MeasureTextWidth(font, "|bWide", 0, 0), MeasureTextWidth(font, "Wide", 0, 0));
    FreeFont(font);
}

TEST(GeneratedCharmap, IsTheBuiltInTable)
{
    FILE* f = fopen(BuildPath("charmap").c_str(), "rb");
    ASSERT_NE(f, nullptr);
    u8 bytes[500];
    size_t n = fread(bytes, 1, sizeof(bytes), f);
    fclose(f);
    ASSERT_EQ(n, 448u);
    for (u32 i = 0; i < kCharmapEntries; ++i)
        EXPECT_EQ(u16(bytes[2 * i] | (bytes[2 * i + 1] << 8)), GetBuiltinCharmap()[i]) << i;
}

namespace {

// What ImageMagick says of a file: "<format> <width>x<height>", or "" without the tool.
std::string Identify(const std::string& path)
{
    std::string command = "identify -format '%m %wx%h' '" + path + "' 2>/dev/null";
    FILE* p = popen(command.c_str(), "r");
    if (!p) return "";
    char line[128] = {};
    size_t n = fread(line, 1, sizeof(line) - 1, p);
    pclose(p);
    return std::string(line, n);
}

}  // namespace

TEST(GeneratedImages, TheSplashIsA24BitBmpAndTheIconAnRgbaPng)
{
    FileRecord splash(BuildPath("res/tavik.bmp").c_str());
    ASSERT_TRUE(splash.Load());
    EXPECT_EQ(splash.format, u32(kFileFormatBmp));
    EXPECT_EQ(splash.image.format, u32(kImageRgb));
    EXPECT_EQ(splash.image.width, 480u);
    EXPECT_EQ(splash.image.height, 270u);
    FileRecord icon(BuildPath("res/icon.png").c_str());
    ASSERT_TRUE(icon.Load());
    EXPECT_EQ(icon.image.format, u32(kImageRgba));
    EXPECT_EQ(icon.image.width, 48u);
    EXPECT_EQ(icon.image.height, 48u);
    // A third-party reader agrees.
    std::string bmp = Identify(BuildPath("res/tavik.bmp"));
    if (!bmp.empty()) {
        EXPECT_EQ(bmp, "BMP3 480x270");
        EXPECT_EQ(Identify(BuildPath("res/icon.png")), "PNG 48x48");
    }
}
