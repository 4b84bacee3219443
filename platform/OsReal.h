#pragma once
// Inside the OS layer: the pieces the real backend's GLFW and GTK halves share, and the
// support the display tests use to answer native dialogs.
#include "platform/OsBackend.h"

// Starts GTK once (after the windowing library); 0 when it cannot, logged the first time.
int GtkStart();
// Lets GTK run its pending work (clipboard requests of other programs, dialog redraws).
void GtkDrain();
void GtkBeep();
// 0 when GTK is not there.
int GtkMessageBox(const char* title, const char* text);
int GtkGetWorkArea(int* x, int* y, int* width, int* height);
int GtkClipboardSetText(const char* text8, const u16* utf16);
int GtkClipboardSetPicture(const u8* dib, u32 size);
int GtkClipboardGetText(DynArray<u16>* utf16, int* hasUtf16, String* text8);
int GtkClipboardGetPicture(DynArray<u8>* dib);
void GtkFileDialog(OsFileDialogRequest* request, OsFileDialogAnswer* answer, unsigned long parent);
int GtkColorDialog(u8 rgb[3], const u8 custom[16][3], unsigned long parent);
// Keeps the program's window alive while a native dialog runs: handles its events (input
// is dropped by the layer) and waits a little. Answers 0 when there is no window.
int OsRealPumpWindow();
// Builds one of the program's own cursor images (32 x 32 RGBA, top-down) for the cursor
// kinds the windowing library has no shape for; 0 for the others.
int OsCursorImage(int kind, u8* rgba, int* hotX, int* hotY);
