#include "codex/TagFiles.h"

#include <cstring>

#include "codex/Archive.h"
#include "codex/CodexState.h"
#include "codex/LocalFolder.h"
#include "codex/TagGroups.h"
#include "foundation/Files.h"
#include "foundation/Log.h"
#include "foundation/StringUtil.h"

namespace {

// The fields every tag file written by the tag database carries.
void PrepareFileHeader(TagHeader* header, u32 group, u32 tag)
{
    header->identifier = 0xFFFF;
    header->type = 0;
    header->group = group;
    header->tag = tag;
    header->offset = kTagHeaderSize;
    header->size = 0;
    header->foundation_index = 0xFF;
    header->owner_index = 0xFF;
    header->game = kTagSignature;
}

const char* GroupText(u32 group)
{
    return GetTagGroupName(group);
}

void LogCreateRefusal(const char* name, u32 tag, u32 group, bool allowOverwrite, u32 reason)
{
    static const char* const kReasons[] = {"A file with the same tagid already exists",
                                           "A file with the same name already exists",
                                           "An existing file could not be overwritten"};
    char id[5];
    TagCodeToText(tag, id);
    LogMessage(2, "Codex", "CreateTag(name='%s', tagid='%s', type='%s', allow_overwrite='%s') failed because '%s'.\n",
               name ? name : "", id, GroupText(group), allowOverwrite ? "True" : "False",
               reason < 3 ? kReasons[reason] : "Unknown");
}

// A new tag not yet saved holds its entry through an attachment or an open write.
bool EntryInUse(const TagEntry* entry)
{
    return entry && (entry->attachments.count || TagWriteStream(entry));
}

// How many tags of one group and name may each keep a file of its own.
constexpr u32 kMaxSameNameFiles = 100;

String FolderChild(const String& folder, const String& name)
{
    String path(folder);
    path.Append("/");
    path.Append(name.c_str());
    return path;
}

// Whether the file at the path is a tag file of another group or id than the header's.
bool HoldsAnotherTag(const String& path, const TagHeader& header)
{
    FILE* existing = fopen(path.c_str(), "rb");
    if (!existing) return false;
    TagHeader other;
    const bool another =
        ReadTagHeadersAnyVersion(&other, 1, existing) && (other.group != header.group || other.tag != header.tag);
    fclose(existing);
    return another;
}

}  // namespace

FILE* OpenTagInstance(TagInstance* instance, TagHeader* header)
{
    if (!instance || !instance->entry) return nullptr;
    TagEntry* entry = instance->entry;
    CloseTagReader(entry);
    FILE* stream = nullptr;
    if (instance->archive) {
        stream = fopen(instance->archive->path.c_str(), "rb");
        // The file may have changed since it was indexed: the data must still be there.
        if (stream && (StreamFileSize(stream) < s64(u64(instance->header.offset) + instance->header.size) ||
                       fseeko(stream, off_t(instance->header.offset), SEEK_SET) != 0)) {
            fclose(stream);
            stream = nullptr;
        }
    } else {
        TagHeader fresh = instance->header;
        const char* fileName = static_cast<LocalTagInstance*>(instance)->file_name.c_str();
        if (OpenLocalTagFile(&fresh, fileName, &stream) &&
            (fresh.group != entry->group || fresh.tag != entry->tag)) {
            // Another program put another tag under this file name: it is not this tag's
            // data, and the poll that the dirty mark asks for indexes it under its own id.
            fclose(stream);
            stream = nullptr;
            SetCodexDirty();
        }
        if (stream) instance->header = fresh;
        else LogMessage(0, "Codex", "couldn't open local file '%s' for reading\n", fileName);
    }
    if (!stream) return nullptr;
    TagFileState* files = GetTagFileState(entry);
    if (!files) {
        fclose(stream);
        return nullptr;
    }
    if (header) *header = instance->header;
    files->read_stream = stream;
    return stream;
}

FILE* OpenTag(TagEntry* entry, TagHeader* header)
{
    TagInstance* instance = GetTagInstance(entry);
    return instance ? OpenTagInstance(instance, header) : nullptr;
}

void CloseTagReader(TagEntry* entry)
{
    if (entry && entry->files && entry->files->read_stream) {
        fclose(entry->files->read_stream);
        entry->files->read_stream = nullptr;
        ReleaseIdleTagFileState(entry);
    }
}

