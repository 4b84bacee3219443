#include "platform/Os.h"

#include <cctype>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <unistd.h>

#include "platform/GLTexture.h"
#include "platform/OsBackend.h"

namespace {

struct OsState {
    OsBackend* backend;
    int useFake;
    int initialised;
    OsWindowSizeFun sizeFun;
    OsWindowCloseFun closeFun;
    OsWindowRefreshFun refreshFun;
    OsCharFun charFun;
    OsMousePosFun mousePosFun;
    OsMouseWheelFun wheelFun;
    OsMouseWheelFun wheelHFun;
    OsKeyHandler keyHandler;
    OsMouseButtonHandler buttonHandler;
    // The library reports wheel offsets; the program expects positions that count notches.
    double wheelOffset, wheelHOffset;
    int wheelPos, wheelHPos;
    int cursorCounter;
    int nativeDialog;
    OsNativeDialogHook dialogHook;
    OsLogHook logHook;
    OsNameCompare nameCompare;
};

OsState g_os;

void ClearState(int useFake)
{
    memset(&g_os, 0, sizeof g_os);
    g_os.useFake = useFake;
}

}  // namespace

OsBackend* OsCurrentBackend()
{
    if (!g_os.backend) g_os.backend = g_os.useFake ? OsCreateFakeBackend() : OsCreateRealBackend();
    return g_os.backend;
}

void OsResetState()
{
    int useFake = g_os.useFake;
    if (g_os.backend) {
        if (g_os.initialised) g_os.backend->Terminate();
        delete g_os.backend;
    }
    ClearState(useFake);
    OsResetDialogState();
    OsResetClipboardState();
    GLResetState();
    // The fake is there at once, so a test can script events and answers before OsInit.
    if (useFake) OsCurrentBackend();
}

void OsUseRealBackend()
{
    g_os.useFake = 0;
    OsResetState();
}

void OsUseFakeBackend()
{
    g_os.useFake = 1;
    OsResetState();
}

int OsIsFakeBackend() { return g_os.useFake; }

int OsInit()
{
    g_os.keyHandler = nullptr;
    g_os.buttonHandler = nullptr;
    if (g_os.initialised) return 1;
    g_os.initialised = OsCurrentBackend()->Init();
    return g_os.initialised;
}

void OsTerminate()
{
    if (g_os.backend && g_os.initialised) g_os.backend->Terminate();
    g_os.initialised = 0;
}

int OsOpenWindow(int width, int height, int fullScreen, int vsync)
{
    if (!g_os.initialised) return 0;
    g_os.wheelOffset = g_os.wheelHOffset = 0;
    g_os.wheelPos = g_os.wheelHPos = 0;
    g_os.cursorCounter = 0;
    return OsCurrentBackend()->OpenWindow(width, height, fullScreen, vsync);
}

void OsSetWindowTitle(const char* text) { OsCurrentBackend()->SetWindowTitle(text ? text : ""); }
void OsMaximizeWindow() { OsCurrentBackend()->MaximizeWindow(); }
void OsPollEvents() { OsCurrentBackend()->PollEvents(); }
void OsSwapBuffers() { OsCurrentBackend()->SwapBuffers(); }
double OsGetTime() { return OsCurrentBackend()->GetTime(); }
void OsSleep(double seconds)
{
    if (seconds > 0) OsCurrentBackend()->Sleep(seconds);
}

int OsShowCursor(int show)
{
    int wasShown = g_os.cursorCounter >= 0;
    g_os.cursorCounter += show ? 1 : -1;
    int isShown = g_os.cursorCounter >= 0;
    if (wasShown != isShown) OsCurrentBackend()->SetCursorVisible(isShown);
    return g_os.cursorCounter;
}

void OsSetMousePos(int x, int y) { OsCurrentBackend()->SetMousePos(x, y); }

void OsGetWindowSize(int* width, int* height)
{
    int w = 0, h = 0;
    OsCurrentBackend()->GetWindowSize(&w, &h);
    if (width) *width = w;
    if (height) *height = h;
}

void OsSetWindowSizeCallback(OsWindowSizeFun fun)
{
    g_os.sizeFun = fun;
    if (fun && g_os.backend && g_os.backend->HasWindow()) {
        int w, h;
        OsGetWindowSize(&w, &h);
        fun(w, h);
    }
}

