#include "foundation/ByteOrder.h"

#include <sys/types.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
constexpr bool kHostIsBigEndian = true;
#else
constexpr bool kHostIsBigEndian = false;
#endif

// Above this many bytes a read first checks that the stream holds them, so that a count
// taken from a damaged file cannot make us allocate a huge temporary buffer.
constexpr u64 kCheckedReadThreshold = 1u << 20;

template <typename T>
void SwapRun(u8* dst, const u8* src, u64 count)
{
    // Element by element through a local, so dst may equal src (or lie before it).
    for (u64 i = 0; i < count; ++i) {
        T v;
        memcpy(&v, src + i * sizeof(T), sizeof(T));
        if (sizeof(T) == 2)
            v = T(__builtin_bswap16(u16(v)));
        else
            v = T(__builtin_bswap32(u32(v)));
        memcpy(dst + i * sizeof(T), &v, sizeof(T));
    }
}

bool FitsInMemory(u64 bytes)
{
    return bytes <= u64(SIZE_MAX);
}

// Whether the stream (when it can seek) holds at least `bytes` more bytes. Streams that
// cannot seek answer true and the read itself decides. Positions are 64-bit: with a 32-bit
// long, ftell fails past 2 GiB and the check would wave every read through.
bool StreamHolds(FILE* stream, u64 bytes)
{
    off_t here = ftello(stream);
    if (here < 0) return true;
    if (fseeko(stream, 0, SEEK_END) != 0) return true;
    off_t end = ftello(stream);
    // A stream left at its end would make the caller read the wrong bytes.
    if (fseeko(stream, here, SEEK_SET) != 0) return false;
    if (end < here) return true;
    return u64(end - here) >= bytes;
}

bool ReadExactly(void* dst, u64 bytes, FILE* stream)
{
    if (bytes > kCheckedReadThreshold && !StreamHolds(stream, bytes)) return false;
    return fread(dst, size_t(bytes), 1, stream) == 1;
}

void* Walk(void* dst, const void* src, u32 count, const ByteOrderDescriptor* desc, ByteOrderWalkMode mode)
{
    ByteOrderCursor c = {static_cast<u8*>(dst), static_cast<const u8*>(src), 0, 0};
    ConvertNested(c, desc, count, mode);
    return dst;
}

}  // namespace

void ByteOrderZero(void* dst, u64 n)
{
    memset(dst, 0, size_t(n));
}

void* ConvertElements(void* dst, const void* src, u64 count, u16 type)
{
    const u32 widthCode = type & 3;
    if (widthCode == 3 || count == 0) return dst;
    const u64 bytes = count << widthCode;
    if (type & kBoZeroFlag) {
        memset(dst, 0, size_t(bytes));
        return dst;
    }
    // Big-endian files need a swap on this host exactly when the type is not a plain copy of
    // a little-endian value; on a big-endian host the roles turn around.
    const bool swap = widthCode != 0 && (((type & kBoCopyFlag) != 0) == kHostIsBigEndian);
    u8* d = static_cast<u8*>(dst);
    const u8* s = static_cast<const u8*>(src);
    if (!swap) {
        if (d != s) memmove(d, s, size_t(bytes));
    } else if (widthCode == 1) {
        SwapRun<u16>(d, s, count);
    } else {
        SwapRun<u32>(d, s, count);
    }
    return dst;
}

void* DiskToMemory(void* dst, const void* src, u32 count, const ByteOrderDescriptor* desc)
{
    return Walk(dst, src, count, desc, kWalkDiskToMemory);
}

void* MemoryToDisk(void* dst, const void* src, u32 count, const ByteOrderDescriptor* desc)
{
    return Walk(dst, src, count, desc, kWalkMemoryToDisk);
}

void* SwapRecords(void* dst, const void* src, u32 count, const ByteOrderDescriptor* desc)
{
    return Walk(dst, src, count, desc, kWalkMemoryToMemory);
}

namespace {

constexpr u32 kMaxLanes = 32;

// A record of 16-bit fields only, without nesting or pointers (the shape of grid cells), as
// one mask pair per 16-bit lane: swapped lanes keep their swapped value, copied lanes their
// value, zero-filled lanes neither. False for any other record.
bool SixteenBitLanes(const ByteOrderDescriptor* desc, u16* swapMask, u16* keepMask, u32* lanes)
{
    if (*desc & kBoHasPointers) return false;
    const u32 size = *desc++ & kBoSizeMask;
    if (size == 0 || size % 2 || size / 2 > kMaxLanes) return false;
    u32 lane = 0;
    while (lane * 2 < size) {
        const u16 count = desc[0], type = desc[1];
        desc += 2;
        if ((type & kBoNested) || (type & kBoPointer) == kBoPointer || (type & 3) != 1) return false;
        if (lane + count > size / 2) return false;
        const bool zero = (type & kBoZeroFlag) != 0;
        const bool swap = !zero && (((type & kBoCopyFlag) != 0) == kHostIsBigEndian);
        for (u32 i = 0; i < count; ++i, ++lane) {
            swapMask[lane] = swap ? 0xFFFF : 0;
            keepMask[lane] = !zero && !swap ? 0xFFFF : 0;
        }
        if (count == 0) return false;
    }
    *lanes = lane;
    return true;
}

}  // namespace

