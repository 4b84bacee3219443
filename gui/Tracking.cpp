// Mouse tracking, drag and drop, moving and resizing windows by their frame, title boxes and
// the window overview.
#include <cmath>

#include "foundation/Treemap.h"
#include "gui/WindowSystemState.h"
#include "platform/Clipboard.h"
#include "platform/Os.h"

static int StartCapture(Window* w, Window::DragDropData* payload, TrackCallback callback)
{
    if (g_ws.captureWindow) return 0;
    g_ws.captureWindow = w;
    g_ws.dragMode = payload ? 1 : 0;
    g_ws.dragData = payload;
    g_ws.dropAccepted = 0;
    g_ws.dragPainter = nullptr;
    g_ws.trackStart = g_ws.trackCurrent = g_ws.trackPrevious = g_ws.mouse;
    g_ws.trackCallback = callback;
    if (payload) {
        for (const DragPainterEntry& e : g_ws.painters)
            if (e.typeId == s32(payload->typeId)) g_ws.dragPainter = e.painter;
        if (g_ws.dragPainter) {
            g_ws.dragPainter(&g_ws.dragImageRect, Point{0, 0}, payload);
            WindowSystem::InvalidateDragImage(w);
        }
    }
    WindowSystem::PushEventHook(WindowSystem::TrackingEventHook);
    if (callback) callback(w, g_ws.trackStart, g_ws.trackStart, TRACK_BEGIN);
    return 1;
}

int Window::BeginTracking(TrackCallback callback) { return StartCapture(this, nullptr, callback); }

int Window::BeginDrag(DragDropData* payload, TrackCallback callback)
{
    if (g_ws.captureWindow) return 0;  // the payload stays the caller's
    return StartCapture(this, payload, callback);
}

int WindowSystem::TrackingEventHook(u32 type, Event* event)
{
    Window* w = g_ws.captureWindow;
    if (!w) return 1;
    HandlerScope running(w);
    if (type == EVENT_BUTTON)
        EndTracking(w, event);
    else if (type == EVENT_MOVE)
        DragMove(w, event);
    return 1;
}

void WindowSystem::InvalidateDragImage(Window* w)
{
    if (!g_ws.dragPainter) return;
    Rect a = OffsetRect(g_ws.dragImageRect, g_ws.trackPrevious.x, g_ws.trackPrevious.y);
    Rect b = OffsetRect(g_ws.dragImageRect, g_ws.trackCurrent.x, g_ws.trackCurrent.y);
    Rect u;
    UnionRect(a, &u, b);
    w->InvalidateRect(u, 0);
}

void WindowSystem::DragMove(Window* w, Event* move)
{
    g_ws.trackPrevious = g_ws.trackCurrent;
    g_ws.trackCurrent = move->Pos();
    if (g_ws.trackCallback) g_ws.trackCallback(w, g_ws.trackStart, g_ws.trackCurrent, TRACK_MOVE);
    if (g_ws.captureWindow != w || !g_ws.dragMode) return;  // the callback may have ended it
    InvalidateDragImage(w);
    if (g_ws.hovered) {
        g_ws.dropAccepted = g_ws.hovered->DragDrop(g_ws.trackCurrent, 1, g_ws.dragData) ? 1 : 0;
        SetCursorShape(g_ws.dropAccepted ? CURSOR_HAND : CURSOR_NO);
    } else {
        g_ws.dropAccepted = 0;
    }
}

void WindowSystem::EndTracking(Window* w, Event* release)
{
    if (release->Pressed()) return;
    Point at = release->Pos();
    Window::DragDropData* payload = g_ws.dragData;
    TrackCallback callback = g_ws.trackCallback;
    bool drop = g_ws.dragMode && g_ws.dropAccepted;
    // The capture is released before the drop is delivered: a drop target that opens a
    // dialog must find the mouse free and the normal event routing in place.
    g_ws.trackCurrent = at;
    InvalidateDragImage(w);
    PopEventHook(TrackingEventHook);
    g_ws.captureWindow = nullptr;
    g_ws.dragMode = 0;
    g_ws.dragData = nullptr;
    g_ws.trackCallback = nullptr;
    g_ws.dragPainter = nullptr;
    g_ws.dropAccepted = 0;
    UpdateHover();
    if (drop && g_ws.hovered) g_ws.hovered->DragDrop(at, 0, payload);
    if (callback) callback(w, g_ws.trackStart, at, TRACK_END);
    delete payload;
}

