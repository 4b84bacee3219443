#pragma once
// Conversion of records between the big-endian, packed layout of the game's files and the
// host's in-memory layout.
//
// A record's layout is one ByteOrderDescriptor: a table of u16 words. Word 0 holds the
// record's size on disk in bits 0-14 and, in bit 15 (kBoHasPointers), whether it holds
// pointer fields. Pairs {count, type} follow until their disk sizes add up to the size word
// exactly; there is no terminator. A pair of type kBoNested is followed at once by the nested
// record's own descriptor, and that record repeats `count` times.
//
// In memory a pointer field takes sizeof(void*) bytes. In the 64-bit build each group of
// pointers is preceded by 4 bytes of padding when the memory offset reached so far (counted
// from the first record of the run) is not a multiple of 8; records follow each other with
// no padding at their end. In the 32-bit build memory and disk layouts coincide.
//
// Owners declare their layouts as constant tables and check them at compile time:
//
//     inline constexpr ByteOrderDescriptor kFooDescriptor[] = {
//         16 | kBoHasPointers, 2, kBoU32, 1, kBoPointer, 1, kBoU32};
//     static_assert(ByteOrderDescribes<Foo>(kFooDescriptor), "Foo layout");
//
// Descriptors built at run time (from definition files) must pass ValidateByteOrderDescriptor
// before they are handed to any routine here: the routines trust the descriptor and the
// caller's buffer sizes.
#include <cstdio>
#include "foundation/Types.h"

typedef u16 ByteOrderDescriptor;

// Size word.
constexpr u16 kBoHasPointers = 0x8000;
constexpr u16 kBoSizeMask = 0x7FFF;

// Element type codes. Bits 0-1: width code (1, 2 or 4 bytes); bit 2: zero-filled (no data
// carried); bit 4: copied without swapping; 14: pointer; 32: nested record.
constexpr u16 kBoU8 = 0;
constexpr u16 kBoU16 = 1;
constexpr u16 kBoU32 = 2;
constexpr u16 kBoZeroFlag = 4;
constexpr u16 kBoZero8 = 4;
constexpr u16 kBoZero16 = 5;
constexpr u16 kBoZero32 = 6;
constexpr u16 kBoPointer = 14;
constexpr u16 kBoCopyFlag = 16;
constexpr u16 kBoCopy8 = 16;
constexpr u16 kBoCopy16 = 17;  // little-endian u16 of the program's own files
constexpr u16 kBoCopy32 = 18;  // little-endian u32
constexpr u16 kBoNested = 32;

// Limits for descriptors built at run time.
constexpr u32 kMaxByteOrderDescriptorWords = 8192;
constexpr u32 kMaxByteOrderNesting = 16;

// Bytes a pointer field takes in memory.
constexpr u32 kBoPointerMemoryWidth = sizeof(void*);

enum ByteOrderWalkMode : u8 {
    kWalkDiskToMemory,
    kWalkMemoryToDisk,
    kWalkMemoryToMemory,
    kWalkMeasure,  // advances the destination offset as disk to memory, touches nothing
    kWalkSkip,     // only moves the descriptor cursor past one record's descriptor
};

// Where a walk stands. Offsets count from the start of the run of records; the pointer
// padding depends on them, so a walk must start with both at 0 on 8-aligned buffers.
struct ByteOrderCursor {
    u8* dst;  // null for the measuring walk
    const u8* src;
    u64 dstOffset;
    u64 srcOffset;
};

// Converts count elements of one type from src to dst: swaps multi-byte elements between
// big-endian and host order, copies kBoCopyFlag types, writes zeros for zero-filled types,
// leaves width code 3 alone. A copy onto itself is skipped; dst == src swaps in place.
// Returns dst.
void* ConvertElements(void* dst, const void* src, u64 count, u16 type);

// Writes n zero bytes (the walk's pointer fields and padding).
void ByteOrderZero(void* dst, u64 n);

// A host-order unsigned of 1, 2, 4 or 8 bytes at p, read without alignment; any other size
// reads as 0. The signed form extends the sign of 1- and 2-byte values.
u64 LoadHostUnsigned(const void* p, u32 size);
s64 LoadHostSigned(const void* p, u32 size);