FILE* BeginTagWrite(TagEntry* entry, TagHeader* header, const char* fileName)
{
    if (!entry || !header) return nullptr;
    PrepareFileHeader(header, entry->group, entry->tag);
    if (!fileName && entry->local_copy) fileName = entry->local_copy->file_name.c_str();
    String name(fileName);  // the local copy's name may go away with the copy
    return OpenTagFileForWriting(CodexLocalRoot(), entry, header, fileName ? name.c_str() : nullptr);
}

FILE* OpenTagFileForWriting(const char* root, TagEntry* entry, TagHeader* header, const char* fileName)
{
    if (!entry || !header) return nullptr;
    TagFileState* files = GetTagFileState(entry);
    if (!files) return nullptr;
    AbandonTagTempFile(&files->write_stream, &files->write_temp_path);
    files->write_name.Clear();
    files->write_path.Clear();
    String folder = ResolveGroupFolder(root, header->group);
    if (!MakeDirectories(folder.c_str())) {
        ReleaseIdleTagFileState(entry);
        return nullptr;
    }
    String name = fileName ? String(fileName) : SafeTagFileName(header->name);
    String path = FolderChild(folder, name);
    // Never replace the file of another tag that happens to have this name. Tags of different
    // ids may share a name (two archives each bring one): a tag that has no file of its own
    // yet takes the first free "<name> N" instead, since its header, not the file's name,
    // names it. A file name the caller chose is kept or refused; so is a folder in the way.
    bool ok = !IsDirectory(path.c_str(), 1);
    const bool taken = ok && HoldsAnotherTag(path, *header);
    ok = ok && !taken;
    const String base = name;
    for (u32 n = 2; taken && !ok && !fileName && n <= kMaxSameNameFiles; ++n) {
        char suffix[16];
        snprintf(suffix, sizeof suffix, " %u", n);
        name = base;
        name.Append(suffix);
        path = FolderChild(folder, name);
        ok = !IsDirectory(path.c_str(), 1) && !HoldsAnotherTag(path, *header);
    }
    if (ok) ok = OpenTagTempFile(path.c_str(), *header, &files->write_stream, &files->write_temp_path);
    if (!ok) {
        LogMessage(0, "Codex", "couldn't open tag file '%s' for writing\n", name.c_str());
        ReleaseIdleTagFileState(entry);
        return nullptr;
    }
    files->write_name = name;
    files->write_path = path;
    return files->write_stream;
}

bool FinishTagWrite(TagEntry* entry, const TagHeader* header, bool success)
{
    if (!entry) return false;
    bool ok = false;
    TagHeader h;
    TagFileState* files = entry->files;
    if (!files) {  // no write was begun
        SetCodexDirty();
        return false;
    }
    FILE* f = files->write_stream;
    if (success && f && fflush(f) == 0 && fseeko(f, 0, SEEK_SET) == 0) {
        const s64 size = StreamFileSize(f);
        if (size >= s64(kTagHeaderSize) && u64(size) - kTagHeaderSize <= 0xFFFFFFFFull &&
            ReadTagHeadersAnyVersion(&h, 1, f) && IsTagHeaderSignature(h)) {
            ReplacePlaceholderTagName(h, files->write_name.c_str());
            h.size = u32(u64(size) - kTagHeaderSize);
            h.offset = kTagHeaderSize;
            h.game = kTagSignature;
            if (header) {
                h.user = header->user;
                h.version = header->version;
            }
            ok = fseeko(f, 0, SEEK_SET) == 0 && WriteTagHeaders(&h, 1, f) == kTagHeaderSize;
        }
    }
    if (ok) {
        ok = CommitTagTempFile(&files->write_stream, &files->write_temp_path, files->write_path.c_str(), true);
    } else {
        AbandonTagTempFile(&files->write_stream, &files->write_temp_path);
    }
    if (ok) {
        if (entry->local_copy) {
            entry->local_copy->header = h;
        } else if (!AddLocalTagInstance(h, files->write_name.c_str())) {
            remove(files->write_path.c_str());
            ok = false;
        }
    }
    files->write_name.Clear();
    files->write_path.Clear();
    ReleaseIdleTagFileState(entry);
    SetCodexDirty();
    return ok;
}

u64 CopyFileBytes(FILE* to, FILE* from, u64 count)
{
    if (count == 0 || !to || !from) return 0;
    return CopyStreamBytes(to, from, count) ? count : 0;
}

