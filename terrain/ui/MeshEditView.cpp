// The terrain editor's view: the step clock and camera steps, the projection, the terrain
// drawn through the camera, the brush outline and the information overlay.
#include <GL/gl.h>

#include <algorithm>
#include <cmath>

#include "gui/ListWindow.h"
#include "gui/WindowSystem.h"
#include "gui/core/Font.h"
#include "platform/Os.h"
#include "platform/OsKeys.h"
#include "terrain/MeshOverlay.h"
#include "terrain/ui/BrushOutline.h"
#include "terrain/ui/DrawLayers.h"
#include "terrain/ui/MeshEdit.h"
#include "terrain/ui/MeshPicking.h"

namespace {

bool KeyHeld(u32 key) { return WindowSystem::IsKeyDown(key); }

// The folded modifier code of the window system that the platform layer never delivers.
constexpr u32 kFoldedModifierKey = 123;

}  // namespace

void MeshEdit::AdvanceStepClock()
{
    for (u32 due = clock.Advance(OsGetTime()); due; --due) StepFrame();
}

void MeshEdit::StepFrame()
{
    ++model.frameCounter;
    bool moved = false;
    if (!WindowSystem::IsKeyDown(KEY_CTRL) && !WindowSystem::IsKeyDown(kFoldedModifierKey)) moved = MoveCameraByKeys();
    if (redrawRequest) {
        moved = true;
        redrawRequest = 0;
    }
    if (model.mediaAnimation) redrawRequest = 1;
    if (moved || model.mediaAnimation) {
        ++stepRedraws;
        Invalidate(0);
    }
}

bool MeshEdit::MoveCameraByKeys()
{
    if (!cameraKeysSeen) return false;
    return camera.MoveByKeys(KeyHeld);
}

void MeshEdit::SetupProjection()
{
    const s32 w = content.Width(), h = content.Height();
    model.frustum.Set(u32(w), u32(h), MeshViewFieldOfView(w, h), 1, 10000);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    const ViewFrustum& f = model.frustum;
    glFrustum(f.left, f.right, f.bottom, f.top, f.nearPlane, f.farPlane);
    glMatrixMode(GL_MODELVIEW);
}

void MeshEdit::ApplyCameraRotation()
{
    float m[16];
    camera.RotationMatrix(m);
    glMultMatrixf(m);
}

String MeshEdit::OverlayText() const
{
    MeshOverlayInfo info = {};
    info.chunksAcross = model.chunksAcross;
    info.chunksDown = model.chunksDown;
    CountChunkClasses(model, info.chunkClasses);
    info.rendered = renderedSquares;
    info.wireframe = wireframe;
    info.mediaAnimation = model.mediaAnimation;
    info.detailTextures = detailTextures && model.detailMapLoaded;
    info.highlighting = highlighting;
    info.highlightMode = highlightMode;
    info.tool = tool;
    info.brushShape = model.brushShape;
    info.brushMode = model.brushMode;
    info.radius = model.brush.radius;
    info.materialName = materialName.c_str();
    info.materialScale = MaterialScale(model.brush.material);
    info.brushX = model.brush.x;
    info.brushZ = model.brush.z;
    return FormatMeshOverlay(info);
}

void MeshEdit::DrawChunks()
{
    const s32 lastX = s32(model.Width()) - 1, lastZ = s32(model.Height()) - 1;
    batches.BeginFrame(model.chunks.count);
    for (u32 k = 0; k < model.chunks.count; ++k) {
        const MeshChunk& chunk = model.chunks.data[k];
        if (chunk.classification == kCullOutside) continue;
        const s32 x1 = std::min(chunk.x0 + 32, lastX), z1 = std::min(chunk.z0 + 32, lastZ);
        for (u32 layer = 0; layer < 4; ++layer) {
            if (!layerEnabled[layer]) continue;
            kDrawLayers[layer].setup(*this, 1);
            kDrawLayers[layer].draw(*this, chunk, chunk.x0, chunk.z0, x1, z1);
            kDrawLayers[layer].setup(*this, 0);
        }
    }
    batches.EndFrame();
}

void MeshEdit::DrawBrushOutline()
{
    const DetailBrush& b = model.brush;
    if (tool != kMeshDetailTool || !IsFocused() || b.x < 0 || b.z < 0) return;
    glDisable(GL_DEPTH_TEST);
    glColor4ub(255, 255, 255, 255);
    if (model.brushShape == kBrushSquare) ::DrawSquareBrush(model, b.x, b.z, b.radius, 256);
    else ::DrawRoundBrush(model, b.x, b.z, b.radius, 256);
    glEnable(GL_DEPTH_TEST);
}

void MeshEdit::DrawContent()
{
    if (!WindowSystem::IsGLEnabled()) return;
    const s32 w = content.Width(), h = content.Height();
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    BeginDraw(1, 1);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    renderedSquares = 0;
    // A view without area has no projection: nothing of the 3D pass is drawn or picked.
    if (model.mesh && w > 0 && h > 0) {
        SetupProjection();
        glLoadIdentity();
        glPushMatrix();
        ApplyCameraRotation();
        float rotation[16];
        camera.RotationMatrix(rotation);
        model.CullChunks(rotation, camera.eye);
        glTranslatef(-camera.eye[0], -camera.eye[1], -camera.eye[2]);
        glScalef(-1, 1.0f / 512, 1);
        glFrontFace(GL_CW);
        glEnable(GL_CULL_FACE);
        glCullFace(GL_BACK);
        DrawChunks();
        glDisable(GL_CULL_FACE);
        if (mouseInView) {
            const PickViewport view{content.left, content.top, w, h, WindowSystem::GetScreenSize().height};
            float x = -1, z = -1;
            PickMeshPoint(view, mouse[0], mouse[1], &x, &z);
            if (!model.IsOnMesh(x, z)) x = z = -1;
            DetailBrush& b = model.brush;
            b.x = x, b.z = z;
            if (b.x != b.lastX || b.z != b.lastZ) {
                brushMoved = 1;
                b.lastX = b.x, b.lastZ = b.z;
            }
            DrawBrushOutline();
        }
        glPopMatrix();
    }
    EndDraw();
    if (overlayShown) {
        BeginDraw(1, 0);
        glColor4ub(255, 224, 0, 255);
        String text = OverlayText();
        DrawText(Rect{0, 0, w, h}, 0, text.c_str(), kTextMultiLine | kTextShadow);
        EndDraw();
    }
    glPopAttrib();
}
