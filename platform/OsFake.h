#pragma once
// The fake OS backend for tests (selected with OsUseFakeBackend): a manual clock, input
// events scripted per OsPollEvents step in the windowing library's own terms, scripted
// answers for the file, folder and colour dialogs, an in-memory clipboard, and counters for
// beeps, message boxes and cursor shapes. A step budget turns a loop that never ends into a
// failure instead of a hang. Every function here does nothing (or answers 0) while the real
// backend is selected. OsUseFakeBackend / OsResetState start from a clean fake.
#include "foundation/DynArray.h"
#include "foundation/String.h"
#include "foundation/Types.h"
#include "platform/OsDialogs.h"

// Clock: OsGetTime answers the fake time; OsSleep advances it; each poll advances it by the
// step time (0 by default).
void FakeOsSetTime(double seconds);
void FakeOsAdvanceTime(double seconds);
void FakeOsSetStepTime(double seconds);

// Input script. Events are appended to the step being scripted; FakeOsEndStep starts the
// next one. Each OsPollEvents delivers one whole step, in order.
void FakeOsKey(int libKey, int action);
void FakeOsChar(unsigned codepoint, int libMods);
void FakeOsMouseButton(int button, int action);
void FakeOsMousePos(double x, double y);
void FakeOsScroll(double dx, double dy);
void FakeOsCloseRequest();
void FakeOsResize(int width, int height);
void FakeOsRefresh();
void FakeOsEndStep();
// Steps scripted and not yet delivered.
u32 FakeOsPendingSteps();

// Budget of OsPollEvents calls; when exceeded the failure function is called once (by
// default it prints the message and aborts, so a test fails instead of hanging). 0 = none.
typedef void (*FakeOsBudgetFailure)(const char* message);
void FakeOsSetStepBudget(u32 steps, FakeOsBudgetFailure failure);
u32 FakeOsPollCount();

// Window state: open (the window closes when the close callback agrees), title, size, the
// last mouse position set, cursor visibility and shape, the icon's size.
int FakeOsWindowOpen();
const char* FakeOsWindowTitle();
int FakeOsWindowMaximized();
void FakeOsLastMousePosSet(int* x, int* y);
int FakeOsCursorVisible();
int FakeOsCursorShape();
void FakeOsIconSize(int* width, int* height);
// Extensions answered by OsExtensionSupported: names separated by blanks.
void FakeOsSetExtensions(const char* names);
void FakeOsSetWorkArea(int x, int y, int width, int height);

u32 FakeOsBeepCount();
u32 FakeOsMessageBoxCount();
const char* FakeOsLastMessageBoxText();

// Dialog answers are taken in order by the next dialogs. A dialog without an answer is
// cancelled and counted as unexpected.
struct FakeOsDialogAnswer {
    int ok = 1;
    u32 filterIndex = 0;
    const char* paths[8] = {};  // absolute '/' paths (files, or the folder); null ends
    s32 options[8] = {-1, -1, -1, -1, -1, -1, -1, -1};  // selected index per option, -1 keeps
    u8 rgb[3] = {0, 0, 0};       // the colour dialog's choice
};
void FakeOsQueueDialogAnswer(const FakeOsDialogAnswer& answer);
u32 FakeOsUnexpectedDialogCount();

// What the last dialog was shown with.
struct FakeOsDialogRecord {
    int kind;  // 0 save, 1 open, 2 open several, 3 folder, 4 colour
    String title;
    DynArray<FileFilter> filters;
    u32 filterIndex;
    String folder;
    String fileName;
    DynArray<DialogOption> options;
    u8 rgb[3];
    u8 custom[16][3];
    int nativeDialogActive;  // whether the native-dialog bracket was on while it ran
};
const FakeOsDialogRecord* FakeOsLastDialog();
u32 FakeOsDialogCount();
// Called when a dialog opens with no queued answer, after its record is filled: it may queue
// the answer (FakeOsQueueDialogAnswer), as a user deciding only once the dialog shows would.
// Without a responder, or when it queues nothing, the dialog is cancelled as unexpected.
typedef void (*FakeOsDialogResponder)(const FakeOsDialogRecord* dialog, void* context);
void FakeOsSetDialogResponder(FakeOsDialogResponder responder, void* context);

// Clipboard. Busy makes every clipboard operation fail, as when another program holds it.
void FakeOsClipboardSetBusy(int busy);
// What another program would put there: only 8-bit text, or only host (UTF-16) text.
void FakeOsClipboardPutText8(const char* text);
void FakeOsClipboardPutUtf16(const u16* text);
// The raw forms on the clipboard (null/0 when absent).
const char* FakeOsClipboardText8();
const u16* FakeOsClipboardUtf16();
const u8* FakeOsClipboardPicture(u32* size);
void FakeOsClipboardPutPicture(const u8* dib, u32 size);
