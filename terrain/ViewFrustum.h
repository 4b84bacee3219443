#pragma once
// The terrain view's volume: an off-axis perspective frustum whose axis lies 3/14 of the
// height below the top edge, and the box test culling uses.
#include "foundation/Types.h"

struct ViewFrustum {
    float fieldOfView;  // degrees, horizontal
    float nearPlane, farPlane;
    float top, right, bottom, left;  // extents of the near rectangle
    float normals[4][3];  // outward unit normals of the top, right, bottom and left side planes (eye space)

    // Half width r = tan(fov / 2) x near, k = r x height / width: right r, left -r, top 3/7 k,
    // bottom -11/7 k; the side planes pass through the eye and the near rectangle's edges.
    // A zero width or height is taken as 1.
    void Set(u32 width, u32 height, float fov, float nearPlane, float farPlane);
};

// Classifies a box {min x, y, z, max x, y, z} against four planes through the eye (a point p
// is outside a plane when normal . (p - eye) > 0): 0 when all eight corners lie outside one
// plane, 2 when no corner lies outside any plane, else 1.
int ClassifyBox(const float box[6], const float normals[4][3], const float eye[3]);
