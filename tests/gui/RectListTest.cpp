// Region arithmetic of the redraw: rectangle lists, the uncovered region and the dirty list.
#include <gtest/gtest.h>

#include <vector>

#include "gui/core/RectList.h"

namespace {

bool Same(const Rect& a, const Rect& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

bool Same(const std::vector<Rect>& a, const std::vector<Rect>& b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (!Same(a[i], b[i])) return false;
    return true;
}

std::vector<Rect> Items(const RectList& list)
{
    std::vector<Rect> out;
    u32 n = 0;
    for (RectNode* node = list.first; node; node = node->next, ++n) out.push_back(node->rect);
    EXPECT_EQ(n, list.count);
    // The back links agree with the forward ones.
    u32 back = 0;
    for (RectNode* node = list.last; node; node = node->prev) ++back;
    EXPECT_EQ(back, list.count);
    return out;
}

u64 Area(const std::vector<Rect>& rects)
{
    u64 a = 0;
    for (const Rect& r : rects) a += u64(r.Width()) * u64(r.Height());
    return a;
}

TEST(RectList, AddSkipsEmptyAndInvertedRectangles)
{
    RectList list = {};
    EXPECT_EQ(list.Add(0, 0, 10, 10), 1);
    EXPECT_EQ(list.Add(5, 5, 5, 10), 0);
    EXPECT_EQ(list.Add(5, 5, 10, 5), 0);
    EXPECT_EQ(list.Add(10, 10, 0, 0), 0);
    EXPECT_EQ(list.count, 1u);
    list.Clear();
    EXPECT_EQ(list.first, nullptr);
}

TEST(RectList, SubtractGivesBandAboveLeftRightAndBelowInThatOrder)
{
    RectList out = {};
    Rect bounds = {0, 0, 0, 0};
    ASSERT_EQ(RectList::Subtract(&out, &bounds, Rect{0, 0, 100, 100}, Rect{20, 30, 60, 70}), 1);
    std::vector<Rect> expected = {{0, 0, 100, 30}, {0, 30, 20, 70}, {60, 30, 100, 70}, {0, 70, 100, 100}};
    EXPECT_TRUE(Same(Items(out), expected));
    EXPECT_TRUE(Same(bounds, Rect{20, 30, 60, 70}));
    out.Clear();
}

TEST(RectList, SubtractOfTouchingRectanglesIsNoOverlap)
{
    RectList out = {};
    Rect bounds = {0, 0, 0, 0};
    EXPECT_EQ(RectList::Subtract(&out, &bounds, Rect{0, 0, 10, 10}, Rect{10, 0, 20, 10}), 0);
    EXPECT_EQ(RectList::Subtract(&out, &bounds, Rect{0, 0, 10, 10}, Rect{0, 10, 10, 20}), 0);
    EXPECT_EQ(out.count, 0u);
}

TEST(RectList, SubtractWidensExistingBoundsByTheOverlap)
{
    RectList out = {};
    Rect bounds = {0, 0, 5, 5};
    RectList::Subtract(&out, &bounds, Rect{0, 0, 100, 100}, Rect{50, 50, 200, 200});
    EXPECT_TRUE(Same(bounds, Rect{0, 0, 100, 100}));
    out.Clear();
}

TEST(RectList, SubtractAllWithoutApplyKeepsTheList)
{
    RectList list = {};
    list.Add(0, 0, 50, 50);
    list.Add(100, 0, 150, 50);
    Rect bounds = {0, 0, 0, 0};
    EXPECT_EQ(list.SubtractAll(&bounds, Rect{40, 10, 110, 20}, 0), 1);
    EXPECT_EQ(list.count, 2u);
    EXPECT_TRUE(Same(bounds, Rect{40, 10, 110, 20}));
    list.Clear();
}

TEST(RectList, SubtractAllWithApplyReplacesOverlappedRectanglesByTheirPieces)
{
    RectList list = {};
    list.Add(0, 0, 50, 50);
    list.Add(200, 200, 250, 250);  // untouched, keeps its place at the front
    Rect bounds = {0, 0, 0, 0};
    EXPECT_EQ(list.SubtractAll(&bounds, Rect{10, 10, 20, 20}, 1), 1);
    std::vector<Rect> items = Items(list);
    ASSERT_EQ(items.size(), 5u);
    EXPECT_TRUE(Same(items[0], Rect{200, 200, 250, 250}));
    EXPECT_EQ(Area(items), 2500u - 100u + 2500u);
    list.Clear();
}

TEST(UncoveredRegion, FirstClaimStartsTheRegion)
{
    UncoveredRegion region = {};
    Rect bounds = {1, 1, 1, 1};
    EXPECT_EQ(region.Claim(Rect{0, 0, 100, 100}, &bounds, 1), 1);
    EXPECT_TRUE(Same(bounds, Rect{0, 0, 0, 0}));
    EXPECT_EQ(region.list.count, 1u);
    region.Reset();
}

TEST(UncoveredRegion, OpaqueClaimsUseUpTheRegionAndLaterClaimsFindNothing)
{
    UncoveredRegion region = {};
    Rect bounds;
    region.Claim(Rect{0, 0, 100, 100}, &bounds, 1);
    // A window in front covering the left half.
    ASSERT_EQ(region.Claim(Rect{-10, -10, 50, 200}, &bounds, 1), 1);
    EXPECT_TRUE(Same(bounds, Rect{0, 0, 50, 100}));
    // A window behind it, wholly in the covered half, is not uncovered.
    EXPECT_EQ(region.Claim(Rect{10, 10, 40, 40}, &bounds, 1), 0);
    // One straddling both halves sees only its right part.
    ASSERT_EQ(region.Claim(Rect{30, 20, 70, 40}, &bounds, 0), 1);
    EXPECT_TRUE(Same(bounds, Rect{50, 20, 70, 40}));
    // The rest gets covered; then nothing is left.
    ASSERT_EQ(region.Claim(Rect{0, 0, 100, 100}, &bounds, 1), 1);
    EXPECT_EQ(region.list.count, 0u);
    EXPECT_EQ(region.Claim(Rect{0, 0, 100, 100}, &bounds, 1), 0);
    region.Reset();
}

TEST(UncoveredRegion, TransparentClaimsLeaveTheRegionAsItWas)
{
    UncoveredRegion region = {};
    Rect bounds;
    region.Claim(Rect{0, 0, 100, 100}, &bounds, 1);
    EXPECT_EQ(region.Claim(Rect{0, 0, 100, 100}, &bounds, 0), 1);
    EXPECT_EQ(region.Claim(Rect{0, 0, 100, 100}, &bounds, 0), 1);
    EXPECT_EQ(Area(Items(region.list)), 10000u);
    region.Reset();
}

TEST(UncoveredRegion, ManyCutsKeepTheRegionExact)
{
    // Punch a grid of holes and check the remaining area pixel-exactly.
    UncoveredRegion region = {};
    Rect bounds;
    region.Claim(Rect{0, 0, 200, 200}, &bounds, 1);
    u64 holes = 0;
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) {
            Rect hole = {x * 20 + 3, y * 20 + 5, x * 20 + 13, y * 20 + 12};
            ASSERT_EQ(region.Claim(hole, &bounds, 1), 1);
            holes += 70;
        }
    EXPECT_EQ(Area(Items(region.list)), 40000u - holes);
    region.Reset();
}

TEST(DirtyRectList, ContainedRectanglesAreMergedAway)
{
    DirtyRectList list = {};
    EXPECT_EQ(list.Add(Rect{10, 10, 20, 20}), 1);
    EXPECT_EQ(list.Add(Rect{10, 10, 20, 20}), 1);
    EXPECT_EQ(list.count, 1u);  // the same rectangle twice keeps one entry
    list.Add(Rect{30, 10, 40, 20});
    list.Add(Rect{50, 10, 60, 20});
    list.Add(Rect{500, 500, 510, 510});
    EXPECT_EQ(list.count, 4u);
    // One that contains three of them leaves it and the one outside, in order.
    EXPECT_EQ(list.Add(Rect{0, 0, 100, 100}), 1);
    ASSERT_EQ(list.count, 2u);
    EXPECT_TRUE(Same(list.rects[0], Rect{500, 500, 510, 510}));
    EXPECT_TRUE(Same(list.rects[1], Rect{0, 0, 100, 100}));
    // One inside a listed rectangle adds nothing.
    EXPECT_EQ(list.Add(Rect{5, 5, 6, 6}), 1);
    EXPECT_EQ(list.count, 2u);
}

TEST(DirtyRectList, TheThirtyThirdDistinctRectangleAsksForAFullRedraw)
{
    DirtyRectList list = {};
    for (int i = 0; i < 32; ++i) ASSERT_EQ(list.Add(Rect{i * 10, 0, i * 10 + 5, 5}), 1);
    EXPECT_EQ(list.Add(Rect{0, 100, 5, 105}), 0);
    EXPECT_EQ(list.count, 32u);
    // A rectangle already covered still needs nothing.
    EXPECT_EQ(list.Add(Rect{1, 1, 2, 2}), 1);
}

TEST(ClipToScreen, OffScreenAndEmptyResultsAreRefused)
{
    Rect out;
    struct Case {
        Rect in;
        int ok;
        Rect clipped;
    } cases[] = {
        {{10, 10, 20, 20}, 1, {10, 10, 20, 20}},
        {{-5, -5, 20, 20}, 1, {0, 0, 20, 20}},
        {{790, 590, 900, 700}, 1, {790, 590, 800, 600}},
        {{801, 0, 900, 10}, 0, {}},
        {{-50, 0, -1, 10}, 0, {}},
        {{800, 0, 900, 10}, 0, {}},  // touches the right edge: empty after clipping
        {{0, 0, 0, 10}, 0, {}},
    };
    for (const Case& c : cases) {
        int ok = ClipToScreen(c.in, 800, 600, &out);
        EXPECT_EQ(ok, c.ok) << c.in.left << "," << c.in.top;
        if (ok && c.ok) {
            EXPECT_TRUE(Same(out, c.clipped));
        }
    }
}

TEST(UnionRect, AnEmptyFirstRectangleGivesTheSecond)
{
    Rect out;
    UnionRect(Rect{5, 5, 5, 9}, &out, Rect{1, 2, 3, 4});
    EXPECT_TRUE(Same(out, Rect{1, 2, 3, 4}));
    UnionRect(Rect{0, 0, 10, 10}, &out, Rect{20, 20, 20, 20});
    EXPECT_TRUE(Same(out, Rect{0, 0, 20, 20}));
}

}  // namespace
