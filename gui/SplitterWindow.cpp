// SplitterWindow: clamping the bar, laying the panes out and dragging the bar.
#include "gui/SplitterWindow.h"

#include "gui/Skin.h"
#include "gui/WindowSystem.h"
#include "platform/Clipboard.h"

SplitterWindow::SplitterWindow(u32 f, Window* p)
    : Window(f, p), orientation(0), sizingMode(0), pane{nullptr, nullptr}, minSize{0, 0}, splitPos(0), splitPosAtPress(0)
{
    SetTitle("SplitterWindow");
}

SplitterWindow::~SplitterWindow() {}

const char* SplitterWindow::GetClassName() const { return "SplitterWindow"; }

s32 SplitterWindow::ClampSplitPos(s32 p) const
{
    s64 e = orientation == 0 ? GetContentWidth() : GetContentHeight();
    s64 m0 = minSize[0], m1 = minSize[1];
    s64 s = m0 < m1 ? m0 : m1;
    s64 r;
    if (e - 2 * s < 0) {
        r = e / 2;
    } else {
        s64 hi = e - m1;
        if (m0 > hi)
            r = sizingMode == 0 ? p : e - s;
        else if (sizingMode == 1)
            r = m0;
        else if (sizingMode == 2)
            r = hi;
        else
            r = p < m0 ? m0 : (p > hi ? hi : p);
    }
    if (r < 0) r = 0;
    if (r > e) r = e;
    return s32(r);
}

Rect SplitterWindow::GetBarRect() const
{
    if (!pane[0] || !pane[1]) return Rect{0, 0, 0, 0};
    Rect r = content;
    s32 w = Skin::GetBorderWidth();
    if (orientation == 0) {
        r.left = content.left + splitPos;
        r.right = r.left + w;
    } else {
        r.top = content.top + splitPos;
        r.bottom = r.top + w;
    }
    return r;
}

void SplitterWindow::Layout()
{
    splitPos = ClampSplitPos(splitPos);
    s32 w = GetContentWidth(), h = GetContentHeight();
    if (pane[0] && pane[1]) {
        Rect bar = GetBarRect();
        ScreenToContentRects(&bar, 1);
        if (orientation == 0) {
            pane[0]->SetFrame(Rect{0, 0, bar.left, h});
            pane[1]->SetFrame(Rect{bar.right, 0, w, h});
        } else {
            pane[0]->SetFrame(Rect{0, 0, w, bar.top});
            pane[1]->SetFrame(Rect{0, bar.bottom, w, h});
        }
    } else if (Window* only = pane[0] ? pane[0] : pane[1]) {
        only->SetFrame(Rect{0, 0, w, h});
    }
}

void SplitterWindow::SetOrientation(u32 o, u32 mode)
{
    orientation = o;
    sizingMode = mode;
    Layout();
    Invalidate(0);
}

Window* SplitterWindow::SetPane(u32 index, Window* window, u32 minimumSize)
{
    if (index > 1) return nullptr;
    Window* previous = pane[index];
    if (previous && previous != window) {
        pane[index] = nullptr;
        previous->SetParent(nullptr);
    }
    if (window && window == pane[1 - index]) pane[1 - index] = nullptr;  // moved to the other side
    pane[index] = window;
    if (window && window->GetParent() != this) window->SetParent(this);
    minSize[index] = minimumSize;
    Layout();
    Invalidate(0);
    return previous;
}

void SplitterWindow::ChildRemoved(Window* child)
{
    Window::ChildRemoved(child);
    for (Window*& p : pane)
        if (p == child) p = nullptr;
}

void SplitterWindow::SetSplitPos(s32 position)
{
    s32 p = ClampSplitPos(position);
    if (p == splitPos) return;
    splitPos = p;
    Layout();
    Invalidate(0);
}

void SplitterWindow::Resized()
{
    Window::Resized();
    Layout();
}

bool SplitterWindow::OverBar(Point p) const
{
    Rect b = GetBarRect();
    if (b.IsEmpty()) return false;
    return p.x >= b.left && p.x <= b.right && p.y >= b.top && p.y <= b.bottom;
}

void SplitterWindow::MouseMove(Event* event)
{
    if (sizingMode != 0) return;
    u32 kind = CURSOR_ARROW;
    if (OverBar(event->Pos())) kind = orientation == 0 ? CURSOR_RESIZE_WE : CURSOR_RESIZE_NS;
    SetCursor(kind, 1);
}

void SplitterWindow::MouseButton(Event* event)
{
    // Only a press starts a drag: a release arriving over the bar must not start one that
    // no release would ever end.
    if (sizingMode != 0 || !event->Pressed() || !OverBar(event->Pos())) return;
    BeginTracking(DefaultTracker);
}

void SplitterWindow::Track(Point start, Point current, u32 phase)
{
    if (phase == TRACK_BEGIN) splitPosAtPress = splitPos;
    s64 travel = orientation == 0 ? s64(current.x) - start.x : s64(current.y) - start.y;
    s64 p = s64(splitPosAtPress) + travel;
    if (p > 0x7FFFFFFF) p = 0x7FFFFFFF;
    if (p < -0x7FFFFFFF) p = -0x7FFFFFFF;
    SetSplitPos(s32(p));
}

void SplitterWindow::DrawContent()
{
    Skin* skin = WindowSystem::GetSkin();
    Rect bar = GetBarRect();
    if (!skin || bar.IsEmpty()) return;
    ScreenToContentRects(&bar, 1);
    BeginDraw(1, 0);
    skin->DrawFrame(bar, orientation == 0 ? 1 : 2);
    EndDraw();
}
