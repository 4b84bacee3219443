#pragma once
// Scanline flood fill over any 8-bit grid, optionally recording the changed runs (for undo)
// and optionally following triangle adjacency on a per-triangle grid (2 bytes a square:
// triangles connect across a row freely, and to the row above or below only through their
// horizontal edge).
#include "foundation/DynArray.h"
#include "foundation/Types.h"

struct FloodFillRun {
    u32 offset;  // byte offset into the grid
    u32 length;
};

struct FloodFillRequest {
    // Filled in by the caller.
    u8* bytes;
    s64 seedX, seedY;
    u32 width;   // bytes per row
    u32 height;  // rows
    u32 newValue;
    u32 recordRuns;
    u32 triangleAdjacency;
    // Results.
    u32 filled;
    u32 oldValue;
    u32 minX, maxX, minY, maxY;
    DynArray<FloodFillRun> runs;  // sorted by offset when recorded; the caller frees them
    u32 peakStack;                // the most seeds waiting at once
    u64 peakBytes;                // memory of the seeds and runs at the end, before the runs are trimmed
};

// Fills the region of bytes equal to the seed's value that the seed reaches with newValue.
// Nothing happens (filled 0) when there are no bytes, the seed lies outside the grid, the
// seed already holds the new value, or the grid has more than 2^32 - 1 bytes.
void FloodFill(FloodFillRequest* request);
