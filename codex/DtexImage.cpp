#include "codex/DtexImage.h"

#include <algorithm>

#include "codex/DtexCodec.h"

namespace {

bool IsPowerOfTwo(u32 v) { return v && !(v & (v - 1)); }

u8 Clamp(int v) { return u8(v < 0 ? 0 : v > 255 ? 255 : v); }

}  // namespace

const char* DtexSidesProblem(u32 width, u32 height)
{
    if (!IsPowerOfTwo(width) || !IsPowerOfTwo(height))
        return "The texture must have dimensions that are powers of two.";
    if (width > kDtexMaxSide || height > kDtexMaxSide)
        return "The texture must be at most 2048 pixels wide and high.";
    return nullptr;
}

void MeanCenterPixels(u8* rgb, u32 width, u32 height, bool luma)
{
    const u64 n = u64(width) * height;
    if (!rgb || !n) return;
    const size_t bytes = size_t(n) * 3;
    int offset[3];
    if (luma) {
        u64 sum = 0;
        for (size_t i = 0; i < bytes; i += 3) sum += (77u * rgb[i] + 151u * rgb[i + 1] + 28u * rgb[i + 2]) >> 8;
        // The stored rule scales the sum down by 255 and the count by 256; below 256 pixels
        // the count would scale to 0, and there the plain mean is used.
        const u64 mean = n >= 256 ? (sum / 255) / (n / 256) : sum / n;
        offset[0] = offset[1] = offset[2] = 128 - int(mean);
    } else {
        u64 sum[3] = {0, 0, 0};
        for (size_t i = 0; i < bytes; i += 3) {
            sum[0] += rgb[i];
            sum[1] += rgb[i + 1];
            sum[2] += rgb[i + 2];
        }
        for (int c = 0; c < 3; ++c) offset[c] = 128 - int(sum[c] / n);
    }
    if (!offset[0] && !offset[1] && !offset[2]) return;
    for (size_t i = 0; i < bytes; i += 3)
        for (int c = 0; c < 3; ++c) rgb[i + c] = Clamp(rgb[i + c] + offset[c]);
}

void SwapImageQuadrants(u8* rgb, u32 width, u32 height)
{
    if (!rgb || !width || !height) return;
    // A rotation rather than pairwise exchanges: for an odd side, shifting by half twice does
    // not come back, so exchanging pairs would lose pixels.
    const size_t row = size_t(width) * 3;
    u8* end = rgb + row * height;
    std::rotate(rgb, rgb + row * (height / 2), end);
    if (width / 2)
        for (u8* r = rgb; r < end; r += row) std::rotate(r, r + size_t(width / 2) * 3, r + row);
}
