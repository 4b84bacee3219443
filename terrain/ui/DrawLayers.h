#pragma once
// The terrain's draw layers: the textured surface (colour map alone, or with up to three
// detail-texture passes per triangle), the data colouring ("Texture Index", "Reflectivity",
// "Terrain Type"), the wireframe and the triangle centres. Each layer is a setup that
// brackets one chunk's drawing with OpenGL state and a draw that walks the chunk's squares
// x0..x1-1 by z0..z1-1 (vertex rectangle) and calls a cell painter. The context must be current.
#include "foundation/Types.h"

class MeshEdit;
struct MeshChunk;

struct DrawLayer {
    void (*setup)(MeshEdit& editor, int begin);
    void (*draw)(MeshEdit& editor, const MeshChunk& chunk, s32 x0, s32 z0, s32 x1, s32 z1);
};

// In drawing order: textured, data colouring, wireframe, triangle centres; MeshEdit's
// layerEnabled says which are drawn.
extern const DrawLayer kDrawLayers[4];

void BeginTexturedLayer(MeshEdit& editor, int begin);
void BeginDataLayer(MeshEdit& editor, int begin);
void BeginWireframeLayer(MeshEdit& editor, int begin);
void BeginCentreLayer(MeshEdit& editor, int begin);

// Counts the visible squares it draws in the editor's renderedSquares. Drawn from the
// editor's ChunkBatches.
void DrawTexturedLayer(MeshEdit& editor, const MeshChunk& chunk, s32 x0, s32 z0, s32 x1, s32 z1);
// Nothing in "Texture Index" mode while no material is highlighted.
void DrawDataLayer(MeshEdit& editor, const MeshChunk& chunk, s32 x0, s32 z0, s32 x1, s32 z1);
void DrawWireframeLayer(MeshEdit& editor, const MeshChunk& chunk, s32 x0, s32 z0, s32 x1, s32 z1);
void DrawTriangleCentres(MeshEdit& editor, const MeshChunk& chunk, s32 x0, s32 z0, s32 x1, s32 z1);

// The corners of a square's two triangles in the order they are sent, by parity of x + z:
// triangle 0 = a, d, c (even) or a, d, b (odd); triangle 1 = a, c, b (even) or b, d, c (odd);
// a = (x, z), b = (x+1, z), c = (x+1, z+1), d = (x, z+1). Offsets (dx, dz) per corner.
extern const s32 kSquareCorners[2][2][3][2];

// Corner (x, z)'s vertex (mesh coordinates, within the chunk): the chunk height; moved by the
// media wave while it runs in the second form.
void VertexPosition(const MeshChunk& chunk, s32 x, s32 z, float p[3]);
void MovedVertexPosition(const MeshEdit& editor, const MeshChunk& chunk, s32 x, s32 z, float p[3]);
// The colour-map coordinates of the chunk's corner (lx, lz) (0..32 each).
void ColorTexCoords(s32 lx, s32 lz, float st[2]);

// Cell painters for square (x, z) in mesh coordinates; the data colourings go inside the
// layer's GL_TRIANGLES bracket.
void DrawCellByMaterial(MeshEdit& editor, const MeshChunk& chunk, s32 x, s32 z);
void DrawCellByReflectivity(MeshEdit& editor, const MeshChunk& chunk, s32 x, s32 z);
void DrawCellByTerrainType(MeshEdit& editor, const MeshChunk& chunk, s32 x, s32 z);
// Pass 0: both triangles in red; pass 1: triangles with an explicit material in yellow.
void DrawCellWireframe(MeshEdit& editor, const MeshChunk& chunk, s32 x, s32 z, u32 pass);
