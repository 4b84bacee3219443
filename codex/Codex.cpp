#include "codex/Codex.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "codex/Archive.h"
#include "codex/CodexState.h"
#include "codex/TagGroups.h"
#include "foundation/Log.h"
#include "foundation/Sort.h"

namespace {

CodexState gState;

IdMap* GroupMap(u32 group) { return static_cast<IdMap*>(IdMapFind(gState.index, group)); }

// Entries come from slabs of many: a game indexes tens of thousands, and one heap block each
// costs a header and a call apiece. Freed entries are reused; the slabs go back to the arena
// when the last entry is freed (the database closed).
struct EntrySlab {
    static constexpr u32 kEntries = 1024;
    EntrySlab* next;
    u32 used;
    alignas(TagEntry) unsigned char slots[kEntries][sizeof(TagEntry)];
};

struct EntryPool {
    EntrySlab* slabs;
    void* freeList;  // freed slots, each holding the next one's address
    u32 live;
} gEntries;

#if defined(__SANITIZE_ADDRESS__)
#define TAVIK_ENTRY_HEAP 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TAVIK_ENTRY_HEAP 1
#endif
#endif

TagEntry* NewTagEntry()
{
#ifdef TAVIK_ENTRY_HEAP
    // Under AddressSanitizer every entry is its own block, so a use after free is caught.
    return new (std::nothrow) TagEntry();
#endif
    void* slot = gEntries.freeList;
    if (slot) {
        memcpy(&gEntries.freeList, slot, sizeof(void*));
    } else {
        if (!gEntries.slabs || gEntries.slabs->used == EntrySlab::kEntries) {
            EntrySlab* slab = static_cast<EntrySlab*>(ArenaAlloc(&gState.storage, sizeof(EntrySlab)));
            if (!slab) return nullptr;
            slab->next = gEntries.slabs;
            slab->used = 0;
            gEntries.slabs = slab;
        }
        slot = gEntries.slabs->slots[gEntries.slabs->used++];
    }
    ++gEntries.live;
    return new (slot) TagEntry();
}

void FreeTagEntry(TagEntry* entry)
{
#ifdef TAVIK_ENTRY_HEAP
    delete entry;
    return;
#endif
    entry->~TagEntry();
    memcpy(static_cast<void*>(entry), &gEntries.freeList, sizeof(void*));
    gEntries.freeList = entry;
    if (--gEntries.live) return;
    while (EntrySlab* slab = gEntries.slabs) {
        gEntries.slabs = slab->next;
        ArenaFree(&gState.storage, slab);
    }
    gEntries.freeList = nullptr;
}

// Calls fn(entry) for every indexed entry. The callback must not change the index.
template <typename F>
void ForEachEntry(F fn)
{
    ScopedDynArray<void*> groups;
    IdMapValues(gState.index, &groups);
    ScopedDynArray<void*> entries;
    for (void* g : groups) IdMapValues(static_cast<IdMap*>(g), &entries);
    for (void* e : entries) fn(static_cast<TagEntry*>(e));
}

int CompareNames(const char* a, const char* b) { return strcmp(a ? a : "", b ? b : ""); }

// Whether copy a beats the best copy b so far.
bool BetterCopy(const TagInstance* a, const TagInstance* b)
{
    const u32 la = TagInstanceLayer(a), lb = TagInstanceLayer(b);
    if (la != lb) return la > lb;
    const u16 pa = a->archive->header.priority, pb = b->archive->header.priority;
    if (pa != pb) return pa > pb;
    return CompareNames(a->archive->file_name, b->archive->file_name) > 0;
}

int ArchiveKey(const Archive* a)
{
    if (!a->active) return -1;
    switch (a->header.kind) {
    case 3: return -3;
    case 2:
    case 4: return -2;
    case 6: return -1;
    default: return a->header.priority;
    }
}

int CompareArchives(void*, const void* pa, const void* pb)
{
    const Archive* a = *static_cast<Archive* const*>(pa);
    const Archive* b = *static_cast<Archive* const*>(pb);
    int ka = ArchiveKey(a), kb = ArchiveKey(b);
    if (ka != kb) return ka < kb ? -1 : 1;
    int c = CompareNames(a->file_name, b->file_name);
    if (c) return c;
    // Same file name in two folders: load order keeps the result deterministic.
    return a->load_order < b->load_order ? -1 : a->load_order > b->load_order ? 1 : 0;
}

int CompareLoadOrder(void*, const void* pa, const void* pb)
{
    const Archive* a = *static_cast<Archive* const*>(pa);
    const Archive* b = *static_cast<Archive* const*>(pb);
    return a->load_order < b->load_order ? -1 : a->load_order > b->load_order ? 1 : 0;
}

int CompareEntries(void*, const void* pa, const void* pb)
{
    const TagEntry* a = *static_cast<TagEntry* const*>(pa);
    const TagEntry* b = *static_cast<TagEntry* const*>(pb);
    if (TagEntryLess(a, b)) return -1;
    if (TagEntryLess(b, a)) return 1;
    return 0;
}

bool IsIdSeparator(char c) { return c && strchr(" \t\n()[]{}?!:;-", c) != nullptr; }

}  // namespace

