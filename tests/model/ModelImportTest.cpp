// LightWave objects imported as 'geom', '.256', 'core' and 'mode' tags of the local folder.
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>

#include "codex/LocalFolder.h"
#include "collection/Collection.h"
#include "foundation/DirectoryStack.h"
#include "model/LwoExport.h"
#include "model/ModelImport.h"
#include "tests/codex/CodexFixture.h"
#include "tests/model/ModelFixture.h"

namespace {

const u32 kGeom = FourCC("geom");
const u32 kColl = FourCC(".256");
const u32 kCore = FourCC("core");
const u32 kMode = FourCC("mode");

u32 BigU32(const Bytes& b, size_t at)
{
    return u32(b[at]) << 24 | u32(b[at + 1]) << 16 | u32(b[at + 2]) << 8 | b[at + 3];
}
u16 BigU16(const Bytes& b, size_t at) { return u16(b[at] << 8 | b[at + 1]); }

class ModelImportTest : public CodexTest {
protected:
    void SetUp() override
    {
        CodexTest::SetUp();
        ASSERT_TRUE(SetLocalFolder(Local().c_str()));
        source = root + "source/";
        std::filesystem::create_directories(source);
    }

    std::string WriteObject(const LwoModelSpec& spec, const char* name = "Square.lwo")
    {
        std::string path = source + name;
        WriteFile(path, spec.Bytes().b);
        return path;
    }

    TagEntry* Import(const std::string& path, const char* name = "Square")
    {
        return ImportModel(path.c_str(), source.c_str(), name);
    }

    // The tags of a group written to the local folder.
    u32 LocalFiles(u32 group) const
    {
        String folder = GetGroupFolderPath(Local().c_str(), group);
        u32 n = 0;
        if (DIR* d = opendir(folder.c_str())) {
            while (dirent* e = readdir(d))
                if (e->d_name[0] != '.') ++n;
            closedir(d);
        }
        return n;
    }
    u32 AllLocalFiles() const
    {
        return LocalFiles(kGeom) + LocalFiles(kColl) + LocalFiles(kCore) + LocalFiles(kMode);
    }

    // The one tag of the group, or null when there are none or several.
    static TagEntry* OnlyTag(u32 group)
    {
        DynArray<TagEntry*> list = {};
        ListGroupTags(group, &list);
        TagEntry* e = list.count == 1 ? list.data[0] : nullptr;
        list.Free();
        return e;
    }
    static Geometry* ReadGeom(TagEntry* e)
    {
        TagHeader h;
        Geometry* g = LoadGeometry(OpenTag(e, &h), &h);
        CloseTagReader(e);
        return g;
    }
    static void FreeGeometry(Geometry* g)
    {
        if (g) FreeGeom(g);
        delete g;
    }
    static Collection* ReadCollection(TagEntry* e)
    {
        TagHeader h;
        FILE* f = OpenTag(e, &h);
        Collection* c = f ? LoadCollection(f, &h) : nullptr;
        CloseTagReader(e);
        return c;
    }

    bool LoggedAt(u32 level, const char* part) const
    {
        for (const LogLine& l : logs)
            if (l.level == level && l.category == "Model Import" && l.text.find(part) != std::string::npos)
                return true;
        return false;
    }

