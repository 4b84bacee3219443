// Dialogs and colour buttons: layout margins, OK and Cancel ending the modal loop with 1 and 0
// (the dialog only hidden), Enter and Escape arming, refusals that beep, close requests, and
// the colour button through the fake backend's scripted colour dialog. Runs headless.
#include <cstring>

#include "WindowTestSupport.h"
#include "gui/ColorButton.h"
#include "gui/DialogWindow.h"
#include "gui/Skin.h"

using namespace wtest;

namespace {

class TestDialog : public DialogWindow {
public:
    TestDialog() noexcept
    {
        field = new Probe(WF_VISIBLE | WF_ENABLED | WF_FOCUSABLE, this, "field");
        field->SetFrameXYWH(16, 16, 100, 20);
        closer = new Button(this, 9);
        closer->SetFrameXYWH(16, 40, 60, 20);
        closer->clicked.Connect<&TestDialog::OnCloser>(this);
    }
    bool OnOK() override
    {
        ++okAsked;
        return okAnswer;
    }
    bool OnCancel() override
    {
        ++cancelAsked;
        return cancelAnswer;
    }
    void OnCloser() { closeAnswer = CanClose(0); }

    Probe* field;
    Button* closer;
    bool okAnswer = true;
    bool cancelAnswer = true;
    int okAsked = 0;
    int cancelAsked = 0;
    int closeAnswer = -1;
};

// Button caps 10 + 24 + 12 by 20 (so buttons are 20 high), a 16 x 15 check box.
void InstallTestSkin()
{
    TexturePack* pack = NewTexturePack();
    AddPackImage(pack, 6, 10, 20, nullptr);
    AddPackImage(pack, 8, 12, 20, nullptr);
    InstallSkinPack(pack);
}

class DialogTest : public WindowFixture {
protected:
    void SetUp() override
    {
        WindowFixture::SetUp();
        InstallTestSkin();
        dialog = new TestDialog;
        dialog->SetContentSize(200, 100);
        dialog->MoveTo(100, 100);
        Window::SetFocus(dialog->field, FOCUS_PROGRAM);
        Log().clear();
    }
    void TearDown() override
    {
        WindowFixture::TearDown();
        InstallSkinPack(nullptr);
    }
    u64 RunDialog()
    {
        FakeOsEndStep();
        return WindowSystem::RunModal(dialog, 0, nullptr);
    }
    Point Center(Window* w)
    {
        Rect r = w->GetContentRect();
        return Point{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }
    void ClickOn(Window* w)
    {
        Point p = Center(w);
        Click(p.x, p.y);
    }
    TestDialog* dialog;
};

}  // namespace

TEST_F(DialogTest, TheDialogLaysOutItsMarginsAndButtonRow)
{
    EXPECT_STREQ(dialog->GetClassName(), "DialogWindow");
    EXPECT_EQ(dialog->GetFlags(), 0x402EFu);
    EXPECT_EQ(dialog->GetParent(), Layer1());
    Button* ok = dialog->GetOKButton();
    Button* cancel = dialog->GetCancelButton();
    EXPECT_STREQ(ok->GetTitle(), "OK");
    EXPECT_STREQ(cancel->GetTitle(), "Cancel");
    EXPECT_EQ(ok->GetId(), 0u);
    EXPECT_EQ(cancel->GetId(), 1u);
    EXPECT_EQ(ok->GetFrameWidth(), 64);
    EXPECT_EQ(ok->GetFrameHeight(), 20);

    EXPECT_EQ(dialog->Window::GetContentWidth(), 232);
    EXPECT_EQ(dialog->Window::GetContentHeight(), 152);
    EXPECT_TRUE(SameRect(dialog->GetContentRect(), Rect{16, 16, 216, 116}));
    Size inner = dialog->GetContentSize();
    EXPECT_EQ(inner.width, 200);
    EXPECT_EQ(inner.height, 100);

    Rect c = dialog->Window::GetContentRect();
    Rect cf = cancel->GetFrameRect(), of = ok->GetFrameRect();
    EXPECT_EQ(cf.left - c.left, 232 - 16 - 64);
    EXPECT_EQ(of.left - c.left, 232 - 16 - 64 - 8 - 64);
    EXPECT_EQ(cf.top - c.top, 152 - 20 - 8);
    EXPECT_EQ(of.top, cf.top);

    Size min = {0, 0};
    dialog->GetMinimumFrameSize(&min, Size{0, 0});
    Size expect = dialog->FrameSizeForContent(Size{168, 52});
    EXPECT_EQ(min.width, expect.width);
    EXPECT_EQ(min.height, expect.height);
}

TEST_F(DialogTest, EnterEndsTheLoopWithOneAndTheDialogIsOnlyHidden)
{
    Tap(LIBKEY_ENTER);
    EXPECT_EQ(RunDialog(), 1u);
    EXPECT_EQ(dialog->okAsked, 1);
    EXPECT_FALSE(dialog->IsVisible());
    EXPECT_TRUE(Destroyed().empty());
    EXPECT_TRUE(LogFor("field:key").empty());  // the key went to the button, not the field
}

TEST_F(DialogTest, EscapeEndsTheLoopWithZero)
{
    Tap(LIBKEY_ESCAPE);
    EXPECT_EQ(RunDialog(), 0u);
    EXPECT_EQ(dialog->cancelAsked, 1);
    EXPECT_FALSE(dialog->IsVisible());
}

TEST_F(DialogTest, ClickingTheButtonsEndsTheLoop)
{
    ClickOn(dialog->GetOKButton());
    EXPECT_EQ(RunDialog(), 1u);
    dialog->SetVisible(1);
    ClickOn(dialog->GetCancelButton());
    EXPECT_EQ(RunDialog(), 0u);
}

TEST_F(DialogTest, ARefusedOKBeepsKeepsTheDialogAndLeavesTheKeyArmed)
{
    dialog->okAnswer = false;
    u32 beeps = FakeOsBeepCount();
    Tap(LIBKEY_ENTER);
    FakeOsEndStep();
    Key(LIBKEY_A);  // consumed as the cancel of the armed button
    Key(LIBKEY_A, LIBACTION_RELEASE);
    FakeOsEndStep();
    Tap(LIBKEY_ESCAPE);
    EXPECT_EQ(RunDialog(), 0u);
    EXPECT_EQ(dialog->okAsked, 1);
    EXPECT_EQ(FakeOsBeepCount(), beeps + 1);
    std::vector<std::string> keys = LogFor("field:key");
    ASSERT_EQ(keys.size(), 1u);  // only the release of A, after the cancel disarmed
    EXPECT_EQ(keys[0], "field:key 65 0 m0");
}

TEST_F(DialogTest, KeysPassWhenTheDialogIsNotTheTopModalWindow)
{
    Tap(LIBKEY_ENTER);
    Run();
    EXPECT_TRUE(dialog->IsVisible());
    EXPECT_EQ(dialog->okAsked, 0);
    EXPECT_TRUE(LogHas("field:key 128 1 m0"));
}

TEST_F(DialogTest, ACloseRequestIsACancel)
{
    dialog->cancelAnswer = false;
    u32 beeps = FakeOsBeepCount();
    EXPECT_EQ(dialog->CanClose(0), 0);
    EXPECT_EQ(FakeOsBeepCount(), beeps + 1);
    EXPECT_TRUE(dialog->IsVisible());

    dialog->cancelAnswer = true;
    ClickOn(dialog->closer);  // its slot asks CanClose inside the loop
    EXPECT_EQ(RunDialog(), 0u);
    EXPECT_EQ(dialog->closeAnswer, 1);
    EXPECT_FALSE(dialog->IsVisible());
}

TEST_F(DialogTest, OnlyTheTwoButtonIdsCount)
{
    u32 beeps = FakeOsBeepCount();
    EXPECT_FALSE(dialog->OnButton(5));
    EXPECT_EQ(FakeOsBeepCount(), beeps);
    EXPECT_EQ(dialog->okAsked + dialog->cancelAsked, 0);
    EXPECT_TRUE(dialog->IsVisible());
}

TEST_F(DialogTest, TheTabOrderTakesOKAndCancelRightAfterTheFirstWidget)
{
    Window* other = dialog->closer;
    Window::LinkTabOrder(dialog->field, other);
    Window::LinkTabOrder(other, dialog->field);
    dialog->SetTabOrder(dialog->field);
    EXPECT_EQ(dialog->field->GetTabNext(), dialog->GetOKButton());
    EXPECT_EQ(dialog->GetOKButton()->GetTabNext(), dialog->GetCancelButton());
    EXPECT_EQ(dialog->GetCancelButton()->GetTabNext(), other);
    EXPECT_EQ(other->GetTabNext(), dialog->field);

    TestDialog* lone = new TestDialog;
    lone->SetTabOrder(lone->field);  // a widget without a ring gets one
    EXPECT_EQ(lone->GetCancelButton()->GetTabNext(), lone->field);
    delete lone;
}

// Colour button.

class ColorButtonTest : public WindowFixture {
protected:
    void SetUp() override
    {
        WindowFixture::SetUp();
        panel = new Probe(kFramed, nullptr, "panel");
        panel->SetFrameXYWH(0, 0, 300, 200);  // content {4,30,296,196}
        swatch = new ColorButton(panel);
        swatch->MoveTo(10, 10);
        swatch->colorChanged.Connect<&ColorButtonTest::Listener::OnColor>(&listener);
        Log().clear();
    }
    struct Listener : public has_slots<> {
        std::vector<u32*> pointers;
        std::vector<u32> values;
        void OnColor(u32* c)
        {
            pointers.push_back(c);
            values.push_back(*c);
        }
    };
    static FakeOsDialogAnswer Answer(int ok, u8 r, u8 g, u8 b)
    {
        FakeOsDialogAnswer a;
        a.ok = ok;
        a.rgb[0] = r;
        a.rgb[1] = g;
        a.rgb[2] = b;
        return a;
    }
    Probe* panel;
    ColorButton* swatch;
    Listener listener;
};

TEST_F(ColorButtonTest, StartsAsAnOpaqueWhiteSwatch)
{
    EXPECT_STREQ(swatch->GetClassName(), "ColorButton");
    EXPECT_EQ(swatch->GetFlags(), 0x8023u);
    EXPECT_EQ(swatch->GetFrameWidth(), 42);
    EXPECT_EQ(swatch->GetFrameHeight(), 20);
    EXPECT_EQ(swatch->GetColor(), 0xFFFFFFFFu);
    swatch->SetColor(0x80102030u);
    EXPECT_EQ(swatch->GetColor(), 0x80102030u);
    EXPECT_TRUE(listener.values.empty());
}

TEST_F(ColorButtonTest, AClickOpensTheColourDialogAndAPickIsStoredAndAnnounced)
{
    swatch->SetColor(0x80332211u);
    FakeOsQueueDialogAnswer(Answer(1, 0xAA, 0xBB, 0xCC));
    Click(30, 50);
    Run();
    ASSERT_EQ(FakeOsDialogCount(), 1u);
    const FakeOsDialogRecord* rec = FakeOsLastDialog();
    EXPECT_EQ(rec->kind, 4);
    EXPECT_EQ(rec->rgb[0], 0x11);  // started at the button's colour
    EXPECT_EQ(rec->rgb[1], 0x22);
    EXPECT_EQ(rec->rgb[2], 0x33);
    EXPECT_EQ(rec->nativeDialogActive, 1);
    EXPECT_FALSE(WindowSystem::IsNativeDialogActive());
    EXPECT_EQ(swatch->GetColor(), 0x80CCBBAAu);  // alpha kept
    ASSERT_EQ(listener.pointers.size(), 1u);
    EXPECT_EQ(listener.pointers[0], &swatch->color);
    EXPECT_EQ(listener.values[0], 0x80CCBBAAu);
}

TEST_F(ColorButtonTest, ACancelledDialogLeavesTheColourAndSaysNothing)
{
    swatch->SetColor(0xFF010203u);
    FakeOsQueueDialogAnswer(Answer(0, 9, 9, 9));
    EXPECT_FALSE(swatch->ChooseColor());
    EXPECT_EQ(swatch->GetColor(), 0xFF010203u);
    EXPECT_TRUE(listener.values.empty());
}

TEST_F(ColorButtonTest, EnterAndSpaceOpenTheDialogAndAreConsumed)
{
    Window::SetFocus(swatch, FOCUS_PROGRAM);
    FakeOsQueueDialogAnswer(Answer(1, 1, 2, 3));
    FakeOsQueueDialogAnswer(Answer(1, 4, 5, 6));
    // Each in a step of its own: input scripted while the dialog is open would be dropped.
    Tap(LIBKEY_ENTER);
    Run();
    Tap(LIBKEY_SPACE);
    Run();
    Tap(LIBKEY_A);
    Run();
    EXPECT_EQ(FakeOsDialogCount(), 2u);
    EXPECT_EQ(swatch->GetColor(), 0xFF060504u);
    EXPECT_FALSE(LogHas("panel:key 128 1 m0"));
    EXPECT_FALSE(LogHas("panel:key 32 1 m0"));
    EXPECT_TRUE(LogHas("panel:key 65 1 m0"));
    EXPECT_TRUE(LogHas("panel:key 128 0 m0"));  // releases pass
}

TEST_F(ColorButtonTest, APickedColourIsOfferedAgainAsACustomColourInTheSameRun)
{
    u8 custom[16][3];
    OsGetCustomColors(custom);
    for (auto& c : custom) EXPECT_TRUE(!c[0] && !c[1] && !c[2]);  // black at every start
    FakeOsQueueDialogAnswer(Answer(1, 10, 20, 30));
    FakeOsQueueDialogAnswer(Answer(0, 0, 0, 0));
    swatch->ChooseColor();
    swatch->ChooseColor();
    const FakeOsDialogRecord* rec = FakeOsLastDialog();
    EXPECT_EQ(rec->custom[0][0], 10);
    EXPECT_EQ(rec->custom[0][1], 20);
    EXPECT_EQ(rec->custom[0][2], 30);
}

// OK arrives while a loop opened above the dialog's own still runs (a message box the dialog
// asked, say): both loops end, the upper one with 0 and the dialog's with 1, instead of the
// upper one taking the dialog's result and the dialog's loop running on hidden.
namespace {
TestDialog* g_dialog;
Window* g_upper;
int g_phase;
u64 g_upperResult;
int NestingStep()
{
    int r = Step();
    if (g_phase == 1) {
        g_phase = 2;
        g_upperResult = WindowSystem::RunModal(g_upper, 0, nullptr);
    } else if (g_phase == 2) {
        g_phase = 3;
        g_dialog->OnButton(0);
    }
    return r;
}
}  // namespace

TEST_F(DialogTest, OKWithALoopAboveTheDialogsOwnEndsBoth)
{
    g_dialog = dialog;
    g_upper = new Probe(kFramed, nullptr, "upper");
    g_upper->SetFrameXYWH(300, 300, 50, 50);
    g_phase = 1;
    g_upperResult = 99;
    WindowSystem::SetStepHook(NestingStep);
    u64 result = RunDialog();
    WindowSystem::SetStepHook(Step);
    EXPECT_EQ(g_phase, 3);
    EXPECT_EQ(g_upperResult, 0u);
    EXPECT_EQ(result, 1u);
    EXPECT_FALSE(BudgetFailed());
    EXPECT_FALSE(dialog->IsVisible());
    EXPECT_EQ(WindowSystem::GetModalDepth(), 0u);
}
