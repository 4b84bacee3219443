#pragma once
// TagInfoWindow: a panel showing a tag's name, subgroup (tag id), group, size and location,
// where the name and the tag id can be changed through the tag database. While open it keeps
// its tag attached under 'info'.
#include "codex/Codex.h"
#include "gui/TextBox.h"
#include "gui/Window.h"

class TagInfoWindow : public Window {
public:
    // Attaches to the tag, builds the five rows and takes the next cascade position; the name
    // box has the focus.
    explicit TagInfoWindow(TagEntry* tag);
    // Detaches 'info' from the tag when still attached.
    ~TagInfoWindow() override;
    const char* GetClassName() const override;
    // 1 when nothing is edited; otherwise asks "Save?" (Save: Apply's answer, Discard: 1,
    // Cancel: 0). Then the window's own check decides.
    int CanClose(u32 reason) override;
    // The window goes: its tag is free again at once.
    void Closing() override;
    // Ctrl+S runs Apply and is taken; other keys are passed on.
    int KeyEvent(Event* event) override;

    // Follows another tag: detaches from the previous one when it differs, attaches the new.
    void SetTag(TagEntry* tag);
    // 1 when the name box holds a non-empty text other than the header's name, or the
    // subgroup box a non-empty text whose first four characters make another id.
    int IsEdited(const TagHeader& header) const;
    // "Tag Info: <name box text>", with "*" when edited.
    void UpdateTitle();
    // Changes the name and id as the boxes say. Each refusal shows an "Error" box and answers
    // 0, leaving the files as they were: the tag in use by anything but this window, a
    // subgroup that is not 4 characters, an empty name, an id whose tag has a local copy, an
    // id held by any other indexed tag, or a failure of the tag database. On success the
    // boxes show the name and id as stored, and 1.
    int Apply();

    TagEntry* GetTag() const { return tag; }
    TextBox* GetNameBox() const { return nameBox; }
    TextBox* GetSubgroupBox() const { return subgroupBox; }

    // Fields, in this order.
    TagEntry* tag;  // null once detached
    TextBox* nameBox;
    TextBox* subgroupBox;
    TextBox* sizeBox;
    TextBox* locationBox;

private:
    void ShowHeader();
    TextBox* AddRow(u32 row, const char* label, u32 maxLength, int editable);
};

// Raises the tag's open info window, or opens one. Null for a null tag.
TagInfoWindow* OpenTagInfoWindow(TagEntry* tag);
