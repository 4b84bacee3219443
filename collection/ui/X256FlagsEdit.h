#pragma once
// The collection editor's "Flags" page: one check box per usage bit of the collection (what
// the game may use it for). Only those six bits are edited; every other bit is kept.
#include "collection/Collection.h"
#include "foundation/DynArray.h"
#include "gui/Window.h"

class CheckBox;
class TextBox;

class X256FlagsEdit : public Window {
public:
    // The collection is not owned and may be null (the boxes then edit nothing).
    X256FlagsEdit(Collection* collection, u32 windowFlags, Window* parent);
    ~X256FlagsEdit() override;
    const char* GetClassName() const override;

    // Sets check box i from bit i of the collection's flags.
    void Refresh();
    // Sets or clears bit i from check box i, keeps every other bit, and emits changed.
    void Apply();

    CheckBox* GetCheckBox(u32 bit) const { return bit < boxes.count ? boxes.data[bit] : nullptr; }

    // Fields, in this order.
    Signal<> changed;
    Collection* collection;
    TextBox* label;
    DynArray<CheckBox*> boxes;  // index: the bit it edits
};
