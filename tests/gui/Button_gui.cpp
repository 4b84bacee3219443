// Buttons and check boxes: the state machine driven by programs, the mouse and the keyboard,
// and the click signals. Runs headless through the fake OS backend.
#include "WindowTestSupport.h"
#include "gui/Button.h"
#include "gui/Skin.h"

using namespace wtest;

namespace {

struct Clicks : public has_slots<> {
    std::vector<int> ids;
    int plain = 0;
    void OnId(s32 id) { ids.push_back(id); }
    void OnClick() { ++plain; }
    void Watch(Button* b)
    {
        b->clickedWithId.Connect<&Clicks::OnId>(this);
        b->clicked.Connect<&Clicks::OnClick>(this);
    }
};

class ButtonTest : public WindowFixture {
protected:
    void SetUp() override
    {
        WindowFixture::SetUp();
        // Button caps 10 + 24 + 12 by 20; a 16 x 15 check box.
        TexturePack* pack = NewTexturePack();
        AddPackImage(pack, 6, 10, 20, nullptr);
        AddPackImage(pack, 8, 12, 20, nullptr);
        AddPackImage(pack, 12, 16, 15, nullptr);
        InstallSkinPack(pack);
        panel = new Probe(kFramed, nullptr, "panel");
        panel->SetFrameXYWH(0, 0, 400, 300);  // content {4,30,396,296}
        push = new Button(panel, 7);
        push->SetTitle("Push");
        push->SetFrameXYWH(10, 10, 80, 24);  // screen {14,40,94,64}
        check = new CheckBox(panel, 8);
        check->SetTitle("Check");
        check->SetFrameXYWH(10, 50, 120, 20);  // screen {14,80,134,100}
        clicks.Watch(push);
        checkClicks.Watch(check);
        Log().clear();
    }
    void TearDown() override
    {
        WindowFixture::TearDown();
        InstallSkinPack(nullptr);
    }
    Probe* panel;
    Button* push;
    CheckBox* check;
    Clicks clicks;
    Clicks checkClicks;
};

}  // namespace

TEST_F(ButtonTest, ClassNamesAndStylesAreThoseOfTheWidgets)
{
    EXPECT_STREQ(push->GetClassName(), "Button");
    EXPECT_STREQ(check->GetClassName(), "CheckBox");
    EXPECT_EQ(push->GetFlags(), 0x8003u);
    EXPECT_EQ(check->GetFlags(), 0x8003u);
    EXPECT_FALSE(push->IsToggle());
    EXPECT_TRUE(check->IsToggle());
}

TEST_F(ButtonTest, SetStateStoresAndClicksAsTheTableSays)
{
    struct Case {
        bool toggle;
        u32 from, requested, silent;
        u32 stored;
        int clicks;
    } cases[] = {
        {false, 0, 1, 0, 0, 1},  // a push button asked for 1 clicks and stays 0
        {false, 0, 1, 1, 0, 0},  // silent: no signal
        {false, 0, 3, 0, 3, 0},  // pressing is no click
        {false, 3, 0, 0, 0, 0},  // nor is a plain reset
        {true, 0, 1, 0, 1, 1},   // checking
        {true, 1, 0, 0, 0, 1},   // unchecking
        {true, 1, 1, 0, 1, 1},   // a toggle emits also when the value stays
        {true, 0, 0, 0, 0, 1},
        {true, 0, 1, 1, 1, 0},   // showing a stored value silently
        {true, 0, 3, 0, 3, 0},
        {true, 1, 2, 0, 2, 0},
    };
    for (const Case& c : cases) {
        Button* b = c.toggle ? static_cast<Button*>(check) : push;
        Clicks& counter = c.toggle ? checkClicks : clicks;
        b->SetState(c.from, 1);
        counter.ids.clear();
        counter.plain = 0;
        b->SetState(c.requested, int(c.silent));
        SCOPED_TRACE(testing::Message() << "toggle " << c.toggle << " " << c.from << "->" << c.requested);
        EXPECT_EQ(b->GetButtonState(), c.stored);
        EXPECT_EQ(counter.plain, c.clicks);
        EXPECT_EQ(int(counter.ids.size()), c.clicks);
        if (c.clicks) {
            EXPECT_EQ(counter.ids[0], c.toggle ? 8 : 7);
        }
    }
}

