#include "foundation/MipChain.h"

#include <memory>

namespace {

// A row of the level below from one or two rows above; the component count is a constant so
// the loops run over plain bytes: the two rows summed, then each texel with its right-hand
// neighbour, then every other texel's sums kept.
template <u32 N>
void HalveRow(const u8* __restrict a, const u8* __restrict b, u32 sourceWidth, u8* __restrict dest, u32 destWidth,
              u16* __restrict sums, u16* __restrict pairs)
{
    if (sourceWidth == 1) {
        for (u32 c = 0; c < N; ++c) dest[c] = u8((a[c] + b[c] + 1) >> 1);
        return;
    }
    // Bytes would alias everything: the restricted pointers let each loop run vectorised.
    const u32 used = destWidth * 2 * N;
    for (u32 j = 0; j < used; ++j) sums[j] = u16(a[j] + b[j]);
    for (u32 j = 0; j + N < used; ++j) pairs[j] = u16(sums[j] + sums[j + N] + 2);
    for (u32 x = 0; x < destWidth; ++x)
        for (u32 c = 0; c < N; ++c) dest[x * N + c] = u8(pairs[x * 2 * N + c] >> 2);
}

template <u32 N>
void Halve(const u8* source, u32 width, u32 height, u8* dest)
{
    const u32 w = MipLevelSize(width, 1), h = MipLevelSize(height, 1);
    const size_t sourceRow = size_t(width) * N;
    std::unique_ptr<u16[]> sums(new u16[sourceRow * 2]);
    for (u32 y = 0; y < h; ++y) {
        const u8* a = source + size_t(height == 1 ? 0 : 2 * y) * sourceRow;
        const u8* b = height == 1 ? a : a + sourceRow;
        HalveRow<N>(a, b, width, dest + size_t(y) * w * N, w, sums.get(), sums.get() + sourceRow);
    }
}

void HalveAny(const u8* source, u32 width, u32 height, u32 n, u8* dest)
{
    const u32 w = MipLevelSize(width, 1), h = MipLevelSize(height, 1);
    for (u32 y = 0; y < h; ++y)
        for (u32 x = 0; x < w; ++x)
            for (u32 c = 0; c < n; ++c) {
                const u32 x0 = width == 1 ? 0 : 2 * x, x1 = width == 1 ? 0 : 2 * x + 1;
                const u32 y0 = height == 1 ? 0 : 2 * y, y1 = height == 1 ? 0 : 2 * y + 1;
                const u32 sum = source[(size_t(y0) * width + x0) * n + c] + source[(size_t(y0) * width + x1) * n + c] +
                                source[(size_t(y1) * width + x0) * n + c] + source[(size_t(y1) * width + x1) * n + c];
                dest[(size_t(y) * w + x) * n + c] = u8((sum + 2) >> 2);
            }
}

}  // namespace

u32 MipLevelSize(u32 size, u32 level)
{
    const u32 s = level < 32 ? size >> level : 0;
    return s ? s : 1;
}

u32 MipLevelCount(u32 width, u32 height)
{
    u32 levels = 1;
    for (u32 largest = width > height ? width : height; largest > 1; largest >>= 1) ++levels;
    return levels;
}

void HalveImage(const u8* source, u32 width, u32 height, u32 components, u8* dest)
{
    switch (components) {
    case 1: Halve<1>(source, width, height, dest); break;
    case 3: Halve<3>(source, width, height, dest); break;
    case 4: Halve<4>(source, width, height, dest); break;
    default: HalveAny(source, width, height, components, dest); break;
    }
}

std::unique_ptr<u8[]> BuildMipLevels(const u8* pixels, u32 width, u32 height, u32 components)
{
    const u32 levels = MipLevelCount(width, height);
    size_t total = 0;
    for (u32 l = 1; l < levels; ++l) total += size_t(MipLevelSize(width, l)) * MipLevelSize(height, l) * components;
    // Every byte is written below: the block need not be cleared first.
    std::unique_ptr<u8[]> out(new u8[total ? total : 1]);
    const u8* above = pixels;
    u8* level = out.get();
    for (u32 l = 1; l < levels; ++l) {
        const u32 w = MipLevelSize(width, l - 1), h = MipLevelSize(height, l - 1);
        HalveImage(above, w, h, components, level);
        above = level;
        level += size_t(MipLevelSize(width, l)) * MipLevelSize(height, l) * components;
    }
    return out;
}
