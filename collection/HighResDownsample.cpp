#include "collection/HighResDownsample.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "collection/ColorTable.h"
#include "foundation/ColorSpace.h"

namespace {

constexpr u32 kPackedPixelFormat = 8;

u8 ClampByte(double v)
{
    if (!(v > 0.0)) return 0;
    if (v >= 255.0) return 255;
    return u8(std::floor(v + 0.5));
}

// Hue number as stored in the 3-bit field: changes past the seventh have none.
u8 PackedHueNumber(u32 hueIndex)
{
    return hueIndex < kMaxPackedHueChanges ? u8(hueIndex + 1) : 0;
}

// Bytes 0..2 of a colour: red, green, blue, or hue, value, saturation under a hue change.
void PackColour(const HueCellAccumulator::Group& g, u8 hueNumber, u8* out)
{
    out[0] = ClampByte(g.red);
    out[1] = ClampByte(g.green);
    out[2] = ClampByte(g.blue);
    if (hueNumber == 0) return;
    double rgb[3] = {out[0] / 255.0, out[1] / 255.0, out[2] / 255.0};
    double hsv[3];
    RgbToHsv(rgb, hsv);
    out[0] = ClampByte(hsv[0] * 255.0);
    out[1] = ClampByte(hsv[2] * 255.0);
    out[2] = ClampByte(hsv[1] * 255.0);
}

}  // namespace

void HueCellAccumulator::Init()
{
    memset(this, 0, sizeof(*this));
}

void HueCellAccumulator::Clear()
{
    for (u32 i = 0; i < usedCount; ++i) {
        groups[order[i]] = Group{0, 0, 0, 0};
        used[order[i]] = 0;
    }
    usedCount = 0;
    alphaSum = area = colouredArea = 0;
}

void HueCellAccumulator::Add(u8 hueIndex, const u8* rgba, double w)
{
    area += w;
    alphaSum += rgba[3] * w;
    if (hueIndex == kHueIndexTransparent) return;
    colouredArea += w;
    if (!used[hueIndex]) {
        used[hueIndex] = 1;
        order[usedCount++] = hueIndex;
    }
    Group& g = groups[hueIndex];
    g.red += rgba[0] * w;
    g.green += rgba[1] * w;
    g.blue += rgba[2] * w;
    g.weight += w;
}

u32 FindHueChange(u8 red, u8 green, u8 blue, const HueChange* const* hueChanges, u32 count)
{
    u16 rgb[4] = {u16(red * 257), u16(green * 257), u16(blue * 257), 0};
    u16 hsv[4];
    ColorToHsv16(rgb, hsv);
    for (u32 i = 0; i < count; ++i) {
        const HueChange& hc = *hueChanges[i];
        if (hsv[1] <= hc.minimumSaturation) continue;
        bool inRange = hc.hueStart <= hc.hueEnd ? (hsv[0] >= hc.hueStart && hsv[0] < hc.hueEnd)
                                                : (hsv[0] >= hc.hueStart || hsv[0] < hc.hueEnd);
        if (inRange) return i + 1;
    }
    return 0;
}

u32 RegionSizeAtLeast(const Image& img, u8* marks, u32& counter, u8 k, s32 x, s32 y, u32 limit)
{
    if (counter >= limit) return 1;
    if (x < 0 || y < 0 || u32(x) >= img.width || u32(y) >= img.height) return 0;
    u64 at = u64(y) * img.width + u32(x);
    if (marks[at] || img.pixels[at * 4 + 3] != k) return 0;
    ++counter;
    marks[at] = 1;
    static const s8 kNeighbours[8][2] = {{-1, -1}, {-1, 0}, {-1, 1}, {0, -1},
                                         {0, 1},   {1, -1}, {1, 0},  {1, 1}};
    u32 reached = 0;
    for (u32 n = 0; n < 8 && !reached; ++n)
        reached = RegionSizeAtLeast(img, marks, counter, k, x + kNeighbours[n][0], y + kNeighbours[n][1], limit);
    marks[at] = 0;
    return reached;
}

