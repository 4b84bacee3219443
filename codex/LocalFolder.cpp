#include "codex/LocalFolder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "codex/Archive.h"
#include "codex/CodexState.h"
#include "foundation/Files.h"
#include "foundation/FolderWatch.h"
#include "foundation/Log.h"

namespace {

bool HeldByActiveArchive(const TagEntry* entry)
{
    for (const TagInstance* instance : entry->instances)
        if (instance->archive && instance->archive->active) return true;
    return false;
}

// Set while the watches are being polled: listeners called from the poll may ask for another
// poll or a new folder, which must not touch the watch list under the running poll.
bool gPolling = false;

// The header of a file a watch reported, from the bytes the watch read when it can.
bool ReadWatchedTagHeader(const FolderWatchEntry* file, const TagGroup* row, TagHeader* header);

bool IsTempName(const char* name) { return strncmp(name, kTagTempPrefix, strlen(kTagTempPrefix)) == 0; }

// The entry whose local copy is this watched file: found by the id remembered in the mark
// and confirmed by the file name, so that an unindexed file (a duplicate id, another
// group's tag) never stands for the indexed one.
TagEntry* EntryOfFile(const TagGroup* row, const FolderWatchEntry* file)
{
    TagEntry* entry = FindTagEntry(row->code, file->mark);
    if (!entry || !entry->local_copy || entry->local_copy->file_name != file->name) return nullptr;
    return entry;
}

void OnLocalTagFileAdded(const TagGroup* row, FolderWatchEntry* file)
{
    TagHeader header;
    if (!ReadWatchedTagHeader(file, row, &header)) return;
    LocalTagInstance* instance = AddLocalTagInstance(header, file->name.c_str());
    TagEntry* entry = instance ? instance->entry : nullptr;
    if (!instance) {
        // Refused: go on only when the file is the copy the program registered itself.
        entry = FindTagEntry(header.group, header.tag);
        if (!entry || !entry->local_copy || entry->local_copy->file_name != file->name) return;
        entry->local_copy->header = header;
    }
    file->mark = header.tag;
    NotifyCodexListeners(HeldByActiveArchive(entry) ? kCodexLocalCopyChanged : kCodexNewLocalTag, entry, nullptr);
}

void OnLocalTagFileRemoved(const TagGroup* row, FolderWatchEntry* file)
{
    if (TagEntry* entry = EntryOfFile(row, file)) DropLocalCopy(entry);
}

void OnLocalTagFileChanged(const TagGroup* row, FolderWatchEntry* file)
{
    TagEntry* entry = EntryOfFile(row, file);
    if (!entry) {
        OnLocalTagFileAdded(row, file);
        return;
    }
    TagHeader header;
    if (!ReadWatchedTagHeader(file, row, &header)) {
        DropLocalCopy(entry);
        return;
    }
    if (entry->local_copy->header.tag == header.tag) {
        entry->local_copy->header = header;
        NotifyCodexListeners(kCodexLocalCopyChanged, entry, nullptr);
        return;
    }
    DropLocalCopy(entry);
    OnLocalTagFileAdded(row, file);
}

void OnWatchReport(DynArray<FolderWatch*>*, u32 code, void*, FolderWatch* watch, FolderWatchEntry* file)
{
    if (!file || !watch || IsTempName(file->name.c_str())) return;
    const TagGroup* row = static_cast<const TagGroup*>(watch->owner);
    switch (code) {
    case kWatchFileAdded: OnLocalTagFileAdded(row, file); break;
    case kWatchFileChanged: OnLocalTagFileChanged(row, file); break;
    case kWatchFileRemoved: OnLocalTagFileRemoved(row, file); break;
    default: break;
    }
}

}  // namespace

void DropLocalCopy(TagEntry* entry)
{
    if (!entry || !entry->local_copy) return;
    if (HeldByActiveArchive(entry)) {
        RemoveTagInstance(entry->local_copy);
        NotifyCodexListeners(kCodexLocalCopyChanged, entry, nullptr);
    } else {
        NotifyCodexListeners(kCodexLocalTagRemoved, entry, nullptr);
        RemoveTagInstance(entry->local_copy);
    }
}

