#include "gui/core/RectList.h"

#include <climits>
#include <cstdio>
#include <cstdlib>

Rect IntersectRect(const Rect& a, const Rect& b)
{
    Rect r;
    r.left = a.left > b.left ? a.left : b.left;
    r.top = a.top > b.top ? a.top : b.top;
    r.right = a.right < b.right ? a.right : b.right;
    r.bottom = a.bottom < b.bottom ? a.bottom : b.bottom;
    return r;
}

bool RectsOverlap(const Rect& a, const Rect& b) { return !IntersectRect(a, b).IsEmpty(); }

bool RectContains(const Rect& outer, const Rect& inner)
{
    if (inner.IsEmpty()) return true;
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

bool RectHitInclusive(const Rect& r, Point p)
{
    return p.x >= r.left && p.x <= r.right && p.y >= r.top && p.y <= r.bottom;
}

void UnionRect(const Rect& a, Rect* out, const Rect& b)
{
    if (a.left == a.right || a.top == a.bottom) {
        *out = b;
        return;
    }
    Rect r;
    r.left = a.left < b.left ? a.left : b.left;
    r.top = a.top < b.top ? a.top : b.top;
    r.right = a.right > b.right ? a.right : b.right;
    r.bottom = a.bottom > b.bottom ? a.bottom : b.bottom;
    *out = r;
}

Rect OffsetRect(const Rect& r, s32 dx, s32 dy) { return Rect{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy}; }

int RectList::Add(s32 l, s32 t, s32 r, s32 b)
{
    if (l >= r || t >= b) return 0;
    RectNode* node = static_cast<RectNode*>(malloc(sizeof(RectNode)));
    if (!node) {
        fprintf(stderr, "Tavik: out of memory (rectangle list)\n");
        abort();
    }
    node->rect = Rect{l, t, r, b};
    node->next = nullptr;
    node->prev = last;
    if (last)
        last->next = node;
    else
        first = node;
    last = node;
    ++count;
    return 1;
}

void RectList::Remove(RectNode* node)
{
    if (node->prev)
        node->prev->next = node->next;
    else
        first = node->next;
    if (node->next)
        node->next->prev = node->prev;
    else
        last = node->prev;
    --count;
    free(node);
}

void RectList::TakeAll(RectList* other)
{
    if (!other->first) return;
    if (last) {
        last->next = other->first;
        other->first->prev = last;
    } else {
        first = other->first;
    }
    last = other->last;
    count += other->count;
    other->first = other->last = nullptr;
    other->count = 0;
}

void RectList::Clear()
{
    RectNode* node = first;
    while (node) {
        RectNode* next = node->next;
        free(node);
        node = next;
    }
    first = last = nullptr;
    count = 0;
}

int RectList::Subtract(RectList* out, Rect* bounds, const Rect& r, const Rect& cutter)
{
    // Touching edges count as a meeting first; only a shared pixel is an overlap.
    if (r.right < cutter.left || r.left > cutter.right || r.bottom < cutter.top || r.top > cutter.bottom) return 0;
    Rect i = IntersectRect(r, cutter);
    if (i.IsEmpty()) return 0;
    if (bounds->IsEmpty())
        *bounds = i;
    else
        UnionRect(*bounds, bounds, i);
    out->Add(r.left, r.top, r.right, i.top);
    out->Add(r.left, i.top, i.left, i.bottom);
    out->Add(i.right, i.top, r.right, i.bottom);
    out->Add(r.left, i.bottom, r.right, r.bottom);
    return 1;
}

int RectList::SubtractAll(Rect* bounds, const Rect& cutter, int apply)
{
    int any = 0;
    RectList pieces = {};
    RectNode* stop = last;  // pieces appended behind it are not cut again
    RectNode* node = first;
    while (node) {
        RectNode* next = node == stop ? nullptr : node->next;
        RectList own = {};
        if (Subtract(&own, bounds, node->rect, cutter)) {
            any = 1;
            if (apply) {
                Remove(node);
                pieces.TakeAll(&own);
            }
        }
        own.Clear();
        node = next;
    }
    TakeAll(&pieces);
    return any;
}

void UncoveredRegion::Reset()
{
    list.Clear();
    started = 0;
}

int UncoveredRegion::Claim(const Rect& r, Rect* bounds, int apply)
{
    if (!started) {
        started = 1;
        list.Clear();
        list.Add(r);
        *bounds = Rect{0, 0, 0, 0};
        return 1;
    }
    if (!list.count) return 0;
    *bounds = Rect{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
    return list.SubtractAll(bounds, r, apply);
}

int DirtyRectList::Add(const Rect& r)
{
    for (u32 i = 0; i < count; ++i)
        if (RectContains(rects[i], r)) return 1;
    u32 kept = 0;
    for (u32 i = 0; i < count; ++i)
        if (!RectContains(r, rects[i])) rects[kept++] = rects[i];
    count = kept;
    if (count >= kMaxDirtyRects) return 0;
    rects[count++] = r;
    return 1;
}

int ClipToScreen(const Rect& r, s32 width, s32 height, Rect* out)
{
    if (r.left > width || r.right < 0 || r.top > height || r.bottom < 0) return 0;
    Rect c = IntersectRect(r, Rect{0, 0, width, height});
    if (c.IsEmpty()) return 0;
    *out = c;
    return 1;
}
