#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <vector>

#include "foundation/Palette.h"

namespace {

struct ScopedImage : Image {
    ScopedImage() { Init(); }
    ~ScopedImage() { Free(); }
};

struct ScopedHistogram : ColorHistogram {
    ScopedHistogram() : ColorHistogram{} {}
    ~ScopedHistogram() { FreeColorHistogram(*this); }
};

// RGBA image from a list of colours, one pixel each, in one row.
void MakeRow(Image& img, const u8 (*rgba)[4], u32 n)
{
    ASSERT_TRUE(img.Create(n, 1, kImageRgba, rgba));
}

// A smooth picture with texture: gradients, a few soft discs and mild noise, standing in for
// a photograph.
void MakePhoto(Image& img, u32 w, u32 h)
{
    ASSERT_TRUE(img.Create(w, h, kImageRgb, nullptr));
    u32 noise = 12345;
    for (u32 y = 0; y < h; ++y)
        for (u32 x = 0; x < w; ++x) {
            double fx = double(x) / w, fy = double(y) / h;
            double r = 255 * (0.5 + 0.5 * std::sin(fx * 6.0 + fy * 2.0));
            double g = 255 * fy * (1.0 - 0.5 * fx);
            double b = 255 * (0.5 + 0.5 * std::cos(fx * fy * 9.0));
            double dx = fx - 0.6, dy = fy - 0.4;
            if (dx * dx + dy * dy < 0.04) r = r * 0.3 + 180, g *= 0.5;
            noise = noise * 1664525u + 1013904223u;
            int n = int(noise >> 28) - 8;
            u8* p = img.pixels + (u64(y) * w + x) * 3;
            double c[3] = {r + n, g + n, b + n};
            for (int k = 0; k < 3; ++k) p[k] = u8(c[k] < 0 ? 0 : (c[k] > 255 ? 255 : c[k]));
        }
}

double Psnr(const Image& a, const Image& b)
{
    double sum = 0;
    u64 n = u64(a.width) * a.height;
    for (u64 i = 0; i < n; ++i)
        for (int c = 0; c < 3; ++c) {
            double d = double(a.pixels[i * 3 + c]) - b.pixels[i * 3 + c];
            sum += d * d;
        }
    double mse = sum / double(n * 3);
    return 10.0 * std::log10(255.0 * 255.0 / mse);
}

}  // namespace

TEST(Palette, TwoColoursGiveTheirPixelCountsAndAnExactTwoEntryPalette)
{
    ScopedImage img;
    ASSERT_TRUE(img.Create(110, 1, kImageRgba, nullptr));
    for (u32 x = 0; x < 110; ++x) {
        u8* p = img.pixels + x * 4;
        if (x % 11 == 0) p[0] = 200, p[1] = 10, p[2] = 30;  // 10 pixels
        else p[0] = 5, p[1] = 100, p[2] = 250;               // 100 pixels
        p[3] = 255;
    }
    ScopedHistogram h;
    ASSERT_TRUE(CollectOpaqueColors(h, img));
    const DynArray<ColorCount>& u = UniqueColors(h);
    ASSERT_EQ(u.count, 2u);
    EXPECT_EQ(u[0].count, 10u) << "ascending RGB order, blue highest";
    EXPECT_EQ(u[0].colour, (Rgb{200, 10, 30}));
    EXPECT_EQ(u[1].count, 100u) << "a large flat area keeps its whole weight";
    Rgb pal[256];
    ASSERT_EQ(GeneratePalette(h, pal, 256), 2u);
    bool a = pal[0] == Rgb{200, 10, 30} && pal[1] == Rgb{5, 100, 250};
    bool b = pal[1] == Rgb{200, 10, 30} && pal[0] == Rgb{5, 100, 250};
    EXPECT_TRUE(a || b);
}

