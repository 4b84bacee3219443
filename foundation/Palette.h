#pragma once
// Palette generation for converting true-colour images to 256 colours: a weighted list of
// the distinct opaque colours, a first palette from a greedy orthogonal bipartition of those
// colours, then a weighted k-means refinement. Every stage is deterministic (the sorts use
// seeded pivots), so the same image always gives the same palette.
//
// The colours are counted, never listed per pixel: exactly while an image has at most
// kExactColourLimit of them, and past that as the weighted mean colour of each cell of a
// 64 x 64 x 64 grid, so the work after counting depends on the colours, not on the pixels.
#include "foundation/DynArray.h"
#include "foundation/Image.h"
#include "foundation/Rgb.h"

// One distinct colour (or the mean colour of one grid cell) and its weight.
struct ColorCount {
    u32 count;
    Rgb colour;
};

constexpr u32 kExactColourLimit = 1u << 16;

// Most pixels one histogram counts: a cell's channel sums (up to 3 per pixel) stay in 32 bits.
constexpr u64 kMaxHistogramPixels = u64(1) << 30;

// Sums of one grid cell: pixels, and the channel values less the cell's lowest value.
struct ColorCellSum {
    u32 count, r, g, b;
};

// Work state of one palette generation. All-zero is empty; release with
// FreeColorHistogram.
struct ColorHistogram {
    DynArray<u32> keys;            // open-addressed table: RGB (red lowest) + 1, 0 = free slot
    DynArray<u32> counts;          // pixels of the colour in the same slot of keys
    u32 distinct;                  // used slots of keys
    DynArray<ColorCellSum> cells;  // 2^18 grid cells once the colours passed the exact limit
    u64 pixels;                    // opaque pixels counted
    DynArray<ColorCount> unique;   // built once by UniqueColors
    u8 built;
};

void FreeColorHistogram(ColorHistogram& histogram);

// Counts the colour of every pixel of the image whose alpha is not zero (read as RGBA would
// show it; the image is not changed) and marks the unique list as out of date. Colours that
// differ only in alpha count as one. Answers 0, counting nothing, for a format that has no
// RGBA reading or when the histogram would pass kMaxHistogramPixels.
u32 CollectOpaqueColors(ColorHistogram& histogram, const Image& image);

// The distinct colours with their pixel counts, in ascending RGB order (red lowest); past
// the exact limit the mean colours of the occupied grid cells. Built on the first call after
// CollectOpaqueColors.
const DynArray<ColorCount>& UniqueColors(ColorHistogram& histogram);

// Fills palette (256 entries) and answers the entry count: the smallest of requested, 256
// and the number of distinct colours. When the distinct colours fit, they are the palette.
// A histogram without colours answers 0.
u32 GeneratePalette(ColorHistogram& histogram, Rgb* palette, u32 requested);

// Greedy bipartition of the weighted colours themselves: the box whose best cut (at any
// value of any channel) removes the most squared error is cut, until count boxes or none can
// be cut; each box's weighted mean is an entry. Reorders colours and weights together and
// answers the number of entries (1 when count is 0, at most 256).
u32 SplitPalette(DynArray<Rgb>& colours, DynArray<u32>& weights, Rgb* palette, u32 count);

// Moves the centres to a weighted k-means solution: passes repeat until none moves a colour
// or kKMeansMaxPasses is reached. With fewer colours than centres the centres become the
// colours.
constexpr u32 kKMeansMaxPasses = 64;
void RefinePaletteKMeans(const DynArray<Rgb>& colours, const DynArray<u32>& weights, DynArray<Rgb>& centres);

// The seeded sorts of the palette stages: pivot at seed mod n after an LCG step, Hoare
// partition, selection sort below 16 elements. Not stable; the seed makes them repeatable.
void QuickSortPairs(u32& seed, ColorCount* records, s64 n);
void SelectionSortPairs(ColorCount* records, s64 n);
void QuickSortByKey(u32& seed, u32* indices, s64 n, const u32* key);
void SelectionSortByKey(u32* indices, s64 n, const u32* key);
