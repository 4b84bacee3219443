// The real window's OpenGL context, the start-up probes and GLTexture, read back with
// glReadPixels. Needs a display (Xvfb).
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <vector>

#include "platform/GLTexture.h"
#include "platform/Os.h"

namespace {

const int kW = 256, kH = 256;

class GLWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        OsUseRealBackend();
        ok = OsInit() && OsOpenWindow(kW, kH, 0, 0);
        if (ok) InitGL();
    }
    static void TearDownTestSuite() { OsResetState(); }
    void SetUp() override
    {
        ASSERT_TRUE(ok) << "no window (is a display there?)";
        GLForceNonPowerOfTwoFallback(0);
        glViewport(0, 0, kW, kH);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0, kW, kH, 0, -1, 1);  // y down, as the window system draws
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT);
        glEnable(GL_TEXTURE_2D);
        glColor4f(1, 1, 1, 1);
    }
    void TearDown() override { glDisable(GL_TEXTURE_2D); }
    // The pixel at (x, y) counted from the top.
    static std::vector<int> Pixel(int x, int y)
    {
        u8 p[4] = {};
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(x, kH - 1 - y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, p);
        return {p[0], p[1], p[2]};
    }
    static int ok;
};
int GLWindow::ok;

typedef std::vector<int> RGB;

// A w x h RGB image of four quadrants: red, green / blue, white.
std::vector<u8> Quadrants(u32 w, u32 h)
{
    std::vector<u8> px(w * h * 3);
    for (u32 y = 0; y < h; ++y)
        for (u32 x = 0; x < w; ++x) {
            u8* p = &px[(y * w + x) * 3];
            bool right = x >= w / 2, bottom = y >= h / 2;
            p[0] = u8((!right && !bottom) || (right && bottom) ? 255 : 0);
            p[1] = u8((right && !bottom) || (right && bottom) ? 255 : 0);
            p[2] = u8(bottom ? 255 : 0);
        }
    return px;
}

}  // namespace

TEST_F(GLWindow, TheWindowHasADepthBufferAndTheStartUpProbesRan)
{
    GLint depth = 0;
    glGetIntegerv(GL_DEPTH_BITS, &depth);
    EXPECT_GE(depth, 24);
    EXPECT_NE(GLActiveTexture, nullptr);
    EXPECT_NE(GLMultiTexCoord2f, nullptr);
    EXPECT_TRUE(HasNonPowerOfTwoTextures());  // Mesa has it
    EXPECT_NE(OsGetWindowHandle(), 0ul);
    GLForceNonPowerOfTwoFallback(1);
    EXPECT_FALSE(HasNonPowerOfTwoTextures());
    int w, h;
    OsGetWindowSize(&w, &h);
    EXPECT_EQ(w, kW);
    EXPECT_EQ(h, kH);
}

TEST_F(GLWindow, ATextureWithOddRowsIsUploadedAndDrawnExactly)
{
    // 3 x 2 RGB: rows of 9 bytes, which a default unpack alignment of 4 would skew.
    const u8 px[] = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 0, 0, 255, 255, 255, 0, 255};
    GLTexture t;
    ASSERT_TRUE(t.Create(px, GLTEX_RGB, 3, 2, 0, 0));
    EXPECT_EQ(t.owned, 1u);
    GLint align = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &align);
    EXPECT_EQ(align, 4) << "the pixel-store state is restored";
    t.Bind();
    // 11 pixels a texel put texel centres on pixel centres, where linear filtering is exact.
    t.Draw(0, 0, 0, 33, 22, 0, 0, 0, 0);
    const RGB expected[6] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 0}, {0, 255, 255}, {255, 0, 255}};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(Pixel((i % 3) * 11 + 5, (i / 3) * 11 + 5), expected[i]) << "texel " << i;
    EXPECT_EQ(Pixel(40, 5), (RGB{0, 0, 0}));
    t.Delete();
    EXPECT_EQ(t.id, 0u);
}

