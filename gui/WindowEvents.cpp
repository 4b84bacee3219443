// Window: the base routing of events, focus and the tab ring.
#include "gui/Window.h"
#include "gui/WindowSystemState.h"
#include "platform/OsKeys.h"

int Window::HandleEvent(Window* target, u32 type, Event* event)
{
    if ((flags & WF_CLOSEBOX) && type == EVENT_KEY && event->Action() == 1) {
        u32 key = event->Key(), mods = event->KeyModifiers();
        bool shortcut = (key == 'W' && (mods & MOD_CTRL_A)) || (key == KEY_F1 + 3 && (mods & MOD_CTRL_B));
        Window* modal = ModalWindow();
        // A window that owns the open modal dialog stays open.
        bool ownsModal = modal && modal != this && Contains(modal);
        if (shortcut && !ownsModal && state != WS_CLOSED && CanClose(1)) Close();
    }
    if (this != target || type > EVENT_WHEEL) return 0;

    switch (type) {
    case EVENT_KEY:
        if (event->Key() == KEY_TAB && (tabNext || tabPrev)) {
            if (event->Action() == 1) FocusNext(this, (event->KeyModifiers() & MOD_SHIFT) != 0);
            return 1;
        }
        for (Window* w = this; w; w = w->parent)
            if (w->KeyEvent(event)) break;
        return 1;
    case EVENT_CHAR:
        CharEvent(event);
        return 1;
    case EVENT_BUTTON: {
        // Only the press: the release of a double click that opened a window lands on the
        // window clicked, which must not take the keyboard back from the new one.
        FocusAnswer answer = FOCUS_TAKEN;
        if (event->Pressed()) {
            GetTopLevel()->BringToFront();
            if (!IsFocused()) answer = SetFocus(this, FOCUS_CLICK);
        }
        if (event->Part() == HIT_CONTENT) {
            if (answer != FOCUS_SWALLOW) MouseButton(event);
        } else {
            FrameMouseButton(event);
        }
        return 1;
    }
    case EVENT_DOUBLECLICK:
        event->Part() == HIT_CONTENT ? DoubleClick(event) : FrameDoubleClick(event);
        return 1;
    case EVENT_MOVE:
        event->Part() == HIT_CONTENT ? MouseMove(event) : FrameMouseMove(event);
        return 1;
    case EVENT_WHEEL:
        event->Part() == HIT_CONTENT ? MouseWheel(event) : FrameMouseWheel(event);
        return 1;
    }
    return 0;
}

void Window::FrameMouseButton(Event* event)
{
    if (!event->Pressed() || IsRightButton(event)) return;
    u32 part = event->Part();
    bool resizable = (flags & (WF_THICKFRAME | WF_RESIZABLE)) == (WF_THICKFRAME | WF_RESIZABLE);
    if ((resizable && state == WS_NORMAL && (part & HIT_BORDERS) && part != HIT_FRAME) ||
        ((flags & WF_TITLEBAR) && state != WS_ZOOMED && part == HIT_TITLE)) {
        if (g_ws.captureWindow) return;
        g_ws.trackedPart = part;
        BeginTracking(WindowSystem::TrackMoveResize);
    } else if (part == HIT_CLOSEBOX || part == HIT_ZOOMBOX || part == HIT_COLLAPSEBOX) {
        if (g_ws.captureWindow) return;
        g_ws.trackedPart = part;
        BeginTracking(WindowSystem::TrackTitleButton);
    }
}

static int OfferToAncestors(Window* a, Window* target, u32 type, Event* event)
{
    if (!a) return 0;
    if (OfferToAncestors(a->parent, target, type, event)) return 1;
    return a->HandleEvent(target, type, event);
}

int Window::DispatchTopDown(Window* target, u32 type, Event* event)
{
    return OfferToAncestors(target->parent, target, type, event);
}

intptr_t Window::SendEvent(Window* w, void* event)
{
    Event* e = static_cast<Event*>(event);
    return w->HandleEvent(w, e->type, e);
}

// Focus.

// The window whose focus-lost handlers run now. A handler may move the focus itself (a field
// that refuses its text opens an error box, which takes the focus): the window still has the
// focus then, and telling it again would run the handler inside itself without end.
static Window* g_losingFocus;

static FocusAnswer SetFocusInner(Window* w, u32 reason, Window* old, int oldNotified, u32 depth)
{
    if (!w) return FOCUS_TAKEN;
    if (!(w->flags & WF_FOCUSABLE)) {
        Window* d = w;
        for (u32 guard = 0; d->focusChild && guard < 4096; ++guard) d = d->focusChild;
        if (d == w) return FOCUS_TAKEN;
        w = d;
    }
    for (Window* c = w; c->parent; c = c->parent) c->parent->focusChild = c;
    if (old && old == w) {
        if (g_ws.focus == w) return FOCUS_TAKEN;
    } else if (old && !oldNotified && old != g_losingFocus) {
        Window* outer = g_losingFocus;
        g_losingFocus = old;
        old->focusLost.Emit(int(reason));
        old->FocusLost(w, reason);
        g_losingFocus = outer;
    }
    FocusAnswer answer = w->FocusGained(old, reason);
    if (answer >= 2) {
        Window* instead = reinterpret_cast<Window*>(answer);
        // A chain of windows handing the focus on ends somewhere.
        if (instead != w && depth < 16) SetFocusInner(instead, reason, old, 1, depth + 1);
        return answer;
    }
    g_ws.focus = w;
    if (old && old != w) old->InvalidateFrame(0);
    w->InvalidateFrame(0);
    return answer;
}

FocusAnswer Window::SetFocus(Window* w, u32 reason)
{
    if (!w) return FOCUS_TAKEN;
    return SetFocusInner(w, reason, g_ws.focus, 0, 0);
}

static bool CanTakeTabFocus(Window* w) { return w->IsVisible() && w->IsEnabled() && w->state != WS_CLOSED; }

void Window::FocusNext(Window* w, int backwards)
{
    if (!w) return;
    Window* at = w;
    // A ring of n windows is walked at most once; a broken chain is cut by the guard.
    for (u32 guard = 0; guard < 100000; ++guard) {
        Window* next = backwards ? at->tabPrev : at->tabNext;
        if (!next) {
            // An open chain: wrap to its other end.
            next = at;
            u32 steps = 0;
            if (backwards)
                while (next->tabNext && next->tabNext != at && steps++ < 100000) next = next->tabNext;
            else
                while (next->tabPrev && next->tabPrev != at && steps++ < 100000) next = next->tabPrev;
        }
        if (next == at && at == w) return;
        if (CanTakeTabFocus(next)) {
            SetFocus(next, FOCUS_TAB);
            return;
        }
        if (next == w) return;  // one full cycle: nothing can take the focus
        at = next;
    }
}
