// The program's side of gtk/GtkModule.h: the GTK services of OsReal.h and OsTestSupport.h,
// each loading the module the first time one is used. Until then GTK's libraries are not in
// the process at all, which saves their loading and linking at every start. Without the
// module each service fails as it does when GTK cannot start.
#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <cstring>

#include "platform/Clipboard.h"
#include "platform/Os.h"
#include "platform/OsDialogs.h"
#include "platform/OsReal.h"
#include "platform/OsTestSupport.h"
#include "platform/gtk/GtkModule.h"

namespace {

int g_loaded;  // 0 not tried, 1 loaded, -1 failed
GtkModuleApi g_api;

void LogText(const char* text) { OsLog("%s", text); }

const GtkModuleHost kHost = {OsRealPumpWindow, OsGetWindowHandle, ClipboardPackPicture, ClipboardUnpackPicture,
                             OsFilterPatternToGlob, OsAppendFilterExtension, LogText};

// Beside the program first (the build puts every program there), then where it was built.
void* OpenModule(String* reasons)
{
    char self[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n > 0) {
        self[n] = 0;
        String path;
        path.Set(self, u32(strrchr(self, '/') - self + 1));
        path.Append(TAVIK_GTK_MODULE_NAME);
        if (void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) return module;
        reasons->Append(dlerror());
        reasons->Append("; ");
    }
    if (void* module = dlopen(TAVIK_GTK_MODULE_PATH, RTLD_NOW | RTLD_LOCAL)) return module;
    reasons->Append(dlerror());
    return nullptr;
}

bool Loaded()
{
    if (g_loaded) return g_loaded > 0;
    g_loaded = -1;
    String reasons;
    void* module = OpenModule(&reasons);
    GtkModuleOpenFunction open =
        module ? reinterpret_cast<GtkModuleOpenFunction>(dlsym(module, TAVIK_GTK_MODULE_OPEN)) : nullptr;
    if (open && open(kGtkModuleVersion, &kHost, &g_api)) {
        g_loaded = 1;
        return true;
    }
    OsLog("GTK could not be loaded (%s): native dialogs, the clipboard and the beep are unavailable",
          module ? "the module does not fit this program" : reasons.c_str());
    return false;
}

}  // namespace

int GtkStart() { return Loaded() && g_api.start(); }

// Nothing of GTK's runs before it is started, so nothing waits before the module is loaded.
void GtkDrain()
{
    if (g_loaded > 0) g_api.drain();
}

void GtkBeep()
{
    if (Loaded()) g_api.beep();
}

int GtkMessageBox(const char* title, const char* text) { return Loaded() ? g_api.messageBox(title, text) : 0; }

int GtkGetWorkArea(int* x, int* y, int* width, int* height)
{
    return Loaded() ? g_api.getWorkArea(x, y, width, height) : 0;
}

int GtkClipboardSetText(const char* text8, const u16* utf16)
{
    return Loaded() ? g_api.clipboardSetText(text8, utf16) : 0;
}

int GtkClipboardSetPicture(const u8* dib, u32 size) { return Loaded() ? g_api.clipboardSetPicture(dib, size) : 0; }

int GtkClipboardGetText(DynArray<u16>* utf16, int* hasUtf16, String* text8)
{
    return Loaded() ? g_api.clipboardGetText(utf16, hasUtf16, text8) : 0;
}

int GtkClipboardGetPicture(DynArray<u8>* dib) { return Loaded() ? g_api.clipboardGetPicture(dib) : 0; }

void GtkFileDialog(OsFileDialogRequest* request, OsFileDialogAnswer* answer, unsigned long parent)
{
    if (Loaded()) {
        g_api.fileDialog(request, answer, parent);
        return;
    }
    answer->ok = 0;
    OsLog("The file dialog \"%s\" could not be shown: GTK is not available", request->title);
}

int GtkColorDialog(u8 rgb[3], const u8 custom[16][3], unsigned long parent)
{
    if (Loaded()) return g_api.colorDialog(rgb, custom, parent);
    OsLog("The colour dialog could not be shown: GTK is not available");
    return 0;
}

void OsTestAnswerNextDialog(int delayMs, int accept, const char* path, int filterIndex, int optionIndex)
{
    if (Loaded()) g_api.answerNextDialog(delayMs, accept, path, filterIndex, optionIndex);
}

void OsTestAnswerNextColorDialog(int delayMs, int accept, int red, int green, int blue)
{
    if (Loaded()) g_api.answerNextColorDialog(delayMs, accept, red, green, blue);
}

void OsTestAnswerNextMessage(int delayMs, int accept)
{
    if (Loaded()) g_api.answerNextMessage(delayMs, accept);
}

int OsTestNativeDialogCount() { return g_loaded > 0 ? g_api.nativeDialogCount() : 0; }

const char* OsTestLastAnsweredMessage() { return g_loaded > 0 ? g_api.lastAnsweredMessage() : ""; }

void OsTestSetDialogDeadline(int ms)
{
    if (Loaded()) g_api.setDialogDeadline(ms);
}

int OsTestDialogDeadlinePassed() { return g_loaded > 0 ? g_api.dialogDeadlinePassed() : 0; }

int OsTestColorChooserSettings(String* out)
{
    if (Loaded()) return g_api.colorChooserSettings(out);
    out->Clear();
    return 0;
}
