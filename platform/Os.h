#pragma once
// The OS layer: the one window with its OpenGL context, the clock, event polling and the
// input callbacks, and the host's process services (beep, message box, executable folder,
// work area, window icon). Every call into the host goes through here.
//
// Two backends serve the same functions: the real one (GLFW 3 for the window and input,
// GTK 3 for dialogs, clipboard, beep and message boxes) and a fake one for tests (see
// platform/OsFake.h). The real one is used unless a test selects the fake one with
// OsUseFakeBackend. The layer's process-wide state (handlers, callbacks, wheel positions,
// cursor counter, custom colours, hooks) is cleared by OsResetState.
//
// The callbacks keep the shape of the classic windowing interface the window system is
// written for: a key repeat arrives as another press, characters carry an action, the wheel
// reports an accumulated position, and a close request asks the program, which may refuse.
#include "foundation/String.h"
#include "foundation/Types.h"
#include "platform/OsKeys.h"

typedef void (*OsWindowSizeFun)(int width, int height);
// Answers non-zero to let the window close; 0 keeps it open (the request is still handled).
typedef int (*OsWindowCloseFun)(void);
typedef void (*OsWindowRefreshFun)(void);
typedef void (*OsCharFun)(int character, int action);
typedef void (*OsMousePosFun)(int x, int y);
typedef void (*OsMouseWheelFun)(int position);
typedef void (*OsKeyHandler)(int keyCode, int action);
typedef void (*OsMouseButtonHandler)(int button, int action);

// Backend selection. Call before OsInit; switching resets the layer's state.
void OsUseRealBackend();
void OsUseFakeBackend();
int OsIsFakeBackend();
// Clears every stored handler, callback and hook, the wheel accumulators, the cursor counter
// and shape and the colour dialog's custom colours, and terminates an open backend.
void OsResetState();

// Clears the key and mouse-button handlers, then initialises the windowing library (and,
// with the real backend, GTK when a display is there). 0 when the library cannot start.
int OsInit();
// Closes the window and shuts the library down.
void OsTerminate();
// Opens the one window: width x height, default colour bits, 32 depth bits asked (the
// context may give fewer), no stencil, windowed or full screen, swap interval 1 with vsync.
// Key and mouse-button events are routed through OsKeyAdapter and OsMouseButtonAdapter.
// 0 when the window cannot be opened.
int OsOpenWindow(int width, int height, int fullScreen, int vsync);
void OsSetWindowTitle(const char* text);
// Maximises the window on the desktop (nothing without a window or in full screen).
void OsMaximizeWindow();
// Delivers pending events through the callbacks (only here, on the calling thread) and lets
// the host's toolkit answer its own requests (the clipboard owner serving other programs).
void OsPollEvents();
void OsSwapBuffers();
// Seconds since OsInit.
double OsGetTime();
void OsSleep(double seconds);
// Display counter of the system cursor: show adds one, hide takes one; the cursor is shown
// while the counter is 0 or more. Answers the new counter.
int OsShowCursor(int show);
void OsSetMousePos(int x, int y);
// The window's current size in pixels (0, 0 without a window).
void OsGetWindowSize(int* width, int* height);

// Callback installation. The size callback is called once at once with the current size
// when a window is open.
void OsSetWindowSizeCallback(OsWindowSizeFun fun);
void OsSetWindowCloseCallback(OsWindowCloseFun fun);
void OsSetWindowRefreshCallback(OsWindowRefreshFun fun);
void OsSetCharCallback(OsCharFun fun);
void OsSetMousePosCallback(OsMousePosFun fun);
void OsSetMouseWheelCallback(OsMouseWheelFun fun);
void OsSetMouseWheelHCallback(OsMouseWheelFun fun);
void OsSetKeyHandler(OsKeyHandler handler);
void OsSetMouseButtonHandler(OsMouseButtonHandler handler);

// Calls the key handler with OsTranslateKey(key) and the action, unless there is no handler
// or the key has no code.
void OsKeyAdapter(int key, int action);
// Passes buttons 0 (left), 1 (right) and 2 (middle) to the handler; others are dropped.
void OsMouseButtonAdapter(int button, int action);
// The program's KeyCode for a library key number (LibKey), -1 when it has none.
int OsTranslateKey(int key);

int OsExtensionSupported(const char* name);
void* OsGetProcAddress(const char* name);
// The native handle (an X11 window id) of the program's window, 0 without one.
unsigned long OsGetWindowHandle();

// Host services.
// The system's default beep.
void OsBeep();
// A modal message box with one OK button, usable before the window exists. Without a
// working display the text goes to standard error.
void OsMessageBox(const char* title, const char* text);
// The folder of the running executable with a final '/'; 0 when it cannot be found.
int OsGetExecutableFolder(String* folder);
// The usable desktop area (without panels) of the primary screen; 0 when unknown.
int OsGetWorkArea(int* x, int* y, int* width, int* height);
// Sets the window's icon from a top-down RGBA image; 0 without a window.
int OsSetWindowIcon(const u8* rgba, int width, int height);

// Hooks set by the layers above.
// Called with 1 before a native dialog opens and with 0 after it closed: the window system
// stops taking input and the working directory is saved and restored around it. While a
// native dialog is open the layer itself drops key, character and mouse events.
typedef void (*OsNativeDialogHook)(int active);
void OsSetNativeDialogHook(OsNativeDialogHook hook);
int OsIsNativeDialogActive();
// Where the layer's failures are reported (one line, no final line break); by default
// standard error.
typedef void (*OsLogHook)(const char* text);
void OsSetLogHook(OsLogHook hook);
void OsLog(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Orders file names for the multiple-file dialog; strcmp until the program installs its
// natural order.
typedef int (*OsNameCompare)(const char* a, const char* b);
void OsSetNameCompare(OsNameCompare compare);
