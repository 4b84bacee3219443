// The OS layer's input adapters and window services, driven through the fake backend.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/GLTexture.h"
#include "platform/Os.h"
#include "platform/OsFake.h"

namespace {

std::vector<std::string> g_log;

void KeyHandler(int key, int action) { g_log.push_back("key " + std::to_string(key) + " " + std::to_string(action)); }
void ButtonHandler(int button, int action)
{
    g_log.push_back("button " + std::to_string(button) + " " + std::to_string(action));
}
void CharFun(int c, int action) { g_log.push_back("char " + std::to_string(c) + " " + std::to_string(action)); }
void WheelFun(int pos) { g_log.push_back("wheel " + std::to_string(pos)); }
void WheelHFun(int pos) { g_log.push_back("hwheel " + std::to_string(pos)); }
void MouseFun(int x, int y) { g_log.push_back("move " + std::to_string(x) + " " + std::to_string(y)); }
void SizeFun(int w, int h) { g_log.push_back("size " + std::to_string(w) + " " + std::to_string(h)); }
void RefreshFun() { g_log.push_back("refresh"); }
int RefuseClose()
{
    g_log.push_back("close?");
    return 0;
}
int AllowClose()
{
    g_log.push_back("close?");
    return 1;
}

class OsInput : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_log.clear();
        OsUseFakeBackend();
        ASSERT_TRUE(OsInit());
        ASSERT_TRUE(OsOpenWindow(800, 600, 0, 1));
    }
    void TearDown() override { OsResetState(); }
    std::vector<std::string> Poll()
    {
        g_log.clear();
        OsPollEvents();
        return g_log;
    }
};

typedef std::vector<std::string> Log;

}  // namespace

TEST(OsTranslateKey, FollowsTheKeyTable)
{
    struct Case { int libKey, code; } cases[] = {
        {'a', 65}, {'A', 65}, {'z', 90}, {' ', 32}, {'1', '1'}, {LIBKEY_APOSTROPHE, 39}, {LIBKEY_GRAVE_ACCENT, 96},
        {LIBKEY_ESCAPE, 97}, {LIBKEY_F1, 98}, {LIBKEY_F15, 112}, {LIBKEY_F16, -1}, {LIBKEY_F25, -1},
        {LIBKEY_TAB, 113}, {LIBKEY_LEFT_SHIFT, 115}, {LIBKEY_RIGHT_SHIFT, 116}, {LIBKEY_LEFT_CONTROL, 118},
        {LIBKEY_RIGHT_CONTROL, 119}, {LIBKEY_LEFT_ALT, 124}, {LIBKEY_RIGHT_ALT, 125}, {LIBKEY_BACKSPACE, 127},
        {LIBKEY_ENTER, 128}, {LIBKEY_INSERT, 129}, {LIBKEY_HOME, 130}, {LIBKEY_PAGE_UP, 131},
        {LIBKEY_PAGE_DOWN, 132}, {LIBKEY_END, 133}, {LIBKEY_DELETE, 134}, {LIBKEY_UP, 135}, {LIBKEY_DOWN, 136},
        {LIBKEY_LEFT, 137}, {LIBKEY_RIGHT, 138}, {LIBKEY_KP_DIVIDE, 140}, {LIBKEY_KP_MULTIPLY, 141},
        {LIBKEY_KP_SUBTRACT, 142}, {LIBKEY_KP_ADD, 143}, {LIBKEY_KP_ENTER, 144}, {LIBKEY_KP_DECIMAL, 145},
        {LIBKEY_KP_0, 146}, {LIBKEY_KP_9, 155}, {LIBKEY_KP_EQUAL, -1}, {LIBKEY_CAPS_LOCK, -1},
        {LIBKEY_NUM_LOCK, -1}, {LIBKEY_SCROLL_LOCK, -1}, {LIBKEY_PAUSE, -1}, {LIBKEY_PRINT_SCREEN, -1},
        {LIBKEY_LEFT_SUPER, -1}, {LIBKEY_RIGHT_SUPER, -1}, {LIBKEY_MENU, -1}, {LIBKEY_WORLD_1, -1},
        {LIBKEY_UNKNOWN, -1}, {0, -1}, {31, -1},
    };
    for (const auto& c : cases) EXPECT_EQ(OsTranslateKey(c.libKey), c.code) << "library key " << c.libKey;
}

