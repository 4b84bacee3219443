#pragma once
// Filling FreeType outlines in integer arithmetic for the resource generators. FreeType's own
// rasteriser divides differently in 32- and 64-bit builds; this one gives the same bytes in
// both. Coordinates are 26.6 pixels.
#include <algorithm>
#include <vector>

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include "foundation/Types.h"

namespace outline_fill {

struct Edge {
    s64 x0, y0, x1, y1;
};

struct Flattener {
    std::vector<Edge> edges;
    s64 x = 0, y = 0;
    void LineTo(s64 nx, s64 ny)
    {
        if (ny != y) edges.push_back({x, y, nx, ny});
        x = nx;
        y = ny;
    }
};

// Rounded division that treats negative numerators like positive ones.
inline s64 DivRound(s64 num, s64 den)
{
    return num >= 0 ? (num + den / 2) / den : -((-num + den / 2) / den);
}

const int kCurveSteps = 8;

inline int MoveTo(const FT_Vector* to, void* user)
{
    Flattener* f = static_cast<Flattener*>(user);
    f->x = to->x;
    f->y = to->y;
    return 0;
}
inline int LineTo(const FT_Vector* to, void* user)
{
    static_cast<Flattener*>(user)->LineTo(to->x, to->y);
    return 0;
}
inline int ConicTo(const FT_Vector* c, const FT_Vector* to, void* user)
{
    Flattener* f = static_cast<Flattener*>(user);
    s64 x0 = f->x, y0 = f->y;
    const s64 n = kCurveSteps;
    for (s64 i = 1; i <= n; ++i) {
        s64 a = (n - i) * (n - i), b = 2 * i * (n - i), d = i * i;
        f->LineTo(DivRound(a * x0 + b * c->x + d * to->x, n * n), DivRound(a * y0 + b * c->y + d * to->y, n * n));
    }
    return 0;
}
inline int CubicTo(const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user)
{
    Flattener* f = static_cast<Flattener*>(user);
    s64 x0 = f->x, y0 = f->y;
    const s64 n = kCurveSteps;
    for (s64 i = 1; i <= n; ++i) {
        s64 j = n - i;
        s64 a = j * j * j, b = 3 * i * j * j, c = 3 * i * i * j, d = i * i * i;
        f->LineTo(DivRound(a * x0 + b * c1->x + c * c2->x + d * to->x, n * n * n),
                  DivRound(a * y0 + b * c1->y + c * c2->y + d * to->y, n * n * n));
    }
    return 0;
}

inline s64 FloorDiv(s64 a, s64 b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

// The coverage of an outline: width x height bytes, rows from the top; left and top place
// the bitmap's top-left corner relative to the origin (top grows upwards, as in FreeType).
struct Coverage {
    s32 left, top;
    u32 width, height;
    std::vector<u8> alpha;
};

// Fills the outline (non-zero winding) with 16 x 16 samples per pixel over its control box
// in whole pixels. An empty outline gives an empty coverage. 0 when it cannot be walked or
// is larger than 1000 pixels a side.
inline int FillOutline(FT_Outline& outline, Coverage* out)
{
    *out = Coverage{0, 0, 0, 0, {}};
    if (outline.n_points == 0) return 1;
    Flattener f;
    FT_Outline_Funcs funcs = {MoveTo, LineTo, ConicTo, CubicTo, 0, 0};
    // Contours are closed by the decomposer.
    if (FT_Outline_Decompose(&outline, &funcs, &f) != 0) return 0;
    FT_BBox box;
    FT_Outline_Get_CBox(&outline, &box);
    s64 left = FloorDiv(box.xMin, 64), right = -FloorDiv(-box.xMax, 64);
    s64 bottom = FloorDiv(box.yMin, 64), top = -FloorDiv(-box.yMax, 64);
    s64 w = right - left, h = top - bottom;
    if (w > 1000 || h > 1000) return 0;
    if (w <= 0 || h <= 0) return 1;
    std::vector<u32> count(size_t(w * h), 0);
    struct Crossing {
        s64 x;
        int dir;
    };
    std::vector<Crossing> xs;
    // Samples sit at odd multiples of 1/32 pixel: 2 units of 26.6.
    for (s64 row = 0; row < h * 16; ++row) {
        s64 sy = (top * 64) - (row * 4 + 2);
        xs.clear();
        for (const Edge& e : f.edges) {
            s64 lo = std::min(e.y0, e.y1), hi = std::max(e.y0, e.y1);
            if (sy < lo || sy >= hi) continue;
            s64 x = e.x0 + FloorDiv((sy - e.y0) * (e.x1 - e.x0), e.y1 - e.y0);
            xs.push_back({x, e.y1 > e.y0 ? 1 : -1});
        }
        std::sort(xs.begin(), xs.end(), [](const Crossing& a, const Crossing& b) {
            return a.x != b.x ? a.x < b.x : a.dir < b.dir;
        });
        int winding = 0;
        for (size_t i = 0; i < xs.size(); ++i) {
            winding += xs[i].dir;
            if (winding == 0 || i + 1 >= xs.size()) continue;
            // Samples with x in [xs[i], xs[i+1]): sample k of the bitmap is at left*64 + 4k + 2.
            s64 first = -FloorDiv(-(xs[i].x - left * 64 - 2), 4);
            s64 last = -FloorDiv(-(xs[i + 1].x - left * 64 - 2), 4);  // exclusive
            first = std::max<s64>(first, 0);
            last = std::min<s64>(last, w * 16);
            u32* line = &count[size_t((row / 16) * w)];
            for (s64 k = first; k < last; ++k) line[k / 16]++;
        }
    }
    out->left = s32(left);
    out->top = s32(top);
    out->width = u32(w);
    out->height = u32(h);
    out->alpha.resize(count.size());
    for (size_t i = 0; i < count.size(); ++i) out->alpha[i] = u8(count[i] >= 256 ? 255 : (count[i] * 255 + 128) / 256);
    return 1;
}

}  // namespace outline_fill

using outline_fill::Coverage;
using outline_fill::FillOutline;