void OsSetWindowCloseCallback(OsWindowCloseFun fun) { g_os.closeFun = fun; }
void OsSetWindowRefreshCallback(OsWindowRefreshFun fun) { g_os.refreshFun = fun; }
void OsSetCharCallback(OsCharFun fun) { g_os.charFun = fun; }
void OsSetMousePosCallback(OsMousePosFun fun) { g_os.mousePosFun = fun; }
void OsSetMouseWheelCallback(OsMouseWheelFun fun) { g_os.wheelFun = fun; }
void OsSetMouseWheelHCallback(OsMouseWheelFun fun) { g_os.wheelHFun = fun; }
void OsSetKeyHandler(OsKeyHandler handler) { g_os.keyHandler = handler; }
void OsSetMouseButtonHandler(OsMouseButtonHandler handler) { g_os.buttonHandler = handler; }

int OsTranslateKey(int key)
{
    if (key >= 32 && key <= 128) return toupper(key);
    if (key >= LIBKEY_F1 && key <= LIBKEY_F15) return KEY_F1 + (key - LIBKEY_F1);
    if (key >= LIBKEY_KP_0 && key <= LIBKEY_KP_9) return KEY_KP_0 + (key - LIBKEY_KP_0);
    switch (key) {
    case LIBKEY_ESCAPE: return KEY_ESC;
    case LIBKEY_TAB: return KEY_TAB;
    case LIBKEY_LEFT_SHIFT: return KEY_LSHIFT;
    case LIBKEY_RIGHT_SHIFT: return KEY_RSHIFT;
    case LIBKEY_LEFT_CONTROL: return KEY_LCTRL;
    case LIBKEY_RIGHT_CONTROL: return KEY_RCTRL;
    case LIBKEY_LEFT_ALT: return KEY_LALT;
    case LIBKEY_RIGHT_ALT: return KEY_RALT;
    case LIBKEY_BACKSPACE: return KEY_BACKSPACE;
    case LIBKEY_ENTER: return KEY_ENTER;
    case LIBKEY_INSERT: return KEY_INSERT;
    case LIBKEY_HOME: return KEY_HOME;
    case LIBKEY_PAGE_UP: return KEY_PAGEUP;
    case LIBKEY_PAGE_DOWN: return KEY_PAGEDOWN;
    case LIBKEY_END: return KEY_END;
    case LIBKEY_DELETE: return KEY_DELETE;
    case LIBKEY_UP: return KEY_UP;
    case LIBKEY_DOWN: return KEY_DOWN;
    case LIBKEY_LEFT: return KEY_LEFT;
    case LIBKEY_RIGHT: return KEY_RIGHT;
    case LIBKEY_KP_DIVIDE: return KEY_KP_DIVIDE;
    case LIBKEY_KP_MULTIPLY: return KEY_KP_MULTIPLY;
    case LIBKEY_KP_SUBTRACT: return KEY_KP_SUBTRACT;
    case LIBKEY_KP_ADD: return KEY_KP_ADD;
    case LIBKEY_KP_ENTER: return KEY_KP_ENTER;
    case LIBKEY_KP_DECIMAL: return KEY_KP_DECIMAL;
    default: return KEY_NONE;
    }
}

void OsKeyAdapter(int key, int action)
{
    if (!g_os.keyHandler) return;
    int code = OsTranslateKey(key);
    if (code != KEY_NONE) g_os.keyHandler(code, action);
}

void OsMouseButtonAdapter(int button, int action)
{
    if (g_os.buttonHandler && button >= 0 && button <= 2) g_os.buttonHandler(button, action);
}

// Raw events from the backends. While a native dialog is open the program takes no input,
// but repaints and size changes still reach it.

void OsInputKey(int libKey, int action)
{
    if (g_os.nativeDialog) return;
    // The window system recognises auto-repeat itself from a press of a key already down.
    if (action == LIBACTION_REPEAT) action = LIBACTION_PRESS;
    OsKeyAdapter(libKey, action);
}

void OsInputChar(unsigned codepoint, int libMods)
{
    if (g_os.nativeDialog || !g_os.charFun) return;
    // Ctrl+letter is a command, not typing; Ctrl+Alt is how some layouts type (AltGr).
    if ((libMods & LIBMOD_CONTROL) && !(libMods & LIBMOD_ALT)) return;
    if (codepoint > 0x7FFFFFFFu) return;
    g_os.charFun(int(codepoint), 1);
}

