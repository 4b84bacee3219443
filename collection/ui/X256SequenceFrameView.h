#pragma once
// The drawing area of the frame editor: one frame and view of a sequence at a zoom, with its
// shadow, the previous step as a contrail, the selection box and the registration and key
// points; the mouse drags the points, the box edges and the shadow, and arrow keys step
// through frames and views or, with a move mode held, move the bitmap against its
// registration point. The scroll area is five times the content, so the bitmap can be moved
// well past the window's edges.
#include "collection/FrameEditing.h"
#include "gui/ScrollableWindow.h"

class X256SequenceFrameEdit;

// Show flags, in their order.
enum : u32 {
    kShowRegPoint = 0,
    kShowKeyPoint = 1,
    kShowSelectionBox = 2,
    kShowBitmap = 3,
    kShowShadow = 4,
    kShowContrail = 5,
    kShowOrigin = 6,
};

// Marker colours (red in the low byte).
constexpr u32 kRegPointColor = 0xFF00AA00u;
constexpr u32 kKeyPointColor = 0xFF0000FFu;
constexpr u32 kSelectionBoxColor = 0x8000FFFFu;
constexpr u32 kMarkerSideColor = 0xFF5A5A5Au;
constexpr u32 kOriginColor = 0xFFFF5555u;

class X256SequenceFrameView : public ScrollableWindow {
public:
    X256SequenceFrameView(X256SequenceFrameEdit* editor, Window* parent);
    const char* GetClassName() const override;
    void GetMinimumFrameSize(Size* out, Size contentSize) override;
    void Tick() override;
    void Resized() override;
    void DrawBackground() override;
    void DrawContent() override;
    int KeyEvent(Event* event) override;
    void MouseButton(Event* event) override;
    void MouseMove(Event* event) override;
    void MouseLeave() override;
    void FocusLost(Window* newFocus, u32 reason) override;
    FocusAnswer FocusGained(Window* oldFocus, u32 reason) override;
    void Track(Point start, Point current, u32 phase) override;
    void HScrolled(s32 position) override;
    void VScrolled(s32 position) override;
    void CornerClicked() override;

    // Where the shown frame is drawn now, in content coordinates.
    FrameGeometry GetGeometry();
    // The registration point's place in content coordinates ((0, 0) without a bitmap).
    Point GetRegistrationPoint();
    // 4 on an opaque bitmap pixel, 5 on the shadow, else 0 (content coordinates).
    u32 HitTestBitmap(Point contentPoint);
    // Moves by mode (see the core's MoveByMode); modes 2 to 5 keep the registration point in
    // place on screen and move the bitmap instead.
    void MoveByMode(s32 dx, s32 dy, u32 mode);
    // The held keys: the move mode, then one step of the arrows held.
    void HandleKeys();
    // recenter: the bitmap centred; else the scroll fractions kept through a resize.
    void UpdateScrollRange(bool recenter);
    // After a step: the registration point stays where it was on screen (oldPoint, content
    // coordinates) unless the view had been scrolled, which centres the bitmap again.
    void OnFrameViewChanged(Point oldPoint);

    void SetZoom(float z);
    float GetZoom() const { return zoom; }
    void SetBackgroundKind(u32 kind);
    u32 GetBackgroundKind() const { return backgroundKind; }
    void SetShowFlag(u32 which, bool on) { show[which] = on ? 1 : 0; }
    bool GetShowFlag(u32 which) const { return show[which] != 0; }
    u32 GetMoveMode() const { return moveMode; }
    u32 GetDragMode() const { return dragMode; }
    Point GetOffset() const { return offset; }

    // Fields, in this order.
    u32 backgroundKind;
    u32 dragMode;
    Point grab;
    Point offset;
    Point scrollBase;
    u32 layingOut;
    u32 originValid;
    Point origin;
    Size contentCache;
    float fractionX, fractionY;
    double lastArrowTime;
    float zoom;
    u32 show[7];
    X256SequenceFrameEdit* editor;
    u32 moveMode;

private:
    // The pointer's drag mode or cursor by the first match (key point, box edges, shadow,
    // bitmap); 0 for none.
    u32 DragModeAt(Point contentPoint);
    void SetCursorFor(u32 mode);
    // The scale (16.16) of the bitmap the shown view shows: high-res or standard.
    u32 ShownScale();
    Point keyGrab;
};
