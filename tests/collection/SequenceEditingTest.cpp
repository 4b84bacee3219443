#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "collection/SequenceEditing.h"

namespace {

CollectionBitmap* AddPlain(Collection& c, const char* name, u16 flags = 0)
{
    return c.AddBitmap(name, flags, nullptr, 2, 2, 2, nullptr);
}

// Bitmaps c0..c5, shadows s0..s4, and a 2-view x 5-frame sequence.
struct Fixture {
    Collection c;
    CollectionBitmap* colour[6];
    CollectionBitmap* shadow[5];
    Sequence* s;

    Fixture(u32 views = 2, u32 frames = 5)
    {
        for (int i = 0; i < 6; ++i) colour[i] = AddPlain(c, ("c" + std::to_string(i)).c_str());
        for (int i = 0; i < 5; ++i) shadow[i] = AddPlain(c, ("s" + std::to_string(i)).c_str(), kBitmapShadow);
        s = c.AddSequence("walk");
        s->Resize(views, frames);
    }
    SequenceDropItem Colour(int i, s32 column = 0, s32 row = 0, const FrameView* from = nullptr)
    {
        return SequenceDropItem{kCellColorBitmap, &c, colour[i], from, nullptr, column, row};
    }
    SequenceDropItem Shadow(int i, s32 column = 0, s32 row = 0, const ShadowRecord* from = nullptr)
    {
        return SequenceDropItem{kCellShadowBitmap, &c, shadow[i], nullptr, from, column, row};
    }
    u64 Item(u32 row, u32 column) const { return u64(row) * (s->GetUniqueViewCount() + 1) + column; }
};

std::string Places(const DynArray<SequenceCellPlace>& places)
{
    std::string out;
    for (const SequenceCellPlace& p : places) out += "(" + std::to_string(p.frame) + "," + std::to_string(p.column) + ")";
    return out;
}

}  // namespace

TEST(SequenceEditing, AssignCopiesCellsDeeplyAndSharesBitmaps)
{
    Fixture f(3, 2);
    Sequence& src = *f.s;
    src.GetFrameView(1, 2).bitmap = f.colour[4];
    src.GetFrameView(1, 2).registrationX = 17;
    src.GetFrame(0).shadowBitmap = f.shadow[1];
    src.GetFrame(0).shadow.offsetX = 0x50000;
    src.ticksPerFrame = 3;
    src.firstSound = 0x61626364;
    src.SetRegistrationExtents(1, 2, 3, 4);
    Sequence* copy = f.c.AddSequence("");
    copy->Assign(src);
    EXPECT_STREQ(copy->name, "walk");
    EXPECT_EQ(copy->GetViewCount(), 3u);
    EXPECT_EQ(copy->GetFrameCount(), 2u);
    EXPECT_EQ(copy->ticksPerFrame, 3);
    EXPECT_EQ(copy->firstSound, 0x61626364u);
    EXPECT_EQ(copy->extentDown, 4);
    EXPECT_EQ(copy->GetBitmap(1, 2), f.colour[4]);
    EXPECT_EQ(f.c.GetBitmapCount(), 11u) << "bitmaps are shared, never copied";
    EXPECT_EQ(copy->GetFrame(0).shadowBitmap, f.shadow[1]);
    EXPECT_EQ(copy->GetFrame(0).shadow.offsetX, 0x50000);
    EXPECT_NE(copy->GetFrame(1).views.data, src.GetFrame(1).views.data);

    copy->GetFrameView(1, 2).registrationX = 99;
    ClearSequenceCell(*copy, 1, 3);
    EXPECT_EQ(src.GetFrameView(1, 2).registrationX, 17);
    EXPECT_EQ(src.GetBitmap(1, 2), f.colour[4]);

    copy->Assign(*copy);
    EXPECT_EQ(copy->GetFrameView(1, 2).registrationX, 99);
    EXPECT_EQ(copy->GetFrameCount(), 2u);

    // Over a larger sequence: its extra frames go, its arrays hold the source's cells.
    Sequence* big = f.c.AddSequence("big");
    big->Resize(7, 9);
    big->Assign(src);
    EXPECT_EQ(big->frameArray.count, 2u);
    EXPECT_EQ(big->GetFrame(1).views.count, 3u);
    EXPECT_EQ(big->GetBitmap(1, 2), f.colour[4]);
    EXPECT_EQ(big->GetFrameView(1, 2).registrationX, 17);
}