void WindowSystem::RegisterDragPainter(s32 typeId, DragPainter painter)
{
    u32 i = 0;
    while (i < g_ws.painters.count && g_ws.painters.data[i].typeId < typeId) ++i;
    if (i < g_ws.painters.count && g_ws.painters.data[i].typeId == typeId)
        g_ws.painters.data[i].painter = painter;
    else
        g_ws.painters.Insert(i, DragPainterEntry{typeId, painter});
}

void WindowSystem::TrackMoveResize(Window* w, Point start, Point current, u32 phase)
{
    u32 part = g_ws.trackedPart;
    if (phase == TRACK_BEGIN) {
        g_ws.startFrame = w->frame;
        g_ws.minPointerX = 0;
        s32 t = g_ws.startFrame.top;
        if (!IsOnModalStack(w, 0) && g_ws.layer0) t -= g_ws.layer0->content.top;
        if (part == HIT_TITLE || (part & (HIT_LEFT | HIT_TOP)))
            g_ws.minPointerY = g_ws.mouse.y - t;
        else
            g_ws.minPointerY = t;
        g_ws.startFrame = w->GetFrameInParent();
        return;
    }
    s32 x = current.x, y = current.y;
    if (x < g_ws.minPointerX) x = g_ws.minPointerX;
    if (x > g_ws.screenWidth) x = g_ws.screenWidth;
    if (y < g_ws.minPointerY) y = g_ws.minPointerY;
    if (y > g_ws.screenHeight) y = g_ws.screenHeight;
    u32 mask = part == HIT_TITLE ? HIT_BORDERS : (part & HIT_BORDERS);
    s32 dx = x - start.x, dy = y - start.y;
    Rect r = g_ws.startFrame;
    if (mask & HIT_LEFT) r.left += dx;
    if (mask & HIT_RIGHT) r.right += dx;
    if (mask & HIT_TOP) r.top += dy;
    if (mask & HIT_BOTTOM) r.bottom += dy;
    w->SetFrame(r);
}

static Rect TitleBoxesUnion(Window* w)
{
    Rect u = {0, 0, 0, 0};
    for (u32 i = 0; i < 3; ++i) {
        Rect r = w->GetTitleButtonRect(i);
        if (!r.IsEmpty()) UnionRect(u, &u, r);
    }
    return OffsetRect(u, w->frame.left, w->frame.top);
}

void WindowSystem::TrackTitleButton(Window* w, Point, Point current, u32 phase)
{
    u32 pressed = g_ws.trackedPart;
    u32 part = w->HitTest(current);
    if (phase == TRACK_END) {
        if (part == pressed) {
            if (pressed == HIT_COLLAPSEBOX)
                w->SetCollapsed(-1);
            else if (pressed == HIT_ZOOMBOX)
                w->ToggleZoom();
            else if (pressed == HIT_CLOSEBOX && w->CanClose(1))
                w->Close();
        }
        part = 0;
    }
    u32 shown = part == pressed ? part : 0;
    if (shown != w->pressedTitleButton) {
        w->pressedTitleButton = shown;
        w->InvalidateRect(TitleBoxesUnion(w), 0);
    }
}

// The window overview.

float WindowSystem::GetOverviewProgress() { return g_ws.overviewProgress; }

void WindowSystem::ToggleOverview()
{
    if (!(g_ws.sysFlags & SYS_OVERVIEW)) {
        g_ws.sysFlags |= SYS_OVERVIEW | SYS_OVERVIEW_LAYOUT;
        g_ws.sysFlags &= ~(SYS_OVERVIEW_OPEN | SYS_OVERVIEW_CLOSING);
        g_ws.overviewDuration = 0.25f;
        g_ws.overviewStart = float(OsGetTime());
        g_ws.overviewProgress = 0;
        PushEventHook(OverviewEventHook);
    } else if (g_ws.sysFlags & SYS_OVERVIEW_OPEN) {
        g_ws.sysFlags &= ~SYS_OVERVIEW_OPEN;
        g_ws.sysFlags |= SYS_OVERVIEW_CLOSING;
        g_ws.overviewStart = float(OsGetTime());
    }
}

