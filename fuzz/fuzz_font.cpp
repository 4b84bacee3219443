// The font reader over arbitrary bytes. What it accepts must write back as a font that reads
// again the same, and text laid out with it (wild advances, ascent and tab widths) must end.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "gui/core/Font.h"

namespace {

void Count(void* context, const Glyph*, s32, s32) { ++*static_cast<u32*>(context); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FILE* in = fmemopen(const_cast<uint8_t*>(data), size, "rb");
    if (!in) return 0;
    Font* font = NewFont();
    int ok = ReadFontBody(font, in);
    fclose(in);
    if (!ok) {
        FreeFont(font);
        return 0;
    }

    char* out = nullptr;
    size_t outSize = 0;
    FILE* stream = open_memstream(&out, &outSize);
    if (!stream || !WriteFontBody(font, stream)) abort();
    fclose(stream);
    FILE* again = fmemopen(out, outSize, "rb");
    Font* second = NewFont();
    if (!again || !ReadFontBody(second, again)) abort();
    fclose(again);
    if (memcmp(font->header, second->header, sizeof(font->header)) != 0) abort();
    for (u32 s = 0; s < kFontStyleCount; ++s)
        for (u32 c = 0; c < kFontGlyphCount; ++c) {
            const Glyph& a = font->styles[s].glyphs[c];
            const Glyph& b = second->styles[s].glyphs[c];
            if (a.width != b.width || a.height != b.height || a.xOffset != b.xOffset || a.yOffset != b.yOffset ||
                memcmp(a.advances, b.advances, sizeof(a.advances)) != 0)
                abort();
            size_t n = size_t(a.width) * a.height;
            if (n && memcmp(a.pixels, b.pixels, n) != 0) abort();
        }
    FreeFont(second);
    free(out);

    static const char* const kTexts[] = {"The |bquick|p brown\tfox\n|ijumps |oover", "W W W W\t\t\tx", "|", "a\r\nb"};
    for (const char* text : kTexts) {
        u32 glyphs = 0;
        for (u32 flags : {0u, 0x4u, 0x8u | 0x10u, 0x20u | 0x40u | 0x8u})
            LayoutText(font, text, 0, flags, Rect{-5, -5, 37, 400}, Count, &glyphs);
        MeasureTextWidth(font, text, 1, 0);
        MeasureTextHeight(font, text, 2, 0, 13);
        if (TextIndexAtX(font, text, 11) > strlen(text)) abort();
    }
    FreeFont(font);
    return 0;
}
