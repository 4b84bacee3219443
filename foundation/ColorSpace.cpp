#include "foundation/ColorSpace.h"

#include <cmath>

void RgbToHsv8(const u8* rgb, u8* hsva)
{
    s32 r = rgb[0], g = rgb[1], b = rgb[2];
    s32 max = r > g ? r : g;
    if (b > max) max = b;
    s32 min = r < g ? r : g;
    if (b < min) min = b;
    s32 delta = max - min;
    s32 hue = 0, sat = 0;
    if (delta != 0) {
        sat = delta * 255 / max;
        s32 k;
        if (r == max)
            k = (g - b) * 256 / delta;
        else if (g == max)
            k = (b - r) * 256 / delta + 512;
        else
            k = (r - g) * 256 / delta + 1024;
        // An arithmetic shift right, written as a floor division so that it does not depend
        // on how the compiler shifts negative numbers.
        s32 scaled = k * 60;
        s32 degrees = scaled >= 0 ? scaled / 256 : -((-scaled + 255) / 256);
        if (degrees < 0) degrees += 360;
        hue = degrees * 256 / 360;
    }
    hsva[0] = u8(hue);
    hsva[1] = u8(sat);
    hsva[2] = u8(max);
    hsva[3] = 255;
}

void HsvToRgb8(const u8* hsv, u8* rgba)
{
    u32 h = hsv[0], s = hsv[1], v = hsv[2];
    // 394758 / 2^24 is 6 / 255 to within 1e-7, so the top byte is the sector 0-5 and the low
    // 24 bits the position inside it. Everything stays unsigned: (2^24 - 1) x 255 still fits.
    u32 x = h * 394758u;
    u32 sector = x >> 24;
    u32 f = x & 0xFFFFFFu;
    u32 g = (sector & 1) ? f : (0xFFFFFFu ^ f);
    u32 full = v;
    u32 low = (255 - s) * v >> 8;
    u32 mid = (255 - ((g * s) >> 24)) * v >> 8;
    u32 r, gr, b;
    switch (sector) {
    case 0: r = full; gr = mid; b = low; break;
    case 1: r = mid; gr = full; b = low; break;
    case 2: r = low; gr = full; b = mid; break;
    case 3: r = low; gr = mid; b = full; break;
    case 4: r = mid; gr = low; b = full; break;
    default: r = full; gr = low; b = mid; break;
    }
    rgba[0] = u8(r);
    rgba[1] = u8(gr);
    rgba[2] = u8(b);
    rgba[3] = 255;
}

void RgbToHsv(const double* rgb, double* hsv)
{
    double r = rgb[0], g = rgb[1], b = rgb[2];
    double max = r > g ? r : g;
    if (b > max) max = b;
    double min = r < g ? r : g;
    if (b < min) min = b;
    double delta = max - min;
    double s = max != 0.0 ? delta / max : 0.0;
    double h = 0.0;
    if (s != 0.0) {
        if (r == max)
            h = (g - b) / delta;
        else if (g != max)
            h = (r - g) / delta + 4.0;
        else
            h = (b - r) / delta + 2.0;
        h /= 6.0;
        if (h < 0.0) h += 1.0;
    }
    hsv[0] = h;
    hsv[1] = s;
    hsv[2] = max;
}

void HsvToRgb(const double* hsv, double* rgb)
{
    double h = hsv[0], s = hsv[1], v = hsv[2];
    if (s == 0.0) {
        rgb[0] = rgb[1] = rgb[2] = v;
        return;
    }
    // A hue outside [0, 1) would pick a sector past the six and leave the outputs unset.
    if (!std::isfinite(h)) h = 0.0;
    h -= std::floor(h);
    double h6 = h * 6.0;
    int i = int(std::floor(h6));
    if (i > 5) i = 5;  // h just below 1 can round up to 6 when multiplied
    double f = h6 - i;
    double p = (1.0 - s) * v;
    double q = (1.0 - f * s) * v;
    double t = (1.0 - (1.0 - f) * s) * v;
    double r, g, b;
    switch (i) {
    case 0: r = v; g = t; b = p; break;
    case 1: r = q; g = v; b = p; break;
    case 2: r = p; g = v; b = t; break;
    case 3: r = p; g = q; b = v; break;
    case 4: r = t; g = p; b = v; break;
    default: r = v; g = p; b = q; break;
    }
    rgb[0] = r;
    rgb[1] = g;
    rgb[2] = b;
}
