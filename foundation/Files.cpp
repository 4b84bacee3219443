#include "foundation/Files.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cstdlib>
#include <cstring>

#include "foundation/DynArray.h"
#include "foundation/StringUtil.h"

namespace {

// The static buffer of BaseName: large enough for any Linux path.
constexpr size_t kBaseNameSize = 4096;

void FillInfo(FileInfo* info, const struct stat& st)
{
    memset(info, 0, sizeof(*info));
    info->size = u64(st.st_size) > 0xFFFFFFFFu ? 0xFFFFFFFFu : u32(st.st_size);
    if (S_ISDIR(st.st_mode)) info->flags |= kFileDirectory;
    info->accessTime = s64(st.st_atim.tv_sec);
    info->accessNanos = u32(st.st_atim.tv_nsec);
    info->modifyTime = s64(st.st_mtim.tv_sec);
    info->modifyNanos = u32(st.st_mtim.tv_nsec);
    info->createTime = s64(st.st_ctim.tv_sec);
    info->createNanos = u32(st.st_ctim.tv_nsec);
    info->device = u64(st.st_dev);
    info->fileId = u64(st.st_ino);
}

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// Index of the first byte of the name part (behind the last separator).
size_t NameStart(const char* path)
{
    size_t start = 0;
    for (size_t i = 0; path[i]; ++i)
        if (IsSeparator(path[i])) start = i + 1;
    return start;
}

// Index of the extension's '.' inside the name part, or the path's length when it has none.
size_t ExtensionStart(const char* path, size_t nameStart)
{
    size_t len = nameStart + strlen(path + nameStart);
    for (size_t i = len; i > nameStart; --i)
        if (path[i - 1] == '.') return i - 1;
    return len;
}

bool CopyPart(char* dest, size_t size, const char* src, size_t n)
{
    if (!dest) return true;
    if (n >= size) return false;
    memcpy(dest, src, n);
    dest[n] = 0;
    return true;
}

void SetIfNotEmpty(String* out, const char* s, size_t n)
{
    if (out && n) out->Set(s, u32(n));
}


int ListingDescriptor(DirectoryListing* listing);
int StatAt(FileInfo* info, int folder, const char* name);

struct FolderId {
    u64 device;
    u64 fileId;
};

int ScanInside(const String& folderPath, int recursive, ScanCallback fileCallback, ScanCallback folderCallback,
               void* context, DynArray<FolderId>& ancestors)
{
    // folderPath ends in '/'; sub-folders are named exactly as the file system gave them.
    const String& folder = folderPath;
    DirectoryListing* listing = OpenDirectory(folder);
    if (!listing) return 1;

    FileInfo self;
    bool known = StatPath(&self, folder) != 0;
    if (known) ancestors.Push(FolderId{self.device, self.fileId});

    int result = 1;
    String full;
    while (const char* entry = ReadDirectory(listing)) {
        if (IsSkippedName(entry)) continue;
        String name(entry);  // the listing's buffer changes with the nested scan below
        full.Set(folder);
        full.Append(name);
        FileInfo info;
        // Relative to the open folder: the path is not walked again for every entry.
        if (!StatAt(&info, ListingDescriptor(listing), name)) continue;
        if (!(info.flags & kFileDirectory)) {
            if (fileCallback && !fileCallback(&info, folder, name, context)) {
                result = 0;
                break;
            }
            continue;
        }
        if (folderCallback && !folderCallback(&info, folder, name, context)) {
            result = 0;
            break;
        }
        if (!recursive) continue;
        bool loop = false;
        for (const FolderId& id : ancestors)
            if (id.device == info.device && id.fileId == info.fileId) loop = true;
        if (loop) continue;
        full.Append("/");
        if (!ScanInside(full, recursive, fileCallback, folderCallback, context, ancestors)) {
            result = 0;
            break;
        }
    }
    if (known) ancestors.RemoveRange(ancestors.count - 1, 1);
    CloseDirectory(listing);
    return result;
}

}  // namespace

struct DirectoryListing {
    DIR* handle;
    struct dirent* current;  // the entry read ahead when opening
    int returnedFirst;
    String pattern;
};

namespace {

// What the caller may do with name (relative to folder, or absolute with AT_FDCWD). One test
// answers the common file that is both readable and writable; the others need a second.
u32 AccessFlags(int folder, const char* name)
{
    if (faccessat(folder, name, R_OK | W_OK, 0) == 0) return kFileReadable | kFileWritable;
    if (faccessat(folder, name, R_OK, 0) == 0) return kFileReadable;  // so W_OK was refused
    return faccessat(folder, name, W_OK, 0) == 0 ? u32(kFileWritable) : 0u;
}

// StatPath for name in the folder open as descriptor folder (AT_FDCWD: the path itself).
int StatAt(FileInfo* info, int folder, const char* name)
{
    memset(info, 0, sizeof(*info));
    struct stat st;
    if (!name || !*name || fstatat(folder, name, &st, 0) != 0) return 0;
    FillInfo(info, st);
    info->flags |= AccessFlags(folder, name);
    return 1;
}

}  // namespace

