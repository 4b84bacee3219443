#include "collection/CollectionBitmap.h"

#include <cstdlib>
#include <cstring>

#include "foundation/Image.h"

CollectionBitmap::CollectionBitmap()
{
    memset(name, 0, sizeof(name));
    pixels = nullptr;
    width = height = flags = bytesPerPixel = 0;
    used = 0;
}

CollectionBitmap::~CollectionBitmap()
{
    free(pixels);
}

void CollectionBitmap::SetName(const char* text)
{
    memset(name, 0, sizeof(name));
    if (text) strncpy(name, text, sizeof(name) - 1);
}

void CollectionBitmap::QuantizeAlpha()
{
    if (bytesPerPixel != 2) return;
    bool partial = false;
    if (pixels) {
        u64 n = u64(width) * height;
        u8* p = pixels;
        for (u64 i = 0; i < n; ++i, p += 2) {
            u8 a = u8((p[0] >> 4) * 17);
            p[0] = a;
            if (a == 0) p[1] = 0;
            else if (a != 255) partial = true;
        }
    }
    if (partial) flags |= kBitmapPartialAlpha;
    else flags &= u16(~kBitmapPartialAlpha);
}

bool CollectionBitmap::MakeAlphaBinary()
{
    if (!(flags & kBitmapPartialAlpha)) return false;
    flags &= u16(~kBitmapPartialAlpha);
    if (pixels && bytesPerPixel == 2) {
        u64 n = u64(width) * height;
        u8* p = pixels;
        for (u64 i = 0; i < n; ++i, p += 2) p[0] = p[1] ? 255 : 0;
    }
    return true;
}

int CollectionBitmap::SetAlphaFromImage(const Image& image)
{
    if (!pixels || image.width != width || image.height != height || Image::BytesPerPixel(image.format) != 1 ||
        !image.pixels)
        return 0;
    u64 n = u64(width) * height;
    if (bytesPerPixel == 8) {
        // The control byte keeps its hue change number; only the alpha level is replaced.
        for (u64 i = 0; i < n; ++i) {
            u8* p = pixels + i * 8;
            p[3] = u8((p[3] & 0xE0) | ((image.pixels[i] * 31 + 127) / 255));
        }
        return 1;
    }
    if (bytesPerPixel != 2) return 0;
    bool partial = false;
    for (u64 i = 0; i < n; ++i) {
        u8 a = image.pixels[i];
        pixels[i * 2] = a;
        if (a != 0 && a != 255) partial = true;
    }
    if (partial) flags |= kBitmapPartialAlpha;
    else flags &= u16(~kBitmapPartialAlpha);
    return 1;
}
