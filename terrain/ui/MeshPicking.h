#pragma once
// Finding the mesh point drawn under a pixel of the terrain view. Call it inside the 3D pass,
// after the chunks are drawn, while the model-view matrix still holds the camera, the x
// mirror and the height scale, and the viewport covers the view's content.
#include "foundation/Types.h"

// The content's place on a screen of screenHeight pixels (top-left origin).
struct PickViewport {
    s32 left, top, width, height;
    s32 screenHeight;
};

// Reads the depth under content point (x, y) and unprojects the pixel's centre with the
// current matrices: out x and z are mesh coordinates (cells). Answers 1, or 0 with both set to
// -1 when the pixel lies outside the content or shows the background (depth 1), so an empty
// spot never counts as a point of the mesh.
int PickMeshPoint(const PickViewport& view, s32 x, s32 y, float* outX, float* outZ);
