#include "collection/ui/X256SequenceFrameView.h"

#include <cstdio>

#include "collection/ui/BackgroundPicker.h"
#include "collection/ui/BitmapDrawing.h"
#include "collection/ui/X256SequenceFrameEdit.h"
#include "gui/Skin.h"
#include "gui/Text.h"
#include "gui/WindowSystem.h"
#include "platform/Clipboard.h"
#include "platform/Os.h"
#include "platform/OsKeys.h"

namespace {

constexpr double kKeyRepeat = 0.1;
constexpr u32 kMoveModeTextFlags = 262;
constexpr u32 kMoveModeTextColor = 0xFF00FFFFu;

s32 Trunc(double v) { return s32(v); }

bool Near(s32 a, s32 b) { return (a > b ? a - b : b - a) < 3; }

void DrawMarker(s32 x, s32 y, u32 colour)
{
    s32 l = x - 3, t = y - 3;
    SetColor(colour);
    FillRect(Rect{l + 1, t + 1, l + 4, t + 4});
    SetColor(kMarkerSideColor);
    FillRect(Rect{l + 1, t, l + 4, t + 1});
    FillRect(Rect{l + 1, t + 4, l + 4, t + 5});
    FillRect(Rect{l, t + 1, l + 1, t + 4});
    FillRect(Rect{l + 4, t + 1, l + 5, t + 4});
}

}  // namespace

X256SequenceFrameView::X256SequenceFrameView(X256SequenceFrameEdit* e, Window* parent)
    : ScrollableWindow(WF_VISIBLE | WF_ENABLED | WF_FOCUSABLE, parent),
      backgroundKind(1),
      dragMode(kDragNone),
      grab{0, 0},
      offset{0, 0},
      scrollBase{0, 0},
      layingOut(0),
      originValid(0),
      origin{0, 0},
      contentCache{0, 0},
      fractionX(-1.0f),
      fractionY(-1.0f),
      lastArrowTime(0),
      zoom(1.0f),
      show{1, 1, 1, 1, 1, 0, 0},
      editor(e),
      moveMode(kMoveNone),
      keyGrab{0, 0}
{
    SetCornerBox(1);
}

const char* X256SequenceFrameView::GetClassName() const { return "ScrollableWindow"; }

void X256SequenceFrameView::GetMinimumFrameSize(Size* out, Size) { *out = Size{294, 294}; }

FrameGeometry X256SequenceFrameView::GetGeometry()
{
    FrameStep shown{editor->GetSequence(), editor->GetFrame(), editor->GetView()};
    FrameStep previous = editor->GetPreviousStep();
    return ComputeFrameGeometry(shown, previous, GetContentWidth(), GetContentHeight(), scrollBase.x + offset.x,
                                scrollBase.y + offset.y, zoom, show[kShowBitmap] != 0);
}

Point X256SequenceFrameView::GetRegistrationPoint()
{
    FrameGeometry g = GetGeometry();
    if (g.hasBitmap) return Point{g.regX, g.regY};
    // Without a bitmap the point is where a bitmap's would be: the content's centre.
    return Point{GetContentWidth() / 2 + scrollBase.x + offset.x, GetContentHeight() / 2 + scrollBase.y + offset.y};
}

u32 X256SequenceFrameView::HitTestBitmap(Point p)
{
    FrameStep shown{editor->GetSequence(), editor->GetFrame(), editor->GetView()};
    return HitTestFrame(shown, GetGeometry(), zoom, show[kShowBitmap] != 0, show[kShowShadow] != 0, p.x, p.y);
}

// ---- scrolling ----

void X256SequenceFrameView::UpdateScrollRange(bool recenter)
{
    if (layingOut) return;
    layingOut = 1;
    // The bars take room from the content: lay out twice so the second pass sees the final size.
    for (int pass = 0; pass < 2; ++pass) {
        s32 cw = GetContentWidth(), ch = GetContentHeight();
        if (cw < 1 || ch < 1) break;
        Point shift{scrollBase.x + offset.x, scrollBase.y + offset.y};
        s32 hTotalNew = 5 * cw, vTotalNew = 5 * ch;
        s32 hMiddle = (hTotalNew - cw) / 2, vMiddle = (vTotalNew - ch) / 2;
        s32 hp = hMiddle, vp = vMiddle;
        if (!recenter) {
            if (fractionX >= 0) hp = Trunc(double(fractionX) * hTotalNew);
            if (fractionY >= 0) vp = Trunc(double(fractionY) * vTotalNew);
        }
        SetScrollInfo(SCROLLINFO_VTOTAL | SCROLLINFO_VPOS | SCROLLINFO_VPAGE | SCROLLINFO_HTOTAL | SCROLLINFO_HPOS |
                          SCROLLINFO_HPAGE,
                      vTotalNew, vp, ch, hTotalNew, hp, cw);
        offset = Point{-GetHScrollPos(), -GetVScrollPos()};
        if (recenter) {
            scrollBase = Point{hMiddle, vMiddle};
            fractionX = fractionY = -1.0f;
        } else {
            scrollBase = Point{shift.x - offset.x, shift.y - offset.y};
        }
    }
    contentCache = GetContentSize();
    originValid = 0;
    layingOut = 0;
    Invalidate(0);
}

