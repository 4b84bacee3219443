// Reduction of high-resolution renderings to true-colour pixels: hue classification, small
// regions, the area-weighted reduction against a brute-force reference, and the packing.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "collection/HighResDownsample.h"
#include "tests/collection/DownsampleReference.h"

namespace {

HueChange MakeHueChange(u16 start, u16 end, u16 minimumSaturation)
{
    HueChange hc;
    memset(&hc, 0, sizeof(hc));
    hc.hueStart = start;
    hc.hueEnd = end;
    hc.minimumSaturation = minimumSaturation;
    return hc;
}

TEST(HighResDownsample, MatchesBruteForceReferenceByteForByte)
{
    struct Case {
        u32 w, h, outW, outH;
    };
    static const Case kCases[] = {
        {9, 7, 9, 7},      // ratio 1
        {16, 10, 8, 5},    // ratio 2
        {25, 15, 10, 6},   // ratio 2.5
        {37, 37, 10, 10},  // ratio 3.7
        {13, 11, 5, 4},    // odd sizes, unequal ratios
        {7, 9, 3, 2},
        {40, 3, 11, 3},
        {3, 5, 5, 7},      // enlarged
        {64, 64, 1, 1},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " -> " << c.outW << "x" << c.outH);
        OwnedImage source, indexed, output;
        ASSERT_TRUE(MakeRendering(source, indexed, c.w, c.h, c.w * 131 + c.outW));
        ASSERT_TRUE(output.Create(c.outW, c.outH, 8, nullptr));
        ASSERT_TRUE(DownsampleIndexed(source, output, indexed));
        std::vector<u8> expected;
        ReferenceDownsample(source, indexed, c.outW, c.outH, expected);
        ASSERT_EQ(0, memcmp(expected.data(), output.pixels, expected.size()));
    }
}

TEST(HighResDownsample, RefusesMismatchedImages)
{
    OwnedImage source, indexed, output;
    ASSERT_TRUE(MakeRendering(source, indexed, 8, 8, 1));
    ASSERT_TRUE(output.Create(4, 4, 8, nullptr));
    OwnedImage small;
    ASSERT_TRUE(small.Create(7, 8, kImageRgba, nullptr));
    EXPECT_FALSE(DownsampleIndexed(source, output, small));
    OwnedImage wrongOutput;
    ASSERT_TRUE(wrongOutput.Create(4, 4, kImageRgba, nullptr));
    EXPECT_FALSE(DownsampleIndexed(source, wrongOutput, indexed));
}

// Source pixels of one row all weigh 1 in a single output pixel; the expected bytes are worked
// by hand: hue-changed colours as hue, value, saturation, bit 0 of byte 2 the second-colour flag.
TEST(HighResDownsample, PacksOneOrTwoColourGroups)
{
    struct Px {
        u8 r, g, b, a, k;
    };
    const Px red{255, 0, 0, 255, 0}, blue{0, 0, 255, 255, kHueIndexNone};
    const Px clear{0, 0, 0, 0, kHueIndexTransparent}, brown{200, 100, 50, 255, kHueIndexNone};
    struct Case {
        const char* what;
        std::vector<Px> row;
        u8 expected[8];
    };
    std::vector<Px> mostlyBlue(39, blue);
    mostlyBlue.push_back(red);
    const Case kCases[] = {
        {"fully transparent", {clear, clear, clear, clear}, {0, 0, 0, 0, 0, 0, 0, 0}},
        {"equal weights: blend capped at 31", {red, blue, red, blue}, {0, 255, 255, 0x3F, 0, 0, 255, 31}},
        {"3 : 1", {blue, red, blue, blue}, {0, 0, 255, 31, 0, 255, 255, 16 | 1 << 5}},
        {"second below 1/32 dropped", mostlyBlue, {0, 0, 254, 31, 0, 0, 0, 0}},
        {"half transparent", {clear, brown, clear, brown}, {100, 50, 24, 16, 0, 0, 0, 0}},
        {"seventh hue change", std::vector<Px>(4, Px{10, 20, 30, 255, 6}), {149, 30, 170, 0xFF, 0, 0, 0, 0}},
        {"past the seventh: stored as none", std::vector<Px>(4, Px{10, 20, 30, 255, 9}), {10, 20, 30, 31, 0, 0, 0, 0}},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        u32 w = u32(c.row.size());
        OwnedImage source, indexed, output;
        ASSERT_TRUE(source.Create(w, 1, kImageRgba, nullptr));
        ASSERT_TRUE(indexed.Create(w, 1, kImageRgba, nullptr));
        for (u32 x = 0; x < w; ++x) {
            const Px& p = c.row[x];
            u8 rgba[4] = {p.r, p.g, p.b, p.a};
            memcpy(source.pixels + x * 4, rgba, 4);
            indexed.pixels[x * 4 + 3] = p.k;
        }
        ASSERT_TRUE(output.Create(1, 1, 8, nullptr));
        ASSERT_TRUE(DownsampleIndexed(source, output, indexed));
        EXPECT_EQ(std::vector<u8>(c.expected, c.expected + 8), std::vector<u8>(output.pixels, output.pixels + 8));
    }
}

