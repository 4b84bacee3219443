#pragma once
// The 3D view's draw order: every triangle of a list of models from far to near, threaded
// through the triangles' own link fields.
#include "foundation/DynArray.h"
#include "model/RenderModel.h"

struct DepthList {
    RenderTriangle* head;  // the farthest (greatest sort depth)
    RenderTriangle* tail;
    u32 count;
};

// Rebuilds the list from the triangles of the models, model by model in order: greatest sort
// depth first, and triangles of equal depth in the order they arrive, as inserting each one
// after every triangle at least as deep would give, in O(n log n). A depth that is not a
// number counts as the nearest. scratch is working storage the caller may keep between
// frames.
void BuildDepthList(DepthList* list, RenderModel* const* models, u32 modelCount, DynArray<RenderTriangle*>* scratch);
