// The view frustum, box classification and chunk culling against a per-square reference.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "terrain/TerrainModel.h"
#include "terrain/ViewFrustum.h"
#include "tests/terrain/TerrainFixture.h"

namespace {

TEST(ViewFrustum, PutsTheAxisThreeFourteenthsBelowTheTop)
{
    struct Case {
        u32 w, h;
        float fov;
    } cases[] = {{700, 350, 90}, {800, 600, 60}, {1600, 600, 100}, {300, 900, 40}};
    for (const Case& c : cases) {
        ViewFrustum f;
        f.Set(c.w, c.h, c.fov, 1, 10000);
        const float r = std::tan(c.fov / 2 * 3.14159265f / 180);
        const float k = r * c.h / c.w;
        EXPECT_FLOAT_EQ(f.right, r);
        EXPECT_FLOAT_EQ(f.left, -r);
        EXPECT_FLOAT_EQ(f.top, 3 * k / 7);
        EXPECT_FLOAT_EQ(f.bottom, -11 * k / 7);
        EXPECT_FLOAT_EQ(f.nearPlane, 1);
        EXPECT_FLOAT_EQ(f.farPlane, 10000);
        // Each side plane holds the eye and the near rectangle's edge at unit distance, and a
        // point beyond that edge lies outside it.
        const float edges[4][3] = {{0, f.top, -1}, {f.right, 0, -1}, {0, f.bottom, -1}, {f.left, 0, -1}};
        const float beyond[4][3] = {{0, 2 * f.top + 0.1f, -1}, {2 * f.right, 0, -1}, {0, 2 * f.bottom - 0.1f, -1},
                                    {2 * f.left, 0, -1}};
        for (u32 p = 0; p < 4; ++p) {
            const float* n = f.normals[p];
            EXPECT_NEAR(n[0] * n[0] + n[1] * n[1] + n[2] * n[2], 1.0, 1e-6);
            EXPECT_NEAR(n[0] * edges[p][0] + n[1] * edges[p][1] + n[2] * edges[p][2], 0.0, 1e-6) << p;
            EXPECT_GT(n[0] * beyond[p][0] + n[1] * beyond[p][1] + n[2] * beyond[p][2], 0) << p;
            EXPECT_LT(n[2] * -1, 0.0f);  // the view axis is inside every plane
        }
    }
}

TEST(ClassifyBox, AnswersOutsidePartlyOrInside)
{
    ViewFrustum f;
    f.Set(100, 100, 90, 1, 10000);  // looking down -z from the origin
    const float eye[3] = {0, 0, 0};
    struct Case {
        float box[6];
        int expected;
    } cases[] = {
        {{-1, -1, -20, 1, 1, -10}, 2},       // on the axis, well inside
        {{-100, -1, -20, 100, 1, -10}, 1},   // wider than the view
        {{50, -1, -20, 60, 1, -10}, 0},      // off to the right
        {{-1, -1, -20, 1, 30, -10}, 1},      // across the top edge
        {{-1, -1, 10, 1, 1, 20}, 0},         // behind the eye
        {{-1, 40, -20, 1, 50, -10}, 0},      // above the top plane
    };
    for (const Case& c : cases) EXPECT_EQ(ClassifyBox(c.box, f.normals, eye), c.expected);
}

// A column-major rotation: pitch about x after yaw about y (pitch pi/2 looks straight down).
void Rotation(float yaw, float pitch, float m[16])
{
    const float cy = std::cos(yaw), sy = std::sin(yaw), cp = std::cos(pitch), sp = std::sin(pitch);
    const float r[3][3] = {{cy, 0, sy}, {sp * sy, cp, -sp * cy}, {-cp * sy, sp, cp * cy}};  // rows
    for (u32 i = 0; i < 16; ++i) m[i] = 0;
    m[15] = 1;
    for (u32 row = 0; row < 3; ++row)
        for (u32 col = 0; col < 3; ++col) m[col * 4 + row] = r[row][col];
}

// Whether a mesh point (x, height in 1/512 units, z) lies strictly inside the four side
// planes, computed in eye space the way the view draws it: world (-x, h / 512, z).
bool InsideView(const ViewFrustum& f, const float m[16], const float eye[3], const float p[3])
{
    const float w[3] = {-p[0] - eye[0], p[1] / 512 - eye[1], p[2] - eye[2]};
    float e[3];
    for (u32 row = 0; row < 3; ++row) e[row] = m[row] * w[0] + m[4 + row] * w[1] + m[8 + row] * w[2];
    for (u32 k = 0; k < 4; ++k)
        if (f.normals[k][0] * e[0] + f.normals[k][1] * e[1] + f.normals[k][2] * e[2] > -1e-3f) return false;
    return true;
}

// Every drawn square with a point the view shows must not be classed outside. The points
// tried are each square's corners, edge midpoints and centre, moved by the wave where the
// vertex moves with it (at several frames).
void CheckNothingVisibleIsCulled(bool animate)
{
    MeshTagData* mesh = MakeMesh(4, 3, [](u32 x, u32 z) { return s16(((x * 37 + z * 91) % 23) * 512 - 6000); });
    // A lake of media vertices that move with the wave.
    for (u32 z = 20; z < 80; ++z)
        for (u32 x = 30; x < 100; ++x) {
            MeshCell& c = mesh->cells[z * mesh->columns + x];
            c.flags = kCellMedia0 | kCellMedia1 | kCellMediaWave;
            c.mediaHeight = 512;
        }
    TerrainModel model;
    LoadModel(model, mesh, false);
    model.mediaAnimation = animate;
    model.wave.amplitude[0] = 2.5f;   // cells
    model.wave.amplitude[1] = 1500;   // 1/512 units
    model.wave.amplitude[2] = 1.5f;
    model.frustum.Set(640, 480, 70, 1, 10000);

    std::mt19937 random(animate ? 7 : 3);
    std::uniform_real_distribution<float> unit(0, 1);
    u32 culled = 0, checked = 0;
    for (u32 pose = 0; pose < (animate ? 24u : 60u); ++pose) {
        const float eye[3] = {-(unit(random) * 160 - 16), unit(random) * 30 - 5, unit(random) * 120 - 12};
        float m[16];
        Rotation(unit(random) * 6.283f, unit(random) * 1.7f - 0.3f, m);
        model.CullChunks(m, eye);
        for (u32 z = 0; z + 1 < model.height; ++z)
            for (u32 x = 0; x + 1 < model.width; ++x) {
                const MeshChunk& chunk = model.chunks.data[(z / 32) * model.chunksAcross + x / 32];
                const u8 square = chunk.cellVisibility[(z % 32) * 32 + x % 32];
                const bool classedOut = chunk.classification == kCullOutside ||
                                        (chunk.classification == kCullPartial && square == kCullOutside);
                culled += classedOut;
                if (!classedOut) continue;
                for (u32 frame = 0; frame < (animate ? 40u : 1u); frame += 7) {
                    for (u32 s = 0; s <= 2; ++s)
                        for (u32 t = 0; t <= 2; ++t) {
                            // Corners move with the wave; points between them follow linearly.
                            float corner[4][3];
                            for (u32 c = 0; c < 4; ++c) {
                                const u32 cx = x + (c & 1), cz = z + (c >> 1);
                                corner[c][0] = float(cx);
                                corner[c][1] = float(model.VertexHeight(cx, cz));
                                corner[c][2] = float(cz);
                                if (animate && (mesh->cells[cz * model.width + cx].flags & kCellMediaWave))
                                    ApplyMediaWave(&model.wave, frame, corner[c]);
                            }
                            const float fs = s / 2.0f, ft = t / 2.0f;
                            float p[3];
                            for (u32 i = 0; i < 3; ++i)
                                p[i] = (1 - fs) * (1 - ft) * corner[0][i] + fs * (1 - ft) * corner[1][i] +
                                       (1 - fs) * ft * corner[2][i] + fs * ft * corner[3][i];
                            ++checked;
                            ASSERT_FALSE(InsideView(model.frustum, m, eye, p))
                                << "square " << x << ", " << z << " pose " << pose << " frame " << frame;
                        }
                }
            }
        // A fully visible chunk has every corner of every square inside.
        for (u32 k = 0; k < model.chunks.count; ++k) {
            const MeshChunk& chunk = model.chunks.data[k];
            if (chunk.classification != kCullInside || animate) continue;
            for (u32 z = 0; z <= 32; z += 8)
                for (u32 x = 0; x <= 32; x += 8) {
                    const float p[3] = {float(chunk.x0 + x), float(model.VertexHeight(chunk.x0 + x, chunk.z0 + z)),
                                        float(chunk.z0 + z)};
                    const float w[3] = {-p[0] - eye[0], p[1] / 512 - eye[1], p[2] - eye[2]};
                    for (u32 n = 0; n < 4; ++n) {
                        float e[3];
                        for (u32 row = 0; row < 3; ++row) e[row] = m[row] * w[0] + m[4 + row] * w[1] + m[8 + row] * w[2];
                        const float* nn = model.frustum.normals[n];
                        EXPECT_LE(nn[0] * e[0] + nn[1] * e[1] + nn[2] * e[2], 1e-3f);
                    }
                }
        }
    }
    // The poses really cull: the check above is not vacuous.
    EXPECT_GT(culled, 5000u);
    EXPECT_GT(checked, 0u);
}

TEST(CullChunks, NeverCullsASquareTheViewShowsOnRandomPoses) { CheckNothingVisibleIsCulled(false); }

TEST(CullChunks, NeverCullsAWaveMovedSquareTheViewShows) { CheckNothingVisibleIsCulled(true); }

TEST(CullChunks, KeepsTheSquareBytesOfAFullyVisibleChunk)
{
    TerrainModel model;
    LoadModel(model, MakeFlatMesh(1, 1), false);
    model.frustum.Set(640, 480, 90, 1, 10000);
    memset(model.chunks.data[0].cellVisibility, 7, sizeof(model.chunks.data[0].cellVisibility));
    // High above the chunk's middle, looking straight down (pitch -90 degrees).
    float m[16];
    Rotation(0, 3.14159265f / 2, m);
    const float eye[3] = {-16, 400, 16};
    model.CullChunks(m, eye);
    EXPECT_EQ(model.chunks.data[0].classification, kCullInside);
    EXPECT_EQ(model.chunks.data[0].cellVisibility[500], 7);
    // Looking up instead, nothing is visible.
    Rotation(0, -3.14159265f / 2, m);
    model.CullChunks(m, eye);
    EXPECT_EQ(model.chunks.data[0].classification, kCullOutside);
}

}  // namespace
