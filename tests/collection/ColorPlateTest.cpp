// Plates: the layout and the width search, the image format, parsing and cutting, the alpha
// plate, and round trips through real files.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "../common/TempFolder.h"
#include "../common/ThirdPartyTools.h"
#include "collection/ColorPlate.h"

namespace {

// A bitmap whose opaque pixels carry index 2 + (x + y) % 200; transparent where (x + y) % 5 == 0.
CollectionBitmap* Add(Collection& c, const char* name, u32 w, u32 h, u16 flags)
{
    CollectionBitmap* b = c.AddBitmap(name, flags, nullptr, w, h, 2, nullptr);
    for (u32 y = 0; y < h; ++y)
        for (u32 x = 0; x < w; ++x) {
            u8* p = b->pixels + (u64(y) * w + x) * 2;
            if ((x + y) % 5 == 0) continue;
            p[0] = 255;
            p[1] = u8(2 + (x + y) % 200);
        }
    return b;
}

void DistinctTable(Collection& c)
{
    for (u32 i = 0; i < 256; ++i) c.colorTable.entries[i] = ColorTableEntry{u8(i), u8(255 - i), u8(i / 3)};
}

std::vector<u8> Pixels(const CollectionBitmap* b)
{
    return std::vector<u8>(b->pixels, b->pixels + b->PixelByteCount());
}

u8 At(const Image& im, u32 x, u32 y)
{
    return im.pixels[u64(y) * im.width + x];
}

}  // namespace

TEST(ColorPlate, OneBitmapPerRowLaysOutTheFrameCellAndMarker)
{
    Collection c;
    DistinctTable(c);
    ScopedDynArray<CollectionBitmap*> list;
    list.Push(Add(c, "b", 10, 4, 0));
    ColorPlate plate;
    ASSERT_EQ(1, plate.Build(c, list, 1, false));
    const Image& im = plate.image;
    ASSERT_EQ(15u, im.width);
    ASSERT_EQ(9u, im.height);
    EXPECT_EQ(kImageIndexed, im.format);
    EXPECT_EQ(1, At(im, 1, 0));
    EXPECT_EQ(0, At(im, 0, 0));
    EXPECT_EQ(0, At(im, 2, 0));
    for (u32 x = 0; x < 15; ++x) {
        EXPECT_EQ(1, At(im, x, 1)) << "top line " << x;
        EXPECT_EQ(1, At(im, x, 8)) << "separator " << x;
    }
    for (u32 y = 1; y < 9; ++y) {
        EXPECT_EQ(1, At(im, 1, y)) << "vertical line " << y;
        EXPECT_EQ(1, At(im, 14, y)) << "last column " << y;
        EXPECT_EQ(y == 1 || y == 8 ? 1 : 0, At(im, 0, y)) << "column 0 " << y;
    }
    EXPECT_EQ(1, At(im, 13, 7)) << "marker";
    EXPECT_EQ(1, At(im, 3, 3)) << "(0, 0) is transparent in a raw bitmap: 1";
    EXPECT_EQ(3, At(im, 4, 3)) << "bitmap pixel (1, 0)";
    EXPECT_EQ(0, At(im, 2, 4)) << "the cell's first column is blank";
    ASSERT_EQ(1u, plate.rows.count);
    EXPECT_EQ(2u, plate.rows.data[0].top);
    EXPECT_EQ(8u, plate.rows.data[0].bottom);
    EXPECT_EQ(0, memcmp(im.palette, c.colorTable.entries, 768)) << "a colour plate carries the table";
}