TEST(SequenceEditing, ColumnTitlesFollowTheUniqueViews)
{
    Fixture f(8, 1);
    auto titles = [&] {
        std::string out;
        char t[16];
        for (u32 c = 0; c <= f.s->GetUniqueViewCount(); ++c) {
            SequenceColumnTitle(*f.s, c, t, sizeof(t));
            std::string one(t);
            if (!one.empty() && one.back() == char(161)) one.back() = 'd';
            out += one + " ";
        }
        return out;
    };
    f.s->SetFlags(f.s->GetFlags() | kSequenceMirroring);
    EXPECT_EQ(titles(), "Shadow 0d 45d 90d 135d 180d ");
    f.s->SetFlags(f.s->GetFlags() & ~kSequenceMirroring);
    EXPECT_EQ(titles(), "Shadow 0d 45d 90d 135d 180d 225d 270d 315d ");
    EXPECT_EQ(ViewAngle(3, 0), 0u);
}

TEST(SequenceEditing, TypedFieldsParseAndCountsStartAtOne)
{
    struct Case { const char* text; bool ok; s64 value; } cases[] = {
        {"12", true, 12}, {" -3 ", true, -3}, {"+7", true, 7}, {"", false, 0}, {"x1", false, 0}, {"1x", false, 0},
        {"-", false, 0},
    };
    for (const Case& k : cases) {
        s64 v = -999;
        EXPECT_EQ(ParseFieldInteger(k.text, &v), k.ok) << k.text;
        if (k.ok) {
            EXPECT_EQ(v, k.value) << k.text;
        }
    }
    EXPECT_EQ(TypedCount(0), 1u);
    EXPECT_EQ(TypedCount(-5), 1u);
    EXPECT_EQ(TypedCount(9), 9u);
}

TEST(SequenceEditing, SoundTagsArePaddedWithSpacesAndEmptyMeansNone)
{
    EXPECT_EQ(SoundTagFromText("ab"), 0x61622020u);
    EXPECT_EQ(SoundTagFromText("abcd"), 0x61626364u);
    EXPECT_EQ(SoundTagFromText(""), 0xFFFFFFFFu);
    char text[5];
    SoundTagToText(0x61622020u, text);
    EXPECT_STREQ(text, "ab  ");
    SoundTagToText(0xFFFFFFFFu, text);
    EXPECT_STREQ(text, "");
}

TEST(SequenceEditing, ModeItemsStandForTheirValues)
{
    const char* labels[] = {"None", "Fade Out", "Fade In", "Appearing", "Disappearing", "Cycle"};
    const u16 values[] = {0, 1, 2, 5, 6, 7};
    for (u32 i = 0; i < 6; ++i) {
        EXPECT_STREQ(kSequenceModeItems[i].label, labels[i]);
        EXPECT_EQ(kSequenceModeItems[i].value, values[i]);
        EXPECT_EQ(SequenceModeItemIndex(values[i]), i);
    }
    EXPECT_EQ(SequenceModeItemIndex(3), 0u);
    EXPECT_EQ(SequenceModeItemIndex(200), 0u);
}

TEST(SequenceEditing, SizesTheFormatCannotStoreAreRefusedAndChangeNothing)
{
    Fixture f(2, 5);
    Sequence* other = f.c.AddSequence("other");
    other->Resize(100, 600);  // 60,000 records
    char message[200];
    struct Case { u64 V, F; bool ok; } cases[] = {
        {2, 5, true}, {5, 1000, true}, {65536, 1, false}, {1, 65536, false}, {0, 5, false},
        {10, 600, false}, {5535, 1, true}, {5536, 1, false},
    };
    for (const Case& k : cases) {
        const char* refused = ResizeSequence(f.c, *f.s, k.V, k.F, message, sizeof(message));
        EXPECT_EQ(refused == nullptr, k.ok) << k.V << " x " << k.F;
        if (k.ok) {
            EXPECT_EQ(f.s->GetViewCount(), k.V);
            EXPECT_EQ(f.s->GetFrameCount(), k.F);
            f.s->Resize(2, 5);
        } else {
            EXPECT_EQ(f.s->GetViewCount(), 2u);
            EXPECT_EQ(f.s->GetFrameCount(), 5u);
        }
    }
    EXPECT_NE(ResizeSequence(f.c, *f.s, 10, 600, message, sizeof(message)), nullptr);
    EXPECT_NE(strstr(message, "65535"), nullptr) << message;
}

