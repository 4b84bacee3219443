#pragma once
// GTK and the forty libraries it brings are loaded the first time a native dialog, the
// clipboard, the beep or the work area asks for them, not when the program starts: the GTK
// services (gtk/OsGtk.cpp) are a module of their own, libtavik_gtk.so, beside the program.
// The module reaches the program only through the host table below, so that both share one
// window, one log and one clipboard coding; String and DynArray it carries itself.
#include "foundation/DynArray.h"
#include "foundation/String.h"
#include "platform/Clipboard.h"
#include "platform/OsBackend.h"

struct OsFileDialogRequest;
struct OsFileDialogAnswer;

struct GtkModuleHost {
    int (*pumpWindow)();
    unsigned long (*windowHandle)();
    int (*packPicture)(const u8* pixels, u32 width, u32 height, ClipboardPicture* out);
    int (*unpackPicture)(const u8* dib, u32 size, u8** pixels, u32* width, u32* height);
    void (*filterPatternToGlob)(String* out, const char* pattern);
    void (*appendFilterExtension)(String* path, const DynArray<FileFilter>& shown, u32 index);
    void (*log)(const char* text);
};

// The module's services, the functions of OsReal.h and OsTestSupport.h of the same names.
struct GtkModuleApi {
    int (*start)();
    void (*drain)();
    void (*beep)();
    int (*messageBox)(const char* title, const char* text);
    int (*getWorkArea)(int* x, int* y, int* width, int* height);
    int (*clipboardSetText)(const char* text8, const u16* utf16);
    int (*clipboardSetPicture)(const u8* dib, u32 size);
    int (*clipboardGetText)(DynArray<u16>* utf16, int* hasUtf16, String* text8);
    int (*clipboardGetPicture)(DynArray<u8>* dib);
    void (*fileDialog)(OsFileDialogRequest* request, OsFileDialogAnswer* answer, unsigned long parent);
    int (*colorDialog)(u8 rgb[3], const u8 custom[16][3], unsigned long parent);
    void (*answerNextDialog)(int delayMs, int accept, const char* path, int filterIndex, int optionIndex);
    void (*answerNextColorDialog)(int delayMs, int accept, int red, int green, int blue);
    void (*answerNextMessage)(int delayMs, int accept);
    int (*nativeDialogCount)();
    const char* (*lastAnsweredMessage)();
    void (*setDialogDeadline)(int ms);
    int (*dialogDeadlinePassed)();
    int (*colorChooserSettings)(String* out);
};

// The module's one exported function: keeps host and fills api. Answers 0 when the module
// was built for another table (kGtkModuleVersion).
constexpr int kGtkModuleVersion = 1;
typedef int (*GtkModuleOpenFunction)(int version, const GtkModuleHost* host, GtkModuleApi* api);
#define TAVIK_GTK_MODULE_OPEN "TavikGtkModuleOpen"
