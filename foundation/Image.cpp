#include "foundation/Image.h"

#include <zlib.h>

#include <cstdlib>
#include <cstring>

#include "foundation/AllocatorTuning.h"
#include "foundation/Palette.h"

namespace {

// Every program that handles images gets the allocator's tuning before its first buffer.
[[maybe_unused]] const bool gAllocatorTuned = (TuneAllocator(), true);

// Stands in for a missing palette so that an indexed image without one converts to black
// instead of reading through a null pointer.
const Rgb kBlackPalette[256] = {};

const Rgb* PaletteOrBlack(const Image& image)
{
    return image.palette ? image.palette : kBlackPalette;
}

bool IsPaletted(u32 format)
{
    return format == kImageIndexed || format == kImageAlphaIndex;
}

bool IsTrueColour(u32 format)
{
    return format == kImageRgb || format == kImageRgba || format == kImageAlpha;
}

// A palette of up to 256 colours from the source's opaque pixels, then the source quantised
// to it into dest (which may be the source). Answers 0, leaving dest as it was, when memory
// runs out.
u32 QuantizeToOwnPalette(const Image& source, Image& dest, u32 target)
{
    ColorHistogram histogram = {};
    Rgb colours[256];
    if (!CollectOpaqueColors(histogram, source)) {
        FreeColorHistogram(histogram);
        return 0;
    }
    u32 count = GeneratePalette(histogram, colours, 256);
    FreeColorHistogram(histogram);
    return dest.QuantizeFrom(source, target, colours, count);
}

}  // namespace

s32 Image::BytesPerPixel(u32 format)
{
    switch (format) {
    case kImageIndexed:
    case kImageAlpha:
        return 1;
    case kImageRgb:
        return 3;
    case kImageRgba:
        return 4;
    case kImageAlphaIndex:
        return 2;
    default:
        return (format >= 1 && format <= 255) ? s32(format) : -1;
    }
}

u64 Image::ByteSizeFor(u32 width, u32 height, u32 format)
{
    s32 bpp = BytesPerPixel(format);
    if (bpp < 0) return kBadImageSize;
    // Each factor is below 2^32 and the pixel size below 2^8, so testing the partial product
    // first keeps the whole product inside 64 bits.
    u64 pixels = u64(width) * height;
    if (pixels > kMaxImageBytes) return kBadImageSize;
    u64 bytes = pixels * u64(bpp);
    return bytes > kMaxImageBytes ? kBadImageSize : bytes;
}

void Image::Init()
{
    memset(this, 0, sizeof(*this));
}

u32 Image::Create(u32 w, u32 h, u32 fmt, const void* source)
{
    u64 newBytes = ByteSizeFor(w, h, fmt);
    if (newBytes == kBadImageSize) return 0;
    u64 oldBytes = pixels ? ByteSizeFor(width, height, format) : kBadImageSize;
    if (!pixels || oldBytes != newBytes) {
        // calloc rather than malloc + memset: large fresh buffers then cost nothing until
        // the decoder writes them.
        u8* fresh = nullptr;
        if (newBytes) {
            fresh = static_cast<u8*>(source ? malloc(size_t(newBytes)) : calloc(1, size_t(newBytes)));
            if (!fresh) return 0;
            // The source may lie inside the buffer about to be freed.
            if (source) memcpy(fresh, source, size_t(newBytes));
        }
        free(pixels);
        pixels = fresh;
    } else if (source) {
        memmove(pixels, source, size_t(newBytes));
    } else if (newBytes) {
        memset(pixels, 0, size_t(newBytes));
    }
    width = w;
    height = h;
    format = fmt;
    checksum = 0;
    return 1;
}

void Image::Free()
{
    free(palette);
    free(pixels);
    palette = nullptr;
    pixels = nullptr;
}

void Image::MoveFrom(Image& source)
{
    if (&source == this) return;
    Free();
    *this = source;
    source.Init();
}

u32 Image::CopyFrom(const Image& source, u32 fmt)
{
    // Quantising reads the source directly, so no full-size copy is made in between.
    if (&source != this && IsPaletted(fmt) && IsTrueColour(source.format) &&
        QuantizeToOwnPalette(source, *this, fmt))
        return 1;
    if (&source != this) {
        Image copy = {};
        if (!copy.Create(source.width, source.height, source.format, source.pixels)) return 0;
        if (source.palette && !copy.SetPalette(source.paletteCount, source.palette)) {
            copy.Free();
            return 0;
        }
        if (!source.palette) copy.paletteCount = 0;
        Free();
        *this = copy;
    }
    return ConvertTo(fmt);
}