TEST(ColorPlate, TheWidthSeriesAndTheSquarestPlateWin)
{
    struct Case {
        u32 m;
        std::vector<u32> first;
    } cases[] = {
        {105, {128, 192, 256, 384, 512}},
        {85, {128, 192}},
        {128, {192, 256}},
        {6, {8, 12, 16}},
    };
    for (const Case& k : cases) {
        std::vector<u32> seen;
        u32 w = ColorPlate::FirstSearchWidth(k.m);
        for (size_t i = 0; i < k.first.size(); ++i, w = ColorPlate::NextSearchWidth(w)) seen.push_back(w);
        EXPECT_EQ(k.first, seen) << "m = " << k.m;
    }
    u32 last = 0;
    for (u32 w = ColorPlate::FirstSearchWidth(105); w < kPlateMaxSearchWidth; w = ColorPlate::NextSearchWidth(w))
        last = ColorPlate::NextSearchWidth(w);
    EXPECT_EQ(32768u, last) << "the search ends at the first width of 32768 or more";

    // Sixteen 10 x 10 bitmaps (m = 15): width 64 holds four slots of 13 a row: 54 x 54.
    Collection c;
    ScopedDynArray<CollectionBitmap*> list;
    for (int i = 0; i < 16; ++i) list.Push(Add(c, "b", 10, 10, 0));
    ColorPlate plate;
    ASSERT_EQ(1, plate.Build(c, list, 0, false));
    EXPECT_EQ(54u, plate.image.width);
    EXPECT_EQ(54u, plate.image.height);
    EXPECT_EQ(4u, plate.rows.count);
}

TEST(ColorPlate, ExportedPlatesComeBackWithNullSlotsRawAndSpanBitmaps)
{
    TempFolder dir;
    const char* names[] = {"plate.png", "plate.bmp", "plate.tiff"};
    for (const char* name : names) {
        SCOPED_TRACE(name);
        Collection c;
        DistinctTable(c);
        CollectionBitmap* raw = Add(c, "raw", 7, 5, 0);
        CollectionBitmap* span = Add(c, "span", 4, 9, kBitmapSpanRows);
        CollectionBitmap* truecolor = c.AddBitmap("tc", kBitmapTrueColor, nullptr, 3, 3, 8, nullptr);
        ScopedDynArray<CollectionBitmap*> list;
        list.Push(raw);
        list.Push(nullptr);
        list.Push(span);
        list.Push(truecolor);
        std::string path = dir / name;
        FileRecord out(path.c_str());
        out.format = FindFormatByExtension(path.c_str());
        ASSERT_EQ(1, ExportColorPlate(c, list, out, false, 0));
        if (HaveThirdPartyTool("identify")) {
            EXPECT_EQ("8", ToolOutput("identify -format '%z' '" + path + "'"));
        }

        FileRecord in(path.c_str());
        ASSERT_TRUE(in.Load());
        ScopedDynArray<CollectionBitmap*> back;
        u32 before = c.GetBitmapCount();
        ASSERT_EQ(1, ImportColorPlateImage(c, in.image, "plate", &back));
        ASSERT_EQ(4u, back.count);
        EXPECT_EQ(before + 2, c.GetBitmapCount());
        ASSERT_NE(nullptr, back.data[0]);
        EXPECT_EQ(nullptr, back.data[1]);
        ASSERT_NE(nullptr, back.data[2]);
        EXPECT_EQ(nullptr, back.data[3]) << "a true-colour bitmap is an empty slot";
        EXPECT_STREQ("plate #0000", back.data[0]->name);
        EXPECT_STREQ("plate #0002", back.data[2]->name);
        EXPECT_EQ(0, back.data[0]->flags) << "raw stays raw";
        EXPECT_EQ(kBitmapSpanRows, back.data[2]->flags) << "span-coded stays span-coded";
        EXPECT_EQ(Pixels(raw), Pixels(back.data[0]));
        EXPECT_EQ(Pixels(span), Pixels(back.data[2]));
    }
}

TEST(ColorPlate, ImagesThatAreNotPlatesOrDoNotFitAreRefusedWhole)
{
    Collection source;
    DistinctTable(source);
    ScopedDynArray<CollectionBitmap*> list;
    list.Push(Add(source, "a", 6, 4, 0));
    list.Push(Add(source, "b", 5, 5, 0));
    ColorPlate good;
    ASSERT_EQ(1, good.Build(source, list, 0, false));
    struct Case {
        const char* what;
        u32 x, y;
        u8 value;
        bool fullTable;
    } cases[] = {
        {"pixel (2, 0) not 0", 2, 0, 1, false},
        {"a gap in row 1", 5, 1, 0, false},
        {"a separator row with a gap", 4, good.image.height - 1, 0, false},
        {"column 1 broken", 1, 4, 0, false},
        {"a separator mark in column 0 without its line", 0, 3, 1, false},
        {"colours that do not fit the table", 0, 0, 0, true},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        Image im;
        im.Init();
        ASSERT_TRUE(im.CopyFrom(good.image, kImageIndexed));
        if (!k.fullTable) im.pixels[u64(k.y) * im.width + k.x] = k.value;
        Collection c;
        DistinctTable(c);
        if (k.fullTable) {
            c.AddBitmap("x", 0, nullptr, 1, 1, 2, nullptr);
            for (u32 i = 0; i < 256; ++i) c.colorTable.entries[i].blue = 77;
        }
        ColorTable before = c.colorTable;
        u32 count = c.GetBitmapCount();
        EXPECT_EQ(0, ImportColorPlateImage(c, im, "p", nullptr));
        EXPECT_EQ(count, c.GetBitmapCount());
        EXPECT_EQ(0, memcmp(&before, &c.colorTable, sizeof(before)));
        im.Free();
    }
}

