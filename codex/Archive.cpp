#include "codex/Archive.h"

#include <cstring>
#include <type_traits>

#include "codex/CodexState.h"
#include "foundation/Files.h"
#include "foundation/Log.h"
#include "foundation/Sort.h"
#include "foundation/StringUtil.h"

namespace {

// Directory entries read and converted at a time (64 KB).
constexpr u32 kDirectoryBatch = 1024;

void FreeInstances(Archive* archive)
{
    ArenaFree(&Codex().storage, archive->instances.data);
    archive->instances = TagInstanceArray{};
    archive->mesh_records.Free();
}

int CompareFileNames(void*, const void* a, const void* b)
{
    const String& x = *static_cast<const String*>(a);
    const String& y = *static_cast<const String*>(b);
    int c = NaturalCompare(x.c_str(), y.c_str());
    return c ? c : strcmp(x.c_str(), y.c_str());
}

}  // namespace

int ArchiveLayerForKind(u32 kind)
{
    switch (kind) {
    case 3: return 0;
    case 2: return 1;
    case 1:
    case 5:
    case 6: return 2;
    default: return -1;
    }
}

bool ReadArchiveHeader(ArchiveHeader* header, const u8* bytes, u32 available, u64 fileSize)
{
    if (!header || !bytes) return false;
    if (available >= kArchiveHeaderSize) {
        ArchiveHeader h;
        DiskToMemory(&h, bytes, 1, kArchiveHeaderDescriptor);
        if (h.signature == kArchiveSignature && u64(h.file_size) == fileSize) {
            h.data_start = kArchiveHeaderSize + kArchiveMeshRecordSize * u32(h.mesh_count);
            *header = h;
            return true;
        }
    }
    if (available < kOldArchiveHeaderSize) return false;
    OldArchiveHeader old;
    DiskToMemory(&old, bytes, 1, kOldArchiveHeaderDescriptor);
    if (old.one0 != 1 || old.one1 != 1) return false;
    if (fileSize > 0xFFFFFFFFull || old.directory_offset < kOldArchiveHeaderSize || old.directory_offset > fileSize)
        return false;
    if (fileSize - old.directory_offset != u64(old.tag_count) * kTagHeaderSize) return false;
    memset(header, 0, sizeof *header);
    header->kind = 1;
    memcpy(header->name, old.name, sizeof header->name);
    header->name[31] = 0;
    header->tag_count = old.tag_count;
    header->data_start = old.directory_offset;
    header->file_size = u32(fileSize);
    header->signature = kOldTagSignature;
    return true;
}

bool WriteArchiveHeader(const ArchiveHeader& header, FILE* stream)
{
    return WriteRecords(&header, 1, kArchiveHeaderDescriptor, stream) == kArchiveHeaderSize;
}

u64 ReadMeshRecords(ArchiveMeshRecord* records, FILE* stream, u32 count)
{
    return ReadRecords(records, count, kArchiveMeshRecordDescriptor, stream);
}

u64 WriteMeshRecords(const ArchiveMeshRecord* records, FILE* stream, u32 count)
{
    return WriteRecords(records, count, kArchiveMeshRecordDescriptor, stream);
}

