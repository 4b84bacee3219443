// The window system: set-up, the OS callbacks and the event ring, modal loops, the quit
// protocol and the main loop.
#include "gui/WindowSystem.h"

#include <GL/gl.h>

#include <cstring>

#include "gui/WindowSystemState.h"
#include "gui/core/Charmap.h"
#include "platform/Clipboard.h"
#include "platform/Os.h"
#include "platform/OsKeys.h"

WindowSystemState g_ws;

static void SetDefaults()
{
    g_ws.metrics.titleBarHeight = 22;
    g_ws.lastButton = -1;
    g_ws.lastDoubleClickTime = -1.0e9;
    g_ws.overviewDuration = 0.25f;
    g_ws.fieldOfView = 45.0f;
    g_ws.nearPlane = 0.1f;
    g_ws.farPlane = 10000.0f;
}

namespace {
// Gives the state its first values before any test or the program touches it.
struct StateInit {
    StateInit() { SetDefaults(); }
} g_stateInit;
}  // namespace

void WindowSystem::CreateLayers()
{
    g_ws.fieldOfView = 45.0f;
    g_ws.nearPlane = 0.1f;
    g_ws.farPlane = 10000.0f;
    if (!g_ws.modalStack.count) g_ws.modalStack.Push(ModalEntry{nullptr, 0, nullptr});
    g_ws.root = new Window(WF_DETACHED | WF_VISIBLE, nullptr);
    g_ws.root->SetTitle("root");
    g_ws.layer1 = new Window(WF_DETACHED | WF_VISIBLE, nullptr);
    g_ws.layer1->SetTitle("layer1");
    g_ws.layer1->SetParent(g_ws.root);
    g_ws.layer0 = new Window(WF_DETACHED | WF_PANEL | WF_VISIBLE, nullptr);
    g_ws.layer0->SetTitle("layer0");
    g_ws.layer0->SetParent(g_ws.root);
    g_ws.sysFlags |= SYS_STEP_ON_RESIZE;
    g_ws.focus = g_ws.hovered = g_ws.layer0;
    g_ws.intelVendor = 0;
    if (g_ws.useGL) {
        const char* vendor = reinterpret_cast<const char*>(glGetString(GL_VENDOR));
        g_ws.intelVendor = vendor && strstr(vendor, "Intel") ? 1 : 0;
    }
}

int WindowSystem::Init()
{
    CreateLayers();
    if (g_ws.useGL) {
        glDisable(GL_SCISSOR_TEST);
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }
    InvalidateAll();
    return 1;
}

void WindowSystem::DestroyRootWindow()
{
    ProcessDeferredDeletes();
    Window* root = g_ws.root;
    // Code that runs while the tree goes away (destructors, listeners) finds no tree.
    g_ws.root = g_ws.layer0 = g_ws.layer1 = nullptr;
    delete root;
    ProcessDeferredDeletes();
    g_ws.focus = g_ws.hovered = nullptr;
    g_ws.hoveredPart = 0;
}

void WindowSystem::Reset()
{
    DestroyRootWindow();
    g_ws.deferredDeletes.Free();
    g_ws.handling.Free();
    g_ws.hooks.Free();
    g_ws.modalStack.Free();
    g_ws.painters.Free();
    delete g_ws.dragData;
    g_ws.region.Reset();
    u32 useGL = g_ws.useGL;
    memset(static_cast<void*>(&g_ws), 0, sizeof g_ws);
    g_ws.useGL = useGL;
    SetDefaults();
}

void WindowSystem::EnableGL(int on) { g_ws.useGL = on ? 1 : 0; }
bool WindowSystem::IsGLEnabled() { return g_ws.useGL != 0; }
void WindowSystem::SetStepHook(int (*hook)()) { g_ws.stepHook = hook; }
void WindowSystem::SetCanQuitHook(int (*hook)()) { g_ws.canQuitHook = hook; }
void WindowSystem::SetPresentHook(void (*hook)()) { g_ws.presentHook = hook; }
void WindowSystem::SetDefaultFont(Font* font) { g_ws.defaultFont = font; }
Font* WindowSystem::GetDefaultFont() { return g_ws.defaultFont; }
Skin* WindowSystem::GetSkin() { return g_ws.skin; }
void WindowSystem::SetMetrics(const WindowMetrics& metrics) { g_ws.metrics = metrics; }
const WindowMetrics& WindowSystem::GetMetrics() { return g_ws.metrics; }
void WindowSystem::SetDirtyRectMode(u32 on) { g_ws.dirtyRectMode = on ? 1 : 0; }