TEST(Palette, FewDistinctColoursBecomeThePaletteExactlyAndAlphaOnlyDifferencesShareAnEntry)
{
    const u8 px[][4] = {{1, 2, 3, 255}, {1, 2, 3, 128}, {90, 0, 0, 255}, {0, 90, 0, 255}, {0, 0, 90, 255},
                        {0, 0, 90, 255}, {7, 7, 7, 0}};
    ScopedImage img;
    MakeRow(img, px, 7);
    ScopedHistogram h;
    ASSERT_TRUE(CollectOpaqueColors(h, img));
    EXPECT_EQ(h.pixels, 6u) << "the transparent pixel stays out";
    Rgb pal[256];
    // The palette holds colours only, so a second entry for {1, 2, 3} would be wasted.
    ASSERT_EQ(GeneratePalette(h, pal, 256), 4u);
    int seen123 = 0;
    bool red = false, green = false, blue = false;
    for (int i = 0; i < 4; ++i) {
        seen123 += pal[i] == Rgb{1, 2, 3};
        red |= pal[i] == Rgb{90, 0, 0};
        green |= pal[i] == Rgb{0, 90, 0};
        blue |= pal[i] == Rgb{0, 0, 90};
    }
    EXPECT_EQ(seen123, 1);
    EXPECT_TRUE(red && green && blue);
}

TEST(Palette, ImageOfAtMost256ColoursQuantisesWithoutLoss)
{
    // 240 colours spread over the cube in blocks of varying size, some only one value apart:
    // every colour must become an entry and dithering add nothing.
    ScopedImage img, out;
    ASSERT_TRUE(img.Create(96, 80, kImageRgb, nullptr));
    for (u32 y = 0; y < 80; ++y)
        for (u32 x = 0; x < 96; ++x) {
            u32 c = ((x / 3) * 7 + (y / 5) * 31) % 240;
            u8* p = img.pixels + (y * 96 + x) * 3;
            p[0] = u8(c * 37), p[1] = u8(c * 11 + (c & 1)), p[2] = u8(c * 5 / 3);
        }
    ASSERT_TRUE(out.CopyFrom(img, kImageIndexed));
    EXPECT_EQ(out.paletteCount, 240u);
    ASSERT_TRUE(out.ConvertTo(kImageRgb));
    EXPECT_EQ(memcmp(out.pixels, img.pixels, 96 * 80 * 3), 0);
}

TEST(Palette, ManyColoursAreCountedAsTheMeanColourOfTheirCell)
{
    // 2^17 distinct colours (every red and green with blue 0 or 128) pass the exact limit;
    // the grid then keeps one weighted mean per 4 x 4 x 4 cell and every pixel's weight.
    ScopedImage img;
    ASSERT_TRUE(img.Create(512, 256, kImageRgb, nullptr));
    for (u32 i = 0; i < 512 * 256; ++i) {
        u8* p = img.pixels + i * 3;
        p[0] = u8(i), p[1] = u8(i >> 8), p[2] = u8((i >> 16) * 128);
    }
    ScopedHistogram h;
    ASSERT_TRUE(CollectOpaqueColors(h, img));
    EXPECT_EQ(h.pixels, 512u * 256u);
    const DynArray<ColorCount>& u = UniqueColors(h);
    ASSERT_EQ(u.count, 64u * 64u * 2u);
    u64 sum = 0;
    for (const ColorCount& c : u) {
        sum += c.count;
        EXPECT_EQ(c.count, 16u);
    }
    EXPECT_EQ(sum, 512u * 256u);
    // Cell red 0-3, green 0-3, blue 0: mean {1.5, 1.5, 0}, rounded half up.
    EXPECT_EQ(u[0].colour, (Rgb{2, 2, 0}));
    Rgb pal[256];
    EXPECT_EQ(GeneratePalette(h, pal, 256), 256u);
}

TEST(Palette, CountingRefusesFormatsWithoutColoursAndHistogramsPastTheirLimit)
{
    ScopedImage raw, rgb;
    ASSERT_TRUE(raw.Create(2, 2, 5, nullptr));
    ASSERT_TRUE(rgb.Create(4, 4, kImageRgb, nullptr));
    ScopedHistogram h;
    EXPECT_FALSE(CollectOpaqueColors(h, raw));
    h.pixels = kMaxHistogramPixels - 15;
    EXPECT_FALSE(CollectOpaqueColors(h, rgb)) << "16 more would pass the limit";
    EXPECT_EQ(h.pixels, kMaxHistogramPixels - 15);
    h.pixels = kMaxHistogramPixels - 16;
    EXPECT_TRUE(CollectOpaqueColors(h, rgb));
    EXPECT_EQ(h.pixels, kMaxHistogramPixels);
}

