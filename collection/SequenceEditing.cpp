#include "collection/SequenceEditing.h"

#include <cctype>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>

const SequenceModeItem kSequenceModeItems[6] = {
    {"None", 0}, {"Fade Out", 1}, {"Fade In", 2}, {"Appearing", 5}, {"Disappearing", 6}, {"Cycle", 7},
};

u32 ViewAngle(u32 v, u32 V)
{
    return V ? u32(u64(v) * 360 / V) : 0;
}

void SequenceColumnTitle(const Sequence& sequence, u32 column, char* out, size_t size)
{
    if (column == 0) {
        snprintf(out, size, "Shadow");
        return;
    }
    snprintf(out, size, "%u%c", ViewAngle(column - 1, sequence.GetViewCount()), char(161));
}

const char* CheckSequenceSize(const Collection& collection, const Sequence& sequence, u64 V, u64 F, char* message,
                              size_t size)
{
    if (V < 1 || F < 1 || V > kMaxSequenceSide || F > kMaxSequenceSide) {
        snprintf(message, size, "A sequence must have 1 to %u frames and 1 to %u views.", kMaxSequenceSide,
                 kMaxSequenceSide);
        return message;
    }
    // Every view of every frame becomes one stored record; the rest of the collection keeps
    // its own.
    u64 others = 0;
    for (u32 i = 0; i < collection.GetSequenceCount(); ++i) {
        const Sequence* s = collection.GetSequence(i);
        if (s != &sequence) others += u64(s->views) * s->frames;
    }
    u64 total = others + V * F;
    if (total > kMaxFrameViewRecords) {
        snprintf(message, size,
                 "%" PRIu64 " frames of %" PRIu64 " views would give the collection %" PRIu64
                 " views in all; it can store at most %u.",
                 F, V, total, kMaxFrameViewRecords);
        return message;
    }
    return nullptr;
}

const char* ResizeSequence(Collection& collection, Sequence& sequence, u64 V, u64 F, char* message, size_t size)
{
    if (const char* refused = CheckSequenceSize(collection, sequence, V, F, message, size)) return refused;
    if (V != sequence.views || F != sequence.frames) sequence.Resize(u32(V), u32(F));
    return nullptr;
}

bool ParseFieldInteger(const char* text, s64* value)
{
    if (!text) return false;
    while (*text == ' ' || *text == '\t') ++text;
    const char* p = text;
    if (*p == '+' || *p == '-') ++p;
    if (!isdigit(static_cast<unsigned char>(*p))) return false;
    char* end = nullptr;
    long long v = strtoll(text, &end, 10);
    while (*end == ' ' || *end == '\t') ++end;
    if (*end) return false;
    *value = v;
    return true;
}

u32 SoundTagFromText(const char* text)
{
    size_t n = text ? strlen(text) : 0;
    if (n == 0) return 0xFFFFFFFFu;
    u32 tag = 0;
    for (size_t i = 0; i < 4; ++i) tag = (tag << 8) | (i < n ? u8(text[i]) : u8(' '));
    return tag;
}

void SoundTagToText(u32 tag, char* out)
{
    if (tag == 0xFFFFFFFFu) {
        out[0] = 0;
        return;
    }
    for (int i = 0; i < 4; ++i) out[i] = char(tag >> (24 - 8 * i));
    out[4] = 0;
}

u32 SequenceModeItemIndex(u16 mode)
{
    for (u32 i = 0; i < 6; ++i)
        if (kSequenceModeItems[i].value == mode) return i;
    return 0;
}

namespace {

bool InGrid(const Sequence& s, u64 frame, u64 column)
{
    return frame < s.frames && frame < s.frameArray.count && column <= s.GetUniqueViewCount() &&
           (column == 0 || column - 1 < s.views);
}

}  // namespace

CollectionBitmap* SequenceCellBitmap(Sequence& sequence, u32 frame, u32 column)
{
    if (!InGrid(sequence, frame, column)) return nullptr;
    SequenceFrame& f = sequence.GetFrame(frame);
    return column == 0 ? f.shadowBitmap : f.views.data[column - 1].bitmap;
}

bool ClearSequenceCell(Sequence& sequence, u32 frame, u32 column)
{
    if (!SequenceCellBitmap(sequence, frame, column)) return false;
    SequenceFrame& f = sequence.GetFrame(frame);
    if (column == 0) {
        f.shadowBitmap = nullptr;
        f.shadow.bitmapIndex = kNoIndex;
    } else {
        FrameView& v = f.views.data[column - 1];
        v.bitmap = nullptr;
        v.bitmapIndex = kNoIndex;
        if (v.flags & kViewHasHighRes) v.KeepShownAssignment();
    }
    return true;
}