void X256SequenceFrameView::OnFrameViewChanged(Point oldPoint)
{
    Point now = GetRegistrationPoint();
    offset.x += oldPoint.x - now.x;
    offset.y += oldPoint.y - now.y;
    s32 cw = GetContentWidth(), ch = GetContentHeight();
    s32 hMiddle = (5 * cw - cw) / 2, vMiddle = (5 * ch - ch) / 2;
    if (GetHScrollPos() != hMiddle || GetVScrollPos() != vMiddle) {
        // A scrolled view is centred again rather than kept: its scroll position told where
        // the user was looking, which a step makes meaningless.
        UpdateScrollRange(true);
        return;
    }
    scrollBase = Point{hMiddle, vMiddle};
    originValid = 0;
    Invalidate(0);
}

void X256SequenceFrameView::Resized()
{
    ScrollableWindow::Resized();
    if (layingOut) return;
    bool first = contentCache.width == 0 && contentCache.height == 0;
    UpdateScrollRange(first);
}

// The bars tell a new position before they store the new totals: a fraction taken during a
// layout would be of the old total, and the next resize would move the position by it (off
// the middle, so that the next step centres the bitmap instead of keeping the registration
// point). The layout places the positions by the fractions itself and leaves them as they were.
void X256SequenceFrameView::HScrolled(s32 position)
{
    offset.x = -position;
    if (!layingOut && GetHTotal() > 0) fractionX = float(position) / float(GetHTotal());
    originValid = 0;
    Invalidate(0);
}

void X256SequenceFrameView::VScrolled(s32 position)
{
    offset.y = -position;
    if (!layingOut && GetVTotal() > 0) fractionY = float(position) / float(GetVTotal());
    originValid = 0;
    Invalidate(0);
}

void X256SequenceFrameView::CornerClicked() { UpdateScrollRange(true); }

void X256SequenceFrameView::SetZoom(float z)
{
    zoom = z > 0 ? z : 1.0f;
    originValid = 0;
    Invalidate(0);
}

void X256SequenceFrameView::SetBackgroundKind(u32 kind)
{
    backgroundKind = kind;
    Invalidate(0);
}

// ---- drawing ----

void X256SequenceFrameView::DrawBackground()
{
    ScrollableWindow::DrawBackground();
    BeginDraw(1, 0);
    BackgroundPicker::FillBackground(backgroundKind, GetContentBounds());
    EndDraw();
}

void X256SequenceFrameView::DrawContent()
{
    // A closed editor waits for deletion while what it shows may already be gone.
    if (editor->GetState() == WS_CLOSED) return;
    BeginDraw(1, 0);
    Sequence* s = editor->GetSequence();
    FrameGeometry g = GetGeometry();
    Collection* c = editor->GetCollection();
    if (g.hasBitmap && s && c) {
        SequenceFrame& frame = s->GetFrame(editor->GetFrame());
        FrameView& view = s->GetFrameView(editor->GetFrame(), editor->GetView());
        if (show[kShowShadow] && g.hasShadow)
            DrawCollectionBitmap(*c, *frame.shadowBitmap, g.shadowFlip, g.shadowX, g.shadowY, g.shadowWidth,
                                 g.shadowHeight);
        if (show[kShowContrail] && g.hasContrail) {
            FrameView* before = ViewOf(editor->GetPreviousStep());
            if (!before) before = &view;
            if (before->bitmap)
                DrawCollectionBitmap(*c, *before->bitmap, g.contrailFlip, g.contrailX, g.contrailY, g.contrailWidth,
                                     g.contrailHeight, 0x80FFFFFFu);
        }
        if (show[kShowBitmap]) DrawCollectionBitmap(*c, *view.bitmap, g.flip, g.originX, g.originY, g.width, g.height);
        if (show[kShowSelectionBox]) {
            SetColor(kSelectionBoxColor);
            DrawRectOutline(Rect{g.boxLeft, g.boxTop, g.boxRight, g.boxBottom}, 2, 0);
        }
        if (show[kShowRegPoint]) DrawMarker(g.regX, g.regY, kRegPointColor);
        if (show[kShowKeyPoint]) DrawMarker(g.keyX, g.keyY, kKeyPointColor);
        if (show[kShowOrigin]) {
            SetColor(kOriginColor);
            FillRect(Rect{g.originX - 2, g.originY, g.originX + 3, g.originY + 1});
            FillRect(Rect{g.originX, g.originY - 2, g.originX + 1, g.originY + 3});
        }
    }
    if (IsFocused()) {
        Rect inner = GetContentBounds();
        if (moveMode != kMoveNone) {
            char text[64];
            snprintf(text, sizeof(text), "Mouse / Arrow Keys: %s", MoveModeLabel(moveMode));
            Rect r{inner.left + 4, inner.top + 4, inner.right - 4, inner.bottom - 4};
            SetColor(kMoveModeTextColor);
            ::DrawText(GetFont(), text, 0, kMoveModeTextFlags, &r);
        }
        if (Skin* skin = WindowSystem::GetSkin()) skin->DrawSelection(inner, 5);
    }
    EndDraw();
}

