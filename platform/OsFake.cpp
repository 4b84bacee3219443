#include "platform/OsFake.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/Os.h"
#include "platform/OsBackend.h"

namespace {

struct FakeEvent {
    enum Type { Key, Char, Button, Pos, Scroll, Close, Resize, Refresh, EndStep };
    Type type;
    int a, b;
    double x, y;
};

struct StoredAnswer {
    FakeOsDialogAnswer answer;
    DynArray<String> paths;
};

struct FakeState {
    double time;
    double stepTime;
    DynArray<FakeEvent> events;
    u32 budget;
    u32 polls;
    int budgetFailed;
    FakeOsBudgetFailure budgetFailure;
    int initialised;
    int windowOpen;
    int width, height;
    String title;
    int maximized;
    int mouseX, mouseY;
    int cursorVisible;
    int cursorShape;
    int iconWidth, iconHeight;
    String extensions;
    int workArea[4];
    u32 beeps;
    u32 messageBoxes;
    String lastMessage;
    DynArray<StoredAnswer*> answers;
    FakeOsDialogResponder responder;
    void* responderContext;
    u32 unexpectedDialogs;
    u32 dialogCount;
    FakeOsDialogRecord last;
    int clipboardBusy;
    int hasText8, hasUtf16;
    String text8;
    DynArray<u16> utf16;
    DynArray<u8> picture;
};

FakeState* g_fake;

FakeState& Fake()
{
    static FakeState empty;  // answers for calls made while the real backend is selected
    return g_fake ? *g_fake : empty;
}

void FreeFake(FakeState* f)
{
    f->events.Free();
    f->title.Clear();
    f->extensions.Clear();
    f->lastMessage.Clear();
    for (StoredAnswer* a : f->answers) {
        a->paths.Clear();
        delete a;
    }
    f->answers.Free();
    f->last.title.Clear();
    f->last.filters.Clear();
    f->last.folder.Clear();
    f->last.fileName.Clear();
    f->last.options.Clear();
    f->text8.Clear();
    f->utf16.Free();
    f->picture.Free();
}

void Push(FakeEvent::Type type, int a, int b, double x, double y)
{
    if (!g_fake) return;
    FakeEvent e = {type, a, b, x, y};
    g_fake->events.Push(e);
}

StoredAnswer* TakeAnswer()
{
    FakeState& f = Fake();
    if (f.answers.count == 0 && f.responder) f.responder(&f.last, f.responderContext);
    if (f.answers.count == 0) {
        ++f.unexpectedDialogs;
        return nullptr;
    }
    StoredAnswer* a = f.answers[0];
    f.answers.RemoveRange(0, 1);
    return a;
}

void FreeAnswer(StoredAnswer* a)
{
    if (!a) return;
    a->paths.Clear();
    delete a;
}

class FakeBackend : public OsBackend {
public:
    FakeBackend()
    {
        g_fake = static_cast<FakeState*>(calloc(1, sizeof(FakeState)));
        g_fake->cursorVisible = 1;
        g_fake->workArea[2] = 1280;
        g_fake->workArea[3] = 1024;
    }
    ~FakeBackend() override
    {
        FreeFake(g_fake);
        free(g_fake);
        g_fake = nullptr;
    }

