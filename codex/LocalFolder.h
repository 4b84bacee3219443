#pragma once
// The local folder: one file per edited, extracted, duplicated or new tag, in a folder per
// tag group, kept in step with the tag database by one folder watch per group.
//
// A tag file is a current-layout TagHeader (offset 64) followed by its data; on reading, the
// data size is the file's size minus 64 whatever the header says. Files whose names start
// with kTagTempPrefix are writes in progress and are never indexed.
#include <cstdio>
#include "codex/Codex.h"
#include "codex/TagGroups.h"
#include "codex/TagHeader.h"
#include "foundation/String.h"

// Sets the root (normalised, ending in '/'), drops every local copy (announced like a removed
// file: event 4, or 2 when an active archive holds the tag), watches each group's
// folder in table order and indexes every existing tag file. The dirty mark is cleared.
// False when a local copy is in use and could not be dropped (the old root stays).
bool SetLocalFolder(const char* folder);
// The root, ending in '/' ("local/" until set).
const char* GetLocalFolder();
// Polls the watches when forced or when the database is marked dirty, indexing added and
// changed files and dropping removed ones (events 1, 2 and 4); clears the dirty mark. Called
// from a listener during a poll it only leaves the database marked dirty.
void PollLocalFolder(bool force);

// root + the group's folder (see ResolveGroupFolder), without a final '/'.
String GetGroupFolderPath(const char* root, u32 group);
// The group folder of the header's group under the local root + '/' + fileName, or the
// header's name made safe as a file name when fileName is null.
String GetLocalTagPath(const TagHeader& header, const char* fileName);
// Whether the cleaned name is an existing file (not a folder) in the group's local folder;
// false for a group not in the table.
bool LocalTagFileExists(u32 group, const char* name);
// Reads a local tag file's header from the stream's start: converts the old layout,
// replaces a placeholder name by fileName, sets offset 64 and size = file size - 64. With a
// group row, a header of another group is refused (logged at level 1 when that group is in
// the table). False on any failure; the stream is then left open at an unspecified place.
bool ReadLocalTagHeader(const char* fileName, FILE* stream, const TagGroup* row, TagHeader* header);
// Opens path "rb" into *stream (closing what it held) and reads its header for the group
// row; the stream is closed and null on failure.
bool ReadLocalTagFilePath(const char* path, const char* fileName, const TagGroup* row, FILE** stream,
                          TagHeader* header);
// The header alone, as ReadLocalTagFilePath reads it, without keeping the file open. knownSize:
// the file's size as a folder scan just found it, or -1 (also for 4 GiB and more) to look.
bool ReadLocalTagHeaderOnly(const char* path, const char* fileName, const TagGroup* row, TagHeader* header,
                            s64 knownSize = -1);
// As above for root + the row's folder + '/' + fileName.
bool ReadLocalTagFileHeader(const TagGroup* row, const char* fileName, FILE** stream, TagHeader* header);
// Opens GetLocalTagPath(header, fileName) "rb" and reads its header into header without a
// group check; the stream is left at the start of the data; closed and null on failure.
bool OpenLocalTagFile(TagHeader* header, const char* fileName, FILE** stream);
