// Dirty rectangles and the visibility pass: which windows draw their background, content and
// frame for a given set of invalidations. Headless: the drawing operations are recorded.
#include "WindowTestSupport.h"

#include <algorithm>

using namespace wtest;

namespace {

class Redraw : public WindowFixture {
protected:
    // Runs one frame and answers what was drawn, layer 0 left out.
    std::vector<std::string> Frame()
    {
        Log().clear();
        WindowSystem::RenderFrame();
        std::vector<std::string> out;
        for (const std::string& s : Log())
            if (s.find(":content") != std::string::npos || s.find(":frame") != std::string::npos) out.push_back(s);
        return out;
    }
};

typedef std::vector<std::string> Strings;

TEST_F(Redraw, AnOpaqueWindowHidesWhatIsBehindItInTheDirtyRectangle)
{
    Probe* back = new Probe(WF_VISIBLE | WF_PANEL, nullptr, "back");
    back->SetFrameXYWH(100, 100, 200, 200);
    Probe* front = new Probe(WF_VISIBLE | WF_PANEL, nullptr, "front");
    front->SetFrameXYWH(150, 150, 200, 200);
    Frame();
    front->InvalidateRect(Rect{200, 200, 250, 250}, 0);
    EXPECT_EQ(Frame(), (Strings{"front:content"}));
}

TEST_F(Redraw, AWindowWithoutBackgroundLetsTheOneBehindShowThrough)
{
    Probe* back = new Probe(WF_VISIBLE | WF_PANEL, nullptr, "back");
    back->SetFrameXYWH(100, 100, 200, 200);
    Probe* front = new Probe(WF_VISIBLE, nullptr, "front");
    front->SetFrameXYWH(150, 150, 200, 200);
    Frame();
    front->InvalidateRect(Rect{200, 200, 250, 250}, 0);
    EXPECT_EQ(Frame(), (Strings{"back:content", "front:content"}));  // back to front
}

TEST_F(Redraw, OnlyTheFrameIsDrawnWhenOnlyTheFrameIsDirty)
{
    Probe* w = new Probe(kFramed, nullptr, "w");
    w->SetFrameXYWH(100, 100, 200, 200);  // content from y 130
    Frame();
    w->InvalidateRect(Rect{120, 105, 180, 120}, 0);  // in the title bar
    EXPECT_EQ(Frame(), (Strings{"w:frame"}));
    w->Invalidate(0);  // the content alone
    EXPECT_EQ(Frame(), (Strings{"w:content"}));
}

TEST_F(Redraw, AShadowAloneInTheDirtyRectangleRedrawsTheWindowsFrame)
{
    Probe* w = new Probe(WF_VISIBLE | WF_PANEL | WF_SHADOW, nullptr, "w");
    w->SetFrameXYWH(100, 100, 100, 100);
    Frame();
    w->InvalidateRect(Rect{205, 120, 212, 150}, 0);  // right of the frame, inside the shadow
    Strings drawn = Frame();
    EXPECT_NE(std::find(drawn.begin(), drawn.end(), "w:frame"), drawn.end());
    // Out of the shadow's reach nothing of it is drawn.
    w->InvalidateRect(Rect{220, 120, 230, 150}, 0);
    EXPECT_TRUE(Frame().empty());
}

TEST_F(Redraw, ACollapsedWindowDrawsOnlyItsFrame)
{
    Probe* w = new Probe(kFramed | WF_COLLAPSEBOX, nullptr, "w");
    w->SetFrameXYWH(100, 100, 200, 200);
    Probe* child = new Probe(WF_VISIBLE | WF_PANEL, w, "child");
    child->SetFrameXYWH(0, 0, 50, 50);
    w->SetCollapsed(1);
    WindowSystem::InvalidateAll();
    EXPECT_EQ(Frame(), (Strings{"w:frame"}));
}

TEST_F(Redraw, ChildrenAreDrawnAfterTheirParentAndHiddenOnesNot)
{
    Probe* w = new Probe(WF_VISIBLE | WF_PANEL, nullptr, "w");
    w->SetFrameXYWH(100, 100, 200, 200);
    Probe* a = new Probe(WF_VISIBLE, w, "a");
    a->SetFrameXYWH(0, 0, 50, 50);
    Probe* hidden = new Probe(0, w, "hidden");
    hidden->SetFrameXYWH(0, 0, 50, 50);
    Frame();
    w->Invalidate(0);
    EXPECT_EQ(Frame(), (Strings{"w:content", "a:content"}));
}

TEST_F(Redraw, InvalidationsOfHiddenWindowsAreIgnoredUnlessForced)
{
    Probe* w = new Probe(0, nullptr, "w");
    w->SetFrameXYWH(100, 100, 50, 50);
    WindowSystem::RenderFrame();
    w->Invalidate(0);
    EXPECT_EQ(WindowSystem::GetDirtyRectCount(), 0u);
    w->Invalidate(1);
    EXPECT_EQ(WindowSystem::GetDirtyRectCount(), 1u);
}

TEST_F(Redraw, DirtyRectanglesAreClippedAndTheThirtyThirdGivesAFullRedraw)
{
    Window* layer = Layer0();
    WindowSystem::RenderFrame();
    layer->InvalidateRect(Rect{-20, -20, 10, 10}, 0);
    layer->InvalidateRect(Rect{900, 0, 950, 10}, 0);  // wholly off screen
    ASSERT_EQ(WindowSystem::GetDirtyRectCount(), 1u);
    EXPECT_TRUE(SameRect(WindowSystem::GetDirtyRects()[0], Rect{0, 0, 10, 10}));
    for (int i = 1; i < 32; ++i) layer->InvalidateRect(Rect{i * 20, 100, i * 20 + 10, 110}, 0);
    EXPECT_EQ(WindowSystem::GetDirtyRectCount(), 32u);
    EXPECT_FALSE(WindowSystem::IsFullRedrawPending());
    layer->InvalidateRect(Rect{0, 300, 10, 310}, 0);
    EXPECT_TRUE(WindowSystem::IsFullRedrawPending());
    EXPECT_EQ(WindowSystem::RenderFrame(), 1);
    EXPECT_FALSE(WindowSystem::IsFullRedrawPending());
    EXPECT_EQ(WindowSystem::GetDirtyRectCount(), 0u);
    EXPECT_EQ(WindowSystem::RenderFrame(), 0);  // the idle frame draws nothing
}

TEST_F(Redraw, MovingAWindowInvalidatesWhereItWasAndWhereItIs)
{
    Probe* w = new Probe(WF_VISIBLE | WF_PANEL, nullptr, "w");
    w->SetFrameXYWH(100, 100, 50, 50);
    WindowSystem::RenderFrame();
    w->MoveTo(120, 110);
    ASSERT_EQ(WindowSystem::GetDirtyRectCount(), 1u);
    EXPECT_TRUE(SameRect(WindowSystem::GetDirtyRects()[0], Rect{100, 100, 170, 160}));
}

TEST_F(Redraw, WithoutDirtyRectanglesEveryInvalidationRedrawsEverything)
{
    WindowSystem::SetDirtyRectMode(0);
    WindowSystem::RenderFrame();
    Layer0()->InvalidateRect(Rect{0, 0, 10, 10}, 0);
    EXPECT_TRUE(WindowSystem::IsFullRedrawPending());
}

TEST_F(Redraw, ContentRectVisibilityFollowsTheUncoveredPart)
{
    Probe* back = new Probe(WF_VISIBLE | WF_PANEL, nullptr, "back");
    back->SetFrameXYWH(0, 0, 200, 200);
    Probe* front = new Probe(WF_VISIBLE | WF_PANEL, nullptr, "front");
    front->SetFrameXYWH(0, 0, 100, 200);
    WindowSystem::ComputeVisibility(Rect{0, 0, 200, 200});
    EXPECT_TRUE(back->IsContentRectVisible(Rect{150, 0, 160, 10}));
    EXPECT_FALSE(back->IsContentRectVisible(Rect{10, 0, 20, 10}));
}

}  // namespace
