#include "CodexFixture.h"

#include <vector>

#include "codex/DtexTag.h"
#include "codex/LocalFolder.h"
#include "codex/TagFiles.h"

namespace {

class DtexTagTest : public CodexTest {
protected:
    void SetUp() override
    {
        CodexTest::SetUp();
        ASSERT_TRUE(SetLocalFolder(Local().c_str()));
    }
};

int gMade = 0, gDestroyed = 0;
void* MakeTexture(const u8*, u32, u32) { return reinterpret_cast<void*>(uintptr_t(++gMade)); }
void DestroyTexture(void*) { ++gDestroyed; }

}  // namespace

TEST_F(DtexTagTest, NewTexturesAreCheckerboardsSavedAndSharedByReference)
{
    DtexTag* d = DtexManager().CreateNew(kDtexGroup, "Grass", kNoTagId);
    ASSERT_NE(d, nullptr);
    EXPECT_STREQ(d->GetClassName(), "DtexTag");
    u32 w, h;
    const u8* px = d->GetPixels(&w, &h);
    ASSERT_EQ(w, 256u);
    ASSERT_EQ(h, 256u);
    EXPECT_EQ(px[0], 0) << "(0, 0) is black";
    EXPECT_EQ(px[16 * 3], 255) << "(16, 0) is white";
    EXPECT_EQ(px[(16 * 256 + 16) * 3], 0) << "(16, 16) is black";
    TagEntry* entry = d->entry;
    EXPECT_EQ(FindTagAttachment(entry, kAttachResource), d);

    ASSERT_TRUE(d->Save());
    EXPECT_TRUE(HasLocalCopy(entry));
    ResourceRelease(d);
    EXPECT_EQ(DtexManager().FindResource(entry), nullptr);
    EXPECT_EQ(FindTagAttachment(entry, kAttachResource), nullptr);

    DtexTag* a = DtexManager().Acquire(entry);
    ASSERT_NE(a, nullptr);
    DtexTag* b = DtexManager().AcquireById(entry->group, entry->tag);
    EXPECT_EQ(a, b);
    EXPECT_EQ(a->referenceCount, 2u);
    px = a->GetPixels(&w, &h);
    ASSERT_EQ(w, 256u);
    EXPECT_EQ(px[16 * 3], 255);
    EXPECT_EQ(DtexManager().AcquireById(kDtexGroup, kNoTagId), nullptr);
    ResourceRelease(b);
    EXPECT_EQ(DtexManager().FindResource(entry), a);
    ResourceRelease(a);
    EXPECT_EQ(DtexManager().FindResource(entry), nullptr);
}

TEST_F(DtexTagTest, ChangedPixelsAnnounceTheChangeAndRemakeTheTexture)
{
    DtexTextureHooks hooks = {MakeTexture, DestroyTexture};
    SetDtexTextureHooks(&hooks);
    gMade = gDestroyed = 0;
    DtexTag* d = DtexManager().CreateNew(kDtexGroup, "Dirt", kNoTagId);
    ASSERT_NE(d, nullptr);
    void* first = d->GetTexture();
    EXPECT_EQ(d->GetTexture(), first);
    EXPECT_EQ(gMade, 1);

    events.clear();
    std::vector<u8> px(4 * 3, 9);
    ASSERT_TRUE(d->SetPixels(px.data(), 2, 2));
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].event, kCodexContentChanged);
    EXPECT_EQ(events[0].entry, d->entry);
    EXPECT_EQ(gDestroyed, 1);
    EXPECT_NE(d->GetTexture(), first);
    EXPECT_EQ(gMade, 2);

    std::vector<u8> wide(4096 * 3, 1);
    EXPECT_FALSE(d->SetPixels(wide.data(), 4096, 1)) << "a side of 4096 cannot be stored";
    u32 w;
    d->GetPixels(&w, nullptr);
    EXPECT_EQ(w, 2u);
    ResourceRelease(d);
    EXPECT_EQ(gDestroyed, 2);
    SetDtexTextureHooks(nullptr);
}

TEST_F(DtexTagTest, DamagedTagsFailToLoadAndLeaveNothingAttached)
{
    DtexTag* d = DtexManager().CreateNew(kDtexGroup, "Sand", kNoTagId);
    ASSERT_NE(d, nullptr);
    ASSERT_TRUE(d->Save());
    TagEntry* entry = d->entry;
    ResourceRelease(d);
    const std::string path = Local() + "detail textures/Sand";
    const Bytes good = ReadFile(path);
    ASSERT_GT(good.size(), 64u + 20u);

    struct Case { const char* what; size_t at; u8 value; size_t cut; } cases[] = {
        {"stream length past the tag", 64 + 19, 0x7F, 0},
        {"stream cut short", 0, 0, 40},
    };
    for (const Case& c : cases) {
        Bytes bad = good;
        if (c.cut) bad.resize(bad.size() - c.cut);
        else bad[c.at] = c.value;
        WriteBytes(path, bad);
        PollLocalFolder(true);
        EXPECT_EQ(DtexManager().Acquire(entry), nullptr) << c.what;
        EXPECT_EQ(FindTagAttachment(entry, kAttachResource), nullptr) << c.what;
    }
}

