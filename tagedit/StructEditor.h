#pragma once
// StructEditor: the dialog that edits one record of a definition, built from the
// "structedit" layout that names the definition. The top-level editor fills a TagStructEdit
// and owns its record; a nested editor is a modal dialog on one element of a "substruct"
// member, edits it in place inside its parent's record and restores it on Cancel.
#include "foundation/DynArray.h"
#include "foundation/Signal.h"
#include "gui/Window.h"
#include "tagedit/StructValues.h"

class Button;
class Collection;
class ComboBox;
class MemberChangeListener;
class StructData;
class StructDef;
class StructMember;
class Table;
class TiXmlElement;

class StructEditor : public Window {
public:
    // The top-level form: no parent, an owned zero-filled record; the caller fills the record
    // and then calls BuildUI.
    explicit StructEditor(StructDef* definition);
    // The nested form: a view on `element` inside the parent's record, a backup of its bytes
    // and the controls (BuildUI; IsBuilt tells whether a layout was found).
    StructEditor(StructDef* definition, StructEditor* parent, u8* element);
    ~StructEditor() override;
    const char* GetClassName() const override;

    // Builds the controls from the definition's layout; 0 when no layout names it.
    int BuildUI();
    bool IsBuilt() const { return ok != nullptr; }
    // Copies the record's bytes into the backup (made on first use).
    void SaveBackup();
    void OnOk();
    void OnCancel();
    // The sub-dialog button with this id was clicked.
    void ShowSubDialog(s32 index);

    // Scoped lookup: this record's definition, then each enclosing one.
    StructMember* FindMember(const char* name) const;
    // Values in scope (StructValues.h).
    s32 ReadSigned(const StructMember* member, u32 i) const;
    u32 ReadUnsigned(const StructMember* member, u32 i) const;
    void WriteValue(const StructMember* member, s32 value, u32 i);
    // Element i of a "substruct" member in the record that holds it, or null.
    u8* GetElementData(const StructMember* member, u32 i) const;

    StructData* GetData() const { return data; }
    StructDef* GetDefinition() const { return definition; }
    StructEditor* GetParentEditor() const { return parentEditor; }
    const StructScope* GetScope() const { return &scope; }
    // The editor whose record is the tag's (the end of the parent chain).
    StructEditor* GetTopEditor();
    u32 ListenerCount() const { return listeners.count; }
    MemberChangeListener* ListenerAt(u32 i) const { return listeners[i]; }
    u32 SubDialogCount() const { return subDialogs.count; }
    Table* SubDialogAt(u32 i) const { return subDialogs[i]; }
    // Emits `changed`; the slot member controls call after storing.
    void EmitChanged() { changed.Emit(); }

    // Collection references this editor holds in the cache (released by the destructor).
    void AddCollectionReference(u32 id) { collectionIds.Push(id); }
    // Gives up one reference taken for `id`: released in the cache and dropped from the list.
    void ReleaseCollectionReference(u32 id);

    // The collection the member (element i) selects: a '.256' id, or a 'core' tag id for a
    // "tag" member of group 'core'. A reference taken in the cache is recorded in *heldId
    // (1 answered) and in the editor's list; null when no collection could be read.
    Collection* LoadReferencedCollection(const StructMember* member, u32 i, u32* heldId, bool* held);
    // A tag picker chose a tag: stores it and relists the sequence pickers that depend on it.
    void OnTagChanged(MemberChangeListener* listener, u32 newId);

    Button* ok;
    Button* cancel;
    Signal<> changed;

private:
    Table* CreateStructEditTable(const TiXmlElement* element);
    Table* CreateTable(const TiXmlElement* element);
    Table* AddLayoutChild(const TiXmlElement* element, Table* table);
    Window* CreateLayoutElement(const TiXmlElement* element);
    Window* CreateLabelCell(const TiXmlElement* element);
    Window* CreateItemWidget(const TiXmlElement* element);
    Window* CreateSubDialogButton(Table* table);
    void AddOkCancel(Table* table);
    Window* CreateIntField(MemberChangeListener* listener);
    Window* CreateNumberField(MemberChangeListener* listener);
    Window* CreateBitCheckBox(const TiXmlElement* element, MemberChangeListener* listener);
    Window* CreateEnumCombo(MemberChangeListener* listener);
    Window* CreateTagCombo(MemberChangeListener* listener);
    Window* CreateSequenceCombo(const TiXmlElement* element, MemberChangeListener* listener);
    Window* CreateSubStructWidget(const TiXmlElement* element, MemberChangeListener* listener);

    StructDef* definition;
    StructData* backup;
    StructData* data;
    StructEditor* parentEditor;
    StructScope scope;
    DynArray<MemberChangeListener*> listeners;
    DynArray<Table*> subDialogs;
    DynArray<u32> collectionIds;
};

// Opens a nested editor on one element as a modal dialog titled `title` and answers 1 after
// OK (the edits stay), 0 after Cancel (the element's bytes are restored). A definition
// without a layout opens nothing (a dialog without buttons could not be left): logged, 0.
// Fills a combo box with the existing tags of the group, sorted, "<no tag>" (-1) in front and
// selected.
void FillTagCombo(ComboBox* combo, u32 group);
// Fills a combo box with the collection's sequences sorted by name, "<no sequence>" (-1) in
// front and selected; only that entry without a collection.
void FillSequenceCombo(ComboBox* combo, const Collection* collection);

int OpenSubStructEditor(StructDef* elementDefinition, StructEditor* parent, u8* element, const char* title);
