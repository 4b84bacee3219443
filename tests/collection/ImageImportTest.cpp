// Importing images into a collection's bitmaps and table, cropping and enlarging with the
// view points, and exporting bitmaps as 8-bit files that come back the same.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "../common/TempFolder.h"
#include "../common/ThirdPartyTools.h"
#include "collection/BitmapCrop.h"
#include "collection/BitmapExport.h"
#include "collection/ImageImport.h"

namespace {

struct OwnedImage : Image {
    OwnedImage() { Init(); }
    ~OwnedImage() { Free(); }
};

// An indexed image with the given palette and pixels.
void MakeIndexed(Image& image, u32 w, u32 h, const std::vector<Rgb>& palette, const std::vector<u8>& pixels)
{
    ASSERT_TRUE(image.Create(w, h, kImageIndexed, pixels.data()));
    ASSERT_TRUE(image.SetPalette(u32(palette.size()), palette.data()));
}

Rgb Colour(u32 i)
{
    return Rgb{u8(i), u8(255 - i), u8(i * 7)};
}

// A table of `distinct` different colours followed by copies of the last one.
void FillTable(Collection& c, u32 distinct)
{
    for (u32 i = 0; i < 256; ++i) {
        Rgb k = Colour(i < distinct ? i : distinct - 1);
        c.colorTable.entries[i] = ColorTableEntry{k.r, k.g, k.b};
    }
}

bool SameEntry(const ColorTableEntry& e, const Rgb& c)
{
    return e.red == c.r && e.green == c.g && e.blue == c.b;
}

std::vector<u8> Pixels(const CollectionBitmap& b)
{
    return std::vector<u8>(b.pixels, b.pixels + b.PixelByteCount());
}

}  // namespace

TEST(ImageImport, ImportsFollowTheTableRulesForEachKindOfImageAndTable)
{
    struct Case {
        const char* what;
        u32 tableDistinct;   // 0: fresh (all entries equal, no bitmaps)
        u32 newColours;      // palette colours the table lacks
        u32 indexOfPixel0;   // which table entry the first pixel's colour equals (255: a new one)
        bool expectBitmap;
        u16 expectFlags;
    };
    const Case cases[] = {
        {"fresh table taken without asking", 0, 200, 255, true, 0},
        {"246 free slots hold 246 new colours", 10, 246, 255, true, 0},
        {"the 247th new colour does not fit", 10, 247, 255, false, 0},
        {"a pixel of entry 1 is transparent, the bitmap stays raw", 10, 3, 1, true, 0},
        {"a pixel of entry 0 makes the bitmap span-coded", 10, 3, 0, true, kBitmapSpanRows},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        Collection c;
        if (k.tableDistinct) FillTable(c, k.tableDistinct);
        else memset(&c.colorTable, 7, sizeof(c.colorTable));
        // Palette: the new colours (far from the table's), then copies of entry 0.
        std::vector<Rgb> palette;
        for (u32 i = 0; i < k.newColours; ++i) palette.push_back(Rgb{u8(i), 3, u8(200 + i % 50)});
        if (k.indexOfPixel0 != 255) palette.insert(palette.begin(), Colour(k.indexOfPixel0));
        std::vector<u8> px(8);
        // Palette entries 0 and 1 are the markers once they become the table: pixels use
        // entries 2 and up, but for pixel 0 when the case puts a table colour there.
        bool marked = k.indexOfPixel0 != 255;
        for (u32 i = 0; i < 8; ++i) px[i] = u8(marked && i == 0 ? 0 : 2 + i % (palette.size() - 2));
        OwnedImage image;
        MakeIndexed(image, 4, 2, palette, px);
        ColorTable before = c.colorTable;
        CollectionBitmap* b = c.ImportImage(image, "bits", nullptr, false);
        ASSERT_EQ(k.expectBitmap, b != nullptr);
        if (!b) {
            EXPECT_EQ(0, memcmp(&before, &c.colorTable, sizeof(before))) << "a refused import changes nothing";
            EXPECT_EQ(0u, c.GetBitmapCount());
            continue;
        }
        EXPECT_EQ(k.expectFlags, b->flags);
        EXPECT_STREQ("bits", b->name);
        for (u32 i = 0; i < 8; ++i) {
            const u8* p = b->pixels + 2 * i;
            Rgb want = palette[px[i]];
            if (marked && i == 0) {
                EXPECT_EQ(0, p[0]) << i;
                EXPECT_EQ(0, p[1]) << i;
            } else {
                EXPECT_EQ(255, p[0]) << i;
                EXPECT_TRUE(SameEntry(c.colorTable.entries[p[1]], want)) << i;
            }
        }
        if (k.tableDistinct == 10) {
            for (u32 i = 0; i < 10; ++i) EXPECT_TRUE(SameEntry(c.colorTable.entries[i], Colour(i))) << "kept " << i;
        }
    }
}

