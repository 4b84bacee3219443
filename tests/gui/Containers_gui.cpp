// Splitter, tab and list-grid containers: splitter clamping in every sizing mode, pane layout
// and bar dragging; tab layout, switching by mouse and keys, and removal keeping the current
// page; the list-grid toggle. Runs headless through the fake OS backend.
#include "WindowTestSupport.h"
#include "gui/ListGridWindow.h"
#include "gui/Skin.h"
#include "gui/SplitterWindow.h"
#include "gui/TabWindow.h"

using namespace wtest;

namespace {

// Border 4 (image 1 is 16 x 4); tabs of caps 6 and 7 by 18 (tab width = text + 13).
void InstallTestSkin()
{
    TexturePack* pack = NewTexturePack();
    AddPackImage(pack, 1, 16, 4, nullptr);
    AddPackImage(pack, 66, 6, 18, nullptr);
    AddPackImage(pack, 68, 7, 18, nullptr);
    AddPackImage(pack, 6, 10, 20, nullptr);
    AddPackImage(pack, 8, 12, 20, nullptr);
    InstallSkinPack(pack);
}

class ContainerTest : public WindowFixture {
protected:
    void SetUp() override
    {
        WindowFixture::SetUp();
        InstallTestSkin();
    }
    void TearDown() override
    {
        WindowFixture::TearDown();
        InstallSkinPack(nullptr);
    }
    Probe* NewPane(const char* name, u32 id)
    {
        Probe* p = new Probe(WF_VISIBLE | WF_ENABLED | WF_FOCUSABLE, nullptr, name);
        p->SetId(id);
        return p;
    }
};

Rect InParent(Window* w) { return w->GetFrameInParent(); }

}  // namespace

// Splitter.

TEST_F(ContainerTest, SplitterClampFollowsMinimaAndSizingMode)
{
    SplitterWindow* sp = new SplitterWindow(WF_VISIBLE, nullptr);
    sp->SetFrameXYWH(0, 0, 300, 200);
    EXPECT_STREQ(sp->GetClassName(), "SplitterWindow");
    EXPECT_STREQ(sp->GetTitle(), "SplitterWindow");
    struct Case {
        u32 orientation, mode, m0, m1;
        s32 asked, expected;
    } cases[] = {
        {0, 0, 50, 60, 10, 50},     // below pane 0's minimum
        {0, 0, 50, 60, 280, 240},   // past 300 - pane 1's minimum
        {0, 0, 50, 60, 120, 120},
        {0, 1, 50, 60, 120, 50},    // pane 0 kept at its minimum
        {0, 2, 50, 60, 120, 240},   // pane 1 kept at its minimum
        {0, 0, 160, 170, 10, 150},  // minima that do not fit: the middle
        {0, 0, 200, 120, 77, 77},   // 2 x 120 fits, but 200 + 120 does not: mode 0 keeps
        {0, 1, 200, 120, 77, 180},  // modes 1 and 2: extent - smaller minimum
        {0, 2, 200, 120, 77, 180},
        {0, 0, 0, 0, -5, 0},        // never outside the content
        {0, 0, 0, 0, 999, 300},
        {1, 0, 50, 60, 180, 140},   // stacked: the height counts
        {0, 0, 0x80000000u, 0x80000000u, 7, 150},  // huge minima do not wrap
    };
    for (const Case& c : cases) {
        sp->minSize[0] = c.m0;
        sp->minSize[1] = c.m1;
        sp->orientation = c.orientation;
        sp->sizingMode = c.mode;
        EXPECT_EQ(sp->ClampSplitPos(c.asked), c.expected)
            << c.orientation << " mode " << c.mode << " minima " << c.m0 << "," << c.m1 << " asked " << c.asked;
    }
}

