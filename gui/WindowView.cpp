// The window spy.
#include "gui/WindowView.h"

#include "gui/ListWindow.h"
#include "gui/WindowPlacement.h"
#include "gui/WindowSystem.h"
#include "platform/OsKeys.h"

namespace {

constexpr u32 kSpyFlags = WF_VISIBLE | WF_ENABLED | WF_TITLEBAR | WF_SHADOW | WF_THICKFRAME | WF_RESIZABLE |
                          WF_DARKPANEL | WF_CLOSEBOX | WF_ZOOMBOX | WF_COLLAPSEBOX;
constexpr u32 kTreeStyle = LWS_TREE | LWS_COLUMNS | LWS_MULTISELECT | LWS_HEADER;
constexpr u32 kCellTextFlags = 262;
constexpr u32 kKeyF5 = KEY_F1 + 4;
const char kPlacementKey[] = "WindowSpyPlacement";

// The address is read as an unsigned integer of pointer size, so the format must take one of
// that size: a 32-bit conversion would show a 64-bit address cut in half.
const char* AddressFormat() { return sizeof(void*) == 8 ? "0x%llx" : "0x%x"; }

}  // namespace

WindowView::WindowView() : Window(kSpyFlags, nullptr)
{
    list = new ListWindow(kTreeStyle, WF_VISIBLE | WF_ENABLED, this);
    list->AddColumn("Text", "%s", LCT_STRING, sizeof(String), 256, 0, kCellTextFlags);
    list->AddColumn("Class", "%s", LCT_STRING, sizeof(String), 192, 0, kCellTextFlags);
    list->AddColumn("Address", AddressFormat(), LCT_UINT, sizeof(Window*), 96, 0, kCellTextFlags);
    SetTitle("Window Spy");
    if (!RestoreWindowPlacement(this, kPlacementKey, 1)) {
        Point p = WindowSystem::NextCascadePosition();
        SetFrameXYWH(p.x, p.y, 512, 700);
    }
    BuildTree();
}

WindowView::~WindowView() { FreeRows(); }

void WindowView::FreeRows()
{
    for (u32 i = 0; i < rows.count; ++i) delete rows.data[i];
    rows.Clear();
    rows.Free();
}

void WindowView::Closing()
{
    SaveWindowPlacement(this, kPlacementKey);
    Window::Closing();
}

void WindowView::Resized()
{
    Window::Resized();
    if (list) list->FillParent();
}

int WindowView::KeyEvent(Event* event)
{
    if (event->Key() == kKeyF5 && event->Action()) {
        BuildTree();
        return 1;
    }
    return Window::KeyEvent(event);
}

void WindowView::BuildTree()
{
    // The list lets go of its items (and their pointers into the rows) before the rows go.
    list->ClearItems();
    FreeRows();
    Window* root = WindowSystem::GetLayerRoot(-1);
    if (root) AddWindow(root, nullptr);
    list->UpdateScrollRange();
    list->Invalidate(0);
}

void WindowView::AddWindow(Window* w, ListItem* parentRow)
{
    WindowViewRow* row = new WindowViewRow();
    const char* title = w->GetTitle();
    row->title.Set(title && *title ? title : "(unnamed)");
    row->className.Set(w->GetClassName());
    row->window = w;
    rows.Push(row);
    u32 flags = 0;
    if (w->GetFirstChild()) flags |= LIF_EXPANDABLE;
    ListItem* item = list->InsertItem(parentRow, 0, flags, row, nullptr);
    if (!item) return;
    for (Window* child = w->GetFirstChild(); child; child = child->GetNextSibling()) AddWindow(child, item);
    // The root and the layers start open, so the top-level windows show at once.
    if (w->TestFlags(WF_DETACHED) && (flags & LIF_EXPANDABLE)) list->ExpandItem(item);
}

WindowView* ShowWindowSpy()
{
    if (!WindowSystem::GetLayerRoot(0)) return nullptr;
    WindowView* spy = static_cast<WindowView*>(WindowSystem::FindWindow("Window Spy", "WindowView"));
    // One queued for deletion by a close is as good as gone.
    if (!spy || spy->GetState() == WS_CLOSED) spy = new WindowView();
    spy->BringToFront();
    return spy;
}
