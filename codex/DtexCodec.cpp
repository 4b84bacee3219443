#include "codex/DtexCodec.h"

#include <cstdlib>
#include <cstring>

namespace {

inline u32 Mask(u32 n) { return n >= 32 ? 0xFFFFFFFFu : (1u << n) - 1; }

inline u8 ZigZag(int diff)
{
    int r = s8(u8(diff));  // wrapped to -128..127
    return u8((2 * r) ^ (r < 0 ? -1 : 0));
}

inline int UnZigZag(u8 z)
{
    return (z & 1) ? -int((z + 1) >> 1) : int(z >> 1);
}

// Floor division by 8: the compilers this builds with shift negative values arithmetically.
static_assert((-9 >> 3) == -2 && (-1 >> 3) == -1, "arithmetic right shift");
inline int FloorDiv8(int v) { return v >> 3; }

// Chosen without branches: the comparisons follow the picture's noise and mispredict.
__attribute__((always_inline)) inline int WeightedMedian(int a, int b, int c)
{
    int lo = a < b ? a : b;
    int hi = a < b ? b : a;
    int towardHi = FloorDiv8(7 * hi + lo), towardLo = FloorDiv8(7 * lo + hi), gradient = a + b - c;
    // With a = b both ends give the same value, so the order of the tests does not matter.
    return c <= lo ? towardHi : (c >= hi ? towardLo : gradient);
}

// The three coded quantities of a pixel under a variant: the base channel and its two
// differences.
inline void Quantities(int variant, const u8* p, int q[3])
{
    int r = p[0], g = p[1], b = p[2];
    switch (variant) {
    case 0: q[0] = r; q[1] = r - b; q[2] = r - g; break;
    case 1: q[0] = g; q[1] = g - r; q[2] = g - b; break;
    default: q[0] = b; q[1] = b - g; q[2] = b - r; break;
    }
}

// Rebuilds R, G, B from the base channel and the two differences (all modulo 256).
inline void FromQuantities(int variant, const int q[3], u8* p)
{
    u8 base = u8(q[0]);
    u8 d1 = u8(q[1]), d2 = u8(q[2]);
    switch (variant) {
    case 0: p[0] = base; p[2] = u8(base - d1); p[1] = u8(base - d2); break;
    case 1: p[1] = base; p[0] = u8(base - d1); p[2] = u8(base - d2); break;
    default: p[2] = base; p[1] = u8(base - d1); p[0] = u8(base - d2); break;
    }
}

// The prediction of the three quantities of pixel (x, y) from already known pixels.
// Answers the variant the quantities are expressed in (the first row always uses 0).
int Predict(int variant, const u8* rgb, u32 width, u32 x, u32 y, int pred[3])
{
    const u8* cur = rgb + (size_t(y) * width + x) * 3;
    if (y == 0) {
        Quantities(0, cur - 3, pred);
        return 0;
    }
    if (x == 0) {
        Quantities(variant, cur - size_t(width) * 3, pred);
        return variant;
    }
    int a[3], b[3], c[3];
    Quantities(variant, cur - 3, a);
    Quantities(variant, cur - size_t(width) * 3, b);
    Quantities(variant, cur - size_t(width) * 3 - 3, c);
    for (int i = 0; i < 3; ++i) pred[i] = WeightedMedian(a[i], b[i], c[i]);
    return variant;
}

// The three variants differ only in which channel is the base, so one walk serves them all.
void PredictForward(int variant, const u8* rgb, u8* residuals, u32 width, u32 height)
{
    if (!width || !height) return;
    residuals[0] = rgb[0];
    residuals[1] = rgb[1];
    residuals[2] = rgb[2];
    for (u32 y = 0; y < height; ++y) {
        for (u32 x = (y == 0 ? 1 : 0); x < width; ++x) {
            int pred[3], actual[3];
            int v = Predict(variant, rgb, width, x, y, pred);
            size_t i = (size_t(y) * width + x) * 3;
            Quantities(v, rgb + i, actual);
            for (int c = 0; c < 3; ++c) residuals[i + c] = ZigZag(pred[c] - actual[c]);
        }
    }
}

void PredictInverse(int variant, const u8* residuals, u8* rgb, u32 width, u32 height)
{
    if (!width || !height) return;
    rgb[0] = residuals[0];
    rgb[1] = residuals[1];
    rgb[2] = residuals[2];
    for (u32 y = 0; y < height; ++y) {
        for (u32 x = (y == 0 ? 1 : 0); x < width; ++x) {
            int q[3];
            int v = Predict(variant, rgb, width, x, y, q);
            size_t i = (size_t(y) * width + x) * 3;
            for (int c = 0; c < 3; ++c) q[c] -= UnZigZag(residuals[i + c]);
            FromQuantities(v, q, rgb + i);
        }
    }
}

u32 BlocksAcross(u32 width) { return (width + 7) / 8; }
u32 BlocksDown(u32 height) { return (height + 7) / 8; }

}  // namespace