void WindowSystem::SetMenuBar(Window* window)
{
    g_ws.menuBar = window;
    if (g_ws.layer0)
        g_ws.layer0->SetFrame(Rect{0, window ? window->GetFrameHeight() : 0, g_ws.screenWidth, g_ws.screenHeight});
}

static int CloseCallback() { return WindowSystem::OnWindowCloseRequest(); }

void WindowSystem::InstallCallbacks()
{
    OsSetKeyHandler(OnKey);
    OsSetCharCallback(OnChar);
    OsSetMouseButtonHandler(OnMouseButton);
    OsSetMousePosCallback(OnMousePos);
    OsSetMouseWheelCallback(OnMouseWheel);
    OsSetMouseWheelHCallback(OnMouseWheelH);
    OsSetWindowCloseCallback(CloseCallback);
    OsSetWindowSizeCallback(OnWindowResize);
    OsSetNativeDialogHook(SetNativeDialogActive);
}

// Queries.

Size WindowSystem::GetScreenSize() { return Size{g_ws.screenWidth, g_ws.screenHeight}; }
Rect WindowSystem::GetScreenRect() { return Rect{0, 0, g_ws.screenWidth, g_ws.screenHeight}; }
Point WindowSystem::GetMousePos() { return g_ws.mouse; }
u32 WindowSystem::GetModifiers() { return g_ws.modifiers; }
bool WindowSystem::IsKeyDown(u32 key) { return key < 160 && (g_ws.keys[key >> 5].current >> (key & 31) & 1); }
Window* WindowSystem::GetFocus() { return g_ws.focus; }
Window* WindowSystem::GetHovered() { return g_ws.hovered; }
u32 WindowSystem::GetHoveredPart() { return g_ws.hoveredPart; }
bool WindowSystem::IsNativeDialogActive() { return g_ws.nativeDialog != 0; }
u32 WindowSystem::GetModalDepth() { return g_ws.modalStack.count ? g_ws.modalStack.count - 1 : 0; }
bool WindowSystem::IsRunning() { return g_ws.running != 0; }
void WindowSystem::SetRunning(u32 on) { g_ws.running = on ? 1 : 0; }
Window* WindowSystem::GetCaptureWindow() { return g_ws.captureWindow; }
u32 WindowSystem::GetSysFlags() { return g_ws.sysFlags; }
u32 WindowSystem::GetQueuedEventCount() { return g_ws.ringCount; }

Window* WindowSystem::GetLayerRoot(int layer)
{
    switch (layer) {
    case -1: return g_ws.root;
    case 0: return g_ws.layer0;
    case 1: return g_ws.layer1;
    }
    return nullptr;
}

bool WindowSystem::IsOnModalStack(Window* window, int topOnly)
{
    if (!window || g_ws.modalStack.count < 2) return false;
    if (topOnly) return ModalTop()->window == window;
    for (u32 i = 1; i < g_ws.modalStack.count; ++i)
        if (g_ws.modalStack.data[i].window == window) return true;
    return false;
}

bool WindowSystem::IsDefaultHookActive()
{
    return !g_ws.hooks.count || g_ws.hooks.data[g_ws.hooks.count - 1] == DefaultEventHook;
}

Point WindowSystem::NextCascadePosition()
{
    Point c = g_ws.cascade;
    Point answer = {c.x + 64, c.y + 64};
    if (c.x + 560 > g_ws.screenWidth || c.y + 560 > g_ws.screenHeight)
        g_ws.cascade = Point{0, 0};
    else
        g_ws.cascade = Point{c.x + 48, c.y + 48};
    return answer;
}

static bool TitleMatches(const char* a, const char* b)
{
    if (!a || !b) return a == b;
    return strcmp(a, b) == 0;
}

struct FindArgs {
    const char* title;
    const char* className;
};

