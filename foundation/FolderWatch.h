#pragma once
// The polled folder watcher: tells its client which files and folders of a watched folder
// were added, changed or removed since the last poll. Never blocks: all watches share one
// non-blocking inotify descriptor, which each poll drains without waiting. A folder's own
// status is compared as well, and when no notification can be had (inotify missing or out
// of watches) every poll of a present folder rescans it, so nothing is missed. While the
// notification has followed the folder since the last poll and named every entry that
// changed, a poll looks only at those entries and the sub-folders instead of listing the
// whole folder; it reports what a rescan would.
#include <string>
#include <vector>

#include "foundation/DynArray.h"
#include "foundation/Files.h"
#include "foundation/String.h"

// Change codes passed to the watch callback. Removals are reported before changes and
// changes before additions, each group in NaturalCompare order of the names.
enum : u32 {
    kWatchRescanAppeared = 0,  // the folder appeared (was missing or had no snapshot yet)
    kWatchRescanChanged = 1,   // the folder changed
    kWatchFolderGone = 2,      // after its entries were reported removed
    kWatchFileAdded = 3,
    kWatchFolderAdded = 4,
    kWatchFileChanged = 5,
    kWatchFolderChanged = 6,
    kWatchFileRemoved = 7,
    kWatchFolderRemoved = 8,
};

// One file or folder seen in a watched folder.
struct FolderWatchEntry {
    FileInfo info;  // its status when the snapshot was taken
    String folder;  // the watched folder's normalised path (ending in '/')
    String name;
    u32 mark;       // the client's value: 0 when new, carried over while the entry stays
    // With the watch's headBytes: the first bytes of the file (headSize of them read), taken
    // right after its status when a listing found it added or changed; null otherwise, and
    // again once the poll's reports are done.
    u8* head = nullptr;
    u32 headSize = 0;
};

class FolderWatch {
public:
    // Stores folder and owner and takes the folder's status. With takeSnapshot and an
    // existing folder, lists it into entries and sets existed, so the first poll reports
    // only what changed since; otherwise the first poll reports every entry as added after
    // code 0.
    FolderWatch(const char* folder, void* owner, int takeSnapshot);
    // Frees the snapshot and closes the notification.
    ~FolderWatch();
    FolderWatch(const FolderWatch&) = delete;
    FolderWatch& operator=(const FolderWatch&) = delete;

    // One watch's check: takes the folder's status, (re)arms the notification and sets
    // *changed when the folder was signalled or its status differs from info, *appeared when
    // it is present now and was not at the last poll. Returns whether the folder is present.
    static int PollChange(FolderWatch* watch, int* changed, int* appeared);

    int notification;    // the inotify watch descriptor, or -1
    FileInfo info;       // the folder's status at the last poll (zero while missing)
    String folder;       // as given
    void* owner;
    DynArray<FolderWatchEntry*> entries;  // the last snapshot, in CompareWatchEntries order
    u32 existed;         // 1 when the folder existed and was watched at the last poll

    // Set by draining the shared descriptor: something happened in the folder, or the
    // notification no longer follows the folder at its path and must be armed again.
    u32 signalled;
    u32 rearm;
    // The folder (device, inode) the notification was armed on.
    u64 armedDevice;
    u64 armedFileId;
    // The entry names the notification gave since the last poll, unless unnamed = 1 (an
    // event about the folder itself, lost events, or too many names to be worth it).
    std::vector<std::string> pendingNames;
    u32 unnamed;
    // Set by PollChange when the poll may look only at polledNames (taken from pendingNames).
    u32 namedOnly;
    std::vector<std::string> polledNames;
    // When non-zero, a poll that lists the folder reads the first headBytes bytes of each file
    // of at least that size it is going to report added or changed, into the entry's head: a
    // client that reads every such file anyway finds it while the file system has it at hand.
    // Only regular files hold that many bytes; a file that cannot be read has no head.
    u32 headBytes = 0;
};

// Called for every report: (the watch list, change code, context, the watch, the entry or
// null). The callback must not add or remove watches.
typedef void (*FolderWatchCallback)(DynArray<FolderWatch*>* watches, u32 code, void* context, FolderWatch* watch,
                                    FolderWatchEntry* entry);

// Creates a FolderWatch (with a snapshot unless noSnapshot), appends it and returns it.
FolderWatch* AddFolderWatch(DynArray<FolderWatch*>* watches, const char* folder, void* owner, int noSnapshot);
// Polls every watch in list order and reports what changed (see the change codes).
void PollFolderWatches(DynArray<FolderWatch*>* watches, FolderWatchCallback callback, void* context);
// Frees every watch (snapshot, notification) and the list's storage.
void FreeFolderWatches(DynArray<FolderWatch*>* watches);
inline void FreeFolderWatchesOnly(DynArray<FolderWatch*>* watches) { FreeFolderWatches(watches); }
inline void FreeFolderWatchList(DynArray<FolderWatch*>* watches) { FreeFolderWatches(watches); }

// The scan callback that appends a new entry (status, folder, name, mark 0) to the
// DynArray<FolderWatchEntry*> given as context; answers 1.
int CollectWatchEntry(const FileInfo* info, const char* folder, const char* name, void* context);
// The snapshot order: NaturalCompare of the names, ties (file7 and file007, Tag and tag)
// broken by byte order so that two different names never compare equal.
int CompareWatchEntries(void* context, const void* a, const void* b);

// Whether the shared inotify descriptor is open (for tests; it closes with the last watch).
int FolderWatchNotificationsOpen();
// Lets tests run the watcher as it runs where inotify cannot be had: with 0, watches armed
// afterwards get no notification and every poll of a present folder rescans it.
void SetFolderWatchNotifications(int enabled);
