#include "terrain/DetailGrid.h"

#include <cstdlib>
#include <cstring>

namespace {

bool RectInside(const DetailGrid* grid, s64 x, s64 y, u64 width, u64 height)
{
    return x >= 0 && y >= 0 && u64(x) + width <= grid->width && u64(y) + height <= grid->height;
}

}  // namespace

DetailGrid* NewDetailGrid(u32 width, u32 height, u32 elementShift)
{
    if (width == 0 || height == 0 || elementShift > 1) return nullptr;
    const u64 bytes = (u64(width) * height) << elementShift;
    if (bytes > kMaxDetailGridBytes || bytes + sizeof(DetailGrid) > u64(size_t(-1))) return nullptr;
    DetailGrid* grid = static_cast<DetailGrid*>(calloc(1, size_t(bytes + sizeof(DetailGrid))));
    if (!grid) return nullptr;
    grid->width = width;
    grid->height = height;
    grid->elementShift = elementShift;
    return grid;
}

void FreeDetailGrid(DetailGrid* grid) { free(grid); }

DetailGrid* CreateGridRegion(const DetailGrid* grid, s32 x, s32 y, u32 width, u32 height)
{
    if (!grid || !RectInside(grid, x, y, width, height)) return nullptr;
    DetailGrid* region = NewDetailGrid(width, height, grid->elementShift);
    if (!region) return nullptr;
    region->x = x;
    region->y = y;
    CopyGridToRegion(region, grid);
    return region;
}

int CopyGridToRegion(DetailGrid* region, const DetailGrid* grid)
{
    if (region->elementShift != grid->elementShift ||
        !RectInside(grid, region->x, region->y, region->width, region->height))
        return 0;
    const size_t rowBytes = region->RowBytes();
    const u8* from = grid->Bytes() + (size_t(region->y) * grid->width + size_t(region->x)) * grid->ElementSize();
    u8* to = region->Bytes();
    for (u32 r = 0; r < region->height; ++r, from += grid->RowBytes(), to += rowBytes) memcpy(to, from, rowBytes);
    return 1;
}

int CopyRegionToGrid(const DetailGrid* region, DetailGrid* grid)
{
    if (region->elementShift != grid->elementShift ||
        !RectInside(grid, region->x, region->y, region->width, region->height))
        return 0;
    const size_t rowBytes = region->RowBytes();
    u8* to = grid->Bytes() + (size_t(region->y) * grid->width + size_t(region->x)) * grid->ElementSize();
    const u8* from = region->Bytes();
    for (u32 r = 0; r < region->height; ++r, to += grid->RowBytes(), from += rowBytes) memcpy(to, from, rowBytes);
    return 1;
}