TEST(HighResDownsample, FindHueChangeTakesTheFirstRangeAboveItsSaturation)
{
    HueChange reds = MakeHueChange(0xF000, 0x1000, 0);  // wraps through 0
    HueChange greens = MakeHueChange(0x4000, 0x6000, 0);
    HueChange paleGreens = MakeHueChange(0x4000, 0x6000, 0x8000);
    HueChange allHues = MakeHueChange(0, 0xFFFF, 0);
    struct Case {
        u8 r, g, b;
        std::vector<const HueChange*> changes;
        u32 expected;
    };
    const Case kCases[] = {
        {255, 0, 0, {&greens, &reds}, 2},
        {0, 255, 0, {&greens, &reds}, 1},
        {0, 255, 0, {&reds, &allHues, &greens}, 2},  // the first match wins
        {128, 128, 128, {&allHues}, 0},              // grey: saturation 0 is not above 0
        {100, 140, 100, {&paleGreens, &greens}, 2},  // below the first one's saturation
        {0, 255, 0, {&paleGreens}, 1},
        {255, 0, 0, {}, 0},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(testing::Message() << int(c.r) << "," << int(c.g) << "," << int(c.b));
        EXPECT_EQ(c.expected, FindHueChange(c.r, c.g, c.b, c.changes.data(), u32(c.changes.size())));
    }
}

// Shapes of red pixels on grey: regions too small to be searched to six lose their hue change.
TEST(HighResDownsample, SmallRegionsLoseTheirHueChange)
{
    struct Case {
        const char* what;
        std::vector<std::pair<int, int>> cells;
        u8 expected;
    };
    const Case kCases[] = {
        {"single", {{3, 3}}, kHueIndexNone},
        {"pair", {{3, 3}, {4, 4}}, kHueIndexNone},
        {"corner of three", {{3, 3}, {4, 3}, {3, 4}}, kHueIndexNone},
        {"line of five", {{1, 3}, {2, 3}, {3, 3}, {4, 3}, {5, 3}}, kHueIndexNone},
        {"2 x 2 block", {{3, 3}, {4, 3}, {3, 4}, {4, 4}}, 0},
        {"T of four", {{2, 3}, {3, 3}, {4, 3}, {3, 4}}, 0},
        {"line of six", {{1, 3}, {2, 3}, {3, 3}, {4, 3}, {5, 3}, {6, 3}}, 0},
        {"line of six at the edge", {{0, 0}, {0, 1}, {0, 2}, {0, 3}, {0, 4}, {0, 5}}, 0},
    };
    HueChange reds = MakeHueChange(0xF000, 0x1000, 0);
    const HueChange* changes[] = {&reds};
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        OwnedImage source, indexed;
        ASSERT_TRUE(source.Create(8, 8, kImageRgba, nullptr));
        for (u32 i = 0; i < 64; ++i) memcpy(source.pixels + i * 4, "\x80\x80\x80\xFF", 4);
        for (auto [x, y] : c.cells) memcpy(source.pixels + (y * 8 + x) * 4, "\xFF\x00\x00\xFF", 4);
        source.pixels[7 * 4 + 3] = 7;  // top-right corner nearly transparent
        u64 past = 99;
        ASSERT_TRUE(ConvertToHueIndexed(indexed, source, changes, 1, &past));
        EXPECT_EQ(0u, past);
        for (auto [x, y] : c.cells) EXPECT_EQ(c.expected, indexed.pixels[(y * 8 + x) * 4 + 3]);
        EXPECT_EQ(kHueIndexNone, indexed.pixels[(7 * 8 + 7) * 4 + 3]);
        EXPECT_EQ(kHueIndexTransparent, indexed.pixels[7 * 4 + 3]);
        const u8 redHsv[3] = {0, 255, 255};  // hue, saturation, value
        auto [x0, y0] = c.cells[0];
        EXPECT_EQ(0, memcmp(redHsv, indexed.pixels + (y0 * 8 + x0) * 4, 3));
    }
}

// Only seven hue change numbers fit a packed pixel: colours of the eighth are counted for the
// caller and classified as fixed.
TEST(HighResDownsample, HueChangesPastTheSeventhAreStoredAsNone)
{
    std::vector<HueChange> records;
    for (int i = 0; i < 7; ++i) records.push_back(MakeHueChange(0x4000, 0x4001, 0));  // no match
    records.push_back(MakeHueChange(0xF000, 0x1000, 0));  // reds, the eighth
    std::vector<const HueChange*> changes;
    for (const HueChange& r : records) changes.push_back(&r);
    OwnedImage source, indexed;
    ASSERT_TRUE(source.Create(4, 4, kImageRgba, nullptr));
    for (u32 i = 0; i < 16; ++i) memcpy(source.pixels + i * 4, "\xFF\x00\x00\xFF", 4);
    u64 past = 0;
    ASSERT_TRUE(ConvertToHueIndexed(indexed, source, changes.data(), 8, &past));
    EXPECT_EQ(16u, past);
    for (u32 i = 0; i < 16; ++i) EXPECT_EQ(kHueIndexNone, indexed.pixels[i * 4 + 3]);

    records[6] = records[7];  // now the seventh: kept
    ASSERT_TRUE(ConvertToHueIndexed(indexed, source, changes.data(), 8, &past));
    EXPECT_EQ(0u, past);
    EXPECT_EQ(6, indexed.pixels[3]);
}

}  // namespace
