#include "foundation/Palette.h"

#include <algorithm>
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
        for (u32 cell = 0; cell < kGrid * kGrid * kGrid; ++cell) {
            Rgb c = {u8((cell >> 8) * 16 + 8), u8(((cell >> 4) & 15) * 16 + 8), u8((cell & 15) * 16 + 8)};
            u32 best = 0, bestD = Dist2(c, e[0]);
            for (u32 i = 1; i < K; ++i) {
                u32 d = Dist2(c, e[i]);
                if (d < bestD) bestD = d, best = i;
            }
            grid[cell] = u8(best);
        }
    }

    u32 Find(const Rgb& c) const
    {
        u32 guess = grid[(c.r >> 4) << 8 | (c.g >> 4) << 4 | (c.b >> 4)];
        u32 best = guess, bestD = Dist2(c, entries[guess]);
        u64 limit = u64(bestD) * 4;
        const u32* list = order.data + guess * K;
        const u32* dist = pair.data + guess * K;
        for (u32 k = 1; k < K; ++k) {
            u32 e = list[k];
            if (dist[e] > limit) {
                if (k < kSortedNeighbours) break;
                continue;
            }
            u32 d = Dist2(c, entries[e]);
            if (d < bestD || (d == bestD && e < best)) bestD = d, best = e;
        }
        return best;
    }

private:
    static constexpr u32 kGrid = 16;
    u32 K;
    const Rgb* entries;
    ScopedDynArray<u32> pair, order;
    u8 grid[kGrid * kGrid * kGrid];
};

// Wu moment tables: cumulative sums over 33 x 33 x 33 cells. Integer moments are 64-bit and
// the squared moment double, so images of tens of millions of bright pixels cannot wrap.
constexpr int kSide = 33;
constexpr int kCells = kSide * kSide * kSide;

struct WuTables {
    s64 wt[kCells], mr[kCells], mg[kCells], mb[kCells];
    double m2[kCells];
};

struct WuBox {
    int r0, r1, g0, g1, b0, b1, vol;
};

inline int Cell(int r, int g, int b)
{
    return (r * kSide + g) * kSide + b;
}

template <typename T>
T Vol(const WuBox& c, const T* m)
{
    return m[Cell(c.r1, c.g1, c.b1)] - m[Cell(c.r1, c.g1, c.b0)] - m[Cell(c.r1, c.g0, c.b1)] +
           m[Cell(c.r1, c.g0, c.b0)] - m[Cell(c.r0, c.g1, c.b1)] + m[Cell(c.r0, c.g1, c.b0)] +
           m[Cell(c.r0, c.g0, c.b1)] - m[Cell(c.r0, c.g0, c.b0)];
}

// Sum over the box with its upper bound on `axis` replaced by `pos`.
template <typename T>
T Top(const WuBox& c, int axis, int pos, const T* m)
{
    WuBox b = c;
    if (axis == 0) b.r1 = pos;
    else if (axis == 1) b.g1 = pos;
    else b.b1 = pos;
    return Vol(b, m);
}

double Var(const WuBox& c, const WuTables& t)
{
    double dr = double(Vol(c, t.mr)), dg = double(Vol(c, t.mg)), db = double(Vol(c, t.mb));
    double w = double(Vol(c, t.wt));
    if (w <= 0) return 0;
    return Vol(c, t.m2) - (dr * dr + dg * dg + db * db) / w;
}

double Maximize(const WuBox& c, int axis, int first, int last, int* cut, s64 wholeR, s64 wholeG, s64 wholeB,
                s64 wholeW, const WuTables& t)
{
    double best = 0;
    *cut = -1;
    for (int i = first; i < last; ++i) {
        s64 hr = Top(c, axis, i, t.mr), hg = Top(c, axis, i, t.mg), hb = Top(c, axis, i, t.mb);
        s64 hw = Top(c, axis, i, t.wt);
        if (hw == 0) continue;
        double score = (double(hr) * hr + double(hg) * hg + double(hb) * hb) / double(hw);
        s64 ur = wholeR - hr, ug = wholeG - hg, ub = wholeB - hb, uw = wholeW - hw;
        if (uw == 0) continue;
        score += (double(ur) * ur + double(ug) * ug + double(ub) * ub) / double(uw);
        if (score > best) {
            best = score;
            *cut = i;
        }
    }
    return best;
}

