#include "model/ui/ViewTransformButton.h"

#include "gui/Skin.h"
#include "gui/WindowSystem.h"
#include "model/ui/View3D.h"

ViewTransformButton::ViewTransformButton(Window* parent, u32 id, Window* ownerWindow, View3D* view3d,
                                         Operation op, u32 normalIcon, u32 pressedIcon, u32 disabledIcon)
    : Button(parent, id)
{
    icons[0] = normalIcon;
    icons[1] = pressedIcon;
    icons[2] = disabledIcon;
    dragX = dragY = 0;
    owner = ownerWindow;
    view = view3d;
    operation = op;
}

void ViewTransformButton::GetMinimumFrameSize(Size* out, Size)
{
    *out = Size{15, 15};
}

void ViewTransformButton::DrawContent()
{
    Skin* skin = WindowSystem::GetSkin();
    if (!skin) return;
    u32 icon = !IsEnabled() ? icons[2] : buttonState == BUTTON_PRESSED ? icons[1] : icons[0];
    BeginDraw(1, 0);
    skin->DrawIcon(icon, 0, 0);
    EndDraw();
}

void ViewTransformButton::Track(Point, Point current, u32 phase)
{
    if (phase == TRACK_BEGIN) {
        WindowSystem::SetRelativeMouseMode(1);
        dragX = dragY = 0;
        buttonState = BUTTON_PRESSED;
    } else if (phase == TRACK_MOVE) {
        // In relative mode every move reports the motion since the last one.
        dragX += current.x;
        dragY += current.y;
        if (view && operation) (view->*operation)(dragX, dragY);
    } else {
        if (view) view->CommitDrag();
        WindowSystem::SetRelativeMouseMode(0);
        buttonState = BUTTON_NORMAL;
    }
    Invalidate(0);
    if (owner) owner->Invalidate(0);
}