TEST_F(ContainerTest, SplitterLaysPanesOutAroundTheBar)
{
    SplitterWindow* sp = new SplitterWindow(WF_VISIBLE, nullptr);
    sp->SetFrameXYWH(0, 0, 300, 200);
    Probe* a = NewPane("a", 1);
    Probe* b = NewPane("b", 2);
    EXPECT_EQ(sp->SetPane(0, a, 50), nullptr);
    EXPECT_TRUE(sp->GetBarRect().IsEmpty());  // one pane fills the splitter
    EXPECT_TRUE(SameRect(InParent(a), Rect{0, 0, 300, 200}));
    sp->SetPane(1, b, 60);
    sp->SetSplitPos(100);
    EXPECT_TRUE(SameRect(sp->GetBarRect(), Rect{100, 0, 104, 200}));
    EXPECT_TRUE(SameRect(InParent(a), Rect{0, 0, 100, 200}));
    EXPECT_TRUE(SameRect(InParent(b), Rect{104, 0, 300, 200}));
    sp->SetOrientation(1, 0);
    EXPECT_TRUE(SameRect(InParent(a), Rect{0, 0, 300, 100}));
    EXPECT_TRUE(SameRect(InParent(b), Rect{0, 104, 300, 200}));
    sp->SetOrientation(0, 1);
    sp->SetSize(500, 200);  // mode 1: pane 0 stays at its minimum
    EXPECT_EQ(sp->GetSplitPos(), 50);
    EXPECT_TRUE(SameRect(InParent(a), Rect{0, 0, 50, 200}));

    Probe* c = NewPane("c", 3);
    Window* old = sp->SetPane(0, c, 10);
    EXPECT_EQ(old, a);
    EXPECT_EQ(a->GetParent(), nullptr);  // handed back to the caller
    EXPECT_EQ(c->GetParent(), sp);
    delete a;
}

TEST_F(ContainerTest, SplitterForgetsAPaneDeletedElsewhere)
{
    SplitterWindow* sp = new SplitterWindow(WF_VISIBLE, nullptr);
    sp->SetFrameXYWH(0, 0, 300, 200);
    Probe* a = NewPane("a", 1);
    Probe* b = NewPane("b", 2);
    sp->SetPane(0, a, 0);
    sp->SetPane(1, b, 0);
    delete b;
    EXPECT_EQ(sp->GetPane(1), nullptr);
    sp->SetSize(320, 200);  // lays out without the deleted pane
    EXPECT_TRUE(SameRect(InParent(a), Rect{0, 0, 320, 200}));
}

TEST_F(ContainerTest, DraggingTheBarMovesItWithinTheMinimaAndOnlyAPressStartsADrag)
{
    SplitterWindow* sp = new SplitterWindow(WF_VISIBLE | WF_ENABLED, nullptr);
    sp->SetFrameXYWH(0, 0, 300, 200);
    Probe* a = new Probe(WF_VISIBLE | WF_ENABLED, nullptr, "a");
    Probe* b = new Probe(WF_VISIBLE | WF_ENABLED, nullptr, "b");
    sp->SetPane(0, a, 40);
    sp->SetPane(1, b, 40);
    sp->SetSplitPos(100);

    MoveTo(101, 50);  // on the bar
    Run();
    EXPECT_EQ(sp->cursor, 1u);
    MoveTo(150, 50);
    Run();
    EXPECT_EQ(WindowSystem::GetHovered(), b);

    MoveTo(101, 50);
    Press();
    Run();
    MoveTo(131, 80);
    Run();
    EXPECT_EQ(sp->GetSplitPos(), 130);
    MoveTo(299, 80);
    Run();
    EXPECT_EQ(sp->GetSplitPos(), 260);  // 300 - pane 1's minimum
    Release();
    Run();
    EXPECT_EQ(WindowSystem::GetCaptureWindow(), nullptr);

    // A release over the bar without a press there starts nothing.
    Event release = {{u32(sp->GetBarRect().left), 50, HIT_CONTENT, 0, 0, 0}, EVENT_BUTTON};
    sp->MouseButton(&release);
    EXPECT_EQ(WindowSystem::GetCaptureWindow(), nullptr);
}

// Tabs.

class TabTest : public ContainerTest {
protected:
    void SetUp() override
    {
        ContainerTest::SetUp();
        tabs = new TabWindow(WF_VISIBLE | WF_ENABLED, nullptr);
        tabs->SetFrameXYWH(0, 0, 400, 300);
        for (int i = 0; i < 3; ++i) {
            pages[i] = NewPane(names[i], u32(i));
            pages[i]->SetParent(tabs);
        }
        Log().clear();
    }
    TabWindow* tabs;
    Probe* pages[3];
    const char* names[3] = {"one", "two", "three"};
};

