// Under a display with the real OS backend, OpenGL, the program's skin and font: a message
// box run through ShowMessageBox, probed by reading pixels back while its modal loop runs.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "gui/MessageBox.h"
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
    int Brightness(int x, int y) const
    {
        u32 c = At(x, y);
        return int(c & 255) + int(c >> 8 & 255) + int(c >> 16 & 255);
    }
    int Diff(const Shot& o, const Rect& r) const
    {
        int n = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) n += At(x, y) != o.At(x, y);
        return n;
    }
};

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

class MessageBoxPixels : public ::testing::Test {
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
        WindowSystem::SetStepHook(CapturingStep);
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
    bool ready = false;
    Skin* skin = nullptr;
    Font* font = nullptr;
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