TEST(SequenceEditing, ResizeTakesCountsAboveTheStoredRangeAsTheLargest)
{
    Sequence s("big");
    s.Resize(70000, 1);
    EXPECT_EQ(s.GetViewCount(), 65535u);
    EXPECT_EQ(s.GetFrame(0).views.count, 65535u);
}

TEST(SequenceEditing, ClearingACellDropsItsBitmapAndIndex)
{
    Fixture f;
    f.s->GetFrameView(1, 1).bitmap = f.colour[2];
    f.s->GetFrameView(1, 1).bitmapIndex = 2;
    f.s->GetFrame(3).shadowBitmap = f.shadow[0];
    f.s->GetFrame(3).shadow.bitmapIndex = 6;
    EXPECT_TRUE(ClearSequenceCell(*f.s, 1, 2));
    EXPECT_EQ(f.s->GetBitmap(1, 1), nullptr);
    EXPECT_EQ(f.s->GetFrameView(1, 1).bitmapIndex, kNoIndex);
    EXPECT_TRUE(ClearSequenceCell(*f.s, 3, 0));
    EXPECT_EQ(f.s->GetFrame(3).shadowBitmap, nullptr);
    EXPECT_EQ(f.s->GetFrame(3).shadow.bitmapIndex, kNoIndex);
    EXPECT_FALSE(ClearSequenceCell(*f.s, 1, 2));
    EXPECT_FALSE(ClearSequenceCell(*f.s, 5, 1));
    EXPECT_FALSE(ClearSequenceCell(*f.s, 0, 3));
}

TEST(SequenceEditing, DropsArePlacedOrRefusedWhole)
{
    // Payload kinds, where they came from, the target (row, column) -> the cells or "refused".
    struct Case {
        const char* what;
        const char* payload;  // c: colour, s: shadow, x: colour of another collection
        bool fromSequence;
        s32 cells[4][2];      // (column, row) per payload, for drops from a sequence
        s32 origin[2];
        u32 row, column;
        const char* expect;
    } cases[] = {
        {"one colour on a view", "c", false, {}, {}, 1, 2, "(1,2)"},
        {"one shadow on the shadow column", "s", false, {}, {}, 4, 0, "(4,0)"},
        {"a shadow on a view column", "s", false, {}, {}, 0, 1, "refused"},
        {"a colour on the shadow column", "c", false, {}, {}, 0, 0, "refused"},
        {"another collection's bitmap", "x", false, {}, {}, 0, 1, "refused"},
        {"three colours from frame 2 view 0", "ccc", false, {}, {}, 2, 1, "(2,1)(2,2)(3,1)"},
        {"colours running past the last frame", "ccc", false, {}, {}, 4, 2, "refused"},
        {"four shadows on row 3 of 5 frames", "ssss", false, {}, {}, 3, 0, "refused"},
        {"two shadows on row 3 of 5 frames", "ss", false, {}, {}, 3, 0, "(3,0)(4,0)"},
        {"colours first on the shadow column", "cc", false, {}, {}, 1, 0, "refused"},
        {"two cells moved down one row", "cc", true, {{1, 0}, {2, 0}}, {1, 0}, 1, 1, "(1,1)(1,2)"},
        {"two cells moved right one column", "cc", true, {{1, 0}, {1, 1}}, {1, 0}, 0, 2, "(0,2)(1,2)"},
        {"a block moved past the last view", "cc", true, {{1, 0}, {2, 0}}, {1, 0}, 0, 2, "refused"},
        {"a block moved above row 0", "cc", true, {{1, 2}, {1, 3}}, {1, 3}, 0, 1, "refused"},
        {"a shadow and a view kept together", "sc", true, {{0, 1}, {1, 1}}, {1, 1}, 2, 1, "(2,0)(2,1)"},
        {"a shadow and a view moved right", "sc", true, {{0, 1}, {1, 1}}, {1, 1}, 2, 2, "refused"},
    };
    for (const Case& k : cases) {
        Fixture f;
        Collection other;
        CollectionBitmap* foreign = AddPlain(other, "foreign");
        DynArray<SequenceDropItem> items = {};
        for (u32 i = 0; k.payload[i]; ++i) {
            SequenceDropItem it = k.payload[i] == 's' ? f.Shadow(int(i)) : f.Colour(int(i));
            if (k.payload[i] == 'x') {
                it.collection = &other;
                it.bitmap = foreign;
            }
            it.column = k.cells[i][0];
            it.row = k.cells[i][1];
            items.Push(it);
        }
        DynArray<SequenceCellPlace> places = {};
        bool ok = PlanSequenceDrop(f.c, *f.s, items.data, items.count, k.fromSequence, k.origin[0], k.origin[1],
                                   f.Item(k.row, k.column), &places);
        EXPECT_EQ(ok ? Places(places) : std::string("refused"), k.expect) << k.what;
        if (ok) {
            ApplySequenceDrop(f.c, *f.s, items.data, items.count, places.data);
            for (u32 i = 0; i < items.count; ++i) {
                const SequenceCellPlace& p = places.data[i];
                EXPECT_EQ(SequenceCellBitmap(*f.s, p.frame, p.column), items.data[i].bitmap) << k.what;
                u16 stored = p.column ? f.s->GetFrameView(p.frame, p.column - 1).bitmapIndex
                                      : f.s->GetFrame(p.frame).shadow.bitmapIndex;
                EXPECT_EQ(s32(stored), f.c.IndexOfBitmap(items.data[i].bitmap)) << k.what;
            }
        }
        items.Free();
        places.Free();
    }
}

