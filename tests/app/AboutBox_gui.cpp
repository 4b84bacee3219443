// The splash and About box as really drawn: the window's look and sizes in each mode, the
// credits text laid out line below line in the column right of the image, and the start-up
// splash as "ShowSplash" asks for it.
#include "tests/gui/PixelTestSupport.h"

#include <unistd.h>

#include "app/Shell.h"
#include "app/SplashScreen.h"
#include "foundation/PrefStore.h"
#include "platform/Os.h"
#include "tests/common/TestDirs.h"

using namespace pixeltest;

namespace {

class AboutBoxScreen : public SkinnedScreen {
protected:
    AboutBoxScreen() : SkinnedScreen(900, 340) {}
    void SetUp() override
    {
        // The splash reads "res/tavik.bmp" from the program's folder.
        ASSERT_TRUE(getcwd(cwd, sizeof cwd));
        ASSERT_EQ(chdir(TestBinaryDir()), 0);
        SkinnedScreen::SetUp();
    }
    void TearDown() override
    {
        SkinnedScreen::TearDown();
        ASSERT_EQ(chdir(cwd), 0);
    }
    char cwd[4096] = {};
};

}  // namespace

TEST_F(AboutBoxScreen, SplashAndAboutBoxTakeTheirLookAndSize)
{
    TavikSplashScreen* splash = new TavikSplashScreen();
    ASSERT_EQ(splash->imageWidth, 480u) << "res/tavik.bmp";
    ASSERT_EQ(splash->imageHeight, 270u);

    splash->Prepare(0);
    EXPECT_EQ(splash->GetFlags(), u32(WF_RECENTER | WF_VISIBLE));
    EXPECT_EQ(splash->GetContentRect().Width(), 480);
    EXPECT_EQ(splash->GetContentRect().Height(), 270);
    EXPECT_FLOAT_EQ(splash->holdDuration, 1.5f);
    EXPECT_FLOAT_EQ(splash->fadeDuration, 1.0f);

    splash->Prepare(1);
    EXPECT_EQ(splash->GetFlags(), 300u | WF_VISIBLE);
    EXPECT_STREQ(splash->GetTitle(), "About Tavik");
    EXPECT_EQ(splash->GetContentRect().Width(), 480 + 384);
    EXPECT_FLOAT_EQ(splash->holdDuration, 120.0f);
}

TEST_F(AboutBoxScreen, TheCreditsTitleNamesTheProgramAndItsBuild)
{
    const std::string credits = AboutCreditsText();
    const std::string title = credits.substr(0, credits.find('\n'));
    const std::string expected = sizeof(void*) == 8 ? "|bTavik64|p, x86-64 build" : "|bTavik|p, i386 build";
    EXPECT_EQ(title, expected);
}

TEST_F(AboutBoxScreen, CreditsAreDrawnOneLineBelowAnother)
{
    TavikSplashScreen* about = new TavikSplashScreen();
    about->Prepare(1);
    Shot shot = Render();

    Rect column = about->GetContentRect();
    column.left = column.right - 384;
    about->GetParent()->ContentToScreenRects(&column, 1);
    ASSERT_LE(column.right, screenWidth);
    ASSERT_LE(column.bottom, screenHeight);
    // Rows of the column that hold some bright (text) pixels.
    int textRows = 0, lowestTextRow = -1;
    for (int y = column.top; y < column.bottom; ++y) {
        int bright = 0;
        for (int x = column.left; x < column.right; ++x) bright += shot.Brightness(x, y) > 500;
        if (bright) {
            ++textRows;
            lowestTextRow = y - column.top;
        }
    }
    EXPECT_GT(textRows, 40) << "several lines of text";
    EXPECT_GT(lowestTextRow, 100) << "the closing line lies well below the title";
}

namespace {

int gSplashSteps;  // steps run while the splash was on the modal stack

int SplashStep()
{
    Window* layer = WindowSystem::GetLayerRoot(1);
    for (Window* w = layer ? layer->GetFirstChild() : nullptr; w; w = w->GetNextSibling())
        if (WindowSystem::IsOnModalStack(w, 1) && w->IsVisible()) ++gSplashSteps;
    OsPollEvents();
    WindowSystem::ProcessAndRender();
    OsSleep(0.005);
    return 1;
}

}  // namespace

TEST_F(AboutBoxScreen, ShowSplashOneIsSeenOnceAndTwoEveryTime)
{
    WindowSystem::SetStepHook(SplashStep);
    struct Case { u32 before; bool shown; u32 after; } cases[] = {{2, true, 2}, {1, true, 0}, {0, false, 0}};
    for (const Case& c : cases) {
        gSplashSteps = 0;
        SetPrefInt("ShowSplash", c.before);
        ShowStartSplash();
        EXPECT_EQ(gSplashSteps > 0, c.shown) << c.before;
        u32 after = 99;
        ASSERT_TRUE(GetPrefInt("ShowSplash", &after));
        EXPECT_EQ(after, c.after) << c.before;
    }
    WindowSystem::SetStepHook(nullptr);
    ResetPrefs();
}
