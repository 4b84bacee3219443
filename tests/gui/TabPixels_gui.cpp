// Under a display with the real OS backend, OpenGL, the program's skin and font: the labels of a
// tab window's row of tabs, read back from the screen. Neighbouring tabs overlap, and each tab
// is drawn over the one on its right, so a label placed in that overlap loses its first letter.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gui/Skin.h"
#include "gui/TabWindow.h"
#include "gui/WindowSystem.h"
#include "tests/gui/PixelTestSupport.h"

namespace {

constexpr int kW = 800, kH = 200;

using pixeltest::Shot;

class TabPixels : public pixeltest::SkinnedScreen {
protected:
    TabPixels() : SkinnedScreen(kW, kH) {}

    // A tab window at (0, top) with one page per title, the page at `current` shown.
    TabWindow* Row(s32 top, const std::vector<std::string>& titles, u32 current)
    {
        TabWindow* tabs = new TabWindow(WF_VISIBLE | WF_ENABLED, nullptr);
        tabs->SetFrameXYWH(0, top, kW, 60);
        for (const std::string& t : titles) {
            Window* page = new Window(WF_ENABLED, nullptr);
            page->SetTitle(t.c_str());
            page->SetParent(tabs);
        }
        tabs->LayoutTabs();
        tabs->SelectTab(current);
        return tabs;
    }

    static Rect LabelOnScreen(TabWindow* tabs, u32 index)
    {
        Rect r = tabs->GetTab(index)->text;
        tabs->ContentToScreenRects(&r, 1);
        return r;
    }
};

// The pixels of a w x h rectangle at a screen corner, row by row.
std::vector<u32> Crop(const Shot& s, s32 left, s32 top, s32 w, s32 h)
{
    std::vector<u32> out;
    for (s32 y = top; y < top + h; ++y)
        for (s32 x = left; x < left + w; ++x) out.push_back(s.At(x, y));
    return out;
}

}  // namespace

TEST_F(TabPixels, AnInactiveTabShowsItsWholeLabelBesideTheTabOnItsLeft)
{
    // Each title as an inactive tab with a neighbour drawn over its left end, and the same
    // title as the first tab, which nothing covers; the last tab is current in both rows, so
    // that no active tab covers the right end of the label looked at.
    const char* titles[] = {"Shadows", "Sequences", "Color Table", "Optimize", "Wide"};
    s32 top = 0;
    for (const char* title : titles) {
        SCOPED_TRACE(title);
        TabWindow* covered = Row(top, {"Frames", title, "Other", "Last"}, 3);
        TabWindow* alone = Row(top + 30, {title, "Frames", "Other", "Last"}, 3);
        Shot shot = Render();
        Rect a = LabelOnScreen(covered, 1);
        Rect b = LabelOnScreen(alone, 0);
        ASSERT_EQ(a.Width(), b.Width());
        ASSERT_EQ(a.Height(), b.Height());
        // The label keeps clear of the 8 pixels that the tab on its left is drawn over.
        EXPECT_GE(a.left, covered->GetTab(0)->tab.right);
        std::vector<u32> seen = Crop(shot, a.left, a.top, a.Width(), a.Height());
        std::vector<u32> whole = Crop(shot, b.left, b.top, b.Width(), b.Height());
        // The label is there at all (not one flat colour) and no column of it is lost.
        u32 inks = 0;
        for (u32 c : whole) inks += c != whole[0];
        EXPECT_GT(inks, 10u);
        for (s32 x = 0; x < a.Width(); ++x) {
            int differ = 0;
            for (s32 y = 0; y < a.Height(); ++y) differ += seen[size_t(y * a.Width() + x)] != whole[size_t(y * a.Width() + x)];
            EXPECT_EQ(differ, 0) << "label column " << x << " of " << a.Width();
        }
        covered->Close();
        alone->Close();
    }
}
