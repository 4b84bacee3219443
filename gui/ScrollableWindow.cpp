// ScrollableWindow: ranges and positions, the bars' geometry and hit testing, thumb dragging,
// arrow and page repeat from the tick, the wheel and the bars' drawing. All arithmetic on
// totals and positions is done in 64 bits: totals may be pixel counts of huge documents.
#include "gui/ScrollableWindow.h"

#include "gui/Skin.h"
#include "gui/WindowSystem.h"
#include "platform/Os.h"

namespace {

constexpr s32 kArrow = 14;  // length of each arrow box along its bar

// One scroll-bar press exists at a time, whichever window it is in.
u32 g_pressedPart;
u32 g_hoverPart;
Rect g_vThumbAtPress;
Rect g_hThumbAtPress;

s64 ClampPos(s64 pos, s64 total, s64 page)
{
    if (pos < 0) return 0;
    s64 max = total - page;
    if (max < 0) max = 0;
    return pos < max ? pos : max;
}

s32 ToS32(s64 v)
{
    if (v > 0x7FFFFFFF) return 0x7FFFFFFF;
    if (v < -0x7FFFFFFF - 1) return -0x7FFFFFFF - 1;
    return s32(v);
}

bool Inside(const Rect& r, s32 x, s32 y) { return x >= r.left && x <= r.right && y >= r.top && y <= r.bottom; }

// The thumb along a track of the given extent (arrows excluded), or false for none.
bool ThumbSpan(s32 track, s64 total, s64 page, s64 pos, s32* offset, s32* length)
{
    s64 range = total - page;
    if (track < 15 || range < 1) return false;
    s64 len = s64(track) * page / total;
    if (len < kArrow) len = kArrow;
    if (len > track) len = track;
    s64 p = pos < 0 ? 0 : (pos > range ? range : pos);
    *offset = s32((track - len) * p / range);
    *length = s32(len);
    return true;
}

}  // namespace

ScrollableWindow::ScrollableWindow(u32 f, Window* p)
    : Window(f, p),
      vTotal(0),
      vPos(0),
      vPage(0),
      hTotal(0),
      hPos(0),
      hPage(0),
      vThumb{0, 0, 0, 0},
      hThumb{0, 0, 0, 0},
      lineStep(1),
      lastRepeat(0),
      tracking(0),
      upPressed(0),
      downPressed(0),
      leftPressed(0),
      rightPressed(0),
      cornerBox(0),
      vThumbShown(0),
      hThumbShown(0)
{
}

ScrollableWindow::~ScrollableWindow() {}

const char* ScrollableWindow::GetClassName() const { return "ScrollableWindow"; }

void ScrollableWindow::HScrolled(s32) {}
void ScrollableWindow::VScrolled(s32) {}
void ScrollableWindow::CornerClicked() {}

void ScrollableWindow::FrameToContent(const Rect& f, Rect* c)
{
    Window::FrameToContent(f, c);
    s32 w = Skin::GetScrollBarWidth();
    if (vPage) c->right -= w;
    if (hPage) c->bottom -= w;
    if (c->right < c->left) c->right = c->left;
    if (c->bottom < c->top) c->bottom = c->top;
}

Rect ScrollableWindow::ContentInFrame() const
{
    return Rect{content.left - frame.left, content.top - frame.top, content.right - frame.left,
                content.bottom - frame.top};
}

void ScrollableWindow::UpdateThumbs()
{
    Rect cr = ContentInFrame();
    s32 w = Skin::GetScrollBarWidth();
    s32 off = 0, len = 0;
    vThumbShown = vPage && ThumbSpan(cr.bottom - cr.top - 2 * kArrow, vTotal, vPage, vPos, &off, &len);
    vThumb = vThumbShown ? Rect{cr.right, cr.top + kArrow + off, cr.right + w, cr.top + kArrow + off + len}
                         : Rect{0, 0, 0, 0};
    hThumbShown = hPage && ThumbSpan(cr.right - cr.left - 2 * kArrow, hTotal, hPage, hPos, &off, &len);
    hThumb = hThumbShown ? Rect{cr.left + kArrow + off, cr.bottom, cr.left + kArrow + off + len, cr.bottom + w}
                         : Rect{0, 0, 0, 0};
}

