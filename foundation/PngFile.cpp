#include "foundation/PngFile.h"

#include <png.h>

#include <cstdlib>
#include <cstring>

namespace {

// Deflate cannot squeeze more than about 1032 bytes into one; allowing for that, a header
// whose rows could not come from the file's bytes is forged and refused before anything is
// allocated for it.
constexpr u64 kMaxDeflateRatio = 1100;

void PngError(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

void PngWarning(png_structp, png_const_charp)
{
}

void PngRead(png_structp png, png_bytep data, size_t length)
{
    FILE* f = static_cast<FILE*>(png_get_io_ptr(png));
    if (fread(data, 1, length, f) != length) png_error(png, "short read");
}

void PngWrite(png_structp png, png_bytep data, size_t length)
{
    FILE* f = static_cast<FILE*>(png_get_io_ptr(png));
    if (fwrite(data, 1, length, f) != length) png_error(png, "short write");
}

void PngFlush(png_structp png)
{
    FILE* f = static_cast<FILE*>(png_get_io_ptr(png));
    if (fflush(f) != 0) png_error(png, "flush failed");
}

// Shared by the header and image readers. Sets up libpng and reads the header into the
// image fields; with pixels it reads the rows too. Everything libpng allocated is freed on
// every path.
u32 ReadPng(FileRecord& record, bool pixels)
{
    FILE* f = record.stream;
    if (!f) return 0;
    record.kind = kFileKindImage;
    record.format = kFileFormatPng;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
    if (!png) return 0;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return 0;
    }
    Image& img = record.image;
    u8** volatile rows = nullptr;
    volatile u32 result = 0;
    if (setjmp(png_jmpbuf(png)) == 0) {
        png_set_read_fn(png, f, PngRead);
        // libpng allocates a chunk's claimed length before reading it, so a forged text or
        // profile chunk would ask for gigabytes. None of them is used here: skip them unread.
        static const png_byte kSkipped[] = "tEXt\0zTXt\0iTXt\0iCCP\0sPLT\0eXIf\0";
        png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, kSkipped, 6);
        png_set_chunk_malloc_max(png, 8u << 20);
        png_read_info(png, info);
        png_uint_32 w = 0, h = 0;
        int depth = 0, colourType = 0, interlace = 0;
        png_get_IHDR(png, info, &w, &h, &depth, &colourType, &interlace, nullptr, nullptr);
        u32 format = 0;
        if (depth == 8) {
            if (colourType == PNG_COLOR_TYPE_GRAY) format = kImageAlpha;
            else if (colourType == PNG_COLOR_TYPE_RGB) format = kImageRgb;
            else if (colourType == PNG_COLOR_TYPE_PALETTE) format = kImageIndexed;
            else if (colourType == PNG_COLOR_TYPE_RGB_ALPHA) format = kImageRgba;
        }
        u64 bytes = Image::ByteSizeFor(w, h, format);
        u64 filtered = bytes + h;  // one filter byte per row
        if (!format || !w || !h || bytes == kBadImageSize || filtered > u64(record.info.size) * kMaxDeflateRatio + 4096)
            png_error(png, "refused");
        png_colorp plte = nullptr;
        int entries = 0;
        if (format == kImageIndexed) {
            if (!png_get_PLTE(png, info, &plte, &entries) || entries < 1 || entries > 256) png_error(png, "palette");
        }
        record.SetImageShape(w, h, format);
        if (!pixels) {
            result = 1;
        } else {
            u32 fw = w, fh = h;
            if (!img.Create(fw, fh, format, nullptr)) png_error(png, "memory");
            if (format == kImageIndexed && (!img.palette || !img.paletteCount)) {
                Rgb pal[256];
                for (int i = 0; i < entries; ++i) pal[i] = {plte[i].red, plte[i].green, plte[i].blue};
                if (!img.SetPalette(u32(entries), pal)) png_error(png, "memory");
            }
            rows = static_cast<u8**>(malloc(sizeof(u8*) * fh));
            if (!rows) png_error(png, "memory");
            u64 stride = u64(fw) * Image::BytesPerPixel(format);
            for (u32 y = 0; y < fh; ++y) rows[y] = img.pixels + y * stride;
            // Interlaced files deliver each row once per pass; libpng merges the passes into
            // the rows when asked to handle the interlacing.
            int passes = png_set_interlace_handling(png);
            png_read_update_info(png, info);
            if (png_get_rowbytes(png, info) != stride) png_error(png, "row size");
            for (int p = 0; p < passes; ++p)
                for (u32 y = 0; y < fh; ++y) png_read_row(png, rows[y], nullptr);
            png_read_end(png, nullptr);
            result = 1;
        }
    }
    free(rows);
    png_destroy_read_struct(&png, &info, nullptr);
    return result;
}

}  // namespace

u32 ReadPngHeader(FileRecord& record)
{
    return ReadPng(record, false);
}

u32 ReadPngImage(FileRecord& record)
{
    return ReadPng(record, true);
}

u32 WritePng(FileRecord& record)
{
    FILE* f = record.stream;
    const Image& img = record.image;
    if (!f || record.kind != kFileKindImage || !img.pixels || !img.width || !img.height) return 0;
    volatile int colourType;
    switch (img.format) {
    case kImageIndexed: colourType = PNG_COLOR_TYPE_PALETTE; break;
    case kImageAlpha: colourType = PNG_COLOR_TYPE_GRAY; break;
    case kImageRgb: colourType = PNG_COLOR_TYPE_RGB; break;
    case kImageRgba: colourType = PNG_COLOR_TYPE_RGB_ALPHA; break;
    default: return 0;
    }
    if (img.width > 0x7FFFFFFF || img.height > 0x7FFFFFFF) return 0;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
    if (!png) return 0;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return 0;
    }
    volatile u32 result = 0;
    if (setjmp(png_jmpbuf(png)) == 0) {
        png_set_write_fn(png, f, PngWrite, PngFlush);
        png_set_IHDR(png, info, img.width, img.height, 8, colourType, PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        if (img.format == kImageIndexed) {
            u32 entries = IndexedEntriesToWrite(img);
            png_color plte[256];
            for (u32 i = 0; i < entries; ++i) {
                Rgb c = img.palette && img.paletteCount ? img.palette[i] : Rgb{u8(i), u8(i), u8(i)};
                plte[i] = {c.r, c.g, c.b};
            }
            png_set_PLTE(png, info, plte, int(entries));
        }
        png_write_info(png, info);
        u64 stride = u64(img.width) * Image::BytesPerPixel(img.format);
        for (u32 y = 0; y < img.height; ++y) png_write_row(png, img.pixels + y * stride);
        png_write_end(png, nullptr);
        result = 1;
    }
    png_destroy_write_struct(&png, &info);
    return result;
}
