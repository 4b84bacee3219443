// Mouse tracking: moving and resizing windows by their frame, title boxes, drag and drop and
// the window overview, driven through the real window system behind the fake OS backend.
#include "WindowTestSupport.h"

using namespace wtest;

namespace {

class Tracking : public WindowFixture {
protected:
    void SetUp() override
    {
        WindowFixture::SetUp();
        FakeOsSetTime(50.0);
    }
    void Drag(int x0, int y0, int x1, int y1)
    {
        MoveTo(x0, y0);
        Press();
        FakeOsEndStep();
        MoveTo(x1, y1);
        FakeOsEndStep();
        Release();
        Run();
    }
};

TEST_F(Tracking, DraggingTheTitleMovesTheWindowButNotAboveLayerZero)
{
    Window* bar = new Window(WF_VISIBLE | WF_PANEL | WF_POPUP, nullptr);
    bar->SetFrameXYWH(0, 0, 800, 20);
    WindowSystem::SetMenuBar(bar);
    Probe* w = new Probe(kFramed, nullptr, "w");
    w->SetFrameXYWH(100, 100, 200, 200);  // screen {100,120,300,320}
    Drag(150, 130, 250, 180);
    EXPECT_TRUE(SameRect(w->GetFrameRect(), Rect{200, 170, 400, 370}));
    Drag(250, 180, 250, -100);
    EXPECT_EQ(w->GetFrameRect().top, 20);  // stops right below the menu bar
    EXPECT_EQ(WindowSystem::GetCaptureWindow(), nullptr);
}

TEST_F(Tracking, ResizingByTheLeftEdgePastTheMinimumKeepsTheRightEdge)
{
    Probe* w = new Probe(kFramed, nullptr, "w");
    w->SetFrameXYWH(100, 100, 200, 200);
    Drag(101, 200, 400, 200);
    EXPECT_TRUE(SameRect(w->GetFrameRect(), Rect{292, 100, 300, 300}));
    Drag(298, 200, 500, 260);  // right edge
    EXPECT_TRUE(SameRect(w->GetFrameRect(), Rect{292, 100, 502, 300}));
}

TEST_F(Tracking, ACloseBoxClosesOnlyWhenReleasedOverIt)
{
    Probe* w = new Probe(kFramed | WF_CLOSEBOX, nullptr, "w");
    w->SetFrameXYWH(100, 100, 200, 200);  // close box at frame x 176..192, y 8..22
    Point box = {100 + 184, 100 + 14};
    MoveTo(box.x, box.y);
    Press();
    FakeOsEndStep();
    Run();
    EXPECT_EQ(w->pressedTitleButton, u32(HIT_CLOSEBOX));
    MoveTo(150, 200);
    Run();
    EXPECT_EQ(w->pressedTitleButton, 0u);
    MoveTo(box.x, box.y);
    Run();
    EXPECT_EQ(w->pressedTitleButton, u32(HIT_CLOSEBOX));  // shown pressed again
    MoveTo(150, 200);
    Release();
    Run();
    EXPECT_NE(w->GetState(), WS_CLOSED);
    Drag(box.x, box.y, box.x + 1, box.y);
    EXPECT_TRUE(LogHas("w:canclose 1"));
    EXPECT_EQ(Layer0()->GetChildCount(), 0u);
}

TEST_F(Tracking, KeysAreIgnoredWhileTheMouseIsCaptured)
{
    Probe* w = new Probe(kFramed | WF_CLOSEBOX | WF_FOCUSABLE, nullptr, "w");
    w->SetFrameXYWH(100, 100, 200, 200);
    MoveTo(150, 110);
    Press();
    FakeOsEndStep();
    Key(LIBKEY_LEFT_CONTROL);
    Key(LIBKEY_A + ('W' - 'A'));
    FakeOsEndStep();
    Release();
    Run();
    EXPECT_NE(w->GetState(), WS_CLOSED);
    EXPECT_TRUE(LogFor("w:key").empty());
}

TEST_F(Tracking, ASecondTrackingIsRefusedWhileTheMouseIsCaptured)
{
    Probe* a = new Probe(WF_VISIBLE, nullptr, "a");
    Probe* b = new Probe(WF_VISIBLE, nullptr, "b");
    EXPECT_EQ(a->BeginTracking(Window::DefaultTracker), 1);
    EXPECT_TRUE(LogHas("a:track 0 0,0"));
    EXPECT_EQ(b->BeginTracking(Window::DefaultTracker), 0);
    EXPECT_EQ(b->BeginDrag(nullptr, Window::DefaultTracker), 0);
    EXPECT_EQ(WindowSystem::GetCaptureWindow(), a);
}

int g_payloadsDeleted;
struct Payload : Window::DragDropData {
    Payload() : DragDropData(0) {}
    ~Payload() override { ++g_payloadsDeleted; }
};

void StartDrag(Probe* p) { p->BeginDrag(new Payload, Window::DefaultTracker); }

class DragDrop : public Tracking {
protected:
    void SetUp() override
    {
        Tracking::SetUp();
        g_payloadsDeleted = 0;
        source = new Probe(WF_VISIBLE, nullptr, "S");
        source->SetFrameXYWH(0, 0, 100, 100);
        source->onPress = StartDrag;
        target = new Probe(WF_VISIBLE, nullptr, "T");
        target->SetFrameXYWH(200, 0, 100, 100);
        Log().clear();
    }
    Probe* source;
    Probe* target;
};

TEST_F(DragDrop, AnAcceptedDropIsDeliveredAfterTheCaptureIsReleased)
{
    target->acceptDrop = 1;
    Drag(50, 50, 250, 40);
    EXPECT_EQ(LogFor("T:drop"), (std::vector<std::string>{"T:drop 1 250,40 captured", "T:drop 0 250,40 free"}));
    EXPECT_EQ(LogFor("S:track"), (std::vector<std::string>{"S:track 0 50,50", "S:track 1 250,40", "S:track 2 250,40"}));
    EXPECT_EQ(g_payloadsDeleted, 1);
    EXPECT_TRUE(WindowSystem::IsDefaultHookActive());
}

TEST_F(DragDrop, ARefusedDropIsNotDeliveredAndThePayloadIsStillDeleted)
{
    Drag(50, 50, 250, 40);
    EXPECT_EQ(LogFor("T:drop"), (std::vector<std::string>{"T:drop 1 250,40 captured"}));
    EXPECT_EQ(g_payloadsDeleted, 1);
    EXPECT_EQ(FakeOsCursorShape(), 0);  // back to the arrow after the drag
}

TEST_F(DragDrop, DeletingTheCapturingWindowEndsTheDragCleanly)
{
    MoveTo(50, 50);
    Press();
    Run();
    ASSERT_EQ(WindowSystem::GetCaptureWindow(), source);
    source->Close();
    Step();
    EXPECT_EQ(WindowSystem::GetCaptureWindow(), nullptr);
    EXPECT_EQ(g_payloadsDeleted, 1);
    MoveTo(250, 40);
    Release();
    Run();
    EXPECT_TRUE(WindowSystem::IsDefaultHookActive());
    EXPECT_TRUE(LogFor("T:drop").empty());
}

void PaintNothing(Rect* out, Point, Window::DragDropData*)
{
    if (out) *out = Rect{-8, -8, 8, 8};
}

TEST_F(DragDrop, ADragWithAPainterInvalidatesTheImageAsItMoves)
{
    WindowSystem::RegisterDragPainter(0, PaintNothing);
    MoveTo(50, 50);
    Press();
    Run();
    WindowSystem::RenderFrame();
    MoveTo(60, 50);
    Run();
    // The image's old and new places (the frame after the move drew them already).
    MoveTo(70, 50);
    FakeOsEndStep();
    OsPollEvents();
    WindowSystem::ProcessEventQueue();
    ASSERT_GE(WindowSystem::GetDirtyRectCount(), 1u);
    EXPECT_TRUE(SameRect(WindowSystem::GetDirtyRects()[0], Rect{52, 42, 78, 58}));
    Release();
    Run();
}

class Overview : public Tracking {
protected:
    void SetUp() override
    {
        Tracking::SetUp();
        for (int i = 0; i < 3; ++i) {
            w[i] = new Probe(kFramed | WF_FOCUSABLE, nullptr, i == 0 ? "a" : i == 1 ? "b" : "c");
            w[i]->SetFrameXYWH(50 + i * 40, 50 + i * 30, 300, 200);
        }
        skipped = new Probe(kFramed | WF_NOOVERVIEW, nullptr, "skip");
        skipped->SetFrameXYWH(10, 10, 100, 100);
    }
    Probe* w[3];
    Probe* skipped;
};

TEST_F(Overview, F10LaysOutEveryNormalWindowAndAnimatesOpen)
{
    Tap(LIBKEY_F1 + 9);
    Run();
    EXPECT_TRUE(WindowSystem::GetSysFlags() & SYS_OVERVIEW);
    EXPECT_FLOAT_EQ(WindowSystem::GetOverviewProgress(), 0.0f);
    for (Probe* p : w) {
        EXPECT_TRUE(p->stateBits & WSB_INOVERVIEW);
        Rect r = p->overviewFrame;
        EXPECT_GE(r.left, 0);
        EXPECT_LE(r.right, 800);
        EXPECT_GE(r.top, 0);
        EXPECT_LE(r.bottom, 600);
        EXPECT_FALSE(r.IsEmpty());
    }
    for (int i = 0; i < 3; ++i)
        for (int j = i + 1; j < 3; ++j)
            EXPECT_TRUE(w[i]->overviewFrame.right <= w[j]->overviewFrame.left ||
                        w[j]->overviewFrame.right <= w[i]->overviewFrame.left ||
                        w[i]->overviewFrame.bottom <= w[j]->overviewFrame.top ||
                        w[j]->overviewFrame.bottom <= w[i]->overviewFrame.top);
    EXPECT_FALSE(skipped->stateBits & WSB_INOVERVIEW);
    EXPECT_TRUE(SameRect(skipped->overviewFrame, skipped->GetFrameRect()));
    EXPECT_EQ(WindowSystem::GetHovered(), nullptr);

    FakeOsAdvanceTime(0.125);
    Step();
    EXPECT_NEAR(WindowSystem::GetOverviewProgress(), 0.25f, 1e-5);
    FakeOsAdvanceTime(0.125);
    Step();
    EXPECT_FLOAT_EQ(WindowSystem::GetOverviewProgress(), 1.0f);
    EXPECT_TRUE(WindowSystem::GetSysFlags() & SYS_OVERVIEW_OPEN);
}

TEST_F(Overview, AClickPicksAWindowAndTheOverviewAnimatesBack)
{
    Tap(LIBKEY_F1 + 9);
    Run();
    FakeOsAdvanceTime(0.3);
    Step();
    Rect r = w[0]->overviewFrame;
    Click((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    Run();
    EXPECT_EQ(Layer0()->GetFirstChild(), w[0]);
    EXPECT_EQ(WindowSystem::GetFocus(), w[0]);
    EXPECT_TRUE(WindowSystem::GetSysFlags() & SYS_OVERVIEW_CLOSING);
    FakeOsAdvanceTime(0.3);
    Step();
    EXPECT_FALSE(WindowSystem::GetSysFlags() & SYS_OVERVIEW);
    EXPECT_FLOAT_EQ(WindowSystem::GetOverviewProgress(), 0.0f);
    EXPECT_TRUE(WindowSystem::IsDefaultHookActive());
    Step();
    EXPECT_NE(WindowSystem::GetHovered(), nullptr);
}

TEST_F(Overview, KeysOtherThanF10AreSwallowedAndAQuitLeavesTheOverviewFirst)
{
    int quits = 0;
    static int* counter;
    counter = &quits;
    WindowSystem::SetCanQuitHook([]() {
        ++*counter;
        return 0;
    });
    Window::SetFocus(w[1], FOCUS_PROGRAM);
    Tap(LIBKEY_F1 + 9);
    Run();
    FakeOsAdvanceTime(0.3);
    Step();
    Log().clear();
    Tap(LIBKEY_A);
    Run();
    EXPECT_TRUE(LogFor("b:key").empty());
    FakeOsSetStepTime(0.05);  // the quit waits in its own steps for the closing animation
    FakeOsCloseRequest();
    Run();
    FakeOsSetStepTime(0);
    EXPECT_FALSE(WindowSystem::GetSysFlags() & SYS_OVERVIEW);
    EXPECT_EQ(quits, 1);
}

}  // namespace
