// Window geometry: frames, content insets, minimum sizes, hit testing and layout helpers.
#include <cstdio>

#include "gui/Window.h"
#include "gui/WindowSystemState.h"

// A titled window with neither a thick frame nor a thin border gets edge width 0 everywhere,
// the same inset its frame-to-content rule gives: its title bar, title boxes and hit areas
// start at the frame's corner instead of leaving a border that nothing draws.
s32 Window::Inset() const
{
    if (flags & WF_THICKFRAME) return g_ws.metrics.borderWidth;
    if (flags & WF_THINBORDER) return g_ws.metrics.thinBorderWidth;
    return 0;
}

void Window::FrameToContent(const Rect& f, Rect* c)
{
    s32 e = Inset();
    Rect r = f;
    if (borderSides & 1) r.left += e;
    if (borderSides & 2) r.top += e;
    if (borderSides & 4) r.right -= e;
    if (borderSides & 8) r.bottom -= e;
    if (flags & WF_TITLEBAR) {
        r.top += g_ws.metrics.titleBarHeight;
        if (flags & WF_THICKFRAME) r.top += e;
    }
    // A frame smaller than its insets (a collapsed window, a minimum size below the title
    // bar) gets an empty content, never an inverted one.
    if (r.right < r.left) r.right = r.left;
    if (r.bottom < r.top) r.bottom = r.top;
    *c = r;
}

Size Window::FrameSizeForFlags(u32 f, u32 sides, Size c)
{
    s32 b = g_ws.metrics.borderWidth;
    s32 t = g_ws.metrics.titleBarHeight;
    Size s = c;
    if (f & WF_THICKFRAME) {
        if (sides & 1) s.width += b;
        if (sides & 4) s.width += b;
        if (sides & 2) s.height += b;
        if (sides & 8) s.height += b;
    }
    if (f & WF_TITLEBAR) {
        s.height += t;
        if (!(f & WF_THICKFRAME)) s.height += 2 * b;
    }
    if (f & WF_GROWMARGIN) {
        if (f & WF_TITLEBAR) s.height -= t + 2 * b;
        s.width += 64;
        s.height += 64;
    }
    return s;
}

Size Window::FrameSizeForContent(Size c) const { return FrameSizeForFlags(flags, borderSides, c); }

void Window::GetMinimumFrameSize(Size* out, Size contentSize) { *out = FrameSizeForContent(contentSize); }

// The title is centred between as much room as the boxes take on its right, so a window as
// narrow as a small content (a 32-pixel texture) would put its boxes past its left edge and
// show none of its name.
s32 Window::TitleBarMinimumWidth()
{
    if (!(flags & WF_TITLEBAR)) return 0;
    s32 boxes = 0;
    for (u32 i = 0; i < 3; ++i)
        if (flags & (WF_CLOSEBOX << i)) ++boxes;
    const char* text = GetTitle();
    s32 room = g_ws.painter.titleTextWidth && text && *text ? g_ws.painter.titleTextWidth(this, text) : 0;
    if (room > kTitleRoom) room = kTitleRoom;
    s32 inner = 2 * boxes * (g_ws.metrics.titleButtonWidth + 2 * Inset()) + room;
    return FrameSizeForContent(Size{inner, 0}).width;
}

void Window::ConstrainFrame(const Rect& old, const Rect& p, Rect* out)
{
    Size min = {0, 0};
    if (state != WS_COLLAPSED) {
        GetMinimumFrameSize(&min, Size{0, 0});
        // A window whose minimum follows its content (a texture, a picture, a dialog's text)
        // is kept wide enough for its title bar too; one that asks for no width at all (a 3D
        // view its owner may size to nothing) is left as it asks.
        if (min.width > FrameSizeForContent(Size{0, 0}).width) {
            s32 bar = TitleBarMinimumWidth();
            if (min.width < bar) min.width = bar;
        }
    }
    Rect r = p;
    if (p.right - p.left < min.width) {
        if (p.left == old.left) {
            r.left = old.left;
            r.right = old.left + min.width;
        } else if (p.right == old.right) {
            r.right = old.right;
            r.left = old.right - min.width;
        } else {
            r.right = p.left + min.width;
        }
    }
    if (p.bottom - p.top < min.height) {
        if (p.top == old.top) {
            r.top = old.top;
            r.bottom = old.top + min.height;
        } else if (p.bottom == old.bottom) {
            r.bottom = old.bottom;
            r.top = old.bottom - min.height;
        } else {
            r.bottom = p.top + min.height;
        }
    }
    *out = r;
}