TEST_F(OsInput, KeysReachTheHandlerTranslatedAndUnknownKeysAreDropped)
{
    OsSetKeyHandler(KeyHandler);
    FakeOsKey('q', LIBACTION_PRESS);
    FakeOsKey(LIBKEY_F16, LIBACTION_PRESS);
    FakeOsKey(LIBKEY_KP_ENTER, LIBACTION_PRESS);
    FakeOsKey('q', LIBACTION_RELEASE);
    EXPECT_EQ(Poll(), (Log{"key 81 1", "key 144 1", "key 81 0"}));
}

TEST_F(OsInput, AKeyRepeatArrivesAsAnotherPress)
{
    OsSetKeyHandler(KeyHandler);
    FakeOsKey(LIBKEY_DOWN, LIBACTION_PRESS);
    FakeOsKey(LIBKEY_DOWN, LIBACTION_REPEAT);
    FakeOsKey(LIBKEY_DOWN, LIBACTION_REPEAT);
    FakeOsKey(LIBKEY_DOWN, LIBACTION_RELEASE);
    EXPECT_EQ(Poll(), (Log{"key 136 1", "key 136 1", "key 136 1", "key 136 0"}));
}

TEST_F(OsInput, OsInitForgetsTheKeyAndButtonHandlers)
{
    OsSetKeyHandler(KeyHandler);
    OsSetMouseButtonHandler(ButtonHandler);
    OsInit();
    FakeOsKey('a', LIBACTION_PRESS);
    FakeOsMouseButton(0, LIBACTION_PRESS);
    EXPECT_EQ(Poll(), Log{});
}

TEST_F(OsInput, OnlyTheLeftRightAndMiddleButtonsArePassedOn)
{
    OsSetMouseButtonHandler(ButtonHandler);
    FakeOsMouseButton(0, 1);
    FakeOsMouseButton(1, 1);
    FakeOsMouseButton(2, 1);
    FakeOsMouseButton(3, 1);
    FakeOsMouseButton(7, 0);
    FakeOsMouseButton(2, 0);
    EXPECT_EQ(Poll(), (Log{"button 0 1", "button 1 1", "button 2 1", "button 2 0"}));
}

TEST_F(OsInput, CharactersArePressesAndCtrlChordsAreNotTyping)
{
    OsSetCharCallback(CharFun);
    FakeOsChar('a', 0);
    FakeOsChar('A', LIBMOD_SHIFT);
    FakeOsChar('c', LIBMOD_CONTROL);               // Ctrl+C is a command
    FakeOsChar('e', LIBMOD_ALT);                   // Alt-held characters still type
    FakeOsChar(0xE9, LIBMOD_CONTROL | LIBMOD_ALT);  // AltGr on some layouts
    FakeOsChar(0x20AC, 0);
    EXPECT_EQ(Poll(), (Log{"char 97 1", "char 65 1", "char 101 1", "char 233 1", "char 8364 1"}));
}

TEST_F(OsInput, WheelOffsetsAccumulateIntoAPosition)
{
    OsSetMouseWheelCallback(WheelFun);
    OsSetMouseWheelHCallback(WheelHFun);
    FakeOsScroll(0, 1);
    FakeOsScroll(0, 1);
    FakeOsScroll(0, -3);
    FakeOsEndStep();
    // A touchpad's small steps report once a whole notch has built up.
    for (int i = 0; i < 5; ++i) FakeOsScroll(0, 0.25);
    FakeOsEndStep();
    FakeOsScroll(1, 0);  // the library counts leftwards as positive
    FakeOsScroll(-2, 0);
    EXPECT_EQ(Poll(), (Log{"wheel 1", "wheel 2", "wheel -1"}));
    EXPECT_EQ(Poll(), (Log{"wheel 0"}));
    EXPECT_EQ(Poll(), (Log{"hwheel -1", "hwheel 1"}));
}

TEST_F(OsInput, MousePositionsArriveInWholePixels)
{
    OsSetMousePosCallback(MouseFun);
    FakeOsMousePos(10.75, 3.25);
    EXPECT_EQ(Poll(), (Log{"move 10 3"}));
}

