#pragma once
// CodexGroupBox: a combo box listing the tags of one group that have a winning copy, sorted
// by name; each item carries its TagEntry.
#include "codex/Codex.h"
#include "gui/ComboBox.h"

class CodexGroupBox : public ComboBox {
public:
    // options as for ComboBox (COMBO_EDITABLE). Filled for the group at once.
    CodexGroupBox(u32 group, Window* parent, u32 options);
    ~CodexGroupBox() override;

    // Empties the list; for a group other than kNoTagId remembers it and lists its tags that
    // have a winning copy, sorted. kNoTagId leaves the list empty.
    void Populate(u32 group);
    // The selected item's tag; null without a selection or when that tag has since left the
    // group's listed tags (its entry may be gone: the pointer is never used then).
    TagEntry* GetSelectedTag() const;

    // Fields, in this order.
    u32 group;
};