int CutBox(WuBox& a, WuBox& b, const WuTables& t)
{
    s64 wr = Vol(a, t.mr), wg = Vol(a, t.mg), wb = Vol(a, t.mb), ww = Vol(a, t.wt);
    int cutr, cutg, cutb;
    double maxr = Maximize(a, 0, a.r0 + 1, a.r1, &cutr, wr, wg, wb, ww, t);
    double maxg = Maximize(a, 1, a.g0 + 1, a.g1, &cutg, wr, wg, wb, ww, t);
    double maxb = Maximize(a, 2, a.b0 + 1, a.b1, &cutb, wr, wg, wb, ww, t);
    int axis;
    if (maxr >= maxg && maxr >= maxb) {
        axis = 0;
        if (cutr < 0) return 0;
    } else if (maxg >= maxr && maxg >= maxb) {
        axis = 1;
    } else {
        axis = 2;
    }
    b.r1 = a.r1;
    b.g1 = a.g1;
    b.b1 = a.b1;
    if (axis == 0) {
        b.r0 = a.r1 = cutr;
        b.g0 = a.g0;
        b.b0 = a.b0;
    } else if (axis == 1) {
        b.g0 = a.g1 = cutg;
        b.r0 = a.r0;
        b.b0 = a.b0;
    } else {
        b.b0 = a.b1 = cutb;
        b.r0 = a.r0;
        b.g0 = a.g0;
    }
    a.vol = (a.r1 - a.r0) * (a.g1 - a.g0) * (a.b1 - a.b0);
    b.vol = (b.r1 - b.r0) * (b.g1 - b.g0) * (b.b1 - b.b0);
    return 1;
}

template <typename T>
void Accumulate(T* m)
{
    // Running sums along each axis in turn give the 3D cumulative table.
    for (int r = 1; r < kSide; ++r)
        for (int g = 1; g < kSide; ++g)
            for (int b = 2; b < kSide; ++b) m[Cell(r, g, b)] += m[Cell(r, g, b - 1)];
    for (int r = 1; r < kSide; ++r)
        for (int g = 2; g < kSide; ++g)
            for (int b = 1; b < kSide; ++b) m[Cell(r, g, b)] += m[Cell(r, g - 1, b)];
    for (int r = 2; r < kSide; ++r)
        for (int g = 1; g < kSide; ++g)
            for (int b = 1; b < kSide; ++b) m[Cell(r, g, b)] += m[Cell(r - 1, g, b)];
}

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

