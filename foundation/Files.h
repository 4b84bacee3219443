#pragma once
// The program's file-system layer: file status, folder creation, directory searches, path
// splitting and normalising, whole-file reading, the run-length byte coding of the font file
// and detail-map planes, and the folder scanner.
//
// Paths use '/' as separator; '\' is accepted on input and turned into '/' where a path is
// normalised. Nothing here shows messages: failures are results (0 or null).
#include <cstdio>
#include "foundation/String.h"
#include "foundation/Types.h"

// FileInfo::flags bits.
enum : u32 {
    kFileReadable = 1,
    kFileWritable = 2,
    kFileDirectory = 4,
};

// The status of one file or folder. Times are seconds since 1970 with their nanoseconds
// beside them, so that two writes within one second still differ.
struct FileInfo {
    u32 flags;         // kFileReadable | kFileWritable | kFileDirectory
    u32 size;          // bytes; files of 4 GiB or more read as 0xFFFFFFFF
    s64 accessTime;
    s64 modifyTime;
    s64 createTime;    // the status-change time the file system keeps
    u32 accessNanos;
    u32 modifyNanos;
    u32 createNanos;
    u32 reserved;
    u64 device;        // with fileId, tells one folder from another that took its place
    u64 fileId;
};

// Fills info from the status of path (symbolic links followed). Returns 0 when the path does
// not exist or cannot be examined; info is then all zero.
int StatPath(FileInfo* info, const char* path);
// Fills only flags (readable, writable) and size of an open stream; the times stay 0.
// Returns 0 (info all zero) when the status cannot be read.
int StatFile(FileInfo* info, FILE* stream);
// 0 for a null or empty path. The path is resolved (ResolveFolderPath) and its final '/'
// removed before the status is taken. Mode 1: is it an existing directory; mode 0: an existing non-directory;
// any other mode: does it exist at all.
int IsDirectory(const char* path, int mode);
// Creates one folder (not its parents). Returns 1 when it was created or already exists as a
// folder, else 0.
int MakeDirectory(const char* path);

// One open directory search. Entries come in the order the file system returns them, "."
// and ".." included.
struct DirectoryListing;
// Null for a null or empty folder or when the folder cannot be listed.
DirectoryListing* OpenDirectory(const char* folder);
// The next entry's name (valid until the next call or the close), or null when there are no
// more.
const char* ReadDirectory(DirectoryListing* listing);
// Whether the entry ReadDirectory last returned is a folder itself (a symbolic link to one is
// not), as lstat would answer: 1 or 0 from the listing when the file system gives the kind,
// else from lstat of folder + name. 0 when there is no entry or its status cannot be read.
int ListedEntryIsFolder(DirectoryListing* listing);
// Ends the search and frees the listing (null is allowed).
void CloseDirectory(DirectoryListing* listing);

// In place: every '\' becomes '/', every character of "*?<>|" becomes '_', and a '/' is
// appended unless the path already ends with one. size is the buffer's size; returns 0 and
// leaves the path unchanged when the appended '/' would not fit. An empty path stays empty
// (it is not made the root folder).
int NormalizeFolderPath(char* path, size_t size);
void NormalizeFolderPath(String& path);
// The folder path with a final '/' for use with the file system: the path as given (plus the
// '/') when it names an existing folder, since Linux names may hold '\' and "*?<>|";
// otherwise the path normalised as above.
String ResolveFolderPath(const char* path);
// The file-name part of path in a static buffer (overwritten by the next call): a leading
// drive ("X:") is skipped and the name starts after the last '/' or '\'; with
// stripExtension the name is cut at its last '.' (a name starting with '.' becomes empty).
// A name too long for the buffer gives "".
const char* BaseName(const char* path, int stripExtension);
// Splits path into the caller's buffers of size bytes each (every one optional and set
// empty first): the folder is everything up to and including the last separator, the
// extension the text from the last '.' behind it ('.' included), the name what lies
// between. Returns 0, with every given buffer empty, when a part does not fit.
int SplitPathParts(const char* path, char* folder, char* name, char* extension, size_t size);
// The same into optional strings; a part that comes out empty leaves its string as it was.
void SplitPath(const char* path, String* folder, String* name, String* extension);
// Mode 0 gives (folder, name with extension); mode 1 gives (path without extension,
// extension). Each output optional; an empty part leaves its string as it was.
void SplitPathEx(const char* path, int mode, String* first, String* second);
// Removes everything from the last '.' of the name part (a '.' inside a folder name is never
// taken). With an extension (with or without its '.'), only when the text behind the '.'
// equals it case-insensitively. Returns whether something was removed.
int StripExtension(char* text, const char* extension = nullptr);
int StripExtension(String& text, const char* extension = nullptr);
// Appends suffix unless it already occurs anywhere in text.
void AppendIfMissing(String& text, const char* suffix);

