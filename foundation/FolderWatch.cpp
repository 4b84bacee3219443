#include "foundation/FolderWatch.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/inotify.h>
#include <unistd.h>
#include <cstdlib>
#include <cstring>

#include "foundation/Sort.h"
#include "foundation/StringUtil.h"

namespace {

// Entries created, deleted or renamed, attributes and contents changed, and the folder
// itself deleted or moved away (after which the watch no longer follows its path).
constexpr u32 kWatchMask = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_ATTRIB | IN_MODIFY |
                           IN_CLOSE_WRITE | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;

struct NotifyLink {
    int wd;
    FolderWatch* watch;
};

// One inotify descriptor for the whole process (a user gets only 128 instances, and the tag
// database alone watches one folder per tag group). Several watches of one folder share its
// watch descriptor, so a descriptor is removed only with its last link.
struct NotifyState {
    int fd;
    DynArray<NotifyLink> links;
    ~NotifyState()
    {
        links.Free();
        if (fd >= 0) close(fd);
    }
};

NotifyState gNotify = {-1, {}};
bool gNotifyDisabled = false;

enum ArmResult { kArmed, kArmUnavailable, kArmFolderGone };

void Disarm(FolderWatch* watch)
{
    int wd = watch->notification;
    if (wd < 0) return;
    watch->notification = -1;
    bool shared = false;
    for (u32 i = gNotify.links.count; i-- > 0;) {
        if (gNotify.links[i].watch == watch)
            gNotify.links.RemoveRange(i, 1);
        else if (gNotify.links[i].wd == wd)
            shared = true;
    }
    if (!shared && gNotify.fd >= 0) inotify_rm_watch(gNotify.fd, wd);
    if (gNotify.links.count == 0 && gNotify.fd >= 0) {
        // The last watch is gone: give the instance back, with whatever is still queued.
        close(gNotify.fd);
        gNotify.fd = -1;
        gNotify.links.Free();
    }
}

ArmResult Arm(FolderWatch* watch, const FileInfo& status)
{
    if (gNotifyDisabled) return kArmUnavailable;
    if (gNotify.fd < 0) gNotify.fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (gNotify.fd < 0) return kArmUnavailable;
    int wd = inotify_add_watch(gNotify.fd, watch->folder.c_str(), kWatchMask);
    if (wd < 0) {
        int error = errno;
        if (gNotify.links.count == 0) {
            close(gNotify.fd);
            gNotify.fd = -1;
        }
        return error == ENOENT || error == ENOTDIR ? kArmFolderGone : kArmUnavailable;
    }
    watch->notification = wd;
    watch->armedDevice = status.device;
    watch->armedFileId = status.fileId;
    gNotify.links.Push(NotifyLink{wd, watch});
    return kArmed;
}

// Past this many names in one poll, listing the folder costs less than looking at each.
constexpr size_t kMaxNamedChanges = 256;

void MarkUnnamed(FolderWatch* watch)
{
    watch->unnamed = 1;
    watch->pendingNames.clear();
}

void NoteEventName(FolderWatch* watch, const struct inotify_event* event)
{
    if (watch->unnamed) return;
    const size_t length = event->len ? strnlen(event->name, event->len) : 0;
    if (!length || (event->mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT | IN_IGNORED)) ||
        watch->pendingNames.size() >= kMaxNamedChanges) {
        MarkUnnamed(watch);
        return;
    }
    watch->pendingNames.emplace_back(event->name, length);
}

