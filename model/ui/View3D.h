#pragma once
// The small 3D model view: an orbit camera around a target point and a list of render models
// whose triangles it draws from far to near with alpha blending.
//
// A drag computes the current camera values from the base values it started with;
// CommitDrag makes the current values the new base.
#include <vector>

#include "foundation/DynArray.h"
#include "model/DepthList.h"
#include "model/RenderModel.h"
#include "platform/GLTexture.h"

class Window;

class View3D {
public:
    explicit View3D(Window* owner);
    // Frees the model list (not the models), the draw list's storage and the textures it made
    // (the owner's OpenGL context must be current when a texture was made).
    ~View3D();
    View3D(const View3D&) = delete;
    View3D& operator=(const View3D&) = delete;

    // Each sets both the base and the current value. SetDistance also moves the far plane
    // out to twice the distance (at least 256), so that the whole model stays inside it.
    void SetDistance(float d);
    void SetAngles(float a, float b, float c);
    void SetTarget(float x, float y, float z);

    // The drag operations, given the pixels moved since the drag began. Rotate: one pixel is
    // 1/256 of a turn about the first two angles. Pan: the target moves by (dx right + dy up)
    // / 128. Zoom: 32 pixels to the right double the distance, to the left halve it; vertical
    // motion does nothing.
    void Rotate(s32 dx, s32 dy);
    void Pan(s32 dx, s32 dy);
    void Zoom(s32 dx, s32 dy);
    void CommitDrag();

    // Not owned; a model is drawn until removed. Removing it deletes the textures made for it.
    void AddModel(RenderModel* model);
    void RemoveModel(RenderModel* model);
    // The OpenGL name of the texture made for the model's material, or 0 when none was made.
    u32 GetMaterialTexture(const RenderModel* model, u32 material) const;

    // Both inside the owner's 3D drawing bracket. SetupProjection sets the frustum and the
    // camera for the current viewport, saves both matrices, and leaves every vertex projected
    // (window x, screen height - window y, depth) and every triangle with the least depth of
    // its corners; only what changed since the last call is computed again. Draw does that,
    // orders the triangles far to near and draws them, making each material's texture the
    // first time it is drawn.
    void SetupProjection();
    void Draw();

    // Camera space, computed each frame.
    float eyeOffset[3];
    float up[3];
    float right[3];
    float baseTarget[4];
    float target[4];
    float baseAngles[3];
    float angles[3];
    float nearPlane;
    float farPlane;
    float fieldOfView;  // vertical, degrees
    float baseDistance;
    float distance;
    Window* owner;
    double projection[16];
    double modelView[16];
    DynArray<RenderModel*> models;
    DepthList depthList;

private:
    // The textures of one model's materials, made the first time each is drawn.
    struct ModelTextures {
        const RenderModel* model;
        std::vector<GLTexture> textures;
        std::vector<u8> tried;  // made, or found to have no usable picture
    };
    // The material's texture name, made on first use; 0 without a usable picture.
    u32 MaterialTexture(const RenderModel* model, u32 material);
    void DeleteTextures(ModelTextures* entry);

    struct Run {
        u32 first, texture;
        u32 color;
        bool oneColor;
    };
    // What the projection and the draw list were made from: each model's arrays, and per
    // triangle what orders and draws it, per vertex its position and projection.
    struct ModelShape {
        const RenderModel* model;
        const RenderTriangle* triangles;
        const RenderVertex* vertices;
        u64 triangleCount, vertexCount, materialCount;
    };
    struct TriangleKey {
        const RenderModel* model;
        float sortDepth;
        s32 material;
        u32 color;
        s32 vertex[3];
        float uv[6];
    };
    static TriangleKey KeyOf(const RenderTriangle& t);
    // Whether the models and their arrays are those of the last frame; notes them and sizes
    // the per-vertex and per-triangle notes for this frame.
    bool NoteShapes();
    // Orders the triangles far to near into the depth list and fills the vertex array and runs.
    void BuildDrawList();

    DynArray<RenderTriangle*> sortScratch;
    // The vertex arrays in draw order: three floats, two floats and RGBA bytes per corner.
    DynArray<float> positions;
    DynArray<float> texCoords;
    DynArray<u32> colors;
    std::vector<Run> runs;
    u32 drawnVertices = 0;
    bool listBuilt = false;
    // A triangle, a position or the models changed since the list was built.
    bool listStale = true;
    std::vector<ModelShape> shapes;
    std::vector<TriangleKey> triangleKeys;
    std::vector<RenderVertex> vertexKeys;
    // The camera (projection x model view), viewport and screen height the vertices were
    // last projected with.
    bool cameraKept = false;
    double keptCamera[16] = {};
    s32 keptViewport[4] = {};
    float keptScreenHeight = 0;
    std::vector<ModelTextures> textures;
};
