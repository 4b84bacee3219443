#include "terrain/TerrainModel.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "collection/Collection.h"
#include "terrain/ChunkTexels.h"

TerrainModel::TerrainModel()
    : mesh(nullptr), width(0), height(0), chunksAcross(0), chunksDown(0), chunks{nullptr, 0, 0},
      releaseChunk(nullptr), wave{}, mediaAnimation(0), frameCounter(0), frustum{}, detailMapLoaded(0),
      vertexGrid(nullptr), vertexSaved(nullptr), triangleGrid(nullptr), triangleSaved(nullptr), strokeRect{},
      strokeActive(0), strokeEmpty(1), strokeChanged(0), shiftAtPress(0), locked{},
      brush{0, 3.0f, -1.0f, -1.0f, -1.0f, -1.0f}, brushShape(kBrushRound), brushMode(kBrushVertex), modified(0),
      modifiedHook(nullptr), hookOwner(nullptr)
{
    ::LoadMediaWaves(&wave, nullptr);
}

TerrainModel::~TerrainModel()
{
    FreeChunks();
    FreeDetailGrids();
    if (mesh) {
        FreeMesh(mesh);
        delete mesh;
    }
}

void TerrainModel::FreeChunks()
{
    ResizeMeshChunks(&chunks, 0, releaseChunk);
    chunks.Free();
}

void TerrainModel::FreeDetailGrids()
{
    for (DetailGrid** g : {&vertexGrid, &vertexSaved, &triangleGrid, &triangleSaved}) {
        FreeDetailGrid(*g);
        *g = nullptr;
    }
}

void TerrainModel::MarkModified()
{
    modified = 1;
    if (modifiedHook) modifiedHook(hookOwner);
}

int TerrainModel::Load(MeshTagData* newMesh, const Collection* colorMap, u32 textureSize, ChunkTextureSink sink,
                       void* context)
{
    FreeChunks();
    if (mesh) {
        FreeMesh(mesh);
        delete mesh;
    }
    // Grids and undo entries belong to the previous mesh's size.
    history.Reset();
    FreeDetailGrids();
    detailMapLoaded = 0;
    strokeActive = 0;
    strokeEmpty = 1;
    mesh = newMesh;
    width = height = chunksAcross = chunksDown = 0;
    if (!mesh || mesh->columns == 0 || mesh->rows == 0) return 0;
    width = mesh->columns;
    height = mesh->rows;
    chunksAcross = width / kChunkSquares;
    chunksDown = height / kChunkSquares;
    const u64 count = u64(chunksAcross) * chunksDown;
    // The array was freed above, so it comes back zero-filled.
    if (count == 0 || count > 0xFFFFFFFFull || !ResizeMeshChunks(&chunks, u32(count), releaseChunk)) return 0;

    ShadingTable* table = nullptr;
    u8* texels = nullptr;
    if (textureSize) {
        table = static_cast<ShadingTable*>(calloc(1, sizeof(ShadingTable)));
        texels = static_cast<u8*>(malloc(size_t(kChunkTexelsBordered) * kChunkTexelsBordered * 3));
        if (!table || !texels) {
            free(table);
            free(texels);
            return 0;
        }
        if (colorMap) BuildShadingTable(table, colorMap->GetColorTable(), mesh->header);
    }
    int ok = 1;
    for (u32 row = 0; row < chunksDown && ok; ++row)
        for (u32 column = 0; column < chunksAcross && ok; ++column) {
            const u32 index = row * chunksAcross + column;
            MeshChunk* chunk = &chunks.data[index];
            chunk->index = index;
            chunk->x0 = s32(column * kChunkSquares);
            chunk->z0 = s32(row * kChunkSquares);
            if (textureSize == kChunkTexelsBordered)
                BuildChunkTexels257(texels, colorMap, table, chunksAcross, chunksDown, index);
            else if (textureSize)
                BuildChunkTexels256(texels, colorMap, table, index);
            if (textureSize && sink && !sink(context, chunk, texels, textureSize)) ok = 0;
            const s32 x1 = chunk->x0 + s32(kChunkSquares), z1 = chunk->z0 + s32(kChunkSquares);
            ComputeBlendCodes(chunk, chunk->x0, chunk->z0, x1, z1);
            ComputeChunkBounds(chunk, chunk->box, chunk->x0, x1, chunk->z0, z1);
        }
    free(table);
    free(texels);
    return ok;
}

