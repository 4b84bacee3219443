#pragma once
// A collection editor page listing one kind of the collection's named records (sequences, hue
// changes): several can be selected, rows are dragged to reorder, and the context menu offers
// Rename, Duplicate, Delete and New. The pages differ in what their records are and which
// editors show them; the menu, the selection after a rebuild and the guarded delete question
// are the same for both.
#include "foundation/DynArray.h"
#include "gui/ListWindow.h"

class CollectionListPage : public ListWindow {
public:
    // Context menu ids.
    enum : s32 { kRename = 0, kDuplicate = 1, kDelete = 2, kNew = 3 };
    // The menu at the screen point; the chosen id runs after the menu closed.
    void ShowContextMenu(Point screenPoint);
    void RunCommand(s32 id);

    // Rebuilds the list from the collection.
    virtual void Refresh() = 0;
    virtual void RenameSelected() = 0;
    virtual void DuplicateSelected() = 0;
    virtual void DeleteSelected() = 0;

protected:
    // kind: the record's name in messages ("sequence"); newLabel: the menu's last item.
    CollectionListPage(const char* kind, const char* newLabel, u32 windowFlags, Window* parent);

    virtual void NewRecord() = 0;
    virtual bool IsRecordOpen(const void* record) const = 0;
    virtual const char* RecordName(const void* record) const = 0;

    void RebuildKeepingScroll();
    // Selects the record's row and scrolls it into sight.
    void SelectRecord(const void* record);
    // The selected records, once the user agreed to remove them. Refused with a message
    // while an editor shows one of them: deleting it would leave that editor on freed memory.
    bool ConfirmDeleteSelection(DynArray<void*>* records, const char* questionTitle);

private:
    const char* kind;
    const char* newLabel;
};
