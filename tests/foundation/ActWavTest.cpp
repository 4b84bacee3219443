#include <gtest/gtest.h>
#include <malloc.h>
#include <sys/resource.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "foundation/ActFile.h"
#include "foundation/Ima4.h"
#include "foundation/WavFile.h"
#include "tests/foundation/FileTestSupport.h"

namespace {

u32 Le32(const Bytes& b, size_t at)
{
    return u32(b[at]) | u32(b[at + 1]) << 8 | u32(b[at + 2]) << 16 | u32(b[at + 3]) << 24;
}

u32 Le16(const Bytes& b, size_t at)
{
    return u32(b[at]) | u32(b[at + 1]) << 8;
}

class SmallFiles : public TempFolderTest {};

// Bytes the heap has handed out and not taken back, by the C library's count (which sees
// nothing where the sanitizer's allocator stands in for it).
size_t HeapInUse()
{
    struct mallinfo2 m = mallinfo2();
    return m.uordblks + m.hblkhd;
}

// A read-only stream over bytes in memory that notes the most heap in use while it is read.
struct WatchedSource {
    const u8* data;
    size_t size;
    size_t at;
    size_t peakHeap;
};

ssize_t WatchedRead(void* cookie, char* buffer, size_t n)
{
    WatchedSource* s = static_cast<WatchedSource*>(cookie);
    size_t inUse = HeapInUse();
    if (inUse > s->peakHeap) s->peakHeap = inUse;
    size_t count = n < s->size - s->at ? n : s->size - s->at;
    memcpy(buffer, s->data + s->at, count);
    s->at += count;
    return ssize_t(count);
}

}  // namespace

TEST_F(SmallFiles, FullColourTableIs768BytesAndReadsBackAs256)
{
    Rgb table[256];
    for (int i = 0; i < 256; ++i) table[i] = {u8(i), u8(255 - i), u8(i * 3)};
    ASSERT_TRUE(WriteColorTableFile(Path("full.act").c_str(), table, 256));
    Bytes b = ReadFile(Path("full.act"));
    ASSERT_EQ(b.size(), 768u);
    EXPECT_EQ(memcmp(b.data(), table, 768), 0);
    Rgb back[256];
    u32 count = 0;
    ASSERT_TRUE(ReadColorTableFile(Path("full.act").c_str(), back, &count));
    EXPECT_EQ(count, 256u);
    EXPECT_EQ(memcmp(back, table, 768), 0);
}

TEST_F(SmallFiles, ShortColourTableCarriesTheCountTrailer)
{
    Rgb table[16];
    for (int i = 0; i < 16; ++i) table[i] = {u8(i + 1), u8(i + 2), u8(i + 3)};
    ASSERT_TRUE(WriteColorTableFile(Path("16.act").c_str(), table, 16));
    Bytes b = ReadFile(Path("16.act"));
    ASSERT_EQ(b.size(), 772u);
    EXPECT_EQ(memcmp(b.data(), table, 48), 0);
    for (size_t i = 48; i < 768; ++i) ASSERT_EQ(b[i], 0) << i;
    const u8 trailer[4] = {0x00, 0x10, 0xFF, 0xFF};
    EXPECT_EQ(memcmp(b.data() + 768, trailer, 4), 0);

    Rgb back[256];
    memset(back, 0xAB, sizeof(back));
    u32 count = 0;
    ASSERT_TRUE(ReadColorTableFile(Path("16.act").c_str(), back, &count));
    EXPECT_EQ(count, 16u);
    EXPECT_EQ(memcmp(back, table, 48), 0);
    for (int i = 16; i < 256; ++i) ASSERT_EQ(back[i], (Rgb{0, 0, 0})) << i;
    EXPECT_TRUE(ReadColorTableFile(Path("16.act").c_str(), back, nullptr));
}

TEST_F(SmallFiles, ColourTableCountsAboveTheTableAreClampedAndShortFilesRefused)
{
    Bytes b(772, 7);
    b[768] = 0x12, b[769] = 0x34;
    WriteFile(Path("big.act"), b);
    Rgb back[256];
    u32 count = 0;
    ASSERT_TRUE(ReadColorTableFile(Path("big.act").c_str(), back, &count));
    EXPECT_EQ(count, 256u);
    EXPECT_EQ(back[255], (Rgb{7, 7, 7}));

    WriteFile(Path("short.act"), Bytes(767, 1));
    EXPECT_FALSE(ReadColorTableFile(Path("short.act").c_str(), back, &count));
    EXPECT_FALSE(ReadColorTableFile(Path("missing.act").c_str(), back, &count));
    EXPECT_FALSE(WriteColorTableFile(Path("no/such/folder.act").c_str(), back, 256));

    // A disk that fills up during the write keeps the previous file.
    WriteFile(Path("keep.act"), Bytes{'o', 'l', 'd'});
    struct rlimit old, small;
    getrlimit(RLIMIT_FSIZE, &old);
    small = old;
    small.rlim_cur = 100;
    void (*oldHandler)(int) = signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    u32 ok = WriteColorTableFile(Path("keep.act").c_str(), back, 256);
    PcmBuffer buf;
    InitPcmBuffer(&buf, 8, 8000, 1, b.data(), 772);
    u32 wavOk = WriteWavFile(&buf, Path("keep.wav").c_str());
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(ok);
    EXPECT_FALSE(wavOk);
    EXPECT_TRUE(ReadFile(Path("keep.act")) == (Bytes{'o', 'l', 'd'}));
    EXPECT_EQ(Capture("ls -A '" + dir + "'"), "big.act\nkeep.act\nshort.act\n");
}

