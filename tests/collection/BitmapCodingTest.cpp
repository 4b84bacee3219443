#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "BeBuilder.h"
#include "collection/BitmapCoding.h"
#include "collection/Collection.h"

namespace {

using Bytes = std::vector<u8>;

struct BitmapDeleter {
    void operator()(CollectionBitmap* b) const { delete b; }
};
using BitmapPtr = std::unique_ptr<CollectionBitmap, BitmapDeleter>;

BitmapPtr MakeBitmap(u32 w, u32 h, u16 flags, u32 bpp, const Bytes& pixels)
{
    BitmapPtr b(new CollectionBitmap());
    b->width = u16(w);
    b->height = u16(h);
    b->flags = flags;
    b->bytesPerPixel = u16(bpp);
    b->pixels = static_cast<u8*>(malloc(pixels.size() ? pixels.size() : 1));
    if (!pixels.empty()) memcpy(b->pixels, pixels.data(), pixels.size());
    return b;
}

Bytes Write(const CollectionBitmap& b, u64* result = nullptr)
{
    FILE* f = tmpfile();
    u64 n = WriteBitmap(f, b);
    if (result) *result = n;
    Bytes out = ContentOf(f);
    fclose(f);
    return out;
}

ColorTableRecord Table()
{
    ColorTableRecord t;
    memset(&t, 0, sizeof(t));
    t.count = 256;
    t.entries[5][0] = 10 << 8;
    t.entries[5][1] = 200 << 8;
    t.entries[5][2] = 30 << 8;
    return t;
}

BitmapPtr Read(const Bytes& record)
{
    FILE* f = StreamOf(record);
    ColorTableRecord t = Table();
    BitmapPtr b(ReadBitmap(f, u32(record.size()), t));
    fclose(f);
    return b;
}

// A 52-byte header written field by field.
BeBuilder Header(u32 w, u32 h, u32 bytesPerRow, u32 flags, u32 depth, u32 shift, u32 type)
{
    BeBuilder b;
    b.U16(w).U16(h).U16(bytesPerRow).U16(flags).U16(depth).U16(0).U16(0).U16(shift).U16(type).Zero(34);
    return b;
}

Bytes Pixels(const CollectionBitmap& b)
{
    return Bytes(b.pixels, b.pixels + b.PixelByteCount());
}

}  // namespace

TEST(BitmapCoding, SpanRowsStoreOnlyTheVisibleRunsAndPadOddRows)
{
    struct Case {
        Bytes pixels;  // {alpha, index} x 4
        Bytes row;
    } cases[] = {
        {{0, 0, 255, 9, 255, 8, 0, 0}, {0, 1, 0, 2, 0, 1, 0, 3, 9, 8}},
        {{255, 9, 0, 0, 0, 0, 0, 0}, {0, 1, 0, 1, 0, 0, 0, 1, 9, 0}},
        {{0, 0, 0, 0, 0, 0, 0, 0}, {0, 0, 0, 0}},
        {{255, 1, 0, 0, 255, 2, 255, 3}, {0, 2, 0, 3, 0, 0, 0, 1, 0, 2, 0, 4, 1, 2, 3, 0}},
    };
    for (const Case& c : cases) {
        BitmapPtr b = MakeBitmap(4, 1, kBitmapSpanRows, 2, c.pixels);
        Bytes expect = Header(4, 1, 4, kBitmapSpanRows | kBitmapPaddedRows, 8, 0, 0).bytes;
        expect.insert(expect.end(), c.row.begin(), c.row.end());
        u64 n = 0;
        EXPECT_EQ(Write(*b, &n), expect);
        EXPECT_EQ(n, expect.size());
        BitmapPtr back = Read(expect);
        ASSERT_TRUE(back);
        EXPECT_EQ(Pixels(*back), c.pixels);
        EXPECT_EQ(back->flags, kBitmapSpanRows | kBitmapPaddedRows);
    }
}

