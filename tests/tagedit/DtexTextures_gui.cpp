// Detail textures reach the screen through the hooks the program installs after InitGL.
// Needs a display (Xvfb).
#include <GL/gl.h>
#include <GL/glext.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "tagedit/DtexTextures.h"
#include "codex/Archive.h"
#include "codex/Codex.h"
#include "codex/DtexTag.h"
#include "codex/LocalFolder.h"
#include "foundation/PrefStore.h"
#include "platform/GLTexture.h"
#include "platform/Os.h"

namespace {

const int kW = 256, kH = 256;

class DtexOnScreen : public ::testing::Test {
protected:
    void SetUp() override
    {
        OsUseRealBackend();
        if (!OsInit() || !OsOpenWindow(kW, kH, 0, 0)) GTEST_SKIP() << "no display";
        InitGL();
        char pattern[] = "/tmp/tavik-dtexgl-XXXXXX";
        ASSERT_TRUE(mkdtemp(pattern));
        root = std::string(pattern) + "/";
        SetVornPath(root.c_str());
        ASSERT_TRUE(SetLocalFolder((root + "local").c_str()));
    }
    void TearDown() override
    {
        CloseCodex();
        RemoveDtexTextureHooks();
        OsResetState();
        OsUseFakeBackend();
        if (!root.empty()) std::filesystem::remove_all(root);
    }
    std::vector<int> Pixel(int x, int y)
    {
        u8 p[4] = {};
        glFinish();
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(x, kH - 1 - y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, p);
        return {p[0], p[1], p[2]};
    }
    // Draws the texture at the origin at its own size.
    void Draw(DtexTag* d)
    {
        glViewport(0, 0, kW, kH);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0, kW, kH, 0, -1, 1);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glClearColor(0.5f, 0, 0.5f, 0);
        glClear(GL_COLOR_BUFFER_BIT);
        GLTexture* t = static_cast<GLTexture*>(d->GetTexture());
        ASSERT_NE(t, nullptr);
        glEnable(GL_TEXTURE_2D);
        glColor4f(1, 1, 1, 1);
        t->Bind();
        GLint minFilter = 0;
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
        EXPECT_EQ(minFilter, GL_LINEAR_MIPMAP_LINEAR) << "mipmapped";
        GLfloat anisotropy = 0;
        glGetTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, &anisotropy);
        if (HasAnisotropicFiltering()) {
            EXPECT_GT(anisotropy, 1.0f) << "anisotropic filtering on";
        }
        // At its own size a texture needs no anisotropic filtering, and the software
        // rasteriser would blend in coarser mipmap levels with it.
        glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, 1.0f);
        t->Draw(0, 0, 0, 0, 0, 0, 0, 0, 0);
        glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, anisotropy);
        glDisable(GL_TEXTURE_2D);
    }
    std::string root;
};

typedef std::vector<int> RGB;

}  // namespace

TEST_F(DtexOnScreen, WithoutHooksThereIsNoTextureAndWithThemTheCheckerboardShows)
{
    DtexTag* d = DtexManager().CreateNew(kDtexGroup, "Grass", kNoTagId);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->GetTexture(), nullptr) << "no hooks installed yet";
    d->InvalidateTexture();

    InstallDtexTextureHooks();
    Draw(d);
    EXPECT_EQ(Pixel(0, 0), (RGB{0, 0, 0}));
    EXPECT_EQ(Pixel(16, 0), (RGB{255, 255, 255}));
    EXPECT_EQ(Pixel(16, 16), (RGB{0, 0, 0}));

    // Pixels changed in place show once the texture is marked stale.
    GLTexture* first = static_cast<GLTexture*>(d->GetTexture());
    const u32 firstId = first->id;
    for (u32 y = 0; y < 16; ++y) memset(d->pixels + y * 256 * 3, 200, 16 * 3);  // the top-left square
    d->InvalidateTexture();
    EXPECT_FALSE(glIsTexture(firstId)) << "the stale texture is deleted";
    Draw(d);
    EXPECT_EQ(Pixel(4, 4), (RGB{200, 200, 200}));
    ResourceRelease(d);
}

TEST_F(DtexOnScreen, TheLastReleaseDeletesTheTexture)
{
    InstallDtexTextureHooks();
    DtexTag* d = DtexManager().CreateNew(kDtexGroup, "Sand", kNoTagId);
    ASSERT_NE(d, nullptr);
    GLTexture* t = static_cast<GLTexture*>(d->GetTexture());
    ASSERT_NE(t, nullptr);
    const u32 id = t->id;
    EXPECT_TRUE(glIsTexture(id));
    ResourceRelease(d);
    EXPECT_FALSE(glIsTexture(id));
}
