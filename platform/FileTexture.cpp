#include "platform/FileTexture.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include "platform/GLTexture.h"

namespace {

bool PowerOfTwo(u32 v)
{
    return v && !(v & (v - 1));
}

// GLTexture::Create stores a one-component image by its component count, which OpenGL takes
// as luminance: a mask would draw opaque black where it is 0. Re-specifies the texture with
// the alpha internal format, restoring the binding and the pixel-store state.
void RespecifyAsAlpha(u32 name, const Image& image)
{
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glBindTexture(GL_TEXTURE_2D, name);
    GLsizei w = GLsizei(image.width), h = GLsizei(image.height);
    bool npot = !PowerOfTwo(image.width) || !PowerOfTwo(image.height);
    if (npot && !HasNonPowerOfTwoTextures())
        gluBuild2DMipmaps(GL_TEXTURE_2D, GL_ALPHA, w, h, GL_ALPHA, GL_UNSIGNED_BYTE, image.pixels);
    else
        glTexImage2D(GL_TEXTURE_2D, 0, GL_ALPHA, w, h, 0, GL_ALPHA, GL_UNSIGNED_BYTE, image.pixels);
    glBindTexture(GL_TEXTURE_2D, GLuint(bound));
    glPopClientAttrib();
}

}  // namespace

u32 CreateFileTexture(FileRecord* record)
{
    if (!record || (!record->loaded && !record->Load()) || record->kind != kFileKindImage) return 0;
    Image& image = record->image;
    if (image.format == 6400 && !image.ConvertTo(6407)) return 0;
    if (image.format != 6406 && image.format != 6407 && image.format != 6408) return 0;
    GLTexture texture;
    if (!texture.Create(image.pixels, image.format, image.width, image.height, 0, 0)) return 0;
    if (image.format == 6406 && image.width && image.height) RespecifyAsAlpha(texture.id, image);
    // The caller owns the name from here on.
    return texture.id;
}
