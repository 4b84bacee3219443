#include "foundation/TiffFile.h"

#include <sys/stat.h>
#include <tiffio.h>

#include <cstdlib>
#include <cstring>

namespace {

// No TIFF compression turns one byte into more than about 2730 (LZW); rows that could not
// come from the file's bytes mean a forged header.
constexpr u64 kMaxCompressionRatio = 4096;
// Largest single allocation libtiff may make for one file.
constexpr tmsize_t kMaxTiffAlloc = tmsize_t(256) << 20;

tmsize_t TiffRead(thandle_t h, void* data, tmsize_t size)
{
    FILE* f = static_cast<FILE*>(h);
    if (size <= 0) return 0;
    return fread(data, 1, size_t(size), f) == size_t(size) ? size : 0;
}

tmsize_t TiffWrite(thandle_t h, void* data, tmsize_t size)
{
    FILE* f = static_cast<FILE*>(h);
    if (size <= 0) return 0;
    return fwrite(data, 1, size_t(size), f) == size_t(size) ? size : 0;
}

toff_t TiffSeek(thandle_t h, toff_t offset, int whence)
{
    FILE* f = static_cast<FILE*>(h);
    if (offset > toff_t(0x7FFFFFFFFFFFFFFFll)) return toff_t(-1);
    if (fseeko(f, off_t(offset), whence) != 0) return toff_t(-1);
    off_t at = ftello(f);
    return at < 0 ? toff_t(-1) : toff_t(at);
}

int TiffClose(thandle_t)
{
    return 0;
}

toff_t TiffSize(thandle_t h)
{
    FILE* f = static_cast<FILE*>(h);
    struct stat st;
    if (fstat(fileno(f), &st) != 0) return 0;
    return toff_t(st.st_size);
}

int TiffMap(thandle_t, void**, toff_t*)
{
    return 0;
}

void TiffUnmap(thandle_t, void*, toff_t)
{
}

int TiffQuiet(TIFF*, void*, const char*, const char*, va_list)
{
    return 1;  // handled: nothing is printed
}

TIFF* OpenTiff(FILE* f, const char* mode)
{
    TIFFOpenOptions* opts = TIFFOpenOptionsAlloc();
    if (!opts) return nullptr;
    TIFFOpenOptionsSetMaxSingleMemAlloc(opts, kMaxTiffAlloc);
    TIFFOpenOptionsSetErrorHandlerExtR(opts, TiffQuiet, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(opts, TiffQuiet, nullptr);
    // "m": no memory mapping; the stream procedures serve every read.
    char m[8];
    snprintf(m, sizeof(m), "%sm", mode);
    TIFF* tif = TIFFClientOpenExt("", m, f, TiffRead, TiffWrite, TiffSeek, TiffClose, TiffSize, TiffMap, TiffUnmap,
                                  opts);
    TIFFOpenOptionsFree(opts);
    return tif;
}

u32 ReadTiff(FileRecord& record, bool pixels)
{
    FILE* f = record.stream;
    if (!f) return 0;
    record.kind = kFileKindImage;
    record.format = kFileFormatTiff;
    if (fseeko(f, 0, SEEK_SET) != 0) return 0;
    TIFF* tif = OpenTiff(f, "r");
    if (!tif) return 0;
    u32 result = 0;
    Image& img = record.image;
    u8* row = nullptr;
    do {
        uint16_t bits = 8;
        if (TIFFGetField(tif, TIFFTAG_BITSPERSAMPLE, &bits) && bits != 8) break;
        uint32_t w = 0, h = 0;
        uint16_t samples = 1, photometric = 0, planar = PLANARCONFIG_CONTIG;
        if (!TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w) || !TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h)) break;
        TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
        TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
        if (!TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric)) break;
        if (TIFFIsTiled(tif) || (planar != PLANARCONFIG_CONTIG && samples > 1)) break;
        u32 format = 0;
        if (photometric == PHOTOMETRIC_MINISBLACK && samples == 1) format = kImageAlpha;
        else if (photometric == PHOTOMETRIC_RGB && samples == 3) format = kImageRgb;
        else if (photometric == PHOTOMETRIC_RGB && samples == 4) format = kImageRgba;
        else if (photometric == PHOTOMETRIC_PALETTE && samples == 1) format = kImageIndexed;
        if (!format || !w || !h) break;
        u64 bytes = Image::ByteSizeFor(w, h, format);
        if (bytes == kBadImageSize || bytes > u64(record.info.size) * kMaxCompressionRatio + (1 << 20)) break;
        u64 lineBytes = u64(w) * samples;
        // The row buffer is exactly one decoded scanline; any layout whose scanline is not
        // width x samples bytes would overrun it.
        if (u64(TIFFScanlineSize64(tif)) != lineBytes) break;
        uint16_t *mr = nullptr, *mg = nullptr, *mb = nullptr;
        if (format == kImageIndexed && !TIFFGetField(tif, TIFFTAG_COLORMAP, &mr, &mg, &mb)) break;
        record.SetImageShape(w, h, format);
        if (!pixels) {
            result = 1;
            break;
        }
        if (!img.Create(w, h, format, nullptr)) break;
        if (format == kImageIndexed && (!img.palette || !img.paletteCount)) {
            Rgb pal[256];
            for (int i = 0; i < 256; ++i)
                pal[i] = {u8(u32(mr[i]) * 255 / 65535), u8(u32(mg[i]) * 255 / 65535), u8(u32(mb[i]) * 255 / 65535)};
            if (!img.SetPalette(256, pal)) break;
        }
        row = static_cast<u8*>(malloc(size_t(lineBytes)));
        if (!row) break;
        u32 y = 0;
        for (; y < h; ++y) {
            if (TIFFReadScanline(tif, row, y, 0) < 0) break;
            memcpy(img.pixels + y * lineBytes, row, size_t(lineBytes));
        }
        result = y == h;
    } while (false);
    free(row);
    TIFFClose(tif);
    return result;
}

}  // namespace