bool PlanSequenceDropOne(const Collection& collection, const Sequence& sequence, const SequenceDropItem& item,
                         s64 column, s64 row)
{
    if (column < 0 || row < 0) return false;
    if (item.kind != (column == 0 ? kCellShadowBitmap : kCellColorBitmap)) return false;
    if (item.collection != &collection || !item.bitmap) return false;
    return InGrid(sequence, u64(row), u64(column));
}

bool PlanSequenceDrop(const Collection& collection, const Sequence& sequence, const SequenceDropItem* items, u32 count,
                      bool fromSequence, s32 originColumn, s32 originRow, u64 targetItem,
                      DynArray<SequenceCellPlace>* out)
{
    out->ResizeRaw(0);
    u32 U = sequence.GetUniqueViewCount();
    if (count == 0 || sequence.frames == 0) return false;
    s64 row = s64(targetItem / (U + 1));
    s64 column = s64(targetItem % (U + 1));
    for (u32 i = 0; i < count; ++i) {
        s64 c, r;
        if (fromSequence) {
            c = column + s64(items[i].column) - originColumn;
            r = row + s64(items[i].row) - originRow;
        } else if (items[0].kind == kCellShadowBitmap && column == 0) {
            c = 0;
            r = row + i;
        } else if (items[0].kind == kCellColorBitmap && column >= 1 && U > 0) {
            s64 p = column - 1 + i;
            r = row + p / U;
            c = p % U + 1;
        } else {
            return false;
        }
        if (!PlanSequenceDropOne(collection, sequence, items[i], c, r)) return false;
        out->Push(SequenceCellPlace{u32(r), u32(c)});
    }
    return true;
}

void ApplySequenceDrop(Collection& collection, Sequence& sequence, const SequenceDropItem* items, u32 count,
                       const SequenceCellPlace* places)
{
    // A block moved onto cells it covers would otherwise copy points an earlier placement has
    // just overwritten.
    DynArray<FrameView> views = {};
    DynArray<ShadowRecord> shadows = {};
    views.ResizeRaw(count);
    shadows.ResizeRaw(count);
    for (u32 i = 0; i < count; ++i) {
        if (items[i].sourceView) memcpy(static_cast<void*>(&views.data[i]), items[i].sourceView, sizeof(FrameView));
        if (items[i].sourceShadow) shadows.data[i] = *items[i].sourceShadow;
    }
    for (u32 i = 0; i < count; ++i) {
        const SequenceDropItem& item = items[i];
        SequenceFrame& frame = sequence.GetFrame(places[i].frame);
        s32 index = collection.IndexOfBitmap(item.bitmap);
        u16 stored = index < 0 || u32(index) >= kNoIndex ? kNoIndex : u16(index);
        if (places[i].column == 0) {
            frame.shadowBitmap = item.bitmap;
            frame.shadow.bitmapIndex = stored;
            if (item.sourceShadow) {
                frame.shadow.flags = shadows.data[i].flags;
                frame.shadow.offsetX = shadows.data[i].offsetX;
                frame.shadow.offsetY = shadows.data[i].offsetY;
            }
            continue;
        }
        FrameView& view = frame.views.data[places[i].column - 1];
        view.bitmap = item.bitmap;
        view.bitmapIndex = stored;
        if (item.sourceView) {
            const FrameView& from = views.data[i];
            view.flags = (from.flags & ~kViewHasHighRes) | (view.flags & kViewHasHighRes);
            view.registrationX = from.registrationX;
            view.registrationY = from.registrationY;
            view.keyX = from.keyX;
            view.keyY = from.keyY;
        }
        if (view.flags & kViewHasHighRes) view.KeepShownAssignment();
    }
    views.Free();
    shadows.Free();
}

bool ImportTargetCell(u64 k, u32 U, u32 F, bool viewsFastest, u32* frame, u32* view)
{
    if (U == 0 || F == 0 || k >= u64(U) * F) return false;
    if (viewsFastest) {
        *frame = u32(k / U);
        *view = u32(k % U);
    } else {
        *view = u32(k / F);
        *frame = u32(k % F);
    }
    return true;
}

void SequenceExportName(u32 frame, u32 view, bool alpha, char* out, size_t size)
{
    snprintf(out, size, "Frame #%02u, view #%02u%s", frame, view, alpha ? " alpha" : "");
}
