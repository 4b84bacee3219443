#pragma once
// Inside the OS layer: what a backend provides, and the entry points through which it hands
// the library's raw events to the shared adapters. Not for use outside platform/.
#include "foundation/DynArray.h"
#include "foundation/String.h"
#include "platform/OsDialogs.h"

// One native file or folder dialog, as the shared code has prepared it.
struct OsFileDialogRequest {
    enum Mode { Save = 0, Open = 1, OpenMany = 2, Folder = 3 };
    int mode;
    const char* title;
    DynArray<FileFilter>* filters;  // the list shown, "Any" included; null for folders
    u32 filterIndex;                // the filter to start at (within the list)
    const char* folder;             // initial folder ('/' separators), may be ""
    const char* fileName;           // initial file name, may be ""
    DynArray<DialogOption>* options;  // extra rows, may be null
};

// What the user chose. Paths are absolute with '/' separators; the options' selected
// indices are written straight into the request's options.
struct OsFileDialogAnswer {
    int ok;
    u32 filterIndex;
    DynArray<String> paths;
    OsFileDialogAnswer() : ok(0), filterIndex(0), paths{nullptr, 0, 0} {}
    ~OsFileDialogAnswer() { paths.Clear(); }
    OsFileDialogAnswer(const OsFileDialogAnswer&) = delete;
    OsFileDialogAnswer& operator=(const OsFileDialogAnswer&) = delete;
};

class OsBackend {
public:
    virtual ~OsBackend() {}
    virtual int Init() = 0;
    virtual void Terminate() = 0;
    virtual int OpenWindow(int width, int height, int fullScreen, int vsync) = 0;
    virtual int HasWindow() = 0;
    virtual void SetWindowTitle(const char* text) = 0;
    virtual void MaximizeWindow() = 0;
    virtual void PollEvents() = 0;
    virtual void SwapBuffers() = 0;
    virtual double GetTime() = 0;
    virtual void Sleep(double seconds) = 0;
    virtual void SetCursorVisible(int visible) = 0;
    virtual void SetMousePos(int x, int y) = 0;
    virtual void GetWindowSize(int* width, int* height) = 0;
    virtual int ExtensionSupported(const char* name) = 0;
    virtual void* GetProcAddress(const char* name) = 0;
    virtual unsigned long GetWindowHandle() = 0;
    virtual void SetCursorShape(int kind) = 0;
    virtual void Beep() = 0;
    virtual void MessageBox(const char* title, const char* text) = 0;
    virtual int GetWorkArea(int* x, int* y, int* width, int* height) = 0;
    virtual int SetWindowIcon(const u8* rgba, int width, int height) = 0;

    // Clipboard in the host's two text forms and as a packed 24-bit picture (40-byte header
    // and bottom-up BGR rows padded to 4 bytes). Text: either form may be null.
    virtual int ClipboardSetText(const char* text8, const u16* utf16) = 0;
    virtual int ClipboardSetPicture(const u8* dib, u32 size) = 0;
    // Fills utf16 (terminated) when the clipboard has text in the host's text form and sets
    // *hasUtf16, else text8 with 8-bit text. 0 when it holds no text.
    virtual int ClipboardGetText(DynArray<u16>* utf16, int* hasUtf16, String* text8) = 0;
    virtual int ClipboardGetPicture(DynArray<u8>* dib) = 0;

    // Runs the dialog; answer->ok 0 on cancel or when the host has no dialogs.
    virtual void FileDialog(OsFileDialogRequest* request, OsFileDialogAnswer* answer) = 0;
    // Starts at rgb, offers the 16 custom colours; on OK writes rgb and answers 1.
    virtual int ColorDialog(u8 rgb[3], const u8 custom[16][3]) = 0;
};

OsBackend* OsCurrentBackend();
OsBackend* OsCreateRealBackend();
OsBackend* OsCreateFakeBackend();

// Raw events, in the library's own terms (LibKey numbers, actions with repeat, modifier bits,
// wheel offsets). The adapters turn them into the program's callbacks.
void OsInputKey(int libKey, int action);
void OsInputChar(unsigned codepoint, int libMods);
void OsInputMouseButton(int button, int action);
void OsInputMousePos(double x, double y);
void OsInputScroll(double dx, double dy);
// Answers 1 when the window may close.
int OsInputCloseRequest();
void OsInputSize(int width, int height);
void OsInputRefresh();

// The native-dialog bracket: counts nesting, calls the hook on the outermost change.
void OsSetNativeDialogActive(int active);
// The save dialogs' extension rule: appends the extension that filter index of the shown list
// names ("*.bmp" gives ".bmp"; wildcard patterns name none) unless the file name's own
// extension is already that one, in any case.
void OsAppendFilterExtension(String* path, const DynArray<FileFilter>& shown, u32 index);
// The installed name order (strcmp by default).
int OsCompareNames(const char* a, const char* b);

// Resets of the state kept by the other parts of the layer (called by OsResetState).
void OsResetDialogState();
void OsResetClipboardState();
