#include <gtest/gtest.h>

#include <string>

#include "collection/Collection.h"
#include "collection/FrameEditing.h"

namespace {

// A 3-view x 4-frame sequence whose registration points are (view, frame).
struct Fixture {
    Collection c;
    Sequence* s;
    Fixture()
    {
        s = c.AddSequence("Roll");
        s->Resize(3, 4);
        for (u32 f = 0; f < 4; ++f)
            for (u32 v = 0; v < 3; ++v) {
                s->GetFrameView(f, v).registrationX = s16(v);
                s->GetFrameView(f, v).registrationY = s16(f);
            }
    }
    // Which cells' registration points moved, as "f.v " pairs.
    std::string Moved() const
    {
        std::string out;
        for (u32 f = 0; f < 4; ++f)
            for (u32 v = 0; v < 3; ++v)
                if (s->GetFrameView(f, v).registrationX != s16(v) || s->GetFrameView(f, v).registrationY != s16(f))
                    out += std::to_string(f) + "." + std::to_string(v) + " ";
        return out;
    }
};

}  // namespace

TEST(FrameEditing, IndicesWrapBothWays)
{
    struct Case { s64 i; u32 count, expect; } cases[] = {
        {-1, 5, 4}, {5, 5, 0}, {7, 5, 2}, {-6, 5, 4}, {2, 5, 2}, {3, 0, 0}, {-1, 0, 0},
    };
    for (const Case& k : cases) EXPECT_EQ(WrapIndex(k.i, k.count), k.expect) << k.i << " of " << k.count;
}

TEST(FrameEditing, HeldKeysChooseTheMoveMode)
{
    const bool none[5] = {}, f1[5] = {true}, f2[5] = {false, true}, f3[5] = {false, false, true},
               f4[5] = {false, false, false, true}, f5[5] = {false, false, false, false, true},
               f2f5[5] = {false, true, false, false, true};
    struct Case { bool shift, alt, ctrl; const bool* fn; u32 expect; } cases[] = {
        {true, true, true, none, kMoveSequence}, {true, false, true, none, kMoveView},
        {true, true, false, none, kMoveFrame},   {true, false, false, none, kMoveBitmap},
        {true, false, false, f1, kMoveBitmap},   {false, false, false, f1, kMoveKeyPoint},
        {false, false, false, f2, kMoveBitmap},  {false, false, false, f3, kMoveFrame},
        {false, false, false, f4, kMoveView},    {false, false, false, f5, kMoveSequence},
        {false, false, false, f2f5, kMoveBitmap}, {false, true, true, none, kMoveNone},
    };
    for (const Case& k : cases)
        EXPECT_EQ(MoveModeForKeys(k.shift, k.alt, k.ctrl, k.fn), k.expect) << k.shift << k.alt << k.ctrl;
    EXPECT_STREQ(MoveModeLabel(kMoveKeyPoint), "Move Keypoint");
    EXPECT_STREQ(MoveModeLabel(kMoveSequence), "Move Sequence");
}

TEST(FrameEditing, MovesByModeReachTheirViews)
{
    struct Case { u32 mode; const char* moved; } cases[] = {
        {kMoveSequence, "0.0 0.1 0.2 1.0 1.1 1.2 2.0 2.1 2.2 3.0 3.1 3.2 "},
        {kMoveView, "0.1 1.1 2.1 3.1 "},
        {kMoveFrame, "2.0 2.1 2.2 "},
        {kMoveBitmap, "2.1 "},
        {kMoveKeyPoint, ""},
    };
    for (const Case& k : cases) {
        Fixture f;
        EXPECT_TRUE(MoveByMode(*f.s, 2, 1, 1, 0, k.mode));
        EXPECT_EQ(f.Moved(), k.moved) << k.mode;
    }
    Fixture f;
    MoveByMode(*f.s, 2, 1, -1, 2, kMoveBitmap);
    EXPECT_EQ(f.s->GetFrameView(2, 1).registrationX, 2) << "the bitmap moves left: the point moves right in it";
    EXPECT_EQ(f.s->GetFrameView(2, 1).registrationY, 0);
    MoveByMode(*f.s, 2, 1, 1, -1, kMoveKeyPoint);
    EXPECT_EQ(f.s->GetFrameView(2, 1).keyX, 1);
    EXPECT_EQ(f.s->GetFrameView(2, 1).keyY, -1);
    EXPECT_FALSE(MoveByMode(*f.s, 2, 1, 1, 1, kMoveNone));
    EXPECT_TRUE(MoveByMode(*f.s, 9, 9, 1, 1, kMoveSequence));
}