static intptr_t MatchTitleAndClass(Window* w, void* arg)
{
    FindArgs* f = static_cast<FindArgs*>(arg);
    if (TitleMatches(w->GetTitle(), f->title) && TitleMatches(w->GetClassName(), f->className))
        return reinterpret_cast<intptr_t>(w);
    return 0;
}

Window* WindowSystem::FindWindow(const char* title, const char* className)
{
    if (!g_ws.root) return nullptr;
    FindArgs args = {title, className};
    return reinterpret_cast<Window*>(Window::WalkPreOrder(g_ws.root->firstChild, MatchTitleAndClass, &args));
}

void WindowSystem::Beep() { OsBeep(); }

// The ring and the OS callbacks.

namespace {

void FillEvent(Event& e, u32 type, const u32* payload)
{
    memset(&e, 0, sizeof e);
    u32 words = 0;
    switch (type) {
    case EVENT_KEY:
    case EVENT_CHAR: words = 3; break;
    case EVENT_BUTTON:
    case EVENT_DOUBLECLICK:
    case EVENT_WHEEL: words = 6; break;
    case EVENT_MOVE: words = 4; break;
    }
    if (payload) memcpy(e.data, payload, words * 4);
    e.type = type;
}

}  // namespace

void WindowSystem::PostEvent(u32 type, const u32* payload)
{
    if (g_ws.ringCount >= 32) return;
    FillEvent(g_ws.ring[g_ws.ringWrite], type, payload);
    g_ws.ringWrite = (g_ws.ringWrite + 1) % 32;
    ++g_ws.ringCount;
}

void WindowSystem::RepostEvent(u32 type, const u32* payload)
{
    if (g_ws.ringCount >= 32) return;
    g_ws.ringRead = (g_ws.ringRead + 31) % 32;
    FillEvent(g_ws.ring[g_ws.ringRead], type, payload);
    ++g_ws.ringCount;
}

int WindowSystem::OnWindowCloseRequest()
{
    if (!g_ws.running) return 0;
    g_ws.quitEndCount = 0x7FFFFFFF;
    g_ws.modalEndPending = g_ws.modalStack.count && (ModalTop()->flags & MODAL_END_ON_QUIT) ? 1 : 0;
    PostEvent(EVENT_QUIT, nullptr);
    return 0;
}

void WindowSystem::OnKey(int key, int action)
{
    if (!g_ws.running || key < 0 || key >= 157) return;
    switch (key) {
    case KEY_KP_ENTER: key = KEY_ENTER; break;
    case KEY_LSHIFT:
    case KEY_RSHIFT: key = KEY_SHIFT; break;
    case KEY_LCTRL:
    case KEY_RCTRL: key = KEY_CTRL; break;
    case KEY_LALT:
    case KEY_RALT: key = KEY_ALT; break;
    case 121:
    case 122: key = 123; break;
    }
    u32 payload[3] = {u32(key), action ? 1u : 0u, 0};
    PostEvent(EVENT_KEY, payload);
}

void WindowSystem::OnChar(int character, int action)
{
    if (!g_ws.running || character < 32 || character > 255) return;
    u32 payload[3] = {u32(character), action ? 1u : 0u, 0};
    PostEvent(EVENT_CHAR, payload);
}

void WindowSystem::OnMousePos(int x, int y)
{
    if (!g_ws.running) return;
    u32 payload[4];
    if (g_ws.relativeMouse) {
        payload[0] = u32(x - g_ws.screenWidth / 2);
        payload[1] = u32(y - g_ws.screenHeight / 2);
        CenterMousePointer();
    } else {
        g_ws.lastRawMouse = Point{x, y};
        payload[0] = u32(x);
        payload[1] = u32(y);
    }
    payload[2] = payload[3] = 0;
    PostEvent(EVENT_MOVE, payload);
}

static void PostWheel(int position, s32* raw, u32 modifiers)
{
    u32 payload[6] = {u32(g_ws.mouse.x), u32(g_ws.mouse.y), g_ws.hoveredPart, modifiers, u32(*raw), u32(position)};
    *raw = position;
    WindowSystem::PostEvent(EVENT_WHEEL, payload);
}

