#include "codex/TagHeader.h"

#include <cstring>

namespace {

const char kPlaceholderMark[] = "zaf made this";

bool IsForbiddenNameChar(char c)
{
    return c == '\\' || c == '/' || c == '|' || c == '"' || c == '<' || c == '>' || c == '*' || c == '?' ||
           c == ':';
}

u32 BigEndianU32(const u8* p)
{
    return (u32(p[0]) << 24) | (u32(p[1]) << 16) | (u32(p[2]) << 8) | u32(p[3]);
}

// Copies at most kTagNameLength characters and zero-fills the rest of the field.
void StoreName(char (&field)[32], const char* text)
{
    memset(field, 0, sizeof field);
    if (!text) return;
    for (u32 i = 0; i < kTagNameLength && text[i]; ++i) field[i] = text[i];
}

u16 BigEndianU16(const u8* p) { return u16((p[0] << 8) | p[1]); }

}  // namespace

void TagHeadersFromDisk(TagHeader* dst, const void* src, u32 count)
{
    const u8* p = static_cast<const u8*>(src);
    for (u32 i = 0; i < count; ++i, p += kTagHeaderSize) {
        TagHeader h;  // a copy first: dst may be the bytes being read
        h.identifier = BigEndianU16(p);
        h.flags = p[2];
        h.type = p[3];
        memcpy(h.name, p + 4, sizeof h.name - 1);
        h.name[sizeof h.name - 1] = 0;
        h.group = BigEndianU32(p + 36);
        h.tag = BigEndianU32(p + 40);
        h.offset = BigEndianU32(p + 44);
        h.size = BigEndianU32(p + 48);
        h.user = BigEndianU32(p + 52);
        h.version = BigEndianU16(p + 56);
        h.foundation_index = p[58];
        h.owner_index = p[59];
        h.game = BigEndianU32(p + 60);
        memcpy(&dst[i], &h, sizeof h);
    }
}

u64 ReadTagHeaders(TagHeader* headers, u32 count, FILE* stream)
{
    return ReadRecords(headers, count, kTagHeaderDescriptor, stream);
}

u64 ReadOldTagHeaders(TagHeader* headers, u32 count, FILE* stream)
{
    u64 bytes = ReadRecords(headers, count, kOldTagHeaderDescriptor, stream);
    if (bytes) UpgradeTagHeaders(headers, count);
    return bytes;
}

u64 ReadTagHeadersAnyVersion(TagHeader* headers, u32 count, FILE* stream)
{
    if (count == 0) return 0;
    const u64 bytes = u64(count) * kTagHeaderSize;
    if (ReadElements(headers, bytes, kBoU8, stream) != bytes) return 0;
    return DecodeTagHeadersAnyVersion(headers, count);
}

u64 DecodeTagHeadersAnyVersion(TagHeader* headers, u32 count)
{
    if (count == 0) return 0;
    const u64 bytes = u64(count) * kTagHeaderSize;
    const u32 signature = BigEndianU32(reinterpret_cast<const u8*>(headers) + 60);
    if (signature == kTagSignature) {
        SwapRecordsInPlace(headers, count, kTagHeaderDescriptor);
    } else if (signature == kOldTagSignature) {
        SwapRecordsInPlace(headers, count, kOldTagHeaderDescriptor);
        UpgradeTagHeaders(headers, count);
    } else {
        return 0;
    }
    return bytes;
}

u64 WriteTagHeaders(const TagHeader* headers, u32 count, FILE* stream)
{
    if (count == 0) return 0;
    return WriteRecords(headers, count, kTagHeaderDescriptor, stream);
}

void UpgradeTagHeaders(TagHeader* headers, u32 count)
{
    for (u32 i = 0; i < count; ++i) {
        OldTagHeader old;
        memcpy(&old, &headers[i], sizeof old);
        TagHeader h;
        memset(&h, 0, sizeof h);
        memcpy(h.name, old.name, sizeof h.name);
        h.group = old.group;
        h.tag = old.tag;
        h.version = u16(old.version);
        h.offset = old.offset;
        h.size = old.size;
        h.game = kOldTagSignature;
        headers[i] = h;
    }
}

bool IsTagHeaderSignature(const TagHeader& header)
{
    return header.game == kTagSignature || header.game == kOldTagSignature;
}

bool IsTagHeader(const void* bytes, u64 fileSize)
{
    if (!bytes || fileSize < kTagHeaderSize) return false;
    TagHeader h;
    DiskToMemory(&h, bytes, 1, kTagHeaderDescriptor);
    if (!IsTagHeaderSignature(h)) return false;
    // The old layout keeps the data size 4 bytes further on (offset 48 is its data offset).
    const u32 size = h.game == kTagSignature ? h.size : h.user;
    return u64(size) == fileSize - kTagHeaderSize;
}

void SetTagName(TagHeader& header, const char* name)
{
    StoreName(header.name, name);
    u32 length = u32(strlen(header.name));
    for (u32 i = 0; i < length; ++i)
        if (IsForbiddenNameChar(header.name[i])) header.name[i] = '_';
    while (length > 1 && (header.name[length - 1] == '.' || header.name[length - 1] == ' '))
        header.name[--length] = 0;
}

bool HasPlaceholderTagName(const TagHeader& header)
{
    // The field may come from a file without its terminator; search only inside it.
    const size_t length = strnlen(header.name, sizeof header.name);
    const size_t markLength = sizeof kPlaceholderMark - 1;
    for (size_t i = 0; i + markLength <= length; ++i)
        if (memcmp(header.name + i, kPlaceholderMark, markLength) == 0) return true;
    return false;
}

bool ReplacePlaceholderTagName(TagHeader& header, const char* fileName)
{
    if (!HasPlaceholderTagName(header)) return false;
    StoreName(header.name, fileName);
    return true;
}

void TagCodeToText(u32 code, char out[5])
{
    out[0] = char(code >> 24);
    out[1] = char(code >> 16);
    out[2] = char(code >> 8);
    out[3] = char(code);
    out[4] = 0;
}
