// The 3D view's draw order against inserting each triangle after every one at least as deep.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "model/DepthList.h"

namespace {

// Each triangle walks from the head past every triangle at least as deep and goes in front of
// the first shallower one.
std::vector<const RenderTriangle*> InsertionOrder(const std::vector<RenderModel*>& models)
{
    std::vector<const RenderTriangle*> order;
    for (RenderModel* m : models)
        for (const RenderTriangle& t : m->triangles) {
            size_t at = 0;
            while (at < order.size() && order[at]->sortDepth >= t.sortDepth) ++at;
            order.insert(order.begin() + at, &t);
        }
    return order;
}

RenderModel* ModelWithDepths(std::initializer_list<float> depths)
{
    RenderModel* m = NewRenderModel();
    for (float d : depths) {
        RenderTriangle t = {};
        t.model = m;
        t.sortDepth = d;
        m->triangles.Push(t);
    }
    return m;
}

TEST(DepthList, FarToNearWithTiesInArrivalOrderAcrossModels)
{
    const std::vector<std::vector<RenderModel*>> sets = {
        {ModelWithDepths({0.5f, 0.5f, 0.5f})},
        {ModelWithDepths({0.1f, 0.9f, 0.5f, 0.9f, 0.1f}), ModelWithDepths({0.9f, 0.1f, 0.5f})},
        {ModelWithDepths({}), ModelWithDepths({1.0f}), ModelWithDepths({-3.0f, 1.0f, -3.0f})},
        {ModelWithDepths({0.3f, 0.2f, 0.3f, 0.2f, 0.3f, 0.2f, 0.25f, 0.25f})},
    };
    DynArray<RenderTriangle*> scratch = {};
    for (size_t s = 0; s < sets.size(); ++s) {
        SCOPED_TRACE(s);
        const std::vector<RenderModel*>& models = sets[s];
        std::vector<const RenderTriangle*> expected = InsertionOrder(models);
        DepthList list = {};
        BuildDepthList(&list, models.data(), u32(models.size()), &scratch);
        ASSERT_EQ(expected.size(), list.count);
        std::vector<const RenderTriangle*> forward;
        for (const RenderTriangle* t = list.head; t; t = t->sortNext) forward.push_back(t);
        EXPECT_EQ(expected, forward);
        std::vector<const RenderTriangle*> backward;
        for (const RenderTriangle* t = list.tail; t; t = t->sortPrev) backward.insert(backward.begin(), t);
        EXPECT_EQ(expected, backward);
        for (RenderModel* m : models) DeleteRenderModel(m);
    }
    // No triangles: an empty list; a depth that is not a number is drawn last.
    RenderModel* m = ModelWithDepths({NAN, 0.5f});
    DepthList list = {};
    BuildDepthList(&list, &m, 1, &scratch);
    ASSERT_EQ(2u, list.count);
    EXPECT_EQ(0.5f, list.head->sortDepth);
    EXPECT_EQ(&m->triangles.data[0], list.tail);
    BuildDepthList(&list, nullptr, 0, &scratch);
    EXPECT_EQ(nullptr, list.head);
    EXPECT_EQ(0u, list.count);
    DeleteRenderModel(m);
    scratch.Free();
}

}  // namespace
