// Combo boxes behind the fake OS backend: layout, items, and the drop-down list run as a modal
// loop by scripted mouse and keys. A synthetic font makes characters 6 px wide and a line 14
// px high, so the field is 16 high (its minimum) and a list row 14.
#include <string>
#include <vector>

#include "StateWatchSupport.h"
#include "gui/ComboBox.h"

using namespace wtest;

namespace {

constexpr s32 kField = 16;
constexpr s32 kRow = 14;

std::string FieldText(ComboBox* c)
{
    String s;
    c->field->GetText(&s);
    return s.c_str() ? s.c_str() : "";
}

// The combo box's state: open or closed, frame top, field text, selected field text, the list's
// current item.
std::string Snapshot(ComboBox* c)
{
    String sel;
    c->field->GetSelectedText(&sel);
    ListItem* cur = c->list->GetCurrentItem();
    return std::string(c->IsExpanded() ? "open" : "closed") + " y" + std::to_string(c->GetFrameRect().top) + " '" +
           FieldText(c) + "' sel'" + (sel.c_str() ? sel.c_str() : "") + "' cur " +
           (cur && cur->text ? cur->text : "-");
}

class ComboTest : public StateWatchFixture {
protected:
    void SetUp() override
    {
        StateWatchFixture::SetUp();
        listener.t = this;
    }
    struct Listener : has_slots<void> {
        ComboTest* t;
        void Changed(ListItem* item, u32 data) { t->changes.push_back(std::string(item->text) + "=" + std::to_string(data)); }
    } listener;

    // A combo box at (x, y) of the normal layer with apple=10, banana=20, blueberry=30.
    ComboBox* Make(u32 options, s32 x = 100, s32 y = 100)
    {
        ComboBox* c = new ComboBox(nullptr, options);
        c->MoveTo(x, y);
        c->AddItem(10, "apple", 0);
        c->AddItem(20, "banana", 0);
        c->AddItem(30, "blueberry", 0);
        c->SetVisibleRows(3, 0);
        c->selectionChanged.Connect<&Listener::Changed>(&listener);
        Watch([c] { return Snapshot(c); });
        return c;
    }
    void ClickStep(int x, int y)
    {
        MoveTo(x, y);
        FakeOsEndStep();
        Press();
        FakeOsEndStep();
        Release();
        FakeOsEndStep();
    }
    void KeyStep(int libKey)
    {
        Key(libKey, LIBACTION_PRESS);
        Key(libKey, LIBACTION_RELEASE);
        FakeOsEndStep();
    }
    void CharStep(char c)
    {
        Key(c - 32, LIBACTION_PRESS);
        FakeOsChar(unsigned(c), 0);
        Key(c - 32, LIBACTION_RELEASE);
        FakeOsEndStep();
    }
    // The first state that is open, or "".
    std::string FirstOpen()
    {
        for (const std::string& s : States())
            if (s.compare(0, 4, "open") == 0) return s;
        return "";
    }
    // A step with no input: the loop a step opened shows its first state.
    void Idle() { FakeOsEndStep(); }