s32 TerrainModel::VertexHeight(s64 x, s64 z) const
{
    if (!mesh || x < 0 || z < 0 || x >= s64(width) || z >= s64(height)) return 0;
    const MeshCell& cell = mesh->cells[size_t(z) * width + size_t(x)];
    return (cell.flags & (kCellMedia0 | kCellMedia1)) ? cell.mediaHeight : cell.height;
}

bool TerrainModel::IsOnMesh(float x, float z) const
{
    return x >= 0 && z >= 0 && x < float(width) && z < float(height);
}

namespace {

// Keeps a square's clip rectangle inside the chunk's 33 x 33 vertices.
void ClipToChunk(const MeshChunk* chunk, s32& x0, s32& z0, s32& x1, s32& z1)
{
    const s32 cx = chunk->x0, cz = chunk->z0;
    if (x0 < cx) x0 = cx;
    if (z0 < cz) z0 = cz;
    if (x1 > cx + s32(kChunkSquares)) x1 = cx + s32(kChunkSquares);
    if (z1 > cz + s32(kChunkSquares)) z1 = cz + s32(kChunkSquares);
}

// One row of a detail grid from byte 0, and how many bytes it has; none past the last row.
struct GridRow {
    const u8* bytes;
    s64 count;
    u32 At(s64 x) const { return bytes && x < count ? bytes[x] : 0u; }
};

GridRow RowOf(const DetailGrid* grid, s64 z)
{
    if (z < 0 || z >= s64(grid->height)) return GridRow{nullptr, 0};
    return GridRow{grid->Bytes() + size_t(z) * grid->RowBytes(), s64(grid->RowBytes())};
}

}  // namespace

void TerrainModel::ComputeBlendCodes(MeshChunk* chunk, s32 x0, s32 z0, s32 x1, s32 z1)
{
    ClipToChunk(chunk, x0, z0, x1, z1);
    ComputeChunkHeights(chunk, x0, z0, x1, z1);
    ComputeChunkCodes(chunk, x0, z0, x1, z1);
}

void TerrainModel::ComputeChunkHeights(MeshChunk* chunk, s32 x0, s32 z0, s32 x1, s32 z1)
{
    const s32 cx = chunk->x0, cz = chunk->z0;
    for (s32 z = z0; z <= z1; ++z) {
        s16* out = &chunk->heights[(z - cz) * s32(kChunkVertices)];
        if (!mesh || z < 0 || z >= s64(height)) {
            for (s32 x = x0; x <= x1; ++x) out[x - cx] = 0;
            continue;
        }
        const MeshCell* row = mesh->cells + size_t(z) * width;
        for (s32 x = x0; x <= x1; ++x) {
            if (x < 0 || x >= s64(width)) {
                out[x - cx] = 0;
                continue;
            }
            const MeshCell& cell = row[x];
            out[x - cx] = (cell.flags & (kCellMedia0 | kCellMedia1)) ? cell.mediaHeight : cell.height;
        }
    }
    for (s32 z = z0; z < z1; ++z)
        for (s32 x = x0; x < x1; ++x) {
            const u32 cell = u32((z - cz) * s32(kChunkSquares) + (x - cx));
            const s16* h = &chunk->heights[(z - cz) * s32(kChunkVertices) + (x - cx)];
            const s32 corners[4] = {h[0], h[1], h[kChunkVertices], h[kChunkVertices + 1]};
            s32 lo = corners[0], hi = corners[0];
            for (s32 v : corners) {
                if (v < lo) lo = v;
                if (v > hi) hi = v;
            }
            const float half = float(hi - lo) / 1024.0f;
            chunk->cellRadiusSquared[cell] = half * half + 0.5f;
            chunk->cellCentreHeight[cell] = float(hi + lo) / 1024.0f;
        }
}

