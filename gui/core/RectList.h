#pragma once
// Region arithmetic of the redraw: rectangle helpers, the list of rectangles that stays
// uncovered while opaque windows are subtracted from a dirty rectangle, and the bounded list
// of dirty rectangles collected between two frames. No OpenGL: everything here is plain
// geometry on Rect (right and bottom exclusive).
#include "foundation/Types.h"
#include "gui/core/Geometry.h"

// The overlap of a and b; empty (possibly inverted) when they do not overlap.
Rect IntersectRect(const Rect& a, const Rect& b);
// Whether a and b share at least one pixel.
bool RectsOverlap(const Rect& a, const Rect& b);
// Whether inner lies wholly inside outer (an empty inner lies inside anything).
bool RectContains(const Rect& outer, const Rect& inner);
// Whether the point lies in the rectangle, counting the right and bottom edges as inside.
bool RectHitInclusive(const Rect& r, Point p);
// When a is empty the result is b; otherwise the bounding box of both (b is not tested for
// emptiness, so an empty b still stretches the box to its corners).
void UnionRect(const Rect& a, Rect* out, const Rect& b);
Rect OffsetRect(const Rect& r, s32 dx, s32 dy);

// A doubly linked list of rectangle nodes, each allocated on its own. An all-zero RectList
// is empty. The list owns its nodes; Clear frees them.
struct RectNode {
    Rect rect;
    RectNode* prev;
    RectNode* next;
};

struct RectList {
    RectNode* first;
    RectNode* last;
    u32 count;

    // Appends {l, t, r, b} when it is not empty (l < r and t < b); answers whether it did.
    int Add(s32 l, s32 t, s32 r, s32 b);
    int Add(const Rect& r) { return Add(r.left, r.top, r.right, r.bottom); }
    // Unlinks the node and frees it.
    void Remove(RectNode* node);
    // Moves every node of other to the end of this list; other becomes empty.
    void TakeAll(RectList* other);
    void Clear();

    // When r and cutter overlap, appends to out the parts of r outside cutter (the band
    // above the overlap, the piece left of it, the piece right of it, the band below it;
    // empty pieces skipped), widens *bounds by the overlap (an empty *bounds becomes the
    // overlap) and answers 1; otherwise answers 0 and changes nothing.
    static int Subtract(RectList* out, Rect* bounds, const Rect& r, const Rect& cutter);
    // Subtracts cutter from every rectangle of the list. With apply, each rectangle that
    // overlapped is replaced by its pieces (appended at the end); without apply the list is
    // left as it was. *bounds is widened by every overlap. Answers whether any overlapped.
    int SubtractAll(Rect* bounds, const Rect& cutter, int apply);
};

// The part of the dirty rectangle being drawn that no opaque window covers yet.
struct UncoveredRegion {
    RectList list;
    u32 started;

    // Empties the region; the next Claim starts it.
    void Reset();
    // The first call after Reset starts the region as r, sets *bounds to {0, 0, 0, 0} and
    // answers 1. Later calls answer 0 when nothing is left uncovered; otherwise they answer
    // whether r covers some uncovered part, with *bounds the bounding box of that part, and
    // with apply take that part out of the region.
    int Claim(const Rect& r, Rect* bounds, int apply);
};

// The dirty rectangles collected between two frames: at most kMaxDirtyRects, none inside
// another.
constexpr u32 kMaxDirtyRects = 32;
struct DirtyRectList {
    Rect rects[kMaxDirtyRects];
    u32 count;

    // Adds a non-empty screen rectangle: nothing when a listed rectangle already contains
    // it; otherwise every listed rectangle inside it is dropped (the rest keep their order)
    // and it is appended. Answers 0 when the list is full and the rectangle could not be
    // taken: the caller must redraw everything instead.
    int Add(const Rect& r);
    void Clear() { count = 0; }
};

// Clips r to the screen {0, 0, width, height}. Answers 0 when nothing of it is left (it lay
// wholly off screen or was empty).
int ClipToScreen(const Rect& r, s32 width, s32 height, Rect* out);
