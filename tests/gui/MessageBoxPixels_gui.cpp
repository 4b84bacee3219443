// Under a display with the real OS backend, OpenGL, the program's skin and font: a message
// box run through ShowMessageBox, probed by reading pixels back while its modal loop runs.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "gui/MessageBox.h"
#include "gui/WindowSystem.h"
#include "tests/gui/PixelTestSupport.h"

namespace {

constexpr int kW = 640, kH = 480;

using pixeltest::Shot;

Shot Render() { return pixeltest::RenderShot(kW, kH); }

// Taken at the first step of the box's loop, which the step then ends by clicking OK.
struct During {
    Shot withText, withoutText;
    Rect frame, label, button;
    int seen = 0;
} g_during;

int CapturingStep()
{
    if (g_during.seen++) return 0;  // one step only: the click below must end the loop
    Window* w = WindowSystem::GetFocus();
    while (w && strcmp(w->GetClassName(), "MessageBoxWindow")) w = w->GetParent();
    if (!w) return 0;
    MessageBoxWindow* box = static_cast<MessageBoxWindow*>(w);
    g_during.frame = box->GetFrameRect();
    g_during.label = box->GetField()->GetContentRect();
    g_during.button = box->GetButton(0)->GetContentRect();
    g_during.withText = Render();
    box->GetField()->SetText("");
    g_during.withoutText = Render();
    box->GetButton(0)->SetState(BUTTON_ON, 0);
    return 1;
}

class MessageBoxPixels : public pixeltest::SkinnedScreen {
protected:
    MessageBoxPixels() : SkinnedScreen(kW, kH) {}
    void SetUp() override
    {
        SkinnedScreen::SetUp();
        if (ready) WindowSystem::SetStepHook(CapturingStep);
    }
};

}  // namespace

TEST_F(MessageBoxPixels, TheBoxDrawsItsTextAndButtonOverADimmedScreen)
{
    // A lit panel behind the box, so that dimming shows.
    Window* back = new Window(WF_VISIBLE | WF_ENABLED | WF_PANEL, nullptr);
    back->SetFrameXYWH(0, 0, kW, kH);
    Shot before = Render();

    g_during = During();
    EXPECT_EQ(ShowMessageBox("Pixels", "The quick brown fox", "OK", nullptr), 0);
    ASSERT_EQ(g_during.seen, 1);
    const Shot& on = g_during.withText;

    // Centred on the screen.
    EXPECT_LE(std::abs(g_during.frame.left - (kW - g_during.frame.right)), 1);
    // Outside the box (and its shadow) everything is darker than before.
    Point outside[] = {{5, 5}, {kW - 5, kH - 5}, {5, kH - 5}};
    for (Point p : outside) EXPECT_LT(on.Brightness(p.x, p.y), before.Brightness(p.x, p.y)) << p.x << "," << p.y;
    // The box itself covers what was behind it.
    EXPECT_GT(before.Diff(on, g_during.frame), 0);
    // The text is drawn inside the label and nowhere else.
    int inLabel = on.Diff(g_during.withoutText, g_during.label);
    EXPECT_GT(inLabel, 20);
    EXPECT_EQ(on.Diff(g_during.withoutText, Rect{0, 0, kW, kH}), inLabel);
    // The button is drawn where it was placed, below the text.
    EXPECT_GT(before.Diff(on, g_during.button), 0);
    EXPECT_GE(g_during.button.top, g_during.label.bottom + 24);
}
