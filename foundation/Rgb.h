#pragma once
// One palette or colour-table entry: three bytes, red first, no padding, so an array of
// them is the 768-byte table that images, collections and ".act" files share.
#include "foundation/Types.h"

struct Rgb {
    u8 r, g, b;

    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
    bool operator!=(const Rgb& o) const { return !(*this == o); }
};

static_assert(sizeof(Rgb) == 3, "Rgb is three packed bytes");