Rect Window::GetTitleButtonRect(u32 i) const
{
    if (i > 2 || !(flags & (WF_CLOSEBOX << i))) return Rect{0, 0, 0, 0};
    s32 e = Inset();
    s32 w = g_ws.metrics.titleButtonWidth, h = g_ws.metrics.titleButtonHeight;
    s32 n = 0;
    for (u32 k = 0; k < i; ++k)
        if (flags & (WF_CLOSEBOX << k)) ++n;
    s32 right = content.Width() - n * (w + 2 * e);
    return Rect{right - w, 2 * e, right, 2 * e + h};
}

u32 Window::HitTest(Point p)
{
    if (p.x < frame.left || p.x > frame.right || p.y < frame.top || p.y > frame.bottom) return HIT_NONE;
    if (p.x >= content.left && p.x <= content.right && p.y >= content.top && p.y <= content.bottom) return HIT_CONTENT;
    s32 e = Inset();
    s32 t = g_ws.metrics.titleBarHeight;
    s32 fx = p.x - frame.left, fy = p.y - frame.top;
    u32 part = 0;
    if (flags & WF_TITLEBAR) {
        if (fx >= e && fx <= content.Width() + e && fy >= e && fy <= t + e) {
            part = HIT_TITLE;
            for (u32 i = 0; i < 3; ++i) {
                Rect r = GetTitleButtonRect(i);
                if (r.IsEmpty()) continue;
                if (fx >= r.left && fx <= r.right && fy >= r.top && fy <= r.bottom) {
                    part = WF_CLOSEBOX << i;
                    break;
                }
            }
        }
    }
    if (!(flags & WF_THICKFRAME)) return part ? part : HIT_FRAME;
    if ((borderSides & 2) && fy < e)
        part |= HIT_TOP;
    else if ((borderSides & 8) && fy >= frame.Height() - e)
        part |= HIT_BOTTOM;
    if ((borderSides & 1) && fx < e)
        part |= HIT_LEFT;
    else if ((borderSides & 4) && fx >= frame.Width() - e)
        part |= HIT_RIGHT;
    return part ? part : HIT_FRAME;
}

void Window::SetFrame(const Rect& relative)
{
    Point origin = parent ? parent->GetContentOrigin() : Point{0, 0};
    Rect proposed = OffsetRect(relative, origin.x, origin.y);
    Rect oldFrame = frame, oldContent = content;
    Rect nf, nc;
    ConstrainFrame(oldFrame, proposed, &nf);
    FrameToContent(nf, &nc);
    bool overviewChanged = nc.Width() != overviewContent.Width() || nc.Height() != overviewContent.Height();
    frame = nf;
    content = nc;
    if (state == WS_NORMAL) restoreFrame = OffsetRect(nf, -origin.x, -origin.y);
    if (!((g_ws.sysFlags & SYS_OVERVIEW) && (stateBits & WSB_INOVERVIEW))) {
        overviewFrame = frame;
        overviewContent = content;
    }
    bool moved = nf.left != oldFrame.left || nf.top != oldFrame.top;
    if (moved) {
        MoveChildren(nf.left - oldFrame.left, nf.top - oldFrame.top);
        Moved(Point{oldFrame.left, oldFrame.top}, Point{nf.left, nf.top});
    }
    bool resized = nf.Width() != oldFrame.Width() || nf.Height() != oldFrame.Height() ||
                   nc.Width() != oldContent.Width() || nc.Height() != oldContent.Height();
    if (resized)
        Resized();
    else if (!overviewChanged && !moved)
        return;
    if (!IsShownInTree()) return;
    WindowSystem::UpdateHover();
    s32 shadow = (flags & WF_SHADOW) ? 16 : 0;
    Rect n = Rect{frame.left, frame.top, frame.right + shadow, frame.bottom + shadow};
    Rect area = n;
    if (!oldFrame.IsEmpty()) {
        Rect o = Rect{oldFrame.left, oldFrame.top, oldFrame.right + shadow, oldFrame.bottom + shadow};
        UnionRect(o, &area, n);
    }
    InvalidateRect(area, 0);
}

static intptr_t OffsetOne(Window* w, void* arg)
{
    const Point* d = static_cast<const Point*>(arg);
    w->OffsetRects(d->x, d->y);
    return 0;
}

void Window::MoveChildren(s32 dx, s32 dy)
{
    Point d = {dx, dy};
    WalkPreOrder(firstChild, OffsetOne, &d);
}

