#pragma once
// Detail grids as 8-bit images: each vertex, or each square with its two triangles, is an
// 8 x 8 block of pixels, rows mirrored to match the view's x mirror (pixel column c holds
// what belongs at 8W - 1 - c). Import takes the most frequent value of each block or block
// half. Headless: the files and message boxes are the editor's.
#include "foundation/Types.h"

class TerrainModel;

struct HistogramEntry {
    u32 value;
    u32 count;
};

// Reverses the bytes of every row in place.
void MirrorRows(u8* pixels, u32 width, u32 height);
// Count descending, then value ascending (the smaller value wins a tie).
int CompareCountThenValue(const HistogramEntry& a, const HistogramEntry& b);
// Whether the block pixel (p, r) of a square of the given parity (1: odd) lies in triangle 1.
inline bool InTriangleOne(u32 odd, u32 p, u32 r) { return odd ? p >= 8 - r : p >= r; }

// 8W x 8H bytes, mirrored, of the per-vertex or per-triangle grid into a buffer the caller
// owns (an image's own pixels, so that an export holds one copy of the picture); 0 without
// the grid.
int WriteVertexDetailImage(const TerrainModel& model, u8* pixels);
int WriteTriangleDetailImage(const TerrainModel& model, u8* pixels);
// Takes an 8W x 8H image (rows as exported: mirrored; the pixels are mirrored back in place)
// into the working grid: each element gets its block's (half's) most frequent value, at most
// 127. An element whose current material is locked keeps its value when shiftAtPress is set.
// Answers 1 when every block (half) was uniform, 0 when some were not, -1 without grids.
int ImportVertexDetailImage(TerrainModel* model, u8* pixels, bool shiftAtPress);
int ImportTriangleDetailImage(TerrainModel* model, u8* pixels, bool shiftAtPress);