Rect ScrollableWindow::GetVThumbRect()
{
    UpdateThumbs();
    return vThumb;
}

Rect ScrollableWindow::GetHThumbRect()
{
    UpdateThumbs();
    return hThumb;
}

void ScrollableWindow::SetCornerBox(int on)
{
    u32 v = on ? 1 : 0;
    if (v == cornerBox) return;
    cornerBox = v;
    InvalidateFrame(0);
}

void ScrollableWindow::Apply(s64 vt, s64 vp, s64 vpg, s64 ht, s64 hp, s64 hpg, bool alwaysStore)
{
    if (vpg < 0) vpg = 0;
    if (hpg < 0) hpg = 0;
    s32 newV = s32(ClampPos(vp, vt, vpg));
    s32 newH = s32(ClampPos(hp, ht, hpg));
    bool changed = false;
    if (newV != vPos) {
        vPos = newV;
        changed = true;
        VScrolled(newV);
    }
    if (newH != hPos) {
        hPos = newH;
        changed = true;
        HScrolled(newH);
    }
    if (!changed && !alwaysStore) return;
    vTotal = s32(vt);
    vPage = s32(vpg);
    hTotal = s32(ht);
    hPage = s32(hpg);
    ReapplyFrame();
    UpdateThumbs();
    InvalidateFrame(0);
}

void ScrollableWindow::SetScrollInfo(u32 mask, s32 vt, s32 vp, s32 vpg, s32 ht, s32 hp, s32 hpg)
{
    Apply(mask & SCROLLINFO_VTOTAL ? vt : vTotal, mask & SCROLLINFO_VPOS ? vp : vPos,
          mask & SCROLLINFO_VPAGE ? vpg : vPage, mask & SCROLLINFO_HTOTAL ? ht : hTotal,
          mask & SCROLLINFO_HPOS ? hp : hPos, mask & SCROLLINFO_HPAGE ? hpg : hPage,
          (mask & (SCROLLINFO_VTOTAL | SCROLLINFO_VPAGE | SCROLLINFO_HTOTAL | SCROLLINFO_HPAGE)) != 0);
}

void ScrollableWindow::SetViewRect(const Rect& view)
{
    s64 vpg = s64(view.bottom) - view.top;
    s64 hpg = s64(view.right) - view.left;
    if (vpg > 0x7FFFFFFF) vpg = 0x7FFFFFFF;
    if (hpg > 0x7FFFFFFF) hpg = 0x7FFFFFFF;
    Apply(vTotal, view.top, vpg, hTotal, view.left, hpg, true);
}

void ScrollableWindow::SetVScrollPos(s32 position) { Apply(vTotal, position, vPage, hTotal, hPos, hPage, false); }

void ScrollableWindow::SetHScrollPos(s32 position) { Apply(vTotal, vPos, vPage, hTotal, position, hPage, false); }

void ScrollableWindow::ScrollVBy(s32 delta) { SetVScrollPos(ToS32(s64(vPos) + delta)); }

void ScrollableWindow::ScrollHBy(s32 delta) { SetHScrollPos(ToS32(s64(hPos) + delta)); }

