#pragma once
// What the detail-texture editor does to a texture's pixels (RGB, 3 bytes each), kept apart
// from any window so it can be tested and timed on its own.
#include "foundation/Types.h"

// The texture sides the program accepts: non-zero powers of two that the codec can store
// (below 4096). Answers null for such sides, else the message to show the user.
const char* DtexSidesProblem(u32 width, u32 height);

// Moves the average of each channel (luma = false) or of the luma (77 R + 151 G + 28 B) / 256
// (luma = true) to 128, clamping every channel to 0..255. Sums are 64-bit.
void MeanCenterPixels(u8* rgb, u32 width, u32 height, bool luma);

// Shifts the image by half its width and height with wrap-around, so that pixel (x, y) shows
// what was at ((x + w/2) mod w, (y + h/2) mod h): the seams of a tiling texture meet in the
// middle. For even sides this exchanges the quadrants.
void SwapImageQuadrants(u8* rgb, u32 width, u32 height);
