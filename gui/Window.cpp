// Window: construction, destruction, the tree, flags, state and closing.
#include "gui/Window.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "gui/WindowSystemState.h"

Window::Window(u32 f, Window* p)
{
    if (p) font = p->font;
    borderSides = 15;
    flags = f;
    if (f) FlagsChanged(f);
    if (!(flags & WF_ENABLED)) {
        flags |= WF_ENABLED;
        FlagsChanged(WF_ENABLED);
    }
    if (!(f & WF_DETACHED)) {
        Window* target = p ? p : (f & WF_POPUP) ? g_ws.layer1 : g_ws.layer0;
        if (target) SetParent(target);
    }
    SetFrame(Rect{0, 0, 0, 0});
}

Window::~Window()
{
    stateBits |= WSB_DESTROYING;
    // A window closed earlier may still wait in the deletion queue while its parent is
    // deleted first: take it out so it is not deleted a second time.
    if (state == WS_CLOSED) {
        s32 queued = g_ws.deferredDeletes.IndexOf(this);
        if (queued >= 0) g_ws.deferredDeletes.RemoveRange(u32(queued), 1);
    }
    if (g_ws.focus == this) g_ws.focus = nullptr;
    if (g_ws.hovered == this) {
        g_ws.hovered = nullptr;
        g_ws.hoveredPart = 0;
    }
    if (g_ws.dimWindow == this) g_ws.dimWindow = nullptr;
    if (g_ws.menuBar == this) g_ws.menuBar = nullptr;

    // Tab ring: the neighbours are joined. LinkTabOrder keeps the links paired, so only
    // the neighbours can point at this window.
    if (tabNext || tabPrev) {
        Window* n = tabNext != this ? tabNext : nullptr;
        Window* pv = tabPrev != this ? tabPrev : nullptr;
        tabNext = tabPrev = nullptr;
        if (pv && pv->tabNext == this) pv->tabNext = nullptr;
        if (n && n->tabPrev == this) n->tabPrev = nullptr;
        if (pv && n && pv != n) LinkTabOrder(pv, n);
        if (n && n->tabNext == n) n->tabNext = n->tabPrev = nullptr;
    }

    Window* top = GetTopLevel();
    Window* focusSearchFrom = top ? top->parent : nullptr;

    // A front window hands the front and the focus to the next one, unless its parent is
    // going away with all its children. The focus only when it was here (or nowhere): a
    // closed window is deleted steps later, when the focus may have moved on to a message
    // box or dialog that must keep it to take its keys.
    if (parent && parent->firstChild == this && !(parent->stateBits & WSB_DESTROYING)) {
        const bool handFocus = !g_ws.focus || Contains(g_ws.focus);
        for (Window* s = nextSibling; s; s = s->nextSibling) {
            if (s->IsVisible() && s->state != WS_CLOSED) {
                s->BringToFront();
                if (handFocus) SetFocus(s, FOCUS_PROGRAM);
                break;
            }
        }
    }
    SetParent(nullptr);

    // Out of the tree now, so the hover state computed below cannot pick this window.
    WindowSystem::ReleaseWindow(this);
    for (u32 i = 0; i < g_ws.handling.count; ++i)
        if (g_ws.handling.data[i] == this) g_ws.handling.data[i] = nullptr;

    Window* savedDeleting = g_ws.deleting;
    while (firstChild) {
        Window* child = firstChild;
        g_ws.deleting = child;
        delete child;  // its destructor unlinks it
        if (firstChild == child) UnlinkChild(child);
    }
    g_ws.deleting = savedDeleting;

    if (!g_ws.focus && focusSearchFrom) {
        for (Window* w = focusSearchFrom; w; w = w->nextSibling) {
            if (w->stateBits & WSB_DESTROYING) continue;
            if (w->focusChild) {
                SetFocus(w, FOCUS_PROGRAM);
                break;
            }
        }
    }

    if (g_ws.hovered == this) {
        g_ws.hovered = nullptr;
        g_ws.hoveredPart = 0;
    }
    if (g_ws.focus == this) g_ws.focus = nullptr;
    free(title);
    title = nullptr;
    InvalidateFrame(1);
    WindowSystem::AnimateOverview();
    DisconnectAll();
}

