// Render models built from a 'geom' tag's geometry and the collection its 'core' tag names.
#include <array>
#include <cmath>

#include "codex/CoreTag.h"
#include "codex/LocalFolder.h"
#include "collection/Collection.h"
#include "model/RenderModel.h"
#include "tests/model/TagWriting.h"
#include "tests/codex/CodexFixture.h"

namespace {

class RenderModelTest : public CodexTest {
protected:
    void SetUp() override
    {
        CodexTest::SetUp();
        ASSERT_TRUE(SetLocalFolder(Local().c_str()));
        InitGeom(&geom);
    }
    void TearDown() override
    {
        FreeGeom(&geom);
        CodexTest::TearDown();
    }

    // A collection of two 2 x 1 bitmaps and three sequences: "Lava" shows bitmap 1, "Blank"
    // shows none, "Later" shows bitmap 0 in its second frame only. Answers the 'core' id.
    u32 WriteCollectionAndCore()
    {
        u32 collection = WriteNewTag(FourCC(".256"), "Rocks", [](FILE* f, TagHeader* h) {
            Collection c;
            ColorTableEntry colors[256] = {};
            colors[5] = {250, 10, 20};
            colors[6] = {1, 2, 3};
            c.SetColorTable(colors, 256);
            const u8 first[4] = {255, 6, 255, 6};
            const u8 second[4] = {255, 5, 68, 6};  // alpha is stored in steps of 17
            CollectionBitmap* a = c.AddBitmap("Stone", 0, first, 2, 1, 2, nullptr);
            CollectionBitmap* b = c.AddBitmap("Magma", 0, second, 2, 1, 2, nullptr);
            c.AddSequence("Lava")->GetFrameView(0, 0).bitmap = b;
            c.AddSequence("Blank");
            Sequence* later = c.AddSequence("Later");
            later->Resize(1, 2);
            later->GetFrameView(1, 0).bitmap = a;
            return c.Write(f, h) != 0;
        });
        return WriteNewTag(FourCC("core"), "Rocks", [collection](FILE* f, TagHeader*) {
            CoreTagData core = {};
            core.collection = collection;
            return WriteCoreTag(&core, f) != 0;
        });
    }

    void SetVertices(std::initializer_list<std::array<s16, 3>> points)
    {
        ResizeGeomVertices(&geom, u32(points.size()));
        u32 i = 0;
        for (const auto& p : points) {
            for (u32 a = 0; a < 3; ++a) geom.vertices.data[i].v[a] = p[a];
            ++i;
        }
    }