u32 ReadTiffHeader(FileRecord& record)
{
    return ReadTiff(record, false);
}

u32 ReadTiffImage(FileRecord& record)
{
    return ReadTiff(record, true);
}

u32 WriteTiff(FileRecord& record)
{
    FILE* f = record.stream;
    const Image& img = record.image;
    if (!f || record.kind != kFileKindImage || !img.pixels || !img.width || !img.height) return 0;
    uint16_t photometric, samples;
    switch (img.format) {
    case kImageIndexed: photometric = PHOTOMETRIC_PALETTE, samples = 1; break;
    case kImageAlpha: photometric = PHOTOMETRIC_MINISBLACK, samples = 1; break;
    case kImageRgb: photometric = PHOTOMETRIC_RGB, samples = 3; break;
    case kImageRgba: photometric = PHOTOMETRIC_RGB, samples = 4; break;
    default: return 0;
    }
    TIFF* tif = OpenTiff(f, "w");
    if (!tif) return 0;
    u32 ok = 1;
    ok &= TIFFSetField(tif, TIFFTAG_IMAGEDEPTH, 1) == 1;
    ok &= TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(img.width)) == 1;
    ok &= TIFFSetField(tif, TIFFTAG_IMAGELENGTH, uint32_t(img.height)) == 1;
    ok &= TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_DEFLATE) == 1;
    ok &= TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) == 1;
    ok &= TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8) == 1;
    ok &= TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, samples) == 1;
    ok &= TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, photometric) == 1;
    // Strips of about 1 MiB: small enough to be read back piecewise, large enough that the
    // deflate stream of each finds its repeats (smaller strips make a larger file).
    const u64 rowBytes = u64(img.width) * samples;
    const u64 rows = rowBytes >= (1u << 20) ? 1 : (1u << 20) / rowBytes;
    ok &= TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, uint32_t(rows < img.height ? rows : img.height)) == 1;
    // Colour and grey values change smoothly: stored as differences from the left neighbour
    // they deflate to about half. Palette indices have no such order.
    if (img.format != kImageIndexed) ok &= TIFFSetField(tif, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL) == 1;
    if (img.format == kImageRgba) {
        uint16_t extra = EXTRASAMPLE_UNASSALPHA;
        ok &= TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &extra) == 1;
    }
    if (img.format == kImageIndexed) {
        uint16_t map[3][256] = {};
        for (int i = 0; i < 256; ++i) {
            Rgb c = img.palette ? img.palette[i] : Rgb{u8(i), u8(i), u8(i)};
            map[0][i] = uint16_t(u32(c.r) * 65535 / 255);
            map[1][i] = uint16_t(u32(c.g) * 65535 / 255);
            map[2][i] = uint16_t(u32(c.b) * 65535 / 255);
        }
        ok &= TIFFSetField(tif, TIFFTAG_COLORMAP, map[0], map[1], map[2]) == 1;
    }
    // Whole strips, so that the codec compresses each in one call (row by row it streams
    // through a slower path). The predictor rewrites what it is given: a copy goes in.
    const u64 stripRows = rows < img.height ? rows : img.height;
    u8* strip = ok ? static_cast<u8*>(malloc(size_t(stripRows * rowBytes))) : nullptr;
    if (!strip) ok = 0;
    for (u32 y = 0, s = 0; ok && y < img.height; y += u32(stripRows), ++s) {
        const u64 n = (img.height - y < stripRows ? img.height - y : stripRows) * rowBytes;
        memcpy(strip, img.pixels + u64(y) * rowBytes, size_t(n));
        if (TIFFWriteEncodedStrip(tif, s, strip, tmsize_t(n)) < 0) ok = 0;
    }
    free(strip);
    if (ok && !TIFFFlush(tif)) ok = 0;
    TIFFClose(tif);
    return ok;
}
