#pragma once
// The data of the terrain editor without its window: the mesh cut into chunks, the detail
// grids with their saved copies, the brush, the stroke, the undo history of detail edits,
// the media wave and the view frustum. The mesh editor window owns one and forwards to it;
// everything here is headless.
//
// Mesh space: W = 32 x chunk columns vertices across, H = 32 x chunk rows down; vertex (x, z)
// is grid record z x W + x; heights in 1/512 cells. Square (x, z) is even when (x XOR z) AND 1
// is 0 (split along (x, z)-(x+1, z+1)), odd otherwise (split along (x+1, z)-(x, z+1)).
#include "codex/MeshTag.h"
#include "foundation/DynArray.h"
#include "foundation/UndoHistory.h"
#include "terrain/DetailGrid.h"
#include "terrain/MediaWave.h"
#include "terrain/MeshChunk.h"
#include "terrain/ViewFrustum.h"

class Collection;
struct MediaRecord;

constexpr u32 kDetailMaterials = 128;

struct DetailBrush {
    u32 material;     // current material index (0)
    float radius;     // cells, 0.2 to 10 (3)
    float x, z;       // position in mesh cells; -1 when the mouse is off the mesh
    float lastX, lastZ;
};

enum : u32 { kBrushRound = 0, kBrushSquare = 1 };
enum : u32 { kBrushVertex = 0, kBrushTriangle = 1 };

// Called once a chunk's texels are built (size 256 or 257 a side, RGB rows); answers 0 when
// the texture could not be made, which fails the load. The texels are reused for the next chunk.
typedef int (*ChunkTextureSink)(void* context, MeshChunk* chunk, const u8* texels, u32 size);

class TerrainModel {
public:
    TerrainModel();
    // Frees the mesh, the chunks (through the releaser when one is set), the grids and the history.
    ~TerrainModel();
    TerrainModel(const TerrainModel&) = delete;
    TerrainModel& operator=(const TerrainModel&) = delete;

    // --- Loading ---

    // Takes the mesh (freed with the model, also on failure) and builds the chunks: zeroed,
    // their colour texels from the colour map (textureSize 256 or 257; 0 builds none) handed
    // to the sink one at a time, heights, blend codes and bounds. The detail grids and undo
    // history of an earlier mesh are dropped first. Answers 0 when the chunk array, the
    // shading table or the texel buffer cannot be allocated or the sink fails.
    int Load(MeshTagData* mesh, const Collection* colorMap, u32 textureSize, ChunkTextureSink sink, void* context);
    // The media wave from the 'medi' record, or the defaults when it is null.
    void LoadMediaWaves(const MediaRecord* record) { ::LoadMediaWaves(&wave, record); }

    u32 Width() const { return width; }
    u32 Height() const { return height; }
    // The effective height of vertex (x, z): the media height when a media bit is set, else
    // the height; 0 outside the grid.
    s32 VertexHeight(s64 x, s64 z) const;
    // Whether a brush position lies on the mesh (0 <= x < W, 0 <= z < H). -1 (off the mesh) does not.
    bool IsOnMesh(float x, float z) const;

    // --- Chunks ---

    // Refreshes the chunk's heights for vertices x0..x1, z0..z1 (inclusive, mesh coordinates,
    // clipped to the chunk) and, for squares x0..x1-1, z0..z1-1, their blend codes (only while
    // a detail map is loaded) and bounding spheres.
    void ComputeBlendCodes(MeshChunk* chunk, s32 x0, s32 z0, s32 x1, s32 z1);
    // Recomputes every chunk that overlaps the vertex rectangle grown by one on each side.
    void RebuildRegion(s64 x0, s64 x1, s64 z0, s64 z1);
    // The same for an edit of the detail grids alone: only the blend codes, as the heights
    // and spheres come from the mesh, which detail editing leaves as it is.
    void RebuildDetailRegion(s64 x0, s64 x1, s64 z0, s64 z1);
    // Classifies every chunk, and every square of a partly visible chunk, against the frustum
    // seen through the camera rotation (an OpenGL column-major model-view matrix, without
    // the mirror, translation or height scale) from the eye at world position eyeWorld
    // (mesh x is world -x). While the media animation runs, boxes and spheres grow by the
    // wave's reach.
    void CullChunks(const float rotation[16], const float eyeWorld[3]);
    // The surface height (1/512 units) at a fractional mesh position, interpolated over the
    // triangle of the square that holds it.
    float SampleSurfaceHeight(float x, float z) const;

    // --- Detail grids ---

