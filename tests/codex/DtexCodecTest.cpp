#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "codex/DtexCodec.h"

namespace {

std::vector<u8> Decode(const u32* words, u32 length, u32* w, u32* h)
{
    u8* rgb = DecompressImage(w, h, words, length);
    std::vector<u8> out;
    if (rgb) out.assign(rgb, rgb + size_t(*w) * *h * 3);
    free(rgb);
    return out;
}

std::vector<u8> MakeImage(const char* kind, u32 w, u32 h, u32 seed)
{
    std::vector<u8> px(size_t(w) * h * 3);
    std::mt19937 rng(seed);
    for (u32 y = 0; y < h; ++y)
        for (u32 x = 0; x < w; ++x) {
            u8* p = &px[(size_t(y) * w + x) * 3];
            if (!strcmp(kind, "noise")) {
                p[0] = u8(rng()); p[1] = u8(rng()); p[2] = u8(rng());
            } else if (!strcmp(kind, "gradient")) {
                p[0] = u8(x * 3); p[1] = u8(y * 5); p[2] = u8(x + y);
            } else {  // checkerboard
                u8 v = ((x / 3) ^ (y / 3)) & 1 ? 250 : 5;
                p[0] = v; p[1] = u8(255 - v); p[2] = u8(v / 2);
            }
        }
    return px;
}

}  // namespace

TEST(DtexCodec, OnePixelImageGivesTheHandComputedStream)
{
    const u8 rgb[3] = {10, 20, 30};
    u32 length = 0;
    u32* words = CompressImage(rgb, 1, 1, &length);
    ASSERT_NE(words, nullptr);
    // Header 1 x 1 predictor 0, then k = 4, 5, 5 (the last one split across the words), then
    // 10, 20 and 30 with a zero quotient each, then padding and the zero word.
    ASSERT_EQ(length, 12u);
    EXPECT_EQ(words[0], 0x00100125u);
    EXPECT_EQ(words[1], 0xAA51E000u);
    EXPECT_EQ(words[2], 0u);
    u32 w, h;
    std::vector<u8> back = Decode(words, length, &w, &h);
    EXPECT_EQ(w, 1u);
    EXPECT_EQ(h, 1u);
    EXPECT_EQ(back, std::vector<u8>(rgb, rgb + 3));
    free(words);
}

TEST(DtexCodec, ValueSplitAtAWordBoundaryPutsItsLowBitsFirst)
{
    u32 words[3];
    DtexBitStream s;
    BitWriterInit(&s, words, 3);
    BitWriterPut(&s, 0, 30);
    BitWriterPut(&s, 0xD, 4);  // 1101: low bits 01 close word 0, high bits 11 open word 1
    EXPECT_EQ(words[0], 0x1u);
    EXPECT_EQ(words[1], 0xC0000000u);

    DtexBitStream r;
    BitReaderInit(&r, words, 3);
    EXPECT_EQ(BitReaderGet(&r, 30), 0u);
    EXPECT_EQ(BitReaderGet(&r, 4), 0xDu);
    EXPECT_FALSE(r.overrun);
}

TEST(DtexCodec, RiceCodeOfSeventyWithKTwoIsSeventeenOnesZeroAndOneZero)
{
    u32 words[2];
    DtexBitStream s;
    BitWriterInit(&s, words, 2);
    RiceEncode(&s, 70, 2);
    // 17 one-bits, a zero-bit, then the low two bits 10: 20 bits in all.
    EXPECT_EQ(words[0], 0xFFFF8000u | (0x2u << 12));
    EXPECT_EQ(s.bitsLeft, 12u);

    DtexBitStream r;
    BitReaderInit(&r, words, 2);
    EXPECT_EQ(RiceDecode(&r, 2), 70u);
    EXPECT_EQ(RiceDecode(&r, 7), 0u);  // k = 7 reads nothing
    EXPECT_EQ(r.bitsLeft, 12u);
}