    std::string source;
};

TEST_F(ModelImportTest, TexturedTrianglesBecomeTheFourTagsWithTheirBytes)
{
    ASSERT_TRUE(WritePalettedPng(source + "skin.png", 4, 2));
    TagEntry* geomEntry = Import(WriteObject(TexturedSquare()));
    ASSERT_NE(geomEntry, nullptr);
    EXPECT_TRUE(LoggedAt(0, "Beginning import of 'Square' ..."));
    EXPECT_TRUE(LoggedAt(0, "Import Successful."));
    EXPECT_EQ(4u, AllLocalFiles());

    Geometry* g = ReadGeom(geomEntry);
    ASSERT_NE(g, nullptr);
    TagEntry* coreEntry = FindTag(kCore, g->header.value1);
    ASSERT_NE(coreEntry, nullptr);
    const Bytes core = TagData(coreEntry);
    ASSERT_EQ(384u, core.size());
    TagEntry* collEntry = FindTag(kColl, BigU32(core, 0));
    ASSERT_NE(collEntry, nullptr);
    EXPECT_EQ(1, BigU16(core, 4));
    EXPECT_EQ(0, BigU16(core, 6));
    EXPECT_TRUE(std::all_of(core.begin() + 8, core.begin() + 334, [](u8 b) { return b == 0xFF; }));
    EXPECT_TRUE(std::all_of(core.begin() + 334, core.end(), [](u8 b) { return b == 0; }));

    // Stored (-512x, 512z, 512y) of the object's points with x negated once on reading.
    ASSERT_EQ(4u, g->vertices.count);
    const s16 expected[4][3] = {{0, 0, 0}, {512, 0, 0}, {512, 0, 512}, {0, 0, 512}};
    for (u32 i = 0; i < 4; ++i)
        for (u32 a = 0; a < 3; ++a) EXPECT_EQ(expected[i][a], g->vertices.data[i].v[a]) << i << "," << a;
    // Corner slots hold the object's corners in its own order, with v turned over.
    ASSERT_EQ(2u, g->triangles.count);
    const GeomTriangle& t = g->triangles.data[1];
    EXPECT_EQ(0, t.corner[0].vertex);
    EXPECT_EQ(2, t.corner[1].vertex);
    EXPECT_EQ(3, t.corner[2].vertex);
    EXPECT_EQ(0, t.corner[2].t1);
    EXPECT_EQ(u16(0.75 * 65535), t.corner[2].t2);
    EXPECT_EQ(65535, t.corner[1].t1);
    EXPECT_EQ(0, t.corner[1].t2);
    EXPECT_EQ(0, t.surface);
    ASSERT_EQ(1u, g->surfaces.count);
    EXPECT_STREQ("", g->surfaces.data[0].name);  // an imported surface keeps no name
    FreeGeometry(g);

    Collection* c = ReadCollection(collEntry);
    ASSERT_NE(c, nullptr);
    ASSERT_EQ(1u, c->GetBitmapCount());
    CollectionBitmap* b = c->GetBitmap(0);
    EXPECT_STREQ("skin.png", b->name);  // the clip's name after ':' and the last '/'
    ASSERT_EQ(4, b->width);
    ASSERT_EQ(2, b->height);
    for (u32 y = 0; y < 2; ++y)
        for (u32 x = 0; x < 4; ++x) {
            // Index 0 is the collection's transparent colour.
            EXPECT_EQ((x + y) % 4 ? 255 : 0, b->pixels[(y * 4 + x) * 2]);
            EXPECT_EQ((x + y) % 4, b->pixels[(y * 4 + x) * 2 + 1]);
        }
    EXPECT_EQ(70, c->colorTable.entries[1].red);
    EXPECT_EQ(160, c->colorTable.entries[1].green);
    ASSERT_EQ(1u, c->GetSequenceCount());
    EXPECT_STREQ("", c->GetSequence(0)->name);
    EXPECT_EQ(b, c->GetSequence(0)->GetBitmap(0, 0));
    delete c;
}

TEST_F(ModelImportTest, ModelCellsCoverEveryWholeSquareOfTheStoredBoxAndNameTheGeometry)
{
    LwoModelSpec s;
    s.points = {{{-1.5f, 0, 0}}, {{0.5f, 0, 1}}, {{0.5f, 2, 0}}};
    s.polygons = {{0, 1, 2}};
    TagEntry* geomEntry = Import(WriteObject(s), "Wedge");
    ASSERT_NE(geomEntry, nullptr);
    TagEntry* mode = OnlyTag(kMode);
    ASSERT_NE(mode, nullptr);
    const Bytes m = TagData(mode);
    EXPECT_EQ(0u, BigU32(m, 0));
    EXPECT_EQ(geomEntry->tag, BigU32(m, 4));
    EXPECT_EQ(3, BigU16(m, 10));  // one id per vertex
    EXPECT_EQ(1, BigU16(m, 12));
    ASSERT_EQ(3, BigU16(m, 14));
    const u32 cells = 72 + BigU32(m, 40);
    const s16 columns[3] = {-2, -1, 0};
    for (u32 i = 0; i < 3; ++i) {
        EXPECT_EQ(columns[i], s16(BigU16(m, cells + i * 8)));
        EXPECT_EQ(0, BigU16(m, cells + i * 8 + 2));
        EXPECT_EQ(2, BigU16(m, cells + i * 8 + 4));
    }
}

struct FailureCase {
    const char* what;
    const char* reason;  // logged at level 2, or null
    bool succeeds;
};

TEST_F(ModelImportTest, ObjectsThatCannotBecomeModelTagsFailWithTheirReasonAndWriteNothing)
{
    const FailureCase cases[] = {
        {"quad", nullptr, false},
        {"24-bit texture", "Texture 'skin.png' was not 8-bit paletted.", false},
        {"point out of range", "outside what a geometry can store", false},
        {"missing file", nullptr, false},
        {"missing texture", "Texture 'skin.png' could not be loaded.", true},
    };
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove_all(source);
        std::filesystem::create_directories(source);
        logs.clear();
        LwoModelSpec s = TexturedSquare();
        std::string what = c.what;
        if (what == "quad") s.polygons = {{0, 1, 2, 3}};
        if (what == "point out of range") s.points[2] = {{100.0f, 1, 0}};
        if (what == "24-bit texture") {
            ASSERT_TRUE(WriteRgbPng(source + "skin.png", 4, 4));
        } else if (what != "missing texture") {
            ASSERT_TRUE(WritePalettedPng(source + "skin.png", 4, 4));
        }
        std::string path = what == "missing file" ? source + "absent.lwo" : WriteObject(s);
        TagEntry* e = Import(path, what.c_str());
        EXPECT_EQ(c.succeeds, e != nullptr);
        EXPECT_TRUE(LoggedAt(0, c.succeeds ? "Import Successful." : "Import Failed."));
        if (c.reason) {
            EXPECT_TRUE(LoggedAt(2, c.reason));
        }
        if (!c.succeeds) {
            EXPECT_EQ(0u, AllLocalFiles());
        }
    }
}