TEST(FrameEditing, RegistrationAndKeyPointsStopAtTheStoredRange)
{
    Fixture f;
    f.s->GetFrameView(0, 0).registrationX = 32766;
    MoveByMode(*f.s, 0, 0, -5, 0, kMoveBitmap);
    EXPECT_EQ(f.s->GetFrameView(0, 0).registrationX, 32767);
    f.s->GetFrameView(0, 0).keyY = -32767;
    MoveByMode(*f.s, 0, 0, 0, -3, kMoveKeyPoint);
    EXPECT_EQ(f.s->GetFrameView(0, 0).keyY, -32768);
}

TEST(FrameEditing, BoxEdgesDraggedAcrossEachOtherSwapRoles)
{
    Fixture f;
    f.s->selectionHalfWidth = 4 * 65536;
    // The left edge dragged 12 pixels right: 6 of half width lost, 2 past the centre.
    EXPECT_EQ(DragSelectionEdge(*f.s, kDragLeftEdge, 12, 0), u32(kDragRightEdge));
    EXPECT_EQ(f.s->selectionHalfWidth, 2 * 65536);
    EXPECT_EQ(DragSelectionEdge(*f.s, kDragRightEdge, 2, 0), u32(kDragRightEdge));
    EXPECT_EQ(f.s->selectionHalfWidth, 3 * 65536);
    EXPECT_EQ(DragSelectionEdge(*f.s, kDragRightEdge, -8, 0), u32(kDragLeftEdge));
    EXPECT_EQ(f.s->selectionHalfWidth, 1 * 65536);

    f.s->selectionTop = 60 * 65536;
    f.s->selectionBottom = -10 * 65536;
    EXPECT_EQ(DragSelectionEdge(*f.s, kDragTopEdge, 0, -5), u32(kDragTopEdge));
    EXPECT_EQ(f.s->selectionTop, 65 * 65536);
    EXPECT_EQ(DragSelectionEdge(*f.s, kDragTopEdge, 0, 80), u32(kDragBottomEdge));
    EXPECT_EQ(f.s->selectionTop, -10 * 65536);
    EXPECT_EQ(f.s->selectionBottom, -15 * 65536);
    EXPECT_EQ(DragSelectionEdge(*f.s, kDragBottomEdge, 0, -10), u32(kDragTopEdge));
    EXPECT_EQ(f.s->selectionTop, -5 * 65536);
    EXPECT_EQ(f.s->selectionBottom, -10 * 65536);
}

TEST(FrameEditing, BoxEdgesCountThePointerInPixelsOfTheScaleShown)
{
    // The box is kept in standard pixels; a bitmap at scale 5.0 has twice as many pixels, so
    // a move of 8 of its pixels is 4 standard ones.
    struct Case { u32 mode; s32 dx, dy; u32 scale; s32 half, top, bottom; } cases[] = {
        {kDragRightEdge, 8, 0, kStandardScale, 12 * 65536, 30 * 65536, 0},
        {kDragRightEdge, 8, 0, kStandardScale / 2, 10 * 65536, 30 * 65536, 0},
        {kDragLeftEdge, 8, 0, kStandardScale / 2, 6 * 65536, 30 * 65536, 0},
        {kDragRightEdge, 3, 0, kStandardScale / 2, 8 * 65536 + 49152, 30 * 65536, 0},
        {kDragRightEdge, 8, 0, 0, 12 * 65536, 30 * 65536, 0},  // no scale: standard
        {kDragTopEdge, 0, -8, kStandardScale / 2, 8 * 65536, 34 * 65536, 0},
        {kDragBottomEdge, 0, 8, kStandardScale * 2, 8 * 65536, 30 * 65536, -16 * 65536},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << k.mode << " scale " << k.scale << " dx " << k.dx);
        Fixture f;
        f.s->selectionHalfWidth = 8 * 65536;
        f.s->selectionTop = 30 * 65536;
        f.s->selectionBottom = 0;
        EXPECT_EQ(DragSelectionEdge(*f.s, k.mode, k.dx, k.dy, k.scale), k.mode);
        EXPECT_EQ(f.s->selectionHalfWidth, k.half);
        EXPECT_EQ(f.s->selectionTop, k.top);
        EXPECT_EQ(f.s->selectionBottom, k.bottom);
    }
}

