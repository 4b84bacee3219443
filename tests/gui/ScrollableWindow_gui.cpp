// Scrollable windows: ranges and clamping, the bars taking their width from the content, thumb
// geometry (also for totals past 32-bit products), hit testing, thumb dragging, arrow and page
// repeat from the tick, and the wheel. Runs headless through the fake OS backend.
#include "WindowTestSupport.h"
#include "gui/ScrollableWindow.h"
#include "gui/Skin.h"

using namespace wtest;

namespace {

class Scroller : public ScrollableWindow {
public:
    Scroller(u32 f, Window* p) noexcept : ScrollableWindow(f, p) {}
    void VScrolled(s32 pos) override
    {
        vCalls.push_back(pos);
        totalSeenAtV = GetVTotal();
    }
    void HScrolled(s32 pos) override { hCalls.push_back(pos); }
    void CornerClicked() override { ++corner; }
    std::vector<s32> vCalls, hCalls;
    s32 totalSeenAtV = -1;
    int corner = 0;
};

// A 200 x 200 window without borders at (100, 100) of the screen, with 14 px scroll bars.
class ScrollTest : public WindowFixture {
protected:
    void SetUp() override
    {
        WindowFixture::SetUp();
        TexturePack* pack = NewTexturePack();
        AddPackImage(pack, 38, 14, 16, nullptr);
        InstallSkinPack(pack);
        FakeOsSetTime(10.0);
        s = new Scroller(WF_VISIBLE | WF_ENABLED | WF_PANEL, nullptr);
        s->SetFrameXYWH(100, 100, 200, 200);
        Log().clear();
    }
    void TearDown() override
    {
        WindowFixture::TearDown();
        InstallSkinPack(nullptr);
    }
    // One main-loop step after the clock moved on by dt.
    void TickAfter(double dt)
    {
        FakeOsAdvanceTime(dt);
        Step();
    }
    Scroller* s;
};

}  // namespace

TEST_F(ScrollTest, ABarTakesItsWidthFromTheContentWhileItsPageIsNotZero)
{
    EXPECT_STREQ(s->GetClassName(), "ScrollableWindow");
    EXPECT_EQ(s->GetContentWidth(), 200);
    s->SetScrollInfo(SCROLLINFO_VTOTAL | SCROLLINFO_VPAGE, 200, 0, 50, 0, 0, 0);
    EXPECT_EQ(s->GetContentWidth(), 186);
    EXPECT_EQ(s->GetContentHeight(), 200);
    s->SetScrollInfo(SCROLLINFO_HTOTAL | SCROLLINFO_HPAGE, 0, 0, 0, 500, 0, 100);
    EXPECT_EQ(s->GetContentHeight(), 186);
    s->SetScrollInfo(SCROLLINFO_VPAGE, 0, 0, 0, 0, 0, 0);
    EXPECT_EQ(s->GetContentWidth(), 200);
    s->SetScrollInfo(SCROLLINFO_HPAGE, 0, 0, 0, 0, 0, -20);  // a negative page is 0
    EXPECT_EQ(s->GetHPageSize(), 0);
    EXPECT_EQ(s->GetContentHeight(), 200);
}

TEST_F(ScrollTest, PositionsAreClampedIntoTheRange)
{
    s->SetScrollInfo(0x3F, 200, 1000, 50, 100, -5, 30);
    EXPECT_EQ(s->GetVScrollPos(), 150);
    EXPECT_EQ(s->GetHScrollPos(), 0);
    s->SetVScrollPos(-1);
    EXPECT_EQ(s->GetVScrollPos(), 0);
    s->ScrollVBy(70);
    s->ScrollHBy(1000);
    EXPECT_EQ(s->GetVScrollPos(), 70);
    EXPECT_EQ(s->GetHScrollPos(), 70);
    s->SetScrollInfo(SCROLLINFO_VTOTAL, 60, 0, 0, 0, 0, 0);  // shrinking the total moves the position back
    EXPECT_EQ(s->GetVScrollPos(), 10);
    s->SetScrollInfo(SCROLLINFO_VPAGE, 0, 0, 100, 0, 0, 0);  // a page larger than the total
    EXPECT_EQ(s->GetVScrollPos(), 0);
    s->ScrollVBy(0x7FFFFFFF);  // no wrap-around
    EXPECT_EQ(s->GetVScrollPos(), 0);
}

