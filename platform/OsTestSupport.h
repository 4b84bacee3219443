#pragma once
// Support for tests that run the real backend under a display server: answers the next
// native dialog from inside its own loop, as a user would.

// After delayMs, the next native dialog (or the one open) is answered: when accept is set,
// the path is entered first (a file name for a save dialog, a file or folder to select
// otherwise; null keeps the dialog's own), the file-type list is set to filterIndex (-1
// keeps it) and the extra rows to optionIndex (-1 keeps them); then OK or Cancel is pressed.
void OsTestAnswerNextDialog(int delayMs, int accept, const char* path, int filterIndex, int optionIndex);
// After delayMs, the next message box or question (or the one open) is answered with OK
// (accept) or Cancel; file and colour dialogs are left to their own answers.
void OsTestAnswerNextMessage(int delayMs, int accept);
// Picks the colour in the open colour dialog and presses OK (accept) or Cancel.
void OsTestAnswerNextColorDialog(int delayMs, int accept, int red, int green, int blue);
// The desktop settings GTK's colour chooser would keep ("custom-colors" and "selected-color")
// as text into out; 0 when GTK's schema for them is not installed.
class String;
int OsTestColorChooserSettings(String* out);
// Number of native dialogs the real backend opened so far.
int OsTestNativeDialogCount();
// The text of the last message box or question a test answer answered, GTK's own questions
// included ("" before the first).
const char* OsTestLastAnsweredMessage();
// From ms on, every native dialog still open, and every one opened later, is cancelled, so a
// test whose scripted answers missed a dialog fails instead of waiting forever. Setting it
// again restarts it; 0 disarms it.
void OsTestSetDialogDeadline(int ms);
// Whether the deadline has cancelled a dialog since it was last set.
int OsTestDialogDeadlinePassed();
