#include "terrain/ChunkTexels.h"

#include <cstring>

#include "codex/MeshTag.h"
#include "collection/Collection.h"
#include "collection/ColorTable.h"

namespace {

const CollectionBitmap* UsableBitmap(const Collection* map, u64 index)
{
    if (!map || index >= map->GetBitmapCount()) return nullptr;
    const CollectionBitmap* b = map->GetBitmap(u32(index));
    // Only exactly 256 x 256 two-byte pixels are read: anything else would be read past its end.
    if (!b || !b->pixels || b->width != kChunkTexels || b->height != kChunkTexels || b->bytesPerPixel != 2)
        return nullptr;
    return b;
}

s32 Clamp(s64 v, s32 lo, s32 hi) { return v < lo ? lo : v > hi ? hi : s32(v); }

}  // namespace

void BuildShadingTable(ShadingTable* table, const ColorTable& colors, const MeshHeader& header)
{
    const s64 dark = header.shadingDark;
    const s64 light = header.shadingLight;
    const s64 blend[3] = {header.shadingBlend[0], header.shadingBlend[1], header.shadingBlend[2]};
    const s64 t = s16(u16((u64(header.shadeMidpoint) * 255) >> 16));
    for (s64 s = 0; s < 256; ++s) {
        s64 w = 0;
        if (s < t) w = dark * (t - s) / t;
        else if (s > t) w = (s - t) * light / (255 - t);
        const s64 weight = s16(u16(w));
        const s64 rest = s16(u16(256 - weight));
        u8* row = table->rgb + s * 256 * 3;
        for (u32 i = 0; i < 256; ++i) {
            const u8* c = &colors.entries[i].red;
            for (u32 k = 0; k < 3; ++k) {
                // A negative weight can push the sum below zero; clamping both ends keeps a dark
                // channel dark instead of wrapping it bright.
                const s64 v = (rest * c[k] * 256 + weight * blend[k]) >> 8;
                row[i * 3 + k] = u8(Clamp(v, 0, 65535) >> 8);
            }
        }
    }
}

void ShadeTexels(const ShadingTable* table, const u8* shade, const u8* index, u32 sourceStride, u8* dest,
                 u32 destStride, u32 count)
{
    for (u32 i = 0; i < count; ++i) {
        const u8* e = table->rgb + (u32(shade[size_t(i) * sourceStride]) << 8 | index[size_t(i) * sourceStride]) * 3;
        u8* d = dest + size_t(i) * destStride;
        d[0] = e[0];
        d[1] = e[1];
        d[2] = e[2];
    }
}

int ChunkBitmapsPresent(const Collection* colorMap, u32 chunk)
{
    return UsableBitmap(colorMap, u64(chunk) * 2) && UsableBitmap(colorMap, u64(chunk) * 2 + 1);
}

void BuildChunkTexels256(u8* texels, const Collection* colorMap, const ShadingTable* table, u32 chunk)
{
    if (!ChunkBitmapsPresent(colorMap, chunk)) {
        memset(texels, 0, kChunkTexels * kChunkTexels * 3);
        return;
    }
    const u8* index = colorMap->GetBitmap(chunk * 2)->pixels + 1;
    const u8* shade = colorMap->GetBitmap(chunk * 2 + 1)->pixels + 1;
    ShadeTexels(table, shade, index, 2, texels, 3, kChunkTexels * kChunkTexels);
}

void FillChunkTextureEdge(u8* texels, const Collection* colorMap, const ShadingTable* table, s64 neighbour,
                          ChunkEdge edge)
{
    const u32 row = kChunkTexelsBordered * 3;
    const bool present = neighbour >= 0 && ChunkBitmapsPresent(colorMap, u32(neighbour));
    const u8* index = present ? colorMap->GetBitmap(u32(neighbour) * 2)->pixels + 1 : nullptr;
    const u8* shade = present ? colorMap->GetBitmap(u32(neighbour) * 2 + 1)->pixels + 1 : nullptr;
    const u32 last = kChunkTexels - 1;
    switch (edge) {
    case kEdgeCorner:
        if (present) ShadeTexels(table, shade + (last * kChunkTexels + last) * 2, index + (last * kChunkTexels + last) * 2, 0, texels, 3, 1);
        else memset(texels, 0, 3);
        break;
    case kEdgeLeft:
        if (present)
            ShadeTexels(table, shade + last * 2, index + last * 2, kChunkTexels * 2, texels + row, row, kChunkTexels);
        else
            for (u32 v = 1; v <= kChunkTexels; ++v) memset(texels + v * row, 0, 3);
        break;
    case kEdgeTop:
        if (present)
            ShadeTexels(table, shade + last * kChunkTexels * 2, index + last * kChunkTexels * 2, 2, texels + 3, 3, kChunkTexels);
        else
            memset(texels + 3, 0, kChunkTexels * 3);
        break;
    }
}

void BuildChunkTexels257(u8* texels, const Collection* colorMap, const ShadingTable* table, u32 across, u32 down,
                         u32 chunk)
{
    const u32 row = kChunkTexelsBordered * 3;
    const s64 column = across ? chunk % across : 0;
    const s64 chunkRow = across ? chunk / across : 0;
    (void)down;
    const s64 left = column > 0 ? s64(chunk) - 1 : -1;
    const s64 up = chunkRow > 0 ? s64(chunk) - across : -1;
    const s64 upLeft = column > 0 && chunkRow > 0 ? s64(chunk) - across - 1 : -1;
    FillChunkTextureEdge(texels, colorMap, table, upLeft, kEdgeCorner);
    FillChunkTextureEdge(texels, colorMap, table, left, kEdgeLeft);
    FillChunkTextureEdge(texels, colorMap, table, up, kEdgeTop);
    if (!ChunkBitmapsPresent(colorMap, chunk)) {
        for (u32 v = 1; v <= kChunkTexels; ++v) memset(texels + v * row + 3, 0, kChunkTexels * 3);
        return;
    }
    const u8* index = colorMap->GetBitmap(chunk * 2)->pixels + 1;
    const u8* shade = colorMap->GetBitmap(chunk * 2 + 1)->pixels + 1;
    for (u32 v = 0; v < kChunkTexels; ++v)
        ShadeTexels(table, shade + v * kChunkTexels * 2, index + v * kChunkTexels * 2, 2, texels + (v + 1) * row + 3, 3,
                    kChunkTexels);
}
