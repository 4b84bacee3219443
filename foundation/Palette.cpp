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

// Ascending sort of u32 values by two 16-bit counting passes (std::sort when the scratch
// buffer cannot be had or the run is short).
void SortU32Radix(u32* v, u32 n)
{
    if (n < 4096) {
        std::sort(v, v + n);
        return;
    }
    u32* tmp = static_cast<u32*>(malloc(size_t(n) * sizeof(u32)));
    u32* counts = static_cast<u32*>(calloc(2 * 65536, sizeof(u32)));
    if (!tmp || !counts) {
        free(tmp);
        free(counts);
        std::sort(v, v + n);
        return;
    }
    u32* lo = counts;
    u32* hi = counts + 65536;
    for (u32 i = 0; i < n; ++i) {
        ++lo[v[i] & 0xFFFF];
        ++hi[v[i] >> 16];
    }
    u32 sumLo = 0, sumHi = 0;
    for (u32 k = 0; k < 65536; ++k) {
        u32 a = lo[k], b = hi[k];
        lo[k] = sumLo;
        hi[k] = sumHi;
        sumLo += a;
        sumHi += b;
    }
    for (u32 i = 0; i < n; ++i) tmp[lo[v[i] & 0xFFFF]++] = v[i];
    for (u32 i = 0; i < n; ++i) v[hi[tmp[i] >> 16]++] = tmp[i];
    free(tmp);
    free(counts);
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
        for (u32 a = 0; a < K; ++a)
            for (u32 b = 0; b < K; ++b) pair[a * K + b] = Dist2(e[a], e[b]);
        for (u32 a = 0; a < K; ++a) {
            u32* list = order.data + a * K;
            for (u32 b = 0; b < K; ++b) list[b] = b;
            const u32* key = pair.data + a * K;
            // Index order on ties keeps the entry itself first.
            std::sort(list, list + K, [&](u32 x, u32 y) { return key[x] < key[y] || (key[x] == key[y] && x < y); });
        }
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
            if (dist[e] > limit) break;
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
    histogram.colors.Free();
    histogram.unique.Free();
    histogram.built = 0;
}

u32 CollectOpaqueColors(ColorHistogram& histogram, const Image& image)
{
    Image copy = {};
    if (!copy.CopyFrom(image, kImageRgba)) {
        copy.Free();
        return 0;
    }
    u64 n = u64(copy.width) * copy.height;
    u64 opaque = 0;
    for (u64 i = 0; i < n; ++i) opaque += copy.pixels[i * 4 + 3] != 0;
    u64 total = u64(histogram.colors.count) + opaque;
    if (total > 0xFFFFFFF0ull) {
        copy.Free();
        return 0;
    }
    u32 at = histogram.colors.count;
    histogram.colors.ResizeRaw(u32(total));
    for (u64 i = 0; i < n; ++i) {
        const u8* p = copy.pixels + i * 4;
        if (!p[3]) continue;
        histogram.colors[at++] = u32(p[0]) | u32(p[1]) << 8 | u32(p[2]) << 16 | u32(p[3]) << 24;
    }
    copy.Free();
    histogram.built = 0;
    return 1;
}