TEST(BitmapCoding, PartialAlphaIsQuantisedStoredAsTransparencyAndReadBackUnchanged)
{
    BitmapPtr b = MakeBitmap(2, 2, kBitmapSpanRows, 2, {200, 4, 0, 7, 255, 5, 16, 6});
    b->QuantizeAlpha();
    EXPECT_EQ(Pixels(*b), (Bytes{204, 4, 0, 0, 255, 5, 17, 6}));
    EXPECT_TRUE(b->flags & kBitmapPartialAlpha);
    BeBuilder e = Header(2, 2, 4, kBitmapSpanRows | kBitmapPaddedRows | kBitmapPartialAlpha, 16, 1, 0);
    e.Zero(4);                                             // row-offset table of height x 4 - 4
    e.U16(1).U16(1).U16(0).U16(1).U8(3).U8(4);             // alpha 204 is t = 3
    e.U16(1).U16(2).U16(0).U16(2).U8(0).U8(5).U8(14).U8(6);
    EXPECT_EQ(Write(*b), e.bytes);
    BitmapPtr back = Read(e.bytes);
    ASSERT_TRUE(back);
    EXPECT_EQ(Pixels(*back), Pixels(*b));
    // Span rows are always stored padded, and the reader keeps that flag.
    EXPECT_EQ(back->flags, b->flags | kBitmapPaddedRows);
}

TEST(BitmapCoding, RawRowsStoreIndicesOrTransparencyPairs)
{
    BitmapPtr opaque = MakeBitmap(3, 1, 0, 2, {255, 1, 0, 0, 255, 3});
    Bytes expect = Header(3, 1, 3, 0, 8, 0, 0).Bytes({1, 0, 3}).bytes;
    EXPECT_EQ(Write(*opaque), expect);
    BitmapPtr back = Read(expect);
    ASSERT_TRUE(back);
    EXPECT_EQ(Pixels(*back), Pixels(*opaque));

    BitmapPtr partial = MakeBitmap(2, 1, kBitmapPartialAlpha, 2, {255, 1, 119, 2});
    expect = Header(2, 1, 4, kBitmapPartialAlpha, 16, 1, 0).Bytes({0, 1, 8, 2}).bytes;
    EXPECT_EQ(Write(*partial), expect);
    back = Read(expect);
    ASSERT_TRUE(back);
    EXPECT_EQ(Pixels(*back), Pixels(*partial));
}

TEST(BitmapCoding, OneBytePixelsCanTakeAlphaFromBrightness)
{
    Bytes record = Header(2, 1, 2, 0x800 | 32, 8, 0, 0).Bytes({5, 0}).bytes;
    BitmapPtr b = Read(record);
    ASSERT_TRUE(b);
    // Brightest channel of (10, 200, 30) is 200, quantised on reading like every alpha.
    EXPECT_EQ(Pixels(*b), (Bytes{204, 5, 0, 0}));
    EXPECT_EQ(b->flags & 0x800, 0);
    EXPECT_TRUE(b->flags & kBitmapPartialAlpha);
}

TEST(BitmapCoding, ReaderKeepsOnlyTheKnownHeaderFlags)
{
    // Flag 16 among them reads the pixel as {t, index}: the record holds both bytes.
    Bytes record = Header(1, 1, 1, 0xFFFF & ~0x4000 & ~kBitmapSpanRows, 8, 0, 0).Bytes({0, 7}).bytes;
    BitmapPtr b = Read(record);
    ASSERT_TRUE(b);
    // 0xC8F4 less true colour, span rows, the table and brightness flags, and partial alpha,
    // which the quantisation clears for an opaque pixel.
    EXPECT_EQ(b->flags, 0x8000 | kBitmapShadow | kBitmapPaddedRows);
}

