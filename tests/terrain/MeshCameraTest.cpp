// The terrain view's camera keys, step clock, projection angle and overlay text.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>

#include "terrain/MeshCamera.h"
#include "terrain/MeshOverlay.h"
#include "terrain/TerrainModel.h"
#include "terrain/ViewFrustum.h"
#include "tests/terrain/TerrainFixture.h"

namespace {

std::set<u32>& Held()
{
    static std::set<u32> keys;
    return keys;
}
bool IsHeld(u32 key) { return Held().count(key) != 0; }

MeshCamera StartCamera()
{
    MeshCamera c;
    c.Reset();
    return c;
}

float Rad(float degrees) { return degrees / 57.29578f; }

TEST(MeshCamera, StartsAtItsDefaults)
{
    MeshCamera c = StartCamera();
    EXPECT_EQ(c.eye[0], 0);
    EXPECT_EQ(c.eye[1], 50);
    EXPECT_EQ(c.eye[2], 0);
    EXPECT_EQ(c.yaw, 135);
    EXPECT_EQ(c.pitch, -27);
    EXPECT_EQ(c.roll, 0);
    EXPECT_EQ(c.orbitDistance, 20);
}

TEST(MeshCamera, EachKeyMovesAsItsRowSays)
{
    // One step with the key held, from the start pose: c = cos(-135), s = sin(-135).
    const float c = std::cos(Rad(-135)), s = std::sin(Rad(-135));
    const float climb = -std::sin(Rad(27));
    struct Row {
        char key;
        float dx, dy, dz, dyaw, dpitch;
    } rows[] = {
        {'X', 0.5f * c, 0, 0.5f * s, 0, 0},   {'Z', -0.5f * c, 0, -0.5f * s, 0, 0},
        {'W', 0.5f * s, 0, -0.5f * c, 0, 0},  {'S', -0.5f * s, 0, 0.5f * c, 0, 0},
        {'C', s, climb, -c, 0, 0},            {'V', -s, -climb, c, 0, 0},
        {'A', 0, 0, 0, 2, 0},                 {'D', 0, 0, 0, -2, 0},
        {'O', 0, 0, 0, 0, 1},                 {'P', 0, 0, 0, 0, -1},
    };
    for (const Row& r : rows) {
        MeshCamera cam = StartCamera();
        Held() = {u32(r.key)};
        EXPECT_TRUE(cam.MoveByKeys(IsHeld)) << r.key;
        EXPECT_NEAR(cam.eye[0], r.dx, 1e-5) << r.key;
        EXPECT_NEAR(cam.eye[1], 50 + r.dy, 1e-5) << r.key;
        EXPECT_NEAR(cam.eye[2], r.dz, 1e-5) << r.key;
        EXPECT_NEAR(cam.yaw, 135 + r.dyaw, 1e-5) << r.key;
        EXPECT_NEAR(cam.pitch, -27 + r.dpitch, 1e-5) << r.key;
    }
    // Two ground keys at once still move half a cell.
    MeshCamera cam = StartCamera();
    Held() = {'X', 'W'};
    cam.MoveByKeys(IsHeld);
    EXPECT_NEAR(std::hypot(cam.eye[0], cam.eye[2]), 0.5f, 1e-5);
    // No key: nothing moves and the step says so.
    cam = StartCamera();
    Held().clear();
    EXPECT_FALSE(cam.MoveByKeys(IsHeld));
    EXPECT_EQ(cam.eye[1], 50);
}

TEST(MeshCamera, OrbitKeepsTheGroundPointAndDistance)
{
    MeshCamera cam = StartCamera();
    const float r = 50 / std::tan(Rad(27));
    auto ground = [&](const MeshCamera& k) {
        const float s = std::sin(Rad(-k.yaw)), c = std::cos(Rad(-k.yaw));
        return std::make_pair(k.eye[0] + r * s, k.eye[2] - r * c);
    };
    const auto before = ground(cam);
    Held() = {'Q'};
    for (int i = 0; i < 10; ++i) cam.MoveByKeys(IsHeld);
    EXPECT_NEAR(cam.yaw, 115, 1e-3);
    EXPECT_NEAR(cam.orbitDistance, r, 1e-3);
    const auto after = ground(cam);
    EXPECT_NEAR(after.first, before.first, 1e-2);
    EXPECT_NEAR(after.second, before.second, 1e-2);
    Held() = {'E'};
    for (int i = 0; i < 10; ++i) cam.MoveByKeys(IsHeld);
    EXPECT_NEAR(cam.yaw, 135, 1e-3);
    EXPECT_NEAR(cam.eye[0], 0, 1e-2);
    EXPECT_NEAR(cam.eye[2], 0, 1e-2);
}

TEST(MeshCamera, TurningAFullCircleStaysInRange)
{
    MeshCamera cam = StartCamera();
    Held() = {'A'};
    for (int i = 0; i < 180; ++i) {
        cam.MoveByKeys(IsHeld);
        ASSERT_GE(cam.yaw, 0);
        ASSERT_LT(cam.yaw, 360);
    }
    EXPECT_NEAR(cam.yaw, 135, 1e-3);
    Held() = {'D'};
    for (int i = 0; i < 250; ++i) {
        cam.MoveByKeys(IsHeld);
        ASSERT_GE(cam.yaw, 0);
        ASSERT_LT(cam.yaw, 360);
    }
    EXPECT_NEAR(cam.yaw, 135 - 500 + 720, 1e-3);
}

TEST(MeshCamera, ALevelViewDoesNotOrbitIntoInfinity)
{
    // O pressed 27 times from the start levels the view: its axis meets the ground nowhere.
    MeshCamera cam = StartCamera();
    Held() = {'O'};
    for (int i = 0; i < 27; ++i) cam.MoveByKeys(IsHeld);
    ASSERT_EQ(cam.pitch, 0);
    for (char key : {'Q', 'E'}) {
        Held() = {u32(key)};
        for (int i = 0; i < 5; ++i) cam.MoveByKeys(IsHeld);
    }
    for (float v : cam.eye) EXPECT_TRUE(std::isfinite(v));
    EXPECT_TRUE(std::isfinite(cam.yaw));
    EXPECT_TRUE(std::isfinite(cam.orbitDistance));
    // Moving on afterwards still works.
    Held() = {'P', 'W'};
    cam.MoveByKeys(IsHeld);
    for (float v : cam.eye) EXPECT_TRUE(std::isfinite(v));
    EXPECT_EQ(cam.pitch, -1);
}

TEST(MeshCamera, RotationMatchesTheThreeAxisRotations)
{
    // With roll 0 the matrix turns the view direction of yaw and pitch onto -z.
    MeshCamera cam = StartCamera();
    float m[16];
    cam.RotationMatrix(m);
    const float s = std::sin(Rad(-cam.yaw)), c = std::cos(Rad(-cam.yaw));
    const float p = Rad(cam.pitch);
    // The world direction the camera looks along: forward on the ground (s, -c), tilted by pitch.
    const float d[3] = {s * std::cos(p), std::sin(p), -c * std::cos(p)};
    float out[3];
    for (int row = 0; row < 3; ++row) out[row] = m[row] * d[0] + m[4 + row] * d[1] + m[8 + row] * d[2];
    EXPECT_NEAR(out[0], 0, 1e-5);
    EXPECT_NEAR(out[1], 0, 1e-5);
    EXPECT_NEAR(out[2], -1, 1e-5);
}

TEST(MeshStepClock, CountsWholeStepsAndSkipsAStall)
{
    MeshStepClock clock;
    clock.Start(10.0);
    EXPECT_EQ(clock.Advance(10.0), 0u);
    EXPECT_EQ(clock.Advance(10.0 + kMeshStepSeconds * 0.99), 0u);
    EXPECT_EQ(clock.Advance(10.5), u32(std::trunc(0.5 / kMeshStepSeconds)));
    EXPECT_EQ(clock.Advance(10.5), 0u);
    // Five seconds without a tick: the clock starts again instead of catching up.
    EXPECT_EQ(clock.Advance(15.5), 0u);
    EXPECT_EQ(clock.start, 15.5);
    EXPECT_EQ(clock.Advance(15.6), u32(std::trunc(0.1 / kMeshStepSeconds)));
    // Time that runs backwards gives no steps either.
    EXPECT_EQ(clock.Advance(1.0), 0u);
    EXPECT_EQ(clock.Advance(1.0 + 3 * kMeshStepSeconds * 1.0001), 3u);
}

TEST(MeshView, AWiderViewSeesWiderWithTheSameVerticalExtent)
{
    const float narrow = MeshViewFieldOfView(800, 600), wide = MeshViewFieldOfView(1600, 600);
    EXPECT_NEAR(narrow, 50, 1e-3);  // the 4:3 shape keeps 50 degrees
    EXPECT_GT(wide, narrow);
    ViewFrustum a, b;
    a.Set(800, 600, narrow, 1, 10000);
    b.Set(1600, 600, wide, 1, 10000);
    EXPECT_NEAR(a.top - a.bottom, b.top - b.bottom, 1e-5);
    EXPECT_NEAR(a.top - a.bottom, 2 * 0.75 * std::tan(Rad(25)), 1e-5);
    EXPECT_NEAR(b.right - b.left, 2 * (a.right - a.left), 1e-5);
    // No area, no angle (and no projection).
    EXPECT_EQ(MeshViewFieldOfView(0, 600), 0);
    EXPECT_EQ(MeshViewFieldOfView(800, 0), 0);
    EXPECT_EQ(MeshViewFieldOfView(-5, 600), 0);
}

MeshOverlayInfo BaseInfo()
{
    MeshOverlayInfo i = {};
    i.chunksAcross = 2;
    i.chunksDown = 2;
    i.chunkClasses[0] = 1;
    i.chunkClasses[1] = 2;
    i.chunkClasses[2] = 1;
    i.rendered = 1000;
    i.radius = 3;
    i.materialName = "<none>";
    i.materialScale = 128;
    i.brushX = -1;
    i.brushZ = -1;
    return i;
}

TEST(MeshOverlay, WithoutTheToolShowsTheMeshLinesOnly)
{
    MeshOverlayInfo i = BaseInfo();
    i.wireframe = 1;
    EXPECT_EQ(std::string(FormatMeshOverlay(i).c_str()),
              "Mesh Dimensions: 2 x 2\nMesh Chunks: 1 invisible, 2 partial, 1 full\n"
              "Mesh Cells: 1000 rendered (25.2%)\nWireframe: ON\nMedia Animation: OFF\n");
}

TEST(MeshOverlay, WithTheToolShowsTheBrush)
{
    MeshOverlayInfo i = BaseInfo();
    i.tool = 1;
    i.mediaAnimation = 1;
    i.detailTextures = 1;
    i.highlightMode = 2;
    i.brushShape = 1;
    i.brushMode = 1;
    i.radius = 2.4f;
    i.materialName = " 003 ~ Sand";
    i.materialScale = 100;
    EXPECT_EQ(std::string(FormatMeshOverlay(i).c_str()),
              "Mesh Dimensions: 2 x 2\nMesh Chunks: 1 invisible, 2 partial, 1 full\n"
              "Mesh Cells: 1000 rendered (25.2%)\nWireframe: OFF\nMedia Animation: ON\n"
              "Detail Textures: ON\nHighlighting: OFF\nHighlight Mode: Terrain Type\nBrush Shape: Square\n"
              "Brush Mode: Triangle\nBrush Radius: 2.4\nBrush Material:  003 ~ Sand\n"
              "Brush Scale: 100 px/cell (12.5:1)\nBrush Position: {-1.00, -1.00}\n");
    i.brushShape = 0, i.brushMode = 0, i.highlightMode = 0, i.brushX = 12.5f, i.brushZ = 3.25f;
    const std::string text = FormatMeshOverlay(i).c_str();
    EXPECT_NE(text.find("Highlight Mode: Texture Index\nBrush Shape: Round\nBrush Mode: Vertex\n"), std::string::npos);
    EXPECT_NE(text.find("Brush Position: {12.50, 3.25}\n"), std::string::npos);
    i.highlightMode = 1;
    EXPECT_NE(std::string(FormatMeshOverlay(i).c_str()).find("Highlight Mode: Reflectivity\n"), std::string::npos);
}

TEST(MeshOverlay, AOneChunkMeshCountsNineHundredSixtyOneSquares)
{
    TerrainModel model;
    LoadModel(model, MakeFlatMesh(1, 1), false);
    model.chunks.data[0].classification = kCullInside;
    MeshOverlayInfo i = BaseInfo();
    i.chunksAcross = i.chunksDown = 1;
    CountChunkClasses(model, i.chunkClasses);
    EXPECT_EQ(i.chunkClasses[2], 1u);
    EXPECT_EQ(i.chunkClasses[0] + i.chunkClasses[1], 0u);
    i.rendered = 961;
    EXPECT_NE(std::string(FormatMeshOverlay(i).c_str()).find("Mesh Cells: 961 rendered (100.0%)\n"), std::string::npos);
    i.rendered = 480;
    EXPECT_NE(std::string(FormatMeshOverlay(i).c_str()).find("(49.9%)"), std::string::npos);
}

}  // namespace
