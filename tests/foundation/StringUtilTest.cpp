#include "foundation/StringUtil.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

int Sign(int v)
{
    return (v > 0) - (v < 0);
}

struct NaturalCase {
    const char* a;
    const char* b;
    int expected;
};

const NaturalCase kNaturalCases[] = {
    {"a2", "a10", -1},
    {"B", "b", 0},
    {"", "x", -1},
    {"x", "", 1},
    {"", "", 0},
    {"item", "item1", -1},
    {"file007", "file7", 0},
    {"file7b", "file007a", 1},
    {"\xC8nigma", "apple", -1},   // bytes 128..255 before ASCII
    {"\xC8", "\x7F", -1},
    {"Zebra", "apple", 1},        // letters without case
    {"a_b", "aZb", -1},           // '_' (95) before 'z' (122) once Z is folded
    {"[x", "Ax", -1},             // '[' (91) before 'a' (97); unfolded 'A' (65) would be first
    {"9", "a", 1},                // a number after every single character
    {"1", "\xFF", 1},
    {"x10y2", "x10y10", -1},
    {"x10y", "x9y", 1},
    {"0", "00", 0},
    {"abc", "abd", -1},
    {"Local 123", "Local 1234", -1},  // names alike up to inside a number
    {"x12", "x1a", 1},
    {"v1.2.10", "v1.2.9", 1},
    {"file010", "file10x", -1},
    {"Tag 0099", "Tag 00100", -1},
    // Runs beyond 32 bits keep their numeric order instead of wrapping.
    {"n4294967296", "n4294967295", 1},
    {"n4294967296", "n1", 1},
    {"n99999999999999999999", "n99999999999999999998", 1},
    {"n000000000000000000000012", "n12", 0},
    {"n18446744073709551616", "n18446744073709551617", -1},
};

}  // namespace

TEST(NaturalCompare, OrdersTheTableOfNamesAndIsAntisymmetric)
{
    for (const NaturalCase& c : kNaturalCases) {
        EXPECT_EQ(NaturalCompare(c.a, c.b), c.expected) << '"' << c.a << "\" vs \"" << c.b << '"';
        EXPECT_EQ(NaturalCompare(c.b, c.a), -c.expected) << '"' << c.b << "\" vs \"" << c.a << '"';
    }
}

TEST(NaturalCompare, TreatsNullAsSmallestAndTheSamePointerAsEqual)
{
    const char* s = "abc";
    EXPECT_EQ(NaturalCompare(s, s), 0);
    EXPECT_EQ(NaturalCompare(nullptr, nullptr), 0);
    EXPECT_EQ(NaturalCompare(nullptr, ""), -1);
    EXPECT_EQ(NaturalCompare("", nullptr), 1);
}

TEST(NaturalCompare, SortsNumberedNamesInCountingOrder)
{
    // Every pair of "img<i>" names orders like the numbers, including across the 32-bit limit.
    const char* names[] = {"img0", "img1", "img2", "img9", "img10", "img99", "img100",
                           "img4294967295", "img4294967296", "img10000000000"};
    const int n = int(sizeof names / sizeof names[0]);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
            EXPECT_EQ(NaturalCompare(names[i], names[j]), Sign(i - j)) << names[i] << " " << names[j];
}

TEST(ToLowerInPlace, LowersLettersAndReturnsItsArgument)
{
    char text[] = "Res/PREFS.txt 42";
    EXPECT_EQ(ToLowerInPlace(text), text);
    EXPECT_STREQ(text, "res/prefs.txt 42");
}

TEST(StrNICmp, ComparesUpToNBytesIgnoringCase)
{
    EXPECT_EQ(StrNICmp("abc", "ABD", 2), 0);
    EXPECT_LT(StrNICmp("abc", "ABD", 3), 0);
    EXPECT_GT(StrNICmp("abd", "ABC", 3), 0);
    EXPECT_EQ(StrNICmp("abc", "xyz", 0), 0);
    // Stops at a's terminator: equal strings shorter than n compare equal.
    EXPECT_EQ(StrNICmp("Ab", "aB", 100), 0);
    // A prefix is smaller, the longer string larger.
    EXPECT_LT(StrNICmp("ab", "abc", 3), 0);
    EXPECT_GT(StrNICmp("abc", "ab", 3), 0);
}

TEST(StrNICmp, KeepsTheSignRightForBytesAbove127)
{
    // A signed-byte difference would wrap 0x41 - 0xE9 to a positive value.
    EXPECT_LT(StrNICmp("A", "\xE9", 1), 0);
    EXPECT_GT(StrNICmp("\xE9", "A", 1), 0);
    EXPECT_LT(StrNICmp("ab", "ab\xC8", 3), 0);
}

