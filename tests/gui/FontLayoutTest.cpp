#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "gui/core/Font.h"
#include "tests/common/ByteBuilder.h"

namespace {

// A synthetic font: every character advances 6 (a space 4, 'W' 20), ascent 10, line height
// 12, tabs every 8 spaces; plain and, when asked, bold present. Glyphs are 1 x 1 so that
// the layout reports them.
struct FontPtr {
    Font* f;
    explicit FontPtr(bool bold = true, s8 space = 4, u32 tabWidth = 8) : f(NewFont())
    {
        f->header[kFontAscent] = 10;
        f->header[kFontLineHeight] = 12;
        f->header[kFontTabWidth] = tabWidth;
        for (u32 s = 0; s < kFontStyleCount; ++s) {
            f->styles[s].header[3] = (s == 0 || (s == 1 && bold)) ? 1 : 0;
            for (u32 c = 0; c < kFontGlyphCount; ++c) {
                Glyph& g = f->styles[s].glyphs[c];
                s8 advance = c == 0 ? space : (c == 'W' - 32 ? 20 : 6);
                memset(g.advances, advance, sizeof(g.advances));
                g.width = 1;
                g.height = 1;
                g.xOffset = 1;
                g.yOffset = -8;
            }
        }
    }
    ~FontPtr() { FreeFont(f); }
};

struct Placed {
    u32 style;
    char c;
    s32 x, y;
    bool operator==(const Placed& o) const { return style == o.style && c == o.c && x == o.x && y == o.y; }
};

struct Capture {
    const Font* font;
    std::vector<Placed> glyphs;
};

void Record(void* context, const Glyph* g, s32 x, s32 y)
{
    Capture* cap = static_cast<Capture*>(context);
    for (u32 s = 0; s < kFontStyleCount; ++s) {
        const Glyph* first = cap->font->styles[s].glyphs;
        if (g >= first && g < first + kFontGlyphCount) {
            cap->glyphs.push_back({s, char(32 + (g - first)), x, y});
            return;
        }
    }
    ADD_FAILURE() << "glyph outside the font";
}

std::vector<Placed> Layout(const Font* f, const char* text, u32 flags, Rect r, u32 style = 0, s32* widest = nullptr)
{
    Capture cap{f, {}};
    s32 w = LayoutText(f, text, style, flags, r, Record, &cap);
    if (widest) *widest = w;
    return cap.glyphs;
}

std::string Styles(const std::vector<Placed>& glyphs)
{
    std::string out;
    for (const Placed& p : glyphs) out += char('0' + p.style), out += p.c;
    return out;
}

}  // namespace

TEST(TextMarkup, ABarBeforeAStyleLetterSwitchesStyleAndAnythingElseIsDrawn)
{
    FontPtr font;
    EXPECT_EQ(Styles(Layout(font.f, "a|bb", 0, {0, 0, 200, 20})), "0a1b");
    EXPECT_EQ(Styles(Layout(font.f, "|x", 0, {0, 0, 200, 20})), "0|0x");
    EXPECT_EQ(Styles(Layout(font.f, "|B|pa|Ob", 0, {0, 0, 200, 20})), "0a0b");
    FontPtr plainOnly(false);
    EXPECT_EQ(Styles(Layout(plainOnly.f, "a|bb", 0, {0, 0, 200, 20})), "0a0b");
    // An absent style asked for starts in the first present one.
    EXPECT_EQ(Styles(Layout(plainOnly.f, "a", 0, {0, 0, 200, 20}, kFontItalic)), "0a");
}

TEST(TextAdvance, ATabAdvancesToTheNextStopOfSpaceTimesTabWidth)
{
    FontPtr font;
    EXPECT_EQ(GetGlyphAdvance(font.f, 0, 10, 9, 'a'), 22);
    EXPECT_EQ(GetGlyphAdvance(font.f, 0, 32, 9, 'a'), 32);
    EXPECT_EQ(GetGlyphAdvance(font.f, 0, -4, 9, 'a'), 4);
    EXPECT_EQ(GetGlyphAdvance(font.f, 0, 0, 5, 'a'), 0);
    EXPECT_EQ(GetGlyphAdvance(font.f, 0, 0, 'W', 'a'), 20);
}

