#pragma once
// Test support for widgets that run their own modal loops (menus, combo boxes): the headless
// window system with the synthetic text-box font, and a step hook that records every distinct
// state of the watched widget after each step, also from inside its loops.
#include <functional>
#include <string>
#include <vector>

#include "TextBoxSupport.h"

namespace wtest {

class StateWatchFixture : public WindowFixture {
protected:
    void SetUp() override
    {
        WindowFixture::SetUp();
        font = tbtest::MakeFont();
        WindowSystem::SetDefaultFont(font);
        WindowSystem::SetStepHook(WatchingStep);
        // Clicks a step apart are never double clicks.
        FakeOsSetStepTime(1.0);
        Watched().states.clear();
        Watched().snapshot = nullptr;
    }
    void TearDown() override
    {
        StopWatching();
        WindowFixture::TearDown();
        FreeFont(font);
    }

    // From the next step on, records snapshot()'s answer whenever it differs from the last one.
    static void Watch(std::function<std::string()> snapshot) { Watched().snapshot = std::move(snapshot); }
    // Records nothing more; call it before the watched widget is deleted.
    static void StopWatching() { Watched().snapshot = nullptr; }
    // The distinct states recorded so far, oldest first.
    static const std::vector<std::string>& States() { return Watched().states; }

    // One main-loop step, then the watched widget's state.
    static int WatchingStep()
    {
        int r = Step();
        if (Watched().snapshot) {
            std::string s = Watched().snapshot();
            std::vector<std::string>& states = Watched().states;
            if (states.empty() || states.back() != s) states.push_back(s);
        }
        return r;
    }
    // As the fixture's Run, through the watching step.
    void Run()
    {
        FakeOsEndStep();
        while (FakeOsPendingSteps() && !BudgetFailed()) WatchingStep();
    }

    Font* font = nullptr;

private:
    struct WatchState {
        std::vector<std::string> states;
        std::function<std::string()> snapshot;
    };
    static WatchState& Watched()
    {
        static WatchState w;
        return w;
    }
};

}  // namespace wtest
