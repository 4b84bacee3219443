#pragma once
// ListGridWindow: one window holding a list view and a grid view of the same items, one shown
// at a time below a 32 px bar whose button switches between them. The button names the view a
// click on it shows ("Grid" while the list is shown, "List" while the grid is).
#include "gui/Button.h"

class ListGridWindow : public Window {
public:
    // Creates the toggle button ("Grid", id 0); no view until one is installed.
    ListGridWindow(u32 flags, Window* parent);
    ~ListGridWindow() override;

    const char* GetClassName() const override;
    void Resized() override;
    // Fills the button bar with the panel background and its bottom edge.
    void DrawBackground() override;
    // Hands the focus on to the current view.
    FocusAnswer FocusGained(Window* oldFocus, u32 reason) override;
    // A view closed by someone else is forgotten.
    void ChildRemoved(Window* child) override;

    // Shows the other view, relabels the button, lays out and emits viewSwitched.
    virtual void ToggleView();

    // Install a view below the bar; the first installed becomes current.
    void SetListView(Window* view);
    void SetGridView(Window* view);
    Window* GetListView() const { return listView; }
    Window* GetGridView() const { return gridView; }
    Window* GetCurrentView() const { return currentView; }
    Button* GetToggleButton() const { return toggleButton; }
    void OnToggleClicked(s32 id);

    Button* toggleButton;
    Window* listView;
    Window* gridView;
    Window* currentView;
    Signal<> viewSwitched;

private:
    void Install(Window* view, Window** slot);
    void SizeView(Window* view);
};
