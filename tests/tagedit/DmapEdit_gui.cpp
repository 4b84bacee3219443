// The detail-map viewer through the fake backend: the listed detail textures, a map naming
// none, an unreadable map, and Ctrl+S that never writes the tag. Runs headless.
#include "TagEditSupport.h"

#include "codex/DetailMap.h"
#include "tagedit/DmapEdit.h"

using namespace tetest;

namespace {

constexpr u32 kDmap = FourCC("dmap");
constexpr u32 kDtex = FourCC("dtex");

TagEdit* MakeDmapEdit(TagEntry* e) { return new DmapEdit(e); }

// The data of a version-2 detail map of 2 x 2 points whose entries name the given ids.
Bytes DmapData(const std::vector<std::pair<u32, u32>>& entries)
{
    DetailMap map;
    InitDmap(&map);
    EXPECT_EQ(SetDmapSize(&map, 2, 2), 1);
    for (DetailMapEntry& e : map.entries) e.dtex = kNoTagId;
    for (auto& [index, id] : entries) map.entries[index].dtex = id;
    FILE* f = tmpfile();
    TagHeader h = {};
    h.offset = 0;
    EXPECT_EQ(WriteDmapTag(&map, f, &h), 1);
    FreeDmap(&map);
    Bytes out(size_t(ftello(f)));
    rewind(f);
    EXPECT_EQ(fread(out.data(), 1, out.size(), f), out.size());
    fclose(f);
    return out;
}

class DmapEditTest : public TagEditFixture {
protected:
    void SetUp() override
    {
        TagEditFixture::SetUp();
        Register(kDmap, MakeDmapEdit);
    }
    DmapEdit* OpenMap(const Bytes& data, u32 version = 2)
    {
        WriteLocalTag("detail maps", "Map", "Map", kDmap, FourCC("map1"), data, 0, version);
        AddArchive({{kDtex, FourCC("gras"), "Grass", Data("g")}, {kDtex, FourCC("rock"), "Rock", Data("r")}});
        StartDatabase();
        return static_cast<DmapEdit*>(OpenTagEditor(FindTag(kDmap, FourCC("map1"))));
    }
    static std::string Shown(DmapEdit* ed)
    {
        String s;
        ed->GetTextBox()->GetText(&s);
        return s.c_str();
    }
};

}  // namespace

TEST_F(DmapEditTest, EveryNamedDetailTextureIsListedWithItsName)
{
    struct Case {
        const char* what;
        std::vector<std::pair<u32, u32>> entries;
        const char* shown;
    } cases[] = {
        {"two found, one missing", {{0, FourCC("gras")}, {5, FourCC("none")}, {127, FourCC("rock")}},
         "gras - Grass\nnone - <not found>\nrock - Rock\n"},
        {"all entries -1", {}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DmapEdit* ed = OpenMap(DmapData(c.entries));
        ASSERT_NE(ed, nullptr);
        EXPECT_STREQ(ed->GetClassName(), "DmapEdit");
        EXPECT_EQ(Shown(ed), c.shown);
        EXPECT_FALSE(ed->GetTextBox()->IsEditable());
        TearDown();
        SetUp();
    }
}

TEST_F(DmapEditTest, CtrlSWritesNothingAndClearsTheMark)
{
    Bytes data = DmapData({{0, FourCC("gras")}});
    DmapEdit* ed = OpenMap(data, 1 + 1);
    ASSERT_NE(ed, nullptr);
    Bytes before = ReadFile(Local() + "detail maps/Map");
    ed->SetModified(1);
    CtrlS();
    EXPECT_FALSE(ed->IsModified());
    EXPECT_EQ(ReadFile(Local() + "detail maps/Map"), before);
    EXPECT_TRUE(Seen().empty());
}

TEST_F(DmapEditTest, AnUnreadableMapIsReportedAndTheViewerCloses)
{
    Answer(0);
    EXPECT_EQ(OpenMap(DmapData({{0, FourCC("gras")}}), 9), nullptr) << "an unknown version";
    ASSERT_EQ(Seen().size(), 1u);
    EXPECT_EQ(Seen()[0].text, "The tag could not be loaded.");
    Settle();
    EXPECT_EQ(GetTagAttachmentCount(FindTag(kDmap, FourCC("map1"))), 0u);
}
