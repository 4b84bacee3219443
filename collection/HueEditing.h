#pragma once
// The arithmetic of editing a hue change: hue values shown in whole degrees, the minimum
// saturation typed in percent, and the start, median and end markers dragged along the bar.
#include "collection/HueChange.h"

// Hue values are u16 fractions of a full turn.
inline u32 HueToDegrees(u16 value) { return (u32(value) * 360) >> 16; }
// A degree position 0..360 as a hue value, truncated (360 is a full turn: 0).
inline u16 DegreesToHue(u32 degrees) { return u16((degrees << 16) / 360); }

// The percent a stored minimum saturation shows.
inline u32 SaturationPercent(u16 value) { return u32(value) * 100 / 65535; }
// The stored value of a typed percent: just above the percent's share for 0..99, full for 100
// and more, and none for a negative entry.
u16 SaturationFromPercent(s32 percent);

enum HueMarker : u32 { kHueMarkerNone = 0, kHueMarkerStart = 1, kHueMarkerMedian = 2, kHueMarkerEnd = 3 };

// Moves a marker to the bar position x (clamped to 0..360). The median stays inside a range
// that does not wrap; in a wrapping range it cannot be put between the end and the start.
// Answers false when the position was refused and nothing changed.
bool DragHueMarker(HueChange& hueChange, u32 marker, s32 x);

// The marker a press at bar position x grabs: within 3 pixels of the start, else of the end,
// else of the median; else none.
u32 HueMarkerAt(const HueChange& hueChange, s32 x);
