#pragma once
// A rectangle of 8-bit detail materials (one or two bytes per element), in one heap block:
// the editor's whole grids and the regions cut from them for undo.
#include "foundation/Types.h"

struct DetailGrid {
    s32 x, y;          // the region's origin in its grid; 0 for a whole grid
    u32 width, height; // elements
    u32 elementShift;  // log2 of the element size: 0 one byte, 1 two bytes
    // width x height elements follow, row by row.

    u8* Bytes() { return reinterpret_cast<u8*>(this + 1); }
    const u8* Bytes() const { return reinterpret_cast<const u8*>(this + 1); }
    u32 ElementSize() const { return 1u << elementShift; }
    u32 RowBytes() const { return width << elementShift; }
    u64 ByteCount() const { return (u64(width) * height) << elementShift; }
};

// Grids larger than this many bytes are refused: byte offsets into a grid must fit 32 bits.
constexpr u64 kMaxDetailGridBytes = 0xFFFFFFFFull;

// A new zero-filled grid at origin (0, 0), or null when the size is 0, too large or the
// memory is not there. Free with FreeDetailGrid.
DetailGrid* NewDetailGrid(u32 width, u32 height, u32 elementShift);
void FreeDetailGrid(DetailGrid* grid);

// A new region with the grid's element size holding a copy of the rectangle (x, y, width,
// height) of grid, or null when the rectangle is empty, not inside the grid, or memory runs out.
DetailGrid* CreateGridRegion(const DetailGrid* grid, s32 x, s32 y, u32 width, u32 height);
// Copy the region's rectangle from the grid into the region / from the region into the grid.
// Nothing is copied (answer 0) when the rectangle does not lie inside the grid or the element
// sizes differ; 1 otherwise.
int CopyGridToRegion(DetailGrid* region, const DetailGrid* grid);
int CopyRegionToGrid(const DetailGrid* region, DetailGrid* grid);