void BitWriterInit(DtexBitStream* s, u32* words, u32 capacityWords)
{
    memset(s, 0, sizeof *s);
    s->words = words;
    s->wordCount = capacityWords;
    s->bitsLeft = 32;
    if (capacityWords) memset(words, 0, size_t(capacityWords) * 4);
}

void BitWriterPut(DtexBitStream* s, u32 value, u32 n)
{
    if (n == 0) return;
    if (s->index >= s->wordCount) {
        s->overrun = true;
        return;
    }
    u32 r = s->bitsLeft;
    if (n < r) {
        s->words[s->index] |= (value & Mask(n)) << (r - n);
        s->bitsLeft = r - n;
        return;
    }
    s->words[s->index] |= value & Mask(r);
    u32 rest = n - r;
    ++s->index;
    s->bitsLeft = 32 - rest;
    if (rest) {
        if (s->index >= s->wordCount) {
            s->overrun = true;
            return;
        }
        s->words[s->index] |= ((value >> r) & Mask(rest)) << (32 - rest);
    }
}

u32 BitWriterFinish(DtexBitStream* s)
{
    // The partial word is already zero in its unused low bits; the zero word follows it.
    u32 used = s->index + (s->bitsLeft < 32 ? 1 : 0) + 1;
    if (used > s->wordCount) s->overrun = true;
    return used;
}

void BitReaderInit(DtexBitStream* s, const u32* words, u32 wordCount)
{
    memset(s, 0, sizeof *s);
    s->words = const_cast<u32*>(words);
    s->wordCount = wordCount;
    s->bitsLeft = 32;
}

u32 BitReaderGet(DtexBitStream* s, u32 n)
{
    if (n == 0) return 0;
    if (s->index >= s->wordCount) {
        s->overrun = true;
        return 0;
    }
    u32 r = s->bitsLeft;
    u32 cur = s->words[s->index];
    if (n < r) {
        s->bitsLeft = r - n;
        return (cur >> (r - n)) & Mask(n);
    }
    u32 low = cur & Mask(r);
    u32 rest = n - r;
    ++s->index;
    s->bitsLeft = 32 - rest;
    if (!rest) return low;
    if (s->index >= s->wordCount) {
        s->overrun = true;
        return 0;
    }
    u32 high = s->words[s->index] >> (32 - rest);
    return (high << r) | low;
}

void RiceEncode(DtexBitStream* s, u32 value, u32 k)
{
    if (k >= 7) return;
    u32 q = value >> k;
    while (q >= 32) {
        BitWriterPut(s, 0xFFFFFFFFu, 32);
        q -= 32;
    }
    if (q) BitWriterPut(s, Mask(q), q);
    BitWriterPut(s, 0, 1);
    BitWriterPut(s, value & Mask(k), k);
}

u32 RiceDecode(DtexBitStream* s, u32 k)
{
    if (k >= 7) return 0;
    u32 limit = 255u >> k;
    u32 q = 0;
    while (BitReaderGet(s, 1)) {
        if (s->overrun || ++q > limit) {
            s->overrun = true;
            return 0;
        }
    }
    return (q << k) | BitReaderGet(s, k);
}

void PredictForward0(const u8* rgb, u8* residuals, u32 width, u32 height)
{
    PredictForward(0, rgb, residuals, width, height);
}

void PredictForward1(const u8* rgb, u8* residuals, u32 width, u32 height)
{
    PredictForward(1, rgb, residuals, width, height);
}

void PredictForward2(const u8* rgb, u8* residuals, u32 width, u32 height)
{
    PredictForward(2, rgb, residuals, width, height);
}

void PredictInverse0(const u8* residuals, u8* rgb, u32 width, u32 height)
{
    PredictInverse(0, residuals, rgb, width, height);
}