TagEntry* CreateTag(u32 group, u32 tag, const char* name, TagHeader* out, bool allowOverwrite)
{
    TagHeader h = {};
    h.group = group;
    SetTagName(h, name);
    h.version = 1;
    h.owner_index = 0xFF;
    h.game = kTagSignature;
    if (tag == kNoTagId) AssignTagIdFromName(h);
    else h.tag = tag;

    int reason = -1;
    if (TagEntry* existing = FindTag(group, h.tag)) {
        if (!allowOverwrite) reason = kCreateIdExists;
        else if (!DeleteLocalTag(existing)) reason = kCreateCannotOverwrite;
    } else if (EntryInUse(FindTagEntry(group, h.tag))) {
        reason = kCreateIdExists;
    }
    if (reason < 0) {
        String path = GetLocalTagPath(h, nullptr);
        if (FILE* f = fopen(path.c_str(), "rb")) {
            TagHeader other;
            bool isTag = ReadTagHeadersAnyVersion(&other, 1, f) && IsTagHeaderSignature(other);
            fclose(f);
            if (isTag) {
                if (!allowOverwrite) {
                    reason = kCreateNameExists;
                } else {
                    TagEntry* holder = FindTagEntry(other.group, other.tag);
                    if (!holder || !DeleteLocalTag(holder)) reason = kCreateCannotOverwrite;
                }
            }
        }
    }
    if (reason >= 0) {
        LogCreateRefusal(name, tag, group, allowOverwrite, u32(reason));
        return nullptr;
    }
    TagEntry* entry = GetOrCreateTagEntry(group, h.tag);
    if (entry && out) *out = h;
    return entry;
}

TagEntry* DuplicateTag(TagEntry* entry, const char* name)
{
    if (!entry) return nullptr;
    TagHeader source;
    GetTagHeader(entry, &source);
    char base[32];
    StrLCpy(base, name ? name : source.name, sizeof base);
    TagHeader created;
    TagEntry* copy = nullptr;
    for (int n = 0; n <= 100 && !copy; ++n) {
        String candidate;
        if (n == 0) candidate = name ? String(name) : FormatString("%s copy", base);
        else candidate = FormatString("%s copy %d", base, n);
        char cut[32];
        StrLCpy(cut, candidate.c_str(), sizeof cut);
        copy = CreateTag(source.group, kNoTagId, cut, &created, false);
    }
    if (!copy) return nullptr;

    TagInstance* instance = GetTagInstance(entry);
    TagHeader read;
    FILE* in = instance ? OpenTagInstance(instance, &read) : nullptr;
    if (!in) {
        DeleteTagEntryIfUnused(copy);
        return nullptr;
    }
    bool ok = BeginTagWrite(copy, &created, nullptr) != nullptr;
    // An empty tag is copied as such: zero bytes need no copying.
    if (ok && read.size) ok = CopyFileBytes(TagWriteStream(copy), in, read.size) == read.size;
    if (TagWriteStream(copy) || ok) ok = FinishTagWrite(copy, &read, ok);
    CloseTagReader(entry);
    if (!ok) {
        DeleteTagEntryIfUnused(copy);
        return nullptr;
    }
    return copy;
}

bool ExtractTagToLocal(TagEntry* entry)
{
    if (!entry || entry->local_copy) return false;
    TagInstance* instance = GetTagInstance(entry);
    if (!instance) return false;
    TagHeader h;
    FILE* in = OpenTagInstance(instance, &h);
    if (!in) return false;
    TagHeader written = h;
    bool ok = BeginTagWrite(entry, &written, nullptr) != nullptr;
    if (ok && h.size) ok = CopyFileBytes(TagWriteStream(entry), in, h.size) == h.size;
    if (TagWriteStream(entry) || ok) ok = FinishTagWrite(entry, nullptr, ok);
    CloseTagReader(entry);
    return ok;
}

