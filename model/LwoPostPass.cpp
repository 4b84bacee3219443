#include "model/LwoPostPass.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_map>

#include "model/LwoList.h"

float LwoDot(const float a[3], const float b[3]) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

void LwoCross(const float a[3], const float b[3], float c[3])
{
    c[0] = a[1] * b[2] - a[2] * b[1];
    c[1] = a[2] * b[0] - a[0] * b[2];
    c[2] = a[0] * b[1] - a[1] * b[0];
}

void LwoNormalize(float v[3])
{
    float r = float(sqrt(double(LwoDot(v, v))));
    if (r > 0) {
        v[0] /= r;
        v[1] /= r;
        v[2] /= r;
    }
}

void LwoGetBoundingBox(LwoPointList* points, float bbox[6])
{
    if (points->count == 0) return;
    for (int i = 0; i < 6; ++i)
        if (bbox[i] != 0.0f) return;
    bbox[0] = bbox[1] = bbox[2] = 1e20f;
    bbox[3] = bbox[4] = bbox[5] = -1e20f;
    for (s32 i = 0; i < points->count; ++i)
        for (int k = 0; k < 3; ++k) {
            float p = points->pt[i].pos[k];
            if (bbox[k] > p) bbox[k] = p;
            if (bbox[k + 3] < p) bbox[k + 3] = p;
        }
}

int LwoCheckPolygonPoints(LwoPointList* points, LwoPolygonList* polygons)
{
    for (s32 i = 0; i < polygons->vcount; ++i) {
        s32 p = polygons->corners[i].index;
        if (p < 0 || p >= points->count) return 0;
    }
    return 1;
}

void LwoGetPolygonNormals(LwoPointList* points, LwoPolygonList* polygons)
{
    for (s32 i = 0; i < polygons->count; ++i) {
        LwoPolygon* pol = &polygons->pol[i];
        if (pol->nverts < 3) continue;
        const float* p0 = points->pt[pol->v[0].index].pos;
        const float* p1 = points->pt[pol->v[1].index].pos;
        const float* pn = points->pt[pol->v[pol->nverts - 1].index].pos;
        float v1[3], v2[3];
        for (int k = 0; k < 3; ++k) {
            v1[k] = p1[k] - p0[k];
            v2[k] = pn[k] - p0[k];
        }
        LwoCross(v1, v2, pol->norm);
        LwoNormalize(pol->norm);
    }
}

int LwoGetPointPolygons(LwoPointList* points, LwoPolygonList* polygons)
{
    for (s32 i = 0; i < points->count; ++i) points->pt[i].npols = 0;
    for (s32 i = 0; i < polygons->vcount; ++i) ++points->pt[polygons->corners[i].index].npols;
    for (s32 i = 0; i < points->count; ++i) {
        LwoPoint* pt = &points->pt[i];
        free(pt->pol);
        pt->pol = nullptr;
        if (pt->npols == 0) continue;
        pt->pol = static_cast<s32*>(calloc(size_t(pt->npols), sizeof(s32)));
        if (!pt->pol) return 0;
        pt->npols = 0;
    }
    for (s32 i = 0; i < polygons->count; ++i) {
        LwoPolygon* pol = &polygons->pol[i];
        for (s32 j = 0; j < pol->nverts; ++j) {
            LwoPoint* pt = &points->pt[pol->v[j].index];
            pt->pol[pt->npols++] = i;
        }
    }
    return 1;
}

int LwoCompareNames(const char* a, const char* b) { return strcmp(a ? a : "", b ? b : ""); }

struct LwoSurfaceIndex {
    std::unordered_map<std::string, LwoSurface*> byName;  // the first surface of each name
    LwoSurface* tail = nullptr;                            // the last surface taken in

    // Takes in the surfaces appended since the last call.
    void CatchUp(LwoSurface* surfaces)
    {
        LwoSurface* s = tail ? tail->next : surfaces;
        for (; s; s = s->next) {
            byName.emplace(s->name ? s->name : "", s);
            tail = s;
        }
    }
    LwoSurface* Find(const char* name) const
    {
        auto it = byName.find(name ? name : "");
        return it == byName.end() ? nullptr : it->second;
    }
};

