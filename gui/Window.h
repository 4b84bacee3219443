#pragma once
// Window: the base of every window, dialog, widget and editor. Windows form one tree whose
// root belongs to the WindowSystem: the root holds two full-screen layers, "layer1" (popups,
// in front) and "layer0" (normal windows). A window owns its children, keeps its frame and
// content rectangles in screen coordinates and takes part in drawing, input and layout
// through its virtual operations. Windows are allocated zero-filled and are deleted only
// between events, after Close queued them.
#include <cstdint>
#include "foundation/CleanHeapObject.h"
#include "foundation/Signal.h"
#include "foundation/Types.h"
#include "gui/core/Geometry.h"

struct Font;
class Window;

// WindowFlags.
enum : u32 {
    WF_VISIBLE = 0x1,
    WF_ENABLED = 0x2,
    WF_TITLEBAR = 0x4,
    WF_SHADOW = 0x8,  // drop shadow right of and below the frame
    WF_THINBORDER = 0x10,
    WF_THICKFRAME = 0x20,
    WF_RESIZABLE = 0x40,  // resizable and zoomable only together with WF_THICKFRAME
    WF_PANEL = 0x80,       // panel background (opaque)
    WF_DARKPANEL = 0x100,  // dark panel background (opaque)
    WF_GROWMARGIN = 0x200,
    WF_CLOSEBOX = 0x400,
    WF_ZOOMBOX = 0x800,
    WF_COLLAPSEBOX = 0x1000,
    WF_NOOVERVIEW = 0x2000,
    WF_DETACHED = 0x4000,
    WF_FOCUSABLE = 0x8000,
    WF_RECENTER = 0x10000,  // centred in its parent again whenever the screen size changes
    WF_POPUP = 0x40000,     // placed in layer 1 when no parent is given
};

// WindowState.
enum : u32 { WS_NORMAL = 0, WS_COLLAPSED = 1, WS_ZOOMED = 2, WS_CLOSED = 3 };

// HitPart: the answer of Window::HitTest.
enum : u32 {
    HIT_NONE = 0,
    HIT_CONTENT = 1,
    HIT_TITLE = 2,
    HIT_LEFT = 4,
    HIT_TOP = 8,
    HIT_RIGHT = 16,
    HIT_BOTTOM = 32,
    HIT_BORDERS = 60,
    HIT_CLOSEBOX = 0x400,
    HIT_ZOOMBOX = 0x800,
    HIT_COLLAPSEBOX = 0x1000,
    HIT_FRAME = 0x80000000u,  // a frame point that is none of the others
};

// FocusReason.
enum : u32 { FOCUS_PROGRAM = 0, FOCUS_CLICK = 1, FOCUS_TAB = 2 };

// stateBits.
enum : u32 { WSB_UNCOVERED = 1, WSB_DRAWFRAME = 2, WSB_INOVERVIEW = 4, WSB_DESTROYING = 8 };

// EventType.
enum : u32 {
    EVENT_KEY = 0,
    EVENT_CHAR = 1,
    EVENT_BUTTON = 2,
    EVENT_DOUBLECLICK = 3,
    EVENT_MOVE = 4,
    EVENT_WHEEL = 5,
    EVENT_QUIT = 6,
    EVENT_SCREENRESIZED = 7,  // not queued; the event's words 0 and 1 are the new size
};

// KeyModifiers.
enum : u32 { MOD_SHIFT = 1, MOD_ALT = 2, MOD_CTRL = 12, MOD_CTRL_A = 4, MOD_CTRL_B = 8, MOD_REPEAT = 16, MOD_HWHEEL = 32 };

// Six payload words and the type. Keys: {key, action, modifiers}; characters: {character,
// action, modifiers}; buttons and double clicks: {x, y, part, modifiers, button, pressed};
// moves: {x, y, part, modifiers}; wheel: {x, y, part, modifiers, old, new}.
struct Event {
    u32 data[6];
    u32 type;

    u32 Key() const { return data[0]; }
    u32 Character() const { return data[0]; }
    u32 Action() const { return data[1]; }
    u32 KeyModifiers() const { return data[2]; }
    s32 X() const { return s32(data[0]); }
    s32 Y() const { return s32(data[1]); }
    Point Pos() const { return Point{s32(data[0]), s32(data[1])}; }
    u32 Part() const { return data[2]; }
    u32 MouseModifiers() const { return data[3]; }
    u32 Button() const { return data[4]; }
    u32 Pressed() const { return data[5]; }
    s32 WheelOld() const { return s32(data[4]); }
    s32 WheelNew() const { return s32(data[5]); }
};

// Whether a button event is for the right button.
inline bool IsRightButton(const Event* e) { return e->data[4] == 1; }