void Window::OffsetRects(s32 dx, s32 dy)
{
    frame = OffsetRect(frame, dx, dy);
    content = OffsetRect(content, dx, dy);
    overviewFrame = OffsetRect(overviewFrame, dx, dy);
    overviewContent = OffsetRect(overviewContent, dx, dy);
}

Rect Window::GetFrameInParent() const
{
    Point o = parent ? parent->GetContentOrigin() : Point{0, 0};
    return OffsetRect(frame, -o.x, -o.y);
}

Point Window::GetPosition() const
{
    Rect r = GetFrameInParent();
    return Point{r.left, r.top};
}

void Window::MoveTo(s32 x, s32 y) { SetFrame(Rect{x, y, x + frame.Width(), y + frame.Height()}); }

void Window::SetSize(s32 width, s32 height)
{
    Point p = GetPosition();
    SetFrame(Rect{p.x, p.y, p.x + width, p.y + height});
}

void Window::SetContentSize(s32 width, s32 height)
{
    // The insets come from a frame large enough that its content is not cut to nothing (a
    // small frame's content is clamped, which would hide them); subclasses may place their
    // content differently, so ask FrameToContent rather than the style.
    const s32 big = 1 << 20;
    Rect probe = {0, 0, big, big}, inner;
    FrameToContent(probe, &inner);
    SetSize(width + big - inner.Width(), height + big - inner.Height());
}

void Window::CenterInParent()
{
    if (!parent) return;
    s32 x = (parent->content.Width() - frame.Width()) / 2;
    s32 y = (parent->content.Height() - frame.Height()) / 2;
    if (x < 0) x = 0;
    if (y < 0) y = 0;
    MoveTo(x, y);
    BringToFront();
}

void Window::FillParent()
{
    if (!parent) return;
    SetFrame(Rect{0, 0, parent->content.Width(), parent->content.Height()});
}

void Window::ConstrainToScreen()
{
    Rect r = GetFrameInParent();
    s32 maxW = g_ws.layer0 ? g_ws.layer0->frame.Width() : r.Width();
    s32 maxH = g_ws.layer0 ? g_ws.layer0->frame.Height() : r.Height();
    s32 w = r.Width() < maxW ? r.Width() : maxW;
    s32 h = r.Height() < maxH ? r.Height() : maxH;
    s32 x = r.left < 0 ? 0 : r.left;
    s32 y = r.top < 0 ? 0 : r.top;
    SetFrame(Rect{x, y, x + w, y + h});
}

void Window::ReapplyFrame() { SetFrame(GetFrameInParent()); }

void Window::RestorePlacement(const WindowPlacement& placement)
{
    SetFrame(placement.frame);
    ConstrainToScreen();
    SetWindowState(placement.state);
}

WindowPlacement Window::GetPlacement()
{
    WindowPlacement p;
    p.state = state;
    p.frame = state == WS_NORMAL ? GetFrameInParent() : restoreFrame;
    return p;
}

void Window::ScreenToContent(Point* pts, u32 n) const
{
    for (u32 i = 0; i < n; ++i) pts[i] = Point{pts[i].x - content.left, pts[i].y - content.top};
}

void Window::ContentToScreen(Point* pts, u32 n) const
{
    for (u32 i = 0; i < n; ++i) pts[i] = Point{pts[i].x + content.left, pts[i].y + content.top};
}

void Window::ScreenToFrame(Point* pts, u32 n) const
{
    for (u32 i = 0; i < n; ++i) pts[i] = Point{pts[i].x - frame.left, pts[i].y - frame.top};
}

void Window::ScreenToContentRects(Rect* r, u32 n) const
{
    for (u32 i = 0; i < n; ++i) r[i] = OffsetRect(r[i], -content.left, -content.top);
}

void Window::ContentToScreenRects(Rect* r, u32 n) const
{
    for (u32 i = 0; i < n; ++i) r[i] = OffsetRect(r[i], content.left, content.top);
}

void Window::ScreenToFrameRects(Rect* r, u32 n) const
{
    for (u32 i = 0; i < n; ++i) r[i] = OffsetRect(r[i], -frame.left, -frame.top);
}

bool Window::IsShownInTree() const
{
    if (!(flags & WF_VISIBLE)) return false;
    if (stateBits & WSB_DESTROYING) return true;
    for (const Window* a = parent; a; a = a->parent) {
        if (a->stateBits & WSB_DESTROYING) break;
        if (!(a->flags & WF_VISIBLE) || a->state == WS_COLLAPSED) return false;
    }
    return true;
}