TEST(TextAdvance, AZeroSpaceAdvanceOrTabWidthMakesTabsAdvanceNothingInsteadOfDividingByZero)
{
    FontPtr noSpace(true, 0, 8);
    FontPtr noTabs(true, 4, 0);
    FontPtr negative(true, -3, 8);
    for (Font* f : {noSpace.f, noTabs.f, negative.f}) {
        EXPECT_EQ(GetGlyphAdvance(f, 0, 10, 9, 'a'), 0);
        EXPECT_EQ(MeasureTextWidth(f, "a\tb", 0, 0), 12);
    }
}

TEST(TextMeasure, LinesEndAtBreaksAndTheWidestCounts)
{
    FontPtr font;
    EXPECT_EQ(MeasureTextWidth(font.f, "ab\nabcd\rx", 0, 0), 24);
    EXPECT_EQ(MeasureTextWidth(font.f, "|bab", 0, 0), 12);
    EXPECT_EQ(MeasureTextWidth(font.f, "", 0, 0), 0);
    EXPECT_EQ(MeasureTextWidth(font.f, nullptr, 0, 0), 0);
    EXPECT_EQ(MeasureTextWidth(nullptr, "a", 0, 0), 0);
    // Other control characters read as spaces.
    EXPECT_EQ(MeasureTextWidth(font.f, "a\x01" "b", 0, 0), 16);
}

TEST(TextWrap, BreaksAfterTheLastSpaceAndLeavesItOutOfTheWidth)
{
    FontPtr font;
    // "aaa" 18, space 4, "b" 6: a width of 28 holds "aaa b".
    s32 width = 0;
    u32 next = 0, style = 0;
    EXPECT_EQ(MeasureLine(font.f, "aaa bbb", kTextWordWrap, 28, 0, 0, &width, &next, &style), 1);
    EXPECT_EQ(width, 18);
    EXPECT_EQ(next, 4u);
    EXPECT_EQ(MeasureLine(font.f, "aaa bbb", kTextWordWrap, 28, 4, 0, &width, &next, &style), 0);
    EXPECT_EQ(width, 18);
    EXPECT_EQ(next, 7u);
}

TEST(TextWrap, AWordWithoutSpaceBreaksBeforeTheCharacterThatOverflows)
{
    FontPtr font;
    s32 width = 0;
    u32 next = 0, style = 0;
    EXPECT_EQ(MeasureLine(font.f, "abcdef", kTextWordWrap, 20, 0, 0, &width, &next, &style), 1);
    EXPECT_EQ(width, 18);
    EXPECT_EQ(next, 3u);
}

TEST(TextWrap, ACharacterWiderThanTheWidthIsPlacedAloneOnItsLine)
{
    FontPtr font;
    s32 width = 0;
    u32 next = 0, style = 0;
    EXPECT_EQ(MeasureLine(font.f, "WW", kTextWordWrap, 10, 0, 0, &width, &next, &style), 1);
    EXPECT_EQ(width, 20);
    EXPECT_EQ(next, 1u);
    std::vector<Placed> g = Layout(font.f, "WWa", kTextWordWrap, {0, 0, 10, 100});
    ASSERT_EQ(g.size(), 3u);
    EXPECT_EQ(g[1].y - g[0].y, 12);
    EXPECT_EQ(g[2].y - g[1].y, 12);
    // Zero width still moves forward one character per line.
    EXPECT_EQ(Layout(font.f, "abc", kTextWordWrap, {0, 0, 0, 100}).size(), 0u);  // empty rectangle
    EXPECT_EQ(MeasureTextHeight(font.f, "abc", 0, 0, 0), 3 * 14);
}

