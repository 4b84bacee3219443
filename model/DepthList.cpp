#include "model/DepthList.h"

#include <algorithm>
#include <cmath>

namespace {

// The sort works on (depth, position) pairs in one block rather than following a pointer per
// comparison; the position is the arrival order, which the stable sort keeps for ties.
struct DepthKey {
    float depth;
    u32 at;
};

}  // namespace

void BuildDepthList(DepthList* list, RenderModel* const* models, u32 modelCount, DynArray<RenderTriangle*>* scratch)
{
    list->head = list->tail = nullptr;
    list->count = 0;
    u64 total = 0;
    for (u32 m = 0; m < modelCount; ++m)
        if (models[m]) total += models[m]->triangles.count;
    if (!total || total > 0x10000000u) return;
    const u32 n = u32(total);
    // One block: the triangle pointers, then the keys.
    scratch->ResizeRaw(n + u32((u64(n) * sizeof(DepthKey) + sizeof(RenderTriangle*) - 1) / sizeof(RenderTriangle*)));
    RenderTriangle** triangles = scratch->data;
    DepthKey* keys = reinterpret_cast<DepthKey*>(scratch->data + n);
    u32 i = 0;
    for (u32 m = 0; m < modelCount; ++m) {
        if (!models[m]) continue;
        for (RenderTriangle& t : models[m]->triangles) {
            if (std::isnan(t.sortDepth)) t.sortDepth = -INFINITY;
            triangles[i] = &t;
            keys[i] = DepthKey{t.sortDepth, i};
            ++i;
        }
    }
    std::stable_sort(keys, keys + n, [](const DepthKey& a, const DepthKey& b) { return a.depth > b.depth; });
    RenderTriangle* prev = nullptr;
    for (u32 k = 0; k < n; ++k) {
        RenderTriangle* t = triangles[keys[k].at];
        t->sortPrev = prev;
        t->sortNext = nullptr;
        if (prev) prev->sortNext = t;
        else list->head = t;
        prev = t;
    }
    list->tail = prev;
    list->count = n;
}
