#include <cstring>

#include "codex/Archive.h"
#include "codex/CodexState.h"
#include "codex/TagFiles.h"
#include "foundation/Files.h"
#include "foundation/Log.h"
#include "foundation/PrefStore.h"
#include "foundation/StringUtil.h"

namespace {

constexpr u64 kMaxArchiveSize = 0xFFFFFFFFull;

bool WriteAt(FILE* f, u64 position, const void* bytes, u64 n)
{
    return fseeko(f, off_t(position), SEEK_SET) == 0 && fwrite(bytes, 1, size_t(n), f) == n;
}

// Writes the archive into f; false on any failure.
bool WriteArchive(FILE* f, const DynArray<TagEntry*>& sorted, u32 kind, const char* name, const char* url,
                  u32 priority)
{
    u32 meshCount = 0;
    for (TagEntry* entry : sorted)
        if (GetTagInstance(entry)->header.group == FourCC("mesh")) ++meshCount;
    if (meshCount > 0xFFFF || sorted.count > 0xFFFF) return false;

    const u64 directory = kArchiveHeaderSize + u64(meshCount) * kArchiveMeshRecordSize;
    u64 data = directory + u64(sorted.count) * kTagHeaderSize;
    if (fseeko(f, kArchiveHeaderSize, SEEK_SET) != 0) return false;
    for (TagEntry* entry : sorted) {
        const TagHeader& h = GetTagInstance(entry)->header;
        if (h.group != FourCC("mesh")) continue;
        ArchiveMeshRecord record = {};
        record.tag = h.tag;
        StrLCpy(record.name, h.name, sizeof record.name);
        StrLCpy(record.name_again, h.name, sizeof record.name_again);
        if (WriteMeshRecords(&record, f, 1) != kArchiveMeshRecordSize) return false;
    }

    u64 slot = directory;
    for (TagEntry* entry : sorted) {
        TagHeader h;
        FILE* in = OpenTagInstance(GetTagInstance(entry), &h);
        if (!in) return false;
        bool ok = data + h.size <= kMaxArchiveSize;
        if (ok) {
            // The header goes in as it stands: an upgraded old-layout header keeps its 'vorn'
            // along with the fields the upgrade left zero.
            h.offset = u32(data);
            u8 raw[kTagHeaderSize];
            MemoryToDisk(raw, &h, 1, kTagHeaderDescriptor);
            ok = WriteAt(f, slot, raw, sizeof raw) && fseeko(f, off_t(data), SEEK_SET) == 0 &&
                 CopyStreamBytes(f, in, h.size);
        }
        CloseTagReader(entry);
        if (!ok) return false;
        slot += kTagHeaderSize;
        data += h.size;
    }

    ArchiveHeader header = {};
    header.kind = u16(kind);
    header.priority = kind == 1 ? 0xFFFF : u16(priority);
    StrLCpy(header.name, name, sizeof header.name);
    StrLCpy(header.url, url ? url : "", sizeof header.url);
    header.mesh_count = u16(meshCount);
    header.tag_count = u16(sorted.count);
    header.file_size = u32(data);
    header.data_start = u32(directory + u64(sorted.count) * kTagHeaderSize);
    header.signature = kArchiveSignature;
    return fseeko(f, 0, SEEK_SET) == 0 && WriteArchiveHeader(header, f);
}

}  // namespace

String CleanArchiveFileName(const char* name)
{
    char buffer[32];
    StrLCpy(buffer, name ? name : "", sizeof buffer);
    for (char* c = buffer; *c; ++c)
        if (*c == '/' || *c == '\\' || u8(*c) < 32 || strchr(":*?\"<>|", *c)) *c = '_';
    if (!buffer[0] || strcmp(buffer, ".") == 0 || strcmp(buffer, "..") == 0) return String("_");
    if (strncmp(buffer, kTagTempPrefix, strlen(kTagTempPrefix)) == 0) buffer[0] = '_';
    return String(buffer);
}

