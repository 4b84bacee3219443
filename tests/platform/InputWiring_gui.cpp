// Real X input through the GLFW window reaches the program's callbacks in the shape they
// expect: translated keys, characters, buttons, an accumulated wheel position. The events
// are sent to the window itself with xdotool (so other windows on the display do not matter);
// the test is skipped when it is not installed.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/Os.h"

namespace {

std::vector<std::string> g_log;
void Key(int k, int a) { g_log.push_back("key " + std::to_string(k) + " " + std::to_string(a)); }
void Char(int c, int a) { g_log.push_back("char " + std::to_string(c) + " " + std::to_string(a)); }
void Button(int b, int a) { g_log.push_back("button " + std::to_string(b) + " " + std::to_string(a)); }
void Wheel(int p) { g_log.push_back("wheel " + std::to_string(p)); }
void WheelH(int p) { g_log.push_back("hwheel " + std::to_string(p)); }

bool Xdotool(const std::string& args)
{
    std::string cmd = "xdotool " + args + " >/dev/null 2>&1";
    return system(cmd.c_str()) == 0;
}

// Polls until the log holds n entries or a second has passed.
void PollFor(size_t n)
{
    double end = OsGetTime() + 1.0;
    while (g_log.size() < n && OsGetTime() < end) {
        OsPollEvents();
        OsSleep(0.01);
    }
}

// The log without key entries. A modifier the tool pressed for the step before can be
// pressed and released again late (it restores the keyboard state), so the pointer steps
// look only at what they test.
std::vector<std::string> WithoutKeys()
{
    std::vector<std::string> out;
    for (const std::string& e : g_log)
        if (e.rfind("key ", 0) != 0) out.push_back(e);
    return out;
}

// Polls until the log holds n entries that are not key entries, or a second has passed.
void PollForPointer(size_t n)
{
    double end = OsGetTime() + 1.0;
    while (WithoutKeys().size() < n && OsGetTime() < end) {
        OsPollEvents();
        OsSleep(0.01);
    }
}

}  // namespace

TEST(InputWiring, XEventsArriveThroughTheAdapters)
{
    if (system("command -v xdotool >/dev/null 2>&1") != 0) GTEST_SKIP() << "xdotool is not installed";
    OsUseRealBackend();
    ASSERT_TRUE(OsInit());
    ASSERT_TRUE(OsOpenWindow(200, 150, 0, 0));
    OsSetKeyHandler(Key);
    OsSetCharCallback(Char);
    OsSetMouseButtonHandler(Button);
    OsSetMouseWheelCallback(Wheel);
    OsSetMouseWheelHCallback(WheelH);
    for (int i = 0; i < 20; ++i) {
        OsPollEvents();
        OsSleep(0.01);
    }
    std::string id = std::to_string(OsGetWindowHandle());
    ASSERT_TRUE(Xdotool("windowfocus --sync " + id + " mousemove --window " + id + " 50 60"));
    PollFor(1000);  // settle
    g_log.clear();

    ASSERT_TRUE(Xdotool("key --window " + id + " q"));
    PollFor(3);
    EXPECT_EQ(g_log, (std::vector<std::string>{"key 81 1", "char 113 1", "key 81 0"}));

    g_log.clear();
    ASSERT_TRUE(Xdotool("key --window " + id + " ctrl+c"));
    PollFor(4);
    // Ctrl+C is keys only; no character is typed (the releases come in the tool's order).
    ASSERT_GE(g_log.size(), 4u);
    EXPECT_EQ(g_log[0], "key 118 1");
    EXPECT_EQ(g_log[1], "key 67 1");
    for (const std::string& e : g_log) EXPECT_NE(e.rfind("char", 0), 0u) << e;

    g_log.clear();
    ASSERT_TRUE(Xdotool("click --window " + id + " 2"));
    PollForPointer(2);
    EXPECT_EQ(WithoutKeys(), (std::vector<std::string>{"button 2 1", "button 2 0"}));

    g_log.clear();
    ASSERT_TRUE(Xdotool("click --window " + id + " --repeat 2 4 click --window " + id + " 5"));  // two notches up, one down
    PollForPointer(3);
    EXPECT_EQ(WithoutKeys(), (std::vector<std::string>{"wheel 1", "wheel 2", "wheel 1"}));

    g_log.clear();
    ASSERT_TRUE(Xdotool("click --window " + id + " 7"));  // one notch to the right
    PollForPointer(1);
    EXPECT_EQ(WithoutKeys(), (std::vector<std::string>{"hwheel 1"}));
    OsResetState();
}
