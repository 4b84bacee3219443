// Records of a definition read and written in file order, and the shipped definitions of
// 'core' and 'medi' against the tag layouts' own readers.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "../common/FileBytes.h"
#include "StructDefSupport.h"
#include "codex/Archive.h"
#include "codex/Codex.h"
#include "codex/CoreTag.h"
#include "codex/MediaRecord.h"
#include "codex/TagFiles.h"
#include "foundation/PrefStore.h"
#include "tagedit/StructData.h"
#include "tagedit/StructDef.h"
#include "tagedit/XmlDefinitions.h"
#include "tests/common/TestDirs.h"

namespace {

std::vector<u8> WriteToBytes(StructData& data)
{
    FILE* f = tmpfile();
    EXPECT_NE(f, nullptr);
    EXPECT_EQ(data.Write(f), data.GetSize());
    std::vector<u8> out(size_t(ftell(f)));
    rewind(f);
    EXPECT_EQ(fread(out.data(), 1, out.size(), f), out.size());
    fclose(f);
    return out;
}

u64 ReadFromBytes(StructData& data, const std::vector<u8>& bytes)
{
    FILE* f = tmpfile();
    EXPECT_NE(f, nullptr);
    if (!bytes.empty()) fwrite(bytes.data(), 1, bytes.size(), f);
    rewind(f);
    const u64 n = data.Read(f);
    fclose(f);
    return n;
}

}  // namespace

TEST(StructData, ReadsAndWritesBigEndianThroughNestedAndEmptyMembers)
{
    StructDefList list;
    LoadDefinitions(list,
                    "<struct name='pair'><long name='a'/><byte name='b'/><short name='none' count='0'/></struct>"
                    "<struct name='rec'><short name='s'/><substruct name='p' struct='pair' count='2'/>"
                    "<substruct name='q' struct='pair' count='0'/><padding count='3'/><short name='t'/></struct>");
    StructDef* rec = list.Find("rec");
    ASSERT_EQ(rec->GetSize(), 17u);
    const std::vector<u8> file = {0x12, 0x34, 0, 0, 1, 2, 0x7F, 0xAA, 0xBB, 0xCC, 0xDD, 0x80, 9, 9, 9, 0xFE, 0xDC};
    StructData data(rec);
    ASSERT_EQ(ReadFromBytes(data, file), 17u);
    EXPECT_EQ(data.GetMemberInt(rec->FindMember("s")), 0x1234u);
    EXPECT_EQ(data.GetMemberInt(rec->FindMember("t")), 0xFEDCu);
    const StructDef* pair = list.Find("pair");
    StructData second(list.Find("pair"), data.GetMemberPointer(rec->FindMember("p")) + pair->GetSize());
    EXPECT_EQ(second.GetMemberInt(pair->FindMember("a")), 0xAABBCCDDu);
    EXPECT_EQ(second.GetMemberInt(pair->FindMember("b")), 0x80u);
    std::vector<u8> expected = file;
    expected[12] = expected[13] = expected[14] = 0;  // padding is written as zeros
    EXPECT_EQ(WriteToBytes(data), expected);
}

TEST(StructData, ShortStreamFailsAndOwnedRecordsStartZeroed)
{
    StructDefList list;
    LoadDefinitions(list, "<struct name='x'><long/><long/><long name='none' count='0'/></struct><struct name='e'/>");
    StructData data(list.Find("x"));
    EXPECT_EQ(data.GetMemberInt(list.Find("x")->FirstMember()), 0u);
    memset(data.GetData(), 0xFF, 8);
    EXPECT_EQ(data.GetMemberInt(list.Find("x")->FindMember("none")), 0u);  // its offset is the record's end
    EXPECT_EQ(ReadFromBytes(data, {1, 2, 3, 4, 5}), 0u);
    StructData empty(list.Find("e"));
    EXPECT_EQ(empty.GetSize(), 0u);
    EXPECT_EQ(ReadFromBytes(empty, {}), 0u);  // a record of no bytes reads as complete
}

// The shipped definitions describe the same bytes as the tag layouts' readers.
class ShippedDefinitions : public ::testing::Test {
protected:
    void SetUp() override
    {
        LoadXmlDefinitions((std::string(TestSourceDir()) + "/res").c_str());
        list.Load();
        CollectStructEditDefinitions();
    }
    void TearDown() override { FreeXmlDefinitions(); }
    StructDefList list;
};

