// TerrainModel: the detail grids, the brush, flood fills, undo and the brush outlines.
#include <cmath>
#include <cstring>
#include <initializer_list>

#include "terrain/DetailActions.h"
#include "terrain/FloodFill.h"
#include "terrain/TerrainModel.h"

namespace {

u8 Material(u32 v) { return u8(v < kMaxDetailMaterial ? v : kMaxDetailMaterial); }

void CopyGrid(DetailGrid* to, const DetailGrid* from) { memcpy(to->Bytes(), from->Bytes(), size_t(from->ByteCount())); }

}  // namespace

int TerrainModel::CreateDetailGrids()
{
    if (!vertexGrid) {
        vertexGrid = NewDetailGrid(width, height, 0);
        vertexSaved = NewDetailGrid(width, height, 0);
        triangleGrid = NewDetailGrid(width, height, 1);
        triangleSaved = NewDetailGrid(width, height, 1);
        if (!vertexGrid || !vertexSaved || !triangleGrid || !triangleSaved) {
            FreeDetailGrids();
            return 0;
        }
        return 1;
    }
    for (DetailGrid* g : {vertexGrid, vertexSaved, triangleGrid, triangleSaved}) memset(g->Bytes(), 0, size_t(g->ByteCount()));
    return 1;
}

int TerrainModel::LoadDetailPlanes(const u8* vertexPlane, const u8* trianglePlane)
{
    if (!CreateDetailGrids()) return 0;
    memcpy(vertexGrid->Bytes(), vertexPlane, size_t(vertexGrid->ByteCount()));
    memcpy(triangleGrid->Bytes(), trianglePlane, size_t(triangleGrid->ByteCount()));
    CopyGrid(vertexSaved, vertexGrid);
    CopyGrid(triangleSaved, triangleGrid);
    detailMapLoaded = 1;
    RebuildRegion(0, width, 0, height);
    return 1;
}

void TerrainModel::CommitDetailGrids()
{
    if (!vertexGrid) return;
    CopyGrid(vertexSaved, vertexGrid);
    CopyGrid(triangleSaved, triangleGrid);
    RebuildRegion(0, width, 0, height);
    MarkModified();
}

void TerrainModel::BeginBrushStroke(u32 shiftHeld)
{
    strokeActive = 1;
    strokeEmpty = 1;
    strokeChanged = 0;
    shiftAtPress = shiftHeld;
}

void TerrainModel::GrowStroke(s32 x0, s32 z0, s32 x1, s32 z1)
{
    if (strokeEmpty) {
        strokeRect[0] = x0;
        strokeRect[1] = z0;
        strokeRect[2] = x1;
        strokeRect[3] = z1;
        strokeEmpty = 0;
        return;
    }
    if (x0 < strokeRect[0]) strokeRect[0] = x0;
    if (z0 < strokeRect[1]) strokeRect[1] = z0;
    if (x1 > strokeRect[2]) strokeRect[2] = x1;
    if (z1 > strokeRect[3]) strokeRect[3] = z1;
}

u32 TerrainModel::PaintVertex(s32 x, s32 z)
{
    if (!vertexGrid || x < 0 || z < 0 || u32(x) >= width || u32(z) >= height) return 0;
    u8& element = vertexGrid->Bytes()[size_t(z) * width + size_t(x)];
    if (!shiftAtPress && locked[Material(element)]) return 0;
    const u8 value = Material(brush.material);
    if (element == value) return 0;
    element = value;
    return 1;
}

u32 TerrainModel::PaintTriangle(s32 x, s32 z, u32 t, u32 value)
{
    if (!triangleGrid || x < 0 || z < 0 || u32(x) >= width || u32(z) >= height || t > 1) return 0;
    u8& element = triangleGrid->Bytes()[(size_t(z) * width + size_t(x)) * 2 + t];
    if (!shiftAtPress && locked[Material(element)]) return 0;
    const u8 v = Material(value);
    if (element == v) return 0;
    element = v;
    return 1;
}

