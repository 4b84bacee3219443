#pragma once
// Archive files: the 128-byte 'dng2' header (and the old 48-byte form), mesh records, the
// sorted directory of tag headers and the tag data; loading an archive into the tag database,
// closing it, building add-ons and writing an archive's tags out as single files.
//
// Every count and offset read from an archive is checked against the file's real size
// before use, in 64-bit arithmetic; archives are opened with large-file support, so the
// 32-bit build reads files past 2 GiB (the format's u32 size field ends at 4 GiB).
#include <cstdio>
#include "codex/Codex.h"
#include "codex/TagHeader.h"
#include "foundation/ByteOrder.h"
#include "foundation/DynArray.h"
#include "foundation/String.h"
#include "foundation/Types.h"

constexpr u32 kArchiveSignature = FourCC("dng2");
constexpr u32 kArchiveHeaderSize = 128;
constexpr u32 kOldArchiveHeaderSize = 48;
constexpr u32 kArchiveMeshRecordSize = 112;

struct ArchiveHeader {
    u16 kind;      // 1, 2, 3, 5 or 6; add-ons are 6
    u16 priority;  // orders archives of one layer
    char name[32];
    char url[64];
    u16 mesh_count;
    u16 tag_count;
    u32 unused0;
    u32 unused1;
    u32 file_size;
    u32 unused2;
    u32 data_start;  // in memory after reading: the directory's offset
    u32 signature;   // 'dng2', or 'vorn' for an old archive (old-layout directory entries)
};

struct OldArchiveHeader {
    u16 one0;
    u16 one1;
    char name[32];
    u32 unused0;
    u32 directory_offset;
    u16 tag_count;
    u16 unused1;
};

struct ArchiveMeshRecord {
    u32 tag;
    u32 zero[3];
    char name[32];
    char name_again[64];
};

inline constexpr ByteOrderDescriptor kArchiveHeaderDescriptor[] = {
    128, 2, kBoU16, 31, kBoU8, 1, kBoZero8, 63, kBoU8, 1, kBoZero8, 2, kBoU16, 6, kBoU32};
inline constexpr ByteOrderDescriptor kOldArchiveHeaderDescriptor[] = {
    48, 2, kBoU16, 31, kBoU8, 1, kBoZero8, 2, kBoU32, 2, kBoU16};
inline constexpr ByteOrderDescriptor kArchiveMeshRecordDescriptor[] = {
    112, 4, kBoU32, 31, kBoU8, 1, kBoZero8, 63, kBoU8, 1, kBoZero8};

static_assert(ByteOrderDescribes<ArchiveHeader>(kArchiveHeaderDescriptor), "ArchiveHeader layout");
static_assert(ByteOrderDescribes<OldArchiveHeader>(kOldArchiveHeaderDescriptor), "OldArchiveHeader layout");
static_assert(ByteOrderDescribes<ArchiveMeshRecord>(kArchiveMeshRecordDescriptor), "ArchiveMeshRecord layout");

// An archive's copies: a fixed table of the directory's count, kept in the index's block
// arena (never grown or shrunk after loading).
struct TagInstanceArray {
    TagInstance* data;
    u32 count;

    TagInstance& operator[](u32 i) { return data[i]; }
    const TagInstance& operator[](u32 i) const { return data[i]; }
    TagInstance* begin() { return data; }
    TagInstance* end() { return data + count; }
    const TagInstance* begin() const { return data; }
    const TagInstance* end() const { return data + count; }
};

// One loaded archive file (not kept open: every read opens it anew).
struct Archive {
    ArchiveHeader header;
    TagInstanceArray instances;  // one per directory entry, in directory order
    DynArray<ArchiveMeshRecord> mesh_records;
    String path;            // the full path
    const char* file_name;  // inside path, behind the last '/' or '\'
    u32 active;
    u32 layer;       // of its kind, shared by all its copies
    u32 load_order;  // increases with every load: the tie-breaker that replaces memory order
};

// The layer of an archive kind (3 -> 0, 2 -> 1, 1/5/6 -> 2), or -1 for a refused kind.
int ArchiveLayerForKind(u32 kind);

// Reads the header from the first 128 raw bytes (fewer are allowed for the old form when
// `available` says so) of a file of fileSize bytes. Accepts the current form when its size
// field equals fileSize and its signature is 'dng2'; else converts an old 48-byte header
// whose directory of 64 x count bytes ends exactly at the file's end. In memory data_start
// holds the directory's offset. False when neither fits.
bool ReadArchiveHeader(ArchiveHeader* header, const u8* bytes, u32 available, u64 fileSize);
// Writes 128 bytes. False on a failed write.
bool WriteArchiveHeader(const ArchiveHeader& header, FILE* stream);
u64 ReadMeshRecords(ArchiveMeshRecord* records, FILE* stream, u32 count);
u64 WriteMeshRecords(const ArchiveMeshRecord* records, FILE* stream, u32 count);

// Loads the archive at path, not yet indexed: null when it cannot be read, its header does
// not fit, its kind is refused, or its mesh records or directory do not lie inside the file
// or a directory entry's data does not.
Archive* LoadArchive(const char* path);
// The loaded archive of that path, or loads, indexes (inactive) and announces it (event 6).
// Null on failure.
Archive* OpenArchive(const char* path);
// Sends event 7; refuses (false) when a tag with a copy in the archive is in use; else
// removes its copies from the index and frees it. The caller removes it from the loaded list
// (UnloadArchive does both).
bool CloseArchive(Archive* archive);
// Whether a tag with a copy in the archive is in use (has an attachment).
bool ArchiveInUse(const Archive* archive);
// True for null; else closes the archive and removes it from the loaded list (before it is
// freed, wherever a listener of event 7 moved it in the list).
bool UnloadArchive(Archive* archive);
// Closes every archive that can be closed, each leaving the loaded list before the next one
// is announced; the others stay loaded in their order. True when none stayed loaded.
bool UnloadAllArchives();
void FreeArchive(Archive* archive);
// Opens every file of a folder (not its sub-folders) as an archive, in name order; files
// that are no archives are skipped. Answers the number opened.
u32 OpenArchivesInFolder(const char* folder);

// Writes the tags (sorted by TagEntryLess; each must have a winning copy) as an archive named
// name in the game folder's "plugins" folder and opens it (inactive). The name is cleaned to
// a plain file name. The archive is built in a temporary file that replaces an earlier one
// only when complete; an earlier archive of that path is unloaded first and a refusal (tags
// of it in use) fails the build. More tags or meshes than the format's 16-bit counts, or a
// file past 4 GiB, fail. Tags with no data bytes are written with size 0. True on success.
bool BuildArchive(const DynArray<TagEntry*>& tags, u32 kind, const char* name, const char* url, u32 priority);
// The cleaned file name BuildArchive uses for an add-on name (no separators, no "." or "..",
// nothing empty): for callers that show where the add-on went.
String CleanArchiveFileName(const char* name);
// Writes every directory entry as a single tag file under folder (group folder by lower-cased
// plural name, the cleaned tag name as file name). Existing files that hold another tag or
// belong to a tag in use or being written are not overwritten. Answers the number of entries
// that could not be written (0 = all written); *written, when given, gets the number written.
u32 ExtractArchiveTags(Archive* archive, const char* folder, u32* written = nullptr);

// Shuts the tag database down: unloads every archive, drops every local copy and frees the
// folder watches; the listeners stay registered. False (and the in-use tags and their archives kept) when
// a tag is in use; otherwise the database is as at program start.
bool CloseCodex();
