#pragma once
// Drawing the brush outline over the terrain, inside the 3D pass (mesh-space model-view: x
// mirror and height scale applied), in the current colour, with depth testing off so the
// outline shows through hills. Nothing is drawn when the centre lies off the mesh.
#include "foundation/Types.h"

class TerrainModel;

void DrawRoundBrush(const TerrainModel& model, float x, float z, float radius, u32 segments);
void DrawSquareBrush(const TerrainModel& model, float x, float z, float radius, u32 segments);
