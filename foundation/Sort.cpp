#include "foundation/Sort.h"

#include <cstdlib>

namespace {

void SwapBytes(char* a, char* b, size_t width)
{
    if (a == b) return;
    for (size_t i = 0; i < width; ++i) {
        char t = a[i];
        a[i] = b[i];
        b[i] = t;
    }
}

}  // namespace

void SelectionSortU32(u32* values, s32 n)
{
    for (s32 i = 0; i + 1 < n; ++i) {
        s32 smallest = i;
        for (s32 k = i + 1; k < n; ++k)
            if (values[k] < values[smallest]) smallest = k;
        u32 t = values[i];
        values[i] = values[smallest];
        values[smallest] = t;
    }
}

void QuickSortU32(u32& seed, u32* values, s32 n, U32Less order)
{
    // The second part is sorted by looping rather than recursing, which keeps the order in
    // which parts consume the seed and halves the stack depth.
    while (n >= 16) {
        seed = seed * 1664525u + 1013904223u;
        u32 p = values[seed % u32(n)];
        s32 i = -1, j = n;
        for (;;) {
            do ++i;
            while (order(values[i], p));
            do --j;
            while (order(p, values[j]));
            if (i >= j) break;
            u32 t = values[i];
            values[i] = values[j];
            values[j] = t;
        }
        QuickSortU32(seed, values, i, order);
        values += i;
        n -= i;
    }
    SelectionSortU32(values, n);
}

void FillIota(u32* values, u32 n)
{
    for (u32 i = 0; i < n; ++i) values[i] = i;
}

int CompareU32Diff(void*, const void* a, const void* b)
{
    u32 x = *static_cast<const u32*>(a), y = *static_cast<const u32*>(b);
    return (x > y) - (x < y);
}

void SelectionSortWithContext(void* first, void* last, size_t width, ContextCompare compare,
                              void* context)
{
    char* lo = static_cast<char*>(first);
    char* hi = static_cast<char*>(last);
    while (hi > lo) {
        char* max = lo;
        for (char* p = lo + width; p <= hi; p += width)
            if (compare(context, p, max) > 0) max = p;
        SwapBytes(max, hi, width);
        hi -= width;
    }
}

void SortWithContext(void* base, size_t count, size_t width, void* context, ContextCompare compare)
{
    if (count < 2 || width == 0) return;

    // Pushing the larger part bounds the depth by log2(count), far below 62 for any count.
    enum { kStackSize = 62 };
    char* loStack[kStackSize];
    char* hiStack[kStackSize];
    int depth = 0;

    char* lo = static_cast<char*>(base);
    char* hi = lo + width * (count - 1);

    for (;;) {
        size_t size = size_t(hi - lo) / width + 1;
        if (size <= 8) {
            SelectionSortWithContext(lo, hi, width, compare, context);
        } else {
            char* mid = lo + (size / 2) * width;
            if (compare(context, lo, mid) > 0) SwapBytes(lo, mid, width);
            if (compare(context, lo, hi) > 0) SwapBytes(lo, hi, width);
            if (compare(context, mid, hi) > 0) SwapBytes(mid, hi, width);

            char* loGuy = lo;
            char* hiGuy = hi;
            for (;;) {
                if (mid > loGuy) {
                    do loGuy += width;
                    while (loGuy < mid && compare(context, loGuy, mid) <= 0);
                }
                if (mid <= loGuy) {
                    do loGuy += width;
                    while (loGuy <= hi && compare(context, loGuy, mid) <= 0);
                }
                do hiGuy -= width;
                while (hiGuy > mid && compare(context, hiGuy, mid) > 0);
                if (hiGuy < loGuy) break;
                SwapBytes(loGuy, hiGuy, width);
                if (mid == hiGuy) mid = loGuy;
            }

            // Elements equal to the partition element need no further sorting.
            hiGuy += width;
            if (mid < hiGuy) {
                do hiGuy -= width;
                while (hiGuy > mid && compare(context, hiGuy, mid) == 0);
            }
            if (mid >= hiGuy) {
                do hiGuy -= width;
                while (hiGuy > lo && compare(context, hiGuy, mid) == 0);
            }

            if (hiGuy - lo >= hi - loGuy) {
                if (lo < hiGuy && depth < kStackSize) {
                    loStack[depth] = lo;
                    hiStack[depth] = hiGuy;
                    ++depth;
                }
                if (loGuy < hi) {
                    lo = loGuy;
                    continue;
                }
            } else {
                if (loGuy < hi && depth < kStackSize) {
                    loStack[depth] = loGuy;
                    hiStack[depth] = hi;
                    ++depth;
                }
                if (lo < hiGuy) {
                    hi = hiGuy;
                    continue;
                }
            }
        }
        if (depth == 0) return;
        --depth;
        lo = loStack[depth];
        hi = hiStack[depth];
    }
}

namespace {

struct NodeCompareContext {
    void* context;
    ContextCompare compare;
};

int CompareNodeEntries(void* context, const void* a, const void* b)
{
    const NodeCompareContext* c = static_cast<const NodeCompareContext*>(context);
    return c->compare(c->context, *static_cast<LinkedListNode* const*>(a),
                      *static_cast<LinkedListNode* const*>(b));
}

}  // namespace

void SortLinkedList(LinkedList* list, void* context, ContextCompare compare)
{
    if (!list || !list->first || list->count == 0) return;
    LinkedListNode** nodes =
        static_cast<LinkedListNode**>(malloc((size_t(list->count) + 1) * sizeof(LinkedListNode*)));
    if (!nodes) return;
    u32 n = 0;
    for (LinkedListNode* node = list->first; node && n < list->count; node = node->next) nodes[n++] = node;
    nodes[n] = nullptr;

    NodeCompareContext c = {context, compare};
    SortWithContext(nodes, n, sizeof(LinkedListNode*), &c, CompareNodeEntries);

    for (u32 i = 0; i < n; ++i) {
        nodes[i]->previous = i ? nodes[i - 1] : nullptr;
        nodes[i]->next = nodes[i + 1];
    }
    list->first = nodes[0];
    list->last = nodes[n - 1];
    list->count = n;
    free(nodes);
}