namespace {

// A new id must not take over a tag that is indexed already (saved or not, active or not).
bool IdTakenByAnotherTag(const TagEntry* entry, u32 tag)
{
    return tag != kNoTagId && tag != entry->tag && FindTagEntry(entry->group, tag);
}

// A tag that only archives hold gets its one local file written at once under the new name
// and id. Writing a copy first and changing it afterwards left that copy behind whenever the
// change was then refused; here every refusal comes before anything is written.
TagEntry* WriteChangedArchiveCopy(TagEntry* entry, u32 tag, const char* name)
{
    TagHeader source;
    GetTagHeader(entry, &source);
    if (IdTakenByAnotherTag(entry, tag)) {
        LogMessage(0, "Codex", "ChangeTagInfo: header update failed on '%.31s'.\n", source.name);
        return nullptr;
    }
    TagHeader h = source;
    if (name) SetTagName(h, name);
    TagEntry* target = entry;
    if (tag != entry->tag) {
        // Another id is another tag; without one the new name gives it a free id, as a
        // duplicate gets.
        TagHeader created;
        target = CreateTag(entry->group, tag, h.name, &created, false);
        if (!target) return nullptr;
    } else if (LocalTagFileExists(entry->group, h.name)) {
        LogCreateRefusal(h.name, tag, entry->group, false, kCreateNameExists);
        return nullptr;
    }
    TagInstance* instance = GetTagInstance(entry);
    TagHeader read = source;
    FILE* in = instance ? OpenTagInstance(instance, &read) : nullptr;
    bool ok = in && BeginTagWrite(target, &h, nullptr) != nullptr;
    if (ok && read.size) ok = CopyFileBytes(TagWriteStream(target), in, read.size) == read.size;
    if (TagWriteStream(target) || ok) ok = FinishTagWrite(target, &read, ok);
    if (in) CloseTagReader(entry);
    if (!ok) {
        if (target != entry) DeleteTagEntryIfUnused(target);
        return nullptr;
    }
    PollLocalFolder(true);
    return target;
}

}  // namespace

TagEntry* ChangeTagInfo(TagEntry* entry, u32 tag, const char* name)
{
    if (!entry) return nullptr;
    if (tag == kNoTagId && !name) return entry;
    if (!entry->local_copy) return WriteChangedArchiveCopy(entry, tag, name);
    LocalTagInstance* local = entry->local_copy;
    TagHeader h = local->header;
    String oldPath = GetLocalTagPath(h, local->file_name.c_str());
    if (IdTakenByAnotherTag(entry, tag)) {
        LogMessage(0, "Codex", "ChangeTagInfo: header update failed on '%s'.\n", oldPath.c_str());
        return nullptr;
    }
    String path(oldPath);
    if (name) {
        SetTagName(h, name);
        String newName = SafeTagFileName(h.name);
        path = GetLocalTagPath(h, newName.c_str());
        if (path != oldPath) {
            // Never onto an existing file: Linux rename would replace it silently.
            if (!RenameNoReplace(oldPath.c_str(), path.c_str())) {
                LogMessage(0, "Codex", "ChangeTagInfo: rename('%s','%s') failed.\n", oldPath.c_str(), path.c_str());
                return nullptr;
            }
            local->file_name = newName;
        }
    }
    if (tag != kNoTagId) h.tag = tag;
    h.game = kTagSignature;  // written in the current layout
    h.offset = kTagHeaderSize;
    bool ok = false;
    if (FILE* f = fopen(path.c_str(), "rb+")) {
        ok = fseeko(f, 0, SEEK_SET) == 0 && WriteTagHeaders(&h, 1, f) == kTagHeaderSize;
        if (fclose(f) != 0) ok = false;
    }
    if (!ok) {
        LogMessage(0, "Codex", "ChangeTagInfo: header update failed on '%s'.\n", path.c_str());
        return nullptr;
    }
    const u32 group = h.group;
    if (h.tag != entry->tag) {
        // The file now holds another tag: the old one loses its copy here, and the poll below
        // indexes the file under its new id.
        DropLocalCopy(entry);
    } else {
        local->header = h;
    }
    PollLocalFolder(true);
    TagEntry* result = FindTag(group, h.tag);
    if (!result) {
        char g[5], t[5];
        TagCodeToText(group, g);
        TagCodeToText(h.tag, t);
        LogMessage(0, "Codex", "ChangeTagInfo: FindTag('%s', '%s') failed '%s'.\n", g, t, path.c_str());
    }
    return result;
}

bool DeleteLocalTag(TagEntry* entry)
{
    if (!entry || entry->attachments.count) return false;
    if (!entry->local_copy) {
        PollLocalFolder(false);
        return false;
    }
    TagHeader h;
    GetTagHeader(entry, &h);
    String path = GetLocalTagPath(h, entry->local_copy->file_name.c_str());
    bool deleted = remove(path.c_str()) == 0;
    // The copy goes now: the watch may never have seen a file written since its last poll.
    if (deleted) DropLocalCopy(entry);
    SetCodexDirty();
    PollLocalFolder(true);
    return deleted;
}