// TrackPhase.
enum : u32 { TRACK_BEGIN = 0, TRACK_MOVE = 1, TRACK_END = 2 };

typedef void (*TrackCallback)(Window* window, Point start, Point current, u32 phase);
// A walk's function: a non-zero answer stops the walk and is its answer.
typedef intptr_t (*WindowWalkFun)(Window* window, void* argument);

// WindowPlacement: the frame is relative to the parent, restoreFrame when not normal.
struct WindowPlacement {
    u32 state;
    Rect frame;
};

// What Window::FocusGained and Window::SetFocus answer: 0, 1 (the click that focused is
// swallowed) or a Window* that takes the focus instead.
typedef uintptr_t FocusAnswer;
enum : uintptr_t { FOCUS_TAKEN = 0, FOCUS_SWALLOW = 1 };

class Window : public CleanHeapObject<has_slots<void>> {
public:
    // Base of every drag payload: a plain heap object, deleted by the window system when
    // the drag ends.
    struct DragDropData {
        explicit DragDropData(u32 type) : typeId(type) {}
        virtual ~DragDropData() {}
        u32 typeId;
    };

    // Attaches the window to parent, or (without one) to layer 1 for WF_POPUP, else to
    // layer 0; a WF_DETACHED window gets no parent. The frame starts empty.
    Window(u32 flags, Window* parent);
    // Deletes the children, hands focus, hover, capture and modal loops on cleanly, and
    // invalidates the area the window covered.
    ~Window() override;

    // The 39 operations, in this order.
    const char* GetClassName() const override;
    // Base routing of an event offered to this window on its way to target (the target
    // itself last). Answers non-zero when the event was taken.
    virtual int HandleEvent(Window* target, u32 type, Event* event);
    // Keeps the minimum size, moving the edge that was dragged. A titled window with a minimum
    // width of its own is also kept as wide as TitleBarMinimumWidth.
    virtual void ConstrainFrame(const Rect& oldFrame, const Rect& proposed, Rect* out);
    // The narrowest frame whose title bar holds its title boxes and up to kTitleRoom pixels of
    // its title between them; 0 without a title bar.
    s32 TitleBarMinimumWidth();
    static constexpr s32 kTitleRoom = 64;
    // The content for a frame: insets of the borders and the title bar; never negative.
    virtual void FrameToContent(const Rect& frame, Rect* content);
    virtual void GetMinimumFrameSize(Size* out, Size contentSize);
    // Answers whether the window may close. The base ends the top modal loop (result 0)
    // when the window is on the modal stack, and agrees.
    virtual int CanClose(u32 reason);
    virtual void Closing();
    virtual void Tick();
    virtual void Moved(Point oldPos, Point newPos);
    virtual void Resized();
    virtual void DrawContent();
    virtual void DrawFrame();
    virtual void DrawBackground();
    virtual int KeyEvent(Event* event);
    virtual void CharEvent(Event* event);
    virtual void MouseButton(Event* event);
    virtual void FrameMouseButton(Event* event);
    virtual void DoubleClick(Event* event);
    virtual void FrameDoubleClick(Event* event);
    virtual void MouseMove(Event* event);
    virtual void FrameMouseMove(Event* event);
    virtual void MouseWheel(Event* event);
    virtual void FrameMouseWheel(Event* event);
    virtual void Reserved24(void* argument);
    virtual void Reserved25(void* argument);
    virtual void MouseLeave();
    virtual void FrameMouseLeave();
    virtual void ChildAdded(Window* child);
    virtual void ChildRemoved(Window* child);
    virtual void FocusLost(Window* newFocus, u32 reason);
    virtual FocusAnswer FocusGained(Window* oldFocus, u32 reason);
    virtual void ParentChanging(Window* oldParent, Window* newParent);
    virtual void FlagsChanged(u32 changed);
    virtual void Track(Point start, Point current, u32 phase);
    virtual int DragDrop(Point point, u32 phase, DragDropData* data);
    virtual u32 HitTest(Point screenPoint);
    virtual void SetTitle(const char* text);
    virtual const char* GetTitle();

    // Flags. Each setter calls FlagsChanged with the bits that changed, when some did.
    void SetFlags(u32 f);
    void AddFlags(u32 f) { SetFlags(flags | f); }
    void RemoveFlags(u32 f) { SetFlags(flags & ~f); }
    u32 TestFlags(u32 mask) const { return flags & mask; }
    bool IsVisible() const { return (flags & WF_VISIBLE) != 0; }
    void SetVisible(int on) { on ? AddFlags(WF_VISIBLE) : RemoveFlags(WF_VISIBLE); }
    bool IsEnabled() const { return (flags & WF_ENABLED) != 0; }
    void SetEnabled(int on) { on ? AddFlags(WF_ENABLED) : RemoveFlags(WF_ENABLED); }
    // Only for windows with a thin border or thick frame: sides 1 left, 2 top, 4 right,
    // 8 bottom.
    void SetBorderSides(u32 sides);