// Walks `repeat` consecutive records described by the descriptor at `desc` in the given mode,
// moving both cursors, and leaves `desc` behind that record's descriptor (nested ones
// included). With repeat 0 only the descriptor cursor moves. Trusts the descriptor.
constexpr void ConvertNested(ByteOrderCursor& c, const ByteOrderDescriptor*& desc, u32 repeat,
                             ByteOrderWalkMode mode)
{
    const ByteOrderDescriptor* const start = desc;
    const ByteOrderDescriptor* end = nullptr;
    if (repeat == 0) {
        repeat = 1;
        mode = kWalkSkip;
    }
    for (u32 r = 0; r < repeat; ++r) {
        const ByteOrderDescriptor* d = start;
        const u32 size = *d++ & kBoSizeMask;
        u64 covered = 0;
        while (covered < size) {
            const u16 count = d[0];
            const u16 type = d[1];
            d += 2;
            if (type & kBoNested) {
                const u32 nestedSize = *d & kBoSizeMask;
                if (mode == kWalkSkip) {
                    ConvertNested(c, d, 0, kWalkSkip);
                } else {
                    ConvertNested(c, d, count, mode);
                }
                covered += u64(count) * nestedSize;
                continue;
            }
            if ((type & kBoPointer) == kBoPointer) {
                covered += u64(count) * 4;
                if (mode == kWalkSkip || count == 0) continue;  // an empty group gets no padding
                const u64 memBytes = u64(count) * kBoPointerMemoryWidth;
                const bool widen = kBoPointerMemoryWidth == 8;
                switch (mode) {
                case kWalkDiskToMemory:
                case kWalkMeasure:
                    if (widen && (c.dstOffset & 7)) {
                        if (mode == kWalkDiskToMemory) ByteOrderZero(c.dst + c.dstOffset, 4);
                        c.dstOffset += 4;
                    }
                    if (mode == kWalkDiskToMemory) ByteOrderZero(c.dst + c.dstOffset, memBytes);
                    c.dstOffset += memBytes;
                    c.srcOffset += u64(count) * 4;
                    break;
                case kWalkMemoryToDisk:
                    if (widen && (c.srcOffset & 7)) c.srcOffset += 4;
                    c.srcOffset += memBytes;
                    ByteOrderZero(c.dst + c.dstOffset, u64(count) * 4);
                    c.dstOffset += u64(count) * 4;
                    break;
                default:  // memory to memory
                    if (widen && (c.dstOffset & 7)) {
                        ByteOrderZero(c.dst + c.dstOffset, 4);
                        c.dstOffset += 4;
                    }
                    if (widen && (c.srcOffset & 7)) c.srcOffset += 4;
                    ByteOrderZero(c.dst + c.dstOffset, memBytes);
                    c.dstOffset += memBytes;
                    c.srcOffset += memBytes;
                    break;
                }
                continue;
            }
            const u64 bytes = u64(count) << (type & 3);
            covered += bytes;
            if (mode == kWalkSkip) continue;
            if (mode != kWalkMeasure) ConvertElements(c.dst + c.dstOffset, c.src + c.srcOffset, count, type);
            c.dstOffset += bytes;
            c.srcOffset += bytes;
        }
        end = d;
    }
    desc = end;
}

// Memory size of count consecutive records: the disk size times count when kBoHasPointers is
// clear, else the measured walk. 64-bit so that counts from files cannot overflow it.
constexpr u64 MemorySizeOfRecords(u32 count, const ByteOrderDescriptor* desc)
{
    if (!(desc[0] & kBoHasPointers)) return u64(desc[0] & kBoSizeMask) * count;
    ByteOrderCursor c = {nullptr, nullptr, 0, 0};
    ConvertNested(c, desc, count, kWalkMeasure);
    return c.dstOffset;
}

// Disk size of count records.
constexpr u64 DiskSizeOfRecords(u32 count, const ByteOrderDescriptor* desc)
{
    return u64(desc[0] & kBoSizeMask) * count;
}

namespace byteorder_detail {

constexpr bool IsElementType(u16 type)
{
    return type == kBoU8 || type == kBoU16 || type == kBoU32 || type == kBoZero8 || type == kBoZero16 ||
           type == kBoZero32 || type == kBoCopy8 || type == kBoCopy16 || type == kBoCopy32;
}

// Checks one record's descriptor starting at desc[pos]; moves pos behind it.
constexpr bool ValidateRecord(const ByteOrderDescriptor* desc, u32 wordCount, u32& pos, u32 depth,
                              bool& hasPointers)
{
    if (pos >= wordCount) return false;
    const u32 size = desc[pos] & kBoSizeMask;
    const bool flagged = (desc[pos] & kBoHasPointers) != 0;
    ++pos;
    if (size == 0) return false;
    hasPointers = false;
    u64 covered = 0;
    while (covered < size) {
        if (wordCount - pos < 2) return false;
        const u16 count = desc[pos];
        const u16 type = desc[pos + 1];
        pos += 2;
        if (type == kBoNested) {
            if (depth + 1 >= kMaxByteOrderNesting || pos >= wordCount) return false;
            const u32 nestedSize = desc[pos] & kBoSizeMask;
            bool nestedPointers = false;
            if (!ValidateRecord(desc, wordCount, pos, depth + 1, nestedPointers)) return false;
            // Pointers must land on multiples of 4 in every repetition.
            if (nestedPointers && ((covered & 3) || (nestedSize & 3))) return false;
            hasPointers = hasPointers || nestedPointers;
            covered += u64(count) * nestedSize;
        } else if (type == kBoPointer) {
            if (count) {
                if (covered & 3) return false;
                hasPointers = true;
            }
            covered += u64(count) * 4;
        } else if (IsElementType(type)) {
            covered += u64(count) << (type & 3);
        } else {
            return false;
        }
        if (covered > size) return false;
    }
    if (hasPointers && (!flagged || (size & 3))) return false;
    return true;
}

}  // namespace byteorder_detail

