#pragma once
// The colours a bitmap is drawn in: the draw palette of indexed bitmaps (the colour table with
// every enabled hue change applied) and the conversion of a tile of any bitmap to RGBA. No
// OpenGL: the drawing code uploads what these produce.
#include "collection/Collection.h"
#include "foundation/Rgb.h"

// Text flags of the multiple-bitmap drag label: centred both ways, multi-line, shadowed.
constexpr u32 kBitmapDragTextFlags = 342;

// The colour table with each hue change whose replacement mode is not 0 applied, in order:
// every index whose table colour lies in its range (the test of HueChange::ComputeMask) has
// the colour it has so far shifted in 16-bit HSV: hue' = hue - median + replacement hue
// (median - hue + replacement hue when reversed), saturation and value scaled by the
// replacement's. Indexed bitmaps are always shifted, never filled. count becomes 256.
void BuildDrawPalette(const Collection& collection, Rgb* palette, u32* count);

// The hue changes a true-colour pixel can name (numbers 1 to 7, the collection's first seven
// hue changes), prepared once per tile. A number the collection lacks draws the pixel from its
// stored hue, value and saturation.
struct TrueColorHues {
    struct Entry {
        u8 present, mode, reversed, medianHue;
        u8 hue, saturation, value;  // of the replacement colour (high bytes)
        u8 red, green, blue;        // the replacement colour (high bytes)
    } entries[8];
    void Prepare(const Collection& collection);
    // The RGB of one colour group (bytes c[0..2]) with hue change number n (0..7).
    void Convert(const u8* c, u32 n, u8* rgb) const;
};

// Converts the tile [x0, x1) x [y0, y1) of the bitmap to RGBA rows of (x1 - x0) x 4 bytes:
// ordinary indexed pixels through the draw palette with their alpha; shadow pixels as the grey
// 255 - level; true-colour pixels by their hue changes, alpha = level x 255 / 31, a second
// colour blended in by its weight in 64ths. The tile must lie inside the bitmap.
void ConvertBitmapTile(const CollectionBitmap& bitmap, const Rgb* palette, const TrueColorHues& hues, u32 x0, u32 y0,
                       u32 x1, u32 y1, u8* rgba);
