#include "foundation/Palette.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

template <typename T, typename Less>
void SelectionSortT(T* v, s64 n, Less less)
{
    for (s64 i = 0; i + 1 < n; ++i) {
        s64 m = i;
        for (s64 k = i + 1; k < n; ++k)
            if (less(v[k], v[m])) m = k;
        if (m != i) std::swap(v[i], v[m]);
    }
}

template <typename T, typename Less>
void QuickSortT(u32& seed, T* v, s64 n, Less less)
{
    // The second part is sorted by the loop rather than by recursion; the order in which the
    // seed advances is the same.
    for (;;) {
        if (n < 16) {
            SelectionSortT(v, n, less);
            return;
        }
        seed = seed * 1664525u + 1013904223u;
        T p = v[u64(seed) % u64(n)];
        s64 i = -1, j = n;
        for (;;) {
            do ++i; while (less(v[i], p));
            do --j; while (less(p, v[j]));
            if (i >= j) break;
            std::swap(v[i], v[j]);
        }
        QuickSortT(seed, v, i, less);
        v += i;
        n -= i;
    }
}

struct PairLess {
    bool operator()(const ColorCount& a, const ColorCount& b) const { return a.count < b.count; }
};

struct KeyLess {
    const u32* key;
    bool operator()(u32 a, u32 b) const { return key[a] < key[b]; }
};

inline u32 Dist2(const Rgb& a, const Rgb& b)
{
    s32 dr = s32(a.r) - b.r, dg = s32(a.g) - b.g, db = s32(a.b) - b.b;
    return u32(dr * dr + dg * dg + db * db);
}

// Reads one row of a true-colour or paletted image as RGBA. Rows already stored as RGB or
// RGBA are handed out in place (stride 3 or 4); the others are expanded into scratch
// (width x 4 bytes). Null for a format without an RGBA reading.
const u8* RowAsRgba(const Image& image, u32 y, u8* scratch, u32* stride)
{
    static const Rgb kBlack[256] = {};
    u64 w = image.width;
    const Rgb* pal = image.palette ? image.palette : kBlack;
    switch (image.format) {
    case kImageRgb:
        *stride = 3;
        return image.pixels + u64(y) * w * 3;
    case kImageRgba:
        *stride = 4;
        return image.pixels + u64(y) * w * 4;
    case kImageAlpha: {
        const u8* src = image.pixels + u64(y) * w;
        for (u64 x = 0; x < w; ++x) {
            u8* q = scratch + x * 4;
            q[0] = q[1] = q[2] = 255;
            q[3] = src[x];
        }
        break;
    }
    case kImageIndexed: {
        const u8* src = image.pixels + u64(y) * w;
        for (u64 x = 0; x < w; ++x) {
            memcpy(scratch + x * 4, &pal[src[x]], 3);
            scratch[x * 4 + 3] = 255;
        }
        break;
    }
    case kImageAlphaIndex: {
        const u8* src = image.pixels + u64(y) * w * 2;
        for (u64 x = 0; x < w; ++x) {
            memcpy(scratch + x * 4, &pal[src[x * 2 + 1]], 3);
            scratch[x * 4 + 3] = src[x * 2];
        }
        break;
    }
    default:
        return nullptr;
    }
    *stride = 4;
    return scratch;
}

bool HasRgbaReading(u32 format)
{
    return format == kImageRgb || format == kImageRgba || format == kImageAlpha || format == kImageIndexed ||
           format == kImageAlphaIndex;
}

constexpr u32 kCellBits = 6;
constexpr u32 kCellCount = 1u << (3 * kCellBits);

inline u32 CellOf(u32 key)
{
    constexpr u32 drop = 8 - kCellBits, mask = (1u << kCellBits) - 1;
    return ((key >> drop) & mask) << (2 * kCellBits) | ((key >> (8 + drop)) & mask) << kCellBits |
           ((key >> (16 + drop)) & mask);
}

