#pragma once
// Test support for probing what the window system really draws: a fixture that opens a window
// with the real OS backend and OpenGL, loads the program's skin and font from the build folder
// and starts the window system, and screenshots of the back buffer read back after a frame.
// Without a display the fixture skips the test.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/Types.h"
#include "gui/Menu.h"
#include "gui/Skin.h"
#include "gui/Text.h"
#include "gui/WindowSystem.h"
#include "platform/GLTexture.h"
#include "platform/Os.h"
#include "tests/common/TestDirs.h"

namespace pixeltest {

// A file below the build folder (the skin and the font are copied there by the build).
inline std::string BuildPath(const char* name) { return std::string(TestBinaryDir()) + "/" + name; }

// One pixel's colour channels, 0..255.
struct Px {
    int r, g, b;
    bool operator==(const Px& o) const { return r == o.r && g == o.g && b == o.b; }
    bool operator!=(const Px& o) const { return !(*this == o); }
};

// The whole back buffer, width x height RGBA, rows bottom-up as OpenGL returns them.
inline std::vector<u8> ReadBackBuffer(int width, int height)
{
    std::vector<u8> px(size_t(width) * size_t(height) * 4);
    glFinish();
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, px.data());
    return px;
}

// One pixel of the back buffer at a screen point (top-left origin) of a screen height pixels tall.
inline Px ReadPixel(int x, int y, int height)
{
    u8 p[4] = {};
    glFinish();
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, height - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
    return Px{p[0], p[1], p[2]};
}

// A read-back screen. Coordinates are screen points with a top-left origin and must lie
// inside the screen.
struct Shot {
    int width = 0, height = 0;
    std::vector<u8> px;

    // The colour as 0xBBGGRR.
    u32 At(int x, int y) const
    {
        size_t i = (size_t(height - 1 - y) * size_t(width) + size_t(x)) * 4;
        return u32(px[i]) | u32(px[i + 1]) << 8 | u32(px[i + 2]) << 16;
    }
    Px PixelAt(int x, int y) const
    {
        u32 c = At(x, y);
        return Px{int(c & 255), int(c >> 8 & 255), int(c >> 16 & 255)};
    }
    // The sum of the three channels.
    int Brightness(int x, int y) const
    {
        Px p = PixelAt(x, y);
        return p.r + p.g + p.b;
    }
    // Pixels that differ from o's inside r.
    int Diff(const Shot& o, const Rect& r) const
    {
        int n = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) n += At(x, y) != o.At(x, y);
        return n;
    }
};

inline Shot ReadShot(int width, int height)
{
    Shot s;
    s.width = width;
    s.height = height;
    s.px = ReadBackBuffer(width, height);
    return s;
}

// Deletes what is pending, redraws every window and reads the screen back.
inline Shot RenderShot(int width, int height)
{
    WindowSystem::ProcessDeferredDeletes();
    WindowSystem::InvalidateAll();
    WindowSystem::RenderFrame();
    return ReadShot(width, height);
}

// A width x height window with the real backend, blending on, the skin and the font loaded
// and the window system running with them. Skips the test when no window can be opened.
class SkinnedScreen : public ::testing::Test {
protected:
    explicit SkinnedScreen(int w = 640, int h = 480) : screenWidth(w), screenHeight(h) {}
    void SetUp() override
    {
        OsUseRealBackend();
        if (!OsInit() || !OsOpenWindow(screenWidth, screenHeight, 0, 0)) GTEST_SKIP() << "no display";
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
        WindowSystem::OnWindowResize(screenWidth, screenHeight);
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
        }
        if (font) FreeFont(font);
        font = nullptr;
        delete skin;
        skin = nullptr;
        OsResetState();
        OsUseFakeBackend();
    }
    Shot Render() const { return RenderShot(screenWidth, screenHeight); }

    const int screenWidth, screenHeight;
    bool ready = false;
    Skin* skin = nullptr;
    Font* font = nullptr;
};

// The first popup menu a call shows: its frame and the screen read back while it is open.
struct MenuCapture {
    int seen = 0;
    Rect frame = {};
    Shot shot;
};

inline MenuCapture& CapturedMenu()
{
    static MenuCapture capture;
    return capture;
}

// A step hook for a call that pops up a menu: at the menu's first step the screen is read back
// and the menu is dismissed as Esc would (no item chosen).
inline int CaptureMenuStep()
{
    Window* layer = WindowSystem::GetLayerRoot(1);
    for (Window* w = layer ? layer->GetFirstChild() : nullptr; w; w = w->GetNextSibling()) {
        Menu* m = dynamic_cast<Menu*>(w);
        if (!m || m->isMenuBar || !m->IsVisible() || !WindowSystem::IsOnModalStack(m, 1)) continue;
        MenuCapture& c = CapturedMenu();
        if (!c.seen++) {
            c.frame = m->GetFrameRect();
            c.shot = RenderShot(c.shot.width, c.shot.height);
        }
        WindowSystem::EndModal(m, 0);
        return 1;
    }
    return 0;
}

// Arms CaptureMenuStep for a screen of width x height.
inline void ExpectMenu(int width, int height)
{
    CapturedMenu() = MenuCapture();
    CapturedMenu().shot.width = width;
    CapturedMenu().shot.height = height;
    WindowSystem::SetStepHook(CaptureMenuStep);
}

// A right-button press at a screen point, as the window system hands it to a window.
inline Event RightPress(Point at)
{
    Event e = {};
    e.type = EVENT_BUTTON;
    e.data[0] = u32(at.x);
    e.data[1] = u32(at.y);
    e.data[4] = 1;
    e.data[5] = 1;
    return e;
}

// Sends a right press at the pointer to `window` and expects its menu drawn with its corner
// there: the square just inside that corner shows the menu, not what `plain` showed.
template <class Target>
void ExpectMenuDrawnAtPointer(Target* window, const Shot& plain, Point pointer)
{
    ExpectMenu(plain.width, plain.height);
    Event press = RightPress(pointer);
    window->MouseButton(&press);
    const MenuCapture& menu = CapturedMenu();
    ASSERT_EQ(menu.seen, 1);
    EXPECT_EQ(menu.frame.left, pointer.x);
    EXPECT_EQ(menu.frame.top, pointer.y);
    const Rect corner{pointer.x + 2, pointer.y + 2, pointer.x + 14, pointer.y + 14};
    EXPECT_GT(plain.Diff(menu.shot, corner), 12 * 12 * 3 / 4);
}

}  // namespace pixeltest