TEST_F(ButtonTest, TheIdSignalComesBeforeThePlainOne)
{
    static std::vector<std::string> order;
    order.clear();
    struct L : public has_slots<> {
        void A(s32) { order.push_back("id"); }
        void B() { order.push_back("plain"); }
    } l;
    push->clicked.Connect<&L::B>(&l);
    push->clickedWithId.Connect<&L::A>(&l);
    push->SetState(1, 0);
    ASSERT_EQ(order.size(), 2u);
    EXPECT_EQ(order[0], "id");
    EXPECT_EQ(order[1], "plain");
}

TEST_F(ButtonTest, APushButtonClicksOnTheReleaseOfAPressInside)
{
    MoveTo(40, 50);
    Press();
    Run();
    EXPECT_EQ(push->GetButtonState(), 3u);
    EXPECT_EQ(clicks.plain, 0);
    Release();
    Run();
    EXPECT_EQ(push->GetButtonState(), 0u);
    EXPECT_EQ(clicks.plain, 1);
    ASSERT_EQ(clicks.ids.size(), 1u);
    EXPECT_EQ(clicks.ids[0], 7);
}

TEST_F(ButtonTest, DraggingOutOfAPressedButtonCancelsAndBackInPressesAgain)
{
    MoveTo(40, 50);
    Press();
    Run();
    MoveTo(200, 200);
    Run();
    EXPECT_EQ(push->GetButtonState(), 0u);
    MoveTo(41, 51);
    Run();
    EXPECT_EQ(push->GetButtonState(), 3u);
    MoveTo(200, 200);
    Run();
    Release();
    Run();
    EXPECT_EQ(push->GetButtonState(), 0u);
    EXPECT_EQ(clicks.plain, 0);
}

TEST_F(ButtonTest, ACheckBoxFlipsOnEachClickAndEmitsUnchangedWhenReleasedOutside)
{
    Click(20, 90);
    Run();
    EXPECT_EQ(check->GetButtonState(), 1u);
    EXPECT_TRUE(check->IsChecked());
    EXPECT_EQ(checkClicks.plain, 1);

    MoveTo(22, 91);  // not a double click
    Press();
    Run();
    EXPECT_EQ(check->GetButtonState(), 2u);  // pressed while on
    Release();
    Run();
    EXPECT_EQ(check->GetButtonState(), 0u);
    EXPECT_EQ(checkClicks.plain, 2);

    MoveTo(24, 92);
    Press();
    Run();
    EXPECT_EQ(check->GetButtonState(), 3u);  // pressed while off
    MoveTo(300, 250);
    Run();
    EXPECT_EQ(check->GetButtonState(), 0u);
    EXPECT_EQ(checkClicks.plain, 2);  // dragging out is no click
    MoveTo(310, 250);
    Release();
    Run();
    EXPECT_EQ(check->GetButtonState(), 0u);
    EXPECT_EQ(checkClicks.plain, 3);  // a toggle set to its old value still emits
}

TEST_F(ButtonTest, ADisabledButtonIgnoresTheMouseAndKeys)
{
    push->SetEnabled(0);
    Click(40, 50);
    Run();
    EXPECT_EQ(push->GetButtonState(), 0u);
    Event e = {{' ', 1, 0, 0, 0, 0}, EVENT_KEY};
    EXPECT_EQ(push->KeyEvent(&e), 0);
    EXPECT_EQ(push->GetButtonState(), 0u);
    EXPECT_EQ(clicks.plain, 0);
}

TEST_F(ButtonTest, SpaceAndEnterPressAndReleaseWithoutConsumingTheKey)
{
    Window::SetFocus(push, FOCUS_PROGRAM);
    Key(LIBKEY_SPACE);
    Run();
    EXPECT_EQ(push->GetButtonState(), 3u);
    EXPECT_TRUE(LogHas("panel:key 32 1 m0"));  // went on to the parent
    Key(LIBKEY_SPACE, LIBACTION_RELEASE);
    Run();
    EXPECT_EQ(push->GetButtonState(), 0u);
    EXPECT_EQ(clicks.plain, 1);

    Key(LIBKEY_ENTER);
    Run();
    EXPECT_EQ(push->GetButtonState(), 3u);
    Key(LIBKEY_A);  // another key cancels the keyboard press
    Run();
    EXPECT_EQ(push->GetButtonState(), 0u);
    Key(LIBKEY_ENTER, LIBACTION_RELEASE);
    Run();
    EXPECT_EQ(clicks.plain, 1);
}

