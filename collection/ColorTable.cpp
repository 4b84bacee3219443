#include "collection/ColorTable.h"

#include "foundation/ColorSpace.h"

namespace {

u16 Truncate16(double x)
{
    // A hue that rounds up to a whole turn wraps to 0 rather than overflowing.
    if (x <= 0) return 0;
    return u16(u32(x) & 0xFFFF);
}

}  // namespace

void ColorToHsv16(const u16 rgb[4], u16 hsv[4])
{
    float r = float(rgb[0]) / 65535.0f;
    float g = float(rgb[1]) / 65535.0f;
    float b = float(rgb[2]) / 65535.0f;
    double in[3] = {r, g, b}, out[3];
    RgbToHsv(in, out);
    hsv[0] = Truncate16(out[0] * 65536.0);
    hsv[1] = Truncate16(out[1] * 65535.0);
    hsv[2] = Truncate16(out[2] * 65535.0);
    hsv[3] = rgb[3];
}

u32 FindNearestColor(const ColorTableEntry* table, u32 first, u32 last, u32 rgba)
{
    if (last > 255) last = 255;
    if (first > last) return first;
    int r = int(rgba & 0xFF), g = int((rgba >> 8) & 0xFF), b = int((rgba >> 16) & 0xFF);
    u32 best = first;
    u32 bestDistance = 0xFFFFFFFFu;
    for (u32 i = first; i <= last; ++i) {
        int dr = table[i].red - r, dg = table[i].green - g, db = table[i].blue - b;
        u32 d = u32(dr * dr + dg * dg + db * db);
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
            if (d == 0) break;
        }
    }
    return best;
}
