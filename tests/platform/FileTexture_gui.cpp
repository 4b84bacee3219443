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
