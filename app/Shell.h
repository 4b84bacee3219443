#pragma once
// The application shell: start-up, the main-loop step, quitting and teardown.
#include "foundation/Types.h"

// Runs the whole program: start-up, the main loop until quit, teardown. Answers the process
// exit code: 0 after a normal quit; non-zero (with the reason on standard error or in a
// message box) when the window, the font or the texture pack cannot be had.
int TavikMain(int argc, char** argv);

// Sets the preference defaults that "res/prefs.txt" may override.
void RegisterPreferenceDefaults();
// Shows the splash (and waits for it to fade) when "ShowSplash" is 1 or more; a value of
// exactly 1 is then set to 0, so the splash is seen once.
void ShowStartSplash();
// The window size from "OsWindowSizeX"/"OsWindowSizeY" when both exist (each raised to at
// least 640 x 480 and capped at 16384), else 1024 x 768.
void GetStartWindowSize(int* width, int* height);
// Whether a buffer swap keeps the back buffer (1), or how many swaps an image takes to come
// back (2, 3: the front buffer is copied back after each swap).
u32 DetectSwapBehaviour();
void SwapAndKeepBackBuffer();
// Copies the whole front buffer into the back buffer whatever drawing state is on (the state
// is restored), then reads from the back buffer and leaves scissoring on.
void CopyFrontToBackBuffer();
// The window system's step hook: events, local-folder poll, processing and drawing, present.
int MainLoopStep();
// The window system's can-quit hook.
int ConfirmQuit();
void RefreshCallback();

// The game folder from "VornPath", absolute and ending in '/'.
void GetGameFolder(char* out, u32 size);
// (Re)starts the tag database on the game folder: the archive browser closed, archives of
// "tags" and "plugins", the "local" folder scanned and watched, the default archives
// activated, the browser's listener registered and the browser shown (restoring the working
// set).
void StartCodex();
// Opens every archive of the game folder's "tags" and "plugins" folders.
void RescanGameFolder();
