// The detail-texture editor on a driver without anisotropic filtering, probed under Xvfb: the
// extension is taken away from Mesa before this program's first context, so this file is its
// own test program. Drawing must raise no GL error and still show the texture.
#include <GL/gl.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "codex/Archive.h"
#include "codex/LocalFolder.h"
#include "foundation/PrefStore.h"
#include "tagedit/DtexEdit.h"
#include "tagedit/DtexTextures.h"
#include "tests/gui/PixelTestSupport.h"

using pixeltest::Px;

namespace {

class DtexEditNoAnisotropy : public pixeltest::SkinnedScreen {
protected:
    void SetUp() override
    {
        setenv("MESA_EXTENSION_OVERRIDE", "-GL_EXT_texture_filter_anisotropic -GL_ARB_texture_filter_anisotropic", 1);
        SkinnedScreen::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        if (HasAnisotropicFiltering()) GTEST_SKIP() << "the driver keeps anisotropic filtering";
        InstallDtexTextureHooks();
        char pattern[] = "/tmp/tavik-dtexna-XXXXXX";
        ASSERT_TRUE(mkdtemp(pattern));
        root = std::string(pattern) + "/";
        SetVornPath(root.c_str());
        ASSERT_TRUE(SetLocalFolder((root + "local").c_str()));
    }
    void TearDown() override
    {
        if (ready) {
            WindowSystem::Reset();
            CloseCodex();
            RemoveDtexTextureHooks();
        }
        SkinnedScreen::TearDown();
        if (!root.empty()) std::filesystem::remove_all(root);
    }
    std::string root;
};

}  // namespace

TEST_F(DtexEditNoAnisotropy, RedrawsRaiseNoGLErrorAndShowTheTexture)
{
    DtexEdit* ed = new DtexEdit(nullptr);
    ASSERT_TRUE(ed->Create(kDtexGroup, "Grass"));
    ed->Show();
    while (glGetError() != GL_NO_ERROR) {
    }
    for (int frame = 0; frame < 2; ++frame) {
        SCOPED_TRACE(frame);
        pixeltest::Shot shot = Render();
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
        Point p = {0, 0}, q = {16, 0};
        ed->ContentToScreen(&p, 1);
        ed->ContentToScreen(&q, 1);
        EXPECT_EQ(shot.PixelAt(p.x, p.y), (Px{0, 0, 0}));
        EXPECT_EQ(shot.PixelAt(q.x, q.y), (Px{255, 255, 255}));
    }
}
