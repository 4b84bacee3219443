// Renders the program's bitmap font with FreeType: four styles (plain, bold, italic, bold
// italic) of the 224 characters 32 to 255 of the program's character set, looked up through
// the built-in charmap, with per-pair advances (kerning folded in).
//
// Glyph outlines are hinted by FreeType but filled by the scan converter below: FreeType's
// own rasteriser divides differently in 32- and 64-bit builds, and the font must come out
// the same from both.
//
// Usage: make_font <output> <pixel size> <plain> <bold> <italic> <bold italic>
// A face given as "shear:<file>" is that file slanted, for systems without oblique faces.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <algorithm>
#include <vector>

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include "foundation/SaveFile.h"
#include "gui/core/Charmap.h"
#include "gui/core/Font.h"

namespace {

// Tab stops every four spaces suit a proportional face in lists and text boxes.
const u32 kTabWidthInSpaces = 4;

s32 Round26(FT_Pos v) { return s32((v + 32) >> 6); }

s8 ClampAdvance(s32 v) { return s8(v < -128 ? -128 : v > 127 ? 127 : v); }

struct Face {
    FT_Face face = nullptr;
    FT_UInt index[kFontGlyphCount] = {};
};

int OpenFace(FT_Library lib, const char* spec, u32 pixelSize, Face* out)
{
    bool shear = strncmp(spec, "shear:", 6) == 0;
    const char* path = shear ? spec + 6 : spec;
    if (FT_New_Face(lib, path, 0, &out->face) != 0) {
        fprintf(stderr, "make_font: cannot open %s\n", path);
        return 0;
    }
    if (FT_Set_Pixel_Sizes(out->face, 0, pixelSize) != 0) return 0;
    if (shear) {
        FT_Matrix slant = {0x10000, 0x3800, 0, 0x10000};
        FT_Set_Transform(out->face, &slant, nullptr);
    }
    const u16* map = GetBuiltinCharmap();
    for (u32 k = 0; k < kFontGlyphCount; ++k) {
        // Control characters have no picture.
        u32 code = map[k];
        out->index[k] = code < 32 || code == 127 ? 0 : FT_Get_Char_Index(out->face, code);
    }
    return 1;
}

// Outline flattening and filling, all in integers. Coordinates are 26.6 pixels.
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
s64 DivRound(s64 num, s64 den)
{
    return num >= 0 ? (num + den / 2) / den : -((-num + den / 2) / den);
}

const int kCurveSteps = 8;

int MoveTo(const FT_Vector* to, void* user)
{
    Flattener* f = static_cast<Flattener*>(user);
    f->x = to->x;
    f->y = to->y;
    return 0;
}
int LineTo(const FT_Vector* to, void* user)
{
    static_cast<Flattener*>(user)->LineTo(to->x, to->y);
    return 0;
}
int ConicTo(const FT_Vector* c, const FT_Vector* to, void* user)
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
int CubicTo(const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user)
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

s64 FloorDiv(s64 a, s64 b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

// Fills the outline of the slot (non-zero winding) with 16 x 16 samples per pixel. The
// bitmap covers the outline's control box in whole pixels.
int FillOutline(FT_GlyphSlot slot, Glyph* g)
{
    FT_Outline& outline = slot->outline;
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
    g->width = u16(w);
    g->height = u16(h);
    g->xOffset = s32(left);
    g->yOffset = s32(-top);
    g->pixels = static_cast<u8*>(malloc(size_t(w * h)));
    if (!g->pixels) return 0;
    for (size_t i = 0; i < count.size(); ++i) g->pixels[i] = u8(count[i] >= 256 ? 255 : (count[i] * 255 + 128) / 256);
    return 1;
}

int RenderStyle(const Face& f, FontStyleData* style)
{
    FT_Face face = f.face;
    FT_Pos plainAdvance[kFontGlyphCount];  // 26.6
    for (u32 k = 0; k < kFontGlyphCount; ++k) {
        Glyph& g = style->glyphs[k];
        plainAdvance[k] = 0;
        FT_UInt index = f.index[k];
        if (!index) {
            // A character the face lacks takes the room of a space and shows nothing.
            if (k != 127 - 32 && f.index[0] && FT_Load_Glyph(face, f.index[0], FT_LOAD_TARGET_LIGHT) == 0)
                plainAdvance[k] = face->glyph->advance.x;
            continue;
        }
        if (FT_Load_Glyph(face, index, FT_LOAD_TARGET_LIGHT | FT_LOAD_NO_BITMAP) != 0) return 0;
        if (face->glyph->format != FT_GLYPH_FORMAT_OUTLINE) return 0;
        plainAdvance[k] = face->glyph->advance.x;
        if (!FillOutline(face->glyph, &g)) return 0;
    }
    bool kerning = FT_HAS_KERNING(face);
    for (u32 k = 0; k < kFontGlyphCount; ++k) {
        Glyph& g = style->glyphs[k];
        for (u32 n = 0; n < kFontGlyphCount; ++n) {
            FT_Pos advance = plainAdvance[k];
            // The unfitted kerning summed with the fitted advance, rounded once: the fitted
            // kerning is scaled down to nothing at small sizes.
            if (kerning && f.index[k] && f.index[n]) {
                FT_Vector kern = {0, 0};
                if (FT_Get_Kerning(face, f.index[k], f.index[n], FT_KERNING_UNFITTED, &kern) == 0)
                    advance += kern.x;
            }
            g.advances[n] = ClampAdvance(Round26(advance));
        }
    }
    style->header[3] = 1;
    return 1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 7) {
        fprintf(stderr, "usage: make_font <output> <pixel size> <plain> <bold> <italic> <bold italic>\n");
        return 2;
    }
    u32 pixelSize = u32(atoi(argv[2]));
    if (pixelSize < 6 || pixelSize > 64) {
        fprintf(stderr, "make_font: pixel size %s out of range\n", argv[2]);
        return 2;
    }
    FT_Library lib;
    if (FT_Init_FreeType(&lib) != 0) return 1;
    Font* font = NewFont();
    int ok = font != nullptr;
    s32 ascent = 0, descent = 0;
    for (u32 s = 0; ok && s < kFontStyleCount; ++s) {
        Face face;
        ok = OpenFace(lib, argv[3 + s], pixelSize, &face) && RenderStyle(face, &font->styles[s]);
        if (ok && s == 0) {
            ascent = Round26(face.face->size->metrics.ascender);
            descent = -Round26(face.face->size->metrics.descender);
        }
        if (face.face) FT_Done_Face(face.face);
    }
    if (ok) {
        font->header[kFontAscent] = u32(ascent);
        font->header[kFontLineHeight] = u32(ascent + descent);
        font->header[kFontTabWidth] = kTabWidthInSpaces;
        ok = font->styles[0].glyphs[0].advances[0] > 0;
        if (!ok) fprintf(stderr, "make_font: the space has no width\n");
    }
    SaveFile save;
    if (ok) ok = save.Begin(argv[1]) && WriteFontBody(font, save.Stream()) && save.Commit();
    if (!ok) fprintf(stderr, "make_font: cannot make %s\n", argv[1]);
    FreeFont(font);
    FT_Done_FreeType(lib);
    return ok ? 0 : 1;
}