TEST_F(ButtonTest, KeyPressDrivesAToggleThroughItsPressedStates)
{
    check->KeyPress(1);
    EXPECT_EQ(check->GetButtonState(), 3u);
    check->KeyPress(0);
    EXPECT_EQ(check->GetButtonState(), 1u);
    check->KeyPress(1);
    EXPECT_EQ(check->GetButtonState(), 2u);
    check->KeyPress(-1);  // a cancel leaves a toggle alone
    EXPECT_EQ(check->GetButtonState(), 2u);
    check->KeyPress(0);
    EXPECT_EQ(check->GetButtonState(), 0u);
    EXPECT_EQ(checkClicks.plain, 2);
}

TEST_F(ButtonTest, LosingTheFocusWhileKeyPressedLeavesThePressedLook)
{
    Window::SetFocus(push, FOCUS_PROGRAM);
    push->KeyPress(1);
    check->SetState(1, 1);
    Window::SetFocus(check, FOCUS_PROGRAM);
    EXPECT_EQ(push->GetButtonState(), 0u);
    EXPECT_EQ(clicks.plain, 0);
    check->KeyPress(1);
    EXPECT_EQ(check->GetButtonState(), 2u);
    Window::SetFocus(push, FOCUS_PROGRAM);
    EXPECT_EQ(check->GetButtonState(), 1u);
}

TEST_F(ButtonTest, SizesFollowTheSkinWithoutAFont)
{
    EXPECT_EQ(Button::GetHeight(30), 30);
    EXPECT_EQ(Button::GetHeight(10), 20);
    push->SizeToFit();
    EXPECT_EQ(push->GetFrameWidth(), 64);  // (46 + 28) rounded down to 16
    EXPECT_EQ(push->GetFrameHeight(), 20);
    Size min = {0, 0};
    push->GetMinimumFrameSize(&min, Size{0, 0});
    EXPECT_EQ(min.width, 46);
    EXPECT_EQ(min.height, 20);
    check->SizeToFit();
    EXPECT_EQ(check->GetFrameWidth(), 16 + 8);
    EXPECT_EQ(check->GetFrameHeight(), 15);
}

TEST_F(ButtonTest, TheSecondClickOfADoubleClickClicksAgain)
{
    Click(20, 90);
    Click(20, 90);
    Run();
    EXPECT_EQ(checkClicks.plain, 2);
    EXPECT_EQ(check->GetButtonState(), 0u);
}

// A click handler that closes the panel and then runs a nested loop (a message box, say) that
// deletes it: the button must not touch itself or emit again once it is gone.
TEST_F(ButtonTest, AButtonDeletedByItsOwnClickSlotStopsThere)
{
    struct Closer : public has_slots<> {
        Window* panel = nullptr;
        int calls = 0;
        void OnId(s32)
        {
            ++calls;
            panel->Close();
            WindowSystem::ProcessDeferredDeletes();
        }
    };
    struct Case {
        const char* name;
        bool toggle;
        bool byKey;
    } cases[] = {{"push by program", false, false}, {"check box by key", true, true}, {"push by key", false, true}};
    for (const Case& k : cases) {
        Probe* p = new Probe(kFramed, nullptr, "doomed");
        p->SetFrameXYWH(0, 0, 200, 200);
        Button* b = k.toggle ? new CheckBox(p, 3) : new Button(p, 3);
        Closer closer;
        closer.panel = p;
        Clicks after;
        b->clickedWithId.Connect<&Closer::OnId>(&closer);
        b->clicked.Connect<&Clicks::OnClick>(&after);
        if (k.byKey) {
            b->KeyPress(1);
            b->KeyPress(0);
        } else {
            b->SetState(BUTTON_ON, 0);
        }
        EXPECT_EQ(closer.calls, 1) << k.name;
        EXPECT_EQ(after.plain, 0) << k.name;
        EXPECT_EQ(WindowSystem::FindWindow("doomed", nullptr), nullptr) << k.name;
    }
}
