// Menus behind the fake OS backend: geometry, the menu bar and popups driven by scripted mouse
// and keys through the real window system, their modal loops and signals. A synthetic font
// makes every character 6 px wide and a menu line 14 px high (a row 18, the bar 26 with the
// 4-pixel border of the test metrics).
#include <string>
#include <vector>

#include "StateWatchSupport.h"
#include "gui/Menu.h"

using namespace wtest;

namespace {

constexpr s32 kRowH = 18;
constexpr s32 kBarH = 26;

std::string Title(Window* w) { return w ? (w->GetTitle() ? w->GetTitle() : "?") : "-"; }

// The open path of a menu tree: each open menu with its highlighted item.
std::string Snapshot(MenuItem* root)
{
    std::string s;
    for (MenuItem* m = root; m; m = m->openSubmenu) {
        if (!s.empty()) s += ">";
        s += Title(m) + "[" + (m->highlightedItem ? Title(m->highlightedItem) : "") + "]";
    }
    return s;
}

class MenuTest : public StateWatchFixture {
protected:
    void SetUp() override
    {
        StateWatchFixture::SetUp();
        listener.t = this;
    }

    struct Listener : has_slots<void> {
        MenuTest* t;
        void Chosen(MenuItem* i) { t->chosen.push_back(i ? Title(i) : "null"); }
        void Opening(MenuItem* i) { t->opening.push_back(Title(i)); }
    } listener;

    Menu* Make(u32 bar)
    {
        Menu* m = new Menu(bar);
        m->itemChosen.Connect<&Listener::Chosen>(&listener);
        m->itemOpening.Connect<&Listener::Opening>(&listener);
        Watch([m] { return Snapshot(m); });
        return m;
    }
    // A popup shown at (x, y) and focused, without a modal loop.
    void ShowAt(Menu* m, s32 x, s32 y)
    {
        m->parentMenu = m;
        m->MoveTo(x, y);
        m->SetVisible(1);
        Window::SetFocus(m, FOCUS_PROGRAM);
    }
    void Press(int libKey) { Key(libKey, LIBACTION_PRESS), Key(libKey, LIBACTION_RELEASE), FakeOsEndStep(); }
    void Letter(char c)
    {
        int upper = c >= 'a' && c <= 'z' ? c - 32 : c;
        Key(upper, LIBACTION_PRESS);
        FakeOsChar(unsigned(c), 0);
        Key(upper, LIBACTION_RELEASE);
        FakeOsEndStep();
    }
    void ClickStep(int x, int y)
    {
        MoveTo(x, y);
        FakeOsEndStep();
        WindowFixture::Press();
        FakeOsEndStep();
        Release();
        FakeOsEndStep();
    }
    void MoveStep(int x, int y)
    {
        MoveTo(x, y);
        FakeOsEndStep();
    }
    // Open, a separator, Save (disabled) and Quit, ids 1 to 3.
    Menu* FilePopup()
    {
        Menu* m = Make(0);
        m->AddItem("Open", nullptr, 1, 1);
        m->AddSeparator(nullptr);
        m->AddItem("Save", nullptr, 2, 0);
        m->AddItem("Quit", nullptr, 3, 1);
        return m;
    }
    // A bar with File (New, Recent > One, Two, Quit) and Edit (Cut, Paste) and Help (disabled).
    Menu* Bar()
    {
        Menu* bar = Make(1);
        file = bar->AddItem("File", nullptr, 100, 1);
        bar->AddItem("New", file, 101, 1);
        recent = bar->AddItem("Recent", file, 102, 1);
        bar->AddItem("One", recent, 103, 1);
        bar->AddItem("Two", recent, 104, 1);
        bar->AddItem("Quit", file, 105, 1);
        edit = bar->AddItem("Edit", nullptr, 200, 1);
        bar->AddItem("Cut", edit, 201, 1);
        bar->AddItem("Paste", edit, 202, 1);
        MenuItem* help = bar->AddItem("Help", nullptr, 300, 0);
        bar->AddItem("About", help, 301, 1);
        WindowSystem::SetMenuBar(bar);
        return bar;
    }

