// The archive browser's tag tree: which tags show, group nodes, rows and their refresh,
// rebuilding from the selected entries.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "codex/Archive.h"
#include "codex/TagFiles.h"
#include "codex/TagGroups.h"
#include "foundation/ByteOrder.h"
#include "foundation/StringUtil.h"
#include "tagedit/ArchiveBrowser.h"

namespace {

constexpr u32 kMesh = FourCC("mesh");
constexpr u32 kCollection = FourCC(".256");
constexpr u32 kDetailMap = FourCC("dmap");
constexpr u32 kColorMapBit = 0x100;
// Collections at least this large carry their flags in their data, not in the header.
constexpr u32 kLargeCollection = 0x120000;

bool HasEditor(u32 group)
{
    const TagGroup* row = GetTagGroup(group);
    return row && row->editor_factory;
}

void SetItemText(ListItem* item, const char* text)
{
    if (item->text && !strcmp(item->text, text)) return;
    char* copy = strdup(text);
    if (!copy) return;
    free(item->text);
    item->text = copy;
}

// The flags word a large collection keeps at data offset 4, read from its winning copy.
bool ReadCollectionFlags(TagEntry* entry, u32* value)
{
    TagHeader h;
    FILE* f = OpenTag(entry, &h);
    if (!f) return false;
    u8 bytes[8];
    bool ok = h.size >= 8 && fread(bytes, 1, 8, f) == 8;
    CloseTagReader(entry);
    if (ok) *value = u32(bytes[4]) << 24 | u32(bytes[5]) << 16 | u32(bytes[6]) << 8 | bytes[7];
    return ok;
}

}  // namespace

bool ArchiveBrowser::IsTagShown(TagEntry* entry) const
{
    if (!entry || !GetTagInstance(entry)) return false;
    return showHiddenGroups || entry->group == kDetailMap || HasEditor(entry->group);
}

// A mesh older than version 11 and a colour map cannot be opened from here; nor can a tag of
// a group without an editor. The flag follows the header at every refresh, except that a
// large collection that cannot be read keeps what it had.
void ArchiveBrowser::UpdateRowDisabled(TagRow* row)
{
    const TagHeader& h = row->header;
    if (h.group == kMesh) {
        row->disabled = h.version < 11;
    } else if (h.group == kCollection) {
        if (h.user & kColorMapBit) {
            row->disabled = 1;
        } else if (h.user == 0 && h.size >= kLargeCollection) {
            TagInstance* copy = GetTagInstance(row->entry);
            bool same = row->probed && copy == row->probedCopy && copy && copy->header.offset == row->probedOffset &&
                        copy->header.size == row->probedSize;
            u32 value = row->probedUser;
            if (!same && copy && ReadCollectionFlags(row->entry, &value)) {
                row->probed = 1;
                row->probedUser = value;
                row->probedCopy = copy;
                row->probedOffset = copy->header.offset;
                row->probedSize = copy->header.size;
                same = true;
            }
            if (same) {
                row->header.user = value;
                row->disabled = (value & kColorMapBit) != 0;
            }
        } else {
            row->disabled = 0;
        }
    } else {
        row->disabled = !HasEditor(h.group);
    }
}

void ArchiveBrowser::SetRowColor(TagRow* row)
{
    u32 color = HasLocalCopy(row->entry) ? kRowColorLocal : kRowColorArchive;
    if (row->disabled) color = DarkenColor(color);
    if (row->item->color != color) {
        row->item->color = color;
        tagTree->Invalidate(0);
    }
}

void ArchiveBrowser::RelabelNode(TagGroupNode* node)
{
    String text = FormatString("%s (%u)", node->label.c_str(), node->item->childCount);
    SetItemText(node->item, text.c_str());
}

TagGroupNode* ArchiveBrowser::FindGroupNode(u32 group) const
{
    return static_cast<TagGroupNode*>(IdMapFind(groupNodes, group));
}

