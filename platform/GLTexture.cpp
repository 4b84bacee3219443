#include "platform/GLTexture.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <cstring>
#include <memory>

#include "foundation/MipChain.h"
#include "platform/Os.h"
#include "platform/OsBackend.h"

#ifndef GL_GENERATE_MIPMAP
#define GL_GENERATE_MIPMAP 0x8191
#endif
#ifndef GL_TEXTURE_MAX_ANISOTROPY_EXT
#define GL_TEXTURE_MAX_ANISOTROPY_EXT 0x84FE
#define GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT 0x84FF
#endif

GLMultiTexCoord2fFun GLMultiTexCoord2f;
GLActiveTextureFun GLActiveTexture;
GLClientActiveTextureFun GLClientActiveTexture;
GLAddSwapHintRectWINFun GLAddSwapHintRectWIN;

namespace {
int g_npot = -1;
int g_aniso = -1;
int g_forceFallback;

bool IsPowerOfTwo(u32 v) { return v && !(v & (v - 1)); }

u32 NextPowerOfTwo(u32 v)
{
    u32 p = 1;
    while (p < v && p < 0x80000000u) p <<= 1;
    return p;
}
}  // namespace

void GLResetState()
{
    GLMultiTexCoord2f = nullptr;
    GLActiveTexture = nullptr;
    GLClientActiveTexture = nullptr;
    GLAddSwapHintRectWIN = nullptr;
    g_npot = -1;
    g_aniso = -1;
    g_forceFallback = 0;
}

void InitGL()
{
    glClearColor(0, 0, 0, 0);
    glClearDepth(1.0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    OsSwapBuffers();
    GLMultiTexCoord2f = reinterpret_cast<GLMultiTexCoord2fFun>(OsGetProcAddress("glMultiTexCoord2f"));
    GLActiveTexture = reinterpret_cast<GLActiveTextureFun>(OsGetProcAddress("glActiveTexture"));
    GLClientActiveTexture =
        reinterpret_cast<GLClientActiveTextureFun>(OsGetProcAddress("glClientActiveTexture"));
    GLAddSwapHintRectWIN = reinterpret_cast<GLAddSwapHintRectWINFun>(OsGetProcAddress("glAddSwapHintRectWIN"));
    HasNonPowerOfTwoTextures();
    HasAnisotropicFiltering();
}

// Without a context there is nothing to ask; the answer is not kept then.
static int Probe(int* cache, const char* extension)
{
    if (*cache < 0) {
        if (!OsGetWindowHandle()) return 0;
        *cache = OsExtensionSupported(extension) ? 1 : 0;
    }
    return *cache;
}

int HasNonPowerOfTwoTextures()
{
    int has = Probe(&g_npot, "GL_ARB_texture_non_power_of_two");
    return g_forceFallback ? 0 : has;
}

int HasAnisotropicFiltering() { return Probe(&g_aniso, "GL_EXT_texture_filter_anisotropic"); }

void GLForceNonPowerOfTwoFallback(int force) { g_forceFallback = force; }

void GLTexture::Bind() const { glBindTexture(GL_TEXTURE_2D, id); }

void GLTexture::Delete()
{
    if (owned && id) {
        GLuint name = id;
        glDeleteTextures(1, &name);
    }
    id = 0;
}

void GLTexture::Attach(u32 newId, u32 newWidth, u32 newHeight, u32 newOwned)
{
    if (owned) Delete();
    id = newId;
    width = newWidth;
    height = newHeight;
    owned = newOwned;
}

int GLTexture::Create(const void* pixels, u32 format, u32 w, u32 h, int mipmaps, int anisotropic)
{
    if (owned) Delete();
    owned = 1;
    width = w;
    height = h;

    glPushAttrib(GL_TEXTURE_BIT);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    // Rows of the callers' images are tightly packed; an RGB row is rarely a multiple of 4.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, GLint(w));
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    GLuint name = 0;
    glGenTextures(1, &name);
    id = name;
    glBindTexture(GL_TEXTURE_2D, name);

    GLint components;
    switch (format) {
    case GLTEX_ALPHA: components = 1; break;
    case GLTEX_RGB:
    case GLTEX_BGR: components = 3; break;
    case GLTEX_RGBA:
    case GLTEX_BGRA: components = 4; break;
    default: components = 0; break;
    }

    bool npot = !IsPowerOfTwo(w) || !IsPowerOfTwo(h);
    bool fallback = npot && !HasNonPowerOfTwoTextures();

    // The levels of an image made here are halved on the processor in one pass each: the
    // driver's own generation draws every level through its rasteriser, several times the
    // cost of the upload itself. Without pixels the driver makes them when the image comes.
    const bool ownLevels = mipmaps && !fallback && pixels && w && h && components;
    if (mipmaps && !fallback && !ownLevels) {
        glTexParameteri(GL_TEXTURE_2D, GL_GENERATE_MIPMAP, GL_TRUE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    } else if (ownLevels) {
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    } else if (fallback) {
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    } else {
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);

    if (anisotropic && HasAnisotropicFiltering()) {
        GLfloat largest = 1;
        glGetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, &largest);
        glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, largest);
    }

    if (fallback && pixels && w && h) {
        gluBuild2DMipmaps(GL_TEXTURE_2D, components, GLint(w), GLint(h), format, GL_UNSIGNED_BYTE, pixels);
    } else if (fallback) {
        glTexImage2D(GL_TEXTURE_2D, 0, components, GLsizei(NextPowerOfTwo(w)), GLsizei(NextPowerOfTwo(h)), 0, format,
                     GL_UNSIGNED_BYTE, nullptr);
    } else {
        glTexImage2D(GL_TEXTURE_2D, 0, components, GLsizei(w), GLsizei(h), 0, format, GL_UNSIGNED_BYTE, pixels);
    }
    if (ownLevels) {
        const std::unique_ptr<u8[]> levels = BuildMipLevels(static_cast<const u8*>(pixels), w, h, u32(components));
        const u8* level = levels.get();
        for (u32 l = 1, count = MipLevelCount(w, h); l < count; ++l) {
            const u32 lw = MipLevelSize(w, l), lh = MipLevelSize(h, l);
            glPixelStorei(GL_UNPACK_ROW_LENGTH, GLint(lw));
            glTexImage2D(GL_TEXTURE_2D, GLint(l), components, GLsizei(lw), GLsizei(lh), 0, format, GL_UNSIGNED_BYTE,
                         level);
            level += size_t(lw) * lh * u32(components);
        }
        // Later changes to the image (glTexSubImage2D) still bring the levels along.
        glTexParameteri(GL_TEXTURE_2D, GL_GENERATE_MIPMAP, GL_TRUE);
    }

    glPopClientAttrib();
    glPopAttrib();
    return id != 0;
}

