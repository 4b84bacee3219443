#pragma once
// The textured layer of the terrain as vertex arrays: per chunk, built on the chunk's first
// draw and kept until what they were built from changes (heights, blend codes, the squares
// drawn, a material's texture repeats, the media wave). Each chunk's detailed passes are
// grouped by texture: every plain base pass first, then the first, second and third
// material passes, each of those by material. Every triangle's first pass covers it fully,
// so within a chunk the nearest triangle's passes still end on top in the same order and
// the picture is the one a triangle-by-triangle drawing gives. Needs the context current.
#include <vector>

#include "foundation/Types.h"
#include "terrain/MeshChunk.h"

class MeshEdit;

class ChunkBatches {
public:
    // Starts a frame over a mesh of chunkCount chunks (arrays of chunks past it are dropped).
    void BeginFrame(u32 chunkCount);
    // Drops the arrays of chunks not drawn this frame while more are kept than a whole
    // 16 x 16 chunk view needs.
    void EndFrame();
    // Squares x0..x1-1, z0..z1-1 of the chunk (those culling kept) with the colour texture on
    // unit 0, as one draw.
    void DrawColorOnly(const MeshEdit& e, const MeshChunk& chunk, s32 x0, s32 z0, s32 x1, s32 z1);
    // The same squares' detailed passes, a draw per group; unit 1 must be the active unit and
    // set up to modulate.
    void DrawDetailed(MeshEdit& e, const MeshChunk& chunk, s32 x0, s32 z0, s32 x1, s32 z1);
    // Chunks whose arrays are kept.
    u32 KeptChunks() const;

private:
    struct Vertex {
        float xyz[3];
        float st0[2];  // colour map
        float st1[2];  // detail texture
        u8 rgba[4];
    };
    struct Group {
        u32 material;  // kBaseGroup for the plain base passes
        u32 first;     // first triangle in the chunk's triangle lists
        u32 count;
        float uRepeat, vRepeat;
    };
    struct Chunk {
        bool built = false, detailBuilt = false, waved = false;
        u32 lastFrame = 0;
        s32 x0 = 0, z0 = 0, x1 = 0, z1 = 0;
        BlendCode codes[kChunkCells * 2];
        s16 heights[kChunkVertices * kChunkVertices];
        // Colour only: the 33 x 33 corners, and three corner numbers per triangle.
        std::vector<float> cornerXyz, cornerSt0;
        std::vector<u16> colorIndices, colorCells;
        // Detailed: one vertex per corner, material and corner alpha of a group.
        std::vector<Vertex> pool;
        std::vector<u16> poolCorner, indices, cells;
        std::vector<Group> groups;
    };
    static constexpr u32 kBaseGroup = 0xFFFFFFFFu;

    // The chunk's arrays, rebuilt (colour or detail part as asked) when they are stale.
    Chunk& Prepare(const MeshEdit& e, const MeshChunk& chunk, s32 x0, s32 z0, s32 x1, s32 z1, bool detailed);
    void BuildCorners(Chunk& c, const MeshChunk& chunk);
    void BuildDetail(Chunk& c, const MeshEdit& e, const MeshChunk& chunk);
    // Positions of the corners and pool vertices, moved by the wave while it runs.
    void PlacePositions(Chunk& c, const MeshEdit& e, const MeshChunk& chunk, bool detailed);
    // The triangles of list[first, first + count) whose squares are visible, as indices.
    const u16* VisibleIndices(const MeshChunk& chunk, const std::vector<u16>& indices, const std::vector<u16>& cells,
                              u32 first, u32 count, u32* outCount);

    std::vector<Chunk*> chunks;
    std::vector<u16> scratch;
    u32 frame = 0;

public:
    ChunkBatches() = default;
    ~ChunkBatches();
    ChunkBatches(const ChunkBatches&) = delete;
    ChunkBatches& operator=(const ChunkBatches&) = delete;
};
