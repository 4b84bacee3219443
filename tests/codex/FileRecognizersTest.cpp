#include "CodexFixture.h"

#include "codex/Archive.h"
#include "codex/FileRecognizers.h"
#include "foundation/FileRecord.h"

namespace {

class FileRecognizersTest : public CodexTest {
protected:
    void SetUp() override
    {
        CodexTest::SetUp();
        InstallCodexFileRecognizers();
    }
    void TearDown() override
    {
        SetFileHeaderRecognizers(nullptr, nullptr);
        CodexTest::TearDown();
    }
};

}  // namespace

TEST_F(FileRecognizersTest, TagFilesOfBothLayoutsAreRecognisedWithTheirHeaders)
{
    const u32 text = FourCC("text");
    struct Case { const char* file; Bytes bytes; } cases[] = {
        {"new", Concat(TagHeaderBytes("Intro", text, FourCC("intr"), 64, 5), Data("hello"))},
        {"old", Concat(OldTagHeaderBytes("Intro", text, FourCC("intr"), 64, 5), Data("hello"))},
    };
    for (const Case& c : cases) {
        std::string path = root + c.file;
        WriteBytes(path, c.bytes);
        FileRecord r(path.c_str());
        ASSERT_TRUE(r.Sniff()) << c.file;
        EXPECT_EQ(r.kind, u32(kFileKindTag)) << c.file;
        EXPECT_EQ(r.format, u32(kFileFormatTag)) << c.file;
        const TagHeader* h = reinterpret_cast<const TagHeader*>(r.header);
        EXPECT_STREQ(h->name, "Intro") << c.file;
        EXPECT_EQ(h->group, text) << c.file;
        EXPECT_EQ(h->size, 5u) << c.file;
    }
}

TEST_F(FileRecognizersTest, ArchivesAreRecognisedAndTruncatedFilesAreNot)
{
    Bytes archive = ArchiveBytes(6, 0, "Addon", {{FourCC("text"), FourCC("abcd"), "Note", Data("xyz")}});
    std::string path = root + "addon.vorn";
    WriteBytes(path, archive);
    FileRecord r(path.c_str());
    ASSERT_TRUE(r.Sniff());
    EXPECT_EQ(r.kind, u32(kFileKindArchive));
    EXPECT_STREQ(reinterpret_cast<const ArchiveHeader*>(r.header)->name, "Addon");

    // The header's size no longer matches the file: neither tag nor archive.
    archive.pop_back();
    std::string cut = root + "cut.vorn";
    WriteBytes(cut, archive);
    FileRecord c(cut.c_str());
    c.Sniff();
    EXPECT_NE(c.kind, u32(kFileKindArchive));
    EXPECT_NE(c.kind, u32(kFileKindTag));
}
