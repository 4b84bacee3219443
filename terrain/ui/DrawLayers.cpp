#include "terrain/ui/DrawLayers.h"

#include <GL/gl.h>

#include "codex/DtexTag.h"
#include "codex/MeshTag.h"
#include "platform/GLTexture.h"
#include "terrain/ui/MeshEdit.h"

const s32 kSquareCorners[2][2][3][2] = {
    {{{0, 0}, {0, 1}, {1, 1}}, {{0, 0}, {1, 1}, {1, 0}}},  // even
    {{{0, 0}, {0, 1}, {1, 0}}, {{1, 0}, {0, 1}, {1, 1}}},  // odd
};

namespace {

inline u32 Parity(s32 x, s32 z) { return u32((x ^ z) & 1); }

inline u32 CellIndex(const MeshChunk& chunk, s32 x, s32 z)
{
    return u32(z - chunk.z0) * kChunkSquares + u32(x - chunk.x0);
}

inline u16 RecordFlags(const MeshEdit& e, s32 x, s32 z)
{
    const MeshTagData* mesh = e.model.mesh;
    if (!mesh || x < 0 || z < 0 || u32(x) >= mesh->columns || u32(z) >= mesh->rows) return 0;
    return mesh->cells[size_t(z) * mesh->columns + u32(x)].flags;
}

inline void SendVertex(const MeshEdit& e, const MeshChunk& chunk, s32 x, s32 z)
{
    float p[3];
    MovedVertexPosition(e, chunk, x, z, p);
    glVertex3f(p[0], p[1], p[2]);
}

void SendTriangle(const MeshEdit& e, const MeshChunk& chunk, s32 x, s32 z, u32 t)
{
    for (const auto& c : kSquareCorners[Parity(x, z)][t]) SendVertex(e, chunk, x + c[0], z + c[1]);
}

void SendTriangleInColor(const MeshEdit& e, const MeshChunk& chunk, s32 x, s32 z, u32 t, const Rgb& color,
                         const u8 alpha[3])
{
    const auto& corners = kSquareCorners[Parity(x, z)][t];
    for (u32 i = 0; i < 3; ++i) {
        glColor4ub(color.r, color.g, color.b, alpha[i]);
        SendVertex(e, chunk, x + corners[i][0], z + corners[i][1]);
    }
}

bool Visible(const MeshChunk& chunk, s32 x, s32 z)
{
    return chunk.classification == kCullInside || chunk.cellVisibility[CellIndex(chunk, x, z)];
}

bool AnyHighlighted(const MeshEdit& e)
{
    for (const DetailMaterial& m : e.materials.items)
        if (m.highlighted) return true;
    return false;
}

bool DetailedDrawing(const MeshEdit& e)
{
    return e.detailTextures && e.model.detailMapLoaded && GLActiveTexture && GLClientActiveTexture;
}

u8 TriangleMaterial(const MeshEdit& e, s32 x, s32 z, u32 t)
{
    const DetailGrid* g = e.model.triangleGrid;
    if (!g || x < 0 || z < 0 || u32(x) >= g->width || u32(z) >= g->height) return 0;
    return g->Bytes()[(size_t(z) * g->width + u32(x)) * 2 + t];
}

}  // namespace

const DrawLayer kDrawLayers[4] = {
    {BeginTexturedLayer, DrawTexturedLayer},
    {BeginDataLayer, DrawDataLayer},
    {BeginWireframeLayer, DrawWireframeLayer},
    {BeginCentreLayer, DrawTriangleCentres},
};

void BeginTexturedLayer(MeshEdit&, int begin)
{
    if (begin) {
        glPushAttrib(GL_ALL_ATTRIB_BITS);
        glEnable(GL_TEXTURE_2D);
        glEnable(GL_POLYGON_OFFSET_FILL);
        glPolygonOffset(1, 1);
        glDepthFunc(GL_LEQUAL);
        glColor4ub(255, 255, 255, 255);
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    } else {
        glDisable(GL_POLYGON_OFFSET_FILL);
        glDisable(GL_TEXTURE_2D);
        glPopAttrib();
    }
}

