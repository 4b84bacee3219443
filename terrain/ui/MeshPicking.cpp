#include "terrain/ui/MeshPicking.h"

#include <GL/gl.h>
#include <GL/glu.h>

int PickMeshPoint(const PickViewport& view, s32 x, s32 y, float* outX, float* outZ)
{
    *outX = -1;
    *outZ = -1;
    if (x < 0 || y < 0 || x >= view.width || y >= view.height) return 0;
    GLdouble modelview[16], projection[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    GLfloat depth = 1;
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(view.left + x, view.screenHeight - 1 - (view.top + y), 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    glPopClientAttrib();
    // The far plane under an empty pixel unprojects to some point that may lie over the mesh.
    if (depth >= 1.0f) return 0;
    const GLint viewport[4] = {0, 0, view.width, view.height};
    GLdouble px = 0, py = 0, pz = 0;
    if (gluUnProject(x + 0.5, view.height - y - 0.5, depth, modelview, projection, viewport, &px, &py, &pz) != GL_TRUE)
        return 0;
    *outX = float(px);
    *outZ = float(pz);
    return 1;
}