u32 Image::SetPalette(u32 count, const Rgb* entries)
{
    if (count > 256) count = 256;
    if (count == 0) {
        free(palette);
        palette = nullptr;
        paletteCount = 0;
        return 1;
    }
    if (!palette) {
        palette = static_cast<Rgb*>(calloc(256, sizeof(Rgb)));
        if (!palette) {
            paletteCount = 0;
            return 0;
        }
    }
    if (entries) {
        memmove(palette, entries, count * sizeof(Rgb));
        memset(palette + count, 0, (256 - count) * sizeof(Rgb));
    }
    paletteCount = count;
    return 1;
}

void Image::SetChannel(u32 channel, const u8* plane)
{
    s32 bpp = BytesPerPixel(format);
    if (bpp < 0 || channel >= u32(bpp) || !pixels || !plane) return;
    u64 n = u64(width) * height;
    for (u64 i = 0; i < n; ++i) pixels[i * bpp + channel] = plane[i];
    checksum = 0;
}

void Image::FillChannel(u32 channel, u8 value)
{
    s32 bpp = BytesPerPixel(format);
    if (bpp < 0 || channel >= u32(bpp) || !pixels) return;
    u64 n = u64(width) * height;
    for (u64 i = 0; i < n; ++i) pixels[i * bpp + channel] = value;
    checksum = 0;
}

void Image::InvertChannel(u32 channel)
{
    s32 bpp = BytesPerPixel(format);
    if (bpp < 0 || channel >= u32(bpp) || !pixels) return;
    u64 n = u64(width) * height;
    for (u64 i = 0; i < n; ++i) pixels[i * bpp + channel] = u8(255 - pixels[i * bpp + channel]);
    checksum = 0;
}

u32 Image::Crop(const ImageRect& r)
{
    s32 bpp = BytesPerPixel(format);
    if (bpp < 0 || !pixels) return 0;
    if (r.x0 < 0 || r.y0 < 0 || r.x1 < r.x0 || r.y1 < r.y0) return 0;
    if (u32(r.x1) >= width || u32(r.y1) >= height) return 0;
    u32 w = u32(r.x1 - r.x0) + 1;
    u32 h = u32(r.y1 - r.y0) + 1;
    u64 rowBytes = u64(w) * bpp;
    u8* fresh = static_cast<u8*>(malloc(size_t(rowBytes * h)));
    if (!fresh) return 0;
    u64 srcStride = u64(width) * bpp;
    for (u32 y = 0; y < h; ++y)
        memcpy(fresh + y * rowBytes, pixels + (u64(r.y0) + y) * srcStride + u64(r.x0) * bpp, size_t(rowBytes));
    free(pixels);
    pixels = fresh;
    width = w;
    height = h;
    checksum = 0;
    return 1;
}

ImageRect Image::GetAlphaBounds() const
{
    ImageRect box = {0x7FFFFFFF, 0x7FFFFFFF, 0, 0};
    s32 bpp = BytesPerPixel(format);
    if (bpp < 0 || !pixels) return box;
    u32 offset = format == kImageRgba ? 3 : 0;
    bool any = false;
    for (u32 y = 0; y < height; ++y) {
        const u8* row = pixels + u64(y) * width * bpp + offset;
        for (u32 x = 0; x < width; ++x) {
            if (!row[u64(x) * bpp]) continue;
            if (!any) {
                box = {s32(x), s32(y), s32(x), s32(y)};
                any = true;
                continue;
            }
            if (s32(x) < box.x0) box.x0 = s32(x);
            if (s32(x) > box.x1) box.x1 = s32(x);
            box.y1 = s32(y);
        }
    }
    return box;
}

void Image::UpdateChecksum()
{
    u64 bytes = PixelBytes();
    uLong crc = crc32(0L, Z_NULL, 0);
    if (pixels && bytes != kBadImageSize) {
        const u8* p = pixels;
        while (bytes) {
            uInt chunk = bytes > 0x40000000u ? 0x40000000u : uInt(bytes);
            crc = crc32(crc, p, chunk);
            p += chunk;
            bytes -= chunk;
        }
    }
    checksum = crc ? u32(crc) : 0xFFFFFFFFu;
}

