#include "collection/BitmapColors.h"

#include <cstring>

#include "foundation/ColorSpace.h"

namespace {

void ReplacementHsv16(const HueChange& hc, u16 hsv[4])
{
    u16 rgb[4] = {hc.replacementRed, hc.replacementGreen, hc.replacementBlue, 0};
    ColorToHsv16(rgb, hsv);
}

u16 Channel16(double v)
{
    if (v <= 0) return 0;
    if (v >= 1) return 65535;
    return u16(v * 65535.0 + 0.5);
}

}  // namespace

void BuildDrawPalette(const Collection& collection, Rgb* palette, u32* count)
{
    const ColorTable& table = collection.GetColorTable();
    u16 colours[256][3];
    for (u32 i = 0; i < 256; ++i) {
        colours[i][0] = u16(table.entries[i].red << 8);
        colours[i][1] = u16(table.entries[i].green << 8);
        colours[i][2] = u16(table.entries[i].blue << 8);
    }
    for (const HueChange* hc : collection.hueChanges) {
        if (!hc || hc->replacementMode == 0) continue;
        // The range test runs on a copy whose mask is recomputed from the table as it is.
        HueChange range = *hc;
        HueChange::ComputeMask(collection, range);
        u16 rep[4];
        ReplacementHsv16(*hc, rep);
        for (u32 i = 0; i < 256; ++i) {
            if (!(range.mask[i >> 3] & (1u << (i & 7)))) continue;
            u16 rgb[4] = {colours[i][0], colours[i][1], colours[i][2], 0}, hsv[4];
            ColorToHsv16(rgb, hsv);
            u16 hue = (hc->flags & 1) ? u16(hc->medianHue - hsv[0] + rep[0]) : u16(hsv[0] - hc->medianHue + rep[0]);
            u32 s = u32(hsv[1]) * rep[1] / 65536u;
            u32 v = u32(hsv[2]) * rep[2] / 65536u;
            double in[3] = {hue / 65536.0, s / 65535.0, v / 65535.0}, out[3];
            HsvToRgb(in, out);
            for (int c = 0; c < 3; ++c) colours[i][c] = Channel16(out[c]);
        }
    }
    for (u32 i = 0; i < 256; ++i) palette[i] = Rgb{u8(colours[i][0] >> 8), u8(colours[i][1] >> 8), u8(colours[i][2] >> 8)};
    if (count) *count = 256;
}

void TrueColorHues::Prepare(const Collection& collection)
{
    memset(entries, 0, sizeof(entries));
    for (u32 n = 1; n < 8; ++n) {
        const HueChange* hc = collection.GetHueChange(n - 1);
        if (!hc) continue;
        Entry& e = entries[n];
        u16 rep[4];
        ReplacementHsv16(*hc, rep);
        e.present = 1;
        e.mode = hc->replacementMode;
        e.reversed = hc->flags & 1;
        e.medianHue = u8(hc->medianHue >> 8);
        e.hue = u8(rep[0] >> 8);
        e.saturation = u8(rep[1] >> 8);
        e.value = u8(rep[2] >> 8);
        e.red = u8(hc->replacementRed >> 8);
        e.green = u8(hc->replacementGreen >> 8);
        e.blue = u8(hc->replacementBlue >> 8);
    }
}

void TrueColorHues::Convert(const u8* c, u32 n, u8* rgb) const
{
    if (n == 0) {
        rgb[0] = c[0];
        rgb[1] = c[1];
        rgb[2] = c[2];
        return;
    }
    // Stored as hue, value, saturation; HsvToRgb8 takes hue, saturation, value.
    u8 hsv[3] = {c[0], c[2], c[1]};
    const Entry& e = entries[n & 7];
    if (e.present && e.mode >= 2) {
        rgb[0] = e.red;
        rgb[1] = e.green;
        rgb[2] = e.blue;
        return;
    }
    if (e.present && e.mode == 1) {
        hsv[0] = e.reversed ? u8(e.medianHue - c[0] + e.hue) : u8(c[0] - e.medianHue + e.hue);
        hsv[1] = u8(u32(c[2]) * e.saturation / 256u);
        hsv[2] = u8(u32(c[1]) * e.value / 256u);
    }
    u8 out[4];
    HsvToRgb8(hsv, out);
    memcpy(rgb, out, 3);
}

void ConvertBitmapTile(const CollectionBitmap& bitmap, const Rgb* palette, const TrueColorHues& hues, u32 x0, u32 y0,
                       u32 x1, u32 y1, u8* rgba)
{
    const u32 w = bitmap.width;
    u8* o = rgba;
    if (bitmap.bytesPerPixel == 8) {
        for (u32 y = y0; y < y1; ++y) {
            const u8* p = bitmap.pixels + (u64(y) * w + x0) * 8;
            for (u32 x = x0; x < x1; ++x, p += 8, o += 4) {
                hues.Convert(p, p[3] >> 5, o);
                if (p[2] & 1) {
                    u8 second[3];
                    hues.Convert(p + 4, p[7] >> 5, second);
                    u32 weight = p[7] & 31;
                    for (int c = 0; c < 3; ++c) o[c] = u8((o[c] * (64 - weight) + second[c] * weight) / 64);
                }
                o[3] = u8((p[3] & 31) * 255 / 31);
            }
        }
        return;
    }
    const bool shadow = (bitmap.flags & kBitmapShadow) != 0;
    for (u32 y = y0; y < y1; ++y) {
        const u8* p = bitmap.pixels + (u64(y) * w + x0) * 2;
        for (u32 x = x0; x < x1; ++x, p += 2, o += 4) {
            if (shadow) {
                o[0] = o[1] = o[2] = u8(255 - p[1]);
            } else {
                const Rgb& c = palette[p[1]];
                o[0] = c.r;
                o[1] = c.g;
                o[2] = c.b;
            }
            o[3] = p[0];
        }
    }
}
