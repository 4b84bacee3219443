#pragma once
// SubStructArrayEdit: the control of a "substruct" member with several elements, or whose
// count of elements in use lives in another member: a list of the elements (named by a tag or
// a sequence member of each) with "Add", "Delete" and "Duplicate"; activating a row opens its
// element in a nested editor. The elements are edited in place in the owner's record. A count
// in use outside 0..declared (damaged data) is taken as clamped, and Add or Duplicate with the
// array full does nothing, so nothing outside the array is ever read or written.
#include "foundation/Signal.h"
#include "gui/Window.h"

class Button;
class ListWindow;
class StructDef;
class StructEditor;
class StructMember;
struct ListItem;

class SubStructArrayEdit : public Window {
public:
    SubStructArrayEdit(StructEditor* editor, StructMember* member, StructMember* runtimeCount,
                       const char* textMemberName);
    const char* GetClassName() const override;
    FocusAnswer FocusGained(Window* oldFocus, u32 reason) override;

    // Elements in use: the runtime count clamped to 0..declared, or the declared count.
    u32 CountInUse() const;
    void Refresh();
    void UpdateButtons();
    // Adds element n (a copy of `sourceRow`'s element with one) and opens it; Cancel takes
    // the count back. Does nothing when the array is full.
    void AddElement(s32 sourceRow);
    void OnAdd();
    void OnDuplicate();
    void DeleteSelected();
    void EditElement(ListItem* item);
    void OnSelectionChanged();

    ListWindow* GetList() const { return list; }
    Button* GetAddButton() const { return addButton; }
    Button* GetDeleteButton() const { return deleteButton; }
    Button* GetDuplicateButton() const { return duplicateButton; }

private:
    u8* Element(u32 i) const;
    s32 CurrentRowElement() const;

    ListWindow* list;
    Button* addButton;
    Button* deleteButton;
    Button* duplicateButton;
    StructDef* elementDefinition;
    StructEditor* owner;
    StructMember* arrayMember;
    StructMember* runtimeCountMember;
    StructMember* textMember;
};
