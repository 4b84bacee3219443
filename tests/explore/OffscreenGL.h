#pragma once
// An OpenGL context without a window (Mesa's surfaceless EGL platform), made current for the
// whole run: the fake OS backend has none, and editors that build textures (the About box's
// splash, thumbnails, detail textures) call into OpenGL and GLU whatever the window system
// draws. Answers 0 when no such context can be had; the run then goes on without one.
int MakeOffscreenGLContext();
void DestroyOffscreenGLContext();