void Window::SetFlags(u32 f)
{
    u32 changed = flags ^ f;
    if (!changed) return;
    flags = f;
    FlagsChanged(changed);
}

void Window::SetBorderSides(u32 sides)
{
    if (!(flags & (WF_THINBORDER | WF_THICKFRAME))) return;
    borderSides = sides & 15;
    FlagsChanged(WF_THINBORDER | WF_THICKFRAME);
}

void Window::FlagsChanged(u32 changed)
{
    Size contentOnEntry = GetContentSize();
    Point originOnEntry = GetContentOrigin();
    Point frameOnEntry = Point{frame.left, frame.top};

    if (changed & WF_VISIBLE) {
        if (flags & WF_VISIBLE) {
            InvalidateFrame(0);
            WindowSystem::UpdateHover();
        } else {
            InvalidateFrame(1);
            // Only a window in front of its siblings or holding the focus hands them on:
            // hiding some other child leaves the focus where the user put it.
            Window* f = g_ws.focus;
            bool holdsFocus = f && Contains(f);
            if (parent && (!prevSibling || holdsFocus)) {
                for (Window* s = nextSibling; s; s = s->nextSibling) {
                    if (s->IsVisible() && s->state != WS_CLOSED) {
                        s->BringToFront();
                        SetFocus(s, FOCUS_PROGRAM);
                        break;
                    }
                }
            }
            WindowSystem::UpdateHover();
        }
    } else if (changed & WF_ENABLED) {
        InvalidateFrame(0);
    }
    if ((changed & WF_SHADOW) && IsShownInTree()) InvalidateRect(Rect{frame.left, frame.top, frame.right + 16, frame.bottom + 16}, 0);
    if (changed & (WF_VISIBLE | WF_ENABLED | WF_TITLEBAR | WF_THINBORDER | WF_THICKFRAME)) {
        ReapplyFrame();
        if (changed & (WF_TITLEBAR | WF_THINBORDER | WF_THICKFRAME)) {
            // Children keep their place inside the content when the insets change.
            s32 dx = (content.left - frame.left) - (originOnEntry.x - frameOnEntry.x);
            s32 dy = (content.top - frame.top) - (originOnEntry.y - frameOnEntry.y);
            if (dx || dy) MoveChildren(dx, dy);
            SetContentSize(contentOnEntry.width, contentOnEntry.height);
        }
    }
    if ((changed & WF_FOCUSABLE) && parent && parent->focusChild == this) parent->focusChild = nullptr;
}

// Tree.

void Window::UnlinkChild(Window* child)
{
    if (child->prevSibling)
        child->prevSibling->nextSibling = child->nextSibling;
    else if (firstChild == child)
        firstChild = child->nextSibling;
    if (child->nextSibling)
        child->nextSibling->prevSibling = child->prevSibling;
    else if (lastChild == child)
        lastChild = child->prevSibling;
    child->prevSibling = child->nextSibling = nullptr;
    if (childCount) --childCount;
}

void Window::SetParent(Window* newParent)
{
    if (newParent == parent) return;
    Window* old = parent;
    if (old) {
        if (old->focusChild == this) old->focusChild = nullptr;
        if (old->focusKeeper == this) old->focusKeeper = nullptr;
    }
    if (newParent && (flags & WF_FOCUSABLE)) newParent->focusChild = this;
    ParentChanging(old, newParent);
    if (old) {
        old->ChildRemoved(this);
        old->UnlinkChild(this);
    }
    parent = newParent;
    if (newParent) {
        prevSibling = newParent->lastChild;
        nextSibling = nullptr;
        if (newParent->lastChild)
            newParent->lastChild->nextSibling = this;
        else
            newParent->firstChild = this;
        newParent->lastChild = this;
        ++newParent->childCount;
        BringToFront();
        newParent->ChildAdded(this);
    }
}

void Window::BringToFront()
{
    if ((flags & WF_DETACHED) || !parent || parent->firstChild == this) return;
    Window* oldFront = parent->firstChild;
    Window* p = parent;
    p->UnlinkChild(this);
    nextSibling = p->firstChild;
    prevSibling = nullptr;
    if (p->firstChild) p->firstChild->prevSibling = this;
    p->firstChild = this;
    if (!p->lastChild) p->lastChild = this;
    ++p->childCount;
    InvalidateFrame(0);
    if (oldFront) oldFront->InvalidateFrame(0);
}