u32 ScrollableWindow::HitTestScrollBars(Point sp)
{
    UpdateThumbs();
    s32 x = sp.x - frame.left, y = sp.y - frame.top;
    Rect cr = ContentInFrame();
    s32 w = Skin::GetScrollBarWidth();
    if (vPage && Inside(Rect{cr.right, cr.top, cr.right + w, cr.bottom}, x, y)) {
        if (vThumbShown) {
            if (y < vThumb.top) return y < cr.top + kArrow ? SCROLL_UP : SCROLL_PAGEUP;
            if (y <= vThumb.bottom) return SCROLL_VTHUMB;
            return y > cr.bottom - kArrow ? SCROLL_DOWN : SCROLL_PAGEDOWN;
        }
        if (y < cr.top + kArrow) return SCROLL_UP;
        if (y > cr.bottom - kArrow) return SCROLL_DOWN;
        return SCROLL_NONE;
    }
    if (hPage && Inside(Rect{cr.left, cr.bottom, cr.right, cr.bottom + w}, x, y)) {
        if (hThumbShown) {
            if (x < hThumb.left) return x < cr.left + kArrow ? SCROLL_LEFT : SCROLL_PAGELEFT;
            if (x <= hThumb.right) return SCROLL_HTHUMB;
            return x > cr.right - kArrow ? SCROLL_RIGHT : SCROLL_PAGERIGHT;
        }
        if (x < cr.left + kArrow) return SCROLL_LEFT;
        if (x > cr.right - kArrow) return SCROLL_RIGHT;
        return SCROLL_NONE;
    }
    if (vPage && hPage && cornerBox && Inside(Rect{cr.right, cr.bottom, cr.right + w, cr.bottom + w}, x, y))
        return SCROLL_CORNER;
    return SCROLL_NONE;
}

void ScrollableWindow::FrameMouseButton(Event* event)
{
    if (event->Part() == HIT_FRAME)
        ScrollBarPress(event);
    else
        Window::FrameMouseButton(event);
}

void ScrollableWindow::FrameDoubleClick(Event* event)
{
    if (event->Part() == HIT_FRAME)
        ScrollBarPress(event);
    else
        Window::FrameDoubleClick(event);
}

void ScrollableWindow::ScrollBarPress(Event* event)
{
    if (!event->Pressed()) return;
    Rect cr = content;
    s32 x = event->X(), y = event->Y();
    bool vertical = x >= cr.right && s64(vTotal) - vPage >= 1;
    bool horizontal = y >= cr.bottom && s64(hTotal) - hPage >= 1;
    if (!vertical && !horizontal) return;
    if (HitTestScrollBars(event->Pos()) == SCROLL_CORNER) {
        CornerClicked();
        return;
    }
    BeginTracking(ScrollBarTracker);
}

void ScrollableWindow::ScrollBarTracker(Window* window, Point start, Point current, u32 phase)
{
    ScrollableWindow* w = static_cast<ScrollableWindow*>(window);
    Rect cr = w->ContentInFrame();
    if (phase == TRACK_BEGIN) {
        w->tracking = 1;
        g_pressedPart = w->HitTestScrollBars(current);
        g_vThumbAtPress = w->vThumb;
        g_hThumbAtPress = w->hThumb;
        // The first repeat comes with the first tick after the press.
        w->lastRepeat = OsGetTime() - 1.0;
        if (g_pressedPart == SCROLL_VTHUMB || g_pressedPart == SCROLL_HTHUMB) w->InvalidateFrame(0);
    } else if (phase == TRACK_MOVE) {
        if (g_pressedPart == SCROLL_VTHUMB) {
            s64 len = g_vThumbAtPress.bottom - g_vThumbAtPress.top;
            s64 limit = s64(w->GetContentHeight()) - 2 * kArrow - len;
            s64 offset = s64(g_vThumbAtPress.top) - cr.top - kArrow + (s64(current.y) - start.y);
            if (offset > limit) offset = limit;
            if (offset < 0) offset = 0;
            if (limit > 0) w->SetVScrollPos(ToS32((s64(w->vTotal) - w->vPage) * offset / limit));
        } else if (g_pressedPart == SCROLL_HTHUMB) {
            s64 len = g_hThumbAtPress.right - g_hThumbAtPress.left;
            s64 limit = s64(w->GetContentWidth()) - 2 * kArrow - len;
            s64 offset = s64(g_hThumbAtPress.left) - cr.left - kArrow + (s64(current.x) - start.x);
            if (offset > limit) offset = limit;
            if (offset < 0) offset = 0;
            if (limit > 0) w->SetHScrollPos(ToS32((s64(w->hTotal) - w->hPage) * offset / limit));
        }
    } else {
        w->tracking = 0;
        if (g_pressedPart == SCROLL_VTHUMB || g_pressedPart == SCROLL_HTHUMB) w->InvalidateFrame(0);
        g_pressedPart = SCROLL_NONE;
        g_hoverPart = SCROLL_NONE;
    }
    if (phase != TRACK_END) g_hoverPart = w->HitTestScrollBars(current);
    u32 p = g_pressedPart, h = g_hoverPart;
    u32 up = p == SCROLL_UP && h == p, down = p == SCROLL_DOWN && h == p;
    u32 left = p == SCROLL_LEFT && h == p, right = p == SCROLL_RIGHT && h == p;
    if (up != w->upPressed || down != w->downPressed || left != w->leftPressed || right != w->rightPressed) {
        w->upPressed = up;
        w->downPressed = down;
        w->leftPressed = left;
        w->rightPressed = right;
        w->InvalidateFrame(0);
    }
}

