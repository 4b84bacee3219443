#include "collection/ui/X256ColorTableEdit.h"

#include <cstdint>

#include "foundation/Rgb.h"
#include "gui/GridWindow.h"
#include "gui/Menu.h"
#include "gui/Skin.h"
#include "gui/WindowSystem.h"
#include "platform/FileDialogs.h"
#include "platform/OsDialogs.h"

namespace {

constexpr u32 kCellSide = 22;
constexpr u32 kEntries = 256;

u32 IndexOf(void* item) { return u32(uintptr_t(item)) & 0xFF; }

}  // namespace

X256ColorTableEdit::X256ColorTableEdit(Collection* c, u32 windowFlags, Window* parent)
    : Window(windowFlags | WF_FOCUSABLE, parent), collection(c)
{
    grid = new GridWindow(1, WF_VISIBLE | WF_ENABLED, this);
    grid->MoveTo(1, 1);
    grid->SetLayoutMode(0);
    grid->SetCaptionHeight(0);
    grid->SetCellWidth(kCellSide);
    grid->SetCellHeight(kCellSide);
    grid->SetSpacing(0);
    grid->SetItemCount(kEntries);
    for (u32 i = 0; i < kEntries; ++i) grid->SetItemUserData(i, reinterpret_cast<void*>(uintptr_t(i)));
    grid->SetCallbackContext(this);
    grid->SetDrawItemCallback(&X256ColorTableEdit::DrawCell);
    grid->SetActivateCallback(&X256ColorTableEdit::OnActivate);
    grid->contextRequested.Connect<&X256ColorTableEdit::ShowContextMenu>(this);
}

X256ColorTableEdit::~X256ColorTableEdit() {}

const char* X256ColorTableEdit::GetClassName() const { return "X256ColorTableEdit"; }

void X256ColorTableEdit::Resized()
{
    Window::Resized();
    grid->FillParent();
}

FocusAnswer X256ColorTableEdit::FocusGained(Window*, u32) { return FocusAnswer(grid); }

void X256ColorTableEdit::DrawCell(void* context, const Rect& cell, void* item)
{
    const X256ColorTableEdit* page = static_cast<const X256ColorTableEdit*>(context);
    if (!page->collection) return;
    const ColorTableEntry& e = page->collection->colorTable.entries[IndexOf(item)];
    SetColor(0xFF000000u | u32(e.blue) << 16 | u32(e.green) << 8 | e.red);
    FillRect(cell);
}

void X256ColorTableEdit::OnActivate(void* context, void* item)
{
    static_cast<X256ColorTableEdit*>(context)->EditColor(IndexOf(item));
}

void X256ColorTableEdit::EditColor(u32 index)
{
    if (!collection || index >= kEntries) return;
    ColorTableEntry& e = collection->colorTable.entries[index];
    u8 rgb[3] = {e.red, e.green, e.blue};
    if (!PickColor(rgb)) return;
    e = ColorTableEntry{rgb[0], rgb[1], rgb[2]};
    changed.Emit();
    WindowSystem::InvalidateAll();
}

void X256ColorTableEdit::ShowContextMenu(Point screenPoint)
{
    Menu* menu = new Menu(0);
    menu->AddItem("Save Color Table As...", nullptr, kSaveColorTable, 1);
    menu->AddItem("Load Color Table...", nullptr, kLoadColorTable, 1);
    s32 id = menu->Popup(screenPoint);
    menu->Close();
    RunCommand(id);
}

void X256ColorTableEdit::RunCommand(s32 id)
{
    if (id == kSaveColorTable) SaveColorTable();
    if (id == kLoadColorTable) LoadColorTable();
}

void X256ColorTableEdit::SaveColorTable()
{
    if (!collection) return;
    static_assert(sizeof(Rgb) == sizeof(ColorTableEntry), "a table entry is three bytes");
    Rgb entries[kEntries];
    for (u32 i = 0; i < kEntries; ++i) {
        const ColorTableEntry& e = collection->colorTable.entries[i];
        entries[i] = Rgb{e.red, e.green, e.blue};
    }
    ExportColorTableDialog(collection->name, entries, kEntries);
}

void X256ColorTableEdit::LoadColorTable()
{
    if (!collection) return;
    Rgb entries[kEntries];
    u32 count = 0;
    if (!ImportColorTableDialog(collection->name, entries, &count)) return;
    for (u32 i = 0; i < kEntries; ++i) collection->colorTable.entries[i] = ColorTableEntry{entries[i].r, entries[i].g, entries[i].b};
    changed.Emit();
    Invalidate(1);
}