TEST(ImageImport, AlphaIndexPixelsKeepTheirAlphaUnlessTheyMapToAMarker)
{
    // Every {alpha, index} pair once. Palette entries 200 and up repeat entries 0..55, so that
    // they map to the lower entry: 200 and 201 land on the markers.
    struct Case {
        const char* what;
        u32 lowestIndex;   // pixels use indices from here
        bool hardAlpha;    // alphas 0 and 255 only
        u16 expectFlags;
    };
    const Case cases[] = {
        {"every pair", 0, false, kBitmapSpanRows | kBitmapPartialAlpha},
        {"no index reaches entry 0, hard alphas only", 2, true, 0},
        {"no index reaches entry 0, partial alphas", 2, false, kBitmapPartialAlpha},
    };
    std::vector<Rgb> palette(256);
    for (u32 i = 0; i < 256; ++i) palette[i] = Colour(i < 200 ? i : i - 200);
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        Collection c;
        OwnedImage image;
        ASSERT_TRUE(image.Create(256, 256, kImageAlphaIndex, nullptr));
        ASSERT_TRUE(image.SetPalette(256, palette.data()));
        for (u32 a = 0; a < 256; ++a)
            for (u32 p = 0; p < 256; ++p) {
                u8* at = image.pixels + 2 * (a * 256 + p);
                at[0] = k.hardAlpha ? (a & 1 ? 255 : 0) : u8(a);
                at[1] = u8(p < k.lowestIndex || (k.lowestIndex && (p == 200 || p == 201)) ? 2 : p);
            }
        CollectionBitmap* b = c.ImportImage(image, "pairs", nullptr, false);
        ASSERT_NE(nullptr, b);
        EXPECT_EQ(k.expectFlags, b->flags);
        u32 wrong = 0;
        for (u32 i = 0; i < 256 * 256; ++i) {
            const u8* in = image.pixels + 2 * i;
            const u32 mapped = in[1] < 200 ? in[1] : in[1] - 200u;
            const u8 want[2] = {mapped <= 1 ? u8(0) : in[0], mapped <= 1 ? u8(0) : u8(mapped)};
            if (b->pixels[2 * i] != want[0] || b->pixels[2 * i + 1] != want[1]) ++wrong;
        }
        EXPECT_EQ(0u, wrong);
    }
}

TEST(ImageImport, ReplacingTheTableTakesThePaletteAndFillsItWithEntryZero)
{
    Collection c;
    FillTable(c, 256);
    c.AddBitmap("old", 0, nullptr, 1, 1, 2, nullptr);
    OwnedImage image;
    MakeIndexed(image, 2, 1, {Rgb{9, 9, 9}, Rgb{1, 2, 3}, Rgb{4, 5, 6}}, {2, 2});
    EXPECT_EQ(nullptr, c.ImportImage(image, "x", nullptr, false));
    CollectionBitmap* b = c.ImportImage(image, "x", c.GetBitmap(0), true);
    ASSERT_NE(nullptr, b);
    EXPECT_EQ(1u, c.GetBitmapCount()) << "replaced in place";
    EXPECT_TRUE(SameEntry(c.colorTable.entries[2], Rgb{4, 5, 6}));
    EXPECT_TRUE(SameEntry(c.colorTable.entries[255], Rgb{9, 9, 9}));
    EXPECT_EQ(2, b->pixels[1]);
}

