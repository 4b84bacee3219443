#pragma once
// The in-memory model of one collection (tag group '.256'): named bitmaps over one shared
// 256-colour table, hue changes, and sequences of frames by views.
//
// Invariant: every FrameView bitmap pointer (bitmap, standardBitmap, highResBitmap) and every
// frame's shadow bitmap is null or a bitmap of this collection. The pointers are the truth;
// stored indices are refreshed from them when the collection is written and when a bitmap
// moves.
#include <cstdio>

#include "collection/CollectionBitmap.h"
#include "collection/ColorTable.h"
#include "collection/HueChange.h"
#include "collection/Sequence.h"
#include "foundation/DynArray.h"

struct Image;
struct TagHeader;
struct CollectionHeader;
struct ColorTableRecord;
struct BitmapDirectoryEntry;

// Collection::flags bits.
enum CollectionFlags : u32 {
    kCollectionTextures = 1,
    kCollectionMonsters = 2,
    kCollectionProjectiles = 4,
    kCollectionScenery = 8,
    kCollectionAtmospheric = 16,
    kCollectionInterfaces = 32,
    kCollectionColorMap = 0x100,  // bitmaps alternate colour and shadow bitmaps
};

// Why Collection::ImportImage made no bitmap.
enum ImportFailure : u32 {
    kImportOk = 0,
    kImportTooLarge = 1,       // more pixels or a longer side than a bitmap may have
    kImportUnconvertible = 2,  // a pixel format that cannot be read as indices
    kImportColours = 3,        // the colours do not fit the table
    kImportNoMemory = 4,
};

class Collection {
public:
    char name[32];
    u32 headerWord;
    u32 flags;
    ColorTable colorTable;
    DynArray<CollectionBitmap*> bitmaps;
    DynArray<HueChange*> hueChanges;
    DynArray<Sequence*> sequences;

    // Empty, flags 6 (monsters and projectiles).
    Collection();
    // Frees everything the collection owns (as Free).
    ~Collection();
    Collection(const Collection&) = delete;
    Collection& operator=(const Collection&) = delete;

    // Frees every sequence, hue change and bitmap and the three arrays; may be called again.
    void Free();

    CollectionBitmap* GetBitmap(u32 index) const { return index < bitmaps.count ? bitmaps.data[index] : nullptr; }
    HueChange* GetHueChange(u32 index) const { return index < hueChanges.count ? hueChanges.data[index] : nullptr; }
    Sequence* GetSequence(u32 index) const { return index < sequences.count ? sequences.data[index] : nullptr; }
    u32 GetBitmapCount() const { return bitmaps.count; }
    u32 GetHueChangeCount() const { return hueChanges.count; }
    u32 GetSequenceCount() const { return sequences.count; }
    // The first index holding the pointer, or -1.
    s32 IndexOfBitmap(const CollectionBitmap* b) const;
    s32 IndexOfHueChange(const HueChange* h) const;
    s32 IndexOfSequence(const Sequence* s) const;

    ColorTable& GetColorTable() { return colorTable; }
    const ColorTable& GetColorTable() const { return colorTable; }
    // Copies n (at most 256) entries and zeroes the others.
    void SetColorTable(const ColorTableEntry* entries, u32 n);
    // Copies all 256 entries out; count becomes 256.
    void CopyColorTable(ColorTableEntry* out, u32* count) const;

    // Creates a bitmap (name at most 63 characters; pixels copied, or zero when null) and
    // appends it, or puts it in place of `replace` (which must belong to the collection):
    // every reference to `replace` then refers to the new bitmap and `replace` is freed.
    // Answers the new bitmap, or null when the pixel buffer cannot be allocated or is larger
    // than kMaxBitmapPixels (nothing changes then).
    CollectionBitmap* AddBitmap(const char* name, u16 flags, const void* pixels, u32 width, u32 height,
                                u32 bytesPerPixel, CollectionBitmap* replace);
    // Makes a bitmap of the image (ImageImport.cpp). The image's palette (entries past its
    // count taken as copies of entry 0) becomes the colour table when replaceTable is set or
    // the table is fresh (no bitmaps, all 256 entries equal); otherwise it is merged into the
    // table (MergeColorTable). Pixels are {alpha, index} remapped to the table; a pixel at
    // index 0 or 1 becomes transparent {0, 0}; flags: kBitmapSpanRows when some pixel mapped
    // to 0, kBitmapPartialAlpha when some alpha lies strictly between 0 and 255. The bitmap is
    // appended, or replaces `replace` (see AddBitmap). Answers null with the collection
    // unchanged when the colours do not fit the table, the image cannot be converted or is
    // larger than a bitmap may be, or memory runs out.
    // failure, when given, receives why it answered null (ImportFailure), or kImportOk.
    CollectionBitmap* ImportImage(const Image& image, const char* name, CollectionBitmap* replace, bool replaceTable,
                                  u32* failure = nullptr);
    // True when the table is fresh: no bitmaps and all 256 entries the same colour.
    bool HasFreshColorTable() const;

