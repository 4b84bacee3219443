#include "model/ui/View3D.h"

#include <GL/gl.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "foundation/Matrix.h"
#include "gui/Window.h"
#include "gui/WindowSystem.h"

namespace {

constexpr float kTurn = 6.28318530717958647692f;

void Cross(const float a[3], const float b[3], float out[3])
{
    out[0] = a[1] * b[2] - a[2] * b[1];
    out[1] = a[2] * b[0] - a[0] * b[2];
    out[2] = a[0] * b[1] - a[1] * b[0];
}

void Normalize(float v[3])
{
    float n = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (n > 0)
        for (int i = 0; i < 3; ++i) v[i] /= n;
}

}  // namespace

View3D::View3D(Window* ownerWindow)
{
    memset(eyeOffset, 0, sizeof eyeOffset);
    memset(up, 0, sizeof up);
    memset(right, 0, sizeof right);
    memset(baseTarget, 0, sizeof baseTarget);
    memset(target, 0, sizeof target);
    memset(baseAngles, 0, sizeof baseAngles);
    memset(angles, 0, sizeof angles);
    nearPlane = 1;
    farPlane = 256;
    fieldOfView = 45;
    baseDistance = distance = 5000;
    owner = ownerWindow;
    memset(projection, 0, sizeof projection);
    memset(modelView, 0, sizeof modelView);
    models = {};
    depthList = {};
    sortScratch = {};
    positions = {};
    texCoords = {};
    colors = {};
}

View3D::~View3D()
{
    for (ModelTextures& entry : textures) DeleteTextures(&entry);
    models.Free();
    sortScratch.Free();
    positions.Free();
    texCoords.Free();
    colors.Free();
}

void View3D::SetDistance(float d)
{
    baseDistance = distance = d;
    farPlane = std::fmax(256.0f, 2 * d);
}

void View3D::SetAngles(float a, float b, float c)
{
    baseAngles[0] = angles[0] = a;
    baseAngles[1] = angles[1] = b;
    baseAngles[2] = angles[2] = c;
}

void View3D::SetTarget(float x, float y, float z)
{
    baseTarget[0] = target[0] = x;
    baseTarget[1] = target[1] = y;
    baseTarget[2] = target[2] = z;
}

void View3D::Rotate(s32 dx, s32 dy)
{
    angles[0] = baseAngles[0] + float(dx) * kTurn / 256;
    angles[1] = baseAngles[1] + float(dy) * kTurn / 256;
}

void View3D::Pan(s32 dx, s32 dy)
{
    for (int i = 0; i < 3; ++i) target[i] = baseTarget[i] + (float(dx) * right[i] + float(dy) * up[i]) / 128;
}

void View3D::Zoom(s32 dx, s32)
{
    distance = baseDistance * std::exp2(float(dx) / 32);
    nearPlane = 1;
    farPlane = std::fmax(2 * distance, 65535.0f);
}

void View3D::CommitDrag()
{
    memcpy(baseTarget, target, sizeof target);
    memcpy(baseAngles, angles, sizeof angles);
    baseDistance = distance;
}

void View3D::AddModel(RenderModel* model)
{
    listBuilt = false;
    models.Push(model);
}

void View3D::RemoveModel(RenderModel* model)
{
    listBuilt = false;
    for (u32 i = 0; i < models.count; ++i)
        if (models.data[i] == model) {
            models.RemoveRange(i, 1);
            break;
        }
    for (size_t i = 0; i < textures.size(); ++i)
        if (textures[i].model == model) {
            DeleteTextures(&textures[i]);
            textures.erase(textures.begin() + long(i));
            break;
        }
}

void View3D::DeleteTextures(ModelTextures* entry)
{
    for (GLTexture& t : entry->textures) t.Delete();
    entry->textures.clear();
    entry->tried.clear();
}

u32 View3D::GetMaterialTexture(const RenderModel* model, u32 material) const
{
    for (const ModelTextures& entry : textures)
        if (entry.model == model) return material < entry.textures.size() ? entry.textures[material].id : 0;
    return 0;
}

u32 View3D::MaterialTexture(const RenderModel* model, u32 material)
{
    ModelTextures* entry = nullptr;
    for (ModelTextures& e : textures)
        if (e.model == model) entry = &e;
    if (!entry) {
        textures.push_back(ModelTextures{model, {}, {}});
        entry = &textures.back();
    }
    if (material >= entry->textures.size()) {
        entry->textures.resize(size_t(material) + 1);
        entry->tried.resize(size_t(material) + 1, 0);
    }
    if (!entry->tried[material]) {
        entry->tried[material] = 1;
        u32 w = 0, h = 0;
        if (u8* rgba = RenderMaterialRgba(model->materials.data[material], &w, &h)) {
            GLboolean wasOn = glIsEnabled(GL_TEXTURE_2D);
            glEnable(GL_TEXTURE_2D);
            entry->textures[material].Create(rgba, GLTEX_RGBA, w, h, 0, 0);
            if (!wasOn) glDisable(GL_TEXTURE_2D);
            free(rgba);
        }
    }
    return entry->textures[material].id;
}