// Reads every queued event without waiting and turns them into the watches' flags.
void DrainNotifications()
{
    if (gNotify.fd < 0) return;
    alignas(struct inotify_event) char buffer[16384];
    for (;;) {
        ssize_t got = read(gNotify.fd, buffer, sizeof(buffer));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        size_t offset = 0;
        while (offset + sizeof(struct inotify_event) <= size_t(got)) {
            const struct inotify_event* event = reinterpret_cast<const struct inotify_event*>(buffer + offset);
            size_t size = sizeof(struct inotify_event) + event->len;
            if (offset + size > size_t(got)) break;
            offset += size;
            if (event->mask & IN_Q_OVERFLOW) {
                // Events were lost: any watch may have missed a change.
                for (NotifyLink& link : gNotify.links) {
                    link.watch->signalled = 1;
                    MarkUnnamed(link.watch);
                }
                continue;
            }
            for (u32 i = gNotify.links.count; i-- > 0;) {
                NotifyLink& link = gNotify.links[i];
                if (link.wd != event->wd) continue;
                link.watch->signalled = 1;
                NoteEventName(link.watch, event);
                if (event->mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT)) link.watch->rearm = 1;
                if (event->mask & IN_IGNORED) {
                    // The kernel dropped the watch descriptor; it must not be removed again.
                    link.watch->rearm = 1;
                    link.watch->notification = -1;
                    gNotify.links.RemoveRange(i, 1);
                }
            }
        }
    }
    if (gNotify.links.count == 0) {
        close(gNotify.fd);
        gNotify.fd = -1;
        gNotify.links.Free();
    }
}

// Whether a folder's status counts as changed. The access time is left out: listing the
// folder for a rescan moves it.
bool FolderStatusDiffers(const FileInfo& a, const FileInfo& b)
{
    return a.flags != b.flags || a.size != b.size || a.modifyTime != b.modifyTime ||
           a.modifyNanos != b.modifyNanos || a.createTime != b.createTime || a.createNanos != b.createNanos ||
           a.device != b.device || a.fileId != b.fileId;
}

// Whether a kept entry changed: its kind, size, write time, or (for a file replaced by
// another with the same size and time) its status-change time or identity.
bool EntryDiffers(const FileInfo& a, const FileInfo& b)
{
    return (a.flags & kFileDirectory) != (b.flags & kFileDirectory) || a.size != b.size ||
           a.modifyTime != b.modifyTime || a.modifyNanos != b.modifyNanos || a.createTime != b.createTime ||
           a.createNanos != b.createNanos || a.fileId != b.fileId;
}

void FreeEntries(DynArray<FolderWatchEntry*>& entries)
{
    entries.DeleteAll();
}

int Compare(FolderWatchEntry* a, FolderWatchEntry* b)
{
    return CompareWatchEntries(nullptr, &a, &b);
}

bool IsFolder(const FolderWatchEntry* entry) { return (entry->info.flags & kFileDirectory) != 0; }

