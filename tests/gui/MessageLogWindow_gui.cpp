// The log window as the sink of LogMessage: a page per category, level 0 recording quietly,
// level 1 showing the window, messages kept from before the window system existed.
#include <string>

#include "foundation/Log.h"
#include "foundation/String.h"
#include "gui/ListWindow.h"
#include "gui/MessageLogWindow.h"
#include "gui/SplitterWindow.h"
#include "TextBoxSupport.h"

namespace {

class LogWindowTest : public tbtest::TextBoxFixture {
protected:
    void SetUp() override
    {
        TextBoxFixture::SetUp();
        DiscardPendingLogMessages();
        previous = SetLogSink(nullptr, nullptr, &previousContext);
        InstallLogWindowSink();
    }
    void TearDown() override
    {
        SetLogSink(previous, previousContext);
        TextBoxFixture::TearDown();
        DiscardPendingLogMessages();
    }

    static std::string PageText(const char* category)
    {
        MessageLogWindow* w = GetLogWindow();
        if (!w) return "<no window>";
        LogCategory* c = w->FindCategory(category);
        if (!c) return "<no category>";
        String s;
        c->page->GetText(&s);
        return s.c_str();
    }
    static std::string Row(u32 i)
    {
        ListItem* item = GetLogWindow()->GetCategoryList()->ItemAtRow(i);
        return item && item->text ? item->text : "<none>";
    }
    static std::string SelectedRow()
    {
        ListItem* item = GetLogWindow()->GetCategoryList()->GetCurrentItem();
        return item && (item->flags & LIF_SELECTED) && item->text ? item->text : "<none>";
    }