void FreeLocalFolderWatches()
{
    CodexState& state = Codex();
    FreeFolderWatches(&state.watches);
    for (String& folder : state.groupFolders) folder.Clear();
}

bool SetLocalFolder(const char* folder)
{
    if (gPolling) return false;
    // Refuse before anything changes: a half-dropped folder would never be indexed again.
    ScopedDynArray<TagEntry*> locals;
    ListLocalTags(&locals);
    for (TagEntry* entry : locals)
        if (entry->attachments.count) return false;
    // Each dropped copy is announced (events 4 and 2, as for a removed file), so listeners
    // that keep entries forget the ones that go. Found again by id: a listener may have
    // dropped others meanwhile. Listeners asking for a poll or a folder now are put off.
    struct TagId {
        u32 group, tag;
    };
    ScopedDynArray<TagId> ids;
    for (TagEntry* entry : locals) ids.Push(TagId{entry->group, entry->tag});
    gPolling = true;
    for (const TagId& id : ids) DropLocalCopy(FindTagEntry(id.group, id.tag));
    gPolling = false;
    if (!RemoveAllLocalInstances()) return false;
    CodexState& state = Codex();
    FreeLocalFolderWatches();
    String root(folder && *folder ? folder : "local");
    NormalizeFolderPath(root);
    state.localRoot = root;
    RemoveStaleTagTempFiles(root.c_str());
    const TagGroup* table = GetTagGroupTable();
    for (u32 i = 0; i < kTagGroupCount; ++i) {
        String path = ResolveGroupFolder(root.c_str(), table[i].code);
        FolderWatch* watch = AddFolderWatch(&state.watches, path.c_str(), const_cast<TagGroup*>(&table[i]), 1);
        watch->headBytes = kTagHeaderSize;
        state.groupFolders[i] = path;
    }
    gPolling = true;
    PollFolderWatches(&state.watches, OnWatchReport, nullptr);
    gPolling = false;
    state.dirty = 0;
    return true;
}

const char* GetLocalFolder() { return CodexLocalRoot(); }

void PollLocalFolder(bool force)
{
    CodexState& state = Codex();
    if (!force && !state.dirty) return;
    if (gPolling) {
        state.dirty = 1;  // the running poll's changes are seen by the next one
        return;
    }
    gPolling = true;
    PollFolderWatches(&state.watches, OnWatchReport, nullptr);
    gPolling = false;
    state.dirty = 0;
}

String GetGroupFolderPath(const char* root, u32 group) { return ResolveGroupFolder(root, group); }

String GetLocalTagPath(const TagHeader& header, const char* fileName)
{
    String path = ResolveGroupFolder(CodexLocalRoot(), header.group);
    path.Append("/");
    path.Append(fileName ? fileName : SafeTagFileName(header.name).c_str());
    return path;
}

bool LocalTagFileExists(u32 group, const char* name)
{
    if (!GetTagGroup(group)) return false;
    TagHeader header = {};
    header.group = group;
    SetTagName(header, name);
    String path = GetLocalTagPath(header, nullptr);
    return IsDirectory(path.c_str(), 0) != 0;
}

