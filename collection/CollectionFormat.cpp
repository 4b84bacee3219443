// The stored form of a collection: Collection::Read and Collection::Write with the table
// building before writing and the fill-in after reading, and the sequence blocks.
#include <cstdlib>
#include <cstring>
#include <sys/types.h>

#include "codex/TagData.h"
#include "codex/TagHeader.h"
#include "collection/BitmapCoding.h"
#include "collection/BitmapIndexMap.h"
#include "collection/Collection.h"
#include "collection/CollectionRecords.h"

static_assert(sizeof(SequenceHeaderRecord) == 64, "sequence header");

namespace {

// Whether the header's data range lies inside the stream, so that sizes taken from it
// stand for bytes that are really there.
bool DataInsideStream(FILE* stream, const TagHeader* header)
{
    if (fseeko(stream, 0, SEEK_END) != 0) return false;
    off_t end = ftello(stream);
    if (end < 0) return false;
    return u64(header->offset) <= u64(end) && u64(header->size) <= u64(end) - header->offset;
}

// Seeks to a block of count records of recordSize bytes at `offset` past the blocks' start
// (dataStart, relative to the data start); false when the block does not lie in the data.
bool SeekBlock(FILE* stream, const TagHeader* header, u64 dataStart, u64 offset, u64 count, u64 recordSize)
{
    u64 relative = dataStart + offset;
    if (!TagDataHolds(header, relative, count * recordSize)) return false;
    return SeekTagData(stream, header, relative);
}

void CopyName(char* dst, u32 dstSize, const char* src, u32 maxChars)
{
    memset(dst, 0, dstSize);
    u32 n = 0;
    while (n < maxChars && n + 1 < dstSize && src[n]) ++n;
    memcpy(dst, src, n);
}

// The most pixel memory a read may take: per byte of tag data, plus a fixed allowance, and
// at most 1 GiB in all (the same in both builds, so both accept the same files).
constexpr u64 kPixelBudgetPerDataByte = 4096;
constexpr u64 kPixelBudgetSlack = 64ull << 20;
constexpr u64 kMaxCollectionPixelBytes = 1ull << 30;

// Stream position relative to the end of the CollectionHeader, or -1.
s64 TellBlocks(FILE* stream, const TagHeader* header)
{
    s64 at = TellTagData(stream, header);
    return at < s64(kCollectionHeaderSize) ? -1 : at - s64(kCollectionHeaderSize);
}

// Seeks to `relative` bytes past the end of the CollectionHeader.
bool SeekBlocks(FILE* stream, const TagHeader* header, u64 relative)
{
    return SeekTagData(stream, header, kCollectionHeaderSize + relative) != 0;
}

// The stored form of the collection's colour table: 256 entries, 8-bit channels widened.
void StoredColorTable(const ColorTable& colorTable, ColorTableRecord& record)
{
    memset(&record, 0, sizeof(record));
    record.count = 256;
    for (u32 i = 0; i < 256; ++i) {
        record.entries[i][0] = u16(colorTable.entries[i].red << 8);
        record.entries[i][1] = u16(colorTable.entries[i].green << 8);
        record.entries[i][2] = u16(colorTable.entries[i].blue << 8);
    }
}

// Whether an index can be stored in a u16 field, where 0xFFFF means none.
bool FitsIndex(u32 count)
{
    return count < kNoIndex;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Sequences

u32 Sequence::Write(FILE* stream)
{
    if (frames) flags |= kSequenceHasFrames;
    else flags &= ~kSequenceHasFrames;
    u64 frameBytes = kSequenceFrameRecordSize + 2ull * views;
    u64 total = kSequenceHeaderSize + frameBytes * frames;
    if (total > 0xFFFFFFFFull || frameArray.count < frames) return 0;

    SequenceHeaderRecord head;
    memcpy(&head, &flags, sizeof(head));
    ScopedDynArray<u8> out;
    out.ResizeRaw(u32(total));
    MemoryToDisk(out.data, &head, 1, kSequenceHeaderDescriptor);
    u8* at = out.data + kSequenceHeaderSize;
    ScopedDynArray<u16> indices;
    indices.ResizeRaw(views);
    for (u32 f = 0; f < frames; ++f) {
        const SequenceFrame& frame = frameArray.data[f];
        SequenceFrameRecord record;
        memcpy(&record, &frame, sizeof(record));
        MemoryToDisk(at, &record, 1, kSequenceFrameDescriptor);
        for (u32 v = 0; v < views; ++v) indices.data[v] = v < frame.viewIndices.count ? frame.viewIndices.data[v] : kNoIndex;
        ConvertElements(at + kSequenceFrameRecordSize, indices.data, views, kBoU16);
        at += frameBytes;
    }
    if (fwrite(out.data, out.count, 1, stream) != 1) return 0;
    return u32(total);
}

u32 Sequence::Read(FILE* stream, u32 size, Collection& collection, const DynArray<FrameView>& viewTable,
                   const DynArray<ShadowRecord>& shadowTable)
{
    if (size < kSequenceHeaderSize) return 0;
    ScopedDynArray<u8> block;
    block.ResizeRaw(size);
    if (fread(block.data, size, 1, stream) != 1) return 0;
    SequenceHeaderRecord head;
    DiskToMemory(&head, block.data, 1, kSequenceHeaderDescriptor);
    u64 frameBytes = kSequenceFrameRecordSize + 2ull * head.views;
    if (kSequenceHeaderSize + frameBytes * head.frames > size) return 0;
    memcpy(&flags, &head, sizeof(head));

    FreeFrames();
    ResizeFrames(frames);
    const u8* at = block.data + kSequenceHeaderSize;
    for (u32 f = 0; f < frames; ++f, at += frameBytes) {
        SequenceFrame& frame = frameArray.data[f];
        SequenceFrameRecord record;
        DiskToMemory(&record, at, 1, kSequenceFrameDescriptor);
        memcpy(&frame, &record, sizeof(record));
        frame.views.Resize(views);
        frame.viewIndices.ResizeRaw(views);
        ConvertElements(frame.viewIndices.data, at + kSequenceFrameRecordSize, views, kBoU16);
        for (u32 v = 0; v < views; ++v) {
            u16 index = frame.viewIndices.data[v];
            if (index == kNoIndex) continue;
            if (index >= viewTable.count) {
                frame.viewIndices.data[v] = kNoIndex;
                continue;
            }
            FrameView& view = frame.views.data[v];
            view = viewTable.data[index];
            view.bitmap = collection.GetBitmap(view.bitmapIndex);
            if (view.flags & kViewHasHighRes) {
                view.standardBitmap = collection.GetBitmap(view.bitmapIndexAsRead);
                view.highResBitmap = collection.GetBitmap(view.highResBitmapIndex);
            }
        }
        frame.shadowBitmap = nullptr;
        if (frame.shadowRecordIndex != kNoIndex) {
            if (frame.shadowRecordIndex < shadowTable.count) {
                frame.shadow = shadowTable.data[frame.shadowRecordIndex];
                frame.shadowBitmap = collection.GetBitmap(frame.shadow.bitmapIndex);
            } else {
                frame.shadowRecordIndex = kNoIndex;
            }
        }
    }
    return size;
}

// ---------------------------------------------------------------------------------------
// Preparing and finishing

int Collection::PrepareSequencesForWrite(DynArray<FrameView>& viewTable, DynArray<ShadowRecord>& shadowTable)
{
    ResolveHighResBitmaps();
    BitmapIndexMap map(bitmaps);
    // An index that does not fit below 0xFFFF cannot be stored; refuse rather than wrap.
    auto indexOf = [&](const CollectionBitmap* b, bool& ok) -> u16 {
        s64 i = map.Find(b);
        if (i < 0) return kNoIndex;
        if (!FitsIndex(u32(i))) ok = false;
        return u16(i);
    };
    bool ok = true;
    for (Sequence* s : sequences) {
        if (s->frameArray.count < s->frames) return 0;
        for (u32 f = 0; f < s->frames; ++f) {
            SequenceFrame& frame = s->frameArray.data[f];
            if (frame.views.count < s->views) frame.views.Resize(s->views);
            frame.viewIndices.ResizeRaw(s->views);
            for (u32 v = 0; v < s->views; ++v) {
                FrameView& view = frame.views.data[v];
                CollectionBitmap* stored = view.bitmap;
                if (view.flags & kViewHasHighRes) {
                    // Both assignments are stored whichever one is shown: the standard one
                    // in the view's own fields, the high-res one in its high-res fields.
                    view.KeepShownAssignment();
                    stored = view.standardBitmap;
                    view.bitmapIndexAsRead = indexOf(view.standardBitmap, ok);
                    view.highResBitmapIndex = view.highResIndexBound = indexOf(view.highResBitmap, ok);
                }
                view.bitmapIndex = indexOf(view.bitmap, ok);
                view.flags &= ~(kViewPartialAlpha | kViewPowerOfTwoRaw);
                if (stored) {
                    if (stored->flags & kBitmapPartialAlpha) view.flags |= kViewPartialAlpha;
                    u32 w = stored->width, h = stored->height;
                    if (!(stored->flags & kBitmapSpanRows) && w && h && !(w & (w - 1)) && !(h & (h - 1)))
                        view.flags |= kViewPowerOfTwoRaw;
                }
                if (!FitsIndex(viewTable.count)) return 0;
                frame.viewIndices.data[v] = u16(viewTable.count);
                FrameView& entry = viewTable.Push(view);
                if (view.flags & kViewHasHighRes) {
                    entry.bitmapIndex = view.bitmapIndexAsRead;
                    entry.registrationX = view.registrationXAsRead;
                    entry.registrationY = view.registrationYAsRead;
                }
            }
            frame.shadow.bitmapIndex = indexOf(frame.shadowBitmap, ok);
            if (!FitsIndex(shadowTable.count)) return 0;
            frame.shadowRecordIndex = u16(shadowTable.count);
            shadowTable.Push(frame.shadow);
        }
    }
    return ok ? 1 : 0;
}

void Collection::PrepareSequencesAfterRead()
{
    for (Sequence* s : sequences) {
        u32 views = s->views;
        u32 unique = views < 3 ? views : views / 2 + 1;
        bool mirroring = (s->flags & kSequenceMirroring) != 0;
        if (mirroring && (s->flags & kSequenceNoRotation)) s->flags &= ~kSequenceNoRotation;
        s32 up = 0, left = 0, right = 0, down = 0;
        for (u32 f = 0; f < s->frames && f < s->frameArray.count; ++f) {
            SequenceFrame& frame = s->frameArray.data[f];
            for (u32 v = 0; v < views && v < frame.views.count; ++v) {
                FrameView& view = frame.views.data[v];
                if (v >= unique && mirroring) {
                    view = frame.views.data[views - v];
                    view.flags ^= kViewMirrorX;
                    // A view whose bitmap is missing has no width to mirror about.
                    if (view.bitmap) view.registrationX = s16(view.bitmap->width - view.registrationX);
                    if (view.flags & kViewHasHighRes) {
                        if (view.standardBitmap)
                            view.registrationXAsRead = s16(view.standardBitmap->width - view.registrationXAsRead);
                        if (view.highResBitmap)
                            view.highResRegistrationX = s16(view.highResBitmap->width - view.highResRegistrationX);
                    }
                }
                if (view.bitmapIndex == kNoIndex || !view.bitmap) continue;
                s32 x = view.registrationX, y = view.registrationY;
                s32 w = view.bitmap->width, h = view.bitmap->height;
                if (y > up) up = y;
                if (x > left) left = x;
                if (w - x > right) right = w - x;
                if (h - y > down) down = h - y;
            }
        }
        s->SetRegistrationExtents(up, left, right, down);
    }
}

void Collection::BuildBitmapDirectory(DynArray<BitmapDirectoryEntry>& directory) const
{
    directory.ResizeRaw(bitmaps.count);
    if (bitmaps.count) memset(directory.data, 0, size_t(bitmaps.count) * sizeof(BitmapDirectoryEntry));
    for (u32 i = 0; i < bitmaps.count; ++i) {
        BitmapDirectoryEntry& e = directory.data[i];
        CopyName(e.name, sizeof(e.name), bitmaps.data[i]->name, 62);
        e.width = bitmaps.data[i]->width;
        e.height = bitmaps.data[i]->height;
    }
}

void Collection::SetHueChanges(const HueChange* records, u32 count)
{
    for (u32 i = 0; i < count; ++i) {
        HueChange* h = AddHueChange(nullptr);
        *h = records[i];
        h->name[sizeof(h->name) - 1] = 0;
    }
}

static void FillCheckerboard(CollectionBitmap& b, const ColorTable& table)
{
    u8 a, c;
    if (b.flags & kBitmapShadow) {
        a = 255;
        c = 0;
    } else {
        a = u8(FindNearestColor(table.entries, 1, 255, 0xFFFFFFu));
        c = u8(FindNearestColor(table.entries, 1, 255, 0));
    }
    u8* p = b.pixels;
    for (u32 y = 0; y < b.height; ++y)
        for (u32 x = 0; x < b.width; ++x, p += 2) {
            p[0] = 255;
            p[1] = ((x ^ y) & 16) ? a : c;
        }
}

int Collection::ReadBitmaps(FILE* stream, const TagHeader* header, const CollectionHeader& ch,
                            const DynArray<BitmapDirectoryEntry>& directory)
{
    ColorTableRecord table;
    StoredColorTable(colorTable, table);
    bool colorMap = ((header->user | ch.flags) & kCollectionColorMap) != 0;
    // Span rows and runs let a few bytes stand for many pixels; a file whose bitmaps would
    // take far more memory than any real collection of its size is refused instead.
    u64 budget = kPixelBudgetPerDataByte * header->size + kPixelBudgetSlack;
    if (budget > kMaxCollectionPixelBytes) budget = kMaxCollectionPixelBytes;
    u64 used = 0;
    for (u32 i = 0; i < directory.count; ++i) {
        const BitmapDirectoryEntry& e = directory.data[i];
        CollectionBitmap* b = nullptr;
        u64 relative = u64(ch.dataStart) + e.offset;
        if (TagDataHolds(header, relative, e.size)) {
            if (!SeekTagData(stream, header, relative)) return 0;
            b = ReadBitmap(stream, e.size, table);
        }
        if (!b) {
            // Undecodable or outside the data: a visible placeholder keeps the index.
            b = new CollectionBitmap();
            b->width = b->height = 256;
            b->bytesPerPixel = 2;
        }
        used += b->pixels ? b->PixelByteCount() : 256 * 256 * 2;
        if (used > budget) {
            delete b;
            return 0;
        }
        CopyName(b->name, sizeof(b->name), e.name, 62);
        if (colorMap) {
            if (i & 1) b->flags |= kBitmapShadow;
            else b->flags &= u16(~kBitmapShadow);
        }
        if (!b->pixels) {
            b->bytesPerPixel = 2;
            b->pixels = static_cast<u8*>(malloc(size_t(b->PixelByteCount())));
            if (!b->pixels) {
                delete b;
                return 0;
            }
            FillCheckerboard(*b, colorTable);
        }
        bitmaps.Push(b);
    }
    return 1;
}

// ---------------------------------------------------------------------------------------
// Reading and writing

template <typename T>
static bool ReadBlock(FILE* stream, const TagHeader* header, const CollectionHeader& ch, const BlockReference& ref,
                      const ByteOrderDescriptor* desc, DynArray<T>& out)
{
    if (ref.count == 0) return true;
    u64 recordSize = desc[0] & kBoSizeMask;
    if (!SeekBlock(stream, header, ch.dataStart, ref.offset, ref.count, recordSize)) return false;
    out.ResizeRaw(ref.count);
    return ReadRecords(out.data, ref.count, desc, stream) != 0;
}

int Collection::Read(FILE* stream, const TagHeader* header, bool withBitmaps)
{
    if (!DataInsideStream(stream, header)) return 0;
    CollectionHeader ch;
    if (!TagDataHolds(header, 0, kCollectionHeaderSize) || !SeekTagData(stream, header, 0)) return 0;
    if (!ReadRecords(&ch, 1, kCollectionHeaderDescriptor, stream)) return 0;
    if (ch.colorTables.count == 0) return 0;
    headerWord = ch.headerWord;
    flags = header->user;
    CopyName(name, sizeof(name), header->name, 31);

    // Only the first colour table is used, but the block must hold all of them.
    ColorTableRecord colors;
    if (!SeekBlock(stream, header, ch.dataStart, ch.colorTables.offset, ch.colorTables.count, 2080)) return 0;
    if (!ReadRecords(&colors, 1, kColorTableRecordDescriptor, stream)) return 0;

    ScopedDynArray<HueChange> hueRecords;
    ScopedDynArray<FrameViewRecord> viewRecords;
    ScopedDynArray<SequenceDirectoryEntry> sequenceDirectory;
    ScopedDynArray<ShadowRecord> shadowTable;
    ScopedDynArray<BitmapDirectoryEntry> bitmapDirectory;
    if (!ReadBlock(stream, header, ch, ch.hueChanges, kHueChangeDescriptor, hueRecords) ||
        !ReadBlock(stream, header, ch, ch.frameViews, kFrameViewDescriptor, viewRecords) ||
        !ReadBlock(stream, header, ch, ch.sequenceDirectory, kSequenceDirectoryEntryDescriptor, sequenceDirectory) ||
        !ReadBlock(stream, header, ch, ch.shadows, kShadowRecordDescriptor, shadowTable) ||
        !ReadBlock(stream, header, ch, ch.bitmapDirectory, kBitmapDirectoryEntryDescriptor, bitmapDirectory))
        return 0;

    for (u32 i = 0; i < 256; ++i) {
        colorTable.entries[i].red = u8(colors.entries[i][0] >> 8);
        colorTable.entries[i].green = u8(colors.entries[i][1] >> 8);
        colorTable.entries[i].blue = u8(colors.entries[i][2] >> 8);
    }
    SetHueChanges(hueRecords.data, hueRecords.count);

    ScopedDynArray<FrameView> viewTable;
    viewTable.Resize(viewRecords.count);
    for (u32 i = 0; i < viewRecords.count; ++i) {
        FrameView& v = viewTable.data[i];
        memcpy(static_cast<void*>(&v), &viewRecords.data[i], sizeof(FrameViewRecord));
        v.bitmapIndexAsRead = v.bitmapIndex;
        v.registrationXAsRead = v.registrationX;
        v.registrationYAsRead = v.registrationY;
        if (!(v.flags & kViewHasHighRes)) {
            v.highResBitmapIndex = 0;
            v.highResScale = 0;
            v.highResRegistrationX = v.highResRegistrationY = 0;
        }
        v.highResIndexBound = v.highResBitmapIndex;
    }

    if (withBitmaps && !ReadBitmaps(stream, header, ch, bitmapDirectory)) return 0;

    for (u32 i = 0; i < sequenceDirectory.count; ++i) {
        SequenceDirectoryEntry& e = sequenceDirectory.data[i];
        e.name[sizeof(e.name) - 1] = 0;
        Sequence* s = AddSequence(e.name);
        if (!SeekBlock(stream, header, ch.dataStart, e.offset, 1, e.size)) return 0;
        if (!s->Read(stream, e.size, *this, viewTable, shadowTable)) return 0;
    }
    if (withBitmaps) PrepareSequencesAfterRead();
    return 1;
}

int Collection::Write(FILE* stream, TagHeader* header)
{
    CollectionHeader ch;
    memset(&ch, 0, sizeof(ch));
    header->group = kCollectionGroup;
    header->version = kCollectionFormatVersion;
    header->user = flags;
    ch.headerWord = headerWord;
    ch.flags = flags;
    ch.dataStart = kCollectionHeaderSize;
    if (!SeekBlocks(stream, header, 0)) return 0;

    for (CollectionBitmap* b : bitmaps) b->QuantizeAlpha();

    ColorTableRecord colors;
    StoredColorTable(colorTable, colors);
    ScopedDynArray<HueChange> hueRecords;
    hueRecords.ResizeRaw(hueChanges.count);
    for (u32 i = 0; i < hueChanges.count; ++i) {
        hueRecords.data[i] = *hueChanges.data[i];
        HueChange::ComputeMask(*this, hueRecords.data[i]);
    }
    ScopedDynArray<BitmapDirectoryEntry> bitmapDirectory;
    BuildBitmapDirectory(bitmapDirectory);
    ScopedDynArray<FrameView> viewTable;
    ScopedDynArray<ShadowRecord> shadowTable;
    if (!PrepareSequencesForWrite(viewTable, shadowTable)) return 0;
    ScopedDynArray<FrameViewRecord> viewRecords;
    viewRecords.ResizeRaw(viewTable.count);
    for (u32 i = 0; i < viewTable.count; ++i) memcpy(&viewRecords.data[i], &viewTable.data[i], sizeof(FrameViewRecord));
    ScopedDynArray<SequenceDirectoryEntry> sequenceDirectory;
    sequenceDirectory.ResizeRaw(sequences.count);
    if (sequences.count) memset(sequenceDirectory.data, 0, size_t(sequences.count) * sizeof(SequenceDirectoryEntry));
    for (u32 i = 0; i < sequences.count; ++i)
        CopyName(sequenceDirectory.data[i].name, 64, sequences.data[i]->name, 63);

    u64 total = 0;
    // Records a block at the current position and writes its records (none for count 0).
    auto writeBlock = [&](BlockReference& ref, const void* records, u32 count, const ByteOrderDescriptor* desc) {
        s64 at = TellBlocks(stream, header);
        if (at < 0 || at > s64(0xFFFFFFFFu)) return false;
        u64 size = DiskSizeOfRecords(count, desc);
        if (size > 0xFFFFFFFFull) return false;
        ref = {count, u32(at), u32(size), 0};
        total += size;
        return count == 0 || WriteRecords(records, count, desc, stream) == size;
    };
    // Records a directory's place and leaves room for it; its entries are written last.
    auto reserveBlock = [&](BlockReference& ref, u32 count, const ByteOrderDescriptor* desc) {
        if (!writeBlock(ref, nullptr, 0, desc)) return false;
        ref.count = count;
        u64 size = DiskSizeOfRecords(count, desc);
        if (size > 0xFFFFFFFFull) return false;
        ref.size = u32(size);
        total += size;
        return size == 0 || fseeko(stream, off_t(size), SEEK_CUR) == 0;
    };
    auto noteRecord = [&](u32& offset, u32& size, u64 bytes, s64 at) {
        if (at < 0 || at > s64(0xFFFFFFFFu) || bytes > 0xFFFFFFFFull) return false;
        offset = u32(at);
        size = u32(bytes);
        total += bytes;
        return true;
    };

    if (!writeBlock(ch.colorTables, &colors, 1, kColorTableRecordDescriptor)) return 0;
    if (!writeBlock(ch.hueChanges, hueRecords.data, hueRecords.count, kHueChangeDescriptor)) return 0;
    if (!writeBlock(ch.frameViews, viewRecords.data, viewRecords.count, kFrameViewDescriptor)) return 0;
    if (!reserveBlock(ch.sequenceDirectory, sequences.count, kSequenceDirectoryEntryDescriptor)) return 0;
    for (u32 i = 0; i < sequences.count; ++i) {
        s64 at = TellBlocks(stream, header);
        u32 bytes = sequences.data[i]->Write(stream);
        if (!bytes || !noteRecord(sequenceDirectory.data[i].offset, sequenceDirectory.data[i].size, bytes, at))
            return 0;
    }
    if (!writeBlock(ch.shadows, shadowTable.data, shadowTable.count, kShadowRecordDescriptor)) return 0;
    if (!reserveBlock(ch.bitmapDirectory, bitmaps.count, kBitmapDirectoryEntryDescriptor)) return 0;
    for (u32 i = 0; i < bitmaps.count; ++i) {
        s64 at = TellBlocks(stream, header);
        u64 bytes = WriteBitmap(stream, *bitmaps.data[i]);
        if (!bytes || !noteRecord(bitmapDirectory.data[i].offset, bitmapDirectory.data[i].size, bytes, at)) return 0;
    }
    s64 end = TellBlocks(stream, header);
    if (end < 0) return 0;

    if (sequences.count) {
        if (!SeekBlocks(stream, header, ch.sequenceDirectory.offset) ||
            !WriteRecords(sequenceDirectory.data, sequences.count, kSequenceDirectoryEntryDescriptor, stream))
            return 0;
    }
    if (bitmaps.count) {
        if (!SeekBlocks(stream, header, ch.bitmapDirectory.offset) ||
            !WriteRecords(bitmapDirectory.data, bitmaps.count, kBitmapDirectoryEntryDescriptor, stream))
            return 0;
    }
    if (total > 0xFFFFFFFFull) return 0;
    ch.totalSize = u32(total);
    if (!SeekTagData(stream, header, 0) || !WriteRecords(&ch, 1, kCollectionHeaderDescriptor, stream)) return 0;
    // Leave the stream at the end of the data, where a caller measuring the size expects it.
    if (!SeekBlocks(stream, header, u64(end))) return 0;
    return 1;
}

Collection* LoadCollection(FILE* stream, const TagHeader* header)
{
    Collection* c = new Collection();
    if (!c->Read(stream, header, true)) {
        delete c;
        return nullptr;
    }
    return c;
}