void PredictInverse1(const u8* residuals, u8* rgb, u32 width, u32 height)
{
    PredictInverse(1, residuals, rgb, width, height);
}

void PredictInverse2(const u8* residuals, u8* rgb, u32 width, u32 height)
{
    PredictInverse(2, residuals, rgb, width, height);
}

u64 ChooseBlockRiceParams(u8* params, u32 blockRow, u32 width, u32 height, const u8* residuals)
{
    u64 rowCost = 0;
    u32 y0 = blockRow * 8, y1 = y0 + 8 < height ? y0 + 8 : height;
    for (u32 bx = 0; bx < BlocksAcross(width); ++bx) {
        u32 x0 = bx * 8, x1 = x0 + 8 < width ? x0 + 8 : width;
        for (int c = 0; c < 3; ++c) {
            // At most 64 values: summing over them is cheaper than over a 256-entry histogram.
            u8 values[64];
            u32 n = 0;
            bool allZero = true;
            for (u32 y = y0; y < y1; ++y)
                for (u32 x = x0; x < x1; ++x) {
                    u8 v = residuals[(size_t(y) * width + x) * 3 + c];
                    values[n++] = v;
                    allZero &= v == 0;
                }
            u8 bestK = 7;
            u64 best = 0;
            if (!allZero) {
                for (u32 k = 0; k <= 6; ++k) {
                    u64 cost = u64(n) * (k + 1);
                    for (u32 i = 0; i < n; ++i) cost += values[i] >> k;
                    if (k > 0 && cost > best) break;
                    bestK = u8(k);
                    best = cost;
                }
            }
            params[bx * 3 + c] = bestK;
            rowCost += best;
        }
    }
    return rowCost;
}

u32* CompressImage(const u8* rgb, u32 width, u32 height, u32* byteLength)
{
    *byteLength = 0;
    if (!rgb || width == 0 || height == 0 || width > kDtexMaxSide || height > kDtexMaxSide) return nullptr;
    size_t pixels = size_t(width) * height;
    u32 across = BlocksAcross(width), down = BlocksDown(height);
    u32 blocks = across * down;
    u8* residuals = static_cast<u8*>(malloc(pixels * 3));
    u8* params = static_cast<u8*>(malloc(size_t(blocks) * 3));
    if (!residuals || !params) {
        free(residuals);
        free(params);
        return nullptr;
    }

    int bestVariant = 0;
    u64 bestTotal = 0;
    for (int variant = 0; variant < 3; ++variant) {
        PredictForward(variant, rgb, residuals, width, height);
        u64 total = u64(blocks) * 9;
        for (u32 row = 0; row < down; ++row)
            total += ChooseBlockRiceParams(params + size_t(row) * across * 3, row, width, height, residuals);
        if (variant == 0 || total < bestTotal) {
            bestTotal = total;
            bestVariant = variant;
        }
    }
    PredictForward(bestVariant, rgb, residuals, width, height);
    for (u32 row = 0; row < down; ++row)
        ChooseBlockRiceParams(params + size_t(row) * across * 3, row, width, height, residuals);

    u64 length = 4 * ((bestTotal + 89) / 32);
    u32* words = nullptr;
    if (length <= 0xFFFFFFFFull) words = static_cast<u32*>(malloc(size_t(length)));
    if (!words) {
        free(residuals);
        free(params);
        return nullptr;
    }
    DtexBitStream s;
    BitWriterInit(&s, words, u32(length / 4));
    BitWriterPut(&s, (width << 14) | (height << 2) | u32(bestVariant), 26);
    for (u32 i = 0; i < blocks * 3; ++i) BitWriterPut(&s, params[i], 3);
    for (u32 y = 0; y < height; ++y) {
        const u8* rowParams = params + size_t(y / 8) * across * 3;
        for (u32 x = 0; x < width; ++x) {
            const u8* k = rowParams + (x / 8) * 3;
            const u8* r = residuals + (size_t(y) * width + x) * 3;
            for (int c = 0; c < 3; ++c) RiceEncode(&s, r[c], k[c]);
        }
    }
    u32 used = BitWriterFinish(&s);
    free(residuals);
    free(params);
    if (s.overrun || u64(used) * 4 != length) {
        // The cost model and the writer disagree: never hand out a stream that would not decode.
        free(words);
        return nullptr;
    }
    *byteLength = u32(length);
    return words;
}

