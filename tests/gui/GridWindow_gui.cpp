// The grid window through the real window system behind the fake OS backend: metrics and
// zoom, hit testing, selection by mouse, keys and rubber band, drag start and drops.
#include <string>
#include <vector>

#include "WindowTestSupport.h"
#include "gui/GridWindow.h"

using namespace wtest;

namespace {

class GridTest : public WindowFixture {
protected:
    GridWindow* grid = nullptr;
    int changes = 0, contexts = 0, deletes = 0;
    std::vector<s32> dragStarts;
    std::vector<std::string> activated;
    std::vector<std::pair<u32, s32>> drops;
    int dropAnswer = 1;
    int ids[64];

    struct Listener : has_slots<void> {
        GridTest* t;
        void Changed() { ++t->changes; }
        void Context(Point) { ++t->contexts; }
    } listener;

    static GridTest* Self(void* c) { return static_cast<GridTest*>(c); }
    static void Draw(void*, const Rect&, void*) {}
    static void DragStart(void* c, GridWindow*, s32 item) { Self(c)->dragStarts.push_back(item); }
    static int Drop(void* c, GridWindow*, Window::DragDropData*, u32 phase, s32 item)
    {
        Self(c)->drops.push_back({phase, item});
        return Self(c)->dropAnswer;
    }
    static void Activate(void* c, void* data) { Self(c)->activated.push_back(std::to_string(*static_cast<int*>(data))); }
    static void Delete(void* c) { ++Self(c)->deletes; }

