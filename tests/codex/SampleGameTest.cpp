// The sample game folder the build writes beside the program: every archive opens, the
// layers resolve as designed, the odd local files are handled, and the tags read back with
// the program's own readers.
#include "SampleGameFixture.h"

#include <set>

#include "codex/AddonTags.h"
#include "codex/DetailMap.h"
#include "codex/DtexCodec.h"
#include "codex/DtexTag.h"
#include "codex/SoundData.h"
#include "codex/Geometry.h"
#include "codex/MeshTag.h"

namespace {

TEST_F(SampleGameTest, ArchivesOfEveryKindOpenAndTheDefaultSetIsActive)
{
    ASSERT_EQ(4u, GetArchiveCount());
    const struct { const char* name; u32 kind; bool active; } expected[] = {
        {"Foundation", 3, true}, {"Expansion", 2, true}, {"Sample Addon", 6, true}, {"Classic", 1, false}};
    for (auto e : expected) {
        Archive* a = FindArchiveByName(e.name);
        ASSERT_TRUE(a) << e.name;
        EXPECT_EQ(e.kind, a->header.kind) << e.name;
        EXPECT_EQ(e.active, IsArchiveActive(a)) << e.name;
    }
    EXPECT_EQ(1u, FindArchiveByName("Foundation")->mesh_records.count);
}

TEST_F(SampleGameTest, LayersDecideTheWinningCopies)
{
    // 'Welcome' is in the foundation, the expansion and the local folder.
    TagEntry* welcome = FindTag(FourCC("text"), FourCC("Welc"));
    ASSERT_TRUE(welcome);
    EXPECT_EQ(3u, GetTagInstanceCount(welcome));
    EXPECT_STREQ("local folder", GetTagSourceName(welcome));
    TagEntry* names = FindTag(FourCC("stli"), FourCC("UnNa"));
    ASSERT_TRUE(names);
    EXPECT_STREQ("Sample Addon", GetTagSourceName(names));
    EXPECT_FALSE(FindTag(FourCC("text"), FourCC("ClNo")));  // only in the inactive old archive
}

TEST_F(SampleGameTest, AnOldMeshAndAColourMapAreThereForTheBrowserToGrey)
{
    TagHeader h;
    TagEntry* mesh = Named(FourCC("mesh"), "Old Valley");
    ASSERT_TRUE(mesh);
    GetTagHeader(mesh, &h);
    EXPECT_EQ(10u, h.version);
    EXPECT_STREQ("Expansion", GetTagSourceName(mesh));
    TagEntry* map = Named(FourCC(".256"), "Valley Colour Map");
    ASSERT_TRUE(map);
    GetTagHeader(map, &h);
    EXPECT_EQ(0x100u, h.user & 0x100u);
    bool recorded = false;
    for (const ArchiveMeshRecord& r : FindArchiveByName("Expansion")->mesh_records) recorded |= r.tag == mesh->tag;
    EXPECT_TRUE(recorded) << "the old mesh has its record";
}

TEST_F(SampleGameTest, OddLocalFilesAreHandled)
{
    EXPECT_TRUE(Named(FourCC("text"), "Old Note"));
    EXPECT_TRUE(Named(FourCC("text"), "Placeholder Note"));
    EXPECT_FALSE(FindTag(FourCC("scen"), FourCC("StSc")));
    EXPECT_TRUE(Logged("'Stray Scenery', a 'Scenery' file, was found in the 'Text' folder."));
    EXPECT_TRUE(Logged("duplicate tagids detected: in the 'Text' folder, 'Second Local Note' and 'Local Note'"));
    EXPECT_TRUE(Named(FourCC("temp"), "Unit Template"));
}

TEST_F(SampleGameTest, TagsReadBackWithTheProgramsReaders)
{
    TagHeader h;
    TagEntry* mesh = Named(FourCC("mesh"), "Valley");
    ASSERT_TRUE(mesh);
    FILE* f = OpenTag(mesh, &h);
    ASSERT_TRUE(f);
    MeshTagData meshData;
    InitMesh(&meshData);
    EXPECT_TRUE(ReadMeshTag(&meshData, f, &h));
    EXPECT_EQ(32u, meshData.columns);
    const u32 colorMap = meshData.header.colorMap;
    FreeMesh(&meshData);
    CloseTagReader(mesh);

    TagEntry* dmap = FindTag(FourCC("dmap"), colorMap);
    ASSERT_TRUE(dmap);
    f = OpenTag(dmap, &h);
    DetailMap* map = LoadDetailMap(f, &h);
    ASSERT_TRUE(map);
    EXPECT_TRUE(FindTag(FourCC("dtex"), map->entries[0].dtex));
    EXPECT_TRUE(FindTag(FourCC(".256"), colorMap));
    FreeDmap(map);
    delete map;
    CloseTagReader(dmap);

    TagEntry* geom = Named(FourCC("geom"), "Pyramid");
    ASSERT_TRUE(geom);
    f = OpenTag(geom, &h);
    Geometry g;
    InitGeom(&g);
    EXPECT_TRUE(ReadGeomTag(&g, f, &h));
    EXPECT_EQ(6u, g.triangles.count);
    FreeGeom(&g);
    CloseTagReader(geom);

    TagEntry* snow = Named(FourCC("dtex"), "Snow");
    ASSERT_TRUE(snow);
    f = OpenTag(snow, &h);
    u32 record[4];
    ASSERT_EQ(16u, ReadElements(record, 4, kBoU32, f));
    u8* rgb = nullptr;
    u32 w = 0, ht = 0;
    EXPECT_TRUE(ReadCompressedImage(&rgb, &w, &ht, f, h.size - 16));
    EXPECT_EQ(32u, w);
    free(rgb);
    CloseTagReader(snow);
}

TEST_F(SampleGameTest, SoundAndDetailTextureTagsCoverTheOddCases)
{
    struct Case { const char* name; bool loads; u32 permutations; } sounds[] = {
        {"Forest", true, 4}, {"Unset Rate", true, 1}, {"Damaged Bell", false, 0}};
    for (const auto& c : sounds) {
        TagEntry* e = Named(kSoundGroup, c.name);
        ASSERT_TRUE(e) << c.name;
        TagHeader h;
        FILE* f = OpenTag(e, &h);
        ASSERT_TRUE(f);
        SoundData sound;
        EXPECT_EQ(c.loads, sound.Read(f, &h) != 0) << c.name;
        if (c.loads) {
            EXPECT_EQ(c.permutations, sound.records.count) << c.name;
        }
        CloseTagReader(e);
    }

    struct Dtex { const char* name; u32 w, h; } textures[] = {{"Pebbles", 33, 17}, {"Speck", 8, 8}, {"Mismatched", 32, 16}};
    for (const auto& t : textures) {
        DtexTag* d = DtexManager().Acquire(Named(kDtexGroup, t.name));
        ASSERT_TRUE(d) << t.name;
        EXPECT_EQ(t.w, d->width) << t.name;
        EXPECT_EQ(t.h, d->height) << t.name;
        ResourceRelease(d);
    }
}

}  // namespace

