// The detail-texture editor on a driver without anisotropic filtering, probed under Xvfb: the
// extension is taken away from Mesa before this program's first context, so this file is its
// own test program. Drawing must raise no GL error and still show the texture.
#include <GL/gl.h>
#include <stdlib.h>

#include "tests/tagedit/DtexEditPixels.h"

using pixeltest::Px;

namespace {

class DtexEditNoAnisotropy : public DtexEditPixels {
protected:
    void SetUp() override
    {
        setenv("MESA_EXTENSION_OVERRIDE", "-GL_EXT_texture_filter_anisotropic -GL_ARB_texture_filter_anisotropic", 1);
        DtexEditPixels::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        if (HasAnisotropicFiltering()) GTEST_SKIP() << "the driver keeps anisotropic filtering";
    }
};

}  // namespace

TEST_F(DtexEditNoAnisotropy, RedrawsRaiseNoGLErrorAndShowTheTexture)
{
    DtexEdit* ed = NewEditor("Grass");
    while (glGetError() != GL_NO_ERROR) {
    }
    for (int frame = 0; frame < 2; ++frame) {
        SCOPED_TRACE(frame);
        pixeltest::Shot shot = Render();
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
        EXPECT_EQ(At(ed, shot, 0, 0), (Px{0, 0, 0}));
        EXPECT_EQ(At(ed, shot, 16, 0), (Px{255, 255, 255}));
    }
}