void TerrainModel::ComputeChunkCodes(MeshChunk* chunk, s32 x0, s32 z0, s32 x1, s32 z1)
{
    if (!detailMapLoaded || !vertexGrid || !triangleGrid) return;
    const s32 cx = chunk->x0, cz = chunk->z0;
    // Most squares of a painted area carry one material on every corner and none on their
    // triangles: their code comes from the last such square's instead of being made again.
    u32 uniformMaterial = 0;
    BlendCode uniformCode = MakeBlendCode(0, 0, 0, 0);
    for (s32 z = z0; z < z1; ++z) {
        const GridRow top = RowOf(vertexGrid, z), bottom = RowOf(vertexGrid, s64(z) + 1);
        const GridRow triangles = RowOf(triangleGrid, z);
        BlendCode* codes = &chunk->blendCodes[u32((z - cz) * s32(kChunkSquares) + (x0 - cx)) * 2];
        for (s32 x = x0; x < x1; ++x, codes += 2) {
            const u32 a = top.At(x), b = top.At(s64(x) + 1);
            const u32 c = bottom.At(s64(x) + 1), d = bottom.At(x);
            const u32 t0 = triangles.At(s64(x) * 2), t1 = triangles.At(s64(x) * 2 + 1);
            if ((t0 | t1) == 0 && a == b && a == c && a == d) {
                if (a != uniformMaterial) {
                    uniformMaterial = a;
                    uniformCode = MakeBlendCode(0, a, a, a);
                }
                codes[0] = codes[1] = uniformCode;
            } else if (((x ^ z) & 1) == 0) {
                codes[0] = MakeBlendCode(t0, a, d, c);
                codes[1] = MakeBlendCode(t1, a, c, b);
            } else {
                codes[0] = MakeBlendCode(t0, a, d, b);
                codes[1] = MakeBlendCode(t1, b, d, c);
            }
        }
    }
}

bool TerrainModel::RegionChunks(s64& x0, s64& x1, s64& z0, s64& z1, s64 range[4]) const
{
    if (x0 > x1 || z0 > z1) return false;
    x0 -= 1;
    z0 -= 1;
    x1 += 1;
    z1 += 1;
    if (x1 < 0 || z1 < 0 || x0 > s64(width) || z0 > s64(height)) return false;
    if (x0 < 0) x0 = 0;
    if (z0 < 0) z0 = 0;
    if (x1 > s64(width)) x1 = width;
    if (z1 > s64(height)) z1 = height;
    if (x1 == x0 || z1 == z0 || chunks.count == 0) return false;
    // Only the chunks whose vertex rectangle overlaps with a non-zero width and height.
    const s64 side = kChunkSquares;
    range[0] = x0 / side;
    range[1] = z0 / side;
    range[2] = (x1 + side - 1) / side - 1;
    range[3] = (z1 + side - 1) / side - 1;
    if (range[2] >= s64(chunksAcross)) range[2] = s64(chunksAcross) - 1;
    if (range[3] >= s64(chunksDown)) range[3] = s64(chunksDown) - 1;
    return true;
}

void TerrainModel::RebuildRegion(s64 x0, s64 x1, s64 z0, s64 z1) { Rebuild(x0, x1, z0, z1, true); }

void TerrainModel::RebuildDetailRegion(s64 x0, s64 x1, s64 z0, s64 z1) { Rebuild(x0, x1, z0, z1, false); }