    int Init() override
    {
        g_fake->initialised = 1;
        return 1;
    }
    void Terminate() override
    {
        g_fake->initialised = 0;
        g_fake->windowOpen = 0;
    }
    int OpenWindow(int width, int height, int, int) override
    {
        if (width <= 0 || height <= 0 || g_fake->windowOpen) return 0;
        g_fake->windowOpen = 1;
        g_fake->width = width;
        g_fake->height = height;
        g_fake->cursorVisible = 1;
        return 1;
    }
    int HasWindow() override { return g_fake->windowOpen; }
    void SetWindowTitle(const char* text) override { g_fake->title.Set(text); }
    void MaximizeWindow() override { g_fake->maximized = 1; }
    void PollEvents() override
    {
        FakeState& f = *g_fake;
        ++f.polls;
        f.time += f.stepTime;
        if (f.budget && f.polls > f.budget && !f.budgetFailed) {
            f.budgetFailed = 1;
            char message[128];
            snprintf(message, sizeof message, "fake OS step budget of %u polls exhausted", f.budget);
            if (f.budgetFailure) {
                f.budgetFailure(message);
            } else {
                fprintf(stderr, "%s\n", message);
                abort();
            }
        }
        // Deliver one step; callbacks may script further events, which wait for later polls.
        u32 n = 0;
        while (n < f.events.count && f.events[n].type != FakeEvent::EndStep) ++n;
        u32 consumed = n < f.events.count ? n + 1 : n;
        ScopedDynArray<FakeEvent> step;
        step.ResizeRaw(n);
        if (n) memcpy(step.data, f.events.data, n * sizeof(FakeEvent));
        f.events.RemoveRange(0, consumed);
        for (const FakeEvent& e : step) {
            switch (e.type) {
            case FakeEvent::Key: OsInputKey(e.a, e.b); break;
            case FakeEvent::Char: OsInputChar(unsigned(e.a), e.b); break;
            case FakeEvent::Button: OsInputMouseButton(e.a, e.b); break;
            case FakeEvent::Pos: OsInputMousePos(e.x, e.y); break;
            case FakeEvent::Scroll: OsInputScroll(e.x, e.y); break;
            case FakeEvent::Close:
                if (g_fake->windowOpen && OsInputCloseRequest()) g_fake->windowOpen = 0;
                break;
            case FakeEvent::Resize:
                g_fake->width = e.a;
                g_fake->height = e.b;
                OsInputSize(e.a, e.b);
                break;
            case FakeEvent::Refresh: OsInputRefresh(); break;
            case FakeEvent::EndStep: break;
            }
            if (!g_fake) return;  // a callback reset the layer
        }
    }
    void SwapBuffers() override {}
    double GetTime() override { return g_fake->time; }
    void Sleep(double seconds) override { g_fake->time += seconds; }
    void SetCursorVisible(int visible) override { g_fake->cursorVisible = visible; }
    void SetMousePos(int x, int y) override
    {
        g_fake->mouseX = x;
        g_fake->mouseY = y;
    }
    void GetWindowSize(int* width, int* height) override
    {
        *width = g_fake->windowOpen ? g_fake->width : 0;
        *height = g_fake->windowOpen ? g_fake->height : 0;
    }
    int ExtensionSupported(const char* name) override
    {
        size_t n = strlen(name);
        const char* p = g_fake->extensions.c_str();
        while (n && (p = strstr(p, name)) != nullptr) {
            bool startOk = p == g_fake->extensions.c_str() || p[-1] == ' ';
            if (startOk && (p[n] == 0 || p[n] == ' ')) return 1;
            p += n;
        }
        return 0;
    }
    void* GetProcAddress(const char*) override { return nullptr; }
    unsigned long GetWindowHandle() override { return g_fake->windowOpen ? 1 : 0; }
    void SetCursorShape(int kind) override { g_fake->cursorShape = kind; }
    void Beep() override { ++g_fake->beeps; }
    void MessageBox(const char*, const char* text) override
    {
        ++g_fake->messageBoxes;
        g_fake->lastMessage.Set(text);
    }
    int GetWorkArea(int* x, int* y, int* width, int* height) override
    {
        *x = g_fake->workArea[0];
        *y = g_fake->workArea[1];
        *width = g_fake->workArea[2];
        *height = g_fake->workArea[3];
        return 1;
    }
    int SetWindowIcon(const u8*, int width, int height) override
    {
        if (!g_fake->windowOpen) return 0;
        g_fake->iconWidth = width;
        g_fake->iconHeight = height;
        return 1;
    }