TEST_F(OsInput, ARefusedCloseKeepsTheWindowOpenAndAnAcceptedOneClosesIt)
{
    OsSetWindowCloseCallback(RefuseClose);
    FakeOsCloseRequest();
    EXPECT_EQ(Poll(), (Log{"close?"}));
    EXPECT_TRUE(FakeOsWindowOpen());

    OsSetWindowCloseCallback(AllowClose);
    FakeOsCloseRequest();
    EXPECT_EQ(Poll(), (Log{"close?"}));
    EXPECT_FALSE(FakeOsWindowOpen());
}

TEST_F(OsInput, TheSizeCallbackIsCalledOnceWhenInstalledAndOnEveryResize)
{
    OsSetWindowSizeCallback(SizeFun);
    EXPECT_EQ(g_log, (Log{"size 800 600"}));
    FakeOsResize(1024, 700);
    EXPECT_EQ(Poll(), (Log{"size 1024 700"}));
    int w, h;
    OsGetWindowSize(&w, &h);
    EXPECT_EQ(w, 1024);
    EXPECT_EQ(h, 700);
}

TEST_F(OsInput, EachPollDeliversOneScriptedStep)
{
    OsSetKeyHandler(KeyHandler);
    FakeOsKey('1', 1);
    FakeOsEndStep();
    FakeOsKey('2', 1);
    FakeOsKey('3', 1);
    EXPECT_EQ(FakeOsPendingSteps(), 2u);
    EXPECT_EQ(Poll(), (Log{"key 49 1"}));
    EXPECT_EQ(Poll(), (Log{"key 50 1", "key 51 1"}));
    EXPECT_EQ(Poll(), Log{});
}

namespace {
std::string g_budgetMessage;
void RecordBudget(const char* message) { g_budgetMessage = message; }
}  // namespace

TEST_F(OsInput, ALoopThatPollsPastTheStepBudgetFailsInsteadOfHanging)
{
    g_budgetMessage.clear();
    FakeOsSetStepBudget(50, RecordBudget);
    int polls = 0;
    while (g_budgetMessage.empty() && polls < 1000) {  // a modal loop nobody ends
        OsPollEvents();
        ++polls;
    }
    EXPECT_EQ(polls, 51);
    EXPECT_NE(g_budgetMessage.find("budget"), std::string::npos);
}

TEST_F(OsInput, TheClockIsManualAndSleepingAdvancesIt)
{
    EXPECT_EQ(OsGetTime(), 0.0);
    OsSleep(0.5);
    FakeOsAdvanceTime(1.0);
    EXPECT_DOUBLE_EQ(OsGetTime(), 1.5);
    FakeOsSetStepTime(0.25);
    OsPollEvents();
    OsPollEvents();
    EXPECT_DOUBLE_EQ(OsGetTime(), 2.0);
}

TEST_F(OsInput, TheCursorIsShownWhileItsDisplayCounterIsNotNegative)
{
    EXPECT_EQ(OsShowCursor(0), -1);
    EXPECT_FALSE(FakeOsCursorVisible());
    EXPECT_EQ(OsShowCursor(0), -2);
    EXPECT_EQ(OsShowCursor(1), -1);
    EXPECT_FALSE(FakeOsCursorVisible());
    EXPECT_EQ(OsShowCursor(1), 0);
    EXPECT_TRUE(FakeOsCursorVisible());
}

