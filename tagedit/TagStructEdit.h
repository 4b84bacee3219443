#pragma once
// TagStructEdit: the tag editor of every group whose tag data a structure definition
// describes. It hosts one top-level StructEditor built from the group's layout; OK saves
// and closes, Cancel closes without asking, Ctrl+S saves.
#include "tagedit/TagEdit.h"

class StructEditor;

class TagStructEdit : public TagEdit {
public:
    explicit TagStructEdit(TagEntry* entry);
    void Resized() override;
    // The definition named by the group code; the data size must equal the definition's size
    // and read completely, and the layout must exist. 0 otherwise.
    int ReadTagData(FILE* stream, TagHeader* header) override;
    int WriteTagData(FILE* stream, TagHeader* header) override;
    void Show() override;

    void OnEditorOk();
    void OnEditorCancel();

    StructEditor* GetEditor() const { return editor; }

    StructEditor* editor;
};

// The factory registered for structure-defined groups.
TagEdit* CreateTagStructEdit(TagEntry* entry);
// Loads the definitions of the loaded XML roots, collects the layouts and registers
// CreateTagStructEdit for every group whose code names a definition. Built-in editors
// registered afterwards replace it for their groups.
void RegisterStructEditors();
