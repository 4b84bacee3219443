#pragma once
// The brute-force reference of the high-resolution reduction and a rendering to feed it,
// shared by the tests (byte-for-byte comparison) and the benchmarks (the cost it avoids).
#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "collection/HighResDownsample.h"

struct OwnedImage : Image {
    OwnedImage() { Init(); }
    ~OwnedImage() { Free(); }
    OwnedImage(const OwnedImage&) = delete;
    OwnedImage& operator=(const OwnedImage&) = delete;
};

// Weights every source pixel of the image for every output pixel, with no footprint bounds.
inline void ReferenceDownsample(const Image& source, const Image& indexed, u32 outW, u32 outH, std::vector<u8>& out)
{
    out.assign(size_t(outW) * outH * 8, 0);
    double rx = double(source.width) / outW, ry = double(source.height) / outH;
    double hx = std::max((rx - 1) / 2, 0.0), hy = std::max((ry - 1) / 2, 0.0);
    auto weight = [](u32 p, double c, double half) {
        double d = std::fabs(p + 0.5 - c);
        if (d <= half) return 1.0;
        if (d < half + 1) return half + 1 - d;
        return 0.0;
    };
    static HueCellAccumulator cell;
    for (u32 j = 0; j < outH; ++j) {
        for (u32 i = 0; i < outW; ++i) {
            memset(&cell, 0, sizeof(cell));
            double cx = (i + 0.5) * rx, cy = (j + 0.5) * ry;
            for (u32 y = 0; y < source.height; ++y) {
                for (u32 x = 0; x < source.width; ++x) {
                    double wx = weight(x, cx, hx), wy = weight(y, cy, hy);
                    if (wx == 0 || wy == 0) continue;
                    double w = wx * wy;
                    const u8* p = source.pixels + (size_t(y) * source.width + x) * 4;
                    u8 k = indexed.pixels[(size_t(y) * source.width + x) * 4 + 3];
                    cell.area += w;
                    cell.alphaSum += p[3] * w;
                    if (k == kHueIndexTransparent) continue;
                    cell.colouredArea += w;
                    if (!cell.used[k]) {
                        cell.used[k] = 1;
                        cell.order[cell.usedCount++] = k;
                    }
                    cell.groups[k].red += p[0] * w;
                    cell.groups[k].green += p[1] * w;
                    cell.groups[k].blue += p[2] * w;
                    cell.groups[k].weight += w;
                }
            }
            KeepDominantColours(cell);
            PackHighResPixel(cell, &out[(size_t(j) * outW + i) * 8]);
        }
    }
}

// A rendering with patches of three hue changes, fixed colours, soft and clear alpha.
inline bool MakeRendering(Image& source, Image& indexed, u32 w, u32 h, u32 seed)
{
    std::mt19937 rng(seed);
    if (!source.Create(w, h, kImageRgba, nullptr) || !indexed.Create(w, h, kImageRgba, nullptr)) return false;
    static const u8 kIndices[] = {0, 1, 2, kHueIndexNone, kHueIndexTransparent};
    for (u32 y = 0; y < h; ++y) {
        for (u32 x = 0; x < w; ++x) {
            u8* p = source.pixels + (size_t(y) * w + x) * 4;
            u8 k = kIndices[((x / 3) * 7 + (y / 2) * 3 + rng() % 2) % 5];
            for (int c = 0; c < 3; ++c) p[c] = u8(rng());
            p[3] = k == kHueIndexTransparent ? u8(rng() % 8) : u8(8 + rng() % 248);
            indexed.pixels[(size_t(y) * w + x) * 4 + 3] = k;
        }
    }
    return true;
}
