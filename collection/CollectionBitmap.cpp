#include "collection/CollectionBitmap.h"

#include <cstdlib>
#include <cstring>

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
