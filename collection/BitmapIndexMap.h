#pragma once
// Finds a bitmap's index in its collection in O(log n), so that passes over every cell of
// every sequence stay linear in the cells rather than cells x bitmaps.
#include "collection/CollectionBitmap.h"
#include "foundation/DynArray.h"

class BitmapIndexMap {
public:
    explicit BitmapIndexMap(const DynArray<CollectionBitmap*>& bitmaps);
    ~BitmapIndexMap();
    BitmapIndexMap(const BitmapIndexMap&) = delete;
    BitmapIndexMap& operator=(const BitmapIndexMap&) = delete;

    // The first index holding the bitmap, or -1 (also for null).
    s64 Find(const CollectionBitmap* bitmap) const;
    // As Find, but 0xFFFF for a bitmap that is absent or whose index does not fit below it.
    u16 Find16(const CollectionBitmap* bitmap) const;

private:
    struct Entry {
        const CollectionBitmap* bitmap;
        u32 index;
    };
    DynArray<Entry> entries;
};