TEST(ColorPlate, AlphaPlatesReplaceAlphasOnlyWhenEveryCellMatches)
{
    Collection c;
    DistinctTable(c);
    CollectionBitmap* a = Add(c, "a", 6, 4, 0);
    CollectionBitmap* b = Add(c, "b", 5, 5, 0);
    ScopedDynArray<CollectionBitmap*> list;
    list.Push(a);
    list.Push(b);
    ColorPlate plate;
    ASSERT_EQ(1, plate.Build(c, list, 0, true));
    EXPECT_EQ(Rgb({77, 77, 77}), plate.image.palette[77]) << "grey ramp past the two markers";
    ASSERT_TRUE(plate.Parse());
    ASSERT_EQ(2u, plate.cells.count);
    // Paint alpha 136 into a's first pixel that is opaque.
    const PlateCell& cell = plate.cells.data[0];
    plate.image.pixels[u64(cell.y0) * plate.image.width + cell.x0 + 1] = 136;

    ScopedDynArray<CollectionBitmap*> tooFew;
    tooFew.Push(a);
    CollectionBitmap* narrow = Add(c, "narrow", 4, 5, 0);
    ScopedDynArray<CollectionBitmap*> narrower;
    narrower.Push(a);
    narrower.Push(narrow);
    std::vector<u8> keepA = Pixels(a), keepB = Pixels(b);
    struct Case {
        const char* what;
        const DynArray<CollectionBitmap*>* bitmaps;
    } refused[] = {{"one cell too many", &tooFew}, {"a cell wider than its bitmap", &narrower}};
    for (const Case& k : refused) {
        Image im;
        im.Init();
        ASSERT_TRUE(im.CopyFrom(plate.image, kImageIndexed));
        EXPECT_EQ(0, ImportAlphaPlateImage(im, *k.bitmaps)) << k.what;
        EXPECT_EQ(keepA, Pixels(a)) << k.what;
        im.Free();
    }
    ASSERT_EQ(1, ImportAlphaPlateImage(plate.image, list));
    EXPECT_EQ(136, a->pixels[2]);
    EXPECT_EQ(keepA[3], a->pixels[3]) << "indices unchanged";
    EXPECT_TRUE(a->flags & kBitmapPartialAlpha);
    EXPECT_EQ(keepB, Pixels(b));
}

TEST(ColorPlate, ARoundTripThroughAGreyRampFileStillParses)
{
    // A collection whose table is the grey ramp exports a file that loads as 8-bit grey.
    TempFolder dir;
    Collection c;
    for (u32 i = 0; i < 256; ++i) c.colorTable.entries[i] = ColorTableEntry{u8(i), u8(i), u8(i)};
    ScopedDynArray<CollectionBitmap*> list;
    list.Push(Add(c, "g", 8, 3, kBitmapSpanRows));
    std::string path = dir / "grey.png";
    FileRecord out(path.c_str());
    out.format = kFileFormatPng;
    ASSERT_EQ(1, ExportColorPlate(c, list, out, false, 0));
    FileRecord in(path.c_str());
    ASSERT_TRUE(in.Load());
    EXPECT_EQ(kImageAlpha, in.image.format);
    ScopedDynArray<CollectionBitmap*> back;
    ASSERT_EQ(1, ImportColorPlateImage(c, in.image, "g", &back));
    ASSERT_EQ(1u, back.count);
    EXPECT_EQ(Pixels(list.data[0]), Pixels(back.data[0]));
}