    Geometry geom;
};

TEST_F(RenderModelTest, VerticesPivotAndBoxComeFromTheStoredValues)
{
    // Every y (the third stored value) is negative.
    SetVertices({{{512, 1024, -256}}, {{-512, 0, -1024}}, {{0, 256, -768}}});
    geom.header.point[0] = 100;
    geom.header.point[1] = 200;
    geom.header.point[2] = 300;
    RenderModel* m = BuildRenderModelFromGeom(&geom);
    ASSERT_EQ(3u, m->vertices.count);
    EXPECT_EQ(-1.0f, m->vertices.data[0].position[0]);
    EXPECT_EQ(-0.5f, m->vertices.data[0].position[1]);
    EXPECT_EQ(2.0f, m->vertices.data[0].position[2]);
    const float box[6] = {-1, -2, 0, 1, -0.5f, 2};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(box[i], m->box[i]) << i;
    EXPECT_EQ(-100.0f / 512, m->pivot[0]);
    EXPECT_EQ(300.0f / 512, m->pivot[1]);
    EXPECT_EQ(200.0f / 512, m->pivot[2]);
    DeleteRenderModel(m);

    // Nothing to bound: the box stays zero instead of the search's start values.
    FreeGeom(&geom);
    InitGeom(&geom);
    m = BuildRenderModelFromGeom(&geom);
    for (float v : m->box) EXPECT_EQ(0.0f, v);
    DeleteRenderModel(m);
}

TEST_F(RenderModelTest, TrianglesTakeSurfaceAlphaAndCornersAsStoredAndDropMissingVertices)
{
    const u32 n = 40001;
    ResizeGeomVertices(&geom, n);
    ResizeGeomTrianglesZeroed(&geom, 3);
    GeomTriangle* t = geom.triangles.data;
    t[0].flags = 1;
    t[0].transparency = 0x8080;
    t[0].surface = 0xFFFF;
    t[0].corner[0] = {65535, 0, 40000, 0};
    t[0].corner[1] = {0, 32768, 32768, 0};
    t[0].corner[2] = {0, 0, 1, 0};
    t[1].transparency = 0x8080;  // without flag bit 0 the triangle stays opaque
    t[1].surface = 2;
    t[1].corner[0].vertex = 3;
    t[2].corner[1].vertex = 50000;  // not a vertex of the geometry
    RenderModel* m = BuildRenderModelFromGeom(&geom);
    ASSERT_EQ(2u, m->triangles.count);
    const RenderTriangle& a = m->triangles.data[0];
    EXPECT_EQ(m, a.model);
    EXPECT_EQ(-1, a.material);
    EXPECT_EQ(0x80FFFFFFu, a.color);
    EXPECT_EQ(40000, a.corner[0].vertex);
    EXPECT_EQ(32768, a.corner[1].vertex);
    EXPECT_EQ(1, a.corner[2].vertex);
    EXPECT_EQ(0.0f, a.corner[0].u);
    EXPECT_EQ(1.0f, a.corner[0].v);
    EXPECT_FLOAT_EQ(32768.0f / 65535, a.corner[1].u);
    const RenderTriangle& b = m->triangles.data[1];
    EXPECT_EQ(2, b.material);
    EXPECT_EQ(0xFFFFFFFFu, b.color);
    EXPECT_EQ(3, b.corner[0].vertex);
    DeleteRenderModel(m);
}

TEST_F(RenderModelTest, MaterialsTakeNamesAndPicturesFromTheCollectionTheCoreNames)
{
    u32 core = WriteCollectionAndCore();
    ASSERT_NE(kNoTagId, core);
    geom.header.value1 = core;
    ResizeGeomSurfaces(&geom, 4);
    SetGeomSurface(&geom, 0, "a", 0);
    SetGeomSurface(&geom, 1, "b", 1);
    SetGeomSurface(&geom, 2, "c", 2);
    SetGeomSurface(&geom, 3, "d", 9);
    RenderModel* m = BuildRenderModelFromGeom(&geom);
    ASSERT_EQ(4u, m->materials.count);
    const RenderMaterial& lava = m->materials.data[0];
    EXPECT_STREQ("Lava", lava.surfaceName.c_str());
    EXPECT_STREQ("Magma", lava.textureFileName.c_str());
    ASSERT_TRUE(lava.imageLoaded);
    EXPECT_EQ(u32(kImageIndexed), lava.image.format);
    EXPECT_EQ(5, lava.image.pixels[0]);
    EXPECT_EQ(250, lava.image.palette[5].r);
    ASSERT_EQ(u32(kImageAlpha), lava.alphaImage.format);
    EXPECT_EQ(68, lava.alphaImage.pixels[1]);
    u32 w = 0, h = 0;
    u8* rgba = RenderMaterialRgba(lava, &w, &h);
    ASSERT_NE(rgba, nullptr);
    EXPECT_EQ(2u, w);
    const u8 expected[8] = {250, 10, 20, 255, 1, 2, 3, 68};
    EXPECT_EQ(0, memcmp(expected, rgba, 8));
    free(rgba);
    // A sequence without a bitmap in frame 0, view 0 names the material but gives no picture;
    // a surface naming no sequence gets neither.
    EXPECT_STREQ("Blank", m->materials.data[1].surfaceName.c_str());
    EXPECT_FALSE(m->materials.data[1].imageLoaded);
    EXPECT_STREQ("Later", m->materials.data[2].surfaceName.c_str());
    EXPECT_FALSE(m->materials.data[2].imageLoaded);
    EXPECT_TRUE(m->materials.data[3].surfaceName.IsEmpty());
    EXPECT_EQ(nullptr, RenderMaterialRgba(m->materials.data[3], &w, &h));
    DeleteRenderModel(m);

    // A 'core' that names no collection leaves every material plain.
    geom.header.value1 = FourCC("none");
    m = BuildRenderModelFromGeom(&geom);
    ASSERT_EQ(4u, m->materials.count);
    for (const RenderMaterial& mat : m->materials) EXPECT_TRUE(mat.surfaceName.IsEmpty());
    DeleteRenderModel(m);
}

}  // namespace
