#pragma once
// The collection editor's "Sequences" page: the list of the collection's sequences with
// rename, duplicate, delete, new and drag reorder. Activating a sequence opens its
// X256SequenceEdit; activating a view cell there opens an X256SequenceFrameEdit. The page keeps
// both lists of open editors, relays their changes, refuses to delete a sequence an editor
// shows, and locks the Frames and Views fields of a sequence's editors while a frame editor
// shows that sequence (the frame editor indexes its frames and views).
#include "collection/Collection.h"
#include "collection/ui/CollectionListPage.h"

class X256SequenceEdit;
class X256SequenceFrameEdit;

class X256SequenceBrowser : public CollectionListPage {
public:
    // The collection is not owned and may be null (an empty page).
    X256SequenceBrowser(Collection* collection, u32 windowFlags, Window* parent);
    // Closes every open frame editor, then every sequence editor.
    ~X256SequenceBrowser() override;
    const char* GetClassName() const override;

    void Refresh() override;
    // Rebuilds the grid of every open sequence editor (bitmaps changed elsewhere).
    void RefreshSequenceEdits();
    u32 GetOpenEditCount() const { return sequenceEdits.count; }
    u32 GetOpenFrameEditCount() const { return frameEdits.count; }
    const DynArray<X256SequenceEdit*>& GetSequenceEdits() const { return sequenceEdits; }
    const DynArray<X256SequenceFrameEdit*>& GetFrameEdits() const { return frameEdits; }
    X256SequenceEdit* FindSequenceEdit(const Sequence* s) const;

    void RenameSelected() override;
    void DuplicateSelected() override;
    // Refused with a message while an editor shows a selected sequence; asks first.
    void DeleteSelected() override;
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

protected:
    void NewRecord() override { NewSequence(); }
    // Shown by a sequence editor or a frame editor.
    bool IsRecordOpen(const void* record) const override;
    const char* RecordName(const void* record) const override;

private:
    void RefreshSelectors();

    Collection* collection;
    DynArray<X256SequenceEdit*> sequenceEdits;
    DynArray<X256SequenceFrameEdit*> frameEdits;
};
