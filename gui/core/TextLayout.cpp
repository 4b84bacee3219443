// Text layout over a bitmap font: advances, markup, lines, wrapping and alignment.
#include <cstring>

#include "gui/core/Font.h"

namespace {

u32 ClampStyle(u32 style) { return style < kFontStyleCount ? style : 0; }

// The style the layout starts in: the asked one, or the first one the font has.
u32 StartStyle(const Font* font, u32 style)
{
    if (FontHasStyle(font, style)) return style;
    for (u32 s = 0; s < kFontStyleCount; ++s)
        if (FontHasStyle(font, s)) return s;
    return 0;
}

}  // namespace

s32 GetFontHeight(const Font* font) { return font ? s32(font->header[kFontLineHeight]) : 0; }

s32 GetGlyphAdvance(const Font* font, u32 style, s32 x, u8 c, u8 next)
{
    if (!font) return 0;
    const FontStyleData& s = font->styles[ClampStyle(style)];
    if (c == 9) {
        // Header words are file data: keep the product in range before using it.
        s64 tabs = s64(font->header[kFontTabWidth] > 4096 ? 4096 : font->header[kFontTabWidth]);
        s64 stop = s64(s.glyphs[0].advances[0]) * tabs;
        if (stop <= 0) return 0;
        s64 into = s64(x) % stop;
        if (into < 0) into += stop;
        return s32(stop - into);
    }
    if (c < 32) return 0;
    return s.glyphs[c - 32].advances[next < 32 ? 0 : next - 32];
}

s32 NextCharWithMarkup(const Font* font, const char* text, s32 x, u32* index, u32* style, u8* c, u8* next)
{
    u32 i = *index;
    for (;;) {
        u8 ch = u8(text[i]);
        if (ch == '|') {
            u8 m = u8(text[i + 1]);
            int s = -1;
            if (m == 'p' || m == 'P') s = kFontPlain;
            if (m == 'b' || m == 'B') s = kFontBold;
            if (m == 'i' || m == 'I') s = kFontItalic;
            if (m == 'o' || m == 'O') s = kFontOther;
            if (s >= 0) {
                if (FontHasStyle(font, u32(s))) *style = u32(s);
                i += 2;
                continue;
            }
        }
        if (ch == 0) {
            *index = i;
            *c = 0;
            if (next) *next = 0;
            return 0;
        }
        ++i;
        *index = i;
        u8 following = u8(text[i]);
        if (next) *next = following;
        if (ch == 10 || ch == 13) {
            *c = ch;
            return 0;
        }
        if (ch < 32 && ch != 9) ch = 32;
        *c = ch;
        return GetGlyphAdvance(font, *style, x, ch, following);
    }
}

int MeasureLine(const Font* font, const char* text, u32 flags, s32 width, u32 start, u32 style, s32* lineWidth,
                u32* nextStart, u32* nextStyle)
{
    s32 pen = 0;
    u32 index = start;
    u32 st = style;
    u32 charsOnLine = 0;
    bool haveBreak = false;
    s32 breakWidth = 0;
    u32 breakNext = 0, breakStyle = 0;
    bool wrap = (flags & kTextWordWrap) != 0;
    int result = 0;
    for (;;) {
        u32 before = index;
        u32 styleBefore = st;
        u8 c = 0;
        s32 advance = font && text ? NextCharWithMarkup(font, text, pen, &index, &st, &c, nullptr) : 0;
        if (c == 0) {
            result = 0;
            break;
        }
        if (c == 10 || c == 13) {
            result = 1;
            break;
        }
        bool space = c == ' ' || c == 9;
        if (wrap && s64(pen) + advance > width) {
            if (space) {
                // The space that does not fit ends the line itself (it is left out).
            } else if (haveBreak) {
                pen = breakWidth;
                index = breakNext;
                st = breakStyle;
            } else if (charsOnLine > 0) {
                index = before;
                st = styleBefore;
            } else {
                pen += advance;  // alone and too wide: it keeps the line to itself
            }
            // A break that leaves nothing behind it ends the text, not the line.
            u32 rest = index;
            u32 restStyle = st;
            u8 following = 0;
            NextCharWithMarkup(font, text, 0, &rest, &restStyle, &following, nullptr);
            result = following != 0;
            break;
        }
        if (space) {
            haveBreak = true;
            breakWidth = pen;
            breakNext = index;
            breakStyle = st;
        }
        pen += advance;
        ++charsOnLine;
    }
    if (lineWidth) *lineWidth = pen;
    if (nextStart) *nextStart = index;
    if (nextStyle) *nextStyle = st;
    return result;
}

