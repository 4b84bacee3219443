// Under a display with the real OS backend, OpenGL, the program's skin and font: a menu bar
// installed through the window system with one of its menus open, probed by reading pixels
// back. Looks are compared between states, so the probes hold whatever the skin looks like.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gui/Menu.h"
#include "gui/Skin.h"
#include "gui/Text.h"
#include "gui/WindowSystem.h"
#include "platform/GLTexture.h"
#include "platform/Os.h"

namespace {

constexpr int kW = 640, kH = 480;

std::string BuildPath(const char* name) { return std::string(TAVIK_BINARY_DIR) + "/" + name; }

struct Shot {
    std::vector<u8> px;
    u32 At(int x, int y) const
    {
        size_t i = (size_t(kH - 1 - y) * kW + x) * 4;
        return u32(px[i]) | u32(px[i + 1]) << 8 | u32(px[i + 2]) << 16;
    }
    int Diff(const Shot& o, const Rect& r) const
    {
        int n = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) n += At(x, y) != o.At(x, y);
        return n;
    }
};

class MenuPixels : public ::testing::Test {
protected:
    void SetUp() override
    {
        OsUseRealBackend();
        if (!OsInit() || !OsOpenWindow(kW, kH, 0, 0)) GTEST_SKIP() << "no display";
        InitGL();
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        skin = new Skin(BuildPath("res/texturepack").c_str());
        font = LoadFont(BuildPath("res/dravell.tavikfont").c_str());
        ASSERT_NE(font, nullptr);
        WindowSystem::Reset();
        WindowSystem::EnableGL(1);
        WindowSystem::SetSkin(skin);
        WindowSystem::SetDefaultFont(font);
        WindowSystem::Init();
        WindowSystem::InstallCallbacks();
        WindowSystem::OnWindowResize(kW, kH);
        WindowSystem::SetRunning(1);
        ready = true;
    }
    void TearDown() override
    {
        if (ready) {
            WindowSystem::Reset();
            WindowSystem::SetSkin(nullptr);
            WindowSystem::SetDefaultFont(nullptr);
            WindowSystem::EnableGL(0);
            WindowSystem::SetFramePainter(FramePainter{});
            FreeFont(font);
            delete skin;
        }
        OsResetState();
        OsUseFakeBackend();
    }
    Shot Render()
    {
        WindowSystem::ProcessDeferredDeletes();
        WindowSystem::InvalidateAll();
        WindowSystem::RenderFrame();
        Shot s;
        s.px.resize(size_t(kW) * kH * 4);
        glFinish();
        glReadBuffer(GL_BACK);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, kW, kH, GL_RGBA, GL_UNSIGNED_BYTE, s.px.data());
        return s;
    }
    bool ready = false;
    Skin* skin = nullptr;
    Font* font = nullptr;
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