TEST(FrameEditing, ShadowOffsetsMoveAFifthOfAPixelPerPixel)
{
    Fixture f;
    DragShadowOffset(*f.s, 1, 2, -1);
    EXPECT_EQ(f.s->GetFrame(1).shadow.offsetX, -26214);
    EXPECT_EQ(f.s->GetFrame(1).shadow.offsetY, 13107);
    f.s->GetFrame(1).shadow.offsetX = INT32_MIN + 5;
    DragShadowOffset(*f.s, 1, 1000, 0);
    EXPECT_EQ(f.s->GetFrame(1).shadow.offsetX, INT32_MIN);
    DragShadowOffset(*f.s, 7, 1, 1);  // outside: nothing
}

TEST(FrameEditing, TitleNamesFrameAndAngle)
{
    Fixture f;
    f.s->Resize(8, 4);
    char title[100];
    FrameEditTitle(*f.s, 2, 3, title, sizeof(title));
    EXPECT_EQ(std::string(title), std::string("Roll (Frame 2 @ 135") + char(161) + ")");
    f.s->views = 0;
    FrameEditTitle(*f.s, 0, 0, title, sizeof(title));
    EXPECT_EQ(std::string(title), std::string("Roll (Frame 0 @ 0") + char(161) + ")");
    f.s->views = 8;
}

TEST(FrameEditing, PlayingAdvancesOneFramePerTicksPerFrame)
{
    struct Case { u32 start; double seconds; u32 ticks; u64 expect; } cases[] = {
        {0, 0.0, 2, 0}, {0, 1.0 / 30, 2, 0}, {0, 2.0 / 30, 2, 1}, {0, 5.0 / 30, 2, 2}, {3, 4.0 / 30, 2, 5},
        {0, 1.0 / 30, 0, 1}, {0, 3.0 / 30, 0, 3}, {0, 1.0 / 30, 1, 1},
    };
    for (const Case& k : cases) EXPECT_EQ(AnimationFrame(k.start, k.seconds, k.ticks), k.expect) << k.seconds;
}

