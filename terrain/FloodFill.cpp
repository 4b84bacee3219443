#include "terrain/FloodFill.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

// Seeds are kept as byte offsets (y x width + x), which fit 32 bits for every accepted grid
// whatever its shape.
void PushNeighbours(const u8* row, u32 xl, u32 xr, u32 rowOffset, u8 oldValue, bool triangles, u32 skipParity,
                    u32 y, DynArray<u32>& stack)
{
    bool inSpan = false;
    for (u32 x = xl; x <= xr; ++x) {
        if (triangles && (((x >> 1) ^ x ^ y) & 1) == skipParity) {
            inSpan = false;
            continue;
        }
        if (row[x] == oldValue) {
            if (!inSpan) stack.Push(rowOffset + x);
            inSpan = true;
        } else {
            inSpan = false;
        }
    }
}

// Appends a run. The list grows by a quarter at a time rather than doubling, so a fill that
// records one run per changed byte stays near 8 bytes per byte changed (large blocks grow in
// place through realloc).
void AddRun(DynArray<FloodFillRun>& runs, u32 offset, u32 length)
{
    if (runs.count == runs.capacity) {
        const u64 grown = u64(runs.capacity) + runs.capacity / 4 + 64;
        void* p = grown <= 0xFFFFFFFFull / sizeof(FloodFillRun) ? realloc(runs.data, size_t(grown) * sizeof(FloodFillRun))
                                                                 : nullptr;
        if (!p) {
            // Let the array's own growth report the exhausted memory.
            runs.Push(FloodFillRun{offset, length});
            return;
        }
        runs.data = static_cast<FloodFillRun*>(p);
        runs.capacity = u32(grown);
    }
    runs.data[runs.count++] = FloodFillRun{offset, length};
}

}  // namespace

void FloodFill(FloodFillRequest* r)
{
    r->filled = 0;
    r->peakStack = 0;
    if (!r->bytes || r->width == 0 || r->seedX < 0 || r->seedY < 0 || r->seedX >= s64(r->width) ||
        r->seedY >= s64(r->height))
        return;
    if (u64(r->width) * r->height > 0xFFFFFFFFull) return;
    const u32 width = r->width, height = r->height;
    const u32 seedX = u32(r->seedX), seedY = u32(r->seedY);
    const u8 oldValue = r->bytes[size_t(seedY) * width + seedX];
    const u8 newValue = u8(r->newValue);
    if (oldValue == newValue) return;

    r->oldValue = oldValue;
    r->minX = r->maxX = seedX;
    r->minY = r->maxY = seedY;
    r->filled = 1;
    const bool triangles = r->triangleAdjacency != 0;

    // Seeds are taken first in, first out: the fill then sweeps the grid row by row, which
    // keeps its reads in cache on comb-like regions (taking the newest seed first walks down
    // one tooth at a time, a new page per row) and records the runs nearly in order.
    DynArray<u32> stack = {};
    u32 head = 0;
    stack.Push(seedY * width + seedX);
    u32 peak = 1;
    while (head < stack.count) {
        const u32 seed = stack.data[head++];
        if (head >= 4096 && head * 2 >= stack.count) {
            memmove(stack.data, stack.data + head, size_t(stack.count - head) * sizeof(u32));
            stack.count -= head;
            head = 0;
        }
        const u32 y = seed / width, x = seed % width;
        u8* row = r->bytes + size_t(y) * width;
        // A seed whose span another seed already filled has nothing left to do.
        if (row[x] != oldValue) continue;
        u32 xl = x, xr = x;
        while (xl > 0 && row[xl - 1] == oldValue) --xl;
        while (xr + 1 < width && row[xr + 1] == oldValue) ++xr;
        memset(row + xl, newValue, xr - xl + 1);
        if (r->recordRuns) AddRun(r->runs, y * width + xl, xr - xl + 1);
        if (xl < r->minX) r->minX = xl;
        if (xr > r->maxX) r->maxX = xr;
        if (y < r->minY) r->minY = y;
        if (y > r->maxY) r->maxY = y;
        if (y > 0) PushNeighbours(row - width, xl, xr, (y - 1) * width, oldValue, triangles, 0, y, stack);
        if (y + 1 < height) PushNeighbours(row + width, xl, xr, (y + 1) * width, oldValue, triangles, 1, y, stack);
        if (stack.count - head > peak) peak = stack.count - head;
    }
    r->peakStack = peak;
    r->peakBytes = u64(stack.capacity) * sizeof(u32) + u64(r->runs.capacity) * sizeof(FloodFillRun);
    stack.Free();
    if (r->recordRuns) {
        auto before = [](const FloodFillRun& a, const FloodFillRun& b) { return a.offset < b.offset; };
        if (!std::is_sorted(r->runs.begin(), r->runs.end(), before)) std::sort(r->runs.begin(), r->runs.end(), before);
        r->runs.SetExact(r->runs.count);
    }
}
