// Under a display with the real OS backend, OpenGL, the program's skin and font: a menu bar
// installed through the window system with one of its menus open, probed by reading pixels
// back. Looks are compared between states, so the probes hold whatever the skin looks like.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include "gui/Menu.h"
#include "gui/WindowSystem.h"
#include "tests/gui/PixelTestSupport.h"

namespace {

constexpr int kW = 640, kH = 480;

using pixeltest::Shot;

class MenuPixels : public pixeltest::SkinnedScreen {
protected:
    MenuPixels() : SkinnedScreen(kW, kH) {}
};

TEST_F(MenuPixels, TheBarDrawsAtTheTopAndAnOpenMenuDrawsBelowItsItem)
{
    // A panel under everything, so that every pixel is drawn in every shot.
    Window* panel = new Window(WF_VISIBLE | WF_PANEL, nullptr);
    panel->FillParent();
    Shot empty = Render();
    Menu* bar = new Menu(1);
    MenuItem* file = bar->AddItem("File", nullptr, 1, 1);
    bar->AddItem("Open", file, 2, 1);
    bar->AddSeparator(file);
    bar->AddItem("Quit", file, 3, 1);
    MenuItem* tools = bar->AddItem("Tools", nullptr, 4, 1);
    bar->AddItem("Log Viewer", tools, 5, 1);
    WindowSystem::SetMenuBar(bar);
    Rect b = bar->GetFrameRect();
    ASSERT_EQ(b.top, 0);
    ASSERT_EQ(b.Width(), kW);
    ASSERT_GT(b.Height(), 0);
    Shot closed = Render();
    EXPECT_GT(empty.Diff(closed, b), b.Width() * b.Height() / 2);
    panel->FillParent();
    closed = Render();

    // The item's text is drawn in its row.
    Rect row = bar->GetRowRect(file);
    bar->ContentToScreenRects(&row, 1);
    file->SetTitle("");
    Shot untitled = Render();
    EXPECT_GT(closed.Diff(untitled, row), 0);
    file->SetTitle("File");

    MenuItem::SetOpen(file, 1);
    Shot open = Render();
    Rect popup = file->GetFrameRect();
    EXPECT_EQ(popup.left, row.left);
    EXPECT_EQ(popup.top, b.bottom - 4);
    EXPECT_GT(closed.Diff(open, popup), popup.Width() * popup.Height() / 2);
    EXPECT_GT(closed.Diff(open, row), 0);  // the open item is highlighted
    // Only the bar, the menu and its shadow changed.
    Rect rest = {popup.right + 16, b.bottom, kW, kH};
    EXPECT_EQ(closed.Diff(open, rest), 0);

    // Highlighting a row of the open menu changes that row only.
    MenuItem* quit = static_cast<MenuItem*>(file->GetLastChild());
    MenuItem::Highlight(quit);
    Shot lit = Render();
    Rect q = file->GetRowRect(quit);
    file->ContentToScreenRects(&q, 1);
    EXPECT_GT(open.Diff(lit, q), 0);
    EXPECT_EQ(open.Diff(lit, Rect{popup.left, popup.top, popup.right, q.top - 1}), 0);

    MenuItem::CloseSubmenus(bar);
    Shot again = Render();
    EXPECT_EQ(closed.Diff(again, Rect{0, 0, kW, kH}), 0);
}

}  // namespace
