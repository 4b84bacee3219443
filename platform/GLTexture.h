#pragma once
// OpenGL start-up (entry points and extension probes) and GLTexture, the small texture
// object every image on screen goes through. All of it needs the program's OpenGL context
// to be current, except FlipRowsSwapRB.
#include "foundation/Types.h"

typedef void (*GLMultiTexCoord2fFun)(unsigned target, float s, float t);
typedef void (*GLActiveTextureFun)(unsigned texture);
typedef void (*GLClientActiveTextureFun)(unsigned texture);
typedef void (*GLAddSwapHintRectWINFun)(int x, int y, int width, int height);

// Entry points looked up by InitGL; each may be null and its users test it.
extern GLMultiTexCoord2fFun GLMultiTexCoord2f;
extern GLActiveTextureFun GLActiveTexture;
// The texture unit that glTexCoordPointer and the texture-coordinate array switch address.
extern GLClientActiveTextureFun GLClientActiveTexture;
extern GLAddSwapHintRectWINFun GLAddSwapHintRectWIN;

// Clears colour (transparent black) and depth, swaps once, looks up the entry points and
// runs both extension probes.
void InitGL();
// Whether "GL_ARB_texture_non_power_of_two" is supported; probed once a window is open and
// cached (0 before). Always 0 while the fallback is forced.
int HasNonPowerOfTwoTextures();
// Whether "GL_EXT_texture_filter_anisotropic" is supported; probed and cached like the above.
int HasAnisotropicFiltering();
// Makes textures of any size take the power-of-two fallback path (for tests and for drivers
// that claim the extension but do it badly).
void GLForceNonPowerOfTwoFallback(int force);
// Forgets the entry points and the cached probes (the next probe asks again).
void GLResetState();

// Texture formats GLTexture::Create understands (the OpenGL values).
enum {
    GLTEX_ALPHA = 6406,
    GLTEX_RGB = 6407,
    GLTEX_RGBA = 6408,
    GLTEX_BGR = 32992,
    GLTEX_BGRA = 32993,
};

// Plain data: it may be copied and moved by bytes, and destroying it deletes nothing (the
// owner calls Delete while the context is current).
struct GLTexture {
    u32 id;      // 0 = none
    u32 width;   // the image size the texture was made for (OpenGL may have allocated more)
    u32 height;
    u32 owned;   // only an owned texture is deleted by this object

    GLTexture() : id(0), width(0), height(0), owned(0) {}

    void Bind() const;
    // Deletes the OpenGL texture when owned and not 0; id becomes 0.
    void Delete();
    // Deletes the current texture when owned, then takes the given one.
    void Attach(u32 id, u32 width, u32 height, u32 owned);
    // Makes a new owned texture from pixels (tightly packed rows, any width; null leaves it
    // undefined) in the given format. A size that is not a power of two (or is 0) without
    // non-power-of-two support is rescaled by GLU with mipmaps, or allocated rounded up to
    // powers of two when there are no pixels. The texture and pixel-store state is restored
    // afterwards. 0 when OpenGL gave no texture name.
    int Create(const void* pixels, u32 format, u32 width, u32 height, int mipmaps, int anisotropic);
    // Draws part of the bound texture as one quad at (x, y) of size w x h (0 = the texture's
    // width or height); the source rectangle is in image pixels, srcW/srcH 0 meaning all.
    // Flag 2 mirrors left to right, flag 1 top to bottom. Nothing is drawn when the bound
    // texture or this object has no size.
    void Draw(u32 flags, float x, float y, float w, float h, float srcX, float srcY, float srcW, float srcH) const;
};

// Copies a 24-bit image turning it upside down and exchanging the first and third byte of
// every pixel. A padded side has rows rounded up to a multiple of 4 bytes; the destination's
// padding bytes are written as zero. Returns dest.
u8* FlipRowsSwapRB(u8* dest, const u8* source, u32 width, u32 height, int sourcePadded, int destPadded);