inline void AddToCell(ColorHistogram& h, u32 key, u32 n)
{
    constexpr u32 low = (1u << (8 - kCellBits)) - 1;
    ColorCellSum& c = h.cells[CellOf(key)];
    c.count += n;
    c.r += (key & low) * n;
    c.g += ((key >> 8) & low) * n;
    c.b += ((key >> 16) & low) * n;
}

inline u32 SlotOf(u32 key, u32 mask)
{
    return (key * 2654435761u) >> 7 & mask;
}

// Moves every exact colour into the grid; from then on pixels go straight to their cells.
void SwitchToCells(ColorHistogram& h)
{
    h.cells.ResizeRaw(kCellCount);
    memset(h.cells.data, 0, sizeof(ColorCellSum) * kCellCount);
    for (u32 i = 0; i < h.keys.count; ++i)
        if (h.keys[i]) AddToCell(h, h.keys[i] - 1, h.counts[i]);
    h.keys.Free();
    h.counts.Free();
    h.distinct = 0;
}

void GrowTable(ColorHistogram& h)
{
    u32 size = h.keys.count ? h.keys.count * 2 : 1024;
    ScopedDynArray<u32> oldKeys, oldCounts;
    oldKeys.Assign(h.keys);
    oldCounts.Assign(h.counts);
    h.keys.ResizeRaw(size);
    h.counts.ResizeRaw(size);
    memset(h.keys.data, 0, size * sizeof(u32));
    u32 mask = size - 1;
    for (u32 i = 0; i < oldKeys.count; ++i) {
        if (!oldKeys[i]) continue;
        u32 s = SlotOf(oldKeys[i] - 1, mask);
        while (h.keys[s]) s = (s + 1) & mask;
        h.keys[s] = oldKeys[i];
        h.counts[s] = oldCounts[i];
    }
}

// Adds n pixels of one colour (RGB, red lowest).
inline void CountColour(ColorHistogram& h, u32 key, u32 n)
{
    if (h.cells.count) {
        AddToCell(h, key, n);
        return;
    }
    u32 mask = h.keys.count - 1;
    u32 s = SlotOf(key, mask);
    for (;;) {
        u32 k = h.keys[s];
        if (k == key + 1) {
            h.counts[s] += n;
            return;
        }
        if (!k) break;
        s = (s + 1) & mask;
    }
    // Half full at most, so a probe always meets a free slot.
    if ((h.distinct + 1) * 2 > h.keys.count) {
        if (h.distinct + 1 > kExactColourLimit) {
            SwitchToCells(h);
            AddToCell(h, key, n);
            return;
        }
        GrowTable(h);
        CountColour(h, key, n);
        return;
    }
    h.keys[s] = key + 1;
    h.counts[s] = n;
    ++h.distinct;
}

// Entries sorted nearest first in each neighbour list; the rest of a list is only known
// to be no nearer than they are. A search stops within this part almost always.
constexpr u32 kSortedNeighbours = 24;

// For every one of K entries, all K entries with the nearest kSortedNeighbours first in order
// of their squared distance to it (index order on ties, so the entry itself comes first),
// and the K x K distance table. A squared distance needs 18 bits and an index 8, so one
// packed key sorts without indirection.
void SortNeighbours(const Rgb* e, u32 K, u32* pair, u32* order)
{
    for (u32 a = 0; a < K; ++a)
        for (u32 b = 0; b < K; ++b) pair[a * K + b] = Dist2(e[a], e[b]);
    u32 m = K < kSortedNeighbours ? K : kSortedNeighbours;
    for (u32 a = 0; a < K; ++a) {
        u32* list = order + a * K;
        const u32* key = pair + a * K;
        for (u32 b = 0; b < K; ++b) list[b] = key[b] << 8 | b;
        if (m < K) std::nth_element(list, list + m, list + K);
        std::sort(list, list + m);
        for (u32 b = 0; b < K; ++b) list[b] &= 0xFF;
    }
}

// Nearest of K colours by squared distance, lowest index on ties, without comparing a colour
// with every entry. From a guess g at distance d, an entry whose distance to g passes 4d is
// (by the triangle inequality) farther than g itself, and g's neighbours are sorted nearest
// first, so the walk stops there. A coarse grid of precomputed answers gives good guesses.
class NearestSearch {
public:
    NearestSearch() : K(0), entries(nullptr) {}
    NearestSearch(const NearestSearch&) = delete;
    NearestSearch& operator=(const NearestSearch&) = delete;

