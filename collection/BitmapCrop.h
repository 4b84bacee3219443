#pragma once
// Cropping a bitmap's transparent border and enlarging it with one, moving the registration
// and key points of every view that shows it so that they stay on the same pixels. Bitmaps of
// either pixel size (2-byte indexed, 8-byte true colour) are handled.
#include "collection/Collection.h"

// Moves the points of every FrameView (and each stored assignment) that shows the bitmap: x
// decreases by the right shift when the view is mirrored horizontally, else by the left
// shift; y by the bottom shift when mirrored vertically, else by the top shift (16-bit).
void ShiftBitmapAnchors(Collection& collection, const CollectionBitmap& bitmap, s32 top, s32 right, s32 bottom,
                        s32 left);

// Answers of TrimBitmap and PadBitmap besides a pixel count.
constexpr s64 kCropAllTransparent = -1;  // nothing to keep: the bitmap is unchanged
constexpr s64 kCropNoMemory = -2;        // the new pixel buffer could not be allocated

// Crops to the box of pixels that are not fully transparent. A raw bitmap whose sides are
// both powers of two is left as it is (0). Answers the number of pixels removed, 0 when
// nothing was cropped, kCropAllTransparent for a bitmap with no visible pixel or without
// pixels, kCropNoMemory when the smaller buffer cannot be allocated (bitmap unchanged).
s64 TrimBitmap(Collection& collection, CollectionBitmap& bitmap);

// Enlarges the bitmap to width x height around its centre (left margin (W - w) / 2, top
// (H - h) / 2) with transparent pixels, points moving with the pixels. Answers 1 when it was
// enlarged; 0 when a side would shrink or both stay (nothing happens); kCropNoMemory when the
// buffer cannot be allocated or the size passes 32767 a side or kMaxBitmapPixels (bitmap
// unchanged).
s64 PadBitmap(Collection& collection, CollectionBitmap& bitmap, u32 width, u32 height);
