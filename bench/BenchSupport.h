#pragma once
// Shared set-up of the headless benchmarks: the window system behind the fake OS backend on a
// 1280 x 1024 screen with fixed frame metrics, so the numbers are the toolkit's own work
// without a display or a driver.
#include "gui/WindowSystem.h"
#include "platform/Os.h"
#include "platform/OsFake.h"

// Opens the fake window and (re)starts the window system on it, empty. Callbacks, the step hook
// and the running state are left to the caller.
inline void StartHeadlessWindowSystem()
{
    OsUseFakeBackend();
    OsInit();
    OsOpenWindow(1280, 1024, 0, 0);
    WindowSystem::Reset();
    WindowSystem::SetMetrics(WindowMetrics{4, 1, 22, 16, 14});
    WindowSystem::Init();
}
