#pragma once
// TagEdit: the base of every tag editor. A top-level window bound to one tag (TagEntry) that
// keeps its own copy of the tag's TagHeader (the header's name is the title) and runs the
// whole life of an edit: load, mark modified, save (Ctrl+S or when closing), create a new
// tag, and stay attached to the tag while shown so that a second request raises it.
//
// The contract a subclass relies on:
// - Construct with the entry the factory was given (null for a new tag: NewTag then calls
//   Create, which fills entry and header). Build child widgets in the constructor; do not
//   show, attach or load there. Size the window there or in the factory.
// - Override ReadTagData and WriteTagData. ReadTagData gets the stream positioned at the
//   tag's data and the header (header->size is the data's length; read exactly that much,
//   never trust a count inside the data beyond it) and answers 1, or 0 on any failure.
//   WriteTagData writes the data big-endian at the stream's position and answers 1, or 0
//   when a write failed (it may set header->version or user, which the file then keeps).
//   The base WriteTagData answers 0, so an editor without it fails every save harmlessly.
// - Load failures are reported only by answering 0 from ReadTagData: OpenTagEditor then
//   shows "The tag could not be loaded." and closes the editor. Never show a box for it.
// - Mark unsaved changes with SetModified(1), or connect a content-changed signal to
//   OnContentChanged (e.g. box->textChanged.Connect<&TagEdit::OnContentChanged>(this)).
//   Loading may emit such signals: OpenTagEditor clears the mark after a successful load.
// - Override DiscardChanges to drop unsaved state that outlives the window (shared
//   resources); the base answers 1. Override Show only to add to it (call TagEdit::Show
//   first, e.g. to focus a child afterwards).
// - Attaching is the base's business: Show attaches under 'edit', Closing and the
//   destructor detach, and only when Show attached; an editor closed after a failed Load
//   or Create touches neither the tag nor a null entry.
// - Keys (Ctrl+S) reach the editor through its focused child. An editor without a focusable
//   child adds WF_FOCUSABLE in its constructor so that a click gives it the keys.
// - A subclass that overrides KeyEvent or CanClose calls the base's for what it does not
//   take, so Ctrl+S and the "Save?" question keep working.
#include <cstdio>

#include "codex/Codex.h"
#include "codex/TagGroups.h"
#include "codex/TagHeader.h"
#include "gui/Window.h"

class TagEdit : public Window {
public:
    // Enabled, title bar, shadow, thick frame, resizable, dark panel, close, zoom and collapse
    // boxes; not visible; in the normal layer. Not modified.
    explicit TagEdit(TagEntry* entry);
    ~TagEdit() override;
    const char* GetClassName() const override;
    // When modified asks "Save?" (Save, Discard, Cancel): a failed save or Cancel keeps the
    // editor open; Discard runs DiscardChanges. Then the window's own check decides.
    int CanClose(u32 reason) override;
    // Detaches 'edit' from the tag when Show attached it.
    void Closing() override;
    // Ctrl+S runs SaveAndReport and is taken; every other key is not.
    int KeyEvent(Event* event) override;

    // Writes the tag's data at the stream's position; answers 1, or 0 on failure. The base
    // answers 0.
    virtual int WriteTagData(FILE* stream, TagHeader* header);
    // Writes the tag's local file (the 'vrn2' header with offset 64 and the data) and makes
    // it the tag's local copy. Answers 1 only when the data was written and the file stands
    // complete and indexed; on failure the earlier local file and copy are left as they were.
    virtual int Save();
    // Reads the tag's data from the stream's position (header->size bytes); 1, or 0 on
    // failure. The base answers 0.
    virtual int ReadTagData(FILE* stream, TagHeader* header);
    // Reads the winning copy into the header and through ReadTagData; 1, or 0 on failure.
    virtual int Load();
    // Makes the entry of a new tag of the group named name (id from the name); no file is
    // written. 1, or 0 when the tag database refuses.
    virtual int Create(u32 group, const char* name);
    // Drops unsaved changes when the user discards them; 1 lets the editor close.
    virtual int DiscardChanges();
    // Attaches to the tag, takes the next cascade position within the screen, shows the
    // window in front and focuses it.
    virtual void Show();

    // Save; on failure an "Error" box "The save operation could not be completed." and false
    // (the editor stays modified); on success not modified and true.
    bool SaveAndReport();
    // The flag and the title: the header's name, followed by "*" when set.
    void SetModified(u32 flag);
    // Slot for content-changed signals: SetModified(1).
    void OnContentChanged();

    bool IsModified() const { return modified != 0; }
    TagEntry* GetEntry() const { return entry; }
    const TagHeader& GetHeader() const { return header; }

    // Fields, in this order.
    u32 modified;
    TagEntry* entry;  // null only between the factory call and Create for a new tag
    TagHeader header;

private:
    u32 attached;  // Show attached the editor to entry under 'edit'
};

// The factory's editor for the entry's group; null when the group is not in the table, has
// no factory, or the factory gives none.
TagEdit* CallTagGroupHandler(TagEntry* entry);
// Raises the tag's open editor (and answers it), or creates, loads and shows a new one. A
// load failure shows "The tag could not be loaded." and closes the new editor. Null when no
// editor results.
TagEdit* OpenTagEditor(TagEntry* entry);
// An editor for a new tag of the group, shown and modified; no file is written until it is
// saved. A refusal shows "The tag file '%s' could not be created; It may already exist."
// (the name as typed). Null when no editor results.
TagEdit* NewTag(u32 group, const char* name);
// Asks for a name ("Enter Name for <singular>", buttons "Create <singular>" and "Cancel"),
// then NewTag. An empty name shows "You must specify a name." and creates nothing. Null
// when cancelled or no editor results.
TagEdit* NewTagDialog(u32 group);
