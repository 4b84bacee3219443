#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "codex/TagGroups.h"
#include "codex/TagHeader.h"
#include "tests/common/ByteBuilder.h"

namespace {

typedef std::vector<u8> Bytes;

Bytes CurrentHeaderBytes(const char* name, u32 size, u32 game = kTagSignature)
{
    ByteBuilder e;
    e.U16(0xFFFF).U8(0x12).U8(0x34).Text(name, 32);
    e.U32(FourCC("soun")).U32(FourCC("boom")).U32(64).U32(size).U32(0x100).U16(3).U8(0xAA).U8(0xBB).U32(game);
    return e.bytes;
}

Bytes OldHeaderBytes(const char* name, u32 size)
{
    ByteBuilder e;
    e.Text(name, 32).U32(FourCC(".256")).U32(FourCC("anim")).U32(0xABCD0002).U16(0x1111).U16(0x2222);
    e.U32(1234).U32(size).U32(0x33333333).U32(kOldTagSignature);
    return e.bytes;
}

Bytes Concat(const Bytes& a, const Bytes& b)
{
    Bytes r = a;
    r.insert(r.end(), b.begin(), b.end());
    return r;
}

}  // namespace

TEST(TagHeader, CurrentHeaderReadsEveryFieldAndWritesBackTheSameBytes)
{
    Bytes disk = CurrentHeaderBytes("Big Boom", 500);
    disk[35] = 'X';  // the 32nd name byte is never taken from a file
    TagHeader h;
    ReadStream in(disk);
    ASSERT_EQ(ReadTagHeaders(&h, 1, in.f), 64u);
    EXPECT_EQ(h.identifier, 0xFFFF);
    EXPECT_EQ(h.flags, 0x12);
    EXPECT_EQ(h.type, 0x34);
    EXPECT_STREQ(h.name, "Big Boom");
    EXPECT_EQ(h.name[31], 0);
    EXPECT_EQ(h.group, FourCC("soun"));
    EXPECT_EQ(h.tag, FourCC("boom"));
    EXPECT_EQ(h.offset, 64u);
    EXPECT_EQ(h.size, 500u);
    EXPECT_EQ(h.user, 0x100u);
    EXPECT_EQ(h.version, 3);
    EXPECT_EQ(h.foundation_index, 0xAA);
    EXPECT_EQ(h.owner_index, 0xBB);
    EXPECT_EQ(h.game, kTagSignature);

    h.name[31] = 'Y';
    WriteStream out;
    EXPECT_EQ(WriteTagHeaders(&h, 1, out.f), 64u);
    EXPECT_EQ(out.Take(), CurrentHeaderBytes("Big Boom", 500));
}

TEST(TagHeader, OldHeaderIsUpgradedToTheCurrentLayoutKeepingItsSignature)
{
    Bytes disk = OldHeaderBytes("Old Thing", 77);
    disk[31] = 'Z';
    for (int pass = 0; pass < 2; ++pass) {
        TagHeader h;
        memset(&h, 0xCD, sizeof h);
        ReadStream in(disk);
        u64 r = pass == 0 ? ReadOldTagHeaders(&h, 1, in.f) : ReadTagHeadersAnyVersion(&h, 1, in.f);
        ASSERT_EQ(r, 64u) << pass;
        EXPECT_STREQ(h.name, "Old Thing");
        EXPECT_EQ(h.group, FourCC(".256"));
        EXPECT_EQ(h.tag, FourCC("anim"));
        EXPECT_EQ(h.version, 2);
        EXPECT_EQ(h.offset, 1234u);
        EXPECT_EQ(h.size, 77u);
        EXPECT_EQ(h.game, kOldTagSignature);
        EXPECT_EQ(h.identifier, 0);
        EXPECT_EQ(h.flags, 0);
        EXPECT_EQ(h.type, 0);
        EXPECT_EQ(h.user, 0u);
        EXPECT_EQ(h.foundation_index, 0);
        EXPECT_EQ(h.owner_index, 0);
        EXPECT_TRUE(IsTagHeaderSignature(h));

        // Written back it is a current-layout header that still says 'vorn'.
        WriteStream out;
        ASSERT_EQ(WriteTagHeaders(&h, 1, out.f), 64u);
        ByteBuilder e;
        e.U16(0).U8(0).U8(0).Text("Old Thing", 32).U32(FourCC(".256")).U32(FourCC("anim")).U32(1234).U32(77);
        e.U32(0).U16(2).U8(0).U8(0).U32(kOldTagSignature);
        EXPECT_EQ(out.Take(), e.bytes);
    }
}

