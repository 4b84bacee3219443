// The real backend's window, input and process services over GLFW 3; dialogs, clipboard,
// beep and message boxes go to the GTK half.
#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>
#define GLFW_EXPOSE_NATIVE_X11
// X11 has a KeyCode of its own; the program's is the one that counts here.
#define KeyCode X11KeyCode
#include <GLFW/glfw3native.h>
#undef KeyCode
#include <time.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/Clipboard.h"
#include "platform/Os.h"
#include "platform/OsReal.h"

static_assert(LIBKEY_SPACE == GLFW_KEY_SPACE && LIBKEY_A == GLFW_KEY_A && LIBKEY_GRAVE_ACCENT == GLFW_KEY_GRAVE_ACCENT,
              "printable keys");
static_assert(LIBKEY_ESCAPE == GLFW_KEY_ESCAPE && LIBKEY_END == GLFW_KEY_END && LIBKEY_PAUSE == GLFW_KEY_PAUSE,
              "function keys");
static_assert(LIBKEY_F1 == GLFW_KEY_F1 && LIBKEY_F15 == GLFW_KEY_F15 && LIBKEY_F25 == GLFW_KEY_F25, "F keys");
static_assert(LIBKEY_KP_0 == GLFW_KEY_KP_0 && LIBKEY_KP_EQUAL == GLFW_KEY_KP_EQUAL, "keypad");
static_assert(LIBKEY_LEFT_SHIFT == GLFW_KEY_LEFT_SHIFT && LIBKEY_MENU == GLFW_KEY_MENU, "modifier keys");
static_assert(LIBMOD_SHIFT == GLFW_MOD_SHIFT && LIBMOD_CONTROL == GLFW_MOD_CONTROL && LIBMOD_ALT == GLFW_MOD_ALT,
              "modifier bits");
static_assert(LIBACTION_REPEAT == GLFW_REPEAT && LIBACTION_PRESS == GLFW_PRESS, "actions");

namespace {

GLFWwindow* g_window;
int g_closeAccepted;
GLFWcursor* g_cursors[14];

void OnError(int code, const char* text) { OsLog("Window system error %d: %s", code, text ? text : ""); }
void OnKey(GLFWwindow*, int key, int, int action, int) { OsInputKey(key, action); }
void OnChar(GLFWwindow*, unsigned codepoint, int mods) { OsInputChar(codepoint, mods); }
void OnButton(GLFWwindow*, int button, int action, int) { OsInputMouseButton(button, action); }
void OnCursor(GLFWwindow*, double x, double y) { OsInputMousePos(x, y); }
void OnScroll(GLFWwindow*, double dx, double dy) { OsInputScroll(dx, dy); }
void OnSize(GLFWwindow*, int width, int height) { OsInputSize(width, height); }
void OnRefresh(GLFWwindow*) { OsInputRefresh(); }
void OnClose(GLFWwindow* window)
{
    // The program decides; a refusal keeps the window open.
    if (OsInputCloseRequest())
        g_closeAccepted = 1;
    else
        glfwSetWindowShouldClose(window, GLFW_FALSE);
}

void DestroyCursors()
{
    for (GLFWcursor*& c : g_cursors) {
        if (c) glfwDestroyCursor(c);
        c = nullptr;
    }
}

GLFWcursor* CursorFor(int kind)
{
    if (kind <= 0 || kind >= 14) return nullptr;
    if (g_cursors[kind]) return g_cursors[kind];
    GLFWcursor* c = nullptr;
    switch (kind) {
    case CURSOR_RESIZE_WE: c = glfwCreateStandardCursor(GLFW_HRESIZE_CURSOR); break;
    case CURSOR_RESIZE_NS: c = glfwCreateStandardCursor(GLFW_VRESIZE_CURSOR); break;
    case CURSOR_IBEAM: c = glfwCreateStandardCursor(GLFW_IBEAM_CURSOR); break;
    case CURSOR_CROSSHAIR: c = glfwCreateStandardCursor(GLFW_CROSSHAIR_CURSOR); break;
    default: {
        static u8 pixels[32 * 32 * 4];
        int hx = 0, hy = 0;
        if (OsCursorImage(kind, pixels, &hx, &hy)) {
            GLFWimage image = {32, 32, pixels};
            c = glfwCreateCursor(&image, hx, hy);
        }
        break;
    }
    }
    g_cursors[kind] = c;
    return c;
}

class RealBackend : public OsBackend {
public:
    ~RealBackend() override { Terminate(); }

