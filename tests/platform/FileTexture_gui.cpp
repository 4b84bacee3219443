// Textures made from picked image files, read back from OpenGL. Needs a display (Xvfb).
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "foundation/FileRecord.h"
#include "platform/FileTexture.h"
#include "platform/GLTexture.h"
#include "platform/Os.h"

namespace {

class FileTextureTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        OsUseRealBackend();
        ok = OsInit() && OsOpenWindow(64, 64, 0, 0);
        if (ok) InitGL();
    }
    static void TearDownTestSuite() { OsResetState(); }
    void SetUp() override
    {
        ASSERT_TRUE(ok) << "no window (is a display there?)";
        char pattern[] = "/tmp/tavik-filetex-XXXXXX";
        ASSERT_TRUE(mkdtemp(pattern));
        folder = pattern;
    }
    void TearDown() override { std::system(("rm -rf '" + folder + "'").c_str()); }

    static bool ok;
    std::string folder;
};
bool FileTextureTest::ok = false;

}  // namespace

TEST_F(FileTextureTest, PalettedFilesAreExpandedToRgbTextures)
{
    std::string path = folder + "/two.bmp";
    {
        FileRecord out(path.c_str());
        out.kind = kFileKindImage;
        out.format = kFileFormatBmp;
        out.image.Init();
        const u8 pixels[4] = {0, 1, 1, 0};  // 2 x 2, index per pixel
        ASSERT_TRUE(out.image.Create(2, 2, 6400, pixels));
        const Rgb palette[2] = {{10, 20, 30}, {200, 100, 50}};
        ASSERT_TRUE(out.image.SetPalette(2, palette));
        ASSERT_TRUE(out.Save());
    }
    FileRecord in(path.c_str());
    u32 name = CreateFileTexture(&in);
    ASSERT_NE(name, 0u);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_NE(GLuint(bound), name) << "the caller's binding is restored";

    glBindTexture(GL_TEXTURE_2D, name);
    std::vector<u8> back(2 * 2 * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, back.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    const u8 expected[12] = {10, 20, 30, 200, 100, 50, 200, 100, 50, 10, 20, 30};
    EXPECT_EQ(back, std::vector<u8>(expected, expected + 12));
    GLuint t = name;
    glDeleteTextures(1, &t);
}

TEST_F(FileTextureTest, FilesThatAreNotImagesGiveNoTexture)
{
    std::string path = folder + "/notes.txt";
    FILE* f = fopen(path.c_str(), "wb");
    ASSERT_TRUE(f);
    fputs("not a picture", f);
    fclose(f);
    FileRecord in(path.c_str());
    EXPECT_EQ(CreateFileTexture(&in), 0u);
    FileRecord missing((folder + "/missing.png").c_str());
    EXPECT_EQ(CreateFileTexture(&missing), 0u);
}

TEST_F(FileTextureTest, GreyMasksAreAlphaTexturesThatLetTheBackgroundThrough)
{
    std::string path = folder + "/mask.png";
    {
        FileRecord out(path.c_str());
        out.kind = kFileKindImage;
        out.format = kFileFormatPng;
        out.image.Init();
        const u8 mask[2] = {0, 255};
        ASSERT_TRUE(out.image.Create(2, 1, 6406, mask));
        ASSERT_TRUE(out.Save());
    }
    FileRecord in(path.c_str());
    u32 name = CreateFileTexture(&in);
    ASSERT_NE(name, 0u);
    glBindTexture(GL_TEXTURE_2D, name);
    GLint internal = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &internal);
    EXPECT_TRUE(internal == GL_ALPHA || internal == GL_ALPHA8) << internal;

    // Drawn white over red: red shows through where the mask is 0, white where it is 255.
    glViewport(0, 0, 64, 64);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 64, 64, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glColor4ub(255, 255, 255, 255);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex2i(0, 0);
    glTexCoord2f(1, 0);
    glVertex2i(32, 0);
    glTexCoord2f(1, 1);
    glVertex2i(32, 16);
    glTexCoord2f(0, 1);
    glVertex2i(0, 16);
    glEnd();
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glFinish();
    u8 left[4], right[4];
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(8, 64 - 8, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, left);
    glReadPixels(24, 64 - 8, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, right);
    EXPECT_EQ(255, left[0]);
    EXPECT_EQ(0, left[1]) << "red shows through, not opaque black or white";
    EXPECT_EQ(255, right[1]);
    glBindTexture(GL_TEXTURE_2D, 0);
    GLuint t = name;
    glDeleteTextures(1, &t);
}
