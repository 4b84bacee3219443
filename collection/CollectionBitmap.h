#pragma once
// One named bitmap of a collection and the two alpha operations on its pixels.
#include "foundation/Types.h"

struct Image;

// CollectionBitmap::flags bits.
enum : u16 {
    kBitmapSpanRows = 4,        // stored with span-coded rows
    kBitmapPartialAlpha = 16,   // some alpha lies strictly between 0 and 255
    kBitmapPaddedRows = 64,     // span rows padded to an even byte count when stored
    kBitmapShadow = 128,        // pixels are {alpha, darkness level}
    kBitmapTrueColor = 0x4000,  // 8-byte true-colour pixels
};

// Largest pixel count a bitmap may have (width x height). Readers refuse larger bitmaps so a
// bad file cannot ask for gigabytes; the builders never come near it.
constexpr u64 kMaxBitmapPixels = u64(1) << 24;

// Plain record: zero-initialised by new CollectionBitmap(); pixels come from malloc and are
// freed by the destructor.
struct CollectionBitmap {
    char name[64];
    u8* pixels;
    u16 width;
    u16 height;
    u16 flags;
    u16 bytesPerPixel;  // 2 {alpha, index} or 8 (true colour)
    u32 used;           // written only by Collection::MarkUsedBitmaps

    CollectionBitmap();
    ~CollectionBitmap();
    CollectionBitmap(const CollectionBitmap&) = delete;
    CollectionBitmap& operator=(const CollectionBitmap&) = delete;

    // width x height x bytes per pixel, in 64 bits.
    u64 PixelByteCount() const { return u64(width) * height * bytesPerPixel; }
    // Copies at most 63 characters of name (null gives "").
    void SetName(const char* name);

    // 2-byte pixels only (others are left alone): every alpha becomes (alpha >> 4) x 17, a
    // pixel whose alpha is then 0 gets index 0, and kBitmapPartialAlpha is set exactly when
    // some alpha lies strictly between 0 and 255 (cleared for a bitmap without pixels).
    void QuantizeAlpha();
    // Without kBitmapPartialAlpha answers false and changes nothing. Otherwise clears the flag,
    // makes every alpha 255 where the index is not 0 and 0 where it is, and answers true.
    bool MakeAlphaBinary();
    // Takes a greyscale image of the bitmap's size as its alphas: each image byte becomes the
    // alpha of the pixel at the same place, indices unchanged (for a true-colour bitmap, the
    // alpha level 0..31 of its control byte). kBitmapPartialAlpha is then set exactly when some
    // alpha lies strictly between 0 and 255. Answers 1, or 0 with nothing changed when the
    // sizes differ, the image is not 1 byte per pixel or the bitmap has no pixels.
    int SetAlphaFromImage(const Image& image);
    // True when pixel i (row-major) is not fully transparent, for either pixel size.
    bool IsOpaqueAt(u64 i) const
    {
        return bytesPerPixel == 8 ? (pixels[i * 8 + 3] & 31) != 0 : pixels[i * bytesPerPixel] != 0;
    }
};
