#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "codex/SoundData.h"
#include "tests/foundation/FileTestSupport.h"
#include "tools/SoundTagWriter.h"

using sound_writer::Permutation;
using sound_writer::SoundTagData;
using sound_writer::Tone;

namespace {

// The tag data behind 64 bytes of something else, as in a tag file.
struct TagBytes {
    explicit TagBytes(const std::string& data) : bytes(std::string(64, 'x') + data)
    {
        header.offset = 64;
        header.size = u32(data.size());
    }
    int ReadInto(SoundData* sound)
    {
        FILE* f = fmemopen(&bytes[0], bytes.size(), "rb");
        int ok = sound->Read(f, &header);
        fclose(f);
        return ok;
    }
    std::string bytes;
    TagHeader header = {};
};

Permutation Make(const char* name, u16 channels, u32 rate, u32 frames)
{
    Permutation p;
    p.name = name;
    p.channels = channels;
    p.rateHz = rate;
    p.samples = Tone(channels, rate ? rate : 8000, frames, 440);
    return p;
}

void PutBe32(std::string* s, size_t at, u32 v)
{
    for (int i = 0; i < 4; ++i) (*s)[at + i] = char(v >> (24 - 8 * i));
}

class SoundExport : public TempFolderTest {};

}  // namespace

TEST(SoundWriter, EncodedPacketsDecodeCloseToTheSource)
{
    Permutation p = Make("Tone", 2, 22050, 640);
    const std::string packets = sound_writer::EncodePackets(p);
    ASSERT_EQ(packets.size(), 20u * 34u);
    FILE* f = fmemopen(const_cast<char*>(packets.data()), packets.size(), "rb");
    std::vector<s16> back(20 * 64);
    ASSERT_TRUE(ReadIma4Samples(back.data(), 2, 20, f));
    fclose(f);
    double worst = 0;
    for (size_t i = 64; i < back.size(); ++i) worst = std::max(worst, std::fabs(double(back[i]) - p.samples[i]));
    EXPECT_LT(worst, 600.0) << "past the first packet the coder has found its step";
}

TEST(SoundData, ReadsPermutationsWithNamesFormatsAndSamples)
{
    std::vector<Permutation> perms = {Make("Footstep", 1, 22050, 22050 / 2), Make("Thunder", 2, 44100, 700),
                                      Make("Silent", 1, 11025, 0)};
    TagBytes tag(SoundTagData(perms));
    SoundData sound;
    ASSERT_TRUE(tag.ReadInto(&sound));
    ASSERT_EQ(sound.records.count, 3u);
    ASSERT_EQ(sound.names.count, 3u);
    EXPECT_STREQ(sound.names[0].name, "Footstep");
    EXPECT_STREQ(sound.names[1].name, "Thunder");
    EXPECT_EQ(SoundRate(sound.records[0]), 22050u);
    EXPECT_EQ(SoundRate(sound.records[1]), 44100u);
    EXPECT_EQ(sound.records[1].channels, 2u);
    EXPECT_EQ(sound.records[1].packets, 2u * 11u);
    EXPECT_EQ(sound.records[2].packets, 0u);
    EXPECT_EQ(sound.records[2].samples, nullptr);
    // The stereo samples come back interleaved in the channels' order.
    const s16* s = sound.records[1].samples;
    ASSERT_NE(s, nullptr);
    double errorLeft = 0, errorSwapped = 0;
    for (size_t i = 128; i < 1400; i += 2) {
        errorLeft += std::fabs(double(s[i]) - perms[1].samples[i]);
        errorSwapped += std::fabs(double(s[i]) - perms[1].samples[i + 1]);
    }
    EXPECT_LT(errorLeft * 4, errorSwapped);

    // Reading again replaces everything.
    TagBytes one(SoundTagData({Make("Only", 1, 8000, 64)}));
    ASSERT_TRUE(one.ReadInto(&sound));
    EXPECT_EQ(sound.records.count, 1u);
    EXPECT_STREQ(sound.names[0].name, "Only");
}

TEST(SoundData, LengthIsWholeSecondsAndZeroWithoutARate)
{
    struct Case { u32 packets, channels, rateFixed, seconds; } cases[] = {
        {0, 1, 44100u << 16, 0},
        {3600u * 32000 / 64, 1, 32000u << 16, 3600},
        {2 * 689, 2, 44100u << 16, 0},            // 689 frames of 64: just under a second
        {2 * 690, 2, 44100u << 16, 1},
        {1000, 1, 0, 0},                          // rate 0: no division
        {1000, 1, 0xFFFF, 0},                     // a fraction of a hertz is no rate either
        {0x04000000, 1, 44100u << 16, 97391},     // 2^32 samples: counted past 32 bits
    };
    for (const auto& c : cases) {
        SoundRecord r = {};
        r.packets = c.packets;
        r.channels = u16(c.channels);
        r.rate = c.rateFixed;
        EXPECT_EQ(SoundData::GetLength(r), c.seconds) << c.packets << " packets at " << (c.rateFixed >> 16);
    }
}

TEST(SoundData, DurationsShowHoursFromAnHourOn)
{
    struct Case { u32 seconds; const char* text; } cases[] = {
        {0, "00:00"}, {59, "00:59"}, {61, "01:01"}, {3599, "59:59"}, {3600, "01:00:00"}, {97391, "27:03:11"}};
    for (const auto& c : cases) EXPECT_STREQ(SoundData::DurationText(c.seconds).c_str(), c.text) << c.seconds;
}