TEST(TextWrap, TheStyleInForceAtTheBreakCarriesToTheNextLine)
{
    FontPtr font;
    EXPECT_EQ(Styles(Layout(font.f, "a |bbb c", kTextWordWrap, {0, 0, 20, 100})), "0a1b1b1c");
    s32 width = 0;
    u32 next = 0, style = 0;
    MeasureLine(font.f, "aa |bbbb", kTextWordWrap, 20, 0, 0, &width, &next, &style);
    EXPECT_EQ(next, 3u);
    EXPECT_EQ(style, 0u);
}

TEST(TextLayout, AlignmentOffsetsEachLineInsideTheRectangle)
{
    FontPtr font;
    s32 widest = 0;
    // "ab" is 12 wide in a 100-wide rectangle.
    std::vector<Placed> left = Layout(font.f, "ab", 0, {10, 20, 110, 40}, 0, &widest);
    ASSERT_EQ(left.size(), 2u);
    EXPECT_EQ(left[0].x, 11);  // pen + x offset
    EXPECT_EQ(left[0].y, 22);  // top + ascent + y offset
    EXPECT_EQ(left[1].x, 17);
    EXPECT_EQ(widest, 12);
    EXPECT_EQ(Layout(font.f, "ab", kTextCenter, {10, 20, 110, 40})[0].x, 10 + 44 + 1);
    EXPECT_EQ(Layout(font.f, "ab", kTextRight, {10, 20, 110, 40})[0].x, 10 + 88 + 1);
    // Vertical centring lowers the baseline by (20 - 12) / 2.
    EXPECT_EQ(Layout(font.f, "ab", kTextVCenter, {10, 20, 110, 40})[0].y, 26);
    // Multi-line text: each line on its own.
    std::vector<Placed> two = Layout(font.f, "ab\nabcd", kTextMultiLine | kTextRight, {0, 0, 100, 100}, 0, &widest);
    ASSERT_EQ(two.size(), 6u);
    EXPECT_EQ(two[0].x, 89);
    EXPECT_EQ(two[2].x, 77);
    EXPECT_EQ(two[2].y, 14);
    EXPECT_EQ(widest, 100);
}

TEST(TextLayout, SingleLineTextContinuesAfterLineBreaksAndStopsPastTheRightEdge)
{
    FontPtr font;
    std::vector<Placed> g = Layout(font.f, "ab\ncd", 0, {0, 0, 100, 20});
    ASSERT_EQ(g.size(), 4u);
    EXPECT_EQ(g[2].x, 13);
    EXPECT_EQ(g[2].y, g[0].y);
    // 20 wide: a (0), b (6), c (12), d (18) starts before the edge and ends past it.
    EXPECT_EQ(Layout(font.f, "abcdefgh", 0, {0, 0, 20, 20}).size(), 4u);
}

TEST(TextLayout, MultiLineTextStopsOnceTheBaselinePassesTheBottom)
{
    FontPtr font;
    // Baselines 10, 22, 34: the third passes a bottom of 30.
    EXPECT_EQ(Layout(font.f, "a\nb\nc\nd", kTextMultiLine, {0, 0, 50, 30}).size(), 2u);
}

TEST(TextMeasure, HeightCountsWrappedLinesWithTwoPixelsBetween)
{
    FontPtr font;
    EXPECT_EQ(MeasureTextHeight(font.f, "", 0, 0, 100), 14);
    EXPECT_EQ(MeasureTextHeight(font.f, "aaa bbb", 0, 0, 28), 28);
    EXPECT_EQ(MeasureTextHeight(font.f, "a\nb\n", 0, 0, 100), 42);
}

TEST(TextIndex, ThePixelOffsetPicksTheNearerSideOfTheCharacter)
{
    FontPtr font;
    struct Case {
        s32 x;
        u32 index;
    } cases[] = {{-5, 0}, {0, 0}, {3, 0}, {4, 1}, {6, 1}, {9, 1}, {10, 2}, {17, 3}, {18, 3}, {19, 3}, {100, 3}};
    for (const Case& c : cases) EXPECT_EQ(TextIndexAtX(font.f, "abc", c.x), c.index) << "x " << c.x;
    // Markup counts in the index and takes no room.
    EXPECT_EQ(TextIndexAtX(font.f, "|bab", 7), 3u);
    EXPECT_EQ(TextIndexAtX(font.f, "a\nb", 8), 2u);
}