TEST_F(ScrollTest, TheSubclassHearsOfAMoveBeforeTheNewTotalsAreStored)
{
    s->SetScrollInfo(0x07, 200, 100, 50, 0, 0, 0);
    ASSERT_EQ(s->vCalls.size(), 1u);
    EXPECT_EQ(s->vCalls[0], 100);
    EXPECT_EQ(s->totalSeenAtV, 0);
    s->SetVScrollPos(100);  // unchanged: no call
    EXPECT_EQ(s->vCalls.size(), 1u);
    s->SetViewRect(Rect{5, 20, 45, 60});
    EXPECT_EQ(s->GetVScrollPos(), 20);
    EXPECT_EQ(s->GetVPageSize(), 40);
    EXPECT_EQ(s->GetHPageSize(), 40);
    EXPECT_EQ(s->GetHScrollPos(), 0);  // clamped: the horizontal total is 0
    EXPECT_EQ(s->GetVTotal(), 200);
    s->SetViewRect(Rect{0, 0, -5, -5});
    EXPECT_EQ(s->GetVPageSize(), 0);
    EXPECT_EQ(s->GetHPageSize(), 0);
}

TEST_F(ScrollTest, TheThumbSpansTheTrackInProportionToPageAndPosition)
{
    // Track 200 - 28 = 172; thumb 172 * 50 / 200 = 43 long.
    s->SetScrollInfo(0x07, 200, 0, 50, 0, 0, 0);
    EXPECT_TRUE(SameRect(s->GetVThumbRect(), Rect{186, 14, 200, 57}));
    s->SetVScrollPos(150);
    EXPECT_TRUE(SameRect(s->GetVThumbRect(), Rect{186, 143, 200, 186}));
    s->SetScrollInfo(0x07, 10000, 5000, 1, 0, 0, 0);  // the thumb is at least 14 long
    Rect t = s->GetVThumbRect();
    EXPECT_EQ(t.Height(), 14);
    EXPECT_EQ(t.top, 14 + (172 - 14) * 5000 / 9999);
    s->SetScrollInfo(0x07, 50, 0, 50, 0, 0, 0);  // page == total: a bar without a thumb
    EXPECT_TRUE(s->GetVThumbRect().IsEmpty());
    EXPECT_EQ(s->GetContentWidth(), 186);
    s->SetFrameXYWH(100, 100, 200, 42);  // a track shorter than 15: no thumb
    s->SetScrollInfo(0x07, 200, 0, 10, 0, 0, 0);
    EXPECT_TRUE(s->GetVThumbRect().IsEmpty());
}

TEST_F(ScrollTest, ThumbMathsHoldsForTotalsWhoseProductsPass32Bits)
{
    s->SetScrollInfo(0x3F, 2000000000, 1000000000, 1000000000, 2000000000, 2000000000, 1000000000);
    EXPECT_EQ(s->GetVScrollPos(), 1000000000);
    EXPECT_EQ(s->GetHScrollPos(), 1000000000);
    // Both bars: tracks 186 - 28 = 158, thumbs 79 long, at the end of their tracks.
    EXPECT_TRUE(SameRect(s->GetVThumbRect(), Rect{186, 14 + 79, 200, 14 + 158}));
    EXPECT_TRUE(SameRect(s->GetHThumbRect(), Rect{14 + 79, 186, 14 + 158, 200}));
    s->SetScrollInfo(0x07, 0x7FFFFFFF, 0x7FFFFFFF, 0, 0, 0, 0);  // no page: no bar
    EXPECT_EQ(s->GetVScrollPos(), 0x7FFFFFFF);
    EXPECT_TRUE(s->GetVThumbRect().IsEmpty());
}

TEST_F(ScrollTest, HitTestingFindsArrowsPagesThumbsAndTheCorner)
{
    s->SetScrollInfo(0x3F, 200, 50, 50, 300, 0, 100);  // tracks 158; v thumb 39 at offset 59
    s->SetCornerBox(1);
    Rect vt = s->GetVThumbRect();
    ASSERT_EQ(vt.top, 14 + (158 - 39) * 50 / 150);
    struct Case {
        s32 x, y;
        u32 part;
    } cases[] = {
        {290, 100, SCROLL_UP},          {290, 113, SCROLL_UP},
        {290, 114, SCROLL_PAGEUP},      {290, 100 + vt.top - 1, SCROLL_PAGEUP},
        {290, 100 + vt.top, SCROLL_VTHUMB}, {290, 100 + vt.bottom, SCROLL_VTHUMB},
        {290, 100 + vt.bottom + 1, SCROLL_PAGEDOWN}, {290, 100 + 186 - 13, SCROLL_DOWN},
        {100, 290, SCROLL_LEFT},        {100 + 14, 290, SCROLL_HTHUMB},
        {100 + 150, 290, SCROLL_PAGERIGHT}, {100 + 180, 290, SCROLL_RIGHT},
        {290, 290, SCROLL_CORNER},      {150, 150, SCROLL_NONE},
    };
    for (const Case& c : cases) EXPECT_EQ(s->HitTestScrollBars(Point{c.x, c.y}), c.part) << c.x << "," << c.y;
    s->SetCornerBox(0);
    EXPECT_EQ(s->HitTestScrollBars(Point{290, 290}), SCROLL_NONE);
}