Archive* LoadArchive(const char* path)
{
    if (!path || !*path) return nullptr;
    FILE* f = fopen(path, "rb");
    if (!f) return nullptr;
    Archive* archive = nullptr;
    u8 raw[kArchiveHeaderSize];
    ArchiveHeader header;
    int layer = -1;
    u64 directoryBytes = 0;
    u8* directory = nullptr;
    const s64 size = StreamFileSize(f);
    if (size < s64(kOldArchiveHeaderSize)) goto fail;
    {
        const u32 available = size < s64(kArchiveHeaderSize) ? u32(size) : kArchiveHeaderSize;
        if (fread(raw, 1, available, f) != available) goto fail;
        if (!ReadArchiveHeader(&header, raw, available, u64(size))) goto fail;
    }
    layer = ArchiveLayerForKind(header.kind);
    if (layer < 0) goto fail;
    directoryBytes = u64(header.tag_count) * kTagHeaderSize;
    // Mesh records and directory must lie inside the file before anything is allocated.
    if (u64(header.data_start) + directoryBytes > u64(size)) goto fail;
    if (header.signature == kArchiveSignature &&
        kArchiveHeaderSize + u64(header.mesh_count) * kArchiveMeshRecordSize > u64(header.data_start))
        goto fail;

    archive = new (std::nothrow) Archive();
    if (!archive) goto fail;
    archive->header = header;
    if (header.signature == kArchiveSignature && header.mesh_count) {
        archive->mesh_records.ResizeRaw(header.mesh_count);
        if (fseeko(f, kArchiveHeaderSize, SEEK_SET) != 0 ||
            ReadMeshRecords(archive->mesh_records.data, f, header.mesh_count) == 0)
            goto fail;
    }
    if (header.tag_count) {
        // The directory goes through one small buffer in batches: a buffer the size of the
        // whole directory is fresh memory on every load, and touching fresh pages costs more
        // than the conversion itself.
        const u32 batchEntries = header.tag_count < kDirectoryBatch ? header.tag_count : kDirectoryBatch;
        directory = static_cast<u8*>(malloc(size_t(batchEntries) * kTagHeaderSize));
        if (!directory || fseeko(f, off_t(header.data_start), SEEK_SET) != 0) goto fail;
        // Exactly the directory's count: the copies are most of the index's memory. A failed
        // batch leaves slots unconstructed, which freeing the archive may skip.
        static_assert(std::is_trivially_destructible<TagInstance>::value, "copies need no destructor");
        archive->instances.data = static_cast<TagInstance*>(
            ArenaAlloc(&Codex().storage, sizeof(TagInstance) * size_t(header.tag_count)));
        if (!archive->instances.data) goto fail;
        archive->instances.count = header.tag_count;
        TagHeader* headers = reinterpret_cast<TagHeader*>(directory);
        for (u32 first = 0; first < header.tag_count; first += batchEntries) {
            const u32 n = header.tag_count - first < batchEntries ? header.tag_count - first : batchEntries;
            if (fread(directory, kTagHeaderSize, n, f) != n) goto fail;
            if (header.signature == kArchiveSignature) {
                TagHeadersFromDisk(headers, directory, n);
            } else {
                DiskToMemory(headers, directory, n, kOldTagHeaderDescriptor);
                UpgradeTagHeaders(headers, n);
            }
            for (u32 i = 0; i < n; ++i) {
                if (u64(headers[i].offset) + headers[i].size > u64(size)) {
                    LogMessage(0, "Codex", "archive '%s': the data of entry %u lies outside the file\n", path,
                               first + i);
                    goto fail;
                }
                new (&archive->instances[first + i]) TagInstance{archive, headers[i], nullptr};
            }
        }
    }
    free(directory);
    fclose(f);
    archive->path.Set(path);
    {
        const char* p = archive->path.c_str();
        const char* name = p;
        for (const char* c = p; *c; ++c)
            if (*c == '/' || *c == '\\') name = c + 1;
        archive->file_name = name;
    }
    archive->layer = u32(layer);
    archive->load_order = Codex().nextLoadOrder++;
    return archive;

fail:
    free(directory);
    if (archive) FreeArchive(archive);
    fclose(f);
    return nullptr;
}

void FreeArchive(Archive* archive)
{
    if (!archive) return;
    FreeInstances(archive);
    delete archive;
}

Archive* OpenArchive(const char* path)
{
    if (Archive* loaded = FindArchiveByPath(path)) return loaded;
    Archive* archive = LoadArchive(path);
    if (!archive) return nullptr;
    for (u32 i = 0; i < archive->instances.count; ++i) {
        TagInstance& instance = archive->instances[i];
        TagEntry* entry = GetOrCreateTagEntry(instance.header.group, instance.header.tag);
        if (!entry) {
            for (u32 j = 0; j < i; ++j) RemoveTagInstance(&archive->instances[j]);
            FreeArchive(archive);
            return nullptr;
        }
        AddTagInstance(entry, &instance);
    }
    Codex().archives.Push(archive);
    NotifyCodexListeners(kCodexArchiveOpened, nullptr, archive);
    return archive;
}