bool BuildArchive(const DynArray<TagEntry*>& tags, u32 kind, const char* name, const char* url, u32 priority)
{
    if (ArchiveLayerForKind(kind) < 0 || tags.count > 0xFFFF) return false;
    for (TagEntry* entry : tags)
        if (!GetTagInstance(entry)) return false;
    String folder = GetVornPath();
    folder.Append("plugins/");
    if (!MakeDirectory(folder.c_str())) return false;
    String path(folder);
    path.Append(CleanArchiveFileName(name).c_str());

    // An earlier version that cannot be unloaded cannot be replaced: find out before writing.
    Archive* previous = FindArchiveByPath(path.c_str());
    if (previous && ArchiveInUse(previous)) return false;

    ScopedDynArray<TagEntry*> sorted;
    sorted.Assign(tags);
    SortTagList(&sorted);

    // The new archive is complete before the old one is touched, so the tags may still be
    // read from the old version of the same add-on.
    TagHeader dummy = {};
    FILE* f = nullptr;
    String temp;
    String tempTarget(path);
    if (!OpenTagTempFile(tempTarget.c_str(), dummy, &f, &temp)) return false;
    if (!WriteArchive(f, sorted, kind, name ? name : "", url, priority)) {
        AbandonTagTempFile(&f, &temp);
        return false;
    }
    // The tags' entries may go away with the old archive: nothing below touches them.
    if (previous && !UnloadArchive(previous)) {
        AbandonTagTempFile(&f, &temp);
        return false;
    }
    if (!CommitTagTempFile(&f, &temp, path.c_str(), true)) return false;
    return OpenArchive(path.c_str()) != nullptr;
}

u32 ExtractArchiveTags(Archive* archive, const char* folder, u32* written)
{
    if (written) *written = 0;
    if (!archive) return 0;
    FILE* in = fopen(archive->path.c_str(), "rb");
    if (!in) return archive->instances.count ? archive->instances.count : 1;
    String root(folder ? folder : "");
    NormalizeFolderPath(root);
    u32 failures = 0;
    for (const TagInstance& instance : archive->instances) {
        TagHeader h = instance.header;
        h.identifier = 0xFFFF;
        h.type = 0;
        h.offset = kTagHeaderSize;
        h.foundation_index = 0xFF;
        h.owner_index = 0xFF;
        h.game = kTagSignature;
        String groupFolder = ResolveGroupFolder(root.c_str(), h.group);
        String path(groupFolder);
        path.Append("/");
        path.Append(SafeTagFileName(h.name).c_str());

        bool ok = MakeDirectories(groupFolder.c_str());
        // A local copy that is open, or is being written, is not overwritten underneath.
        TagEntry* entry = instance.entry;
        if (ok && entry && (entry->attachments.count || TagWriteStream(entry)) && IsDirectory(path.c_str(), -1))
            ok = false;
        // Nor is a file that holds another tag.
        if (ok && IsDirectory(path.c_str(), -1)) {
            FILE* existing = fopen(path.c_str(), "rb");
            TagHeader other;
            if (existing && ReadTagHeadersAnyVersion(&other, 1, existing) &&
                (other.group != h.group || other.tag != h.tag))
                ok = false;
            if (existing) fclose(existing);
            if (IsDirectory(path.c_str(), 1)) ok = false;
        }
        FILE* out = nullptr;
        String temp;
        if (ok) ok = OpenTagTempFile(path.c_str(), h, &out, &temp);
        if (ok) {
            ok = fseeko(in, off_t(instance.header.offset), SEEK_SET) == 0 && CopyStreamBytes(out, in, h.size);
            if (ok) {
                ok = CommitTagTempFile(&out, &temp, path.c_str(), true);
            } else {
                AbandonTagTempFile(&out, &temp);
            }
        }
        if (ok) {
            if (written) ++*written;
        } else {
            LogMessage(0, "Codex", "couldn't open tag file '%s' for writing\n", path.c_str());
            ++failures;
        }
    }
    fclose(in);
    SetCodexDirty();
    return failures;
}