    // Tree.
    Window* GetParent() const { return parent; }
    Window* GetNextSibling() const { return nextSibling; }
    Window* GetPrevSibling() const { return prevSibling; }
    Window* GetFirstChild() const { return firstChild; }
    Window* GetLastChild() const { return lastChild; }
    u32 GetChildCount() const { return childCount; }
    // Moves the window to the back of newParent's children, then to the front unless it is
    // detached; null detaches it.
    void SetParent(Window* newParent);
    void BringToFront();
    void SendToBack();
    // Climbs while the parent exists and is not detached.
    Window* GetTopLevel();
    // Removes child from this window's list and clears its sibling links.
    void UnlinkChild(Window* child);
    // Whether w is this window or lies below it.
    bool Contains(const Window* w) const;
    // Over a sibling chain starting at first: each window's children before the window.
    static intptr_t WalkPostOrder(Window* first, WindowWalkFun fun, void* argument);
    // Over a sibling chain: each window before its children.
    static intptr_t WalkPreOrder(Window* first, WindowWalkFun fun, void* argument);
    // Every descendant, children before parents, then the window itself.
    intptr_t ForEachWindow(WindowWalkFun fun, void* argument);

    // Geometry. Every setter goes through SetFrame, which takes a rectangle relative to the
    // parent's content.
    void SetFrame(const Rect& relative);
    void SetFrameXYWH(s32 x, s32 y, s32 width, s32 height) { SetFrame(Rect{x, y, x + width, y + height}); }
    void MoveTo(s32 x, s32 y);
    void MoveToPoint(Point p) { MoveTo(p.x, p.y); }
    void SetSize(s32 width, s32 height);
    void SetSizePacked(u64 packed) { SetSize(s32(u32(packed)), s32(u32(packed >> 32))); }
    void SetWidth(s32 width) { SetSize(width, frame.Height()); }
    void SetHeight(s32 height) { SetSize(frame.Width(), height); }
    // The content ends at the asked size whatever the insets.
    void SetContentSize(s32 width, s32 height);
    void SetContentSizePacked(u64 packed) { SetContentSize(s32(u32(packed)), s32(u32(packed >> 32))); }
    void SetContentWidth(s32 width) { SetContentSize(width, content.Height()); }
    void SetContentHeight(s32 height) { SetContentSize(content.Width(), height); }
    void CenterInParent();
    void FillParent();
    void ConstrainToScreen();
    void ReapplyFrame();
    void RestorePlacement(const WindowPlacement& placement);
    WindowPlacement GetPlacement();

    Rect GetFrameRect() const { return frame; }
    Size GetFrameSize() const { return Size{frame.Width(), frame.Height()}; }
    s32 GetFrameWidth() const { return frame.Width(); }
    s32 GetFrameHeight() const { return frame.Height(); }
    Rect GetFrameBounds() const { return Rect{0, 0, frame.Width(), frame.Height()}; }
    Rect GetFrameInParent() const;
    Point GetPosition() const;
    Rect GetContentRect() const { return content; }
    Point GetContentOrigin() const { return Point{content.left, content.top}; }
    Size GetContentSize() const { return Size{content.Width(), content.Height()}; }
    s32 GetContentWidth() const { return content.Width(); }
    s32 GetContentHeight() const { return content.Height(); }
    Rect GetContentBounds() const { return Rect{0, 0, content.Width(), content.Height()}; }
    Size FrameSizeForContent(Size contentSize) const;
    static Size FrameSizeForFlags(u32 flags, u32 sides, Size contentSize);
    // Title box i (0 close, 1 zoom, 2 collapse) in frame coordinates; empty when absent.
    Rect GetTitleButtonRect(u32 i) const;
    void ScreenToContent(Point* points, u32 count) const;
    void ContentToScreen(Point* points, u32 count) const;
    void ScreenToFrame(Point* points, u32 count) const;
    void ScreenToContentRects(Rect* rects, u32 count) const;
    void ContentToScreenRects(Rect* rects, u32 count) const;
    void ScreenToFrameRects(Rect* rects, u32 count) const;
    // Moves every descendant's rectangles by the delta, without layout.
    void MoveChildren(s32 dx, s32 dy);
    // Moves this window's rectangles by the delta, without layout.
    void OffsetRects(s32 dx, s32 dy);

