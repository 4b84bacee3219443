#include "terrain/DetailImages.h"

#include <algorithm>

#include "terrain/TerrainModel.h"

namespace {

constexpr u32 kBlock = 8;

// The winner of a block part: its value and whether it was all of the part.
struct Winner {
    u32 value;
    bool uniform;
};

Winner Vote(const u8* values, u32 n)
{
    // Nearly every block of a detail image is one value: that needs no histogram.
    if (!n) return Winner{0, true};
    u32 same = 1;
    while (same < n && values[same] == values[0]) ++same;
    if (same >= n) return Winner{values[0], true};
    u32 counts[256] = {};
    for (u32 i = 0; i < n; ++i) ++counts[values[i]];
    HistogramEntry best{values[0], counts[values[0]]};
    for (u32 i = same; i < n; ++i) {
        const HistogramEntry e{values[i], counts[values[i]]};
        if (CompareCountThenValue(e, best) < 0) best = e;
    }
    return Winner{best.value, false};
}

// Stores value into an element unless the lock rule of the import keeps it.
void Store(TerrainModel* model, u8* element, u32 value, bool shiftAtPress)
{
    if (shiftAtPress && model->locked[std::min<u32>(*element, 127)]) return;
    *element = u8(std::min<u32>(value, 127));
}

}  // namespace

void MirrorRows(u8* pixels, u32 width, u32 height)
{
    for (u32 y = 0; y < height; ++y) std::reverse(pixels + size_t(y) * width, pixels + size_t(y) * width + width);
}

int CompareCountThenValue(const HistogramEntry& a, const HistogramEntry& b)
{
    if (a.count != b.count) return a.count > b.count ? -1 : 1;
    if (a.value != b.value) return a.value < b.value ? -1 : 1;
    return 0;
}

int WriteVertexDetailImage(const TerrainModel& model, u8* image)
{
    if (!model.vertexGrid || !image) return 0;
    const size_t rowBytes = size_t(model.width) * kBlock;
    const u8* grid = model.vertexGrid->Bytes();
    for (u32 z = 0; z < model.height; ++z)
        for (u32 r = 0; r < kBlock; ++r) {
            u8* row = image + (size_t(z) * kBlock + r) * rowBytes;
            for (u32 x = 0; x < model.width; ++x)
                std::fill(row + size_t(x) * kBlock, row + size_t(x) * kBlock + kBlock, grid[size_t(z) * model.width + x]);
        }
    MirrorRows(image, u32(rowBytes), model.height * kBlock);
    return 1;
}

int WriteTriangleDetailImage(const TerrainModel& model, u8* image)
{
    if (!model.triangleGrid || !image) return 0;
    const size_t rowBytes = size_t(model.width) * kBlock;
    const u8* grid = model.triangleGrid->Bytes();
    for (u32 z = 0; z < model.height; ++z)
        for (u32 r = 0; r < kBlock; ++r) {
            u8* row = image + (size_t(z) * kBlock + r) * rowBytes;
            for (u32 x = 0; x < model.width; ++x) {
                const u8* pair = grid + (size_t(z) * model.width + x) * 2;
                const u32 odd = (x ^ z) & 1;
                for (u32 p = 0; p < kBlock; ++p) row[size_t(x) * kBlock + p] = pair[InTriangleOne(odd, p, r) ? 1 : 0];
            }
        }
    MirrorRows(image, u32(rowBytes), model.height * kBlock);
    return 1;
}

int ImportVertexDetailImage(TerrainModel* model, u8* pixels, bool shiftAtPress)
{
    if (!model || !model->vertexGrid || !pixels) return -1;
    const size_t rowBytes = size_t(model->width) * kBlock;
    MirrorRows(pixels, u32(rowBytes), model->height * kBlock);
    bool perfect = true;
    u8* grid = model->vertexGrid->Bytes();
    u8 block[kBlock * kBlock];
    for (u32 z = 0; z < model->height; ++z)
        for (u32 x = 0; x < model->width; ++x) {
            for (u32 r = 0; r < kBlock; ++r)
                std::copy_n(pixels + (size_t(z) * kBlock + r) * rowBytes + size_t(x) * kBlock, kBlock, block + r * kBlock);
            const Winner w = Vote(block, kBlock * kBlock);
            perfect = perfect && w.uniform;
            Store(model, grid + size_t(z) * model->width + x, w.value, shiftAtPress);
        }
    return perfect ? 1 : 0;
}

int ImportTriangleDetailImage(TerrainModel* model, u8* pixels, bool shiftAtPress)
{
    if (!model || !model->triangleGrid || !pixels) return -1;
    const size_t rowBytes = size_t(model->width) * kBlock;
    MirrorRows(pixels, u32(rowBytes), model->height * kBlock);
    bool perfect = true;
    u8* grid = model->triangleGrid->Bytes();
    u8 halves[2][kBlock * kBlock];
    for (u32 z = 0; z < model->height; ++z)
        for (u32 x = 0; x < model->width; ++x) {
            u32 n[2] = {0, 0};
            const u32 odd = (x ^ z) & 1;
            for (u32 r = 0; r < kBlock; ++r) {
                const u8* row = pixels + (size_t(z) * kBlock + r) * rowBytes + size_t(x) * kBlock;
                for (u32 p = 0; p < kBlock; ++p) {
                    const u32 t = InTriangleOne(odd, p, r) ? 1 : 0;
                    halves[t][n[t]++] = row[p];
                }
            }
            for (u32 t = 0; t < 2; ++t) {
                const Winner w = Vote(halves[t], n[t]);
                perfect = perfect && w.uniform;
                Store(model, grid + (size_t(z) * model->width + x) * 2 + t, w.value, shiftAtPress);
            }
        }
    return perfect ? 1 : 0;
}