int StatPath(FileInfo* info, const char* path) { return StatAt(info, AT_FDCWD, path); }

int StatFile(FileInfo* info, FILE* stream)
{
    memset(info, 0, sizeof(*info));
    struct stat st;
    if (!stream || fstat(fileno(stream), &st) != 0) return 0;
    info->size = u64(st.st_size) > 0xFFFFFFFFu ? 0xFFFFFFFFu : u32(st.st_size);
    // What the stream may do is decided by how it was opened, not by the file's mode bits.
    int mode = fcntl(fileno(stream), F_GETFL);
    if (mode < 0) {
        memset(info, 0, sizeof(*info));
        return 0;
    }
    mode &= O_ACCMODE;
    if (mode == O_RDONLY || mode == O_RDWR) info->flags |= kFileReadable;
    if (mode == O_WRONLY || mode == O_RDWR) info->flags |= kFileWritable;
    return 1;
}

int IsDirectory(const char* path, int mode)
{
    if (!path || !*path) return 0;
    String copy = ResolveFolderPath(path);
    char* buffer = copy.Buffer();
    size_t len = strlen(buffer);
    if (len > 1) buffer[len - 1] = 0;  // "/" itself stays the root
    FileInfo info;
    if (!StatPath(&info, buffer)) return 0;
    bool dir = (info.flags & kFileDirectory) != 0;
    if (mode == 1) return dir;
    if (mode == 0) return !dir;
    return 1;
}

