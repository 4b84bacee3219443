// Under a display with OpenGL, the skin and the font: a list with a header, columns, a
// selected row and an expanded branch, and a grid with a selected item, checked by reading
// pixels back at positions computed from the widgets' own geometry.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include "gui/GridWindow.h"
#include "gui/ListWindow.h"
#include "gui/WindowSystem.h"
#include "tests/gui/PixelTestSupport.h"

namespace {

constexpr int kW = 640, kH = 480;

using pixeltest::Px;

class ListGridPixels : public pixeltest::SkinnedScreen {
protected:
    ListGridPixels() : SkinnedScreen(kW, kH) {}
    void Draw() { screen = Render(); }
    Px At(int x, int y) const { return screen.PixelAt(x, y); }
    // Pixels in the screen rectangle brighter than 180 in every channel (white text, arrows).
    int Bright(const Rect& r) const
    {
        int n = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) {
                Px p = At(x, y);
                n += p.r > 180 && p.g > 180 && p.b > 180;
            }
        return n;
    }
    // The leftmost bright column in the screen rectangle, or -1.
    int LeftmostBright(const Rect& r) const
    {
        for (int x = r.left; x < r.right; ++x)
            for (int y = r.top; y < r.bottom; ++y) {
                Px p = At(x, y);
                if (p.r > 180 && p.g > 180 && p.b > 180) return x;
            }
        return -1;
    }

    pixeltest::Shot screen;
};

struct Row {
    char name[12];
    u32 size;
};

TEST_F(ListGridPixels, AListShowsHeaderSelectedRowAndAnExpandedBranch)
{
    ListWindow* list = new ListWindow(LWS_TREE | LWS_COLUMNS | LWS_HEADER, WF_VISIBLE | WF_DARKPANEL, nullptr);
    list->SetFrameXYWH(20, 20, 400, 300);
    list->AddColumn("Name", "%s", LCT_CHARARRAY, 12, 200, 0, 0);
    list->AddColumn("Size", "%u", LCT_UINT, 4, 100, 0, 0);
    static Row rows[] = {{"parent", 1}, {"child", 22}, {"other", 333}};
    ListItem* parent = list->AddItem(nullptr, 0, LIF_EXPANDABLE, &rows[0], nullptr);
    list->AddItem(parent, 0, 0, &rows[1], nullptr);
    ListItem* other = list->AddItem(nullptr, 0, 0, &rows[2], nullptr);
    list->ExpandItem(parent);
    list->UpdateScrollRange();
    list->SelectItem(other, 0);
    Window::SetFocus(list, FOCUS_PROGRAM);  // the active (blue) selection
    Draw();

    Rect c = list->GetContentRect();
    s32 rh = s32(list->GetRowHeight());
    ASSERT_GT(rh, 4);
    auto rowRect = [&](int row, s32 left, s32 right) {
        return Rect{c.left + left, c.top + (row + 1) * rh, c.left + right, c.top + (row + 2) * rh};
    };
    // Header titles in white in the first row.
    EXPECT_GT(Bright(Rect{c.left, c.top, c.left + 300, c.top + rh}), 10);
    // The selected row (row 2) is tinted blue where no text lies; the others are not.
    Px selected = At(c.left + 380, c.top + 3 * rh + rh / 2);
    Px plain = At(c.left + 380, c.top + 1 * rh + rh / 2);
    EXPECT_GT(selected.b, plain.b + 40) << selected.r << "," << selected.g << "," << selected.b;
    EXPECT_GT(selected.b, selected.r + 40);
    // The parent row shows its arrow left of the text; the child's text starts one indent in.
    EXPECT_GT(Bright(rowRect(0, 0, 16)), 0) << "expand arrow";
    int parentText = LeftmostBright(rowRect(0, 16, 200));
    int childText = LeftmostBright(rowRect(1, 16, 200));
    ASSERT_GE(parentText, 0);
    ASSERT_GE(childText, 0);
    EXPECT_GE(childText - parentText, rh - 4);
    // The size column's values appear in their own cells.
    EXPECT_GT(Bright(rowRect(2, 200, 300)), 0);
    EXPECT_EQ(Bright(rowRect(3, 0, 300)), 0);  // no fourth row
}

void PaintRed(void*, const Rect& r, void*)
{
    glDisable(GL_TEXTURE_2D);
    glColor4ub(220, 30, 30, 255);
    FillRect(r);
}

TEST_F(ListGridPixels, AGridShowsItsItemsAndTheSelection)
{
    GridWindow* grid = new GridWindow(GWS_MULTISELECT, WF_VISIBLE | WF_DARKPANEL, nullptr);
    grid->SetFrameXYWH(10, 10, 440, 300);
    grid->SetItemCount(6);
    int context = 0;
    grid->SetCallbackContext(&context);
    grid->SetDrawItemCallback(PaintRed);
    grid->Select(4);
    Draw();
    Rect c = grid->GetContentRect();
    Rect a = grid->ImageRect(0), b = grid->ImageRect(4);
    Px plain = At(c.left + (a.left + a.right) / 2, c.top + (a.top + a.bottom) / 2);
    Px selected = At(c.left + (b.left + b.right) / 2, c.top + (b.top + b.bottom) / 2);
    EXPECT_GT(plain.r, 180);
    EXPECT_LT(plain.b, 60);
    EXPECT_GT(selected.b, plain.b + 40) << selected.r << "," << selected.g << "," << selected.b;
    // The selection reaches past the image by the selection margin.
    Px outside = At(c.left + b.left - 1, c.top + (b.top + b.bottom) / 2);
    Px unselectedOutside = At(c.left + a.left - 1, c.top + (a.top + a.bottom) / 2);
    EXPECT_NE(outside.b, unselectedOutside.b);
}

}  // namespace
