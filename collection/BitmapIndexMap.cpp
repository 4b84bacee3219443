#include "collection/BitmapIndexMap.h"

#include <algorithm>
#include <functional>

BitmapIndexMap::BitmapIndexMap(const DynArray<CollectionBitmap*>& bitmaps)
{
    entries = {};
    entries.ResizeRaw(bitmaps.count);
    for (u32 i = 0; i < bitmaps.count; ++i) entries.data[i] = {bitmaps.data[i], i};
    // Equal pointers sort by index, so Find answers the first index.
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        if (a.bitmap != b.bitmap) return std::less<const CollectionBitmap*>()(a.bitmap, b.bitmap);
        return a.index < b.index;
    });
}

BitmapIndexMap::~BitmapIndexMap()
{
    entries.Free();
}

s64 BitmapIndexMap::Find(const CollectionBitmap* bitmap) const
{
    if (!bitmap) return -1;
    const Entry* e = std::lower_bound(entries.begin(), entries.end(), bitmap, [](const Entry& a, const CollectionBitmap* b) {
        return std::less<const CollectionBitmap*>()(a.bitmap, b);
    });
    if (e == entries.end() || e->bitmap != bitmap) return -1;
    return e->index;
}

u16 BitmapIndexMap::Find16(const CollectionBitmap* bitmap) const
{
    s64 i = Find(bitmap);
    return (i < 0 || i >= 0xFFFF) ? u16(0xFFFF) : u16(i);
}