void WindowSystem::AnimateOverview()
{
    if (!(g_ws.sysFlags & SYS_OVERVIEW)) return;
    if (g_ws.sysFlags & SYS_OVERVIEW_LAYOUT) {
        LayoutOverview();
        g_ws.sysFlags &= ~SYS_OVERVIEW_LAYOUT;
    }
    float t = (float(OsGetTime()) - g_ws.overviewStart) / g_ws.overviewDuration;
    float c = t < 1.0f ? t : 1.0f;
    if (c < 0) c = 0;
    float p = c * (1.0f - cosf(float(M_PI) * c)) / 2.0f;
    if (!(g_ws.sysFlags & SYS_OVERVIEW_CLOSING)) {
        g_ws.overviewProgress = p;
        if (t >= 1.0f) {
            g_ws.overviewProgress = 1.0f;
            if (!(g_ws.sysFlags & SYS_OVERVIEW_OPEN)) {
                g_ws.sysFlags |= SYS_OVERVIEW_OPEN;
                InvalidateAll();
            }
        }
    } else {
        if (t >= 1.0f) {
            p = 1.0f;
            g_ws.sysFlags &= ~(SYS_OVERVIEW | SYS_OVERVIEW_CLOSING);
            InvalidateAll();
            PopEventHook(OverviewEventHook);
            UpdateHover();
        }
        g_ws.overviewProgress = 1.0f - p;
    }
    if (!(g_ws.sysFlags & SYS_OVERVIEW_OPEN)) InvalidateAll();
}

static void OverviewCell(const float* rect, void* user) { WindowSystem::FitOverviewCell(rect, static_cast<Window*>(user)); }

void WindowSystem::LayoutOverview()
{
    Window* layer = g_ws.layer0;
    if (!layer) return;
    TreemapNode* tree = TreemapNew();
    if (!tree) return;
    for (Window* w = layer->lastChild; w; w = w->prevSibling) {
        w->stateBits &= ~WSB_INOVERVIEW;
        if (w->IsVisible() && !(w->flags & WF_NOOVERVIEW) && w->state != WS_CLOSED) TreemapAddChild(tree, 1.0f, w);
    }
    TreemapLayout(tree, layer->frame.Width(), layer->frame.Height(), OverviewCell);
    TreemapFree(tree);
}

static intptr_t ScaleOne(Window* w, void* arg)
{
    w->ScaleRectsForOverview(*static_cast<float*>(arg));
    return 0;
}

void WindowSystem::FitOverviewCell(const float* cell, Window* w)
{
    Window* layer = g_ws.layer0;
    if (!layer || !w) return;
    w->stateBits |= WSB_INOVERVIEW;
    float top = cell[0], left = cell[1], right = cell[2], bottom = cell[3];
    float cw = right - left, ch = bottom - top;
    s32 fw = w->frame.Width(), fh = w->frame.Height();
    float s = fw > 0 ? 0.95f * cw / float(fw) : 1.0f;
    if (float(fh) * s > 0.95f * ch && fh > 0) s = 0.95f * ch / float(fh);
    if (s > 1.0f) s = 1.0f;
    if (s < 0) s = 0;
    s32 sw = s32(float(fw) * s), sh = s32(float(fh) * s);
    Rect L = layer->frame;
    s32 x0 = s32((cw - float(sw)) / 2.0f + (float(L.right) - right));
    s32 y0 = s32((ch - float(sh)) / 2.0f + (float(L.bottom) - bottom));
    w->overviewFrame = Rect{x0, y0, x0 + sw, y0 + sh};
    s32 cl = x0 + s32(float(w->content.left - w->frame.left) * s);
    s32 ct = y0 + s32(float(w->content.top - w->frame.top) * s);
    w->overviewContent = Rect{cl, ct, cl + s32(float(w->content.Width()) * s), ct + s32(float(w->content.Height()) * s)};
    Window::WalkPreOrder(w->firstChild, ScaleOne, &s);
}

void Window::ScaleRectsForOverview(float s)
{
    if (!parent) return;
    Point o = parent->GetContentOrigin();
    Point po = Point{parent->overviewContent.left, parent->overviewContent.top};
    auto scale = [&](const Rect& r) {
        return Rect{po.x + s32(float(r.left - o.x) * s), po.y + s32(float(r.top - o.y) * s),
                    po.x + s32(float(r.right - o.x) * s), po.y + s32(float(r.bottom - o.y) * s)};
    };
    overviewFrame = scale(frame);
    overviewContent = scale(content);
    stateBits |= WSB_INOVERVIEW;
}

int WindowSystem::OverviewEventHook(u32 type, Event* event)
{
    if (type == EVENT_KEY) {
        if (event->Action() == 1 && event->Key() == 107) ToggleOverview();
        return 1;
    }
    if (type == EVENT_BUTTON && g_ws.layer0 && !(g_ws.sysFlags & SYS_OVERVIEW_CLOSING)) {
        Point p = event->Pos();
        for (Window* w = g_ws.layer0->firstChild; w; w = w->nextSibling) {
            if (!w->IsVisible()) continue;
            if (RectHitInclusive(w->overviewFrame, p)) {
                w->BringToFront();
                Window::SetFocus(w, FOCUS_CLICK);
                ToggleOverview();
                break;
            }
        }
    }
    return 1;
}