void Window::SendToBack()
{
    if ((flags & WF_DETACHED) || !parent || parent->lastChild == this) return;
    Window* oldBack = parent->lastChild;
    Window* p = parent;
    p->UnlinkChild(this);
    prevSibling = p->lastChild;
    nextSibling = nullptr;
    if (p->lastChild) p->lastChild->nextSibling = this;
    p->lastChild = this;
    if (!p->firstChild) p->firstChild = this;
    ++p->childCount;
    InvalidateFrame(0);
    if (oldBack) oldBack->InvalidateFrame(0);
}

Window* Window::GetTopLevel()
{
    Window* w = this;
    while (w->parent && !(w->parent->flags & WF_DETACHED)) w = w->parent;
    return w;
}

bool Window::Contains(const Window* w) const
{
    for (; w; w = w->parent)
        if (w == this) return true;
    return false;
}

intptr_t Window::WalkPostOrder(Window* first, WindowWalkFun fun, void* argument)
{
    for (Window* w = first; w;) {
        Window* next = w->nextSibling;
        if (intptr_t r = WalkPostOrder(w->firstChild, fun, argument)) return r;
        if (intptr_t r = fun(w, argument)) return r;
        w = next;
    }
    return 0;
}

intptr_t Window::WalkPreOrder(Window* first, WindowWalkFun fun, void* argument)
{
    for (Window* w = first; w;) {
        Window* next = w->nextSibling;
        if (intptr_t r = fun(w, argument)) return r;
        if (intptr_t r = WalkPreOrder(w->firstChild, fun, argument)) return r;
        w = next;
    }
    return 0;
}

intptr_t Window::ForEachWindow(WindowWalkFun fun, void* argument)
{
    if (intptr_t r = WalkPostOrder(firstChild, fun, argument)) return r;
    return fun(this, argument);
}

// State.

void Window::ToggleZoom()
{
    if (state == WS_ZOOMED) {
        state = WS_NORMAL;
        SetFrame(restoreFrame);
    } else if (state == WS_COLLAPSED) {
        SetCollapsed(0);
    } else if (state == WS_NORMAL && (flags & (WF_THICKFRAME | WF_RESIZABLE)) == (WF_THICKFRAME | WF_RESIZABLE)) {
        state = WS_ZOOMED;
        FillParent();
    }
}

void Window::SetCollapsed(int collapse)
{
    if (collapse < 0) collapse = state == WS_COLLAPSED ? 0 : 1;
    if (!collapse) {
        if (state != WS_COLLAPSED) return;
        state = WS_NORMAL;
        SetSize(restoreFrame.Width(), restoreFrame.Height());
        return;
    }
    if (state == WS_CLOSED || state == WS_COLLAPSED) return;
    if (state == WS_ZOOMED) ToggleZoom();
    state = WS_COLLAPSED;
    SetSize(frame.Width(), 30);
}

void Window::SetWindowState(u32 newState)
{
    if (newState == state) return;
    switch (newState) {
    case WS_NORMAL:
        ToggleZoom();
        break;
    case WS_COLLAPSED:
        SetCollapsed(-1);
        break;
    case WS_ZOOMED:
        if ((flags & (WF_THICKFRAME | WF_RESIZABLE)) == (WF_THICKFRAME | WF_RESIZABLE)) {
            if (state == WS_COLLAPSED) SetCollapsed(0);
            state = WS_ZOOMED;
            FillParent();
        }
        break;
    default:
        state = WS_NORMAL;
        break;
    }
}

void Window::Close()
{
    if (state == WS_CLOSED) return;
    Closing();
    if (state == WS_CLOSED) return;  // Closing closed it already
    DisconnectAll();
    state = WS_CLOSED;
    g_ws.deferredDeletes.Push(this);
}

int Window::TryClose(u32 reason)
{
    if (!CanClose(reason)) return 0;
    Close();
    return 1;
}

void Window::CloseAllChildren()
{
    while (Window* child = firstChild) {
        if (focusChild == child) focusChild = nullptr;
        if (focusKeeper == child) focusKeeper = nullptr;
        child->ParentChanging(this, nullptr);
        ChildRemoved(child);
        UnlinkChild(child);
        child->parent = nullptr;
        child->Close();
    }
}