    int ClipboardSetText(const char* text8, const u16* utf16) override
    {
        FakeState& f = *g_fake;
        if (f.clipboardBusy) return 0;
        ClearClipboard();
        if (text8) {
            f.text8.Set(text8);
            f.hasText8 = 1;
        }
        if (utf16) {
            u32 n = 0;
            while (utf16[n]) ++n;
            f.utf16.ResizeRaw(n + 1);
            memcpy(f.utf16.data, utf16, (n + 1) * sizeof(u16));
            f.hasUtf16 = 1;
        }
        return f.hasText8 || f.hasUtf16;
    }
    int ClipboardSetPicture(const u8* dib, u32 size) override
    {
        FakeState& f = *g_fake;
        if (f.clipboardBusy) return 0;
        ClearClipboard();
        f.picture.ResizeRaw(size);
        memcpy(f.picture.data, dib, size);
        return 1;
    }
    int ClipboardGetText(DynArray<u16>* utf16, int* hasUtf16, String* text8) override
    {
        FakeState& f = *g_fake;
        *hasUtf16 = 0;
        if (f.clipboardBusy) return 0;
        if (f.hasUtf16) {
            utf16->ResizeRaw(f.utf16.count);
            memcpy(utf16->data, f.utf16.data, f.utf16.count * sizeof(u16));
            *hasUtf16 = 1;
            return 1;
        }
        if (f.hasText8) {
            text8->Set(f.text8.c_str());
            return 1;
        }
        return 0;
    }
    int ClipboardGetPicture(DynArray<u8>* dib) override
    {
        FakeState& f = *g_fake;
        if (f.clipboardBusy || f.picture.count == 0) return 0;
        dib->ResizeRaw(f.picture.count);
        memcpy(dib->data, f.picture.data, f.picture.count);
        return 1;
    }

    void FileDialog(OsFileDialogRequest* request, OsFileDialogAnswer* answer) override
    {
        FakeState& f = *g_fake;
        ++f.dialogCount;
        FakeOsDialogRecord& r = f.last;
        r.kind = request->mode;
        r.title.Set(request->title);
        r.filters.Clear();
        if (request->filters) r.filters.Assign(*request->filters);
        r.filterIndex = request->filterIndex;
        r.folder.Set(request->folder);
        r.fileName.Set(request->fileName);
        r.nativeDialogActive = OsIsNativeDialogActive();
        StoredAnswer* a = TakeAnswer();
        if (a && request->options) {
            for (u32 i = 0; i < request->options->count && i < 8; ++i) {
                DialogOption& o = (*request->options)[i];
                s32 sel = a->answer.options[i];
                if (sel >= 0 && u32(sel) < o.choices.count) o.selectedIndex = u32(sel);
            }
        }
        r.options.Clear();
        if (request->options) r.options.Assign(*request->options);
        answer->ok = a && a->answer.ok;
        if (answer->ok) {
            answer->filterIndex = a->answer.filterIndex;
            answer->paths.Assign(a->paths);
        }
        FreeAnswer(a);
    }
    int ColorDialog(u8 rgb[3], const u8 custom[16][3]) override
    {
        FakeState& f = *g_fake;
        ++f.dialogCount;
        FakeOsDialogRecord& r = f.last;
        r.kind = 4;
        memcpy(r.rgb, rgb, 3);
        memcpy(r.custom, custom, sizeof r.custom);
        r.nativeDialogActive = OsIsNativeDialogActive();
        StoredAnswer* a = TakeAnswer();
        int ok = a && a->answer.ok;
        if (ok) memcpy(rgb, a->answer.rgb, 3);
        FreeAnswer(a);
        return ok;
    }

private:
    void ClearClipboard()
    {
        FakeState& f = *g_fake;
        f.hasText8 = f.hasUtf16 = 0;
        f.text8.Clear();
        f.utf16.Free();
        f.picture.Free();
    }
};

}  // namespace

OsBackend* OsCreateFakeBackend() { return new FakeBackend; }

void FakeOsSetTime(double seconds) { Fake().time = seconds; }
void FakeOsAdvanceTime(double seconds) { Fake().time += seconds; }
void FakeOsSetStepTime(double seconds) { Fake().stepTime = seconds; }

void FakeOsKey(int libKey, int action) { Push(FakeEvent::Key, libKey, action, 0, 0); }
void FakeOsChar(unsigned codepoint, int libMods) { Push(FakeEvent::Char, int(codepoint), libMods, 0, 0); }
void FakeOsMouseButton(int button, int action) { Push(FakeEvent::Button, button, action, 0, 0); }
void FakeOsMousePos(double x, double y) { Push(FakeEvent::Pos, 0, 0, x, y); }
void FakeOsScroll(double dx, double dy) { Push(FakeEvent::Scroll, 0, 0, dx, dy); }
void FakeOsCloseRequest() { Push(FakeEvent::Close, 0, 0, 0, 0); }
void FakeOsResize(int width, int height) { Push(FakeEvent::Resize, width, height, 0, 0); }
void FakeOsRefresh() { Push(FakeEvent::Refresh, 0, 0, 0, 0); }
void FakeOsEndStep() { Push(FakeEvent::EndStep, 0, 0, 0, 0); }