LwoSurfaceIndex* LwoNewSurfaceIndex()
{
    try {
        return new LwoSurfaceIndex;
    } catch (...) {
        return nullptr;
    }
}

void LwoFreeSurfaceIndex(LwoSurfaceIndex* index) { delete index; }

// A default surface named by a copy of name (none when null), appended; null when out of memory.
static LwoSurface* AddDefaultSurface(const char* name, LwoListBuilder<LwoSurface>* surfaces, s32* nsurfs)
{
    LwoSurface* surf = LwoDefaultSurface();
    if (!surf) return nullptr;
    if (name) {
        surf->name = LwoDuplicateString(name);
        if (!surf->name) {
            LwoFreeSurface(surf);
            return nullptr;
        }
    }
    surfaces->Add(surf);
    ++*nsurfs;
    return surf;
}

static int Resolve(LwoPolygonList* polygons, LwoTagList* tags, LwoSurface** surfaces, s32* nsurfs,
                   LwoSurfaceIndex* index)
{
    // Names are matched against the surfaces as they stand now; defaults made below are only
    // seen by later calls.
    index->CatchUp(*surfaces);
    LwoListBuilder<LwoSurface> append(surfaces, index->tail);
    std::unordered_map<s32, LwoSurface*> bytag;  // tag index (or -1, no tags) to its surface
    for (s32 i = 0; i < polygons->count; ++i) {
        LwoPolygon* pol = &polygons->pol[i];
        s32 t = pol->surfIndex;
        if (tags->count == 0) {
            // No names to match: every polygon shares one unnamed default surface (an earlier
            // layer's when there is one), so no polygon is left without a surface.
            t = -1;
        } else if (t < 0 || t >= tags->count) {
            return 0;
        }
        auto it = bytag.find(t);
        if (it != bytag.end()) {
            pol->surf = it->second;
            continue;
        }
        const char* name = t >= 0 ? tags->tag[t] : nullptr;
        LwoSurface* surf = index->Find(name);
        if (!surf) surf = AddDefaultSurface(name, &append, nsurfs);
        if (!surf) return 0;
        bytag.emplace(t, surf);
        pol->surf = surf;
    }
    return 1;
}

int LwoResolvePolygonSurfaces(LwoPolygonList* polygons, LwoTagList* tags, LwoSurface** surfaces,
                              s32* nsurfs, LwoSurfaceIndex* index)
{
    if (polygons->count == 0) return 1;
    try {
        if (index) return Resolve(polygons, tags, surfaces, nsurfs, index);
        LwoSurfaceIndex local;
        return Resolve(polygons, tags, surfaces, nsurfs, &local);
    } catch (...) {  // out of memory in the lookup tables
        return 0;
    }
}

// The angle float(acos(d)) falls as d rises, so it exceeds the limit exactly when d is below
// one cosine: found by bisection over that same expression, so that comparing d with it decides
// every pair as the angle would, without an acos per pair.
double LwoSmoothingCosine(float smooth)
{
    auto wider = [smooth](double d) { return float(acos(d)) > smooth; };
    if (!wider(-1.0)) return -1.0;
    if (wider(1.0)) return 2.0;
    double lo = -1.0, hi = 1.0;  // wider(lo), !wider(hi)
    for (;;) {
        double mid = lo + (hi - lo) * 0.5;
        if (mid <= lo || mid >= hi) return hi;
        (wider(mid) ? lo : hi) = mid;
    }
}

