// Renders the program's bitmap font with FreeType: four styles (plain, bold, italic, bold
// italic) of the 224 characters 32 to 255 of the program's character set, looked up through
// the built-in charmap, with per-pair advances (kerning folded in).
//
// Glyph outlines are hinted by FreeType but filled by tools/OutlineFill.h, so that the font
// comes out the same from 32- and 64-bit builds.
//
// Usage: make_font <output> <pixel size> <plain> <bold> <italic> <bold italic>
// A face given as "shear:<file>" is that file slanted, for systems without oblique faces.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <ft2build.h>
#include FT_FREETYPE_H

#include "foundation/SaveFile.h"
#include "gui/core/Charmap.h"
#include "gui/core/Font.h"
#include "tools/OutlineFill.h"

namespace {

// Tab stops every four spaces suit a proportional face in lists and text boxes.
const u32 kTabWidthInSpaces = 4;

s32 Round26(FT_Pos v) { return s32((v + 32) >> 6); }

s8 ClampAdvance(s32 v) { return s8(v < -128 ? -128 : v > 127 ? 127 : v); }

struct Face {
    FT_Face face = nullptr;
    FT_UInt index[kFontGlyphCount] = {};
};

int OpenFace(FT_Library lib, const char* argument, u32 pixelSize, Face* out)
{
    bool shear = strncmp(argument, "shear:", 6) == 0;
    const char* path = shear ? argument + 6 : argument;
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

int FillGlyph(FT_GlyphSlot slot, Glyph* g)
{
    Coverage c;
    if (!FillOutline(slot->outline, &c)) return 0;
    if (c.width == 0 || c.height == 0) return 1;
    g->width = u16(c.width);
    g->height = u16(c.height);
    g->xOffset = c.left;
    g->yOffset = -c.top;
    g->pixels = static_cast<u8*>(malloc(c.alpha.size()));
    if (!g->pixels) return 0;
    memcpy(g->pixels, c.alpha.data(), c.alpha.size());
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
        if (!FillGlyph(face->glyph, &g)) return 0;
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
