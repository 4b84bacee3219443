#pragma once
// A small RGBA drawing surface for the resource generators. Everything is integer arithmetic
// (shapes are anti-aliased by counting 4 x 4 sub-samples), so the same picture comes out of
// every build, 32- or 64-bit. Alpha is straight (not premultiplied).
#include <cstdint>
#include <vector>

struct Rgba {
    uint8_t r, g, b, a;
};

inline Rgba Mix(Rgba a, Rgba b, int num, int den)
{
    auto m = [&](int x, int y) { return uint8_t(x + (y - x) * num / den); };
    return {m(a.r, b.r), m(a.g, b.g), m(a.b, b.b), m(a.a, b.a)};
}

inline Rgba WithAlpha(Rgba c, int a) { return {c.r, c.g, c.b, uint8_t(a)}; }

class Canvas {
public:
    Canvas(int width, int height) : w(width), h(height), px(size_t(width) * height * 4, 0) {}

    int Width() const { return w; }
    int Height() const { return h; }
    const uint8_t* Pixels() const { return px.data(); }

    Rgba Get(int x, int y) const
    {
        const uint8_t* p = &px[(size_t(y) * w + x) * 4];
        return {p[0], p[1], p[2], p[3]};
    }
    void Set(int x, int y, Rgba c)
    {
        if (x < 0 || y < 0 || x >= w || y >= h) return;
        uint8_t* p = &px[(size_t(y) * w + x) * 4];
        p[0] = c.r;
        p[1] = c.g;
        p[2] = c.b;
        p[3] = c.a;
    }
    // Straight-alpha "over" with a coverage of 0..16.
    void Blend(int x, int y, Rgba c, int coverage = 16)
    {
        if (x < 0 || y < 0 || x >= w || y >= h || coverage <= 0) return;
        int sa = c.a * coverage / 16;
        Rgba d = Get(x, y);
        int da = d.a * (255 - sa) / 255;
        int oa = sa + da;
        if (oa == 0) {
            Set(x, y, {0, 0, 0, 0});
            return;
        }
        auto ch = [&](int s, int t) { return uint8_t((s * sa + t * da + oa / 2) / oa); };
        Set(x, y, {ch(c.r, d.r), ch(c.g, d.g), ch(c.b, d.b), uint8_t(oa)});
    }
    void Fill(Rgba c)
    {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) Set(x, y, c);
    }
    void FillRect(int x0, int y0, int x1, int y1, Rgba c)
    {
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) Set(x, y, c);
    }
    void BlendRect(int x0, int y0, int x1, int y1, Rgba c)
    {
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) Blend(x, y, c);
    }
    // Rows from top colour to bottom colour over [y0, y1).
    void VGradient(int x0, int y0, int x1, int y1, Rgba top, Rgba bottom)
    {
        int n = y1 - y0 > 1 ? y1 - y0 - 1 : 1;
        for (int y = y0; y < y1; ++y) FillRect(x0, y, x1, y + 1, Mix(top, bottom, y - y0, n));
    }
    // One-pixel outline of [x0, x1) x [y0, y1).
    void Frame(int x0, int y0, int x1, int y1, Rgba c)
    {
        FillRect(x0, y0, x1, y0 + 1, c);
        FillRect(x0, y1 - 1, x1, y1, c);
        FillRect(x0, y0, x0 + 1, y1, c);
        FillRect(x1 - 1, y0, x1, y1, c);
    }
    // Coordinates of polygons, lines and circles are in 1/8 pixel.
    // Convex polygon (either winding), anti-aliased.
    void Polygon(const std::vector<int>& xy8, Rgba c)
    {
        size_t n = xy8.size() / 2;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                int cover = 0;
                for (int sy = 0; sy < 4; ++sy)
                    for (int sx = 0; sx < 4; ++sx) {
                        long long qx = x * 8 + sx * 2 + 1, qy = y * 8 + sy * 2 + 1;
                        int sign = 0;
                        bool inside = true;
                        for (size_t i = 0; i < n && inside; ++i) {
                            long long ax = xy8[2 * i], ay = xy8[2 * i + 1];
                            long long bx = xy8[2 * ((i + 1) % n)], by = xy8[2 * ((i + 1) % n) + 1];
                            long long cross = (bx - ax) * (qy - ay) - (by - ay) * (qx - ax);
                            int s = cross > 0 ? 1 : cross < 0 ? -1 : 0;
                            if (s == 0) continue;
                            if (sign == 0) sign = s;
                            if (s != sign) inside = false;
                        }
                        if (inside) ++cover;
                    }
                Blend(x, y, c, cover);
            }
    }
    // Thick line segment with square ends, width in 1/8 pixel.
    void Line(int x0, int y0, int x1, int y1, int width8, Rgba c)
    {
        long long dx = x1 - x0, dy = y1 - y0;
        long long len2 = dx * dx + dy * dy;
        long long half = width8 / 2;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                int cover = 0;
                for (int sy = 0; sy < 4; ++sy)
                    for (int sx = 0; sx < 4; ++sx) {
                        long long qx = x * 8 + sx * 2 + 1 - x0, qy = y * 8 + sy * 2 + 1 - y0;
                        if (len2 == 0) {
                            if (qx * qx + qy * qy <= half * half) ++cover;
                            continue;
                        }
                        long long along = qx * dx + qy * dy;        // projection x len
                        long long across = qx * dy - qy * dx;       // distance x len
                        if (along < -half * Root(len2) || along > len2 + half * Root(len2)) continue;
                        if (across * across <= half * half * len2) ++cover;
                    }
                Blend(x, y, c, cover);
            }
    }
    // Ring (or disc when inner is 0) around (cx, cy), radii in 1/8 pixel.
    void Ring(int cx, int cy, int outer, int inner, Rgba c)
    {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                int cover = 0;
                for (int sy = 0; sy < 4; ++sy)
                    for (int sx = 0; sx < 4; ++sx) {
                        long long qx = x * 8 + sx * 2 + 1 - cx, qy = y * 8 + sy * 2 + 1 - cy;
                        long long d2 = qx * qx + qy * qy;
                        if (d2 <= (long long)outer * outer && d2 >= (long long)inner * inner) ++cover;
                    }
                Blend(x, y, c, cover);
            }
    }
    // Copies another canvas in at (x, y), blending.
    void Draw(const Canvas& o, int x, int y)
    {
        for (int j = 0; j < o.h; ++j)
            for (int i = 0; i < o.w; ++i) Blend(x + i, y + j, o.Get(i, j));
    }
    // Multiplies every colour by num / den (alpha kept).
    void Shade(int num, int den)
    {
        for (size_t i = 0; i < px.size(); i += 4)
            for (int k = 0; k < 3; ++k) {
                int v = px[i + k] * num / den;
                px[i + k] = uint8_t(v > 255 ? 255 : v);
            }
    }
    // Mirror copies.
    Canvas FlipX() const
    {
        Canvas o(w, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) o.Set(w - 1 - x, y, Get(x, y));
        return o;
    }
    Canvas FlipY() const
    {
        Canvas o(w, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) o.Set(x, h - 1 - y, Get(x, y));
        return o;
    }

private:
    static long long Root(long long v)
    {
        long long r = 0;
        while ((r + 1) * (r + 1) <= v) ++r;
        return r;
    }
    int w, h;
    std::vector<uint8_t> px;
};