TEST_F(ModelImportTest, SurfacesShareMaterialsAndUvsComeOnlyFromTheTexturesOwnMap)
{
    LwoScratch scratch;
    ASSERT_TRUE(WritePalettedPng(scratch.dir + "/skin.png", 2, 2));
    LwoModelSpec s = TexturedSquare();
    s.points.push_back({{2, 0, 0}});
    s.polygons = {{0, 1, 2}, {0, 2, 3}, {1, 4, 2}};
    s.surfaces = {"Skin", "Bone"};
    s.polygonSurface = {0, 1, 0};
    // A per-polygon map of another name on triangle 0's corners hides the point map there.
    LwoUvMap other;
    other.name = "other";
    other.perPolygon = true;
    other.entries = {{0, 0, 0.5f, 0.5f}, {1, 0, 0.5f, 0.5f}, {2, 0, 0.5f, 0.5f}};
    // A one-value weight map that shares the name is no UV map; read first, it must be skipped.
    LwoUvMap weight;
    weight.name = "uv";
    weight.type = FourCC("WGHT");
    weight.dim = 1;
    weight.entries = {{1, 0, 0.9f, 0}, {4, 0, 0.9f, 0}};
    s.maps.insert(s.maps.begin(), weight);
    s.maps.push_back(other);

    std::string path = scratch.Write("object.lwo", s.Bytes());
    LwoObject* object = LwoReadObject(path.c_str(), nullptr, nullptr);
    ASSERT_NE(object, nullptr);
    PushDirectory(scratch.dir.c_str());
    RenderModel* model = BuildRenderModelFromLwo(object);
    PopDirectory();
    LwoFreeObject(object);
    ASSERT_NE(model, nullptr);
    ASSERT_EQ(2u, model->materials.count);
    EXPECT_EQ(0, model->triangles.data[0].material);
    EXPECT_EQ(1, model->triangles.data[1].material);
    EXPECT_EQ(0, model->triangles.data[2].material);
    EXPECT_TRUE(model->materials.data[0].imageLoaded);
    EXPECT_STREQ("skin.png", model->materials.data[0].textureFileName.c_str());
    for (const RenderCorner& c : model->triangles.data[0].corner) {
        EXPECT_EQ(0.0f, c.u);
        EXPECT_EQ(0.0f, c.v);
    }
    // Triangle 2 takes corners (2, 4, 1) from the point map; point 4 has only the weight.
    const RenderCorner* c = model->triangles.data[2].corner;
    EXPECT_EQ(2, c[0].vertex);
    EXPECT_EQ(1.0f, c[0].u);
    EXPECT_EQ(0.0f, c[0].v);
    EXPECT_EQ(4, c[1].vertex);
    EXPECT_EQ(0.0f, c[1].u);
    EXPECT_EQ(0.0f, c[1].v);
    EXPECT_EQ(1, c[2].vertex);
    EXPECT_EQ(1.0f, c[2].u);
    EXPECT_EQ(1.0f, c[2].v);
    EXPECT_EQ(-2.0f, model->vertices.data[4].position[0]);
    DeleteRenderModel(model);
}