CodexState& Codex() { return gState; }

const char* CodexLocalRoot() { return gState.localRoot.IsEmpty() ? "local/" : gState.localRoot.c_str(); }

int TagGroupRowIndex(u32 group)
{
    const TagGroup* row = GetTagGroup(group);
    return row ? int(row - GetTagGroupTable()) : -1;
}

void GetCodexStorageBytes(size_t* inUse, size_t* mapped)
{
    if (inUse) *inUse = gState.storage.inUse;
    if (mapped) *mapped = gState.storage.mapped;
}

bool IsCodexDirty() { return gState.dirty != 0; }
void SetCodexDirty() { gState.dirty = 1; }

// Entries and copies ---------------------------------------------------------------------

TagEntry* GetOrCreateTagEntry(u32 group, u32 tag)
{
    if (!gState.index && !IdMapCreate(&gState.index)) return nullptr;
    IdMap* map = GroupMap(group);
    if (!map) {
        if (!IdMapCreateIn(&map, &gState.storage)) return nullptr;
        if (!IdMapInsert(gState.index, group, map)) {
            IdMapDestroy(&map);
            return nullptr;
        }
    }
    if (TagEntry* entry = static_cast<TagEntry*>(IdMapFind(map, tag))) return entry;
    TagEntry* entry = NewTagEntry();
    if (!entry) return nullptr;
    entry->group = group;
    entry->tag = tag;
    if (!IdMapInsert(map, tag, entry)) {
        FreeTagEntry(entry);
        return nullptr;
    }
    return entry;
}

TagEntry* FindTagEntry(u32 group, u32 tag) { return static_cast<TagEntry*>(IdMapFind(GroupMap(group), tag)); }

TagEntry* FindTag(u32 group, u32 tag)
{
    if (tag == kNoTagId) return nullptr;
    TagEntry* entry = FindTagEntry(group, tag);
    return entry && GetTagInstance(entry) ? entry : nullptr;
}

void AssignTagIdFromName(TagHeader& header)
{
    char code[4] = {' ', ' ', ' ', ' '};
    static const u32 kPlace[3] = {0, 2, 3}, kWidth[3] = {4, 2, 1};
    const char* p = header.name;
    const char* end = header.name + strnlen(header.name, sizeof header.name);
    for (u32 word = 0; word < 3 && p < end; ) {
        while (p < end && IsIdSeparator(*p)) ++p;
        if (p >= end) break;
        const char* start = p;
        while (p < end && !IsIdSeparator(*p)) ++p;
        for (u32 i = 0; i < kWidth[word] && start + i < p; ++i) code[kPlace[word] + i] = start[i];
        ++word;
    }
    u32 id = (u32(u8(code[0])) << 24) | (u32(u8(code[1])) << 16) | (u32(u8(code[2])) << 8) | u8(code[3]);
    // Every indexed entry counts as taken, also one with no winning copy (a new tag not yet
    // saved, a tag of an inactive archive): two new tags must never share an entry. The
    // value -1 means "no id" and is skipped.
    while (id == kNoTagId || FindTagEntry(header.group, id)) ++id;
    header.tag = id;
}

bool TagEntryLess(const TagEntry* a, const TagEntry* b)
{
    const TagInstance* ia = GetTagInstance(a);
    const TagInstance* ib = GetTagInstance(b);
    if (!ia || !ib) return ia == nullptr && ib != nullptr;  // keeps the order strict anyway
    const TagHeader& ha = ia->header;
    const TagHeader& hb = ib->header;
    if (ha.group != hb.group) return ha.group < hb.group;
    int c = strncmp(ha.name, hb.name, sizeof ha.name);
    if (c) return c < 0;
    return ha.tag < hb.tag;
}

