#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "codex/DtexImage.h"

namespace {

std::vector<u8> Uniform(u32 w, u32 h, u8 r, u8 g, u8 b)
{
    std::vector<u8> px(size_t(w) * h * 3);
    for (size_t i = 0; i < px.size(); i += 3) {
        px[i] = r;
        px[i + 1] = g;
        px[i + 2] = b;
    }
    return px;
}

}  // namespace

TEST(DtexImage, SidesMustBePowersOfTwoThatTheCodecCanStore)
{
    struct Case { u32 w, h; const char* problem; } cases[] = {
        {256, 128, nullptr},
        {1, 2048, nullptr},
        {250, 256, "The texture must have dimensions that are powers of two."},
        {0, 256, "The texture must have dimensions that are powers of two."},
        {4096, 256, "The texture must be at most 2048 pixels wide and high."},
        {256, 8192, "The texture must be at most 2048 pixels wide and high."},
    };
    for (const auto& c : cases) {
        const char* got = DtexSidesProblem(c.w, c.h);
        EXPECT_EQ(std::string(got ? got : ""), std::string(c.problem ? c.problem : "")) << c.w << " x " << c.h;
    }
}

TEST(DtexImage, MeanCentringMovesTheAverageTo128)
{
    struct Case {
        const char* what;
        u32 w, h;
        u8 r, g, b;  // a uniform texture
        bool luma;
        u8 er, eg, eb;
    } cases[] = {
        {"rgb: averages at 128 stay", 16, 16, 128, 128, 128, false, 128, 128, 128},
        {"rgb: each channel apart", 16, 16, 100, 200, 0, false, 128, 128, 128},
        {"luma: grey 128 stays", 16, 16, 128, 128, 128, true, 128, 128, 128},
        {"luma: one offset for all channels", 32, 32, 60, 60, 60, true, 128, 128, 128},
        {"luma: colours keep their differences", 16, 16, 40, 80, 120, true, 96, 136, 176},
        {"luma below 256 pixels uses the mean", 4, 4, 60, 60, 60, true, 128, 128, 128},
        {"luma of one pixel", 1, 1, 10, 10, 10, true, 128, 128, 128},
        {"clamped at 255", 16, 16, 0, 0, 250, true, 101, 101, 255},
    };
    for (const auto& c : cases) {
        std::vector<u8> px = Uniform(c.w, c.h, c.r, c.g, c.b);
        MeanCenterPixels(px.data(), c.w, c.h, c.luma);
        EXPECT_EQ(px[0], c.er) << c.what;
        EXPECT_EQ(px[1], c.eg) << c.what;
        EXPECT_EQ(px[2], c.eb) << c.what;
        EXPECT_EQ(px, Uniform(c.w, c.h, px[0], px[1], px[2])) << c.what;
    }
}

TEST(DtexImage, MeanCentringSumsLargeTexturesWithoutOverflow)
{
    // 4095 x 4095 white pixels sum to more than 2^32 per channel.
    const u32 side = 4095;
    std::vector<u8> px(size_t(side) * side * 3, 255);
    MeanCenterPixels(px.data(), side, side, false);
    EXPECT_EQ(px[0], 128);
    EXPECT_EQ(px.back(), 128);
    std::fill(px.begin(), px.end(), 255);
    MeanCenterPixels(px.data(), side, side, true);
    EXPECT_EQ(px[0], 127) << "the luma rule of 256-pixel units puts a white mean at 256";
}

TEST(DtexImage, QuadrantSwapShiftsByHalfWithWrapAround)
{
    for (u32 w : {1u, 2u, 5u, 8u})
        for (u32 h : {1u, 3u, 4u}) {
            std::vector<u8> px(size_t(w) * h * 3);
            for (u32 y = 0; y < h; ++y)
                for (u32 x = 0; x < w; ++x) {
                    u8* p = &px[(size_t(y) * w + x) * 3];
                    p[0] = u8(x);
                    p[1] = u8(y);
                    p[2] = u8(x * 16 + y);
                }
            std::vector<u8> swapped = px;
            SwapImageQuadrants(swapped.data(), w, h);
            for (u32 y = 0; y < h; ++y)
                for (u32 x = 0; x < w; ++x) {
                    const u8* p = &swapped[(size_t(y) * w + x) * 3];
                    EXPECT_EQ(p[0], (x + w / 2) % w) << w << " x " << h;
                    EXPECT_EQ(p[1], (y + h / 2) % h) << w << " x " << h;
                    EXPECT_EQ(p[2], u8(p[0] * 16 + p[1]));
                }
            if (w % 2 == 0 && h % 2 == 0) {
                SwapImageQuadrants(swapped.data(), w, h);
                EXPECT_EQ(swapped, px) << "even sides: a second swap undoes the first";
            }
        }
}
