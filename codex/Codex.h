#pragma once
// The tag database: one process-wide index of every tag known from the loaded archives and
// the local folder. Each tag (group code, tag id) is one TagEntry; each copy of it is a
// TagInstance. The index decides which copy wins, lists tags, keeps the attachments that mark
// a tag as in use and the active archive set, and tells listeners of every change.
//
// Failures are answered with false or null; the only reports are log lines in category
// "Codex". Single-threaded: listeners are called synchronously inside the changing call.
#include <cstdio>
#include "codex/TagHeader.h"
#include "foundation/DynArray.h"
#include "foundation/String.h"
#include "foundation/Types.h"

struct Archive;
struct TagEntry;

// One copy of a tag. Archive copies live by value in their Archive; a local copy is
// allocated alone and owned by its entry.
struct TagInstance {
    Archive* archive;  // null for the local copy
    TagHeader header;  // memory form; an archive copy's offset is absolute in the archive file
    TagEntry* entry;
};

// The local folder's copy: only it has a file name of its own. Archived copies, nearly all of
// the index, stay without one.
struct LocalTagInstance : TagInstance {
    String file_name;
};

// 0, 1, 2 from the archive's kind; 3 for the local copy.
u32 TagInstanceLayer(const TagInstance* instance);

// Something that uses a tag: keys 'edit', 'tres', 'info'. The object is not owned.
struct TagAttachment {
    u32 key;
    void* object;
    bool operator==(const TagAttachment& o) const { return key == o.key && object == o.object; }
};

// The copies of one tag in the order they were added. Most tags have one or two copies, so
// those two are held inline; a third moves them all to the heap. Entries never move, so the
// list may point into itself.
struct TagInstanceList {
    u32 count;
    u32 capacity;  // 0 while the copies are held inline
    union {
        TagInstance* slots[2];
        TagInstance** heap;
    };

    TagInstance** begin() { return capacity ? heap : slots; }
    TagInstance** end() { return begin() + count; }
    TagInstance* const* begin() const { return capacity ? heap : slots; }
    TagInstance* const* end() const { return begin() + count; }
    TagInstance* operator[](u32 i) const { return begin()[i]; }
    // Appends (aborting with a message when the heap refuses, like every array of the program).
    void Push(TagInstance* instance);
    // Removes the first occurrence, keeping the order of the rest; false when absent.
    bool Remove(const TagInstance* instance);
    void Free();
};

// A tag's open files: its reader and its write in progress. Allocated only while one is open,
// since nearly every indexed tag has neither.
struct TagFileState {
    FILE* write_stream;      // the temporary file being written, or null
    String write_name;       // the tag file's name being written
    String write_path;       // the full path the file takes when the write finishes
    String write_temp_path;  // where the bytes go until then
    FILE* read_stream;       // opened by OpenTag
};

struct TagEntry {
    DynArray<TagAttachment> attachments;
    TagInstanceList instances;
    LocalTagInstance* local_copy;
    u32 group;
    u32 tag;
    TagFileState* files;  // null while no file of the tag is open
};

// The write in progress of the entry, or null.
inline FILE* TagWriteStream(const TagEntry* entry) { return entry && entry->files ? entry->files->write_stream : nullptr; }
// Whether the tag has a reader or a write open (such an entry is never deleted).
inline bool TagHasOpenFiles(const TagEntry* entry)
{
    return entry->files && (entry->files->write_stream || entry->files->read_stream);
}
// The entry's file state, made when missing; null only when memory runs out.
TagFileState* GetTagFileState(TagEntry* entry);
// Frees the file state once neither file is open.
void ReleaseIdleTagFileState(TagEntry* entry);

// Event codes passed to listeners.
enum CodexEvent : u32 {
    kCodexNewLocalTag = 1,
    kCodexLocalCopyChanged = 2,
    kCodexContentChanged = 3,
    kCodexLocalTagRemoved = 4,
    kCodexActiveSetChanged = 5,
    kCodexArchiveOpened = 6,
    kCodexArchiveClosing = 7,
};

// Attachment keys.
constexpr u32 kAttachEditor = FourCC("edit");
constexpr u32 kAttachResource = FourCC("tres");
constexpr u32 kAttachInfo = FourCC("info");

typedef void (*CodexCallback)(void* context, Archive* archive, TagEntry* entry, u32 event);

struct CodexListener {
    CodexCallback callback;
    void* context;
};

// Entries and copies --------------------------------------------------------------------

