#pragma once
// The toolkit's geometry types. Screen coordinates start at the top-left of the application
// window with y growing downwards; right and bottom are exclusive.
#include "foundation/Types.h"

struct Rect {
    s32 left, top, right, bottom;

    // Saturated to the s32 range: the unbounded rectangle (INT32_MIN to INT32_MAX) that
    // clipping starts from has a width, not an overflow.
    s32 Width() const { return Saturate(s64(right) - left); }
    s32 Height() const { return Saturate(s64(bottom) - top); }
    // Empty when it has no width or no height (or is inverted).
    bool IsEmpty() const { return right <= left || bottom <= top; }

    static s32 Saturate(s64 v) { return v > 0x7FFFFFFF ? 0x7FFFFFFF : v < -0x7FFFFFFF - 1 ? -0x7FFFFFFF - 1 : s32(v); }
};

struct Point {
    s32 x, y;
};

struct Size {
    s32 width, height;
};
