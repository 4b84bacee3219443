#pragma once
// The squarified treemap that arranges the window overview: a tree of weighted nodes laid
// out so that every node gets a rectangle whose area is proportional to its weight, in rows
// chosen to keep the rectangles close to square.
//
// Nodes are zero-filled heap blocks; a parent owns its children and their array.
#include "foundation/Types.h"

struct TreemapNode {
    float weight;  // a leaf's weight; for inner nodes the sum of the children's, set by the layout
    void* user;    // the caller's object
    float rect[4];  // top, left, right, bottom, set by the layout
    u16 capacity;   // size of the child array
    u16 childCount;
    TreemapNode** children;
};

// Called for every node below the root with the node's rect and user pointer.
typedef void (*TreemapCallback)(const float* rect, void* user);

// A new zero-filled node, or null when the heap refuses it.
TreemapNode* TreemapNew();
// Appends a new zero-filled child with the weight and user pointer and returns it. A full
// child array grows to (capacity | 1) x 2 entries (2, 6, 14, 30, ...), at most 65535. Answers
// null, adding nothing, when the parent is null, already holds 65535 children or the heap
// refuses the memory.
TreemapNode* TreemapAddChild(TreemapNode* parent, float weight, void* user);
// Lays the tree out in a width x height rectangle (top-left at 0, 0) and calls the callback
// for every node below the root: parent before its children, children from the largest
// weight down. Weights become areas. Leaf weights that are negative, infinite or not a number
// count as 0; nodes of weight 0 get empty rectangles, and so does everything when the
// rectangle or the total weight is empty. A null root or callback does nothing.
void TreemapLayout(TreemapNode* root, s32 width, s32 height, TreemapCallback callback);
// Frees the node, its children recursively and its child array (null does nothing).
void TreemapFree(TreemapNode* node);

// The steps of TreemapLayout.
// Sets every inner node's weight to the sum of its children's and answers the node's weight.
float TreemapSumWeights(TreemapNode* node);
// Sorts every node's children, larger weight first; weights less than 1 apart compare equal.
void TreemapSort(TreemapNode* node);
// Multiplies the node's weight and every descendant's by the factor.
void TreemapScale(TreemapNode* node, float factor);
// The sum of the weights of children s to e (both included).
float TreemapSumRange(const TreemapNode* node, u32 s, u32 e);
// Lays the node's children out in the free rectangle {top, left, right, bottom}, row by row,
// and each child's children inside the child.
void TreemapSquarify(TreemapNode* node, const float* free, TreemapCallback callback);
// Places children s to e as one row along the shorter side of the free rectangle and takes
// the row's thickness off that side of *free.
void TreemapLayoutRow(TreemapNode* node, float* free, TreemapCallback callback, u32 s, u32 e);
