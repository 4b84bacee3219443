// Folder and file helpers of the tag database: group folders that keep one spelling on a
// case-sensitive file system, and tag files written through a temporary file.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "codex/CodexState.h"
#include "codex/TagHeader.h"
#include "foundation/Files.h"
#include "foundation/Log.h"
#include "foundation/StringUtil.h"

namespace {

// The spelling of component inside folder (ending in '/'): an existing folder matching it
// case-insensitively (the lower-case one first, else the smallest name), else lower case.
String ResolveComponent(const char* folder, const char* component, u32 length)
{
    String wanted(component, length);
    String lower(wanted);
    if (lower.Buffer()) ToLowerInPlace(lower.Buffer());
    String best;
    bool exact = false;
    if (DirectoryListing* listing = OpenDirectory(folder)) {
        while (const char* name = ReadDirectory(listing)) {
            if (StrICmp(name, wanted.c_str()) != 0) continue;
            String path(folder);
            path.Append(name);
            if (!IsDirectory(path.c_str(), 1)) continue;
            if (strcmp(name, lower.c_str()) == 0) {
                exact = true;
                break;
            }
            if (best.IsEmpty() || strcmp(name, best.c_str()) < 0) best.Set(name);
        }
        CloseDirectory(listing);
    }
    if (exact || best.IsEmpty()) return lower;
    return best;
}

// One component of a path: never a separator, never "." or "..", never a temporary file's name.
String SafePathComponent(const char* name)
{
    if (!name || !*name || strcmp(name, ".") == 0 || strcmp(name, "..") == 0) return String("_");
    String out(name);
    for (char* c = out.Buffer(); *c; ++c)
        if (*c == '/' || *c == '\\') *c = '_';
    // Never mistaken for a write in progress.
    if (strncmp(out.c_str(), kTagTempPrefix, strlen(kTagTempPrefix)) == 0) out.Buffer()[0] = '_';
    return out;
}

}  // namespace

bool MakeDirectories(const char* path)
{
    if (!path || !*path) return false;
    String copy(path);
    char* p = copy.Buffer();
    for (char* c = p + 1; *c; ++c) {
        if (*c != '/') continue;
        *c = 0;
        if (!IsDirectory(p, 1) && !MakeDirectory(p)) return false;
        *c = '/';
    }
    return IsDirectory(p, 1) || MakeDirectory(p);
}

String SafeTagFileName(const char* name)
{
    // Archive headers carry names as their authors typed them: the file takes the name the
    // tag database would have stored.
    TagHeader cleaned = {};
    SetTagName(cleaned, name);
    return SafePathComponent(cleaned.name);
}

String ResolveGroupFolder(const char* root, u32 group)
{
    String base(root ? root : "");
    NormalizeFolderPath(base);
    const TagGroup* row = GetTagGroup(group);
    if (!row) {
        char code[5];
        TagCodeToText(group, code);
        String name = SafePathComponent(code);
        base.Append(name.c_str());
        return base;
    }
    const int index = TagGroupRowIndex(group);
    CodexState& state = Codex();
    if (index >= 0 && !state.groupFolders[index].IsEmpty() && base == CodexLocalRoot())
        return state.groupFolders[index];
    const char* plural = row->plural_name;
    for (;;) {
        const char* slash = strchr(plural, '/');
        u32 length = slash ? u32(slash - plural) : u32(strlen(plural));
        String part = ResolveComponent(base.c_str(), plural, length);
        base.Append(part.c_str());
        if (!slash) break;
        base.Append("/");
        plural = slash + 1;
    }
    return base;
}

s64 StreamFileSize(FILE* stream)
{
    if (!stream) return -1;
    struct stat st;
    const int fd = fileno(stream);
    if (fd >= 0) return fstat(fd, &st) == 0 ? s64(st.st_size) : -1;
    // A stream without a descriptor (in memory): measure by seeking.
    const off_t here = ftello(stream);
    if (here < 0 || fseeko(stream, 0, SEEK_END) != 0) return -1;
    const off_t end = ftello(stream);
    if (fseeko(stream, here, SEEK_SET) != 0) return -1;
    return s64(end);
}