    std::vector<std::string> changes;
};

TEST_F(ComboTest, AFreshComboBoxIsAFieldAndAnArrowOverAHiddenList)
{
    ComboBox* c = new ComboBox(nullptr, 0);
    EXPECT_STREQ(c->GetClassName(), "ComboBox");
    EXPECT_EQ(c->GetFlags(), u32(0x8103));
    EXPECT_STREQ(c->field->GetTitle(), "ComboBox Textfield");
    EXPECT_STREQ(c->arrowButton->GetTitle(), "ComboBox Button");
    EXPECT_STREQ(c->list->GetTitle(), "ComboBox List");
    EXPECT_FALSE(c->list->IsVisible());
    EXPECT_FALSE(c->list->TestFlags(WF_FOCUSABLE));
    EXPECT_EQ(c->GetContentSize().width, 178);
    EXPECT_EQ(c->GetContentSize().height, kField);
    EXPECT_TRUE(SameRect(c->field->GetFrameInParent(), Rect{0, 0, 164, kField}));
    EXPECT_TRUE(SameRect(c->arrowButton->GetFrameInParent(), Rect{164, 0, 178, kField}));
    c->SetEnabled(0);
    EXPECT_FALSE(c->field->IsEnabled());
    EXPECT_FALSE(c->arrowButton->IsEnabled());
    EXPECT_FALSE(c->list->IsEnabled());
}

TEST_F(ComboTest, ItemsAreSelectedByDataWithoutTellingListeners)
{
    ComboBox* c = Make(0);
    c->AddItem(5, "first", 1);
    EXPECT_STREQ(c->GetTopItem()->text, "first");
    EXPECT_EQ(c->GetSelectedData(), 0u);
    c->SelectByData(20);
    EXPECT_EQ(c->GetSelectedData(), 20u);
    EXPECT_EQ(FieldText(c), "banana");
    c->SelectByData(99);  // none: nothing changes
    EXPECT_EQ(c->GetSelectedData(), 20u);
    EXPECT_TRUE(changes.empty());
    c->Clear();
    EXPECT_EQ(c->GetSelectedData(), 0u);
    EXPECT_EQ(FieldText(c), "");
    EXPECT_EQ(c->GetTopItem(), nullptr);
}

TEST_F(ComboTest, VisibleRowsAreLimitedByTheItemsAndFitWidthFollowsTheWidestText)
{
    ComboBox* c = Make(0);
    struct Case {
        u32 rows;
        s32 height;
    } cases[] = {{10, 4 * kRow}, {2, 2 * kRow}, {0, kRow}};
    for (const Case& k : cases) {
        c->SetVisibleRows(k.rows, 0);
        EXPECT_EQ(c->list->GetFrameHeight(), k.height) << k.rows;
    }
    c->SetVisibleRows(3, 1);
    EXPECT_EQ(c->GetContentSize().width, 9 * 6 + 18);
}

TEST_F(ComboTest, TheArrowDropsTheListDownAndAClickOnARowChoosesIt)
{
    ComboBox* c = Make(0);
    ClickStep(100 + 170, 108);
    ClickStep(120, 100 + kField + kRow + 7);  // banana
    Run();
    EXPECT_EQ(FirstOpen(), "open y100 '' sel'' cur banana");
    EXPECT_EQ(States().back(), "closed y100 'banana' sel'' cur banana");
    EXPECT_EQ(changes.back(), "banana=20");
    EXPECT_EQ(c->GetSelectedData(), 20u);
    EXPECT_FALSE(c->list->IsVisible());
    EXPECT_FALSE(c->TestFlags(WF_SHADOW));
    EXPECT_EQ(c->GetContentSize().height, kField);
    EXPECT_EQ(c->arrowButton->GetButtonState(), u32(BUTTON_NORMAL));
    EXPECT_EQ(WindowSystem::GetModalDepth(), 0u);
}

TEST_F(ComboTest, NearTheBottomTheListOpensUpwardsAndTheBoxReturnsWhenItCloses)
{
    ComboBox* c = Make(0, 100, 560);
    ClickStep(100 + 170, 568);
    Idle();
    KeyStep(LIBKEY_ESCAPE);
    Run();
    EXPECT_EQ(FirstOpen().substr(0, 9), "open y518");
    EXPECT_EQ(States().back().substr(0, 11), "closed y560");
    EXPECT_EQ(c->GetFrameRect().top, 560);
    EXPECT_TRUE(SameRect(c->field->GetFrameInParent(), Rect{0, 0, 164, kField}));
}

TEST_F(ComboTest, EscKeepsTheItemThatIsCurrentInTheList)
{
    ComboBox* c = Make(0);
    c->SelectByData(10);
    Window::SetFocus(c, FOCUS_PROGRAM);
    KeyStep(LIBKEY_DOWN);  // opens
    Idle();
    KeyStep(LIBKEY_DOWN);  // banana
    KeyStep(LIBKEY_ESCAPE);
    Run();
    EXPECT_EQ(States(), (std::vector<std::string>{"open y100 'apple' sel'' cur apple",
                                                  "open y100 'apple' sel'' cur banana",
                                                  "closed y100 'banana' sel'' cur banana"}));
    EXPECT_EQ(changes, (std::vector<std::string>{"banana=20"}));
}

TEST_F(ComboTest, AClickOutsideClosesTheListAndReachesTheWindowUnderThePointer)
{
    Probe* below = new Probe(kFramed, nullptr, "below");
    below->SetFrameXYWH(400, 300, 200, 200);
    ComboBox* c = Make(0);
    c->BringToFront();
    ClickStep(100 + 170, 108);
    ClickStep(500, 400);
    Log().clear();
    Run();
    EXPECT_EQ(LogFor("below:press"), (std::vector<std::string>{"below:press 500,400 b0"}));
    EXPECT_FALSE(c->IsExpanded());
    EXPECT_EQ(WindowSystem::GetModalDepth(), 0u);
}

TEST_F(ComboTest, TypingInAnEditableComboBoxOpensTheListOnTheClosestItemKeepingTheTypedText)
{
    ComboBox* c = Make(COMBO_EDITABLE);
    Window::SetFocus(c, FOCUS_PROGRAM);
    EXPECT_EQ(WindowSystem::GetFocus(), c->field);
    CharStep('b');
    Idle();
    CharStep('l');
    KeyStep(LIBKEY_ENTER);
    Run();
    EXPECT_EQ(States(), (std::vector<std::string>{"open y100 'b' sel'' cur banana", "open y100 'bl' sel'' cur blueberry",
                                                  "closed y100 'blueberry' sel'blueberry' cur blueberry"}));
    EXPECT_EQ(changes, (std::vector<std::string>{"banana=20", "blueberry=30"}));
    EXPECT_EQ(c->GetSelectedData(), 30u);
}

TEST_F(ComboTest, TheArrowClosesAnOpenListAgain)
{
    ComboBox* c = Make(0);
    ClickStep(100 + 170, 108);
    Idle();
    ClickStep(100 + 170, 108);
    Run();
    EXPECT_EQ(FirstOpen().substr(0, 4), "open");
    EXPECT_FALSE(c->IsExpanded());
    EXPECT_EQ(c->arrowButton->GetButtonState(), u32(BUTTON_NORMAL));
    EXPECT_EQ(WindowSystem::GetModalDepth(), 0u);
}

TEST_F(ComboTest, TabClosesTheListAndMovesTheFocusAlongTheTabOrder)
{
    ComboBox* c = Make(0);
    Probe* next = new Probe(kFramed | WF_FOCUSABLE, nullptr, "next");
    next->SetFrameXYWH(400, 300, 100, 100);
    Window::LinkTabOrder(c, next);
    Window::LinkTabOrder(next, c);
    Window::SetFocus(c, FOCUS_PROGRAM);
    KeyStep(LIBKEY_DOWN);
    Idle();
    KeyStep(LIBKEY_TAB);
    Run();
    EXPECT_EQ(FirstOpen().substr(0, 4), "open");
    EXPECT_FALSE(c->IsExpanded());
    EXPECT_EQ(WindowSystem::GetFocus(), next);
    EXPECT_EQ(WindowSystem::GetModalDepth(), 0u);
}

// The owner closes the combo box as soon as a row is picked, while the drop-down's loop still
// runs: the loop ends and nothing touches the deleted combo box afterwards.
TEST_F(ComboTest, AComboBoxClosedByItsOwnSelectionSlotWhileOpenEndsItsLoopCleanly)
{
    struct Closer : has_slots<void> {
        ComboBox* combo = nullptr;
        int calls = 0;
        void Changed(ListItem*, u32)
        {
            ++calls;
            StopWatching();
            if (combo) combo->Close();
            combo = nullptr;
        }
    } closer;
    ComboBox* c = Make(0);
    closer.combo = c;
    c->selectionChanged.Connect<&Closer::Changed>(&closer);
    ClickStep(100 + 170, 108);
    ClickStep(120, 100 + kField + kRow + 7);
    Run();
    RunSteps(3);
    EXPECT_EQ(closer.calls, 1);
    EXPECT_EQ(WindowSystem::GetModalDepth(), 0u);
    EXPECT_EQ(WindowSystem::FindWindow("ComboBox Textfield", nullptr), nullptr);
}

}  // namespace
