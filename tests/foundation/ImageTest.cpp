#include <gtest/gtest.h>

#include <cstring>

#include "foundation/Image.h"

namespace {

struct ScopedImage : Image {
    ScopedImage() { Init(); }
    ~ScopedImage() { Free(); }
};

Rgb Grey(u8 v)
{
    return Rgb{v, v, v};
}

}  // namespace

TEST(Image, BytesPerPixelCoversNamedAndRawFormats)
{
    struct Case { u32 format; s32 bytes; } cases[] = {
        {kImageIndexed, 1}, {kImageAlpha, 1}, {kImageRgb, 3}, {kImageRgba, 4}, {kImageAlphaIndex, 2},
        {3, 3}, {255, 255}, {256, -1}, {0, -1}, {6401, -1},
    };
    for (const Case& c : cases) EXPECT_EQ(Image::BytesPerPixel(c.format), c.bytes) << c.format;
}

TEST(Image, CreateKeepsTheBufferOfTheSameByteSizeAndZeroFillsIt)
{
    ScopedImage img;
    u8 src[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    ASSERT_TRUE(img.Create(2, 1, kImageRgba, src));
    u8* before = img.pixels;
    ASSERT_TRUE(img.Create(4, 1, kImageAlphaIndex, nullptr));
    EXPECT_EQ(img.pixels, before);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(img.pixels[i], 0);
    EXPECT_EQ(img.format, u32(kImageAlphaIndex));
}

TEST(Image, CreateCanTakeItsSourceFromTheImagesOwnPixels)
{
    ScopedImage img;
    u8 src[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    ASSERT_TRUE(img.Create(2, 2, kImageRgb, src));
    // The first row alone: a smaller buffer filled from the one being replaced.
    ASSERT_TRUE(img.Create(2, 1, kImageRgb, img.pixels));
    ASSERT_EQ(img.height, 1u);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(img.pixels[i], src[i]) << i;
    // The same byte size from an overlapping part of the buffer itself.
    ASSERT_TRUE(img.Create(1, 1, kImageRgb, nullptr));
    ASSERT_TRUE(img.Create(2, 1, kImageRgb, src));
    ASSERT_TRUE(img.Create(1, 2, kImageRgb, img.pixels));
    for (int i = 0; i < 6; ++i) EXPECT_EQ(img.pixels[i], src[i]) << i;
}

TEST(Image, CreateRefusesSizesPastTheLimitWithoutTouchingTheImage)
{
    ScopedImage img;
    ASSERT_TRUE(img.Create(1, 1, kImageRgb, nullptr));
    EXPECT_FALSE(img.Create(0xFFFFFFFFu, 0xFFFFFFFFu, kImageRgba, nullptr));
    EXPECT_FALSE(img.Create(65536, 65536, kImageRgba, nullptr));
    EXPECT_FALSE(img.Create(1, 1, 9999, nullptr));
    EXPECT_EQ(img.width, 1u);
    EXPECT_EQ(img.format, u32(kImageRgb));
}

TEST(Image, ChecksumOfFourZeroBytesIsTheirCrc32AndEveryPixelChangeResetsIt)
{
    ScopedImage img;
    ASSERT_TRUE(img.Create(1, 1, kImageRgba, nullptr));
    img.UpdateChecksum();
    EXPECT_EQ(img.checksum, 0x2144DF1Cu);
    img.FillChannel(0, 7);
    EXPECT_EQ(img.checksum, 0u);
    img.UpdateChecksum();
    img.InvertChannel(1);
    EXPECT_EQ(img.checksum, 0u);
    img.UpdateChecksum();
    u8 plane[1] = {9};
    img.SetChannel(2, plane);
    EXPECT_EQ(img.checksum, 0u);
    EXPECT_EQ(img.pixels[0], 7);
    EXPECT_EQ(img.pixels[1], 255);
    EXPECT_EQ(img.pixels[2], 9);
    img.UpdateChecksum();
    ASSERT_TRUE(img.ConvertTo(kImageAlpha));
    EXPECT_EQ(img.checksum, 0u);
}

TEST(Image, ChecksumOfZeroIsStoredAsAllOnes)
{
    // An empty image: the CRC of no bytes is 0.
    ScopedImage img;
    ASSERT_TRUE(img.Create(0, 0, kImageRgba, nullptr));
    img.UpdateChecksum();
    EXPECT_EQ(img.checksum, 0xFFFFFFFFu);
}

TEST(Image, EqualsComparesEveryRowAndTrustsDifferingChecksums)
{
    ScopedImage a, b;
    ASSERT_TRUE(a.Create(3, 5, kImageAlpha, nullptr));
    ASSERT_TRUE(b.Create(3, 5, kImageAlpha, nullptr));
    EXPECT_TRUE(Image::Equals(a, b));
    a.UpdateChecksum();
    EXPECT_TRUE(Image::Equals(a, b)) << "one checksum 0 means compare the rows";
    b.pixels[4 * 3 + 2] = 1;  // last row differs
    EXPECT_FALSE(Image::Equals(a, b));
    b.pixels[4 * 3 + 2] = 0;
    b.pixels[0] = 1;  // first row differs
    EXPECT_FALSE(Image::Equals(a, b));
    b.pixels[0] = 0;
    b.checksum = 1234;  // stale but non-zero and different
    EXPECT_FALSE(Image::Equals(a, b));
    b.checksum = 0;
    ASSERT_TRUE(b.Create(5, 3, kImageAlpha, nullptr));
    EXPECT_FALSE(Image::Equals(a, b));
}

TEST(Image, ConvertToFollowsTheConversionTable)
{
    struct Case { u32 from, to; bool offered; } cases[] = {
        {kImageAlphaIndex, kImageIndexed, true}, {kImageIndexed, kImageAlphaIndex, true},
        {kImageRgba, kImageAlpha, true},         {kImageAlphaIndex, kImageAlpha, true},
        {kImageIndexed, kImageRgb, true},        {kImageRgb, kImageRgba, true},
        {kImageIndexed, kImageRgba, true},       {kImageAlphaIndex, kImageRgba, true},
        {kImageAlpha, kImageRgba, true},         {kImageRgb, kImageIndexed, true},
        {kImageRgba, kImageAlphaIndex, true},    {kImageAlpha, kImageIndexed, true},
        {kImageRgba, kImageRgb, false},          {kImageRgb, kImageAlpha, false},
        {kImageAlpha, kImageRgb, false},         {kImageIndexed, kImageAlpha, false},
        {4, kImageRgba, false},                  {kImageRgba, 4, false},
        {kImageRgb, kImageRgb, true},
    };
    for (const Case& c : cases) {
        ScopedImage img;
        ASSERT_TRUE(img.Create(2, 2, c.from, nullptr));
        img.FillChannel(0, 200);
        EXPECT_EQ(img.ConvertTo(c.to), c.offered ? 1u : 0u) << c.from << " -> " << c.to;
        EXPECT_EQ(img.format, c.offered ? c.to : c.from);
    }
}

TEST(Image, AlphaToRgbaIsWhiteWithTheValueAsAlphaAndBackAgain)
{
    ScopedImage img;
    u8 values[3] = {0, 128, 255};
    ASSERT_TRUE(img.Create(3, 1, kImageAlpha, values));
    ASSERT_TRUE(img.ConvertTo(kImageRgba));
    const u8 expect[12] = {255, 255, 255, 0, 255, 255, 255, 128, 255, 255, 255, 255};
    EXPECT_EQ(memcmp(img.pixels, expect, 12), 0);
    ASSERT_TRUE(img.ConvertTo(kImageAlpha));
    EXPECT_EQ(memcmp(img.pixels, values, 3), 0);
}

TEST(Image, IndexedConversionsUseThePaletteAndDropItAfterwards)
{
    ScopedImage img;
    u8 idx[2] = {1, 0};
    ASSERT_TRUE(img.Create(2, 1, kImageIndexed, idx));
    Rgb pal[2] = {{10, 20, 30}, {40, 50, 60}};
    ASSERT_TRUE(img.SetPalette(2, pal));
    EXPECT_EQ(img.palette[2], Grey(0));
    ASSERT_TRUE(img.ConvertTo(kImageAlphaIndex));
    const u8 ai[4] = {255, 1, 255, 0};
    EXPECT_EQ(memcmp(img.pixels, ai, 4), 0);
    EXPECT_EQ(img.paletteCount, 2u);
    img.pixels[0] = 77;
    ASSERT_TRUE(img.ConvertTo(kImageRgba));
    const u8 rgba[8] = {40, 50, 60, 77, 10, 20, 30, 255};
    EXPECT_EQ(memcmp(img.pixels, rgba, 8), 0);
    EXPECT_EQ(img.palette, nullptr);
    EXPECT_EQ(img.paletteCount, 0u);

    ScopedImage two;
    ASSERT_TRUE(two.Create(2, 1, kImageIndexed, idx));
    ASSERT_TRUE(two.SetPalette(2, pal));
    ASSERT_TRUE(two.ConvertTo(kImageRgb));
    EXPECT_EQ(two.palette, nullptr);
    ASSERT_TRUE(two.ConvertTo(kImageRgba));
    const u8 rgb2[8] = {40, 50, 60, 255, 10, 20, 30, 255};
    EXPECT_EQ(memcmp(two.pixels, rgb2, 8), 0);
}

TEST(Image, IndexedImageWithoutPaletteConvertsToBlack)
{
    ScopedImage img;
    u8 idx[2] = {255, 3};
    ASSERT_TRUE(img.Create(2, 1, kImageIndexed, idx));
    ASSERT_TRUE(img.ConvertTo(kImageRgb));
    for (int i = 0; i < 6; ++i) EXPECT_EQ(img.pixels[i], 0);
}

TEST(Image, CropKeepsTheInclusiveRectangleAndRefusesBadOnes)
{
    ScopedImage img;
    u8 px[4 * 3];
    for (int i = 0; i < 12; ++i) px[i] = u8(i);
    ASSERT_TRUE(img.Create(4, 3, kImageAlpha, px));
    ImageRect bad[] = {{2, 0, 1, 0}, {0, 2, 0, 1}, {-1, 0, 1, 1}, {0, 0, 4, 0}, {0, 0, 0, 3}, {0, 0, 0x7FFFFFFF, 0}};
    for (const ImageRect& r : bad) {
        EXPECT_FALSE(img.Crop(r)) << r.x0 << "," << r.y0 << "," << r.x1 << "," << r.y1;
        EXPECT_EQ(img.width, 4u);
        EXPECT_EQ(img.height, 3u);
    }
    img.UpdateChecksum();
    ASSERT_TRUE(img.Crop({1, 1, 2, 2}));
    EXPECT_EQ(img.width, 2u);
    EXPECT_EQ(img.height, 2u);
    const u8 expect[4] = {5, 6, 9, 10};
    EXPECT_EQ(memcmp(img.pixels, expect, 4), 0);
    EXPECT_EQ(img.checksum, 0u);
    ASSERT_TRUE(img.Crop({1, 0, 1, 0}));
    EXPECT_EQ(img.pixels[0], 6);
}

TEST(Image, AlphaBoundsFindTheNonZeroAlphaOfEachFormat)
{
    ScopedImage img;
    ASSERT_TRUE(img.Create(8, 8, kImageRgba, nullptr));
    ImageRect none = img.GetAlphaBounds();
    EXPECT_EQ(none.x0, 0x7FFFFFFF);
    EXPECT_EQ(none.y0, 0x7FFFFFFF);
    EXPECT_EQ(none.x1, 0);
    EXPECT_EQ(none.y1, 0);
    img.pixels[(5 * 8 + 3) * 4 + 3] = 1;
    img.pixels[(1 * 8 + 6) * 4 + 0] = 255;  // red is not alpha
    ImageRect one = img.GetAlphaBounds();
    EXPECT_EQ(one.x0, 3);
    EXPECT_EQ(one.y0, 5);
    EXPECT_EQ(one.x1, 3);
    EXPECT_EQ(one.y1, 5);

    ScopedImage ai;
    ASSERT_TRUE(ai.Create(5, 4, kImageAlphaIndex, nullptr));
    ai.pixels[(1 * 5 + 4) * 2] = 9;
    ai.pixels[(3 * 5 + 1) * 2] = 9;
    ai.pixels[(2 * 5 + 0) * 2 + 1] = 9;  // an index is not alpha
    ImageRect two = ai.GetAlphaBounds();
    EXPECT_EQ(two.x0, 1);
    EXPECT_EQ(two.y0, 1);
    EXPECT_EQ(two.x1, 4);
    EXPECT_EQ(two.y1, 3);

    ScopedImage empty;
    ASSERT_TRUE(empty.Create(5, 0, kImageAlpha, nullptr));
    EXPECT_EQ(empty.GetAlphaBounds().x0, 0x7FFFFFFF);
}

TEST(Image, CopyFromCopiesPixelsAndPaletteThenConverts)
{
    ScopedImage src, dst;
    u8 idx[3] = {0, 1, 2};
    ASSERT_TRUE(src.Create(3, 1, kImageIndexed, idx));
    Rgb pal[3] = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}};
    ASSERT_TRUE(src.SetPalette(3, pal));
    ASSERT_TRUE(dst.CopyFrom(src, kImageRgb));
    const u8 expect[9] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    EXPECT_EQ(memcmp(dst.pixels, expect, 9), 0);
    EXPECT_EQ(src.format, u32(kImageIndexed));
    EXPECT_EQ(src.paletteCount, 3u);
    ASSERT_TRUE(dst.CopyFrom(src, kImageIndexed));
    EXPECT_EQ(dst.paletteCount, 3u);
    EXPECT_EQ(dst.palette[2], (Rgb{7, 8, 9}));
    EXPECT_NE(dst.palette, src.palette);
}

TEST(Image, MoveFromTakesTheRecordAndEmptiesTheSource)
{
    ScopedImage a, b;
    ASSERT_TRUE(a.Create(2, 2, kImageRgb, nullptr));
    u8* p = a.pixels;
    b.MoveFrom(a);
    EXPECT_EQ(b.pixels, p);
    EXPECT_EQ(b.width, 2u);
    EXPECT_EQ(a.pixels, nullptr);
    EXPECT_EQ(a.width, 0u);
    b.MoveFrom(b);
    EXPECT_EQ(b.pixels, p);
}