bool OpenTagTempFile(const char* path, const TagHeader& header, FILE** stream, String* tempPath)
{
    *stream = nullptr;
    tempPath->Clear();
    if (!path || !*path) return false;
    String temp(path);
    char* slash = strrchr(temp.Buffer(), '/');
    if (slash) slash[1] = 0;
    else temp.Clear();
    temp.Append(kTagTempPrefix);
    temp.Append("XXXXXX");
    int fd = mkstemp(temp.Buffer());
    if (fd < 0) return false;
    // Held until the stream closes (a killed process lets go too): a temporary file nobody
    // holds is stale, whichever instance of the program wrote it.
    flock(fd, LOCK_EX | LOCK_NB);
    // mkstemp makes the file private; a tag file gets the usual mode.
    mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    FILE* f = fdopen(fd, "w+b");
    if (!f) {
        close(fd);
        remove(temp.c_str());
        return false;
    }
    if (WriteTagHeaders(&header, 1, f) != kTagHeaderSize) {
        fclose(f);
        remove(temp.c_str());
        return false;
    }
    *stream = f;
    *tempPath = temp;
    return true;
}

void AbandonTagTempFile(FILE** stream, String* tempPath)
{
    if (*stream) fclose(*stream);
    *stream = nullptr;
    if (!tempPath->IsEmpty()) remove(tempPath->c_str());
    tempPath->Clear();
}

bool RenameNoReplace(const char* from, const char* to)
{
    if (renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
    // A file system without the flag: a hard link fails on an existing target too.
    if (link(from, to) == 0) return unlink(from) == 0 || (unlink(to), false);
    if (errno == EEXIST) return false;
    if (IsDirectory(to, -1)) return false;
    return rename(from, to) == 0;
}

bool CommitTagTempFile(FILE** stream, String* tempPath, const char* path, bool replace)
{
    FILE* f = *stream;
    *stream = nullptr;
    bool ok = f && fflush(f) == 0 && !ferror(f);
    if (f && fclose(f) != 0) ok = false;
    if (ok) ok = replace ? rename(tempPath->c_str(), path) == 0 : RenameNoReplace(tempPath->c_str(), path);
    if (!ok) remove(tempPath->c_str());
    tempPath->Clear();
    return ok;
}

bool CopyStreamBytes(FILE* to, FILE* from, u64 count)
{
    const size_t kBlock = 1 << 20;
    if (count == 0) return true;
    u8* buffer = static_cast<u8*>(malloc(count < kBlock ? size_t(count) : kBlock));
    if (!buffer) return false;
    bool ok = true;
    while (ok && count) {
        size_t n = count < kBlock ? size_t(count) : kBlock;
        ok = fread(buffer, 1, n, from) == n && fwrite(buffer, 1, n, to) == n;
        count -= n;
    }
    free(buffer);
    return ok;
}

namespace {

// The names mkstemp gives our temporary files: the prefix and six letters or digits.
bool IsTagTempFileName(const char* name)
{
    const size_t prefix = strlen(kTagTempPrefix);
    if (strncmp(name, kTagTempPrefix, prefix) != 0 || strlen(name) != prefix + 6) return false;
    for (const char* c = name + prefix; *c; ++c)
        if (!((*c >= '0' && *c <= '9') || (*c >= 'a' && *c <= 'z') || (*c >= 'A' && *c <= 'Z'))) return false;
    return true;
}

// Removes the file when it is a regular file that no open write holds.
bool RemoveIfStale(const char* path)
{
    int fd = open(path, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st;
    bool stale = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && flock(fd, LOCK_EX | LOCK_NB) == 0;
    // Removed while locked, so a writer that starts now cannot be caught halfway.
    if (stale) stale = unlink(path) == 0;
    close(fd);
    return stale;
}

u32 RemoveStaleTempFilesIn(const String& folder, u32 depth)
{
    DirectoryListing* listing = OpenDirectory(folder.c_str());
    if (!listing) return 0;
    ScopedDynArray<String*> subfolders;
    u32 removed = 0;
    while (const char* name = ReadDirectory(listing)) {
        if (!strcmp(name, ".") || !strcmp(name, "..")) continue;
        if (IsTagTempFileName(name)) {
            String path(folder);
            path.Append(name);
            if (RemoveIfStale(path.c_str())) {
                LogMessage(1, "Codex", "removed '%s', left by a save that did not finish\n", path.c_str());
                ++removed;
            }
        } else if (depth > 0 && ListedEntryIsFolder(listing)) {
            String* sub = new String(folder);
            sub->Append(name);
            sub->Append("/");
            subfolders.Push(sub);
        }
    }
    CloseDirectory(listing);
    for (String* sub : subfolders) {
        removed += RemoveStaleTempFilesIn(*sub, depth - 1);
        delete sub;
    }
    return removed;
}

}  // namespace

u32 RemoveStaleTagTempFiles(const char* root)
{
    String folder(root ? root : "");
    NormalizeFolderPath(folder);
    if (folder.IsEmpty()) return 0;
    // Group folders nest ("quicktime/mp3"); a few levels cover every one of them.
    return RemoveStaleTempFilesIn(folder, 3);
}