void OsInputMouseButton(int button, int action)
{
    if (g_os.nativeDialog) return;
    OsMouseButtonAdapter(button, action);
}

void OsInputMousePos(double x, double y)
{
    if (g_os.nativeDialog || !g_os.mousePosFun) return;
    g_os.mousePosFun(int(floor(x)), int(floor(y)));
}

void OsInputScroll(double dx, double dy)
{
    if (g_os.nativeDialog) return;
    if (dy != 0) {
        g_os.wheelOffset += dy;
        int pos = int(lround(g_os.wheelOffset));
        if (pos != g_os.wheelPos) {
            g_os.wheelPos = pos;
            if (g_os.wheelFun) g_os.wheelFun(pos);
        }
    }
    if (dx != 0) {
        // The library counts leftwards as positive; the program's horizontal position grows
        // to the right.
        g_os.wheelHOffset -= dx;
        int pos = int(lround(g_os.wheelHOffset));
        if (pos != g_os.wheelHPos) {
            g_os.wheelHPos = pos;
            if (g_os.wheelHFun) g_os.wheelHFun(pos);
        }
    }
}

int OsInputCloseRequest()
{
    if (!g_os.closeFun) return 1;
    return g_os.closeFun() != 0;
}

void OsInputSize(int width, int height)
{
    if (g_os.sizeFun) g_os.sizeFun(width, height);
}

void OsInputRefresh()
{
    if (g_os.refreshFun) g_os.refreshFun();
}

int OsExtensionSupported(const char* name) { return name && OsCurrentBackend()->ExtensionSupported(name); }
void* OsGetProcAddress(const char* name) { return name ? OsCurrentBackend()->GetProcAddress(name) : nullptr; }
unsigned long OsGetWindowHandle() { return OsCurrentBackend()->GetWindowHandle(); }

void OsBeep() { OsCurrentBackend()->Beep(); }

void OsMessageBox(const char* title, const char* text)
{
    OsCurrentBackend()->MessageBox(title ? title : "", text ? text : "");
}

int OsGetExecutableFolder(String* folder)
{
    char buffer[4096];
    ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0 || n >= ssize_t(sizeof buffer - 1)) return 0;
    buffer[n] = 0;
    char* slash = strrchr(buffer, '/');
    if (!slash) return 0;
    slash[1] = 0;
    folder->Set(buffer);
    return 1;
}

int OsGetWorkArea(int* x, int* y, int* width, int* height)
{
    int a = 0, b = 0, c = 0, d = 0;
    int ok = OsCurrentBackend()->GetWorkArea(&a, &b, &c, &d);
    if (x) *x = a;
    if (y) *y = b;
    if (width) *width = c;
    if (height) *height = d;
    return ok;
}

int OsSetWindowIcon(const u8* rgba, int width, int height)
{
    if (!rgba || width <= 0 || height <= 0) return 0;
    return OsCurrentBackend()->SetWindowIcon(rgba, width, height);
}

void OsSetNativeDialogHook(OsNativeDialogHook hook) { g_os.dialogHook = hook; }
int OsIsNativeDialogActive() { return g_os.nativeDialog; }

// Used by the dialogs around every native dialog.
void OsSetNativeDialogActive(int active)
{
    if (active) {
        ++g_os.nativeDialog;
        if (g_os.nativeDialog == 1 && g_os.dialogHook) g_os.dialogHook(1);
    } else if (g_os.nativeDialog > 0) {
        --g_os.nativeDialog;
        if (g_os.nativeDialog == 0 && g_os.dialogHook) g_os.dialogHook(0);
    }
}

void OsSetLogHook(OsLogHook hook) { g_os.logHook = hook; }

void OsLog(const char* format, ...)
{
    char text[1024];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (g_os.logHook)
        g_os.logHook(text);
    else
        fprintf(stderr, "%s\n", text);
}

void OsSetNameCompare(OsNameCompare compare) { g_os.nameCompare = compare; }

int OsCompareNames(const char* a, const char* b)
{
    return g_os.nameCompare ? g_os.nameCompare(a, b) : strcmp(a, b);
}