TEST_F(DtexTagTest, TheStreamsSizeWinsOverADisagreeingRecordAndTheNextSaveMendsIt)
{
    DtexTag* d = DtexManager().CreateNew(kDtexGroup, "Moss", kNoTagId);
    ASSERT_NE(d, nullptr);
    std::vector<u8> px(8 * 4 * 3);
    for (size_t i = 0; i < px.size(); ++i) px[i] = u8(i * 7);
    ASSERT_TRUE(d->SetPixels(px.data(), 8, 4));
    ASSERT_TRUE(d->Save());
    TagEntry* entry = d->entry;
    ResourceRelease(d);
    const std::string path = Local() + "detail textures/Moss";
    Bytes bytes = ReadFile(path);
    // Record: width 300, height 2 (big-endian), fourth value 5.
    const u8 record[16] = {0, 0, 1, 44, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 5};
    memcpy(&bytes[64], record, 16);
    WriteBytes(path, bytes);
    PollLocalFolder(true);

    DtexTag* a = DtexManager().Acquire(entry);
    ASSERT_NE(a, nullptr);
    u32 w, h;
    const u8* got = a->GetPixels(&w, &h);
    EXPECT_EQ(w, 8u);
    EXPECT_EQ(h, 4u);
    EXPECT_EQ(std::vector<u8>(got, got + px.size()), px);
    EXPECT_EQ(a->fourth, 5u) << "the fourth value is carried";
    ASSERT_TRUE(a->Save());
    ResourceRelease(a);
    bytes = ReadFile(path);
    const u8 mended[16] = {0, 0, 0, 8, 0, 0, 0, 4, 0, 0, 0, 0, 0, 0, 0, 5};
    EXPECT_EQ(memcmp(&bytes[64], mended, 16), 0);
}

TEST_F(DtexTagTest, AReloadThatFailsKeepsThePixelsAndTextureItHad)
{
    DtexTextureHooks hooks = {MakeTexture, DestroyTexture};
    SetDtexTextureHooks(&hooks);
    gMade = gDestroyed = 0;
    DtexTag* d = DtexManager().CreateNew(kDtexGroup, "Loam", kNoTagId);
    ASSERT_NE(d, nullptr);
    std::vector<u8> px(8 * 4 * 3);
    for (size_t i = 0; i < px.size(); ++i) px[i] = u8(i * 5);
    ASSERT_TRUE(d->SetPixels(px.data(), 8, 4));
    d->fourth = 7;
    ASSERT_TRUE(d->Save());
    void* texture = d->GetTexture();
    const std::string path = Local() + "detail textures/Loam";
    const Bytes good = ReadFile(path);

    struct Case { const char* what; size_t cut; size_t at; u8 value; } cases[] = {
        {"stream cut short", 40, 0, 0},
        {"stream length past the tag", 0, 64 + 19, 0x7F},
        {"record cut off", good.size() - 64 - 8, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes bad = good;
        if (c.cut) bad.resize(bad.size() - c.cut);
        else bad[c.at] = c.value;
        WriteBytes(path, bad);
        PollLocalFolder(true);
        EXPECT_FALSE(d->Load());
        u32 w = 0, h = 0;
        const u8* got = d->GetPixels(&w, &h);
        EXPECT_EQ(w, 8u);
        EXPECT_EQ(h, 4u);
        if (got) EXPECT_EQ(std::vector<u8>(got, got + px.size()), px);
        else ADD_FAILURE() << "the texture lost its pixels";
        EXPECT_EQ(d->fourth, 7u);
        EXPECT_EQ(d->GetTexture(), texture) << "nothing changed, so the texture stands";
        EXPECT_EQ(gDestroyed, 0);
    }

    // A good reload still replaces everything and makes the texture again.
    std::vector<u8> other(4 * 4 * 3, 33);
    ASSERT_TRUE(d->SetPixels(other.data(), 4, 4));
    void* ofOther = d->GetTexture();
    const int destroyed = gDestroyed;
    WriteBytes(path, good);
    PollLocalFolder(true);
    ASSERT_TRUE(d->Load());
    u32 w = 0, h = 0;
    const u8* got = d->GetPixels(&w, &h);
    EXPECT_EQ(w, 8u);
    EXPECT_EQ(std::vector<u8>(got, got + px.size()), px);
    EXPECT_EQ(gDestroyed, destroyed + 1) << "the texture of the replaced pixels is dropped";
    EXPECT_NE(d->GetTexture(), ofOther);
    ResourceRelease(d);
    SetDtexTextureHooks(nullptr);
}

// The run's manager is a function-local static made before the first resource registers, so
// it is destroyed after anything made later. Exiting while it still holds resources must not
// reach any such later static. The child process starts afresh (the threadsafe style runs
// this test alone in a new process) and freed memory is filled, so a use after the end shows.
TEST_F(DtexTagTest, ExitingWhileTheManagerHoldsTexturesEndsCleanly)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    setenv("MALLOC_PERTURB_", "165", 1);
    EXPECT_EXIT(
        {
            DtexTag* a = DtexManager().CreateNew(kDtexGroup, "Held", kNoTagId);
            DtexTag* b = DtexManager().CreateNew(kDtexGroup, "Also Held", kNoTagId);
            DtexTag* c = DtexManager().CreateNew(kDtexGroup, "Let Go", kNoTagId);
            if (!a || !b || !c) _exit(3);
            ResourceRelease(c);
            exit(0);
        },
        ::testing::ExitedWithCode(0), "");
    unsetenv("MALLOC_PERTURB_");
}