u32 FakeOsPendingSteps()
{
    FakeState& f = Fake();
    u32 steps = 0;
    bool open = false;
    for (const FakeEvent& e : f.events) {
        if (e.type == FakeEvent::EndStep) {
            ++steps;
            open = false;
        } else {
            open = true;
        }
    }
    return steps + (open ? 1 : 0);
}

void FakeOsSetStepBudget(u32 steps, FakeOsBudgetFailure failure)
{
    FakeState& f = Fake();
    f.budget = steps;
    f.budgetFailure = failure;
    f.budgetFailed = 0;
    f.polls = 0;
}

u32 FakeOsPollCount() { return Fake().polls; }
int FakeOsWindowOpen() { return Fake().windowOpen; }
const char* FakeOsWindowTitle() { return Fake().title.c_str(); }
int FakeOsWindowMaximized() { return Fake().maximized; }
void FakeOsLastMousePosSet(int* x, int* y)
{
    *x = Fake().mouseX;
    *y = Fake().mouseY;
}
int FakeOsCursorVisible() { return Fake().cursorVisible; }
int FakeOsCursorShape() { return Fake().cursorShape; }
void FakeOsIconSize(int* width, int* height)
{
    *width = Fake().iconWidth;
    *height = Fake().iconHeight;
}
void FakeOsSetExtensions(const char* names)
{
    if (g_fake) g_fake->extensions.Set(names);
}
void FakeOsSetWorkArea(int x, int y, int width, int height)
{
    int* a = Fake().workArea;
    a[0] = x;
    a[1] = y;
    a[2] = width;
    a[3] = height;
}
u32 FakeOsBeepCount() { return Fake().beeps; }
u32 FakeOsMessageBoxCount() { return Fake().messageBoxes; }
const char* FakeOsLastMessageBoxText() { return Fake().lastMessage.c_str(); }

void FakeOsQueueDialogAnswer(const FakeOsDialogAnswer& answer)
{
    if (!g_fake) return;
    StoredAnswer* a = new StoredAnswer;
    a->answer = answer;
    a->paths = {};
    for (const char* p : answer.paths) {
        if (!p) break;
        a->paths.Push(String(p));
    }
    for (const char*& p : a->answer.paths) p = nullptr;  // the caller's strings may go away
    g_fake->answers.Push(a);
}

void FakeOsSetDialogResponder(FakeOsDialogResponder responder, void* context)
{
    if (!g_fake) return;
    g_fake->responder = responder;
    g_fake->responderContext = context;
}

u32 FakeOsUnexpectedDialogCount() { return Fake().unexpectedDialogs; }
const FakeOsDialogRecord* FakeOsLastDialog() { return g_fake && g_fake->dialogCount ? &g_fake->last : nullptr; }
u32 FakeOsDialogCount() { return Fake().dialogCount; }

void FakeOsClipboardSetBusy(int busy) { Fake().clipboardBusy = busy; }

void FakeOsClipboardPutText8(const char* text)
{
    if (!g_fake) return;
    int busy = g_fake->clipboardBusy;
    g_fake->clipboardBusy = 0;
    OsCurrentBackend()->ClipboardSetText(text, nullptr);
    g_fake->clipboardBusy = busy;
}

void FakeOsClipboardPutUtf16(const u16* text)
{
    if (!g_fake) return;
    int busy = g_fake->clipboardBusy;
    g_fake->clipboardBusy = 0;
    OsCurrentBackend()->ClipboardSetText(nullptr, text);
    g_fake->clipboardBusy = busy;
}

const char* FakeOsClipboardText8() { return g_fake && g_fake->hasText8 ? g_fake->text8.c_str() : nullptr; }
const u16* FakeOsClipboardUtf16() { return g_fake && g_fake->hasUtf16 ? g_fake->utf16.data : nullptr; }

const u8* FakeOsClipboardPicture(u32* size)
{
    *size = g_fake ? g_fake->picture.count : 0;
    return *size ? g_fake->picture.data : nullptr;
}

void FakeOsClipboardPutPicture(const u8* dib, u32 size)
{
    if (!g_fake) return;
    int busy = g_fake->clipboardBusy;
    g_fake->clipboardBusy = 0;
    OsCurrentBackend()->ClipboardSetPicture(dib, size);
    g_fake->clipboardBusy = busy;
}
