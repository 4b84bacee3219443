#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "foundation/ColorSpace.h"

namespace {

struct Bytes3To4 {
    u8 in[3];
    u8 out[4];
};

}  // namespace

TEST(ColorSpace, RgbToHsv8GivesTheFixedPointValues)
{
    const Bytes3To4 cases[] = {
        {{255, 0, 0}, {0, 255, 255, 255}},      // red
        {{0, 255, 0}, {85, 255, 255, 255}},     // green: 120 degrees
        {{0, 0, 255}, {170, 255, 255, 255}},    // blue: 240 degrees
        {{255, 255, 0}, {42, 255, 255, 255}},   // red and green tie: red is tested first
        {{0, 255, 255}, {128, 255, 255, 255}},  // green and blue tie: green is tested first
        {{255, 0, 255}, {213, 255, 255, 255}},  // negative k: 300 degrees
        {{255, 0, 1}, {255, 255, 255, 255}},    // k = -1: the shift floors to -1 degree, 359
        {{128, 128, 128}, {0, 0, 128, 255}},    // grey
        {{0, 0, 0}, {0, 0, 0, 255}},
        {{255, 255, 255}, {0, 0, 255, 255}},
        {{200, 100, 50}, {13, 191, 200, 255}},
        {{10, 20, 30}, {149, 170, 30, 255}},
        {{1, 0, 0}, {0, 255, 1, 255}},
    };
    for (const Bytes3To4& c : cases) {
        u8 out[4] = {1, 2, 3, 4};
        RgbToHsv8(c.in, out);
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(out[i], c.out[i]) << "rgb " << int(c.in[0]) << "," << int(c.in[1]) << "," << int(c.in[2])
                                        << " byte " << i;
    }
}

TEST(ColorSpace, HsvToRgb8GivesTheFixedPointValues)
{
    const Bytes3To4 cases[] = {
        {{0, 0, 255}, {255, 254, 254, 255}},  // only the value channel is exact
        {{0, 255, 255}, {255, 0, 0, 255}},
        {{43, 255, 255}, {252, 255, 0, 255}},
        {{85, 255, 255}, {0, 255, 0, 255}},
        {{128, 255, 255}, {0, 252, 255, 255}},
        {{170, 255, 255}, {0, 0, 255, 255}},
        {{213, 255, 255}, {255, 0, 252, 255}},
        {{255, 255, 255}, {255, 0, 0, 255}},  // the last hue is in sector 5, not a seventh
        {{20, 128, 200}, {200, 146, 99, 255}},
        {{100, 50, 77}, {61, 77, 67, 255}},
        {{255, 0, 0}, {0, 0, 0, 255}},
        {{200, 255, 128}, {90, 0, 128, 255}},
    };
    for (const Bytes3To4& c : cases) {
        u8 out[4] = {1, 2, 3, 4};
        HsvToRgb8(c.in, out);
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(out[i], c.out[i]) << "hsv " << int(c.in[0]) << "," << int(c.in[1]) << "," << int(c.in[2])
                                        << " byte " << i;
    }
}

TEST(ColorSpace, EightBitRoundTripKeepsTheValueAndStaysCloseOverEveryColour)
{
    // A hue of 256 steps and the divisions by 256 lose a little; over the whole cube no
    // channel moves by more than 11 and the brightest channel comes back exactly.
    int worst = 0;
    for (int r = 0; r < 256; ++r)
        for (int g = 0; g < 256; ++g)
            for (int b = 0; b < 256; ++b) {
                const u8 rgb[3] = {u8(r), u8(g), u8(b)};
                u8 hsv[4], back[4];
                RgbToHsv8(rgb, hsv);
                HsvToRgb8(hsv, back);
                int maxIn = std::max(r, std::max(g, b));
                int maxOut = std::max(back[0], std::max(back[1], back[2]));
                if (maxIn != maxOut) {
                    ADD_FAILURE() << "value lost for " << r << "," << g << "," << b;
                    return;
                }
                for (int i = 0; i < 3; ++i) worst = std::max(worst, std::abs(int(back[i]) - int(rgb[i])));
            }
    EXPECT_LE(worst, 11);
}

TEST(ColorSpace, EightBitConversionsMayWorkInPlace)
{
    u8 c[4] = {0, 0, 255, 9};
    RgbToHsv8(c, c);
    EXPECT_EQ(c[0], 170);
    EXPECT_EQ(c[3], 255);
    HsvToRgb8(c, c);
    EXPECT_EQ(c[0], 0);
    EXPECT_EQ(c[1], 0);
    EXPECT_EQ(c[2], 255);
}

