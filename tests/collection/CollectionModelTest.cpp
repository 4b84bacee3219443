#include <gtest/gtest.h>

#include <cstring>

#include "collection/Collection.h"

namespace {

CollectionBitmap* AddPlain(Collection& c, const char* name, u32 w = 2, u32 h = 2)
{
    return c.AddBitmap(name, 0, nullptr, w, h, 2, nullptr);
}

// A collection with bitmaps A, B, C, D, E and one 2-view x 2-frame sequence whose cells
// show A, B, C, D and whose frame shadows show E and B.
struct Fixture {
    Collection c;
    CollectionBitmap* b[5];
    Sequence* s;

    Fixture()
    {
        const char* names[] = {"A", "B", "C", "D", "E"};
        for (int i = 0; i < 5; ++i) b[i] = AddPlain(c, names[i]);
        s = c.AddSequence("walk");
        s->Resize(2, 2);
        s->GetFrameView(0, 0).bitmap = b[0];
        s->GetFrameView(0, 1).bitmap = b[1];
        s->GetFrameView(1, 0).bitmap = b[2];
        s->GetFrameView(1, 1).bitmap = b[3];
        s->GetFrame(0).shadowBitmap = b[4];
        s->GetFrame(1).shadowBitmap = b[1];
    }
};

}  // namespace

TEST(CollectionModel, NewCollectionIsEmptyWithMonsterAndProjectileFlags)
{
    Collection c;
    EXPECT_EQ(c.flags, 6u);
    EXPECT_EQ(c.GetBitmapCount(), 0u);
    EXPECT_EQ(c.GetSequenceCount(), 0u);
    EXPECT_EQ(c.GetBitmap(0), nullptr);
    EXPECT_EQ(c.IndexOfBitmap(nullptr), -1);
}

TEST(CollectionModel, MoveFollowsTheTargetBeforeTheMoveRule)
{
    struct Case { u32 from, target, expectIndex; } cases[] = {
        {2, 5, 4}, {2, 0, 0}, {2, 2, 0xFFFFFFFFu}, {2, 3, 2}, {0, 5, 4}, {4, 0, 0},
    };
    for (const Case& k : cases) {
        Fixture f;
        CollectionBitmap* moved = f.b[k.from];
        EXPECT_EQ(f.c.MoveBitmap(moved, k.target), k.expectIndex) << k.from << " -> " << k.target;
        u32 expect = k.expectIndex == 0xFFFFFFFFu ? k.from : k.expectIndex;
        EXPECT_EQ(f.c.IndexOfBitmap(moved), s32(expect));
        EXPECT_EQ(f.c.GetBitmapCount(), 5u);
    }
}

TEST(CollectionModel, MovingABitmapRefreshesTheIndicesThatNameIt)
{
    Fixture f;
    f.s->GetFrameView(1, 0).bitmapIndex = 2;
    ASSERT_EQ(f.c.MoveBitmap(f.b[2], 5), 4u);
    EXPECT_EQ(f.s->GetFrameView(1, 0).bitmapIndex, 4);
    EXPECT_EQ(f.s->GetFrameView(1, 0).bitmap, f.b[2]);
    ASSERT_EQ(f.c.MoveBitmap(f.b[1], 0), 0u);
    EXPECT_EQ(f.s->GetFrameView(0, 1).bitmapIndex, 0);
    EXPECT_EQ(f.s->GetFrame(1).shadow.bitmapIndex, 0);
}

TEST(CollectionModel, MovingHueChangesAndSequencesUsesTheSameRule)
{
    Collection c;
    HueChange* h[3] = {c.AddHueChange("a"), c.AddHueChange("b"), c.AddHueChange("c")};
    EXPECT_EQ(c.MoveHueChange(h[0], 3), 2u);
    EXPECT_EQ(c.GetHueChange(2), h[0]);
    EXPECT_EQ(c.MoveHueChange(h[0], 2), 0xFFFFFFFFu);
    Sequence* s[2] = {c.AddSequence("x"), c.AddSequence("y")};
    EXPECT_EQ(c.MoveSequence(s[1], 0), 0u);
    EXPECT_EQ(c.GetSequence(0), s[1]);
}

