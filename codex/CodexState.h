#pragma once
// The tag database's process-wide state, shared by the index, the local folder, the tag file
// operations and the archives. Not for use outside codex/.
#include "codex/Codex.h"
#include "codex/TagGroups.h"
#include "foundation/BlockArena.h"
#include "foundation/DynArray.h"
#include "foundation/FolderWatch.h"
#include "foundation/IdMap.h"
#include "foundation/String.h"

struct CodexState {
    IdMap* index;  // group code -> IdMap (tag id -> TagEntry*)
    DynArray<Archive*> archives;
    DynArray<CodexListener> listeners;
    String localRoot;  // ends in '/'; "local/" until SetLocalFolder
    DynArray<FolderWatch*> watches;
    // The folder of each table row in the local folder, one spelling serving watching and
    // writing (an existing folder whose name matches case-insensitively, else lower case).
    String groupFolders[kTagGroupCount];
    u32 dirty;
    u32 nextLoadOrder;
    // The index's big tables (archive copies, entry slabs, group maps): a game's index is
    // built in one go at start-up, and in huge pages that costs a few faults, not thousands.
    BlockArena storage;
};

CodexState& Codex();

// The local root, never empty.
const char* CodexLocalRoot();
// Frees every watch and the remembered group folders.
void FreeLocalFolderWatches();
// Removes the entry from the index and frees it with its local copy; it must hold no archive
// copies.
void DestroyTagEntry(TagEntry* entry);
// The index row of a table group (0..52), or -1.
int TagGroupRowIndex(u32 group);
// Prefix of the temporary files tag writes use; the local folder's watch ignores them.
constexpr const char* kTagTempPrefix = "~tavik-write-";

// Folder helpers shared by the local folder, tag writes and archive extraction ------------

// Creates path and its missing parents. False when one cannot be created.
bool MakeDirectories(const char* path);
// The folder of a group under root, without a final '/': root + the plural name with each
// component spelled as an existing folder that matches it case-insensitively, else in lower
// case ("Quicktime/MP3" gives two levels); the code's four characters (separators and dot
// names made harmless) for a group not in the table. Under the local root a table group uses
// the folder its watch follows.
String ResolveGroupFolder(const char* root, u32 group);
// A tag name made safe as a file name: cleaned as SetTagName cleans it; "", "." and ".." become "_".
String SafeTagFileName(const char* name);

// Writes a tag file through a temporary file in its folder, renamed over the target only
// when complete.
// Creates the temporary file beside path and writes the header. False (nothing left behind)
// on failure.
bool OpenTagTempFile(const char* path, const TagHeader& header, FILE** stream, String* tempPath);
// Flushes and closes the stream and renames the temporary file over path (replace) or, with
// replace false, only when path does not exist. False, with the temporary file removed, on
// any failure.
bool CommitTagTempFile(FILE** stream, String* tempPath, const char* path, bool replace);
// Closes and removes the temporary file.
void AbandonTagTempFile(FILE** stream, String* tempPath);
// Removes, below root, the temporary files of writes that never finished (a process killed
// while saving): files named as OpenTagTempFile names them that no open write holds. Other
// files, folders and links are left alone. Each removal is logged; answers the count.
u32 RemoveStaleTagTempFiles(const char* root);
// Copies count bytes in bounded blocks; false on a short read or write.
bool CopyStreamBytes(FILE* to, FILE* from, u64 count);
// The size of an open file, or -1.
s64 StreamFileSize(FILE* stream);
// Renames without ever replacing an existing file. False when to exists or the rename fails.
bool RenameNoReplace(const char* from, const char* to);
// Drops the entry's local copy as a removal of its file: event 2 after the drop when an
// active archive still holds the tag, else event 4 before it. The entry may be gone after.
void DropLocalCopy(TagEntry* entry);
