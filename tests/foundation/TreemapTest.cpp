#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "foundation/Treemap.h"

namespace {

enum { kTop, kLeft, kRight, kBottom };

struct Placed {
    float rect[4];
    void* user;
};

// The layout's callback has no context of its own, so the calls are collected here.
std::vector<Placed> g_placed;

void Collect(const float* rect, void* user)
{
    g_placed.push_back(Placed{{rect[0], rect[1], rect[2], rect[3]}, user});
}

std::vector<Placed> Layout(TreemapNode* root, s32 width, s32 height)
{
    g_placed.clear();
    TreemapLayout(root, width, height, Collect);
    return g_placed;
}

double Area(const float* r)
{
    return double(r[kRight] - r[kLeft]) * double(r[kBottom] - r[kTop]);
}

double Overlap(const float* a, const float* b)
{
    double w = std::min(a[kRight], b[kRight]) - std::max(a[kLeft], b[kLeft]);
    double h = std::min(a[kBottom], b[kBottom]) - std::max(a[kTop], b[kTop]);
    return w > 0 && h > 0 ? w * h : 0;
}

// Owns a tree for one test.
struct Tree {
    TreemapNode* root = TreemapNew();
    ~Tree() { TreemapFree(root); }
};

void* U(uintptr_t n)
{
    return reinterpret_cast<void*>(n);
}

// Checks a set of sibling rectangles: each inside the parent, pairwise disjoint, each with
// the area its weight claims of the parent's, together filling the parent.
void ExpectTiles(const std::vector<const float*>& rects, const std::vector<double>& weights, const float* parent)
{
    double total = 0;
    for (double w : weights) total += w;
    const double parentArea = Area(parent);
    const double eps = 1e-3 * std::max(1.0, parentArea);
    double covered = 0;
    for (size_t i = 0; i < rects.size(); ++i) {
        const float* r = rects[i];
        EXPECT_GE(r[kLeft], parent[kLeft] - 1e-2);
        EXPECT_GE(r[kTop], parent[kTop] - 1e-2);
        EXPECT_LE(r[kRight], parent[kRight] + 1e-2);
        EXPECT_LE(r[kBottom], parent[kBottom] + 1e-2);
        EXPECT_LE(r[kLeft], r[kRight] + 1e-3);
        EXPECT_LE(r[kTop], r[kBottom] + 1e-3);
        EXPECT_NEAR(Area(r), parentArea * weights[i] / total, eps) << "child " << i;
        covered += Area(r);
        for (size_t j = i + 1; j < rects.size(); ++j) EXPECT_LE(Overlap(r, rects[j]), eps) << i << " and " << j;
    }
    EXPECT_NEAR(covered, parentArea, eps);
}

}  // namespace

TEST(Treemap, AddChildGrowsTheArrayTo2Then6Then14)
{
    Tree t;
    const u16 expected[] = {2, 2, 6, 6, 6, 6, 14, 14};
    for (int i = 0; i < 8; ++i) {
        TreemapNode* child = TreemapAddChild(t.root, float(i), U(i + 1));
        ASSERT_NE(child, nullptr);
        EXPECT_EQ(t.root->capacity, expected[i]) << "after child " << i;
        EXPECT_EQ(child->weight, float(i));
        EXPECT_EQ(child->user, U(i + 1));
        EXPECT_EQ(child->childCount, 0);
        EXPECT_EQ(child->children, nullptr);
    }
    EXPECT_EQ(t.root->childCount, 8);
}

TEST(Treemap, AddChildStopsAtTheLargestCountTheNodeCanHold)
{
    Tree t;
    for (u32 i = 0; i < 65535; ++i) ASSERT_NE(TreemapAddChild(t.root, 1.0f, nullptr), nullptr) << i;
    EXPECT_EQ(t.root->childCount, 65535);
    EXPECT_EQ(t.root->capacity, 65535);
    EXPECT_EQ(TreemapAddChild(t.root, 1.0f, nullptr), nullptr);
    EXPECT_EQ(t.root->childCount, 65535);
    EXPECT_EQ(TreemapAddChild(nullptr, 1.0f, nullptr), nullptr);
}

TEST(Treemap, FourEqualChildrenIn200By100GetTheSortedOneRowLayout)
{
    // Added K, L, M, N; the sort puts them L, M, N, K, and no row ever takes a second child.
    Tree t;
    for (uintptr_t id = 'K'; id <= 'N'; ++id) TreemapAddChild(t.root, 1.0f, U(id));
    std::vector<Placed> p = Layout(t.root, 200, 100);
    ASSERT_EQ(p.size(), 4u);
    struct {
        char id;
        float rect[4];
    } expected[] = {{'L', {0, 0, 50, 100}}, {'M', {0, 50, 100, 100}}, {'N', {0, 100, 200, 50}}, {'K', {50, 100, 200, 100}}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(p[i].user, U(uintptr_t(expected[i].id))) << i;
        for (int k = 0; k < 4; ++k) EXPECT_EQ(p[i].rect[k], expected[i].rect[k]) << expected[i].id << " side " << k;
    }
}

