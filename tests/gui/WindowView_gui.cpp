// The window spy: the window tree with titles, class names and addresses, rebuilt on F5, and
// its placement kept in the preferences.
#include <cstdio>
#include <string>

#include "foundation/PrefStore.h"
#include "gui/Button.h"
#include "gui/ListWindow.h"
#include "gui/WindowView.h"
#include "WindowTestSupport.h"

namespace {

class WindowSpyTest : public wtest::WindowFixture {
protected:
    void SetUp() override
    {
        WindowFixture::SetUp();
        ResetPrefs();
    }
    void TearDown() override
    {
        WindowFixture::TearDown();
        ResetPrefs();
    }

    static const WindowViewRow* RowOf(ListItem* item) { return static_cast<const WindowViewRow*>(item->userData); }
    static std::string Cell(ListWindow* list, ListItem* item, u32 column)
    {
        char text[128];
        ListWindow::FormatColumnValue(list->GetColumn(column),
                                      static_cast<const char*>(item->userData) + list->GetColumn(column)->recordOffset,
                                      text, sizeof text);
        return text;
    }
    // The rows in visible order as "depth title class".
    static std::vector<std::string> Rows(ListWindow* list)
    {
        std::vector<std::string> out;
        for (ListItem* i = list->GetFirstItem(); i; i = ListWindow::NextRow(i))
            out.push_back(std::to_string(i->depth) + " " + Cell(list, i, 0) + " " + Cell(list, i, 1));
        return out;
    }
    static ::testing::AssertionResult SameRectFrame(Window* w, const Rect& r)
    {
        return wtest::SameRect(w->GetFrameInParent(), r);
    }
    static ListItem* ItemFor(ListWindow* list, Window* w)
    {
        for (ListItem* i = list->GetFirstItem(); i; i = ListWindow::NextRow(i))
            if (RowOf(i)->window == w) return i;
        return nullptr;
    }
};

TEST_F(WindowSpyTest, ListsTheTreeWithTitlesAndClassNamesFrontMostFirst)
{
    wtest::Probe* back = new wtest::Probe(wtest::kFramed, nullptr, "back");
    wtest::Probe* front = new wtest::Probe(wtest::kFramed, nullptr, "front");
    new wtest::Probe(WF_VISIBLE, back, "child");
    Window* untitled = new Window(WF_VISIBLE, front);
    untitled->SetTitle("");
    front->BringToFront();
    WindowView* spy = ShowWindowSpy();
    ASSERT_TRUE(spy);
    EXPECT_STREQ(spy->GetTitle(), "Window Spy");
    EXPECT_STREQ(spy->GetClassName(), "WindowView");
    ListWindow* list = spy->GetList();
    ASSERT_EQ(list->GetColumnCount(), 3u);
    EXPECT_STREQ(list->GetColumn(0)->title, "Text");
    EXPECT_STREQ(list->GetColumn(1)->title, "Class");
    EXPECT_STREQ(list->GetColumn(2)->title, "Address");
    // The root and the layers are open; the spy itself is the front-most window, collapsed.
    std::vector<std::string> rows = Rows(list);
    ASSERT_EQ(rows.size(), 6u);
    EXPECT_EQ(rows[0], "0 root Window");
    EXPECT_EQ(rows[1], "1 layer1 Window");
    EXPECT_EQ(rows[2], "1 layer0 Window");
    EXPECT_EQ(rows[3], "2 Window Spy WindowView");
    EXPECT_EQ(rows[4], "2 front Probe");
    EXPECT_EQ(rows[5], "2 back Probe");
    // Opened, a window shows its children, an untitled one as "(unnamed)".
    list->ExpandItem(ItemFor(list, front));
    list->ExpandItem(ItemFor(list, back));
    rows = Rows(list);
    ASSERT_EQ(rows.size(), 8u);
    EXPECT_EQ(rows[5], "3 (unnamed) Window");
    EXPECT_EQ(rows[7], "3 child Probe");
    EXPECT_TRUE(ItemFor(list, front)->flags & LIF_EXPANDABLE);
    EXPECT_FALSE(ItemFor(list, untitled)->flags & LIF_EXPANDABLE);
}

TEST_F(WindowSpyTest, TheAddressColumnShowsTheWholePointer)
{
    WindowView* spy = ShowWindowSpy();
    ListWindow* list = spy->GetList();
    EXPECT_EQ(list->GetColumn(2)->size, sizeof(void*));
    for (ListItem* i = list->GetFirstItem(); i; i = ListWindow::NextRow(i)) {
        char expected[64];
        snprintf(expected, sizeof expected, "0x%llx", (unsigned long long)(uintptr_t)RowOf(i)->window);
        EXPECT_EQ(Cell(list, i, 2), expected);
    }
    // The columns read the record at the offsets their sizes give.
    EXPECT_EQ(list->GetColumn(1)->recordOffset, offsetof(WindowViewRow, className));
    EXPECT_EQ(list->GetColumn(2)->recordOffset, offsetof(WindowViewRow, window));
}

TEST_F(WindowSpyTest, F5RebuildsTheSnapshotAndShowsADialogUnderThePopupLayer)
{
    WindowView* spy = ShowWindowSpy();
    ListWindow* list = spy->GetList();
    u32 before = list->GetItemCount();
    wtest::Probe* dialog = new wtest::Probe(wtest::kFramed | WF_POPUP, nullptr, "Dialog");
    EXPECT_EQ(list->GetItemCount(), before);  // a snapshot until asked
    Window::SetFocus(list, FOCUS_PROGRAM);
    Tap(LIBKEY_F1 + 4);
    Run();
    ListItem* item = ItemFor(list, dialog);
    ASSERT_TRUE(item);
    EXPECT_EQ(RowOf(item->parent)->window, Layer1());
    EXPECT_EQ(list->GetItemCount(), before + 1);
    // Closing it and rebuilding drops the row again.
    dialog->Close();
    RunSteps(2);
    Tap(LIBKEY_F1 + 4);
    Run();
    EXPECT_FALSE(ItemFor(list, dialog));
    EXPECT_EQ(list->GetItemCount(), before);
}

TEST_F(WindowSpyTest, OtherKeysPassThrough)
{
    WindowView* spy = ShowWindowSpy();
    Event e = {};
    e.type = EVENT_KEY;
    e.data[0] = KEY_F1 + 5;
    e.data[1] = 1;
    EXPECT_EQ(spy->KeyEvent(&e), 0);
    e.data[0] = KEY_F1 + 4;
    EXPECT_EQ(spy->KeyEvent(&e), 1);
}

TEST_F(WindowSpyTest, ShowingItAgainBringsTheSameSpyToTheFront)
{
    WindowView* spy = ShowWindowSpy();
    wtest::Probe* other = new wtest::Probe(wtest::kFramed, nullptr, "other");
    other->BringToFront();
    EXPECT_EQ(ShowWindowSpy(), spy);
    EXPECT_EQ(Layer0()->GetFirstChild(), spy);
    // Once closed, a new one is made.
    spy->Close();
    WindowView* second = ShowWindowSpy();
    EXPECT_NE(second, spy);
    RunSteps(2);
    EXPECT_EQ(WindowSystem::FindWindow("Window Spy", "WindowView"), second);
}

TEST_F(WindowSpyTest, ItsPlacementIsKeptAcrossClosing)
{
    WindowView* spy = ShowWindowSpy();
    EXPECT_EQ(spy->GetFrameWidth(), 512);
    EXPECT_EQ(spy->GetFrameHeight(), 700);
    spy->SetFrameXYWH(40, 50, 300, 200);
    EXPECT_EQ(spy->GetList()->GetFrameWidth(), spy->GetContentWidth());
    EXPECT_EQ(spy->GetList()->GetFrameHeight(), spy->GetContentHeight());
    WindowWatch watch(spy);
    EXPECT_NE(spy->TryClose(1), 0);
    RunSteps(2);
    EXPECT_FALSE(watch.IsAlive()) << "closing deletes the spy; the next one is a new window";
    String kept;
    ASSERT_TRUE(GetPrefString("WindowSpyPlacement", &kept));
    EXPECT_STREQ(kept.c_str(), "0 40 50 340 250");
    WindowView* again = ShowWindowSpy();
    EXPECT_TRUE(SameRectFrame(again, Rect{40, 50, 340, 250}));
}

}  // namespace
