#pragma once
// The passes that run over each layer once every chunk of an object has been read, in the order
// declared here: bounds, the corner index check, normals, point-to-polygon lists, surfaces,
// corner normals and vertex-map references. Passes after LwoCheckPolygonPoints rely on every
// corner naming an existing point.
#include "model/LwoObject.h"

// Without a BBOX chunk (all six values 0) and with points: the bounds of the points.
void LwoGetBoundingBox(LwoPointList* points, float bbox[6]);
// 0 when a corner names a point outside the layer's points.
int LwoCheckPolygonPoints(LwoPointList* points, LwoPolygonList* polygons);
// The unit normal of every polygon with at least three corners, from its first, second and last
// corner; others keep a zero normal.
void LwoGetPolygonNormals(LwoPointList* points, LwoPolygonList* polygons);
// Each point's list of polygons, one entry per corner using it; 0 when out of memory.
int LwoGetPointPolygons(LwoPointList* points, LwoPolygonList* polygons);
// Finds surfaces by name for LwoResolvePolygonSurfaces, kept across the layers of one object so
// that resolving many layers does not search every surface again for each.
struct LwoSurfaceIndex;
LwoSurfaceIndex* LwoNewSurfaceIndex();
void LwoFreeSurfaceIndex(LwoSurfaceIndex* index);
// Gives every polygon its surface: the first surface, among those in the list when the call
// starts, whose name matches its tag (an empty tag matches an unnamed surface), or else a new
// default surface named after the tag (one per tag and call); without tags, one shared unnamed
// default surface. index may be null. 0 for a tag index outside the tag list or when out of
// memory.
int LwoResolvePolygonSurfaces(LwoPolygonList* polygons, LwoTagList* tags, LwoSurface** surfaces,
                              s32* nsurfs, LwoSurfaceIndex* index = nullptr);
// Each corner's normal: its polygon's, plus, on a surface with a smoothing angle above 0, those
// of the other polygons at the point in the same smoothing group within that angle, normalised.
// A point shared by n polygons costs n x n angle tests.
void LwoGetVertexNormals(LwoPointList* points, LwoPolygonList* polygons);
// The cosine below which two unit normals are farther apart than the smoothing angle: for every
// d in [-1, 1], d < LwoSmoothingCosine(smooth) exactly when float(acos(d)) > smooth. -1 when no
// angle exceeds smooth (also for NaN), 2 when every angle does.
double LwoSmoothingCosine(float smooth);
// The per-point (VMAP) references of each point, in map and entry order; 0 when an entry names a
// point outside the layer, or out of memory.
int LwoGetPointVMaps(LwoPointList* points, LwoVMap* vmaps);
// The per-polygon (VMAD) references of each corner: an entry reaches the first corner of its
// polygon that uses its point (none when no corner does); 0 when an entry names a polygon outside
// the layer, or out of memory.
int LwoGetPolygonVMaps(LwoPolygonList* polygons, LwoVMap* vmaps);

float LwoDot(const float a[3], const float b[3]);
void LwoCross(const float a[3], const float b[3], float c[3]);
// Divides by the length when it is above 0; a zero vector stays zero.
void LwoNormalize(float v[3]);