namespace {

// The bit reader of BitReaderGet kept in registers, with the Rice prefix counted a word at a
// time. Every word index is checked before it is read, as there.
struct FastReader {
    const u32* words;
    u32 count;
    u32 index;
    u32 bitsLeft;
    bool overrun;

    __attribute__((always_inline)) inline u32 Get(u32 n)
    {
        if (n == 0) return 0;
        if (index >= count) {
            overrun = true;
            return 0;
        }
        u32 r = bitsLeft;
        u32 cur = words[index];
        if (n < r) {
            bitsLeft = r - n;
            return (cur >> (r - n)) & Mask(n);
        }
        u32 low = cur & Mask(r);
        u32 rest = n - r;
        ++index;
        bitsLeft = 32 - rest;
        if (!rest) return low;
        if (index >= count) {
            overrun = true;
            return 0;
        }
        return ((words[index] >> (32 - rest)) << r) | low;
    }

    __attribute__((always_inline)) inline u32 Rice(u32 k)
    {
        if (k >= 7) return 0;
        const u32 limit = 255u >> k;
        u32 q = 0;
        for (;;) {
            if (index >= count) {
                overrun = true;
                return 0;
            }
            u32 r = bitsLeft;
            u32 rem = r == 32 ? words[index] : words[index] << (32 - r);  // unread bits on top
            u32 zeros = ~rem;  // the bits below the unread ones are set, so this is 0 only when r = 32
            u32 ones = zeros ? u32(__builtin_clz(zeros)) : 32;
            if (ones < r) {
                q += ones;
                bitsLeft = r - ones - 1;
                if (bitsLeft == 0) {
                    ++index;
                    bitsLeft = 32;
                }
                break;
            }
            q += r;
            ++index;
            bitsLeft = 32;
            if (q > limit) break;
        }
        if (q > limit) {
            overrun = true;
            return 0;
        }
        return (q << k) | Get(k);
    }
};

// One row of PredictInverse under variant V (the first row is always variant 0), with the
// row's residuals.
template <int V>
__attribute__((noinline)) void InverseRow(const u8* res, u8* rgb, u32 width, u32 y)
{
    u8* row = rgb + size_t(y) * width * 3;
    u32 x = 0;
    if (y == 0) {
        row[0] = res[0];
        row[1] = res[1];
        row[2] = res[2];
        x = 1;
    }
    if (y == 0) {
        for (; x < width; ++x) {
            u8* cur = row + size_t(x) * 3;
            int q[3];
            Quantities(V, cur - 3, q);
            for (int i = 0; i < 3; ++i) q[i] -= UnZigZag(res[x * 3 + i]);
            FromQuantities(V, q, cur);
        }
        return;
    }
    const u8* above = row - size_t(width) * 3;
    int b[3], c[3];
    {
        int q[3];
        Quantities(V, above, q);
        for (int i = 0; i < 3; ++i) c[i] = q[i];  // the above-left of the next pixel
        for (int i = 0; i < 3; ++i) q[i] -= UnZigZag(res[i]);
        FromQuantities(V, q, row);
    }
    for (x = 1; x < width; ++x) {
        u8* cur = row + size_t(x) * 3;
        int a[3], q[3];
        Quantities(V, cur - 3, a);
        Quantities(V, above + size_t(x) * 3, b);
        q[0] = WeightedMedian(a[0], b[0], c[0]) - UnZigZag(res[x * 3]);
        q[1] = WeightedMedian(a[1], b[1], c[1]) - UnZigZag(res[x * 3 + 1]);
        q[2] = WeightedMedian(a[2], b[2], c[2]) - UnZigZag(res[x * 3 + 2]);
        FromQuantities(V, q, cur);
        c[0] = b[0];
        c[1] = b[1];
        c[2] = b[2];
    }
}

}  // namespace