    void Build(const Rgb* e, u32 k)
    {
        K = k;
        entries = e;
        if (!K) return;
        pair.ResizeRaw(K * K);
        order.ResizeRaw(K * K);
        SortNeighbours(e, K, pair.data, order.data);
        // Cells are filled on first use: a picture of few colours meets few of them.
        grid.ResizeRaw(kGrid * kGrid * kGrid);
        memset(grid.data, 0xFF, kGrid * kGrid * kGrid * sizeof(u16));
    }

    u32 Find(const Rgb& c)
    {
        u32 cell = (c.r >> kGridShift) << (2 * kGridBits) | (c.g >> kGridShift) << kGridBits | (c.b >> kGridShift);
        if (grid[cell] == kUnknown) grid[cell] = u16(Guess(cell));
        u32 guess = grid[cell];
        u32 guessD = Dist2(c, entries[guess]);
        u32 best = guess, bestD = guessD;
        // An entry at most as far from c as the best lies within sqrt(guessD) + sqrt(bestD)
        // of the guess; the bound tightens as better entries turn up (plus one against
        // rounding).
        double reach = std::sqrt(double(guessD));
        u64 limit = u64(guessD) * 4;
        const u32* list = order.data + guess * K;
        const u32* dist = pair.data + guess * K;
        for (u32 k = 1; k < K; ++k) {
            u32 e = list[k];
            if (dist[e] > limit) {
                if (k < kSortedNeighbours) break;
                continue;
            }
            u32 d = Dist2(c, entries[e]);
            if (d < bestD || (d == bestD && e < best)) {
                bestD = d, best = e;
                double r = reach + std::sqrt(double(d));
                limit = u64(r * r) + 1;
            }
        }
        return best;
    }

private:
    static constexpr u32 kGridBits = 5, kGridShift = 8 - kGridBits, kGrid = 1u << kGridBits;
    static constexpr u16 kUnknown = 0xFFFF;

    // The entry nearest the cell's centre: a good start for the colours inside it.
    u32 Guess(u32 cell) const
    {
        constexpr u32 size = 1u << kGridShift, mask = kGrid - 1;
        Rgb c = {u8((cell >> (2 * kGridBits)) * size + size / 2), u8(((cell >> kGridBits) & mask) * size + size / 2),
                 u8((cell & mask) * size + size / 2)};
        u32 best = 0, bestD = Dist2(c, entries[0]);
        for (u32 i = 1; i < K; ++i) {
            u32 d = Dist2(c, entries[i]);
            if (d < bestD) bestD = d, best = i;
        }
        return best;
    }

    u32 K;
    const Rgb* entries;
    ScopedDynArray<u32> pair, order;
    ScopedDynArray<u16> grid;
};

}  // namespace

void SelectionSortPairs(ColorCount* records, s64 n)
{
    SelectionSortT(records, n, PairLess());
}

void QuickSortPairs(u32& seed, ColorCount* records, s64 n)
{
    QuickSortT(seed, records, n, PairLess());
}

void SelectionSortByKey(u32* indices, s64 n, const u32* key)
{
    SelectionSortT(indices, n, KeyLess{key});
}

void QuickSortByKey(u32& seed, u32* indices, s64 n, const u32* key)
{
    QuickSortT(seed, indices, n, KeyLess{key});
}

void FreeColorHistogram(ColorHistogram& histogram)
{
    histogram.keys.Free();
    histogram.counts.Free();
    histogram.cells.Free();
    histogram.unique.Free();
    histogram.distinct = 0;
    histogram.pixels = 0;
    histogram.built = 0;
}