    // Clears every reference to the bitmap (the stored indices are left alone), removes it
    // when present and frees it.
    void DeleteBitmap(CollectionBitmap* bitmap);
    // Deletes many bitmaps in one pass over the cells. into has one entry per bitmap: the
    // bitmap itself keeps it; any other entry deletes it after every reference to it (each
    // assignment of a view, each frame shadow) has been re-pointed to that entry, a kept
    // bitmap, or cleared when it is null. The stored indices of re-pointed references become
    // the new index of their target. Answers the number of bitmaps deleted.
    u32 DeleteBitmaps(CollectionBitmap* const* into);
    // Deletes the n listed bitmaps of this collection (any other is passed over) in one pass
    // over the cells, clearing every reference to them. Answers the number deleted.
    u32 DeleteListedBitmaps(CollectionBitmap* const* list, u32 n);
    // Moves an item to target index t, counted before the move (t = count moves it to the
    // end). Answers the new index, or 0xFFFFFFFF when nothing moved. MoveBitmap also
    // refreshes the stored indices that name the moved bitmap.
    u32 MoveBitmap(CollectionBitmap* bitmap, u32 t);
    u32 MoveHueChange(HueChange* hueChange, u32 t);
    u32 MoveSequence(Sequence* sequence, u32 t);

    // Appends a hue change: all zero but hue start 0x5556, end 0xAAAB, median 0x8001.
    HueChange* AddHueChange(const char* name);
    // Removes it when present; frees it in any case.
    void DeleteHueChange(HueChange* hueChange);
    Sequence* AddSequence(const char* name);
    void DeleteSequence(Sequence* sequence);

    // used := 1 for every bitmap that a view (either of its assignments) or a frame shadow
    // refers to, else 0.
    void MarkUsedBitmaps();

    // Shows, in every view with a high-resolution assignment, the high-res bitmap,
    // registration point and scale (highRes) or the standard ones (!highRes). The view's
    // indices are refreshed from its pointers.
    void ShowHighResAssignments(bool highRes);

    // The collection keeps, in every view with a high-res assignment, highResBitmapIndex and
    // bitmapIndexAsRead equal to the indices of highResBitmap and standardBitmap through
    // every replace, move and delete. A high-res bitmap may be assigned by pointer or, as the
    // high-res builder does, by index alone: this binds highResBitmap to the bitmap named by
    // every index changed since it was last bound (none for an index past the bitmaps).
    // Every operation that relies on the pointers calls it first.
    void ResolveHighResBitmaps();

    // --- Stored form (CollectionFormat.cpp) ---

    // Reads the tag data (header->size bytes at header->offset, which must lie inside the
    // stream) into this empty collection, with or without decoding the bitmaps. Every count,
    // offset and size is bounded by the data: a block or sequence record past it fails the
    // read; a FrameView-table, shadow or bitmap index past its table becomes none; a bitmap
    // record that cannot be decoded becomes a checkerboard placeholder; bitmaps that would
    // decode to far more memory than their bytes (over 4096 bytes of pixels per byte of data
    // plus 64 MiB, or 1 GiB) fail the read. Answers 1, or 0 on failure; what was read stays
    // for the caller to free.
    int Read(FILE* stream, const TagHeader* header, bool withBitmaps);
    // Writes the tag data at header->offset and sets the header's group, version and user;
    // the stream is left at the end of the data. Views with a high-res assignment store
    // both assignments whichever one they show.
    // Answers 1, or 0 on the first failed seek or write, or when an index would not fit its
    // 16-bit field (more than 65535 bitmaps, views or frames in all).
    int Write(FILE* stream, TagHeader* header);

    // Refreshes the live views' bitmap indices and derived flags and builds the FrameView
    // and shadow tables. Answers 0 when a table index would reach 0xFFFF.
    int PrepareSequencesForWrite(DynArray<FrameView>& viewTable, DynArray<ShadowRecord>& shadowTable);
    // Mirror fill and registration extents after a read with bitmaps.
    void PrepareSequencesAfterRead();
    // One BitmapDirectoryEntry per bitmap (name, width, height).
    void BuildBitmapDirectory(DynArray<BitmapDirectoryEntry>& directory) const;
    // One new hue change per 128-byte record, a copy of it.
    void SetHueChanges(const HueChange* records, u32 count);
    // Reads the bitmap records named by the directory; unreadable ones become a checkerboard
    // placeholder. Answers 0 when a seek fails.
    int ReadBitmaps(FILE* stream, const TagHeader* header, const CollectionHeader& ch,
                    const DynArray<BitmapDirectoryEntry>& directory);

private:
    // Sets the two indices of every high-res assignment from its pointers.
    void RefreshHighResIndices();
};

// A new collection read with its bitmaps from the tag data at header.offset, or null.
Collection* LoadCollection(FILE* stream, const TagHeader* header);
