#pragma once
// The fixed table of the game's 53 tag groups: code, plural and singular names, and the
// editor factory registered for the group at start-up.
#include "foundation/Types.h"

class TagEdit;
struct TagEntry;

// Creates the editor window for a tag, or answers null.
typedef TagEdit* (*TagEditorFactory)(TagEntry* entry);

struct TagGroup {
    u32 code;
    const char* plural_name;  // in lower case also the group's folder in the local folder
    const char* singular_name;
    TagEditorFactory editor_factory;  // null until one is registered
};

constexpr u32 kTagGroupCount = 53;

// The rows in table order (the order the local folder's group folders are watched in).
const TagGroup* GetTagGroupTable();
// The row of a group code, or null for a code that is not in the table.
const TagGroup* GetTagGroup(u32 code);
// The row's plural name; for a code not in the table its four characters, held in one shared
// buffer that the next such call overwrites.
const char* GetTagGroupName(u32 code);
// Registers (or, with null, removes) the group's editor factory; a later call replaces an
// earlier one; codes not in the table are ignored.
void SetTagGroupHandler(u32 code, TagEditorFactory factory);
