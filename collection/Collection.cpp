#include "collection/Collection.h"

#include <cstdlib>
#include <cstring>

#include "collection/BitmapIndexMap.h"

Collection::Collection()
{
    memset(name, 0, sizeof(name));
    headerWord = 0;
    flags = kCollectionMonsters | kCollectionProjectiles;
    memset(&colorTable, 0, sizeof(colorTable));
    bitmaps = {};
    hueChanges = {};
    sequences = {};
}

Collection::~Collection()
{
    Free();
}

void Collection::Free()
{
    sequences.DeleteAll();
    hueChanges.DeleteAll();
    bitmaps.DeleteAll();
}

template <typename T>
static s32 IndexOfPointer(const DynArray<T*>& a, const T* p)
{
    for (u32 i = 0; i < a.count; ++i)
        if (a.data[i] == p) return s32(i);
    return -1;
}

s32 Collection::IndexOfBitmap(const CollectionBitmap* b) const { return IndexOfPointer(bitmaps, b); }
s32 Collection::IndexOfHueChange(const HueChange* h) const { return IndexOfPointer(hueChanges, h); }
s32 Collection::IndexOfSequence(const Sequence* s) const { return IndexOfPointer(sequences, s); }

void Collection::SetColorTable(const ColorTableEntry* entries, u32 n)
{
    if (n > 256) n = 256;
    memset(&colorTable, 0, sizeof(colorTable));
    if (n) memcpy(colorTable.entries, entries, n * sizeof(ColorTableEntry));
}

void Collection::CopyColorTable(ColorTableEntry* out, u32* count) const
{
    memcpy(out, colorTable.entries, sizeof(colorTable.entries));
    if (count) *count = 256;
}

// Calls viewFn(view) for every FrameView and frameFn(frame) for every frame of every sequence.
template <typename ViewFn, typename FrameFn>
static void ForEachCell(DynArray<Sequence*>& sequences, ViewFn viewFn, FrameFn frameFn)
{
    for (Sequence* s : sequences) {
        for (SequenceFrame& frame : s->frameArray) {
            for (FrameView& view : frame.views) viewFn(view);
            frameFn(frame);
        }
    }
}

static void RedirectReferences(DynArray<Sequence*>& sequences, const CollectionBitmap* from,
                               CollectionBitmap* to)
{
    ForEachCell(
        sequences,
        [&](FrameView& v) {
            if (v.bitmap == from) v.bitmap = to;
            if (v.standardBitmap == from) v.standardBitmap = to;
            if (v.highResBitmap == from) v.highResBitmap = to;
        },
        [&](SequenceFrame& f) {
            if (f.shadowBitmap == from) f.shadowBitmap = to;
        });
}

CollectionBitmap* Collection::AddBitmap(const char* bitmapName, u16 bitmapFlags, const void* pixels, u32 width,
                                        u32 height, u32 bytesPerPixel, CollectionBitmap* replace)
{
    if (width > 0xFFFF || height > 0xFFFF || bytesPerPixel > 0xFFFF) return nullptr;
    u64 pixelCount = u64(width) * height;
    if (pixelCount > kMaxBitmapPixels) return nullptr;
    u64 bytes = pixelCount * bytesPerPixel;
    u8* buffer = nullptr;
    if (bytes) {
        buffer = static_cast<u8*>(malloc(size_t(bytes)));
        if (!buffer) return nullptr;
        if (pixels) memcpy(buffer, pixels, size_t(bytes));
        else memset(buffer, 0, size_t(bytes));
    }
    CollectionBitmap* b = new CollectionBitmap();
    b->SetName(bitmapName);
    b->flags = bitmapFlags;
    b->pixels = buffer;
    b->width = u16(width);
    b->height = u16(height);
    b->bytesPerPixel = u16(bytesPerPixel);

    s32 at = replace ? IndexOfBitmap(replace) : -1;
    if (at < 0) {
        bitmaps.Push(b);
    } else {
        bitmaps.data[at] = b;
        RedirectReferences(sequences, replace, b);
        delete replace;
    }
    return b;
}