    // State.
    void SetWindowState(u32 newState);
    // 1 collapse, 0 restore, -1 toggle.
    void SetCollapsed(int collapse);
    void ToggleZoom();
    // Queues the window for deletion between events (once); it stays usable until then.
    void Close();
    int TryClose(u32 reason);
    // Detaches and closes every child without asking.
    void CloseAllChildren();

    // Focus and input.
    bool IsFocused() const;
    bool IsHovered() const;
    // a.tabNext = b and b.tabPrev = a; the windows they were linked to before let go of them.
    static void LinkTabOrder(Window* a, Window* b);
    Window* GetTabNext() const { return tabNext; }
    Window* SetFocusKeeper(Window* keeper);
    void SetCursor(u32 kind, int updateNow);
    // Gives the focus to w, or (when w cannot take it) to its deepest remembered focused
    // descendant; nothing when there is none. Answers what FocusGained answered, or the
    // window that took the focus instead.
    static FocusAnswer SetFocus(Window* w, u32 reason);
    // Moves the focus along the tab ring to the next enabled, visible window; stops after
    // one full cycle when none can take it.
    static void FocusNext(Window* w, int backwards);

    // Redraw.
    void InvalidateRect(const Rect& screenRect, int force);
    void Invalidate(int force) { InvalidateRect(content, force); }
    // The frame plus 16 pixels right and down with a shadow.
    void InvalidateFrame(int force);
    // Whether the rectangle (content coordinates) meets the part drawn now.
    bool IsContentRectVisible(const Rect& r) const;
    // Sets up scissor, viewport and projection for drawing the content (or the frame);
    // EndDraw restores the matrices.
    void BeginDraw(int contentOnly, int threeD);
    void EndDraw();
    void UpdateVisibility();
    void CopyImageToClipboard(int contentOnly);
    // Whether the window and its ancestors are shown (an ancestor collapsed hides it); the
    // climb stops at an ancestor that is being destroyed.
    bool IsShownInTree() const;

    // Tracking and drag and drop: the window captures the mouse until a button is released;
    // the callback gets phase 0 at once, 1 for each move and 2 at the release. Both answer 0
    // and change nothing when another window holds the mouse (a refused payload stays the
    // caller's). An accepted payload belongs to the window system, which deletes it when the
    // drag ends; the drop is delivered after the capture is released.
    int BeginTracking(TrackCallback callback);
    int BeginDrag(DragDropData* payload, TrackCallback callback);
    static void DefaultTracker(Window* w, Point start, Point current, u32 phase);
    void ScaleRectsForOverview(float scale);

    // Offers the event top-down to every ancestor (root first) with target as the target;
    // answers the first non-zero answer, else 0.
    static int DispatchTopDown(Window* target, u32 type, Event* event);
    static intptr_t SendEvent(Window* w, void* event);
    static intptr_t TickWindow(Window* w, void*);

    void SetTitleF(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void SetId(u32 value) { id = value; }
    u32 GetId() const { return id; }
    void SetUserData(void* data) { userData = data; }
    void* GetUserData() const { return userData; }
    // The window's font, or the window system's default font when it has none.
    Font* GetFont() const;
    void SetFont(Font* f) { font = f; }
    // Text in the window's font (TextFlags of gui/core/Font.h); all answer 0 without a font.
    // Draws inside the current BeginDraw and answers the widest line.
    s32 DrawText(const Rect& r, u32 style, const char* text, u32 textFlags);
    s32 GetTextWidth(u32 style, const char* text, u32 textFlags);
    s32 GetWrappedTextHeight(u32 style, const char* text, s32 width, u32 textFlags);
    // The font's line height plus 2.
    s32 GetLineHeight();
    u32 GetState() const { return state; }
    u32 GetFlags() const { return flags; }

    // Fields, in this order.
    Window* prevSibling;
    Window* nextSibling;
    Window* parent;
    Window* focusChild;
    Window* focusKeeper;
    Window* tabNext;
    Window* tabPrev;
    Window* firstChild;
    Window* lastChild;
    u32 childCount;
    u32 flags;
    u32 borderSides;
    u32 stateBits;
    u32 id;
    void* userData;
    char* title;
    u32 state;
    Font* font;
    u32 pressedTitleButton;
    u32 cursor;
    u32 clipboardRequest;
    Rect overviewFrame;
    Rect overviewContent;
    Rect frame;
    Rect content;
    Rect restoreFrame;
    Rect visibleClip;
    Signal<int> focusLost;

private:
    s32 Inset() const;
};

// Links the windows into a ring in the given order (null ends the list) and focuses the
// first (reason Tab).
void SetTabOrder(Window* first, ...);
void SetTabOrderArray(Window** windows, u32 count);