TEST_F(TabTest, TheFirstPageAddedIsCurrentAndTheOthersWaitHidden)
{
    EXPECT_STREQ(tabs->GetClassName(), "TabWindow");
    ASSERT_EQ(tabs->GetTabCount(), 3u);
    EXPECT_EQ(tabs->GetCurrentTab(), 0u);
    EXPECT_TRUE(pages[0]->IsVisible());
    EXPECT_FALSE(pages[1]->IsVisible());
    EXPECT_FALSE(pages[2]->IsVisible());
    // Without a font every tab has the skin's empty width; they start at 8 and overlap by 8.
    Rect t;
    Skin::GetTabRect(0, &t, nullptr);
    s32 w = t.Width();
    EXPECT_TRUE(SameRect(tabs->GetTab(0)->tab, Rect{8, 0, 8 + w, 18}));
    EXPECT_TRUE(SameRect(tabs->GetTab(1)->tab, Rect{w, 0, 2 * w, 18}));
    EXPECT_TRUE(SameRect(tabs->GetTab(2)->tab, Rect{2 * w - 8, 0, 3 * w - 8, 18}));
    EXPECT_TRUE(SameRect(tabs->GetPageArea(), Rect{0, 22, 400, 300}));
    EXPECT_TRUE(SameRect(InParent(pages[0]), Rect{0, 22, 400, 300}));
}

TEST_F(TabTest, TabAtPointPrefersTheCurrentTabWhereTabsOverlap)
{
    s32 overlap = tabs->GetTab(1)->tab.left + 2;  // on tabs 0 and 1
    ASSERT_LT(overlap, tabs->GetTab(0)->tab.right);
    EXPECT_EQ(tabs->TabAtPoint(Point{overlap, 5}), 0);
    tabs->SelectTab(1);
    EXPECT_EQ(tabs->TabAtPoint(Point{overlap, 5}), 1);
    EXPECT_EQ(tabs->TabAtPoint(Point{8, 0}), 0);
    EXPECT_EQ(tabs->TabAtPoint(Point{200, 5}), -1);
    EXPECT_EQ(tabs->TabAtPoint(Point{10, 19}), -1);
    TabWindow* empty = new TabWindow(WF_VISIBLE, nullptr);
    EXPECT_EQ(empty->TabAtPoint(Point{10, 5}), -1);
}

TEST_F(TabTest, SelectingShowsAndFocusesThePageAndIgnoresIndicesPastTheEnd)
{
    tabs->SelectTab(2);
    EXPECT_EQ(tabs->GetCurrentTab(), 2u);
    EXPECT_FALSE(pages[0]->IsVisible());
    EXPECT_TRUE(pages[2]->IsVisible());
    EXPECT_EQ(WindowSystem::GetFocus(), pages[2]);
    tabs->SelectTab(3);
    EXPECT_EQ(tabs->GetCurrentTab(), 2u);
    EXPECT_TRUE(pages[2]->IsVisible());
}

TEST_F(TabTest, AClickOnATabSelectsIt)
{
    s32 x = tabs->GetTab(2)->tab.right - 2;  // on tab 2 only
    Click(x, 5);
    Run();
    EXPECT_EQ(tabs->GetCurrentTab(), 2u);
    EXPECT_TRUE(pages[2]->IsVisible());
    EXPECT_FALSE(pages[0]->IsVisible());
}

TEST_F(TabTest, CtrlArrowsAndCtrlTabWrapAroundTheTabs)
{
    Window::SetFocus(pages[0], FOCUS_PROGRAM);
    Key(LIBKEY_LEFT_CONTROL);
    Tap(LIBKEY_LEFT);
    Run();
    EXPECT_EQ(tabs->GetCurrentTab(), 2u);  // Ctrl+Left on the first selects the last
    Tap(LIBKEY_TAB);
    Run();
    EXPECT_EQ(tabs->GetCurrentTab(), 0u);  // Ctrl+Tab on the last selects the first
    Tap(LIBKEY_RIGHT);
    Run();
    EXPECT_EQ(tabs->GetCurrentTab(), 1u);
    Key(LIBKEY_LEFT_SHIFT);
    Tap(LIBKEY_TAB);
    Run();
    EXPECT_EQ(tabs->GetCurrentTab(), 0u);
    EXPECT_TRUE(LogFor("one:key 137").empty());  // consumed before the page
    Key(LIBKEY_LEFT_SHIFT, LIBACTION_RELEASE);
    Key(LIBKEY_LEFT_CONTROL, LIBACTION_RELEASE);
    Tap(LIBKEY_RIGHT);  // without Ctrl the page has it
    Run();
    EXPECT_EQ(tabs->GetCurrentTab(), 0u);
    EXPECT_TRUE(LogHas("one:key 138 1 m0"));
}

