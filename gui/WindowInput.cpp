// The window system: routing of events to windows, global keys and the hover state.
#include "gui/WindowSystemState.h"
#include "platform/Clipboard.h"
#include "platform/OsKeys.h"

int WindowSystem::DeliverEvent(Window* window, u32 type, Event* event)
{
    if (!window) return 0;
    HandlerScope running(window);
    if (Window::DispatchTopDown(window, type, event)) return 1;
    return window->HandleEvent(window, type, event);
}

int WindowSystem::DefaultEventHook(u32 type, Event* event)
{
    switch (type) {
    case EVENT_KEY:
        if (HandleGlobalKey(event)) return 1;
        DeliverEvent(g_ws.focus, type, event);
        return 1;
    case EVENT_CHAR:
        DeliverEvent(g_ws.focus, type, event);
        return 1;
    case EVENT_BUTTON:
    case EVENT_DOUBLECLICK:
    case EVENT_MOVE:
    case EVENT_WHEEL:
        DeliverEvent(g_ws.hovered, type, event);
        return 1;
    }
    return 0;
}

int WindowSystem::HandleGlobalKey(Event* event)
{
    if (event->type != EVENT_KEY || event->Action() != 1) return 0;
    u32 key = event->Key(), mods = event->KeyModifiers();
    Window* top = g_ws.focus ? g_ws.focus->GetTopLevel() : nullptr;
    if (key == KEY_F1 + 3 && IsKeyDown(KEY_ALT)) {
        OnWindowCloseRequest();
        return 1;
    }
    if (key == KEY_F1 && (mods & MOD_CTRL_A)) {
        g_ws.debugOverlay ^= 1;
        InvalidateAll();
        return 0;
    }
    if (key == KEY_F1 + 1 && (mods & MOD_CTRL_A)) {
        g_ws.debugDirtyRects ^= 1;
        InvalidateAll();
        return 0;
    }
    if (key == KEY_F1 + 9) {
        if (IsDefaultHookActive()) ToggleOverview();
        return 1;
    }
    if (key == KEY_F1 + 10 && top) {
        Window* behind = top->nextSibling;
        top->SendToBack();
        for (Window* w = behind; w && w != top; w = w->nextSibling) {
            if (w->IsVisible()) {
                w->BringToFront();
                Window::SetFocus(w, FOCUS_PROGRAM);
                break;
            }
        }
        return 1;
    }
    if (key == KEY_F1 + 11 && (mods & MOD_CTRL_A) && top) {
        top->clipboardRequest = (mods & MOD_ALT) ? 2 : 1;
        top->Invalidate(0);
        return 0;
    }
    return 0;
}

Window* WindowSystem::FindWindowAt(Window* first, Point p, u32* part)
{
    for (Window* w = first; w; w = w->nextSibling) {
        if (!w->IsVisible()) continue;
        if (w->state != WS_COLLAPSED)
            if (Window* inner = FindWindowAt(w->firstChild, p, part)) return inner;
        if (w == g_ws.layer1) continue;
        u32 hit = w->HitTest(p);
        if (hit) {
            *part = hit;
            return w;
        }
    }
    return nullptr;
}

static bool InsideModal(Window* w, Window* modal) { return !modal || (w && modal->Contains(w)); }

void WindowSystem::UpdateHover()
{
    Window* root = g_ws.root;
    Window* w = nullptr;
    u32 part = 0;
    if (!(g_ws.sysFlags & SYS_OVERVIEW) && root && root->IsVisible() && root->state != WS_COLLAPSED) {
        w = FindWindowAt(root->firstChild, g_ws.mouse, &part);
        if (!w) {
            part = root->HitTest(g_ws.mouse);
            if (part) w = root;
        }
    }
    Window* modal = ModalWindow();
    if (w && modal && !modal->Contains(w)) {
        w = nullptr;
        part = 0;
    }
    Window* old = g_ws.hovered;
    if ((w != old || part != g_ws.hoveredPart) && g_ws.hoveredPart != 0 && old && InsideModal(old, modal)) {
        u32 oldPart = g_ws.hoveredPart;
        // The leave handler may change the hover state itself: record the new one first.
        g_ws.hovered = w;
        g_ws.hoveredPart = part;
        if (oldPart == HIT_CONTENT)
            old->MouseLeave();
        else
            old->FrameMouseLeave();
    }
    g_ws.hovered = w;
    g_ws.hoveredPart = part;

    u32 cursor = CURSOR_ARROW;
    bool captured = g_ws.captureWindow && g_ws.captureWindow != w;
    if (w && !captured && !(g_ws.sysFlags & SYS_OVERVIEW)) {
        bool resizable = (w->flags & (WF_THICKFRAME | WF_RESIZABLE)) == (WF_THICKFRAME | WF_RESIZABLE);
        if (part == HIT_CONTENT) {
            cursor = w->cursor;
        } else if (resizable && w->state == WS_NORMAL && part != HIT_FRAME) {
            switch (part & HIT_BORDERS) {
            case HIT_LEFT:
            case HIT_RIGHT: cursor = CURSOR_RESIZE_WE; break;
            case HIT_TOP:
            case HIT_BOTTOM: cursor = CURSOR_RESIZE_NS; break;
            case HIT_LEFT | HIT_TOP:
            case HIT_RIGHT | HIT_BOTTOM: cursor = CURSOR_RESIZE_NWSE; break;
            case HIT_RIGHT | HIT_TOP:
            case HIT_LEFT | HIT_BOTTOM: cursor = CURSOR_RESIZE_NESW; break;
            }
        }
    }
    SetCursorShape(int(cursor));
}

int WindowSystem::ModalEventHook(u32 type, Event* event)
{
    if (g_ws.modalStack.count < 2) return DefaultEventHook(type, event);
    ModalEntry top = *ModalTop();
    Window* w = top.window;
    if (type == EVENT_KEY && HandleGlobalKey(event)) return 1;
    if (!w) return 1;  // its window is gone; the loop is ending
    if (type == EVENT_KEY || type == EVENT_CHAR) {
        Window* f = g_ws.focus;
        if (f && f != w && w->Contains(f))
            DeliverEvent(f, type, event);
        else if (f == w || (top.flags & MODAL_KEYS_TO_WINDOW))
            DeliverEvent(w, type, event);
        return 1;
    }
    if (type >= EVENT_BUTTON && type <= EVENT_WHEEL) {
        Window* h = g_ws.hovered;
        if (h && w->Contains(h)) {
            DeliverEvent(h, type, event);
        } else if (top.flags & MODAL_MOUSE_TO_WINDOW) {
            event->data[2] = HIT_CONTENT;
            DeliverEvent(w, type, event);
        } else if (type == EVENT_BUTTON && event->Pressed()) {
            Beep();
        }
        return 1;
    }
    return 0;
}