const DynArray<ColorCount>& UniqueColors(ColorHistogram& histogram)
{
    if (histogram.built) return histogram.unique;
    histogram.unique.Free();
    DynArray<u32>& c = histogram.colors;
    // Sorting plain unsigned values gives one result whatever the algorithm, so the fastest
    // one is used here; the seeded sort matters only where equal keys are distinguishable.
    SortU32Radix(c.data, c.count);
    u32 runs = 0;
    for (u32 i = 0; i < c.count; ++i)
        if (i == 0 || c[i] != c[i - 1]) ++runs;
    histogram.unique.ResizeRaw(runs);
    u32 k = 0;
    for (u32 i = 0; i < c.count;) {
        u32 j = i + 1;
        while (j < c.count && c[j] == c[i]) ++j;
        ColorCount& cc = histogram.unique[k++];
        cc.count = j - i;
        cc.colour = {u8(c[i]), u8(c[i] >> 8), u8(c[i] >> 16)};
        i = j;
    }
    u32 seed = runs;
    QuickSortPairs(seed, histogram.unique.data, runs);
    for (u32 i = 1; i < runs; ++i) {
        u32 cap = u32(double(histogram.unique[i - 1].count) * 1.5 + 1.0);
        if (histogram.unique[i].count > cap) histogram.unique[i].count = cap;
    }
    histogram.built = 1;
    return histogram.unique;
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

        for (u32 a = 0; a < K; ++a)
            for (u32 b = 0; b < K; ++b) pair[a * K + b] = Dist2(centres[a], centres[b]);
        for (u32 a = 0; a < K; ++a) {
            u32* list = neighbours.data + a * K;
            for (u32 b = 0; b < K; ++b) list[b] = b;
            u32 s = K;
            QuickSortByKey(s, list, K, pair.data + a * K);
        }

        bool moved = false;
        for (u32 i = 0; i < N; ++i) {
            u32 cur = owner[i];
            u32 d = Dist2(colours[i], centres[cur]);
            u64 limit = u64(d) * 4;
            u32 best = cur, bestD = d;
            const u32* list = neighbours.data + cur * K;
            for (u32 k = 1; k < K; ++k) {
                u32 c = list[k];
                if (pair[cur * K + c] >= limit) break;
                u32 dc = Dist2(colours[i], centres[c]);
                if (dc < bestD) {
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
    if (target != kImageIndexed && target != kImageAlphaIndex) return 0;
    if (count > 256) count = 256;
    // The palette may be this image's own, which the conversion below frees.
    Rgb pal[256] = {};
    if (palette && count) memcpy(pal, palette, count * sizeof(Rgb));
    if (format != kImageRgba && !ConvertTo(kImageRgba)) return 0;
    u64 bytes = ByteSizeFor(width, height, target);
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
    constexpr u32 kCacheSize = 1 << 14;
    u32* cache = static_cast<u32*>(malloc(kCacheSize * (sizeof(u32) + 1)));
    u8* cachedIndex = cache ? reinterpret_cast<u8*>(cache + kCacheSize) : nullptr;
    if (cache) memset(cache, 0xFF, kCacheSize * sizeof(u32));

    NearestSearch nearest;
    nearest.Build(pal, count);

    u32 w = width, h = height;
    u8* px = pixels;  // diffused error is written into the RGBA buffer, which is freed below
    for (u32 y = 0; y < h; ++y) {
        for (u32 x = 0; x < w; ++x) {
            u8* p = px + (u64(y) * w + x) * 4;
            u64 o = u64(y) * w + x;
            u32 index = 255;
            if (count) {
                u32 key = u32(p[0]) | u32(p[1]) << 8 | u32(p[2]) << 16;
                u32 slot = (key * 2654435761u) >> 18;
                if (cache && cache[slot] == key) {
                    index = cachedIndex[slot];
                } else {
                    index = nearest.Find(Rgb{p[0], p[1], p[2]});
                    if (cache) {
                        cache[slot] = key;
                        cachedIndex[slot] = u8(index);
                    }
                }
            }
            if (target == kImageIndexed) {
                out[o] = u8(index);
            } else {
                out[o * 2] = p[3];
                out[o * 2 + 1] = u8(index);
            }
            if (!count) continue;
            s32 e[3] = {s32(p[0]) - pal[index].r, s32(p[1]) - pal[index].g, s32(p[2]) - pal[index].b};
            if (!e[0] && !e[1] && !e[2]) continue;
            auto spread = [&](u32 nx, u32 ny, s32 weight) {
                u8* q = px + (u64(ny) * w + nx) * 4;
                for (int c = 0; c < 3; ++c) {
                    s32 v = s32(q[c]) + e[c] * weight / 64;
                    q[c] = u8(v < 0 ? 0 : (v > 255 ? 255 : v));
                }
            };
            if (x + 1 < w) spread(x + 1, y, 21);
            if (y + 1 < h) {
                if (x > 0) spread(x - 1, y + 1, 9);
                spread(x, y + 1, 15);
                if (x + 1 < w) spread(x + 1, y + 1, 3);
            }
        }
    }
    free(cache);
    free(pixels);
    free(this->palette);
    pixels = out;
    this->palette = newPalette;
    paletteCount = count;
    format = target;
    checksum = 0;
    return 1;
}