bool TagExists(const TagEntry* entry) { return entry && GetTagInstance(entry); }

TagInstance* GetTagInstance(const TagEntry* entry)
{
    if (!entry) return nullptr;
    if (entry->local_copy) return entry->local_copy;
    return GetArchiveTagInstance(entry);
}

TagInstance* GetArchiveTagInstance(const TagEntry* entry)
{
    if (!entry) return nullptr;
    TagInstance* best = nullptr;
    for (TagInstance* instance : entry->instances) {
        if (!instance->archive || !instance->archive->active) continue;
        if (!best || BetterCopy(instance, best)) best = instance;
    }
    return best;
}

void GetTagHeader(const TagEntry* entry, TagHeader* out)
{
    if (!entry || !out) return;
    if (const TagInstance* instance = GetTagInstance(entry)) {
        *out = instance->header;
        return;
    }
    memset(out, 0, sizeof *out);
    out->group = entry->group;
    out->tag = entry->tag;
    strcpy(out->name, "~codex_placeholder~");
}

const char* GetTagSourceName(const TagEntry* entry)
{
    const TagInstance* instance = GetTagInstance(entry);
    if (!instance) return "unknown";
    if (!instance->archive) return "local folder";
    return instance->archive->file_name;
}

u32 TagInstanceLayer(const TagInstance* instance) { return instance->archive ? instance->archive->layer : 3; }

bool HasLocalCopy(const TagEntry* entry) { return entry && entry->local_copy; }
u32 GetTagInstanceCount(const TagEntry* entry) { return entry ? entry->instances.count : 0; }

void AddTagInstance(TagEntry* entry, TagInstance* instance)
{
    entry->instances.Push(instance);
    instance->entry = entry;
    if (!instance->archive) entry->local_copy = static_cast<LocalTagInstance*>(instance);
    gState.dirty = 1;
}

void TagInstanceList::Push(TagInstance* instance)
{
    if (capacity == 0 && count < 2) {
        slots[count++] = instance;
        return;
    }
    if (capacity == 0 || count == capacity) {
        const u32 grown = capacity ? capacity * 2 : 4;
        TagInstance** moved = static_cast<TagInstance**>(malloc(sizeof(TagInstance*) * grown));
        if (!moved) {
            fprintf(stderr, "Tavik: out of memory (%u copies of a tag)\n", grown);
            abort();
        }
        memcpy(moved, begin(), sizeof(TagInstance*) * count);
        if (capacity) free(heap);
        heap = moved;
        capacity = grown;
    }
    heap[count++] = instance;
}

bool TagInstanceList::Remove(const TagInstance* instance)
{
    TagInstance** items = begin();
    for (u32 i = 0; i < count; ++i) {
        if (items[i] != instance) continue;
        memmove(items + i, items + i + 1, sizeof(TagInstance*) * (count - i - 1));
        --count;
        return true;
    }
    return false;
}

void TagInstanceList::Free()
{
    if (capacity) free(heap);
    capacity = 0;
    count = 0;
    slots[0] = slots[1] = nullptr;
}

TagFileState* GetTagFileState(TagEntry* entry)
{
    if (!entry->files) entry->files = new (std::nothrow) TagFileState();
    return entry->files;
}

void ReleaseIdleTagFileState(TagEntry* entry)
{
    if (entry->files && !TagHasOpenFiles(entry)) {
        delete entry->files;
        entry->files = nullptr;
    }
}

bool CheckDuplicateLocalTag(TagEntry* entry, const LocalTagInstance* instance)
{
    if (!entry->local_copy) return true;
    if (entry->local_copy->file_name == instance->file_name) return false;
    LogMessage(1, "Codex", "duplicate tagids detected: in the '%s' folder, '%s' and '%s' have the same tagids.\n",
               GetTagGroupName(entry->group), instance->file_name.c_str(), entry->local_copy->file_name.c_str());
    return false;
}

LocalTagInstance* AddLocalTagInstance(const TagHeader& header, const char* fileName)
{
    LocalTagInstance* instance = new (std::nothrow) LocalTagInstance();
    if (!instance) return nullptr;
    instance->header = header;
    instance->file_name.Set(fileName);
    TagEntry* entry = GetOrCreateTagEntry(header.group, header.tag);
    if (!entry || !CheckDuplicateLocalTag(entry, instance)) {
        delete instance;
        return nullptr;
    }
    AddTagInstance(entry, instance);
    return instance;
}