namespace {

// The brush's inclusive range of elements, clipped to the grid; false when it is empty.
bool BrushRange(float bx, float bz, float r, u32 width, u32 height, s32 range[4])
{
    const double x0 = std::floor(double(bx) - r), x1 = std::ceil(double(bx) + r);
    const double z0 = std::floor(double(bz) - r), z1 = std::ceil(double(bz) + r);
    range[0] = x0 < 0 ? 0 : s32(x0);
    range[1] = z0 < 0 ? 0 : s32(z0);
    range[2] = x1 > double(width) - 1 ? s32(width) - 1 : s32(x1);
    range[3] = z1 > double(height) - 1 ? s32(height) - 1 : s32(z1);
    return range[0] <= range[2] && range[1] <= range[3];
}

bool BrushTakes(u32 shape, float dx, float dz, float r)
{
    const float r2 = r * r;
    if (shape == kBrushSquare) return dx * dx <= r2 && dz * dz <= r2;
    return dx * dx + dz * dz <= r2;
}

}  // namespace

void TerrainModel::FinishBrushApplication(const s32 range[4], u32 changed)
{
    GrowStroke(range[0], range[1], range[2], range[3]);
    if (changed) {
        strokeChanged = 1;
        RebuildDetailRegion(range[0], range[2], range[1], range[3]);
        MarkModified();
    }
}

u32 TerrainModel::PaintVertices(float bx, float bz, float radius)
{
    s32 range[4];
    if (!vertexGrid || !IsOnMesh(bx, bz) || !BrushRange(bx, bz, radius, width, height, range)) return 0;
    u32 changed = 0;
    for (s32 z = range[1]; z <= range[3]; ++z)
        for (s32 x = range[0]; x <= range[2]; ++x)
            if (BrushTakes(brushShape, bx - float(x), bz - float(z), radius)) changed += PaintVertex(x, z);
    FinishBrushApplication(range, changed);
    return changed;
}

u32 TerrainModel::PaintTriangles(float bx, float bz, float radius)
{
    s32 range[4];
    if (!triangleGrid || !IsOnMesh(bx, bz) || !BrushRange(bx, bz, radius, width, height, range)) return 0;
    u32 changed = 0;
    for (s32 z = range[1]; z <= range[3]; ++z)
        for (s32 x = range[0]; x <= range[2]; ++x) {
            const bool odd = ((x ^ z) & 1) != 0;
            for (u32 t = 0; t < 2; ++t) {
                const float cx = float(x) + (t == 0 ? 1.0f / 3 : 2.0f / 3);
                const float cz = float(z) + ((odd != (t == 1)) ? 1.0f / 3 : 2.0f / 3);
                if (BrushTakes(brushShape, bx - cx, bz - cz, radius)) changed += PaintTriangleWithBrush(x, z, t);
            }
        }
    FinishBrushApplication(range, changed);
    return changed;
}

int TerrainModel::EndBrushStroke()
{
    const bool record = strokeActive && !strokeEmpty && strokeChanged;
    strokeActive = 0;
    strokeEmpty = 1;
    strokeChanged = 0;
    if (!record) return 0;
    DetailGrid* saved = brushMode == kBrushTriangle ? triangleSaved : vertexSaved;
    DetailGrid* working = brushMode == kBrushTriangle ? triangleGrid : vertexGrid;
    if (!saved || !working) return 0;
    BrushStrokeAction* action = new BrushStrokeAction(this, saved, working, strokeRect);
    if (!action->Valid()) {
        // Without the regions the stroke cannot be undone; the saved copy still has to catch up.
        delete action;
        CopyGrid(saved, working);
        return 0;
    }
    return history.Push(action, 1);
}