u32 CollectOpaqueColors(ColorHistogram& histogram, const Image& image)
{
    if (!HasRgbaReading(image.format)) return 0;
    if (!histogram.keys.count && !histogram.cells.count) GrowTable(histogram);
    histogram.built = 0;
    u32 w = image.width;
    if (!w || !image.height || !image.pixels) return 1;
    if (histogram.pixels + u64(w) * image.height > kMaxHistogramPixels) return 0;
    ScopedDynArray<u8> scratch;
    u64 opaque = 0;
    if (image.format != kImageRgb && image.format != kImageRgba) scratch.ResizeRaw(w * 4);
    for (u32 y = 0; y < image.height; ++y) {
        u32 stride = 4;
        const u8* row = RowAsRgba(image, y, scratch.data, &stride);
        bool alpha = stride == 4;
        // Runs of one colour are common (flat areas, atlases), so each run is counted once.
        u32 runKey = 0, run = 0;
        for (u32 x = 0; x < w; ++x) {
            const u8* p = row + u64(x) * stride;
            if (alpha && !p[3]) continue;
            ++opaque;
            u32 key = u32(p[0]) | u32(p[1]) << 8 | u32(p[2]) << 16;
            if (run && key == runKey) {
                ++run;
                continue;
            }
            if (run) CountColour(histogram, runKey, run);
            runKey = key;
            run = 1;
        }
        if (run) CountColour(histogram, runKey, run);
    }
    histogram.pixels += opaque;
    return 1;
}

const DynArray<ColorCount>& UniqueColors(ColorHistogram& histogram)
{
    if (histogram.built) return histogram.unique;
    DynArray<ColorCount>& u = histogram.unique;
    u.ResizeRaw(0);
    if (histogram.cells.count) {
        constexpr u32 mask = (1u << kCellBits) - 1, shift = 8 - kCellBits;
        for (u32 i = 0; i < kCellCount; ++i) {
            const ColorCellSum& c = histogram.cells[i];
            if (!c.count) continue;
            u32 base[3] = {(i >> (2 * kCellBits)) << shift, ((i >> kCellBits) & mask) << shift, (i & mask) << shift};
            u32 half = c.count / 2;
            Rgb mean = {u8(base[0] + (c.r + half) / c.count), u8(base[1] + (c.g + half) / c.count),
                        u8(base[2] + (c.b + half) / c.count)};
            u.Push(ColorCount{c.count, mean});
        }
    } else {
        for (u32 i = 0; i < histogram.keys.count; ++i) {
            u32 k = histogram.keys[i];
            if (k) u.Push(ColorCount{histogram.counts[i], Rgb{u8(k - 1), u8((k - 1) >> 8), u8((k - 1) >> 16)}});
        }
        std::sort(u.begin(), u.end(), [](const ColorCount& a, const ColorCount& b) {
            u32 ka = u32(a.colour.r) | u32(a.colour.g) << 8 | u32(a.colour.b) << 16;
            u32 kb = u32(b.colour.r) | u32(b.colour.g) << 8 | u32(b.colour.b) << 16;
            return ka < kb;
        });
    }
    histogram.built = 1;
    return u;
}

