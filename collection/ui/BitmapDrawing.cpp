#include "collection/ui/BitmapDrawing.h"

#include <GL/gl.h>

namespace {

GLuint g_scratch;
u8 g_staging[kBitmapTileSize * kBitmapTileSize * 4];

}  // namespace

u32 GetBitmapScratchTexture()
{
    return g_scratch;
}

void ForgetBitmapScratchTexture()
{
    g_scratch = 0;
}

void BindBitmapScratchTexture()
{
    if (g_scratch) {
        glBindTexture(GL_TEXTURE_2D, g_scratch);
        return;
    }
    glGenTextures(1, &g_scratch);
    glBindTexture(GL_TEXTURE_2D, g_scratch);
    glTexImage2D(GL_TEXTURE_2D, 0, 4, kBitmapTileSize, kBitmapTileSize, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
}

void UploadBitmapTile(const CollectionBitmap& bitmap, const Rgb* palette, const TrueColorHues& hues, u32 x0, u32 y0,
                      u32 x1, u32 y1)
{
    ConvertBitmapTile(bitmap, palette, hues, x0, y0, x1, y1, g_staging);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    // Other code may leave a row length or skip set; the staging rows are tightly packed.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, GLsizei(x1 - x0), GLsizei(y1 - y0), GL_RGBA, GL_UNSIGNED_BYTE, g_staging);
    glPopClientAttrib();
}

void DrawTileQuad(u32 tileWidth, u32 tileHeight, s32 left, s32 top, s32 right, s32 bottom)
{
    float u = float(tileWidth) / kBitmapTileSize, v = float(tileHeight) / kBitmapTileSize;
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex2i(left, top);
    glTexCoord2f(u, 0);
    glVertex2i(right, top);
    glTexCoord2f(u, v);
    glVertex2i(right, bottom);
    glTexCoord2f(0, v);
    glVertex2i(left, bottom);
    glEnd();
}

void DrawCollectionBitmap(const Collection& collection, const CollectionBitmap& bitmap, u32 mirror, s32 x, s32 y,
                          s32 width, s32 height, u32 tint)
{
    const u32 w = bitmap.width, h = bitmap.height;
    if (!bitmap.pixels || !w || !h || (bitmap.bytesPerPixel != 2 && bitmap.bytesPerPixel != 8)) return;
    Rgb palette[256];
    u32 count;
    BuildDrawPalette(collection, palette, &count);
    TrueColorHues hues;
    if (bitmap.bytesPerPixel == 8) hues.Prepare(collection);
    glEnable(GL_TEXTURE_2D);
    BindBitmapScratchTexture();
    glColor4ub(u8(tint), u8(tint >> 8), u8(tint >> 16), u8(tint >> 24));
    float sx = float(width) / float(w), sy = float(height) / float(h);
    bool flipX = mirror & kBitmapMirrorX, flipY = mirror & kBitmapMirrorY;
    for (u32 y0 = 0; y0 < h; y0 += kBitmapTileSize) {
        u32 y1 = h - y0 > kBitmapTileSize ? y0 + kBitmapTileSize : h;
        s32 top = y + s32(sy * float(flipY ? h - y0 : y0));
        s32 bottom = y + s32(sy * float(flipY ? h - y1 : y1));
        for (u32 x0 = 0; x0 < w; x0 += kBitmapTileSize) {
            u32 x1 = w - x0 > kBitmapTileSize ? x0 + kBitmapTileSize : w;
            UploadBitmapTile(bitmap, palette, hues, x0, y0, x1, y1);
            s32 left = x + s32(sx * float(flipX ? w - x0 : x0));
            s32 right = x + s32(sx * float(flipX ? w - x1 : x1));
            DrawTileQuad(x1 - x0, y1 - y0, left, top, right, bottom);
        }
    }
    glDisable(GL_TEXTURE_2D);
}

void FitSizeInBox(s32 w, s32 h, s32* outW, s32* outH, s32 box)
{
    if (w <= h) {
        *outW = h ? s32(s64(w) * box / h) : box;
        *outH = box;
    } else {
        *outW = box;
        *outH = s32(s64(h) * box / w);
    }
}
