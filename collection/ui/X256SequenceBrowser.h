#pragma once
// The collection editor's "Sequences" page: the list of the collection's sequences with
// rename, duplicate, delete, new and drag reorder. Activating a sequence opens its
// X256SequenceEdit; activating a view cell there opens an X256SequenceFrameEdit. The page keeps
// both lists of open editors, relays their changes, refuses to delete a sequence an editor
// shows, and locks the Frames and Views fields of a sequence's editors while a frame editor
// shows that sequence (the frame editor indexes its frames and views).
#include "collection/Collection.h"
#include "gui/ListWindow.h"

class X256SequenceEdit;
class X256SequenceFrameEdit;

class X256SequenceBrowser : public ListWindow {
public:
    // The collection is not owned and may be null (an empty page).
    X256SequenceBrowser(Collection* collection, u32 windowFlags, Window* parent);
    // Closes every open frame editor, then every sequence editor.
    ~X256SequenceBrowser() override;
    const char* GetClassName() const override;

    // Rebuilds the list from the collection.
    void Refresh();
    // Rebuilds the grid of every open sequence editor (bitmaps changed elsewhere).
    void RefreshSequenceEdits();
    u32 GetOpenEditCount() const { return sequenceEdits.count; }
    u32 GetOpenFrameEditCount() const { return frameEdits.count; }
    const DynArray<X256SequenceEdit*>& GetSequenceEdits() const { return sequenceEdits; }
    const DynArray<X256SequenceFrameEdit*>& GetFrameEdits() const { return frameEdits; }
    X256SequenceEdit* FindSequenceEdit(const Sequence* s) const;

    // Context menu ids.
    enum : s32 { kRename = 0, kDuplicate = 1, kDelete = 2, kNew = 3 };
    // The menu at the screen point; the chosen id runs after the menu closed.
    void ShowContextMenu(Point screenPoint);
    void RunCommand(s32 id);
    void RenameSelected();
    void DuplicateSelected();
    // Refused with a message while an editor shows a selected sequence; asks first.
    void DeleteSelected();
    void NewSequence();
    void OnRowDropped(ListItem* item, s32 row);

    // Brings the open editor of the item's sequence to the front, or opens one.
    void OpenSequenceEdit(ListItem* item);
    // Brings the open frame editor of (sequence, view, frame) to the front, or opens one.
    void OpenFrameEdit(Sequence* sequence, u32 view, u32 frame);
    // Every sequence editor's Frames and Views fields enabled exactly when no frame editor
    // shows its sequence.
    void UpdateEditLocks();

    // Relays from the editors.
    void OnSequenceChanged(Sequence* sequence);
    void OnBitmapsChanged();
    void OnSequenceEditClosed(X256SequenceEdit* editor);
    void OnFrameEditClosed(X256SequenceFrameEdit* editor);
    void OnFrameEditSwitched(X256SequenceFrameEdit* editor);

    // A sequence was added, removed, renamed, moved or edited.
    Signal<> changed;
    // A sequence editor added bitmaps or changed their pixels.
    Signal<> bitmapsChanged;
    // A sequence or frame editor opened or closed.
    Signal<> openWindowsChanged;

private:
    void RebuildKeepingScroll();
    void SelectSequence(Sequence* s);
    void RefreshSelectors();
    bool IsShownByAnEditor(const Sequence* s) const;

    Collection* collection;
    DynArray<X256SequenceEdit*> sequenceEdits;
    DynArray<X256SequenceFrameEdit*> frameEdits;
};