TEST(ImageImport, TrueColourAndGreyImagesBecomeIndexedBitmaps)
{
    // 24-bit: quantised to its three colours, each pixel keeping its colour.
    Collection c;
    memset(&c.colorTable, 0, sizeof(c.colorTable));
    const u8 rgb[] = {200, 10, 10, 10, 200, 10, 10, 10, 200, 200, 10, 10};
    OwnedImage image;
    ASSERT_TRUE(image.Create(2, 2, kImageRgb, rgb));
    CollectionBitmap* b = c.ImportImage(image, "rgb", nullptr, false);
    ASSERT_NE(nullptr, b);
    for (u32 i = 0; i < 4; ++i) {
        const ColorTableEntry& e = c.colorTable.entries[b->pixels[2 * i + 1]];
        EXPECT_EQ(rgb[3 * i], e.red);
        EXPECT_EQ(rgb[3 * i + 1], e.green);
        EXPECT_EQ(rgb[3 * i + 2], e.blue);
    }
    // RGBA with partial alpha keeps it and says so.
    const u8 rgba[] = {200, 10, 10, 128, 10, 200, 10, 255};
    OwnedImage withAlpha;
    ASSERT_TRUE(withAlpha.Create(2, 1, kImageRgba, rgba));
    CollectionBitmap* a = c.ImportImage(withAlpha, "rgba", nullptr, false);
    ASSERT_NE(nullptr, a);
    EXPECT_EQ(128, a->pixels[0]);
    EXPECT_TRUE(a->flags & kBitmapPartialAlpha);

    // 8-bit grey (a grey-ramp indexed file loads so): values are indices into the ramp.
    Collection grey;
    memset(&grey.colorTable, 0, sizeof(grey.colorTable));
    const u8 values[] = {5, 90, 0, 200};
    OwnedImage g;
    ASSERT_TRUE(g.Create(4, 1, kImageAlpha, values));
    CollectionBitmap* gb = grey.ImportImage(g, "grey", nullptr, false);
    ASSERT_NE(nullptr, gb);
    EXPECT_EQ(kBitmapSpanRows, gb->flags) << "value 0 is index 0";
    const u8 want[] = {255, 5, 255, 90, 0, 0, 255, 200};
    EXPECT_EQ(std::vector<u8>(want, want + 8), Pixels(*gb));
    EXPECT_EQ(90, grey.colorTable.entries[90].red);
}

TEST(ImageImport, MergeUsesTheLowestFreeSlotsAndKeepsPlacedColours)
{
    ColorTable t;
    for (u32 i = 0; i < 256; ++i) t.entries[i] = ColorTableEntry{u8(i < 254 ? i : 0), 0, 0};
    // Free: 254 and 255 (copies of entry 0). Three new colours: two fit, the third does not.
    Rgb palette[256];
    for (u32 i = 0; i < 256; ++i) palette[i] = Rgb{u8(i % 200), 0, 0};
    palette[10] = Rgb{1, 1, 1};
    palette[11] = Rgb{2, 2, 2};
    EXPECT_EQ(1, MergeColorTable(t, palette));
    EXPECT_TRUE(SameEntry(t.entries[254], Rgb{1, 1, 1}));
    EXPECT_TRUE(SameEntry(t.entries[255], Rgb{2, 2, 2}));
    palette[12] = Rgb{3, 3, 3};
    ColorTable full = t;
    EXPECT_EQ(0, MergeColorTable(full, palette));
}

TEST(ImageImport, AlphaFromAGreyImageNeedsTheSameSize)
{
    Collection c;
    CollectionBitmap* b = c.AddBitmap("b", 0, nullptr, 3, 1, 2, nullptr);
    const u8 mask[] = {0, 255, 128};
    OwnedImage wrong, right;
    ASSERT_TRUE(wrong.Create(3, 2, kImageAlpha, nullptr));
    ASSERT_TRUE(right.Create(3, 1, kImageAlpha, mask));
    EXPECT_EQ(0, b->SetAlphaFromImage(wrong));
    EXPECT_EQ(0, b->pixels[2]);
    EXPECT_EQ(1, b->SetAlphaFromImage(right));
    EXPECT_EQ(255, b->pixels[2]);
    EXPECT_EQ(128, b->pixels[4]);
    EXPECT_TRUE(b->flags & kBitmapPartialAlpha);
    const u8 binary[] = {0, 255, 255};
    ASSERT_TRUE(right.Create(3, 1, kImageAlpha, binary));
    EXPECT_EQ(1, b->SetAlphaFromImage(right));
    EXPECT_FALSE(b->flags & kBitmapPartialAlpha);
}

// ---------------------------------------------------------------------------------------
// Crop and uncrop

namespace {

// A sequence with two views of the bitmap: view 0 unmirrored, view 1 mirrored horizontally;
// both with registration (20, 30) and key (5, 6).
Sequence* TwoViews(Collection& c, CollectionBitmap* b)
{
    Sequence* s = c.AddSequence("s");
    s->Resize(2, 1);
    for (u32 v = 0; v < 2; ++v) {
        FrameView& fv = s->GetFrameView(0, v);
        fv.bitmap = b;
        fv.registrationX = 20;
        fv.registrationY = 30;
        fv.keyX = 5;
        fv.keyY = 6;
        fv.flags = v ? u32(kViewMirrorX) : 0u;
    }
    return s;
}

}  // namespace