TEST(CollectionModel, DeletingABitmapClearsEveryReferenceToItAndNoOther)
{
    Fixture f;
    f.c.DeleteBitmap(f.b[1]);
    EXPECT_EQ(f.c.GetBitmapCount(), 4u);
    EXPECT_EQ(f.c.IndexOfBitmap(f.b[2]), 1);
    EXPECT_EQ(f.s->GetBitmap(0, 1), nullptr);
    EXPECT_EQ(f.s->GetFrame(1).shadowBitmap, nullptr);
    EXPECT_EQ(f.s->GetBitmap(0, 0), f.b[0]);
    EXPECT_EQ(f.s->GetBitmap(1, 0), f.b[2]);
    EXPECT_EQ(f.s->GetBitmap(1, 1), f.b[3]);
    EXPECT_EQ(f.s->GetFrame(0).shadowBitmap, f.b[4]);
}

TEST(CollectionModel, ReplacingABitmapTakesItsPlaceAndEveryReference)
{
    Fixture f;
    FrameView& v = f.s->GetFrameView(1, 1);
    v.flags |= kViewHasHighRes;
    v.standardBitmap = f.b[1];
    v.highResBitmap = f.b[1];
    u8 px[8] = {255, 7, 255, 7, 255, 7, 255, 7};
    CollectionBitmap* n = f.c.AddBitmap("B2", 0, px, 2, 2, 2, f.b[1]);
    ASSERT_NE(n, nullptr);
    EXPECT_EQ(f.c.IndexOfBitmap(n), 1);
    EXPECT_EQ(f.c.GetBitmapCount(), 5u);
    EXPECT_EQ(f.s->GetBitmap(0, 1), n);
    EXPECT_EQ(f.s->GetFrame(1).shadowBitmap, n);
    EXPECT_EQ(v.standardBitmap, n);
    EXPECT_EQ(v.highResBitmap, n);
    EXPECT_EQ(memcmp(n->pixels, px, 8), 0);
    EXPECT_STREQ(n->name, "B2");
}