    // 4 columns of 96 + 8 spacing in 420 pixels; rows of 8 + 30 caption + 96.
    void Make(u32 style, u32 count = 10, s32 height = 300)
    {
        FakeOsSetTime(20.0);
        grid = new GridWindow(style, WF_VISIBLE | WF_ENABLED, nullptr);
        grid->SetFrameXYWH(0, 0, 420, height);
        grid->SetCaptionHeight(30);
        grid->SetItemCount(count);
        for (u32 i = 0; i < count && i < 64; ++i) {
            ids[i] = int(i);
            grid->SetItemUserData(i, &ids[i]);
        }
        grid->SetCallbackContext(this);
        grid->SetDrawItemCallback(Draw);
        grid->SetDragStartCallback(DragStart);
        grid->SetDropCallback(Drop);
        grid->SetActivateCallback(Activate);
        grid->SetDeleteCallback(Delete);
        listener.t = this;
        grid->selectionChanged.Connect<&Listener::Changed>(&listener);
        grid->contextRequested.Connect<&Listener::Context>(&listener);
        Window::SetFocus(grid, FOCUS_PROGRAM);
    }
    // A point on the item's image (when scrolled to the top).
    Point On(u32 index, s32 dx = 20, s32 dy = 20)
    {
        Rect r = grid->ImageRect(index);
        Rect c = grid->GetContentRect();
        return Point{c.left + r.left + dx, c.top + r.top + dy};
    }
    void ClickAt(Point p, int button = 0)
    {
        Click(p.x, p.y, button);
        Run();
    }
    std::string Selected()
    {
        std::string s;
        for (u32 i = 0; i < grid->GetItemCount(); ++i)
            if (grid->IsItemSelected(i)) s += (s.empty() ? "" : ",") + std::to_string(i);
        return s;
    }
    void Chord(int modifier, int key)
    {
        Key(modifier, LIBACTION_PRESS);
        Tap(key);
        Key(modifier, LIBACTION_RELEASE);
        Run();
    }
};

TEST_F(GridTest, MetricsFollowCellSizeSpacingAndCaptions)
{
    Make(GWS_MULTISELECT);
    EXPECT_EQ(grid->columnPitch, 104u);
    EXPECT_EQ(grid->rowPitch, 134u);
    EXPECT_EQ(grid->GetColumnCount(), 4u);
    EXPECT_EQ(grid->GetRowCount(), 3u);
    EXPECT_EQ(grid->GetVTotal(), 3 * 134);
    EXPECT_EQ(grid->GetLineStep(), 134u);
    grid->SetCellWidth(40);  // a pitch below 64: no captions, shorter rows
    EXPECT_EQ(grid->columnPitch, 48u);
    EXPECT_EQ(grid->captionInUse, 0u);
    EXPECT_EQ(grid->rowPitch, 104u);
    EXPECT_EQ(grid->GetColumnCount(), 8u);
    GridCell c = grid->IndexToCell(9);
    EXPECT_EQ(c.row, 1);
    EXPECT_EQ(c.column, 1);
    EXPECT_EQ(grid->CellToIndex(1, 1), 9);
}

TEST_F(GridTest, ZoomStopsBeforeCellsGetNarrowerThanSixteenPixelsAndBelowSixteenTimes)
{
    Make(0);
    grid->ZoomBy(1);
    EXPECT_NEAR(grid->zoom, 0.9, 1e-12);
    EXPECT_EQ(grid->zoomedWidth, 86u);  // 86.4 rounded
    for (int i = 0; i < 100; ++i) grid->ZoomBy(1);
    EXPECT_GE(grid->zoomedWidth, 16u);
    EXPECT_GT(grid->zoom, 0.1);
    double smallest = grid->zoom;
    grid->ZoomBy(1);
    EXPECT_EQ(grid->zoom, smallest);
    for (int i = 0; i < 200; ++i) grid->ZoomBy(-1);
    EXPECT_LT(grid->zoom, 16.0);
    EXPECT_GT(grid->zoom, 14.0);
    // Ctrl and the wheel zoom too.
    double before = grid->zoom;
    Key(LIBKEY_LEFT_CONTROL, LIBACTION_PRESS);
    MoveTo(50, 50);
    FakeOsScroll(0, -1);  // wheel down: old - new = 1, zooms out one step
    Key(LIBKEY_LEFT_CONTROL, LIBACTION_RELEASE);
    Run();
    EXPECT_NEAR(grid->zoom, before * 0.9, 1e-9);
}

TEST_F(GridTest, HitTestingCountsImagesButNotSpacingCaptionsOrMissingItems)
{
    Make(0, 10);
    Rect c = grid->GetContentRect();
    struct Case {
        s32 x, y, item;
    } cases[] = {
        {8, 8, 0},       // the image's first pixel
        {7, 20, -1},     // spacing left of it
        {20, 7, -1},     // spacing above it
        {20, 103, 0},    // the image's last row
        {20, 104, -1},   // the caption
        {112, 150, 5},   // row 1, column 1
        {320, 150, 7},   // row 1, column 3
        {420 - 4, 150, -1},  // right of the last column's pitch
        {112, 280, 9},   // row 2, column 1
        {216, 280, -1},  // row 2, column 2: past the last item
        {-3, 20, -1},    // outside the content
    };
    for (const Case& k : cases)
        EXPECT_EQ(grid->ItemAtPoint(Point{c.left + k.x, c.top + k.y}), k.item) << k.x << "," << k.y;
    grid->SetVScrollPos(100);
    EXPECT_EQ(grid->ItemAtPoint(Point{c.left + 112, c.top + 50}), 5);
    GridCell cell = grid->PointToCell(Point{c.left + 112, c.top + 50});
    EXPECT_EQ(cell.row, 1);
    EXPECT_EQ(cell.column, 1);
    EXPECT_EQ(cell.xOffset, 8);
    EXPECT_EQ(cell.yOffset, 16);
    cell = grid->PointToCell(Point{c.left - 50, c.top - 500});
    EXPECT_EQ(cell.row, 0);
    EXPECT_EQ(cell.column, 0);
    EXPECT_EQ(cell.xOffset, 0);
    EXPECT_EQ(cell.yOffset, 0);
}

TEST_F(GridTest, TableLayoutWithZeroColumnsNeitherDividesByZeroNorLosesItems)
{
    Make(0, 5);
    grid->SetColumnCount(0);
    EXPECT_EQ(grid->GetColumnCount(), 1u);
    EXPECT_EQ(grid->GetRowCount(), 5u);
    EXPECT_EQ(grid->IndexToCell(3).row, 3);
    grid->SetColumnCount(3);
    grid->SetColumnTitle(1, "B");
    grid->SetColumnTitle(7, "ignored");
    EXPECT_STREQ(grid->titles.data[1].c_str(), "B");
    EXPECT_EQ(grid->GetRowCount(), 2u);
    EXPECT_EQ(grid->GetHTotal(), 3 * 104);
    grid->SetRowNumbers(1, 1);
    EXPECT_EQ(grid->GetHTotal(), 3 * 104 + 16);
}

TEST_F(GridTest, ShrinkingTheItemsKeepsAnchorAndPressedItemInside)
{
    Make(GWS_MULTISELECT, 10);
    grid->Select(2);
    grid->Select(8);
    grid->pressedItem = 9;
    grid->pressArmed = 1;
    grid->SetItemCount(5);
    EXPECT_EQ(grid->GetAnchor(), 2);
    EXPECT_EQ(grid->pressedItem, -1);
    EXPECT_EQ(grid->pressArmed, 0u);
    grid->SetItemCount(1);
    EXPECT_EQ(grid->GetAnchor(), -1);
    grid->SetItemCount(3);
    EXPECT_EQ(grid->items.data[2].captionColor, 0xFFFFFFFFu);
    EXPECT_FALSE(grid->IsItemSelected(2));
}

TEST_F(GridTest, ClicksSelectOnReleaseAndShiftCtrlAndRightClicksFollowTheirRules)
{
    Make(GWS_MULTISELECT);
    ClickAt(On(1));
    EXPECT_EQ(Selected(), "1");
    Key(LIBKEY_LEFT_SHIFT, LIBACTION_PRESS);
    ClickAt(On(6));
    Key(LIBKEY_LEFT_SHIFT, LIBACTION_RELEASE);
    Run();
    EXPECT_EQ(Selected(), "1,2,3,4,5,6");
    EXPECT_EQ(grid->GetAnchor(), 1);  // the earlier anchor stays
    Key(LIBKEY_LEFT_CONTROL, LIBACTION_PRESS);
    ClickAt(On(3));  // selected: deselected
    ClickAt(On(9));  // added
    Key(LIBKEY_LEFT_CONTROL, LIBACTION_RELEASE);
    Run();
    EXPECT_EQ(Selected(), "1,2,4,5,6,9");
    ClickAt(On(5), 1);  // right click on a selected item keeps the selection
    EXPECT_EQ(Selected(), "1,2,4,5,6,9");
    EXPECT_EQ(contexts, 1);
    ClickAt(On(5));  // a plain click on a selected item selects it alone
    EXPECT_EQ(Selected(), "5");
    Rect c = grid->GetContentRect();
    ClickAt(Point{c.left + 3, c.top + 3});  // empty space
    EXPECT_EQ(Selected(), "");
    EXPECT_EQ(grid->GetAnchor(), -1);
}

TEST_F(GridTest, OnlyALeftDoubleClickActivatesAndADoubleRightClickAsksForTheMenuTwice)
{
    Make(GWS_MULTISELECT);
    ClickAt(On(4), 1);
    ClickAt(On(4), 1);
    EXPECT_TRUE(activated.empty());
    EXPECT_EQ(contexts, 2);
    EXPECT_EQ(Selected(), "4");
    FakeOsAdvanceTime(1.0);
    ClickAt(On(2));
    ClickAt(On(2));
    EXPECT_EQ(activated, std::vector<std::string>{"2"});
}

TEST_F(GridTest, SingleSelectionKeepsOneItem)
{
    Make(0);
    ClickAt(On(1));
    ClickAt(On(4));
    EXPECT_EQ(Selected(), "4");
    grid->SelectRange(2, 7);
    EXPECT_EQ(Selected(), "7");
    EXPECT_EQ(grid->GetAnchor(), 7);
}

TEST_F(GridTest, DraggingAPressedItemPastThreePixelsStartsADrag)
{
    Make(GWS_MULTISELECT);
    grid->Select(2);
    Point p = On(2);
    MoveTo(p.x, p.y);
    Press();
    FakeOsEndStep();
    MoveTo(p.x + 2, p.y + 1);  // 3: not yet
    FakeOsEndStep();
    Run();
    EXPECT_TRUE(dragStarts.empty());
    MoveTo(p.x + 3, p.y + 1);
    Run();
    EXPECT_EQ(dragStarts, std::vector<s32>{2});
    MoveTo(p.x + 30, p.y + 1);
    Release();
    Run();
    EXPECT_EQ(dragStarts.size(), 1u);
    EXPECT_EQ(Selected(), "2");  // pressing did not change the selection
}

TEST_F(GridTest, TheRubberBandSelectsTheImagesItTouchesAndCtrlTogglesThem)
{
    Make(GWS_MULTISELECT, 12, 420);
    Rect c = grid->GetContentRect();
    MoveTo(c.left + 3, c.top + 3);
    Press();
    FakeOsEndStep();
    MoveTo(c.left + 104 + 20, c.top + 134 + 20);  // into item 5's image
    FakeOsEndStep();
    FakeOsEndStep();
    Run();
    EXPECT_TRUE(grid->bandActive);
    EXPECT_EQ(Selected(), "0,1,4,5");
    MoveTo(c.left + 104 + 4, c.top + 134 + 20);  // back to the spacing left of item 5
    FakeOsEndStep();
    Release();
    Run();
    EXPECT_FALSE(grid->bandActive);
    EXPECT_EQ(Selected(), "0,4");

    Key(LIBKEY_LEFT_CONTROL, LIBACTION_PRESS);
    MoveTo(c.left + 3, c.top + 3);
    Press();
    FakeOsEndStep();
    MoveTo(c.left + 104 + 20, c.top + 20);  // over items 0 and 1
    FakeOsEndStep();
    FakeOsEndStep();
    Run();
    EXPECT_EQ(grid->items.data[1].flags, u32(GRID_MARKED));
    Release();
    Key(LIBKEY_LEFT_CONTROL, LIBACTION_RELEASE);
    Run();
    EXPECT_EQ(Selected(), "1,4");  // 0 toggled off, 1 on
    EXPECT_EQ(grid->items.data[0].flags & GRID_MARKED, 0u);
}

TEST_F(GridTest, KeysMoveTheAnchorAcrossRowsAndColumns)
{
    Make(GWS_MULTISELECT, 10, 150);
    Tap(LIBKEY_UP);  // no anchor: nothing
    Tap(LIBKEY_LEFT);
    Run();
    EXPECT_EQ(Selected(), "");
    Tap(LIBKEY_DOWN);  // no anchor: the first item
    Run();
    EXPECT_EQ(Selected(), "0");
    Tap(LIBKEY_LEFT);  // first column: the anchor alone
    Tap(LIBKEY_UP);    // first row: nothing
    Run();
    EXPECT_EQ(Selected(), "0");
    Tap(LIBKEY_RIGHT);
    Tap(LIBKEY_DOWN);
    Run();
    EXPECT_EQ(Selected(), "5");
    EXPECT_EQ(grid->GetVScrollPos(), 134 + 134 - grid->GetVPageSize());
    Tap(LIBKEY_DOWN);  // 9 exists
    Tap(LIBKEY_DOWN);  // 13 does not
    Run();
    EXPECT_EQ(Selected(), "9");
    Tap(LIBKEY_UP);
    Run();
    Key(LIBKEY_LEFT_SHIFT, LIBACTION_PRESS);
    Key(LIBKEY_LEFT_ALT, LIBACTION_PRESS);
    Tap(LIBKEY_RIGHT);  // the rest of the row
    Key(LIBKEY_LEFT_ALT, LIBACTION_RELEASE);
    Key(LIBKEY_LEFT_SHIFT, LIBACTION_RELEASE);
    Run();
    EXPECT_EQ(Selected(), "5,6,7");
    EXPECT_EQ(grid->GetAnchor(), 7);
    Chord(LIBKEY_LEFT_ALT, LIBKEY_LEFT);  // without Shift: only the row's first item
    EXPECT_EQ(Selected(), "4");
    Chord(LIBKEY_LEFT_CONTROL, LIBKEY_A);
    EXPECT_EQ(Selected(), "0,1,2,3,4,5,6,7,8,9");
    EXPECT_EQ(grid->GetAnchor(), 0);
    grid->Deselect(4);
    Tap(LIBKEY_ENTER);
    Tap(LIBKEY_DELETE);
    Run();
    EXPECT_EQ(activated, (std::vector<std::string>{"0", "1", "2", "3", "5", "6", "7", "8", "9"}));
    EXPECT_EQ(deletes, 1);
}

TEST_F(GridTest, DropsGoToItemsAndHoveringNearEdgesScrolls)
{
    Make(GWS_MULTISELECT, 40, 300);
    Window::DragDropData data(7);
    grid->SetVScrollPos(300);
    Rect c = grid->GetContentRect();
    EXPECT_EQ(grid->DragDrop(On(20), 1, &data), 0) << "item 20 is scrolled away; the point lies elsewhere";
    drops.clear();
    Point onItem = {c.left + 112 + 10, c.top + 40};
    s32 item = grid->ItemAtPoint(onItem);
    ASSERT_GE(item, 0);
    EXPECT_EQ(grid->DragDrop(onItem, 1, &data), 1);
    EXPECT_FALSE(grid->edgeScroll);
    dropAnswer = 0;
    EXPECT_EQ(grid->DragDrop(onItem, 0, &data), 0);
    ASSERT_EQ(drops.size(), 2u);
    EXPECT_EQ(drops[1], (std::pair<u32, s32>{0, item}));
    EXPECT_EQ(grid->DragDrop(Point{c.left + 3, c.top + 60}, 1, &data), 0);  // spacing: refused
    EXPECT_EQ(drops.size(), 2u);

    // The top-left corner scrolls up and left; a third edge or Shift stops it.
    grid->DragDrop(Point{c.left + 5, c.top + 5}, 1, &data);
    EXPECT_TRUE(grid->edgeScroll);
    EXPECT_EQ(grid->edgeV, -1);
    EXPECT_EQ(grid->edgeH, -1);
    grid->DragDrop(Point{c.left + 200, c.bottom - 3}, 1, &data);
    EXPECT_TRUE(grid->edgeScroll);
    EXPECT_EQ(grid->edgeV, 1);
    EXPECT_EQ(grid->edgeH, 0);
    Key(LIBKEY_LEFT_SHIFT, LIBACTION_PRESS);
    Run();
    grid->DragDrop(Point{c.left + 5, c.top + 5}, 1, &data);
    EXPECT_FALSE(grid->edgeScroll);
    Key(LIBKEY_LEFT_SHIFT, LIBACTION_RELEASE);
    Run();
    grid->SetDropCallback(nullptr);
    EXPECT_EQ(grid->DragDrop(onItem, 1, &data), 0);
}

TEST_F(GridTest, EdgeScrollingStepsEveryThirdOfASecondWhileTheMouseIsCaptured)
{
    Make(GWS_MULTISELECT, 40, 300);
    grid->SetVScrollPos(500);
    Window::DragDropData data(7);
    grid->DragDrop(Point{grid->GetContentRect().left + 200, grid->GetContentRect().top + 5}, 1, &data);
    ASSERT_TRUE(grid->edgeScroll);
    ASSERT_TRUE(grid->BeginTracking(nullptr));  // something holds the mouse, as during a drag
    FakeOsAdvanceTime(0.4);
    RunSteps(1);
    EXPECT_EQ(grid->GetVScrollPos(), 500 - 134);
    RunSteps(1);  // no time passed
    EXPECT_EQ(grid->GetVScrollPos(), 500 - 134);
    FakeOsAdvanceTime(0.34);
    RunSteps(1);
    EXPECT_EQ(grid->GetVScrollPos(), 500 - 2 * 134);
    Release();
    Run();
}

}  // namespace
