// The font file: reading, writing and freeing.
#include "gui/core/Font.h"

#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

#include "foundation/Files.h"

namespace {

u32 Le32(const u8* p) { return u32(p[0]) | (u32(p[1]) << 8) | (u32(p[2]) << 16) | (u32(p[3]) << 24); }
void PutLe32(u8* p, u32 v)
{
    for (int i = 0; i < 4; ++i) p[i] = u8(v >> (8 * i));
}

u64 RemainingBytes(FILE* file)
{
    long pos = ftell(file);
    if (pos < 0) return ~u64(0);
    struct stat st;
    if (fstat(fileno(file), &st) == 0 && S_ISREG(st.st_mode))
        return u64(st.st_size) > u64(pos) ? u64(st.st_size) - u64(pos) : 0;
    if (fseek(file, 0, SEEK_END) != 0) return ~u64(0);
    long end = ftell(file);
    if (fseek(file, pos, SEEK_SET) != 0 || end < pos) return ~u64(0);
    return u64(end - pos);
}

int ReadWords(FILE* file, u32* words, u32 n)
{
    u8 bytes[16];
    if (n > 4 || fread(bytes, 1, 4 * n, file) != 4 * n) return 0;
    for (u32 i = 0; i < n; ++i) words[i] = Le32(bytes + 4 * i);
    return 1;
}

int WriteWords(FILE* file, const u32* words, u32 n)
{
    u8 bytes[16];
    for (u32 i = 0; i < n && i < 4; ++i) PutLe32(bytes + 4 * i, words[i]);
    return fwrite(bytes, 1, 4 * n, file) == 4 * n;
}

}  // namespace

Font* NewFont() { return static_cast<Font*>(calloc(1, sizeof(Font))); }

void FreeGlyphBitmaps(Font* font)
{
    if (!font) return;
    for (FontStyleData& s : font->styles)
        for (Glyph& g : s.glyphs) {
            free(g.pixels);
            g.pixels = nullptr;
        }
}

void FreeFont(Font* font)
{
    if (!font) return;
    FreeGlyphBitmaps(font);
    for (FontPage& page : font->pages) {
        free(page.pixels);
        DeletePackTexture(page.texture);
    }
    font->pages.Free();
    free(font);
}

int FontHasStyle(const Font* font, u32 style)
{
    return font && style < kFontStyleCount && (font->styles[style].header[3] & 1) != 0;
}

int ReadGlyph(Glyph* glyph, FILE* file, u64 limit)
{
    u8 fields[8];
    if (limit < 8 || fread(fields, 1, 8, file) != 8) return 0;
    limit -= 8;
    glyph->width = u16(fields[0] | (fields[1] << 8));
    glyph->height = u16(fields[2] | (fields[3] << 8));
    glyph->xOffset = s16(u16(fields[4] | (fields[5] << 8)));
    glyph->yOffset = s16(u16(fields[6] | (fields[7] << 8)));
    glyph->packFlags = kPackMayRotate;
    // ReadRLE refuses runs that add up past the row.
    u64 rle = ReadRLE(file, reinterpret_cast<u8*>(glyph->advances), kFontGlyphCount);
    if (rle == 0 || rle > limit) return 0;
    limit -= rle;
    u64 bytes = u64(glyph->width) * glyph->height;
    if (bytes == 0) return 1;
    if (bytes > limit) return 0;
    glyph->pixels = static_cast<u8*>(malloc(size_t(bytes)));
    if (!glyph->pixels) return 0;
    if (fread(glyph->pixels, 1, size_t(bytes), file) != bytes) {
        free(glyph->pixels);
        glyph->pixels = nullptr;
        return 0;
    }
    return 1;
}

int ReadFontBody(Font* font, FILE* file)
{
    if (!font || !file) return 0;
    u64 limit = RemainingBytes(file);
    long start = ftell(file);
    if (!ReadWords(file, font->header, 4)) return 0;
    for (FontStyleData& s : font->styles) {
        for (Glyph& g : s.glyphs) {
            memset(static_cast<void*>(&g), 0, sizeof(g));
            long pos = ftell(file);
            u64 left = limit;
            if (limit != ~u64(0) && pos >= start) left = u64(pos - start) <= limit ? limit - u64(pos - start) : 0;
            if (!ReadGlyph(&g, file, left)) return 0;
        }
        if (!ReadWords(file, s.header, 4)) return 0;
    }
    return 1;
}

Font* ReadFontFile(const char* path)
{
    if (!path) return nullptr;
    FILE* file = fopen(path, "rb");
    if (!file) return nullptr;
    Font* font = NewFont();
    if (!font || !ReadFontBody(font, file)) {
        FreeFont(font);
        fclose(file);
        return nullptr;
    }
    fclose(file);
    return font;
}

int WriteFontBody(const Font* font, FILE* file)
{
    if (!font || !file) return 0;
    if (!WriteWords(file, font->header, 4)) return 0;
    for (const FontStyleData& s : font->styles) {
        for (const Glyph& g : s.glyphs) {
            u8 fields[8] = {u8(g.width), u8(g.width >> 8), u8(g.height), u8(g.height >> 8),
                            u8(g.xOffset), u8(u32(g.xOffset) >> 8), u8(g.yOffset), u8(u32(g.yOffset) >> 8)};
            if (fwrite(fields, 1, 8, file) != 8) return 0;
            if (!WriteRLE(file, reinterpret_cast<const u8*>(g.advances), kFontGlyphCount)) return 0;
            size_t bytes = size_t(g.width) * g.height;
            if (bytes && (!g.pixels || fwrite(g.pixels, 1, bytes, file) != bytes)) return 0;
        }
        if (!WriteWords(file, s.header, 4)) return 0;
    }
    return 1;
}