s32 MeasureTextWidth(const Font* font, const char* text, u32 style, u32)
{
    if (!font || !text) return 0;
    u32 index = 0;
    u32 st = StartStyle(font, style);
    s32 widest = 0;
    for (;;) {
        s32 w = 0;
        u32 next = 0, nextStyle = 0;
        int more = MeasureLine(font, text, kTextMultiLine, 0, index, st, &w, &next, &nextStyle);
        if (w > widest) widest = w;
        if (!more || next == index) break;
        index = next;
        st = nextStyle;
    }
    return widest;
}

s32 MeasureTextHeight(const Font* font, const char* text, u32 style, u32 flags, s32 width)
{
    if (!font) return 0;
    s32 lineHeight = GetFontHeight(font) + 2;
    if (!text) return lineHeight;
    u32 index = 0;
    u32 st = StartStyle(font, style);
    s64 lines = 1;
    for (;;) {
        s32 w = 0;
        u32 next = 0, nextStyle = 0;
        int more = MeasureLine(font, text, flags | kTextWordWrap | kTextMultiLine, width, index, st, &w, &next,
                               &nextStyle);
        if (!more || next == index) break;
        ++lines;
        index = next;
        st = nextStyle;
    }
    s64 h = lines * lineHeight;
    return s32(h > 0x7FFFFFFF ? 0x7FFFFFFF : h);
}

u32 TextIndexAtX(const Font* font, const char* text, s32 x)
{
    if (!font || !text) return 0;
    u32 index = 0;
    u32 st = kFontPlain;
    s32 pen = 0;
    for (;;) {
        u32 before = index;
        u8 c = 0;
        s32 advance = NextCharWithMarkup(font, text, pen, &index, &st, &c, nullptr);
        if (c == 0) return u32(strlen(text));
        if (s64(pen) + advance >= x) return s64(x) <= (s64(advance) + 2 * s64(pen)) / 2 ? before : index;
        pen += advance;
    }
}

s32 LayoutText(const Font* font, const char* text, u32 style, u32 flags, const Rect& rect, GlyphSink sink,
               void* context)
{
    if (!font || !text || rect.IsEmpty()) return 0;
    if (flags & kTextWordWrap) flags |= kTextMultiLine;
    bool multi = (flags & kTextMultiLine) != 0;
    s32 width = rect.Width();
    s32 lineHeight = GetFontHeight(font);
    s64 baseline = s64(rect.top) + s32(font->header[kFontAscent] & 0x7FFFFFFF);
    if (flags & kTextVCenter) {
        s32 offset = (rect.Height() - lineHeight) / 2;
        if (offset > 0) baseline += offset;
    }
    u32 st = StartStyle(font, style);
    u32 index = 0;
    s64 pen = 0;  // from the rectangle's left edge
    s32 widest = 0;
    bool firstLine = true;
    for (;;) {
        s32 lineWidth = 0;
        u32 next = 0, nextStyle = 0;
        int more = MeasureLine(font, text, flags, width, index, st, &lineWidth, &next, &nextStyle);
        s32 offset = 0;
        if (lineWidth < width || (flags & kTextWordWrap)) {
            if (flags & kTextCenter) offset = (width - lineWidth) / 2;
            else if (flags & kTextRight) offset = width - lineWidth;
        }
        // Single-line text continues on the same line after a line break.
        if (multi || firstLine) pen = offset;
        firstLine = false;
        // Walk the line's characters; tab stops count from the line's start.
        s64 lineStart = pen;
        u32 i = index;
        u32 s = st;
        bool stop = false;
        while (i < next) {
            u8 c = 0;
            s32 advance = NextCharWithMarkup(font, text, s32(pen - lineStart), &i, &s, &c, nullptr);
            if (c == 0 || c == 10 || c == 13) break;
            if (c > 32 && sink) {
                const Glyph& g = font->styles[s].glyphs[c - 32];
                if (g.width && g.height)
                    sink(context, &g, s32(rect.left + pen + g.xOffset), s32(baseline + g.yOffset));
            }
            pen += advance;
            if (!multi && rect.left + pen > rect.right) {
                stop = true;
                break;
            }
        }
        s64 reach = multi ? s64(offset) + lineWidth : pen;
        if (reach > widest) widest = s32(reach > 0x7FFFFFFF ? 0x7FFFFFFF : reach);
        if (stop || !more || next == index) break;
        index = next;
        st = nextStyle;
        if (multi) {
            baseline += lineHeight;
            if (baseline > rect.bottom) break;
        }
    }
    return widest;
}
