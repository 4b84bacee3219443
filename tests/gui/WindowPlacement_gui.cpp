// Window placements and dialog fields in the preferences: the "%d %d %d %d %d" string, what
// restoring refuses, keeping a restored window on the screen, and check boxes and text boxes
// synced under "<prefix>.<name>" keys both ways. Runs headless.
#include <string>

#include "TextBoxSupport.h"
#include "foundation/PrefStore.h"
#include "gui/Button.h"
#include "gui/WindowPlacement.h"

using namespace wtest;

namespace {

struct ClickCounter : public has_slots<> {
    int clicks = 0;
    void OnClicked() { ++clicks; }
};

// A check box whose class answers in another case.
class LowerCaseCheckBox : public CheckBox {
public:
    LowerCaseCheckBox(Window* parent) noexcept : CheckBox(parent, 0) {}
    const char* GetClassName() const override { return "checkbox"; }
};

std::string PrefText(const char* key)
{
    String s;
    if (!GetPrefString(key, &s)) return "<none>";
    return s.c_str();
}

class PlacementTest : public tbtest::TextBoxFixture {
protected:
    void SetUp() override
    {
        TextBoxFixture::SetUp();
        ResetPrefs();
    }
    void TearDown() override
    {
        ResetPrefs();
        TextBoxFixture::TearDown();
    }
    Window* MakeWindow()
    {
        Window* w = new Probe(kFramed | WF_ENABLED, nullptr, "w");
        w->SetFrame(Rect{10, 20, 310, 220});
        return w;
    }
};

}  // namespace

TEST_F(PlacementTest, APlacementIsSavedAsStateAndParentRelativeFrame)
{
    Window* w = MakeWindow();
    SaveWindowPlacement(w, "Win");
    EXPECT_EQ(PrefText("Win"), "0 10 20 310 220");

    // Zoomed, the frame before zooming is kept.
    w->SetWindowState(WS_ZOOMED);
    ASSERT_EQ(w->GetState(), WS_ZOOMED);
    SaveWindowPlacement(w, "Win");
    EXPECT_EQ(PrefText("Win"), "2 10 20 310 220");

    // A child window's frame is relative to its parent's content.
    Window* child = new Probe(WF_VISIBLE, w, "c");
    child->SetFrame(Rect{5, 6, 55, 66});
    SaveWindowPlacement(child, "Child");
    EXPECT_EQ(PrefText("Child"), "0 5 6 55 66");
}

TEST_F(PlacementTest, ASavedPlacementComesBack)
{
    Window* w = MakeWindow();
    SaveWindowPlacement(w, "Win");
    w->SetFrame(Rect{100, 100, 150, 150});
    EXPECT_EQ(RestoreWindowPlacement(w, "Win", 1), 1);
    EXPECT_TRUE(SameRect(w->GetFrameInParent(), Rect{10, 20, 310, 220}));

    SetPrefString("Win", "2 30 40 230 140");
    EXPECT_EQ(RestoreWindowPlacement(w, "Win", 0), 1);
    EXPECT_EQ(w->GetState(), WS_ZOOMED);
    EXPECT_TRUE(SameRect(w->restoreFrame, Rect{30, 40, 230, 140}));
}

TEST_F(PlacementTest, StringsThatAreNotFiveIntegersRestoreNothing)
{
    Window* w = MakeWindow();
    const char* bad[] = {"", "0 1 2 3", "a b c d e", "0 1 2 3 x", "  "};
    for (const char* text : bad) {
        SetPrefString("Win", text);
        EXPECT_EQ(RestoreWindowPlacement(w, "Win", 1), 0) << text;
        EXPECT_TRUE(SameRect(w->GetFrameInParent(), Rect{10, 20, 310, 220})) << text;
    }
    EXPECT_EQ(RestoreWindowPlacement(w, "Missing", 1), 0);
    SetPrefInt("Number", 5);
    EXPECT_EQ(RestoreWindowPlacement(w, "Number", 1), 0);
    EXPECT_EQ(RestoreWindowPlacement(w, nullptr, 1), 0);
    EXPECT_EQ(RestoreWindowPlacement(nullptr, "Win", 1), 0);
}