void LwoGetVertexNormals(LwoPointList* points, LwoPolygonList* polygons)
{
    float lastSmooth = 0.0f;
    double limit = 2.0;
    bool known = false;
    for (s32 j = 0; j < polygons->count; ++j) {
        LwoPolygon* pol = &polygons->pol[j];
        float smooth = pol->surf ? pol->surf->smooth : 0.0f;
        if (!(smooth <= 0) && (!known || memcmp(&smooth, &lastSmooth, sizeof smooth) != 0)) {
            limit = LwoSmoothingCosine(smooth);
            lastSmooth = smooth;
            known = true;
        }
        for (s32 n = 0; n < pol->nverts; ++n) {
            LwoPolygonVertex* corner = &pol->v[n];
            for (int k = 0; k < 3; ++k) corner->norm[k] = pol->norm[k];
            if (smooth <= 0) continue;
            const LwoPoint* pt = &points->pt[corner->index];
            for (s32 g = 0; g < pt->npols; ++g) {
                s32 h = pt->pol[g];
                if (h == j) continue;
                const LwoPolygon* other = &polygons->pol[h];
                if (pol->smoothgrp != other->smoothgrp) continue;
                double d = double(LwoDot(pol->norm, other->norm));
                if (d > 1.0) d = 1.0;
                if (d < -1.0) d = -1.0;
                if (d < limit) continue;
                for (int k = 0; k < 3; ++k) corner->norm[k] += other->norm[k];
            }
            LwoNormalize(corner->norm);
        }
    }
}

int LwoGetPointVMaps(LwoPointList* points, LwoVMap* vmaps)
{
    for (LwoVMap* vm = vmaps; vm; vm = vm->next) {
        if (vm->perpoly) continue;
        for (s32 i = 0; i < vm->count; ++i) {
            s32 p = vm->vindex[i];
            if (p < 0 || p >= points->count) return 0;
            ++points->pt[p].nvmaps;
        }
    }
    for (s32 i = 0; i < points->count; ++i) {
        LwoPoint* pt = &points->pt[i];
        free(pt->vm);
        pt->vm = nullptr;
        if (pt->nvmaps == 0) continue;
        pt->vm = static_cast<LwoVMapRef*>(calloc(size_t(pt->nvmaps), sizeof(LwoVMapRef)));
        if (!pt->vm) return 0;
        pt->nvmaps = 0;
    }
    for (LwoVMap* vm = vmaps; vm; vm = vm->next) {
        if (vm->perpoly) continue;
        for (s32 i = 0; i < vm->count; ++i) {
            LwoPoint* pt = &points->pt[vm->vindex[i]];
            pt->vm[pt->nvmaps].vmap = vm;
            pt->vm[pt->nvmaps].index = i;
            ++pt->nvmaps;
        }
    }
    return 1;
}

// The first corner of polygon p that uses point, or null.
static LwoPolygonVertex* FindCorner(LwoPolygonList* polygons, s32 p, s32 point)
{
    LwoPolygon* pol = &polygons->pol[p];
    for (s32 j = 0; j < pol->nverts; ++j)
        if (pol->v[j].index == point) return &pol->v[j];
    return nullptr;
}

int LwoGetPolygonVMaps(LwoPolygonList* polygons, LwoVMap* vmaps)
{
    for (LwoVMap* vm = vmaps; vm; vm = vm->next) {
        if (!vm->perpoly) continue;
        for (s32 i = 0; i < vm->count; ++i) {
            s32 p = vm->pindex[i];
            if (p < 0 || p >= polygons->count) return 0;
            LwoPolygonVertex* corner = FindCorner(polygons, p, vm->vindex[i]);
            if (corner) ++corner->nvmaps;
        }
    }
    for (s32 i = 0; i < polygons->vcount; ++i) {
        LwoPolygonVertex* corner = &polygons->corners[i];
        free(corner->vm);
        corner->vm = nullptr;
        if (corner->nvmaps == 0) continue;
        corner->vm = static_cast<LwoVMapRef*>(calloc(size_t(corner->nvmaps), sizeof(LwoVMapRef)));
        if (!corner->vm) return 0;
        corner->nvmaps = 0;
    }
    for (LwoVMap* vm = vmaps; vm; vm = vm->next) {
        if (!vm->perpoly) continue;
        for (s32 i = 0; i < vm->count; ++i) {
            LwoPolygonVertex* corner = FindCorner(polygons, vm->pindex[i], vm->vindex[i]);
            if (!corner) continue;
            corner->vm[corner->nvmaps].vmap = vm;
            corner->vm[corner->nvmaps].index = i;
            ++corner->nvmaps;
        }
    }
    return 1;
}
