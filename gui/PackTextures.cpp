#include "gui/PackTextures.h"

#include <GL/gl.h>
#include <cstdlib>
#include <cstring>

namespace {

struct GLQueueState {
    bool inQuads;
};
GLQueueState g_state;

void GLBegin(void*)
{
    glPushAttrib(GL_TEXTURE_BIT | GL_ENABLE_BIT);
    glEnable(GL_TEXTURE_2D);
    g_state.inQuads = false;
}

void GLBind(void*, const TexturePack* pack, u32 page)
{
    if (g_state.inQuads) glEnd();
    glBindTexture(GL_TEXTURE_2D, page < pack->pages.count ? pack->pages[page].texture : 0);
    glBegin(GL_QUADS);
    g_state.inQuads = true;
}

void GLQuad(void*, const PackQuad& q)
{
    for (int i = 0; i < 4; ++i) {
        glTexCoord2f(q.s[i], q.t[i]);
        glVertex2i(q.x[i], q.y[i]);
    }
}

void GLEnd(void*)
{
    if (g_state.inQuads) glEnd();
    g_state.inQuads = false;
    glPopAttrib();
}

void GLDeleteTexture(u32 texture)
{
    GLuint name = texture;
    glDeleteTextures(1, &name);
}

const PackDrawRenderer kGLRenderer = {GLBegin, GLBind, GLQuad, GLEnd, nullptr};

// Packer callbacks for a pack's RGBA pages.
struct BuildContext {
    TexturePack* pack;
    u32 maxSide;
    bool failed;
};

void BlitPackImage(void* c, PackNode* node)
{
    BuildContext* ctx = static_cast<BuildContext*>(c);
    PackPage& page = ctx->pack->pages[ctx->pack->pages.count - 1];
    node->page = u16(ctx->pack->pages.count - 1);
    if (!node->pixels || !page.pixels) return;
    bool rotated = (node->packFlags & kPackRotated) != 0;
    for (u32 y = 0; y < node->height; ++y)
        for (u32 x = 0; x < node->width; ++x) {
            u32 px = rotated ? node->x + y : node->x + x;
            u32 py = rotated ? node->y + x : node->y + y;
            memcpy(page.pixels + (size_t(py) * page.width + px) * 4, node->pixels + (size_t(y) * node->width + x) * 4, 4);
        }
}

void ChoosePackPageSize(void* c, u64 area, u32* w, u32* h)
{
    u32 side = static_cast<BuildContext*>(c)->maxSide;
    ChooseAtlasPageSize(area, side, side, w, h);
}

int NewPackPage(void* c, u32 w, u32 h)
{
    BuildContext* ctx = static_cast<BuildContext*>(c);
    u8* pixels = static_cast<u8*>(calloc(size_t(w) * h, 4));
    if (!pixels) return 0;
    ctx->pack->pages.Push(PackPage{w, h, 0, pixels});
    return 1;
}

void FinishPackPage(void* c)
{
    BuildContext* ctx = static_cast<BuildContext*>(c);
    PackPage& page = ctx->pack->pages[ctx->pack->pages.count - 1];
    page.texture = CreatePageTexture(page.pixels, page.width, page.height, GL_RGBA, GL_NEAREST);
    if (!page.texture) ctx->failed = true;
    free(page.pixels);
    page.pixels = nullptr;
}

}  // namespace

void InstallGLPackRenderer()
{
    SetPackDrawRenderer(&kGLRenderer);
    SetPackTextureDeleter(GLDeleteTexture);
}

u32 GetMaxTextureSize()
{
    GLint size = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &size);
    return size >= 64 ? u32(size) : 64;
}

u32 CreatePageTexture(const u8* pixels, u32 width, u32 height, u32 format, u32 filter)
{
    GLint previous = 0, alignment = 4;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &previous);
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    GLuint name = 0;
    glGenTextures(1, &name);
    if (!name) return 0;
    glBindTexture(GL_TEXTURE_2D, name);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GLint(filter));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GLint(filter));
    glTexImage2D(GL_TEXTURE_2D, 0, GLint(format), GLsizei(width), GLsizei(height), 0, format, GL_UNSIGNED_BYTE, pixels);
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
    glBindTexture(GL_TEXTURE_2D, GLuint(previous));
    return name;
}

int BuildPackTextures(TexturePack* pack)
{
    if (!pack) return 0;
    InstallGLPackRenderer();
    for (PackPage& page : pack->pages) {
        DeletePackTexture(page.texture);
        free(page.pixels);
    }
    pack->pages.Free();
    for (LinkedListNode* n = pack->images.first; n; n = n->next) static_cast<PackImage*>(n)->packFlags &= u16(~kPackPacked);
    u32 side = GetMaxTextureSize();
    BuildContext ctx = {pack, side < kMaxPackPageSize ? side : kMaxPackPageSize, false};
    PackCallbacks cb = {BlitPackImage, ChoosePackPageSize, NewPackPage, FinishPackPage};
    u32 placed = PackRects(cb, &ctx, &pack->images);
    return placed == pack->images.count && !ctx.failed;
}
