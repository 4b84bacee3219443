// The collections of the sample game folder, read back with the program's reader: "Rocks"
// carries what the sequence pages show, a mirrored sequence with frame shadows and a view
// with a high-resolution assignment.
#include "../codex/SampleGameFixture.h"

#include <memory>

#include "collection/Collection.h"

namespace {

class SampleCollections : public SampleGameTest {
protected:
    Collection* Load(const char* name)
    {
        TagEntry* entry = Named(FourCC(".256"), name);
        if (!entry) return nullptr;
        TagHeader h;
        FILE* f = OpenTag(entry, &h);
        Collection* c = f ? LoadCollection(f, &h) : nullptr;
        CloseTagReader(entry);
        return c;
    }
};

Sequence* FindSequence(Collection& c, const char* name)
{
    for (u32 i = 0; i < c.GetSequenceCount(); ++i)
        if (strcmp(c.GetSequence(i)->name, name) == 0) return c.GetSequence(i);
    return nullptr;
}

TEST_F(SampleCollections, RocksHasAMirroredSequenceWithFrameShadowsAndAHighResView)
{
    std::unique_ptr<Collection> rocks(Load("Rocks"));
    ASSERT_TRUE(rocks);
    EXPECT_STREQ("Roll", rocks->GetSequence(0)->name) << "the scenarios open the first sequence";
    Sequence* s = FindSequence(*rocks, "Tumble");
    ASSERT_TRUE(s);
    EXPECT_EQ(8u, s->GetViewCount());
    EXPECT_EQ(3u, s->GetFrameCount());
    EXPECT_TRUE(s->GetFlags() & kSequenceMirroring);
    EXPECT_EQ(5u, s->GetUniqueViewCount());
    u32 highRes = 0;
    for (u32 f = 0; f < 3; ++f) {
        SequenceFrame& frame = s->GetFrame(f);
        ASSERT_TRUE(frame.shadowBitmap) << "frame " << f;
        EXPECT_TRUE(frame.shadowBitmap->flags & kBitmapShadow) << "frame " << f;
        for (u32 v = 0; v < 8; ++v) {
            FrameView& view = s->GetFrameView(f, v);
            ASSERT_TRUE(view.bitmap) << "frame " << f << " view " << v;
            if (view.flags & kViewHasHighRes) ++highRes;
        }
    }
    EXPECT_NE(s->GetFrameView(0, 0).bitmap, s->GetFrameView(1, 0).bitmap) << "the frames differ";
    EXPECT_NE(s->GetFrame(0).shadow.offsetX, s->GetFrame(1).shadow.offsetX);
    EXPECT_EQ(1u, highRes);
    FrameView& v = s->GetFrameView(0, 0);
    ASSERT_TRUE(v.flags & kViewHasHighRes);
    ASSERT_TRUE(v.highResBitmap);
    EXPECT_EQ(kBitmapTrueColor, v.highResBitmap->flags & kBitmapTrueColor);
    EXPECT_EQ(2u * v.standardBitmap->width, v.highResBitmap->width);
    EXPECT_EQ(kStandardScale / 2, v.highResScale);
}

}  // namespace
