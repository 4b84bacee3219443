// ColorButton: the swatch and its link to the host's colour dialog.
#include "gui/ColorButton.h"

#include "gui/Skin.h"
#include "gui/WindowSystem.h"
#include "platform/OsDialogs.h"
#include "platform/OsKeys.h"

ColorButton::ColorButton(Window* parent)
    : Window(WF_FOCUSABLE | WF_THICKFRAME | WF_ENABLED | WF_VISIBLE, parent), color(0xFFFFFFFFu)
{
    SetSize(42, 20);
}

ColorButton::~ColorButton() {}

const char* ColorButton::GetClassName() const { return "ColorButton"; }

void ColorButton::SetColor(u32 rgba)
{
    color = rgba;
    Invalidate(0);
}

bool ColorButton::ChooseColor()
{
    u8 rgb[3] = {u8(color), u8(color >> 8), u8(color >> 16)};
    if (!PickColor(rgb)) return false;
    color = (color & 0xFF000000u) | u32(rgb[0]) | u32(rgb[1]) << 8 | u32(rgb[2]) << 16;
    Invalidate(0);
    colorChanged.Emit(&color);
    return true;
}

void ColorButton::MouseButton(Event* event)
{
    if (event->Pressed()) ChooseColor();
}

int ColorButton::KeyEvent(Event* event)
{
    if (!event->Action()) return 0;
    if (event->Key() != KEY_ENTER && event->Key() != ' ') return 0;
    ChooseColor();
    return 1;
}

void ColorButton::DrawContent()
{
    Skin* skin = WindowSystem::GetSkin();
    BeginDraw(1, 0);
    if (skin) {
        ::SetColor(color);
        FillRect(GetContentBounds());
        if (IsFocused()) skin->DrawSelection(GetContentBounds(), 5);
    }
    EndDraw();
}
