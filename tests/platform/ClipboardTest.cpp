// Clipboard text and picture packing, and cursor shapes, through the fake backend.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/Clipboard.h"
#include "platform/GLTexture.h"
#include "platform/Os.h"
#include "platform/OsFake.h"
#include "tests/platform/CharmapStandIn.h"
#include "platform/OsReal.h"

namespace {

class ClipboardFake : public ::testing::Test {
protected:
    void SetUp() override
    {
        OsUseFakeBackend();
        OsInit();
    }
    void TearDown() override { OsResetState(); }
};

u32 U32At(const u8* p) { return u32(p[0]) | (u32(p[1]) << 8) | (u32(p[2]) << 16) | (u32(p[3]) << 24); }

}  // namespace

TEST(FlipRowsSwapRB, TurnsRowsUpsideDownAndSwapsRedAndBlue)
{
    const u8 src[] = {1, 2, 3, 4, 5, 6};  // 1 x 2: top pixel 1,2,3; bottom 4,5,6
    u8 dst[8];
    memset(dst, 0xAA, sizeof dst);
    FlipRowsSwapRB(dst, src, 1, 2, 0, 1);
    const u8 expected[] = {6, 5, 4, 0, 3, 2, 1, 0};
    EXPECT_EQ(0, memcmp(dst, expected, 8));

    // Padded source back to a tight destination.
    u8 back[6];
    EXPECT_EQ(FlipRowsSwapRB(back, dst, 1, 2, 1, 0), back);
    EXPECT_EQ(0, memcmp(back, src, 6));
}

TEST_F(ClipboardFake, AOnePixelPictureIsAHeaderAndOnePaddedRowStoredBlueFirst)
{
    const u8 pixel[3] = {10, 20, 30};
    ASSERT_TRUE(ClipboardSetImage(pixel, 1, 1));
    u32 size = 0;
    const u8* dib = FakeOsClipboardPicture(&size);
    ASSERT_EQ(size, 44u);
    EXPECT_EQ(U32At(dib), 40u);
    EXPECT_EQ(U32At(dib + 4), 1u);
    EXPECT_EQ(U32At(dib + 8), 1u);
    EXPECT_EQ(dib[12] | (dib[13] << 8), 1);
    EXPECT_EQ(dib[14] | (dib[15] << 8), 24);
    for (int i = 16; i < 40; ++i) EXPECT_EQ(dib[i], 0) << i;
    const u8 row[4] = {30, 20, 10, 0};
    EXPECT_EQ(0, memcmp(dib + 40, row, 4));
}

TEST_F(ClipboardFake, PicturesComeBackAsTheyWentIn)
{
    for (u32 w : {1u, 2u, 3u, 4u, 5u}) {
        u32 h = 3;
        std::vector<u8> pixels(w * h * 3);
        for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = u8(i * 7 + w);
        ASSERT_TRUE(ClipboardSetImage(pixels.data(), w, h));
        u32 size;
        FakeOsClipboardPicture(&size);
        EXPECT_EQ(size, 40 + ((w * 3 + 3) / 4 * 4) * h);
        u8* out = nullptr;
        u32 ow = 0, oh = 0;
        ASSERT_TRUE(ClipboardGetImage(&out, &ow, &oh));
        EXPECT_EQ(ow, w);
        EXPECT_EQ(oh, h);
        EXPECT_EQ(0, memcmp(out, pixels.data(), pixels.size())) << "width " << w;
        free(out);
    }
}

TEST_F(ClipboardFake, EmptyPicturesAreNotPut)
{
    u8 pixel[3] = {};
    EXPECT_FALSE(ClipboardSetImage(pixel, 0, 4));
    EXPECT_FALSE(ClipboardSetImage(nullptr, 1, 1));
    EXPECT_FALSE(ClipboardSetImage(pixel, 70000, 70000));  // past the 1 GiB bound
}