void RefinePaletteKMeans(const DynArray<Rgb>& colours, const DynArray<u32>& weights, DynArray<Rgb>& centres)
{
    u32 N = colours.count, K = centres.count;
    if (N < K) {
        centres.Assign(colours);
        return;
    }
    if (K == 0) return;
    struct Sums {
        u64 r, g, b, w;
    };
    ScopedDynArray<Sums> sums;
    ScopedDynArray<u32> members, owner, order, pair, neighbours;
    sums.ResizeRaw(K);
    members.ResizeRaw(K);
    owner.ResizeRaw(N);
    order.ResizeRaw(K);
    pair.ResizeRaw(K * K);
    neighbours.ResizeRaw(K * K);
    memset(sums.data, 0, sizeof(Sums) * K);
    memset(members.data, 0, sizeof(u32) * K);

    auto add = [&](u32 i, u32 c, int sign) {
        u64 w = weights[i];
        const Rgb& col = colours[i];
        if (sign > 0) {
            sums[c].r += col.r * w;
            sums[c].g += col.g * w;
            sums[c].b += col.b * w;
            sums[c].w += w;
            ++members[c];
        } else {
            sums[c].r -= col.r * w;
            sums[c].g -= col.g * w;
            sums[c].b -= col.b * w;
            sums[c].w -= w;
            --members[c];
        }
        owner[i] = c;
    };

    {
        NearestSearch nearest;
        nearest.Build(centres.data, K);
        for (u32 i = 0; i < N; ++i) add(i, nearest.Find(colours[i]), 1);
    }

    for (u32 pass = 0; pass < kKMeansMaxPasses; ++pass) {
        // Give every empty centre a member taken from the fullest centres.
        for (u32 c = 0; c < K; ++c) order[c] = c;
        u32 seed = K;
        QuickSortByKey(seed, order.data, K, members.data);
        u32 walk = 0, donor = K;
        while (walk < K && members[order[walk]] == 0) {
            if (donor == 0) break;
            --donor;
            if (donor <= walk) break;  // no donors left: the rest stay empty
            u32 from = order[donor];
            if (members[from] <= 1) continue;
            u32 first = 0;
            while (owner[first] != from) ++first;
            add(first, from, -1);
            add(first, order[walk], 1);
            ++walk;
        }

        for (u32 c = 0; c < K; ++c) {
            u64 w = sums[c].w;
            if (!w) continue;
            centres[c] = {u8((sums[c].r + w / 2) / w), u8((sums[c].g + w / 2) / w), u8((sums[c].b + w / 2) / w)};
        }

        SortNeighbours(centres.data, K, pair.data, neighbours.data);

        bool moved = false;
        for (u32 i = 0; i < N; ++i) {
            u32 cur = owner[i];
            u32 d = Dist2(colours[i], centres[cur]);
            // As in NearestSearch::Find: a centre as near as the best lies within
            // sqrt(d) + sqrt(bestD) of the current one.
            double reach = std::sqrt(double(d));
            u64 limit = u64(d) * 4;
            u32 best = cur, bestD = d;
            const u32* list = neighbours.data + cur * K;
            for (u32 k = 1; k < K; ++k) {
                u32 c = list[k];
                if (pair[cur * K + c] > limit) {
                    if (k < kSortedNeighbours) break;
                    continue;
                }
                u32 dc = Dist2(colours[i], centres[c]);
                if (dc < bestD || (dc == bestD && best != cur && c < best)) {
                    bestD = dc;
                    best = c;
                    double r = reach + std::sqrt(double(dc));
                    limit = u64(r * r) + 1;
                }
            }
            if (best != cur) {
                add(i, cur, -1);
                add(i, best, 1);
                moved = true;
            }
        }
        if (!moved) break;
    }
}

namespace {

// One box of the bipartition: a range of the colour order and its best cut.
struct SplitBox {
    u32 begin, end;
    u32 axis, cut;  // the cut keeps axis values <= cut in the lower part
    double gain;    // squared error the cut removes; 0 when the box cannot be cut
};

// The cut of box b that removes the most squared error: for each axis, the sums per value of
// that channel, then every boundary between values present. Removing error means raising
// |S_low|^2 / W_low + |S_high|^2 / W_high, S the weighted colour sums and W the weights.
void BestCut(SplitBox& b, const Rgb* colours, const u32* weights)
{
    b.gain = 0;
    struct Sum {
        double w, r, g, bl;
    };
    Sum per[256];
    Sum whole = {0, 0, 0, 0};
    for (u32 i = b.begin; i < b.end; ++i) {
        double w = weights[i];
        whole.w += w;
        whole.r += w * colours[i].r;
        whole.g += w * colours[i].g;
        whole.bl += w * colours[i].b;
    }
    if (whole.w <= 0) return;
    double base = (whole.r * whole.r + whole.g * whole.g + whole.bl * whole.bl) / whole.w;
    for (u32 axis = 0; axis < 3; ++axis) {
        memset(per, 0, sizeof(per));
        u32 lo = 255, hi = 0;
        for (u32 i = b.begin; i < b.end; ++i) {
            const Rgb& c = colours[i];
            u32 v = axis == 0 ? c.r : (axis == 1 ? c.g : c.b);
            double w = weights[i];
            per[v].w += w;
            per[v].r += w * c.r;
            per[v].g += w * c.g;
            per[v].bl += w * c.b;
            if (v < lo) lo = v;
            if (v > hi) hi = v;
        }
        Sum low = {0, 0, 0, 0};
        for (u32 v = lo; v < hi; ++v) {
            if (per[v].w <= 0) continue;
            low.w += per[v].w;
            low.r += per[v].r;
            low.g += per[v].g;
            low.bl += per[v].bl;
            double hw = whole.w - low.w;
            if (hw <= 0) break;
            double hr = whole.r - low.r, hg = whole.g - low.g, hb = whole.bl - low.bl;
            double score = (low.r * low.r + low.g * low.g + low.bl * low.bl) / low.w +
                           (hr * hr + hg * hg + hb * hb) / hw - base;
            if (score > b.gain) {
                b.gain = score;
                b.axis = axis;
                b.cut = v;
            }
        }
    }
}

}  // namespace

