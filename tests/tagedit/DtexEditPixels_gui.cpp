// What the detail-texture editor really draws, probed under Xvfb: the new texture's
// checkerboard at its content's corner, a pasted picture, and the shifted preview.
#include <algorithm>
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
    // 64 pixels are narrower than the title bar's boxes and name need; the window keeps that.
    const s32 insets = ed->GetFrameRect().Width() - ed->GetContentSize().width;
    EXPECT_EQ(ed->GetContentSize().width, std::max(64, ed->TitleBarMinimumWidth() - insets));
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

// A texture narrower than the title bar needs: the window keeps its title boxes inside its
// frame and shows its name between them, and the texture keeps its size at the content's
// corner, with the background beside it.
TEST_F(DtexEditPixels, ASmallTextureKeepsTheTitleBarsBoxesAndName)
{
    DtexEdit* ed = NewEditor("Grass");
    ed->MoveTo(40, 40);
    std::vector<u8> picture(32 * 32 * 3);
    for (size_t i = 0; i < picture.size(); i += 3) picture[i] = 230, picture[i + 1] = 20, picture[i + 2] = 20;
    ASSERT_TRUE(ed->SetPixels(picture.data(), 32, 32));
    pixeltest::Shot shot = Render();
    const Rect frame = ed->GetFrameRect();
    s32 leftmostBox = frame.Width();
    for (u32 i = 0; i < 3; ++i) {
        const Rect box = ed->GetTitleButtonRect(i);
        ASSERT_FALSE(box.IsEmpty()) << "box " << i;
        EXPECT_GE(box.left, 0) << "box " << i << " starts inside the frame";
        if (box.left < leftmostBox) leftmostBox = box.left;
    }
    // The name's letters: white in the blue title bar, left of the boxes.
    const s32 barTop = frame.top + 2, barBottom = frame.top + WindowSystem::GetMetrics().titleBarHeight;
    int letters = 0;
    for (s32 y = barTop; y < barBottom; ++y)
        for (s32 x = frame.left; x < frame.left + leftmostBox; ++x) {
            const Px p = shot.PixelAt(x, y);
            letters += p.r > 200 && p.g > 200 && p.b > 200;
        }
    EXPECT_GT(letters, 20) << "\"Grass\" is drawn in the title bar";
    EXPECT_EQ(At(ed, shot, 2, 2), (Px{230, 20, 20}));
    EXPECT_EQ(At(ed, shot, 29, 29), (Px{230, 20, 20}));
    EXPECT_GT(ed->GetContentSize().width, 32);
    EXPECT_NE(At(ed, shot, 40, 8), (Px{230, 20, 20})) << "right of the texture is the background";
    EXPECT_EQ(ed->GetContentSize().height, 32);
}
