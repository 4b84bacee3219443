// Event delivery through the real window system behind the fake OS backend: routing from the
// root down, keys bubbling, global keys, focus and tab rings, double clicks, the event ring
// and screen resizes.
#include "WindowTestSupport.h"

using namespace wtest;

namespace {

class WindowEvents : public WindowFixture {
protected:
    void SetUp() override
    {
        WindowFixture::SetUp();
        FakeOsSetTime(100.0);
        top = new Probe(kFramed, nullptr, "T");
        top->SetFrameXYWH(100, 100, 300, 300);  // content {104,130,396,396}
        mid = new Probe(WF_VISIBLE, top, "M");
        mid->SetFrameXYWH(0, 0, 200, 200);  // {104,130,304,330}
        leaf = new Probe(WF_VISIBLE | WF_FOCUSABLE, mid, "L");
        leaf->SetFrameXYWH(10, 10, 50, 50);  // {114,140,164,190}
        top->logRouting = mid->logRouting = 1;
        Log().clear();
    }
    Probe* top;
    Probe* mid;
    Probe* leaf;
};

TEST_F(WindowEvents, AncestorsSeeAMouseEventFromTheRootDownBeforeTheTarget)
{
    Click(120, 150);
    Run();
    std::vector<std::string> seen;
    for (const std::string& s : Log())
        if (s.find("sees 2") != std::string::npos || s.find("press") != std::string::npos ||
            s.find("release") != std::string::npos)
            seen.push_back(s);
    std::vector<std::string> expected = {"T:sees 2", "M:sees 2", "L:press 120,150 b0",
                                         "T:sees 2", "M:sees 2", "L:release 120,150 b0"};
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(WindowSystem::GetHovered(), leaf);
}

TEST_F(WindowEvents, AnAncestorThatTakesTheEventStopsIt)
{
    mid->takeAll = 1;
    Click(120, 150);
    Run();
    EXPECT_TRUE(LogFor("L:press").empty());
    EXPECT_TRUE(LogFor("L:release").empty());
}

TEST_F(WindowEvents, KeysGoToTheFocusAndBubbleUpUntilTaken)
{
    Window::SetFocus(leaf, FOCUS_PROGRAM);
    mid->takeKeys = 1;
    Log().clear();
    Key(LIBKEY_A);
    Run();
    std::vector<std::string> keys;
    for (const std::string& s : Log())
        if (s.find(":key") != std::string::npos) keys.push_back(s);
    EXPECT_EQ(keys, (std::vector<std::string>{"L:key 65 1 m0", "M:key 65 1 m0"}));
}

TEST_F(WindowEvents, AHeldKeyRepeatsWithTheRepeatModifier)
{
    Window::SetFocus(leaf, FOCUS_PROGRAM);
    Log().clear();
    Key(LIBKEY_A, LIBACTION_PRESS);
    Key(LIBKEY_A, LIBACTION_REPEAT);
    Key(LIBKEY_LEFT_SHIFT, LIBACTION_PRESS);
    Key(LIBKEY_A, LIBACTION_REPEAT);
    Key(LIBKEY_A, LIBACTION_RELEASE);
    Run();
    std::vector<std::string> l = LogFor("L:key 65");
    EXPECT_EQ(l, (std::vector<std::string>{"L:key 65 1 m0", "L:key 65 1 m16", "L:key 65 1 m17", "L:key 65 0 m1"}));
    EXPECT_EQ(WindowSystem::GetModifiers(), u32(MOD_SHIFT));
}

TEST_F(WindowEvents, CtrlKeysSetBothCtrlBits)
{
    Window::SetFocus(leaf, FOCUS_PROGRAM);
    Log().clear();
    Key(LIBKEY_RIGHT_CONTROL);
    Key(LIBKEY_A);
    Run();
    EXPECT_TRUE(LogHas("L:key 65 1 m12"));
    EXPECT_TRUE(WindowSystem::IsKeyDown(KEY_CTRL));
}

TEST_F(WindowEvents, ACloseShortcutClosesTheWindowWithACloseBox)
{
    top->AddFlags(WF_CLOSEBOX);
    Window::SetFocus(leaf, FOCUS_PROGRAM);
    Key(LIBKEY_LEFT_CONTROL);
    Key(LIBKEY_A + ('W' - 'A'));
    Run();
    EXPECT_TRUE(LogHas("T:canclose 1"));
    EXPECT_EQ(Layer0()->GetChildCount(), 0u);
}

TEST_F(WindowEvents, ClickingFocusesAndBringsTheTopLevelWindowToFront)
{
    Probe* other = new Probe(kFramed, nullptr, "O");
    other->SetFrameXYWH(500, 100, 200, 200);
    EXPECT_EQ(Layer0()->GetFirstChild(), other);
    Click(120, 150);
    Run();
    EXPECT_EQ(Layer0()->GetFirstChild(), top);
    EXPECT_EQ(WindowSystem::GetFocus(), leaf);
    EXPECT_TRUE(LogHas("L:focus 1"));
}

// A double click that opens a window leaves the button's release to the window under the
// pointer, which is still the one clicked: the new window keeps the keyboard, so Ctrl+W closes
// it and not the window the click came from.
TEST_F(WindowEvents, OnlyAPressTakesTheFocusNotTheReleaseThatFollows)
{
    top->AddFlags(WF_CLOSEBOX);
    MoveTo(120, 150);
    Press();
    Run();
    ASSERT_EQ(WindowSystem::GetFocus(), leaf);
    Probe* opened = new Probe(kFramed | WF_CLOSEBOX | WF_FOCUSABLE, nullptr, "N");
    opened->SetFrameXYWH(500, 100, 200, 200);
    Window::SetFocus(opened, FOCUS_PROGRAM);
    Log().clear();
    Release();
    Run();
    EXPECT_EQ(LogFor("L:release").size(), 1u);
    EXPECT_EQ(WindowSystem::GetFocus(), opened);
    EXPECT_EQ(Layer0()->GetFirstChild(), opened);
    Key(LIBKEY_LEFT_CONTROL);
    Key(LIBKEY_A + ('W' - 'A'));
    Run();
    EXPECT_TRUE(LogHas("N:canclose 1"));
    EXPECT_FALSE(LogHas("T:canclose 1"));
    EXPECT_EQ(Layer0()->GetChildCount(), 1u);
    EXPECT_EQ(Layer0()->GetFirstChild(), top);
}

TEST_F(WindowEvents, AFocusChangeMaySwallowTheClickThatCausedIt)
{
    leaf->focusAnswer = FOCUS_SWALLOW;
    Click(120, 150);
    Run();
    EXPECT_TRUE(LogHas("L:focus 1"));
    EXPECT_TRUE(LogFor("L:press").empty());
    Log().clear();
    Click(120, 150);
    FakeOsAdvanceTime(1.0);
    Run();
    EXPECT_EQ(LogFor("L:press").size(), 1u);
}

TEST_F(WindowEvents, FocusGoesToTheRememberedChildOfAWindowThatCannotTakeIt)
{
    Window::SetFocus(leaf, FOCUS_PROGRAM);
    Probe* other = new Probe(WF_VISIBLE | WF_FOCUSABLE, nullptr, "O");
    Window::SetFocus(other, FOCUS_PROGRAM);
    EXPECT_TRUE(LogHas("L:blur"));
    Window::SetFocus(top, FOCUS_PROGRAM);
    EXPECT_EQ(WindowSystem::GetFocus(), leaf);
    EXPECT_TRUE(leaf->IsFocused());
}

TEST_F(WindowEvents, FocusLostIsSignalledWithTheReason)
{
    struct Listener : has_slots<void> {
        int reason = -1;
        void OnLost(int r) { reason = r; }
    } listener;
    leaf->focusLost.Connect<&Listener::OnLost>(&listener);
    Window::SetFocus(leaf, FOCUS_PROGRAM);
    Probe* other = new Probe(WF_VISIBLE | WF_FOCUSABLE, nullptr, "O");
    Window::SetFocus(other, FOCUS_TAB);
    EXPECT_EQ(listener.reason, int(FOCUS_TAB));
}

// A field that refuses what it holds when it loses the focus opens an error box, which takes
// the focus while the field still has it: the field is told once, not again for the box (that
// recursion showed box after box until the stack ran out).
TEST_F(WindowEvents, AFocusLostHandlerThatMovesTheFocusIsNotToldAgain)
{
    Probe* box = new Probe(WF_VISIBLE | WF_FOCUSABLE, nullptr, "B");
    struct Listener : has_slots<void> {
        Window* box = nullptr;
        int told = 0;
        void OnLost(int)
        {
            if (++told < 5) Window::SetFocus(box, FOCUS_PROGRAM);
        }
    } listener;
    listener.box = box;
    leaf->focusLost.Connect<&Listener::OnLost>(&listener);
    Window::SetFocus(leaf, FOCUS_PROGRAM);
    Probe* other = new Probe(WF_VISIBLE | WF_FOCUSABLE, nullptr, "O");
    Window::SetFocus(other, FOCUS_TAB);
    EXPECT_EQ(1, listener.told);
    EXPECT_EQ(other, WindowSystem::GetFocus());
    // Once it has lost the focus, the field is told again the next time.
    Window::SetFocus(leaf, FOCUS_PROGRAM);
    Window::SetFocus(other, FOCUS_PROGRAM);
    EXPECT_EQ(2, listener.told);
}

TEST_F(WindowEvents, TabMovesAlongTheRingSkippingDisabledWindows)
{
    Probe* a = new Probe(WF_VISIBLE | WF_FOCUSABLE, mid, "a");
    Probe* b = new Probe(WF_VISIBLE | WF_FOCUSABLE, mid, "b");
    Probe* c = new Probe(WF_VISIBLE | WF_FOCUSABLE, mid, "c");
    b->SetEnabled(0);
    SetTabOrder(a, b, c, (Window*)nullptr);
    EXPECT_EQ(WindowSystem::GetFocus(), a);
    Tap(LIBKEY_TAB);
    Run();
    EXPECT_EQ(WindowSystem::GetFocus(), c);
    Tap(LIBKEY_TAB);
    Run();
    EXPECT_EQ(WindowSystem::GetFocus(), a);
    Key(LIBKEY_LEFT_SHIFT);
    Tap(LIBKEY_TAB);
    Run();
    EXPECT_EQ(WindowSystem::GetFocus(), c);
    EXPECT_TRUE(LogFor("a:key 113").empty());  // Tab is consumed, presses and releases alike
    EXPECT_TRUE(LogFor("c:key 113").empty());
}

TEST_F(WindowEvents, TabStopsAfterOneCycleWhenNoWindowCanTakeTheFocus)
{
    Probe* a = new Probe(WF_VISIBLE | WF_FOCUSABLE, mid, "a");
    Probe* b = new Probe(WF_VISIBLE | WF_FOCUSABLE, mid, "b");
    Probe* c = new Probe(WF_VISIBLE | WF_FOCUSABLE, mid, "c");
    SetTabOrder(a, b, c, (Window*)nullptr);
    a->SetEnabled(0);
    b->SetEnabled(0);
    c->SetVisible(0);
    Window* before = WindowSystem::GetFocus();
    Window::FocusNext(a, 0);  // must return
    Window::FocusNext(a, 1);
    Window::FocusNext(c, 0);
    EXPECT_EQ(WindowSystem::GetFocus(), before);
    // An open chain wraps to its other end.
    Probe* x = new Probe(WF_VISIBLE | WF_FOCUSABLE, mid, "x");
    Probe* y = new Probe(WF_VISIBLE | WF_FOCUSABLE, mid, "y");
    Window::LinkTabOrder(x, y);
    Window::SetFocus(y, FOCUS_PROGRAM);
    Window::FocusNext(y, 0);
    EXPECT_EQ(WindowSystem::GetFocus(), x);
}

TEST_F(WindowEvents, DoubleClicksNeedTheSameButtonPixelAndTiming)
{
    MoveTo(120, 150);
    Press();
    Release();
    FakeOsEndStep();
    Run();
    FakeOsAdvanceTime(0.1);
    Press();
    Release();
    Run();
    FakeOsAdvanceTime(0.05);
    Press();  // less than 0.3 s after the double click: a plain press
    Release();
    Run();
    std::vector<std::string> l;
    for (const std::string& s : LogFor("L:"))
        if (s.rfind("L:press", 0) == 0 || s.rfind("L:release", 0) == 0 || s == "L:double") l.push_back(s);
    EXPECT_EQ(l, (std::vector<std::string>{"L:press 120,150 b0", "L:release 120,150 b0", "L:double",
                                           "L:release 120,150 b0", "L:press 120,150 b0",
                                           "L:release 120,150 b0"}));
}

TEST_F(WindowEvents, MovingOnePixelBetweenClicksGivesTwoPresses)
{
    Click(120, 150);
    Run();
    FakeOsAdvanceTime(0.05);
    Click(121, 150);
    Run();
    EXPECT_EQ(LogFor("L:press").size(), 2u);
    EXPECT_FALSE(LogHas("L:double"));
    // A slow second click is no double click either.
    Log().clear();
    FakeOsAdvanceTime(1.0);
    Click(121, 150);
    Run();
    FakeOsAdvanceTime(0.25);
    Click(121, 150);
    Run();
    EXPECT_FALSE(LogHas("L:double"));
}

TEST_F(WindowEvents, AFullRingDropsNewEvents)
{
    Window::SetFocus(leaf, FOCUS_PROGRAM);
    Log().clear();
    for (int i = 0; i < 40; ++i) FakeOsChar('a', 0);
    Run();
    EXPECT_EQ(LogFor("L:char").size(), 32u);
    EXPECT_EQ(WindowSystem::GetQueuedEventCount(), 0u);
}

TEST_F(WindowEvents, F11SendsTheFrontWindowBackAndFocusesTheNext)
{
    Window::SetFocus(leaf, FOCUS_PROGRAM);
    Probe* other = new Probe(kFramed | WF_FOCUSABLE, nullptr, "O");
    Window::SetFocus(other, FOCUS_PROGRAM);
    Tap(LIBKEY_F1 + 10);
    Run();
    EXPECT_EQ(Layer0()->GetFirstChild(), top);
    EXPECT_EQ(Layer0()->GetLastChild(), other);
    EXPECT_EQ(WindowSystem::GetFocus(), leaf);  // the window's remembered focus
}

// What the debug views draw through the frame painter.
std::vector<std::string>& Overlays()
{
    static std::vector<std::string> texts;
    return texts;
}

void RecordOverlayText(Window*, const Rect&, const char* text, u32, u32)
{
    Overlays().push_back(text);
}

void RecordDirtyRectView(const Rect& r, u32 flags)
{
    Log().push_back("selection " + std::to_string(r.left) + "," + std::to_string(r.top) + "," +
                    std::to_string(r.right) + "," + std::to_string(r.bottom) + " f" + std::to_string(flags));
}

TEST_F(WindowEvents, CtrlF1AndCtrlF2ToggleTheDebugViewsRedrawEverythingAndStillReachTheFocus)
{
    FramePainter painter = {};
    painter.drawText = RecordOverlayText;
    painter.drawSelection = RecordDirtyRectView;
    WindowSystem::SetFramePainter(painter);
    Overlays().clear();
    Window::SetFocus(leaf, FOCUS_PROGRAM);
    RunSteps(1);
    Log().clear();
    auto drawnContents = [] {
        std::vector<std::string> out;
        for (const std::string& s : Log())
            if (s.find(":content") != std::string::npos) out.push_back(s);
        return out;
    };
    const std::vector<std::string> everything = {"T:content", "M:content", "L:content"};

    Key(LIBKEY_LEFT_CONTROL);
    Tap(LIBKEY_F1);
    Run();
    EXPECT_TRUE(LogHas("L:key 98 1 m12"));
    EXPECT_EQ(drawnContents(), everything) << "the toggle redraws the whole screen";
    ASSERT_FALSE(Overlays().empty());
    const std::string path = std::string(Layer0()->GetParent()->GetTitle()) + " -> " + Layer0()->GetTitle() + " -> T -> M -> L";
    EXPECT_EQ(Overlays().back(), "frames rendered: 1\nfocus: " + path + "\nmodal stack: ");
    Overlays().clear();
    leaf->Invalidate(0);
    RunSteps(1);
    ASSERT_EQ(Overlays().size(), 1u);
    EXPECT_EQ(Overlays()[0].substr(0, 19), "frames rendered: 2\n");

    // Ctrl+F1 again: the overlay is gone, and the whole screen is redrawn without it.
    Log().clear();
    Tap(LIBKEY_F1);
    Run();
    Overlays().clear();
    EXPECT_EQ(drawnContents(), everything);
    leaf->Invalidate(0);
    RunSteps(1);
    EXPECT_TRUE(Overlays().empty());

    // Ctrl+F2: each dirty rectangle drawn is outlined, after a full redraw that outlines nothing.
    Log().clear();
    Tap(LIBKEY_F1 + 1);
    Run();
    EXPECT_TRUE(LogHas("L:key 99 1 m12"));
    EXPECT_EQ(drawnContents(), everything);
    EXPECT_TRUE(LogFor("selection").empty());
    Log().clear();
    leaf->Invalidate(0);
    RunSteps(1);
    EXPECT_EQ(LogFor("selection"), std::vector<std::string>{"selection 114,140,164,190 f3"});
    Log().clear();
    Tap(LIBKEY_F1 + 1);
    Run();
    Log().clear();
    leaf->Invalidate(0);
    RunSteps(1);
    EXPECT_TRUE(LogFor("selection").empty());
    WindowSystem::SetFramePainter(FramePainter{});
}

TEST_F(WindowEvents, WheelEventsCarryTheOldAndNewPositions)
{
    MoveTo(120, 150);
    // Each wheel keeps its own position; turns that do not reach the next whole step post
    // nothing, and the step they complete later carries the last posted position as the old.
    FakeOsScroll(0, 1);
    FakeOsScroll(0, 1);
    FakeOsScroll(0, -3);
    FakeOsScroll(1, 0);  // the library counts leftwards as positive
    FakeOsScroll(0, 0.4);
    FakeOsScroll(0, 0.2);
    FakeOsScroll(-2, 0);
    Run();
    std::vector<std::string> seen;
    for (const std::string& s : Log())
        if (s.find("wheel") != std::string::npos) seen.push_back(s);
    const std::vector<std::string> expected = {"L:wheel 0>1",   "L:wheel 1>2",   "L:wheel 2>-1",
                                               "L:hwheel 0>-1", "L:wheel -1>0", "L:hwheel -1>1"};
    EXPECT_EQ(seen, expected);
}

TEST_F(WindowEvents, AScreenResizeRecentersAndRefillsAndAZeroSizeChangesNothing)
{
    Probe* centred = new Probe(WF_VISIBLE | WF_RECENTER, nullptr, "C");
    centred->SetFrameXYWH(0, 0, 100, 100);
    top->ToggleZoom();
    WindowSystem::OnWindowResize(0, 0);
    EXPECT_EQ(WindowSystem::GetScreenSize().width, 800);
    WindowSystem::OnWindowResize(1000, 700);
    EXPECT_TRUE(SameRect(centred->GetFrameRect(), Rect{450, 300, 550, 400}));
    EXPECT_TRUE(SameRect(top->GetFrameRect(), Rect{0, 0, 1000, 700}));
    EXPECT_TRUE(WindowSystem::IsFullRedrawPending() || WindowSystem::GetDirtyRectCount() == 0);
}

TEST_F(WindowEvents, TheHoveredPartAndCursorFollowTheMouse)
{
    MoveTo(101, 200);  // left border of the resizable frame
    Run();
    EXPECT_EQ(WindowSystem::GetHovered(), top);
    EXPECT_EQ(WindowSystem::GetHoveredPart(), u32(HIT_LEFT));
    EXPECT_EQ(FakeOsCursorShape(), 1);
    MoveTo(5, 5);  // nothing but layer 0
    Run();
    EXPECT_EQ(WindowSystem::GetHovered(), Layer0());
    EXPECT_EQ(FakeOsCursorShape(), 0);
}

int g_stepDepth;
int g_maxStepDepth;
int CountingStep()
{
    ++g_stepDepth;
    if (g_stepDepth > g_maxStepDepth) g_maxStepDepth = g_stepDepth;
    int r = Step();
    --g_stepDepth;
    return r;
}

TEST_F(WindowEvents, AResizeDuringPollingRedrawsWithoutPollingAgain)
{
    g_stepDepth = g_maxStepDepth = 0;
    WindowSystem::SetStepHook(CountingStep);
    FakeOsResize(900, 700);
    FakeOsEndStep();
    CountingStep();
    EXPECT_EQ(g_maxStepDepth, 1);
    EXPECT_EQ(WindowSystem::GetScreenSize().width, 900);
    EXPECT_FALSE(WindowSystem::IsFullRedrawPending());  // drawn inside the callback
}

class ResizeListener : public Probe {
public:
    ResizeListener(Window* p, const char* name, int take) noexcept : Probe(WF_VISIBLE, p, name), take(take) {}
    int HandleEvent(Window* target, u32 type, Event* e) override
    {
        if (type == EVENT_SCREENRESIZED && target == this) {
            Note("resized " + std::to_string(e->data[0]) + "x" + std::to_string(e->data[1]));
            return take;
        }
        return Probe::HandleEvent(target, type, e);
    }
    int take;
};

TEST_F(WindowEvents, TheScreenResizeIsOfferedUntilAWindowTakesIt)
{
    new ResizeListener(nullptr, "first", 0);
    new ResizeListener(leaf, "taker", 1);  // below T, which is behind "first"
    new ResizeListener(nullptr, "front", 0);
    Log().clear();
    WindowSystem::OnWindowResize(640, 480);
    std::vector<std::string> got;
    for (const std::string& s : Log())
        if (s.find("resized") != std::string::npos) got.push_back(s);
    EXPECT_EQ(got, (std::vector<std::string>{"front:resized 640x480", "first:resized 640x480", "taker:resized 640x480"}));
}

TEST_F(WindowEvents, RelativeMouseModeReportsDeltasAndRestoresThePointer)
{
    MoveTo(120, 150);
    Run();
    WindowSystem::SetRelativeMouseMode(1);
    int x = 0, y = 0;
    FakeOsLastMousePosSet(&x, &y);
    EXPECT_EQ(x, 400);
    EXPECT_EQ(y, 300);
    EXPECT_FALSE(FakeOsCursorVisible());
    MoveTo(410, 295);
    Run();
    EXPECT_EQ(WindowSystem::GetMousePos().x, 10);
    EXPECT_EQ(WindowSystem::GetMousePos().y, -5);
    WindowSystem::SetRelativeMouseMode(0);
    FakeOsLastMousePosSet(&x, &y);
    EXPECT_EQ(x, 120);
    EXPECT_EQ(y, 150);
    EXPECT_TRUE(FakeOsCursorVisible());
    Run();
    EXPECT_EQ(WindowSystem::GetMousePos().x, 120);
}

TEST_F(WindowEvents, APlacementIsRestoredOnScreenAndInItsState)
{
    WindowPlacement p = {WS_ZOOMED, Rect{-50, -20, 250, 1000}};
    top->RestorePlacement(p);
    EXPECT_EQ(top->GetState(), WS_ZOOMED);
    top->ToggleZoom();
    EXPECT_TRUE(SameRect(top->GetFrameRect(), Rect{0, 0, 300, 600}));
}

TEST_F(WindowEvents, InputIsDroppedWhileANativeDialogIsOpen)
{
    Window::SetFocus(leaf, FOCUS_PROGRAM);
    Log().clear();
    WindowSystem::SetNativeDialogActive(1);
    EXPECT_TRUE(WindowSystem::IsNativeDialogActive());
    WindowSystem::OnChar('a', 1);
    EXPECT_EQ(WindowSystem::GetQueuedEventCount(), 0u);
    WindowSystem::SetNativeDialogActive(0);
    EXPECT_TRUE(WindowSystem::IsRunning());
    FakeOsChar('b', 0);
    Run();
    EXPECT_EQ(LogFor("L:char"), (std::vector<std::string>{"L:char 98"}));
}

}  // namespace