TEST_F(ShippedDefinitions, CoreAndMediaOnlyWithTheirLayoutsAndSizes)
{
    EXPECT_EQ(list.Count(), 2u);
    ASSERT_NE(list.Find("core"), nullptr);
    ASSERT_NE(list.Find("medi"), nullptr);
    EXPECT_EQ(list.Find("core")->GetSize(), 384u);
    EXPECT_EQ(list.Find("medi")->GetSize(), 256u);
    EXPECT_EQ(static_cast<TagMember*>(list.Find("core")->FindMember("collection"))->group, FourCC(".256"));
    EXPECT_NE(FindStructEditDefinition("core"), nullptr);
    EXPECT_NE(FindStructEditDefinition("medi"), nullptr);
}

TEST_F(ShippedDefinitions, CoreRecordReadsAsTheCoreReaderAndWritesBackByteForByte)
{
    CoreTagData core = {};
    core.collection = 0x2E323536;
    for (u32 i = 0; i < 166; ++i) core.values[i] = u16(i * 397 + 1);
    FILE* f = tmpfile();
    ASSERT_EQ(WriteCoreTag(&core, f), 1);
    std::vector<u8> bytes(384);
    rewind(f);
    ASSERT_EQ(fread(bytes.data(), 1, 384, f), 384u);
    fclose(f);

    StructDef* def = list.Find("core");
    StructData data(def);
    ASSERT_EQ(ReadFromBytes(data, bytes), 384u);
    EXPECT_EQ(data.GetMemberInt(def->FindMember("collection")), core.collection);
    const u8* values = data.GetMemberPointer(def->FindMember("values"));
    EXPECT_EQ(memcmp(values, core.values, sizeof core.values), 0);
    EXPECT_EQ(WriteToBytes(data), bytes);
}

TEST_F(ShippedDefinitions, MediaRecordReadsAsTheMediaReaderAndWritesBackByteForByte)
{
    MediaRecord m = {};
    m.values0[0] = 7;
    m.values24[15] = 0x01020304;
    m.values88[5] = 0xBEEF;
    m.value100 = 100;
    const s16 amplitudes[3] = {256, -3, 128};
    memcpy(m.waveAmplitude, amplitudes, sizeof amplitudes);
    m.waveFrequency[2] = 5;
    m.values116[2] = 0x7777;
    FILE* f = tmpfile();
    ASSERT_EQ(WriteRecords(&m, 1, kMediaRecordDescriptor, f), 256u);
    std::vector<u8> bytes(256);
    rewind(f);
    ASSERT_EQ(fread(bytes.data(), 1, 256, f), 256u);
    MediaRecord back = {};
    rewind(f);
    ASSERT_EQ(ReadMediaRecord(&back, f, 1), 1);
    fclose(f);

    StructDef* def = list.Find("medi");
    StructData data(def);
    ASSERT_EQ(ReadFromBytes(data, bytes), 256u);
    EXPECT_EQ(memcmp(data.GetMemberPointer(def->FindMember("wave_amplitude")), back.waveAmplitude, 6), 0);
    EXPECT_EQ(memcmp(data.GetMemberPointer(def->FindMember("wave_frequency")), back.waveFrequency, 6), 0);
    EXPECT_EQ(memcmp(data.GetData(), &back, 256), 0);  // same memory layout field for field
    EXPECT_EQ(WriteToBytes(data), bytes);
}

// The sample game's own tags, as the program's writers put them into its archive.
TEST_F(ShippedDefinitions, SampleGameTagsRoundTrip)
{
    ASSERT_TRUE(std::filesystem::exists(std::string(TestBinaryDir()) + "/tags/Foundation")) << "the build writes the sample game";
    SetVornPath((std::string(TestBinaryDir()) + "/").c_str());
    OpenArchivesInFolder((std::string(TestBinaryDir()) + "/tags").c_str());
    ActivateDefaultArchives();
    struct Case {
        u32 group;
        const char* def;
        const char* name;
    };
    const Case cases[] = {{FourCC("core"), "core", "Rock Core"}, {FourCC("medi"), "medi", "Water"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TagEntry* entry = nullptr;
        DynArray<TagEntry*> tags = {};
        ListGroupTags(c.group, &tags);
        for (TagEntry* e : tags) {
            TagHeader h;
            GetTagHeader(e, &h);
            if (strcmp(h.name, c.name) == 0) entry = e;
        }
        tags.Free();
        ASSERT_NE(entry, nullptr);
        TagHeader header;
        FILE* f = OpenTag(entry, &header);
        ASSERT_NE(f, nullptr);
        StructData record(list.Find(c.def));
        ASSERT_EQ(header.size, record.GetSize());
        std::vector<u8> data(header.size);
        const long start = ftell(f);
        ASSERT_EQ(fread(data.data(), 1, data.size(), f), data.size());
        fseek(f, start, SEEK_SET);
        EXPECT_EQ(record.Read(f), record.GetSize());
        CloseTagReader(entry);
        EXPECT_EQ(WriteToBytes(record), data);
    }
    EXPECT_TRUE(CloseCodex());
}
