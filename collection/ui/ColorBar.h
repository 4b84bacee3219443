#pragma once
// The hue bar of a hue change: one pixel column per degree in its hue, with the start, median
// and end markers of the range, which the user drags along it.
#include "collection/HueChange.h"
#include "gui/Window.h"

class ColorBar : public Window {
public:
    static constexpr s32 kWidth = 360, kHeight = 20;

    ColorBar(Window* parent, HueChange* hueChange);
    ~ColorBar() override;
    const char* GetClassName() const override;

    void DrawContent() override;
    void MouseButton(Event* event) override;
    void MouseMove(Event* event) override;
    void MouseLeave() override;
    void Track(Point start, Point current, u32 phase) override;

    u32 GetGrabbedMarker() const { return grabbed; }

    // Emitted with the hue change after every marker move.
    Signal<HueChange*> changed;

private:
    // The bar position of a screen point.
    s32 BarX(Point screen) const;

    u32 grabbed;
    HueChange* hueChange;
};
