// The window object: tree and layers, frames and content, state changes, hit testing, flags
// and deferred deletion. Runs headless through the fake OS backend (no display needed).
#include "WindowTestSupport.h"

#include <algorithm>

using namespace wtest;

namespace {

class WindowTree : public WindowFixture {};

std::vector<Window*> Children(Window* w)
{
    std::vector<Window*> out;
    u32 n = 0;
    Window* prev = nullptr;
    for (Window* c = w->GetFirstChild(); c; c = c->GetNextSibling(), ++n) {
        EXPECT_EQ(c->GetParent(), w);
        EXPECT_EQ(c->GetPrevSibling(), prev);
        prev = c;
        out.push_back(c);
    }
    EXPECT_EQ(prev, w->GetLastChild());
    EXPECT_EQ(n, w->GetChildCount());
    return out;
}

TEST_F(WindowTree, TheRootHoldsLayerOneInFrontOfLayerZero)
{
    Window* root = WindowSystem::GetLayerRoot(-1);
    std::vector<Window*> layers = Children(root);
    ASSERT_EQ(layers.size(), 2u);
    EXPECT_EQ(layers[0], Layer1());
    EXPECT_EQ(layers[1], Layer0());
    EXPECT_STREQ(root->GetTitle(), "root");
    EXPECT_STREQ(Layer0()->GetTitle(), "layer0");
    EXPECT_TRUE(SameRect(Layer0()->GetFrameRect(), Rect{0, 0, 800, 600}));
    EXPECT_EQ(WindowSystem::GetLayerRoot(2), nullptr);
}

TEST_F(WindowTree, NewWindowsGoToTheFrontOfTheirLayer)
{
    Window* a = new Probe(WF_VISIBLE, nullptr, "a");
    Window* b = new Probe(WF_VISIBLE, nullptr, "b");
    Window* popup = new Probe(WF_VISIBLE | WF_POPUP, nullptr, "popup");
    Window* loose = new Probe(WF_VISIBLE | WF_DETACHED, nullptr, "loose");
    EXPECT_EQ(Children(Layer0()), (std::vector<Window*>{b, a}));
    EXPECT_EQ(Children(Layer1()), (std::vector<Window*>{popup}));
    EXPECT_EQ(loose->GetParent(), nullptr);
    loose->SetParent(Layer0());
    // A detached window is not brought to front when attached.
    EXPECT_EQ(Children(Layer0()), (std::vector<Window*>{b, a, loose}));
    a->BringToFront();
    EXPECT_EQ(Children(Layer0()), (std::vector<Window*>{a, b, loose}));
    a->SendToBack();
    EXPECT_EQ(Children(Layer0()), (std::vector<Window*>{b, loose, a}));
    loose->SendToBack();  // detached: left alone
    EXPECT_EQ(Children(Layer0()), (std::vector<Window*>{b, loose, a}));
    Window* child = new Probe(WF_VISIBLE, a, "child");
    EXPECT_EQ(child->GetTopLevel(), a);
    EXPECT_EQ(a->GetTopLevel(), a);
    EXPECT_EQ(WindowSystem::FindWindow("child", "Probe"), child);
    EXPECT_EQ(WindowSystem::FindWindow("child", "Window"), nullptr);
    delete loose;
}

TEST_F(WindowTree, FindWindowWithoutTitleFindsOnlyUntitledWindows)
{
    Window* titled = new Window(WF_VISIBLE, nullptr);
    titled->SetTitle("x");
    EXPECT_EQ(WindowSystem::FindWindow(nullptr, "Window"), nullptr);
    Window* plain = new Window(WF_VISIBLE, nullptr);
    EXPECT_EQ(WindowSystem::FindWindow(nullptr, "Window"), plain);
}

TEST_F(WindowTree, FramesAreRelativeToTheParentContentAndChildrenMoveAlong)
{
    Window* w = new Probe(kFramed, nullptr, "w");
    w->SetFrameXYWH(100, 50, 300, 200);
    EXPECT_TRUE(SameRect(w->GetFrameRect(), Rect{100, 50, 400, 250}));
    // Insets: border 4 on each side, title 22 plus the separator 4 at the top.
    EXPECT_TRUE(SameRect(w->GetContentRect(), Rect{104, 80, 396, 246}));
    Window* c = new Probe(WF_VISIBLE, w, "c");
    c->SetFrameXYWH(10, 10, 20, 20);
    EXPECT_TRUE(SameRect(c->GetFrameRect(), Rect{114, 90, 134, 110}));
    EXPECT_EQ(c->GetPosition().x, 10);
    w->MoveTo(0, 0);
    EXPECT_TRUE(SameRect(c->GetFrameRect(), Rect{14, 40, 34, 60}));
    w->SetContentSize(100, 80);
    EXPECT_EQ(w->GetContentWidth(), 100);
    EXPECT_EQ(w->GetContentHeight(), 80);
    EXPECT_EQ(w->GetFrameWidth(), 108);
    EXPECT_EQ(w->GetFrameHeight(), 114);
}

TEST_F(WindowTree, ShrinkingBelowTheMinimumKeepsTheEdgeThatDidNotMove)
{
    Window* w = new Probe(kFramed, nullptr, "w");
    w->SetFrameXYWH(100, 100, 200, 200);  // minimum is 8 x 30 for these metrics
    w->SetFrame(Rect{295, 100, 300, 300});  // left edge dragged past the right one
    EXPECT_TRUE(SameRect(w->GetFrameRect(), Rect{292, 100, 300, 300}));
    w->SetFrame(Rect{100, 100, 300, 300});
    w->SetFrame(Rect{100, 100, 103, 300});  // right edge dragged left
    EXPECT_TRUE(SameRect(w->GetFrameRect(), Rect{100, 100, 108, 300}));
    w->SetFrame(Rect{100, 290, 300, 300});  // top dragged down
    EXPECT_TRUE(SameRect(w->GetFrameRect(), Rect{100, 270, 300, 300}));
}

TEST_F(WindowTree, ContentSizesBelowTheMinimumFrameStillComeOutAsAsked)
{
    Window* w = new Probe(kFramed, nullptr, "w");
    w->SetContentSize(2, 2);  // the frame for this is below the 8 x 30 minimum
    EXPECT_EQ(w->GetContentRect().Width(), 2);
    EXPECT_EQ(w->GetContentRect().Height(), 2);
    w->SetContentSize(300, 200);
    EXPECT_EQ(w->GetContentRect().Width(), 300);
    EXPECT_EQ(w->GetContentRect().Height(), 200);
}

TEST_F(WindowTree, CollapsingGivesThirtyPixelsAndRestoringGivesTheSizeBack)
{
    Window* w = new Probe(kFramed | WF_COLLAPSEBOX, nullptr, "w");
    w->SetFrameXYWH(100, 100, 300, 200);
    Window* child = new Probe(WF_VISIBLE, w, "child");
    w->SetCollapsed(1);
    EXPECT_EQ(w->GetState(), WS_COLLAPSED);
    EXPECT_EQ(w->GetFrameHeight(), 30);
    EXPECT_FALSE(child->IsShownInTree());
    w->MoveTo(50, 60);
    w->SetCollapsed(0);
    EXPECT_TRUE(SameRect(w->GetFrameRect(), Rect{50, 60, 350, 260}));
    EXPECT_TRUE(child->IsShownInTree());
}

TEST_F(WindowTree, ContentNeverBecomesNegative)
{
    WindowSystem::SetMetrics(WindowMetrics{20, 6, 22, 16, 14});
    Window* w = new Probe(kFramed | WF_COLLAPSEBOX, nullptr, "w");
    w->SetFrameXYWH(0, 0, 200, 200);
    w->SetCollapsed(1);  // 30 high with 62 pixels of insets at the top
    EXPECT_GE(w->GetContentHeight(), 0);
    EXPECT_GE(w->GetContentWidth(), 0);
    Window* thin = new Probe(WF_VISIBLE | WF_THINBORDER | WF_TITLEBAR, nullptr, "thin");
    thin->SetFrameXYWH(0, 0, 1, 1);
    EXPECT_GE(thin->GetContentHeight(), 0);
    EXPECT_GE(thin->GetContentWidth(), 0);
}

TEST_F(WindowTree, ZoomFillsTheParentOnlyForResizableThickFrames)
{
    Window* fixed = new Probe(WF_VISIBLE | WF_TITLEBAR | WF_THICKFRAME, nullptr, "fixed");
    fixed->SetFrameXYWH(10, 10, 100, 100);
    fixed->ToggleZoom();
    EXPECT_EQ(fixed->GetState(), WS_NORMAL);
    EXPECT_EQ(fixed->GetFrameWidth(), 100);

    Window* w = new Probe(kFramed, nullptr, "w");
    w->SetFrameXYWH(10, 20, 100, 120);
    w->ToggleZoom();
    EXPECT_EQ(w->GetState(), WS_ZOOMED);
    EXPECT_TRUE(SameRect(w->GetFrameRect(), Rect{0, 0, 800, 600}));
    WindowPlacement p = w->GetPlacement();
    EXPECT_EQ(p.state, WS_ZOOMED);
    EXPECT_TRUE(SameRect(p.frame, Rect{10, 20, 110, 140}));
    w->ToggleZoom();
    EXPECT_TRUE(SameRect(w->GetFrameRect(), Rect{10, 20, 110, 140}));
    // Collapsing a zoomed window leaves the zoom first.
    w->SetWindowState(WS_ZOOMED);
    w->SetCollapsed(1);
    w->SetCollapsed(0);
    EXPECT_TRUE(SameRect(w->GetFrameRect(), Rect{10, 20, 110, 140}));
}

TEST_F(WindowTree, HitTestFindsContentTitleBoxesAndBorders)
{
    Window* w = new Probe(kFramed | WF_CLOSEBOX | WF_ZOOMBOX, nullptr, "w");
    w->SetFrameXYWH(100, 100, 200, 150);  // frame {100,100,300,250}, content {104,130,296,246}
    // Close box: content width 192, right = 192, left = 176, top = 8, bottom = 22 (frame coords).
    // Zoom box: right = 192 - (16 + 8) = 168.
    struct Case {
        int x, y;
        u32 part;
    } cases[] = {
        {99, 120, HIT_NONE},
        {200, 200, HIT_CONTENT},
        {296, 246, HIT_CONTENT},  // the content's right and bottom edges are inclusive
        {150, 110, HIT_TITLE},
        {100 + 180, 100 + 10, HIT_CLOSEBOX},
        {100 + 160, 100 + 10, HIT_ZOOMBOX},
        {101, 200, HIT_LEFT},
        {200, 101, HIT_TOP},
        {298, 200, HIT_RIGHT},
        {200, 248, HIT_BOTTOM},
        {101, 101, HIT_LEFT | HIT_TOP},
        {299, 249, HIT_RIGHT | HIT_BOTTOM},
        {300, 250, HIT_RIGHT | HIT_BOTTOM},  // the frame's own right and bottom edges still hit
        {301, 250, HIT_NONE},
    };
    for (const Case& c : cases) EXPECT_EQ(w->HitTest(Point{c.x, c.y}), c.part) << c.x << "," << c.y;
    Window* plain = new Probe(WF_VISIBLE | WF_THINBORDER, nullptr, "plain");
    plain->SetFrameXYWH(0, 0, 50, 50);
    EXPECT_EQ(plain->HitTest(Point{0, 0}), HIT_FRAME);
}

std::string RectText(const char* what, const Rect& r)
{
    return std::string(what) + " " + std::to_string(r.left) + "," + std::to_string(r.top) + "," +
           std::to_string(r.right) + "," + std::to_string(r.bottom);
}
void RecordTitleBar(const Rect& r, int) { Log().push_back(RectText("bar", r)); }
void RecordTitleButton(const Rect& r, u32 box, int) { Log().push_back(RectText("box", r) + " #" + std::to_string(box)); }
void RecordFrame(const Rect& r, u32 mask) { Log().push_back(RectText("frame", r) + " m" + std::to_string(mask)); }
void RecordThinBorder(const Rect& r) { Log().push_back(RectText("thin", r)); }

// A titled window with neither a thick frame nor a thin border has an edge width of 0: the
// content starts right below the title bar, so the bar lies flush with the frame's top, left
// and right, and the title boxes sit in the bar's top corner. No frame is drawn around it.
TEST_F(WindowTree, ATitledWindowWithoutFrameOrBorderHasItsTitleBarFlushWithTheFrame)
{
    // The base window's own frame drawing (a Probe only logs it).
    struct Plain : Window {
        explicit Plain(u32 f) noexcept : Window(f, nullptr) {}
    };
    Window* w = new Plain(WF_VISIBLE | WF_TITLEBAR | WF_CLOSEBOX);
    w->SetFrameXYWH(100, 100, 200, 150);
    EXPECT_TRUE(SameRect(w->GetContentRect(), Rect{100, 122, 300, 250}));
    // Close box in frame coordinates: {184, 0, 200, 14}.
    struct Case {
        int x, y;
        u32 part;
    } cases[] = {
        {100, 100, HIT_TITLE},  // the frame's corner is the bar's: no edge to resize by
        {150, 121, HIT_TITLE},
        {150, 122, HIT_CONTENT},
        {100, 200, HIT_CONTENT},
        {100 + 184, 100, HIT_CLOSEBOX},
        {100 + 200, 100 + 14, HIT_CLOSEBOX},
        {100 + 183, 100 + 5, HIT_TITLE},
        {100 + 190, 100 + 15, HIT_TITLE},
        {300, 250, HIT_CONTENT},
        {301, 110, HIT_NONE},
    };
    for (const Case& c : cases) EXPECT_EQ(w->HitTest(Point{c.x, c.y}), c.part) << c.x << "," << c.y;

    FramePainter painter = {};
    painter.drawTitleBar = RecordTitleBar;
    painter.drawTitleButton = RecordTitleButton;
    painter.drawFrame = RecordFrame;
    painter.drawThinBorder = RecordThinBorder;
    WindowSystem::SetFramePainter(painter);
    WindowSystem::InvalidateAll();
    Log().clear();
    WindowSystem::RenderFrame();
    WindowSystem::SetFramePainter(FramePainter{});
    const std::vector<std::string> expected = {"bar 0,0,200,22", "box 184,0,200,14 #0", "frame 184,0,200,14 m3855"};
    EXPECT_EQ(Log(), expected);
}

TEST_F(WindowTree, AddingATitleBarKeepsTheContentSizeAndTheChildrenInPlace)
{
    Window* w = new Probe(WF_VISIBLE | WF_THICKFRAME | WF_RESIZABLE, nullptr, "w");
    w->SetFrameXYWH(100, 100, 200, 200);
    Window* c = new Probe(WF_VISIBLE, w, "c");
    c->SetFrameXYWH(5, 5, 10, 10);
    Size before = w->GetContentSize();
    w->AddFlags(WF_TITLEBAR);
    EXPECT_EQ(w->GetContentWidth(), before.width);
    EXPECT_EQ(w->GetContentHeight(), before.height);
    EXPECT_EQ(c->GetPosition().x, 5);
    EXPECT_EQ(c->GetPosition().y, 5);
}

TEST_F(WindowTree, CloseQueuesOnceAndDeletesBetweenEvents)
{
    Probe* w = new Probe(WF_VISIBLE, nullptr, "w");
    w->SetId(1);
    w->Close();
    w->Close();
    EXPECT_EQ(w->GetState(), WS_CLOSED);
    EXPECT_EQ(w->GetParent(), Layer0());  // still usable until the next step
    EXPECT_TRUE(Destroyed().empty());
    Step();
    EXPECT_EQ(Destroyed(), (std::vector<int>{1}));
    EXPECT_EQ(Layer0()->GetChildCount(), 0u);
}

TEST_F(WindowTree, AChildClosedBeforeItsParentIsDeletedOnce)
{
    Probe* parent = new Probe(WF_VISIBLE, nullptr, "parent");
    parent->SetId(1);
    Probe* child = new Probe(WF_VISIBLE, parent, "child");
    child->SetId(2);
    Probe* grandchild = new Probe(WF_VISIBLE, child, "grandchild");
    grandchild->SetId(3);
    grandchild->Close();
    child->Close();
    parent->Close();
    WindowSystem::ProcessDeferredDeletes();
    std::vector<int> d = Destroyed();
    std::sort(d.begin(), d.end());
    EXPECT_EQ(d, (std::vector<int>{1, 2, 3}));
}

TEST_F(WindowTree, CloseAllChildrenDetachesAndDeletesThem)
{
    Probe* p = new Probe(WF_VISIBLE, nullptr, "p");
    for (int i = 0; i < 3; ++i) new Probe(WF_VISIBLE, p, "c");
    p->CloseAllChildren();
    EXPECT_EQ(p->GetChildCount(), 0u);
    Step();
    EXPECT_EQ(Destroyed().size(), 3u);
}

TEST_F(WindowTree, DeletingTheFrontWindowFocusesTheNextOne)
{
    Probe* back = new Probe(WF_VISIBLE | WF_FOCUSABLE, nullptr, "back");
    Probe* front = new Probe(WF_VISIBLE | WF_FOCUSABLE, nullptr, "front");
    Window::SetFocus(front, FOCUS_PROGRAM);
    EXPECT_EQ(WindowSystem::GetFocus(), front);
    delete front;
    EXPECT_EQ(WindowSystem::GetFocus(), back);
    EXPECT_EQ(Layer0()->GetFirstChild(), back);
}

TEST_F(WindowTree, DeletingAClosedFrontWindowLeavesTheFocusWhereItMovedMeanwhile)
{
    // The front window is closed (its deletion waits for the next step) and a box in the
    // popup layer, or another window of the same layer, takes the focus before it goes.
    for (bool popup : {true, false}) {
        SCOPED_TRACE(popup ? "a box in the popup layer" : "a window behind in the same layer");
        Probe* back = new Probe(WF_VISIBLE | WF_FOCUSABLE, nullptr, "back");
        Probe* other = new Probe(WF_VISIBLE | WF_FOCUSABLE | (popup ? WF_POPUP : 0u), nullptr, "other");
        Probe* front = new Probe(WF_VISIBLE | WF_FOCUSABLE, nullptr, "front");
        Window::SetFocus(front, FOCUS_PROGRAM);
        front->Close();
        Window::SetFocus(other, FOCUS_PROGRAM);
        Step();
        EXPECT_EQ(WindowSystem::GetFocus(), other);
        EXPECT_EQ(Layer0()->GetFirstChild(), popup ? back : other) << "the next window still comes to the front";
        back->Close();
        other->Close();
        Step();
    }
}

TEST_F(WindowTree, HidingTheFocusedWindowOfADialogFocusesTheNextVisibleSibling)
{
    Probe* dialog = new Probe(kFramed, nullptr, "dialog");
    Probe* c = new Probe(WF_VISIBLE | WF_FOCUSABLE, dialog, "c");
    Probe* hidden = new Probe(WF_FOCUSABLE, dialog, "hidden");
    Probe* b = new Probe(WF_VISIBLE | WF_FOCUSABLE, dialog, "b");
    Probe* a = new Probe(WF_VISIBLE | WF_FOCUSABLE, dialog, "a");  // front-most
    (void)hidden;
    Window::SetFocus(b, FOCUS_PROGRAM);
    b->SetVisible(0);
    EXPECT_EQ(WindowSystem::GetFocus(), c);
    // Hiding a window that neither is in front nor holds the focus moves nothing.
    Window::SetFocus(a, FOCUS_PROGRAM);
    c->SetVisible(0);
    EXPECT_EQ(WindowSystem::GetFocus(), a);
}

TEST_F(WindowTree, DestroyingTheTreeLeavesNoWindowBehind)
{
    Probe* w = new Probe(WF_VISIBLE, nullptr, "w");
    w->SetId(7);
    new Probe(WF_VISIBLE | WF_POPUP, nullptr, "p");
    WindowSystem::DestroyRootWindow();
    EXPECT_EQ(WindowSystem::GetLayerRoot(-1), nullptr);
    EXPECT_EQ(WindowSystem::GetFocus(), nullptr);
    EXPECT_EQ(Destroyed().size(), 2u);
    // A window made after the tree is gone belongs nowhere and is harmless.
    Window* late = new Window(WF_VISIBLE, nullptr);
    late->Invalidate(0);
    EXPECT_EQ(late->GetParent(), nullptr);
    delete late;
}

TEST_F(WindowTree, CascadePositionsStepAndWrap)
{
    Point p1 = WindowSystem::NextCascadePosition();
    Point p2 = WindowSystem::NextCascadePosition();
    EXPECT_EQ(p1.x, 64);
    EXPECT_EQ(p2.x, 112);
    Point last = p2;
    for (int i = 0; i < 20; ++i) last = WindowSystem::NextCascadePosition();
    EXPECT_LE(last.x, 800 - 560 + 64 + 48);
}

class Ticker : public Window {
public:
    Ticker(Window* p, std::vector<int>* order, int id) noexcept : Window(WF_VISIBLE, p), order(order), tag(id) {}
    void Tick() override { order->push_back(tag); }
    std::vector<int>* order;
    int tag;
};

TEST_F(WindowTree, EveryWindowTicksOncePerStepChildrenFirst)
{
    std::vector<int> order;
    Ticker* a = new Ticker(nullptr, &order, 1);
    new Ticker(a, &order, 2);
    new Ticker(nullptr, &order, 3);
    Step();
    EXPECT_EQ(order, (std::vector<int>{3, 2, 1}));
}

TEST_F(WindowTree, ClosingADialogGivesTheFocusBackToTheWindowBehindIt)
{
    Probe* editor = new Probe(kFramed, nullptr, "editor");
    Probe* field = new Probe(WF_VISIBLE | WF_FOCUSABLE, editor, "field");
    Window::SetFocus(field, FOCUS_PROGRAM);
    Probe* dialog = new Probe(kFramed, nullptr, "dialog");
    Probe* button = new Probe(WF_VISIBLE | WF_FOCUSABLE, dialog, "button");
    Window::SetFocus(button, FOCUS_PROGRAM);
    dialog->Close();
    Step();
    EXPECT_EQ(WindowSystem::GetFocus(), field);
    EXPECT_EQ(Layer0()->GetFirstChild(), editor);
}

}  // namespace
