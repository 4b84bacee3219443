// Render models written as LWO2 objects with PNG pictures, read back by our reader and by
// assimp.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "foundation/DirectoryStack.h"
#include "model/LwoExport.h"
#include "model/ModelImport.h"
#include "tests/common/FileBytes.h"
#include "tests/common/TempFolder.h"
#include "tests/model/AssimpInfo.h"
#include "tests/model/ModelFixture.h"

namespace {

u32 Be32(const std::vector<u8>& b, size_t at)
{
    return u32(b[at]) << 24 | u32(b[at + 1]) << 16 | u32(b[at + 2]) << 8 | b[at + 3];
}
u32 Be16(const std::vector<u8>& b, size_t at) { return u32(b[at]) << 8 | b[at + 1]; }
std::string Id(const std::vector<u8>& b, size_t at) { return std::string(reinterpret_cast<const char*>(&b[at]), 4); }

// Length of the S0 string at `at`, pad included.
size_t S0Length(const std::vector<u8>& b, size_t at)
{
    size_t n = strnlen(reinterpret_cast<const char*>(&b[at]), b.size() - at) + 1;
    return n + (n & 1);
}

// Walks sub-chunks from `at` to `end`; every one must end exactly where its size says, and
// the ones that hold sub-chunks of their own are walked too. Appends what it met to ids.
void WalkSubChunks(const std::vector<u8>& b, size_t at, size_t end, std::vector<std::string>* ids)
{
    while (at < end) {
        ASSERT_LE(at + 6, end);
        std::string id = Id(b, at);
        u32 size = Be16(b, at + 4);
        ASSERT_EQ(0u, size & 1) << id << " is not padded";
        ASSERT_LE(at + 6 + size, end) << id;
        ids->push_back(id);
        size_t body = at + 6;
        if (id == "BLOK") WalkSubChunks(b, body, body + size, ids);
        if (id == "IMAP") WalkSubChunks(b, body + S0Length(b, body), body + size, ids);
        at = body + size;
    }
    ASSERT_EQ(at, end);
}

// The top-level chunk ids of the file and, for CLIP and SURF, the sub-chunks inside them.
std::vector<std::string> WalkObject(const std::vector<u8>& b)
{
    std::vector<std::string> ids;
    EXPECT_GE(b.size(), 12u);
    if (b.size() < 12) return ids;
    EXPECT_EQ("FORM", Id(b, 0));
    EXPECT_EQ("LWO2", Id(b, 8));
    EXPECT_EQ(b.size() - 8, Be32(b, 4));
    size_t at = 12;
    while (at < b.size()) {
        EXPECT_LE(at + 8, b.size());
        if (at + 8 > b.size()) break;
        std::string id = Id(b, at);
        u32 size = Be32(b, at + 4);
        EXPECT_EQ(0u, size & 1) << id << " is not padded";
        EXPECT_LE(at + 8 + size, b.size()) << id;
        ids.push_back(id);
        size_t body = at + 8, end = body + size;
        if (id == "CLIP") WalkSubChunks(b, body + 4, end, &ids);
        if (id == "SURF") {
            size_t name = S0Length(b, body);
            WalkSubChunks(b, body + name + S0Length(b, body + name), end, &ids);
        }
        at = end;
    }
    EXPECT_EQ(at, b.size());
    return ids;
}

void AddVertex(RenderModel* m, float x, float y, float z)
{
    RenderVertex v = {};
    v.position[0] = x, v.position[1] = y, v.position[2] = z;
    m->vertices.Push(v);
}

void AddTriangle(RenderModel* m, s32 material, u32 a, u32 b, u32 c, float v = 0.25f)
{
    RenderTriangle t = {};
    t.model = m;
    t.material = material;
    t.color = 0xFFFFFFFFu;
    const u32 corners[3] = {a, b, c};
    for (int k = 0; k < 3; ++k) {
        t.corner[k].vertex = s32(corners[k]);
        t.corner[k].u = 0.125f * float(k + 1);
        t.corner[k].v = v;
    }
    m->triangles.Push(t);
}

void SetPicture(RenderMaterial* m, u8 seed)
{
    u8 px[4] = {0, 1, 2, seed};
    m->image.Create(2, 2, kImageIndexed, px);
    Rgb palette[4] = {{1, 2, 3}, {40, 50, 60}, {200, 100, 0}, {9, 9, 9}};
    m->image.SetPalette(4, palette);
    m->imageLoaded = 1;
}

// A model with two textured materials ("Skin", odd with its zero, and "Bone2") and a triangle
// without material.
RenderModel* SampleModel()
{
    RenderModel* m = NewRenderModel();
    AddVertex(m, 1, 2, 3);
    AddVertex(m, -1, 0, 0.5f);
    AddVertex(m, 0, -4, 1);
    AddVertex(m, 2, 2, 2);
    AddTriangle(m, 0, 0, 1, 2);
    AddTriangle(m, 1, 1, 2, 3, 0.75f);
    AddTriangle(m, -1, 0, 2, 3);
    RenderMaterial* skin = AddRenderMaterial(m);
    skin->surfaceName = "Skin";
    skin->textureFileName = "skin";
    SetPicture(skin, 0);
    RenderMaterial* bone = AddRenderMaterial(m);
    bone->surfaceName = "Bone2";
    bone->textureFileName = "bone.png";
    SetPicture(bone, 3);
    m->pivot[0] = 0.5f;
    return m;
}

TEST(LwoExport, EveryChunkSizeCountsItsBytesAndPadAndTheChunksComeInOrder)
{
    RenderModel* m = SampleModel();
    TempFolder dir;
    ASSERT_EQ(1, ExportModelToLwo(m, dir.path.c_str(), "Thing"));
    const std::vector<u8> bytes = ReadFile(dir / "Thing.lwo");
    const std::vector<std::string> expected = {
        "TAGS", "LAYR", "PNTS", "POLS", "PTAG", "VMAD", "VMAD", "CLIP", "STIL", "CLIP", "STIL",
        "SURF", "COLR", "SIDE", "BLOK", "IMAP", "CHAN", "ENAB", "NEGA", "PROJ", "IMAG", "VMAP",
        "SURF", "COLR", "SIDE", "BLOK", "IMAP", "CHAN", "ENAB", "NEGA", "PROJ", "IMAG", "VMAP",
        "SURF", "COLR", "SIDE"};
    EXPECT_EQ(expected, WalkObject(bytes));
    // TAGS: "Skin" padded, "Bone2" not, then the surface for the triangle without material.
    const char tags[] = "TAGS\0\0\0\x14Skin\0\0Bone2\0Default\0";
    ASSERT_GE(bytes.size(), 12u + sizeof tags - 1);
    EXPECT_EQ(0, memcmp(&bytes[12], tags, sizeof tags - 1));
    DeleteRenderModel(m);

    RenderModel* bare = NewRenderModel();
    AddVertex(bare, 0, 0, 0);
    AddVertex(bare, 1, 0, 0);
    AddVertex(bare, 0, 1, 0);
    ASSERT_EQ(1, ExportModelToLwo(bare, dir.path.c_str(), "Bare.lwo"));
    EXPECT_EQ((std::vector<std::string>{"TAGS", "LAYR", "PNTS", "POLS", "PTAG"}), WalkObject(ReadFile(dir / "Bare.lwo")));
    DeleteRenderModel(bare);
}

TEST(LwoExport, TheObjectReadsBackWithItsPointsSurfacesUvsAndPictures)
{
    RenderModel* m = SampleModel();
    TempFolder dir;
    ASSERT_EQ(1, ExportModelToLwo(m, dir.path.c_str(), "Thing"));
    LwoObject* o = LwoReadObject((dir / "Thing.lwo").c_str(), nullptr, nullptr);
    ASSERT_NE(o, nullptr);
    const LwoLayer* layer = o->layer;
    ASSERT_EQ(4, layer->point.count);
    for (s32 i = 0; i < 4; ++i) {
        EXPECT_EQ(-m->vertices.data[i].position[0], layer->point.pt[i].pos[0]);
        EXPECT_EQ(m->vertices.data[i].position[1], layer->point.pt[i].pos[1]);
        EXPECT_EQ(m->vertices.data[i].position[2], layer->point.pt[i].pos[2]);
    }
    EXPECT_EQ(-0.5f, layer->pivot[0]);
    ASSERT_EQ(3, layer->polygon.count);
    const char* surfaces[3] = {"Skin", "Bone2", "Default"};
    for (s32 p = 0; p < 3; ++p) {
        const LwoPolygon& poly = layer->polygon.pol[p];
        ASSERT_EQ(3, poly.nverts);
        EXPECT_STREQ(surfaces[p], poly.surf->name);
        for (s32 k = 0; k < 3; ++k) EXPECT_EQ(m->triangles.data[p].corner[k].vertex, poly.v[k].index);
    }
    // UVs of triangle 1 through its surface's own per-polygon map, v turned over.
    const LwoPolygon& second = layer->polygon.pol[1];
    for (s32 k = 0; k < 3; ++k) {
        ASSERT_EQ(1, second.v[k].nvmaps);
        const LwoVMapRef& ref = second.v[k].vm[0];
        EXPECT_STREQ("Bone2", ref.vmap->name);
        EXPECT_EQ(0.125f * float(k + 1), ref.vmap->val[ref.index][0]);
        EXPECT_EQ(0.25f, ref.vmap->val[ref.index][1]);
    }
    // The first surface's colour: the generator's first three values after seed 0, / 32768.
    const LwoSurface* skin = layer->polygon.pol[0].surf;
    EXPECT_EQ(38.0f / 32768, skin->color.rgb[0]);
    EXPECT_EQ(7719.0f / 32768, skin->color.rgb[1]);
    EXPECT_EQ(21238.0f / 32768, skin->color.rgb[2]);
    ASSERT_NE(skin->color.tex, nullptr);
    EXPECT_EQ(5, skin->color.tex->param.imap.projection);
    const LwoClip* clip = LwoFindClip(o->clip, skin->color.tex->param.imap.cindex);
    ASSERT_NE(clip, nullptr);
    EXPECT_STREQ("skin.png", clip->source.still.name);
    LwoFreeObject(o);

    // Both pictures went beside the object as 8-bit paletted PNGs.
    for (const char* name : {"skin.png", "bone.png"}) {
        FileRecord r((dir / name).c_str());
        ASSERT_TRUE(r.Load()) << name;
        EXPECT_EQ(u32(kImageIndexed), r.image.format);
        EXPECT_EQ(2u, r.image.width);
    }
    if (system("command -v identify >/dev/null 2>&1") == 0) {
        std::string cmd = "identify -format '%w %h %[type]' '" + (dir / "skin.png") + "' 2>/dev/null";
        FILE* p = popen(cmd.c_str(), "r");
        char out[128] = {};
        ASSERT_TRUE(p);
        ASSERT_TRUE(fgets(out, sizeof out, p));
        pclose(p);
        EXPECT_EQ(0, strncmp(out, "2 2 Palette", 11)) << out;
    }
    DeleteRenderModel(m);
}

TEST(LwoExport, AssimpReadsTheObjectsFacesAndBox)
{
    if (!HaveAssimp()) GTEST_SKIP() << "assimp is missing (package assimp-utils)";
    RenderModel* m = SampleModel();
    TempFolder dir;
    ASSERT_EQ(1, ExportModelToLwo(m, dir.path.c_str(), "Thing"));
    Summary s = RunAssimp(dir / "Thing.lwo");
    ASSERT_TRUE(s.ok);
    EXPECT_EQ(3, s.faces);
    EXPECT_EQ(9, s.corners);
    // In the file x is the model's -x; assimp turns z over. Every point is used.
    const float lo[3] = {-2, -4, -3}, hi[3] = {1, 2, -0.5f};
    for (int k = 0; k < 3; ++k) {
        EXPECT_NEAR(lo[k], s.min[k], 1e-4) << k;
        EXPECT_NEAR(hi[k], s.max[k], 1e-4) << k;
    }
    DeleteRenderModel(m);
}

struct NameCase {
    const char* texture;
    const char* file;
};

TEST(LwoExport, PictureNamesStayInTheFolderGetPngOnceAndDifferForDifferentPictures)
{
    const NameCase cases[] = {
        {"skin", "skin.png"},         {"skin.png", "skin.png"}, {"a.png.old", "a.png.old"},
        {"../up/x", "___up_x.png"},   {"", "Texture.png"},      {"C:\\maps\\y", "C:_maps_y.png"},
    };
    for (const NameCase& c : cases) {
        RenderModel* m = NewRenderModel();
        AddRenderMaterial(m)->textureFileName = c.texture;
        DynArray<String> names = {};
        LwoExportPictureNames(m, &names);
        ASSERT_EQ(1u, names.count);
        EXPECT_STREQ(c.file, names.data[0].c_str()) << c.texture;
        names.Clear();
        names.Free();
        DeleteRenderModel(m);
    }
    RenderModel* m = NewRenderModel();
    for (u8 seed : {0, 1, 0}) {
        RenderMaterial* mat = AddRenderMaterial(m);
        mat->textureFileName = "wall";
        SetPicture(mat, seed);
    }
    DynArray<String> names = {};
    LwoExportPictureNames(m, &names);
    EXPECT_STREQ("wall.png", names.data[0].c_str());
    EXPECT_STREQ("wall 2.png", names.data[1].c_str());
    EXPECT_STREQ("wall.png", names.data[2].c_str());  // the same picture as the first
    names.Clear();
    names.Free();

    // Surface names are never empty or repeated.
    const char* surfaces[4] = {"", "Skin", "Skin", ""};
    for (u32 i = 0; i < 3; ++i) m->materials.data[i].surfaceName = surfaces[i];
    AddRenderMaterial(m);
    bool extra = true;
    LwoExportSurfaceNames(m, &names, &extra);
    EXPECT_FALSE(extra);
    ASSERT_EQ(4u, names.count);
    const char* expected[4] = {"Surface", "Skin", "Skin 2", "Surface 2"};
    for (u32 i = 0; i < 4; ++i) EXPECT_STREQ(expected[i], names.data[i].c_str());
    names.Clear();
    names.Free();
    DeleteRenderModel(m);
}

// Names already taken, in any case, are skipped: a name given twice, a name that is some
// other's numbered form, and thousands of one name.
TEST(LwoExport, SurfaceNamesAreMadeDifferentInOrder)
{
    struct Case {
        std::vector<const char*> given, expected;
    } cases[] = {
        {{"Skin", "Skin 2", "Skin", "Skin"}, {"Skin", "Skin 2", "Skin 3", "Skin 4"}},
        {{"Skin", "Skin", "Skin 2"}, {"Skin", "Skin 2", "Skin 2 2"}},
        {{"skin", "SKIN", "Skin 2", "sKiN"}, {"skin", "SKIN 2", "Skin 2 2", "sKiN 3"}},
        {{"", "Surface", "Default"}, {"Surface", "Surface 2", "Default"}},
    };
    for (const Case& c : cases) {
        RenderModel* m = NewRenderModel();
        for (const char* name : c.given) AddRenderMaterial(m)->surfaceName = name;
        DynArray<String> names = {};
        bool extra = false;
        LwoExportSurfaceNames(m, &names, &extra);
        ASSERT_EQ(c.expected.size(), names.count);
        for (u32 i = 0; i < names.count; ++i) EXPECT_STREQ(c.expected[i], names.data[i].c_str()) << i;
        names.Clear();
        names.Free();
        DeleteRenderModel(m);
    }
    RenderModel* m = NewRenderModel();
    for (int i = 0; i < 3000; ++i) AddRenderMaterial(m)->surfaceName = "Rock";
    AddTriangle(m, -1, 0, 1, 2);  // outside the materials: the extra surface
    DynArray<String> names = {};
    bool extra = false;
    LwoExportSurfaceNames(m, &names, &extra);
    EXPECT_TRUE(extra);
    ASSERT_EQ(3001u, names.count);
    EXPECT_STREQ("Rock", names.data[0].c_str());
    EXPECT_STREQ("Rock 3000", names.data[2999].c_str());
    EXPECT_STREQ("Default", names.data[3000].c_str());
    names.Clear();
    names.Free();
    DeleteRenderModel(m);
}

// The variable-length index holds 24 bits in its 4-byte form; a larger one cannot be written
// and fails the object instead of losing its top byte.
TEST(LwoExport, IndicesTakeTheirShortOrLongFormAndThoseOf24BitsAndMoreFail)
{
    struct Case {
        u32 index;
        std::vector<u8> bytes;
    } cases[] = {
        {0, {0, 0}},
        {0xFEFF, {0xFE, 0xFF}},
        {0xFF00, {0xFF, 0x00, 0xFF, 0x00}},
        {0x123456, {0xFF, 0x12, 0x34, 0x56}},
        {0xFFFFFF, {0xFF, 0xFF, 0xFF, 0xFF}},
        {0x1000000, {}},
        {0x12345678, {}},
    };
    for (const Case& c : cases) {
        LwoWriter w;
        w.VX(c.index);
        EXPECT_EQ(c.bytes, std::vector<u8>(w.bytes.data, w.bytes.data + w.bytes.count)) << c.index;
        EXPECT_EQ(c.bytes.empty() ? 1u : 0u, w.failed) << c.index;
    }
}

TEST(LwoExport, LargeModelsUseFourByteIndicesAndGrowTheBuffer)
{
    const u32 points = 65300;
    RenderModel* m = NewRenderModel();
    for (u32 i = 0; i < points; ++i) AddVertex(m, float(i % 100), float(i / 100), 0);
    AddRenderMaterial(m)->surfaceName = "Big";
    AddTriangle(m, 0, points - 1, points - 2, 0);
    AddTriangle(m, 0, 65279, 65280, 1);
    TempFolder dir;
    ASSERT_EQ(1, ExportModelToLwo(m, dir.path.c_str(), "Big"));
    LwoObject* o = LwoReadObject((dir / "Big.lwo").c_str(), nullptr, nullptr);
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(s32(points), o->layer->point.count);
    ASSERT_EQ(2, o->layer->polygon.count);
    for (s32 p = 0; p < 2; ++p)
        for (s32 k = 0; k < 3; ++k)
            EXPECT_EQ(m->triangles.data[p].corner[k].vertex, o->layer->polygon.pol[p].v[k].index);
    EXPECT_EQ(float((points - 1) / 100), o->layer->point.pt[points - 1].pos[1]);
    LwoFreeObject(o);
    DeleteRenderModel(m);
}

TEST(LwoExport, AnObjectThatCannotBeWrittenAnswersZeroAndKeepsTheEarlierFile)
{
    RenderModel* m = SampleModel();
    TempFolder dir;
    ASSERT_EQ(1, ExportModelToLwo(m, dir.path.c_str(), "Thing"));
    const std::vector<u8> before = ReadFile(dir / "Thing.lwo");
    m->vertices.data[0].position[0] = 42;
    // A folder path that is a file cannot hold the object.
    EXPECT_EQ(0, ExportModelToLwo(m, (dir / "Thing.lwo").c_str(), "Inner"));
    EXPECT_EQ(before, ReadFile(dir / "Thing.lwo"));
    chmod(dir.path.c_str(), 0500);
    if (access(dir.path.c_str(), W_OK) != 0) {
        EXPECT_EQ(0, ExportModelToLwo(m, dir.path.c_str(), "Thing"));
        EXPECT_EQ(before, ReadFile(dir / "Thing.lwo"));
    }
    chmod(dir.path.c_str(), 0700);
    DeleteRenderModel(m);
}

}  // namespace