void Collection::ResolveHighResBitmaps()
{
    ForEachCell(
        sequences,
        [&](FrameView& v) {
            if (!(v.flags & kViewHasHighRes) || v.highResBitmapIndex == v.highResIndexBound) return;
            v.highResBitmap = v.highResBitmapIndex == kNoIndex ? nullptr : GetBitmap(v.highResBitmapIndex);
            v.highResIndexBound = v.highResBitmapIndex;
        },
        [](SequenceFrame&) {});
}

void Collection::RefreshHighResIndices()
{
    BitmapIndexMap map(bitmaps);
    ForEachCell(
        sequences,
        [&](FrameView& v) {
            if (!(v.flags & kViewHasHighRes)) return;
            v.highResBitmapIndex = v.highResIndexBound = map.Find16(v.highResBitmap);
            v.bitmapIndexAsRead = map.Find16(v.standardBitmap);
        },
        [](SequenceFrame&) {});
}

void Collection::DeleteBitmap(CollectionBitmap* bitmap)
{
    if (!bitmap) return;
    ResolveHighResBitmaps();
    RedirectReferences(sequences, bitmap, nullptr);
    s32 at = IndexOfBitmap(bitmap);
    if (at >= 0) bitmaps.RemoveRange(u32(at), 1);
    delete bitmap;
    RefreshHighResIndices();
}

u32 Collection::DeleteListedBitmaps(CollectionBitmap* const* list, u32 n)
{
    BitmapIndexMap at(bitmaps);
    ScopedDynArray<CollectionBitmap*> into;
    into.Assign(bitmaps);
    for (u32 k = 0; k < n; k++) {
        s64 i = at.Find(list[k]);
        if (i >= 0) into.data[i] = nullptr;
    }
    return DeleteBitmaps(into.data);
}

u32 Collection::DeleteBitmaps(CollectionBitmap* const* into)
{
    ResolveHighResBitmaps();
    u32 n = bitmaps.count;
    u32 dropped = 0;
    for (u32 i = 0; i < n; ++i) dropped += into[i] != bitmaps.data[i];
    if (!dropped) return 0;
    // Look-ups go through the old order; targets are found again in the new one.
    BitmapIndexMap before(bitmaps);
    auto target = [&](CollectionBitmap* b, bool* moved) -> CollectionBitmap* {
        s64 at = before.Find(b);
        if (at < 0 || into[at] == b) return b;
        *moved = true;
        return into[at];
    };
    DynArray<CollectionBitmap*> gone = {};
    u32 kept = 0;
    for (u32 i = 0; i < n; ++i) {
        if (into[i] == bitmaps.data[i]) bitmaps.data[kept++] = bitmaps.data[i];
        else gone.Push(bitmaps.data[i]);
    }
    // The dropped bitmaps are freed only after the cells no longer point to them.
    bitmaps.ResizeRaw(kept);
    BitmapIndexMap after(bitmaps);
    auto index16 = [&](CollectionBitmap* b) { return after.Find16(b); };
    ForEachCell(
        sequences,
        [&](FrameView& v) {
            bool moved = false;
            v.bitmap = target(v.bitmap, &moved);
            if (moved) v.bitmapIndex = index16(v.bitmap);
            v.standardBitmap = target(v.standardBitmap, &moved);
            v.highResBitmap = target(v.highResBitmap, &moved);
        },
        [&](SequenceFrame& f) {
            bool moved = false;
            f.shadowBitmap = target(f.shadowBitmap, &moved);
            if (moved) f.shadow.bitmapIndex = index16(f.shadowBitmap);
        });
    for (CollectionBitmap* b : gone) delete b;
    gone.Free();
    RefreshHighResIndices();
    return dropped;
}

