#pragma once
// ColorButton: a colour swatch; a click, Enter or Space opens the host's colour dialog on its
// colour and a picked colour is stored and announced.
#include "gui/Window.h"

class ColorButton : public Window {
public:
    // Opaque white, 42 x 20.
    explicit ColorButton(Window* parent);
    ~ColorButton() override;

    const char* GetClassName() const override;
    void DrawContent() override;
    // Enter and Space open the dialog and are consumed; other keys pass.
    int KeyEvent(Event* event) override;
    // A press of any button opens the dialog.
    void MouseButton(Event* event) override;

    // RGBA, red in the lowest byte. Setting redraws and emits nothing.
    void SetColor(u32 rgba);
    u32 GetColor() const { return color; }
    // Opens the colour dialog on the colour. A picked colour (its alpha is kept) is stored,
    // redrawn and announced through colorChanged; answers whether one was picked.
    bool ChooseColor();

    Signal<u32*> colorChanged;
    u32 color;
};