TEST(FrameEditing, GeometryPlacesBitmapPointsBoxShadowAndContrail)
{
    Fixture f;
    CollectionBitmap* b = f.c.AddBitmap("b", 0, nullptr, 10, 20, 2, nullptr);
    CollectionBitmap* sh = f.c.AddBitmap("sh", kBitmapShadow, nullptr, 4, 2, 2, nullptr);
    FrameView& v = f.s->GetFrameView(1, 0);
    v.bitmap = b;
    v.registrationX = 5;
    v.registrationY = 18;
    v.keyX = 2;
    v.keyY = 3;
    f.s->selectionHalfWidth = 4 * 65536;
    f.s->selectionTop = 10 * 65536;
    f.s->selectionBottom = -2 * 65536;
    f.s->GetFrame(1).shadowBitmap = sh;
    f.s->GetFrame(1).shadow.offsetX = 65536;  // 5 pixels drawn
    f.s->GetFrame(1).shadow.offsetY = 0;
    FrameView& before = f.s->GetFrameView(0, 0);
    before.bitmap = b;
    before.registrationX = 3;
    before.registrationY = 18;

    FrameStep shown{f.s, 1, 0}, previous{f.s, 0, 0};
    FrameGeometry g = ComputeFrameGeometry(shown, previous, 100, 100, 0, 0, 2.0f, true);
    ASSERT_TRUE(g.hasBitmap);
    EXPECT_EQ(g.width, 20);
    EXPECT_EQ(g.height, 40);
    EXPECT_EQ(g.originX, 40);
    EXPECT_EQ(g.originY, 30);
    EXPECT_EQ(g.regX, 50);
    EXPECT_EQ(g.regY, 66);
    EXPECT_EQ(g.keyX, 44);
    EXPECT_EQ(g.boxLeft, 42);
    EXPECT_EQ(g.boxRight, 58);
    EXPECT_EQ(g.boxTop, 46);
    EXPECT_EQ(g.boxBottom, 70);
    ASSERT_TRUE(g.hasShadow);
    EXPECT_EQ(g.shadowWidth, 40);
    EXPECT_EQ(g.shadowHeight, 20);
    EXPECT_EQ(g.shadowX, 50 - 10);
    f.s->GetFrame(1).shadow.flags = 2;
    g = ComputeFrameGeometry(shown, previous, 100, 100, 0, 0, 2.0f, true);
    EXPECT_EQ(g.shadowX, 50 + 10 - 40);
    EXPECT_EQ(g.shadowFlip, 1u);
    ASSERT_TRUE(g.hasContrail);
    EXPECT_EQ(g.contrailX, 40 + 4);
    EXPECT_EQ(g.contrailY, 30);

    // The shown view as its own contrail only while the bitmap is hidden.
    EXPECT_FALSE(ComputeFrameGeometry(shown, shown, 100, 100, 0, 0, 1.0f, true).hasContrail);
    EXPECT_TRUE(ComputeFrameGeometry(shown, shown, 100, 100, 0, 0, 1.0f, false).hasContrail);
    FrameStep gone{f.s, 9, 9};
    EXPECT_FALSE(ComputeFrameGeometry(shown, gone, 100, 100, 0, 0, 1.0f, true).hasContrail);
    FrameStep empty{f.s, 2, 2};
    EXPECT_FALSE(ComputeFrameGeometry(empty, previous, 100, 100, 0, 0, 1.0f, true).hasBitmap);
    EXPECT_EQ(ComputeFrameGeometry(shown, previous, 100, 100, 7, -3, 1.0f, true).originX, 45 + 7);
}

TEST(FrameEditing, HitTestingReadsTheAlphaOfEitherPixelSize)
{
    Fixture f;
    // 2 x 1 pixels: left transparent, right opaque.
    u8 paletted[4] = {0, 0, 255, 9};
    u8 trueColour[16] = {9, 9, 9, 0xE0, 0, 0, 0, 0, 0, 0, 0, 0x1F, 0, 0, 0, 0};
    CollectionBitmap* p = f.c.AddBitmap("p", 0, paletted, 2, 1, 2, nullptr);
    CollectionBitmap* t = f.c.AddBitmap("t", kBitmapTrueColor, trueColour, 2, 1, 8, nullptr);
    for (CollectionBitmap* b : {p, t}) {
        f.s->GetFrameView(0, 0).bitmap = b;
        f.s->GetFrameView(0, 0).flags = 0;
        FrameStep shown{f.s, 0, 0};
        FrameGeometry g = ComputeFrameGeometry(shown, shown, 10, 11, 0, 0, 1.0f, true);
        ASSERT_EQ(g.originX, 4);
        ASSERT_EQ(g.originY, 5);
        EXPECT_EQ(HitTestFrame(shown, g, 1.0f, true, true, 4, 5), 0u) << b->name;
        EXPECT_EQ(HitTestFrame(shown, g, 1.0f, true, true, 5, 5), 4u) << b->name;
        EXPECT_EQ(HitTestFrame(shown, g, 1.0f, false, true, 5, 5), 0u) << b->name;
        EXPECT_EQ(HitTestFrame(shown, g, 1.0f, true, true, 6, 5), 0u) << b->name;
        f.s->GetFrameView(0, 0).flags = kViewMirrorX;
        g = ComputeFrameGeometry(shown, shown, 10, 11, 0, 0, 1.0f, true);
        EXPECT_EQ(HitTestFrame(shown, g, 1.0f, true, true, 4, 5), 4u) << b->name;
    }
}
