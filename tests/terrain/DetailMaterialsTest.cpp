// Detail materials without the editor: the highlight colour table file, the detail map's
// entries in and out, scales, row texts and colours, and the vertices made from terrain types.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "foundation/ActFile.h"
#include "terrain/DetailMaterials.h"
#include "tests/terrain/TerrainFixture.h"

namespace {

namespace fs = std::filesystem;

class DetailMaterialsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/tavik-materials-XXXXXX";
        ASSERT_TRUE(mkdtemp(pattern));
        folder = pattern;
        path = folder + "/dtex.act";
    }
    void TearDown() override { fs::remove_all(folder); }
    std::string Bytes() const
    {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    void Write(const std::string& bytes) const { std::ofstream(path, std::ios::binary) << bytes; }
    DetailMaterials* Make()
    {
        SetHighlightTablePath(path.c_str());
        DetailMaterials* m = new DetailMaterials;
        SetHighlightTablePath(nullptr);
        return m;
    }
    std::string folder, path;
};

const Rgb kRed{0xFF, 0x08, 0x33}, kOrange{0xFF, 0x78, 0x00};

TEST_F(DetailMaterialsTest, AMissingTableIsWrittenWithTheDefaultsAndAUserTableIsRead)
{
    std::unique_ptr<DetailMaterials> m(Make());
    EXPECT_EQ(m->LoadHighlightTable(), 0);
    EXPECT_EQ(m->highlight[0], kRed);
    EXPECT_EQ(m->highlight[7], kOrange);
    EXPECT_EQ(m->highlight[255], kOrange);
    Rgb read[256];
    u32 count = 0;
    ASSERT_EQ(ReadColorTableFile(path.c_str(), read, &count), 1u);
    EXPECT_EQ(count, 256u);
    EXPECT_EQ(Bytes().size(), 768u) << "a full table has no trailer";
    EXPECT_EQ(memcmp(read, m->highlight, sizeof read), 0);

    // The next editor reads what is there.
    read[5] = Rgb{1, 2, 3};
    ASSERT_EQ(WriteColorTableFile(path.c_str(), read, 256), 1u);
    std::unique_ptr<DetailMaterials> next(Make());
    EXPECT_EQ(next->LoadHighlightTable(), 1);
    EXPECT_EQ(next->highlight[5], (Rgb{1, 2, 3}));
}

TEST_F(DetailMaterialsTest, AShortOrUnreadableUserTableIsLeftAloneAndTheDefaultsUsed)
{
    for (const std::string& bytes : {std::string(100, '\x11'), std::string()}) {
        SCOPED_TRACE(bytes.size());
        Write(bytes);
        std::unique_ptr<DetailMaterials> m(Make());
        EXPECT_EQ(m->LoadHighlightTable(), 0);
        EXPECT_EQ(m->highlight[0], kRed);
        EXPECT_EQ(Bytes(), bytes);
        // A blank map's reload keeps the table as it is.
        m->highlight[3] = Rgb{9, 9, 9};
        EXPECT_EQ(m->ReloadHighlightTable(), 0);
        EXPECT_EQ(m->highlight[3], (Rgb{9, 9, 9}));
    }
}

TEST_F(DetailMaterialsTest, SettingTheTableWrites128ColoursAndAShortImportKeepsTheRest)
{
    std::unique_ptr<DetailMaterials> m(Make());
    m->LoadHighlightTable();
    const Rgb three[3] = {{10, 20, 30}, {40, 50, 60}, {70, 80, 90}};
    m->TakeColors(three, 3);
    EXPECT_EQ(m->highlight[2], (Rgb{70, 80, 90}));
    EXPECT_EQ(m->highlight[3], (Rgb{0x00, 0x7B, 0xFF})) << "colours past a short table keep theirs";
    ASSERT_EQ(m->WriteHighlightTable(), 1);
    Rgb read[256];
    u32 count = 0;
    ASSERT_EQ(ReadColorTableFile(path.c_str(), read, &count), 1u);
    EXPECT_EQ(count, 128u);
    EXPECT_EQ(read[1], (Rgb{40, 50, 60}));
    EXPECT_EQ(read[127], kOrange);
}