void GLTexture::Draw(u32 flags, float x, float y, float w, float h, float srcX, float srcY, float srcW,
                     float srcH) const
{
    GLint tw = 0, th = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &tw);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &th);
    // A texture attached without its image size cannot be mapped.
    if (tw <= 0 || th <= 0 || width == 0 || height == 0) return;
    float TW = float(tw), TH = float(th);
    float sx = TW / float(width), sy = TH / float(height);
    float s0 = srcX * sx / TW;
    float s1 = (srcX * sx + (srcW != 0 ? srcW * sx : TW)) / TW;
    float t0 = srcY * sy / TH;
    float t1 = (srcY * sy + (srcH != 0 ? srcH * sy : TH)) / TH;
    if (flags & 2) {
        float s = s0;
        s0 = s1;
        s1 = s;
    }
    if (flags & 1) {
        float t = t0;
        t0 = t1;
        t1 = t;
    }
    if (w == 0) w = float(width);
    if (h == 0) h = float(height);
    glBegin(GL_QUADS);
    glTexCoord2f(s0, t0);
    glVertex2f(x, y);
    glTexCoord2f(s1, t0);
    glVertex2f(x + w, y);
    glTexCoord2f(s1, t1);
    glVertex2f(x + w, y + h);
    glTexCoord2f(s0, t1);
    glVertex2f(x, y + h);
    glEnd();
}

u8* FlipRowsSwapRB(u8* dest, const u8* source, u32 width, u32 height, int sourcePadded, int destPadded)
{
    u64 row = u64(width) * 3;
    u64 padded = (row + 3) & ~u64(3);
    u64 srcStride = sourcePadded ? padded : row;
    u64 dstStride = destPadded ? padded : row;
    for (u32 y = 0; y < height; ++y) {
        const u8* s = source + srcStride * (height - 1 - y);
        u8* d = dest + dstStride * y;
        for (u32 x = 0; x < width; ++x) {
            d[3 * x] = s[3 * x + 2];
            d[3 * x + 1] = s[3 * x + 1];
            d[3 * x + 2] = s[3 * x];
        }
        for (u64 i = row; i < dstStride; ++i) d[i] = 0;
    }
    return dest;
}