void WindowSystem::OnMouseWheel(int position)
{
    if (g_ws.running) PostWheel(position, &g_ws.rawWheel, 0);
}

void WindowSystem::OnMouseWheelH(int position)
{
    if (g_ws.running) PostWheel(position, &g_ws.rawHWheel, MOD_HWHEEL);
}

void WindowSystem::OnMouseButton(int button, int action)
{
    if (!g_ws.running || button < 0 || button > 2) return;
    double now = OsGetTime();
    Point pos = g_ws.lastRawMouse;
    u32 type = EVENT_BUTTON;
    if (action && button == g_ws.lastButton && pos.x == g_ws.lastButtonPos.x && pos.y == g_ws.lastButtonPos.y &&
        now - g_ws.lastButtonTime < 0.2 && now - g_ws.lastDoubleClickTime > 0.3) {
        type = EVENT_DOUBLECLICK;
        g_ws.lastDoubleClickTime = now;
    }
    g_ws.lastButton = button;
    g_ws.lastButtonTime = now;
    g_ws.lastButtonPos = pos;
    u32 payload[6] = {0, 0, 0, 0, u32(button), action ? 1u : 0u};
    PostEvent(type, payload);
}

void WindowSystem::UpdateKeyState(u32 key, u32 down)
{
    if (key >= 160) return;
    auto& word = g_ws.keys[key >> 5];
    word.previous = word.current;
    if (down)
        word.current |= 1u << (key & 31);
    else
        word.current &= ~(1u << (key & 31));
    u32 mods = 0;
    if (IsKeyDown(KEY_SHIFT)) mods |= MOD_SHIFT;
    if (IsKeyDown(KEY_ALT)) mods |= MOD_ALT;
    if (IsKeyDown(KEY_CTRL)) mods |= MOD_CTRL;
    g_ws.modifiers = mods;
}

void WindowSystem::ProcessEventQueue()
{
    // Only the events queued when the step started; a modal loop run from inside one of
    // them takes events from the same ring, so every event is taken out before it is
    // handled and the ring's own count is checked each time.
    u32 budget = g_ws.ringCount;
    while (budget-- && g_ws.ringCount) {
        Event e = g_ws.ring[g_ws.ringRead];
        g_ws.ringRead = (g_ws.ringRead + 1) % 32;
        --g_ws.ringCount;

        switch (e.type) {
        case EVENT_KEY: {
            u32 key = e.data[0];
            if (key < 160 && IsKeyDown(key) == (e.data[1] != 0))
                e.data[2] |= MOD_REPEAT;
            else
                UpdateKeyState(key, e.data[1]);
            e.data[2] |= g_ws.modifiers;
            break;
        }
        case EVENT_CHAR:
            e.data[2] |= g_ws.modifiers;
            e.data[0] = MapTypedChar(e.data[0], (e.data[2] & MOD_ALT) != 0);
            break;
        case EVENT_BUTTON:
        case EVENT_DOUBLECLICK:
            if (e.data[4] < 3) {
                g_ws.buttons[e.data[4]].previous = g_ws.buttons[e.data[4]].current;
                g_ws.buttons[e.data[4]].current = e.data[5];
            }
            break;
        case EVENT_MOVE:
            g_ws.prevMouse = g_ws.mouse;
            g_ws.mouse = Point{s32(e.data[0]), s32(e.data[1])};
            UpdateHover();
            break;
        case EVENT_WHEEL: {
            auto& w = (e.data[3] & MOD_HWHEEL) ? g_ws.hWheel : g_ws.wheel;
            w.previous = w.current;
            w.current = s32(e.data[5]);
            break;
        }
        }
        if (e.type >= EVENT_BUTTON && e.type <= EVENT_WHEEL) {
            e.data[0] = u32(g_ws.mouse.x);
            e.data[1] = u32(g_ws.mouse.y);
            e.data[2] = g_ws.hoveredPart;
            e.data[3] |= g_ws.modifiers;
        }
        if (e.type == EVENT_QUIT) {
            RequestQuit();
        } else {
            EventHook hook = g_ws.hooks.count ? g_ws.hooks.data[g_ws.hooks.count - 1] : DefaultEventHook;
            hook(e.type, &e);
        }
        ProcessDeferredDeletes();
    }
}