    LogSink previous = nullptr;
    void* previousContext = nullptr;
};

TEST_F(LogWindowTest, MessagesAppendToTheirCategoryPageInOrder)
{
    LogMessage(0, "Codex", "first %d\n", 1);
    LogMessage(0, "Model Import", "other\n");
    LogMessage(0, "Codex", "second %s\n", "two");
    EXPECT_EQ(PageText("Codex"), "first 1\nsecond two\n");
    EXPECT_EQ(PageText("Model Import"), "other\n");
}

TEST_F(LogWindowTest, EachNewCategoryGetsARowInSortedOrderAndItsOwnPage)
{
    LogMessage(0, "UpRes 2 (b)", "x");
    LogMessage(0, "Codex", "y");
    LogMessage(0, "BuildCollection 1 (a)", "z");
    MessageLogWindow* w = GetLogWindow();
    ASSERT_TRUE(w);
    EXPECT_EQ(w->GetCategoryList()->GetItemCount(), 3u);
    EXPECT_EQ(Row(0), "BuildCollection 1 (a)");
    EXPECT_EQ(Row(1), "Codex");
    EXPECT_EQ(Row(2), "UpRes 2 (b)");
    EXPECT_NE(w->FindCategory("Codex")->page, w->FindCategory("UpRes 2 (b)")->page);
}

TEST_F(LogWindowTest, CategoriesCompareWithoutRegardToCase)
{
    LogMessage(0, "Codex", "a");
    LogMessage(0, "CODEX", "b");
    LogMessage(1, "codex", "c");
    EXPECT_EQ(GetLogWindow()->GetCategoryList()->GetItemCount(), 1u);
    EXPECT_EQ(PageText("cOdEx"), "abc");
    EXPECT_EQ(Row(0), "Codex");  // the first spelling names the row
}

TEST_F(LogWindowTest, LevelZeroRecordsWithoutShowingTheWindow)
{
    LogMessage(0, "Codex", "quiet");
    MessageLogWindow* w = GetLogWindow();
    ASSERT_TRUE(w);
    EXPECT_FALSE(w->IsVisible());
    EXPECT_STREQ(w->GetTitle(), "Log Viewer");
    // The new category is selected and its page shown, inside the hidden window.
    EXPECT_EQ(SelectedRow(), "Codex");
    EXPECT_EQ(w->GetShownPage(), w->FindCategory("Codex")->page);
    EXPECT_EQ(w->GetSplitter()->GetPane(1), w->GetShownPage());
}

TEST_F(LogWindowTest, LevelOneShowsTheWindowInFrontAndSelectsTheCategory)
{
    wtest::Probe* other = new wtest::Probe(wtest::kFramed, nullptr, "editor");
    other->SetFrameXYWH(10, 10, 200, 200);
    LogMessage(0, "Alpha", "a");
    LogMessage(0, "Beta", "b");
    other->BringToFront();
    LogMessage(2, "alpha", "look");
    MessageLogWindow* w = GetLogWindow();
    EXPECT_TRUE(w->IsVisible());
    EXPECT_EQ(Layer0()->GetFirstChild(), w);
    EXPECT_EQ(SelectedRow(), "Alpha");
    EXPECT_EQ(w->GetShownPage(), w->FindCategory("Alpha")->page);
    EXPECT_EQ(PageText("Alpha"), "alook");
}

TEST_F(LogWindowTest, TheSelectedRowFollowsThePageAnAppendShows)
{
    LogMessage(0, "Alpha", "a");
    LogMessage(0, "Beta", "b");
    LogMessage(0, "Alpha", "c");
    MessageLogWindow* w = GetLogWindow();
    EXPECT_EQ(w->GetShownPage(), w->FindCategory("Alpha")->page);
    EXPECT_EQ(SelectedRow(), "Alpha");
    // Choosing the other row in the list shows its page again.
    w->GetCategoryList()->SelectItem(w->FindCategory("Beta")->item, 0);
    EXPECT_EQ(w->GetShownPage(), w->FindCategory("Beta")->page);
    EXPECT_FALSE(w->FindCategory("Alpha")->page->GetParent());  // detached, still owned
    EXPECT_EQ(PageText("Alpha"), "ac");
}

TEST_F(LogWindowTest, ACategoryScrolledOutOfTheListIsStillFound)
{
    for (int i = 0; i < 60; ++i) {
        LogMessage(0, "cat", "%d", i);
        LogMessage(0, (std::string("C") + std::to_string(100 + i)).c_str(), "x");
    }
    MessageLogWindow* w = GetLogWindow();
    w->GetCategoryList()->SetVScrollPos(40);
    LogMessage(1, "C100", "again");
    EXPECT_EQ(PageText("C100"), "xagain");
    EXPECT_EQ(SelectedRow(), "C100");
    EXPECT_EQ(w->GetCategoryList()->GetItemCount(), 61u);
}

TEST_F(LogWindowTest, LongMessagesAreCutTo4095Bytes)
{
    std::string big(10000, 'q');
    LogMessage(0, "Codex", "%s%s", big.c_str(), "tail");
    std::string page = PageText("Codex");
    EXPECT_EQ(page.size(), 4095u);
    EXPECT_EQ(page, std::string(4095, 'q'));
    // LogText itself takes any length.
    LogText(0, "Raw", big.c_str());
    EXPECT_EQ(PageText("Raw").size(), 10000u);
}

TEST_F(LogWindowTest, NullCategoryAndTextCountAsEmpty)
{
    LogText(0, nullptr, nullptr);
    LogText(0, "", "x");
    EXPECT_EQ(GetLogWindow()->GetCategoryList()->GetItemCount(), 1u);
    EXPECT_EQ(PageText(""), "x");
}

TEST_F(LogWindowTest, ClosingHidesAndTheNextImportantMessageShowsEverythingAgain)
{
    LogMessage(1, "Codex", "one\n");
    MessageLogWindow* w = GetLogWindow();
    ASSERT_TRUE(w->IsVisible());
    EXPECT_EQ(w->TryClose(1), 0);  // the close box
    RunSteps(2);
    EXPECT_EQ(GetLogWindow(), w);
    EXPECT_FALSE(w->IsVisible());
    LogMessage(0, "Codex", "two\n");
    EXPECT_FALSE(w->IsVisible());
    LogMessage(1, "Codex", "three\n");
    EXPECT_TRUE(w->IsVisible());
    EXPECT_EQ(PageText("Codex"), "one\ntwo\nthree\n");
}

TEST_F(LogWindowTest, TheCloseBoxOnlyHides)
{
    ShowLogWindow();
    MessageLogWindow* w = GetLogWindow();
    ASSERT_TRUE(w && w->IsVisible());
    Rect box = w->GetTitleButtonRect(0);
    ASSERT_FALSE(box.IsEmpty());
    Point c = {w->GetFrameRect().left + (box.left + box.right) / 2, w->GetFrameRect().top + (box.top + box.bottom) / 2};
    Click(c.x, c.y);
    Run();
    RunSteps(2);
    EXPECT_EQ(GetLogWindow(), w);
    EXPECT_FALSE(w->IsVisible());
}

// The window takes no keyboard itself: a click on its title gives it to the page shown, or to
// the category list while there is none, so that Ctrl+W then hides it.
TEST_F(LogWindowTest, AClickOnTheTitleGivesItTheKeyboardAndCtrlWThenHidesIt)
{
    for (int withPage = 0; withPage < 2; ++withPage) {
        SCOPED_TRACE(withPage);
        FakeOsAdvanceTime(1.0);  // the second click is not a double click
        TextBox* field = MakeFocused(TEXTBOX_LINE);
        if (withPage)
            LogMessage(1, "Codex", "a");
        else
            ShowLogWindow();
        MessageLogWindow* w = GetLogWindow();
        ASSERT_TRUE(w && w->IsVisible());
        ASSERT_EQ(WindowSystem::GetFocus(), field);
        Rect f = w->GetFrameRect();
        MoveTo(f.left + 100, f.top + 8);
        Press();
        Release();
        Run();
        Window* want = withPage ? static_cast<Window*>(w->GetShownPage()) : w->GetCategoryList();
        EXPECT_EQ(WindowSystem::GetFocus(), want);
        Key(LIBKEY_LEFT_CONTROL);
        Key(LIBKEY_A + ('W' - 'A'));
        Key(LIBKEY_A + ('W' - 'A'), LIBACTION_RELEASE);
        Key(LIBKEY_LEFT_CONTROL, LIBACTION_RELEASE);
        Run();
        EXPECT_FALSE(w->IsVisible());
        w->Close();
        field->Close();
        RunSteps(2);
    }
}

TEST_F(LogWindowTest, TheQuitSequenceMayCloseItAndLaterMessagesGoToANewWindow)
{
    LogMessage(1, "Codex", "x");
    MessageLogWindow* w = GetLogWindow();
    EXPECT_NE(w->CanClose(0), 0);
    w->Close();
    LogMessage(0, "Codex", "after\n");
    MessageLogWindow* fresh = GetLogWindow();
    EXPECT_NE(fresh, w);
    RunSteps(2);  // the old one is deleted now
    EXPECT_EQ(GetLogWindow(), fresh);
    EXPECT_EQ(PageText("Codex"), "after\n");
}

TEST_F(LogWindowTest, ChoosingARowInTheVisibleWindowMovesTheFocusToItsPage)
{
    LogMessage(1, "Alpha", "a");
    LogMessage(1, "Beta", "b");
    MessageLogWindow* w = GetLogWindow();
    ListWindow* list = w->GetCategoryList();
    Window::SetFocus(list, FOCUS_CLICK);
    ASSERT_EQ(WindowSystem::GetFocus(), list);
    list->SelectItem(w->FindCategory("Alpha")->item, 0);
    EXPECT_EQ(w->GetShownPage(), w->FindCategory("Alpha")->page);
    EXPECT_EQ(WindowSystem::GetFocus(), w->GetShownPage());
}

TEST_F(LogWindowTest, ShowLogWindowMakesAndShowsAnEmptyWindow)
{
    EXPECT_FALSE(GetLogWindow());
    ShowLogWindow();
    MessageLogWindow* w = GetLogWindow();
    ASSERT_TRUE(w);
    EXPECT_TRUE(w->IsVisible());
    EXPECT_EQ(w->GetCategoryList()->GetItemCount(), 0u);
    EXPECT_EQ(w->GetFrameRect().Width(), 600);
    EXPECT_EQ(w->GetFrameRect().Height(), 256);
    // The splitter fills the window as it is resized.
    w->SetSize(700, 300);
    EXPECT_EQ(w->GetSplitter()->GetFrameRect().Width(), w->GetContentWidth());
    EXPECT_EQ(w->GetSplitter()->GetFrameRect().Height(), w->GetContentHeight());
}

TEST_F(LogWindowTest, AMessageAtLevelZeroDoesNotTakeTheKeyboardFocus)
{
    TextBox* field = MakeFocused(TEXTBOX_LINE);
    ASSERT_EQ(WindowSystem::GetFocus(), field);
    LogMessage(0, "Codex", "a");
    LogMessage(0, "Other", "b");
    LogMessage(1, "Codex", "c");
    EXPECT_EQ(WindowSystem::GetFocus(), field);
}

TEST_F(LogWindowTest, MessagesFromBeforeTheWindowSystemAreKeptAndShownWhenTheWindowIsMade)
{
    WindowSystem::Reset();  // no window system, as early in start-up
    LogMessage(0, "Codex", "early 1\n");
    LogMessage(1, "Codex", "early 2\n");
    LogMessage(0, "Later", "early 3\n");
    EXPECT_FALSE(GetLogWindow());
    WindowSystem::SetMetrics(WindowMetrics{4, 1, 22, 16, 14});
    WindowSystem::Init();
    WindowSystem::SetRunning(1);
    LogMessage(0, "Codex", "late\n");
    MessageLogWindow* w = GetLogWindow();
    ASSERT_TRUE(w);
    EXPECT_EQ(PageText("Codex"), "early 1\nearly 2\nlate\n");
    EXPECT_EQ(PageText("Later"), "early 3\n");
    EXPECT_TRUE(w->IsVisible());  // one kept message asked for attention
    EXPECT_EQ(DiscardPendingLogMessages(), 0u);
}

TEST_F(LogWindowTest, TheWindowGoesWithTheTreeAndANewOneIsMadeAfterwards)
{
    LogMessage(0, "Codex", "a");
    LogMessage(0, "Other", "b");  // leaves the Codex page detached
    ASSERT_TRUE(GetLogWindow());
    WindowSystem::Reset();
    EXPECT_FALSE(GetLogWindow());
    WindowSystem::Init();
    LogMessage(0, "Codex", "c");
    EXPECT_EQ(PageText("Codex"), "c");
}

}  // namespace