template <typename T>
static u32 MoveItem(DynArray<T*>& a, T* item, u32 t)
{
    s32 i = IndexOfPointer(a, item);
    if (i >= 0 && u32(i) == t) return 0xFFFFFFFFu;
    if (i >= 0) a.RemoveRange(u32(i), 1);
    u32 at = (i < 0 || u32(i) >= t) ? t : t - 1;
    if (at > a.count) at = a.count;
    *a.InsertGap(at, 1) = item;
    return at;
}

u32 Collection::MoveBitmap(CollectionBitmap* bitmap, u32 t)
{
    ResolveHighResBitmaps();
    u32 at = MoveItem(bitmaps, bitmap, t);
    if (at == 0xFFFFFFFFu) return at;
    RefreshHighResIndices();
    u16 index = at < kNoIndex ? u16(at) : kNoIndex;
    ForEachCell(
        sequences,
        [&](FrameView& v) {
            if (v.bitmap == bitmap) v.bitmapIndex = index;
        },
        [&](SequenceFrame& f) {
            if (f.shadowBitmap == bitmap) f.shadow.bitmapIndex = index;
        });
    return at;
}

u32 Collection::MoveHueChange(HueChange* hueChange, u32 t) { return MoveItem(hueChanges, hueChange, t); }
u32 Collection::MoveSequence(Sequence* sequence, u32 t) { return MoveItem(sequences, sequence, t); }

HueChange* Collection::AddHueChange(const char* hueName)
{
    HueChange* h = new HueChange();
    if (hueName) strncpy(h->name, hueName, sizeof(h->name) - 1);
    h->hueStart = 0x5556;
    h->hueEnd = 0xAAAB;
    h->medianHue = 0x8001;
    hueChanges.Push(h);
    return h;
}

void Collection::DeleteHueChange(HueChange* hueChange)
{
    s32 at = IndexOfHueChange(hueChange);
    if (at >= 0) hueChanges.RemoveRange(u32(at), 1);
    delete hueChange;
}

Sequence* Collection::AddSequence(const char* sequenceName)
{
    Sequence* s = new Sequence(sequenceName);
    sequences.Push(s);
    return s;
}

void Collection::DeleteSequence(Sequence* sequence)
{
    s32 at = IndexOfSequence(sequence);
    if (at >= 0) sequences.RemoveRange(u32(at), 1);
    delete sequence;
}

void Collection::MarkUsedBitmaps()
{
    ResolveHighResBitmaps();
    for (CollectionBitmap* b : bitmaps) b->used = 0;
    ForEachCell(
        sequences,
        [](FrameView& v) {
            if (v.bitmap) v.bitmap->used = 1;
            if (v.flags & kViewHasHighRes) {
                if (v.standardBitmap) v.standardBitmap->used = 1;
                if (v.highResBitmap) v.highResBitmap->used = 1;
            }
        },
        [](SequenceFrame& f) {
            if (f.shadowBitmap) f.shadowBitmap->used = 1;
        });
}

void Collection::ShowHighResAssignments(bool highRes)
{
    ResolveHighResBitmaps();
    BitmapIndexMap map(bitmaps);
    ForEachCell(
        sequences,
        [&](FrameView& v) {
            if (!(v.flags & kViewHasHighRes)) return;
            // Keep edits made to the assignment that is shown before switching away from it.
            v.KeepShownAssignment();
            if (highRes) {
                v.bitmap = v.highResBitmap;
                v.registrationX = v.highResRegistrationX;
                v.registrationY = v.highResRegistrationY;
                v.activeScale = v.highResScale;
            } else {
                v.bitmap = v.standardBitmap;
                v.registrationX = v.registrationXAsRead;
                v.registrationY = v.registrationYAsRead;
                v.activeScale = kStandardScale;
            }
            v.bitmapIndexAsRead = map.Find16(v.standardBitmap);
            v.highResBitmapIndex = v.highResIndexBound = map.Find16(v.highResBitmap);
            v.bitmapIndex = highRes ? v.highResBitmapIndex : v.bitmapIndexAsRead;
        },
        [](SequenceFrame&) {});
}
