#pragma once
// The window system: the one process-wide object that turns the OS layer's callbacks into
// Events in a ring of 32, keeps the keyboard, mouse and modifier state, routes each event
// (keys to the global shortcuts and the focused window, the mouse to the hovered window,
// every ancestor first), runs modal loops and the quit protocol, deletes closed windows
// between events and runs one step of the main loop: events, ticks, the overview animation
// and the redraw of the dirty rectangles.
//
// All functions are static; the state is reset by WindowSystem::Reset (tests, shutdown).
// OpenGL is touched only after EnableGL(1): without it the whole system (tree, events,
// focus, modal loops, dirty rectangles, visibility) runs headless.
#include "foundation/Types.h"
#include "gui/Window.h"

class Skin;

// Handles one queued event; answers whether it took it.
typedef int (*EventHook)(u32 type, Event* event);
// Reports the drag image's area around the pointer (out not null), or draws it (out null).
typedef void (*DragPainter)(Rect* out, Point pointer, Window::DragDropData* data);

// ModalFlags.
enum : u32 {
    MODAL_KEYS_TO_WINDOW = 1,   // keys that do not belong inside the modal window go to it
    MODAL_MOUSE_TO_WINDOW = 2,  // mouse events outside it go to it as content events
    MODAL_DIM = 4,              // darken everything behind it; full redraw at start and end
    MODAL_END_ON_QUIT = 8,      // ended (result 0) when the application window is closed
};

struct ModalResultSlot;
struct ModalEntry {
    Window* window;
    u32 flags;
    // Where the loop's own result goes when it ends, so that a loop ended while another
    // loop's end is being handled still answers its own result.
    ModalResultSlot* slot;
};

// The frame metrics layout depends on (from the skin): border and thin border width, title
// bar height, title box size.
struct WindowMetrics {
    s32 borderWidth;
    s32 thinBorderWidth;
    s32 titleBarHeight;
    s32 titleButtonWidth;
    s32 titleButtonHeight;
};

// What the base window drawing needs from the skin and the font, installed by whoever owns
// them (the shell installs the skin's functions). Rectangles are in the coordinates set up by
// Window::BeginDraw. A null entry draws nothing.
struct FramePainter {
    void (*drawBackground)(const Rect& r, int dark);
    void (*drawTitleBar)(const Rect& r, int active);
    // Draws text in the window's font (or the default font) in the colour (RGBA, red in the
    // low byte) with the TextFlags.
    void (*drawText)(Window* window, const Rect& r, const char* text, u32 textFlags, u32 color);
    void (*drawFrame)(const Rect& r, u32 mask);
    void (*drawThinBorder)(const Rect& r);
    // box 0 close, 1 zoom, 2 collapse.
    void (*drawTitleButton)(const Rect& r, u32 box, int pressed);
    void (*drawShadow)(const Rect& r, int large);
    void (*drawSelection)(const Rect& r, u32 flags);
    // Width of a title text, for keeping centred titles clear of the title boxes.
    s32 (*titleTextWidth)(Window* window, const char* text);
};

// sysFlags.
enum : u32 {
    SYS_FULLREDRAW = 1,
    SYS_OVERVIEW_LAYOUT = 2,
    SYS_OVERVIEW = 4,
    SYS_OVERVIEW_CLOSING = 8,
    SYS_OVERVIEW_OPEN = 16,
    SYS_STEP_ON_RESIZE = 32,
    SYS_DELETING = 128,
};

class WindowSystem {
public:
    // Set-up. Init creates the root and the two layers and asks for a full redraw.
    static int Init();
    static void CreateLayers();
    // Deletes every window (the root and so the tree); queries then answer null.
    static void DestroyRootWindow();
    // Destroys the tree and returns every field to its first state (tests and shutdown).
    static void Reset();
    // Whether drawing may call OpenGL (a context is current).
    static void EnableGL(int on);
    static bool IsGLEnabled();
    static void SetStepHook(int (*hook)());
    static void SetCanQuitHook(int (*hook)());
    // Called after a frame was drawn outside the normal step (screen resize); by default
    // OsSwapBuffers when OpenGL is enabled.
    static void SetPresentHook(void (*hook)());
    static void SetDefaultFont(Font* font);
    static Font* GetDefaultFont();
    // Installs the skin: its metrics become the frame metrics and its parts draw the base
    // frames, backgrounds and shadows (SetMetrics and SetFramePainter can override both).
    static void SetSkin(Skin* skin);
    static Skin* GetSkin();
    static void SetMetrics(const WindowMetrics& metrics);
    static void SetFramePainter(const FramePainter& painter);
    static const WindowMetrics& GetMetrics();
    static void SetDirtyRectMode(u32 on);
    static void SetMenuBar(Window* window);
    // Installs the callbacks below with the OS layer.
    static void InstallCallbacks();

