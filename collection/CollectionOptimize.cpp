#include "collection/CollectionOptimize.h"

#include <cstdio>
#include <cstring>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "collection/BitmapCrop.h"

u32 DeleteUnusedBitmaps(Collection& collection)
{
    u32 n = collection.GetBitmapCount();
    if (!n) return 0;
    collection.MarkUsedBitmaps();
    std::vector<CollectionBitmap*> into(collection.bitmaps.begin(), collection.bitmaps.end());
    for (CollectionBitmap*& b : into)
        if (!b->used) b = nullptr;
    return collection.DeleteBitmaps(into.data());
}

bool BitmapsIdentical(const CollectionBitmap& a, const CollectionBitmap& b)
{
    if (a.width != b.width || a.height != b.height || a.flags != b.flags || a.bytesPerPixel != b.bytesPerPixel)
        return false;
    u64 bytes = a.PixelByteCount();
    if (!bytes) return true;
    if (!a.pixels || !b.pixels) return a.pixels == b.pixels;
    return memcmp(a.pixels, b.pixels, size_t(bytes)) == 0;
}

static inline u64 Mix(u64 h, u64 v)
{
    h ^= v * 0x9E3779B97F4A7C15ull;
    h = (h << 27) | (h >> 37);
    return h * 0xFF51AFD7ED558CCDull;
}

u64 HashBitmap(const CollectionBitmap& bitmap)
{
    u64 h = Mix(0x243F6A8885A308D3ull,
                u64(bitmap.width) | u64(bitmap.height) << 16 | u64(bitmap.flags) << 32 | u64(bitmap.bytesPerPixel) << 48);
    if (!bitmap.pixels) return h;
    u64 bytes = bitmap.PixelByteCount();
    const u8* p = bitmap.pixels;
    // Four independent lanes keep the multiplies from waiting on one another.
    u64 lane[4] = {h, h ^ 1, h ^ 2, h ^ 3};
    u64 i = 0;
    for (; i + 32 <= bytes; i += 32) {
        for (int k = 0; k < 4; ++k) {
            u64 v;
            memcpy(&v, p + i + 8 * k, 8);
            lane[k] = Mix(lane[k], v);
        }
    }
    for (; i < bytes; ++i) lane[0] = Mix(lane[0], p[i]);
    return Mix(Mix(lane[0], lane[1]), Mix(lane[2], lane[3]));
}

void RedirectBitmap(Collection& collection, const CollectionBitmap* from, CollectionBitmap* to)
{
    collection.ResolveHighResBitmaps();
    s32 at = collection.IndexOfBitmap(to);
    u16 index = at >= 0 && at < kNoIndex ? u16(at) : kNoIndex;
    for (Sequence* s : collection.sequences) {
        for (SequenceFrame& frame : s->frameArray) {
            for (FrameView& v : frame.views) {
                if (v.bitmap == from) {
                    v.bitmap = to;
                    v.bitmapIndex = index;
                }
                if (!(v.flags & kViewHasHighRes)) continue;
                if (v.standardBitmap == from) {
                    v.standardBitmap = to;
                    v.bitmapIndexAsRead = index;
                }
                if (v.highResBitmap == from) {
                    v.highResBitmap = to;
                    v.highResBitmapIndex = v.highResIndexBound = index;
                }
            }
            if (frame.shadowBitmap == from) {
                frame.shadowBitmap = to;
                frame.shadow.bitmapIndex = index;
            }
        }
    }
}

u32 MergeIdenticalBitmaps(Collection& collection)
{
    u32 n = collection.GetBitmapCount();
    if (!n) return 0;
    std::vector<CollectionBitmap*> into(collection.bitmaps.begin(), collection.bitmaps.end());
    // Per hash, the first bitmap of each kind seen so far (colliding kinds share a bucket).
    std::unordered_map<u64, std::vector<CollectionBitmap*>> firsts;
    firsts.reserve(n);
    bool any = false;
    for (u32 i = 0; i < n; ++i) {
        CollectionBitmap* b = into[i];
        std::vector<CollectionBitmap*>& bucket = firsts[HashBitmap(*b)];
        for (CollectionBitmap* first : bucket) {
            if (BitmapsIdentical(*first, *b)) {
                into[i] = first;
                any = true;
                break;
            }
        }
        if (into[i] == b) bucket.push_back(b);
    }
    return any ? collection.DeleteBitmaps(into.data()) : 0;
}

CropAllResult CropAllBitmaps(Collection& collection)
{
    CropAllResult r = {};
    u32 n = collection.GetBitmapCount();
    std::vector<CollectionBitmap*> into(collection.bitmaps.begin(), collection.bitmaps.end());
    for (u32 i = n; i-- > 0;) {
        CollectionBitmap& b = *into[i];
        s64 result = TrimBitmap(collection, b);
        if (result == kCropAllTransparent) {
            ++r.cropped;
            ++r.removed;
            r.pixelsRemoved += u64(b.width) * b.height;
            into[i] = nullptr;
        } else if (result == kCropNoMemory) {
            ++r.outOfMemory;
        } else if (result > 0) {
            ++r.cropped;
            r.pixelsRemoved += u64(result);
        }
    }
    if (r.removed) collection.DeleteBitmaps(into.data());
    return r;
}

u32 AutoRenameBitmaps(Collection& collection)
{
    std::unordered_set<const CollectionBitmap*> named;
    u32 renamed = 0;
    char name[160];  // a sequence name and two numbers; the bitmap keeps 63 characters
    for (Sequence* s : collection.sequences) {
        u32 frames = s->GetFrameCount();
        u32 unique = s->GetUniqueViewCount();
        if (unique > s->GetViewCount()) unique = s->GetViewCount();
        for (u32 f = 0; f < frames && f < s->frameArray.count; ++f) {
            u32 views = unique < s->GetFrame(f).views.count ? unique : s->GetFrame(f).views.count;
            for (u32 v = 0; v < views; ++v) {
                CollectionBitmap* b = s->GetBitmap(f, v);
                if (!b || !named.insert(b).second) continue;
                if (unique > 1 && frames > 1) snprintf(name, sizeof(name), "%s %.2u~%.2u", s->name, f, v);
                else if (unique == 1 && frames == 1) snprintf(name, sizeof(name), "%s", s->name);
                else snprintf(name, sizeof(name), "%s %.2u", s->name, f > v ? f : v);
                name[sizeof(b->name) - 1] = 0;
                if (strcmp(name, b->name) == 0) continue;
                b->SetName(name);
                ++renamed;
            }
        }
    }
    return renamed;
}

static u64 NextPowerOfTwo(u32 v)
{
    if (v && !(v & (v - 1))) return v;
    u64 x = v;
    x |= x >> 1;
    x |= x >> 2;
    x |= x >> 4;
    x |= x >> 8;
    x |= x >> 16;
    return x + 1;
}

RuntimeSize GetRuntimeSize(const Collection& collection)
{
    RuntimeSize r = {};
    for (const CollectionBitmap* b : collection.bitmaps) {
        r.exactPixels += u64(b->width) * b->height;
        r.powerOfTwoPixels += NextPowerOfTwo(b->width) * NextPowerOfTwo(b->height);
    }
    return r;
}