TEST(TagHeader, AnyVersionConvertsTheWholeRunByTheFirstSignature)
{
    Bytes two = Concat(CurrentHeaderBytes("one", 1), CurrentHeaderBytes("two", 2));
    TagHeader h[2];
    {
        ReadStream in(two);
        ASSERT_EQ(ReadTagHeadersAnyVersion(h, 2, in.f), 128u);
        EXPECT_STREQ(h[1].name, "two");
        EXPECT_EQ(h[1].size, 2u);
        EXPECT_EQ(h[1].version, 3);
    }
    {
        ReadStream in(Concat(OldHeaderBytes("a", 10), OldHeaderBytes("b", 20)));
        ASSERT_EQ(ReadTagHeadersAnyVersion(h, 2, in.f), 128u);
        EXPECT_STREQ(h[1].name, "b");
        EXPECT_EQ(h[1].size, 20u);
        EXPECT_EQ(h[1].offset, 1234u);
    }
}

TEST(TagHeader, AnyVersionRefusesOtherSignaturesShortReadsAndCountZero)
{
    TagHeader h[2];
    {
        ReadStream in(CurrentHeaderBytes("x", 1, FourCC("vrn3")));
        EXPECT_EQ(ReadTagHeadersAnyVersion(h, 1, in.f), 0u);
    }
    {
        ReadStream in(CurrentHeaderBytes("x", 1));
        EXPECT_EQ(ReadTagHeadersAnyVersion(h, 2, in.f), 0u);
    }
    {
        ReadStream in(CurrentHeaderBytes("x", 1));
        EXPECT_EQ(ReadTagHeadersAnyVersion(h, 0, in.f), 0u);
    }
    {
        Bytes cut = CurrentHeaderBytes("x", 1);
        cut.resize(63);
        ReadStream in(cut);
        EXPECT_EQ(ReadTagHeaders(h, 1, in.f), 0u);
    }
}

TEST(TagHeader, SniffingWantsASignatureAndADataSizeThatFillsTheFile)
{
    struct Case {
        const char* what;
        Bytes bytes;
        u64 fileSize;
        bool tag;
    } cases[] = {
        {"current, size fits", CurrentHeaderBytes("t", 100), 164, true},
        {"current, size off by one", CurrentHeaderBytes("t", 100), 165, false},
        {"current, empty data", CurrentHeaderBytes("t", 0), 64, true},
        {"old layout reads its own size field", OldHeaderBytes("t", 100), 164, true},
        {"old layout, its data offset is not the size", OldHeaderBytes("t", 100), 1234 + 64, false},
        {"other signature", CurrentHeaderBytes("t", 100, FourCC("abcd")), 164, false},
        {"file shorter than a header", CurrentHeaderBytes("t", 0xFFFFFFC1u), 1, false},
        {"size above 32 bits", CurrentHeaderBytes("t", 0), 64 + (1ull << 32), false},
    };
    for (const Case& c : cases) EXPECT_EQ(IsTagHeader(c.bytes.data(), c.fileSize), c.tag) << c.what;
    TagHeader h = {};
    EXPECT_FALSE(IsTagHeaderSignature(h));
    h.game = kTagSignature;
    EXPECT_TRUE(IsTagHeaderSignature(h));
}

TEST(TagHeader, FieldByFieldConversionMatchesTheDescriptorWalkAlsoInPlace)
{
    // Random bytes cover every field's byte order and the name's forced terminator.
    std::vector<u8> disk(kTagHeaderSize * 40);
    u32 seed = 0x2545F491u;
    for (u8& b : disk) {
        seed = seed * 1664525u + 1013904223u;
        b = u8(seed >> 24);
    }
    std::vector<TagHeader> walked(40), direct(40);
    DiskToMemory(walked.data(), disk.data(), 40, kTagHeaderDescriptor);
    TagHeadersFromDisk(direct.data(), disk.data(), 40);
    EXPECT_EQ(0, memcmp(walked.data(), direct.data(), disk.size()));
    EXPECT_EQ(direct[3].name[31], 0);
    TagHeadersFromDisk(reinterpret_cast<TagHeader*>(disk.data()), disk.data(), 40);
    EXPECT_EQ(0, memcmp(walked.data(), disk.data(), disk.size()));
}

