#include "collection/ui/BackgroundPicker.h"

#include "collection/ui/X256SequenceFrameView.h"
#include "gui/Skin.h"
#include "gui/WindowSystem.h"

BackgroundPicker::BackgroundPicker(u32 k, X256SequenceFrameView* v, Window* parent)
    : Window(WF_VISIBLE | WF_ENABLED | WF_THICKFRAME, parent), kind(k), view(v)
{
    SetSize(24, 24);
}

const char* BackgroundPicker::GetClassName() const { return "Window"; }

void BackgroundPicker::FillBackground(u32 kind, const Rect& r)
{
    Skin* skin = WindowSystem::GetSkin();
    if (skin && kind == 0) {
        skin->DrawBackground(r);
    } else if (skin && kind == 1) {
        skin->DrawDarkBackground(r);
    } else if (skin && kind == 2) {
        skin->DrawMenuBackground(r);
    } else {
        SetColor(0xFFFFFFFFu);
        FillRect(r);
    }
}

void BackgroundPicker::DrawContent()
{
    BeginDraw(1, 0);
    FillBackground(kind, GetContentBounds());
    EndDraw();
}

void BackgroundPicker::MouseButton(Event* event)
{
    if (!event->Pressed() || !view) return;
    view->SetBackgroundKind(kind);
}
