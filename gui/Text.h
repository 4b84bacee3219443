#pragma once
// Fonts with their glyph textures, and drawing text. Needs the program's OpenGL context.
// Layout and measuring (no OpenGL) are in gui/core/Font.h.
#include "gui/core/Font.h"

// Reads the font file and packs its glyphs onto alpha texture pages (linear filtering). Null
// for a missing, short or bad file, or when the glyphs cannot all be placed; nothing is left
// allocated then.
Font* LoadFont(const char* path);
// Packs the glyphs of a font read with ReadFontFile onto texture pages and frees their
// coverage bytes. 0 when not every glyph could be placed.
int BuildFontTextures(Font* font);
// Draws the text in the rectangle in the current colour (TextFlags; 0x200 only measures) and
// answers the widest line. 0 without font, text or rectangle, for an empty rectangle, or
// for a font without pages.
s32 DrawText(const Font* font, const char* text, u32 style, u32 flags, const Rect* rect);
