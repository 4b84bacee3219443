#pragma once
// The collection editor's "Optimize" page: five buttons that each run one whole-collection
// clean-up and report its result in a message box.
#include "collection/Collection.h"
#include "foundation/DynArray.h"
#include "gui/Window.h"

class Button;

class X256OptimizeEdit : public Window {
public:
    X256OptimizeEdit(Collection* collection, u32 flags, Window* parent);
    ~X256OptimizeEdit() override;
    const char* GetClassName() const override;

    // The collection editor disables the page while a bitmap, sequence or frame editor of the
    // collection is open: those windows hold pointers the operations may free. The buttons
    // keep their look; a click then says why nothing happens.
    void SetEnabled(u32 enabled) { this->enabled = enabled; }
    u32 IsEnabled() const { return enabled; }
    Button* GetButton(u32 id) const { return id < buttons.count ? buttons.data[id] : nullptr; }

    // Runs the operation of button id (0..4); emits changed when it changed the collection.
    void OnButton(s32 id);

    // The operations, each with its report box; non-zero when the collection changed.
    static u32 DeleteUnusedBitmaps(Collection& collection);
    static u32 MergeIdenticalBitmaps(Collection& collection);
    static u32 CropAllBitmaps(Collection& collection);
    static u32 AutoRenameBitmaps(Collection& collection);
    static u32 GetRuntimeSize(Collection& collection);

    Signal<> changed;

private:
    Collection* collection;
    DynArray<Button*> buttons;
    u32 enabled;
};
