// The guillotine packer shared by texture packs and fonts.
#include <cstdlib>

#include "gui/core/TexturePack.h"

namespace {

struct FreeRect {
    FreeRect* next;
    u32 x, y, width, height;
};

void FreeRectList(FreeRect* list)
{
    while (list) {
        FreeRect* next = list->next;
        free(list);
        list = next;
    }
}

FreeRect* NewFreeRect(u32 x, u32 y, u32 width, u32 height, FreeRect* next)
{
    FreeRect* r = static_cast<FreeRect*>(malloc(sizeof(FreeRect)));
    if (!r) return nullptr;
    *r = {next, x, y, width, height};
    return r;
}

void Unlink(LinkedList* list, LinkedListNode* node)
{
    if (node->previous)
        node->previous->next = node->next;
    else
        list->first = node->next;
    if (node->next)
        node->next->previous = node->previous;
    else
        list->last = node->previous;
    node->previous = node->next = nullptr;
    list->count--;
}

void Append(LinkedList* list, LinkedListNode* node)
{
    node->next = nullptr;
    node->previous = list->last;
    if (list->last)
        list->last->next = node;
    else
        list->first = node;
    list->last = node;
    list->count++;
}

void AppendList(LinkedList* to, LinkedList* from)
{
    while (from->first) {
        LinkedListNode* node = from->first;
        Unlink(from, node);
        Append(to, node);
    }
}

void SwapSize(PackNode* node)
{
    u16 w = node->width;
    node->width = node->height;
    node->height = w;
}

// Places the node in the first free rectangle that holds it and splits that rectangle.
// Answers 0 when none holds it or memory ran out (the free list is then left valid).
int PlaceNode(FreeRect** freeList, PackNode* node)
{
    FreeRect** link = freeList;
    for (FreeRect* r = *freeList; r; link = &r->next, r = r->next) {
        if (r->width < node->width || r->height < node->height) continue;
        node->x = u16(r->x);
        node->y = u16(r->y);
        FreeRect* right = nullptr;
        FreeRect* lower = nullptr;
        // Empty remainders can hold nothing and are not kept.
        if (r->width > node->width) {
            right = NewFreeRect(r->x + node->width, r->y, r->width - node->width, r->height, nullptr);
            if (!right) return 0;
        }
        if (r->height > node->height) {
            lower = NewFreeRect(r->x, r->y + node->height, node->width, r->height - node->height, nullptr);
            if (!lower) {
                free(right);
                return 0;
            }
        }
        *link = r->next;
        free(r);
        // Both parts go to the front: the lower part first, then the right part.
        if (right) {
            right->next = *freeList;
            *freeList = right;
        }
        if (lower) {
            lower->next = *freeList;
            *freeList = lower;
        }
        return 1;
    }
    return 0;
}

}  // namespace

int CompareAtlasRects(void*, const void* a, const void* b)
{
    const PackNode* x = static_cast<const PackNode*>(static_cast<const LinkedListNode*>(a));
    const PackNode* y = static_cast<const PackNode*>(static_cast<const LinkedListNode*>(b));
    if (x->width != y->width) return x->width > y->width ? -1 : 1;
    u32 areaX = u32(x->width) * x->height;
    u32 areaY = u32(y->width) * y->height;
    if (areaX != areaY) return areaX > areaY ? -1 : 1;
    return 0;
}

void ChooseAtlasPageSize(u64 area, u32 maxWidth, u32 maxHeight, u32* width, u32* height)
{
    u32 e = 0;
    for (u64 a = area; a >= 2 && e < 62; a >>= 1) ++e;
    while (e < 62 && (u64(1) << e) - ((u64(1) << e) / 16) < area) ++e;
    u64 slack = u64(maxWidth) * maxHeight / 4;
    while (e > 0 && (u64(1) << e) > area && (u64(1) << e) - area > slack) --e;
    u64 h = u64(1) << (e / 2);
    u64 w = u64(1) << (e - e / 2);
    if (w > maxWidth) w = maxWidth;
    if (h > maxHeight) h = maxHeight;
    if (w < 128) w = 128;
    if (h < 128) h = 128;
    if (width) *width = u32(w);
    if (height) *height = u32(h);
}

u32 PackRects(const PackCallbacks& cb, void* context, LinkedList* list)
{
    if (!list) return 0;
    u64 remainingArea = 0;
    for (LinkedListNode* n = list->first; n; n = n->next) {
        PackNode* node = static_cast<PackNode*>(n);
        remainingArea += u64(node->width) * node->height;
        if ((node->packFlags & kPackMayRotate) && node->height > node->width) {
            SwapSize(node);
            node->packFlags |= kPackRotated;
        }
    }

    LinkedList remaining = *list;
    LinkedList packed = {nullptr, nullptr, 0};
    *list = {nullptr, nullptr, 0};
    u32 failures = 0;
    bool sortNeeded = true;
    u32 placedTotal = 0;
    while (remaining.first) {
        if (sortNeeded) SortLinkedList(&remaining, nullptr, CompareAtlasRects);
        sortNeeded = false;
        u32 pageWidth = 0, pageHeight = 0;
        u64 asked = failures < 63 && remainingArea <= (~u64(0) >> failures) ? remainingArea << failures : ~u64(0);
        cb.pageSize(context, asked, &pageWidth, &pageHeight);

        FreeRect* freeList = NewFreeRect(0, 0, pageWidth, pageHeight, nullptr);
        if (!freeList) break;
        LinkedList page = {nullptr, nullptr, 0};
        u64 placedArea = 0;
        for (LinkedListNode* n = remaining.first; n;) {
            LinkedListNode* next = n->next;
            PackNode* node = static_cast<PackNode*>(n);
            if (PlaceNode(&freeList, node)) {
                Unlink(&remaining, n);
                Append(&page, n);
                placedArea += u64(node->width) * node->height;
            }
            n = next;
        }
        FreeRectList(freeList);

        if (!page.first) {
            // The page chosen for an area is never below half of it unless the largest page
            // has been reached; a largest page that holds nothing means that what is left can
            // never be placed, and asking again would repeat the failure for ever.
            if (u64(pageWidth) * pageHeight * 2 < asked || asked == ~u64(0)) break;
            ++failures;
            continue;
        }
        if (!cb.newPage(context, pageWidth, pageHeight)) {
            // The nodes of this page were never drawn: they join the unplaced ones.
            AppendList(&remaining, &page);
            break;
        }
        for (LinkedListNode* n = page.first; n; n = n->next) {
            PackNode* node = static_cast<PackNode*>(n);
            if (node->packFlags & kPackRotated) SwapSize(node);
            cb.blit(context, node);
            node->packFlags |= kPackPacked;
            ++placedTotal;
        }
        AppendList(&packed, &page);
        cb.finishPage(context);
        remainingArea -= placedArea;
        failures = 0;
        sortNeeded = true;
    }

    for (LinkedListNode* n = remaining.first; n; n = n->next) {
        PackNode* node = static_cast<PackNode*>(n);
        if (node->packFlags & kPackRotated) {
            SwapSize(node);
            node->packFlags &= u16(~kPackRotated);
        }
    }
    AppendList(list, &remaining);
    AppendList(list, &packed);
    return placedTotal;
}