void WindowSystem::PushEventHook(EventHook hook)
{
    g_ws.hooks.Push(hook);
    UpdateHover();
}

void WindowSystem::PopEventHook(EventHook hook)
{
    for (u32 i = g_ws.hooks.count; i-- > 0;) {
        if (g_ws.hooks.data[i] == hook) {
            g_ws.hooks.RemoveRange(i, 1);
            return;
        }
    }
}

// Modal loops.

void WindowSystem::PushModal(Window* window, u32 flags)
{
    if (!g_ws.modalStack.count) g_ws.modalStack.Push(ModalEntry{nullptr, 0, nullptr});
    PushEventHook(ModalEventHook);
    g_ws.modalStack.Push(ModalEntry{window, flags, nullptr});
    UpdateHover();
}

void WindowSystem::PopModal()
{
    if (g_ws.modalStack.count < 2) return;
    ModalResultSlot* slot = ModalTop()->slot;
    if (slot && !slot->ended) {
        slot->ended = 1;
        slot->result = g_ws.modalResult;
        slot->closedByQuit = g_ws.modalClosedByQuit;
    }
    PopEventHook(ModalEventHook);
    g_ws.modalStack.RemoveRange(g_ws.modalStack.count - 1, 1);
    UpdateHover();
}

u64 WindowSystem::RunModal(Window* window, u32 flags, u32* closedByQuit)
{
    if (flags & MODAL_DIM) InvalidateAll();
    ModalResultSlot slot = {0, 0, 0};
    PushModal(window, flags);
    u32 index = g_ws.modalStack.count - 1;
    g_ws.modalStack.data[index].slot = &slot;
    if (window->IsVisible()) {
        window->BringToFront();
        Window::SetFocus(window, FOCUS_PROGRAM);
    }
    while (g_ws.modalStack.count == index + 1 && g_ws.modalStack.data[index].window == window) {
        if (!RunStepHook()) break;
    }
    // A loop left without EndModal (the step hook stopped, or the window was deleted while
    // loops above it ran) takes its entry, and any left above it, off the stack.
    while (g_ws.modalStack.count > index) {
        if (g_ws.modalStack.count == index + 1) {
            g_ws.modalResult = 0;
            g_ws.modalClosedByQuit = 0;
        }
        PopModal();
    }
    // The slot is about to go out of scope: no entry may keep pointing at it.
    for (u32 i = 0; i < g_ws.modalStack.count; ++i)
        if (g_ws.modalStack.data[i].slot == &slot) g_ws.modalStack.data[i].slot = nullptr;
    if (flags & MODAL_DIM) InvalidateAll();
    if (closedByQuit) *closedByQuit = slot.closedByQuit;
    return slot.result;
}

void WindowSystem::EndModal(Window*, u64 result)
{
    g_ws.modalResult = result;
    g_ws.modalEndPending = 1;
    g_ws.quitEndCount = 0;
    g_ws.modalClosedByQuit = 0;
    PopModal();
}

// Quit and main loop.

void WindowSystem::RequestQuit()
{
    if (g_ws.busy) {
        g_ws.quitWhileBusy = 1;
        return;
    }
    if (g_ws.sysFlags & SYS_OVERVIEW) {
        // Wait for the overview to go, not for the hook stack to empty: a modal loop or
        // mouse tracking under the overview would keep its hook forever, and the refusal
        // below handles them.
        ToggleOverview();
        while (g_ws.sysFlags & SYS_OVERVIEW)
            if (!RunStepHook()) return;
    }
    if (!IsDefaultHookActive()) {
        Beep();
        return;
    }
    if (g_ws.canQuitHook && !g_ws.canQuitHook()) return;
    g_ws.running = 0;
}

namespace {
int BusyEventHook(u32, Event*) { return 1; }
}  // namespace

void WindowSystem::BeginBusy()
{
    if (g_ws.busy++ == 0) g_ws.quitWhileBusy = 0;
    PushEventHook(BusyEventHook);
}

