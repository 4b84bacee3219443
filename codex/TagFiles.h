#pragma once
// Reading any copy of a tag and writing tag files, and the tag operations built on them:
// create, duplicate, extract an archive copy, rename or re-id, delete the local copy.
//
// Every writer of tag data uses the two steps BeginTagWrite, its own data writes, then
// FinishTagWrite. The bytes go to a temporary file in the group folder that replaces the
// tag's file only when the write finished well, so a failed save leaves the previous file
// and its local copy as they were.
#include <cstdio>
#include "codex/Codex.h"
#include "codex/TagHeader.h"

// Opens a copy for reading, positioned at its data: an archive copy in its archive file, the
// local copy in its file (refreshing the copy's header; a file that now holds another tag is
// refused and the database marked dirty, so that the next poll indexes it under its own id).
// The stream is kept in the entry's file state (one reader per entry) and returned; null on failure.
FILE* OpenTagInstance(TagInstance* instance, TagHeader* header);
// OpenTagInstance of the winning copy; null when there is none.
FILE* OpenTag(TagEntry* entry, TagHeader* header);
void CloseTagReader(TagEntry* entry);

// Prepares the writer's header (identifier 0xFFFF, type 0, the entry's group and id, offset
// 64, size 0, both indices 0xFF, 'vrn2'; name, flags, user and version kept) and opens the
// write, by default under the local copy's file name. Returns the stream positioned behind
// the header, or null.
FILE* BeginTagWrite(TagEntry* entry, TagHeader* header, const char* fileName);
// Opens a write of the header under root (creating the root and the group folder): the file
// name is fileName or the header's name. A file at that path that holds another tag is not
// replaced: with a fileName the write is refused, without one the first free "<name> N"
// (N from 2) is taken, since the header names the tag whatever its file is called. Logs "couldn't open tag file '%s' for writing" and answers null on failure.
FILE* OpenTagFileForWriting(const char* root, TagEntry* entry, TagHeader* header, const char* fileName);
// Ends the write: with success, rewrites the header with the real size (user and version
// from header when given), puts the file in place and registers it as the local copy. On
// failure the temporary file is removed and an earlier file stays. Marks the database dirty.
// True when the tag file now stands complete and indexed.
bool FinishTagWrite(TagEntry* entry, const TagHeader* header, bool success);
// Copies count bytes in one heap block; answers count, or 0 on failure or count 0.
u64 CopyFileBytes(FILE* to, FILE* from, u64 count);

// Reasons a CreateTag refusal is logged with.
enum : u32 { kCreateIdExists = 0, kCreateNameExists = 1, kCreateCannotOverwrite = 2 };

// The entry for a new tag (no file is written) with its header in *header; null on refusal
// (logged at level 2). An explicit id refuses when the tag exists or its entry is in use
// by an unsaved new tag.
TagEntry* CreateTag(u32 group, u32 tag, const char* name, TagHeader* header, bool allowOverwrite);
// Writes a copy of the tag under a new name (name, or "<name> copy", "<name> copy N") with a
// new id. Empty tags duplicate too. Null on failure.
TagEntry* DuplicateTag(TagEntry* entry, const char* name);
// Writes the winning archive copy as the tag's local file (also an empty one). False when the
// tag has a local copy already, no winning copy, or the write failed.
bool ExtractTagToLocal(TagEntry* entry);
// Renames the local file and/or gives it a new id (a tag without a local copy is duplicated
// first). Never replaces an existing file, and refuses an id any indexed tag of the group
// has. The entry of the changed tag, or null.
TagEntry* ChangeTagInfo(TagEntry* entry, u32 tag, const char* name);
// Deletes the local file (refused while the tag is in use) and polls at once.
bool DeleteLocalTag(TagEntry* entry);
