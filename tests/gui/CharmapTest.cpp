#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "gui/core/Charmap.h"

namespace {

class CharmapTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetCharmap();
        char pattern[] = "/tmp/tavik-charmap-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
    }
    void TearDown() override
    {
        ResetCharmap();
        unlink((dir + "/charmap").c_str());
        rmdir(dir.c_str());
    }
    std::string Write(const std::vector<u16>& units, size_t bytes)
    {
        std::string path = dir + "/charmap";
        FILE* f = fopen(path.c_str(), "wb");
        for (size_t i = 0; i < units.size() && i * 2 < bytes; ++i) {
            u8 b[2] = {u8(units[i]), u8(units[i] >> 8)};
            fwrite(b, 1, bytes - i * 2 >= 2 ? 2 : 1, f);
        }
        fclose(f);
        return path;
    }
    std::string dir;
};

std::string ToFont(const std::u16string& s)
{
    char* out = Utf16ToFontChars(nullptr, reinterpret_cast<const u16*>(s.c_str()));
    std::string r(out);
    free(out);
    return r;
}

}  // namespace

TEST_F(CharmapTest, UnicodeMapsIntoTheMacRomanSetAndUnknownsClampTo255)
{
    EXPECT_EQ(ToFont(u"\u00e9"), "\x8e");
    EXPECT_EQ(ToFont(u"\u20ac"), "\xff");
    EXPECT_EQ(ToFont(u"\u00a4"), "\xdb");
    EXPECT_EQ(ToFont(u"\u00b0"), "\xa1");
    EXPECT_EQ(ToFont(u"A b\t\n"), "A b\t\n");
    EXPECT_EQ(ToFont(u"\u0101"), "\xff");
    EXPECT_EQ(ToFont(u""), "");
}

TEST_F(CharmapTest, EveryFontCharacterRoundTripsThroughUtf16)
{
    std::string all;
    for (int c = 33; c < 256; ++c) all += char(c);
    u16* wide = FontCharsToUtf16(nullptr, all.c_str());
    ASSERT_NE(wide, nullptr);
    EXPECT_EQ(wide[0xA1 - 33], 0x00B0);
    char back[256];
    EXPECT_EQ(Utf16ToFontChars(back, wide), back);
    EXPECT_EQ(std::string(back), all);
    free(wide);

    u16 controls[4];
    FontCharsToUtf16(controls, "\x01\x1f ");
    EXPECT_EQ(controls[0], 1);
    EXPECT_EQ(controls[1], 0x1f);
    EXPECT_EQ(controls[2], 32);
    EXPECT_EQ(controls[3], 0);
}

TEST_F(CharmapTest, AFullCharmapFileReplacesTheTableAndAShortOneIsIgnored)
{
    std::vector<u16> table(GetBuiltinCharmap(), GetBuiltinCharmap() + kCharmapEntries);
    table[0xDB - 32] = 0x20AC;
    table[0xDC - 32] = 0;

    EXPECT_EQ(LoadCharmap(Write(table, 447).c_str()), 0);
    EXPECT_EQ(ToFont(u"\u20ac"), "\xff");
    EXPECT_EQ(LoadCharmap((dir + "/missing").c_str()), 0);

    EXPECT_EQ(LoadCharmap(Write(table, 448).c_str()), 1);
    EXPECT_EQ(ToFont(u"\u20ac"), "\xdb");
    // An entry of 0 converts to a space.
    u16 out[2];
    FontCharsToUtf16(out, "\xdc");
    EXPECT_EQ(out[0], u' ');
}

TEST(TypedCharacters, PlainKeysPassAndAltKeysReachTheUpperHalf)
{
    struct Case {
        u32 typed;
        int alt;
        u8 font;
    } cases[] = {
        {'a', 0, 'a'}, {'~', 0, '~'}, {233, 0, 0},  {127, 0, 0},   {167, 0, 164}, {177, 0, 177},
        {167, 1, 164}, {177, 1, 177}, {' ', 1, 32}, {'e', 1, 171}, {'0', 1, 188}, {'~', 1, 96},
        {'@', 1, 219}, {31, 0, 0},    {256, 0, 0},  {200, 1, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(MapTypedChar(c.typed, c.alt), c.font) << c.typed << " alt " << c.alt;
}
