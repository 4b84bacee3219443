// Under a real OpenGL context: chunk texture upload, picking the mesh point under a pixel,
// and the brush outlines, probed on the screen.
#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "platform/GLTexture.h"
#include "platform/Os.h"
#include "terrain/ChunkTexels.h"
#include "terrain/TerrainModel.h"
#include "terrain/ui/BrushOutline.h"
#include "terrain/ui/ChunkTexture.h"
#include "terrain/ui/MeshPicking.h"
#include "tests/terrain/TerrainFixture.h"

namespace {

constexpr int kWidth = 320, kHeight = 240;

class TerrainView : public ::testing::Test {
protected:
    void SetUp() override
    {
        OsUseRealBackend();
        if (!OsInit() || !OsOpenWindow(kWidth, kHeight, 0, 0)) GTEST_SKIP() << "no display";
        InitGL();
        ready = true;
        // A small hilly mesh of one chunk.
        LoadModel(model, MakeMesh(1, 1, [](u32 x, u32 z) {
                      return s16(512 * 3 * std::sin(x * 0.35) * std::cos(z * 0.25));
                  }),
                  false);
    }
    void TearDown() override
    {
        OsResetState();
        OsUseFakeBackend();
    }

    // The view of the editor: the off-axis frustum, the camera rotation, the eye, the mirror
    // and the height scale, looking down at the mesh from above its near edge.
    void SetUpCamera()
    {
        glViewport(0, 0, kWidth, kHeight);
        model.frustum.Set(kWidth, kHeight, 70, 1, 10000);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glFrustum(model.frustum.left, model.frustum.right, model.frustum.bottom, model.frustum.top, 1, 10000);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glRotatef(60, 1, 0, 0);
        glTranslatef(16, -20, -38);  // eye at world (-16, 20, 38): mesh x 16, z 38
        glScalef(-1, 1.0f / 512, 1);
    }

    // Each drawn triangle in its own flat colour: red x * 8, green z * 8, blue 100 + 100 t.
    void DrawMesh()
    {
        glClearColor(0, 0, 0, 1);
        glClearDepth(1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LESS);
        glDisable(GL_BLEND);
        glDisable(GL_TEXTURE_2D);
        glBegin(GL_TRIANGLES);
        for (u32 z = 0; z + 1 < model.height; ++z)
            for (u32 x = 0; x + 1 < model.width; ++x) {
                const u32 a[2] = {x, z}, b[2] = {x + 1, z}, c[2] = {x + 1, z + 1}, d[2] = {x, z + 1};
                const bool even = ((x ^ z) & 1) == 0;
                const u32* tri[2][3] = {{a, d, even ? c : b}, {even ? a : b, even ? c : d, even ? b : c}};
                for (u32 t = 0; t < 2; ++t) {
                    glColor3ub(u8(x * 8), u8(z * 8), u8(100 + 100 * t));
                    for (const u32* v : tri[t]) glVertex3f(float(v[0]), float(model.VertexHeight(v[0], v[1])), float(v[1]));
                }
            }
        glEnd();
    }

