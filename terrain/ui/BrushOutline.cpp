#include "terrain/ui/BrushOutline.h"

#include <GL/gl.h>

#include <vector>

#include "terrain/TerrainModel.h"

namespace {

void DrawLoop(const std::vector<float>& points, u32 count)
{
    if (count == 0) return;
    const GLboolean depth = glIsEnabled(GL_DEPTH_TEST);
    glDisable(GL_DEPTH_TEST);
    glBegin(GL_LINE_LOOP);
    for (u32 i = 0; i < count; ++i) glVertex3fv(&points[size_t(i) * 3]);
    glEnd();
    if (depth) glEnable(GL_DEPTH_TEST);
}

}  // namespace

void DrawRoundBrush(const TerrainModel& model, float x, float z, float radius, u32 segments)
{
    std::vector<float> points((size_t(segments) + 1) * 3);
    DrawLoop(points, model.DrawRoundBrush(x, z, radius, segments, points.data()));
}

void DrawSquareBrush(const TerrainModel& model, float x, float z, float radius, u32 segments)
{
    std::vector<float> points((size_t(segments) + 1) * 3);
    DrawLoop(points, model.DrawSquareBrush(x, z, radius, segments, points.data()));
}