namespace {

// The header of a file of size bytes whose first 64 bytes were read into h unconverted.
bool AcceptHeader(const char* fileName, s64 size, const TagGroup* row, TagHeader h, TagHeader* header)
{
    if (!DecodeTagHeadersAnyVersion(&h, 1) || !IsTagHeaderSignature(h)) return false;
    ReplacePlaceholderTagName(h, fileName ? fileName : "");
    h.size = u32(u64(size) - kTagHeaderSize);
    // The data always follows the 64-byte header, whatever an old header said.
    h.offset = kTagHeaderSize;
    if (row && h.group != row->code) {
        if (GetTagGroup(h.group))
            LogMessage(1, "Codex", "'%s', a '%s' file, was found in the '%s' folder.\n", fileName ? fileName : "",
                       GetTagGroupName(h.group), row->plural_name);
        return false;
    }
    *header = h;
    return true;
}

bool SizeHoldsTag(s64 size) { return size >= s64(kTagHeaderSize) && u64(size) - kTagHeaderSize <= 0xFFFFFFFFull; }

bool ReadHeaderAt(const char* fileName, FILE* stream, const TagGroup* row, TagHeader* header, bool atStart)
{
    if (!stream || !header) return false;
    const s64 size = StreamFileSize(stream);
    if (!SizeHoldsTag(size)) return false;
    if (!atStart && fseeko(stream, 0, SEEK_SET) != 0) return false;
    TagHeader h;
    if (fread(&h, 1, kTagHeaderSize, stream) != kTagHeaderSize) return false;
    return AcceptHeader(fileName, size, row, h, header);
}

}  // namespace

bool ReadLocalTagHeaderOnly(const char* path, const char* fileName, const TagGroup* row, TagHeader* header,
                            s64 knownSize)
{
    // A size known too small is refused unopened: pipes and devices say 0, and opening a pipe
    // would wait for a writer. Unknown, the open must not wait either.
    if (knownSize >= 0 && knownSize < 0xFFFFFFFFll && !SizeHoldsTag(knownSize)) return false;
    // Without a stream: no buffer to set up, no seek; the calls a plain header read makes.
    const int fd = open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return false;
    s64 size = knownSize;
    if (size < 0 || size >= 0xFFFFFFFFll) {
        struct stat st;
        size = fstat(fd, &st) == 0 ? s64(st.st_size) : -1;
    }
    TagHeader h;
    bool ok = SizeHoldsTag(size) && pread(fd, &h, kTagHeaderSize, 0) == ssize_t(kTagHeaderSize);
    close(fd);
    return ok && AcceptHeader(fileName, size, row, h, header);
}

namespace {

bool ReadWatchedTagHeader(const FolderWatchEntry* file, const TagGroup* row, TagHeader* header)
{
    const s64 size = file->info.size;
    if (file->head && file->headSize == kTagHeaderSize && size < 0xFFFFFFFFll) {
        if (!SizeHoldsTag(size)) return false;
        TagHeader h;
        memcpy(&h, file->head, kTagHeaderSize);
        return AcceptHeader(file->name.c_str(), size, row, h, header);
    }
    String path(file->folder);
    path.Append(file->name.c_str());
    return ReadLocalTagHeaderOnly(path.c_str(), file->name.c_str(), row, header, size);
}

}  // namespace

bool ReadLocalTagHeader(const char* fileName, FILE* stream, const TagGroup* row, TagHeader* header)
{
    return ReadHeaderAt(fileName, stream, row, header, false);
}

bool ReadLocalTagFilePath(const char* path, const char* fileName, const TagGroup* row, FILE** stream,
                          TagHeader* header)
{
    if (*stream) fclose(*stream);
    *stream = fopen(path, "rb");
    if (!*stream) return false;
    // A stream just opened is at the start: a seek there would cost a call per file.
    if (ReadHeaderAt(fileName, *stream, row, header, true)) return true;
    fclose(*stream);
    *stream = nullptr;
    return false;
}

bool ReadLocalTagFileHeader(const TagGroup* row, const char* fileName, FILE** stream, TagHeader* header)
{
    if (!row) return false;
    String path = ResolveGroupFolder(CodexLocalRoot(), row->code);
    path.Append("/");
    path.Append(fileName);
    return ReadLocalTagFilePath(path.c_str(), fileName, row, stream, header);
}

bool OpenLocalTagFile(TagHeader* header, const char* fileName, FILE** stream)
{
    String path = GetLocalTagPath(*header, fileName);
    return ReadLocalTagFilePath(path.c_str(), fileName, nullptr, stream, header);
}