TEST(Palette, RequestedCountLimitsThePalette)
{
    ScopedImage img;
    MakePhoto(img, 64, 64);
    ScopedHistogram h;
    ASSERT_TRUE(CollectOpaqueColors(h, img));
    Rgb pal[256];
    EXPECT_EQ(GeneratePalette(h, pal, 16), 16u);
    EXPECT_EQ(GeneratePalette(h, pal, 1000), 256u);
}

TEST(Palette, UniqueColoursOfALargeImageAreEachDistinctColourOnce)
{
    ScopedImage img;
    MakePhoto(img, 128, 100);
    ScopedHistogram h;
    ASSERT_TRUE(CollectOpaqueColors(h, img));
    ASSERT_EQ(h.pixels, 12800u);
    std::map<u32, u32> expect;
    for (u32 i = 0; i < 12800; ++i) {
        const u8* p = img.pixels + i * 3;
        ++expect[u32(p[0]) | u32(p[1]) << 8 | u32(p[2]) << 16];
    }
    const DynArray<ColorCount>& u = UniqueColors(h);
    ASSERT_EQ(u.count, expect.size());
    u32 i = 0;
    for (const auto& [key, count] : expect) {
        EXPECT_EQ(u[i].colour, (Rgb{u8(key), u8(key >> 8), u8(key >> 16)}));
        EXPECT_EQ(u[i].count, count);
        ++i;
    }
}

TEST(Palette, FullyTransparentImageHasNoPaletteAndStillConverts)
{
    ScopedImage img;
    ASSERT_TRUE(img.Create(3, 3, kImageRgba, nullptr));
    ScopedHistogram h;
    ASSERT_TRUE(CollectOpaqueColors(h, img));
    Rgb pal[256];
    EXPECT_EQ(GeneratePalette(h, pal, 256), 0u);
    ASSERT_TRUE(img.ConvertTo(kImageAlphaIndex));
    EXPECT_EQ(img.paletteCount, 0u);
    ASSERT_TRUE(img.ConvertTo(kImageRgba)) << "an index without palette entries reads as black";
}

TEST(Palette, GenerationIsDeterministic)
{
    ScopedImage img;
    MakePhoto(img, 128, 96);
    Rgb first[256], second[256];
    for (Rgb* pal : {first, second}) {
        ScopedHistogram h;
        ASSERT_TRUE(CollectOpaqueColors(h, img));
        ASSERT_EQ(GeneratePalette(h, pal, 256), 256u);
    }
    EXPECT_EQ(memcmp(first, second, sizeof(first)), 0);
}

TEST(Palette, PhotographQuantisesWithHighFidelity)
{
    ScopedImage img, out;
    MakePhoto(img, 256, 256);
    ASSERT_TRUE(out.CopyFrom(img, kImageIndexed));
    EXPECT_EQ(out.paletteCount, 256u);
    ASSERT_TRUE(out.ConvertTo(kImageRgb));
    double psnr = Psnr(img, out);
    EXPECT_GT(psnr, 30.0);
    RecordProperty("psnr", std::to_string(psnr));
}