TEST_F(ScrollTest, HoldingTheDownArrowStepsOnTheNextTickThenThirtyTimesASecondWhileOverIt)
{
    s->SetScrollInfo(0x07, 1000, 0, 100, 0, 0, 0);
    s->SetLineStep(3);
    MoveTo(290, 295);
    Press();
    Run();
    EXPECT_TRUE(s->IsTracking());
    EXPECT_EQ(s->GetVScrollPos(), 3);  // the tick of the press's own step
    EXPECT_EQ(s->downPressed, 1u);
    TickAfter(0.01);
    EXPECT_EQ(s->GetVScrollPos(), 3);
    TickAfter(0.03);
    EXPECT_EQ(s->GetVScrollPos(), 6);
    TickAfter(0.034);
    EXPECT_EQ(s->GetVScrollPos(), 9);
    MoveTo(150, 150);  // off the arrow: the repeat pauses
    Run();
    TickAfter(0.1);
    EXPECT_EQ(s->GetVScrollPos(), 9);
    EXPECT_EQ(s->downPressed, 0u);
    MoveTo(290, 295);
    Run();
    TickAfter(0.04);
    EXPECT_EQ(s->GetVScrollPos(), 12);
    Release();
    Run();
    TickAfter(0.1);
    EXPECT_FALSE(s->IsTracking());
    EXPECT_EQ(s->GetVScrollPos(), 12);
    EXPECT_EQ(s->downPressed, 0u);
}

TEST_F(ScrollTest, APageAreaRepeatsFiveTimesASecond)
{
    s->SetScrollInfo(0x07, 1000, 0, 100, 0, 0, 0);
    MoveTo(290, 250);  // below the thumb
    Press();
    Run();
    EXPECT_EQ(s->GetVScrollPos(), 100);
    TickAfter(0.15);
    EXPECT_EQ(s->GetVScrollPos(), 100);
    TickAfter(0.06);
    EXPECT_EQ(s->GetVScrollPos(), 200);
    TickAfter(0.21);
    EXPECT_EQ(s->GetVScrollPos(), 300);
    Release();
    Run();
}

TEST_F(ScrollTest, DraggingTheThumbToTheEndReachesTotalLessPage)
{
    s->SetScrollInfo(0x07, 1000, 0, 100, 0, 0, 0);
    Rect t = s->GetVThumbRect();
    MoveTo(290, 100 + t.top + 2);
    Press();
    Run();
    Release();
    Run();
    EXPECT_EQ(s->GetVScrollPos(), 0);  // a press without a move leaves the position

    MoveTo(290, 100 + t.top + 2);
    Press();
    Run();
    MoveTo(290, 100 + t.top + 2 + 40);
    Run();
    s32 limit = 200 - 28 - t.Height();
    EXPECT_EQ(s->GetVScrollPos(), 900 * 40 / limit);
    MoveTo(290, 590);
    Run();
    EXPECT_EQ(s->GetVScrollPos(), 900);
    MoveTo(290, 0);
    Run();
    EXPECT_EQ(s->GetVScrollPos(), 0);
    Release();
    Run();
    EXPECT_FALSE(s->IsTracking());
}

TEST_F(ScrollTest, ABarThatCannotScrollIgnoresPressesAndTheCornerBoxClicks)
{
    s->SetScrollInfo(0x3F, 50, 0, 100, 300, 0, 100);  // vertical page exceeds the total
    MoveTo(290, 150);
    Press();
    Run();
    EXPECT_FALSE(s->IsTracking());
    Release();
    Run();
    s->SetCornerBox(1);
    MoveTo(290, 291);
    Press();
    Run();
    EXPECT_EQ(s->corner, 1);
    EXPECT_FALSE(s->IsTracking());
    Release();
    Run();
}

TEST_F(ScrollTest, TheWheelScrollsVerticallyOverContentAndBars)
{
    s->SetScrollInfo(0x3F, 1000, 500, 100, 1000, 500, 100);
    MoveTo(150, 150);
    Run();
    FakeOsScroll(0, -2);
    Run();
    EXPECT_EQ(s->GetVScrollPos(), 502);  // turning the wheel down scrolls down
    MoveTo(290, 150);  // over the bar
    Run();
    FakeOsScroll(0, 2);
    Run();
    EXPECT_EQ(s->GetVScrollPos(), 500);
    FakeOsScroll(3, 0);
    Run();
    EXPECT_EQ(s->GetHScrollPos(), 503);
}