TEST(SequenceEditing, MirroredSequencesRefuseColumnsPastTheUniqueViews)
{
    Fixture f(8, 2);
    f.s->SetFlags(f.s->GetFlags() | kSequenceMirroring);  // U = 5: columns 0..5
    SequenceDropItem one = f.Colour(0);
    EXPECT_TRUE(PlanSequenceDropOne(f.c, *f.s, one, 5, 0));
    EXPECT_FALSE(PlanSequenceDropOne(f.c, *f.s, one, 6, 0));
    EXPECT_FALSE(PlanSequenceDropOne(f.c, *f.s, one, 8, 0));
    SequenceDropItem two[2] = {f.Colour(0, 5, 0), f.Colour(1, 5, 1)};
    DynArray<SequenceCellPlace> places = {};
    // Moving the two right by one would put them on column 6, a mirrored view.
    EXPECT_FALSE(PlanSequenceDrop(f.c, *f.s, two, 2, true, 4, 0, f.Item(0, 5), &places));
    EXPECT_TRUE(PlanSequenceDrop(f.c, *f.s, two, 2, true, 5, 0, f.Item(0, 5), &places));
    places.Free();
}

TEST(SequenceEditing, AnEmptySequenceRefusesEveryDrop)
{
    Fixture f(2, 1);
    f.s->ResizeFrames(0);
    f.s->frames = 0;
    SequenceDropItem one = f.Colour(0);
    DynArray<SequenceCellPlace> places = {};
    EXPECT_FALSE(PlanSequenceDrop(f.c, *f.s, &one, 1, false, 0, 0, 1, &places));
    f.s->Resize(0, 1);
    EXPECT_FALSE(PlanSequenceDrop(f.c, *f.s, &one, 1, false, 0, 0, 1, &places));
    EXPECT_FALSE(ClearSequenceCell(*f.s, 0, 1));
    places.Free();
}

TEST(SequenceEditing, ABlockMovedOverItselfCopiesThePointsItHadWhenTheDropBegan)
{
    Fixture f(3, 1);
    for (u32 v = 0; v < 3; ++v) {
        f.s->GetFrameView(0, v).bitmap = f.colour[v];
        f.s->GetFrameView(0, v).registrationX = s16(10 * (v + 1));
        f.s->GetFrameView(0, v).keyY = s16(v + 1);
        f.s->GetFrameView(0, v).flags = v == 0 ? u32(kViewMirrorX) : 0u;
    }
    // Views 0 and 1 moved right by one cell: view 1 is placed first and overwritten before
    // it is read as the source of view 2.
    SequenceDropItem items[2] = {f.Colour(0, 1, 0, &f.s->GetFrameView(0, 0)), f.Colour(1, 2, 0, &f.s->GetFrameView(0, 1))};
    DynArray<SequenceCellPlace> places = {};
    ASSERT_TRUE(PlanSequenceDrop(f.c, *f.s, items, 2, true, 1, 0, 2, &places));
    ApplySequenceDrop(f.c, *f.s, items, 2, places.data);
    EXPECT_EQ(f.s->GetBitmap(0, 1), f.colour[0]);
    EXPECT_EQ(f.s->GetFrameView(0, 1).registrationX, 10);
    EXPECT_EQ(f.s->GetFrameView(0, 1).flags, kViewMirrorX);
    EXPECT_EQ(f.s->GetBitmap(0, 2), f.colour[1]);
    EXPECT_EQ(f.s->GetFrameView(0, 2).registrationX, 20);
    EXPECT_EQ(f.s->GetFrameView(0, 2).keyY, 2);
    EXPECT_EQ(f.s->GetFrameView(0, 2).flags, 0u);
    places.Free();
}