u32 SplitPalette(DynArray<Rgb>& colours, DynArray<u32>& weights, Rgb* palette, u32 count)
{
    u32 K = count == 0 ? 1 : (count > 256 ? 256 : count);
    if (!colours.count) return 0;
    SplitBox boxes[256];
    boxes[0] = {0, colours.count, 0, 0, 0};
    BestCut(boxes[0], colours.data, weights.data);
    u32 n = 1;
    while (n < K) {
        u32 best = 0;
        for (u32 i = 1; i < n; ++i)
            if (boxes[i].gain > boxes[best].gain) best = i;
        SplitBox& b = boxes[best];
        if (b.gain <= 0) break;
        // Stable two-way partition of the box's range by the cut.
        u32 mid = b.begin;
        for (u32 i = b.begin; i < b.end; ++i) {
            const Rgb& c = colours[i];
            u32 v = b.axis == 0 ? c.r : (b.axis == 1 ? c.g : c.b);
            if (v > b.cut) continue;
            std::swap(colours[i], colours[mid]);
            std::swap(weights[i], weights[mid]);
            ++mid;
        }
        boxes[n] = {mid, b.end, 0, 0, 0};
        b.end = mid;
        BestCut(b, colours.data, weights.data);
        BestCut(boxes[n], colours.data, weights.data);
        ++n;
    }
    for (u32 k = 0; k < n; ++k) {
        u64 w = 0, r = 0, g = 0, bl = 0;
        for (u32 i = boxes[k].begin; i < boxes[k].end; ++i) {
            u64 wi = weights[i];
            w += wi;
            r += wi * colours[i].r;
            g += wi * colours[i].g;
            bl += wi * colours[i].b;
        }
        palette[k] = w ? Rgb{u8((r + w / 2) / w), u8((g + w / 2) / w), u8((bl + w / 2) / w)} : Rgb{0, 0, 0};
    }
    return n;
}

u32 GeneratePalette(ColorHistogram& histogram, Rgb* palette, u32 requested)
{
    const DynArray<ColorCount>& unique = UniqueColors(histogram);
    u32 n = requested < 256 ? requested : 256;
    if (unique.count < n) n = unique.count;
    if (n == 0) return 0;
    if (!histogram.cells.count && unique.count <= n) {
        // Every colour gets its own entry: the palette loses nothing.
        for (u32 i = 0; i < n; ++i) palette[i] = unique[i].colour;
        return n;
    }
    ScopedDynArray<Rgb> colours, centres;
    ScopedDynArray<u32> weights;
    colours.ResizeRaw(unique.count);
    weights.ResizeRaw(unique.count);
    for (u32 i = 0; i < unique.count; ++i) {
        colours[i] = unique[i].colour;
        weights[i] = unique[i].count;
    }
    u32 k = SplitPalette(colours, weights, palette, n);
    if (k == 0) return 0;
    centres.ResizeRaw(n);
    for (u32 i = 0; i < n; ++i) centres[i] = i < k ? palette[i] : Rgb{0, 0, 0};
    RefinePaletteKMeans(colours, weights, centres);
    memcpy(palette, centres.data, centres.count * sizeof(Rgb));
    return centres.count;
}

