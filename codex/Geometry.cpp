#include "codex/Geometry.h"

#include <cmath>
#include <cstring>

#include "codex/TagData.h"
#include "foundation/StringUtil.h"

namespace {

constexpr u32 kGeomSectionBase = 128;

// 512 x value truncated toward zero, clamped to the i16 range. ok becomes false when the value
// did not fit.
s16 ToFixed(float value, bool& ok)
{
    double v = double(value) * 512.0;
    if (std::isnan(v)) {
        ok = false;
        return 0;
    }
    if (v > 32767.0 || v < -32768.0) {
        ok = false;
        return v > 0 ? 32767 : -32768;
    }
    return s16(std::trunc(v));
}

u16 ToUnit16(float value)
{
    double v = std::isnan(value) ? 0.0 : double(value);
    if (v < 0) v = 0;
    if (v > 1) v = 1;
    return u16(v * 65535.0);
}

bool StorePoint(s16 out[3], const float p[3])
{
    bool ok = true;
    out[0] = ToFixed(-p[0], ok);
    out[1] = ToFixed(p[2], ok);
    out[2] = ToFixed(p[1], ok);
    return ok;
}

template <typename T>
int ResizeZeroed(DynArray<T>* array, u32 count)
{
    if (count > kGeomMaxCount) return 0;
    array->SetExact(count);
    if (count) memset(array->data, 0, sizeof(T) * count);
    return 1;
}

// Reads count records of a section at section base + offset after checking it lies inside
// the tag's data.
template <typename T>
int ReadSection(DynArray<T>* array, u16 count, u32 offset, const ByteOrderDescriptor* desc, FILE* stream,
                const TagHeader* header, u32 base)
{
    array->SetExact(count);
    if (!count) return 1;
    u64 start = u64(base) + offset;
    if (!TagDataHolds(header, start, DiskSizeOfRecords(count, desc)) || !SeekTagData(stream, header, start))
        return 0;
    return ReadRecords(array->data, count, desc, stream) != 0;
}

}  // namespace

void InitGeom(Geometry* geom)
{
    memset(geom, 0, sizeof *geom);
}

void FreeGeom(Geometry* geom)
{
    geom->surfaces.Free();
    geom->vertices.Free();
    geom->triangles.Free();
}

int SetGeomHeader(Geometry* geom, u32 value0, u32 value1, const float boxMin[3], const float boxMax[3],
                  const float point[3])
{
    GeometryHeader& h = geom->header;
    h.value0 = value0;
    h.value1 = value1;
    bool ok = StorePoint(h.boxMin, boxMin);
    ok &= StorePoint(h.boxMax, boxMax);
    ok &= StorePoint(h.point, point);
    for (int i = 0; i < 3; ++i)
        if (h.boxMin[i] > h.boxMax[i]) {
            s16 t = h.boxMin[i];
            h.boxMin[i] = h.boxMax[i];
            h.boxMax[i] = t;
        }
    return ok;
}

int ResizeGeomSurfaces(Geometry* geom, u32 count) { return ResizeZeroed(&geom->surfaces, count); }
int ResizeGeomVertices(Geometry* geom, u32 count) { return ResizeZeroed(&geom->vertices, count); }
int ResizeGeomTrianglesZeroed(Geometry* geom, u32 count) { return ResizeZeroed(&geom->triangles, count); }

int ResizeGeomTriangles(DynArray<GeomTriangle>* triangles, u32 count)
{
    if (count > kGeomMaxCount) return 0;
    u32 old = triangles->count;
    triangles->SetExact(count);
    // Only the reserved bytes must be clear for the game, but every byte of a new triangle is
    // cleared so nothing uninitialised can reach a file.
    if (count > old) memset(triangles->data + old, 0, sizeof(GeomTriangle) * (count - old));
    return 1;
}

void SetGeomSurface(Geometry* geom, u32 index, const char* name, u16 value)
{
    if (index >= geom->surfaces.count) return;
    GeomSurface& s = geom->surfaces[index];
    memset(s.name, 0, sizeof s.name);
    StrLCpy(s.name, name ? name : "", 31);
    s.value = value;
}

int SetGeomVertex(Geometry* geom, u32 index, float x, float y, float z)
{
    if (index >= geom->vertices.count) return 0;
    const float p[3] = {x, y, z};
    return StorePoint(geom->vertices[index].v, p);
}

