#pragma once
// The collection editor's "Hue Changes" page: the list of the collection's hue changes with
// rename, duplicate, delete, new and drag reorder; activating one opens its X256HueEdit.
#include "collection/Collection.h"
#include "gui/ListWindow.h"

class X256HueEdit;

class X256HueBrowser : public ListWindow {
public:
    X256HueBrowser(Collection* collection, u32 windowFlags, Window* parent);
    ~X256HueBrowser() override;
    const char* GetClassName() const override;

    // Rebuilds the list from the collection.
    void Refresh();

    // Context menu ids.
    enum : s32 { kRename = 0, kDuplicate = 1, kDelete = 2, kNew = 3 };
    void ShowContextMenu(Point screenPoint);
    void RunCommand(s32 id);
    void RenameSelected();
    void DuplicateSelected();
    void DeleteSelected();
    void NewHueChange();
    void OnRowDropped(ListItem* item, s32 row);
    void OpenHueEdit(ListItem* item);

    X256HueEdit* FindEditor(const HueChange* h) const;
    u32 GetOpenEditorCount() const { return editors.count; }

    Signal<> changed;

private:
    void RebuildKeepingScroll();
    void SelectHueChange(HueChange* h);
    void OnHueChanged(HueChange* h);
    void OnHueRenamed(HueChange* h);
    void OnHueEditClosed(X256HueEdit* editor);

    Collection* collection;
    DynArray<X256HueEdit*> editors;
};