TEST(BitmapCrop, CropAndUncropMoveThePointsWithThePixels)
{
    struct Case {
        const char* what;
        bool pad;
        u32 w, h, bpp;
        u16 flags;
        s64 answer;
        u32 newW, newH;
        s16 dx0, dy0, dx1;  // point moves of the unmirrored view and x of the mirrored one
    };
    const Case cases[] = {
        {"crop 10 x 10 to columns and rows 2..5", false, 10, 10, 2, kBitmapSpanRows, 84, 4, 4, -2, -2, -4},
        {"the same true-colour bitmap", false, 10, 10, 8, kBitmapTrueColor, 84, 4, 4, -2, -2, -4},
        {"a raw 64 x 32 bitmap is not cropped", false, 64, 32, 2, 0, 0, 64, 32, 0, 0, 0},
        {"enlarge 5 x 5 to 8 x 8", true, 5, 5, 2, 0, 1, 8, 8, 1, 1, 2},
        {"enlarge a true-colour 5 x 5 to 8 x 8", true, 5, 5, 8, kBitmapTrueColor, 1, 8, 8, 1, 1, 2},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        Collection c;
        CollectionBitmap* b = c.AddBitmap("b", k.flags, nullptr, k.w, k.h, k.bpp, nullptr);
        // Opaque block at columns and rows 2..5 (clipped to the bitmap), each pixel tagged.
        for (u32 y = 2; y < 6 && y < k.h; ++y)
            for (u32 x = 2; x < 6 && x < k.w; ++x) {
                u8* p = b->pixels + (u64(y) * k.w + x) * k.bpp;
                if (k.bpp == 8) p[3] = 31;
                else p[0] = 255;
                p[1] = u8(10 * y + x);
            }
        Sequence* s = TwoViews(c, b);
        s64 answer = k.pad ? PadBitmap(c, *b, 8, 8) : TrimBitmap(c, *b);
        EXPECT_EQ(k.answer, answer);
        EXPECT_EQ(k.newW, b->width);
        EXPECT_EQ(k.newH, b->height);
        EXPECT_EQ(20 + k.dx0, s->GetFrameView(0, 0).registrationX);
        EXPECT_EQ(30 + k.dy0, s->GetFrameView(0, 0).registrationY);
        EXPECT_EQ(5 + k.dx0, s->GetFrameView(0, 0).keyX);
        EXPECT_EQ(20 + k.dx1, s->GetFrameView(0, 1).registrationX);
        EXPECT_EQ(30 + k.dy0, s->GetFrameView(0, 1).registrationY);
        // The pixel that was at (2, 2) is now at (2 + dx0, 2 + dy0).
        u32 x = u32(2 + k.dx0), y = u32(2 + k.dy0);
        EXPECT_EQ(22, b->pixels[(u64(y) * b->width + x) * k.bpp + 1]);
    }
}

TEST(BitmapCrop, NothingToKeepOrNoRoomLeavesTheBitmapAlone)
{
    Collection c;
    CollectionBitmap* b = c.AddBitmap("b", kBitmapSpanRows, nullptr, 3, 3, 2, nullptr);
    u8* before = b->pixels;
    EXPECT_EQ(kCropAllTransparent, TrimBitmap(c, *b));
    EXPECT_EQ(before, b->pixels);
    EXPECT_EQ(0, PadBitmap(c, *b, 2, 9)) << "a side would shrink";
    EXPECT_EQ(0, PadBitmap(c, *b, 3, 3));
    EXPECT_EQ(kCropNoMemory, PadBitmap(c, *b, 4096, 4097)) << "past the largest bitmap";
    EXPECT_EQ(kCropNoMemory, PadBitmap(c, *b, 40000, 3));
    EXPECT_EQ(3, b->width);
    EXPECT_EQ(before, b->pixels);
}

// ---------------------------------------------------------------------------------------
// Export

