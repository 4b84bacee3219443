#pragma once
// MemberChangeListener: binds one "item" of a structure layout to its member. The editor
// keeps one per item (whether or not a control was made) and deletes them with itself. Its
// handlers store what the control shows into the record (every keystroke that parses, every
// choice, every click) and emit the editor's `changed`.
#include "foundation/CleanHeapObject.h"
#include "foundation/Signal.h"
#include "foundation/Types.h"

class StructEditor;
class StructMember;
class Window;
struct ListItem;

class MemberChangeListener : public CleanHeapObject<has_slots<void>> {
public:
    MemberChangeListener(StructEditor* editor, StructMember* member, u32 index, u32 bit);

    void OnNumberChanged();
    void OnIntChanged();
    void OnCheckChanged();
    // Enum and sequence pickers: stores the chosen entry's value.
    void OnComboChanged(ListItem* item, u32 data);
    // Tag pickers: stores the tag id and refreshes the sequence pickers that depend on it.
    void OnTagComboChanged(ListItem* item, u32 data);
    // A single sub-struct's button: opens its element in a nested editor.
    void OnSubStructButton();
    // Number and integer fields: shows the stored element again, storing nothing.
    void ShowStoredValue();

    StructMember* member;
    Window* control;
    u32 index;
    u32 bit;
    StructMember* tagMember;  // sequence pickers: the member whose value selects the collection
    StructEditor* editor;
    u32 heldCollection;     // sequence pickers: the collection id whose reference they hold
    u32 holdsCollection;    // 1 while heldCollection is a reference the editor holds
    u32 showing;            // 1 while the field is set from the record, not typed
};
