#include "collection/ui/X256SequenceBrowser.h"

#include <cstdio>
#include <cstring>

#include "collection/ui/X256SequenceEdit.h"
#include "collection/ui/X256SequenceFrameEdit.h"

X256SequenceBrowser::X256SequenceBrowser(Collection* c, u32 windowFlags, Window* parent)
    : CollectionListPage("sequence", "New Sequence", windowFlags, parent),
      collection(c),
      sequenceEdits{},
      frameEdits{}
{
    itemActivated.Connect<&X256SequenceBrowser::OpenSequenceEdit>(this);
    itemMoved.Connect<&X256SequenceBrowser::OnRowDropped>(this);
    deleteRequested.Connect<&X256SequenceBrowser::DeleteSelected>(this);
    Refresh();
}

X256SequenceBrowser::~X256SequenceBrowser()
{
    // Each editor's closed signal would reach back into this page while it goes; frame
    // editors first, since they may show what a sequence editor could still change.
    while (frameEdits.count) {
        X256SequenceFrameEdit* e = frameEdits.data[--frameEdits.count];
        e->closed.Disconnect(this);
        e->Close();
    }
    while (sequenceEdits.count) {
        X256SequenceEdit* e = sequenceEdits.data[--sequenceEdits.count];
        e->closed.Disconnect(this);
        e->Close();
    }
    frameEdits.Free();
    sequenceEdits.Free();
}

const char* X256SequenceBrowser::GetClassName() const { return "X256SequenceBrowser"; }

void X256SequenceBrowser::Refresh()
{
    Clear();
    if (collection)
        for (Sequence* s : collection->sequences) AddItem(nullptr, 0, LIF_TEXT, s, s->name);
    UpdateScrollRange();
}

void X256SequenceBrowser::RefreshSelectors()
{
    for (X256SequenceFrameEdit* e : frameEdits) e->RefreshSequenceSelector();
}

void X256SequenceBrowser::RefreshSequenceEdits()
{
    for (X256SequenceEdit* e : sequenceEdits) e->Refresh();
}

X256SequenceEdit* X256SequenceBrowser::FindSequenceEdit(const Sequence* s) const
{
    for (X256SequenceEdit* e : sequenceEdits)
        if (e->GetSequence() == s) return e;
    return nullptr;
}

bool X256SequenceBrowser::IsRecordOpen(const void* record) const
{
    const Sequence* s = static_cast<const Sequence*>(record);
    for (X256SequenceFrameEdit* e : frameEdits)
        if (e->GetSequence() == s) return true;
    return FindSequenceEdit(s) != nullptr;
}

const char* X256SequenceBrowser::RecordName(const void* record) const
{
    return static_cast<const Sequence*>(record)->name;
}

void X256SequenceBrowser::RenameSelected()
{
    ListItem* item = GetCurrentItem();
    if (!item || !item->userData) return;
    if (EditItemText(item) != 1) return;
    Sequence* s = static_cast<Sequence*>(item->userData);
    const char* text = item->text ? item->text : "";
    char name[64] = {};
    strncpy(name, text, 63);
    if (strcmp(name, s->name) != 0) {
        memcpy(s->name, name, sizeof(s->name));
        for (X256SequenceEdit* e : sequenceEdits)
            if (e->GetSequence() == s) e->Refresh();
        RefreshSelectors();
        changed.Emit();
    }
    SelectRecord(s);
}

void X256SequenceBrowser::NewSequence()
{
    if (!collection) return;
    Sequence* s = collection->AddSequence("New Sequence");
    Refresh();
    SelectRecord(s);
    RefreshSelectors();
    changed.Emit();
    RenameSelected();
}

void X256SequenceBrowser::DuplicateSelected()
{
    ListItem* item = GetCurrentItem();
    if (!collection || !item || !item->userData || GetSelectedCount() != 1) return;
    Sequence* source = static_cast<Sequence*>(item->userData);
    s32 at = collection->IndexOfSequence(source);
    if (at < 0) return;
    Sequence* copy = collection->AddSequence("");
    copy->Assign(*source);
    char name[sizeof(copy->name) + 8] = {};
    snprintf(name, sizeof(name), "%s copy", source->name);
    name[sizeof(copy->name) - 1] = 0;
    memcpy(copy->name, name, sizeof(copy->name));
    collection->MoveSequence(copy, u32(at) + 1);
    Refresh();
    SelectRecord(copy);
    RefreshSelectors();
    changed.Emit();
}

