// The colours bitmaps are drawn in: the draw palette under hue changes, shadow greys and
// true-colour pixels with their hue changes and second colours.
#include <gtest/gtest.h>

#include <cstring>

#include "collection/BitmapColors.h"

namespace {

void SetEntry(Collection& c, u32 i, u8 r, u8 g, u8 b)
{
    c.colorTable.entries[i] = ColorTableEntry{r, g, b};
}

HueChange* RedReplacement(Collection& c, u8 mode)
{
    HueChange* hc = c.AddHueChange("h");  // range [0x5556, 0xAAAB), median 0x8001
    hc->minimumSaturation = 0;
    hc->replacementMode = mode;
    hc->replacementRed = 0xFF00;
    hc->replacementGreen = 0;
    hc->replacementBlue = 0;
    return hc;
}

Rgb Tile1(const Collection& c, const CollectionBitmap& b)
{
    Rgb palette[256];
    u32 count = 0;
    BuildDrawPalette(c, palette, &count);
    TrueColorHues hues;
    hues.Prepare(c);
    u8 rgba[4];
    ConvertBitmapTile(b, palette, hues, 0, 0, 1, 1, rgba);
    return Rgb{rgba[0], rgba[1], rgba[2]};
}

}  // namespace

TEST(BitmapColors, HueChangesShiftTheColoursInTheirRange)
{
    Collection c;
    SetEntry(c, 2, 0, 255, 255);  // cyan, hue 0x8000
    SetEntry(c, 3, 0, 255, 0);    // green, hue 0x5555: just outside
    SetEntry(c, 4, 0, 0, 255);    // blue, hue 0xAAAA: inside
    SetEntry(c, 5, 200, 10, 10);
    HueChange* hc = RedReplacement(c, 1);
    Rgb p[256];
    u32 count = 0;
    BuildDrawPalette(c, p, &count);
    EXPECT_EQ(256u, count);
    EXPECT_GE(p[2].r, 250);
    EXPECT_LE(p[2].g, 6);
    EXPECT_LE(p[2].b, 6);
    EXPECT_EQ(Rgb({0, 255, 0}), p[3]);
    EXPECT_NE(Rgb({0, 0, 255}), p[4]);
    EXPECT_EQ(Rgb({200, 10, 10}), p[5]);
    hc->replacementMode = 3;
    BuildDrawPalette(c, p, &count);
    EXPECT_GE(p[2].r, 250) << "indexed bitmaps are shifted, not filled, in any mode";
    EXPECT_LE(p[2].g, 6);
    hc->replacementMode = 0;
    BuildDrawPalette(c, p, &count);
    EXPECT_EQ(Rgb({0, 255, 255}), p[2]);
    EXPECT_EQ(Rgb({0, 0, 255}), p[4]);
}

TEST(BitmapColors, PixelsOfEveryKindBecomeRgba)
{
    Collection c;
    SetEntry(c, 9, 30, 20, 10);  // orange: outside the hue change's range
    HueChange* hc = RedReplacement(c, 3);
    (void)hc;
    struct Case {
        const char* what;
        u32 bpp;
        u16 flags;
        u8 pixel[8];
        u8 rgba[4];
        int tolerance;
    } cases[] = {
        {"ordinary through the palette", 2, 0, {136, 9}, {30, 20, 10, 136}, 0},
        {"shadow level 200 is grey 55", 2, kBitmapShadow, {255, 200}, {55, 55, 55, 255}, 0},
        {"true colour RGB, level 31", 8, kBitmapTrueColor, {40, 50, 60, 31}, {40, 50, 60, 255}, 0},
        {"true colour level 15", 8, kBitmapTrueColor, {40, 50, 60, 15}, {40, 50, 60, 123}, 0},
        {"second colour blended by 16 / 64", 8, kBitmapTrueColor, {100, 0, 1, 31, 0, 200, 50, 16},
         {75, 50, 13, 255}, 0},
        {"hue change 1 in mode 3 is the solid replacement", 8, kBitmapTrueColor, {0, 255, 0, 31 | 1 << 5},
         {255, 0, 0, 255}, 0},
        {"hue change 5, which the collection lacks, keeps the stored hue, value and saturation", 8,
         kBitmapTrueColor, {0, 255, 255, 31 | 5 << 5}, {255, 0, 0, 255}, 1},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        CollectionBitmap* b = c.AddBitmap("b", k.flags, k.pixel, 1, 1, k.bpp, nullptr);
        Rgb got = Tile1(c, *b);
        EXPECT_NEAR(k.rgba[0], got.r, k.tolerance);
        EXPECT_NEAR(k.rgba[1], got.g, k.tolerance);
        EXPECT_NEAR(k.rgba[2], got.b, k.tolerance);
        Rgb palette[256] = {};
        TrueColorHues hues;
        hues.Prepare(c);
        u8 out[4];
        ConvertBitmapTile(*b, palette, hues, 0, 0, 1, 1, out);
        EXPECT_EQ(k.rgba[3], out[3]);
    }
}

TEST(BitmapColors, TrueColourHueChangeInModeOneShiftsTheStoredHue)
{
    Collection c;
    RedReplacement(c, 1);
    // Stored hue 0x80 (cyan), value 255, saturation 255: shifted by -median + red gives red.
    const u8 pixel[8] = {0x80, 255, 254, 31 | 1 << 5};
    CollectionBitmap* b = c.AddBitmap("b", kBitmapTrueColor, pixel, 1, 1, 8, nullptr);
    Rgb got = Tile1(c, *b);
    EXPECT_GE(got.r, 240);
    EXPECT_LE(got.g, 12);
    EXPECT_LE(got.b, 12);
}