void ScrollableWindow::Tick()
{
    Window::Tick();
    if (!tracking) return;
    u32 p = g_pressedPart;
    bool page = p == SCROLL_PAGEUP || p == SCROLL_PAGEDOWN || p == SCROLL_PAGELEFT || p == SCROLL_PAGERIGHT;
    double interval = page ? 0.2 : double(1.0f / 30.0f);
    double now = OsGetTime();
    if (now - lastRepeat < interval) return;
    lastRepeat = now;
    if (g_hoverPart != p) return;
    s32 line = ToS32(lineStep);
    switch (p) {
    case SCROLL_UP: ScrollVBy(-line); break;
    case SCROLL_DOWN: ScrollVBy(line); break;
    case SCROLL_PAGEUP: ScrollVBy(-vPage); break;
    case SCROLL_PAGEDOWN: ScrollVBy(vPage); break;
    case SCROLL_LEFT: ScrollHBy(-line); break;
    case SCROLL_RIGHT: ScrollHBy(line); break;
    case SCROLL_PAGELEFT: ScrollHBy(-hPage); break;
    case SCROLL_PAGERIGHT: ScrollHBy(hPage); break;
    default: break;
    }
}

void ScrollableWindow::MouseWheel(Event* event)
{
    s32 delta = ToS32(s64(event->WheelOld()) - event->WheelNew());
    if (event->MouseModifiers() & MOD_HWHEEL)
        ScrollHBy(delta);
    else
        ScrollVBy(delta);
}

void ScrollableWindow::FrameMouseWheel(Event* event)
{
    if (event->Part() == HIT_FRAME)
        MouseWheel(event);
    else
        Window::FrameMouseWheel(event);
}

void ScrollableWindow::DrawFrame()
{
    Skin* skin = WindowSystem::GetSkin();
    if (skin && (vPage || hPage)) {
        UpdateThumbs();
        Rect cr = ContentInFrame();
        s32 w = Skin::GetScrollBarWidth();
        BeginDraw(0, 0);
        if (vPage) {
            skin->DrawScrollTrack(Rect{cr.right, cr.top, cr.right + w, cr.bottom}, 0, int(upPressed),
                                  int(downPressed), s64(vTotal) - vPage > 0);
            if (vThumbShown) skin->DrawScrollThumb(vThumb, 0, tracking && g_pressedPart == SCROLL_VTHUMB);
        }
        if (hPage) {
            skin->DrawScrollTrack(Rect{cr.left, cr.bottom, cr.right, cr.bottom + w}, 1, int(leftPressed),
                                  int(rightPressed), s64(hTotal) - hPage > 0);
            if (hThumbShown) skin->DrawScrollThumb(hThumb, 1, tracking && g_pressedPart == SCROLL_HTHUMB);
        }
        if (vPage && hPage) {
            Rect corner = {cr.right, cr.bottom, cr.right + w, cr.bottom + w};
            if (cornerBox)
                skin->DrawScrollThumb(corner, 1, 0);
            else
                skin->DrawBackground(corner);
        }
        EndDraw();
    }
    Window::DrawFrame();
}
