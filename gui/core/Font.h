#pragma once
// Bitmap fonts: four styles of 224 glyphs (characters 32 to 255 of the program's 8-bit
// character set) with per-pair advances, the font file format, and text layout with the
// style markup "|p", "|b", "|i" and "|o": measuring, word wrap, alignment, tab stops and the
// character under a pixel offset.
//
// Reading, writing and layout need no OpenGL; LoadFont, FreeFont and DrawText (gui/Text.h)
// make and use the glyph textures.
#include <cstdio>
#include "foundation/DynArray.h"
#include "gui/core/Geometry.h"
#include "gui/core/TexturePack.h"

constexpr u32 kFontGlyphCount = 224;
constexpr u32 kFontStyleCount = 4;

enum FontStyle : u32 {
    kFontPlain = 0,   // "|p"
    kFontBold = 1,    // "|b"
    kFontItalic = 2,  // "|i"
    kFontOther = 3,   // "|o"
};

// Font header words.
enum : u32 {
    kFontAscent = 0,      // top of a line to its baseline
    kFontUnused = 1,
    kFontLineHeight = 2,
    kFontTabWidth = 3,    // tab stops, in spaces
};

enum TextFlags : u32 {
    kTextEnd = 0x1,          // internal: ends the layout
    kTextMultiLine = 0x4,    // lines below each other (otherwise they follow on one line)
    kTextWordWrap = 0x8,     // wrap at the rectangle's width (implies multi-line)
    kTextCenter = 0x10,      // centre each line
    kTextRight = 0x20,       // right-align each line
    kTextVCenter = 0x40,     // centre vertically by one line height
    kTextShadow = 0x100,     // one-pixel black shadow below right
    kTextMeasureOnly = 0x200,
};

// A glyph is a packer node (its coverage bytes are the pixels until packed) with its
// placement and the advances to each following character.
struct Glyph : PackNode {
    s32 xOffset;  // pen position to the bitmap's left edge
    s32 yOffset;  // baseline to the bitmap's top edge
    s8 advances[kFontGlyphCount];  // entry k: advance when followed by character 32 + k
};

struct FontStyleData {
    Glyph glyphs[kFontGlyphCount];
    u32 header[4];  // bit 0 of header[3]: the style is present
};

struct FontPage {
    u32 width, height;
    u32 texture;
    u8* pixels;  // while being filled
};

struct Font {
    u32 header[4];
    FontStyleData styles[kFontStyleCount];
    DynArray<FontPage> pages;
};

// A zero-filled font (no style present), null when out of memory.
Font* NewFont();
// Frees coverage bytes, pages (their textures through the pack texture deleter) and the font.
void FreeFont(Font* font);
// Reads the font file body (header, then per style 224 glyphs and the style header) from the
// stream. 0 on a short read, advance runs adding up past 224 entries, or coverage larger than
// what is left of the file; the font may then hold some coverage (FreeFont frees it).
int ReadFontBody(Font* font, FILE* file);
// Reads one glyph into a zeroed glyph. limit bounds its bytes (the rest of the file).
int ReadGlyph(Glyph* glyph, FILE* file, u64 limit);
// Reads a font file without making textures: null for a missing, short or bad file.
Font* ReadFontFile(const char* path);
// Writes the body in the file format (advance rows run-length coded). 0 when a write fails.
int WriteFontBody(const Font* font, FILE* file);
// Frees every glyph's coverage bytes.
void FreeGlyphBitmaps(Font* font);
// Whether the style is present.
int FontHasStyle(const Font* font, u32 style);

// Line height (0 for no font).
s32 GetFontHeight(const Font* font);
// The pen advance of character c followed by next at pen x (measured from the line's start).
// A tab advances to the next tab stop (a space's advance times the tab width); when that
// stop is not positive the tab advances 0. Characters below 32 advance 0.
s32 GetGlyphAdvance(const Font* font, u32 style, s32 x, u8 c, u8 next);
// Reads the character at *index, skipping style markers (which switch *style when the font
// has that style) and advancing *index. Answers the advance at pen x; the end of the text
// answers 0 with *c = 0 and leaves the index on it; line breaks (10, 13) advance 0; other
// characters below 32 except the tab read as a space.
s32 NextCharWithMarkup(const Font* font, const char* text, s32 x, u32* index, u32* style, u8* c, u8* next);
// Measures the line starting at start: answers 1 when it ended by a line break or by
// wrapping (0x8 in flags, at width), 0 at the end of the text. The line's width, the start
// of the next line and the style in force there are written to the out parameters.
int MeasureLine(const Font* font, const char* text, u32 flags, s32 width, u32 start, u32 style, s32* lineWidth,
                u32* nextStart, u32* nextStyle);
// Widest line of the text (line breaks start new lines); 0 for no font or text.
s32 MeasureTextWidth(const Font* font, const char* text, u32 style, u32 flags);
// (line height + 2) per line of the text wrapped to width; at least one line.
s32 MeasureTextHeight(const Font* font, const char* text, u32 style, u32 flags, s32 width);
// The character index under pixel offset x of a one-line text (markup counted in the index);
// the text's length past its end.
u32 TextIndexAtX(const Font* font, const char* text, s32 x);

// Called for each glyph to draw: its bitmap's top-left corner in the layout's coordinates.
typedef void (*GlyphSink)(void* context, const Glyph* glyph, s32 x, s32 y);
// Lays the text out in the rectangle as DrawText does and calls sink (optional) for every
// character above 32 that has a bitmap. Answers the widest line (its distance from the
// rectangle's left edge, alignment included); 0 without font or text or for an empty
// rectangle.
s32 LayoutText(const Font* font, const char* text, u32 style, u32 flags, const Rect& rect, GlyphSink sink,
               void* context);