// The one-bits of a quotient and its closing zero-bit are separate values: a run of ones
// splits at a word boundary like any value (all its bits alike), and the zero-bit follows it
// in stream order. Writing them as one (q + 1)-bit value would move the zero-bit in front of
// the ones that open the next word.
TEST(DtexCodec, RiceQuotientAndItsZeroBitFollowStreamOrderAcrossAWordBoundary)
{
    struct Case { u32 filler, value, k, word0, word1; } cases[] = {
        {29, 13, 2, 0x00000007u, 0x20000000u},  // 111 closes word 0, the zero-bit opens word 1, then 01
        {30, 3, 0, 0x00000003u, 0x80000000u},   // 11 closes word 0, 1 and the zero-bit open word 1
        {31, 1, 0, 0x00000001u, 0x00000000u},   // 1 closes word 0, the zero-bit opens word 1
    };
    for (const auto& c : cases) {
        u32 words[3];
        DtexBitStream s;
        BitWriterInit(&s, words, 3);
        BitWriterPut(&s, 0, c.filler);
        RiceEncode(&s, c.value, c.k);
        EXPECT_EQ(words[0], c.word0) << c.filler;
        EXPECT_EQ(words[1], c.word1) << c.filler;

        DtexBitStream r;
        BitReaderInit(&r, words, 3);
        EXPECT_EQ(BitReaderGet(&r, c.filler), 0u);
        EXPECT_EQ(RiceDecode(&r, c.k), c.value) << c.filler;
        EXPECT_FALSE(r.overrun);
    }
}

TEST(DtexCodec, LongQuotientsCrossWordsAndDecode)
{
    u32 words[16];
    DtexBitStream s;
    BitWriterInit(&s, words, 16);
    const u32 values[] = {255, 0, 200, 1, 255, 77};
    const u32 ks[] = {0, 0, 1, 6, 3, 0};
    for (int i = 0; i < 6; ++i) RiceEncode(&s, values[i], ks[i]);
    DtexBitStream r;
    BitReaderInit(&r, words, 16);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(RiceDecode(&r, ks[i]), values[i]) << i;
    EXPECT_FALSE(r.overrun);
}

TEST(DtexCodec, UniformImageCodesOnlyTheFirstBlock)
{
    const u32 w = 16, h = 16;
    std::vector<u8> px(w * h * 3);
    for (size_t i = 0; i < px.size(); i += 3) { px[i] = 40; px[i + 1] = 90; px[i + 2] = 200; }
    u32 length = 0;
    u32* words = CompressImage(px.data(), w, h, &length);
    ASSERT_NE(words, nullptr);

    DtexBitStream r;
    BitReaderInit(&r, words, length / 4);
    u32 header = BitReaderGet(&r, 26);
    EXPECT_EQ(header >> 14, w);
    EXPECT_EQ((header >> 2) & 0xFFF, h);
    for (int block = 0; block < 4; ++block)
        for (int c = 0; c < 3; ++c) {
            u32 k = BitReaderGet(&r, 3);
            if (block == 0) EXPECT_LT(k, 7u);
            else EXPECT_EQ(k, 7u) << "block " << block;
        }
    // The first block's 63 zero residuals and the raw first pixel cost, with the best k per
    // channel: 40 -> k0: 41 + 63; 90 -> k0: 91 + 63; 200 -> k1: 100 + 2 + 63 * 2. With 36
    // parameter bits B = 522, so L = 4 * ((522 + 89) / 32) = 76.
    EXPECT_EQ(length, 76u);
    u32 dw, dh;
    EXPECT_EQ(Decode(words, length, &dw, &dh), px);
    free(words);
}

TEST(DtexCodec, EveryPredictorInvertsExactlyOnAwkwardSizes)
{
    void (*const kForward[3])(const u8*, u8*, u32, u32) = {PredictForward0, PredictForward1, PredictForward2};
    void (*const kInverse[3])(const u8*, u8*, u32, u32) = {PredictInverse0, PredictInverse1, PredictInverse2};
    const u32 sizes[][2] = {{1, 1}, {1, 9}, {9, 1}, {2, 2}, {7, 8}, {10, 10}, {17, 33}, {64, 64}, {255, 3}};
    for (const char* kind : {"noise", "gradient", "checker"})
        for (auto& sz : sizes) {
            std::vector<u8> px = MakeImage(kind, sz[0], sz[1], sz[0] * 31 + sz[1]);
            for (int variant = 0; variant < 3; ++variant) {
                std::vector<u8> res(px.size()), back(px.size());
                kForward[variant](px.data(), res.data(), sz[0], sz[1]);
                kInverse[variant](res.data(), back.data(), sz[0], sz[1]);
                EXPECT_EQ(back, px) << kind << " " << sz[0] << "x" << sz[1] << " variant " << variant;
            }
        }
}