u32 WuQuantize(ColorHistogram& histogram, Rgb* palette, u32 count)
{
    u32 K = count == 0 ? 1 : (count > 256 ? 256 : count);
    const DynArray<ColorCount>& unique = UniqueColors(histogram);
    // About 1.4 MB: too much for the stack of every thread the program might run on.
    WuTables* t = static_cast<WuTables*>(calloc(1, sizeof(WuTables)));
    if (!t) return 0;
    for (const ColorCount& cc : unique) {
        int i = Cell((cc.colour.r >> 3) + 1, (cc.colour.g >> 3) + 1, (cc.colour.b >> 3) + 1);
        s64 w = cc.count;
        t->wt[i] += w;
        t->mr[i] += w * cc.colour.r;
        t->mg[i] += w * cc.colour.g;
        t->mb[i] += w * cc.colour.b;
        t->m2[i] += double(w) * (s32(cc.colour.r) * cc.colour.r + s32(cc.colour.g) * cc.colour.g +
                                 s32(cc.colour.b) * cc.colour.b);
    }
    Accumulate(t->wt);
    Accumulate(t->mr);
    Accumulate(t->mg);
    Accumulate(t->mb);
    Accumulate(t->m2);

    WuBox boxes[256];
    double vv[256] = {};
    boxes[0] = {0, 32, 0, 32, 0, 32, 32 * 32 * 32};
    int next = 0;
    for (int i = 1; i < int(K); ++i) {
        if (CutBox(boxes[next], boxes[i], *t)) {
            vv[next] = boxes[next].vol > 1 ? Var(boxes[next], *t) : 0;
            vv[i] = boxes[i].vol > 1 ? Var(boxes[i], *t) : 0;
        } else {
            vv[next] = 0;
            --i;
        }
        next = 0;
        double best = vv[0];
        for (int k = 1; k <= i; ++k)
            if (vv[k] > best) {
                best = vv[k];
                next = k;
            }
        if (best <= 0) {
            K = u32(i + 1);
            break;
        }
    }
    for (u32 k = 0; k < K; ++k) {
        s64 w = Vol(boxes[k], t->wt);
        if (w <= 0) {
            palette[k] = {0, 0, 0};
            continue;
        }
        s64 ch[3] = {Vol(boxes[k], t->mr) / w, Vol(boxes[k], t->mg) / w, Vol(boxes[k], t->mb) / w};
        for (s64& v : ch) v = v < 0 ? 0 : (v > 255 ? 255 : v);
        palette[k] = {u8(ch[0]), u8(ch[1]), u8(ch[2])};
    }
    free(t);
    return K;
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
            u64 limit = u64(d) * 4;
            u32 best = cur, bestD = d;
            const u32* list = neighbours.data + cur * K;
            for (u32 k = 1; k < K; ++k) {
                u32 c = list[k];
                if (pair[cur * K + c] >= limit) {
                    if (k < kSortedNeighbours) break;
                    continue;
                }
                u32 dc = Dist2(colours[i], centres[c]);
                if (dc < bestD || (dc == bestD && best != cur && c < best)) {
                    bestD = dc;
                    best = c;
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
    u32 k = WuQuantize(histogram, palette, n);
    if (k == 0) return 0;
    ScopedDynArray<Rgb> colours, centres;
    ScopedDynArray<u32> weights;
    colours.ResizeRaw(unique.count);
    weights.ResizeRaw(unique.count);
    for (u32 i = 0; i < unique.count; ++i) {
        colours[i] = unique[i].colour;
        weights[i] = unique[i].count;
    }
    centres.ResizeRaw(n);
    for (u32 i = 0; i < n; ++i) centres[i] = i < k ? palette[i] : Rgb{0, 0, 0};
    RefinePaletteKMeans(colours, weights, centres);
    memcpy(palette, centres.data, centres.count * sizeof(Rgb));
    return centres.count;
}

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
    if (source.format != kImageRgb && source.format != kImageRgba) scratch.ResizeRaw(w * 4);

    NearestSearch nearest;
    nearest.Build(pal, count);

    for (u32 y = 0; y < h; ++y) {
        u32 stride = 4;
        const u8* row = RowAsRgba(source, y, scratch.data, &stride);
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
        s32 right[3] = {0, 0, 0};      // share of the pixel to the left
        s32 accPrev[3] = {0, 0, 0};    // next row, column x - 1, so far
        s32 accCur[3] = {0, 0, 0};     // next row, column x, so far
        for (u32 x = 0; x < w; ++x) {
            const u8* p = row + u64(x) * stride;
            s16* in = below.data ? below.data + u64(x) * 3 : nullptr;
            s32 v[3];
            for (int c = 0; c < 3; ++c) {
                s32 t = s32(p[c]) + right[c] + (in ? in[c] : 0);
                v[c] = t < 0 ? 0 : (t > 255 ? 255 : t);
            }
            u32 key = u32(v[0]) | u32(v[1]) << 8 | u32(v[2]) << 16;
            u32 slot = (key * 2654435761u) >> (32 - kCacheBits);
            u32 index;
            if (cache[slot] == key) {
                index = cachedIndex[slot];
            } else {
                index = nearest.Find(Rgb{u8(v[0]), u8(v[1]), u8(v[2])});
                cache[slot] = key;
                cachedIndex[slot] = u8(index);
            }
            if (target == kImageIndexed) {
                o[x] = u8(index);
            } else {
                o[x * 2] = stride == 4 ? p[3] : 255;
                o[x * 2 + 1] = u8(index);
            }
            s32 e[3] = {v[0] - pal[index].r, v[1] - pal[index].g, v[2] - pal[index].b};
            bool more = x + 1 < w;
            for (int c = 0; c < 3; ++c) {
                right[c] = more ? e[c] * 21 / 64 : 0;
                if (lastRow) continue;
                if (x > 0) {
                    accPrev[c] += e[c] * 9 / 64;
                    // Column x - 1 of the next row has all its shares now; its slot was read
                    // for this row one step ago.
                    below[u64(x - 1) * 3 + c] = s16(accPrev[c]);
                }
                accPrev[c] = accCur[c] + e[c] * 15 / 64;
                accCur[c] = more ? e[c] * 3 / 64 : 0;
            }
        }
        if (!lastRow && w)
            for (int c = 0; c < 3; ++c) below[u64(w - 1) * 3 + c] = s16(accPrev[c]);
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
