// The module's side of GtkModule.h: the program's functions OsGtk.cpp calls, reached through
// the host table, and the one exported function that hands the services over.
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "platform/OsReal.h"
#include "platform/OsTestSupport.h"
#include "platform/Os.h"
#include "platform/gtk/GtkModule.h"

namespace {

const GtkModuleHost* g_host;

}  // namespace

int OsRealPumpWindow() { return g_host->pumpWindow(); }
unsigned long OsGetWindowHandle() { return g_host->windowHandle(); }
int ClipboardPackPicture(const u8* pixels, u32 width, u32 height, ClipboardPicture* out)
{
    return g_host->packPicture(pixels, width, height, out);
}
int ClipboardUnpackPicture(const u8* dib, u32 size, u8** pixels, u32* width, u32* height)
{
    return g_host->unpackPicture(dib, size, pixels, width, height);
}
void OsFilterPatternToGlob(String* out, const char* pattern) { g_host->filterPatternToGlob(out, pattern); }
void OsAppendFilterExtension(String* path, const DynArray<FileFilter>& shown, u32 index)
{
    g_host->appendFilterExtension(path, shown, index);
}

void OsLog(const char* format, ...)
{
    // Formatted as the program's OsLog formats, which then takes it as it is.
    char text[1024];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof text, format, args);
    va_end(args);
    g_host->log(text);
}

extern "C" __attribute__((visibility("default"))) int TavikGtkModuleOpen(int version, const GtkModuleHost* host,
                                                                          GtkModuleApi* api)
{
    if (version != kGtkModuleVersion || !host || !api) return 0;
    g_host = host;
    *api = GtkModuleApi{GtkStart,
                        GtkDrain,
                        GtkBeep,
                        GtkMessageBox,
                        GtkGetWorkArea,
                        GtkClipboardSetText,
                        GtkClipboardSetPicture,
                        GtkClipboardGetText,
                        GtkClipboardGetPicture,
                        GtkFileDialog,
                        GtkColorDialog,
                        OsTestAnswerNextDialog,
                        OsTestAnswerNextColorDialog,
                        OsTestAnswerNextMessage,
                        OsTestNativeDialogCount,
                        OsTestLastAnsweredMessage,
                        OsTestSetDialogDeadline,
                        OsTestDialogDeadlinePassed,
                        OsTestColorChooserSettings};
    return 1;
}