    int Init() override
    {
        glfwSetErrorCallback(OnError);
        if (!glfwInit()) return 0;
        initialised = 1;
        // GTK starts with the first dialog, clipboard use, beep or message box: starting it
        // costs more than opening the window, and most sessions reach none of them early.
        return 1;
    }
    void Terminate() override
    {
        if (!initialised) return;
        DestroyCursors();
        if (g_window) glfwDestroyWindow(g_window);
        g_window = nullptr;
        glfwTerminate();
        initialised = 0;
    }
    int OpenWindow(int width, int height, int fullScreen, int vsync) override
    {
        if (g_window || width <= 0 || height <= 0) return 0;
        glfwDefaultWindowHints();
        glfwWindowHint(GLFW_DEPTH_BITS, 32);
        glfwWindowHint(GLFW_STENCIL_BITS, 0);
        GLFWmonitor* monitor = fullScreen ? glfwGetPrimaryMonitor() : nullptr;
        g_window = glfwCreateWindow(width, height, "", monitor, nullptr);
        if (!g_window) {
            // Some visuals offer at most 24 depth bits and a strict server refuses 32.
            glfwWindowHint(GLFW_DEPTH_BITS, 24);
            g_window = glfwCreateWindow(width, height, "", monitor, nullptr);
        }
        if (!g_window) return 0;
        g_closeAccepted = 0;
        glfwMakeContextCurrent(g_window);
        glfwSwapInterval(vsync ? 1 : 0);
        glfwSetInputMode(g_window, GLFW_CURSOR, GLFW_CURSOR_NORMAL);
        glfwSetKeyCallback(g_window, OnKey);
        glfwSetCharModsCallback(g_window, OnChar);
        glfwSetMouseButtonCallback(g_window, OnButton);
        glfwSetCursorPosCallback(g_window, OnCursor);
        glfwSetScrollCallback(g_window, OnScroll);
        glfwSetWindowSizeCallback(g_window, OnSize);
        glfwSetWindowRefreshCallback(g_window, OnRefresh);
        glfwSetWindowCloseCallback(g_window, OnClose);
        return 1;
    }
    int HasWindow() override { return g_window != nullptr; }
    void MaximizeWindow() override
    {
        if (g_window && !glfwGetWindowMonitor(g_window)) glfwMaximizeWindow(g_window);
    }
    void SetWindowTitle(const char* text) override
    {
        if (g_window) glfwSetWindowTitle(g_window, text);
    }
    void PollEvents() override
    {
        if (!initialised) return;
        glfwPollEvents();
        if (g_window && g_closeAccepted) {
            glfwDestroyWindow(g_window);
            g_window = nullptr;
            DestroyCursors();
        }
        GtkDrain();
    }
    void SwapBuffers() override
    {
        if (g_window) glfwSwapBuffers(g_window);
    }
    double GetTime() override { return initialised ? glfwGetTime() : 0.0; }
    void Sleep(double seconds) override
    {
        struct timespec t;
        t.tv_sec = time_t(seconds);
        t.tv_nsec = long((seconds - double(t.tv_sec)) * 1e9);
        while (nanosleep(&t, &t) == -1 && errno == EINTR) {
        }
    }
    void SetCursorVisible(int visible) override
    {
        if (g_window) glfwSetInputMode(g_window, GLFW_CURSOR, visible ? GLFW_CURSOR_NORMAL : GLFW_CURSOR_HIDDEN);
    }
    void SetMousePos(int x, int y) override
    {
        if (g_window) glfwSetCursorPos(g_window, x, y);
    }
    void GetWindowSize(int* width, int* height) override
    {
        if (g_window) glfwGetWindowSize(g_window, width, height);
    }
    int ExtensionSupported(const char* name) override
    {
        return initialised && g_window && glfwGetCurrentContext() ? glfwExtensionSupported(name) : 0;
    }
    void* GetProcAddress(const char* name) override
    {
        if (!initialised || !glfwGetCurrentContext()) return nullptr;
        return reinterpret_cast<void*>(glfwGetProcAddress(name));
    }
    unsigned long GetWindowHandle() override
    {
        GLFWwindow* w = initialised ? glfwGetCurrentContext() : nullptr;
        return w ? static_cast<unsigned long>(glfwGetX11Window(w)) : 0;
    }
    void SetCursorShape(int kind) override
    {
        if (g_window) glfwSetCursor(g_window, CursorFor(kind));
    }
    void Beep() override { GtkBeep(); }
    void MessageBox(const char* title, const char* text) override
    {
        if (!GtkMessageBox(title, text)) fprintf(stderr, "%s: %s\n", title, text);
    }
    int GetWorkArea(int* x, int* y, int* width, int* height) override
    {
        // The windowing library reads the same desktop hints as GTK and is running already.
        if (initialised) {
            if (GLFWmonitor* monitor = glfwGetPrimaryMonitor()) {
                glfwGetMonitorWorkarea(monitor, x, y, width, height);
                if (*width > 0 && *height > 0) return 1;
            }
        }
        return GtkGetWorkArea(x, y, width, height);
    }
    int SetWindowIcon(const u8* rgba, int width, int height) override
    {
        if (!g_window) return 0;
        GLFWimage image = {width, height, const_cast<u8*>(rgba)};
        glfwSetWindowIcon(g_window, 1, &image);
        return 1;
    }
    int ClipboardSetText(const char* text8, const u16* utf16) override { return GtkClipboardSetText(text8, utf16); }
    int ClipboardSetPicture(const u8* dib, u32 size) override { return GtkClipboardSetPicture(dib, size); }
    int ClipboardGetText(DynArray<u16>* utf16, int* hasUtf16, String* text8) override
    {
        return GtkClipboardGetText(utf16, hasUtf16, text8);
    }
    int ClipboardGetPicture(DynArray<u8>* dib) override { return GtkClipboardGetPicture(dib); }
    void FileDialog(OsFileDialogRequest* request, OsFileDialogAnswer* answer) override
    {
        GtkFileDialog(request, answer, GetWindowHandle());
    }
    int ColorDialog(u8 rgb[3], const u8 custom[16][3]) override { return GtkColorDialog(rgb, custom, GetWindowHandle()); }

private:
    int initialised = 0;
};

}  // namespace

OsBackend* OsCreateRealBackend() { return new RealBackend; }

int OsRealPumpWindow()
{
    if (!g_window) return 0;
    // Input is dropped while the dialog is up; exposures still reach the refresh callback.
    glfwWaitEventsTimeout(0.01);
    return 1;
}