TEST(CollectionModel, AddBitmapCutsNamesAt63CharactersAndRefusesHugeBitmaps)
{
    Collection c;
    char longName[100];
    memset(longName, 'n', 99);
    longName[99] = 0;
    CollectionBitmap* b = c.AddBitmap(longName, 0, nullptr, 1, 1, 2, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(strlen(b->name), 63u);
    EXPECT_EQ(c.AddBitmap("big", 0, nullptr, 65535, 65535, 8, nullptr), nullptr);
    EXPECT_EQ(c.GetBitmapCount(), 1u);
}

TEST(CollectionModel, MarkUsedCountsCellsShadowsAndBothHighResAssignments)
{
    Fixture f;
    CollectionBitmap* hi = AddPlain(f.c, "hi");
    CollectionBitmap* std = AddPlain(f.c, "std");
    CollectionBitmap* unused = AddPlain(f.c, "unused");
    f.c.DeleteBitmap(f.b[3]);
    FrameView& v = f.s->GetFrameView(0, 0);
    v.flags |= kViewHasHighRes;
    v.bitmap = hi;
    v.highResBitmap = hi;
    v.standardBitmap = std;
    f.c.MarkUsedBitmaps();
    EXPECT_EQ(f.b[0]->used, 0u);  // no longer shown anywhere
    EXPECT_EQ(f.b[1]->used, 1u);
    EXPECT_EQ(f.b[2]->used, 1u);
    EXPECT_EQ(f.b[4]->used, 1u);  // a shadow only
    EXPECT_EQ(hi->used, 1u);
    EXPECT_EQ(std->used, 1u);
    EXPECT_EQ(unused->used, 0u);
}

TEST(CollectionModel, SwitchingHighResAssignmentsFollowsBitmapsThatMoved)
{
    Fixture f;
    CollectionBitmap* hi = AddPlain(f.c, "hi", 4, 4);
    FrameView& v = f.s->GetFrameView(0, 0);
    v.flags |= kViewHasHighRes;
    v.standardBitmap = f.b[0];
    v.highResBitmap = hi;
    v.highResScale = 0x50000;
    v.highResRegistrationX = 7;
    v.highResRegistrationY = 8;
    v.registrationX = v.registrationXAsRead = 3;
    v.registrationY = v.registrationYAsRead = 4;
    f.c.MoveBitmap(hi, 0);
    f.c.ShowHighResAssignments(true);
    EXPECT_EQ(v.bitmap, hi);
    EXPECT_EQ(v.bitmapIndex, 0);
    EXPECT_EQ(v.activeScale, 0x50000u);
    EXPECT_EQ(v.registrationX, 7);
    EXPECT_TRUE(v.IsShowingHighRes());
    f.c.ShowHighResAssignments(false);
    EXPECT_EQ(v.bitmap, f.b[0]);
    EXPECT_EQ(v.bitmapIndex, 1);
    EXPECT_EQ(v.bitmapIndexAsRead, 1);
    EXPECT_EQ(v.registrationX, 3);
    EXPECT_EQ(v.registrationY, 4);
    EXPECT_EQ(v.activeScale, kStandardScale);
}

TEST(CollectionModel, ResizeKeepsCellsAndGivesNewOnesTheSelectionBoxPoint)
{
    Collection c;
    Sequence* s = c.AddSequence("s");
    EXPECT_EQ(s->GetViewCount(), 1u);
    EXPECT_EQ(s->GetFrameCount(), 1u);
    EXPECT_EQ(s->GetFrameView(0, 0).registrationX, 20);
    EXPECT_EQ(s->GetFrameView(0, 0).registrationY, 60);
    CollectionBitmap* b = AddPlain(c, "b");
    s->GetFrameView(0, 0).bitmap = b;
    s->GetFrameView(0, 0).registrationX = 5;
    s->Resize(8, 3);
    ASSERT_EQ(s->frameArray.count, 3u);
    EXPECT_EQ(s->GetBitmap(0, 0), b);
    EXPECT_EQ(s->GetFrameView(0, 0).registrationX, 5);
    for (u32 f = 0; f < 3; ++f) {
        ASSERT_EQ(s->GetFrame(f).views.count, 8u);
        EXPECT_EQ(s->GetFrame(f).shadowRecordIndex, kNoIndex);
        for (u32 v = (f == 0 ? 1 : 0); v < 8; ++v) {
            EXPECT_EQ(s->GetFrameView(f, v).registrationX, 20);
            EXPECT_EQ(s->GetFrameView(f, v).registrationY, 60);
            EXPECT_EQ(s->GetFrameView(f, v).highResBitmapIndex, kNoIndex);
            EXPECT_EQ(s->GetFrameView(f, v).activeScale, kStandardScale);
            EXPECT_EQ(s->GetBitmap(f, v), nullptr);
        }
    }
    s->Resize(2, 1);
    EXPECT_EQ(s->frameArray.count, 1u);
    EXPECT_EQ(s->GetFrame(0).views.count, 2u);
    EXPECT_EQ(s->GetBitmap(0, 0), b);
}

TEST(CollectionModel, UniqueViewsCountMirroredViewsOnce)
{
    Collection c;
    Sequence* s = c.AddSequence("s");
    struct Case { u32 views, flags, unique; } cases[] = {
        {8, kSequenceMirroring, 5}, {5, kSequenceMirroring, 3}, {8, 0, 8}, {1, kSequenceMirroring, 1},
        {2, kSequenceMirroring, 2},
    };
    for (const Case& k : cases) {
        s->Resize(k.views, 1);
        s->SetFlags(k.flags);
        EXPECT_EQ(s->GetUniqueViewCount(), k.unique) << k.views;
    }
}

TEST(CollectionModel, NewHueChangeCoversTheMiddleThirdOfTheCircle)
{
    Collection c;
    HueChange* h = c.AddHueChange("cloth");
    EXPECT_STREQ(h->name, "cloth");
    EXPECT_EQ(h->hueStart, 0x5556);
    EXPECT_EQ(h->hueEnd, 0xAAAB);
    EXPECT_EQ(h->medianHue, 0x8001);
    EXPECT_EQ(h->minimumSaturation, 0);
    c.DeleteHueChange(h);
    EXPECT_EQ(c.GetHueChangeCount(), 0u);
}

TEST(CollectionModel, HueMaskSelectsSaturatedColoursInTheRangeAndWrapsThroughRed)
{
    Collection c;
    ColorTableEntry e[6] = {{128, 128, 128}, {255, 0, 0}, {0, 255, 255}, {0, 0, 255}, {0, 255, 0}, {255, 0, 255}};
    c.SetColorTable(e, 6);
    HueChange* h = c.AddHueChange("h");
    HueChange::ComputeMask(c, *h);
    // Middle third: cyan (0.5) and blue (0.6666) are in, green (0.3333 -> 0x5555) just misses.
    EXPECT_EQ(h->mask[0], 0x0C);
    h->hueStart = 0xAAAB;
    h->hueEnd = 0x5556;
    HueChange::ComputeMask(c, *h);
    // Two thirds through red to one third: red, green (0x5555) and magenta (0.8333); grey
    // and the zeroed entries have saturation 0 and are never selected.
    EXPECT_EQ(h->mask[0], 0x32);
    for (int i = 1; i < 32; ++i) EXPECT_EQ(h->mask[i], 0) << i;
    h->minimumSaturation = 0xFFFF;
    HueChange::ComputeMask(c, *h);
    EXPECT_EQ(h->mask[0], 0);
}

TEST(CollectionModel, ColorToHsv16ScalesHueToATurnAndCopiesTheFourthWord)
{
    u16 rgb[4] = {0, 0xFF00, 0xFF00, 0x1234}, hsv[4];
    ColorToHsv16(rgb, hsv);
    EXPECT_EQ(hsv[0], 0x8000);
    EXPECT_EQ(hsv[1], 65535);
    // The channels pass through single precision and are truncated: 0xFF00 comes back one lower.
    EXPECT_EQ(hsv[2], 0xFEFF);
    EXPECT_EQ(hsv[3], 0x1234);
}

TEST(CollectionModel, NearestColourPrefersTheLowestIndexOnTies)
{
    ColorTableEntry t[256] = {};
    t[3] = {255, 255, 255};
    t[7] = {255, 255, 255};
    t[9] = {250, 10, 10};
    EXPECT_EQ(FindNearestColor(t, 0, 255, 0xFFFFFF), 3u);
    EXPECT_EQ(FindNearestColor(t, 4, 255, 0xFFFFFF), 7u);
    EXPECT_EQ(FindNearestColor(t, 1, 255, 0x0000FF), 9u);
    EXPECT_EQ(FindNearestColor(t, 1, 255, 0), 1u);
    EXPECT_EQ(FindNearestColor(t, 9, 3, 0), 9u);
}

TEST(CollectionModel, ColourTableSetAndCopy)
{
    Collection c;
    ColorTableEntry e[2] = {{1, 2, 3}, {4, 5, 6}};
    c.GetColorTable().entries[200] = {9, 9, 9};
    c.SetColorTable(e, 2);
    ColorTableEntry out[256];
    u32 n = 0;
    c.CopyColorTable(out, &n);
    EXPECT_EQ(n, 256u);
    EXPECT_EQ(out[1].green, 5);
    EXPECT_EQ(out[200].red, 0);
}
