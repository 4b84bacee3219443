#include "tests/explore/OffscreenGL.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>

namespace {
EGLDisplay g_display = EGL_NO_DISPLAY;
EGLContext g_context = EGL_NO_CONTEXT;
}  // namespace

int MakeOffscreenGLContext()
{
    auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (!getPlatformDisplay) return 0;
    g_display = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (g_display == EGL_NO_DISPLAY || !eglInitialize(g_display, nullptr, nullptr)) return 0;
    if (!eglBindAPI(EGL_OPENGL_API)) return 0;
    const EGLint attributes[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE};
    EGLConfig config;
    EGLint count = 0;
    if (!eglChooseConfig(g_display, attributes, &config, 1, &count) || count < 1) return 0;
    g_context = eglCreateContext(g_display, config, EGL_NO_CONTEXT, nullptr);
    if (g_context == EGL_NO_CONTEXT) return 0;
    return eglMakeCurrent(g_display, EGL_NO_SURFACE, EGL_NO_SURFACE, g_context) ? 1 : 0;
}

void DestroyOffscreenGLContext()
{
    if (g_display == EGL_NO_DISPLAY) return;
    eglMakeCurrent(g_display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (g_context != EGL_NO_CONTEXT) eglDestroyContext(g_display, g_context);
    eglTerminate(g_display);
    g_display = EGL_NO_DISPLAY;
    g_context = EGL_NO_CONTEXT;
}