TEST(StrICmp, FoldsOnlyAsciiLettersAndOrdersLikeStrcmp)
{
    EXPECT_EQ(StrICmp("Codex", "cODEX"), 0);
    EXPECT_LT(StrICmp("abc", "ABD"), 0);
    EXPECT_GT(StrICmp("abcd", "ABC"), 0);
    EXPECT_LT(StrICmp("", "a"), 0);
    // Folding goes to lower case: '_' (95) lies between 'Z' (90) and 'a' (97).
    EXPECT_LT(StrICmp("_", "A"), 0);
    EXPECT_NE(StrICmp("\xC9", "\xE9"), 0);
}

TEST(StrLCpy, CutsTerminatesAndReturnsTheSourceLength)
{
    char buffer[8];
    memset(buffer, 'z', sizeof buffer);
    EXPECT_EQ(StrLCpy(buffer, "abcdef", 4), 6u);
    EXPECT_STREQ(buffer, "abc");
    EXPECT_EQ(buffer[4], 'z');

    memset(buffer, 'z', sizeof buffer);
    EXPECT_EQ(StrLCpy(buffer, "abc", 4), 3u);
    EXPECT_STREQ(buffer, "abc");

    memset(buffer, 'z', sizeof buffer);
    EXPECT_EQ(StrLCpy(buffer, "abcd", 4), 4u);  // result == size: cut
    EXPECT_STREQ(buffer, "abc");

    memset(buffer, 'z', sizeof buffer);
    EXPECT_EQ(StrLCpy(buffer, "abc", 1), 3u);
    EXPECT_EQ(buffer[0], 0);
    EXPECT_EQ(buffer[1], 'z');

    memset(buffer, 'z', sizeof buffer);
    EXPECT_EQ(StrLCpy(buffer, "abc", 0), 3u);
    EXPECT_EQ(buffer[0], 'z');

    EXPECT_EQ(StrLCpy(buffer, "", sizeof buffer), 0u);
    EXPECT_STREQ(buffer, "");
    memset(buffer, 'z', sizeof buffer);
    EXPECT_EQ(StrLCpy(buffer, nullptr, sizeof buffer), 0u);
    EXPECT_STREQ(buffer, "");
}

TEST(MemDupAndFreeAndNull, CopyBytesAndClearTheVariable)
{
    const u8 bytes[5] = {1, 0, 2, 0, 3};
    u8* copy = static_cast<u8*>(MemDup(bytes, sizeof bytes));
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy, bytes);
    EXPECT_EQ(memcmp(copy, bytes, sizeof bytes), 0);
    FreeAndNull(copy);
    EXPECT_EQ(copy, nullptr);
    FreeAndNull(copy);  // a null variable is left alone
    EXPECT_EQ(copy, nullptr);

    void* empty = MemDup(bytes, 0);
    EXPECT_NE(empty, nullptr);
    FreeAndNull(empty);
}

TEST(Contains, FindsAPartAnywhereAndAnEmptyPartEverywhere)
{
    EXPECT_TRUE(Contains("res/prefs.txt", "prefs"));
    EXPECT_TRUE(Contains("res/prefs.txt", "res/"));
    EXPECT_TRUE(Contains("res/prefs.txt", ".txt"));
    EXPECT_TRUE(Contains("res/prefs.txt", "res/prefs.txt"));
    EXPECT_FALSE(Contains("res/prefs.txt", "res/prefs.txt2"));
    EXPECT_FALSE(Contains("res/prefs.txt", "Prefs"));
    EXPECT_FALSE(Contains("", "a"));
    EXPECT_TRUE(Contains("", ""));
    EXPECT_TRUE(Contains("anything", ""));
    EXPECT_TRUE(Contains("aab", "ab"));
}

TEST(FormatString, FormatsIntoANewString)
{
    String s = FormatString("%s/%03d %c %.2f", "tags", 7, 'x', 1.5);
    EXPECT_STREQ(s.c_str(), "tags/007 x 1.50");
    EXPECT_TRUE(FormatString("%s", "").IsEmpty());
}

TEST(FormatString, CutsResultsOf4096CharactersOrMoreAfter4095Bytes)
{
    std::string big(5000, 'q');
    String s = FormatString("<%s>", big.c_str());
    ASSERT_EQ(s.Length(), kFormatStringLimit);
    EXPECT_EQ(s.c_str()[0], '<');
    EXPECT_EQ(s.c_str()[kFormatStringLimit - 1], 'q');

    std::string exact(4095, 'r');
    EXPECT_EQ(FormatString("%s", exact.c_str()).Length(), 4095u);
}
