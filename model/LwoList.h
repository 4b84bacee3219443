#pragma once
// Doubly linked lists of LightWave records. Every record type begins with {T* next; T* prev;};
// a list is a pointer to its first node (null when empty).

template <typename T>
void LwoListAdd(T** list, T* node)
{
    node->next = nullptr;
    if (!*list) {
        node->prev = nullptr;
        *list = node;
        return;
    }
    T* tail = *list;
    while (tail->next) tail = tail->next;
    tail->next = node;
    node->prev = tail;
}

// Inserts node before the first node for which compare(that node, node) is positive, so nodes
// that compare equal keep their insertion order.
template <typename T>
void LwoListInsert(T** list, T* node, int (*compare)(const T*, const T*))
{
    T* prev = nullptr;
    T* at = *list;
    while (at && compare(at, node) <= 0) {
        prev = at;
        at = at->next;
    }
    node->prev = prev;
    node->next = at;
    if (prev)
        prev->next = node;
    else
        *list = node;
    if (at) at->prev = node;
}

// Calls freeNode on every node; the list becomes empty.
template <typename T>
void LwoListFree(T** list, void (*freeNode)(T*))
{
    T* node = *list;
    while (node) {
        T* next = node->next;
        freeNode(node);
        node = next;
    }
    *list = nullptr;
}

// Appends in constant time while a list is being built, by remembering its tail (found once).
template <typename T>
struct LwoListBuilder {
    T** list;
    T* tail;

    explicit LwoListBuilder(T** l) : list(l), tail(*l)
    {
        if (tail)
            while (tail->next) tail = tail->next;
    }
    // For a list whose last node is already known (null for an empty list).
    LwoListBuilder(T** l, T* last) : list(l), tail(last) {}
    void Add(T* node)
    {
        node->next = nullptr;
        node->prev = tail;
        if (tail)
            tail->next = node;
        else
            *list = node;
        tail = node;
    }
};

// Sorts a list by compare, stably (nodes that compare equal keep their order), in O(n log n)
// without allocating: the same order LwoListInsert gives when the nodes are inserted in list
// order.
template <typename T>
void LwoListSort(T** list, int (*compare)(const T*, const T*))
{
    // Bottom-up merge sort over the next links, then the prev links are rebuilt.
    T* head = *list;
    if (!head || !head->next) return;
    for (size_t width = 1;; width *= 2) {
        T* rest = head;
        T* merged = nullptr;
        T** tailNext = &merged;
        size_t merges = 0;
        while (rest) {
            ++merges;
            T* a = rest;
            size_t na = 0;
            while (rest && na < width) {
                rest = rest->next;
                ++na;
            }
            T* b = rest;
            size_t nb = 0;
            while (rest && nb < width) {
                rest = rest->next;
                ++nb;
            }
            while (na > 0 || nb > 0) {
                T* take;
                if (nb == 0 || (na > 0 && compare(a, b) <= 0)) {
                    take = a;
                    a = a->next;
                    --na;
                } else {
                    take = b;
                    b = b->next;
                    --nb;
                }
                *tailNext = take;
                tailNext = &take->next;
            }
        }
        *tailNext = nullptr;
        head = merged;
        if (merges <= 1) break;
    }
    T* prev = nullptr;
    for (T* n = head; n; n = n->next) {
        n->prev = prev;
        prev = n;
    }
    *list = head;
}
