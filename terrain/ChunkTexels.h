#pragma once
// The shaded colour texture of each chunk, built as RGB texel bytes (the upload to OpenGL is
// the drawing side's).
//
// A colour map collection holds two 256 x 256 bitmaps per chunk: bitmap 2k holds chunk k's
// colour indices and bitmap 2k+1 its shades (the index byte of each pixel is used). Texel
// (u, v) = shading table entry [shade << 8 | index]. A chunk whose pair is missing, is not
// 256 x 256, or is not made of 2-byte pixels counts as missing and is black.
#include "foundation/Types.h"

class Collection;
struct ColorTable;
struct MeshHeader;

constexpr u32 kChunkTexels = 256;
constexpr u32 kChunkTexelsBordered = 257;

// 256 x 256 RGB entries indexed by shade << 8 | colour index.
struct ShadingTable {
    u8 rgb[65536 * 3];
};

// Fills the table from the colour table and the mesh header's shading values (dark weight,
// light weight, blend colour, shade midpoint). Shade rows blend each colour towards the blend
// colour; the midpoint row gives the plain colour. Channels are clamped to 0..255 at both ends.
void BuildShadingTable(ShadingTable* table, const ColorTable& colors, const MeshHeader& header);

// count texels: shade[i x sourceStride] and index[i x sourceStride] give the table entry
// written as three bytes at dest + i x destStride.
void ShadeTexels(const ShadingTable* table, const u8* shade, const u8* index, u32 sourceStride, u8* dest,
                 u32 destStride, u32 count);

// Whether chunk k's bitmap pair is present and usable (see above).
int ChunkBitmapsPresent(const Collection* colorMap, u32 chunk);

// The chunk's 256 x 256 texels (196,608 bytes), black when its bitmaps are missing.
void BuildChunkTexels256(u8* texels, const Collection* colorMap, const ShadingTable* table, u32 chunk);

// The chunk's 257 x 257 texels (198,147 bytes): column 0 and row 0 repeat the neighbours'
// last column and row (texel 0,0 the up-left chunk's last texel), black where the neighbour
// lies outside the mesh or its bitmaps are missing; the chunk's own texels from 1,1.
void BuildChunkTexels257(u8* texels, const Collection* colorMap, const ShadingTable* table, u32 across, u32 down,
                         u32 chunk);

// Which border of a 257-texel texture FillChunkTextureEdge writes.
enum ChunkEdge { kEdgeCorner, kEdgeLeft, kEdgeTop };

// Writes one border of a 257 x 257 texel image from the neighbour chunk (-1: outside the
// mesh): the corner texel from its last texel, the left column from its last column, the
// top row from its last row; black when the neighbour is outside or missing.
void FillChunkTextureEdge(u8* texels, const Collection* colorMap, const ShadingTable* table, s64 neighbour,
                          ChunkEdge edge);