u8* DecompressImage(u32* width, u32* height, const u32* words, u32 byteLength)
{
    *width = *height = 0;
    if (!words || byteLength < 4 || byteLength % 4) return nullptr;
    DtexBitStream s;
    BitReaderInit(&s, words, byteLength / 4);
    u32 header = BitReaderGet(&s, 26);
    u32 w = header >> 14, h = (header >> 2) & 0xFFF, variant = header & 3;
    if (w == 0 || h == 0 || variant == 3) return nullptr;
    u32 across = BlocksAcross(w), down = BlocksDown(h);
    u32 blocks = across * down;
    // Every block costs 9 bits of parameters: a stream too short for them is refused before
    // anything image-sized is allocated.
    if (u64(blocks) * 9 + 26 > u64(byteLength) * 8) return nullptr;
    u8* params = static_cast<u8*>(malloc(size_t(blocks) * 3));
    if (!params) return nullptr;
    for (u32 i = 0; i < blocks * 3; ++i) params[i] = u8(BitReaderGet(&s, 3));
    // One row of residuals at a time, turned into pixels while it is in the cache.
    u8* residuals = static_cast<u8*>(malloc(size_t(w) * 3));
    u8* rgb = static_cast<u8*>(malloc(size_t(w) * h * 3));
    if (!residuals || !rgb || s.overrun) {
        free(params);
        free(residuals);
        free(rgb);
        return nullptr;
    }
    FastReader f = {s.words, s.wordCount, s.index, s.bitsLeft, false};
    for (u32 y = 0; y < h && !f.overrun; ++y) {
        const u8* rowParams = params + size_t(y / 8) * across * 3;
        u8* r = residuals;
        for (u32 bx = 0; bx < across; ++bx) {
            const u32 k0 = rowParams[bx * 3], k1 = rowParams[bx * 3 + 1], k2 = rowParams[bx * 3 + 2];
            const u32 x1 = bx * 8 + 8 < w ? bx * 8 + 8 : w;
            for (u32 x = bx * 8; x < x1; ++x, r += 3) {
                r[0] = u8(f.Rice(k0));
                r[1] = u8(f.Rice(k1));
                r[2] = u8(f.Rice(k2));
            }
        }
        if (f.overrun) break;
        if (y == 0)
            InverseRow<0>(residuals, rgb, w, 0);
        else if (variant == 0)
            InverseRow<0>(residuals, rgb, w, y);
        else if (variant == 1)
            InverseRow<1>(residuals, rgb, w, y);
        else
            InverseRow<2>(residuals, rgb, w, y);
    }
    free(params);
    free(residuals);
    if (f.overrun) {
        free(rgb);
        return nullptr;
    }
    *width = w;
    *height = h;
    return rgb;
}

u32 WriteCompressedImage(const u8* rgb, u32 width, u32 height, FILE* f)
{
    u32 length = 0;
    u32* words = CompressImage(rgb, width, height, &length);
    if (!words) return 0;
    u8* bytes = static_cast<u8*>(malloc(size_t(length) + 4));
    if (!bytes) {
        free(words);
        return 0;
    }
    for (int i = 0; i < 4; ++i) bytes[i] = u8(length >> (8 * i));
    for (u32 w = 0; w < length / 4; ++w)
        for (int i = 0; i < 4; ++i) bytes[4 + w * 4 + i] = u8(words[w] >> (8 * i));
    bool ok = fwrite(bytes, size_t(length) + 4, 1, f) == 1;
    free(bytes);
    free(words);
    return ok ? length + 4 : 0;
}

u32 ReadCompressedImage(u8** rgb, u32* width, u32* height, FILE* f, u64 maxBytes)
{
    *rgb = nullptr;
    *width = *height = 0;
    u8 lenBytes[4];
    if (maxBytes < 4 || fread(lenBytes, 4, 1, f) != 1) return 0;
    u32 length = u32(lenBytes[0]) | u32(lenBytes[1]) << 8 | u32(lenBytes[2]) << 16 | u32(lenBytes[3]) << 24;
    if (length == 0 || length % 4 || u64(length) + 4 > maxBytes) return 0;
    u32* words = static_cast<u32*>(malloc(length));
    if (!words) return 0;
    if (fread(words, length, 1, f) != 1) {
        free(words);
        return 0;
    }
    const u8* b = reinterpret_cast<const u8*>(words);
    for (u32 w = 0; w < length / 4; ++w) {
        const u8* p = b + size_t(w) * 4;
        words[w] = u32(p[0]) | u32(p[1]) << 8 | u32(p[2]) << 16 | u32(p[3]) << 24;
    }
    *rgb = DecompressImage(width, height, words, length);
    free(words);
    return *rgb ? length + 4 : 0;
}
