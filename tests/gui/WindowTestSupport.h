#pragma once
// Test support for the window system: a fixture that runs the real WindowSystem behind the
// fake OS backend (no display, no OpenGL), scripted input, and a window that records what
// reaches it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gui/Window.h"
#include "gui/WindowSystem.h"
#include "platform/Os.h"
#include "platform/OsFake.h"
#include "platform/OsKeys.h"

namespace wtest {

inline std::vector<std::string>& Log()
{
    static std::vector<std::string> log;
    return log;
}

inline int& BudgetFailed()
{
    static int failed;
    return failed;
}

inline void OnBudgetExhausted(const char* message)
{
    BudgetFailed() = 1;
    ADD_FAILURE() << message;
}

// One main-loop step as the shell runs it: poll the OS, then process and draw.
inline int Step()
{
    if (BudgetFailed()) return 0;
    OsPollEvents();
    WindowSystem::ProcessAndRender();
    return !BudgetFailed();
}

// Counts destructor calls by id, to catch windows deleted twice or never.
inline std::vector<int>& Destroyed()
{
    static std::vector<int> d;
    return d;
}

// A window that logs the events and calls that reach it as "name:what".
class Probe : public Window {
public:
    // noexcept: a new-expression with a throwing constructor makes GCC 12 warn falsely
    // about the class's own operator delete (-Wmismatched-new-delete).
    Probe(u32 f, Window* p, const char* name) noexcept : Window(f, p) { SetTitle(name); }
    ~Probe() override { Destroyed().push_back(int(GetId())); }
    const char* GetClassName() const override { return "Probe"; }

    std::string Name() { return GetTitle() ? GetTitle() : "?"; }
    void Note(const std::string& what) { Log().push_back(Name() + ":" + what); }

    int HandleEvent(Window* target, u32 type, Event* event) override
    {
        if (logRouting && type <= EVENT_WHEEL && target != this) Note("sees " + std::to_string(type));
        if (takeAll && target != this) return 1;
        return Window::HandleEvent(target, type, event);
    }
    int KeyEvent(Event* e) override
    {
        Note("key " + std::to_string(e->Key()) + " " + std::to_string(e->Action()) + " m" +
             std::to_string(e->KeyModifiers()));
        return takeKeys;
    }
    void CharEvent(Event* e) override
    {
        Note("char " + std::to_string(e->Character()));
        if (onChar) onChar(this);
    }
    void MouseButton(Event* e) override
    {
        Note(std::string(e->Pressed() ? "press" : "release") + " " + std::to_string(e->X()) + "," +
             std::to_string(e->Y()) + " b" + std::to_string(e->Button()));
        if (onPress && e->Pressed()) onPress(this);
    }
    void DoubleClick(Event*) override { Note("double"); }
    void MouseWheel(Event* e) override
    {
        Note(std::string((e->data[3] & MOD_HWHEEL) ? "hwheel " : "wheel ") + std::to_string(e->WheelOld()) + ">" +
             std::to_string(e->WheelNew()));
    }
    FocusAnswer FocusGained(Window*, u32 reason) override
    {
        Note("focus " + std::to_string(reason));
        return focusAnswer;
    }
    void FocusLost(Window*, u32) override { Note("blur"); }
    int CanClose(u32 reason) override
    {
        Note("canclose " + std::to_string(reason));
        if (refuseClose) return 0;
        return Window::CanClose(reason);
    }
    void DrawContent() override { Note("content"); }
    void DrawFrame() override { Note("frame"); }
    void DrawBackground() override {}
    int DragDrop(Point p, u32 phase, DragDropData*) override
    {
        Note("drop " + std::to_string(phase) + " " + std::to_string(p.x) + "," + std::to_string(p.y) +
             (WindowSystem::GetCaptureWindow() ? " captured" : " free"));
        return acceptDrop;
    }
    void Track(Point, Point c, u32 phase) override
    {
        Note("track " + std::to_string(phase) + " " + std::to_string(c.x) + "," + std::to_string(c.y));
    }

    int logRouting = 0;
    int takeAll = 0;
    int takeKeys = 0;
    int refuseClose = 0;
    int acceptDrop = 0;
    FocusAnswer focusAnswer = FOCUS_TAKEN;
    void (*onPress)(Probe*) = nullptr;
    void (*onChar)(Probe*) = nullptr;
    Probe* other = nullptr;  // a window the callbacks work on
};

constexpr u32 kFramed = WF_VISIBLE | WF_TITLEBAR | WF_THICKFRAME | WF_RESIZABLE | WF_PANEL;

class WindowFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        Log().clear();
        Destroyed().clear();
        OsUseFakeBackend();
        ASSERT_TRUE(OsInit());
        ASSERT_TRUE(OsOpenWindow(800, 600, 0, 0));
        BudgetFailed() = 0;
        FakeOsSetStepBudget(400, OnBudgetExhausted);
        WindowSystem::Reset();
        WindowSystem::SetMetrics(WindowMetrics{4, 1, 22, 16, 14});
        WindowSystem::Init();
        WindowSystem::SetDirtyRectMode(1);
        WindowSystem::InstallCallbacks();
        WindowSystem::SetStepHook(Step);
        WindowSystem::SetRunning(1);
        Step();
        Log().clear();
    }
    void TearDown() override
    {
        WindowSystem::Reset();
        OsResetState();
    }

    // Scripted input: each call adds to the step being scripted; Run delivers it.
    void MoveTo(int x, int y) { FakeOsMousePos(x, y); }
    void Press(int button = 0) { FakeOsMouseButton(button, LIBACTION_PRESS); }
    void Release(int button = 0) { FakeOsMouseButton(button, LIBACTION_RELEASE); }
    void Click(int x, int y, int button = 0)
    {
        MoveTo(x, y);
        Press(button);
        Release(button);
    }
    void Key(int libKey, int action = LIBACTION_PRESS) { FakeOsKey(libKey, action); }
    void Tap(int libKey)
    {
        Key(libKey, LIBACTION_PRESS);
        Key(libKey, LIBACTION_RELEASE);
    }
    // Ends the scripted step and runs steps until the script is used up.
    void Run()
    {
        FakeOsEndStep();
        while (FakeOsPendingSteps() && !BudgetFailed()) Step();
    }
    void RunSteps(int n)
    {
        for (int i = 0; i < n; ++i) Step();
    }
    Window* Layer0() { return WindowSystem::GetLayerRoot(0); }
    Window* Layer1() { return WindowSystem::GetLayerRoot(1); }
};

inline bool LogHas(const std::string& entry)
{
    for (const std::string& s : Log())
        if (s == entry) return true;
    return false;
}

inline std::vector<std::string> LogFor(const std::string& prefix)
{
    std::vector<std::string> out;
    for (const std::string& s : Log())
        if (s.compare(0, prefix.size(), prefix) == 0) out.push_back(s);
    return out;
}

inline ::testing::AssertionResult SameRect(const Rect& a, const Rect& b)
{
    if (a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "{" << a.left << "," << a.top << "," << a.right << "," << a.bottom
                                         << "} != {" << b.left << "," << b.top << "," << b.right << "," << b.bottom
                                         << "}";
}

}  // namespace wtest
