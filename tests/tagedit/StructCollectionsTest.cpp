// The structure editor's collection cache: shared entries with counted references, collections
// freed with their last reference, ids that name nothing or a damaged tag, and 'core' tags
// resolved to the collection they name. Headless, so the sanitizer build checks the counting.
#include "tests/codex/CodexFixture.h"

#include "StructDefSupport.h"

#include "collection/Collection.h"
#include "collection/Sequence.h"
#include "tagedit/StructCollections.h"

namespace {

class CollectionCacheTest : public CodexTest {
protected:
    void SetUp() override
    {
        CodexTest::SetUp();
        Put("collections", "One", FourCC(".256"), 1, CollectionTagBytes({"Walk"}));
        Put("collections", "Broken", FourCC(".256"), 3, Data("not a collection"));
        ByteBuilder core;
        core.U32(1);
        for (int i = 0; i < 190; ++i) core.U16(0);
        Put("collection references", "Core", FourCC("core"), 77, core.bytes);
        Put("collection references", "Short", FourCC("core"), 78, Data("short"));
        ASSERT_TRUE(SetLocalFolder(Local().c_str()));
    }
    void TearDown() override
    {
        EXPECT_EQ(CollectionCacheEntryCount(), 0u);
        ClearCollectionCache();
        CodexTest::TearDown();
    }
    void Put(const char* folder, const char* name, u32 group, u32 id, const Bytes& data)
    {
        WriteBytes(Local() + folder + "/" + name, Concat(TagHeaderBytes(name, group, id, 64, u32(data.size())), data));
    }
};

}  // namespace

TEST_F(CollectionCacheTest, HoldersShareOneEntryAndTheLastReleaseFreesIt)
{
    Collection* a = AcquireCollection(1);
    ASSERT_NE(a, nullptr);
    ASSERT_EQ(a->GetSequenceCount(), 1u);
    EXPECT_STREQ(a->GetSequence(0)->name, "Walk");
    EXPECT_EQ(AcquireCollection(1), a);
    EXPECT_EQ(CollectionCacheEntryCount(), 1u);
    EXPECT_EQ(CollectionCacheReferences(1), 2);
    EXPECT_TRUE(ReleaseCollection(1));
    EXPECT_TRUE(IsCollectionCached(1));  // the other holder keeps it
    EXPECT_TRUE(ReleaseCollection(1));
    EXPECT_FALSE(IsCollectionCached(1));
    EXPECT_FALSE(ReleaseCollection(1));  // nothing left to release: no underflow
}

TEST_F(CollectionCacheTest, MissingAndDamagedCollections)
{
    EXPECT_EQ(AcquireCollection(2), nullptr);  // no such tag: nothing cached
    EXPECT_FALSE(IsCollectionCached(2));
    EXPECT_EQ(AcquireCollection(3), nullptr);  // found but unreadable: a reference to nothing
    EXPECT_TRUE(IsCollectionCached(3));
    EXPECT_EQ(AcquireCollection(3), nullptr);
    EXPECT_EQ(CollectionCacheReferences(3), 2);
    EXPECT_TRUE(ReleaseCollection(3));
    EXPECT_TRUE(ReleaseCollection(3));
}

TEST_F(CollectionCacheTest, CoreTagsResolveToTheirCollection)
{
    EXPECT_EQ(ResolveCoreCollection(77), 1u);
    EXPECT_EQ(ResolveCoreCollection(78), 0xFFFFFFFFu);  // shorter than a 'core' record
    EXPECT_EQ(ResolveCoreCollection(79), 0xFFFFFFFFu);
}