// Titles and small accessors.

void Window::SetTitle(const char* text)
{
    free(title);
    title = nullptr;
    if (text) {
        size_t n = strlen(text) + 1;
        title = static_cast<char*>(malloc(n));
        if (!title) abort();
        memcpy(title, text, n);
    }
    s32 e = Inset();
    s32 t = g_ws.metrics.titleBarHeight;
    InvalidateRect(Rect{frame.left + e, frame.top + e, frame.left + e + content.Width(), frame.top + e + t}, 0);
}

const char* Window::GetTitle() { return title; }

void Window::SetTitleF(const char* format, ...)
{
    char buffer[1024];
    va_list args;
    va_start(args, format);
    int n = vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (n < 0) buffer[0] = 0;
    SetTitle(buffer);
}

bool Window::IsFocused() const { return g_ws.focus && (g_ws.focus == this || g_ws.focus == focusKeeper); }

bool Window::IsHovered() const { return g_ws.hovered == this; }

void Window::LinkTabOrder(Window* a, Window* b)
{
    // Links stay paired (a.tabNext == b exactly when b.tabPrev == a): the windows a and b
    // were linked to before let go of them.
    if (a->tabNext && a->tabNext->tabPrev == a) a->tabNext->tabPrev = nullptr;
    if (b->tabPrev && b->tabPrev->tabNext == b) b->tabPrev->tabNext = nullptr;
    a->tabNext = b;
    b->tabPrev = a;
}

Window* Window::SetFocusKeeper(Window* keeper)
{
    Window* old = focusKeeper;
    focusKeeper = keeper;
    return old;
}

void Window::SetCursor(u32 kind, int updateNow)
{
    cursor = kind;
    if (updateNow) WindowSystem::UpdateHover();
}

intptr_t Window::TickWindow(Window* w, void*)
{
    HandlerScope running(w);
    w->Tick();
    return 0;
}

// Base operations that do nothing.
const char* Window::GetClassName() const { return "Window"; }
void Window::Closing() {}
void Window::Tick() {}
void Window::Moved(Point, Point) {}
void Window::Resized() {}
void Window::DrawContent() {}
int Window::KeyEvent(Event*) { return 0; }
void Window::CharEvent(Event*) {}
void Window::MouseButton(Event*) {}
void Window::DoubleClick(Event*) {}
void Window::MouseMove(Event*) {}
void Window::FrameMouseMove(Event*) {}
void Window::MouseWheel(Event*) {}
void Window::FrameMouseWheel(Event*) {}
void Window::Reserved24(void*) {}
void Window::Reserved25(void*) {}
void Window::MouseLeave() {}
void Window::FrameMouseLeave() {}
void Window::ChildAdded(Window*) {}
void Window::ChildRemoved(Window*) {}
void Window::FocusLost(Window*, u32) {}
FocusAnswer Window::FocusGained(Window*, u32) { return FOCUS_TAKEN; }
void Window::ParentChanging(Window*, Window*) {}
void Window::Track(Point, Point, u32) {}
int Window::DragDrop(Point, u32, DragDropData*) { return 0; }

int Window::CanClose(u32)
{
    if (WindowSystem::IsOnModalStack(this, 0)) WindowSystem::EndModal(this, 0);
    return 1;
}

void Window::FrameDoubleClick(Event* event)
{
    if (event->Part() == HIT_TITLE) ToggleZoom();
}

void Window::DefaultTracker(Window* w, Point start, Point current, u32 phase) { w->Track(start, current, phase); }

static void LinkRing(Window** windows, u32 count)
{
    if (!count) return;
    for (u32 i = 0; i < count; ++i) Window::LinkTabOrder(windows[i], windows[(i + 1) % count]);
    Window::SetFocus(windows[0], FOCUS_TAB);
}

void SetTabOrder(Window* first, ...)
{
    DynArray<Window*> list = {};
    va_list args;
    va_start(args, first);
    for (Window* w = first; w; w = va_arg(args, Window*)) list.Push(w);
    va_end(args);
    LinkRing(list.data, list.count);
    list.Free();
}

void SetTabOrderArray(Window** windows, u32 count) { LinkRing(windows, count); }
