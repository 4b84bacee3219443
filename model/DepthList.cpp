#include "model/DepthList.h"

#include <algorithm>
#include <cmath>

void BuildDepthList(DepthList* list, RenderModel* const* models, u32 modelCount, DynArray<RenderTriangle*>* scratch)
{
    list->head = list->tail = nullptr;
    list->count = 0;
    u64 total = 0;
    for (u32 m = 0; m < modelCount; ++m)
        if (models[m]) total += models[m]->triangles.count;
    if (!total || total > 0xFFFFFFFFu) return;
    scratch->ResizeRaw(u32(total));
    u32 n = 0;
    for (u32 m = 0; m < modelCount; ++m) {
        if (!models[m]) continue;
        for (RenderTriangle& t : models[m]->triangles) {
            if (std::isnan(t.sortDepth)) t.sortDepth = -INFINITY;
            scratch->data[n++] = &t;
        }
    }
    std::stable_sort(scratch->data, scratch->data + n,
                     [](const RenderTriangle* a, const RenderTriangle* b) { return a->sortDepth > b->sortDepth; });
    RenderTriangle* prev = nullptr;
    for (u32 i = 0; i < n; ++i) {
        RenderTriangle* t = scratch->data[i];
        t->sortPrev = prev;
        t->sortNext = nullptr;
        if (prev) prev->sortNext = t;
        prev = t;
    }
    list->head = scratch->data[0];
    list->tail = prev;
    list->count = n;
}