// The entry of (group, id), created empty with its group map when missing. Null only when
// memory runs out.
TagEntry* GetOrCreateTagEntry(u32 group, u32 tag);
// The entry when it has a winning copy; null otherwise and for kNoTagId.
TagEntry* FindTag(u32 group, u32 tag);
// The entry when indexed at all (with or without a winning copy, in use or not); null else.
TagEntry* FindTagEntry(u32 group, u32 tag);
// Sets header.tag from header.name: up to four characters of the first words, then counted
// up past every id already indexed in the group (unsaved new tags and tags that live only in
// inactive archives count as taken). Never gives kNoTagId.
void AssignTagIdFromName(TagHeader& header);
// Strict order by the winning headers: group, name (unsigned bytes), id.
bool TagEntryLess(const TagEntry* a, const TagEntry* b);
bool TagExists(const TagEntry* entry);
// The winning copy: the local copy outright; else the best copy in an active archive (higher
// layer, then higher priority, then greater file name; the earlier of equal copies). Null
// when no active copy exists.
TagInstance* GetTagInstance(const TagEntry* entry);
// The copy that wins when the local copy is left out; null when no active archive has one.
TagInstance* GetArchiveTagInstance(const TagEntry* entry);
// The winning header, or a placeholder (zero, group and id of the entry, name
// "~codex_placeholder~") when there is no winning copy. A null entry leaves out untouched.
void GetTagHeader(const TagEntry* entry, TagHeader* out);
// The winning archive's file name, "local folder" or "unknown".
const char* GetTagSourceName(const TagEntry* entry);
bool HasLocalCopy(const TagEntry* entry);
u32 GetTagInstanceCount(const TagEntry* entry);
// Appends the instance to the entry (a layer-3 instance becomes the local copy); marks the
// database dirty.
void AddTagInstance(TagEntry* entry, TagInstance* instance);
// Creates and indexes a local copy for the header's group and id; null when refused by
// CheckDuplicateLocalTag or when memory runs out.
LocalTagInstance* AddLocalTagInstance(const TagHeader& header, const char* fileName);
// False when the entry already has a local copy (silently for the same file name; with a
// different one the duplicate is logged at level 1).
bool CheckDuplicateLocalTag(TagEntry* entry, const LocalTagInstance* instance);
// Removes the instance from its entry (a local copy is also freed); an entry left with
// neither instances nor attachments is deleted. Marks the database dirty.
void RemoveTagInstance(TagInstance* instance);
// Drops every local copy; stops with false at the first tag in use.
bool RemoveAllLocalInstances();
// Deletes the entry when it has no attachments (its instances are dropped with it); answers
// whether it was deleted.
bool DeleteTagEntryIfUnused(TagEntry* entry);

// Attachments ----------------------------------------------------------------------------

u32 AttachToTag(TagEntry* entry, u32 key, void* object);
u32 DetachFromTag(TagEntry* entry, u32 key, void* object);
void* FindTagAttachment(const TagEntry* entry, u32 key);
bool GetTagAttachment(const TagEntry* entry, u32 index, u32* key, void** object);
u32 GetTagAttachmentCount(const TagEntry* entry);
// Sum of the attachments of every tag with a winning copy.
u32 CountTagAttachments();

// Lists (append to the caller's list) ----------------------------------------------------

void ListAllTags(DynArray<TagEntry*>* list);
void ListGroupTags(u32 group, DynArray<TagEntry*>* list);
void ListArchiveTags(const Archive* archive, DynArray<TagEntry*>* list);
void ListLocalTags(DynArray<TagEntry*>* list);
void ListFoundationTags(DynArray<TagEntry*>* list);
// Drops the entries without a winning copy, keeping the order of the others.
void RemoveMissingTags(DynArray<TagEntry*>* list);
// Sorts a list with TagEntryLess (every entry must have a winning copy).
void SortTagList(DynArray<TagEntry*>* list);

// The bytes the index keeps in its block arena rather than on the heap: those of live tables
// (inUse) and those mapped from the system (mapped, never less).
void GetCodexStorageBytes(size_t* inUse, size_t* mapped);

// Archives and the active set ------------------------------------------------------------

u32 GetArchiveCount();
Archive* GetArchive(u32 index);
Archive* FindArchiveByPath(const char* path);
Archive* FindArchiveByName(const char* fileName);
const char* GetArchiveName(const Archive* archive);
bool IsArchiveActive(const Archive* archive);
// Appends the active archives and sorts the whole list in archive order.
void ListActiveArchives(DynArray<Archive*>* list);
// Makes exactly the listed archives active and sends event 5. Repeats are dropped; archives
// of kinds 1 and 5 get priorities in load order, so the outcome never depends on where the
// archives lie in memory or on the order of the list.
void SetActiveArchives(const DynArray<Archive*>& list);
// SetActiveArchives with every loaded archive of kinds 2, 3 and 6.
void ActivateDefaultArchives();

// Listeners ------------------------------------------------------------------------------

// Registers (add) or removes the pair; a pair is registered once.
void SetCodexListener(CodexCallback callback, void* context, bool add);
void NotifyCodexListeners(u32 event, TagEntry* entry, Archive* archive);

// The dirty mark: set by every change of copies and every tag file written or deleted.
bool IsCodexDirty();
void SetCodexDirty();
