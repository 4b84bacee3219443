// Modal loops and the quit protocol, run inside the call by the real window system behind
// the fake OS backend. The fake step budget turns a loop that never ends into a failure.
#include <algorithm>

#include "WindowTestSupport.h"

using namespace wtest;

namespace {

int g_canQuitCalls;
int g_canQuitAnswer;
int CanQuit()
{
    ++g_canQuitCalls;
    return g_canQuitAnswer;
}

u64 g_innerResult;
u32 g_innerByQuit;

class WindowModal : public WindowFixture {
protected:
    void SetUp() override
    {
        WindowFixture::SetUp();
        g_canQuitCalls = 0;
        g_canQuitAnswer = 1;
        g_innerResult = 99;
        g_innerByQuit = 99;
        WindowSystem::SetCanQuitHook(CanQuit);
        owner = new Probe(kFramed | WF_CLOSEBOX, nullptr, "owner");
        owner->SetFrameXYWH(0, 0, 400, 400);
        dialog = new Probe(kFramed | WF_FOCUSABLE, nullptr, "dialog");
        dialog->SetFrameXYWH(100, 100, 200, 200);  // content {104,130,296,296}
        ok = new Probe(WF_VISIBLE, dialog, "ok");
        ok->SetFrameXYWH(10, 10, 40, 20);  // {114,140,154,160}
        ok->other = dialog;
        Log().clear();
    }
    Probe* owner;
    Probe* dialog;
    Probe* ok;
};

void EndWith7(Probe* p) { WindowSystem::EndModal(p->other, 7); }
void EndWith5(Probe* p) { WindowSystem::EndModal(p->other, 5); }

TEST_F(WindowModal, ARunningLoopIsEndedByEndModalWithItsResult)
{
    ok->onPress = EndWith7;
    Click(120, 150);
    FakeOsEndStep();
    u32 byQuit = 9;
    u64 result = WindowSystem::RunModal(dialog, 0, &byQuit);
    EXPECT_EQ(result, 7u);
    EXPECT_EQ(byQuit, 0u);
    EXPECT_EQ(WindowSystem::GetModalDepth(), 0u);
    EXPECT_EQ(WindowSystem::GetFocus(), dialog);
    EXPECT_TRUE(WindowSystem::IsDefaultHookActive());
}

TEST_F(WindowModal, AClickOutsideBeepsUnlessTheLoopTakesOutsideClicks)
{
    ok->onPress = EndWith7;
    u32 beeps = FakeOsBeepCount();
    Click(350, 350);  // on the owner, outside the dialog
    FakeOsEndStep();
    Click(120, 150);
    FakeOsEndStep();
    WindowSystem::RunModal(dialog, 0, nullptr);
    EXPECT_EQ(FakeOsBeepCount(), beeps + 1);
    EXPECT_TRUE(LogFor("owner:press").empty());

    Log().clear();
    Click(350, 350);
    FakeOsEndStep();
    Click(120, 150);
    FakeOsEndStep();
    WindowSystem::RunModal(dialog, MODAL_MOUSE_TO_WINDOW, nullptr);
    EXPECT_TRUE(LogHas("dialog:press 350,350 b0"));  // delivered to the dialog as content
    EXPECT_EQ(FakeOsBeepCount(), beeps + 1);
}

TEST_F(WindowModal, KeysOutsideTheDialogGoToItOnlyWhenAsked)
{
    ok->onPress = EndWith7;
    Window::SetFocus(owner, FOCUS_PROGRAM);
    dialog->SetVisible(0);  // a hidden modal window is not focused by RunModal
    dialog->SetVisible(1);
    Window::SetFocus(owner, FOCUS_PROGRAM);
    FakeOsChar('x', 0);
    FakeOsEndStep();
    Click(120, 150);
    FakeOsEndStep();
    WindowSystem::RunModal(dialog, MODAL_KEYS_TO_WINDOW, nullptr);
    EXPECT_TRUE(LogHas("dialog:char 120"));
    EXPECT_TRUE(LogFor("owner:char").empty());
}

TEST_F(WindowModal, ACloseRequestEndsALoopMarkedToEndOnQuitThenAsksToQuit)
{
    Key(LIBKEY_LEFT_ALT);
    Key(LIBKEY_F1 + 3);
    FakeOsEndStep();
    u32 byQuit = 9;
    u64 result = WindowSystem::RunModal(dialog, MODAL_END_ON_QUIT, &byQuit);
    EXPECT_EQ(result, 0u);
    EXPECT_EQ(byQuit, 1u);
    EXPECT_EQ(g_canQuitCalls, 0);
    RunSteps(3);
    EXPECT_EQ(g_canQuitCalls, 1);
    EXPECT_FALSE(WindowSystem::IsRunning());
}

void OpenInner(Probe* p)
{
    g_innerResult = WindowSystem::RunModal(p->other, MODAL_END_ON_QUIT, &g_innerByQuit);
}

TEST_F(WindowModal, NestedLoopsMarkedToEndOnQuitEndOnePerStep)
{
    Probe* inner = new Probe(kFramed | WF_FOCUSABLE, nullptr, "inner");
    inner->SetFrameXYWH(500, 100, 100, 100);
    ok->onPress = OpenInner;
    ok->other = inner;
    Click(120, 150);
    FakeOsEndStep();
    FakeOsCloseRequest();
    FakeOsEndStep();
    u32 byQuit = 9;
    u64 result = WindowSystem::RunModal(dialog, MODAL_END_ON_QUIT, &byQuit);
    EXPECT_EQ(g_innerResult, 0u);
    EXPECT_EQ(g_innerByQuit, 1u);
    EXPECT_EQ(result, 0u);
    EXPECT_EQ(byQuit, 1u);
    RunSteps(3);
    EXPECT_EQ(g_canQuitCalls, 1);
}

TEST_F(WindowModal, ACloseRequestWhileAnOrdinaryDialogIsOpenBeepsAndIsDropped)
{
    ok->onPress = EndWith5;
    u32 beeps = FakeOsBeepCount();
    FakeOsCloseRequest();
    FakeOsEndStep();
    Click(120, 150);
    FakeOsEndStep();
    EXPECT_EQ(WindowSystem::RunModal(dialog, 0, nullptr), 5u);
    EXPECT_EQ(FakeOsBeepCount(), beeps + 1);
    EXPECT_EQ(g_canQuitCalls, 0);
    EXPECT_TRUE(WindowSystem::IsRunning());
    EXPECT_TRUE(FakeOsWindowOpen());  // the application window refused to close
}

TEST_F(WindowModal, TheCanQuitHookMayRefuse)
{
    g_canQuitAnswer = 0;
    FakeOsCloseRequest();
    Run();
    RunSteps(1);
    EXPECT_EQ(g_canQuitCalls, 1);
    EXPECT_TRUE(WindowSystem::IsRunning());
}

TEST_F(WindowModal, ClosingAllWindowsAsksFrontToBackAndStopsAtTheFirstRefusal)
{
    Probe* back = new Probe(WF_VISIBLE, nullptr, "back");
    Probe* middle = new Probe(WF_VISIBLE, nullptr, "middle");
    Probe* front = new Probe(WF_VISIBLE, nullptr, "front");
    back->BringToFront();
    middle->BringToFront();
    front->BringToFront();
    middle->refuseClose = 1;
    Log().clear();
    EXPECT_EQ(WindowSystem::CloseAllTopLevelWindows(), 0);
    EXPECT_EQ(LogFor("front:canclose").size(), 1u);
    EXPECT_EQ(LogFor("middle:canclose").size(), 1u);
    EXPECT_TRUE(LogFor("back:canclose").empty());
    EXPECT_EQ(front->GetState(), WS_CLOSED);
    EXPECT_NE(back->GetState(), WS_CLOSED);
    middle->refuseClose = 0;
    EXPECT_EQ(WindowSystem::CloseAllTopLevelWindows(), 1);
    EXPECT_EQ(Layer0()->GetChildCount(), 0u);
}

void CloseOther(Probe* p) { p->other->Close(); }

TEST_F(WindowModal, ALoopWhoseWindowIsDeletedEnds)
{
    ok->onPress = CloseOther;  // closes the dialog without ending the loop
    Click(120, 150);
    FakeOsEndStep();
    u64 result = WindowSystem::RunModal(dialog, 0, nullptr);
    EXPECT_EQ(result, 0u);
    EXPECT_EQ(WindowSystem::GetModalDepth(), 0u);
    EXPECT_TRUE(WindowSystem::IsDefaultHookActive());
    EXPECT_FALSE(BudgetFailed());
}

void CloseOtherOnChar(Probe* p) { p->other->Close(); }

TEST_F(WindowModal, AModalWindowDeletedUnderTheMouseLeavesNoHoverBehind)
{
    dialog->onChar = CloseOtherOnChar;
    dialog->other = dialog;
    Window::SetFocus(dialog, FOCUS_PROGRAM);
    MoveTo(200, 250);  // over the dialog's content, away from its child
    FakeOsEndStep();
    FakeOsChar('q', 0);
    FakeOsEndStep();
    u64 result = WindowSystem::RunModal(dialog, 0, nullptr);
    EXPECT_EQ(result, 0u);
    EXPECT_NE(WindowSystem::GetHovered(), nullptr);
    MoveTo(210, 250);
    Run();
    EXPECT_EQ(WindowSystem::GetHovered(), owner);
}

void CloseOuterAndEndInner(Probe* p)
{
    p->other->Close();  // the outer dialog, whose loop is below this one
    WindowSystem::EndModal(p->GetParent(), 3);
}

void OpenInnerOwnedDialog(Probe* p)
{
    Probe* inner = new Probe(kFramed | WF_FOCUSABLE, nullptr, "inner");
    inner->SetFrameXYWH(500, 100, 100, 100);  // content {504,130,596,196}
    Probe* button = new Probe(WF_VISIBLE, inner, "button");
    button->SetFrameXYWH(0, 0, 50, 50);
    button->other = p->GetParent() ? static_cast<Probe*>(p->GetParent()) : nullptr;
    button->onPress = CloseOuterAndEndInner;
    g_innerResult = WindowSystem::RunModal(inner, 0, nullptr);
}

TEST_F(WindowModal, AnOuterLoopWhoseWindowIsDeletedEndsOnceTheInnerLoopEnds)
{
    ok->onPress = OpenInnerOwnedDialog;
    Click(120, 150);
    FakeOsEndStep();
    Click(510, 140);
    FakeOsEndStep();
    u64 result = WindowSystem::RunModal(dialog, 0, nullptr);
    EXPECT_EQ(g_innerResult, 3u);
    EXPECT_EQ(result, 0u);
    EXPECT_EQ(WindowSystem::GetModalDepth(), 0u);
    EXPECT_FALSE(BudgetFailed());
}

bool g_aliveAfterInnerLoop;

void OpenInnerDialogThenLookAtSelf(Probe* p)
{
    OpenInnerOwnedDialog(p);
    // The inner dialog's button closed this window's dialog while this handler still ran.
    g_aliveAfterInnerLoop = std::find(Destroyed().begin(), Destroyed().end(), int(p->GetId())) == Destroyed().end();
}

TEST_F(WindowModal, AWindowClosedWhileItsHandlerRunsANestedLoopIsDeletedOnlyAfterTheHandlerReturns)
{
    ok->SetId(7);
    dialog->SetId(8);
    g_aliveAfterInnerLoop = false;
    ok->onPress = OpenInnerDialogThenLookAtSelf;
    Click(120, 150);
    FakeOsEndStep();
    Click(510, 140);
    FakeOsEndStep();
    u64 result = WindowSystem::RunModal(dialog, 0, nullptr);
    EXPECT_TRUE(g_aliveAfterInnerLoop);
    EXPECT_EQ(g_innerResult, 3u);
    EXPECT_EQ(result, 0u);
    EXPECT_EQ(WindowSystem::GetModalDepth(), 0u);
    // Gone once the press that ran the loop is handled, with the inner dialog.
    RunSteps(1);
    EXPECT_NE(std::find(Destroyed().begin(), Destroyed().end(), 7), Destroyed().end());
    EXPECT_NE(std::find(Destroyed().begin(), Destroyed().end(), 8), Destroyed().end());
    EXPECT_FALSE(BudgetFailed());
}

void EndOnChar(Probe* p)
{
    if (WindowSystem::IsOnModalStack(p, 1)) WindowSystem::EndModal(p, 11);
}

void RunCharDialog(Probe* p) { g_innerResult = WindowSystem::RunModal(p->other, MODAL_KEYS_TO_WINDOW, nullptr); }

TEST_F(WindowModal, ANestedLoopDoesNotMakeTheOuterStepReplayEvents)
{
    Probe* charDialog = new Probe(kFramed | WF_FOCUSABLE, nullptr, "cd");
    charDialog->SetFrameXYWH(500, 100, 100, 100);
    charDialog->onChar = EndOnChar;
    ok->other = charDialog;
    ok->onPress = RunCharDialog;
    // One step: the press opens the loop, which takes the rest of this step's events.
    Click(120, 150);
    FakeOsChar('a', 0);
    FakeOsChar('b', 0);
    FakeOsChar('c', 0);
    Run();
    RunSteps(2);
    EXPECT_EQ(g_innerResult, 11u);
    EXPECT_EQ(LogFor("ok:press").size(), 1u);
    EXPECT_EQ(LogFor("ok:release").size() + LogFor("cd:release").size(), 0u);
    EXPECT_EQ(LogFor("cd:char").size(), 3u);
}

TEST_F(WindowModal, CtrlWDoesNotCloseTheOwnerOfTheOpenDialog)
{
    dialog->SetParent(owner);
    dialog->SetFrameXYWH(100, 100, 200, 200);
    ok->onPress = EndWith7;
    Key(LIBKEY_LEFT_CONTROL);
    Key(LIBKEY_A + ('W' - 'A'));
    Key(LIBKEY_LEFT_CONTROL, LIBACTION_RELEASE);
    FakeOsEndStep();
    Point p = {dialog->GetContentRect().left + 15, dialog->GetContentRect().top + 15};
    Click(p.x, p.y);
    FakeOsEndStep();
    EXPECT_EQ(WindowSystem::RunModal(dialog, 0, nullptr), 7u);
    EXPECT_NE(owner->GetState(), WS_CLOSED);
    EXPECT_TRUE(LogFor("owner:canclose").empty());
}

TEST_F(WindowModal, CanCloseOfAModalWindowEndsItsLoop)
{
    dialog->AddFlags(WF_CLOSEBOX);
    Window::SetFocus(dialog, FOCUS_PROGRAM);
    Key(LIBKEY_LEFT_CONTROL);
    Key(LIBKEY_A + ('W' - 'A'));
    FakeOsEndStep();
    dialog->SetId(42);
    EXPECT_EQ(WindowSystem::RunModal(dialog, 0, nullptr), 0u);
    // Closed, and deleted between events with its child.
    EXPECT_EQ(Destroyed(), (std::vector<int>{42, 0}));
}

TEST_F(WindowModal, TheMainLoopRunsUntilAQuitIsAccepted)
{
    WindowSystem::SetRunning(0);
    FakeOsEndStep();  // polled before the loop accepts input
    FakeOsEndStep();  // the first step only reports the frame drawn at start
    FakeOsCloseRequest();
    FakeOsEndStep();
    WindowSystem::RunMainLoop();
    EXPECT_EQ(g_canQuitCalls, 1);
    EXPECT_FALSE(WindowSystem::IsRunning());
    EXPECT_FALSE(BudgetFailed());
}

}  // namespace