TEST(Treemap, SevenWeightsGetTheSquarifiedRows)
{
    // Weights 6, 6, 4, 3, 2, 2, 1 in 600 x 400: rows {6, 6} on the left, {4, 3} across the top
    // of the rest, then 2, 2 and 1 each alone.
    Tree t;
    const float weights[] = {6, 6, 4, 3, 2, 2, 1};
    for (float w : weights) TreemapAddChild(t.root, w, nullptr);
    std::vector<Placed> p = Layout(t.root, 600, 400);
    ASSERT_EQ(p.size(), 7u);
    const float third = 700.0f / 3;  // the {4, 3} row is 70000 / 300 thick
    const float expected[7][4] = {
        {0, 0, 300, 200},
        {200, 0, 300, 400},
        {0, 300, 300 + 40000 / third, third},
        {0, 300 + 40000 / third, 600, third},
        {third, 300, 420, 400},
        {third, 420, 540, 400},
        {third, 540, 600, 400},
    };
    for (int i = 0; i < 7; ++i)
        for (int k = 0; k < 4; ++k) EXPECT_NEAR(p[i].rect[k], expected[i][k], 0.01) << "child " << i << " side " << k;
}

TEST(Treemap, LayoutCallsParentsBeforeTheirChildrenAndSumsInnerWeights)
{
    Tree t;
    TreemapNode* a = TreemapAddChild(t.root, 0, U(1));
    TreemapNode* b = TreemapAddChild(t.root, 5, U(2));
    TreemapAddChild(a, 3, U(11));
    TreemapAddChild(a, 4, U(12));
    std::vector<Placed> p = Layout(t.root, 120, 100);
    ASSERT_EQ(p.size(), 4u);
    // a weighs 7 after summing, so it comes first; its children follow it at once.
    EXPECT_EQ(p[0].user, U(1));
    EXPECT_EQ(p[1].user, U(12));
    EXPECT_EQ(p[2].user, U(11));
    EXPECT_EQ(p[3].user, U(2));
    // Weights are areas afterwards.
    EXPECT_NEAR(t.root->weight, 12000, 1e-2);
    EXPECT_NEAR(a->weight, 7000, 1e-2);
    EXPECT_NEAR(b->weight, 5000, 1e-2);
    ExpectTiles({p[1].rect, p[2].rect}, {4, 3}, a->rect);
}

TEST(Treemap, RandomWeightsTileTheRectangleInProportion)
{
    std::mt19937 rng(2024);
    std::uniform_real_distribution<float> weight(0.5f, 100.0f);
    for (int trial = 0; trial < 50; ++trial) {
        SCOPED_TRACE(trial);
        Tree t;
        int n = 1 + int(rng() % 40);
        std::vector<TreemapNode*> nodes;
        for (int i = 0; i < n; ++i) {
            TreemapNode* c = TreemapAddChild(t.root, weight(rng), U(i + 1));
            nodes.push_back(c);
            if (rng() % 4 == 0)  // some children have children of their own
                for (int k = 0, m = 1 + int(rng() % 6); k < m; ++k) TreemapAddChild(c, weight(rng), nullptr);
        }
        s32 w = 50 + s32(rng() % 1500), h = 50 + s32(rng() % 1000);
        std::vector<Placed> p = Layout(t.root, w, h);

        std::vector<const float*> rects;
        std::vector<double> weights;
        for (TreemapNode* c : nodes) {
            rects.push_back(c->rect);
            weights.push_back(c->weight);
        }
        ExpectTiles(rects, weights, t.root->rect);
        for (TreemapNode* c : nodes) {
            if (!c->childCount) continue;
            std::vector<const float*> inner;
            std::vector<double> innerWeights;
            for (u32 k = 0; k < c->childCount; ++k) {
                inner.push_back(c->children[k]->rect);
                innerWeights.push_back(c->children[k]->weight);
            }
            ExpectTiles(inner, innerWeights, c->rect);
        }
        size_t total = nodes.size();
        for (TreemapNode* c : nodes) total += c->childCount;
        EXPECT_EQ(p.size(), total);
    }
}

