#include "tagedit/CodexGroupBox.h"

CodexGroupBox::CodexGroupBox(u32 code, Window* parent, u32 options) : ComboBox(parent, options)
{
    group = kNoTagId;
    Populate(code);
}

CodexGroupBox::~CodexGroupBox() {}

void CodexGroupBox::Populate(u32 code)
{
    Clear();
    if (code == kNoTagId) return;
    group = code;
    ScopedDynArray<TagEntry*> tags;
    ListGroupTags(code, &tags);
    for (TagEntry* tag : tags) {
        TagHeader header;
        GetTagHeader(tag, &header);
        char name[33] = {};
        for (u32 i = 0; i < 32 && header.name[i]; ++i) name[i] = header.name[i];
        if (ListItem* item = AddItem(0, name, 0)) item->userData = tag;
    }
    SortItems();
}

TagEntry* CodexGroupBox::GetSelectedTag() const
{
    ListItem* item = list->GetCurrentItem();
    if (!item || group == kNoTagId) return nullptr;
    ScopedDynArray<TagEntry*> tags;
    ListGroupTags(group, &tags);
    TagEntry* found = nullptr;
    for (TagEntry* tag : tags)
        if (tag == item->userData) found = tag;
    return found;
}
