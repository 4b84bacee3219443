// What the detail-texture editor really draws, probed under Xvfb: the new texture's
// checkerboard at its content's corner, a pasted picture, and the shifted preview.
#include <string>
#include <vector>

#include "tests/tagedit/DtexEditPixels.h"

using pixeltest::Px;

namespace {

const Px kBlack = {0, 0, 0}, kWhite = {255, 255, 255};

}  // namespace

TEST_F(DtexEditPixels, ANewTextureShowsItsCheckerboardFromTheCorner)
{
    DtexEdit* ed = NewEditor("Grass");
    pixeltest::Shot shot = Render();
    EXPECT_EQ(At(ed, shot, 0, 0), kBlack);
    EXPECT_EQ(At(ed, shot, 16, 0), kWhite);
    EXPECT_EQ(At(ed, shot, 16, 16), kBlack);
    EXPECT_EQ(At(ed, shot, 255, 0), kWhite);
}

TEST_F(DtexEditPixels, APastedPictureReplacesWhatIsShown)
{
    DtexEdit* ed = NewEditor("Sand");
    std::vector<u8> picture(64 * 32 * 3);
    for (u32 y = 0; y < 32; ++y)
        for (u32 x = 0; x < 64; ++x) {
            u8* p = &picture[(y * 64 + x) * 3];
            p[0] = x < 32 ? 200 : 20;
            p[1] = y < 16 ? 180 : 40;
            p[2] = 90;
        }
    // What a paste hands over (the clipboard itself is tested through the fake backend: the
    // X clipboard is shared with the tests running beside this one).
    ASSERT_TRUE(ed->SetPixels(picture.data(), 64, 32));
    pixeltest::Shot shot = Render();
    EXPECT_EQ(At(ed, shot, 8, 4), (Px{200, 180, 90}));
    EXPECT_EQ(At(ed, shot, 56, 4), (Px{20, 180, 90}));
    EXPECT_EQ(At(ed, shot, 8, 28), (Px{200, 40, 90}));
    EXPECT_EQ(ed->GetContentSize().width, 64);
    EXPECT_EQ(ed->GetContentSize().height, 32);
}

TEST_F(DtexEditPixels, TheShiftedPreviewMovesTheImageByHalfItsSides)
{
    DtexEdit* ed = NewEditor("Clay");
    std::vector<u8> picture(32 * 32 * 3, 0);
    for (u32 y = 0; y < 8; ++y)
        for (u32 x = 0; x < 8; ++x) picture[(y * 32 + x) * 3] = 255;  // red square at the corner
    ASSERT_TRUE(ed->SetPixels(picture.data(), 32, 32));
    ed->shifted = 1;
    pixeltest::Shot shot = Render();
    EXPECT_EQ(At(ed, shot, 20, 20), (Px{255, 0, 0})) << "the corner shows in the middle";
    EXPECT_EQ(At(ed, shot, 4, 4), kBlack);
    EXPECT_EQ(ed->GetResource()->pixels[0], 255) << "the pixels themselves stay";
}

// The right button's menu is drawn with its corner at the pointer, over the texture.
TEST_F(DtexEditPixels, TheMenuIsDrawnAtThePointer)
{
    DtexEdit* ed = NewEditor("Loam");
    ed->MoveTo(50, 40);
    Point pointer = {40, 60};
    ed->ContentToScreen(&pointer, 1);
    pixeltest::ExpectMenuDrawnAtPointer(ed, Render(), pointer);
}