int TerrainModel::FloodFillVertices(float x, float z)
{
    if (!vertexGrid || !IsOnMesh(x, z)) return 0;
    FloodFillRequest request = {};
    request.bytes = vertexGrid->Bytes();
    request.seedX = s64(x + 0.5f);
    request.seedY = s64(z + 0.5f);
    request.width = width;
    request.height = height;
    request.newValue = Material(brush.material);
    request.recordRuns = 1;
    FloodFill(&request);
    if (!request.filled) {
        request.runs.Free();
        return 0;
    }
    RebuildDetailRegion(0, width, 0, height);
    const s32 rect[4] = {s32(request.minX), s32(request.minY), s32(request.maxX), s32(request.maxY)};
    history.Push(new FloodFillAction(this, vertexSaved, vertexGrid, request.newValue, request.oldValue,
                                     &request.runs, rect),
                 1);
    MarkModified();
    return 1;
}

int TerrainModel::FloodFillTriangles(float bx, float bz)
{
    if (!triangleGrid || !IsOnMesh(bx, bz)) return 0;
    const u32 x = u32(bx), z = u32(bz);
    const float fx = bx - float(x), fz = bz - float(z);
    const bool odd = ((x ^ z) & 1) != 0;
    const u32 t = odd ? (fx + fz < 1 ? 0 : 1) : (fx < fz ? 0 : 1);
    FloodFillRequest request = {};
    request.bytes = triangleGrid->Bytes();
    request.seedX = s64(x) * 2 + t;
    request.seedY = z;
    request.width = width * 2;
    request.height = height;
    request.newValue = Material(brush.material);
    request.recordRuns = 1;
    request.triangleAdjacency = 1;
    FloodFill(&request);
    if (!request.filled) {
        request.runs.Free();
        return 0;
    }
    const s32 rect[4] = {s32(request.minX / 2), s32(request.minY) - 1, s32(request.maxX / 2) + 1,
                         s32(request.maxY) + 1};
    RebuildDetailRegion(rect[0], rect[2], rect[1], rect[3]);
    history.Push(new FloodFillAction(this, triangleSaved, triangleGrid, request.newValue, request.oldValue,
                                     &request.runs, rect),
                 1);
    MarkModified();
    return 1;
}

int TerrainModel::Undo()
{
    if (!history.Undo()) return 0;
    MarkModified();
    return 1;
}

int TerrainModel::Redo()
{
    if (!history.Redo()) return 0;
    MarkModified();
    return 1;
}

u32 TerrainModel::DrawRoundBrush(float x, float z, float radius, u32 segments, float* points) const
{
    if (!IsOnMesh(x, z) || segments == 0) return 0;
    const double pi = 3.14159265358979323846;
    u32 n = 0;
    for (s64 i = segments; i >= 0; --i, ++n) {
        const double angle = (double(i) + 0.5) * 2 * pi / segments - pi / 2;
        float* p = points + n * 3;
        p[0] = x + radius * float(std::cos(angle));
        p[2] = z + radius * float(std::sin(angle));
        p[1] = SampleSurfaceHeight(p[0], p[2]);
    }
    return n;
}

u32 TerrainModel::DrawSquareBrush(float x, float z, float radius, u32 segments, float* points) const
{
    const u32 perSide = segments / 4;
    if (!IsOnMesh(x, z) || perSide == 0) return 0;
    const float step = 2 * radius / float(perSide);
    const float start[4][2] = {{-radius, -radius}, {radius, -radius}, {radius, radius}, {-radius, radius}};
    const float along[4][2] = {{1, 0}, {0, 1}, {-1, 0}, {0, -1}};
    u32 n = 0;
    for (u32 side = 0; side < 4; ++side)
        for (u32 j = 0; j < perSide; ++j, ++n) {
            float* p = points + n * 3;
            p[0] = x + start[side][0] + along[side][0] * step * float(j);
            p[2] = z + start[side][1] + along[side][1] * step * float(j);
            p[1] = SampleSurfaceHeight(p[0], p[2]);
        }
    return n;
}