// True when desc is a well-formed descriptor of exactly wordCount words: a non-zero size word
// that its pairs add up to exactly (nested records too), known element types only, nesting
// at most kMaxByteOrderNesting deep, at most kMaxByteOrderDescriptorWords words, the pointer
// bit set on every record that holds pointers, and pointer fields at offsets that are
// multiples of 4. Only validated descriptors may come from outside the program.
constexpr bool ValidateByteOrderDescriptor(const ByteOrderDescriptor* desc, u32 wordCount)
{
    // No null test while evaluated at compile time: UBSan builds reject comparing the address
    // of an inline constexpr table with null in a constant expression.
    if (!__builtin_is_constant_evaluated() && !desc) return false;
    if (wordCount == 0 || wordCount > kMaxByteOrderDescriptorWords) return false;
    u32 pos = 0;
    bool hasPointers = false;
    if (!byteorder_detail::ValidateRecord(desc, wordCount, pos, 0, hasPointers)) return false;
    return pos == wordCount;
}

// For compile-time checks of an owner's struct against its descriptor: the descriptor is
// valid and sizeof(T) is its memory size. A record with pointer fields may be shorter than
// its C++ struct by the struct's tail padding (the walk adds none); such records stand at
// sizeof(T) apart in a C++ array only when their memory size is a multiple of 8, so read
// them one at a time otherwise.
template <typename T, size_t N>
constexpr bool ByteOrderDescribes(const ByteOrderDescriptor (&desc)[N])
{
    if (!ValidateByteOrderDescriptor(desc, N)) return false;
    const u64 size = MemorySizeOfRecords(1, desc);
    if (!(desc[0] & kBoHasPointers)) return sizeof(T) == size;
    const u64 rounded = (size + alignof(T) - 1) / alignof(T) * alignof(T);
    return sizeof(T) == rounded;
}

// Converts count records from disk layout (src) to memory layout (dst). Returns dst.
void* DiskToMemory(void* dst, const void* src, u32 count, const ByteOrderDescriptor* desc);
// Converts count records from memory layout (src) to disk layout (dst). Returns dst.
void* MemoryToDisk(void* dst, const void* src, u32 count, const ByteOrderDescriptor* desc);
// Swaps the byte order of count records in memory layout; pointer fields of dst become null.
// Returns dst.
void* SwapRecords(void* dst, const void* src, u32 count, const ByteOrderDescriptor* desc);
void* SwapRecordsInPlace(void* records, u32 count, const ByteOrderDescriptor* desc);
void* SwapElementsInPlace(void* elements, u64 count, u16 type);

// Reads count records from the stream into records (MemorySizeOfRecords bytes) in host order.
// Returns the disk bytes read, or 0 when count is 0, the read is short or memory runs out.
// With pointer fields the read goes through a temporary buffer and a failure leaves records
// untouched; otherwise a short read may leave raw bytes in records.
u64 ReadRecords(void* records, u32 count, const ByteOrderDescriptor* desc, FILE* stream);
// Writes count records in file order. Returns the disk bytes written, or 0 on failure (and
// for count 0). With null records it writes nothing and returns the disk size.
u64 WriteRecords(const void* records, u32 count, const ByteOrderDescriptor* desc, FILE* stream);
// Reads count elements of one plain type (kBoU16, kBoU32, kBoCopy16, kBoCopy32, ...) and
// converts them in place. Returns the bytes read, or 0 (short read, count 0, pointer or
// nested type).
u64 ReadElements(void* elements, u64 count, u16 type, FILE* stream);
// Writes a converted copy of count elements. Returns the bytes written, or 0 on failure; with
// null elements it writes nothing and returns the byte count.
u64 WriteElements(const void* elements, u64 count, u16 type, FILE* stream);
