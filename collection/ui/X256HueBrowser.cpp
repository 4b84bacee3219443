#include "collection/ui/X256HueBrowser.h"

#include <cstdio>
#include <cstring>

#include "collection/ui/X256HueEdit.h"

X256HueBrowser::X256HueBrowser(Collection* c, u32 windowFlags, Window* parent)
    : CollectionListPage("hue change", "New Hue Change", windowFlags, parent), collection(c), editors{}
{
    itemActivated.Connect<&X256HueBrowser::OpenHueEdit>(this);
    itemMoved.Connect<&X256HueBrowser::OnRowDropped>(this);
    deleteRequested.Connect<&X256HueBrowser::DeleteSelected>(this);
    Refresh();
}

X256HueBrowser::~X256HueBrowser()
{
    // Each editor's closed signal removes it from the list while it goes.
    while (editors.count) {
        X256HueEdit* e = editors.data[editors.count - 1];
        e->closed.Disconnect(this);
        editors.count--;
        e->Close();
    }
    editors.Free();
}

const char* X256HueBrowser::GetClassName() const { return "X256HueBrowser"; }

void X256HueBrowser::Refresh()
{
    Clear();
    if (collection)
        for (HueChange* h : collection->hueChanges) AddItem(nullptr, 0, LIF_TEXT, h, h->name);
    UpdateScrollRange();
}

bool X256HueBrowser::IsRecordOpen(const void* record) const
{
    return FindEditor(static_cast<const HueChange*>(record)) != nullptr;
}

const char* X256HueBrowser::RecordName(const void* record) const
{
    return static_cast<const HueChange*>(record)->name;
}

void X256HueBrowser::RenameSelected()
{
    ListItem* item = GetCurrentItem();
    if (!item || !item->userData) return;
    if (EditItemText(item) != 1) return;
    HueChange* h = static_cast<HueChange*>(item->userData);
    const char* text = item->text ? item->text : "";
    if (strncmp(text, h->name, 63) == 0 && strlen(text) <= 63 && strlen(h->name) == strlen(text)) return;
    memset(h->name, 0, sizeof(h->name));
    strncpy(h->name, text, 63);
    changed.Emit();
}

void X256HueBrowser::NewHueChange()
{
    if (!collection) return;
    HueChange* h = collection->AddHueChange("New Hue Change");
    Refresh();
    SelectRecord(h);
    changed.Emit();
    RenameSelected();
}

void X256HueBrowser::DuplicateSelected()
{
    ListItem* item = GetCurrentItem();
    if (!collection || !item || !item->userData || GetSelectedCount() != 1) return;
    HueChange* source = static_cast<HueChange*>(item->userData);
    s32 at = collection->IndexOfHueChange(source);
    if (at < 0) return;
    HueChange* copy = collection->AddHueChange("");
    memcpy(copy, source, sizeof(HueChange));
    char name[sizeof(copy->name) + 8] = {};
    snprintf(name, sizeof(name), "%s copy", source->name);
    name[sizeof(copy->name) - 1] = 0;
    memcpy(copy->name, name, sizeof(copy->name));
    collection->MoveHueChange(copy, u32(at) + 1);
    Refresh();
    SelectRecord(copy);
    changed.Emit();
}

void X256HueBrowser::DeleteSelected()
{
    if (!collection) return;
    ScopedDynArray<void*> data;
    if (!ConfirmDeleteSelection(&data, nullptr)) return;
    for (void* p : data) collection->DeleteHueChange(static_cast<HueChange*>(p));
    RebuildKeepingScroll();
    changed.Emit();
}

void X256HueBrowser::OnRowDropped(ListItem* item, s32 row)
{
    if (!collection || !item || !item->userData || row < 0) return;
    HueChange* h = static_cast<HueChange*>(item->userData);
    if (collection->MoveHueChange(h, u32(row)) == 0xFFFFFFFFu) return;
    RebuildKeepingScroll();
    SelectRecord(h);
    changed.Emit();
}

X256HueEdit* X256HueBrowser::FindEditor(const HueChange* h) const
{
    for (X256HueEdit* e : editors)
        if (e->GetHueChange() == h) return e;
    return nullptr;
}

void X256HueBrowser::OpenHueEdit(ListItem* item)
{
    if (!item || !item->userData) return;
    HueChange* h = static_cast<HueChange*>(item->userData);
    if (X256HueEdit* open = FindEditor(h)) {
        open->BringToFront();
        return;
    }
    X256HueEdit* e = new X256HueEdit(h);
    editors.Push(e);
    e->changed.Connect<&X256HueBrowser::OnHueChanged>(this);
    e->nameChanged.Connect<&X256HueBrowser::OnHueRenamed>(this);
    e->closed.Connect<&X256HueBrowser::OnHueEditClosed>(this);
}

void X256HueBrowser::OnHueChanged(HueChange*) { changed.Emit(); }

void X256HueBrowser::OnHueRenamed(HueChange*) { RebuildKeepingScroll(); }

void X256HueBrowser::OnHueEditClosed(X256HueEdit* editor)
{
    for (u32 i = 0; i < editors.count; ++i) {
        if (editors.data[i] != editor) continue;
        editors.RemoveRange(i, 1);
        return;
    }
}
