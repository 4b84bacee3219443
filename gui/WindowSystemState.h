#pragma once
// Inside the window system: its process-wide state, shared by the files that implement it
// (Window*.cpp, WindowSystem*.cpp, Redraw.cpp, Tracking.cpp). Not for widgets.
#include "foundation/DynArray.h"
#include "gui/WindowSystem.h"
#include "gui/core/RectList.h"

struct DragPainterEntry {
    s32 typeId;
    DragPainter painter;
};

struct WindowSystemState {
    u32 running;
    u32 nativeDialog;
    u32 firstStep;
    Window* root;
    Window* layer0;
    Window* layer1;
    Window* hovered;
    u32 hoveredPart;
    Window* focus;
    Window* dimWindow;
    Window* menuBar;

    DirtyRectList dirty;
    Rect currentClip;
    u32 dirtyRectMode;
    u32 debugDirtyRects;
    u32 debugOverlay;
    s32 screenWidth;
    s32 screenHeight;

    DynArray<ModalEntry> modalStack;  // entry 0 is {null, 0} and never popped
    u64 modalResult;
    u32 modalClosedByQuit;
    u32 modalEndPending;
    s32 quitEndCount;
    u32 busy;            // nesting of BeginBusy
    u32 quitWhileBusy;   // a quit request came while busy

    // Tracking and drag and drop.
    Window* captureWindow;
    u32 dragMode;
    Point trackStart, trackCurrent, trackPrevious;
    Window::DragDropData* dragData;
    u32 dropAccepted;
    Rect dragImageRect;
    TrackCallback trackCallback;
    DragPainter dragPainter;
    DynArray<DragPainterEntry> painters;  // ordered by type id
    u32 trackedPart;
    Rect startFrame;
    s32 minPointerX, minPointerY;

    Font* defaultFont;
    u32 sysFlags;
    u32 relativeMouse;
    Point lastRawMouse;
    Point savedMouse;
    Point cascade;
    Point prevMouse, mouse;
    struct {
        s32 previous, current;
    } wheel, hWheel;
    s32 rawWheel, rawHWheel;
    struct {
        u32 previous, current;
    } buttons[3];
    u32 modifiers;
    struct {
        u32 previous, current;
    } keys[5];
    float fieldOfView, nearPlane, farPlane;
    float overviewDuration, overviewStart, overviewProgress;

    DynArray<EventHook> hooks;
    DynArray<Window*> deferredDeletes;
    // The windows whose event handlers or ticks are running, innermost last (an entry is
    // nulled when its window is deleted outright). A handler may run a modal loop or steps,
    // and a window closed in them is only deleted once no such handler is inside it.
    DynArray<Window*> handling;
    Window* deleting;
    int (*stepHook)();
    int (*canQuitHook)();
    void (*presentHook)();
    Skin* skin;

    u32 ringCount, ringRead, ringWrite;
    Event ring[32];
    u32 intelVendor;

    // Double clicks.
    s32 lastButton;
    double lastButtonTime;
    Point lastButtonPos;
    double lastDoubleClickTime;

    WindowMetrics metrics;
    FramePainter painter;
    u32 useGL;
    u32 frameCounter;
    UncoveredRegion region;
};

struct ModalResultSlot {
    u64 result;
    u32 closedByQuit;
    u32 ended;
};

extern WindowSystemState g_ws;

// Marks a window's handler as running for its scope (see WindowSystemState::handling).
class HandlerScope {
public:
    explicit HandlerScope(Window* window) { g_ws.handling.Push(window); }
    ~HandlerScope() { g_ws.handling.RemoveRange(g_ws.handling.count - 1, 1); }
    HandlerScope(const HandlerScope&) = delete;
    HandlerScope& operator=(const HandlerScope&) = delete;
};

inline ModalEntry* ModalTop() { return &g_ws.modalStack.data[g_ws.modalStack.count - 1]; }
// The window of the top modal loop, null when none is open.
inline Window* ModalWindow() { return g_ws.modalStack.count ? ModalTop()->window : nullptr; }
