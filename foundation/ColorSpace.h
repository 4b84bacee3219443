#pragma once
// Conversions between RGB and HSV, in 8-bit fixed point and in double precision.
// Channels run red, green, blue. Input and output may be the same buffer.
#include "foundation/Types.h"

// rgb (3 bytes) -> hue (0-255 for the full circle), saturation, value, 255.
void RgbToHsv8(const u8* rgb, u8* hsva);
// hsv (3 bytes) -> red, green, blue, 255. Fixed point only: the channel that takes the value
// gets it exactly, the other two lose up to one step (hsv 0, 0, 255 gives 255, 254, 254).
void HsvToRgb8(const u8* hsv, u8* rgba);
// rgb in [0, 1] -> hue in [0, 1), saturation, value.
void RgbToHsv(const double* rgb, double* hsv);
// hue, saturation, value -> rgb. Hues outside [0, 1) wrap around the circle; a hue that is
// not a number counts as 0.
void HsvToRgb(const double* hsv, double* rgb);