TEST_F(OsInput, WindowServicesReachTheHost)
{
    OsSetWindowTitle("Tavik");
    EXPECT_STREQ(FakeOsWindowTitle(), "Tavik");
    OsSetMousePos(400, 300);
    int x, y;
    FakeOsLastMousePosSet(&x, &y);
    EXPECT_EQ(x, 400);
    EXPECT_EQ(y, 300);
    FakeOsSetExtensions("GL_EXT_a GL_ARB_texture_non_power_of_two_not GL_EXT_b");
    EXPECT_TRUE(OsExtensionSupported("GL_EXT_b"));
    EXPECT_FALSE(OsExtensionSupported("GL_ARB_texture_non_power_of_two"));
    EXPECT_FALSE(OsExtensionSupported("GL_EXT"));
    u8 icon[2 * 2 * 4] = {};
    EXPECT_TRUE(OsSetWindowIcon(icon, 2, 2));
    EXPECT_FALSE(OsSetWindowIcon(nullptr, 2, 2));
    OsBeep();
    OsBeep();
    EXPECT_EQ(FakeOsBeepCount(), 2u);
    OsMessageBox("Error", "The window could not be opened.");
    EXPECT_EQ(FakeOsMessageBoxCount(), 1u);
    FakeOsSetWorkArea(0, 24, 1920, 1056);
    int wx, wy, ww, wh;
    EXPECT_TRUE(OsGetWorkArea(&wx, &wy, &ww, &wh));
    EXPECT_EQ(wy, 24);
    EXPECT_EQ(wh, 1056);
    String folder;
    ASSERT_TRUE(OsGetExecutableFolder(&folder));
    EXPECT_EQ(folder.c_str()[folder.Length() - 1], '/');
}

namespace {
std::vector<int> g_dialogHook;
// Pumps the window's events while the dialog is up, as the real backend does.
void DialogHook(int active)
{
    g_dialogHook.push_back(active);
    if (active) OsPollEvents();
}
}  // namespace

TEST_F(OsInput, NoInputReachesTheProgramWhileANativeDialogIsOpenButRefreshesDo)
{
    OsSetKeyHandler(KeyHandler);
    OsSetCharCallback(CharFun);
    OsSetMouseButtonHandler(ButtonHandler);
    OsSetMousePosCallback(MouseFun);
    OsSetMouseWheelCallback(WheelFun);
    OsSetWindowRefreshCallback(RefreshFun);
    g_dialogHook.clear();
    OsSetNativeDialogHook(DialogHook);
    FakeOsKey('a', 1);
    FakeOsChar('a', 0);
    FakeOsMouseButton(0, 1);
    FakeOsMousePos(5, 5);
    FakeOsScroll(0, 1);
    FakeOsRefresh();
    g_log.clear();
    FakeOsDialogAnswer answer;
    answer.ok = 0;
    FakeOsQueueDialogAnswer(answer);
    String folder("/tmp");
    EXPECT_FALSE(OsChooseFolderDialog("Choose Folder", &folder, nullptr));
    EXPECT_EQ(g_dialogHook, (std::vector<int>{1, 0}));
    EXPECT_EQ(g_log, (Log{"refresh"}));
    EXPECT_TRUE(FakeOsLastDialog()->nativeDialogActive);
    EXPECT_FALSE(OsIsNativeDialogActive());
}

TEST(OsState, ResettingForgetsEverythingOfThePreviousTest)
{
    OsUseFakeBackend();
    OsInit();
    OsOpenWindow(640, 480, 0, 0);
    OsSetKeyHandler(KeyHandler);
    OsBeep();
    FakeOsKey('x', 1);
    OsResetState();
    EXPECT_EQ(FakeOsBeepCount(), 0u);
    EXPECT_EQ(FakeOsPendingSteps(), 0u);
    OsInit();
    OsOpenWindow(640, 480, 0, 0);
    FakeOsKey('x', 1);
    g_log.clear();
    OsPollEvents();
    EXPECT_TRUE(g_log.empty());
    OsResetState();
}

TEST(GLProbes, ExtensionProbesWaitForAWindowAndAreAskedOnce)
{
    OsUseFakeBackend();
    FakeOsSetExtensions("GL_ARB_texture_non_power_of_two GL_EXT_texture_filter_anisotropic");
    OsInit();
    EXPECT_FALSE(HasNonPowerOfTwoTextures()) << "no context yet";
    OsOpenWindow(640, 480, 0, 0);
    EXPECT_TRUE(HasNonPowerOfTwoTextures());
    EXPECT_TRUE(HasAnisotropicFiltering());
    FakeOsSetExtensions("");
    EXPECT_TRUE(HasNonPowerOfTwoTextures()) << "the first answer is kept";
    GLForceNonPowerOfTwoFallback(1);
    EXPECT_FALSE(HasNonPowerOfTwoTextures());
    EXPECT_TRUE(HasAnisotropicFiltering());
    OsResetState();
    EXPECT_FALSE(HasNonPowerOfTwoTextures());
}
