// Random sequences of tree changes and input through the real window system: the tree stays
// consistent and the system never points at a deleted window (run it under the sanitizers
// to catch use after free).
#include "WindowTestSupport.h"

#include <set>

using namespace wtest;

namespace {

std::set<Window*>& Alive()
{
    static std::set<Window*> alive;
    return alive;
}

class Tracked : public Probe {
public:
    Tracked(u32 f, Window* p) noexcept : Probe(f, p, "t") { Alive().insert(this); }
    ~Tracked() override { Alive().erase(this); }
};

u32 g_seed;
u32 Rand(u32 n)
{
    g_seed = g_seed * 1103515245u + 12345u;
    return (g_seed >> 8) % n;
}

bool Known(Window* w)
{
    return !w || Alive().count(w) || w == WindowSystem::GetLayerRoot(-1) || w == WindowSystem::GetLayerRoot(0) ||
           w == WindowSystem::GetLayerRoot(1);
}

void CheckChain(Window* w)
{
    u32 n = 0;
    Window* prev = nullptr;
    for (Window* c = w->GetFirstChild(); c; c = c->GetNextSibling(), ++n) {
        ASSERT_TRUE(Known(c));
        ASSERT_EQ(c->GetParent(), w);
        ASSERT_EQ(c->GetPrevSibling(), prev);
        prev = c;
        CheckChain(c);
    }
    ASSERT_EQ(prev, w->GetLastChild());
    ASSERT_EQ(n, w->GetChildCount());
}

Window* Pick()
{
    if (Alive().empty()) return nullptr;
    auto it = Alive().begin();
    std::advance(it, Rand(u32(Alive().size())));
    return *it;
}

void EndTopLoop(Probe*) { WindowSystem::EndModal(nullptr, 1); }

struct Payload : Window::DragDropData {
    Payload() : DragDropData(0) {}
};
void StartDrag(Probe* p) { p->BeginDrag(new Payload, Window::DefaultTracker); }

// A modal loop that nothing else ends (its window hidden, the click on another window) is
// ended after a few steps, and an open overview is left after a while (a quit request waits
// for that), as a user would eventually do.
int g_modalSteps;
int g_overviewSteps;
int StressStep()
{
    int r = Step();
    if (WindowSystem::GetModalDepth() && ++g_modalSteps > 6) {
        g_modalSteps = 0;
        WindowSystem::EndModal(nullptr, 2);
    }
    if ((WindowSystem::GetSysFlags() & SYS_OVERVIEW_OPEN) && ++g_overviewSteps > 20) {
        g_overviewSteps = 0;
        WindowSystem::ToggleOverview();
    }
    return r;
}
void CloseSelf(Probe* p) { p->Close(); }

class WindowStress : public WindowFixture {};

TEST_F(WindowStress, RandomChangesKeepTheTreeConsistent)
{
    FakeOsSetStepBudget(0, nullptr);
    FakeOsSetStepTime(0.02);  // animations (the overview) end as time passes
    WindowSystem::SetStepHook(StressStep);
    for (u32 seed = 1; seed <= 12; ++seed) {
        g_seed = seed;
        for (int op = 0; op < 600; ++op) {
            Window* w = Pick();
            switch (Rand(18)) {
            case 0:
            case 1: {
                u32 f = WF_VISIBLE;
                if (Rand(2)) f |= kFramed;
                if (Rand(3)) f |= WF_FOCUSABLE;
                if (!Rand(4)) f |= WF_POPUP;
                if (!Rand(5)) f |= WF_SHADOW;
                if (!Rand(6)) f |= WF_CLOSEBOX;
                Window* parent = Rand(3) ? nullptr : w;
                Tracked* t = new Tracked(f, parent);
                t->SetFrameXYWH(s32(Rand(700)), s32(Rand(500)), 20 + s32(Rand(300)), 20 + s32(Rand(300)));
                if (!Rand(4)) t->onPress = CloseSelf;
                break;
            }
            case 2:
                if (w) w->Close();
                break;
            case 3:
                if (w) w->SetVisible(Rand(2));
                break;
            case 4:
                if (w) w->BringToFront();
                break;
            case 5:
                if (w) Window::SetFocus(w, FOCUS_PROGRAM);
                break;
            case 6:
                if (w) w->SetCollapsed(-1);
                break;
            case 7:
                if (w) w->ToggleZoom();
                break;
            case 8:
                Click(s32(Rand(800)), s32(Rand(600)));
                Run();
                break;
            case 9:
                MoveTo(s32(Rand(800)), s32(Rand(600)));
                Press();
                FakeOsEndStep();
                MoveTo(s32(Rand(800)), s32(Rand(600)));
                FakeOsEndStep();
                Release();
                Run();
                break;
            case 10:
                Key(LIBKEY_LEFT_CONTROL);
                Tap(LIBKEY_A + ('W' - 'A'));
                Key(LIBKEY_LEFT_CONTROL, LIBACTION_RELEASE);
                Tap(LIBKEY_TAB);
                Run();
                break;
            case 11:
                if (w && Rand(2)) {
                    Window* x = Pick();
                    if (x && x != w) Window::LinkTabOrder(w, x);
                }
                break;
            case 12:
                if (w && w->IsVisible() && w->GetState() != WS_CLOSED) {
                    // A short modal loop ended by the next click, or by closing its window.
                    // A short modal loop ended by a click, a quit request, a character or
                    // the step hook.
                    Probe* p = static_cast<Probe*>(w);
                    p->onPress = Rand(2) ? EndTopLoop : CloseSelf;
                    p->onChar = EndTopLoop;
                    g_modalSteps = 0;
                    Rect r = w->GetContentRect();
                    Click(r.left + 1, r.top + 1);
                    FakeOsEndStep();
                    FakeOsCloseRequest();
                    FakeOsEndStep();
                    FakeOsChar('z', 0);
                    FakeOsEndStep();
                    FakeOsSetStepBudget(FakeOsPollCount() + 50, OnBudgetExhausted);
                    u32 flags = MODAL_KEYS_TO_WINDOW;
                    if (Rand(2)) flags |= MODAL_END_ON_QUIT;
                    WindowSystem::RunModal(w, flags, nullptr);
                    FakeOsSetStepBudget(0, nullptr);
                    while (FakeOsPendingSteps()) Step();
                    WindowSystem::SetRunning(1);
                }
                break;
            case 13:
                Step();
                break;
            case 14: {
                Window* x = Pick();
                if (w && x && !w->Contains(x)) w->SetParent(x);
                else if (w) w->SetParent(Rand(2) ? Layer0() : Layer1());
                break;
            }
            case 15:
                Tap(LIBKEY_F1 + 9);
                Run();
                FakeOsAdvanceTime(0.3);
                Step();
                Click(s32(Rand(800)), s32(Rand(600)));
                Run();
                FakeOsAdvanceTime(0.3);
                Step();
                break;
            case 16:
                if (w) w->SetFlags(w->GetFlags() ^ (Rand(2) ? (WF_TITLEBAR | WF_THICKFRAME) : WF_THINBORDER));
                break;
            case 17:
                if (w) {
                    Probe* p = static_cast<Probe*>(w);
                    p->onPress = StartDrag;
                    p->acceptDrop = int(Rand(2));
                    Rect r = w->GetContentRect();
                    MoveTo(r.left + 1, r.top + 1);
                    Press();
                    FakeOsEndStep();
                    MoveTo(s32(Rand(800)), s32(Rand(600)));
                    FakeOsEndStep();
                    Release();
                    Run();
                }
                break;
            }
            if (Rand(3) == 0) Step();
            ASSERT_FALSE(BudgetFailed()) << "seed " << seed << " op " << op;
            ASSERT_TRUE(Known(WindowSystem::GetFocus())) << "seed " << seed << " op " << op;
            ASSERT_TRUE(Known(WindowSystem::GetHovered())) << "seed " << seed << " op " << op;
            ASSERT_TRUE(Known(WindowSystem::GetCaptureWindow()));
            ASSERT_EQ(WindowSystem::GetModalDepth(), 0u) << "seed " << seed << " op " << op;
            CheckChain(WindowSystem::GetLayerRoot(-1));
            if (HasFatalFailure()) return;
        }
        WindowSystem::ProcessDeferredDeletes();
        Layer0()->CloseAllChildren();
        Layer1()->CloseAllChildren();
        WindowSystem::ProcessDeferredDeletes();
        ASSERT_TRUE(Alive().empty());
    }
}

}  // namespace
