#include "collection/BitmapCoding.h"

#include <cstdlib>
#include <cstring>

namespace {

void PutU16(DynArray<u8>& out, u32 v)
{
    u8* p = out.InsertGap(out.count, 2);
    p[0] = u8(v >> 8);
    p[1] = u8(v);
}

u16 GetU16(const u8* p)
{
    return u16((p[0] << 8) | p[1]);
}

u8 StoredTransparency(u8 alpha)
{
    return u8(15 - alpha / 16);
}

bool WriteBlock(FILE* stream, const DynArray<u8>& bytes)
{
    return bytes.count == 0 || fwrite(bytes.data, bytes.count, 1, stream) == 1;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Writing

u64 WriteBitmapHeader(FILE* stream, CollectionBitmapHeader& h, const CollectionBitmap& bitmap)
{
    memset(&h, 0, sizeof(h));
    h.width = bitmap.width;
    h.height = bitmap.height;
    if (bitmap.bytesPerPixel == 8) {
        h.flags = kStoredTrueColorFlags;
        h.depth = 64;
        h.pixelType = 1;
        h.bytesPerRow = u16(8u * bitmap.width);
    } else {
        h.flags = bitmap.flags & u16(~(kBitmapSpanRows | kBitmapPartialAlpha | kStoredNoRowTable | kBitmapPaddedRows));
        if (bitmap.flags & kBitmapSpanRows) h.flags |= kBitmapSpanRows | kBitmapPaddedRows;
        if (bitmap.flags & kBitmapPartialAlpha) {
            h.flags |= kBitmapPartialAlpha;
            h.shift = 1;
            h.depth = 16;
            h.bytesPerRow = u16(2u * bitmap.width);
        } else {
            h.depth = 8;
            h.bytesPerRow = bitmap.width;
        }
    }
    if (!WriteRecords(&h, 1, kCollectionBitmapHeaderDescriptor, stream)) return 0;
    u64 bytes = kCollectionBitmapHeaderSize;
    if (!(h.flags & kStoredNoRowTable) && bitmap.height > 1) {
        long table = long(bitmap.height) * 4 - 4;
        if (fseek(stream, table, SEEK_CUR) != 0) return 0;
        bytes += u64(table);
    }
    return bytes;
}

u64 WriteBitmapPixelsRaw(FILE* stream, const CollectionBitmap& bitmap)
{
    u64 n = u64(bitmap.width) * bitmap.height;
    if (!bitmap.pixels || n == 0) return 0;
    bool twoBytes = (bitmap.flags & kBitmapPartialAlpha) != 0;
    ScopedDynArray<u8> out;
    out.ResizeRaw(u32(twoBytes ? 2 * n : n));
    const u8* p = bitmap.pixels;
    u8* o = out.data;
    for (u64 i = 0; i < n; ++i, p += 2) {
        if (twoBytes) {
            *o++ = StoredTransparency(p[0]);
            *o++ = p[1];
        } else {
            *o++ = p[0] ? p[1] : 0;
        }
    }
    return WriteBlock(stream, out) ? out.count : 0;
}

void EncodeBitmapSpanRow(const CollectionBitmap& bitmap, u32 row, DynArray<u8>& out)
{
    const u32 w = bitmap.width;
    const u8* line = bitmap.pixels + u64(row) * w * 2;
    bool twoBytes = (bitmap.flags & kBitmapPartialAlpha) != 0;
    u32 head = out.count;
    PutU16(out, 0);
    PutU16(out, 0);
    u32 spans = 0, pixels = 0;
    for (u32 x = 0; x < w;) {
        if (line[2 * x] == 0) {
            ++x;
            continue;
        }
        u32 start = x;
        while (x < w && line[2 * x] != 0) ++x;
        PutU16(out, start);
        PutU16(out, x);
        ++spans;
        pixels += x - start;
    }
    for (u32 x = 0; x < w; ++x) {
        const u8* p = line + 2 * x;
        if (p[0] == 0) continue;
        if (twoBytes) {
            u8* o = out.InsertGap(out.count, 2);
            o[0] = StoredTransparency(p[0]);
            o[1] = p[1];
        } else {
            *out.InsertGap(out.count, 1) = p[1];
        }
    }
    u64 pixelBytes = twoBytes ? 2ull * pixels : pixels;
    if (pixelBytes & 1) *out.InsertGap(out.count, 1) = 0;
    out.data[head] = u8(spans >> 8);
    out.data[head + 1] = u8(spans);
    out.data[head + 2] = u8(pixels >> 8);
    out.data[head + 3] = u8(pixels);
}

u64 WriteBitmapSpanRows(FILE* stream, const CollectionBitmap& bitmap)
{
    if (!bitmap.pixels) return 0;
    ScopedDynArray<u8> out;
    for (u32 y = 0; y < bitmap.height; ++y) EncodeBitmapSpanRow(bitmap, y, out);
    return WriteBlock(stream, out) ? out.count : 0;
}

static void PutColorGroup(const u8* p, DynArray<u8>& out)
{
    bool second = (p[2] & 1) != 0;
    u8* o = out.InsertGap(out.count, second ? 7 : 3);
    o[0] = p[2];
    o[1] = p[1];
    o[2] = p[0];
    if (second) {
        o[3] = p[6];
        o[4] = p[5];
        o[5] = p[4];
        o[6] = p[7];
    }
}

void EncodeTrueColorBitmap(const u8* pixels, u64 count, DynArray<u8>& out)
{
    u8 control = 0;  // the last control byte; 1 after a run item
    u64 i = 0;
    while (i < count) {
        u8 low = control & 31;
        if (low == 0 || low == 31) {
            u32 n = 0;
            while (n < 255 && i + n < count && pixels[(i + n) * 8 + 3] == control) ++n;
            *out.InsertGap(out.count, 1) = u8(n);
            if (low == 31)
                for (u32 k = 0; k < n; ++k) PutColorGroup(pixels + (i + k) * 8, out);
            i += n;
            control = 1;
        } else {
            const u8* p = pixels + i * 8;
            *out.InsertGap(out.count, 1) = p[3];
            if (p[3] & 31) PutColorGroup(p, out);
            control = p[3];
            ++i;
        }
    }
    *out.InsertGap(out.count, 1) = 0;
}

u64 WriteTrueColorBitmap(FILE* stream, const CollectionBitmap& bitmap)
{
    if (!bitmap.pixels) return 0;
    ScopedDynArray<u8> out;
    EncodeTrueColorBitmap(bitmap.pixels, u64(bitmap.width) * bitmap.height, out);
    return WriteBlock(stream, out) ? out.count : 0;
}

u64 WriteBitmap(FILE* stream, const CollectionBitmap& bitmap)
{
    // The record cannot hold larger sides; writing one would lose the bitmap on reading.
    if (bitmap.width > 32767 || bitmap.height > 32767) return 0;
    CollectionBitmapHeader header;
    u64 total = WriteBitmapHeader(stream, header, bitmap);
    if (!total) return 0;
    u64 pixels = 0;
    bool hasPixels = bitmap.pixels && bitmap.width && bitmap.height;
    if (bitmap.bytesPerPixel == 2 && hasPixels) {
        pixels = (bitmap.flags & kBitmapSpanRows) ? WriteBitmapSpanRows(stream, bitmap)
                                                   : WriteBitmapPixelsRaw(stream, bitmap);
        if (!pixels) return 0;
    } else if (bitmap.bytesPerPixel == 8 && hasPixels) {
        pixels = WriteTrueColorBitmap(stream, bitmap);
        if (!pixels) return 0;
    }
    total += pixels;
    return total > 0xFFFFFFFFull ? 0 : total;
}

// ---------------------------------------------------------------------------------------
// Reading

namespace {

u8 DecodedAlpha(const u8* stored, bool twoBytes, bool alphaFromBrightness, const ColorTableRecord& table, u8* index)
{
    if (twoBytes) {
        *index = stored[1];
        return u8(17 * (15 - (stored[0] & 15)));
    }
    *index = stored[0];
    if (alphaFromBrightness) {
        const u16* c = table.entries[stored[0]];
        u8 r = u8(c[0] >> 8), g = u8(c[1] >> 8), b = u8(c[2] >> 8);
        u8 m = r > g ? r : g;
        return m > b ? m : b;
    }
    return stored[0] ? 255 : 0;
}

}  // namespace

bool DecodeIndexedBitmap(const CollectionBitmapHeader& h, const ColorTableRecord& table, const u8* data, u64 size,
                         u8* out)
{
    const u32 w = h.width, ht = h.height, shift = h.shift;
    if (shift > 2) return false;
    const bool fromBrightness = (h.flags & kStoredAlphaFromBrightness) != 0;
    // The stored form of a pixel is chosen by flag 16 alone; the shift and depth only give
    // the distances between pixels. A 2-byte read from 1-byte slots needs one byte past the
    // last slot, which must still lie in the record.
    const bool twoBytes = (h.flags & kBitmapPartialAlpha) != 0;
    const u32 readBytes = twoBytes ? 2 : 1;
    if (!(h.flags & kBitmapSpanRows)) {
        const u32 stride = h.depth / 8;
        if (stride == 0) return false;
        const u64 rowBytes = u64(w) * stride;
        const u64 overhang = readBytes > stride ? readBytes - stride : 0;
        if (rowBytes * ht + overhang > size) return false;
        u8* o = out;
        for (u32 y = 0; y < ht; ++y) {
            const u8* p = data + u64(y) * rowBytes;
            for (u32 x = 0; x < w; ++x, p += stride, o += 2) o[0] = DecodedAlpha(p, twoBytes, fromBrightness, table, &o[1]);
        }
        return true;
    }
    const u32 stride = 1u << shift;
    const u64 overhang = readBytes > stride ? readBytes - stride : 0;
    memset(out, 0, size_t(u64(w) * ht * 2));
    u64 at = 0;
    for (u32 y = 0; y < ht; ++y) {
        if (size - at < 4) return false;
        u32 spans = GetU16(data + at), pixels = GetU16(data + at + 2);
        at += 4;
        u64 spanBytes = u64(spans) * 4;
        u64 pixelBytes = u64(pixels) << shift;
        u64 pad = ((h.flags & kBitmapPaddedRows) && (pixelBytes & 1)) ? 1 : 0;
        if (size - at < spanBytes + pixelBytes + pad) return false;
        if (pixels && size - at - spanBytes - pixelBytes < overhang) return false;
        const u8* spanData = data + at;
        const u8* p = data + at + spanBytes;
        u8* line = out + u64(y) * w * 2;
        u32 covered = 0, previousEnd = 0;
        for (u32 s = 0; s < spans; ++s) {
            u32 start = GetU16(spanData + 4 * s), end = GetU16(spanData + 4 * s + 2);
            if (start < previousEnd || end < start || end > w) return false;
            if (end - start > pixels - covered) return false;
            for (u32 x = start; x < end; ++x, p += stride)
                line[2 * x] = DecodedAlpha(p, twoBytes, fromBrightness, table, &line[2 * x + 1]);
            covered += end - start;
            previousEnd = end;
        }
        if (covered != pixels) return false;
        at += spanBytes + pixelBytes + pad;
    }
    return true;
}

bool DecodeTrueColorBitmap(u8* out, const u8* data, u64 size, u64 count)
{
    u64 at = 0, i = 0;
    u8 control = 0;
    // Reads one colour group into pixel p; false when the data ends first.
    auto group = [&](u8* p) -> bool {
        if (size - at < 3) return false;
        p[2] = data[at];
        p[1] = data[at + 1];
        p[0] = data[at + 2];
        at += 3;
        if (p[2] & 1) {
            if (size - at < 4) return false;
            p[6] = data[at];
            p[5] = data[at + 1];
            p[4] = data[at + 2];
            p[7] = data[at + 3];
            at += 4;
        }
        return true;
    };
    while (i < count) {
        if (at >= size) return false;
        u8 low = control & 31;
        if (low == 0 || low == 31) {
            u32 n = data[at++];
            if (n > count - i) return false;
            u8* p = out + i * 8;
            memset(p, 0, size_t(n) * 8);
            if (low == 31) {
                for (u32 k = 0; k < n; ++k, p += 8) {
                    p[3] = control;
                    if (!group(p)) return false;
                }
            }
            i += n;
            control = 1;
        } else {
            u8* p = out + i * 8;
            memset(p, 0, 8);
            u8 k = data[at++];
            p[3] = k;
            if ((k & 31) && !group(p)) return false;
            control = k;
            ++i;
        }
    }
    return true;
}

CollectionBitmap* ReadBitmap(FILE* stream, u32 size, const ColorTableRecord& table)
{
    if (size < kCollectionBitmapHeaderSize) return nullptr;
    CollectionBitmapHeader h;
    if (!ReadRecords(&h, 1, kCollectionBitmapHeaderDescriptor, stream)) return nullptr;
    if (s16(h.width) <= 0 || s16(h.height) <= 0 || h.shift > 2) return nullptr;
    h.flags &= kStoredFlagMask;
    if (!(h.flags & kBitmapTrueColor)) h.pixelType = 0;
    if (h.pixelType == 0 && h.depth != 8 * h.shift + 8) return nullptr;
    if (h.pixelType > 1) return nullptr;
    u64 pixelCount = u64(h.width) * h.height;
    if (pixelCount > kMaxBitmapPixels) return nullptr;

    u64 left = size - kCollectionBitmapHeaderSize;
    if (!(h.flags & kStoredNoRowTable)) {
        u64 table = u64(h.height) * 4 - 4;
        if (table > left) return nullptr;
        if (table && fseek(stream, long(table), SEEK_CUR) != 0) return nullptr;
        left -= table;
    }
    h.flags &= u16(~kStoredNoRowTable);
    // Zero runs code at most 256 pixels in two bytes: a longer claim cannot be real.
    if (h.pixelType == 1 && pixelCount > left * 128 + 256) return nullptr;

    u8* data = static_cast<u8*>(malloc(left ? size_t(left) : 1));
    if (!data) return nullptr;
    if (left && fread(data, size_t(left), 1, stream) != 1) {
        free(data);
        return nullptr;
    }
    u32 bytesPerPixel = h.pixelType == 1 ? 8 : 2;
    u8* pixels = static_cast<u8*>(malloc(size_t(pixelCount * bytesPerPixel)));
    bool ok = pixels != nullptr;
    if (ok) {
        ok = h.pixelType == 1 ? DecodeTrueColorBitmap(pixels, data, left, pixelCount)
                              : DecodeIndexedBitmap(h, table, data, left, pixels);
    }
    free(data);
    if (!ok) {
        free(pixels);
        return nullptr;
    }
    CollectionBitmap* b = new CollectionBitmap();
    b->pixels = pixels;
    b->width = h.width;
    b->height = h.height;
    b->bytesPerPixel = u16(bytesPerPixel);
    b->flags = h.flags & u16(~kStoredAlphaFromBrightness);
    b->QuantizeAlpha();
    return b;
}