TEST_F(ModelImportTest, ATagInUseStopsTheImportBeforeAnythingChanges)
{
    ASSERT_TRUE(WritePalettedPng(source + "skin.png", 2, 2));
    const std::string object = WriteObject(TexturedSquare());
    ASSERT_NE(Import(object), nullptr);
    ASSERT_EQ(4u, AllLocalFiles());
    TagEntry* core = OnlyTag(kCore);
    TagEntry* geom = OnlyTag(kGeom);
    ASSERT_TRUE(core && geom);
    const Bytes coreBefore = TagData(core);
    const Bytes geomBefore = TagData(geom);

    // The log names the group in use with its code as it reads.
    for (TagEntry* inUse : {core, geom}) {
        Attach(inUse);
        logs.clear();
        EXPECT_EQ(nullptr, Import(object));
        EXPECT_TRUE(LoggedAt(2, "LWO -> Model conversion failed."));
        const std::string reason = std::string("of group '") + (inUse == core ? "core" : "geom") + "' is in use";
        EXPECT_TRUE(LoggedAt(2, reason.c_str())) << reason;
        PollLocalFolder(true);
        EXPECT_EQ(4u, AllLocalFiles());
        EXPECT_EQ(geomBefore, TagData(geom));
        EXPECT_EQ(coreBefore, TagData(core));
        DetachFromTag(inUse, kAttachEditor, this);
        attached.clear();
    }

    // Not in use, the same name is overwritten: still one tag per group.
    EXPECT_NE(nullptr, Import(object));
    PollLocalFolder(true);
    EXPECT_EQ(1u, LocalFiles(kGeom));
    EXPECT_EQ(1u, LocalFiles(kColl));
    EXPECT_EQ(1u, LocalFiles(kCore));
    EXPECT_EQ(1u, LocalFiles(kMode));
}

// A re-import replaces the same-named tags; one that fails after the old files were made
// room for must leave the old model on disk and in the index, not lose it.
TEST_F(ModelImportTest, AReimportThatFailsPartWayKeepsTheModelItWasReplacing)
{
    ASSERT_TRUE(WritePalettedPng(source + "skin.png", 2, 2));
    const std::string object = WriteObject(TexturedSquare());
    ASSERT_NE(Import(object), nullptr);
    const u32 groups[3] = {kGeom, kColl, kCore};
    Bytes before[3];
    for (u32 i = 0; i < 3; ++i) {
        ASSERT_NE(nullptr, OnlyTag(groups[i]));
        before[i] = TagData(OnlyTag(groups[i]));
    }
    // The model tag is written last; a folder where its file goes makes that write fail after
    // the other three have been replaced.
    String modeFolder = GetGroupFolderPath(Local().c_str(), kMode);
    std::filesystem::remove_all(modeFolder.c_str());
    std::filesystem::create_directories(std::string(modeFolder.c_str()) + "/Square");
    PollLocalFolder(true);

    EXPECT_EQ(nullptr, Import(object));
    PollLocalFolder(true);
    for (u32 i = 0; i < 3; ++i) {
        EXPECT_EQ(1u, LocalFiles(groups[i])) << i;
        TagEntry* e = OnlyTag(groups[i]);
        ASSERT_NE(nullptr, e) << i;
        EXPECT_NE(nullptr, e->local_copy) << i;
        EXPECT_EQ(before[i], TagData(e)) << i;
    }
}