TEST(Palette, QuantizeOfOnePixelWideImagePassesErrorStraightDown)
{
    // Two rows: (100,100,100) then (0,0,0); palette black and white-ish. The first pixel
    // maps to black (error 100), the pixel below receives 100 * 15 / 64 = 23.
    ScopedImage img;
    const u8 px[][4] = {{100, 100, 100, 255}, {0, 0, 0, 255}};
    ASSERT_TRUE(img.Create(1, 2, kImageRgba, px));
    Rgb pal[2] = {{0, 0, 0}, {23, 23, 23}};
    ASSERT_TRUE(img.Quantize(kImageIndexed, pal, 2));
    EXPECT_EQ(img.pixels[0], 1);  // 100 is nearer 23 than 0
    // error 77: 77 * 15 / 64 = 18 -> nearer 23 than 0
    EXPECT_EQ(img.pixels[1], 1);

    ScopedImage exact;
    const u8 px2[][4] = {{23, 23, 23, 255}, {5, 5, 5, 255}};
    ASSERT_TRUE(exact.Create(1, 2, kImageRgba, px2));
    ASSERT_TRUE(exact.Quantize(kImageIndexed, pal, 2));
    EXPECT_EQ(exact.pixels[0], 1);
    EXPECT_EQ(exact.pixels[1], 0) << "an exact match passes no error on";
}

TEST(Palette, QuantizeSpreadsErrorRightAndBelowWithTheFixedWeights)
{
    // 2 x 2 of grey 32 against a palette {0, 255}: first pixel -> 0, error 32:
    // right gets 32*21/64 = 10, below 32*15/64 = 7, below-right 32*3/64 = 1.
    ScopedImage img;
    ASSERT_TRUE(img.Create(2, 2, kImageRgba, nullptr));
    for (int i = 0; i < 4; ++i) memset(img.pixels + i * 4, 32, 3), img.pixels[i * 4 + 3] = 200;
    Rgb pal[2] = {{0, 0, 0}, {64, 64, 64}};
    ASSERT_TRUE(img.Quantize(kImageAlphaIndex, pal, 2));
    // (0,0): 32 ties between 0 and 64 -> lowest index 0, error +32.
    // (1,0): 32 + 10 = 42 -> 64, error -22; (0,1): 32 + 7 + (-22*9/64 = -3) = 36 -> 64.
    const u8 expect[8] = {200, 0, 200, 1, 200, 1, 200, 0};
    EXPECT_EQ(memcmp(img.pixels, expect, 8), 0);
    EXPECT_EQ(img.paletteCount, 2u);
    EXPECT_EQ(img.format, u32(kImageAlphaIndex));
}