TEST_F(SampleGameTest, TheDialogStringListHoldsItsLinesWithCREnds)
{
    TagEntry* gate = Named(FourCC("ditl"), "Gate Dialog");
    ASSERT_TRUE(gate);
    EXPECT_EQ(TagData(gate), Data("Who goes there?\rA friend of the keep.\r"));
    EXPECT_STREQ(GetTagSourceName(gate), "Foundation");
}

TEST_F(SampleGameTest, TheLocalFolderHoldsWhatTheAddonCommandsPack)
{
    ScopedDynArray<TagEntry*> regular;
    ListRegularAddonTags(&regular);
    std::set<std::string> groups;
    for (TagEntry* e : regular) {
        char code[5];
        TagCodeToText(GetTagInstance(e)->header.group, code);
        groups.insert(code);
    }
    EXPECT_EQ(groups, (std::set<std::string>{"form", "obpc", "reco", "save", "soli", "soun", "stli", "temp", "text"}));

    ScopedDynArray<TagEntry*> dtex;
    ASSERT_EQ(ListDtexAddonTags(&dtex, nullptr), kDtexAddonOk);
    std::vector<std::string> names;
    for (TagEntry* e : dtex) names.push_back(GetTagInstance(e)->header.name);
    ASSERT_EQ(names.size(), 4u);
    EXPECT_EQ(std::set<std::string>(names.begin(), names.begin() + 2), (std::set<std::string>{"Hill Pass", "Quiet Vale"}));
    EXPECT_EQ(names[2], "Clay") << "the shared texture once, the textures by id";
    EXPECT_EQ(names[3], "Moss");
}
