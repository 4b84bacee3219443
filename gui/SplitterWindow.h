#pragma once
// SplitterWindow: two panes side by side (orientation 0, pane 0 left) or stacked (pane 0 on
// top) with a bar one skin border wide between them. In sizing mode 0 the user drags the bar;
// in mode 1 pane 0 and in mode 2 pane 1 stay at their minimum size whatever the window size.
#include "gui/Window.h"

class SplitterWindow : public Window {
public:
    SplitterWindow(u32 flags, Window* parent);
    ~SplitterWindow() override;

    const char* GetClassName() const override;
    void Resized() override;
    void DrawContent() override;
    // A press on the bar starts dragging it (sizing mode 0 only).
    void MouseButton(Event* event) override;
    // Shows the resize cursor over the bar (sizing mode 0 only).
    void MouseMove(Event* event) override;
    // A pane closed by someone else is forgotten, so the splitter never lays out a freed window.
    void ChildRemoved(Window* child) override;
    void Track(Point start, Point current, u32 phase) override;

    void SetOrientation(u32 orientation, u32 sizingMode);
    // Makes window pane index (0 or 1) with the given minimum size and answers the previous
    // pane: when that is another window it is detached (no parent) and the caller owns it.
    Window* SetPane(u32 index, Window* window, u32 minimumSize);
    Window* GetPane(u32 index) const { return index < 2 ? pane[index] : nullptr; }
    void SetSplitPos(s32 position);
    s32 GetSplitPos() const { return splitPos; }
    // The split position the minima and the sizing mode allow for p.
    s32 ClampSplitPos(s32 p) const;
    // Screen rectangle of the bar; empty unless both panes are set.
    Rect GetBarRect() const;
    // Clamps the split position and places the panes.
    void Layout();

    u32 orientation;
    u32 sizingMode;
    Window* pane[2];
    u32 minSize[2];
    s32 splitPos;
    s32 splitPosAtPress;

private:
    bool OverBar(Point screen) const;
};