TEST_F(GLWindow, DrawingAPartAndMirroringPickTheRightTexels)
{
    const u8 px[] = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};  // 4 x 1
    GLTexture t;
    ASSERT_TRUE(t.Create(px, GLTEX_RGB, 4, 1, 0, 0));
    t.Bind();
    t.Draw(0, 0, 0, 22, 11, 1, 0, 2, 1);  // texels 1 and 2 only
    EXPECT_EQ(Pixel(5, 5), (RGB{0, 255, 0}));
    EXPECT_EQ(Pixel(16, 5), (RGB{0, 0, 255}));
    t.Draw(2, 0, 20, 44, 11, 0, 0, 0, 0);  // mirrored left to right
    EXPECT_EQ(Pixel(5, 25), (RGB{255, 255, 255}));
    EXPECT_EQ(Pixel(38, 25), (RGB{255, 0, 0}));
    t.Draw(0, 100, 100, 0, 0, 0, 0, 0, 0);  // 0 size: the image's own
    EXPECT_EQ(Pixel(100, 100), (RGB{255, 0, 0}));
    EXPECT_EQ(Pixel(103, 100), (RGB{255, 255, 255}));
    EXPECT_EQ(Pixel(104, 100), (RGB{0, 0, 0}));
}

TEST_F(GLWindow, WithoutNonPowerOfTwoSupportAnImageIsRescaledWithMipmaps)
{
    GLForceNonPowerOfTwoFallback(1);
    std::vector<u8> px = Quadrants(300, 200);
    GLTexture t;
    ASSERT_TRUE(t.Create(px.data(), GLTEX_RGB, 300, 200, 0, 0));
    EXPECT_EQ(t.width, 300u);
    EXPECT_EQ(t.height, 200u);
    t.Bind();
    GLint tw = 0, th = 0, minFilter = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &tw);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &th);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
    EXPECT_EQ(tw & (tw - 1), 0) << tw;
    EXPECT_EQ(th & (th - 1), 0) << th;
    EXPECT_EQ(minFilter, GL_LINEAR_MIPMAP_LINEAR);
    // The whole image fills the quad: quadrant centres keep their colours.
    t.Draw(0, 0, 0, 200, 200, 0, 0, 0, 0);
    EXPECT_EQ(Pixel(50, 50), (RGB{255, 0, 0}));
    EXPECT_EQ(Pixel(150, 50), (RGB{0, 255, 0}));
    EXPECT_EQ(Pixel(50, 150), (RGB{0, 0, 255}));
    EXPECT_EQ(Pixel(150, 150), (RGB{255, 255, 255}));
}

TEST_F(GLWindow, AnEmptyTextureWithoutNonPowerOfTwoSupportIsAllocatedRoundedUp)
{
    GLForceNonPowerOfTwoFallback(1);
    GLTexture t;
    ASSERT_TRUE(t.Create(nullptr, GLTEX_RGBA, 300, 200, 0, 0));
    t.Bind();
    GLint tw = 0, th = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &tw);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &th);
    EXPECT_EQ(tw, 512);
    EXPECT_EQ(th, 256);
    EXPECT_EQ(t.width, 300u);
    EXPECT_EQ(t.height, 200u);

    GLForceNonPowerOfTwoFallback(0);
    GLTexture n;
    ASSERT_TRUE(n.Create(nullptr, GLTEX_RGBA, 300, 200, 1, 1));
    n.Bind();
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &tw);
    EXPECT_EQ(tw, 300);
    GLint minFilter = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
    EXPECT_EQ(minFilter, GL_LINEAR_MIPMAP_LINEAR);
}

TEST_F(GLWindow, DeletingAnAttachedTextureThatIsNotOwnedLeavesItAlive)
{
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexImage2D(GL_TEXTURE_2D, 0, 4, 4, 4, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    GLTexture t;
    t.Attach(name, 4, 4, 0);
    t.Delete();
    EXPECT_EQ(t.id, 0u);
    EXPECT_TRUE(glIsTexture(name));

    GLTexture owner;
    owner.Attach(name, 4, 4, 1);
    GLTexture other;
    ASSERT_TRUE(other.Create(nullptr, GLTEX_RGBA, 4, 4, 0, 0));
    u32 second = other.id;
    owner.Attach(second, 4, 4, 0);  // the owned first texture goes
    EXPECT_FALSE(glIsTexture(name));
    EXPECT_TRUE(glIsTexture(second));
    other.Delete();
}

TEST_F(GLWindow, ATextureAttachedWithoutASizeDrawsNothing)
{
    const u8 px[] = {255, 255, 255};
    GLTexture t;
    ASSERT_TRUE(t.Create(px, GLTEX_RGB, 1, 1, 0, 0));
    GLTexture view;
    view.Attach(t.id, 0, 0, 0);
    view.Bind();
    view.Draw(0, 0, 0, 10, 10, 0, 0, 0, 0);
    EXPECT_EQ(Pixel(5, 5), (RGB{0, 0, 0}));
}