// The snapshot's index of the name, or where it would go.
u32 FindEntry(const DynArray<FolderWatchEntry*>& entries, FolderWatchEntry* probe, bool* found)
{
    u32 lo = 0, hi = entries.count;
    while (lo < hi) {
        const u32 mid = lo + (hi - lo) / 2;
        const int order = Compare(entries[mid], probe);
        if (order == 0) {
            *found = true;
            return mid;
        }
        if (order < 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    *found = false;
    return lo;
}

void FreeHeads(DynArray<FolderWatchEntry*>& entries)
{
    for (FolderWatchEntry* entry : entries) {
        free(entry->head);
        entry->head = nullptr;
        entry->headSize = 0;
    }
}

// Reads the first bytes of an entry's file from fd (closed here) into the entry's head.
void ReadHead(FolderWatchEntry* entry, int fd, u32 bytes)
{
    u8* head = static_cast<u8*>(malloc(bytes));
    const ssize_t got = head ? pread(fd, head, bytes, 0) : -1;
    close(fd);
    if (got <= 0) {
        free(head);
        return;
    }
    entry->head = head;
    entry->headSize = u32(got);
}

// The first bytes of a file the listing found changed. Opened without waiting: a pipe never
// has the size asked for, but may be put in place of the file meanwhile.
void ReadChangedHead(FolderWatchEntry* entry, u32 bytes)
{
    String path(entry->folder);
    path.Append(entry->name.c_str());
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd >= 0) ReadHead(entry, fd, bytes);
}

struct SnapshotScan {
    DynArray<FolderWatchEntry*>* entries;
    const DynArray<FolderWatchEntry*>* old;  // the snapshot it replaces, or null: no heads
    u32 headBytes;
    FolderWatchEntry probe;
};

// The old snapshot's entry of that name, or null.
FolderWatchEntry* FindOld(SnapshotScan* scan, const char* name)
{
    if (!scan->old->count) return nullptr;
    scan->probe.name.Set(name);
    bool found = false;
    const u32 at = FindEntry(*scan->old, &scan->probe, &found);
    return found ? (*scan->old)[at] : nullptr;
}

// A name the last snapshot does not hold is a file to be reported added: opened by the scan.
int OpensNewFiles(const char* name, void* context)
{
    SnapshotScan* scan = static_cast<SnapshotScan*>(context);
    return scan->old && scan->headBytes && !FindOld(scan, name);
}

int CollectEntryAndHead(const FileInfo* info, const char* folder, const char* name, int fd, void* context)
{
    SnapshotScan* scan = static_cast<SnapshotScan*>(context);
    CollectWatchEntry(info, folder, name, scan->entries);
    FolderWatchEntry* entry = scan->entries->data[scan->entries->count - 1];
    // Read at once after the status, while the file's lookup is still cached: read later, in
    // report order, each file costs a good deal more.
    const bool wanted = scan->old && scan->headBytes && !(info->flags & kFileDirectory) && info->size >= scan->headBytes;
    if (fd >= 0) {
        if (wanted) ReadHead(entry, fd, scan->headBytes);
        else close(fd);
        return 1;
    }
    if (!wanted) return 1;
    const FolderWatchEntry* was = FindOld(scan, name);
    if (!was || EntryDiffers(was->info, *info)) ReadChangedHead(entry, scan->headBytes);
    return 1;
}

// Lists the folder into entries in snapshot order. With old (the snapshot being replaced),
// files to be reported get their heads.
void TakeSnapshot(const FolderWatch* watch, DynArray<FolderWatchEntry*>& entries,
                  const DynArray<FolderWatchEntry*>* old)
{
    SnapshotScan scan = {&entries, old, watch->headBytes, {}};
    ScanFolderOpening(watch->folder, OpensNewFiles, CollectEntryAndHead, &scan);
    SortWithContext(entries.data, entries.count, sizeof(FolderWatchEntry*), nullptr, CompareWatchEntries);
}

// A poll of only the entries the notification named and the sub-folders (whose times change
// with what happens inside them, which the folder's notification does not tell): the same
// reports, in the same order, as a rescan of the whole folder gives.
void PollNamedEntries(DynArray<FolderWatch*>* watches, FolderWatch* watch, FolderWatchCallback callback,
                      void* context)
{
    const String folder = ResolveFolderPath(watch->folder);
    // Each looked-at name once, in snapshot order, with its status now (null when gone).
    ScopedDynArray<FolderWatchEntry*> looked;
    for (const std::string& name : watch->polledNames) {
        if (IsSkippedName(name.c_str())) continue;
        FolderWatchEntry* e = new FolderWatchEntry();
        e->folder = folder;
        e->name.Set(name.c_str());
        e->mark = 0;
        looked.Push(e);
    }
    for (FolderWatchEntry* entry : watch->entries)
        if (IsFolder(entry)) {
            FolderWatchEntry* e = new FolderWatchEntry();
            e->folder = folder;
            e->name = entry->name;
            e->mark = 0;
            looked.Push(e);
        }
    watch->polledNames.clear();
    SortWithContext(looked.data, looked.count, sizeof(FolderWatchEntry*), nullptr, CompareWatchEntries);
    u32 kept = 0;
    for (u32 i = 0; i < looked.count; ++i) {
        if (kept && Compare(looked[kept - 1], looked[i]) == 0) {
            delete looked[i];
            continue;
        }
        looked[kept++] = looked[i];
    }
    looked.count = kept;
    ScopedDynArray<FolderWatchEntry*> now;  // parallel to looked: the status now, or null
    String path;
    for (FolderWatchEntry* e : looked) {
        path.Set(folder);
        path.Append(e->name.c_str());
        now.Push(StatPath(&e->info, path) ? e : nullptr);
    }

    DynArray<FolderWatchEntry*>& entries = watch->entries;
    // Removals, reported while the snapshot still holds them, then dropped from it.
    for (u32 i = 0; i < looked.count; ++i) {
        bool found = false;
        const u32 at = FindEntry(entries, looked[i], &found);
        if (found && !now[i] && callback)
            callback(watches, IsFolder(entries[at]) ? kWatchFolderRemoved : kWatchFileRemoved, context, watch, entries[at]);
    }
    for (u32 i = 0; i < looked.count; ++i) {
        bool found = false;
        const u32 at = FindEntry(entries, looked[i], &found);
        if (found && !now[i]) {
            delete entries[at];
            entries.RemoveRange(at, 1);
        }
    }
    // Changes; the entry keeps its mark.
    for (u32 i = 0; i < looked.count; ++i) {
        bool found = false;
        const u32 at = FindEntry(entries, looked[i], &found);
        if (!found || !now[i]) continue;
        FolderWatchEntry* entry = entries[at];
        const bool differs = EntryDiffers(entry->info, now[i]->info);
        entry->info = now[i]->info;
        if (differs && callback)
            callback(watches, IsFolder(entry) ? kWatchFolderChanged : kWatchFileChanged, context, watch, entry);
    }
    // Additions, taken into the snapshot in its order.
    for (u32 i = 0; i < looked.count; ++i) {
        bool found = false;
        const u32 at = FindEntry(entries, looked[i], &found);
        if (found || !now[i]) continue;
        entries.Insert(at, looked[i]);
        looked[i] = nullptr;
        if (callback)
            callback(watches, IsFolder(entries[at]) ? kWatchFolderAdded : kWatchFileAdded, context, watch, entries[at]);
    }
    for (FolderWatchEntry* e : looked) delete e;
}

}  // namespace