void X256SequenceBrowser::DeleteSelected()
{
    if (!collection) return;
    ScopedDynArray<void*> data;
    if (!ConfirmDeleteSelection(&data, "Confirm Delete")) return;
    for (void* p : data) collection->DeleteSequence(static_cast<Sequence*>(p));
    RefreshSelectors();
    RebuildKeepingScroll();
    changed.Emit();
}

void X256SequenceBrowser::OnRowDropped(ListItem* item, s32 row)
{
    if (!collection || !item || !item->userData || row < 0) return;
    Sequence* s = static_cast<Sequence*>(item->userData);
    if (collection->MoveSequence(s, u32(row)) == 0xFFFFFFFFu) return;
    RebuildKeepingScroll();
    SelectRecord(s);
    RefreshSelectors();
    changed.Emit();
}

void X256SequenceBrowser::OpenSequenceEdit(ListItem* item)
{
    if (!collection || !item || !item->userData) return;
    Sequence* s = static_cast<Sequence*>(item->userData);
    if (X256SequenceEdit* open = FindSequenceEdit(s)) {
        open->BringToFront();
        return;
    }
    X256SequenceEdit* e = new X256SequenceEdit(collection, s);
    sequenceEdits.Push(e);
    e->changed.Connect<&X256SequenceBrowser::OnSequenceChanged>(this);
    e->openFrameEdit.Connect<&X256SequenceBrowser::OpenFrameEdit>(this);
    e->closed.Connect<&X256SequenceBrowser::OnSequenceEditClosed>(this);
    e->bitmapsChanged.Connect<&X256SequenceBrowser::OnBitmapsChanged>(this);
    UpdateEditLocks();
    openWindowsChanged.Emit();
}

void X256SequenceBrowser::OpenFrameEdit(Sequence* s, u32 view, u32 frame)
{
    if (!collection || !s) return;
    for (X256SequenceFrameEdit* e : frameEdits)
        if (e->GetSequence() == s && e->GetView() == view && e->GetFrame() == frame) {
            e->BringToFront();
            return;
        }
    for (X256SequenceEdit* e : sequenceEdits)
        if (e->GetSequence() == s) e->SetSizeFieldsEnabled(0);
    X256SequenceFrameEdit* e = new X256SequenceFrameEdit(collection, s, view, frame);
    frameEdits.Push(e);
    e->changed.Connect<&X256SequenceBrowser::OnSequenceChanged>(this);
    e->sequenceSwitched.Connect<&X256SequenceBrowser::OnFrameEditSwitched>(this);
    e->closed.Connect<&X256SequenceBrowser::OnFrameEditClosed>(this);
    openWindowsChanged.Emit();
}

void X256SequenceBrowser::UpdateEditLocks()
{
    for (X256SequenceEdit* e : sequenceEdits) {
        bool locked = false;
        for (X256SequenceFrameEdit* f : frameEdits)
            if (f->GetSequence() == e->GetSequence()) locked = true;
        e->SetSizeFieldsEnabled(locked ? 0 : 1);
    }
}

void X256SequenceBrowser::OnSequenceChanged(Sequence* s)
{
    changed.Emit();
    for (X256SequenceEdit* e : sequenceEdits)
        if (e->GetSequence() == s) e->RedrawCells();
    for (X256SequenceFrameEdit* e : frameEdits)
        if (e->GetSequence() == s) e->Redraw();
}

void X256SequenceBrowser::OnBitmapsChanged() { bitmapsChanged.Emit(); }

void X256SequenceBrowser::OnSequenceEditClosed(X256SequenceEdit* editor)
{
    for (u32 i = 0; i < sequenceEdits.count; ++i) {
        if (sequenceEdits.data[i] != editor) continue;
        sequenceEdits.RemoveRange(i, 1);
        break;
    }
    openWindowsChanged.Emit();
}

void X256SequenceBrowser::OnFrameEditClosed(X256SequenceFrameEdit* editor)
{
    for (u32 i = 0; i < frameEdits.count; ++i) {
        if (frameEdits.data[i] != editor) continue;
        frameEdits.RemoveRange(i, 1);
        break;
    }
    UpdateEditLocks();
    openWindowsChanged.Emit();
}

void X256SequenceBrowser::OnFrameEditSwitched(X256SequenceFrameEdit*) { UpdateEditLocks(); }