TEST(SequenceEditing, ShadowDropsCopyTheSourceShadowRecord)
{
    Fixture f(2, 3);
    ShadowRecord from = {};
    from.flags = 5;
    from.offsetX = 0x30000;
    from.offsetY = -0x10000;
    SequenceDropItem item = f.Shadow(2, 0, 0, &from);
    DynArray<SequenceCellPlace> places = {};
    ASSERT_TRUE(PlanSequenceDrop(f.c, *f.s, &item, 1, false, 0, 0, f.Item(2, 0), &places));
    ApplySequenceDrop(f.c, *f.s, &item, 1, places.data);
    const ShadowRecord& r = f.s->GetFrame(2).shadow;
    EXPECT_EQ(f.s->GetFrame(2).shadowBitmap, f.shadow[2]);
    EXPECT_EQ(r.flags, 5u);
    EXPECT_EQ(r.offsetX, 0x30000);
    EXPECT_EQ(r.offsetY, -0x10000);
    places.Free();
}

TEST(SequenceEditing, CopiedFlagsNeverClaimAHighResAssignment)
{
    Fixture f(2, 1);
    FrameView source;
    source.flags = kViewHasHighRes | kViewMirrorY;
    source.SetHighResAssignment(f.colour[5], 0x50000, 3, 4);
    source.bitmap = f.colour[1];
    SequenceDropItem item = f.Colour(1, 1, 0, &source);
    DynArray<SequenceCellPlace> places = {};
    ASSERT_TRUE(PlanSequenceDrop(f.c, *f.s, &item, 1, true, 1, 0, f.Item(0, 1), &places));
    ApplySequenceDrop(f.c, *f.s, &item, 1, places.data);
    EXPECT_EQ(f.s->GetFrameView(0, 0).flags, u32(kViewMirrorY));

    // A view with its own assignment keeps it, and the new bitmap becomes the standard one.
    FrameView& own = f.s->GetFrameView(0, 1);
    own.SetHighResAssignment(f.colour[4], 0x50000, 1, 1);
    source.flags = kViewMirrorX;
    item = f.Colour(2, 2, 0, &source);
    ASSERT_TRUE(PlanSequenceDrop(f.c, *f.s, &item, 1, true, 2, 0, f.Item(0, 2), &places));
    ApplySequenceDrop(f.c, *f.s, &item, 1, places.data);
    EXPECT_EQ(own.flags, u32(kViewMirrorX | kViewHasHighRes));
    EXPECT_EQ(own.standardBitmap, f.colour[2]);
    EXPECT_EQ(own.highResBitmap, f.colour[4]);
    places.Free();
}

TEST(SequenceEditing, ImportedFilesFillViewsOrFramesFirst)
{
    struct Case { u64 k; bool viewsFastest; u32 frame, view; } cases[] = {
        {0, true, 0, 0}, {3, true, 0, 3}, {4, true, 1, 0}, {7, true, 1, 3},
        {0, false, 0, 0}, {1, false, 1, 0}, {2, false, 0, 1}, {7, false, 1, 3},
    };
    for (const Case& k : cases) {
        u32 frame = 99, view = 99;
        ASSERT_TRUE(ImportTargetCell(k.k, 4, 2, k.viewsFastest, &frame, &view)) << k.k;
        EXPECT_EQ(frame, k.frame) << k.k << " " << k.viewsFastest;
        EXPECT_EQ(view, k.view) << k.k << " " << k.viewsFastest;
    }
    u32 frame, view;
    EXPECT_FALSE(ImportTargetCell(8, 4, 2, true, &frame, &view));
    EXPECT_FALSE(ImportTargetCell(0, 0, 2, true, &frame, &view));
    EXPECT_FALSE(ImportTargetCell(0, 4, 0, false, &frame, &view));
}

TEST(SequenceEditing, ExportNamesCountFramesAndViewsFromZero)
{
    char name[64];
    SequenceExportName(3, 12, false, name, sizeof(name));
    EXPECT_STREQ(name, "Frame #03, view #12");
    SequenceExportName(0, 1, true, name, sizeof(name));
    EXPECT_STREQ(name, "Frame #00, view #01 alpha");
}