TEST(BitmapExport, ExportedBitmapsComeBackTheSameAndOtherToolsReadThem)
{
    struct Case {
        const char* what;
        const char* file;
        u16 flags;
    };
    const Case cases[] = {
        {"raw stays raw (transparent written as 1)", "raw.png", 0},
        {"span-coded stays span-coded (transparent written as 0)", "span.png", kBitmapSpanRows},
        {"raw through BMP", "raw.bmp", 0},
        {"span-coded through TIFF", "span.tiff", kBitmapSpanRows},
        {"a shadow bitmap under the grey ramp", "shadow.png", kBitmapShadow},
    };
    TempFolder dir;
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        Collection c;
        FillTable(c, 256);
        const u8 px[] = {0, 0, 255, 7, 255, 200, 255, 2, 0, 0, 255, 9};
        CollectionBitmap* b = c.AddBitmap("b", k.flags, px, 3, 2, 2, nullptr);
        std::string path = dir / k.file;
        FileRecord out(path.c_str());
        out.format = FindFormatByExtension(path.c_str());
        ASSERT_EQ(1, ExportBitmapToImage(c, *b, out));
        FileRecord in(path.c_str());
        ASSERT_TRUE(in.Load());
        u8 transparent = (k.flags & kBitmapSpanRows) ? 0u : 1u;
        if (!(k.flags & kBitmapShadow)) {
            EXPECT_EQ(kImageIndexed, in.image.format);
            EXPECT_EQ(transparent, in.image.pixels[0]);
        }
        Collection again;
        memcpy(&again.colorTable, &c.colorTable, sizeof(c.colorTable));
        again.AddBitmap("keep the table from being fresh", 0, nullptr, 1, 1, 2, nullptr);
        if (k.flags & kBitmapShadow) {
            EXPECT_EQ(kImageAlpha, in.image.format) << "a grey-ramp file loads as grey";
            memset(&again.colorTable, 0, sizeof(again.colorTable));
            for (u32 i = 0; i < 256; ++i) again.colorTable.entries[i] = ColorTableEntry{u8(i), u8(i), u8(i)};
        }
        CollectionBitmap* r = again.ImportImage(in.image, "r", nullptr, false);
        ASSERT_NE(nullptr, r);
        // A shadow's transparent pixels keep darkness 0, which imports as index 0.
        u16 span = (k.flags & kBitmapShadow) ? u16(kBitmapSpanRows) : u16(k.flags & kBitmapSpanRows);
        EXPECT_EQ(span, r->flags & kBitmapSpanRows);
        if (k.flags & kBitmapShadow) {
            // Transparent shadow pixels keep their darkness level 0: still transparent.
            EXPECT_EQ(0, r->pixels[0]);
            EXPECT_EQ(200, r->pixels[5]);
        } else {
            EXPECT_EQ(Pixels(*b), Pixels(*r));
        }
        if (HaveThirdPartyTool("identify")) {
            std::string seen = ToolOutput("identify -format '%wx%h %z' '" + path + "' 2>/dev/null");
            EXPECT_EQ("3x2 8", seen);
        }
    }
}

TEST(BitmapExport, AlphaExportIsAGreyImageAndTrueColourIsRefused)
{
    TempFolder dir;
    Collection c;
    const u8 px[] = {0, 0, 136, 7, 255, 200};
    CollectionBitmap* b = c.AddBitmap("b", 0, px, 3, 1, 2, nullptr);
    std::string path = dir / "alpha.png";
    FileRecord out(path.c_str());
    out.format = kFileFormatPng;
    ASSERT_EQ(1, ExportBitmapAlphaToImage(c, *b, out));
    FileRecord in(path.c_str());
    ASSERT_TRUE(in.Load());
    EXPECT_EQ(kImageAlpha, in.image.format);
    const u8 want[] = {0, 136, 255};
    EXPECT_EQ(0, memcmp(want, in.image.pixels, 3));
    if (HaveThirdPartyTool("identify")) {
        EXPECT_EQ("Gray", ToolOutput("identify -format '%[colorspace]' '" + path + "'"));
    }

    CollectionBitmap* t = c.AddBitmap("t", kBitmapTrueColor, nullptr, 2, 2, 8, nullptr);
    FileRecord none((dir / "t.png").c_str());
    none.format = kFileFormatPng;
    EXPECT_EQ(0, ExportBitmapToImage(c, *t, none));
    EXPECT_EQ(0, ExportBitmapAlphaToImage(c, *t, none));
}

TEST(BitmapExport, AFailedSaveKeepsThePreviousFile)
{
    TempFolder dir;
    Collection c;
    CollectionBitmap* b = c.AddBitmap("b", 0, nullptr, 2, 2, 2, nullptr);
    std::string path = dir / "keep.png";
    {
        FILE* f = fopen(path.c_str(), "wb");
        fputs("previous", f);
        fclose(f);
    }
    FileRecord out(path.c_str());
    out.format = kFileFormatUnknown;  // no writer: the save fails
    EXPECT_EQ(0, ExportBitmapToImage(c, *b, out));
    FILE* f = fopen(path.c_str(), "rb");
    char text[16] = {};
    ASSERT_TRUE(f);
    EXPECT_EQ(8u, fread(text, 1, sizeof(text), f));
    fclose(f);
    EXPECT_STREQ("previous", text);
}