u32 ConvertToHueIndexed(Image& output, const Image& source, const HueChange* const* hueChanges,
                        u32 count, u64* pastSeventh)
{
    if (source.format != kImageRgba || !source.pixels) return 0;
    u64 pixelCount = u64(source.width) * source.height;
    u8* marks = static_cast<u8*>(calloc(pixelCount ? pixelCount : 1, 1));
    if (!marks) return 0;
    if (!output.Create(source.width, source.height, kImageRgba, nullptr)) {
        free(marks);
        return 0;
    }
    u64 dropped = 0;
    const u8* in = source.pixels;
    u8* out = output.pixels;
    for (u64 i = 0; i < pixelCount; ++i, in += 4, out += 4) {
        RgbToHsv8(in, out);
        if (in[3] < 8) {
            out[3] = kHueIndexTransparent;
            continue;
        }
        u32 number = FindHueChange(in[0], in[1], in[2], hueChanges, count);
        if (number > kMaxPackedHueChanges) {
            ++dropped;
            number = 0;
        }
        out[3] = u8(number - 1);
    }
    for (u32 y = 0; y < source.height; ++y) {
        for (u32 x = 0; x < source.width; ++x) {
            u8& k = output.pixels[(u64(y) * source.width + x) * 4 + 3];
            if (k >= kHueIndexTransparent) continue;
            u32 counter = 0;
            if (!RegionSizeAtLeast(output, marks, counter, k, s32(x), s32(y), kSmallRegionLimit))
                k = kHueIndexNone;
        }
    }
    free(marks);
    if (pastSeventh) *pastSeventh = dropped;
    return 1;
}

void KeepDominantColours(HueCellAccumulator& cell)
{
    if (cell.usedCount >= 2) {
        // Stable: of equal weights the group used first stays ahead.
        for (u32 slot = 0; slot < 2; ++slot) {
            u32 best = slot;
            for (u32 i = slot + 1; i < cell.usedCount; ++i)
                if (cell.groups[cell.order[i]].weight > cell.groups[cell.order[best]].weight) best = i;
            u8 chosen = cell.order[best];
            memmove(&cell.order[slot + 1], &cell.order[slot], best - slot);
            cell.order[slot] = chosen;
        }
    }
    if (cell.usedCount > 0) {
        u32 kept = cell.usedCount >= 2 ? 2 : 1;
        double firstWeight = cell.groups[cell.order[0]].weight;
        double share = cell.colouredArea / cell.area;
        for (u32 i = 0; i < kept; ++i) {
            HueCellAccumulator::Group& g = cell.groups[cell.order[i]];
            double f = share / g.weight;
            g.red *= f;
            g.green *= f;
            g.blue *= f;
            g.weight /= firstWeight;
        }
        if (kept == 2) {
            HueCellAccumulator::Group& second = cell.groups[cell.order[1]];
            double q = second.weight / (second.weight + 1.0);
            if (q >= 1.0 / 32.0) {
                second.weight = q;
            } else {
                for (u32 i = 1; i < cell.usedCount; ++i) {
                    cell.groups[cell.order[i]] = HueCellAccumulator::Group{0, 0, 0, 0};
                    cell.used[cell.order[i]] = 0;
                }
                cell.usedCount = 1;
            }
        }
    }
    cell.alphaSum = cell.area > 0 ? cell.alphaSum / cell.area : 0;
}

