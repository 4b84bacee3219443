#pragma once
// The drag buttons of the 3D view: pressing one hides the pointer and every mouse motion
// until the release pans, rotates or zooms the view by the motion since the press.
#include "gui/Button.h"

class View3D;

class ViewTransformButton : public Button {
public:
    typedef void (View3D::*Operation)(s32 dx, s32 dy);

    // Icons are skin image numbers: normal, pressed, disabled. The owner is redrawn with the
    // button after every step of a drag.
    ViewTransformButton(Window* parent, u32 id, Window* owner, View3D* view, Operation operation, u32 normalIcon,
                        u32 pressedIcon, u32 disabledIcon);

    const char* GetClassName() const override { return "ViewTransformButton"; }
    // 15 x 15.
    void GetMinimumFrameSize(Size* out, Size contentSize) override;
    void DrawContent() override;
    // Begin: relative mouse mode on, motion zeroed, pressed look; move: the motion is added
    // up and the operation called with it; end: the drag is committed, relative mode off,
    // normal look.
    void Track(Point start, Point current, u32 phase) override;

    u32 icons[3];  // normal, pressed, disabled
    s32 dragX;
    s32 dragY;
    Window* owner;
    View3D* view;
    Operation operation;
};