int WindowSystem::EndBusy()
{
    if (!g_ws.busy) return 0;
    PopEventHook(BusyEventHook);
    if (--g_ws.busy) return 0;
    int quit = int(g_ws.quitWhileBusy);
    g_ws.quitWhileBusy = 0;
    return quit;
}

bool WindowSystem::IsBusy() { return g_ws.busy != 0; }

int WindowSystem::CloseAllTopLevelWindows()
{
    if (!g_ws.layer0) return 1;
    for (Window* w = g_ws.layer0->firstChild; w; w = w->nextSibling) {
        if (w->state == WS_CLOSED) continue;
        if (!w->CanClose(0)) return 0;
        w->Close();
    }
    ProcessDeferredDeletes();
    return 1;
}

int WindowSystem::RunStepHook() { return g_ws.stepHook ? g_ws.stepHook() : 0; }

int WindowSystem::ProcessAndRender()
{
    if (g_ws.firstStep) {
        g_ws.firstStep = 0;
        return 1;
    }
    if (!g_ws.running) return 0;
    ProcessDeferredDeletes();
    if (g_ws.modalEndPending) {
        if (g_ws.modalStack.count > 1 && (ModalTop()->flags & MODAL_END_ON_QUIT) && g_ws.quitEndCount > 0) {
            --g_ws.quitEndCount;
            g_ws.modalResult = 0;
            g_ws.modalClosedByQuit = 1;
            PopModal();
        } else {
            g_ws.modalEndPending = 0;
        }
        return 0;
    }
    ProcessEventQueue();
    if (!g_ws.running || g_ws.modalEndPending) return 0;
    if (g_ws.root) g_ws.root->ForEachWindow(Window::TickWindow, nullptr);
    AnimateOverview();
    return RenderFrame();
}

void WindowSystem::RunMainLoop()
{
    RunStepHook();
    InvalidateAll();
    g_ws.running = 1;
    g_ws.nativeDialog = 0;
    g_ws.firstStep = 1;
    RenderFrame();
    RunStepHook();
    while (g_ws.running && RunStepHook()) {
    }
}

void WindowSystem::SetNativeDialogActive(int open)
{
    RunStepHook();
    g_ws.nativeDialog = open ? 1 : 0;
    g_ws.firstStep = 1;
    InvalidateAll();
    g_ws.running = open ? 0 : 1;
    RenderFrame();
    RunStepHook();
}

void WindowSystem::ReleaseWindow(Window* w)
{
    // Mouse capture: the drag or tracking ends without calling back into the window.
    if (g_ws.captureWindow == w) {
        PopEventHook(TrackingEventHook);
        g_ws.captureWindow = nullptr;
        g_ws.trackCallback = nullptr;
        g_ws.dragPainter = nullptr;
        g_ws.dragMode = 0;
        delete g_ws.dragData;
        g_ws.dragData = nullptr;
        UpdateHover();
    }
    // Modal loops of the window end: the top one through EndModal, the ones below it lose
    // their window so that their RunModal returns once the loops above have ended.
    for (u32 i = g_ws.modalStack.count; i-- > 1;) {
        if (g_ws.modalStack.data[i].window != w) continue;
        if (i == g_ws.modalStack.count - 1)
            EndModal(w, 0);
        else
            g_ws.modalStack.data[i].window = nullptr;
    }
}

namespace {

// Whether a handler still running (below the current step) belongs to the window or to one
// of its children.
bool HasRunningHandler(Window* w)
{
    for (u32 i = 0; i < g_ws.handling.count; ++i)
        if (g_ws.handling.data[i] && w->Contains(g_ws.handling.data[i])) return true;
    return false;
}

intptr_t ReleaseOne(Window* w, void*)
{
    WindowSystem::ReleaseWindow(w);
    return 0;
}

}  // namespace