void* SwapRecordsInPlace(void* records, u32 count, const ByteOrderDescriptor* desc)
{
    u16 swapMask[kMaxLanes], keepMask[kMaxLanes];
    u32 lanes = 0;
    if (!SixteenBitLanes(desc, swapMask, keepMask, &lanes)) return Walk(records, records, count, desc, kWalkMemoryToMemory);
    // Millions of cells: one pass over plain 16-bit lanes instead of a walk of the descriptor
    // per record, with the same bytes as its result.
    u8* p = static_cast<u8*>(records);
    for (u64 r = 0; r < count; ++r, p += size_t(lanes) * 2)
        for (u32 i = 0; i < lanes; ++i) {
            u16 v;
            memcpy(&v, p + i * 2, 2);
            v = u16((__builtin_bswap16(v) & swapMask[i]) | (v & keepMask[i]));
            memcpy(p + i * 2, &v, 2);
        }
    return records;
}

void* SwapElementsInPlace(void* elements, u64 count, u16 type)
{
    return ConvertElements(elements, elements, count, type);
}

u64 ReadRecords(void* records, u32 count, const ByteOrderDescriptor* desc, FILE* stream)
{
    const u64 diskSize = DiskSizeOfRecords(count, desc);
    if (diskSize == 0 || !FitsInMemory(diskSize)) return 0;
    if (diskSize > kCheckedReadThreshold && !StreamHolds(stream, diskSize)) return 0;
    // Every record with a pointer grows in memory, so one record tells whether the layouts differ.
    if (MemorySizeOfRecords(1, desc) == DiskSizeOfRecords(1, desc)) {
        if (fread(records, size_t(diskSize), 1, stream) != 1) return 0;
        SwapRecordsInPlace(records, count, desc);
        return diskSize;
    }
    void* buffer = malloc(size_t(diskSize));
    if (!buffer) return 0;
    bool ok = fread(buffer, size_t(diskSize), 1, stream) == 1;
    if (ok) DiskToMemory(records, buffer, count, desc);
    free(buffer);
    return ok ? diskSize : 0;
}

u64 WriteRecords(const void* records, u32 count, const ByteOrderDescriptor* desc, FILE* stream)
{
    const u64 diskSize = DiskSizeOfRecords(count, desc);
    if (!records) return diskSize;
    if (diskSize == 0 || !FitsInMemory(diskSize)) return 0;
    void* buffer = malloc(size_t(diskSize));
    if (!buffer) return 0;
    MemoryToDisk(buffer, records, count, desc);
    bool ok = fwrite(buffer, size_t(diskSize), 1, stream) == 1;
    free(buffer);
    return ok ? diskSize : 0;
}

namespace {

bool IsPlainElementType(u16 type)
{
    return !(type & kBoNested) && (type & kBoPointer) != kBoPointer && (type & 3) != 3;
}

}  // namespace

u64 ReadElements(void* elements, u64 count, u16 type, FILE* stream)
{
    if (!IsPlainElementType(type) || count == 0 || count > (UINT64_MAX >> 2)) return 0;
    const u64 bytes = count << (type & 3);
    if (!FitsInMemory(bytes) || !ReadExactly(elements, bytes, stream)) return 0;
    SwapElementsInPlace(elements, count, type);
    return bytes;
}

u64 WriteElements(const void* elements, u64 count, u16 type, FILE* stream)
{
    if (!IsPlainElementType(type) || count > (UINT64_MAX >> 2)) return 0;
    const u64 bytes = count << (type & 3);
    if (!elements) return bytes;
    if (bytes == 0 || !FitsInMemory(bytes)) return 0;
    void* copy = malloc(size_t(bytes));
    if (!copy) return 0;
    ConvertElements(copy, elements, count, type);
    bool ok = fwrite(copy, size_t(bytes), 1, stream) == 1;
    free(copy);
    return ok ? bytes : 0;
}

u64 LoadHostUnsigned(const void* p, u32 size)
{
    switch (size) {
    case 1: return *static_cast<const u8*>(p);
    case 2: {
        u16 v;
        memcpy(&v, p, 2);
        return v;
    }
    case 4: {
        u32 v;
        memcpy(&v, p, 4);
        return v;
    }
    case 8: {
        u64 v;
        memcpy(&v, p, 8);
        return v;
    }
    }
    return 0;
}

s64 LoadHostSigned(const void* p, u32 size)
{
    const u64 v = LoadHostUnsigned(p, size);
    switch (size) {
    case 1: return s8(v);
    case 2: return s16(v);
    case 4: return s32(v);
    }
    return s64(v);
}
