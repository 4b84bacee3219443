#include "terrain/ViewFrustum.h"

#include <cmath>

namespace {

void SetNormal(float* n, float x, float y, float z)
{
    const float length = std::sqrt(x * x + y * y + z * z);
    n[0] = x / length;
    n[1] = y / length;
    n[2] = z / length;
}

}  // namespace

void ViewFrustum::Set(u32 width, u32 height, float fov, float nearValue, float farValue)
{
    if (width == 0) width = 1;
    if (height == 0) height = 1;
    fieldOfView = fov;
    nearPlane = nearValue;
    farPlane = farValue;
    const float r = std::tan(fov * 0.5f * 3.14159265358979f / 180.0f) * nearValue;
    const float k = r * float(height) / float(width);
    right = r;
    left = -r;
    top = 3.0f / 7.0f * k;
    bottom = -11.0f / 7.0f * k;
    SetNormal(normals[0], 0, 1, top);
    SetNormal(normals[1], 1, 0, r);
    SetNormal(normals[2], 0, -1, -bottom);
    SetNormal(normals[3], -1, 0, r);
}

int ClassifyBox(const float box[6], const float normals[4][3], const float eye[3])
{
    float corners[8][3];
    for (u32 i = 0; i < 8; ++i) {
        corners[i][0] = box[(i & 1) ? 3 : 0] - eye[0];
        corners[i][1] = box[(i & 2) ? 4 : 1] - eye[1];
        corners[i][2] = box[(i & 4) ? 5 : 2] - eye[2];
    }
    bool anyOutside = false;
    for (u32 p = 0; p < 4; ++p) {
        const float* n = normals[p];
        u32 outside = 0;
        for (u32 i = 0; i < 8; ++i)
            if (n[0] * corners[i][0] + n[1] * corners[i][1] + n[2] * corners[i][2] > 0) ++outside;
        if (outside == 8) return 0;
        if (outside) anyOutside = true;
    }
    return anyOutside ? 1 : 2;
}