TEST(DtexCodec, CompressedStreamsRoundTripAndFollowTheLengthRule)
{
    const u32 sizes[][2] = {{1, 1}, {3, 5}, {8, 8}, {10, 10}, {33, 17}, {128, 96}, {300, 7}};
    for (const char* kind : {"noise", "gradient", "checker"})
        for (auto& sz : sizes) {
            std::vector<u8> px = MakeImage(kind, sz[0], sz[1], sz[1] * 7 + sz[0]);
            u32 length = 0;
            u32* words = CompressImage(px.data(), sz[0], sz[1], &length);
            ASSERT_NE(words, nullptr);
            ASSERT_EQ(length % 4, 0u);
            EXPECT_EQ(words[length / 4 - 1], 0u) << "the stream ends with a zero word";
            u32 w, h;
            EXPECT_EQ(Decode(words, length, &w, &h), px) << kind << " " << sz[0] << "x" << sz[1];
            free(words);
        }
}

TEST(DtexCodec, SmoothImagesCompressBelowTheirRawSize)
{
    std::vector<u8> px = MakeImage("gradient", 256, 256, 0);
    u32 length = 0;
    u32* words = CompressImage(px.data(), 256, 256, &length);
    ASSERT_NE(words, nullptr);
    EXPECT_LT(length, px.size() / 4);
    free(words);
}

TEST(DtexCodec, MalformedStreamsAreRefused)
{
    std::vector<u8> px = MakeImage("noise", 20, 20, 1);
    u32 length = 0;
    u32* words = CompressImage(px.data(), 20, 20, &length);
    ASSERT_NE(words, nullptr);
    u32 w, h;
    EXPECT_TRUE(Decode(words, length - 4 * (length / 8), &w, &h).empty()) << "truncated";
    EXPECT_TRUE(Decode(words, length - 2, &w, &h).empty()) << "length not a multiple of 4";
    EXPECT_TRUE(Decode(words, 0, &w, &h).empty());
    std::vector<u32> bad(words, words + length / 4);
    bad[0] |= 3u << 6;  // predictor 3 has no inverse
    EXPECT_TRUE(Decode(bad.data(), length, &w, &h).empty());
    bad[0] = 0;  // zero width and height
    EXPECT_TRUE(Decode(bad.data(), length, &w, &h).empty());
    // A header claiming the largest image with a stream of two words.
    u32 huge[2] = {(4095u << 20) | (4095u << 8), 0};
    EXPECT_TRUE(Decode(huge, 8, &w, &h).empty());
    free(words);
}

TEST(DtexCodec, SidesOfFourThousandNinetySixAreRefusedAtSave)
{
    std::vector<u8> px(4096 * 3, 7);
    u32 length = 1;
    EXPECT_EQ(CompressImage(px.data(), 4096, 1, &length), nullptr);
    EXPECT_EQ(length, 0u);
    FILE* f = tmpfile();
    EXPECT_EQ(WriteCompressedImage(px.data(), 1, 4096, f), 0u);
    EXPECT_EQ(ftell(f), 0L);
    fclose(f);
}

TEST(DtexCodec, FileFormIsLittleEndianAndBoundedByTheTagSize)
{
    std::vector<u8> px = MakeImage("checker", 12, 9, 3);
    FILE* f = tmpfile();
    u32 written = WriteCompressedImage(px.data(), 12, 9, f);
    ASSERT_GT(written, 4u);
    rewind(f);
    u8 first[8];
    ASSERT_EQ(fread(first, 8, 1, f), 1u);
    u32 length = first[0] | first[1] << 8 | first[2] << 16 | u32(first[3]) << 24;
    EXPECT_EQ(length + 4, written);
    // The first word is the header, little-endian: width 12 in its top 12 bits.
    u32 word0 = first[4] | first[5] << 8 | first[6] << 16 | u32(first[7]) << 24;
    EXPECT_EQ(word0 >> 20, 12u);

    u8* rgb = nullptr;
    u32 w, h;
    rewind(f);
    EXPECT_EQ(ReadCompressedImage(&rgb, &w, &h, f, written - 1), 0u) << "length past the tag";
    EXPECT_EQ(rgb, nullptr);
    rewind(f);
    ASSERT_EQ(ReadCompressedImage(&rgb, &w, &h, f, written), written);
    EXPECT_EQ(std::vector<u8>(rgb, rgb + 12 * 9 * 3), px);
    free(rgb);
    fclose(f);
}
