#include "foundation/BmpFile.h"

#include <cstdlib>
#include <cstring>

#include "foundation/ByteOrder.h"

namespace {

// The headers are little-endian: copied without swapping.
struct BmpFileHeader {
    u32 fileSize;
    u16 reserved1, reserved2;
    u32 pixelOffset;
};

struct BmpInfoHeader {
    u32 size;
    s32 width, height;
    u16 planes, bits;
    u32 compression, imageSize;
    s32 xResolution, yResolution;
    u32 coloursUsed, coloursImportant;
};

inline constexpr ByteOrderDescriptor kBmpFileHeaderDescriptor[] = {12, 1, kBoCopy32, 2, kBoCopy16, 1, kBoCopy32};
inline constexpr ByteOrderDescriptor kBmpInfoHeaderDescriptor[] = {40, 3, kBoCopy32, 2, kBoCopy16, 6, kBoCopy32};
static_assert(ByteOrderDescribes<BmpFileHeader>(kBmpFileHeaderDescriptor), "BMP file header layout");
static_assert(ByteOrderDescribes<BmpInfoHeader>(kBmpInfoHeaderDescriptor), "BMP information header layout");

constexpr u32 kHeadersEnd = 2 + 12 + 40;

u32 BitsFor(u32 format)
{
    switch (format) {
    case kImageIndexed:
    case kImageAlpha:
        return 8;
    case kImageRgb:
        return 24;
    case kImageRgba:
        return 32;
    default:
        return 0;
    }
}

}  // namespace

u32 ReadBmpHeader(FileRecord& record)
{
    FILE* f = record.stream;
    if (!f) return 0;
    record.kind = kFileKindImage;
    record.format = kFileFormatBmp;
    u8 sig[2];
    if (fread(sig, 1, 2, f) != 2 || sig[0] != 'B' || sig[1] != 'M') return 0;
    BmpFileHeader fh;
    BmpInfoHeader ih;
    if (!ReadRecords(&fh, 1, kBmpFileHeaderDescriptor, f)) return 0;
    if (!ReadRecords(&ih, 1, kBmpInfoHeaderDescriptor, f)) return 0;

    if (ih.size != 40) return 0;
    if (ih.width < 1 || ih.width > 32767) return 0;
    if (ih.height == 0 || ih.height < -32767 || ih.height > 32767) return 0;
    if (ih.planes != 1 || ih.compression != 0) return 0;
    if (ih.coloursUsed > 256 || ih.coloursImportant > 256 || ih.coloursImportant > ih.coloursUsed) return 0;
    u32 format;
    if (ih.bits == 8) format = kImageIndexed;
    else if (ih.bits == 24) format = kImageRgb;
    else if (ih.bits == 32) format = kImageRgba;
    else return 0;
    if (ih.bits != 8 && (ih.coloursUsed || ih.coloursImportant)) return 0;

    u32 w = u32(ih.width);
    u32 h = u32(ih.height < 0 ? -ih.height : ih.height);
    u32 entries = ih.bits == 8 ? (ih.coloursUsed ? ih.coloursUsed : 256) : 0;
    u64 paletteEnd = kHeadersEnd + u64(entries) * 4;
    // Writers put the rows where the file header says, which need not be right behind the
    // palette; an offset pointing back into the headers is taken as "right behind".
    u64 offset = fh.pixelOffset >= paletteEnd ? fh.pixelOffset : paletteEnd;
    u64 rowBytes = (u64(w) * (ih.bits / 8) + 3) & ~u64(3);
    u64 fileSize = record.info.size;
    if (offset + rowBytes * h > fileSize) return 0;

    Image& img = record.image;
    if (entries) {
        u8 quads[256 * 4];
        if (fread(quads, 4, entries, f) != entries) return 0;
        Rgb pal[256];
        for (u32 i = 0; i < entries; ++i) pal[i] = {quads[i * 4 + 2], quads[i * 4 + 1], quads[i * 4]};
        if (!img.SetPalette(entries, pal)) return 0;
    }
    record.SetImageShape(w, h, format);
    record.pixelOffset = u32(offset);
    record.bottomUp = ih.height > 0;
    return 1;
}