// ---- keys ----

void X256SequenceFrameView::HandleKeys()
{
    lastArrowTime = OsGetTime();
    bool fn[5];
    for (u32 i = 0; i < 5; ++i) fn[i] = WindowSystem::IsKeyDown(KEY_F1 + i);
    u32 mode = MoveModeForKeys(WindowSystem::IsKeyDown(KEY_SHIFT), WindowSystem::IsKeyDown(KEY_ALT),
                               WindowSystem::IsKeyDown(KEY_CTRL), fn);
    if (mode != moveMode) {
        moveMode = mode;
        Invalidate(0);
    }
    s32 dx = s32(WindowSystem::IsKeyDown(KEY_RIGHT)) - s32(WindowSystem::IsKeyDown(KEY_LEFT));
    s32 dy = s32(WindowSystem::IsKeyDown(KEY_DOWN)) - s32(WindowSystem::IsKeyDown(KEY_UP));
    if (dx == 0 && dy == 0) return;
    if (moveMode != kMoveNone) {
        MoveByMode(dx, dy, moveMode);
        editor->changed.Emit(editor->GetSequence());
    } else {
        if (dy) editor->SetFrame(s64(editor->GetFrame()) + dy);
        if (dx) editor->SetView(s64(editor->GetView()) + dx);
    }
    Invalidate(0);
}

int X256SequenceFrameView::KeyEvent(Event* event)
{
    if (!(event->KeyModifiers() & MOD_REPEAT)) HandleKeys();
    return 0;
}

void X256SequenceFrameView::Tick()
{
    ScrollableWindow::Tick();
    if (editor->GetState() == WS_CLOSED) return;
    if (IsFocused() && OsGetTime() - lastArrowTime >= kKeyRepeat) HandleKeys();
}

void X256SequenceFrameView::FocusLost(Window* newFocus, u32 reason)
{
    ScrollableWindow::FocusLost(newFocus, reason);
    Invalidate(0);
}

FocusAnswer X256SequenceFrameView::FocusGained(Window* oldFocus, u32 reason)
{
    FocusAnswer a = ScrollableWindow::FocusGained(oldFocus, reason);
    Invalidate(0);
    return a;
}

void X256SequenceFrameView::MoveByMode(s32 dx, s32 dy, u32 mode)
{
    Sequence* s = editor->GetSequence();
    if (!s || !::MoveByMode(*s, editor->GetFrame(), editor->GetView(), dx, dy, mode)) return;
    if (mode == kMoveKeyPoint) return;
    s32 mx = Trunc(dx * double(zoom)), my = Trunc(dy * double(zoom));
    offset.x += mx;
    offset.y += my;
    grab.x += mx;
    grab.y += my;
    originValid = 0;
}

// ---- mouse ----

u32 X256SequenceFrameView::DragModeAt(Point p)
{
    FrameGeometry g = GetGeometry();
    if (!g.hasBitmap) return kDragNone;
    bool enabled = IsEnabled();
    if (show[kShowKeyPoint] && enabled && Near(p.x, g.keyX) && Near(p.y, g.keyY)) return kDragKeyPoint;
    if (show[kShowSelectionBox]) {
        s32 top = g.boxTop < g.boxBottom ? g.boxTop : g.boxBottom, bottom = g.boxTop < g.boxBottom ? g.boxBottom : g.boxTop;
        if (p.y >= top && p.y <= bottom) {
            if (Near(p.x, g.boxLeft)) return kDragLeftEdge;
            if (Near(p.x, g.boxRight)) return kDragRightEdge;
        }
        if (p.x >= g.boxLeft && p.x <= g.boxRight) {
            if (Near(p.y, g.boxTop)) return kDragTopEdge;
            if (Near(p.y, g.boxBottom)) return kDragBottomEdge;
        }
    }
    if (enabled && HitTestBitmap(p) == 5) return kDragShadow;
    if (enabled && show[kShowBitmap] && show[kShowRegPoint]) return kDragBitmap;
    return kDragNone;
}

