#pragma once
// A 24 x 24 swatch of one background kind; a press gives the frame view that background.
#include "gui/Window.h"

class X256SequenceFrameView;

class BackgroundPicker : public Window {
public:
    BackgroundPicker(u32 kind, X256SequenceFrameView* view, Window* parent);
    const char* GetClassName() const override;
    void DrawContent() override;
    void MouseButton(Event* event) override;

    // Fills the rectangle (content coordinates of the window drawn) with kind's background:
    // 0 the skin's background, 1 its dark background, 2 its menu background, else white.
    static void FillBackground(u32 kind, const Rect& r);

    u32 kind;
    X256SequenceFrameView* view;
};