bool ArchiveInUse(const Archive* archive)
{
    for (const TagInstance& instance : archive->instances)
        if (instance.entry && instance.entry->attachments.count) return true;
    return false;
}

namespace {

// Sends event 7; false when a tag of the archive is in use.
bool AnnounceClosing(Archive* archive)
{
    NotifyCodexListeners(kCodexArchiveClosing, nullptr, archive);
    return !ArchiveInUse(archive);
}

// Removes the archive's copies from the index and frees it. No listener is called.
void DropArchive(Archive* archive)
{
    for (TagInstance& instance : archive->instances) RemoveTagInstance(&instance);
    FreeArchive(archive);
}

}  // namespace

bool CloseArchive(Archive* archive)
{
    if (!archive) return true;
    if (!AnnounceClosing(archive)) return false;
    DropArchive(archive);
    return true;
}

bool UnloadArchive(Archive* archive)
{
    if (!archive) return true;
    if (!AnnounceClosing(archive)) return false;
    // Looked up only now: a listener may have reordered the list (SetActiveArchives sorts it).
    // The archive leaves the list before it is freed, so no listener ever finds it there.
    DynArray<Archive*>& list = Codex().archives;
    s32 at = list.IndexOf(archive);
    if (at >= 0) list.Remove(u32(at));
    DropArchive(archive);
    return true;
}

bool UnloadAllArchives()
{
    // One at a time through UnloadArchive, re-reading the list after each: the listeners
    // told of each close see only archives that are still loaded.
    DynArray<Archive*>& list = Codex().archives;
    ScopedDynArray<Archive*> kept;
    for (;;) {
        Archive* next = nullptr;
        for (Archive* archive : list)
            if (kept.IndexOf(archive) < 0) {
                next = archive;
                break;
            }
        if (!next) break;
        if (!UnloadArchive(next)) kept.Push(next);
    }
    if (list.count == 0) list.Free();
    return kept.count == 0;
}

u32 OpenArchivesInFolder(const char* folder)
{
    String base(folder);
    NormalizeFolderPath(base);
    ScopedDynArray<String> names;
    DirectoryListing* listing = OpenDirectory(base.c_str());
    if (!listing) return 0;
    while (const char* name = ReadDirectory(listing)) {
        if (name[0] == '.' && (!name[1] || (name[1] == '.' && !name[2]))) continue;
        if (strncmp(name, kTagTempPrefix, strlen(kTagTempPrefix)) == 0) continue;
        names.Push(String(name));
    }
    CloseDirectory(listing);
    SortWithContext(names.data, names.count, sizeof(String), nullptr, CompareFileNames);
    u32 opened = 0;
    for (const String& name : names) {
        String path(base);
        path.Append(name.c_str());
        if (IsDirectory(path.c_str(), 0) && OpenArchive(path.c_str())) ++opened;
    }
    return opened;
}

bool CloseCodex()
{
    if (!UnloadAllArchives()) return false;
    if (!RemoveAllLocalInstances()) return false;
    FreeLocalFolderWatches();
    // What is left are entries that never got a copy (new tags not saved); in-use ones stay.
    bool inUse = false;
    ScopedDynArray<void*> groups;
    IdMapValues(Codex().index, &groups);
    ScopedDynArray<void*> entries;
    for (void* g : groups) IdMapValues(static_cast<IdMap*>(g), &entries);
    for (void* e : entries)
        if (!DeleteTagEntryIfUnused(static_cast<TagEntry*>(e))) inUse = true;
    if (inUse) return false;
    CodexState& state = Codex();
    IdMapDestroy(&state.index);
    state.archives.Free();
    // The listeners stay: whoever registered one removes it, and a restart of the database
    // (another game folder) must keep telling them.
    state.localRoot.Clear();
    state.dirty = 0;
    return true;
}