TEST(SoundData, TagsBreakingARuleOrReachingPastTheirDataAreRefused)
{
    struct Case {
        const char* what;
        void (*edit)(std::vector<Permutation>*);
        void (*damage)(std::string*);
    } cases[] = {
        {"stereo record whose flag bit 0 is clear", [](std::vector<Permutation>* p) { (*p)[1].flags = 0; }, nullptr},
        {"8 bits per sample", [](std::vector<Permutation>* p) { (*p)[0].bitsPerSample = 8; }, nullptr},
        {"three channels", [](std::vector<Permutation>* p) { (*p)[0].channels = 3; }, nullptr},
        {"empty record without channels", [](std::vector<Permutation>* p) { (*p)[2].channels = 0; }, nullptr},
        {"empty record of 8 bits", [](std::vector<Permutation>* p) { (*p)[2].bitsPerSample = 8; }, nullptr},
        {"packet count past the data", [](std::vector<Permutation>* p) { (*p)[0].packetsOverride = 1000; }, nullptr},
        {"packet count whose samples wrap 32 bits",
         [](std::vector<Permutation>* p) { (*p)[0].packetsOverride = 0x02000001; }, nullptr},
        {"packet count of 2^32 - 1", [](std::vector<Permutation>* p) { (*p)[0].packetsOverride = 0xFFFFFFFFu; },
         nullptr},
        {"count past the data", nullptr, [](std::string* s) { PutBe32(s, 36, 0x08000000); }},
        {"count of 2^32 - 1", nullptr, [](std::string* s) { PutBe32(s, 36, 0xFFFFFFFFu); }},
        {"names offset past the data", nullptr, [](std::string* s) { PutBe32(s, 40, u32(s->size()) - 40); }},
        {"sounds offset past the data", nullptr, [](std::string* s) { PutBe32(s, 20, 0xFFFFFFF0u); }},
        {"data cut inside the packets", nullptr, [](std::string* s) { s->resize(s->size() - 1); }},
        {"data cut inside the header", nullptr, [](std::string* s) { s->resize(40); }},
    };
    for (const Case& c : cases) {
        std::vector<Permutation> perms = {Make("A", 1, 22050, 300), Make("B", 2, 44100, 200), Make("C", 1, 8000, 0)};
        if (c.edit) c.edit(&perms);
        std::string data = SoundTagData(perms);
        if (c.damage) c.damage(&data);
        TagBytes tag(data);
        SoundData sound;
        EXPECT_FALSE(tag.ReadInto(&sound)) << c.what;
    }
    // The undamaged tag reads, so each refusal above is the damage's doing.
    TagBytes good(SoundTagData({Make("A", 1, 22050, 300), Make("B", 2, 44100, 200), Make("C", 1, 8000, 0)}));
    SoundData sound;
    EXPECT_TRUE(good.ReadInto(&sound));
}

TEST_F(SoundExport, WavFilesCarryTheRecordsFormatAndSoxAgrees)
{
    TagBytes tag(SoundTagData({Make("Rain", 2, 44100, 1000), Make("Drip", 1, 22050, 100)}));
    SoundData sound;
    ASSERT_TRUE(tag.ReadInto(&sound));
    ASSERT_EQ(sound.ExportPermutations(dir.c_str(), nullptr, 0, nullptr), 0u);
    const Bytes rain = ReadFile(Path("Rain.wav"));
    ASSERT_EQ(rain.size(), 44u + 16u * 64 * 2 * 2);
    u32 rate;
    memcpy(&rate, &rain[24], 4);
    EXPECT_EQ(rate, 44100u);
    EXPECT_EQ(memcmp(&rain[44], sound.records[0].samples, rain.size() - 44), 0);

    if (!HaveTool("soxi")) GTEST_SKIP() << "soxi is not installed";
    struct Case { const char* file; const char* rate; const char* channels; const char* samples; } cases[] = {
        {"Rain.wav", "Sample Rate    : 44100", "Channels       : 2", "1024 samples"},
        {"Drip.wav", "Sample Rate    : 22050", "Channels       : 1", "128 samples"},
    };
    for (const auto& c : cases) {
        const std::string info = Capture("soxi '" + Path(c.file) + "'");
        EXPECT_NE(info.find(c.rate), std::string::npos) << info;
        EXPECT_NE(info.find(c.channels), std::string::npos) << info;
        EXPECT_NE(info.find(c.samples), std::string::npos) << info;
        EXPECT_NE(info.find("16-bit Signed"), std::string::npos) << info;
    }
}

TEST_F(SoundExport, NamesAreCleanedRepeatsKeptApartAndFailuresNamed)
{
    TagBytes tag(SoundTagData({Make("../up/and out", 1, 8000, 64), Make("..", 1, 8000, 64), Make("", 1, 8000, 64),
                               Make("Twin", 1, 8000, 64), Make("Twin", 1, 8000, 64), Make("Bell\x07", 1, 8000, 64),
                               Make("Empty", 1, 8000, 0)}));
    SoundData sound;
    ASSERT_TRUE(tag.ReadInto(&sound));
    ASSERT_EQ(sound.ExportPermutations(dir.c_str(), nullptr, 0, nullptr), 0u);
    std::set<std::string> files;
    for (const auto& e : std::filesystem::directory_iterator(dir)) files.insert(e.path().filename().string());
    const std::set<std::string> expected = {".._up_and out.wav", "_.wav", "_ 2.wav", "Twin.wav", "Twin 2.wav",
                                            "Bell_.wav"};
    EXPECT_EQ(files, expected) << "nothing outside the folder, nothing for the empty permutation";

    const u32 only[] = {3, 6};
    ScopedDynArray<String> failed;
    const std::string missing = Path("gone");
    EXPECT_EQ(sound.ExportPermutations(missing.c_str(), only, 2, &failed), 1u);
    ASSERT_EQ(failed.count, 1u);
    EXPECT_STREQ(failed[0].c_str(), "Twin.wav");
}
