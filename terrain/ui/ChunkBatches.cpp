#include "terrain/ui/ChunkBatches.h"

#include <GL/gl.h>

#include <cstring>

#include "codex/DtexTag.h"
#include "platform/GLTexture.h"
#include "terrain/ui/DrawLayers.h"
#include "terrain/ui/MeshEdit.h"

namespace {

// Kept beyond this many chunks only while they are drawn every frame.
constexpr u32 kKeptChunks = 256;

constexpr u32 kCornerCount = kChunkVertices * kChunkVertices;

inline u32 CornerOf(s32 lx, s32 lz) { return u32(lz) * kChunkVertices + u32(lx); }

bool SameRepeats(const DetailMaterial& m, float u, float v)
{
    return std::memcmp(&m.uRepeat, &u, sizeof u) == 0 && std::memcmp(&m.vRepeat, &v, sizeof v) == 0;
}

}  // namespace

ChunkBatches::~ChunkBatches()
{
    for (Chunk* c : chunks) delete c;
}

void ChunkBatches::BeginFrame(u32 chunkCount)
{
    ++frame;
    for (size_t i = chunkCount; i < chunks.size(); ++i) delete chunks[i];
    chunks.resize(chunkCount, nullptr);
}

void ChunkBatches::EndFrame()
{
    if (KeptChunks() <= kKeptChunks) return;
    for (Chunk*& c : chunks)
        if (c && c->lastFrame != frame) {
            delete c;
            c = nullptr;
        }
}

u32 ChunkBatches::KeptChunks() const
{
    u32 n = 0;
    for (const Chunk* c : chunks) n += c != nullptr;
    return n;
}

ChunkBatches::Chunk& ChunkBatches::Prepare(const MeshEdit& e, const MeshChunk& chunk, s32 x0, s32 z0, s32 x1, s32 z1,
                                           bool detailed)
{
    if (chunk.index >= chunks.size()) chunks.resize(chunk.index + 1, nullptr);
    Chunk*& slot = chunks[chunk.index];
    if (!slot) slot = new Chunk;
    Chunk& c = *slot;
    c.lastFrame = frame;
    // Whoever changed the chunk (a stroke, an undo, a reload), its arrays follow its contents.
    const bool same = c.built && c.x0 == x0 && c.z0 == z0 && c.x1 == x1 && c.z1 == z1 &&
                      std::memcmp(c.codes, chunk.blendCodes, sizeof c.codes) == 0 &&
                      std::memcmp(c.heights, chunk.heights, sizeof c.heights) == 0;
    if (!same) {
        std::memcpy(c.codes, chunk.blendCodes, sizeof c.codes);
        std::memcpy(c.heights, chunk.heights, sizeof c.heights);
        c.x0 = x0, c.z0 = z0, c.x1 = x1, c.z1 = z1;
        c.built = true;
        c.detailBuilt = false;
        c.waved = false;
        BuildCorners(c, chunk);
    }
    if (detailed) {
        bool fresh = c.detailBuilt;
        for (const Group& g : c.groups)
            if (fresh && g.material != kBaseGroup && !SameRepeats(e.materials.items[g.material], g.uRepeat, g.vRepeat))
                fresh = false;
        if (!fresh) BuildDetail(c, e, chunk);
    }
    // Built from the corners as they stood; placed afresh while the wave runs or has just stopped.
    if (e.model.mediaAnimation || c.waved) PlacePositions(c, e, chunk, detailed);
    return c;
}

void ChunkBatches::BuildCorners(Chunk& c, const MeshChunk& chunk)
{
    c.cornerXyz.resize(kCornerCount * 3);
    c.cornerSt0.resize(kCornerCount * 2);
    for (s32 lz = 0; lz < s32(kChunkVertices); ++lz)
        for (s32 lx = 0; lx < s32(kChunkVertices); ++lx) {
            const u32 k = CornerOf(lx, lz);
            VertexPosition(chunk, chunk.x0 + lx, chunk.z0 + lz, &c.cornerXyz[k * 3]);
            ColorTexCoords(lx, lz, &c.cornerSt0[k * 2]);
        }
    c.colorIndices.clear();
    c.colorCells.clear();
    for (s32 z = c.z0; z < c.z1; ++z)
        for (s32 x = c.x0; x < c.x1; ++x) {
            const s32 lx = x - chunk.x0, lz = z - chunk.z0;
            const u16 cell = u16(u32(lz) * kChunkSquares + u32(lx));
            for (u32 t = 0; t < 2; ++t) {
                for (const auto& corner : kSquareCorners[(x ^ z) & 1][t])
                    c.colorIndices.push_back(u16(CornerOf(lx + corner[0], lz + corner[1])));
                c.colorCells.push_back(cell);
            }
        }
}

