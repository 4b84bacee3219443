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