    // Creates the four grids on first use and zeroes all four. Answers 0 when they cannot be
    // allocated (the mesh is then left without grids).
    int CreateDetailGrids();
    // Puts a detail map's planes (W x H bytes and W x H x 2 bytes) into the working grids and
    // their saved copies and marks the detail map loaded. Answers 0 without grids.
    int LoadDetailPlanes(const u8* vertexPlane, const u8* trianglePlane);
    // Copies both working grids into their saved copies, recomputes the whole mesh's blend
    // codes and marks the model modified.
    void CommitDetailGrids();

    // --- Painting (the lock rule: unless Shift was held at the press, an element whose
    // current material is locked keeps it) ---

    // Start of a stroke: clears the stroke rectangle.
    void BeginBrushStroke(u32 shiftHeld);
    // One brush application at a fractional position; nothing when it lies off the mesh.
    // Answers the number of elements changed.
    u32 PaintVertices(float x, float z, float radius);
    u32 PaintTriangles(float x, float z, float radius);
    // Writes the brush material into one element, obeying the lock rule; answers 1 when it changed.
    u32 PaintVertex(s32 x, s32 z);
    u32 PaintTriangleWithBrush(s32 x, s32 z, u32 t) { return PaintTriangle(x, z, t, brush.material); }
    u32 PaintTriangle(s32 x, s32 z, u32 t, u32 value);
    // Ends the stroke; when it changed something, pushes one undo entry for the grid pair of
    // the brush mode (as already applied). Answers whether an entry was pushed.
    int EndBrushStroke();

    // Flood fills with the brush material (locks and Shift do not matter); one undo entry
    // when something changed. A position off the mesh fills nothing. The vertex fill starts at
    // the nearest vertex (position + 0.5, truncated), the triangle fill at the triangle that
    // holds the position. Answer: filled or not.
    int FloodFillVertices(float x, float z);
    int FloodFillTriangles(float x, float z);

    // Undo / redo of the detail history; answer whether something ran (the model is then modified).
    int Undo();
    int Redo();

    // --- Brush outlines ---

    // The outline's points in mesh space (x, height in 1/512 units, z), three floats each,
    // into points (room for segments + 1 points). Round: segments + 1 points, point i for
    // i = segments down to 0 at angle (i + 0.5) x 2 pi / segments - pi / 2. Square: four
    // sides of segments / 4 points from the corners (-r,-r), (r,-r), (r,r), (-r,r). Answers
    // the count, 0 when the centre lies off the mesh.
    u32 DrawRoundBrush(float x, float z, float radius, u32 segments, float* points) const;
    u32 DrawSquareBrush(float x, float z, float radius, u32 segments, float* points) const;

    void MarkModified();

    // --- State (fields the editor reads and sets) ---
    MeshTagData* mesh;
    u32 width, height;              // W and H
    u32 chunksAcross, chunksDown;
    DynArray<MeshChunk> chunks;
    ChunkReleaser releaseChunk;     // deletes a chunk's texture; null headless

    MediaWave wave;
    u32 mediaAnimation;
    u32 frameCounter;
    ViewFrustum frustum;

    u32 detailMapLoaded;
    DetailGrid* vertexGrid;
    DetailGrid* vertexSaved;
    DetailGrid* triangleGrid;
    DetailGrid* triangleSaved;
    s32 strokeRect[4];  // x0, z0, x1, z1 inclusive
    u32 strokeActive;
    u32 strokeEmpty;    // the stroke rectangle is not yet set
    u32 strokeChanged;  // the stroke changed at least one element
    u32 shiftAtPress;
    u8 locked[kDetailMaterials];

    DetailBrush brush;
    u32 brushShape;
    u32 brushMode;
    UndoHistory history;

    u32 modified;
    void (*modifiedHook)(void* owner);
    void* hookOwner;

private:
    // The parts of ComputeBlendCodes, over a rectangle already clipped to the chunk.
    void ComputeChunkHeights(MeshChunk* chunk, s32 x0, s32 z0, s32 x1, s32 z1);
    void ComputeChunkCodes(MeshChunk* chunk, s32 x0, s32 z0, s32 x1, s32 z1);
    // Grows the vertex rectangle by one, clips it to the mesh and gives the chunk columns and
    // rows it overlaps; false when it overlaps none.
    bool RegionChunks(s64& x0, s64& x1, s64& z0, s64& z1, s64 range[4]) const;
    void Rebuild(s64 x0, s64 x1, s64 z0, s64 z1, bool heights);
    void GrowStroke(s32 x0, s32 z0, s32 x1, s32 z1);
    // After one brush application over range: the stroke grows, and what changed is rebuilt.
    void FinishBrushApplication(const s32 range[4], u32 changed);
    void FreeChunks();
    void FreeDetailGrids();
};