void ChunkBatches::BuildDetail(Chunk& c, const MeshEdit& e, const MeshChunk& chunk)
{
    // Groups in drawing order: the base passes, then slot by slot, material by material.
    constexpr u32 kGroupKeys = 1 + 3 * (kMaxDetailMaterial + 1);
    std::vector<u32> counts(kGroupKeys, 0);
    auto forEachPass = [&](auto&& visit) {
        for (s32 z = c.z0; z < c.z1; ++z)
            for (s32 x = c.x0; x < c.x1; ++x) {
                const u32 cell = u32(z - chunk.z0) * kChunkSquares + u32(x - chunk.x0);
                for (u32 t = 0; t < 2; ++t) {
                    const BlendCode k = c.codes[cell * 2 + t];
                    if (k & kBlendBasePass) visit(0u, x, z, t, 7u, cell);
                    for (u32 slot = 0; slot < 3; ++slot) {
                        const u32 mask = (k >> (3 * slot)) & 7;
                        if (!mask) break;
                        const u32 m = (k >> (9 + 7 * slot)) & 127;
                        visit(1 + slot * (kMaxDetailMaterial + 1) + m, x, z, t, mask, cell);
                    }
                }
            }
    };
    forEachPass([&](u32 key, s32, s32, u32, u32, u32) { ++counts[key]; });
    std::vector<u32> start(kGroupKeys, 0);
    c.groups.clear();
    u32 total = 0;
    for (u32 key = 0; key < kGroupKeys; ++key) {
        start[key] = total;
        if (!counts[key]) continue;
        Group g;
        g.material = key == 0 ? kBaseGroup : (key - 1) % (kMaxDetailMaterial + 1);
        g.first = total;
        g.count = counts[key];
        g.uRepeat = g.material == kBaseGroup ? 0 : e.materials.items[g.material].uRepeat;
        g.vRepeat = g.material == kBaseGroup ? 0 : e.materials.items[g.material].vRepeat;
        c.groups.push_back(g);
        total += counts[key];
    }
    c.indices.assign(size_t(total) * 3, 0);
    c.cells.assign(total, 0);
    c.pool.clear();
    c.poolCorner.clear();
    // A pool vertex per corner and alpha within a group: neighbouring triangles share them.
    std::vector<u32> seenIn(kCornerCount * 2, ~0u);
    std::vector<u16> seenAs(kCornerCount * 2, 0);
    std::vector<u32> next = start;
    forEachPass([&](u32 key, s32 x, s32 z, u32 t, u32 mask, u32 cell) {
        const u32 m = key == 0 ? 0 : (key - 1) % (kMaxDetailMaterial + 1);
        const DetailMaterial& material = e.materials.items[m];
        const u32 triangle = next[key]++;
        c.cells[triangle] = u16(cell);
        const auto& corners = kSquareCorners[(x ^ z) & 1][t];
        for (u32 i = 0; i < 3; ++i) {
            const s32 cx = x + corners[i][0], cz = z + corners[i][1];
            const u32 corner = CornerOf(cx - chunk.x0, cz - chunk.z0);
            const u32 opaque = key == 0 || ((mask >> i) & 1);
            const u32 seen = corner * 2 + opaque;
            if (seenIn[seen] != key) {
                seenIn[seen] = key;
                seenAs[seen] = u16(c.pool.size());
                Vertex v;
                std::memcpy(v.xyz, &c.cornerXyz[corner * 3], sizeof v.xyz);
                std::memcpy(v.st0, &c.cornerSt0[corner * 2], sizeof v.st0);
                v.st1[0] = key == 0 ? 0 : -(float(cx) * material.uRepeat);
                v.st1[1] = key == 0 ? 0 : float(cz) * material.vRepeat;
                v.rgba[0] = v.rgba[1] = v.rgba[2] = 255;
                v.rgba[3] = opaque ? 255 : 0;
                c.pool.push_back(v);
                c.poolCorner.push_back(u16(corner));
            }
            c.indices[size_t(triangle) * 3 + i] = seenAs[seen];
        }
    });
    c.detailBuilt = true;
}