void SetGeomCorner(Geometry* geom, u32 triangle, u32 corner, u16 vertex, float t1, float t2)
{
    if (triangle >= geom->triangles.count || corner > 2) return;
    GeomCorner& c = geom->triangles[triangle].corner[2 - corner];
    c.t2 = ToUnit16(t2);
    c.t1 = ToUnit16(t1);
    c.vertex = vertex;
    c.zero = 0;
}

void SetGeomTriangle(Geometry* geom, u32 triangle, u16 flags, u16 surface, float opacity)
{
    if (triangle >= geom->triangles.count) return;
    GeomTriangle& t = geom->triangles[triangle];
    t.tail[0] = t.tail[1] = t.tail[2] = 0xFFFF;
    t.tail[3] = 0;
    t.tail[4] = 0xFFFF;
    t.flags = flags;
    t.surface = surface;
    t.transparency = ToUnit16(1.0f - (std::isnan(opacity) ? 1.0f : opacity));

    t.normal[0] = t.normal[1] = t.normal[2] = 0;
    t.distance = 0;
    const GeomVertex* v[3];
    for (int i = 0; i < 3; ++i) {
        if (t.corner[i].vertex >= geom->vertices.count) return;
        v[i] = &geom->vertices[t.corner[i].vertex];
    }
    double e1[3], e2[3];
    for (int i = 0; i < 3; ++i) {
        e1[i] = (v[2]->v[i] - v[0]->v[i]) / 512.0;
        e2[i] = (v[1]->v[i] - v[0]->v[i]) / 512.0;
    }
    double n[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2], e1[0] * e2[1] - e1[1] * e2[0]};
    double len = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    if (!(len > 0)) return;
    for (int i = 0; i < 3; ++i) t.normal[i] = s16(std::trunc(n[i] / len * 16384.0));
    // The game computes the distance in wrapping 32-bit integers; do the same without
    // signed overflow.
    u32 dot = 0;
    for (int i = 0; i < 3; ++i) dot += u32(s32(t.normal[i]) * s32(v[0]->v[i]));
    t.distance = s32(0u - dot);
}

int ReadGeomTag(Geometry* geom, FILE* stream, const TagHeader* header)
{
    GeometryHeader& h = geom->header;
    if (!TagDataHolds(header, 0, sizeof h) || !SeekTagData(stream, header, 0) ||
        !ReadRecords(&h, 1, kGeometryHeaderDescriptor, stream))
        return 0;
    u32 base = h.sectionBase;
    return ReadSection(&geom->surfaces, h.surfaceCount, h.surfacesOffset, kGeomSurfaceDescriptor, stream, header,
                       base) &&
           ReadSection(&geom->vertices, h.vertexCount, h.verticesOffset, kGeomVertexDescriptor, stream, header,
                       base) &&
           ReadSection(&geom->triangles, h.triangleCount, h.trianglesOffset, kGeomTriangleDescriptor, stream,
                       header, base);
}

int WriteGeomTag(Geometry* geom, FILE* stream, const TagHeader* header)
{
    GeometryHeader& h = geom->header;
    if (geom->surfaces.count > kGeomMaxCount || geom->vertices.count > kGeomMaxCount ||
        geom->triangles.count > kGeomMaxCount)
        return 0;
    h.sectionBase = kGeomSectionBase;
    h.totalSize = 0;
    h.surfaceCount = u16(geom->surfaces.count);
    h.vertexCount = u16(geom->vertices.count);
    h.triangleCount = u16(geom->triangles.count);
    if (!SeekTagData(stream, header, kGeomSectionBase)) return 0;
    return WriteTagSection(stream, header, kGeomSectionBase, geom->surfaces.data, geom->surfaces.count,
                           kGeomSurfaceDescriptor, &h.surfacesOffset, &h.surfacesSize, &h.totalSize) &&
           WriteTagSection(stream, header, kGeomSectionBase, geom->vertices.data, geom->vertices.count,
                           kGeomVertexDescriptor, &h.verticesOffset, &h.verticesSize, &h.totalSize) &&
           WriteTagSection(stream, header, kGeomSectionBase, geom->triangles.data, geom->triangles.count,
                           kGeomTriangleDescriptor, &h.trianglesOffset, &h.trianglesSize, &h.totalSize) &&
           WriteTagDataHeader(stream, header, &h, kGeometryHeaderDescriptor);
}