void BeginDataLayer(MeshEdit&, int begin)
{
    if (begin) {
        glEnable(GL_POLYGON_OFFSET_FILL);
        glPolygonOffset(1, 1);
        glDepthFunc(GL_LEQUAL);
        // The colouring is see-through: the surface shows beneath it.
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    } else {
        glDisable(GL_POLYGON_OFFSET_FILL);
    }
    glColor4ub(255, 255, 255, 255);
}

void BeginWireframeLayer(MeshEdit&, int begin)
{
    if (begin) {
        // The second pass draws over the first's lines at the same depth.
        glPushAttrib(GL_DEPTH_BUFFER_BIT);
        glDepthFunc(GL_LEQUAL);
        glColor4ub(255, 0, 0, 255);
        glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
        glBegin(GL_TRIANGLES);
    } else {
        glEnd();
        glPopAttrib();
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
        glColor4ub(255, 255, 255, 255);
    }
}

void BeginCentreLayer(MeshEdit&, int begin)
{
    if (begin) {
        glPointSize(2);
        glBegin(GL_POINTS);
    } else {
        glEnd();
    }
}

void VertexPosition(const MeshChunk& chunk, s32 x, s32 z, float p[3])
{
    p[0] = float(x);
    p[1] = float(chunk.heights[(z - chunk.z0) * s32(kChunkVertices) + (x - chunk.x0)]);
    p[2] = float(z);
}

void MovedVertexPosition(const MeshEdit& e, const MeshChunk& chunk, s32 x, s32 z, float p[3])
{
    VertexPosition(chunk, x, z, p);
    if (e.model.mediaAnimation && (RecordFlags(e, x, z) & kCellMediaWave))
        ApplyMediaWave(&e.model.wave, e.model.frameCounter, p);
}

void ColorTexCoords(s32 lx, s32 lz, float st[2])
{
    st[0] = (16.0f * float(lx) + 1) / 514;
    st[1] = (16.0f * float(lz) + 1) / 514;
}

void DrawTexturedLayer(MeshEdit& e, const MeshChunk& chunk, s32 x0, s32 z0, s32 x1, s32 z1)
{
    for (s32 z = z0; z < z1; ++z)
        for (s32 x = x0; x < x1; ++x) e.renderedSquares += Visible(chunk, x, z);
    if (GLActiveTexture) GLActiveTexture(GL_TEXTURE0);
    if (!chunk.texture) e.MakeChunkTexture(chunk.index);
    glBindTexture(GL_TEXTURE_2D, chunk.texture);
    if (!DetailedDrawing(e)) {
        e.batches.DrawColorOnly(e, chunk, x0, z0, x1, z1);
        return;
    }
    // Unit 1 modulates the colour texture by the detail texel, doubled, so 128 keeps it.
    GLActiveTexture(GL_TEXTURE1);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE);
    glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB, GL_MODULATE);
    glTexEnvi(GL_TEXTURE_ENV, GL_RGB_SCALE, 2);
    e.batches.DrawDetailed(e, chunk, x0, z0, x1, z1);
    glDisable(GL_TEXTURE_2D);
    GLActiveTexture(GL_TEXTURE0);
}

void DrawCellByMaterial(MeshEdit& e, const MeshChunk& chunk, s32 x, s32 z)
{
    const u32 cell = CellIndex(chunk, x, z);
    for (u32 t = 0; t < 2; ++t) {
        const BlendCode k = chunk.blendCodes[cell * 2 + t];
        for (u32 slot = 0; slot < 3; ++slot) {
            const u32 mask = (k >> (3 * slot)) & 7;
            if (!mask) break;
            const u32 m = (k >> (9 + 7 * slot)) & 127;
            if (!e.materials.items[m].highlighted) continue;
            const u8 alpha[3] = {u8(mask & 1 ? 127 : 0), u8(mask & 2 ? 127 : 0), u8(mask & 4 ? 127 : 0)};
            SendTriangleInColor(e, chunk, x, z, t, e.materials.highlight[m], alpha);
        }
        if ((k & kBlendBasePass) && !(k & 7) && e.materials.items[0].highlighted) {
            const u8 alpha[3] = {127, 127, 127};
            SendTriangleInColor(e, chunk, x, z, t, e.materials.highlight[0], alpha);
        }
    }
}