    // Callbacks of the OS layer. Input is dropped while not running.
    static int OnWindowCloseRequest();
    static void OnKey(int key, int action);
    static void OnChar(int character, int action);
    static void OnMouseButton(int button, int action);
    static void OnMousePos(int x, int y);
    static void OnMouseWheel(int position);
    static void OnMouseWheelH(int position);
    static void OnWindowResize(int width, int height);

    // Queries.
    static Size GetScreenSize();
    static Rect GetScreenRect();
    static Point GetMousePos();
    static u32 GetModifiers();
    static bool IsKeyDown(u32 key);
    // -1 root, 0 layer 0, 1 layer 1, else null.
    static Window* GetLayerRoot(int layer);
    static Window* GetFocus();
    static Window* GetHovered();
    static u32 GetHoveredPart();
    static bool IsNativeDialogActive();
    static bool IsOnModalStack(Window* window, int topOnly);
    static u32 GetModalDepth();
    static bool IsDefaultHookActive();
    static bool IsRunning();
    static void SetRunning(u32 on);
    static Point NextCascadePosition();
    static Window* FindWindow(const char* title, const char* className);
    static Window* GetCaptureWindow();
    static u32 GetSysFlags();

    // Events.
    // Queues an event; payload may be null (zeros). A full ring drops it.
    static void PostEvent(u32 type, const u32* payload);
    // Queues an event ahead of every queued one: a click that closed a menu is handed on to
    // the window under the pointer before the release that followed it.
    static void RepostEvent(u32 type, const u32* payload);
    static u32 GetQueuedEventCount();
    static void PushEventHook(EventHook hook);
    // Removes the topmost occurrence of hook from the stack.
    static void PopEventHook(EventHook hook);
    static int DefaultEventHook(u32 type, Event* event);
    static int DeliverEvent(Window* window, u32 type, Event* event);
    static int HandleGlobalKey(Event* event);
    static void UpdateHover();
    static Window* FindWindowAt(Window* first, Point p, u32* part);
    static void Beep();

    // Modal loops.
    // Runs the step hook inside the call until EndModal ends this loop (or the window goes
    // away); answers the result and, when asked, whether a quit request ended it.
    static u64 RunModal(Window* window, u32 flags, u32* closedByQuit);
    static void EndModal(Window* window, u64 result);
    static void PushModal(Window* window, u32 flags);
    static void PopModal();
    static int ModalEventHook(u32 type, Event* event);

    // Quit and main loop.
    // While busy, a quit request is kept (see BeginBusy) instead of refused or asked.
    static void RequestQuit();
    // A long operation that draws its progress by running steps from inside a command (a
    // collection build): until EndBusy every queued input event is dropped, so a click or key
    // meant for it can neither start it again nor act on what it changes, and a quit request
    // waits. Nests. EndBusy answers 1 when a quit was requested meanwhile (once, by the
    // outermost EndBusy); the caller asks for the quit again once its work is done.
    static void BeginBusy();
    static int EndBusy();
    static bool IsBusy();
    static int CloseAllTopLevelWindows();
    static void RunMainLoop();
    static int RunStepHook();
    static int ProcessAndRender();
    static void ProcessEventQueue();
    static void ProcessDeferredDeletes();
    // Ends the window's mouse capture and modal loops, as its deletion does.
    static void ReleaseWindow(Window* window);
    static void SetNativeDialogActive(int open);
    static void SetRelativeMouseMode(int on);
    static void CenterMousePointer();
    static void UpdateKeyState(u32 key, u32 down);

    // Redraw.
    static void InvalidateAll();
    static int RenderFrame();
    static void ComputeVisibility(const Rect& dirty);
    static void DrawTree(Window* window);
    static void DrawDimOverlay();
    static u32 GetDirtyRectCount();
    static const Rect* GetDirtyRects();
    static bool IsFullRedrawPending();

    // Tracking, drag and drop, overview.
    static int TrackingEventHook(u32 type, Event* event);
    static void EndTracking(Window* window, Event* release);
    static void DragMove(Window* window, Event* move);
    static void InvalidateDragImage(Window* window);
    static void TrackMoveResize(Window* window, Point start, Point current, u32 phase);
    static void TrackTitleButton(Window* window, Point start, Point current, u32 phase);
    static void RegisterDragPainter(s32 typeId, DragPainter painter);
    static void ToggleOverview();
    static int OverviewEventHook(u32 type, Event* event);
    static void AnimateOverview();
    static void LayoutOverview();
    static void FitOverviewCell(const float* cell, Window* window);
    static float GetOverviewProgress();
};
