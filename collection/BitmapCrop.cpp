#include "collection/BitmapCrop.h"

#include <cstdlib>
#include <cstring>

namespace {

bool IsPowerOfTwo(u32 v)
{
    return v && !(v & (v - 1));
}

void Shift(s16& v, s32 by)
{
    v = s16(u16(u32(u16(v)) - u32(by)));
}

void ShiftPoint(s16& x, s16& y, u32 mirror, s32 top, s32 right, s32 bottom, s32 left)
{
    Shift(x, (mirror & kViewMirrorX) ? right : left);
    Shift(y, (mirror & kViewMirrorY) ? bottom : top);
}

// Copies the w x h block at (sx, sy) of src (srcWidth wide) to (dx, dy) of dst (dstWidth wide).
void CopyBlock(u8* dst, u32 dstWidth, u32 dx, u32 dy, const u8* src, u32 srcWidth, u32 sx, u32 sy, u32 w, u32 h,
               u32 bpp)
{
    for (u32 row = 0; row < h; ++row)
        memcpy(dst + (u64(dy + row) * dstWidth + dx) * bpp, src + (u64(sy + row) * srcWidth + sx) * bpp,
               size_t(w) * bpp);
}

}  // namespace

void ShiftBitmapAnchors(Collection& collection, const CollectionBitmap& bitmap, s32 top, s32 right, s32 bottom,
                        s32 left)
{
    for (Sequence* s : collection.sequences) {
        for (SequenceFrame& frame : s->frameArray) {
            for (FrameView& v : frame.views) {
                if (v.bitmap == &bitmap) {
                    ShiftPoint(v.registrationX, v.registrationY, v.flags, top, right, bottom, left);
                    ShiftPoint(v.keyX, v.keyY, v.flags, top, right, bottom, left);
                }
                if (!(v.flags & kViewHasHighRes)) continue;
                // The assignment the view does not show keeps its own point; it moves too when
                // it names the bitmap.
                if (v.IsShowingHighRes()) {
                    if (v.standardBitmap == &bitmap)
                        ShiftPoint(v.registrationXAsRead, v.registrationYAsRead, v.flags, top, right, bottom, left);
                } else if (v.highResBitmap == &bitmap) {
                    ShiftPoint(v.highResRegistrationX, v.highResRegistrationY, v.flags, top, right, bottom, left);
                }
                if (v.bitmap == &bitmap) v.KeepShownAssignment();
            }
        }
    }
}

s64 TrimBitmap(Collection& collection, CollectionBitmap& bitmap)
{
    const u32 w = bitmap.width, h = bitmap.height, bpp = bitmap.bytesPerPixel;
    if (!bitmap.pixels || !w || !h || (bpp != 2 && bpp != 8)) return kCropAllTransparent;
    auto columnVisible = [&](u32 x) {
        for (u32 y = 0; y < h; ++y)
            if (bitmap.IsOpaqueAt(u64(y) * w + x)) return true;
        return false;
    };
    auto rowVisible = [&](u32 y) {
        for (u32 x = 0; x < w; ++x)
            if (bitmap.IsOpaqueAt(u64(y) * w + x)) return true;
        return false;
    };
    u32 x0 = 0;
    while (x0 < w && !columnVisible(x0)) ++x0;
    if (x0 == w) return kCropAllTransparent;
    if (!(bitmap.flags & kBitmapSpanRows) && IsPowerOfTwo(w) && IsPowerOfTwo(h)) return 0;
    u32 x1 = w - 1, y0 = 0, y1 = h - 1;
    while (!columnVisible(x1)) --x1;
    while (!rowVisible(y0)) ++y0;
    while (!rowVisible(y1)) --y1;
    u32 nw = x1 - x0 + 1, nh = y1 - y0 + 1;
    if (nw == w && nh == h) return 0;
    u8* pixels = static_cast<u8*>(malloc(size_t(u64(nw) * nh * bpp)));
    if (!pixels) return kCropNoMemory;
    CopyBlock(pixels, nw, 0, 0, bitmap.pixels, w, x0, y0, nw, nh, bpp);
    free(bitmap.pixels);
    bitmap.pixels = pixels;
    bitmap.width = u16(nw);
    bitmap.height = u16(nh);
    ShiftBitmapAnchors(collection, bitmap, s32(y0), s32(w - 1 - x1), s32(h - 1 - y1), s32(x0));
    return s64(u64(w) * h - u64(nw) * nh);
}

s64 PadBitmap(Collection& collection, CollectionBitmap& bitmap, u32 width, u32 height)
{
    const u32 w = bitmap.width, h = bitmap.height, bpp = bitmap.bytesPerPixel;
    if (width < w || height < h || (width == w && height == h)) return 0;
    if (!bitmap.pixels || (bpp != 2 && bpp != 8)) return 0;
    if (width > 32767 || height > 32767 || u64(width) * height > kMaxBitmapPixels) return kCropNoMemory;
    u8* pixels = static_cast<u8*>(calloc(size_t(u64(width) * height), bpp));
    if (!pixels) return kCropNoMemory;
    u32 left = (width - w) / 2, top = (height - h) / 2;
    CopyBlock(pixels, width, left, top, bitmap.pixels, w, 0, 0, w, h, bpp);
    free(bitmap.pixels);
    bitmap.pixels = pixels;
    bitmap.width = u16(width);
    bitmap.height = u16(height);
    ShiftBitmapAnchors(collection, bitmap, -s32(top), -s32(width - w - left), -s32(height - h - top), -s32(left));
    return 1;
}
