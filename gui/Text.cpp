#include "gui/Text.h"

#include <GL/gl.h>
#include <cstdlib>
#include <cstring>

#include "gui/PackTextures.h"

namespace {

struct FontBuild {
    Font* font;
    u32 maxSide;
    bool failed;
};

void BlitGlyph(void* c, PackNode* node)
{
    Font* font = static_cast<FontBuild*>(c)->font;
    FontPage& page = font->pages[font->pages.count - 1];
    node->page = u16(font->pages.count - 1);
    if (!node->pixels || !page.pixels) return;
    bool rotated = (node->packFlags & kPackRotated) != 0;
    for (u32 y = 0; y < node->height; ++y)
        for (u32 x = 0; x < node->width; ++x) {
            u32 px = rotated ? node->x + y : node->x + x;
            u32 py = rotated ? node->y + x : node->y + y;
            page.pixels[size_t(py) * page.width + px] = node->pixels[size_t(y) * node->width + x];
        }
}

void ChooseFontPageSize(void* c, u64 area, u32* w, u32* h)
{
    u32 side = static_cast<FontBuild*>(c)->maxSide;
    ChooseAtlasPageSize(area, side, side, w, h);
}

int NewFontPage(void* c, u32 w, u32 h)
{
    Font* font = static_cast<FontBuild*>(c)->font;
    u8* pixels = static_cast<u8*>(calloc(size_t(w), h));
    if (!pixels) return 0;
    font->pages.Push(FontPage{w, h, 0, pixels});
    return 1;
}

void FinishFontPage(void* c)
{
    FontBuild* b = static_cast<FontBuild*>(c);
    FontPage& page = b->font->pages[b->font->pages.count - 1];
    page.texture = CreatePageTexture(page.pixels, page.width, page.height, GL_ALPHA, GL_LINEAR);
    if (!page.texture) b->failed = true;
    free(page.pixels);
    page.pixels = nullptr;
}

struct DrawContext {
    const Font* font;
    u32 page;
    float pageWidth, pageHeight;
    bool shadow;
    u8 color[4];
};

void DrawGlyphQuad(const DrawContext& d, const Glyph* g, s32 x, s32 y)
{
    bool rotated = (g->packFlags & kPackRotated) != 0;
    // Upright corners top-left, top-right, bottom-right, bottom-left; a rotated glyph is
    // stored transposed.
    const s32 u[4] = {0, g->width, g->width, 0};
    const s32 v[4] = {0, 0, g->height, g->height};
    for (int i = 0; i < 4; ++i) {
        s32 px = g->x + (rotated ? v[i] : u[i]);
        s32 py = g->y + (rotated ? u[i] : v[i]);
        glTexCoord2f(float(px) / d.pageWidth, float(py) / d.pageHeight);
        glVertex2i(x + u[i], y + v[i]);
    }
}

void DrawGlyphSink(void* c, const Glyph* g, s32 x, s32 y)
{
    const DrawContext& d = *static_cast<DrawContext*>(c);
    if (!(g->packFlags & kPackPacked) || g->page != d.page) return;
    if (d.shadow) {
        glColor4ub(0, 0, 0, d.color[3]);
        DrawGlyphQuad(d, g, x + 1, y + 1);
        glColor4ubv(d.color);
    }
    DrawGlyphQuad(d, g, x, y);
}

}  // namespace

int BuildFontTextures(Font* font)
{
    if (!font) return 0;
    InstallGLPackRenderer();
    LinkedList list = {nullptr, nullptr, 0};
    for (FontStyleData& s : font->styles)
        for (Glyph& g : s.glyphs) {
            if (!g.width || !g.height) continue;
            g.packFlags = u16(g.packFlags & ~(kPackPacked | kPackRotated)) | kPackMayRotate;
            g.previous = list.last;
            g.next = nullptr;
            if (list.last)
                list.last->next = &g;
            else
                list.first = &g;
            list.last = &g;
            list.count++;
        }
    FontBuild b = {font, GetMaxTextureSize(), false};
    PackCallbacks cb = {BlitGlyph, ChooseFontPageSize, NewFontPage, FinishFontPage};
    u32 placed = PackRects(cb, &b, &list);
    // The glyphs live in the font; the list links are of no further use.
    for (LinkedListNode* n = list.first; n;) {
        LinkedListNode* next = n->next;
        n->previous = n->next = nullptr;
        n = next;
    }
    FreeGlyphBitmaps(font);
    return placed == list.count && !b.failed;
}

Font* LoadFont(const char* path)
{
    Font* font = ReadFontFile(path);
    if (!font) return nullptr;
    if (!BuildFontTextures(font)) {
        FreeFont(font);
        return nullptr;
    }
    return font;
}

s32 DrawText(const Font* font, const char* text, u32 style, u32 flags, const Rect* rect)
{
    if (!font || !text || !rect || rect->IsEmpty()) return 0;
    if (flags & kTextMeasureOnly) return LayoutText(font, text, style, flags, *rect, nullptr, nullptr);
    if (font->pages.count == 0) return 0;
    DrawContext d = {font, 0, 1, 1, (flags & kTextShadow) != 0, {255, 255, 255, 255}};
    GLint color[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_CURRENT_COLOR, color);
    for (int i = 0; i < 4; ++i) d.color[i] = u8(color[i] < 0 ? 0 : u32(color[i]) >> 23);
    glPushAttrib(GL_TEXTURE_BIT | GL_ENABLE_BIT | GL_CURRENT_BIT);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    s32 widest = 0;
    for (u32 p = 0; p < font->pages.count; ++p) {
        d.page = p;
        d.pageWidth = float(font->pages[p].width);
        d.pageHeight = float(font->pages[p].height);
        glBindTexture(GL_TEXTURE_2D, font->pages[p].texture);
        glBegin(GL_QUADS);
        glColor4ubv(d.color);
        widest = LayoutText(font, text, style, flags, *rect, DrawGlyphSink, &d);
        glEnd();
    }
    glPopAttrib();
    return widest;
}