FolderWatch::FolderWatch(const char* folderPath, void* ownerData, int takeSnapshot)
    : notification(-1), info(), folder(folderPath), owner(ownerData), entries{nullptr, 0, 0}, existed(0),
      signalled(0), rearm(0), armedDevice(0), armedFileId(0), unnamed(0), namedOnly(0)
{
    bool present = StatPath(&info, folder) && (info.flags & kFileDirectory);
    if (!present) memset(&info, 0, sizeof(info));
    if (!present || !takeSnapshot) return;
    // Armed before listing, so that nothing done between the listing and the first poll is
    // missed.
    if (Arm(this, info) == kArmFolderGone) {
        memset(&info, 0, sizeof(info));
        return;
    }
    TakeSnapshot(this, entries, nullptr);
    existed = 1;
}

FolderWatch::~FolderWatch()
{
    Disarm(this);
    FreeEntries(entries);
}

int FolderWatch::PollChange(FolderWatch* watch, int* changed, int* appeared)
{
    DrainNotifications();
    *changed = 0;
    *appeared = 0;
    // Only names seen by a notification armed on this folder since the last poll, and still
    // armed on it now, stand for everything that changed.
    int armedThrough = watch->notification >= 0 && watch->existed && !watch->rearm;
    FileInfo now;
    bool present = StatPath(&now, watch->folder) && (now.flags & kFileDirectory);
    if (present) {
        // A folder deleted or moved away and replaced by another at the same path: the
        // notification still follows the old one.
        if (watch->notification >= 0 &&
            (watch->rearm || now.device != watch->armedDevice || now.fileId != watch->armedFileId)) {
            Disarm(watch);
            *changed = 1;
            armedThrough = 0;
        }
        if (watch->rearm) *changed = 1;
        if (watch->notification < 0) {
            armedThrough = 0;
            ArmResult armed = Arm(watch, now);
            if (armed == kArmFolderGone)
                present = false;
            else if (armed == kArmUnavailable)
                *changed = 1;  // without a notification only a rescan sees files rewritten in place
        }
        if (watch->signalled) *changed = 1;
    }
    if (!present) {
        Disarm(watch);
        memset(&now, 0, sizeof(now));
        *changed = 0;
    }
    watch->namedOnly = armedThrough && present && watch->signalled && !watch->unnamed && !watch->pendingNames.empty();
    watch->polledNames.swap(watch->pendingNames);
    watch->pendingNames.clear();
    watch->unnamed = 0;
    watch->signalled = 0;
    watch->rearm = 0;
    if (present && !watch->existed) *appeared = 1;
    if (FolderStatusDiffers(now, watch->info)) *changed = 1;
    watch->info = now;
    watch->existed = present ? 1 : 0;
    return present ? 1 : 0;
}

FolderWatch* AddFolderWatch(DynArray<FolderWatch*>* watches, const char* folder, void* owner, int noSnapshot)
{
    FolderWatch* watch = new FolderWatch(folder, owner, !noSnapshot);
    watches->Push(watch);
    return watch;
}