    u32 At(int x, int y)
    {
        u8 p[4] = {};
        glReadPixels(x, kHeight - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
        return u32(p[0]) | u32(p[1]) << 8 | u32(p[2]) << 16;
    }

    bool ready = false;
    TerrainModel model;
};

TEST_F(TerrainView, PickMeshPointFindsTheCellUnderAPixel)
{
    SetUpCamera();
    DrawMesh();
    glFinish();
    const PickViewport view{0, 0, kWidth, kHeight, kHeight};
    u32 checked = 0, background = 0;
    for (int y = 4; y < kHeight - 4; y += 9)
        for (int x = 4; x < kWidth - 4; x += 11) {
            const u32 c = At(x, y);
            bool uniform = true;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) uniform = uniform && At(x + dx, y + dy) == c;
            if (!uniform) continue;  // near a triangle's edge the cell is ambiguous
            float px = 0, pz = 0;
            const int hit = PickMeshPoint(view, x, y, &px, &pz);
            if (c == 0) {
                EXPECT_EQ(hit, 0) << x << ", " << y;
                EXPECT_EQ(px, -1);
                EXPECT_EQ(pz, -1);
                ++background;
                continue;
            }
            ASSERT_EQ(hit, 1) << x << ", " << y;
            const u32 cx = (c & 255) / 8, cz = (c >> 8 & 255) / 8, t = (c >> 16 & 255) == 200;
            EXPECT_EQ(u32(px), cx) << x << ", " << y << " picked " << px << ", " << pz;
            EXPECT_EQ(u32(pz), cz) << x << ", " << y << " picked " << px << ", " << pz;
            // The picked point also lies in the right triangle of its square.
            const float fx = px - float(cx), fz = pz - float(cz);
            const bool even = ((cx ^ cz) & 1) == 0;
            const u32 pickedT = even ? (fx < fz ? 0 : 1) : (fx + fz < 1 ? 0 : 1);
            EXPECT_EQ(pickedT, t) << x << ", " << y;
            ++checked;
        }
    EXPECT_GT(checked, 40u);
    EXPECT_GT(background, 5u);
    // A point outside the content is no pick.
    float px = 0, pz = 0;
    EXPECT_EQ(PickMeshPoint(view, kWidth, 10, &px, &pz), 0);
}

// Where a mesh point lands on the screen (top-left origin) under the current matrices.
void Project(float x, float h, float z, double* sx, double* sy)
{
    GLdouble mv[16], pr[16];
    GLint vp[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, mv);
    glGetDoublev(GL_PROJECTION_MATRIX, pr);
    glGetIntegerv(GL_VIEWPORT, vp);
    double wx, wy, wz;
    gluProject(x, h, z, mv, pr, vp, &wx, &wy, &wz);
    *sx = wx;
    *sy = kHeight - wy;
}

TEST_F(TerrainView, BrushOutlinesAreDrawnOverTheSurfaceAroundTheirCentre)
{
    const u32 yellow = 0x00FFFF;
    for (u32 shape : {kBrushRound, kBrushSquare}) {
        SetUpCamera();
        DrawMesh();
        glColor3ub(255, 255, 0);
        const float cx = 14.5f, cz = 25.5f, r = 3;
        if (shape == kBrushRound) DrawRoundBrush(model, cx, cz, r, 256);
        else DrawSquareBrush(model, cx, cz, r, 256);
        glFinish();
        // Points on the outline are yellow (within a pixel); the centre is not.
        const float offsets[][2] = {{r, 0}, {-r, 0}, {0, r}, {0, -r}, {r, r}, {-r, -r}};
        for (const auto& o : offsets) {
            float x = cx + o[0], z = cz + o[1];
            if (shape == kBrushRound && o[0] != 0 && o[1] != 0) {
                x = cx + o[0] * 0.70710678f;
                z = cz + o[1] * 0.70710678f;
            }
            double sx, sy;
            Project(x, model.SampleSurfaceHeight(x, z), z, &sx, &sy);
            bool found = false;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) found = found || At(int(sx) + dx, int(sy) + dy) == yellow;
            EXPECT_TRUE(found) << "shape " << shape << " at " << x << ", " << z << " screen " << sx << ", " << sy;
        }
        double sx, sy;
        Project(cx, model.SampleSurfaceHeight(cx, cz), cz, &sx, &sy);
        EXPECT_NE(At(int(sx), int(sy)), yellow);
    }
    // Off the mesh nothing is drawn.
    SetUpCamera();
    DrawMesh();
    glColor3ub(255, 255, 0);
    DrawRoundBrush(model, -1, -1, 4, 256);
    DrawSquareBrush(model, -1, 5, 4, 256);
    glFinish();
    std::vector<u8> px(kWidth * kHeight * 4);
    glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, px.data());
    u32 yellowPixels = 0;
    for (size_t i = 0; i < px.size(); i += 4) yellowPixels += px[i] == 255 && px[i + 1] == 255 && px[i + 2] == 0;
    EXPECT_EQ(yellowPixels, 0u);
}

TEST_F(TerrainView, ChunkTexturesAreUploadedAtLoadAndDeletedWithTheModel)
{
    Collection* none = nullptr;
    TerrainModel* m = new TerrainModel;
    m->releaseChunk = ReleaseChunkTexture;
    for (u32 size : {256u, 257u}) {
        ASSERT_EQ(m->Load(MakeFlatMesh(2, 1), none, size, UploadChunkTexture, nullptr), 1);
        for (u32 k = 0; k < 2; ++k) {
            const GLuint id = m->chunks.data[k].texture;
            ASSERT_NE(id, 0u);
            EXPECT_EQ(glIsTexture(id), GL_TRUE);
            glBindTexture(GL_TEXTURE_2D, id);
            GLint w = 0;
            glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
            EXPECT_EQ(w, int(size));
        }
    }
    const GLuint first = m->chunks.data[0].texture;
    delete m;
    EXPECT_EQ(glIsTexture(first), GL_FALSE);
    EXPECT_TRUE(ChunkTextureSize() == 256 || ChunkTextureSize() == 257);
}

}  // namespace