void TerrainModel::Rebuild(s64 x0, s64 x1, s64 z0, s64 z1, bool heights)
{
    s64 range[4];
    if (!RegionChunks(x0, x1, z0, z1, range)) return;
    const s64 side = kChunkSquares;
    for (s64 r = range[1]; r <= range[3]; ++r)
        for (s64 c = range[0]; c <= range[2]; ++c) {
            MeshChunk* chunk = &chunks.data[r * chunksAcross + c];
            const s64 ix0 = x0 > chunk->x0 ? x0 : chunk->x0, ix1 = x1 < chunk->x0 + side ? x1 : chunk->x0 + side;
            const s64 iz0 = z0 > chunk->z0 ? z0 : chunk->z0, iz1 = z1 < chunk->z0 + side ? z1 : chunk->z0 + side;
            if (ix1 <= ix0 || iz1 <= iz0) continue;
            if (heights)
                ComputeBlendCodes(chunk, s32(ix0), s32(iz0), s32(ix1), s32(iz1));
            else
                ComputeChunkCodes(chunk, s32(ix0), s32(iz0), s32(ix1), s32(iz1));
        }
}

void TerrainModel::CullChunks(const float rotation[16], const float eyeWorld[3])
{
    // The side planes in mesh space: the transpose of the rotation with the x mirror applied.
    float normals[4][3];
    for (u32 p = 0; p < 4; ++p) {
        const float* n = frustum.normals[p];
        for (u32 i = 0; i < 3; ++i) {
            const float* column = rotation + 4 * i;
            const float v = column[0] * n[0] + column[1] * n[1] + column[2] * n[2];
            normals[p][i] = i == 0 ? -v : v;
        }
    }
    const float eye[3] = {-eyeWorld[0], eyeWorld[1], eyeWorld[2]};
    // Moving water may leave the volumes the heights give; grow them by the farthest it moves.
    const float reach = mediaAnimation ? MediaWaveReach(&wave) : 0.0f;
    for (u32 k = 0; k < chunks.count; ++k) {
        MeshChunk* chunk = &chunks.data[k];
        float box[6];
        for (u32 i = 0; i < 3; ++i) {
            box[i] = chunk->box[i] - reach;
            box[i + 3] = chunk->box[i + 3] + reach;
        }
        chunk->classification = ClassifyBox(box, normals, eye);
        if (chunk->classification != kCullPartial) continue;
        for (u32 cell = 0; cell < kChunkCells; ++cell) {
            const float centre[3] = {float(chunk->x0) + float(cell % kChunkSquares) + 0.5f - eye[0],
                                     chunk->cellCentreHeight[cell] - eye[1],
                                     float(chunk->z0) + float(cell / kChunkSquares) + 0.5f - eye[2]};
            float limit = chunk->cellRadiusSquared[cell];
            if (reach > 0) {
                const float r = std::sqrt(limit) + reach;
                limit = r * r;
            }
            u8 result = kCullInside;
            for (u32 p = 0; p < 4; ++p) {
                const float d = normals[p][0] * centre[0] + normals[p][1] * centre[1] + normals[p][2] * centre[2];
                if (d > 0) {
                    if (d * d > limit) {
                        result = kCullOutside;
                        break;
                    }
                    result = kCullPartial;
                }
            }
            chunk->cellVisibility[cell] = result;
        }
    }
}

float TerrainModel::SampleSurfaceHeight(float x, float z) const
{
    const s64 i = s64(x), j = s64(z);
    const float fx = x - float(i), fz = z - float(j);
    const float h00 = float(VertexHeight(i, j)), h10 = float(VertexHeight(i + 1, j));
    const float h11 = float(VertexHeight(i + 1, j + 1)), h01 = float(VertexHeight(i, j + 1));
    if ((i ^ j) & 1) {
        if (fx + fz < 1) return h00 + (h10 - h00) * fx + (h01 - h00) * fz;
        return h11 + (h01 - h11) * (1 - fx) + (h10 - h11) * (1 - fz);
    }
    if (fx < fz) return h01 + (h00 - h01) * (1 - fz) + (h11 - h01) * fx;
    return h10 + (h00 - h10) * (1 - fx) + (h11 - h10) * fz;
}
