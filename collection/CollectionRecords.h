#pragma once
// The stored, big-endian records of a collection's tag data and their byte-order
// descriptors. Block offsets count from the end of the 320-byte CollectionHeader.
#include "collection/HueChange.h"
#include "collection/Sequence.h"
#include "foundation/ByteOrder.h"

constexpr u32 kCollectionGroup = FourCC(".256");
constexpr u16 kCollectionFormatVersion = 4;
constexpr u32 kCollectionHeaderSize = 320;

// {count, offset, size in bytes, reserved}
struct BlockReference {
    u32 count;
    u32 offset;
    u32 size;
    u32 reserved;
};

struct CollectionHeader {
    u32 headerWord;
    u32 flags;  // copy of the collection flags
    u8 reserved1[56];
    BlockReference colorTables;
    BlockReference hueChanges;
    BlockReference bitmapDirectory;
    BlockReference frameViews;
    BlockReference sequenceDirectory;
    BlockReference shadows;
    BlockReference reserved2[2];
    u8 reserved3[56];
    u32 dataStart;  // 320
    u32 totalSize;  // all blocks, directories included
    u8 reserved4[64];
};

inline constexpr ByteOrderDescriptor kCollectionHeaderDescriptor[] = {
    320, 2, kBoU32, 56, kBoZero8, 24, kBoU32, 8, kBoZero32, 56, kBoZero8, 2, kBoU32, 64, kBoZero8};
static_assert(ByteOrderDescribes<CollectionHeader>(kCollectionHeaderDescriptor), "CollectionHeader layout");

// 256 entries of {red, green, blue, flags}, each channel's 8-bit value in the high byte.
struct ColorTableRecord {
    u32 count;
    u8 reserved[28];
    u16 entries[256][4];
};

inline constexpr ByteOrderDescriptor kColorTableRecordDescriptor[] = {2080, 1, kBoU32, 28, kBoZero8, 1024, kBoU16};
static_assert(ByteOrderDescribes<ColorTableRecord>(kColorTableRecordDescriptor), "ColorTableRecord layout");

inline constexpr ByteOrderDescriptor kHueChangeDescriptor[] = {
    128, 64, kBoU8, 2, kBoU16, 32, kBoU8, 3, kBoU16, 6, kBoZero8, 4, kBoU16, 8, kBoU8};
static_assert(ByteOrderDescribes<HueChange>(kHueChangeDescriptor), "HueChange layout");

struct BitmapDirectoryEntry {
    char name[64];
    u32 offset;
    u32 size;
    u32 reserved1;
    u16 width;
    u16 height;
    u8 reserved2[32];
    u8 carried[16];  // written zero, not used when read
};

inline constexpr ByteOrderDescriptor kBitmapDirectoryEntryDescriptor[] = {
    128, 64, kBoU8, 2, kBoU32, 1, kBoZero32, 2, kBoU16, 32, kBoZero8, 16, kBoU8};
static_assert(ByteOrderDescribes<BitmapDirectoryEntry>(kBitmapDirectoryEntryDescriptor), "BitmapDirectoryEntry layout");

// The first 64 bytes of a FrameView.
struct FrameViewRecord {
    u32 flags;
    u8 reserved1[8];
    s16 registrationX, registrationY;
    u8 reserved2[8];
    s16 keyX, keyY;
    u16 bitmapIndex;
    u16 highResBitmapIndex;
    u32 highResScale;
    s16 highResRegistrationX, highResRegistrationY;
    u8 reserved3[24];
};

inline constexpr ByteOrderDescriptor kFrameViewDescriptor[] = {
    64, 1, kBoU32, 8, kBoZero8, 2, kBoU16, 8, kBoZero8, 4, kBoU16, 1, kBoU32, 2, kBoU16, 24, kBoZero8};
static_assert(ByteOrderDescribes<FrameViewRecord>(kFrameViewDescriptor), "FrameView record layout");
static_assert(offsetof(FrameView, reserved3) == 40 && offsetof(FrameView, bitmapIndexAsRead) == 64,
              "FrameView starts with its stored record");

struct SequenceDirectoryEntry {
    char name[64];
    u32 offset;
    u32 size;
    u8 reserved[56];
};

inline constexpr ByteOrderDescriptor kSequenceDirectoryEntryDescriptor[] = {128, 64, kBoU8, 2, kBoU32, 56, kBoZero8};
static_assert(ByteOrderDescribes<SequenceDirectoryEntry>(kSequenceDirectoryEntryDescriptor), "SequenceDirectoryEntry layout");

// The 64-byte sequence header: Sequence's fields from flags to its reserved block.
struct SequenceHeaderRecord {
    u32 flags;
    u32 secondWord;
    u16 views, frames, ticksPerFrame, keyFrame, loopFrame;
    u16 carried1[3];
    u32 firstSound, keySound, lastSound;
    u16 mode, transferPeriod;
    s32 selectionHalfWidth, selectionBottom, selectionTop;
    u16 carried2[3];
    u8 reserved[6];
};

inline constexpr ByteOrderDescriptor kSequenceHeaderDescriptor[] = {
    64, 2, kBoU32, 8, kBoU16, 3, kBoU32, 2, kBoU16, 3, kBoU32, 3, kBoU16, 6, kBoZero8};
static_assert(ByteOrderDescribes<SequenceHeaderRecord>(kSequenceHeaderDescriptor), "sequence header layout");
static_assert(offsetof(Sequence, reserved) - offsetof(Sequence, flags) == 58, "Sequence holds its stored header");

// The 46-byte frame record before its view indices.
struct SequenceFrameRecord {
    u16 shadowRecordIndex;
    u16 carried[3];
    u8 reserved[38];
};

inline constexpr ByteOrderDescriptor kSequenceFrameDescriptor[] = {46, 4, kBoU16, 38, kBoZero8};
static_assert(ByteOrderDescribes<SequenceFrameRecord>(kSequenceFrameDescriptor), "frame record layout");

inline constexpr ByteOrderDescriptor kShadowRecordDescriptor[] = {32, 1, kBoU32, 2, kBoU32, 1, kBoU16, 18, kBoZero8};
static_assert(ByteOrderDescribes<ShadowRecord>(kShadowRecordDescriptor), "ShadowRecord layout");

constexpr u32 kSequenceHeaderSize = 64;
constexpr u32 kSequenceFrameRecordSize = 46;

// The 52-byte header of a bitmap record. Span-coded rows that follow it are u16 pairs: a row
// head {span count, pixel count}, then the spans {start, end}.
struct CollectionBitmapHeader {
    u16 width;
    u16 height;
    u16 bytesPerRow;
    u16 flags;
    u16 depth;  // 8, 16 or 64
    u16 zero1;
    u16 zero2;
    u16 shift;  // log2 of the stored bytes per indexed pixel
    u16 pixelType;  // 0 indexed, 1 true colour
    u8 reserved[34];
};

inline constexpr ByteOrderDescriptor kCollectionBitmapHeaderDescriptor[] = {52, 9, kBoU16, 34, kBoZero8};
static_assert(ByteOrderDescribes<CollectionBitmapHeader>(kCollectionBitmapHeaderDescriptor), "bitmap header layout");
constexpr u32 kCollectionBitmapHeaderSize = 52;

// CollectionBitmapHeader::flags bits beyond the bitmap's own.
enum : u16 {
    kStoredNoRowTable = 32,
    kStoredAlphaFromBrightness = 0x800,
    kStoredFlagMask = 0xC8F4,
    kStoredTrueColorFlags = 0x4020,
};