TEST_F(ModelImportTest, AGeometryExportedAndImportedAgainKeepsItsPointsAndCornerOrder)
{
    Geometry g;
    InitGeom(&g);
    const float box[3] = {0, 0, 0};
    SetGeomHeader(&g, 0, 0, box, box, box);
    const s16 points[5][3] = {{100, -200, 300}, {-511, 513, 1}, {32000, -32000, 7}, {0, 0, 0}, {-5, 6, -7}};
    ResizeGeomVertices(&g, 5);
    for (u32 i = 0; i < 5; ++i)
        for (u32 a = 0; a < 3; ++a) g.vertices.data[i].v[a] = points[i][a];
    ResizeGeomSurfaces(&g, 1);
    SetGeomSurface(&g, 0, "Hull", 0);
    ResizeGeomTrianglesZeroed(&g, 2);
    const u16 slots[2][3] = {{0, 1, 2}, {4, 3, 1}};
    for (u32 t = 0; t < 2; ++t)
        for (u32 k = 0; k < 3; ++k) g.triangles.data[t].corner[k].vertex = slots[t][k];
    RenderModel* model = BuildRenderModelFromGeom(&g);
    ASSERT_EQ(1, ExportModelToLwo(model, source.c_str(), "Hull"));
    DeleteRenderModel(model);

    TagEntry* e = Import(source + "Hull.lwo", "Hull");
    ASSERT_NE(e, nullptr);
    Geometry* back = ReadGeom(e);
    ASSERT_NE(back, nullptr);
    ASSERT_EQ(5u, back->vertices.count);
    for (u32 i = 0; i < 5; ++i)
        for (u32 a = 0; a < 3; ++a) EXPECT_NEAR(points[i][a], back->vertices.data[i].v[a], 1) << i << "," << a;
    ASSERT_EQ(2u, back->triangles.count);
    for (u32 t = 0; t < 2; ++t)
        for (u32 k = 0; k < 3; ++k) EXPECT_EQ(slots[t][k], back->triangles.data[t].corner[k].vertex);
    FreeGeometry(back);
    FreeGeom(&g);
}

// Objects made by real modelling programs: each imports or answers "Import Failed." cleanly.
TEST_F(ModelImportTest, EveryThirdPartyObjectImportsOrFailsCleanly)
{
    const std::string dir = "/usr/share/assimp/models/LWO";
    if (!std::filesystem::is_directory(dir)) GTEST_SKIP() << "assimp-testmodels is not installed";
    u32 imported = 0, tried = 0;
    for (const auto& file : std::filesystem::recursive_directory_iterator(dir)) {
        if (!file.is_regular_file() || file.path().extension() != ".lwo") continue;
        SCOPED_TRACE(file.path().string());
        logs.clear();
        ++tried;
        std::string folder = file.path().parent_path().string();
        std::string name = "m" + std::to_string(tried);
        TagEntry* e = ImportModel(file.path().c_str(), folder.c_str(), name.c_str());
        ASSERT_FALSE(logs.empty());
        EXPECT_EQ(e ? "Import Successful.\n\n" : "Import Failed.\n\n", logs.back().text);
        if (!e) continue;
        ++imported;
        Geometry* g = ReadGeom(e);
        ASSERT_NE(g, nullptr);
        for (const GeomTriangle& t : g->triangles)
            for (const GeomCorner& c : t.corner) EXPECT_LT(c.vertex, g->vertices.count);
        FreeGeometry(g);
    }
    EXPECT_GT(tried, 0u);
    RecordProperty("imported", int(imported));
}

}  // namespace
