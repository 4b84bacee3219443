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

// Counts the visible squares it draws in the editor's renderedSquares.
void DrawTexturedLayer(MeshEdit& editor, const MeshChunk& chunk, s32 x0, s32 z0, s32 x1, s32 z1);
// Nothing in "Texture Index" mode while no material is highlighted.
void DrawDataLayer(MeshEdit& editor, const MeshChunk& chunk, s32 x0, s32 z0, s32 x1, s32 z1);
void DrawWireframeLayer(MeshEdit& editor, const MeshChunk& chunk, s32 x0, s32 z0, s32 x1, s32 z1);
void DrawTriangleCentres(MeshEdit& editor, const MeshChunk& chunk, s32 x0, s32 z0, s32 x1, s32 z1);

// Cell painters for square (x, z) in mesh coordinates.
void DrawCellColorOnly(MeshEdit& editor, const MeshChunk& chunk, s32 x, s32 z);
void DrawCellDetailed(MeshEdit& editor, const MeshChunk& chunk, s32 x, s32 z);
void DrawCellByMaterial(MeshEdit& editor, const MeshChunk& chunk, s32 x, s32 z);
void DrawCellByReflectivity(MeshEdit& editor, const MeshChunk& chunk, s32 x, s32 z);
void DrawCellByTerrainType(MeshEdit& editor, const MeshChunk& chunk, s32 x, s32 z);
// Pass 0: both triangles in red; pass 1: triangles with an explicit material in yellow.
void DrawCellWireframe(MeshEdit& editor, const MeshChunk& chunk, s32 x, s32 z, u32 pass);
