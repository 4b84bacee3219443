#pragma once
// The program's two sorts: an unsigned 32-bit quicksort with a seeded pseudo-random pivot
// (deterministic for a given seed) and a general, non-stable sort that hands a context to its
// comparator and uses no heap memory. Plus the linked-list sort built on the latter.
#include <cstddef>
#include "foundation/Types.h"

// The order QuickSortU32 sorts by: plain < on unsigned values.
struct U32Less {
    bool operator()(u32 a, u32 b) const { return a < b; }
};

// Sorts n values ascending in place. seed is held by the caller and advanced
// (seed * 1664525 + 1013904223) by every partition step; the pivot is values[seed mod n].
// Runs below 16 values go to SelectionSortU32 and leave the seed unchanged. n <= 0 does
// nothing.
void QuickSortU32(u32& seed, u32* values, s32 n, U32Less order = U32Less());

// Selection sort: for each position the first smallest value behind it is swapped in.
void SelectionSortU32(u32* values, s32 n);

// Fills values with 0, 1, ..., n - 1.
void FillIota(u32* values, u32 n);

// Comparator with a context: negative, zero or positive for a before, equal to, after b.
typedef int (*ContextCompare)(void* context, const void* a, const void* b);

// Sorts count elements of width bytes (not stable). The comparator gets pointers to two
// elements. Nothing happens for count < 2 or width 0. Whatever the comparator answers (even
// an inconsistent order), the sort only touches elements inside the array and ends.
void SortWithContext(void* base, size_t count, size_t width, void* context, ContextCompare compare);

// The short-run sort SortWithContext uses for runs of 8 or fewer elements; first and last
// address the first and the last element of the run.
void SelectionSortWithContext(void* first, void* last, size_t width, ContextCompare compare,
                              void* context);

// Comparator for u32 keys: -1, 0 or 1 as a is below, equal to or above b (unsigned order,
// so keys 2^31 or more apart still compare right).
int CompareU32Diff(void* context, const void* a, const void* b);

// The links every node of a sortable list begins with.
struct LinkedListNode {
    LinkedListNode* previous;
    LinkedListNode* next;
};

// Header of a doubly linked list: first and last node (null when empty) and the node count.
struct LinkedList {
    LinkedListNode* first;
    LinkedListNode* last;
    u32 count;
};

// Sorts the list with SortWithContext and relinks it in the new order, first and last
// updated. Here the comparator is called with (context, node a, node b), the nodes
// themselves. An empty list is left as it is. The walk follows next links for at most count
// nodes; a chain shorter than its count is sorted as far as it goes and the count corrected.
// When the heap refuses the temporary array the list stays unsorted.
void SortLinkedList(LinkedList* list, void* context, ContextCompare compare);
