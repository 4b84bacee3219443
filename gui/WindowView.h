#pragma once
// The "Window Spy": a tree of every window (from the root through both layers) with its
// title, class name and address, for inspecting the window tree. The tree is a snapshot,
// built when the spy opens and again on F5.
#include "foundation/DynArray.h"
#include "foundation/String.h"
#include "gui/Window.h"

class ListWindow;

// One row's record, read by the list's three columns at consecutive offsets.
struct WindowViewRow {
    String title;      // "(unnamed)" for a window without a title
    String className;
    Window* window;    // only shown as a number; the window may be gone since
};

class WindowView : public Window {
public:
    // Visible in the normal layer, titled "Window Spy", at the placement kept under
    // "WindowSpyPlacement" or 512 x 700 at the next cascade position; the tree is built.
    WindowView();
    // Frees the rows.
    ~WindowView() override;

    const char* GetClassName() const override { return "WindowView"; }
    // Keeps the placement under "WindowSpyPlacement".
    void Closing() override;
    // The list fills the window.
    void Resized() override;
    // F5 rebuilds the tree and is taken; other keys pass.
    int KeyEvent(Event* event) override;

    // Frees the rows and lists the window tree again.
    void BuildTree();
    ListWindow* GetList() const { return list; }

    // Fields, in this order.
    ListWindow* list;
    DynArray<WindowViewRow*> rows;

private:
    void AddWindow(Window* w, struct ListItem* parentRow);
    void FreeRows();
};

// Brings the existing window spy to the front, or makes one and brings it to the front.
// Answers it, or null without a window system.
WindowView* ShowWindowSpy();