TEST_F(SmallFiles, WavHeaderFollowsTheBuffer)
{
    std::vector<s16> samples(500);
    for (size_t i = 0; i < samples.size(); ++i) samples[i] = s16(i * 37);
    PcmBuffer buf;
    InitPcmBuffer(&buf, 16, 22050, 2, samples.data(), 500);
    EXPECT_EQ(buf.byteSize, 1000u);
    ASSERT_TRUE(WriteWavFile(&buf, Path("s.wav").c_str()));
    Bytes b = ReadFile(Path("s.wav"));
    ASSERT_EQ(b.size(), 1044u);
    EXPECT_EQ(memcmp(b.data(), "RIFF", 4), 0);
    EXPECT_EQ(Le32(b, 4), 1036u);
    EXPECT_EQ(memcmp(b.data() + 8, "WAVEfmt ", 8), 0);
    EXPECT_EQ(Le32(b, 16), 16u);
    EXPECT_EQ(Le16(b, 20), 1u);
    EXPECT_EQ(Le16(b, 22), 2u);
    EXPECT_EQ(Le32(b, 24), 22050u);
    EXPECT_EQ(Le32(b, 28), 88200u);
    EXPECT_EQ(Le16(b, 32), 4u);
    EXPECT_EQ(Le16(b, 34), 16u);
    EXPECT_EQ(memcmp(b.data() + 36, "data", 4), 0);
    EXPECT_EQ(Le32(b, 40), 1000u);
    EXPECT_EQ(memcmp(b.data() + 44, samples.data(), 1000), 0);
}

TEST_F(SmallFiles, SoxReadsTheWrittenWav)
{
    if (!HaveTool("soxi")) GTEST_SKIP() << "soxi is not installed";
    std::vector<u8> samples(3000, 128);
    PcmBuffer buf;
    InitPcmBuffer(&buf, 8, 11025, 1, samples.data(), 3000);
    ASSERT_TRUE(WriteWavFile(&buf, Path("m.wav").c_str()));
    std::string info = Capture("soxi '" + Path("m.wav") + "'");
    EXPECT_NE(info.find("Channels       : 1"), std::string::npos) << info;
    EXPECT_NE(info.find("Sample Rate    : 11025"), std::string::npos) << info;
    EXPECT_NE(info.find("3000 samples"), std::string::npos) << info;
    EXPECT_NE(info.find("8-bit Unsigned"), std::string::npos) << info;

    std::vector<s16> stereo(4410);
    InitPcmBuffer(&buf, 16, 44100, 2, stereo.data(), 4410);
    ASSERT_TRUE(WriteWavFile(&buf, Path("s.wav").c_str()));
    info = Capture("soxi '" + Path("s.wav") + "'");
    EXPECT_NE(info.find("Channels       : 2"), std::string::npos) << info;
    EXPECT_NE(info.find("2205 samples"), std::string::npos) << info;
    EXPECT_NE(info.find("16-bit Signed"), std::string::npos) << info;
}

TEST_F(SmallFiles, WavWithoutSamplesOrFormatIsRefused)
{
    u8 one = 0;
    PcmBuffer buf;
    InitPcmBuffer(&buf, 16, 8000, 1, nullptr, 10);
    EXPECT_FALSE(WriteWavFile(&buf, Path("a.wav").c_str()));
    InitPcmBuffer(&buf, 16, 8000, 1, &one, 0);
    EXPECT_FALSE(WriteWavFile(&buf, Path("b.wav").c_str()));
    InitPcmBuffer(&buf, 8, 8000, 0, &one, 1);
    EXPECT_FALSE(WriteWavFile(&buf, Path("c.wav").c_str()));
    InitPcmBuffer(&buf, 12, 8000, 1, &one, 8);
    EXPECT_FALSE(WriteWavFile(&buf, Path("d.wav").c_str()));
    EXPECT_TRUE(ReadFile(Path("a.wav")).empty());
    std::string listing = Capture("ls -A '" + dir + "'");
    EXPECT_EQ(listing, "") << "no temporary files are left behind";
}

TEST(Ima4, ZeroPacketDecodesToSilenceWithTheIndexHeldAtZero)
{
    u8 codes[32] = {};
    s16 out[64];
    memset(out, 0x55, sizeof(out));
    DecodeIma4Packet(0, codes, out, 64, 1);
    // Step 7: diff = 7 >> 3 = 0 for every code 0, and index 0 - 1 clamps back to 0.
    for (int i = 0; i < 64; ++i) ASSERT_EQ(out[i], 0) << i;
}