TEST_F(PlacementTest, KeepOnScreenMovesTheRectangleWithoutResizingIt)
{
    struct Case {
        const char* text;
        Rect expected;
    };
    // The screen is 800 x 600.
    const Case cases[] = {
        {"0 700 500 900 700", Rect{600, 400, 800, 600}},     // past the right and bottom edges
        {"0 -50 -30 150 170", Rect{0, 0, 200, 200}},         // above and left of the screen
        {"0 100 -40 300 160", Rect{100, 0, 300, 200}},
        {"0 200 100 400 300", Rect{200, 100, 400, 300}},     // already on the screen
        {"0 -2000000000 -2000000000 -1999999900 -1999999900", Rect{0, 0, 100, 100}},
    };
    for (const Case& c : cases) {
        Window* w = MakeWindow();
        SetPrefString("Win", c.text);
        EXPECT_EQ(RestoreWindowPlacement(w, "Win", 1), 1) << c.text;
        EXPECT_TRUE(SameRect(w->GetFrameInParent(), c.expected)) << c.text;
        w->Close();
    }

    // Wider than the screen: the left edge wins.
    Window* w = MakeWindow();
    SetPrefString("Win", "0 300 10 1400 110");
    EXPECT_EQ(RestoreWindowPlacement(w, "Win", 1), 1);
    EXPECT_EQ(w->GetFrameInParent().left, 0);
    EXPECT_EQ(w->GetFrameInParent().top, 10);

    // Without keepOnScreen the rectangle is taken as it is.
    SetPrefString("Win", "0 700 500 900 700");
    EXPECT_EQ(RestoreWindowPlacement(w, "Win", 0), 1);
    EXPECT_TRUE(SameRect(w->GetFrameInParent(), Rect{700, 500, 900, 700}));
}

TEST_F(PlacementTest, DialogFieldsAreSavedUnderPrefixDotName)
{
    Window* dialog = MakeWindow();
    CheckBox* check = new CheckBox(dialog, 1);
    check->SetState(BUTTON_ON, 1);
    TextBox* line = new TextBox(TEXTBOX_LINE, dialog);
    line->SetText("Hello there");
    TextBox* multi = new TextBox(TEXTBOX_EDITOR, dialog);
    multi->SetText("one\ntwo");
    Button* push = new Button(dialog, 2);

    SyncWidgetPrefs("Build", 1, "useAlpha", check, "name", line, "notes", multi, "push", push, nullptr);
    u32 v = 99;
    EXPECT_EQ(GetPrefInt("Build.useAlpha", &v), 1);
    EXPECT_EQ(v, 1u);
    EXPECT_EQ(PrefText("Build.name"), "Hello there");
    EXPECT_EQ(PrefText("Build.notes"), "one\ntwo");
    EXPECT_EQ(PrefStore::Global().Find("Build.push"), nullptr);
    EXPECT_EQ(PrefStore::Global().Count(), 3u);
}

TEST_F(PlacementTest, DialogFieldsAreRestoredSilentlyAndWithinRange)
{
    Window* dialog = MakeWindow();
    CheckBox* check = new CheckBox(dialog, 1);
    ClickCounter counter;
    check->clicked.Connect<&ClickCounter::OnClicked>(&counter);
    TextBox* line = new TextBox(TEXTBOX_LINE, dialog);
    Button* push = new Button(dialog, 2);
    push->SetTitle("Go");

    SetPrefInt("D.check", 1);
    SetPrefString("D.line", "restored");
    SetPrefString("D.push", "Other");
    SyncWidgetPrefs("D", 0, "check", check, "line", line, "push", push, nullptr);
    EXPECT_EQ(check->GetButtonState(), u32(BUTTON_ON));
    EXPECT_EQ(counter.clicks, 0);
    String s;
    line->GetText(&s);
    EXPECT_STREQ(s.c_str(), "restored");
    EXPECT_STREQ(push->GetTitle(), "Go");

    // 4 and above are no button state; a key of the other type is not read.
    SetPrefInt("D.check", 4);
    SyncWidgetPref("D.check", check, 0);
    EXPECT_EQ(check->GetButtonState(), u32(BUTTON_ON));
    SetPrefInt("D.check", 0xFFFFFFFFu);
    SyncWidgetPref("D.check", check, 0);
    EXPECT_EQ(check->GetButtonState(), u32(BUTTON_ON));
    SetPrefString("D.check", "0");
    SyncWidgetPref("D.check", check, 0);
    EXPECT_EQ(check->GetButtonState(), u32(BUTTON_ON));
    SetPrefInt("D.line", 7);
    SyncWidgetPref("D.line", line, 0);
    line->GetText(&s);
    EXPECT_STREQ(s.c_str(), "restored");
    // A missing key leaves the widgets alone.
    SyncWidgetPrefs("Other", 0, "check", check, "line", line, nullptr);
    EXPECT_EQ(check->GetButtonState(), u32(BUTTON_ON));
}

TEST_F(PlacementTest, ClassNamesAreComparedWithoutRegardToCase)
{
    Window* dialog = MakeWindow();
    LowerCaseCheckBox* check = new LowerCaseCheckBox(dialog);
    check->SetState(BUTTON_ON, 1);
    SyncWidgetPref("K", check, 1);
    u32 v = 0;
    EXPECT_EQ(GetPrefInt("K", &v), 1);
    EXPECT_EQ(v, 1u);
    SetPrefInt("K", 0);
    SyncWidgetPref("K", check, 0);
    EXPECT_EQ(check->GetButtonState(), u32(BUTTON_NORMAL));
}
