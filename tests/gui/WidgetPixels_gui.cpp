// Under a display with the real OS backend, OpenGL, the program's skin and font: a dialog with
// buttons, a check box, a colour button and a scrollable window drawn by the window system,
// probed by reading pixels back. Looks are compared between states of the same widget, so
// the probes hold whatever the skin's images look like.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include "gui/Button.h"
#include "gui/ColorButton.h"
#include "gui/DialogWindow.h"
#include "gui/ScrollableWindow.h"
#include "gui/Skin.h"
#include "gui/WindowSystem.h"
#include "tests/gui/PixelTestSupport.h"

namespace {

constexpr int kW = 640, kH = 480;

using pixeltest::Shot;

class SampleDialog : public DialogWindow {
public:
    SampleDialog() noexcept
    {
        check = new CheckBox(this, 5);
        check->SetTitle("Keep the palette");
        check->SizeToFit();
        check->MoveTo(16, 16);
        swatch = new ColorButton(this);
        swatch->MoveTo(16, 48);
        swatch->SetColor(0xFF2080E0u);
        SetTitle("Sample");
        SetContentSize(260, 80);
        MoveTo(40, 40);
    }
    CheckBox* check;
    ColorButton* swatch;
};

class WidgetPixels : public pixeltest::SkinnedScreen {
protected:
    WidgetPixels() : SkinnedScreen(kW, kH) {}
};

}  // namespace

TEST_F(WidgetPixels, AButtonLooksPressedOnlyInState3AndItsLabelIsDrawn)
{
    SampleDialog* d = new SampleDialog;
    Button* ok = d->GetOKButton();
    Rect face = ok->GetContentRect();
    face.bottom -= 6;
    Shot normal = Render();
    ok->SetState(3, 1);
    Shot pressed = Render();
    EXPECT_GT(normal.Diff(pressed, face), 0);
    ok->SetState(0, 1);
    Shot back = Render();
    EXPECT_EQ(normal.Diff(back, Rect{0, 0, kW, kH}), 0);

    // The label: the same button without a title differs only around its centre.
    ok->SetTitle("");
    Shot blank = Render();
    EXPECT_GT(normal.Diff(blank, face), 0);
    Rect edge = {face.left, face.top, face.left + 4, face.bottom};
    EXPECT_EQ(normal.Diff(blank, edge), 0);
    ok->SetTitle("OK");

    // Disabled draws grey: a different face.
    ok->SetEnabled(0);
    Shot grey = Render();
    EXPECT_GT(normal.Diff(grey, face), 0);
}

TEST_F(WidgetPixels, TheFocusedButtonIsOutlined)
{
    SampleDialog* d = new SampleDialog;
    Window::SetFocus(d->check, FOCUS_PROGRAM);
    Shot plain = Render();
    Window::SetFocus(d->GetCancelButton(), FOCUS_PROGRAM);
    Shot focused = Render();
    Rect face = d->GetCancelButton()->GetContentRect();
    face.bottom -= 6;
    EXPECT_GT(plain.Diff(focused, face), 0);
}

TEST_F(WidgetPixels, ACheckedBoxChangesOnlyTheBox)
{
    SampleDialog* d = new SampleDialog;
    Shot off = Render();
    d->check->SetState(1, 1);
    Shot on = Render();
    Rect c = d->check->GetContentRect();
    Size box = Skin::GetCheckBoxSize();
    s32 lh = d->check->GetLineHeight();
    s32 h = lh > box.height ? lh : box.height;
    s32 y = c.top + (h - box.height - 2) / 2;
    Rect boxRect = {c.left, y, c.left + box.width, y + box.height};
    EXPECT_GT(off.Diff(on, boxRect), 0);
    EXPECT_EQ(off.Diff(on, Rect{0, 0, kW, kH}), off.Diff(on, boxRect));
    // The label stands right of the box.
    d->check->SetTitle("");
    Shot noLabel = Render();
    EXPECT_GT(on.Diff(noLabel, Rect{c.left + box.width + 8, c.top, c.right, c.bottom}), 0);
}

TEST_F(WidgetPixels, AColourButtonIsFilledWithItsColour)
{
    SampleDialog* d = new SampleDialog;
    Shot s = Render();
    Rect c = d->swatch->GetContentRect();
    EXPECT_EQ(s.At((c.left + c.right) / 2, (c.top + c.bottom) / 2), 0x2080E0u);  // red in the low byte, as the colour
    d->swatch->SetColor(0xFF00FF00u);
    Shot t = Render();
    EXPECT_EQ(t.At(c.left + 1, c.top + 1), 0x00FF00u);
}

TEST_F(WidgetPixels, TheScrollBarAppearsWithItsPageAndTheThumbMovesWithThePosition)
{
    ScrollableWindow* s = new ScrollableWindow(WF_VISIBLE | WF_PANEL | WF_THINBORDER, nullptr);
    s->SetFrameXYWH(360, 60, 200, 300);
    Shot none = Render();
    s->SetScrollInfo(0x07, 1000, 0, 100, 0, 0, 0);
    Shot top = Render();
    Rect c = s->GetContentRect();
    s32 w = Skin::GetScrollBarWidth();
    Rect bar = {c.right, c.top, c.right + w, c.bottom};
    EXPECT_GT(none.Diff(top, bar), 0);

    Rect t0 = s->GetVThumbRect();
    s->SetVScrollPos(900);
    Shot bottom = Render();
    Rect t1 = s->GetVThumbRect();
    ASSERT_EQ(t0.Height(), t1.Height());
    ASSERT_GT(t1.top, t0.bottom);
    s32 fx = s->GetFrameRect().left, fy = s->GetFrameRect().top;
    // The thumb's middle row moved with the thumb: the same pixels at the new place, others
    // at the old one.
    int same = 0, moved = 0;
    for (s32 x = t0.left; x < t0.right; ++x) {
        same += top.At(fx + x, fy + t0.top + t0.Height() / 2) == bottom.At(fx + x, fy + t1.top + t1.Height() / 2);
        moved += top.At(fx + x, fy + t0.top + t0.Height() / 2) != bottom.At(fx + x, fy + t0.top + t0.Height() / 2);
    }
    EXPECT_EQ(same, w);
    EXPECT_GT(moved, 0);
    // The content outside the bar is unchanged by scrolling.
    EXPECT_EQ(top.Diff(bottom, Rect{c.left, c.top, c.right, c.bottom}), 0);
}
