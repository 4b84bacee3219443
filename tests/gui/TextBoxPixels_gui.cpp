// A text box drawn with OpenGL under a display: the selection fill, the caret bar and the
// disabled text colour, probed at positions computed from the box's own layout.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "gui/Skin.h"
#include "gui/TextBox.h"
#include "gui/WindowSystem.h"
#include "tests/gui/PixelTestSupport.h"

namespace {

constexpr int kW = 480, kH = 360;

using pixeltest::Px;

Px Read(int x, int y) { return pixeltest::ReadPixel(x, y, kH); }

class TextBoxPixels : public pixeltest::SkinnedScreen {
protected:
    TextBoxPixels() : SkinnedScreen(kW, kH) {}
    void SetUp() override
    {
        SkinnedScreen::SetUp();
        if (ready) WindowSystem::SetDirtyRectMode(0);
    }
    // A full redraw over a black screen.
    void Draw()
    {
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        WindowSystem::InvalidateAll();
        WindowSystem::RenderFrame();
    }
    // The screen x of character index c on the box's line (paragraph p, line l).
    static int XOf(TextBox* b, u32 p, u32 l, u32 c)
    {
        TextParagraph* para = b->GetParagraph(p);
        const TextLine& line = para->lines[l];
        return b->GetContentRect().left + b->LineOffset(line) + int(b->WidthBefore(para, line, c));
    }
};

// Pixels far apart in colour (the background under the box is a light texture).
bool Differs(Px a, Px b) { return abs(a.r - b.r) + abs(a.g - b.g) + abs(a.b - b.b) > 40; }

TEST_F(TextBoxPixels, TheSelectionIsFilledBetweenItsCharactersAndAnEmptyLineShowsABlock)
{
    TextBox* b = new TextBox(TEXTBOX_EDITOR, nullptr);
    b->SetFrameXYWH(40, 40, 300, 120);
    b->SetText("hello world\n\nlast");
    Window::SetFocus(b, FOCUS_PROGRAM);
    s32 lh = b->GetLineHeight();
    s32 top = b->GetContentRect().top;
    int left = b->GetContentRect().left;
    // Probes on the bottom row of each line, below the glyphs.
    struct Probe {
        int x, y;
        bool selected;
    };
    const Probe probes[] = {
        {XOf(b, 0, 0, 3) + 2, top + lh - 1, true},       // inside "lo world"
        {XOf(b, 0, 0, 3) - 3, top + lh - 1, false},      // before the selection
        {left + 4, top + 2 * lh - 1, true},              // the empty line's 8-px block
        {left + 12, top + 2 * lh - 1, false},            // past the block
        {XOf(b, 2, 0, 1), top + 3 * lh - 1, true},       // "la" on the last line
        {XOf(b, 2, 0, 2) + 3, top + 3 * lh - 1, false},  // after the cursor
    };
    Draw();
    Px before[6];
    for (int i = 0; i < 6; ++i) before[i] = Read(probes[i].x, probes[i].y);
    // Select from "l|lo" in the first paragraph through the empty one into "la|st".
    b->SetAnchorAt(0, 3);
    b->SetCursorAt(2, 2);
    Draw();
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        Px now = Read(probes[i].x, probes[i].y);
        if (probes[i].selected) EXPECT_TRUE(Differs(now, before[i]));
        else EXPECT_EQ(now, before[i]);
    }
}

TEST_F(TextBoxPixels, TheCaretIsAWhiteBarAtTheCursorWhileShown)
{
    TextBox* b = new TextBox(TEXTBOX_LINE, nullptr);
    b->SetFrameXYWH(40, 40, 300, 30);
    b->SetText("caret");
    Window::SetFocus(b, FOCUS_PROGRAM);
    b->MoveCursor(16777216, 0, 0);
    int x = XOf(b, 0, 0, 5);
    int y = b->GetContentRect().top + b->GetLineHeight() / 2;
    b->cursorShown = 0;
    Draw();
    Px hidden = Read(x, y), beside = Read(x + 3, y);
    // The caret shows steadily for half a second after the cursor moves, and blinks with the
    // clock after that: move it again right before the tick, since drawing may be slow.
    b->MoveCursor(16777216, 0, 0);
    b->Tick();
    ASSERT_TRUE(b->IsCursorShown());
    Draw();
    EXPECT_EQ(Read(x, y), (Px{255, 255, 255}));
    EXPECT_NE(hidden, (Px{255, 255, 255}));
    EXPECT_EQ(Read(x + 3, y), beside);
}

TEST_F(TextBoxPixels, DisabledTextIsDrawnDarker)
{
    TextBox* b = new TextBox(TEXTBOX_LINE, nullptr);
    b->SetFrameXYWH(40, 40, 300, 30);
    b->SetText("IIIIIIII");
    auto brightest = [&]() {
        int best = 0;
        Rect c = b->GetContentRect();
        for (int y = c.top; y < c.top + b->GetLineHeight(); ++y)
            for (int x = c.left; x < XOf(b, 0, 0, 8); ++x) {
                Px p = Read(x, y);
                if (p.r + p.g + p.b > best) best = p.r + p.g + p.b;
            }
        return best;
    };
    Draw();
    int enabled = brightest();
    b->SetEnabled(0);
    Draw();
    int disabled = brightest();
    EXPECT_GT(enabled, 3 * 180);
    EXPECT_LT(disabled, enabled - 150);
}

}  // namespace

namespace {

TEST_F(TextBoxPixels, AScrollingTextShowsItsBarRightOfTheText)
{
    TextBox* b = new TextBox(TEXTBOX_VIEW, nullptr);
    b->SetFrameXYWH(40, 40, 200, 100);
    b->SetVisible(0);
    Draw();
    Rect frame = b->GetFrameRect();
    int x = frame.right - Skin::GetScrollBarWidth() / 2, y = (frame.top + frame.bottom) / 2;
    Px empty = Read(x, y);
    b->SetVisible(1);
    std::string text;
    for (int i = 0; i < 40; ++i) text += "line " + std::to_string(i) + "\n";
    b->SetText(text.c_str());
    EXPECT_EQ(b->GetContentRect().right, frame.right - Skin::GetScrollBarWidth());
    Draw();
    EXPECT_TRUE(Differs(Read(x, y), empty));
    // Scrolled to the end, the first paragraph of the last page is on top.
    b->SetVScrollPos(b->GetVTotal());
    Draw();
    EXPECT_EQ(b->GetTopParagraph()->index, u32(b->GetVTotal() - b->GetVPageSize()));
}

}  // namespace