TEST(ColorSpace, RgbToHsvGivesHueAsAFractionOfTheCircle)
{
    struct Case {
        double rgb[3];
        double hsv[3];
    } cases[] = {
        {{1, 0, 0}, {0, 1, 1}},
        {{0, 1, 0}, {1.0 / 3, 1, 1}},
        {{0, 0, 1}, {2.0 / 3, 1, 1}},
        {{1, 0, 1}, {5.0 / 6, 1, 1}},  // negative before the wrap
        {{0, 1, 1}, {0.5, 1, 1}},
        {{1, 1, 0}, {1.0 / 6, 1, 1}},
        {{0.5, 0.5, 0.5}, {0, 0, 0.5}},
        {{0, 0, 0}, {0, 0, 0}},
        {{0.5, 0.25, 0}, {1.0 / 12, 1, 0.5}},
    };
    for (const Case& c : cases) {
        double hsv[3];
        RgbToHsv(c.rgb, hsv);
        for (int i = 0; i < 3; ++i)
            EXPECT_NEAR(hsv[i], c.hsv[i], 1e-12) << c.rgb[0] << "," << c.rgb[1] << "," << c.rgb[2] << " part " << i;
    }
}

TEST(ColorSpace, HsvToRgbGivesTheSectorColours)
{
    struct Case {
        double hsv[3];
        double rgb[3];
    } cases[] = {
        {{0.5, 1, 1}, {0, 1, 1}},
        {{0, 1, 1}, {1, 0, 0}},
        {{1.0 / 6, 1, 1}, {1, 1, 0}},
        {{2.0 / 3, 1, 0.5}, {0, 0, 0.5}},
        {{0.25, 0.5, 1}, {0.75, 1, 0.5}},
        {{0.9, 0, 0.3}, {0.3, 0.3, 0.3}},  // no saturation: grey whatever the hue
    };
    for (const Case& c : cases) {
        double rgb[3];
        HsvToRgb(c.hsv, rgb);
        for (int i = 0; i < 3; ++i)
            EXPECT_NEAR(rgb[i], c.rgb[i], 1e-12) << c.hsv[0] << "," << c.hsv[1] << "," << c.hsv[2] << " part " << i;
    }
}

TEST(ColorSpace, DoubleRoundTripsAreExactToRoundingOverAGrid)
{
    const int steps = 20;
    for (int r = 0; r <= steps; ++r)
        for (int g = 0; g <= steps; ++g)
            for (int b = 0; b <= steps; ++b) {
                const double rgb[3] = {double(r) / steps, double(g) / steps, double(b) / steps};
                double hsv[3], back[3];
                RgbToHsv(rgb, hsv);
                ASSERT_GE(hsv[0], 0.0);
                ASSERT_LT(hsv[0], 1.0);
                HsvToRgb(hsv, back);
                for (int i = 0; i < 3; ++i) ASSERT_NEAR(back[i], rgb[i], 1e-12) << r << "," << g << "," << b;
            }
    for (int h = 0; h < 36; ++h)
        for (int s = 1; s <= 4; ++s)
            for (int v = 1; v <= 4; ++v) {
                const double hsv[3] = {h / 36.0, s / 4.0, v / 4.0};
                double rgb[3], back[3];
                HsvToRgb(hsv, rgb);
                RgbToHsv(rgb, back);
                for (int i = 0; i < 3; ++i) ASSERT_NEAR(back[i], hsv[i], 1e-12) << h << "," << s << "," << v;
            }
}

TEST(ColorSpace, HsvToRgbWrapsHuesOutsideTheCircleAndTreatsNanAsZero)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        double hue, sameAs;
    } cases[] = {{1.5, 0.5}, {-0.25, 0.75}, {1.0, 0.0}, {7.0 + 1.0 / 3, 1.0 / 3}, {-1e-300, 0.0}, {nan, 0.0}};
    for (const Case& c : cases) {
        const double in[3] = {c.hue, 0.8, 0.9}, ref[3] = {c.sameAs, 0.8, 0.9};
        double out[3] = {-1, -1, -1}, expected[3];
        HsvToRgb(in, out);
        HsvToRgb(ref, expected);
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(out[i], expected[i], 1e-9) << "hue " << c.hue << " part " << i;
    }
}