void DrawCellByReflectivity(MeshEdit& e, const MeshChunk& chunk, s32 x, s32 z)
{
    const u16 flags = RecordFlags(e, x, z);
    const u8 alpha[3] = {127, 127, 127};
    if (flags & 0x800) SendTriangleInColor(e, chunk, x, z, 0, e.materials.highlight[0], alpha);
    if (flags & 0x1000) SendTriangleInColor(e, chunk, x, z, 1, e.materials.highlight[0], alpha);
}

void DrawCellByTerrainType(MeshEdit& e, const MeshChunk& chunk, s32 x, s32 z)
{
    const u16 flags = RecordFlags(e, x, z);
    const u8 alpha[3] = {127, 127, 127};
    SendTriangleInColor(e, chunk, x, z, 0, kTerrainTypeTable[(flags >> 4) & 15].color, alpha);
    SendTriangleInColor(e, chunk, x, z, 1, kTerrainTypeTable[flags & 15].color, alpha);
}

void DrawDataLayer(MeshEdit& e, const MeshChunk& chunk, s32 x0, s32 z0, s32 x1, s32 z1)
{
    void (*painter)(MeshEdit&, const MeshChunk&, s32, s32) = nullptr;
    switch (e.highlightMode) {
    case 0:
        if (!AnyHighlighted(e)) return;
        painter = DrawCellByMaterial;
        break;
    case 1: painter = DrawCellByReflectivity; break;
    default: painter = DrawCellByTerrainType; break;
    }
    glBegin(GL_TRIANGLES);
    for (s32 z = z0; z < z1; ++z)
        for (s32 x = x0; x < x1; ++x) painter(e, chunk, x, z);
    glEnd();
}

void DrawCellWireframe(MeshEdit& e, const MeshChunk& chunk, s32 x, s32 z, u32 pass)
{
    for (u32 t = 0; t < 2; ++t) {
        if (pass == 0) {
            glColor4ub(255, 0, 0, 255);
        } else {
            if (!TriangleMaterial(e, x, z, t)) continue;
            glColor4ub(255, 255, 0, 255);
        }
        SendTriangle(e, chunk, x, z, t);
    }
}

void DrawWireframeLayer(MeshEdit& e, const MeshChunk& chunk, s32 x0, s32 z0, s32 x1, s32 z1)
{
    for (s32 z = z0; z < z1; ++z)
        for (s32 x = x0; x < x1; ++x) DrawCellWireframe(e, chunk, x, z, 0);
    if (!e.model.detailMapLoaded) return;
    for (s32 z = z0; z < z1; ++z)
        for (s32 x = x0; x < x1; ++x) DrawCellWireframe(e, chunk, x, z, 1);
}

void DrawTriangleCentres(MeshEdit& e, const MeshChunk&, s32 x0, s32 z0, s32 x1, s32 z1)
{
    for (s32 z = z0; z < z1; ++z)
        for (s32 x = x0; x < x1; ++x)
            for (u32 t = 0; t < 2; ++t) {
                const float px = float(x) + (t == 0 ? 1.0f / 3 : 2.0f / 3);
                const bool near = (Parity(x, z) == 1) != (t == 1);
                const float pz = float(z) + (near ? 1.0f / 3 : 2.0f / 3);
                glVertex3f(px, e.model.SampleSurfaceHeight(px, pz), pz);
            }
}