TEST(TagHeader, ManyHeadersRoundTripInOneWrite)
{
    Bytes disk;
    for (int i = 0; i < 5; ++i) disk = Concat(disk, CurrentHeaderBytes(("tag " + std::to_string(i)).c_str(), i));
    TagHeader h[5];
    ReadStream in(disk);
    ASSERT_EQ(ReadTagHeaders(h, 5, in.f), 320u);
    WriteStream out;
    ASSERT_EQ(WriteTagHeaders(h, 5, out.f), 320u);
    EXPECT_EQ(out.Take(), disk);
}

TEST(TagName, SetTagNameCleansTheName)
{
    struct Case {
        const char* in;
        const char* out;
    } cases[] = {
        {"Plain Name", "Plain Name"},
        {"a:b", "a_b"},
        {"\\/|\"<>*?:", "_________"},
        {"Test. ", "Test"},
        {"Test...", "Test"},
        {".", "."},
        {"...", "."},
        {"  ", " "},
        {"a?", "a_"},
        {"a. :", "a. _"},
        {"", ""},
        {"1234567890123456789012345678901234567890", "1234567890123456789012345678901"},
        {"123456789012345678901234567890 .x", "123456789012345678901234567890"},
    };
    for (const Case& c : cases) {
        TagHeader h;
        memset(&h, 0xEE, sizeof h);
        SetTagName(h, c.in);
        EXPECT_STREQ(h.name, c.out) << c.in;
        size_t n = strlen(c.out);
        EXPECT_EQ(Bytes(h.name + n, h.name + 32), Bytes(32 - n, 0)) << c.in;
        EXPECT_EQ(h.group, 0xEEEEEEEEu) << "other fields untouched";
    }
    TagHeader h;
    SetTagName(h, nullptr);
    EXPECT_STREQ(h.name, "");
}

TEST(TagName, PlaceholderNamesAreReplacedByTheFileName)
{
    TagHeader h = {};
    SetTagName(h, "xx zaf made this!");
    EXPECT_TRUE(HasPlaceholderTagName(h));
    EXPECT_TRUE(ReplacePlaceholderTagName(h, "a file name that is longer than thirty-one"));
    EXPECT_STREQ(h.name, "a file name that is longer than");
    EXPECT_FALSE(HasPlaceholderTagName(h));
    EXPECT_FALSE(ReplacePlaceholderTagName(h, "other"));
    EXPECT_STREQ(h.name, "a file name that is longer than");

    SetTagName(h, "zaf made thi");
    EXPECT_FALSE(HasPlaceholderTagName(h));
    // A name field without its terminator is searched only inside its 32 bytes.
    memset(h.name, 'z', sizeof h.name);
    EXPECT_FALSE(HasPlaceholderTagName(h));
}

TEST(TagIds, CodesReadAsTheirCharactersInOrder)
{
    char text[5];
    TagCodeToText(FourCC("soun"), text);
    EXPECT_STREQ(text, "soun");
    TagCodeToText(FourCC(".256"), text);
    EXPECT_STREQ(text, ".256");
    EXPECT_EQ(FourCC("soun"), 0x736F756Eu);
    EXPECT_EQ(kNoTagId, 0xFFFFFFFFu);
}