u32 ReadBmpPixels(FileRecord& record)
{
    FILE* f = record.stream;
    Image& img = record.image;
    if (!f) return 0;
    u32 w = img.width, h = img.height, format = img.format;
    u32 bpp = BitsFor(format) / 8;
    if (!bpp || format == kImageAlpha) return 0;
    u64 lineBytes = u64(w) * bpp;
    u64 rowBytes = (lineBytes + 3) & ~u64(3);
    if (u64(record.pixelOffset) + rowBytes * h > record.info.size) return 0;
    if (fseeko(f, off_t(record.pixelOffset), SEEK_SET) != 0) return 0;
    record.SetImageShape(w, h, format);
    if (!img.Create(w, h, format, nullptr)) return 0;
    u8* row = static_cast<u8*>(malloc(size_t(rowBytes)));
    if (!row) return 0;
    u32 ok = 1;
    for (u32 i = 0; i < h; ++i) {
        if (fread(row, 1, size_t(rowBytes), f) != rowBytes) {
            ok = 0;
            break;
        }
        u32 y = record.bottomUp ? h - 1 - i : i;
        u8* dst = img.pixels + u64(y) * lineBytes;
        memcpy(dst, row, size_t(lineBytes));
        if (bpp >= 3)
            for (u64 x = 0; x < lineBytes; x += bpp) {
                u8 t = dst[x];
                dst[x] = dst[x + 2];
                dst[x + 2] = t;
            }
    }
    free(row);
    return ok;
}

u32 WriteBmp(FileRecord& record)
{
    FILE* f = record.stream;
    const Image& img = record.image;
    if (!f || record.kind != kFileKindImage) return 0;
    u32 bits = BitsFor(img.format);
    if (!bits || !img.pixels || img.width < 1 || img.height < 1) return 0;
    if (img.width > 0x7FFFFFFF || img.height > 0x7FFFFFFF) return 0;
    u32 bpp = bits / 8;

    // An alpha image, or an indexed one without palette, is written with the grey ramp; the
    // colour count names exactly the entries written so that readers find the rows.
    bool ramp = bits == 8 && (img.format == kImageAlpha || !img.palette || !img.paletteCount);
    u32 entries = bits == 8 ? (ramp ? 256 : IndexedEntriesToWrite(img)) : 0;
    u64 lineBytes = u64(img.width) * bpp;
    u64 rowBytes = (lineBytes + 3) & ~u64(3);
    // The real file size: other readers reject a file whose size field disagrees with it.
    u64 fileSize = kHeadersEnd + u64(entries) * 4 + rowBytes * img.height;
    if (fileSize > 0xFFFFFFFFull) return 0;
    BmpFileHeader fh = {u32(fileSize), 0, 0, kHeadersEnd + entries * 4};
    BmpInfoHeader ih = {40, s32(img.width), s32(img.height), 1, u16(bits), 0, 0, 0, 0, entries, 0};
    u32 ok = fwrite("BM", 1, 2, f) == 2;
    ok = ok && WriteRecords(&fh, 1, kBmpFileHeaderDescriptor, f);
    ok = ok && WriteRecords(&ih, 1, kBmpInfoHeaderDescriptor, f);
    if (entries) {
        u8 quads[256 * 4];
        for (u32 i = 0; i < entries; ++i) {
            Rgb c = ramp ? Rgb{u8(i), u8(i), u8(i)} : img.palette[i];
            quads[i * 4] = c.b;
            quads[i * 4 + 1] = c.g;
            quads[i * 4 + 2] = c.r;
            quads[i * 4 + 3] = 0;
        }
        ok = ok && fwrite(quads, 4, entries, f) == entries;
    }
    // Rows are swapped in a copy: the caller's image is never touched, whatever happens.
    u8* row = static_cast<u8*>(calloc(1, size_t(rowBytes)));
    if (!row) return 0;
    for (u32 i = 0; ok && i < img.height; ++i) {
        const u8* src = img.pixels + u64(img.height - 1 - i) * lineBytes;
        memcpy(row, src, size_t(lineBytes));
        if (bpp >= 3)
            for (u64 x = 0; x < lineBytes; x += bpp) {
                row[x] = src[x + 2];
                row[x + 2] = src[x];
            }
        ok = fwrite(row, 1, size_t(rowBytes), f) == rowBytes;
    }
    free(row);
    return ok;
}
