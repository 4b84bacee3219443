#include <gtest/gtest.h>

#include <string>

#include "gui/Skin.h"
#include "tests/common/TestDirs.h"

namespace {

// Installs a pack of blank images of the given sizes as the skin's.
class SkinMetricsTest : public ::testing::Test {
protected:
    void TearDown() override { InstallSkinPack(nullptr); }
    void Use(std::initializer_list<std::tuple<u32, u32, u32>> images)
    {
        TexturePack* pack = NewTexturePack();
        for (auto& [id, w, h] : images) AddPackImage(pack, id, w, h, nullptr);
        InstallSkinPack(pack);
    }
};

}  // namespace

TEST_F(SkinMetricsTest, ButtonSizeIsBothCapsAndTwentyFourPixelsByTheLeftCapsHeight)
{
    Use({{6, 10, 20}, {8, 12, 20}, {4, 8, 20}});
    Size a = {0, 0}, b = {0, 0};
    Skin::GetButtonSize(&a, &b);
    EXPECT_EQ(a.width, 46);
    EXPECT_EQ(a.height, 20);
    EXPECT_EQ(b.width, 46);
    EXPECT_EQ(b.height, 20);
    Skin::GetButtonSize(nullptr, nullptr);
}

TEST_F(SkinMetricsTest, ATabHoldsItsTitleBetweenTheCapsAndClearOfTheTabOnItsLeft)
{
    // A left cap narrower than the 8 pixels that the tab on the left covers: the title starts
    // two pixels past them and the tab grows by as much.
    Use({{66, 6, 18}, {68, 7, 18}});
    Rect tab, text;
    Skin::GetTabRect(50, &tab, &text);
    EXPECT_EQ(tab.Width(), 71);
    EXPECT_EQ(tab.Height(), 18);
    EXPECT_EQ(text.left, 10);
    EXPECT_EQ(text.top, 2);
    EXPECT_EQ(text.right, 64);
    EXPECT_EQ(text.bottom, 17);
    // A wide left cap: the title starts right after it.
    Use({{66, 14, 18}, {68, 7, 18}});
    Skin::GetTabRect(50, &tab, &text);
    EXPECT_EQ(tab.Width(), 75);
    EXPECT_EQ(text.left, 14);
    EXPECT_EQ(text.right, 68);
}

TEST_F(SkinMetricsTest, MetricsComeFromTheImagesAndMissingOnesCountAsNothing)
{
    Use({{1, 16, 4}, {2, 8, 1}, {38, 14, 16}, {52, 14, 13}, {12, 16, 15}, {27, 8, 7}});
    EXPECT_EQ(Skin::GetBorderWidth(), 4);
    EXPECT_EQ(Skin::GetThinBorderWidth(), 1);
    EXPECT_EQ(Skin::GetScrollBarWidth(), 14);
    EXPECT_EQ(Skin::GetTitleButtonSize().height, 13);
    EXPECT_EQ(Skin::GetCheckBoxSize().width, 16);
    EXPECT_EQ(Skin::GetCheckBoxSize().height, 15);
    EXPECT_EQ(Skin::GetSubmenuArrowSize().height, 7);
    EXPECT_EQ(Skin::GetTitleBarHeight(), 22);
    EXPECT_EQ(Skin::GetTabSpacing(), 8);
    EXPECT_EQ(Skin::GetSelectionMargin(), 2);
    Size button;
    Skin::GetButtonSize(&button, nullptr);
    EXPECT_EQ(button.width, 24);
    EXPECT_EQ(button.height, 0);
    EXPECT_EQ(GetSkinImage(81), nullptr);
    EXPECT_EQ(GetSkinImage(3), nullptr);
    EXPECT_NE(GetSkinImage(38), nullptr);
}

TEST_F(SkinMetricsTest, TheGeneratedThemeGivesTheLayoutsNumbers)
{
    TexturePack* pack = NewTexturePack();
    ASSERT_GT(LoadTexturePack(pack, (std::string(TestBinaryDir()) + "/res/texturepack").c_str()), 0u);
    InstallSkinPack(pack);
    // A collapsed window is two borders and a title bar high.
    EXPECT_EQ(2 * Skin::GetBorderWidth() + Skin::GetTitleBarHeight(), 30);
    EXPECT_EQ(Skin::GetScrollBarWidth(), 14);
    EXPECT_LE(Skin::GetTitleButtonSize().width, 14);
    Size button;
    Skin::GetButtonSize(&button, nullptr);
    EXPECT_GE(button.height, 18);
    for (u32 n = 0; n < kSkinImageCount; ++n) EXPECT_NE(GetSkinImage(n), nullptr) << n;
}