int MakeDirectory(const char* path)
{
    if (!path || !*path) return 0;
    if (mkdir(path, 0777) == 0) return 1;
    if (errno != EEXIST) return 0;
    struct stat st;
    return stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

namespace {

int ListingDescriptor(DirectoryListing* listing) { return dirfd(listing->handle); }

}  // namespace

DirectoryListing* OpenDirectory(const char* folder)
{
    if (!folder || !*folder) return nullptr;
    DIR* handle = opendir(folder);
    if (!handle) return nullptr;
    DirectoryListing* listing = new DirectoryListing();
    listing->handle = handle;
    listing->current = readdir(handle);
    listing->returnedFirst = 0;
    size_t len = strlen(folder);
    listing->pattern.Set(folder);
    listing->pattern.Append(IsSeparator(folder[len - 1]) ? "*" : "/*");
    return listing;
}

const char* ReadDirectory(DirectoryListing* listing)
{
    if (!listing || !listing->handle) return nullptr;
    if (listing->returnedFirst) listing->current = readdir(listing->handle);
    listing->returnedFirst = 1;
    return listing->current ? listing->current->d_name : nullptr;
}

int ListedEntryIsFolder(DirectoryListing* listing)
{
    if (!listing || !listing->handle || !listing->current) return 0;
    const dirent* entry = listing->current;
    // Most file systems put the kind in the entry: no lookup per name.
    if (entry->d_type != DT_UNKNOWN) return entry->d_type == DT_DIR;
    struct stat st;
    return fstatat(dirfd(listing->handle), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
}

void CloseDirectory(DirectoryListing* listing)
{
    if (!listing) return;
    if (listing->handle) closedir(listing->handle);
    delete listing;
}

int NormalizeFolderPath(char* path, size_t size)
{
    if (!path) return 0;
    size_t len = strlen(path);
    if (len == 0) return 1;
    bool needSlash = !IsSeparator(path[len - 1]);
    if (needSlash && len + 2 > size) return 0;
    for (size_t i = 0; i < len; ++i) {
        char c = path[i];
        if (c == '\\')
            path[i] = '/';
        else if (c && strchr("*?<>|", c))
            path[i] = '_';
    }
    if (needSlash) {
        path[len] = '/';
        path[len + 1] = 0;
    }
    return 1;
}

void NormalizeFolderPath(String& path)
{
    if (path.IsEmpty()) return;
    u32 len = path.Length();
    if (!IsSeparator(path.c_str()[len - 1])) path.Append("/");
    NormalizeFolderPath(path.Buffer(), size_t(len) + 2);
}

String ResolveFolderPath(const char* path)
{
    String result(path);
    if (result.IsEmpty()) return result;
    u32 len = result.Length();
    if (result.c_str()[len - 1] != '/') result.Append("/");
    struct stat st;
    if (stat(result.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return result;
    result.Set(path);
    NormalizeFolderPath(result);
    return result;
}

const char* BaseName(const char* path, int stripExtension)
{
    static char buffer[kBaseNameSize];
    buffer[0] = 0;
    if (!path) return buffer;
    if (((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z')) && path[1] == ':') path += 2;
    const char* name = path + NameStart(path);
    size_t len = strlen(name);
    if (stripExtension) {
        const char* dot = strrchr(name, '.');
        if (dot) len = size_t(dot - name);
    }
    if (!CopyPart(buffer, sizeof(buffer), name, len)) buffer[0] = 0;
    return buffer;
}

int SplitPathParts(const char* path, char* folder, char* name, char* extension, size_t size)
{
    char* parts[3] = {folder, name, extension};
    for (char* part : parts)
        if (part && size) part[0] = 0;
    if (!path) return 1;
    size_t nameStart = NameStart(path);
    size_t extStart = ExtensionStart(path, nameStart);
    size_t len = extStart + strlen(path + extStart);
    if (CopyPart(folder, size, path, nameStart) && CopyPart(name, size, path + nameStart, extStart - nameStart) &&
        CopyPart(extension, size, path + extStart, len - extStart))
        return 1;
    for (char* part : parts)
        if (part && size) part[0] = 0;
    return 0;
}

void SplitPath(const char* path, String* folder, String* name, String* extension)
{
    if (!path) return;
    size_t nameStart = NameStart(path);
    size_t extStart = ExtensionStart(path, nameStart);
    SetIfNotEmpty(folder, path, nameStart);
    SetIfNotEmpty(name, path + nameStart, extStart - nameStart);
    SetIfNotEmpty(extension, path + extStart, strlen(path + extStart));
}

void SplitPathEx(const char* path, int mode, String* first, String* second)
{
    if (!path) return;
    size_t nameStart = NameStart(path);
    size_t cut = mode == 1 ? ExtensionStart(path, nameStart) : nameStart;
    // Both parts are taken before either output is set: an output may be the path itself.
    String head(path, u32(cut));
    String tail(path + cut);
    if (first && !head.IsEmpty()) *first = static_cast<String&&>(head);
    if (second && !tail.IsEmpty()) *second = static_cast<String&&>(tail);
}

int StripExtension(char* text, const char* extension)
{
    if (!text) return 0;
    size_t nameStart = NameStart(text);
    char* dot = strrchr(text + nameStart, '.');
    if (!dot) return 0;
    if (extension) {
        if (*extension == '.') ++extension;
        if (StrICmp(dot + 1, extension) != 0) return 0;
    }
    *dot = 0;
    return 1;
}

int StripExtension(String& text, const char* extension)
{
    if (text.IsEmpty()) return 0;
    String copy(text);
    if (!StripExtension(copy.Buffer(), extension)) return 0;
    text.Set(copy.c_str());  // re-set so the buffer matches the shorter text
    return 1;
}

void AppendIfMissing(String& text, const char* suffix)
{
    if (!suffix || Contains(text.c_str(), suffix)) return;
    text.Append(suffix);
}

char* ReadWholeFile(const char* path)
{
    if (!path) return nullptr;
    FILE* f = fopen(path, "rb");
    if (!f) return nullptr;
    struct stat st;
    if (fstat(fileno(f), &st) != 0 || S_ISDIR(st.st_mode)) {
        fclose(f);
        return nullptr;
    }
    // The size is only a first guess: a file may grow or shrink while it is read, and
    // special files report 0. One byte beyond the size and the terminator lets the read meet
    // the end of the file without growing the buffer.
    u64 capacity = st.st_size > 0 ? u64(st.st_size) + 2 : 4096;
    if (capacity > u64(SIZE_MAX) - 1) {
        fclose(f);
        return nullptr;
    }
    char* data = static_cast<char*>(malloc(size_t(capacity)));
    u64 used = 0;
    bool ok = data != nullptr;
    while (ok) {
        if (used + 1 >= capacity) {
            if (capacity > u64(SIZE_MAX) / 2) {
                ok = false;
                break;
            }
            capacity *= 2;
            char* grown = static_cast<char*>(realloc(data, size_t(capacity)));
            if (!grown) {
                ok = false;
                break;
            }
            data = grown;
        }
        size_t got = fread(data + used, 1, size_t(capacity - 1 - used), f);
        used += got;
        if (got == 0) {
            if (ferror(f)) ok = false;
            break;
        }
    }
    fclose(f);
    if (!ok) {
        free(data);
        return nullptr;
    }
    data[used] = 0;
    return data;
}

int ReopenFile(FILE** stream, const char* path, const char* mode)
{
    if (!stream) return 0;
    if (*stream) fclose(*stream);
    *stream = path && mode ? fopen(path, mode) : nullptr;
    return *stream != nullptr;
}

u64 WriteRLE(FILE* stream, const u8* bytes, u32 n)
{
    if (!stream || !bytes || n == 0) return 0;
    u64 written = 0;
    u32 i = 0;
    while (i < n) {
        u8 value = bytes[i];
        u32 run = 1;
        while (run < 256 && i + run < n && bytes[i + run] == value) ++run;
        u8 pair[2] = {value, u8(run - 1)};
        if (fwrite(pair, 1, 2, stream) != 2) return 0;
        written += 2;
        i += run;
    }
    return written;
}

namespace {

// Walks the runs coding n bytes, reading the code in large blocks and giving back what was
// read past it, and calls each(value, first, count) per run, the last cut to what fits.
// Answers the code bytes, or 0 as ReadRLE does.
template <typename Each>
u64 WalkRLE(FILE* stream, u32 n, Each each)
{
    if (!stream || n == 0) return 0;
    u8 block[1 << 15];
    size_t have = 0, at = 0;
    u64 read = 0;
    u32 filled = 0;
    auto giveBack = [&]() {
        if (at < have) fseeko(stream, -off_t(have - at), SEEK_CUR);
    };
    while (filled < n) {
        if (have - at < 2) {
            size_t keep = have - at;
            memmove(block, block + at, keep);
            have = keep;
            at = 0;
            // Never more than the rest could take (runs of one byte), so a small plane reads
            // little past its code.
            u64 most = u64(n - filled) * 2;
            size_t want = sizeof block - have;
            if (want > most) want = size_t(most);
            have += fread(block + have, 1, want, stream);
            if (have < 2) {
                giveBack();
                return 0;
            }
        }
        u8 value = block[at], length = block[at + 1];
        at += 2;
        read += 2;
        u32 run = u32(length) + 1;
        u32 room = n - filled;
        if (run > room) {
            each(value, filled, room);
            giveBack();
            return 0;
        }
        each(value, filled, run);
        filled += run;
    }
    giveBack();
    return read;
}

}  // namespace

u64 ReadRLE(FILE* stream, u8* bytes, u32 n)
{
    if (!bytes) return 0;
    return WalkRLE(stream, n, [bytes](u8 value, u32 first, u32 count) { memset(bytes + first, value, count); });
}

u64 ScanRLE(FILE* stream, u32 n, bool present[256])
{
    if (!present) return 0;
    return WalkRLE(stream, n, [present](u8 value, u32, u32) { present[value] = true; });
}

void SwapMemory(void* a, void* b, size_t n)
{
    u8* pa = static_cast<u8*>(a);
    u8* pb = static_cast<u8*>(b);
    u8 temp[256];
    while (n) {
        size_t chunk = n < sizeof(temp) ? n : sizeof(temp);
        memcpy(temp, pa, chunk);
        memcpy(pa, pb, chunk);
        memcpy(pb, temp, chunk);
        pa += chunk;
        pb += chunk;
        n -= chunk;
    }
}

bool IsSkippedName(const char* name)
{
    if (!strcmp(name, ".") || !strcmp(name, "..")) return true;
    return !StrICmp(name, ".ds_store") || !StrICmp(name, "thumbs.db") || !StrICmp(name, "desktop.ini");
}

int ScanFolderOpening(const char* folder, ScanWantsOpen wantsOpen, ScanOpenCallback callback, void* context)
{
    if (!folder || !*folder) return 1;
    const String path = ResolveFolderPath(folder);
    DirectoryListing* listing = OpenDirectory(path);
    if (!listing) return 1;
    const int at = ListingDescriptor(listing);
    int result = 1;
    while (const char* entry = ReadDirectory(listing)) {
        if (IsSkippedName(entry)) continue;
        const String name(entry);  // the callback may list folders itself
        FileInfo info;
        int fd = -1;
        // Only a regular file is opened: a pipe or device could wait or act on being opened.
        if (listing->current->d_type == DT_REG && wantsOpen && wantsOpen(name, context))
            fd = openat(at, name, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
        struct stat st;
        if (fd >= 0 && fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
            FillInfo(&info, st);
            info.flags |= AccessFlags(at, name);
        } else {
            if (fd >= 0) close(fd);
            fd = -1;
            if (!StatAt(&info, at, name)) continue;
        }
        if (!callback(&info, path, name, fd, context)) {
            result = 0;
            break;
        }
    }
    CloseDirectory(listing);
    return result;
}

int ScanFolder(const char* folder, int recursive, ScanCallback fileCallback, ScanCallback folderCallback,
               void* context)
{
    if (!folder || !*folder) return 1;
    ScopedDynArray<FolderId> ancestors;
    return ScanInside(ResolveFolderPath(folder), recursive, fileCallback, folderCallback, context, ancestors);
}