void PackHighResPixel(const HueCellAccumulator& cell, u8* pixel)
{
    memset(pixel, 0, 8);
    if (cell.usedCount == 0) return;
    u8 first = cell.order[0];
    u8 h1 = PackedHueNumber(first);
    PackColour(cell.groups[first], h1, pixel);
    u32 alpha = ClampByte(cell.alphaSum);
    pixel[3] = u8((((alpha + 4) * 31) / 255) | (u32(h1) << 5));
    pixel[2] &= 0xFE;
    if (cell.usedCount < 2) return;
    pixel[2] |= 1;
    u8 second = cell.order[1];
    u8 h2 = PackedHueNumber(second);
    PackColour(cell.groups[second], h2, pixel + 4);
    double q64 = std::trunc(cell.groups[second].weight * 64.0);
    u32 blend = q64 < 31.0 ? u32(q64) : 31;
    pixel[7] = u8(blend | (u32(h2) << 5));
}

namespace {

// Weight of each source column (or row) in the footprint of output pixel i, over the range
// [first, first + count) outside which it is zero.
struct AxisSpan {
    u32 first, count;
};

AxisSpan FootprintWeights(u32 i, double ratio, double half, u32 sourceSize, double* weights)
{
    double centre = (i + 0.5) * ratio;
    double lo = std::floor(centre - half - 1.0 - 0.5);
    double hi = std::ceil(centre + half + 1.0 - 0.5);
    u32 from = lo < 0 ? 0 : u32(lo);
    u32 to = hi >= sourceSize ? sourceSize - 1 : u32(hi);
    AxisSpan span{from, 0};
    if (from > to) return span;
    for (u32 x = from; x <= to; ++x) {
        double d = std::fabs(x + 0.5 - centre);
        double w = d <= half ? 1.0 : (d < half + 1.0 ? half + 1.0 - d : 0.0);
        weights[x - from] = w;
    }
    span.count = to - from + 1;
    return span;
}

}  // namespace

u32 DownsampleIndexed(const Image& source, Image& output, const Image& hueIndexed)
{
    if (source.format != kImageRgba || output.format != kPackedPixelFormat ||
        hueIndexed.format != kImageRgba || !source.pixels || !output.pixels || !hueIndexed.pixels)
        return 0;
    if (hueIndexed.width != source.width || hueIndexed.height != source.height) return 0;
    u32 w = source.width, h = source.height, outW = output.width, outH = output.height;
    if (!w || !h || !outW || !outH) return 0;
    double rx = double(w) / outW, ry = double(h) / outH;
    double hx = rx > 1.0 ? (rx - 1.0) / 2.0 : 0.0;
    double hy = ry > 1.0 ? (ry - 1.0) / 2.0 : 0.0;
    // A footprint spans fewer than 2 x half + 6 pixels a side.
    u64 spanX = u64(std::ceil(2.0 * hx)) + 6, spanY = u64(std::ceil(2.0 * hy)) + 6;
    double* weightsX = static_cast<double*>(malloc((spanX + spanY) * sizeof(double)));
    HueCellAccumulator* cell = static_cast<HueCellAccumulator*>(malloc(sizeof(HueCellAccumulator)));
    if (!weightsX || !cell) {
        free(weightsX);
        free(cell);
        return 0;
    }
    double* weightsY = weightsX + spanX;
    cell->Init();
    for (u32 j = 0; j < outH; ++j) {
        AxisSpan ys = FootprintWeights(j, ry, hy, h, weightsY);
        for (u32 i = 0; i < outW; ++i) {
            AxisSpan xs = FootprintWeights(i, rx, hx, w, weightsX);
            cell->Clear();
            for (u32 y = 0; y < ys.count; ++y) {
                double wy = weightsY[y];
                if (wy == 0.0) continue;
                u64 row = u64(ys.first + y) * w + xs.first;
                for (u32 x = 0; x < xs.count; ++x) {
                    double wx = weightsX[x];
                    if (wx == 0.0) continue;
                    cell->Add(hueIndexed.pixels[(row + x) * 4 + 3], source.pixels + (row + x) * 4, wx * wy);
                }
            }
            u8* pixel = output.pixels + (u64(j) * outW + i) * 8;
            KeepDominantColours(*cell);
            PackHighResPixel(*cell, pixel);
        }
    }
    free(cell);
    free(weightsX);
    return 1;
}