TEST(TagGroups, TableHoldsTheFiftyThreeGroupsInOrder)
{
    struct Row {
        const char* code;
        const char* plural;
        const char* singular;
    } rows[] = {
        {"amso", "Ambient Sounds", "Ambient Sound"},
        {"anim", "Model Animations", "Model Animation"},
        {"arti", "Artifacts", "Artifact"},
        {"core", "Collection References", "Collection Reference"},
        {".256", "Collections", "Collection"},
        {"conn", "Connectors", "Connector"},
        {"ditl", "Dialog String Lists", "Dialog String List"},
        {"dmap", "Detail Maps", "Detail Map"},
        {"dtex", "Detail Textures", "Detail Texture"},
        {"bina", "Dialogs", "Dialog"},
        {"font", "Fonts", "Font"},
        {"form", "Formations", "Formations"},
        {"geom", "Geometries", "Geometry"},
        {"inte", "Interface", "Interface"},
        {"ligh", "Lightning", "Lightning"},
        {"phys", "Local Physics", "Local Physics"},
        {"lpgr", "Local Projectile Groups", "Local Projectile Group"},
        {"medi", "Media Types", "Media Type"},
        {"meef", "Mesh Effect", "Mesh Effect"},
        {"meli", "Mesh Lighting", "Mesh Lighting"},
        {"mesh", "Meshes", "Mesh"},
        {"mode", "Models", "Model"},
        {"mons", "Monsters", "Monster"},
        {"obje", "Objects", "Object"},
        {"obpc", "Observer Constants", "Observer Constants"},
        {"part", "Particle Systems", "Particle Systems"},
        {"pref", "Preferences", "Preferences"},
        {"prel", "Preloaded Data", "Preloaded Data"},
        {"prgr", "Projectile Groups", "Projectile Group"},
        {"proj", "Projectiles", "Projectile"},
        {"reco", "Recordings", "Recording"},
        {"save", "Saved Games", "Save"},
        {"scen", "Scenery", "Scenery"},
        {"scri", "Scripts", "Script"},
        {"soli", "Sound Lists", "Sound List"},
        {"soun", "Sounds", "Sound"},
        {"stli", "String Lists", "String List"},
        {"temp", "Templates", "Template"},
        {"text", "Text", "Text"},
        {"unit", "Units", "Unit"},
        {"wind", "Wind", "Wind"},
        {"txst", "Texture Stacks", "Texture Stack"},
        {"skmd", "Skeletal Models", "Skeletal Model"},
        {"skan", "Skeletal Animation", "Skeletal Animation"},
        {"canm", "Camera Animations", "Camera Animation"},
        {"loli", "Local Lights", "Local Light"},
        {"glli", "Global Lights", "Global Light"},
        {"grsp", "Ground Sprites", "Ground Sprites"},
        {"spri", "Sprite Definitions", "Sprite Definition"},
        {"game", "Game Parameters", "Game Parameters"},
        {"rawd", "Raw Files", "Raw File"},
        {"jpeg", "JPEG Files", "JPEG File"},
        {"quik", "Quicktime/MP3", "Quicktime/MP3"},
    };
    static_assert(sizeof rows / sizeof rows[0] == kTagGroupCount, "53 rows");
    const TagGroup* table = GetTagGroupTable();
    for (u32 i = 0; i < kTagGroupCount; ++i) {
        char code[5];
        TagCodeToText(table[i].code, code);
        EXPECT_STREQ(code, rows[i].code) << i;
        EXPECT_STREQ(table[i].plural_name, rows[i].plural) << i;
        EXPECT_STREQ(table[i].singular_name, rows[i].singular) << i;
        EXPECT_EQ(GetTagGroup(table[i].code), &table[i]) << rows[i].code;
        EXPECT_STREQ(GetTagGroupName(table[i].code), rows[i].plural);
    }
}

TEST(TagGroups, UnknownCodesHaveNoRowAndAreNamedByTheirCharacters)
{
    EXPECT_EQ(GetTagGroup(FourCC("abcd")), nullptr);
    EXPECT_EQ(GetTagGroup(0), nullptr);
    const char* name = GetTagGroupName(FourCC("abcd"));
    EXPECT_STREQ(name, "abcd");
    // One shared buffer: the next unknown code overwrites it.
    EXPECT_STREQ(GetTagGroupName(FourCC("wxyz")), "wxyz");
    EXPECT_STREQ(name, "wxyz");
}

namespace {
TagEdit* FactoryA(TagEntry*) { return nullptr; }
TagEdit* FactoryB(TagEntry*) { return nullptr; }
}  // namespace

TEST(TagGroups, HandlersAreStoredPerGroupAndReplaced)
{
    EXPECT_EQ(GetTagGroup(FourCC("soun"))->editor_factory, nullptr);
    SetTagGroupHandler(FourCC("soun"), FactoryA);
    EXPECT_EQ(GetTagGroup(FourCC("soun"))->editor_factory, &FactoryA);
    SetTagGroupHandler(FourCC("soun"), FactoryB);
    EXPECT_EQ(GetTagGroup(FourCC("soun"))->editor_factory, &FactoryB);
    EXPECT_EQ(GetTagGroup(FourCC("soli"))->editor_factory, nullptr);
    SetTagGroupHandler(FourCC("abcd"), FactoryA);  // ignored
    EXPECT_EQ(GetTagGroup(FourCC("abcd")), nullptr);
    SetTagGroupHandler(FourCC("soun"), nullptr);
    EXPECT_EQ(GetTagGroup(FourCC("soun"))->editor_factory, nullptr);
}
