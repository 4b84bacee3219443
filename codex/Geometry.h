#pragma once
// 'geom' tag data: a triangle mesh with named surfaces. Points are stored as three i16 in the
// order (-x, z, y), each 512 x the value truncated toward zero; corner slots are stored in
// the reverse of the caller's order.
#include <cstdio>
#include "codex/TagHeader.h"
#include "foundation/ByteOrder.h"
#include "foundation/DynArray.h"

struct GeometryHeader {
    u32 value0;
    u32 value1;
    u16 surfaceCount;
    u16 vertexCount;
    u16 triangleCount;
    u16 value14;
    s16 point[3];
    u16 reserved22[3];
    u32 surfacesOffset, surfacesSize, reserved36;
    u32 verticesOffset, verticesSize, reserved48;
    u32 trianglesOffset, trianglesSize, reserved60;
    u32 value64, value68, reserved72;
    u32 sectionBase, totalSize, reserved84;
    s16 boxMin[3];
    s16 boxMax[3];
    u16 values100[13];
    u16 reserved126;
};

inline constexpr ByteOrderDescriptor kGeometryHeaderDescriptor[] = {
    128, 2, kBoU32, 7, kBoU16, 3, kBoZero16,
    2, kBoU32, 1, kBoZero32, 2, kBoU32, 1, kBoZero32, 2, kBoU32, 1, kBoZero32, 2, kBoU32, 1, kBoZero32,
    2, kBoU32, 1, kBoZero32, 6, kBoU16, 13, kBoU16, 1, kBoZero16};
static_assert(ByteOrderDescribes<GeometryHeader>(kGeometryHeaderDescriptor), "GeometryHeader layout");

struct GeomSurface {
    char name[32];
    u16 value;
    u16 values34[3];
    u16 reserved[12];
};

inline constexpr ByteOrderDescriptor kGeomSurfaceDescriptor[] = {64, 31, kBoU8, 1, kBoZero8, 4, kBoU16, 12, kBoZero16};
static_assert(ByteOrderDescribes<GeomSurface>(kGeomSurfaceDescriptor), "GeomSurface layout");

struct GeomVertex {
    s16 v[3];  // -512x, 512z, 512y
};

inline constexpr ByteOrderDescriptor kGeomVertexDescriptor[] = {6, 3, kBoU16};
static_assert(ByteOrderDescribes<GeomVertex>(kGeomVertexDescriptor), "GeomVertex layout");

struct GeomCorner {
    u16 t2;      // second texture coordinate x 65535
    u16 t1;      // first texture coordinate x 65535
    u16 vertex;
    u16 zero;
};

struct GeomTriangle {
    u16 flags;        // bit 0: the opacity applies
    s16 normal[3];    // unit plane normal x 16384
    s32 distance;     // -(normal . vertex of slot 0), 32-bit integer arithmetic
    u16 reserved12[6];
    u16 transparency; // (1 - opacity) x 65535
    u16 surface;
    GeomCorner corner[3];
    u16 tail[5];      // 0xFFFF, 0xFFFF, 0xFFFF, 0, 0xFFFF
    u16 reserved62;
};

inline constexpr ByteOrderDescriptor kGeomTriangleDescriptor[] = {64, 4, kBoU16, 1, kBoU32, 25, kBoU16, 1, kBoZero16};
static_assert(ByteOrderDescribes<GeomTriangle>(kGeomTriangleDescriptor), "GeomTriangle layout");

struct Geometry {
    GeometryHeader header;
    DynArray<GeomSurface> surfaces;
    DynArray<GeomVertex> vertices;
    DynArray<GeomTriangle> triangles;
};

// Section counts are u16 fields.
constexpr u32 kGeomMaxCount = 0xFFFF;

void InitGeom(Geometry* geom);
void FreeGeom(Geometry* geom);

// Stores the two values, the bounding box and the third point as the header holds them; each
// min/max pair is ordered so that the minimum is the smaller stored value. Returns 0 when a
// coordinate lies outside the stored range (it is then clamped).
int SetGeomHeader(Geometry* geom, u32 value0, u32 value1, const float boxMin[3], const float boxMax[3],
                  const float point[3]);
// Exactly count elements, all bytes zero. Return 0 when count is above kGeomMaxCount.
int ResizeGeomSurfaces(Geometry* geom, u32 count);
int ResizeGeomVertices(Geometry* geom, u32 count);
int ResizeGeomTrianglesZeroed(Geometry* geom, u32 count);
// Sets the triangle count keeping the existing triangles; new ones are zero.
int ResizeGeomTriangles(DynArray<GeomTriangle>* triangles, u32 count);
// Name (at most 30 characters kept) and value.
void SetGeomSurface(Geometry* geom, u32 index, const char* name, u16 value);
// Stores (-512x, 512z, 512y) truncated. Returns 0 when a coordinate is outside the i16 range
// or not a number (the value is then clamped, NaN stored as 0).
int SetGeomVertex(Geometry* geom, u32 index, float x, float y, float z);
// Fills slot 2 - corner; texture coordinates are clamped to 0..1.
void SetGeomCorner(Geometry* geom, u32 triangle, u32 corner, u16 vertex, float t1, float t2);
// Sets the fixed tail words, flags, surface and transparency, and computes the plane from the
// corners already set. A degenerate triangle (or one naming a missing vertex) gets a zero
// normal and distance.
void SetGeomTriangle(Geometry* geom, u32 triangle, u16 flags, u16 surface, float opacity);

// Reads the header and the three sections. Returns 0 when a section lies outside the tag's
// data or a seek or read fails.
int ReadGeomTag(Geometry* geom, FILE* stream, const TagHeader* header);
// Writes the sections from the section base (128) and then the header. Sections are laid out
// one after another and never overlap. Returns 1 or 0.
int WriteGeomTag(Geometry* geom, FILE* stream, const TagHeader* header);