TagRow* ArchiveBrowser::FindRow(u32 group, u32 tag) const
{
    TagGroupNode* node = FindGroupNode(group);
    return node ? static_cast<TagRow*>(IdMapFind(node->rows, tag)) : nullptr;
}

u32 ArchiveBrowser::GetRowCount() const
{
    ScopedDynArray<void*> nodes;
    IdMapValues(groupNodes, &nodes);
    u32 n = 0;
    for (void* v : nodes) n += IdMapCount(static_cast<TagGroupNode*>(v)->rows);
    return n;
}

void ArchiveBrowser::RefreshRow(TagRow* row)
{
    GetTagHeader(row->entry, &row->header);
    StrLCpy(row->location, GetTagSourceName(row->entry), sizeof row->location);
    SetItemText(row->item, row->header.name);
    UpdateRowDisabled(row);
    SetRowColor(row);
}

bool ArchiveBrowser::AddTagRow(TagEntry* entry)
{
    if (!IsTagShown(entry)) return false;
    TagGroupNode* node = FindGroupNode(entry->group);
    if (!node) {
        node = new TagGroupNode();
        node->group = entry->group;
        node->label = GetTagGroupName(entry->group);
        node->item = tagTree->InsertItem(nullptr, kGroupNodeItemId, LIF_TEXT | LIF_EXPANDABLE, nullptr,
                                         node->label.c_str());
        if (!node->item || !IdMapCreate(&node->rows) || !IdMapInsert(groupNodes, node->group, node)) {
            if (node->item) tagTree->DeleteItemNoUpdate(node->item);
            IdMapDestroy(&node->rows);
            delete node;
            return false;
        }
        if (!HasEditor(node->group)) node->item->color = DarkenColor(node->item->color);
        RelabelNode(node);
    }
    bool made = false;
    TagRow* row = static_cast<TagRow*>(IdMapFind(node->rows, entry->tag));
    if (!row) {
        row = static_cast<TagRow*>(calloc(1, sizeof(TagRow)));
        if (!row) return false;
        row->entry = entry;
        row->node = node;
        TagHeader h;
        GetTagHeader(entry, &h);
        row->item = tagTree->InsertItem(node->item, kTagRowItemId, 0, row, h.name);
        if (!row->item || !IdMapInsert(node->rows, entry->tag, row)) {
            if (row->item) tagTree->DeleteItemNoUpdate(row->item);
            free(row);
            return false;
        }
        RelabelNode(node);
        made = true;
    }
    RefreshRow(row);
    return made;
}

void ArchiveBrowser::AddTagRows(const DynArray<TagEntry*>& entries)
{
    for (TagEntry* e : entries) AddTagRow(e);
}

void ArchiveBrowser::DeleteGroupNode(TagGroupNode* node)
{
    IdMapErase(groupNodes, node->group);
    for (u32 i = 0; i < sortPending.count; ++i)
        if (sortPending[i] == node) sortPending.Remove(i--);
    tagTree->DeleteItemNoUpdate(node->item);
    IdMapDestroy(&node->rows);
    delete node;
}

void ArchiveBrowser::DeleteTagRow(TagRow* row)
{
    TagGroupNode* node = row->node;
    IdMapErase(node->rows, row->entry->tag);
    tagTree->DeleteItemNoUpdate(row->item);
    free(row);
    if (IdMapCount(node->rows)) RelabelNode(node);
    else DeleteGroupNode(node);
}

void ArchiveBrowser::RemoveTag(TagEntry* entry)
{
    if (!entry) return;
    if (TagRow* row = FindRow(entry->group, entry->tag)) {
        DeleteTagRow(row);
        tagTree->Invalidate(0);
    }
}

namespace {

void AllRows(IdMap* groupNodes, DynArray<TagRow*>* out)
{
    ScopedDynArray<void*> nodes;
    IdMapValues(groupNodes, &nodes);
    ScopedDynArray<void*> rows;
    for (void* n : nodes) IdMapValues(static_cast<TagGroupNode*>(n)->rows, &rows);
    for (void* r : rows) out->Push(static_cast<TagRow*>(r));
}

}  // namespace

