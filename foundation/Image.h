#pragma once
// The in-memory picture: pixels in one of the formats below (named by their OpenGL
// enumeration values), an optional 256-entry palette and a checksum.
//
// An all-zero Image is empty; the image owns its palette and pixel buffers (malloc/free) and
// is released only by Free(). Rows run top to bottom without padding. Every operation that
// changes pixels sets the checksum to 0 (not computed); only UpdateChecksum computes it.
#include "foundation/Rgb.h"
#include "foundation/Types.h"

enum ImageFormat : u32 {
    kImageIndexed = 6400,     // 1 byte: palette index
    kImageAlpha = 6406,       // 1 byte: alpha or grey
    kImageRgb = 6407,         // 3 bytes: red, green, blue
    kImageRgba = 6408,        // 4 bytes: red, green, blue, alpha
    kImageAlphaIndex = 6666,  // 2 bytes: alpha, then palette index
    // Formats 1 to 255 are raw pixels of that many bytes; they are never converted.
};

// Largest pixel buffer an image may have. Every size computed from a file is checked
// against it before anything is allocated, so a forged header cannot ask for gigabytes.
constexpr u64 kMaxImageBytes = u64(512) << 20;

constexpr u64 kBadImageSize = ~u64(0);

// Inclusive pixel rectangle.
struct ImageRect {
    s32 x0, y0, x1, y1;
};

struct Image {
    u32 format;
    u32 width;
    u32 height;
    u32 paletteCount;
    u32 checksum;
    Rgb* palette;  // 256 entries when present; entries from paletteCount on are zero
    u8* pixels;

    // Bytes per pixel of a format, -1 for a format without a size.
    static s32 BytesPerPixel(u32 format);
    // Byte size of width x height pixels of the format, computed in 64 bits; kBadImageSize
    // when the format has no size or the result passes kMaxImageBytes.
    static u64 ByteSizeFor(u32 width, u32 height, u32 format);

    // All fields zero (does not free: use on fresh or moved-from records).
    void Init();
    // Sets size and format and copies the pixels from source (or zero-fills them). The
    // buffer is kept when its byte size does not change. Palette is kept; checksum becomes
    // 0. Answers 0, leaving the image as it was, when the format has no size, the byte size
    // passes kMaxImageBytes or the allocation fails.
    u32 Create(u32 width, u32 height, u32 format, const void* source);
    // Frees palette and pixels and nulls both pointers; the other fields stay.
    void Free();
    // Takes over the whole record of source and zeroes the source. A non-empty destination
    // is freed first. Nothing happens when both are the same.
    void MoveFrom(Image& source);
    // Replaces this image with a copy of source (size, format, pixels and palette), then
    // converts it to format. Answers 0 when the copy cannot be made or the conversion is not
    // offered (the copy is then left in the source's format). Copying onto itself only
    // converts.
    u32 CopyFrom(const Image& source, u32 format);
    // paletteCount = count (clamped to 256); count 0 frees the palette. Otherwise the
    // 256-entry buffer is allocated if missing and, when entries are given, they are copied
    // and the rest zeroed. Answers 0 only when the allocation fails.
    u32 SetPalette(u32 count, const Rgb* entries);

    // Channel edits of byte `channel` of every pixel; they do nothing when the channel is
    // outside the pixel.
    void SetChannel(u32 channel, const u8* plane);
    void FillChannel(u32 channel, u8 value);
    void InvertChannel(u32 channel);

    // Keeps the pixels inside the inclusive rectangle. Answers 0, leaving the image as it
    // was, when the rectangle is empty, inverted or reaches outside the image.
    u32 Crop(const ImageRect& r);
    // Inclusive box of the pixels whose alpha is not zero (byte 3 of 6408, byte 0 of any
    // other format); {0x7FFFFFFF, 0x7FFFFFFF, 0, 0} when there is none.
    ImageRect GetAlphaBounds() const;

    // checksum = CRC-32 of the pixel bytes; a CRC of 0 is stored as 0xFFFFFFFF.
    void UpdateChecksum();
    // 1 when both have the same size, format and pixel bytes. Two non-zero checksums that
    // differ answer 0 at once.
    static u32 Equals(const Image& a, const Image& b);

    // Converts in place (pairs listed in the implementation). Answers 1 on success, 0 when
    // the pair is not offered or memory runs out; the image is then unchanged.
    u32 ConvertTo(u32 format);
    // Maps the image to the given palette with error diffusion (weakened across edges of the
    // picture); target 6400 or 6666. Pixels are read as their RGBA conversion shows them. Answers 0 for another target, a source
    // without RGBA reading, or when memory runs out; the image is then unchanged.
    u32 Quantize(u32 target, const Rgb* palette, u32 count);
    // The same with the pixels read from source, which may be this image: this image becomes
    // the quantised copy without a full-size copy of the source in between.
    u32 QuantizeFrom(const Image& source, u32 target, const Rgb* palette, u32 count);

    u64 PixelBytes() const { return ByteSizeFor(width, height, format); }
};
