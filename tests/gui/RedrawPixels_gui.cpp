// Under a display with the real OS backend and OpenGL: a scripted sequence of window changes
// drawn through dirty rectangles leaves the same pixels as a full redraw of the same state.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <vector>

#include "gui/Window.h"
#include "gui/WindowSystem.h"
#include "platform/Clipboard.h"
#include "platform/GLTexture.h"
#include "platform/OsKeys.h"
#include "platform/Os.h"
#include "tests/gui/PixelTestSupport.h"

namespace {

constexpr int kW = 480, kH = 360;

void Fill(const Rect& r, u32 rgba)
{
    glDisable(GL_TEXTURE_2D);
    glColor4ub(rgba & 255, (rgba >> 8) & 255, (rgba >> 16) & 255, rgba >> 24);
    glBegin(GL_QUADS);
    glVertex2i(r.left, r.top);
    glVertex2i(r.right, r.top);
    glVertex2i(r.right, r.bottom);
    glVertex2i(r.left, r.bottom);
    glEnd();
}

void PaintBackground(const Rect& r, int) { Fill(r, 0xFF404040); }
void PaintShadow(const Rect& r, int) { Fill(Rect{r.right, r.top + 6, r.right + 16, r.bottom + 16}, 0x60000000); }
// The edges of the mask (1 left, 2 top, 4 right, 8 bottom), 4 pixels wide as the metrics say,
// so that a frame covers all it claims.
void PaintFrame(const Rect& r, u32 mask)
{
    const u32 c = 0xFF00C0C0;
    if (mask & 2) Fill(Rect{r.left, r.top, r.right, r.top + 4}, c);
    if (mask & 8) Fill(Rect{r.left, r.bottom - 4, r.right, r.bottom}, c);
    if (mask & 1) Fill(Rect{r.left, r.top, r.left + 4, r.bottom}, c);
    if (mask & 4) Fill(Rect{r.right - 4, r.top, r.right, r.bottom}, c);
}
u32 g_titleColour = 0xFF804000;
void PaintTitleBar(const Rect& r, int active) { Fill(r, active ? g_titleColour : 0xFF606060); }

// A window that paints its content in one colour, or (translucent) a half-transparent
// square inside it.
class Swatch : public Window {
public:
    Swatch(u32 f, Window* p, u32 rgba) noexcept : Window(f, p), colour(rgba) {}
    void DrawContent() override
    {
        BeginDraw(1, 0);
        Size s = GetContentSize();
        if (flags & WF_PANEL)
            Fill(Rect{0, 0, s.width, s.height}, colour);
        else
            Fill(Rect{4, 4, s.width - 4, s.height - 4}, colour);
        EndDraw();
    }
    u32 colour;
};

std::vector<u8> ReadScreen() { return pixeltest::ReadBackBuffer(kW, kH); }

int Differences(const std::vector<u8>& a, const std::vector<u8>& b, int* firstX, int* firstY)
{
    int n = 0;
    for (size_t i = 0; i < a.size(); i += 4) {
        if (a[i] != b[i] || a[i + 1] != b[i + 1] || a[i + 2] != b[i + 2]) {
            if (!n) {
                *firstX = int((i / 4) % kW);
                *firstY = kH - 1 - int((i / 4) / kW);
            }
            ++n;
        }
    }
    return n;
}

class RedrawPixels : public ::testing::Test {
protected:
    void SetUp() override
    {
        OsUseRealBackend();
        if (!OsInit() || !OsOpenWindow(kW, kH, 0, 0)) GTEST_SKIP() << "no display";
        InitGL();
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        WindowSystem::Reset();
        WindowSystem::EnableGL(1);
        WindowSystem::SetMetrics(WindowMetrics{4, 1, 22, 16, 14});
        FramePainter painter = {};
        painter.drawBackground = PaintBackground;
        painter.drawShadow = PaintShadow;
        painter.drawFrame = PaintFrame;
        painter.drawTitleBar = PaintTitleBar;
        WindowSystem::SetFramePainter(painter);
        WindowSystem::Init();
        WindowSystem::SetDirtyRectMode(1);
        WindowSystem::InstallCallbacks();
        WindowSystem::OnWindowResize(kW, kH);
        WindowSystem::SetRunning(1);
        ready = true;
    }
    void TearDown() override
    {
        WindowSystem::Reset();
        WindowSystem::EnableGL(0);
        WindowSystem::SetFramePainter(FramePainter{});
        OsResetState();
        OsUseFakeBackend();
    }
    // Draws the pending dirty rectangles, then checks the result against a full redraw.
    void CheckStep(const char* what)
    {
        WindowSystem::ProcessDeferredDeletes();
        bool full = WindowSystem::IsFullRedrawPending();
        WindowSystem::RenderFrame();
        std::vector<u8> partial = ReadScreen();
        WindowSystem::InvalidateAll();
        WindowSystem::RenderFrame();
        std::vector<u8> whole = ReadScreen();
        int x = 0, y = 0;
        int n = Differences(partial, whole, &x, &y);
        EXPECT_EQ(n, 0) << what << ": first difference at " << x << "," << y;
        if (!full) ++partialSteps;
        if (!previous.empty() && previous != whole) ++changedSteps;
        previous = whole;
    }
    bool ready = false;
    int partialSteps = 0;
    int changedSteps = 0;
    std::vector<u8> previous;
};

TEST_F(RedrawPixels, DirtyRectangleRedrawsMatchAFullRedraw)
{
    const u32 flat = WF_VISIBLE | WF_PANEL;
    Swatch* a = new Swatch(flat | WF_SHADOW, nullptr, 0xFF2040E0);
    a->SetFrameXYWH(20, 20, 160, 120);
    Swatch* b = new Swatch(flat, nullptr, 0xFF20C040);
    b->SetFrameXYWH(120, 80, 150, 150);
    Swatch* glass = new Swatch(WF_VISIBLE, nullptr, 0x80E02020);
    glass->SetFrameXYWH(200, 40, 120, 120);
    Swatch* framed = new Swatch(flat | WF_TITLEBAR | WF_THICKFRAME | WF_RESIZABLE, nullptr, 0xFFE0E020);
    framed->SetFrameXYWH(300, 150, 140, 130);
    Swatch* child = new Swatch(flat, b, 0xFFFF80FF);
    child->SetFrameXYWH(10, 10, 40, 40);
    Swatch* popup = new Swatch(flat | WF_POPUP | WF_SHADOW, nullptr, 0xFFFFFFFF);
    popup->SetFrameXYWH(60, 200, 80, 60);
    WindowSystem::InvalidateAll();
    CheckStep("start");

    a->MoveTo(140, 60);
    CheckStep("move behind others");
    a->BringToFront();
    CheckStep("bring to front");
    glass->MoveTo(100, 100);
    CheckStep("move the translucent window");
    b->SetVisible(0);
    CheckStep("hide");
    b->SetVisible(1);
    CheckStep("show");
    child->MoveTo(60, 70);
    CheckStep("move a child");
    framed->SetFrameXYWH(250, 120, 200, 200);
    CheckStep("resize");
    framed->SetCollapsed(1);
    CheckStep("collapse");
    framed->SetCollapsed(0);
    CheckStep("restore");
    b->colour = 0xFF8040C0;
    b->Invalidate(0);
    CheckStep("recolour");
    glass->InvalidateRect(Rect{110, 110, 130, 130}, 0);  // blended again over a redrawn back
    CheckStep("small invalidation of a translucent window");
    framed->BringToFront();
    CheckStep("activate the framed window");
    g_titleColour = 0xFF0080F0;
    framed->SetTitle("title");  // invalidates the title bar alone
    CheckStep("retitle");
    popup->MoveTo(300, 20);
    CheckStep("move a popup");
    a->Close();
    CheckStep("close");
    for (int i = 0; i < 5; ++i) {
        glass->MoveTo(20 + 37 * i, 30 + 23 * i);
        child->MoveTo(5 * i, 3 * i);
    }
    CheckStep("several moves in one frame");
    EXPECT_GE(partialSteps, 10);
    EXPECT_GE(changedSteps, 10);
}

// The colour at a screen point (top-left origin) of the back buffer, as 0xBBGGRR.
u32 PixelAt(int x, int y)
{
    pixeltest::Px p = pixeltest::ReadPixel(x, y, kH);
    return u32(p.r) | u32(p.g) << 8 | u32(p.b) << 16;
}

TEST_F(RedrawPixels, ADimmingModalWindowDarkensOnlyWhatLiesBehindIt)
{
    const u32 flat = WF_VISIBLE | WF_PANEL;
    Swatch* behind = new Swatch(flat, nullptr, 0xFFFFFFFF);
    behind->SetFrameXYWH(20, 20, 100, 100);
    Swatch* dialog = new Swatch(flat, nullptr, 0xFFFFFFFF);
    dialog->SetFrameXYWH(200, 100, 100, 100);
    Swatch* popup = new Swatch(flat | WF_POPUP, nullptr, 0xFFFFFFFF);
    popup->SetFrameXYWH(350, 20, 50, 50);
    WindowSystem::PushModal(dialog, MODAL_DIM);
    WindowSystem::InvalidateAll();
    WindowSystem::RenderFrame();
    u32 dimmed = PixelAt(50, 50);
    EXPECT_LT(dimmed & 255, 140u);
    EXPECT_GT(dimmed & 255, 110u);
    EXPECT_EQ(PixelAt(250, 150), 0xFFFFFFu);  // the dialog
    EXPECT_EQ(PixelAt(370, 40), 0xFFFFFFu);   // in front of it
    behind->MoveTo(60, 60);
    CheckStep("move behind a dimming dialog");
    WindowSystem::PopModal();
}

// Ctrl+F12 copies the focused window's frame, Ctrl+Alt+F12 its content, as read back from the
// screen: the picture has the rectangle's size and its first row is the rectangle's top.
TEST_F(RedrawPixels, CtrlF12CopiesTheFocusedWindowTopRowFirst)
{
    const u32 flat = WF_VISIBLE | WF_PANEL;
    Swatch* framed = new Swatch(flat | WF_TITLEBAR | WF_THICKFRAME | WF_FOCUSABLE, nullptr, 0xFF20C040);
    framed->SetFrameXYWH(40, 30, 200, 150);
    Swatch* corner = new Swatch(flat, framed, 0xFF2020E0);  // the top-left of the content
    corner->SetFrameXYWH(0, 0, 30, 12);
    Window::SetFocus(framed, FOCUS_PROGRAM);
    const Rect frame = framed->GetFrameRect(), content = framed->GetContentRect();

    struct Case {
        u32 modifiers;
        Rect rect;
        // Expected colours (0xBBGGRR) at picture points.
        int x0, y0;
        u32 first;
        int x1, y1;
        u32 second;
    };
    const s32 titleY = 4 + 6;  // below the frame's 4-pixel top edge: the title bar
    const Case cases[] = {
        {MOD_CTRL_A, frame, 100, titleY, g_titleColour & 0xFFFFFF, 100, frame.Height() - 8, 0x20C040},
        {MOD_CTRL_A | MOD_ALT, content, 2, 2, 0x2020E0, content.Width() - 2, content.Height() - 2, 0x20C040},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.modifiers);
        ClipboardSetText("before");
        Event key = {{KEY_F1 + 11, 1, c.modifiers, 0, 0, 0}, EVENT_KEY};
        WindowSystem::HandleGlobalKey(&key);
        WindowSystem::InvalidateAll();
        WindowSystem::RenderFrame();
        u8* pixels = nullptr;
        u32 w = 0, h = 0;
        ASSERT_TRUE(ClipboardGetImage(&pixels, &w, &h));
        EXPECT_EQ(s32(w), c.rect.Width());
        EXPECT_EQ(s32(h), c.rect.Height());
        auto at = [&](int x, int y) {
            const u8* p = pixels + (size_t(y) * w + size_t(x)) * 3;
            return u32(p[0]) | u32(p[1]) << 8 | u32(p[2]) << 16;
        };
        EXPECT_EQ(at(c.x0, c.y0), c.first);
        EXPECT_EQ(at(c.x1, c.y1), c.second);
        // The same as the screen there.
        EXPECT_EQ(at(c.x0, c.y0), PixelAt(c.rect.left + c.x0, c.rect.top + c.y0));
        free(pixels);
    }
}

}  // namespace