void ArchiveBrowser::PruneHiddenRows()
{
    ScopedDynArray<TagRow*> rows;
    AllRows(groupNodes, &rows);
    for (TagRow* r : rows)
        if (!IsTagShown(r->entry)) DeleteTagRow(r);
}

void ArchiveBrowser::KeepOnlyTags(const DynArray<TagEntry*>& entries)
{
    keepSet.Assign(entries);
    std::sort(keepSet.begin(), keepSet.end());
    ScopedDynArray<TagRow*> rows;
    AllRows(groupNodes, &rows);
    for (TagRow* r : rows)
        if (!std::binary_search(keepSet.begin(), keepSet.end(), r->entry)) DeleteTagRow(r);
    keepSet.Clear();
}

void ArchiveBrowser::ForgetTags()
{
    ScopedDynArray<void*> nodes;
    IdMapValues(groupNodes, &nodes);
    for (void* v : nodes) {
        TagGroupNode* node = static_cast<TagGroupNode*>(v);
        ScopedDynArray<void*> rows;
        IdMapValues(node->rows, &rows);
        for (void* r : rows) free(r);
        IdMapDestroy(&node->rows);
        delete node;
    }
    IdMapDestroy(&groupNodes);
    IdMapCreate(&groupNodes);
    sortPending.Clear();
    if (tagTree) tagTree->ClearItems();
    if (activeList) activeList->ClearItems();
    if (inactiveList) inactiveList->ClearItems();
}

void ArchiveBrowser::RebuildTagTree()
{
    PruneHiddenRows();
    ScopedDynArray<void*> selected;
    activeList->GetSelection(nullptr, &selected);
    ScopedDynArray<TagEntry*> tags;
    bool all = false;
    for (void* d : selected) all |= reinterpret_cast<intptr_t>(d) == kBrowserCombined;
    if (all) {
        ListAllTags(&tags);
    } else {
        for (void* d : selected) {
            intptr_t v = reinterpret_cast<intptr_t>(d);
            if (v == kBrowserLocal) ListLocalTags(&tags);
            else if (v == kBrowserFoundation) ListFoundationTags(&tags);
            else if (d && !(v >= -4 && v <= -1)) ListArchiveTags(static_cast<Archive*>(d), &tags);
        }
    }
    AddTagRows(tags);
    KeepOnlyTags(tags);
    tagTree->UpdateScrollRange();
    tagTree->Sort();
    for (TagGroupNode* node : sortPending)
        if (node) node->sortPending = 0;
    sortPending.Clear();
    tagTree->EnsureVisible(tagTree->GetCurrentItem());
}

void ArchiveBrowser::OnTagChanged(TagEntry* entry)
{
    if (!IsTagShown(entry)) {
        RemoveTag(entry);
    } else {
        if (TagRow* row = FindRow(entry->group, entry->tag)) row->probed = 0;
        bool newNode = !FindGroupNode(entry->group);
        if (AddTagRow(entry)) {
            // A new group node stands last until the whole tree is sorted.
            if (newNode) sortPending.Push(nullptr);
            TagGroupNode* node = FindGroupNode(entry->group);
            // Many files of one poll sort their node once, at the next tick.
            if (node && !node->sortPending) {
                node->sortPending = 1;
                sortPending.Push(node);
            }
            tagTree->UpdateScrollRange();
        }
    }
    tagTree->Invalidate(0);
}

void ArchiveBrowser::SortPendingNodes()
{
    if (!sortPending.count) return;
    bool all = false;
    for (TagGroupNode* node : sortPending) all |= node == nullptr;
    if (all) tagTree->Sort();
    for (TagGroupNode* node : sortPending) {
        if (!node) continue;
        node->sortPending = 0;
        if (!all) tagTree->SortChildren(node->item);
    }
    sortPending.Clear();
    tagTree->Invalidate(0);
}
