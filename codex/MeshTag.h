#pragma once
// 'mesh' tag data, version 11 (read only): a 1024-byte header and a grid of 12-byte cells,
// (32 x chunk columns) cells wide and (32 x chunk rows) high. Fields the game owns and this
// program only carries are kept as plain arrays.
#include <cstdio>
#include "codex/TagHeader.h"
#include "foundation/ByteOrder.h"

struct MeshHeader {
    u32 colorMap;          // '.256' tag id, also the 'dmap' id
    u32 media;             // 'medi' tag id
    s16 chunkColumns;
    s16 chunkRows;
    u32 cellsBase;         // with cellsOffset: where the cells start
    u32 values16;
    u32 reserved20;
    u32 cellsOffset;
    u32 values28;
    u32 reserved32;
    u32 values36[3];
    u32 reserved48;
    u32 values52[3];
    u32 reserved64;
    u32 values68[5];
    s16 shadingDark;
    s16 shadingLight;
    u16 shadingBlend[3];   // red, green, blue, 16 bits each
    u16 values98[5];
    u32 shadeMidpoint;     // 16.16 fraction
    u16 value112;
    u16 reserved114;
    u16 values116[4];
    u32 values124[17];
    u32 values192[2];
    u32 reserved200;
    u32 values204[2];
    u32 reserved212;
    u16 values216[5];
    u16 reserved226;
    u32 values228[4];
    u16 values244[4];
    u32 values252[8];
    u32 values284[3];
    u32 reserved296;
    char names300[3][64];
    u32 value492;
    u16 values496[4];
    u32 values504[3];
    char name516[32];
    u8 reserved548[446];
    u16 values994[7];
    u8 values1008[16];
};

inline constexpr ByteOrderDescriptor kMeshHeaderDescriptor[] = {
    1024,
    2, kBoU32, 2, kBoU16, 2, kBoU32, 1, kBoZero32, 2, kBoU32, 1, kBoZero32, 3, kBoU32, 1, kBoZero32,
    3, kBoU32, 1, kBoZero32, 5, kBoU32, 10, kBoU16, 1, kBoU32, 1, kBoU16, 1, kBoZero16, 4, kBoU16,
    17, kBoU32, 2, kBoU32, 1, kBoZero32, 2, kBoU32, 1, kBoZero32, 5, kBoU16, 1, kBoZero16, 4, kBoU32,
    4, kBoU16, 8, kBoU32, 3, kBoU32, 1, kBoZero32, 192, kBoU8, 1, kBoU32, 4, kBoU16, 3, kBoU32,
    32, kBoU8, 446, kBoZero8, 7, kBoU16, 16, kBoU8};
static_assert(ByteOrderDescribes<MeshHeader>(kMeshHeaderDescriptor), "MeshHeader layout");

// Cell flags.
constexpr u16 kCellTerrainType0Mask = 0x00F0;  // terrain type of the square's triangle 0
constexpr u16 kCellTerrainType1Mask = 0x000F;  // terrain type of triangle 1
constexpr u16 kCellMediaWave = 0x0400;         // the vertex moves with the media wave
constexpr u16 kCellMedia0 = 0x0800;            // triangle 0 is media
constexpr u16 kCellMedia1 = 0x1000;            // triangle 1 is media

struct MeshCell {
    s16 height;        // 1/512 units
    u16 value2;
    u16 flags;
    u16 reserved6;
    s16 mediaHeight;   // 1/512 units
    u16 reserved10;
};

inline constexpr ByteOrderDescriptor kMeshCellDescriptor[] = {12, 3, kBoU16, 1, kBoZero16, 1, kBoU16, 1, kBoZero16};
static_assert(ByteOrderDescribes<MeshCell>(kMeshCellDescriptor), "MeshCell layout");

struct MeshTagData {
    MeshHeader header;
    u32 columns;   // cells across: 32 x chunk columns
    u32 rows;      // cells down: 32 x chunk rows
    MeshCell* cells;  // columns x rows, row by row (owned, malloc'd)
};

void InitMesh(MeshTagData* mesh);
void FreeMesh(MeshTagData* mesh);
// Reads a version 11 mesh and fixes its cell flags. Returns 0 for another version, chunk
// counts that are zero, negative or more than the tag's bytes hold, cells outside the data,
// or a failed seek or read.
int ReadMeshTag(MeshTagData* mesh, FILE* stream, const TagHeader* header);
// The flag fix applied after reading (exposed for tests): for every cell but those of the
// first row and column, clears 0x200 and 0x4000 and sets 0x400 when it and its left, upper
// and upper-left neighbours have both media bits.
void FixMeshCellFlags(MeshCell* cells, u32 columns, u32 rows);
