#pragma once
// One 32 x 32-square piece of a terrain mesh: the per-square values computed before a frame
// is drawn (blend codes, bounding spheres, visibility) and the chunk's bounding box.
#include "foundation/DynArray.h"
#include "foundation/Types.h"
#include "terrain/BlendCode.h"

constexpr u32 kChunkSquares = 32;                      // squares a side
constexpr u32 kChunkVertices = kChunkSquares + 1;      // vertices a side
constexpr u32 kChunkCells = kChunkSquares * kChunkSquares;

// Classification against the view volume (chunks and squares alike).
enum : u8 { kCullOutside = 0, kCullPartial = 1, kCullInside = 2 };

struct MeshChunk {
    BlendCode blendCodes[kChunkCells * 2];           // row by row, triangle 0 then 1 of each square
    s16 heights[kChunkVertices * kChunkVertices];     // effective heights, 1/512 units
    float cellRadiusSquared[kChunkCells];               // bounding sphere of each square (cells^2)
    float cellCentreHeight[kChunkCells];                // its centre height (cells)
    u8 cellVisibility[kChunkCells];                   // valid only while classification is partial
    float box[6];                                       // min x, y, z, max x, y, z (cells)
    s32 classification;
    u32 texture;   // OpenGL name of the shaded colour map, 0 = none (owned by the drawing side)
    s32 x0, z0;    // first vertex column and row
    u32 index;     // position in the chunk array
};

// Called for every chunk that a resize drops, so the drawing side can delete its texture.
typedef void (*ChunkReleaser)(MeshChunk* chunk);

// Makes the array hold count chunks: dropped chunks are released (when a releaser is given),
// new ones are zero-filled with no texture. Answers 1, or 0 without changing anything when
// the array cannot be allocated (count x chunk size past 4 GiB or the memory is not there).
int ResizeMeshChunks(DynArray<MeshChunk>* chunks, u32 count, ChunkReleaser release);

// The chunk's box over vertices x0..x1, z0..z1 (mesh coordinates, inclusive; they must lie
// within the chunk's 33 x 33 vertices): x and z from the rectangle, y from the lowest to the
// highest stored height, in cells. An empty range gives min y 2147483647/512 and max y
// -2147483648/512.
void ComputeChunkBounds(const MeshChunk* chunk, float box[6], s32 x0, s32 x1, s32 z0, s32 z1);