void DestroyTagEntry(TagEntry* entry)
{
    IdMap* map = GroupMap(entry->group);
    if (map && IdMapFind(map, entry->tag) == entry) {
        IdMapErase(map, entry->tag);
        if (IdMapCount(map) == 0) {
            IdMapErase(gState.index, entry->group);
            IdMapDestroy(&map);
        }
    }
    for (TagInstance* instance : entry->instances)
        if (instance->archive) instance->entry = nullptr;
    delete entry->local_copy;
    if (TagFileState* files = entry->files) {
        if (files->read_stream) fclose(files->read_stream);
        if (files->write_stream) {
            fclose(files->write_stream);
            remove(files->write_temp_path.c_str());
        }
        delete files;
        entry->files = nullptr;
    }
    entry->instances.Free();
    entry->attachments.Free();
    FreeTagEntry(entry);
}

void RemoveTagInstance(TagInstance* instance)
{
    TagEntry* entry = instance->entry;
    gState.dirty = 1;
    if (!entry) return;
    entry->instances.Remove(instance);
    instance->entry = nullptr;
    if (entry->local_copy == instance) {
        entry->local_copy = nullptr;
        delete static_cast<LocalTagInstance*>(instance);
    }
    if (entry->instances.count == 0 && entry->attachments.count == 0 && !TagHasOpenFiles(entry))
        DestroyTagEntry(entry);
}

bool RemoveAllLocalInstances()
{
    ScopedDynArray<TagEntry*> locals;
    ForEachEntry([&](TagEntry* e) {
        if (e->local_copy) locals.Push(e);
    });
    for (TagEntry* entry : locals) {
        if (entry->attachments.count) return false;
        RemoveTagInstance(entry->local_copy);
    }
    return true;
}

bool DeleteTagEntryIfUnused(TagEntry* entry)
{
    if (!entry || entry->attachments.count || TagHasOpenFiles(entry)) return false;
    for (TagInstance* instance : entry->instances)
        if (instance->archive) return false;  // the archive's copies still point at it
    DestroyTagEntry(entry);
    return true;
}

// Attachments ----------------------------------------------------------------------------

u32 AttachToTag(TagEntry* entry, u32 key, void* object)
{
    if (!entry) return 0;
    TagAttachment pair = {key, object};
    if (entry->attachments.IndexOf(pair) < 0) entry->attachments.Push(pair);
    return entry->attachments.count;
}

u32 DetachFromTag(TagEntry* entry, u32 key, void* object)
{
    if (!entry) return 0;
    TagAttachment pair = {key, object};
    s32 at = entry->attachments.IndexOf(pair);
    if (at >= 0) entry->attachments.Remove(u32(at));
    u32 count = entry->attachments.count;
    if (count == 0 && entry->instances.count == 0 && !TagHasOpenFiles(entry))
        DestroyTagEntry(entry);
    return count;
}

void* FindTagAttachment(const TagEntry* entry, u32 key)
{
    if (!entry) return nullptr;
    for (const TagAttachment& a : entry->attachments)
        if (a.key == key) return a.object;
    return nullptr;
}

bool GetTagAttachment(const TagEntry* entry, u32 index, u32* key, void** object)
{
    if (!entry || index >= entry->attachments.count) return false;
    if (key) *key = entry->attachments[index].key;
    if (object) *object = entry->attachments[index].object;
    return true;
}

u32 GetTagAttachmentCount(const TagEntry* entry) { return entry ? entry->attachments.count : 0; }

u32 CountTagAttachments()
{
    u32 total = 0;
    ForEachEntry([&](TagEntry* e) {
        if (GetTagInstance(e)) total += e->attachments.count;
    });
    return total;
}

// Lists ----------------------------------------------------------------------------------

void RemoveMissingTags(DynArray<TagEntry*>* list)
{
    u32 kept = 0;
    for (u32 i = 0; i < list->count; ++i)
        if (GetTagInstance(list->data[i])) list->data[kept++] = list->data[i];
    list->ResizeRaw(kept);
}

void SortTagList(DynArray<TagEntry*>* list)
{
    SortWithContext(list->data, list->count, sizeof(TagEntry*), nullptr, CompareEntries);
}