TEST_F(DetailMaterialsTest, EntriesComeInWithScalePlusOneAndGoOutAsTheyCame)
{
    DetailMap map;
    InitDmap(&map);
    for (u32 i = 0; i < kDetailMapEntries; ++i) {
        map.entries[i].dtex = i == 3 ? FourCC("gras") : kNoTagId;
        map.entries[i].scale = u8(i * 2);
        map.entries[i].color[0] = u8(i), map.entries[i].color[1] = u8(255 - i), map.entries[i].color[2] = 7;
    }
    map.entries[5].scale = 255;
    strcpy(map.entries[3].name, "Meadow");
    std::unique_ptr<DetailMaterials> m(Make());
    m->TakeEntries(map);
    EXPECT_EQ(m->items[5].scale, 256u);
    EXPECT_EQ(m->items[0].scale, 1u);
    EXPECT_EQ(m->items[3].entry.dtex, FourCC("gras"));
    EXPECT_EQ(m->highlight[9], (Rgb{9, 246, 7}));

    DetailMap out;
    InitDmap(&out);
    m->FillEntries(&out);
    EXPECT_EQ(memcmp(out.entries, map.entries, sizeof map.entries), 0);
    EXPECT_EQ(out.entries[5].scale, 255);
    // The table's colour is what is saved, not a stale one in the entry.
    m->highlight[4] = Rgb{1, 2, 3};
    m->FillEntries(&out);
    EXPECT_EQ(out.entries[4].color[2], 3);
}

TEST_F(DetailMaterialsTest, ScalesAreClampedAndRowsNameWhatTheyHold)
{
    std::unique_ptr<DetailMaterials> m(Make());
    struct Case {
        s64 asked;
        u32 kept;
        bool changed;
    } cases[] = {{128, 128, false}, {0, 1, true}, {-5, 1, false}, {300, 256, true}, {256, 256, false}, {77, 77, true}};
    for (const Case& c : cases) {
        EXPECT_EQ(m->SetScale(2, c.asked), c.changed) << c.asked;
        EXPECT_EQ(m->items[2].scale, c.kept) << c.asked;
    }
    m->items[4].entry.dtex = FourCC("gone");
    EXPECT_EQ(std::string(m->RowText(4).c_str()), " 004 ~ 'gone' <not found>");
    EXPECT_EQ(std::string(m->RowText(127).c_str()), " 127 ~ <no tag>");
    EXPECT_EQ(m->RowColor(4), 0xFFFFFFFFu);
    m->highlight[4] = Rgb{0x11, 0x22, 0x33};
    m->items[4].highlighted = 1;
    EXPECT_EQ(m->RowColor(4), 0xFF332211u);
}

TEST(TerrainTypes, TheSixteenTypesKeepTheirNamesTexturesAndColours)
{
    EXPECT_STREQ(kTerrainTypeTable[0].name, "dwarf depth media");
    EXPECT_EQ(kTerrainTypeTable[6].defaultDtex, FourCC("gras"));
    EXPECT_EQ(kTerrainTypeTable[10].defaultDtex, FourCC("snow"));
    EXPECT_EQ(kTerrainTypeTable[12].defaultDtex, kNoTagId);
    EXPECT_EQ(kTerrainTypeTable[15].color, (Rgb{0x20, 0xFF, 0x20}));
    EXPECT_STREQ(kTerrainTypeTable[3].name, "deeper than giant depth media");
}

TEST(TerrainTypes, EveryVertexTakesOnePlusItsRecordsTerrainType)
{
    MeshTagData* mesh = MakeFlatMesh(2, 1);
    for (u32 i = 0; i < 64 * 32; ++i) mesh->cells[i].flags = u16(6 << 4 | 2);
    mesh->cells[65].flags = u16(15 << 4);
    TerrainModel model;
    LoadModel(model, mesh);
    TriangleAt(model, 3, 3, 1) = 9;
    ASSERT_EQ(FillVerticesFromTerrainTypes(&model), 1);
    EXPECT_EQ(VertexAt(model, 0, 0), 7);
    EXPECT_EQ(VertexAt(model, 63, 31), 7);
    EXPECT_EQ(VertexAt(model, 1, 1), 16);
    EXPECT_EQ(TriangleAt(model, 3, 3, 1), 0);
    EXPECT_EQ(model.vertexSaved->Bytes()[65], 16);
    TerrainModel empty;
    EXPECT_EQ(FillVerticesFromTerrainTypes(&empty), 0);
}

}  // namespace