namespace {
std::vector<u8> Header(s32 w, s32 h, u16 bits, u32 compression, u32 headerSize = 40)
{
    std::vector<u8> d(headerSize, 0);
    auto put = [&](size_t at, u32 v) {
        for (int i = 0; i < 4; ++i) d[at + i] = u8(v >> (8 * i));
    };
    put(0, headerSize);
    put(4, u32(w));
    put(8, u32(h));
    d[12] = 1;
    d[14] = u8(bits);
    d[15] = u8(bits >> 8);
    put(16, compression);
    return d;
}
}  // namespace

TEST_F(ClipboardFake, PicturesThatAreNotWhole24BitImagesAreNotRead)
{
    struct Case {
        const char* what;
        std::vector<u8> dib;
    };
    // A header followed by `rowBytes` bytes.
    auto picture = [](s32 w, s32 h, u16 bits, u32 compression, size_t rowBytes) {
        std::vector<u8> d = Header(w, h, bits, compression);
        d.resize(d.size() + rowBytes);
        return d;
    };
    std::vector<Case> cases = {
        {"32 bits per pixel", picture(2, 2, 32, 0, 16)},
        {"compressed", picture(2, 2, 24, 1, 16)},
        {"one byte short of its rows", picture(2, 2, 24, 0, 15)},
        {"huge size promised by a small picture", picture(1000000, 1000000, 24, 0, 64)},
        {"zero width", picture(0, 2, 24, 0, 16)},
    };
    std::vector<u8> pastEnd = picture(1, 1, 24, 0, 4);
    pastEnd[0] = 200;  // header claims more bytes than there are
    cases.push_back({"header size past the end", pastEnd});
    cases.push_back({"shorter than a header", std::vector<u8>(39, 0)});
    for (const Case& c : cases) {
        FakeOsClipboardPutPicture(c.dib.data(), u32(c.dib.size()));
        u8* out = reinterpret_cast<u8*>(1);
        u32 w, h;
        EXPECT_FALSE(ClipboardGetImage(&out, &w, &h)) << c.what;
        EXPECT_EQ(out, nullptr) << c.what;
    }
}

TEST_F(ClipboardFake, TopDownAndLargerHeaderPicturesOfOtherProgramsAreRead)
{
    auto d = Header(1, -2, 24, 0, 124);  // negative height: rows top-down
    const u8 rows[] = {3, 2, 1, 0, 6, 5, 4, 0};
    d.insert(d.end(), rows, rows + 8);
    FakeOsClipboardPutPicture(d.data(), u32(d.size()));
    u8* out = nullptr;
    u32 w, h;
    ASSERT_TRUE(ClipboardGetImage(&out, &w, &h));
    EXPECT_EQ(w, 1u);
    EXPECT_EQ(h, 2u);
    const u8 expected[] = {1, 2, 3, 4, 5, 6};
    EXPECT_EQ(0, memcmp(out, expected, 6));
    free(out);
}

TEST_F(ClipboardFake, TextGoesOnTheClipboardInBothForms)
{
    ClipboardSetCharmap(StandInToUtf16, StandInFromUtf16);
    ASSERT_TRUE(ClipboardSetText("caf\x8E \xDB"));
    EXPECT_STREQ(FakeOsClipboardText8(), "caf\x8E \xDB");
    const u16* utf16 = FakeOsClipboardUtf16();
    ASSERT_NE(utf16, nullptr);
    const u16 expected[] = {'c', 'a', 'f', 0x18E, ' ', 0x1DB, 0};
    EXPECT_EQ(0, memcmp(utf16, expected, sizeof expected));
}

TEST_F(ClipboardFake, ExtendedCharactersSurviveACopyAndPaste)
{
    ClipboardSetCharmap(StandInToUtf16, StandInFromUtf16);
    std::string all;
    for (int c = 32; c < 256; ++c) all += char(c);
    ASSERT_TRUE(ClipboardSetText(all.c_str()));
    String back;
    ASSERT_TRUE(ClipboardGetText(&back));
    EXPECT_EQ(std::string(back.c_str()), all);
}