void ChunkBatches::PlacePositions(Chunk& c, const MeshEdit& e, const MeshChunk& chunk, bool detailed)
{
    for (s32 lz = 0; lz < s32(kChunkVertices); ++lz)
        for (s32 lx = 0; lx < s32(kChunkVertices); ++lx)
            MovedVertexPosition(e, chunk, chunk.x0 + lx, chunk.z0 + lz, &c.cornerXyz[CornerOf(lx, lz) * 3]);
    if (detailed)
        for (size_t i = 0; i < c.pool.size(); ++i)
            std::memcpy(c.pool[i].xyz, &c.cornerXyz[size_t(c.poolCorner[i]) * 3], sizeof c.pool[i].xyz);
    // Arrays not placed here (the detail half of a colour-only frame) are rebuilt when next used.
    if (!detailed) c.detailBuilt = false;
    c.waved = e.model.mediaAnimation != 0;
}

const u16* ChunkBatches::VisibleIndices(const MeshChunk& chunk, const std::vector<u16>& indices,
                                        const std::vector<u16>& cells, u32 first, u32 count, u32* outCount)
{
    if (chunk.classification == kCullInside) {
        *outCount = count * 3;
        return indices.data() + size_t(first) * 3;
    }
    scratch.clear();
    for (u32 i = first; i < first + count; ++i)
        if (chunk.cellVisibility[cells[i]]) scratch.insert(scratch.end(), &indices[size_t(i) * 3], &indices[size_t(i) * 3 + 3]);
    *outCount = u32(scratch.size());
    return scratch.data();
}

void ChunkBatches::DrawColorOnly(const MeshEdit& e, const MeshChunk& chunk, s32 x0, s32 z0, s32 x1, s32 z1)
{
    Chunk& c = Prepare(e, chunk, x0, z0, x1, z1, false);
    u32 n = 0;
    const u16* indices = VisibleIndices(chunk, c.colorIndices, c.colorCells, 0, u32(c.colorCells.size()), &n);
    if (n) {
        glEnableClientState(GL_VERTEX_ARRAY);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glVertexPointer(3, GL_FLOAT, 0, c.cornerXyz.data());
        glTexCoordPointer(2, GL_FLOAT, 0, c.cornerSt0.data());
        glDrawElements(GL_TRIANGLES, GLsizei(n), GL_UNSIGNED_SHORT, indices);
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
        glDisableClientState(GL_VERTEX_ARRAY);
    }
}

void ChunkBatches::DrawDetailed(MeshEdit& e, const MeshChunk& chunk, s32 x0, s32 z0, s32 x1, s32 z1)
{
    Chunk& c = Prepare(e, chunk, x0, z0, x1, z1, true);
    if (c.pool.empty()) return;
    const Vertex* v = c.pool.data();
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glVertexPointer(3, GL_FLOAT, sizeof(Vertex), v->xyz);
    glColorPointer(4, GL_UNSIGNED_BYTE, sizeof(Vertex), v->rgba);
    GLClientActiveTexture(GL_TEXTURE0);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glTexCoordPointer(2, GL_FLOAT, sizeof(Vertex), v->st0);
    GLClientActiveTexture(GL_TEXTURE1);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glTexCoordPointer(2, GL_FLOAT, sizeof(Vertex), v->st1);
    for (const Group& g : c.groups) {
        GLTexture* texture = nullptr;
        if (g.material != kBaseGroup && g.material) {
            const DetailMaterial& material = e.materials.items[g.material];
            if (material.texture) texture = static_cast<GLTexture*>(material.texture->GetTexture());
        }
        if (!texture || !texture->id) {
            glDisable(GL_TEXTURE_2D);
        } else {
            glEnable(GL_TEXTURE_2D);
            glBindTexture(GL_TEXTURE_2D, texture->id);
        }
        u32 n = 0;
        const u16* indices = VisibleIndices(chunk, c.indices, c.cells, g.first, g.count, &n);
        if (n) glDrawElements(GL_TRIANGLES, GLsizei(n), GL_UNSIGNED_SHORT, indices);
    }
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    GLClientActiveTexture(GL_TEXTURE0);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
}