void View3D::SetupProjection()
{
    GLint viewport[4] = {0, 0, 1, 1};
    glGetIntegerv(GL_VIEWPORT, viewport);
    float w = float(viewport[2] > 0 ? viewport[2] : 1), h = float(viewport[3] > 0 ? viewport[3] : 1);
    // A model viewed from closer than the near plane would lose its front: the plane comes
    // in with the camera.
    float nearZ = std::fmin(nearPlane, std::fmax(distance / 100, 0.001f));
    float f = std::tan(fieldOfView * kTurn / 720) * nearZ;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-f * w / h, f * w / h, -f, f, nearZ, farPlane);

    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    float rotation[16];
    SetIdentityMatrix(rotation);
    RotateMatrix(rotation, angles[0], angles[1], angles[2]);
    const float back[3] = {0, 0, -distance}, yAxis[3] = {0, 1, 0}, xAxis[3] = {1, 0, 0}, zAxis[3] = {0, 0, 1};
    TransformPoint(rotation, eyeOffset, back);
    TransformPoint(rotation, up, yAxis);
    TransformPoint(rotation, right, xAxis);
    // The view direction comes from the angles alone, so a distance of 0 still looks somewhere.
    float forward[3];
    TransformPoint(rotation, forward, zAxis);
    Normalize(forward);
    float side[3], trueUp[3];
    Cross(forward, up, side);
    Normalize(side);
    Cross(side, forward, trueUp);
    const float eye[3] = {target[0] + eyeOffset[0], target[1] + eyeOffset[1], target[2] + eyeOffset[2]};
    double look[16] = {side[0], trueUp[0], -forward[0], 0, side[1], trueUp[1], -forward[1], 0,
                       side[2], trueUp[2], -forward[2], 0, 0, 0, 0, 1};
    glMultMatrixd(look);
    glTranslated(-eye[0], -eye[1], -eye[2]);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetDoublev(GL_MODELVIEW_MATRIX, modelView);

    // Column-major: clip = projection x modelView x point.
    double pm[16];
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r) {
            double s = 0;
            for (int k = 0; k < 4; ++k) s += projection[k * 4 + r] * modelView[c * 4 + k];
            pm[c * 4 + r] = s;
        }
    const float screenHeight = float(WindowSystem::GetScreenSize().height);
    // A vertex is projected again only when the camera, the viewport or the vertex changed
    // since the last frame, and a triangle's depth taken again only when one of its model's
    // vertices was or the triangle changed: a still model costs a comparison per vertex and
    // per triangle.
    const bool sameShapes = NoteShapes();
    bool all = !sameShapes || !cameraKept || std::memcmp(pm, keptCamera, sizeof pm) != 0 ||
               std::memcmp(viewport, keptViewport, sizeof keptViewport) != 0 ||
               std::memcmp(&screenHeight, &keptScreenHeight, sizeof screenHeight) != 0;
    std::memcpy(keptCamera, pm, sizeof pm);
    std::memcpy(keptViewport, viewport, sizeof keptViewport);
    keptScreenHeight = screenHeight;
    cameraKept = true;
    listStale = listStale || !sameShapes;
    RenderVertex* keptVertex = vertexKeys.data();
    TriangleKey* keptTriangle = triangleKeys.data();
    for (RenderModel* model : models) {
        const u32 n = model->vertices.count;
        bool reprojected = all;
        if (all || std::memcmp(model->vertices.data, keptVertex, size_t(n) * sizeof(RenderVertex)) != 0) {
            for (u32 i = 0; i < n; ++i) {
                RenderVertex& v = model->vertices.data[i];
                if (!all && std::memcmp(&v, &keptVertex[i], sizeof v) == 0) continue;
                if (std::memcmp(v.position, keptVertex[i].position, sizeof v.position) != 0) listStale = true;
                const float* p = v.position;
                double clip[4];
                for (int r = 0; r < 4; ++r) clip[r] = pm[r] * p[0] + pm[4 + r] * p[1] + pm[8 + r] * p[2] + pm[12 + r];
                double wc = clip[3] != 0 ? clip[3] : 1e-30;
                v.projected[0] = float(viewport[0] + viewport[2] * (clip[0] / wc + 1) / 2);
                v.projected[1] = screenHeight - float(viewport[1] + viewport[3] * (clip[1] / wc + 1) / 2);
                v.projected[2] = float((clip[2] / wc + 1) / 2);
                keptVertex[i] = v;
                reprojected = true;
            }
        }
        keptVertex += n;
        for (RenderTriangle& t : model->triangles) {
            TriangleKey k = KeyOf(t);
            if (reprojected || std::memcmp(&k, keptTriangle, sizeof k) != 0) {
                float d = INFINITY;
                for (const RenderCorner& c : t.corner)
                    if (c.vertex >= 0 && u32(c.vertex) < n) {
                        // fmin's rule without the library call: a depth that is not a number is passed over.
                        const float z = model->vertices.data[c.vertex].projected[2];
                        if (z < d) d = z;
                    }
                t.sortDepth = d;
                k.sortDepth = d;
                if (std::memcmp(&k, keptTriangle, sizeof k) != 0) {
                    *keptTriangle = k;
                    listStale = true;
                }
            }
            ++keptTriangle;
        }
    }
}

