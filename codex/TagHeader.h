#pragma once
// The 64-byte header in front of every tag file's data and in every archive directory entry,
// its older 'vorn' layout, tag names and ids.
//
// Group codes and tag ids are four-character codes in a u32, first character in the highest
// byte (FourCC("soun")), so the big-endian files hold the characters in order.
#include <cstdio>
#include "foundation/ByteOrder.h"
#include "foundation/Types.h"

constexpr u32 kTagHeaderSize = 64;
constexpr u32 kTagNameLength = 31;  // characters; the name field holds 32 bytes
constexpr u32 kTagSignature = FourCC("vrn2");
constexpr u32 kOldTagSignature = FourCC("vorn");
// A tag id of -1 means "no id given" wherever an id is passed.
constexpr u32 kNoTagId = 0xFFFFFFFFu;

// Current layout; the same 64 bytes in memory (host order) and on disk (big-endian).
struct TagHeader {
    u16 identifier;  // 0xFFFF whenever the tag database writes a tag file
    u8 flags;
    u8 type;  // 0 whenever the tag database writes a tag file
    char name[32];  // at most 31 characters, zero-terminated and zero-filled
    u32 group;
    u32 tag;
    u32 offset;  // where the data starts: 64 in a local tag file, absolute in an archive
    u32 size;    // length of the data
    u32 user;    // group-specific flags
    u16 version;
    u8 foundation_index;
    u8 owner_index;
    u32 game;  // kTagSignature, or kOldTagSignature for a header upgraded from the old layout
};

// The older layout, recognised by kOldTagSignature at offset 60.
struct OldTagHeader {
    char name[32];
    u32 group;
    u32 tag;
    u32 version;  // low 16 bits
    u16 unused0;
    u16 unused1;
    u32 offset;
    u32 size;
    u32 unused2;
    u32 signature;
};

inline constexpr ByteOrderDescriptor kTagHeaderDescriptor[] = {
    64, 1, kBoU16, 2, kBoU8, 31, kBoU8, 1, kBoZero8, 5, kBoU32, 1, kBoU16, 2, kBoU8, 1, kBoU32};
inline constexpr ByteOrderDescriptor kOldTagHeaderDescriptor[] = {
    64, 31, kBoU8, 1, kBoZero8, 3, kBoU32, 2, kBoU16, 4, kBoU32};

static_assert(ByteOrderDescribes<TagHeader>(kTagHeaderDescriptor), "TagHeader layout");
static_assert(ByteOrderDescribes<OldTagHeader>(kOldTagHeaderDescriptor), "OldTagHeader layout");
static_assert(sizeof(TagHeader) == kTagHeaderSize && sizeof(OldTagHeader) == kTagHeaderSize, "64-byte headers");

// Each reader and writer works on count consecutive 64-byte headers and answers the number of
// bytes read or written, or 0 on failure (short read or write, count 0).

// Converts count current-layout headers from their disk bytes, as DiskToMemory with
// kTagHeaderDescriptor does, field by field without walking the descriptor (an archive
// directory holds tens of thousands). dst may be src.
void TagHeadersFromDisk(TagHeader* dst, const void* src, u32 count);
// Reads current-layout headers.
u64 ReadTagHeaders(TagHeader* headers, u32 count, FILE* stream);
// Reads old-layout headers and upgrades them.
u64 ReadOldTagHeaders(TagHeader* headers, u32 count, FILE* stream);
// Reads count x 64 bytes in one read and converts them by the first header's signature:
// 'vrn2' as current headers, 'vorn' as old ones (then upgraded); any other signature, a
// short read or count 0 fails (the caller treats the file as no tag file). On failure the
// headers hold unspecified bytes.
u64 ReadTagHeadersAnyVersion(TagHeader* headers, u32 count, FILE* stream);
// The same for headers whose file bytes are already in place in headers.
u64 DecodeTagHeadersAnyVersion(TagHeader* headers, u32 count);
// Writes current-layout headers; the 32nd name byte is always written as 0.
u64 WriteTagHeaders(const TagHeader* headers, u32 count, FILE* stream);

// Turns count headers that hold OldTagHeader records in memory order into current ones, in
// place: name, group, tag, version (low 16 bits), offset and size move to their places,
// game stays 'vorn' and every other field becomes 0.
void UpgradeTagHeaders(TagHeader* headers, u32 count);

// True when the header (memory form) carries 'vrn2' or 'vorn'.
bool IsTagHeaderSignature(const TagHeader& header);
// Sniffs a file: true when its first 64 raw bytes are a tag header ('vrn2' or 'vorn') whose
// data size is exactly the file size minus 64. Files shorter than 64 bytes are never tags.
bool IsTagHeader(const void* bytes, u64 fileSize);

// Stores a cleaned copy of name (null counts as empty): at most 31 characters, each of
// \ / | " < > * ? : replaced by '_', trailing '.' and ' ' removed except the first character,
// the rest of the 32 bytes zeroed.
void SetTagName(TagHeader& header, const char* name);
// True when the name holds "zaf made this" anywhere: a placeholder left by another tool.
bool HasPlaceholderTagName(const TagHeader& header);
// Replaces a placeholder name by fileName (at most 31 characters, zero-filled); other names
// are left alone. Answers whether the name was replaced.
bool ReplacePlaceholderTagName(TagHeader& header, const char* fileName);

// The four characters of a group code or tag id, zero-terminated, into out.
void TagCodeToText(u32 code, char out[5]);
