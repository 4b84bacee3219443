#include "foundation/Treemap.h"

#include <cmath>
#include <cstdlib>

#include "foundation/Sort.h"

namespace {

enum { kTop, kLeft, kRight, kBottom };

const u32 kMaxChildren = 0xFFFF;

// A zero-size side (an empty screen, a zero-weight row) gives thickness or length 0 instead
// of a NaN that would spread through every later rectangle.
inline float Div(float a, float b)
{
    return b > 0.0f ? a / b : 0.0f;
}

int CompareWeightsDescending(void*, const void* a, const void* b)
{
    float d = (*static_cast<TreemapNode* const*>(b))->weight - (*static_cast<TreemapNode* const*>(a))->weight;
    // Truncating the difference to an integer would make weights less than 1 apart equal,
    // as wanted, but differences past the int range would be undefined; compare instead.
    if (d >= 1.0f) return 1;
    if (d <= -1.0f) return -1;
    return 0;
}

// The aspect (at least 1) of the worst rectangle of a row of total weight sum whose smallest
// member weighs last, laid along the shorter side of a w x h rectangle.
float RowAspect(float sum, float last, float w, float h)
{
    float ratio;
    if (w > h) {
        float thickness = sum / h;
        ratio = thickness / (last / thickness);
    } else {
        float thickness = sum / w;
        ratio = (last / thickness) / thickness;
    }
    return ratio > 1.0f / ratio ? ratio : 1.0f / ratio;
}

// TreemapScale with the factor in double precision, for weights so small that the factor
// itself does not fit in a float.
void ScaleWide(TreemapNode* node, double factor)
{
    node->weight = float(double(node->weight) * factor);
    for (u32 i = 0; i < node->childCount; ++i) ScaleWide(node->children[i], factor);
}

}  // namespace

TreemapNode* TreemapNew()
{
    return static_cast<TreemapNode*>(calloc(1, sizeof(TreemapNode)));
}

TreemapNode* TreemapAddChild(TreemapNode* parent, float weight, void* user)
{
    if (!parent || parent->childCount >= kMaxChildren) return nullptr;
    if (parent->childCount == parent->capacity) {
        // The counts are 16-bit: past 32766 the doubling rule would wrap to a smaller array.
        u32 grown = (u32(parent->capacity) | 1) * 2;
        if (grown > kMaxChildren) grown = kMaxChildren;
        void* p = realloc(parent->children, grown * sizeof(TreemapNode*));
        if (!p) return nullptr;
        parent->children = static_cast<TreemapNode**>(p);
        parent->capacity = u16(grown);
    }
    TreemapNode* child = TreemapNew();
    if (!child) return nullptr;
    child->weight = weight;
    child->user = user;
    parent->children[parent->childCount++] = child;
    return child;
}

void TreemapFree(TreemapNode* node)
{
    if (!node) return;
    for (u32 i = 0; i < node->childCount; ++i) TreemapFree(node->children[i]);
    free(node->children);
    free(node);
}

float TreemapSumWeights(TreemapNode* node)
{
    if (node->childCount == 0) {
        if (!(node->weight > 0.0f) || !std::isfinite(node->weight)) node->weight = 0.0f;
        return node->weight;
    }
    float sum = 0.0f;
    for (u32 i = 0; i < node->childCount; ++i) sum += TreemapSumWeights(node->children[i]);
    node->weight = sum;
    return sum;
}

void TreemapSort(TreemapNode* node)
{
    SortWithContext(node->children, node->childCount, sizeof(TreemapNode*), nullptr, CompareWeightsDescending);
    for (u32 i = 0; i < node->childCount; ++i) TreemapSort(node->children[i]);
}

void TreemapScale(TreemapNode* node, float factor)
{
    node->weight *= factor;
    for (u32 i = 0; i < node->childCount; ++i) TreemapScale(node->children[i], factor);
}

float TreemapSumRange(const TreemapNode* node, u32 s, u32 e)
{
    float sum = 0.0f;
    for (u32 i = s; i <= e; ++i) sum += node->children[i]->weight;
    return sum;
}

void TreemapLayoutRow(TreemapNode* node, float* free, TreemapCallback callback, u32 s, u32 e)
{
    float sum = TreemapSumRange(node, s, e);
    float w = free[kRight] - free[kLeft];
    float h = free[kBottom] - free[kTop];
    int vertical = w > h;
    float thickness = Div(sum, vertical ? h : w);
    float running = vertical ? free[kTop] : free[kLeft];
    for (u32 i = s; i <= e; ++i) {
        TreemapNode* child = node->children[i];
        float length = Div(child->weight, thickness);
        if (vertical) {
            child->rect[kTop] = running;
            child->rect[kLeft] = free[kLeft];
            child->rect[kRight] = free[kLeft] + thickness;
            child->rect[kBottom] = running + length;
        } else {
            child->rect[kTop] = free[kTop];
            child->rect[kLeft] = running;
            child->rect[kRight] = running + length;
            child->rect[kBottom] = free[kTop] + thickness;
        }
        running += length;
        callback(child->rect, child->user);
        TreemapSquarify(child, child->rect, callback);
    }
    if (vertical)
        free[kLeft] += thickness;
    else
        free[kTop] += thickness;
}

void TreemapSquarify(TreemapNode* node, const float* freeRect, TreemapCallback callback)
{
    float free[4] = {freeRect[0], freeRect[1], freeRect[2], freeRect[3]};
    u32 s = 0;
    while (s < node->childCount) {
        float w = free[kRight] - free[kLeft];
        float h = free[kBottom] - free[kTop];
        // A row always takes its first child. With a zero weight or an empty side the aspect
        // is infinite or NaN, never "better", and a row that took nothing would be laid out
        // again forever.
        u32 e = s;
        float sum = node->children[s]->weight;
        float best = RowAspect(sum, sum, w, h);
        while (e + 1 < node->childCount) {
            float last = node->children[e + 1]->weight;
            float aspect = RowAspect(sum + last, last, w, h);
            if (!(aspect < best) || aspect < 1.0f) break;
            best = aspect;
            sum += last;
            ++e;
        }
        TreemapLayoutRow(node, free, callback, s, e);
        s = e + 1;
    }
}

void TreemapLayout(TreemapNode* root, s32 width, s32 height, TreemapCallback callback)
{
    if (!root || !callback) return;
    if (width < 0) width = 0;
    if (height < 0) height = 0;
    // Finite leaves can still add up past the float range, and an infinite total would scale
    // every area to NaN. Scaling by a power of two keeps the weights' proportions exactly.
    if (!std::isfinite(TreemapSumWeights(root))) {
        ScaleWide(root, std::ldexp(1.0, -64));
        TreemapSumWeights(root);
    }
    TreemapSort(root);
    // 64-bit product: a large screen must not wrap to a negative area.
    float area = float(s64(width) * s64(height));
    float factor = Div(area, root->weight);
    if (std::isfinite(factor))
        TreemapScale(root, factor);
    else
        ScaleWide(root, double(area) / double(root->weight));
    const float free[4] = {0.0f, 0.0f, float(width), float(height)};
    for (int i = 0; i < 4; ++i) root->rect[i] = free[i];
    TreemapSquarify(root, free, callback);
}
