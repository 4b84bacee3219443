#pragma once
// Palette generation for converting true-colour images to 256 colours: a weighted list of
// the distinct opaque colours, a first palette from Wu's greedy orthogonal bipartition of
// RGB space, then a weighted k-means refinement. Every stage is deterministic (the sorts use
// seeded pivots), so the same image always gives the same palette.
#include "foundation/DynArray.h"
#include "foundation/Image.h"
#include "foundation/Rgb.h"

// One distinct colour and its weight.
struct ColorCount {
    u32 count;
    Rgb colour;
};

// Work state of one palette generation. All-zero is empty; release with
// FreeColorHistogram.
struct ColorHistogram {
    DynArray<u32> colors;        // RGBA (red in the lowest byte) of every opaque pixel
    DynArray<ColorCount> unique;  // distinct colours, built once by UniqueColors
    u8 built;
};

void FreeColorHistogram(ColorHistogram& histogram);

// Appends the RGBA value of every pixel of the image whose alpha is not zero (the image is
// read through an RGBA copy and not changed) and marks the unique list as out of date.
// Answers 0 when the image cannot be converted to RGBA or memory runs out.
u32 CollectOpaqueColors(ColorHistogram& histogram, const Image& image);

// The distinct colours, sorted by weight ascending, with each weight capped at one and a
// half times the previous one plus one so that no single colour dominates. Built on the
// first call after CollectOpaqueColors.
const DynArray<ColorCount>& UniqueColors(ColorHistogram& histogram);

// Fills palette (256 entries) and answers the entry count: the smallest of requested, 256
// and the number of distinct colours. A histogram without colours answers 0.
u32 GeneratePalette(ColorHistogram& histogram, Rgb* palette, u32 requested);

// Wu's quantizer on the distinct colours; answers the number of colours produced (at most
// count, 1 when count is 0, 256 when above). Fewer come out when the colours cannot be
// split further.
u32 WuQuantize(ColorHistogram& histogram, Rgb* palette, u32 count);

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