void ListAllTags(DynArray<TagEntry*>* list)
{
    ForEachEntry([&](TagEntry* e) { list->Push(e); });
    RemoveMissingTags(list);
}

void ListGroupTags(u32 group, DynArray<TagEntry*>* list)
{
    IdMapValues(GroupMap(group), reinterpret_cast<DynArray<void*>*>(list));
    RemoveMissingTags(list);
}

void ListArchiveTags(const Archive* archive, DynArray<TagEntry*>* list)
{
    if (!archive) return;
    for (const TagInstance& instance : archive->instances)
        if (instance.entry) list->Push(instance.entry);
}

void ListLocalTags(DynArray<TagEntry*>* list)
{
    ForEachEntry([&](TagEntry* e) {
        if (e->local_copy) list->Push(e);
    });
}

void ListFoundationTags(DynArray<TagEntry*>* list)
{
    ForEachEntry([&](TagEntry* e) {
        for (TagInstance* instance : e->instances)
            if (instance->archive && instance->archive->layer == 0) {
                list->Push(e);
                break;
            }
    });
    RemoveMissingTags(list);
}

// Archives and the active set ------------------------------------------------------------

u32 GetArchiveCount() { return gState.archives.count; }

Archive* GetArchive(u32 index) { return index < gState.archives.count ? gState.archives[index] : nullptr; }

Archive* FindArchiveByPath(const char* path)
{
    for (Archive* a : gState.archives)
        if (path && a->path == path) return a;
    return nullptr;
}

Archive* FindArchiveByName(const char* fileName)
{
    for (Archive* a : gState.archives)
        if (fileName && strcmp(a->file_name, fileName) == 0) return a;
    return nullptr;
}

const char* GetArchiveName(const Archive* archive) { return archive ? archive->file_name : ""; }
bool IsArchiveActive(const Archive* archive) { return archive && archive->active; }

void ListActiveArchives(DynArray<Archive*>* list)
{
    for (Archive* a : gState.archives)
        if (a->active) list->Push(a);
    SortWithContext(list->data, list->count, sizeof(Archive*), nullptr, CompareArchives);
}

void SetActiveArchives(const DynArray<Archive*>& list)
{
    // Load order, not memory order: the same set always gets the same priorities.
    ScopedDynArray<Archive*> unique;
    for (Archive* a : list)
        if (a) unique.Push(a);
    SortWithContext(unique.data, unique.count, sizeof(Archive*), nullptr, CompareLoadOrder);
    u32 kept = 0;
    for (u32 i = 0; i < unique.count; ++i)
        if (kept == 0 || unique[kept - 1] != unique[i]) unique[kept++] = unique[i];
    unique.ResizeRaw(kept);

    for (Archive* a : gState.archives) a->active = 0;
    u16 counter = 0;
    for (Archive* a : unique) {
        a->active = 1;
        const u16 kind = a->header.kind;
        if (kind != 2 && kind != 3 && kind != 4 && kind != 6) a->header.priority = counter++;
    }
    SortWithContext(gState.archives.data, gState.archives.count, sizeof(Archive*), nullptr, CompareArchives);
    NotifyCodexListeners(kCodexActiveSetChanged, nullptr, nullptr);
}

void ActivateDefaultArchives()
{
    ScopedDynArray<Archive*> list;
    for (Archive* a : gState.archives)
        if (a->header.kind == 2 || a->header.kind == 3 || a->header.kind == 6) list.Push(a);
    SetActiveArchives(list);
}

// Listeners ------------------------------------------------------------------------------

void SetCodexListener(CodexCallback callback, void* context, bool add)
{
    for (u32 i = 0; i < gState.listeners.count; ++i) {
        CodexListener& l = gState.listeners[i];
        if (l.callback == callback && l.context == context) {
            if (!add) gState.listeners.Remove(i);
            return;
        }
    }
    if (add) gState.listeners.Push(CodexListener{callback, context});
}

void NotifyCodexListeners(u32 event, TagEntry* entry, Archive* archive)
{
    // A listener may register or remove listeners while it is called.
    ScopedDynArray<CodexListener> copy;
    copy.Assign(gState.listeners);
    for (const CodexListener& l : copy) {
        bool registered = false;  // one removed by an earlier listener is not called
        for (const CodexListener& r : gState.listeners)
            if (r.callback == l.callback && r.context == l.context) registered = true;
        if (registered) l.callback(l.context, archive, entry, event);
    }
}