    std::vector<std::string> chosen, opening;
    MenuItem* file = nullptr;
    MenuItem* recent = nullptr;
    MenuItem* edit = nullptr;
};

TEST_F(MenuTest, APopupIsAsWideAsItsWidestTextPlus36AtLeast64AndAsHighAsItsRows)
{
    struct Case {
        const char* text;
        s32 width;
    } cases[] = {{"a", 64}, {"abcdefghijklmnopq", 17 * 6 + 36}, {"", 64}};
    for (const Case& c : cases) {
        Menu* m = Make(0);
        m->AddItem(c.text, nullptr, 1, 1);
        m->AddItem("b", nullptr, 2, 1);
        EXPECT_EQ(m->GetFrameWidth(), c.width) << c.text;
        EXPECT_EQ(m->GetFrameHeight(), 8 + 2 * kRowH) << c.text;
        delete m;
    }
    Menu* m = FilePopup();
    EXPECT_EQ(m->GetFrameHeight(), 8 + 3 * kRowH + 4);  // a separator row is 4 high
    EXPECT_STREQ(m->GetClassName(), "MenuItem");
    EXPECT_STREQ(m->GetTitle(), "Popup Menu");
    EXPECT_FALSE(m->IsVisible());
    MenuItem* sep = m->FirstItem()->NextItem(m->FirstItem());
    EXPECT_EQ(s32(sep->GetId()), -1);
    EXPECT_STREQ(sep->GetTitle(), "<---separator--->");
}

TEST_F(MenuTest, RenamingAndRemovingItemsResizeTheMenu)
{
    Menu* m = Make(0);
    MenuItem* a = m->AddItem("a", nullptr, 1, 1);
    m->AddItem("b", nullptr, 2, 1);
    a->SetTitle("abcdefghijklmnopq");
    EXPECT_EQ(m->GetFrameWidth(), 138);
    delete a;
    EXPECT_EQ(m->GetFrameWidth(), 64);
    EXPECT_EQ(m->GetFrameHeight(), 8 + kRowH);
}

TEST_F(MenuTest, PopupRowsAreFoundByPointWithTheirEdges)
{
    Menu* m = FilePopup();
    m->MoveTo(100, 100);
    MenuItem* open = m->FirstItem();
    EXPECT_EQ(m->ItemAtPoint(Point{104, 104}), open);
    EXPECT_EQ(m->ItemAtPoint(Point{100 + m->GetFrameWidth() - 4, 104 + kRowH}), open);  // inclusive edges
    EXPECT_EQ(m->ItemAtPoint(Point{103, 110}), nullptr);
    EXPECT_EQ(Title(m->ItemAtPoint(Point{150, 104 + kRowH + 4 + kRowH + 5})), "Quit");
}

TEST_F(MenuTest, ArrowsSkipSeparatorsAndDisabledItemsAndWrapAround)
{
    Menu* m = FilePopup();
    ShowAt(m, 100, 100);
    Press(LIBKEY_DOWN);  // nothing highlighted: the first item
    Press(LIBKEY_DOWN);
    Press(LIBKEY_DOWN);
    Press(LIBKEY_UP);
    Run();
    EXPECT_EQ(States(), (std::vector<std::string>{"Popup Menu[Open]", "Popup Menu[Quit]", "Popup Menu[Open]",
                                                  "Popup Menu[Quit]"}));
}

TEST_F(MenuTest, EnterChoosesAndEscAnswersNullOutsideAModalLoop)
{
    Menu* m = FilePopup();
    ShowAt(m, 100, 100);
    Press(LIBKEY_DOWN);
    Press(LIBKEY_ENTER);
    Press(LIBKEY_ESCAPE);
    Run();
    EXPECT_EQ(chosen, (std::vector<std::string>{"Open", "null"}));
    EXPECT_EQ(opening, (std::vector<std::string>{"Open"}));  // the activated item
}

TEST_F(MenuTest, LettersFindTheNextItemStartingWithThemAndBeepOtherwise)
{
    Menu* m = Make(0);
    m->AddItem("Apple", nullptr, 1, 1);
    m->AddItem("banana", nullptr, 2, 1);
    m->AddItem("avocado", nullptr, 3, 1);
    m->AddItem("Almond", nullptr, 4, 0);
    ShowAt(m, 100, 100);
    u32 beeps = FakeOsBeepCount();
    Letter('a');
    Letter('A');
    Letter('a');  // the disabled Almond is passed over, the search wraps
    Letter('B');
    Run();
    EXPECT_EQ(States(), (std::vector<std::string>{"Popup Menu[Apple]", "Popup Menu[avocado]", "Popup Menu[Apple]",
                                                  "Popup Menu[banana]"}));
    EXPECT_EQ(FakeOsBeepCount(), beeps);
    Letter('z');
    Letter('1');
    Run();
    EXPECT_EQ(FakeOsBeepCount(), beeps + 2);
    EXPECT_EQ(Title(m->highlightedItem), "banana");
}

TEST_F(MenuTest, RightOpensASubmenuAndLeftClosesItBackToItsItem)
{
    Menu* m = Make(0);
    MenuItem* file = m->AddItem("File", nullptr, 1, 1);
    m->AddItem("New", file, 2, 1);
    MenuItem* recent = m->AddItem("Recent", file, 3, 1);
    m->AddItem("One", recent, 4, 1);
    ShowAt(m, 100, 100);
    Press(LIBKEY_DOWN);
    Press(LIBKEY_RIGHT);
    Press(LIBKEY_DOWN);
    Press(LIBKEY_RIGHT);
    Press(LIBKEY_LEFT);
    Press(LIBKEY_LEFT);
    Press(LIBKEY_LEFT);  // nothing above the popup itself
    Run();
    EXPECT_EQ(States(), (std::vector<std::string>{
                            "Popup Menu[File]",
                            "Popup Menu[File]>File[New]",
                            "Popup Menu[File]>File[Recent]",
                            "Popup Menu[File]>File[Recent]>Recent[One]",
                            "Popup Menu[File]>File[Recent]",
                            "Popup Menu[File]",
                        }));
    EXPECT_EQ(opening, (std::vector<std::string>{"File", "Recent", "Recent", "File"}));
    EXPECT_FALSE(recent->IsVisible());
    EXPECT_FALSE(file->IsVisible());
}

TEST_F(MenuTest, ASubmenuOpensRightOfItsRowOrLeftWhereThereIsNoRoom)
{
    Menu* m = Make(0);
    MenuItem* file = m->AddItem("File", nullptr, 1, 1);
    m->AddItem("New", file, 2, 1);
    ShowAt(m, 100, 100);
    MenuItem::SetOpen(file, 1);
    ASSERT_TRUE(file->IsVisible());
    EXPECT_EQ(file->GetFrameRect().left, 100 + 64 - 12);
    EXPECT_EQ(file->GetFrameRect().top, 104);
    MenuItem::CloseSubmenus(m);
    m->MoveTo(760, 590);  // right and bottom edges: left and upwards
    MenuItem::SetOpen(file, 1);
    EXPECT_EQ(file->GetFrameRect().left, 760 + 4 - 64);
    EXPECT_EQ(file->GetFrameRect().top, 594 - file->GetFrameHeight() + 16);
}

TEST_F(MenuTest, PopupRunsUntilAClickOnAnItemAndAnswersItsId)
{
    Menu* m = FilePopup();
    // Rows from y 104: Open, separator (122-126), Save (126-144), Quit (144-162).
    ClickStep(120, 124);  // separator
    ClickStep(120, 130);  // disabled
    ClickStep(120, 150);
    s32 id = m->Popup(Point{100, 100});
    EXPECT_EQ(id, 3);
    EXPECT_FALSE(m->IsVisible());
    EXPECT_EQ(WindowSystem::GetModalDepth(), 0u);
    EXPECT_TRUE(chosen.empty());  // the answer is the result, not the signal
}

TEST_F(MenuTest, PopupNearTheBottomRightCornerOpensAboveAndLeftOfThePoint)
{
    Menu* m = FilePopup();
    Press(LIBKEY_ESCAPE);
    EXPECT_EQ(m->Popup(Point{790, 590}), -1);
    Rect f = m->GetFrameRect();
    EXPECT_TRUE(SameRect(f, Rect{790 - f.Width(), 590 - f.Height(), 790, 590}));
}

TEST_F(MenuTest, AClickOutsideAPopupClosesItAndReachesTheWindowUnderThePointer)
{
    Probe* below = new Probe(kFramed | WF_FOCUSABLE, nullptr, "below");
    below->SetFrameXYWH(300, 300, 300, 200);
    Window::SetFocus(below, FOCUS_PROGRAM);
    Menu* m = FilePopup();
    ClickStep(400, 400);
    Log().clear();
    EXPECT_EQ(m->Popup(Point{100, 100}), -1);
    Run();
    EXPECT_EQ(LogFor("below:press"), (std::vector<std::string>{"below:press 400,400 b0"}));
    EXPECT_EQ(WindowSystem::GetFocus(), below);  // the keyboard went back too
}

TEST_F(MenuTest, TheMenuBarSpansTheTopOfTheScreenAboveTheNormalLayer)
{
    Menu* bar = Bar();
    EXPECT_TRUE(bar->IsVisible());
    EXPECT_STREQ(bar->GetTitle(), "Menu Bar");
    EXPECT_TRUE(SameRect(bar->GetFrameRect(), Rect{0, 0, 800, kBarH}));
    EXPECT_EQ(Layer0()->GetFrameRect().top, kBarH);
    EXPECT_EQ(bar->ItemAtPoint(Point{10, 10}), file);
    EXPECT_EQ(bar->ItemAtPoint(Point{40 + 10, 10}), edit);  // "File" is 24 + 12 wide from x 4
    EXPECT_EQ(bar->ItemAtPoint(Point{300, 10}), nullptr);
    FakeOsResize(1000, 700);
    Run();
    EXPECT_EQ(bar->GetFrameWidth(), 1000);
}

TEST_F(MenuTest, HoveringTheBarHighlightsWithoutOpeningAndLeavingClears)
{
    Menu* bar = Bar();
    MoveStep(10, 10);
    MoveStep(50, 10);
    MoveStep(400, 300);
    Run();
    EXPECT_EQ(States(), (std::vector<std::string>{"Menu Bar[File]", "Menu Bar[Edit]", "Menu Bar[]"}));
    EXPECT_TRUE(opening.empty());
    (void)bar;
}

TEST_F(MenuTest, AClickOnTheBarOpensItsMenuWhichFollowsThePointerAcrossTheBar)
{
    Bar();
    ClickStep(10, 10);
    MoveStep(50, 10);  // Edit: its menu replaces File's
    MoveStep(60, kBarH + 8);  // into Edit's menu at (40, 22): Cut
    ClickStep(60, kBarH + 8);
    Run();
    EXPECT_EQ(States(), (std::vector<std::string>{"Menu Bar[File]", "Menu Bar[File]>File[]", "Menu Bar[Edit]>Edit[]",
                                                  "Menu Bar[Edit]>Edit[Cut]", "Menu Bar[]"}));
    EXPECT_EQ(chosen, (std::vector<std::string>{"Cut"}));
    EXPECT_EQ(opening, (std::vector<std::string>{"File", "Edit", "Cut", "Cut"}));
    EXPECT_TRUE(SameRect(edit->GetFrameRect(), Rect{40, 22, 40 + 5 * 6 + 36, 22 + 8 + 2 * kRowH}));
    EXPECT_EQ(WindowSystem::GetModalDepth(), 0u);
}

TEST_F(MenuTest, TheBarIsDrivenByKeysWhileOpen)
{
    Bar();
    ClickStep(10, 10);
    Press(LIBKEY_DOWN);   // into File: New
    Press(LIBKEY_DOWN);   // Recent
    Press(LIBKEY_RIGHT);  // Recent opens: One
    Press(LIBKEY_LEFT);   // back to Recent
    Press(LIBKEY_DOWN);   // Quit
    Press(LIBKEY_RIGHT);  // a leaf of a bar menu: the next bar menu, Edit
    Press(LIBKEY_LEFT);   // back to File
    Press(LIBKEY_UP);     // wraps to Quit
    Press(LIBKEY_ENTER);
    Run();
    EXPECT_EQ(States(), (std::vector<std::string>{
                            "Menu Bar[File]",
                            "Menu Bar[File]>File[]",
                            "Menu Bar[File]>File[New]",
                            "Menu Bar[File]>File[Recent]",
                            "Menu Bar[File]>File[Recent]>Recent[One]",
                            "Menu Bar[File]>File[Recent]",
                            "Menu Bar[File]>File[Quit]",
                            "Menu Bar[Edit]>Edit[Cut]",
                            "Menu Bar[File]>File[New]",
                            "Menu Bar[File]>File[Quit]",
                            "Menu Bar[]",
                        }));
    EXPECT_EQ(chosen, (std::vector<std::string>{"Quit"}));
}

TEST_F(MenuTest, ArrowsAcrossTheBarSkipDisabledMenusAndEscClosesWithoutChoosing)
{
    Bar();
    ClickStep(50, 10);
    Press(LIBKEY_RIGHT);  // Help is disabled: File
    Press(LIBKEY_LEFT);
    Press(LIBKEY_ESCAPE);
    Run();
    EXPECT_EQ(States(), (std::vector<std::string>{"Menu Bar[Edit]", "Menu Bar[Edit]>Edit[]", "Menu Bar[File]>File[]",
                                                  "Menu Bar[Edit]>Edit[]", "Menu Bar[]"}));
    EXPECT_TRUE(chosen.empty());
    EXPECT_EQ(WindowSystem::GetModalDepth(), 0u);
}

TEST_F(MenuTest, ClickingTheOpenBarItemAgainClosesItsMenu)
{
    Bar();
    ClickStep(10, 10);
    ClickStep(12, 10);
    Run();
    EXPECT_EQ(States(), (std::vector<std::string>{"Menu Bar[File]", "Menu Bar[File]>File[]", "Menu Bar[]"}));
    EXPECT_EQ(WindowSystem::GetModalDepth(), 0u);
    EXPECT_TRUE(chosen.empty());
}

TEST_F(MenuTest, AClickOutsideTheOpenBarClosesItAndReachesTheWindowUnderThePointer)
{
    Bar();
    Probe* below = new Probe(kFramed, nullptr, "below");
    below->SetFrameXYWH(300, 300, 300, 200);  // in layer 0, below the bar
    ClickStep(10, 10);
    ClickStep(400, 400);
    Log().clear();
    Run();
    EXPECT_EQ(LogFor("below:press"), (std::vector<std::string>{"below:press 400,400 b0"}));
    EXPECT_EQ(States().back(), "Menu Bar[]");
    EXPECT_EQ(WindowSystem::GetModalDepth(), 0u);
}

TEST_F(MenuTest, AnOutsideClickArrivingWithItsReleaseReachesTheWindowPressFirst)
{
    Bar();
    Probe* below = new Probe(kFramed, nullptr, "below");
    below->SetFrameXYWH(300, 300, 300, 200);
    ClickStep(10, 10);
    // Press and release come in one poll: the press that closes the bar is handed on ahead
    // of the release, so the window sees them in their order.
    MoveTo(400, 400);
    WindowFixture::Press();
    Release();
    FakeOsEndStep();
    Log().clear();
    Run();
    RunSteps(3);  // the menu's loop ends a step after the click that closed it
    std::vector<std::string> buttons;
    for (const std::string& e : Log())
        if (e.rfind("below:press", 0) == 0 || e.rfind("below:release", 0) == 0) buttons.push_back(e.substr(6, e.find(' ') - 6));
    ASSERT_EQ(buttons.size(), 2u);
    EXPECT_EQ(buttons[0], "press");
    EXPECT_EQ(buttons[1], "release");
    EXPECT_EQ(WindowSystem::GetModalDepth(), 0u);
}

TEST_F(MenuTest, DisabledItemsAndSeparatorsCannotBeChosenByClicks)
{
    Menu* bar = Make(1);
    MenuItem* tools = bar->AddItem("Tools", nullptr, 1, 1);
    bar->AddItem("Off", tools, 2, 0);
    bar->AddSeparator(tools);
    bar->AddItem("On", tools, 3, 1);
    WindowSystem::SetMenuBar(bar);
    ClickStep(10, 10);
    ClickStep(20, 22 + 4 + 9);           // Off
    ClickStep(20, 22 + 4 + kRowH + 2);   // the separator
    ClickStep(20, 22 + 4 + kRowH + 4 + 9);  // On
    Run();
    EXPECT_EQ(chosen, (std::vector<std::string>{"On"}));
}

TEST_F(MenuTest, AnOpeningHandlerMayRebuildTheSubmenuBeforeItShows)
{
    struct Rebuilder : has_slots<void> {
        Menu* bar;
        MenuItem* window;
        void Opening(MenuItem* item)
        {
            if (item != window) return;
            // Closed items wait for deletion until the event is over, but no longer count.
            for (Window* w = window->GetFirstChild(); w; w = w->GetNextSibling()) w->Close();
            bar->AddItem("Close All Windows", window, 10301, 1);
            bar->AddItem("abcdefghijklmnopqrstuvwxyz", window, 10302, 1);
        }
    } rebuilder;
    Menu* bar = Make(1);
    rebuilder.bar = bar;
    rebuilder.window = bar->AddItem("Window", nullptr, 10300, 1);
    bar->AddItem("Old", rebuilder.window, 1, 1);
    bar->AddItem("Older", rebuilder.window, 2, 1);
    bar->itemOpening.Connect<&Rebuilder::Opening>(&rebuilder);
    WindowSystem::SetMenuBar(bar);
    ClickStep(10, 10);
    ClickStep(20, 22 + 4 + kRowH + 9);
    Run();
    EXPECT_EQ(chosen, (std::vector<std::string>{"abcdefghijklmnopqrstuvwxyz"}));
    EXPECT_EQ(rebuilder.window->GetFrameWidth(), 26 * 6 + 36);
    EXPECT_EQ(rebuilder.window->GetChildCount(), 2u);
}

// An opening handler that rebuilds the menu when one of its items is activated: the item that
// ended the loop is gone by the time the loop returns, so nothing is chosen and nothing reads it.
TEST_F(MenuTest, AnItemRemovedByTheOpeningHandlerOfItsOwnActivationIsNotChosen)
{
    struct Rebuilder : has_slots<void> {
        Menu* bar;
        MenuItem* window;
        int rebuilds = 0;
        void Opening(MenuItem* item)
        {
            if (item == window || item->GetId() >= 10000) return;
            ++rebuilds;
            for (Window* w = window->GetFirstChild(); w; w = w->GetNextSibling()) w->Close();
            bar->AddItem("Fresh", window, 10001, 1);
        }
    } rebuilder;
    Menu* bar = Make(1);
    rebuilder.bar = bar;
    rebuilder.window = bar->AddItem("Window", nullptr, 10300, 1);
    bar->AddItem("Old", rebuilder.window, 1, 1);
    bar->itemOpening.Connect<&Rebuilder::Opening>(&rebuilder);
    WindowSystem::SetMenuBar(bar);
    ClickStep(10, 10);
    Press(LIBKEY_DOWN);
    Press(LIBKEY_ENTER);
    Run();
    EXPECT_EQ(rebuilder.rebuilds, 1);
    EXPECT_TRUE(chosen.empty());
    EXPECT_EQ(WindowSystem::GetModalDepth(), 0u);
    EXPECT_EQ(rebuilder.window->GetChildCount(), 1u);
}

// The same in a popup menu: its answer is -1, not the id read from the deleted item.
TEST_F(MenuTest, APopupWhoseChosenItemIsRemovedByTheOpeningHandlerAnswersMinusOne)
{
    struct Remover : has_slots<void> {
        int calls = 0;
        void Opening(MenuItem* item)
        {
            ++calls;
            if (item) item->Close();
        }
    } remover;
    Menu* m = FilePopup();
    m->itemOpening.Connect<&Remover::Opening>(&remover);
    StopWatching();
    Press(LIBKEY_DOWN);
    Press(LIBKEY_ENTER);
    s32 id = m->Popup(Point{100, 100});
    EXPECT_EQ(remover.calls, 1);
    EXPECT_EQ(id, -1);
    EXPECT_EQ(WindowSystem::GetModalDepth(), 0u);
}

TEST_F(MenuTest, AQuickSecondClickOnTheOpenBarItemClosesItToo)
{
    Bar();
    FakeOsSetStepTime(0.01);  // the second press is a double click
    ClickStep(10, 10);
    ClickStep(10, 10);
    Run();
    EXPECT_EQ(States().back(), "Menu Bar[]");
    EXPECT_EQ(WindowSystem::GetModalDepth(), 0u);
}

}  // namespace