u32 Image::Equals(const Image& a, const Image& b)
{
    if (a.checksum && b.checksum && a.checksum != b.checksum) return 0;
    if (a.width != b.width || a.height != b.height || a.format != b.format) return 0;
    s32 bpp = BytesPerPixel(a.format);
    if (bpp < 0 || a.height == 0 || a.width == 0) return 1;
    if (!a.pixels || !b.pixels) return a.pixels == b.pixels;
    u64 stride = u64(a.width) * bpp;
    // Pictures that differ tend to differ in their middle, so start there and go outward.
    s64 middle = a.height / 2;
    for (s64 step = 0;; ++step) {
        s64 rows[2] = {middle - step, middle + step};
        bool inside = false;
        for (int k = 0; k < (step ? 2 : 1); ++k) {
            s64 y = rows[k];
            if (y < 0 || y >= s64(a.height)) continue;
            inside = true;
            if (memcmp(a.pixels + u64(y) * stride, b.pixels + u64(y) * stride, size_t(stride))) return 0;
        }
        if (!inside) break;
    }
    return 1;
}

u32 Image::ConvertTo(u32 target)
{
    if (target == format) return 1;
    if (format >= 1 && format <= 255) return 0;
    if (BytesPerPixel(target) < 0 || (target >= 1 && target <= 255)) return 0;
    if (!pixels && width && height) return 0;

    if ((target == kImageIndexed || target == kImageAlphaIndex) && format != kImageIndexed &&
        format != kImageAlphaIndex) {
        if (format != kImageRgb && format != kImageRgba && format != kImageAlpha) return 0;
        return QuantizeToOwnPalette(*this, *this, target);
    }

    u64 n = u64(width) * height;
    u64 bytes = ByteSizeFor(width, height, target);
    if (bytes == kBadImageSize) return 0;
    const u8* src = pixels;
    const Rgb* pal = PaletteOrBlack(*this);
    u8* dst = nullptr;
    auto alloc = [&]() {
        dst = static_cast<u8*>(malloc(size_t(bytes ? bytes : 1)));
        return dst != nullptr;
    };

    if (target == kImageIndexed && format == kImageAlphaIndex) {
        if (!alloc()) return 0;
        for (u64 i = 0; i < n; ++i) dst[i] = src[i * 2 + 1];
    } else if (target == kImageAlphaIndex && format == kImageIndexed) {
        if (!alloc()) return 0;
        for (u64 i = 0; i < n; ++i) {
            dst[i * 2] = 255;
            dst[i * 2 + 1] = src[i];
        }
    } else if (target == kImageAlpha && (format == kImageRgba || format == kImageAlphaIndex)) {
        if (!alloc()) return 0;
        u32 bpp = format == kImageRgba ? 4 : 2;
        u32 offset = format == kImageRgba ? 3 : 0;
        for (u64 i = 0; i < n; ++i) dst[i] = src[i * bpp + offset];
    } else if (target == kImageRgb && format == kImageIndexed) {
        if (!alloc()) return 0;
        for (u64 i = 0; i < n; ++i) memcpy(dst + i * 3, &pal[src[i]], 3);
    } else if (target == kImageRgba && format == kImageRgb) {
        if (!alloc()) return 0;
        for (u64 i = 0; i < n; ++i) {
            memcpy(dst + i * 4, src + i * 3, 3);
            dst[i * 4 + 3] = 255;
        }
    } else if (target == kImageRgba && format == kImageIndexed) {
        if (!alloc()) return 0;
        for (u64 i = 0; i < n; ++i) {
            memcpy(dst + i * 4, &pal[src[i]], 3);
            dst[i * 4 + 3] = 255;
        }
    } else if (target == kImageRgba && format == kImageAlphaIndex) {
        if (!alloc()) return 0;
        for (u64 i = 0; i < n; ++i) {
            memcpy(dst + i * 4, &pal[src[i * 2 + 1]], 3);
            dst[i * 4 + 3] = src[i * 2];
        }
    } else if (target == kImageRgba && format == kImageAlpha) {
        if (!alloc()) return 0;
        for (u64 i = 0; i < n; ++i) {
            dst[i * 4] = dst[i * 4 + 1] = dst[i * 4 + 2] = 255;
            dst[i * 4 + 3] = src[i];
        }
    } else {
        return 0;
    }

    free(pixels);
    pixels = dst;
    format = target;
    checksum = 0;
    if (target != kImageIndexed && target != kImageAlphaIndex) SetPalette(0, nullptr);
    return 1;
}
