// What an add-on carries: the local tags of the add-on groups, and the local detail maps
// with the detail textures their used entries name.
#include "CodexFixture.h"
#include "DmapBytes.h"

#include "codex/AddonTags.h"

namespace {

constexpr u32 kDmap = FourCC("dmap");
constexpr u32 kDtex = FourCC("dtex");

std::vector<u32> Ids(const DynArray<TagEntry*>& list)
{
    std::vector<u32> out;
    for (TagEntry* e : list) {
        TagHeader h;
        GetTagHeader(e, &h);
        out.push_back(h.tag);
    }
    return out;
}

class AddonTagsTest : public CodexTest {
protected:
    void Map(const char* name, u32 id, const Bytes& data, u32 version = 2)
    {
        WriteLocal("detail maps", name, name, kDmap, id, data, 0, version);
    }
    void Texture(const char* name, u32 id) { WriteLocal("detail textures", name, name, kDtex, id, Data("pixels")); }
    void Index() { ASSERT_TRUE(SetLocalFolder((root + "local").c_str())); }
};

}  // namespace

TEST_F(AddonTagsTest, OnlyLocalTagsOfTheAddonGroupsAreTaken)
{
    for (u32 code : {FourCC("form"), FourCC("obpc"), FourCC("reco"), FourCC("save"), FourCC("soli"), FourCC("soun"),
                     FourCC("stli"), FourCC("temp"), FourCC("text")})
        EXPECT_TRUE(IsRegularAddonGroup(code)) << code;
    for (u32 code : {FourCC("scri"), FourCC("dmap"), FourCC("dtex"), FourCC(".256"), FourCC("mesh"), FourCC("geom")})
        EXPECT_FALSE(IsRegularAddonGroup(code)) << code;

    WriteLocal("text", "Note", "Note", FourCC("text"), FourCC("note"), Data("n"));
    WriteLocal("sounds", "Bell", "Bell", FourCC("soun"), FourCC("bell"), Data("b"));
    WriteLocal("scripts", "Plan", "Plan", FourCC("scri"), FourCC("plan"), Data("p"));
    OpenTestArchive(Tags() + "base.dat", 2, 0, {{FourCC("text"), FourCC("arch"), "Archived", Data("a")}});
    ActivateDefaultArchives();
    Index();
    ScopedDynArray<TagEntry*> list;
    ListRegularAddonTags(&list);
    std::vector<u32> ids = Ids(list);
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(ids, (std::vector<u32>{FourCC("bell"), FourCC("note")})) << "no script, no archive-only tag";
}

TEST_F(AddonTagsTest, EntryNumbersOutsideTheTableNameNoEntry)
{
    DetailMap map;
    InitDmap(&map);
    ASSERT_EQ(SetDmapSize(&map, 2, 1), 1);
    const u8 points[2] = {3, 200};
    const u8 pairs[4] = {127, 128, 255, 9};
    memcpy(map.bytePlane, points, 2);
    memcpy(map.pairPlane, pairs, 4);
    bool used[kDetailMapEntries] = {};
    MarkUsedDetailEntries(map, used);
    std::vector<u32> marked;
    for (u32 i = 0; i < kDetailMapEntries; ++i)
        if (used[i]) marked.push_back(i);
    EXPECT_EQ(marked, (std::vector<u32>{3, 9, 127}));
    FreeDmap(&map);
}

TEST_F(AddonTagsTest, MapsComeFirstThenEachUsedTextureOnceInAscendingIdOrder)
{
    // Entry 5 is used but names no texture; entry 7 names one but no point or triangle uses it.
    Map("Hills", FourCC("hill"), DmapBytes({{1, FourCC("rock")}, {5, kNoTagId}, {7, FourCC("snow")}}, {1, 5}, {5}));
    // Both bytes of a pair name an entry; the texture "rock" is shared.
    Map("Vale", FourCC("vale"), DmapBytes({{0, FourCC("rock")}, {2, FourCC("gras")}}, {0}, {0x02, 0x00}));
    Texture("Rock", FourCC("rock"));
    Texture("Grass", FourCC("gras"));
    Texture("Snow", FourCC("snow"));
    // A map only in an archive is not the user's to pack.
    OpenTestArchive(Tags() + "base.dat", 2, 0, {{kDmap, FourCC("base"), "Base", DmapBytes({{0, FourCC("snow")}})}});
    ActivateDefaultArchives();
    Index();

    ScopedDynArray<TagEntry*> list;
    DtexAddonProblem problem;
    ASSERT_EQ(ListDtexAddonTags(&list, &problem), kDtexAddonOk);
    ASSERT_EQ(list.count, 4u);
    std::vector<u32> maps = {Ids(list)[0], Ids(list)[1]};
    std::sort(maps.begin(), maps.end());
    EXPECT_EQ(maps, (std::vector<u32>{FourCC("hill"), FourCC("vale")}));
    EXPECT_EQ(Ids(list)[2], FourCC("gras"));
    EXPECT_EQ(Ids(list)[3], FourCC("rock"));
    TagHeader h;
    GetTagHeader(list[3], &h);
    EXPECT_EQ(h.group, kDtex);
    EXPECT_EQ(GetTagAttachmentCount(list[0]), 0u) << "the maps are let go";
}

TEST_F(AddonTagsTest, AnUnreadableMapOrAMissingTextureStopsTheListing)
{
    struct Case {
        const char* what;
        Bytes data;
        u32 version;
        u32 status;
        u32 texture;
    } cases[] = {
        {"unknown version", DmapBytes({{0, FourCC("rock")}}), 7, kDtexAddonUnreadableMap, 0},
        {"truncated", Bytes{0, 0, 0, 2}, 2, kDtexAddonUnreadableMap, 0},
        {"texture missing", DmapBytes({{0, FourCC("gone")}}), 2, kDtexAddonMissingTexture, FourCC("gone")},
    };
    for (const Case& c : cases) {
        CloseCodex();
        std::filesystem::remove_all(Local());
        Map("Hills", FourCC("hill"), c.data, c.version);
        Texture("Rock", FourCC("rock"));
        Index();
        ScopedDynArray<TagEntry*> list;
        list.Push(nullptr);
        DtexAddonProblem problem;
        EXPECT_EQ(ListDtexAddonTags(&list, &problem), c.status) << c.what;
        EXPECT_EQ(list.count, 1u) << c.what << ": the list is left as it was";
        EXPECT_EQ(problem.map.tag, FourCC("hill")) << c.what;
        EXPECT_STREQ(problem.map.name, "Hills") << c.what;
        if (c.texture) {
            EXPECT_EQ(problem.texture, c.texture) << c.what;
        }
    }
}

TEST_F(AddonTagsTest, NoLocalMapListsNothing)
{
    Texture("Rock", FourCC("rock"));
    Index();
    ScopedDynArray<TagEntry*> list;
    EXPECT_EQ(ListDtexAddonTags(&list, nullptr), kDtexAddonOk);
    EXPECT_EQ(list.count, 0u);
}