TEST(Ima4, DecodingFollowsTheStepAndIndexTables)
{
    // Predictor 0x1000, index 0 (step 7). Code 7: diff = 0 + 7 + 3 + 1 = 11, index += 8.
    // Then code 8|7 = 15 at step table[8] = 16: diff = 2 + 16 + 8 + 4 = 30, negated.
    u8 codes[32] = {0xF7};
    s16 out[4] = {};
    DecodeIma4Packet(0x1000, codes, out, 2, 2);
    EXPECT_EQ(out[0], 0x1000 + 11);
    EXPECT_EQ(out[2], 0x1000 + 11 - 30);
    EXPECT_EQ(out[1], 0) << "stride skips the other channel";

    // A negative predictor from the top nine bits, and clamping at the bottom.
    u8 down[32];
    memset(down, 0xFF, sizeof(down));
    s16 low[64];
    DecodeIma4Packet(0x8000 | 88, down, low, 64, 1);
    EXPECT_EQ(low[0], -32768);
    EXPECT_EQ(low[63], -32768);
}

TEST(Ima4, StepIndexAbove88IsClamped)
{
    u8 codes[32] = {0x04};
    s16 a[1], b[1];
    DecodeIma4Packet(127, codes, a, 1, 1);
    DecodeIma4Packet(88, codes, b, 1, 1);
    EXPECT_EQ(a[0], b[0]);
    EXPECT_EQ(a[0], 32767);
}

TEST(Ima4, LongRunsOfPacketsLandInTheirFramesAndChannels)
{
    // 200 packets of 3 channels: 66 whole frames and two leftover packets. With every code 0
    // a packet's samples all equal its starting predictor, which names the packet.
    const u32 channels = 3, packets = 200;
    Bytes raw(packets * 34, 0);
    auto predictor = [](u32 p) { return s16(u16((p % 512) << 7)); };
    for (u32 p = 0; p < packets; ++p) {
        raw[p * 34] = u8(u16(predictor(p)) >> 8);
        raw[p * 34 + 1] = u8(u16(predictor(p)));
    }
    FILE* f = tmpfile();
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(fwrite(raw.data(), 1, raw.size(), f), raw.size());
    rewind(f);
    std::vector<s16> out(packets * 64, 0x1234);
    ASSERT_TRUE(ReadIma4Samples(out.data(), channels, packets, f));
    fclose(f);
    for (u32 frame = 0; frame < packets / channels; ++frame)
        for (u32 i = 0; i < 64; ++i)
            for (u32 c = 0; c < channels; ++c)
                ASSERT_EQ(out[(frame * 64 + i) * channels + c], predictor(frame * channels + c)) << frame << " " << c;
    for (size_t i = 66 * 64 * channels; i < out.size(); ++i) ASSERT_EQ(out[i], 0) << i;
}

TEST(Ima4, APacketCountPastTheStreamIsNotTrustedToSizeABuffer)
{
    const u32 packets = 200000;  // 6.8 MB of packets claimed, three there
    std::vector<s16> out(size_t(packets) * kIma4SamplesPerPacket);
    u8 raw[3 * 34] = {};
    WatchedSource source = {raw, sizeof(raw), 0, 0};
    size_t before = HeapInUse();
    FILE* f = fopencookie(&source, "r", cookie_io_functions_t{WatchedRead, nullptr, nullptr, nullptr});
    ASSERT_NE(f, nullptr);
    EXPECT_FALSE(ReadIma4Samples(out.data(), 1, packets, f));
    fclose(f);
    size_t grown = source.peakHeap > before ? source.peakHeap - before : 0;
    EXPECT_LT(grown, size_t(1) << 20) << "bytes taken from the heap before the short read showed";
}

TEST(Ima4, PacketsAreDecodedFrameByFrameAndAPartialFrameIsZeroed)
{
    // Three packets for two channels: one whole frame and one leftover packet.
    u8 raw[3 * 34] = {};
    raw[0] = 0x10;  // packet 0 (left): predictor 0x1000
    raw[34] = 0x20; // packet 1 (right): predictor 0x2000
    raw[68] = 0x30; // packet 2: a frame without its partner
    FILE* f = tmpfile();
    ASSERT_NE(f, nullptr);
    fwrite(raw, 1, sizeof(raw), f);
    rewind(f);
    std::vector<s16> out(3 * 64, 0x1234);
    ASSERT_TRUE(ReadIma4Samples(out.data(), 2, 3, f));
    for (int i = 0; i < 64; ++i) {
        ASSERT_EQ(out[i * 2], 0x1000) << i;
        ASSERT_EQ(out[i * 2 + 1], 0x2000) << i;
    }
    for (int i = 128; i < 192; ++i) ASSERT_EQ(out[i], 0) << i;

    rewind(f);
    EXPECT_FALSE(ReadIma4Samples(out.data(), 2, 4, f)) << "a short read fails";
    rewind(f);
    EXPECT_FALSE(ReadIma4Samples(out.data(), 2, 0, f));
    EXPECT_FALSE(ReadIma4Samples(out.data(), 0, 3, f));
    fclose(f);
}
