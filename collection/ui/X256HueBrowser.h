#pragma once
// The collection editor's "Hue Changes" page: the list of the collection's hue changes with
// rename, duplicate, delete, new and drag reorder; activating one opens its X256HueEdit.
#include "collection/Collection.h"
#include "collection/ui/CollectionListPage.h"

class X256HueEdit;

class X256HueBrowser : public CollectionListPage {
public:
    X256HueBrowser(Collection* collection, u32 windowFlags, Window* parent);
    ~X256HueBrowser() override;
    const char* GetClassName() const override;

    void Refresh() override;
    void RenameSelected() override;
    void DuplicateSelected() override;
    void DeleteSelected() override;
    void NewHueChange();
    void OnRowDropped(ListItem* item, s32 row);
    void OpenHueEdit(ListItem* item);

    X256HueEdit* FindEditor(const HueChange* h) const;
    u32 GetOpenEditorCount() const { return editors.count; }

    Signal<> changed;

protected:
    void NewRecord() override { NewHueChange(); }
    bool IsRecordOpen(const void* record) const override;
    const char* RecordName(const void* record) const override;

private:
    void OnHueChanged(HueChange* h);
    void OnHueRenamed(HueChange* h);
    void OnHueEditClosed(X256HueEdit* editor);

    Collection* collection;
    DynArray<X256HueEdit*> editors;
};