TEST_F(ClipboardFake, TextOfOtherProgramsIsConvertedOrTakenAsItsBytes)
{
    ClipboardSetCharmap(StandInToUtf16, StandInFromUtf16);
    const u16 host[] = {'h', 0x18E, 0x20AC, 0};
    FakeOsClipboardPutUtf16(host);
    String text;
    ASSERT_TRUE(ClipboardGetText(&text));
    EXPECT_STREQ(text.c_str(), "h\x8E\xFF");

    FakeOsClipboardPutText8("raw \x8E bytes");
    ASSERT_TRUE(ClipboardGetText(&text));
    EXPECT_STREQ(text.c_str(), "raw \x8E bytes");
}

TEST_F(ClipboardFake, WithoutACharacterMapTextIsLatin1)
{
    ASSERT_TRUE(ClipboardSetText("\xE9t\xE9"));
    const u16 expected[] = {0xE9, 't', 0xE9, 0};
    EXPECT_EQ(0, memcmp(FakeOsClipboardUtf16(), expected, sizeof expected));
}

TEST_F(ClipboardFake, ANonTextClipboardOrABusyOneGivesNothing)
{
    String text("kept");
    EXPECT_FALSE(ClipboardGetText(&text));
    const u8 pixel[3] = {1, 2, 3};
    ClipboardSetImage(pixel, 1, 1);
    EXPECT_FALSE(ClipboardGetText(&text));
    EXPECT_STREQ(text.c_str(), "kept");

    ClipboardSetText("x");
    FakeOsClipboardSetBusy(1);
    EXPECT_FALSE(ClipboardSetText("y"));
    EXPECT_FALSE(ClipboardGetText(&text));
    EXPECT_FALSE(ClipboardSetImage(pixel, 1, 1));
    u8* out;
    u32 w, h;
    EXPECT_FALSE(ClipboardGetImage(&out, &w, &h));
    FakeOsClipboardSetBusy(0);
    EXPECT_TRUE(ClipboardGetText(&text));
    EXPECT_STREQ(text.c_str(), "x");
}

TEST_F(ClipboardFake, CursorShapesAnswerThePreviousShapeAndUnknownKindsShowTheArrow)
{
    OsOpenWindow(640, 480, 0, 0);
    EXPECT_EQ(SetCursorShape(CURSOR_IBEAM), CURSOR_ARROW);
    EXPECT_EQ(FakeOsCursorShape(), CURSOR_IBEAM);
    EXPECT_EQ(SetCursorShape(CURSOR_GRAB_DARK), CURSOR_IBEAM);
    EXPECT_EQ(SetCursorShape(99), CURSOR_GRAB_DARK);
    EXPECT_EQ(FakeOsCursorShape(), CURSOR_ARROW);
    EXPECT_EQ(SetCursorShape(0), CURSOR_ARROW);
    EXPECT_EQ(FakeOsCursorShape(), CURSOR_ARROW);
}

TEST(CursorImages, TheProgramDrawsTheShapesTheLibraryLacks)
{
    static u8 rgba[32 * 32 * 4];
    for (int kind = 0; kind <= 14; ++kind) {
        int hx = -1, hy = -1;
        bool own = kind == 3 || kind == 4 || (kind >= 7 && kind <= 13);
        ASSERT_EQ(OsCursorImage(kind, rgba, &hx, &hy) != 0, own) << kind;
        if (!own) continue;
        bool hand = kind >= 7 && kind != 8 && kind != 9;
        EXPECT_EQ(hx, hand ? 8 : 16) << kind;
        EXPECT_EQ(hy, hand ? 8 : 16) << kind;
        // Every shape is solid in its middle (a hand's outline is closed, so it is filled).
        const u8* centre = rgba + (17 * 32 + 16) * 4;
        EXPECT_EQ(centre[3], 255) << kind;
    }
}
