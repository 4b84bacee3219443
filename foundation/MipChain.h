#pragma once
// The smaller images of a texture's mipmap chain, made on the processor: each level halves
// the one above (sizes rounded down, never below 1), every texel the rounded mean of the 2 x 2
// block above it (of the 2 or 1 texels where the level above is one texel wide or high).
#include <memory>

#include "foundation/Types.h"

// The size of level `level` of a width x height image.
u32 MipLevelSize(u32 size, u32 level);

// How many levels a width x height image has, itself included (1 for a 1 x 1 image).
u32 MipLevelCount(u32 width, u32 height);

// Writes the level below `source` (width x height texels of `components` bytes, rows tightly
// packed) into dest, which holds MipLevelSize(width, 1) x MipLevelSize(height, 1) texels.
void HalveImage(const u8* source, u32 width, u32 height, u32 components, u8* dest);

// Every level below the image, one after the other in one block (level 1 first; the sizes add
// up as MipLevelSize gives them).
std::unique_ptr<u8[]> BuildMipLevels(const u8* pixels, u32 width, u32 height, u32 components);