TEST(BitmapCoding, TrueColourRunCodingGoldenVectors)
{
    struct Case {
        const char* what;
        Bytes pixels;
        Bytes stream;
    } cases[] = {
        {"300 transparent pixels", Bytes(300 * 8, 0), {255, 0, 44, 0}},
        {"starts opaque", {10, 20, 30, 31, 0, 0, 0, 0}, {0, 31, 30, 20, 10, 0}},
        {"opaque then clear", {10, 20, 30, 31, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, {0, 31, 30, 20, 10, 0, 0, 0}},
        {"opaque run, then partial, then clear",
         {1, 2, 4, 31, 0, 0, 0, 0, 5, 6, 8, 31, 0, 0, 0, 0, 7, 7, 6, 0x2F, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
         {0, 31, 4, 2, 1, 1, 8, 6, 5, 0x2F, 6, 7, 7, 0, 0}},
        {"second colour", {1, 2, 5, 16, 9, 8, 7, 0x45, 0, 0, 0, 0, 0, 0, 0, 0}, {0, 16, 5, 2, 1, 7, 8, 9, 0x45, 0, 0}},
    };
    for (const Case& c : cases) {
        ScopedDynArray<u8> out;
        EncodeTrueColorBitmap(c.pixels.data(), c.pixels.size() / 8, out);
        EXPECT_EQ(Bytes(out.begin(), out.end()), c.stream) << c.what;
        Bytes decoded(c.pixels.size(), 0xEE);
        EXPECT_TRUE(DecodeTrueColorBitmap(decoded.data(), c.stream.data(), c.stream.size(), c.pixels.size() / 8))
            << c.what;
        EXPECT_EQ(decoded, c.pixels) << c.what;
    }
}

TEST(BitmapCoding, TrueColourRecordsIgnoreTheBitmapFlagsAndReadAsEightBytePixels)
{
    Bytes px = {10, 20, 30, 31, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    BitmapPtr b = MakeBitmap(2, 1, kBitmapShadow | kBitmapTrueColor | kBitmapSpanRows, 8, px);
    Bytes expect = Header(2, 1, 16, 0x4020, 64, 0, 1).Bytes({0, 31, 30, 20, 10, 0, 0, 0}).bytes;
    EXPECT_EQ(Write(*b), expect);
    BitmapPtr back = Read(expect);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->bytesPerPixel, 8);
    EXPECT_EQ(back->flags, kBitmapTrueColor);
    EXPECT_EQ(Pixels(*back), px);
    // The depth field does not change the pixel size of a true-colour record.
    Bytes odd = expect;
    odd[9] = 16;
    back = Read(odd);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->bytesPerPixel, 8);
    EXPECT_EQ(Pixels(*back), px);
}

TEST(BitmapCoding, SidesTheRecordCannotHoldFailTheWrite)
{
    BitmapPtr wide = MakeBitmap(32768, 1, 0, 2, Bytes(2 * 32768, 255));
    u64 n = 1;
    Write(*wide, &n);
    EXPECT_EQ(n, 0u);
    BitmapPtr widest = MakeBitmap(32767, 1, 0, 2, Bytes(2 * 32767, 255));
    Write(*widest, &n);
    EXPECT_EQ(n, 52u + 32767u);
}

TEST(BitmapCoding, MalformedRecordsAreRefused)
{
    Bytes good = Header(2, 2, 4, kBitmapSpanRows | kBitmapPaddedRows | kBitmapPartialAlpha, 16, 1, 0)
                     .Zero(4).U16(1).U16(1).U16(0).U16(1).U8(3).U8(4).U16(0).U16(0).bytes;
    ASSERT_TRUE(Read(good));
    auto withU16 = [&](size_t at, u32 v) {
        Bytes b = good;
        b[at] = u8(v >> 8);
        b[at + 1] = u8(v);
        return b;
    };
    struct Case {
        const char* what;
        Bytes record;
    } cases[] = {
        {"shorter than a header", Bytes(good.begin(), good.begin() + 51)},
        {"width 0", withU16(0, 0)},
        {"height past 32767", withU16(2, 0x8000)},
        {"shift 2 with depth 16", withU16(14, 2)},
        {"shift 3", withU16(14, 3)},
        {"depth does not match the shift", withU16(8, 8)},
        {"unknown pixel type", [&] { Bytes b = withU16(6, 0x4000 | 4 | 16 | 64); b[17] = 2; return b; }()},
        {"row table longer than the record", withU16(2, 100)},
        {"span past the width", withU16(52 + 4 + 6, 3)},
        {"spans out of order", Header(4, 1, 8, 4 | 16, 16, 1, 0).U16(2).U16(2).U16(2).U16(3).U16(0).U16(1)
                                   .U8(0).U8(1).U8(0).U8(2).bytes},
        {"pixel count not the spans' sum", withU16(52 + 4 + 2, 2)},
        {"span count past the data", withU16(52 + 4, 40)},
        {"rows missing", Bytes(good.begin(), good.end() - 4)},
        {"raw rows cut short", Header(4, 4, 4, 0, 8, 0, 0).Zero(12).Zero(15).bytes},
        {"true colour cut short", Header(2, 1, 16, 0x4020, 64, 0, 1).Bytes({0, 31, 30, 20}).bytes},
        {"true colour run past the last pixel", Header(2, 1, 16, 0x4020, 64, 0, 1).Bytes({3, 0}).bytes},
        {"true colour claims more pixels than its bytes can code",
         Header(4096, 4096, 0, 0x4020, 64, 0, 1).Bytes({255, 0, 255, 0}).bytes},
    };
    for (const Case& c : cases) EXPECT_FALSE(Read(c.record)) << c.what;
}

TEST(BitmapCoding, FlagSixteenAloneChoosesTheTwoByteReadingAndTheShiftOnlyTheSpacing)
{
    struct Case {
        const char* what;
        Bytes record;
        bool reads;
        Bytes pixels;  // {alpha, index} x 2 when read
    } cases[] = {
        {"shift 2, depth 24, flag 16: 3-byte slots read as {t, index}",
         Header(2, 1, 6, kBitmapPartialAlpha, 24, 2, 0).Bytes({0, 5, 77, 8, 6, 77}).bytes, true,
         {255, 5, 119, 6}},
        {"shift 2 span row: 4-byte slots",
         Header(2, 1, 6, kBitmapSpanRows | kBitmapPartialAlpha, 24, 2, 0).U16(1).U16(2).U16(0).U16(2)
             .Bytes({0, 5, 77, 77, 8, 6, 77, 77}).bytes,
         true, {255, 5, 119, 6}},
        {"shift 1 without flag 16 reads one index byte per 2-byte slot",
         Header(2, 1, 4, 0, 16, 1, 0).Bytes({7, 99, 0, 42}).bytes, true, {255, 7, 0, 0}},
        {"shift 0 with flag 16 needs the byte after the last slot",
         Header(2, 1, 2, kBitmapPartialAlpha, 8, 0, 0).Bytes({0, 9}).bytes, false, {}},
        {"shift 0 with flag 16 and that byte present",
         Header(2, 1, 2, kBitmapPartialAlpha, 8, 0, 0).Bytes({0, 9, 3}).bytes, true, {255, 9, 102, 3}},
        {"shift 0 span row with flag 16 and no byte past the slots",
         Header(1, 1, 1, kBitmapSpanRows | kBitmapPartialAlpha, 8, 0, 0).U16(1).U16(1).U16(0).U16(1)
             .Bytes({0}).bytes,
         false, {}},
        {"shift 3 is refused", Header(2, 1, 2, 0, 32, 3, 0).Zero(8).bytes, false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        BitmapPtr b = Read(c.record);
        ASSERT_EQ(c.reads, b != nullptr);
        if (!b) continue;
        Bytes px = Pixels(*b);
        // The second pixel is 2 wide in every case; compare the first two pixels.
        EXPECT_EQ(Bytes(px.begin(), px.begin() + 4), c.pixels);
    }
}

TEST(BitmapCoding, QuantizeAlphaClearsIndicesOfInvisiblePixelsAndTracksPartialAlpha)
{
    BitmapPtr b = MakeBitmap(3, 1, kBitmapPartialAlpha, 2, {15, 9, 255, 3, 240, 2});
    b->QuantizeAlpha();
    EXPECT_EQ(Pixels(*b), (Bytes{0, 0, 255, 3, 255, 2}));
    EXPECT_FALSE(b->flags & kBitmapPartialAlpha);
    BitmapPtr none(new CollectionBitmap());
    none->bytesPerPixel = 2;
    none->flags = kBitmapPartialAlpha;
    none->QuantizeAlpha();
    EXPECT_EQ(none->flags, 0);
    Bytes tc(8, 0x11);
    BitmapPtr trueColor = MakeBitmap(1, 1, 0, 8, tc);
    trueColor->QuantizeAlpha();
    EXPECT_EQ(Pixels(*trueColor), tc);
}

TEST(BitmapCoding, MakeAlphaBinaryOnlyActsOnPartialAlpha)
{
    BitmapPtr plain = MakeBitmap(2, 1, 0, 2, {255, 0, 0, 0});
    EXPECT_FALSE(plain->MakeAlphaBinary());
    EXPECT_EQ(Pixels(*plain), (Bytes{255, 0, 0, 0}));
    BitmapPtr partial = MakeBitmap(3, 1, kBitmapPartialAlpha, 2, {17, 4, 136, 0, 0, 0});
    EXPECT_TRUE(partial->MakeAlphaBinary());
    EXPECT_EQ(Pixels(*partial), (Bytes{255, 4, 0, 0, 0, 0}));
    EXPECT_FALSE(partial->flags & kBitmapPartialAlpha);
}
