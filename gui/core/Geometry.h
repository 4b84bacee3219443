#pragma once
// The toolkit's geometry types. Screen coordinates start at the top-left of the application
// window with y growing downwards; right and bottom are exclusive.
#include "foundation/Types.h"

struct Rect {
    s32 left, top, right, bottom;

    s32 Width() const { return right - left; }
    s32 Height() const { return bottom - top; }
    // Empty when it has no width or no height (or is inverted).
    bool IsEmpty() const { return right <= left || bottom <= top; }
};

struct Point {
    s32 x, y;
};

struct Size {
    s32 width, height;
};
