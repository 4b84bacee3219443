#pragma once
// The 256-colour table shared by a collection's bitmaps and the colour routines over it.
#include "foundation/Types.h"

struct ColorTableEntry {
    u8 red, green, blue;
};

struct ColorTable {
    ColorTableEntry entries[256];
};

// {red, green, blue, flags} with 16-bit channels to {hue, saturation, value, flags}: hue as a
// fraction of a full turn (0x10000), saturation and value 0..65535; the fourth word is copied.
void ColorToHsv16(const u16 rgb[4], u16 hsv[4]);

// The index in [first, last] whose colour is nearest (squared RGB distance) to the red, green
// and blue bytes of rgba (red in the low byte); the lowest index wins ties. Answers first when
// first > last; last is clamped to 255.
u32 FindNearestColor(const ColorTableEntry* table, u32 first, u32 last, u32 rgba);