TEST(Palette, QuantizePassesLessErrorAcrossEdgesOfTheSource)
{
    // Greys against a palette {0, 64, 128}. The share for the right neighbour is
    // e * 21 / 64 at full strength; a pixel whose channels differ from its left or upper
    // neighbour by up to 16 passes its whole error, by 32 or more none, in between a part.
    Rgb pal[3] = {{0, 0, 0}, {64, 64, 64}, {128, 128, 128}};
    struct Case {
        u8 first, second, third;
        u8 thirdIndex;
        const char* what;
    };
    const Case cases[] = {
        // 88 -> 64 (e 24, share 7); 107 -> 128 (e -21, share -6); 94 -> 64.
        {88, 100, 100, 1, "a step of 12 is smooth: the whole error moves on"},
        // 100 -> 128 passes nothing; 100 -> 128.
        {0, 100, 100, 2, "a step of 100 is an edge: no error moves on"},
        // 76 -> 64 (share 3); 103 -> 128, e -25 halved to -12, share -3; 97 -> 128, where
        // the whole error (share -8) would give 92 -> 64.
        {76, 100, 100, 2, "a step of 24 passes half, not all"},
        // As above; 94 -> 64, where no error at all would leave 97 -> 128.
        {76, 100, 97, 1, "a step of 24 passes half, not nothing"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScopedImage img;
        const u8 px[][4] = {{c.first, c.first, c.first, 255}, {c.second, c.second, c.second, 255},
                            {c.third, c.third, c.third, 255}};
        MakeRow(img, px, 3);
        ASSERT_TRUE(img.Quantize(kImageIndexed, pal, 3));
        EXPECT_EQ(img.pixels[1], 2);
        EXPECT_EQ(img.pixels[2], c.thirdIndex);
    }
}

TEST(Palette, TransparentPixelsAreMappedButDoNotShapeThePalette)
{
    const u8 px[][4] = {{255, 0, 0, 255}, {0, 0, 255, 255}, {250, 10, 10, 0}};
    ScopedImage img;
    MakeRow(img, px, 3);
    ASSERT_TRUE(img.ConvertTo(kImageAlphaIndex));
    ASSERT_EQ(img.paletteCount, 2u);
    u8 redIndex = img.pixels[1];
    EXPECT_EQ(img.palette[redIndex], (Rgb{255, 0, 0}));
    EXPECT_EQ(img.pixels[4], 0) << "alpha kept";
    EXPECT_EQ(img.pixels[5], redIndex);
}

TEST(Palette, QuantizeFromReadsEverySourceFormatAsItsRgbaConversionAndLeavesItAlone)
{
    ScopedImage photo;
    MakePhoto(photo, 40, 30);
    Rgb pal[4] = {{0, 0, 0}, {250, 40, 40}, {40, 250, 40}, {200, 200, 255}};
    const u32 formats[] = {kImageRgb, kImageRgba, kImageAlpha, kImageIndexed, kImageAlphaIndex};
    for (u32 format : formats) {
        for (u32 target : {u32(kImageIndexed), u32(kImageAlphaIndex)}) {
            SCOPED_TRACE(testing::Message() << "source " << format << " target " << target);
            ScopedImage src;
            if (format == kImageAlpha) {
                ASSERT_TRUE(src.Create(40, 30, kImageAlpha, nullptr));
                for (u32 i = 0; i < 1200; ++i) src.pixels[i] = u8(i * 7);
            } else {
                ASSERT_TRUE(src.CopyFrom(photo, format == kImageRgb ? kImageRgb : kImageRgba));
                if (format == kImageRgba)
                    for (u32 i = 0; i < 1200; ++i) src.pixels[i * 4 + 3] = u8(i * 13);
                if (format == kImageIndexed || format == kImageAlphaIndex) {
                    ASSERT_TRUE(src.ConvertTo(format));
                }
            }
            ScopedImage before, expect, got;
            ASSERT_TRUE(before.CopyFrom(src, src.format));
            ASSERT_TRUE(expect.CopyFrom(src, kImageRgba));
            ASSERT_TRUE(expect.Quantize(target, pal, 4));
            ASSERT_TRUE(got.QuantizeFrom(src, target, pal, 4));
            EXPECT_TRUE(Image::Equals(got, expect));
            EXPECT_EQ(got.paletteCount, 4u);
            EXPECT_TRUE(Image::Equals(src, before)) << "the source is only read";
        }
    }
}

TEST(Palette, CopyToPalettedFormatEqualsConvertingACopy)
{
    ScopedImage photo, viaCopy, viaConvert;
    MakePhoto(photo, 64, 48);
    for (u32 target : {u32(kImageIndexed), u32(kImageAlphaIndex)}) {
        ASSERT_TRUE(viaCopy.CopyFrom(photo, target));
        ASSERT_TRUE(viaConvert.CopyFrom(photo, kImageRgb));
        ASSERT_TRUE(viaConvert.ConvertTo(target));
        EXPECT_TRUE(Image::Equals(viaCopy, viaConvert));
        ASSERT_EQ(viaCopy.paletteCount, viaConvert.paletteCount);
        EXPECT_EQ(memcmp(viaCopy.palette, viaConvert.palette, 256 * sizeof(Rgb)), 0);
        EXPECT_EQ(photo.format, u32(kImageRgb));
    }
}

TEST(Palette, QuantizeRefusesOtherTargetsAndKeepsItsOwnPaletteAlive)
{
    ScopedImage img;
    u8 idx[2] = {0, 1};
    ASSERT_TRUE(img.Create(2, 1, kImageIndexed, idx));
    Rgb pal[2] = {{0, 0, 0}, {255, 255, 255}};
    ASSERT_TRUE(img.SetPalette(2, pal));
    EXPECT_FALSE(img.Quantize(kImageRgb, img.palette, 2));
    ASSERT_TRUE(img.Quantize(kImageIndexed, img.palette, img.paletteCount));
    EXPECT_EQ(img.pixels[0], 0);
    EXPECT_EQ(img.pixels[1], 1);
    EXPECT_EQ(img.palette[1], (Rgb{255, 255, 255}));
}

TEST(Palette, SplitCutsBetweenAnyTwoValuesWhereTheErrorIsLargest)
{
    // Three heavy colours two values apart on red and one light far colour: with three
    // entries the far colour joins its nearest, and the close ones stay apart.
    ScopedDynArray<Rgb> colours;
    ScopedDynArray<u32> weights;
    const Rgb c[] = {{16, 16, 16}, {18, 16, 16}, {20, 16, 16}, {21, 16, 16}};
    const u32 w[] = {100, 100, 100, 1};
    for (int i = 0; i < 4; ++i) colours.Push(c[i]), weights.Push(w[i]);
    Rgb pal[256];
    ASSERT_EQ(SplitPalette(colours, weights, pal, 3), 3u);
    std::vector<Rgb> got(pal, pal + 3);
    auto has = [&](Rgb x) { return std::find(got.begin(), got.end(), x) != got.end(); };
    EXPECT_TRUE(has(Rgb{16, 16, 16}) && has(Rgb{18, 16, 16}) && has(Rgb{20, 16, 16}));
    ASSERT_EQ(SplitPalette(colours, weights, pal, 256), 4u) << "no more boxes than colours";
    ASSERT_EQ(SplitPalette(colours, weights, pal, 0), 1u);
    EXPECT_EQ(pal[0], (Rgb{18, 16, 16}));
}

TEST(Palette, KMeansWithFewerColoursThanCentresTakesTheColours)
{
    ScopedDynArray<Rgb> colours, centres;
    ScopedDynArray<u32> weights;
    colours.Push({1, 2, 3});
    weights.Push(5);
    centres.ResizeFill(4, Rgb{0, 0, 0});
    RefinePaletteKMeans(colours, weights, centres);
    ASSERT_EQ(centres.count, 1u);
    EXPECT_EQ(centres[0], (Rgb{1, 2, 3}));
}

TEST(Palette, KMeansRefillsEmptyCentresWithoutRunningOutOfDonors)
{
    // Many duplicate colours and all centres on one spot: every empty centre must be filled
    // from donors with more than one member, and the walk must stop when none are left.
    ScopedDynArray<Rgb> colours, centres;
    ScopedDynArray<u32> weights;
    for (int i = 0; i < 40; ++i) {
        colours.Push(Rgb{u8(i < 20 ? 10 : 200), 0, 0});
        weights.Push(u32(1 + i));
    }
    centres.ResizeFill(32, Rgb{0, 0, 0});
    RefinePaletteKMeans(colours, weights, centres);
    ASSERT_EQ(centres.count, 32u);
    bool low = false, high = false;
    for (const Rgb& c : centres) {
        low |= c == Rgb{10, 0, 0};
        high |= c == Rgb{200, 0, 0};
    }
    EXPECT_TRUE(low && high);
}

TEST(Palette, SeededSortsOrderRecordsAndIndicesAscending)
{
    ColorCount recs[40];
    for (u32 i = 0; i < 40; ++i) recs[i] = {(i * 7919) % 23, Rgb{u8(i), 0, 0}};
    u32 seed = 40;
    QuickSortPairs(seed, recs, 40);
    EXPECT_NE(seed, 40u);
    for (int i = 1; i < 40; ++i) EXPECT_LE(recs[i - 1].count, recs[i].count);

    u32 key[30], idx[30];
    for (u32 i = 0; i < 30; ++i) key[i] = (i * 13) % 7, idx[i] = i;
    seed = 30;
    QuickSortByKey(seed, idx, 30, key);
    for (int i = 1; i < 30; ++i) EXPECT_LE(key[idx[i - 1]], key[idx[i]]);

    u32 small[5] = {4, 3, 2, 1, 0};
    u32 skey[5] = {1, 1, 0, 0, 2};
    seed = 5;
    QuickSortByKey(seed, small, 5, skey);
    EXPECT_EQ(seed, 5u) << "short runs use the selection sort only";
    for (int i = 1; i < 5; ++i) EXPECT_LE(skey[small[i - 1]], skey[small[i]]);
}
