#pragma once
// Reduction of a high-resolution RGBA rendering to true-colour bitmap pixels (8 bytes: up to
// two colours, each tagged with its hue change, an alpha level and the second colour's blend
// weight). Source pixels are first classified by hue change, the reduction weights them by
// the area of the output footprint they cover, and each output pixel keeps its two heaviest
// colour groups.
#include "collection/HueChange.h"
#include "foundation/Image.h"

// Hue index of a source pixel: 0..253 a hue change (0-based), or one of these.
constexpr u8 kHueIndexTransparent = 254;  // alpha below 8
constexpr u8 kHueIndexNone = 255;         // no hue change
// The packed pixel has 3 bits for the hue change number, so only the first seven hue changes
// can be stored; colours of later ones are stored as fixed colours.
constexpr u32 kMaxPackedHueChanges = 7;
// Regions of one hue change smaller than this are taken as fixed colours.
constexpr u32 kSmallRegionLimit = 6;

// Per output pixel sums, reused from pixel to pixel: only the groups in use are cleared.
struct HueCellAccumulator {
    struct Group {
        double red, green, blue, weight;
    };
    double alphaSum;
    double area;
    double colouredArea;  // weight of the pixels that are not transparent
    Group groups[256];    // by hue index
    u8 used[256];
    u8 order[256];        // used groups, in order of first use
    u32 usedCount;

    void Init();   // all zero
    void Clear();  // forgets the groups in use
    void Add(u8 hueIndex, const u8* rgba, double weight);
};

// The 1-based number of the first hue change whose range holds the colour (saturation
// strictly above its minimum, hue in [start, end), wrapping when start > end); 0 for none.
u32 FindHueChange(u8 red, u8 green, u8 blue, const HueChange* const* hueChanges, u32 count);

// Fills output (made the source's size, 6408) with the source's colours in 8-bit HSV and the
// hue index in byte 3; small regions lose their hue change. Hue changes past the seventh are
// stored as none (the answer counts the pixels that matched one, so the caller can say so).
// Answers 0 with *pastSeventh untouched when source is not 6408 or output cannot be made.
u32 ConvertToHueIndexed(Image& output, const Image& source, const HueChange* const* hueChanges,
                        u32 count, u64* pastSeventh = nullptr);

// 1 when a chain of visits through 8-connected pixels of hue index k from (x, y) counts to
// limit. marks holds one byte per pixel, all clear on entry and on return.
u32 RegionSizeAtLeast(const Image& hueIndexed, u8* marks, u32& counter, u8 k, s32 x, s32 y,
                      u32 limit);

// Reduces the 6408 source (w x h) into output, which must already be W x H of 8-byte pixels
// (format 8); hueIndexed is the source's hue-indexed image. Answers 0, output untouched, on
// any mismatch of formats or sizes.
u32 DownsampleIndexed(const Image& source, Image& output, const Image& hueIndexed);

// Keeps the one or two heaviest groups (ordered first in `order`), turns their sums into
// colours scaled by the coloured share of the footprint, the second weight into its share of
// the two, and the alpha sum into the mean alpha.
void KeepDominantColours(HueCellAccumulator& cell);

// Packs a cell reduced by KeepDominantColours into one 8-byte true-colour pixel; a cell
// without groups packs as all zero.
void PackHighResPixel(const HueCellAccumulator& cell, u8* pixel);
