// Start-up probe for bench/startup.sh: starts a program and watches the X server for its first
// frame, about every half millisecond, so that the measure is finer than the start-up it times.
//
//   frame_probe <title> bare|browser <x> <y> <width> <height> <timeout s> -- program [args...]
//
// The frame counts once a mapped top-level window named <title> shows, in the rectangle given
// (window coordinates), a pixel that is not black ("bare") or more than 20 light pixels, all
// three channels above 170 ("browser": a tree row drawn in light text). The probe then stops
// the program and prints one line: milliseconds from start to that frame, and the program's
// peak resident memory in KiB (its own process: under an emulator, the emulator's).
// Exit status 1 when the frame does not come before the timeout or the program ends first.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

double Now()
{
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

int IgnoreErrors(Display*, XErrorEvent*) { return 0; }

// The viewable top-level window named title, or 0. Windows of a window manager's frames are
// searched one level down.
Window FindWindow(Display* d, Window parent, const char* title, int depth)
{
    Window root, up, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(d, parent, &root, &up, &children, &count)) return 0;
    Window found = 0;
    for (unsigned i = count; i-- > 0 && !found;) {
        XWindowAttributes a;
        if (!XGetWindowAttributes(d, children[i], &a) || a.map_state != IsViewable) continue;
        char* name = nullptr;
        if (XFetchName(d, children[i], &name) && name) {
            if (!strcmp(name, title)) found = children[i];
            XFree(name);
        }
        if (!found && depth > 0) found = FindWindow(d, children[i], title, depth - 1);
    }
    if (children) XFree(children);
    return found;
}

int FrameShown(Display* d, Window w, int browser, int x, int y, int width, int height)
{
    XImage* image = XGetImage(d, w, x, y, unsigned(width), unsigned(height), AllPlanes, ZPixmap);
    if (!image) return 0;
    int light = 0, lit = 0;
    for (int j = 0; j < height; ++j)
        for (int i = 0; i < width; ++i) {
            unsigned long p = XGetPixel(image, i, j);
            unsigned r = unsigned(p >> 16) & 255, g = unsigned(p >> 8) & 255, b = unsigned(p) & 255;
            if (p & 0xFFFFFF) lit = 1;
            if (r > 170 && g > 170 && b > 170) ++light;
        }
    XDestroyImage(image);
    return browser ? light > 20 : lit;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 10 || strcmp(argv[8], "--")) {
        fprintf(stderr, "usage: %s title bare|browser x y width height timeout -- program [args]\n", argv[0]);
        return 2;
    }
    const char* title = argv[1];
    int browser = !strcmp(argv[2], "browser");
    int x = atoi(argv[3]), y = atoi(argv[4]), width = atoi(argv[5]), height = atoi(argv[6]);
    double timeout = atof(argv[7]);
    Display* d = XOpenDisplay(nullptr);
    if (!d) {
        fprintf(stderr, "frame_probe: no display\n");
        return 2;
    }
    XSetErrorHandler(IgnoreErrors);  // the window may go while it is looked at
    double start = Now();
    pid_t pid = fork();
    if (pid == 0) {
        execvp(argv[9], argv + 9);
        _exit(127);
    }
    if (pid < 0) return 2;
    int shown = 0, ended = 0, status = 0;
    struct rusage usage;
    memset(&usage, 0, sizeof usage);
    double at = 0;
    const timespec pause = {0, 500000};
    while (Now() - start < timeout) {
        if (wait4(pid, &status, WNOHANG, &usage) == pid) {
            ended = 1;
            break;
        }
        Window w = FindWindow(d, DefaultRootWindow(d), title, 1);
        if (w && FrameShown(d, w, browser, x, y, width, height)) {
            at = Now();
            shown = 1;
            break;
        }
        nanosleep(&pause, nullptr);
    }
    if (!ended) {
        kill(pid, SIGTERM);
        wait4(pid, &status, 0, &usage);
    }
    if (!shown) {
        fprintf(stderr, "frame_probe: %s\n", ended ? "the program ended before its first frame" : "no frame in time");
        return 1;
    }
    printf("%.1f %ld\n", (at - start) * 1000.0, usage.ru_maxrss);
    XCloseDisplay(d);
    return 0;
}