TEST_F(TabTest, RemovingATabKeepsTheCurrentPageValid)
{
    tabs->SelectTab(2);
    pages[0]->SetParent(nullptr);  // before the current one
    EXPECT_EQ(tabs->GetTabCount(), 2u);
    EXPECT_EQ(tabs->GetCurrentTab(), 1u);
    EXPECT_EQ(tabs->GetPage(1), pages[2]);
    EXPECT_TRUE(pages[2]->IsVisible());
    delete pages[0];

    pages[2]->SetParent(nullptr);  // the current one: the tab before it
    EXPECT_EQ(tabs->GetCurrentTab(), 0u);
    EXPECT_EQ(tabs->GetPage(0), pages[1]);
    EXPECT_TRUE(pages[1]->IsVisible());
    delete pages[2];

    delete pages[1];  // the last one
    EXPECT_EQ(tabs->GetTabCount(), 0u);
    EXPECT_EQ(tabs->GetCurrentTab(), kNoTab);
    Step();  // draws and ticks without tabs
}

TEST_F(TabTest, APageBuiltInsideTheTabWindowIsFittedAndItsTitleLaidOut)
{
    Probe* late = new Probe(WF_VISIBLE | WF_ENABLED, tabs, "four");
    EXPECT_EQ(tabs->GetTabCount(), 4u);
    tabs->SelectTab(3);
    Step();
    EXPECT_TRUE(SameRect(InParent(late), tabs->GetPageArea()));
}

// List-grid container.

class ListGridTest : public ContainerTest {
protected:
    void SetUp() override
    {
        ContainerTest::SetUp();
        lg = new ListGridWindow(WF_VISIBLE | WF_ENABLED | WF_FOCUSABLE, nullptr);
        lg->SetFrameXYWH(0, 0, 400, 300);
        list = NewPane("list", 1);
        grid = NewPane("grid", 2);
        lg->viewSwitched.Connect<&ListGridTest::Counter::On>(&counter);
    }
    struct Counter : public has_slots<> {
        int n = 0;
        void On() { ++n; }
    } counter;
    ListGridWindow* lg;
    Probe* list;
    Probe* grid;
};

TEST_F(ListGridTest, TheFirstViewInstalledIsCurrentAndTheButtonNamesTheOther)
{
    EXPECT_STREQ(lg->GetClassName(), "ListGridWindow");
    EXPECT_STREQ(lg->GetToggleButton()->GetTitle(), "Grid");
    lg->SetListView(list);
    lg->SetGridView(grid);
    EXPECT_EQ(lg->GetCurrentView(), list);
    EXPECT_TRUE(list->IsVisible());
    EXPECT_FALSE(grid->IsVisible());
    EXPECT_TRUE(SameRect(InParent(list), Rect{0, 32, 400, 300}));
    EXPECT_STREQ(lg->GetToggleButton()->GetTitle(), "Grid");
    EXPECT_EQ(WindowSystem::GetFocus(), lg->GetToggleButton());
    Button* b = lg->GetToggleButton();
    EXPECT_EQ(b->GetTabNext(), grid);
    EXPECT_EQ(grid->GetTabNext(), list);
    EXPECT_EQ(list->GetTabNext(), b);
}

TEST_F(ListGridTest, TogglingTwiceReturnsToTheFirstViewAndEmitsBothTimes)
{
    lg->SetListView(list);
    lg->SetGridView(grid);
    lg->GetToggleButton()->SetState(1, 0);  // a click
    EXPECT_EQ(lg->GetCurrentView(), grid);
    EXPECT_TRUE(grid->IsVisible());
    EXPECT_FALSE(list->IsVisible());
    EXPECT_STREQ(lg->GetToggleButton()->GetTitle(), "List");
    EXPECT_TRUE(SameRect(InParent(grid), Rect{0, 32, 400, 300}));
    EXPECT_EQ(WindowSystem::GetFocus(), grid);
    lg->ToggleView();
    EXPECT_EQ(lg->GetCurrentView(), list);
    EXPECT_STREQ(lg->GetToggleButton()->GetTitle(), "Grid");
    EXPECT_EQ(counter.n, 2);
}

TEST_F(ListGridTest, ResizingKeepsTheViewUnderTheBarAndTheButtonAtTheRight)
{
    lg->SetGridView(grid);
    EXPECT_STREQ(lg->GetToggleButton()->GetTitle(), "List");
    lg->SetSize(500, 250);
    EXPECT_TRUE(SameRect(InParent(grid), Rect{0, 32, 500, 250}));
    Rect b = InParent(lg->GetToggleButton());
    EXPECT_EQ(b.right, 499);
    EXPECT_EQ(b.top, 3);
    EXPECT_EQ(Window::SetFocus(lg, FOCUS_PROGRAM), reinterpret_cast<FocusAnswer>(grid));
    delete grid;  // a view deleted elsewhere is forgotten
    EXPECT_EQ(lg->GetCurrentView(), nullptr);
    lg->SetSize(300, 200);
}
