// ListGridWindow: installing the two views and switching between them.
#include "gui/ListGridWindow.h"

#include "gui/Skin.h"
#include "gui/WindowSystem.h"

namespace {
constexpr s32 kBarHeight = 32;
}

ListGridWindow::ListGridWindow(u32 f, Window* p)
    : Window(f, p), toggleButton(nullptr), listView(nullptr), gridView(nullptr), currentView(nullptr)
{
    toggleButton = new Button(this, 0);
    toggleButton->SetTitle("Grid");
    toggleButton->SizeToFit();
    toggleButton->clickedWithId.Connect<&ListGridWindow::OnToggleClicked>(this);
}

ListGridWindow::~ListGridWindow() {}

const char* ListGridWindow::GetClassName() const { return "ListGridWindow"; }

void ListGridWindow::OnToggleClicked(s32) { ToggleView(); }

void ListGridWindow::SizeView(Window* view) { view->SetSize(GetFrameWidth(), GetFrameHeight() - kBarHeight); }

void ListGridWindow::Install(Window* view, Window** slot)
{
    *slot = view;
    if (!view) return;
    if (view->GetParent() != this) view->SetParent(this);
    view->MoveTo(0, kBarHeight);
    if (!currentView) {
        currentView = view;
        SizeView(view);
        if (toggleButton) toggleButton->SetTitle(view == gridView ? "List" : "Grid");
    }
    view->SetVisible(view == currentView);
    Window::SetFocus(view, FOCUS_PROGRAM);
    Window* ring[3];
    u32 n = 0;
    if (toggleButton) ring[n++] = toggleButton;
    if (gridView) ring[n++] = gridView;
    if (listView) ring[n++] = listView;
    SetTabOrderArray(ring, n);
}

void ListGridWindow::SetListView(Window* view) { Install(view, &listView); }

void ListGridWindow::SetGridView(Window* view) { Install(view, &gridView); }

void ListGridWindow::ToggleView()
{
    Window* next;
    if (currentView != gridView) {
        next = gridView;
        if (toggleButton) toggleButton->SetTitle("List");
    } else {
        next = listView;
        if (toggleButton) toggleButton->SetTitle("Grid");
    }
    Window* other = next == gridView ? listView : gridView;
    if (other) other->SetVisible(0);
    currentView = next;
    if (next) {
        SizeView(next);
        next->SetVisible(1);
        Window::SetFocus(next, FOCUS_PROGRAM);
    }
    Resized();
    viewSwitched.Emit();
}

void ListGridWindow::Resized()
{
    Window::Resized();
    if (currentView) SizeView(currentView);
    if (toggleButton) toggleButton->MoveTo(GetFrameWidth() - toggleButton->GetFrameWidth() - 1, 3);
}

void ListGridWindow::DrawBackground()
{
    Skin* skin = WindowSystem::GetSkin();
    if (!skin) return;
    Rect bar = {0, 0, GetContentWidth(), kBarHeight};
    BeginDraw(1, 0);
    skin->DrawBackground(bar);
    skin->DrawFrame(bar, 8);
    EndDraw();
}

FocusAnswer ListGridWindow::FocusGained(Window*, u32)
{
    return currentView ? reinterpret_cast<FocusAnswer>(currentView) : FOCUS_TAKEN;
}

void ListGridWindow::ChildRemoved(Window* child)
{
    Window::ChildRemoved(child);
    if (child == toggleButton) toggleButton = nullptr;
    if (child == listView) listView = nullptr;
    if (child == gridView) gridView = nullptr;
    if (child == currentView) currentView = nullptr;
}