// Font file bytes built field by field.
namespace {

struct GlyphFields {
    u16 w = 0, h = 0;
    std::vector<std::pair<u8, u8>> runs;  // empty: 224 times 6
};

std::vector<u8> FontFile(const std::vector<GlyphFields>& firstGlyphs = {}, bool truncate = false)
{
    ByteBuilder b;
    b.LE32(10).LE32(0).LE32(12).LE32(8);
    for (u32 s = 0; s < 4; ++s) {
        for (u32 c = 0; c < kFontGlyphCount; ++c) {
            static const GlyphFields kPlain;
            const GlyphFields& g = s == 0 && c < firstGlyphs.size() ? firstGlyphs[c] : kPlain;
            b.LE16(g.w).LE16(g.h).LE16(u16(-1)).LE16(u16(-9));
            if (g.runs.empty()) b.U8(6).U8(223);
            for (auto& r : g.runs) b.U8(r.first).U8(r.second);
            b.Fill(size_t(g.w) * g.h, 0x80);
        }
        b.LE32(0).LE32(0).LE32(0).LE32(s == 0 ? 1 : 0);
    }
    if (truncate) b.bytes.pop_back();
    return b.bytes;
}

Font* ReadFromBytes(const std::vector<u8>& bytes)
{
    FILE* f = StreamOf(bytes);
    Font* font = NewFont();
    int ok = ReadFontBody(font, f);
    fclose(f);
    if (!ok) {
        FreeFont(font);
        return nullptr;
    }
    return font;
}

}  // namespace

TEST(FontFile, GlyphsAdvancesAndCoverageReadAndWriteBackTheSame)
{
    GlyphFields a;
    a.w = 3;
    a.h = 2;
    a.runs = {{5, 99}, {0xFE, 123}};
    std::vector<u8> bytes = FontFile({GlyphFields(), a});
    Font* font = ReadFromBytes(bytes);
    ASSERT_NE(font, nullptr);
    const Glyph& g = font->styles[0].glyphs[1];
    EXPECT_EQ(g.width, 3);
    EXPECT_EQ(g.height, 2);
    EXPECT_EQ(g.xOffset, -1);
    EXPECT_EQ(g.yOffset, -9);
    EXPECT_EQ(g.advances[99], 5);
    EXPECT_EQ(g.advances[100], -2);
    EXPECT_EQ(g.packFlags, kPackMayRotate);
    ASSERT_NE(g.pixels, nullptr);
    EXPECT_EQ(g.pixels[5], 0x80);
    EXPECT_TRUE(FontHasStyle(font, 0));
    EXPECT_FALSE(FontHasStyle(font, 1));
    EXPECT_EQ(GetFontHeight(font), 12);

    FILE* out = tmpfile();
    ASSERT_TRUE(WriteFontBody(font, out));
    EXPECT_EQ(ContentsOf(out), bytes);
    fclose(out);
    FreeFont(font);
}

TEST(FontFile, BadFilesAreRefused)
{
    GlyphFields tooManyRuns;
    tooManyRuns.runs = {{6, 200}, {6, 30}};
    // The first glyph claims 60000 x 60000 coverage bytes.
    std::vector<u8> huge = FontFile();
    huge[16] = huge[18] = 0x60;
    huge[17] = huge[19] = 0xEA;
    struct Case {
        const char* name;
        std::vector<u8> bytes;
    } cases[] = {
        {"empty", {}},
        {"short header", {1, 2, 3}},
        {"runs past 224 entries", FontFile({tooManyRuns})},
        {"truncated last style header", FontFile({}, true)},
        {"coverage larger than the file", huge},
    };
    for (const Case& c : cases) EXPECT_EQ(ReadFromBytes(c.bytes), nullptr) << c.name;
    EXPECT_EQ(ReadFontFile("/nonexistent/font"), nullptr);
}