u32 X256SequenceFrameView::ShownScale()
{
    FrameView* shown = ViewOf(FrameStep{editor->GetSequence(), editor->GetFrame(), editor->GetView()});
    return shown ? shown->activeScale : kStandardScale;
}

void X256SequenceFrameView::SetCursorFor(u32 mode)
{
    switch (mode) {
    case kDragKeyPoint: SetCursor(CURSOR_CROSSHAIR, 1); break;
    case kDragLeftEdge:
    case kDragRightEdge: SetCursor(CURSOR_RESIZE_WE, 1); break;
    case kDragTopEdge:
    case kDragBottomEdge: SetCursor(CURSOR_RESIZE_NS, 1); break;
    case kDragShadow: SetCursor(CURSOR_HAND_DARK, 1); break;
    case kDragBitmap: SetCursor(CURSOR_HAND_DRAG, 1); break;
    default: SetCursor(CURSOR_ARROW, 1); break;
    }
}

void X256SequenceFrameView::MouseMove(Event* event)
{
    if (dragMode != kDragNone) return;
    Point p = event->Pos();
    ScreenToContent(&p, 1);
    SetCursorFor(DragModeAt(p));
}

void X256SequenceFrameView::MouseLeave()
{
    SetCursor(CURSOR_ARROW, 1);
    ScrollableWindow::MouseLeave();
}

void X256SequenceFrameView::MouseButton(Event* event)
{
    if (!event->Pressed() || IsRightButton(event)) return;
    Window::SetFocus(this, FOCUS_CLICK);
    Point p = event->Pos();
    ScreenToContent(&p, 1);
    dragMode = DragModeAt(p);
    if (dragMode == kDragNone) return;
    if (dragMode == kDragKeyPoint) {
        FrameGeometry g = GetGeometry();
        keyGrab = Point{g.keyX - p.x, g.keyY - p.y};
    }
    grab = event->Pos();
    SetCursorFor(dragMode == kDragShadow ? kDragShadow : dragMode);
    if (dragMode == kDragShadow) SetCursor(CURSOR_GRAB_DARK, 1);
    if (dragMode == kDragBitmap) SetCursor(CURSOR_GRAB, 1);
    BeginTracking(DefaultTracker);
}

void X256SequenceFrameView::Track(Point, Point current, u32 phase)
{
    Sequence* s = editor->GetSequence();
    if (phase == TRACK_END) {
        if (dragMode == kDragBitmap) SetCursor(CURSOR_HAND_DRAG, 1);
        if (dragMode == kDragShadow) SetCursor(CURSOR_HAND_DARK, 1);
        dragMode = kDragNone;
        return;
    }
    if (!s || dragMode == kDragNone) {
        Invalidate(0);
        return;
    }
    s32 dx = Trunc((current.x - grab.x) / double(zoom)), dy = Trunc((current.y - grab.y) / double(zoom));
    // The pointer's move is used up in whole bitmap pixels: the rest stays for the next move.
    Point used{Trunc(dx * double(zoom)), Trunc(dy * double(zoom))};
    switch (dragMode) {
    case kDragShadow:
        SetCursor(CURSOR_GRAB_DARK, 1);
        DragShadowOffset(*s, editor->GetFrame(), dx, dy);
        grab.x += used.x;
        grab.y += used.y;
        break;
    case kDragBitmap:
        SetCursor(CURSOR_GRAB, 1);
        if (moveMode >= kMoveSequence && moveMode <= kMoveBitmap) MoveByMode(dx, dy, moveMode);
        break;
    case kDragKeyPoint: {
        SetCursor(CURSOR_CROSSHAIR, 1);
        Point c = current;
        ScreenToContent(&c, 1);
        FrameGeometry g = GetGeometry();
        if (g.hasBitmap) {
            FrameView& v = s->GetFrameView(editor->GetFrame(), editor->GetView());
            v.keyX = ClampPoint(s64((c.x + keyGrab.x - g.originX) / double(zoom)));
            v.keyY = ClampPoint(s64((c.y + keyGrab.y - g.originY) / double(zoom)));
        }
        break;
    }
    default:
        SetCursorFor(dragMode);
        dragMode = DragSelectionEdge(*s, dragMode, dx, dy, ShownScale());
        grab.x += used.x;
        grab.y += used.y;
        break;
    }
    editor->changed.Emit(s);
    Invalidate(0);
}