TEST(Treemap, ZeroWeightsEndTheLayoutWithEmptyRectangles)
{
    struct Case {
        std::vector<float> weights;
    } cases[] = {
        {{0}},
        {{0, 0, 0}},
        {{5, 0, 3, 0}},
        {{0, 0, 1}},
    };
    for (const Case& c : cases) {
        Tree t;
        for (float w : c.weights) TreemapAddChild(t.root, w, nullptr);
        std::vector<Placed> p = Layout(t.root, 300, 200);
        ASSERT_EQ(p.size(), c.weights.size());
        std::vector<const float*> rects;
        std::vector<double> weights;
        for (u32 i = 0; i < t.root->childCount; ++i) {
            rects.push_back(t.root->children[i]->rect);
            weights.push_back(t.root->children[i]->weight);
            for (int k = 0; k < 4; ++k) EXPECT_TRUE(std::isfinite(t.root->children[i]->rect[k]));
            if (t.root->children[i]->weight == 0) {
                EXPECT_EQ(Area(t.root->children[i]->rect), 0.0);
            }
        }
        if (t.root->weight > 0) ExpectTiles(rects, weights, t.root->rect);
    }
}

TEST(Treemap, UnusableWeightsCountAsZero)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    Tree t;
    TreemapAddChild(t.root, 2, U(1));
    TreemapAddChild(t.root, nan, U(2));
    TreemapAddChild(t.root, -5, U(3));
    TreemapAddChild(t.root, inf, U(4));
    TreemapAddChild(t.root, 2, U(5));
    std::vector<Placed> p = Layout(t.root, 100, 100);
    ASSERT_EQ(p.size(), 5u);
    double covered = 0;
    for (const Placed& x : p) {
        for (int k = 0; k < 4; ++k) EXPECT_TRUE(std::isfinite(x.rect[k]));
        if (x.user == U(1) || x.user == U(5)) {
            EXPECT_NEAR(Area(x.rect), 5000, 1e-2);
        } else {
            EXPECT_EQ(Area(x.rect), 0.0);
        }
        covered += Area(x.rect);
    }
    EXPECT_NEAR(covered, 10000, 1e-2);
}

TEST(Treemap, HugeAndTinyWeightsStillScaleToTheRectangle)
{
    for (float w : {3e38f, 1e-40f}) {
        Tree t;
        TreemapAddChild(t.root, w, nullptr);
        TreemapAddChild(t.root, w, nullptr);
        TreemapAddChild(t.root, w, nullptr);
        std::vector<Placed> p = Layout(t.root, 300, 100);
        ASSERT_EQ(p.size(), 3u);
        for (const Placed& x : p) EXPECT_NEAR(Area(x.rect), 10000, 1) << w;
    }
}

TEST(Treemap, EmptyRectangleGivesEmptyFiniteRectangles)
{
    const s32 sizes[][2] = {{0, 100}, {100, 0}, {0, 0}, {-20, 50}};
    for (const auto& size : sizes) {
        Tree t;
        TreemapNode* a = TreemapAddChild(t.root, 3, nullptr);
        TreemapAddChild(a, 1, nullptr);
        TreemapAddChild(t.root, 1, nullptr);
        std::vector<Placed> p = Layout(t.root, size[0], size[1]);
        ASSERT_EQ(p.size(), 3u);
        for (const Placed& x : p) {
            for (int k = 0; k < 4; ++k) EXPECT_TRUE(std::isfinite(x.rect[k]));
            EXPECT_EQ(Area(x.rect), 0.0);
        }
    }
}

TEST(Treemap, LayoutOfARootWithoutChildrenCallsNothing)
{
    Tree t;
    EXPECT_TRUE(Layout(t.root, 640, 480).empty());
    g_placed.clear();
    TreemapLayout(nullptr, 640, 480, Collect);
    EXPECT_TRUE(g_placed.empty());
}

TEST(Treemap, SortPutsLargerWeightsFirstAndTreatsDifferencesBelowOneAsEqual)
{
    Tree t;
    const float weights[] = {1, 5e9f, 3, 2.5f, -4e9f, 10};
    for (float w : weights) TreemapAddChild(t.root, w, nullptr);
    TreemapSort(t.root);
    const float expected[] = {5e9f, 10, 3, 2.5f, 1, -4e9f};
    for (int i = 0; i < 6; ++i) {
        if (i == 2 || i == 3) continue;  // 3 and 2.5 compare equal: either order
        EXPECT_EQ(t.root->children[i]->weight, expected[i]) << i;
    }
    EXPECT_TRUE((t.root->children[2]->weight == 3 && t.root->children[3]->weight == 2.5f) ||
                (t.root->children[2]->weight == 2.5f && t.root->children[3]->weight == 3));
}
