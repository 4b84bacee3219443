#pragma once
// A colour range of the collection's table that the game may recolour. The record is also
// the stored 128-byte form, field for field.
#include "foundation/Types.h"

class Collection;

struct HueChange {
    char name[64];
    u16 hueStart;  // fractions of a turn; [start, end), wrapping through 0 when start > end
    u16 hueEnd;
    u8 mask[32];   // bit i % 8 of byte i / 8: colour-table index i lies in the range
    u16 minimumSaturation;
    u16 medianHue;
    u16 useAs;     // 0 none, 1 primary colour, 2 secondary colour
    u8 reserved1[6];
    u16 replacementRed, replacementGreen, replacementBlue;  // 8-bit value in the high byte
    u16 flags;     // bit 0: reversed
    u8 replacementMode;  // 0, 1 (recolour) or 3 (solid replacement colour)
    u8 reserved2[7];

    // Recomputes the mask from collection's colour table: index i is set when its saturation
    // is strictly above the minimum saturation and its hue lies in the range.
    static void ComputeMask(const Collection& collection, HueChange& hueChange);
};

static_assert(sizeof(HueChange) == 128, "HueChange is its stored record");