void PollFolderWatches(DynArray<FolderWatch*>* watches, FolderWatchCallback callback, void* context)
{
    for (u32 w = 0; w < watches->count; ++w) {
        FolderWatch* watch = (*watches)[w];
        int changed = 0, appeared = 0;
        int present = FolderWatch::PollChange(watch, &changed, &appeared);
        if (!changed && !appeared) continue;

        if (!present) {
            for (FolderWatchEntry* entry : watch->entries)
                if (callback) callback(watches, IsFolder(entry) ? kWatchFolderRemoved : kWatchFileRemoved, context, watch, entry);
            FreeEntries(watch->entries);
            if (callback) callback(watches, kWatchFolderGone, context, watch, nullptr);
            continue;
        }

        if (callback) callback(watches, appeared ? kWatchRescanAppeared : kWatchRescanChanged, context, watch, nullptr);
        if (!appeared && watch->namedOnly) {
            PollNamedEntries(watches, watch, callback, context);
            continue;
        }
        ScopedDynArray<FolderWatchEntry*> fresh;
        TakeSnapshot(watch, fresh, &watch->entries);
        DynArray<FolderWatchEntry*>& old = watch->entries;

        // Removals.
        for (u32 i = 0, j = 0; i < old.count;) {
            int order = j < fresh.count ? Compare(old[i], fresh[j]) : -1;
            if (order < 0) {
                if (callback) callback(watches, IsFolder(old[i]) ? kWatchFolderRemoved : kWatchFileRemoved, context, watch, old[i]);
                ++i;
            } else if (order > 0) {
                ++j;
            } else {
                ++i;
                ++j;
            }
        }
        // Changes; every kept entry keeps its mark.
        for (u32 i = 0, j = 0; i < old.count && j < fresh.count;) {
            int order = Compare(old[i], fresh[j]);
            if (order < 0) {
                ++i;
            } else if (order > 0) {
                ++j;
            } else {
                fresh[j]->mark = old[i]->mark;
                if (EntryDiffers(old[i]->info, fresh[j]->info) && callback)
                    callback(watches, IsFolder(fresh[j]) ? kWatchFolderChanged : kWatchFileChanged, context, watch, fresh[j]);
                ++i;
                ++j;
            }
        }
        // Additions.
        for (u32 i = 0, j = 0; j < fresh.count;) {
            int order = i < old.count ? Compare(old[i], fresh[j]) : 1;
            if (order > 0) {
                if (callback) callback(watches, IsFolder(fresh[j]) ? kWatchFolderAdded : kWatchFileAdded, context, watch, fresh[j]);
                ++j;
            } else if (order < 0) {
                ++i;
            } else {
                ++i;
                ++j;
            }
        }

        FreeHeads(fresh);
        FreeEntries(old);
        old = fresh;
        fresh.data = nullptr;
        fresh.count = fresh.capacity = 0;
    }
}

void FreeFolderWatches(DynArray<FolderWatch*>* watches)
{
    if (!watches) return;
    watches->DeleteAll();
}

int CollectWatchEntry(const FileInfo* info, const char* folder, const char* name, void* context)
{
    DynArray<FolderWatchEntry*>* list = static_cast<DynArray<FolderWatchEntry*>*>(context);
    FolderWatchEntry* entry = new FolderWatchEntry();
    entry->info = *info;
    entry->folder.Set(folder);
    entry->name.Set(name);
    entry->mark = 0;
    list->Push(entry);
    return 1;
}

int CompareWatchEntries(void*, const void* a, const void* b)
{
    const FolderWatchEntry* ea = *static_cast<FolderWatchEntry* const*>(a);
    const FolderWatchEntry* eb = *static_cast<FolderWatchEntry* const*>(b);
    int order = NaturalCompare(ea->name.c_str(), eb->name.c_str());
    if (order) return order;
    return strcmp(ea->name.c_str(), eb->name.c_str());
}

int FolderWatchNotificationsOpen()
{
    return gNotify.fd >= 0;
}

void SetFolderWatchNotifications(int enabled)
{
    gNotifyDisabled = !enabled;
}