namespace {

// Largest step of red, green or blue between two pixels: below it a picture is smooth.
constexpr s32 kSmoothStep = 16;

inline s32 MaxChannelStep(const u8* a, const u8* b)
{
    s32 m = 0;
    for (int c = 0; c < 3; ++c) {
        s32 d = s32(a[c]) - b[c];
        if (d < 0) d = -d;
        if (d > m) m = d;
    }
    return m;
}

}  // namespace

u32 Image::Quantize(u32 target, const Rgb* palette, u32 count)
{
    return QuantizeFrom(*this, target, palette, count);
}

u32 Image::QuantizeFrom(const Image& source, u32 target, const Rgb* palette, u32 count)
{
    if (target != kImageIndexed && target != kImageAlphaIndex) return 0;
    if (!HasRgbaReading(source.format)) return 0;
    if (source.width && source.height && !source.pixels) return 0;
    if (count > 256) count = 256;
    // The palette may be this image's own, which is replaced below.
    Rgb pal[256] = {};
    if (palette && count) memcpy(pal, palette, count * sizeof(Rgb));
    u32 w = source.width, h = source.height;
    u64 bytes = ByteSizeFor(w, h, target);
    if (bytes == kBadImageSize) return 0;
    u8* out = static_cast<u8*>(malloc(size_t(bytes ? bytes : 1)));
    if (!out) return 0;
    Rgb* newPalette = nullptr;
    if (count) {
        newPalette = static_cast<Rgb*>(calloc(256, sizeof(Rgb)));
        if (!newPalette) {
            free(out);
            return 0;
        }
        memcpy(newPalette, pal, count * sizeof(Rgb));
    }

    // Neighbouring pixels of a photograph repeat colours often; a small exact cache of
    // colour -> nearest index saves most of the 256-entry searches.
    // Keys are 24-bit colours, so an all-ones key marks an empty slot.
    constexpr u32 kCacheBits = 14, kCacheSize = 1 << kCacheBits;
    ScopedDynArray<u32> cache;
    ScopedDynArray<u8> cachedIndex, scratch;
    // The error carried to the next row, one slot of three channels per column; the share
    // for the right neighbour and the next row's last three columns stay in locals.
    ScopedDynArray<s16> below;
    if (count) {
        cache.ResizeRaw(kCacheSize);
        cachedIndex.ResizeRaw(kCacheSize);
        memset(cache.data, 0xFF, kCacheSize * sizeof(u32));
        if (h > 1) {
            below.ResizeRaw(w * 3);
            memset(below.data, 0, size_t(w) * 3 * sizeof(s16));
        }
    }
    // Two rows of scratch: the row above is read too, for the edge test below.
    if (source.format != kImageRgb && source.format != kImageRgba) scratch.ResizeRaw(w * 8);
    const u8* up = nullptr;
    u32 upStride = 0;

    NearestSearch nearest;
    nearest.Build(pal, count);

    for (u32 y = 0; y < h; ++y) {
        u32 stride = 4;
        const u8* row = RowAsRgba(source, y, scratch.data ? scratch.data + (y & 1) * u64(w) * 4 : nullptr, &stride);
        const u8* above = up;
        u32 aboveStride = upStride;
        up = row;
        upStride = stride;
        u8* o = out + u64(y) * w * (target == kImageIndexed ? 1 : 2);
        if (!count) {
            for (u32 x = 0; x < w; ++x) {
                if (target == kImageIndexed) {
                    o[x] = 255;
                } else {
                    o[x * 2] = stride == 4 ? row[u64(x) * 4 + 3] : 255;
                    o[x * 2 + 1] = 255;
                }
            }
            continue;
        }
        bool lastRow = y + 1 == h;
        // Shares of the pixel to the left (right*), and of the next row's columns x - 1
        // and x gathered so far (prev*, cur*).
        s32 rightR = 0, rightG = 0, rightB = 0;
        s32 prevR = 0, prevG = 0, prevB = 0, curR = 0, curG = 0, curB = 0;
        s16* bl = below.data;
        for (u32 x = 0; x < w; ++x) {
            const u8* p = row + u64(x) * stride;
            s32 r = s32(p[0]) + rightR, g = s32(p[1]) + rightG, b = s32(p[2]) + rightB;
            if (bl) {
                r += bl[u64(x) * 3];
                g += bl[u64(x) * 3 + 1];
                b += bl[u64(x) * 3 + 2];
            }
            r = r < 0 ? 0 : (r > 255 ? 255 : r);
            g = g < 0 ? 0 : (g > 255 ? 255 : g);
            b = b < 0 ? 0 : (b > 255 ? 255 : b);
            u32 key = u32(r) | u32(g) << 8 | u32(b) << 16;
            u32 slot = (key * 2654435761u) >> (32 - kCacheBits);
            u32 index;
            if (cache[slot] == key) {
                index = cachedIndex[slot];
            } else {
                index = nearest.Find(Rgb{u8(r), u8(g), u8(b)});
                cache[slot] = key;
                cachedIndex[slot] = u8(index);
            }
            if (target == kImageIndexed) {
                o[x] = u8(index);
            } else {
                o[x * 2] = stride == 4 ? p[3] : 255;
                o[x * 2 + 1] = u8(index);
            }
            s32 er = r - pal[index].r, eg = g - pal[index].g, eb = b - pal[index].b;
            if (er | eg | eb) {
                // Across an edge of the picture itself, error moved on only adds noise to
                // the other side (halos, speckled outlines) and hides no banding, so less of
                // it goes: all of it where no channel steps by more than kSmoothStep from the
                // left or upper pixel, none from twice that.
                s32 step = MaxChannelStep(p, x ? p - stride : p);
                if (above) {
                    s32 s2 = MaxChannelStep(p, above + u64(x) * aboveStride);
                    if (s2 > step) step = s2;
                }
                if (step > kSmoothStep) {
                    s32 keep = step >= 2 * kSmoothStep ? 0 : 64 * (2 * kSmoothStep - step) / kSmoothStep;
                    er = er * keep / 64, eg = eg * keep / 64, eb = eb * keep / 64;
                }
            }
            bool more = x + 1 < w;
            if (!(er | eg | eb)) {
                // An exact match, common in flat areas: only the gathered shares move on.
                rightR = rightG = rightB = 0;
                if (!lastRow) {
                    if (x > 0) {
                        s16* q = bl + u64(x - 1) * 3;
                        q[0] = s16(prevR), q[1] = s16(prevG), q[2] = s16(prevB);
                    }
                    prevR = curR, prevG = curG, prevB = curB;
                    curR = curG = curB = 0;
                }
                continue;
            }
            rightR = more ? er * 21 / 64 : 0;
            rightG = more ? eg * 21 / 64 : 0;
            rightB = more ? eb * 21 / 64 : 0;
            if (lastRow) continue;
            if (x > 0) {
                // Column x - 1 of the next row has all its shares now; its slot was read for
                // this row one step ago.
                s16* q = bl + u64(x - 1) * 3;
                q[0] = s16(prevR + er * 9 / 64);
                q[1] = s16(prevG + eg * 9 / 64);
                q[2] = s16(prevB + eb * 9 / 64);
            }
            prevR = curR + er * 15 / 64, prevG = curG + eg * 15 / 64, prevB = curB + eb * 15 / 64;
            curR = more ? er * 3 / 64 : 0;
            curG = more ? eg * 3 / 64 : 0;
            curB = more ? eb * 3 / 64 : 0;
        }
        if (!lastRow && w) {
            s16* q = bl + u64(w - 1) * 3;
            q[0] = s16(prevR), q[1] = s16(prevG), q[2] = s16(prevB);
        }
    }
    bool self = &source == this;
    if (self) {
        free(pixels);
        free(this->palette);
    } else {
        Free();
    }
    width = w;
    height = h;
    pixels = out;
    this->palette = newPalette;
    paletteCount = count;
    format = target;
    checksum = 0;
    return 1;
}