// Opens the file "rb" and returns its bytes followed by a 0 byte in a malloc'd buffer (the
// caller frees it); an empty file gives "". Null when the file cannot be opened or read, is
// a folder, or is too large for memory.
char* ReadWholeFile(const char* path);
// Closes the stream *stream holds, if any, opens path with mode and stores the new stream
// (null on failure). Returns whether it opened.
int ReopenFile(FILE** stream, const char* path, const char* mode);

// Run-length byte coding: n bytes as runs of equal values, at most 256 long, each stored as
// {value, run length - 1}. Both return the number of code bytes written or read, or 0 when n
// is 0 or a stream call fails. ReadRLE also answers 0 when the stored runs add up to more
// than n (corrupt data): it then fills exactly n bytes and never writes past them.
u64 WriteRLE(FILE* stream, const u8* bytes, u32 n);
u64 ReadRLE(FILE* stream, u8* bytes, u32 n);
inline u64 WriteRLE(FILE** stream, const u8* bytes, u32 n) { return WriteRLE(stream ? *stream : nullptr, bytes, n); }
inline u64 ReadRLE(FILE** stream, u8* bytes, u32 n) { return ReadRLE(stream ? *stream : nullptr, bytes, n); }
// Reads the same code as ReadRLE without expanding it: sets present[v] for every value v
// of the n bytes. Answers as ReadRLE does (a run past n still marks its value).
u64 ScanRLE(FILE* stream, u32 n, bool present[256]);

// Exchanges two non-overlapping blocks of n bytes.
void SwapMemory(void* a, void* b, size_t n);

// Called for each entry of a scan with its status, the normalised folder path (ending in
// '/'), its name and the scan's context. Answers non-zero to go on, 0 to stop the scan.
typedef int (*ScanCallback)(const FileInfo* info, const char* folder, const char* name, void* context);

// Calls fileCallback for every file and folderCallback for every sub-folder of folder
// (resolved with ResolveFolderPath; either callback may be null), skipping ".", "..", and (case-insensitively) ".ds_store",
// "thumbs.db" and "desktop.ini", and entries whose status cannot be read. A recursive scan
// descends into each sub-folder right after reporting it, except into a folder it is already
// inside (a symbolic link back up the tree). Returns 1 when the scan ran to its end (also
// when the folder cannot be listed) and 0 when a callback stopped it.
int ScanFolder(const char* folder, int recursive, ScanCallback fileCallback, ScanCallback folderCallback,
               void* context);
// Called for every entry of ScanFolderOpening: as ScanCallback, with the entry open for reading
// as fd (the callback closes it) or -1.
typedef int (*ScanOpenCallback)(const FileInfo* info, const char* folder, const char* name, int fd, void* context);
// Whether ScanFolderOpening is to open the named entry.
typedef int (*ScanWantsOpen)(const char* name, void* context);
// A scan without recursion, as ScanFolder makes it, reporting files and folders to one
// callback. An entry the listing knows to be a regular file, and that wantsOpen asks for, is
// opened for reading (close-on-exec, never waiting) and its status taken from the open file:
// one lookup of its name instead of two. Entries that cannot be opened get their status as
// ScanFolder takes it, and fd -1.
int ScanFolderOpening(const char* folder, ScanWantsOpen wantsOpen, ScanOpenCallback callback, void* context);
// Whether a scan leaves the name out (".", "..", ".ds_store", "thumbs.db", "desktop.ini").
bool IsSkippedName(const char* name);