void WindowSystem::ProcessDeferredDeletes()
{
    if (!g_ws.deferredDeletes.count) return;
    g_ws.sysFlags |= SYS_DELETING;
    // A closed window whose handler ran the loop or step this call comes from is not deleted
    // under that handler: it is hidden and its loops and capture end, and it waits in the
    // queue until the handler has returned (the next call after the event).
    DynArray<Window*> kept = {};
    while (g_ws.deferredDeletes.count) {
        Window* w = g_ws.deferredDeletes.data[g_ws.deferredDeletes.count - 1];
        g_ws.deferredDeletes.RemoveRange(g_ws.deferredDeletes.count - 1, 1);
        if (HasRunningHandler(w)) {
            if (w->IsVisible()) w->SetVisible(0);
            ReleaseOne(w, nullptr);
            Window::WalkPreOrder(w->firstChild, ReleaseOne, nullptr);
            kept.Push(w);
            continue;
        }
        Window* saved = g_ws.deleting;
        g_ws.deleting = w;
        delete w;
        g_ws.deleting = saved;
    }
    for (u32 i = kept.count; i-- > 0;) g_ws.deferredDeletes.Push(kept.data[i]);
    kept.Free();
    UpdateHover();
    g_ws.sysFlags &= ~SYS_DELETING;
}

static intptr_t SendResize(Window* w, void* event)
{
    if (Window::SendEvent(w, event)) return 1;
    return Window::WalkPreOrder(w->firstChild, SendResize, event);
}

void WindowSystem::OnWindowResize(int width, int height)
{
    ProcessDeferredDeletes();
    if (width < 1 || height < 1) return;
    Window* front = g_ws.layer0 ? g_ws.layer0->firstChild : nullptr;
    g_ws.screenWidth = width;
    g_ws.screenHeight = height;
    if (!g_ws.root) return;
    g_ws.root->SetFrame(Rect{0, 0, width, height});
    g_ws.layer1->SetFrame(Rect{0, 0, width, height});
    g_ws.layer0->SetFrame(Rect{0, g_ws.menuBar ? g_ws.menuBar->GetFrameHeight() : 0, width, height});
    g_ws.sysFlags |= SYS_OVERVIEW_LAYOUT;
    if (g_ws.useGL) {
        glDisable(GL_SCISSOR_TEST);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }
    InvalidateAll();
    Window* layers[2] = {g_ws.layer0, g_ws.layer1};
    for (Window* layer : layers) {
        for (Window* w = layer->firstChild; w;) {
            Window* next = w->nextSibling;
            if (w->state == WS_ZOOMED && (w->flags & (WF_THICKFRAME | WF_RESIZABLE)) == (WF_THICKFRAME | WF_RESIZABLE))
                w->FillParent();
            if (w->flags & WF_RECENTER) w->CenterInParent();
            w = next;
        }
    }
    if (front && front->parent == g_ws.layer0 && g_ws.layer0->firstChild != front) front->BringToFront();
    Event e;
    memset(&e, 0, sizeof e);
    e.type = EVENT_SCREENRESIZED;
    e.data[0] = u32(width);
    e.data[1] = u32(height);
    if (!Window::SendEvent(g_ws.root, &e)) Window::WalkPreOrder(g_ws.root->firstChild, SendResize, &e);
    if (g_ws.sysFlags & SYS_STEP_ON_RESIZE) {
        // This runs inside the OS layer's event polling, which must not be entered again:
        // draw and present here instead of running a whole step.
        if (RenderFrame()) {
            if (g_ws.presentHook)
                g_ws.presentHook();
            else if (g_ws.useGL)
                OsSwapBuffers();
        }
    }
}

void WindowSystem::CenterMousePointer()
{
    Point c = {g_ws.screenWidth / 2, g_ws.screenHeight / 2};
    OsSetMousePos(c.x, c.y);
    g_ws.lastRawMouse = c;
}

void WindowSystem::SetRelativeMouseMode(int on)
{
    if ((on != 0) == (g_ws.relativeMouse != 0)) return;
    if (on) {
        g_ws.savedMouse = g_ws.lastRawMouse;
        g_ws.relativeMouse = 1;
        CenterMousePointer();
        OsShowCursor(0);
    } else {
        g_ws.relativeMouse = 0;
        OsSetMousePos(g_ws.savedMouse.x, g_ws.savedMouse.y);
        g_ws.lastRawMouse = g_ws.savedMouse;
        u32 payload[4] = {u32(g_ws.savedMouse.x), u32(g_ws.savedMouse.y), 0, 0};
        PostEvent(EVENT_MOVE, payload);
        OsShowCursor(1);
    }
}