View3D::TriangleKey View3D::KeyOf(const RenderTriangle& t)
{
    TriangleKey k;
    k.model = t.model;
    k.sortDepth = t.sortDepth;
    k.material = t.material;
    k.color = t.color;
    for (u32 c = 0; c < 3; ++c) {
        k.vertex[c] = t.corner[c].vertex;
        k.uv[c * 2] = t.corner[c].u;
        k.uv[c * 2 + 1] = t.corner[c].v;
    }
    return k;
}

bool View3D::NoteShapes()
{
    bool same = shapes.size() == models.count;
    shapes.resize(models.count);
    size_t triangles = 0, vertices = 0;
    for (u32 m = 0; m < models.count; ++m) {
        const RenderModel* model = models.data[m];
        ModelShape shape = {model,
                            model->triangles.data,
                            model->vertices.data,
                            model->triangles.count,
                            model->vertices.count,
                            model->materials.count};
        same = same && std::memcmp(&shape, &shapes[m], sizeof shape) == 0;
        shapes[m] = shape;
        triangles += model->triangles.count;
        vertices += model->vertices.count;
    }
    if (triangleKeys.size() != triangles || vertexKeys.size() != vertices) {
        same = false;
        triangleKeys.resize(triangles);
        vertexKeys.resize(vertices);
    }
    return same;
}

void View3D::BuildDrawList()
{
    BuildDepthList(&depthList, models.data, models.count, &sortScratch);
    // One vertex array in draw order, drawn in runs that share a texture.
    positions.ResizeRaw(depthList.count * 9);
    texCoords.ResizeRaw(depthList.count * 6);
    colors.ResizeRaw(depthList.count * 3);
    u32 n = 0;
    runs.clear();
    for (RenderTriangle* t = depthList.head; t; t = t->sortNext) {
        RenderModel* model = t->model;
        u32 texture = 0;
        if (t->material >= 0 && u32(t->material) < model->materials.count)
            texture = MaterialTexture(model, u32(t->material));
        if (runs.empty() || runs.back().texture != texture) runs.push_back(Run{n, texture, t->color, true});
        const u32 count = model->vertices.count;
        bool inside = true;
        for (const RenderCorner& c : t->corner) inside = inside && c.vertex >= 0 && u32(c.vertex) < count;
        if (!inside) continue;
        Run& run = runs.back();
        run.oneColor = run.oneColor && run.color == t->color;
        for (const RenderCorner& c : t->corner) {
            texCoords.data[n * 2] = c.u;
            texCoords.data[n * 2 + 1] = c.v;
            colors.data[n] = t->color;
            memcpy(&positions.data[n * 3], model->vertices.data[c.vertex].position, 3 * sizeof(float));
            ++n;
        }
    }
    drawnVertices = n;
    listBuilt = true;
    listStale = false;
}

void View3D::Draw()
{
    SetupProjection();
    // The order and the vertex array follow from the depths, the triangles and the positions
    // alone: a frame that changes none of them draws what the last one built.
    if (listStale || !listBuilt) BuildDrawList();
    const u32 n = drawnVertices;
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    if (n) {
        glEnableClientState(GL_VERTEX_ARRAY);
        // Separate arrays: the driver copies only those a run enables.
        glTexCoordPointer(2, GL_FLOAT, 0, texCoords.data);
        glColorPointer(4, GL_UNSIGNED_BYTE, 0, colors.data);
        glVertexPointer(3, GL_FLOAT, 0, positions.data);
    }
    // A run without a texture needs no texture coordinates, and a run of one colour takes it
    // as the current colour: the same pixels with fewer values sent per vertex.
    for (size_t r = 0; r < runs.size() && n; ++r) {
        const Run& run = runs[r];
        u32 end = r + 1 < runs.size() ? runs[r + 1].first : n;
        if (end <= run.first) continue;
        if (run.texture) {
            glEnable(GL_TEXTURE_2D);
            glBindTexture(GL_TEXTURE_2D, run.texture);
            glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        } else {
            glDisable(GL_TEXTURE_2D);
            glDisableClientState(GL_TEXTURE_COORD_ARRAY);
        }
        if (run.oneColor) {
            glDisableClientState(GL_COLOR_ARRAY);
            const u8* c = reinterpret_cast<const u8*>(&run.color);
            glColor4ub(c[0], c[1], c[2], c[3]);
        } else {
            glEnableClientState(GL_COLOR_ARRAY);
        }
        glDrawArrays(GL_TRIANGLES, GLint(run.first), GLsizei(end - run.first));
    }
    glPopClientAttrib();
    glDisable(GL_TEXTURE_2D);
}
