#pragma once
// Modal message and question boxes: a title, an optional text (or an editable single-line
// field) and up to four buttons in a row. Each call builds a MessageBoxWindow, runs it as a
// modal loop with the keys going to it and everything behind it dimmed, and leaves it closed
// (queued for deletion). Only a button, or Enter in the input field, ends a box: there is no
// Escape key and no close box, and a request to quit the application is refused meanwhile.
#include "foundation/String.h"
#include "gui/Button.h"
#include "gui/TextBox.h"

constexpr u32 kMessageBoxMaxButtons = 4;
// The longest text ShowErrorBox shows; longer messages are cut and end in "...".
constexpr u32 kErrorBoxLimit = 1023;

class MessageBoxWindow : public Window {
public:
    // Builds and lays out the box (not yet run). With bound, the field is an editable line
    // holding bound's text, all selected; otherwise the field is a centred label holding text
    // (none when text is null), or a scrolling view of it when the text would make the box
    // taller than the screen. Labels past the fourth are ignored; with no label at all the
    // box gets one "OK" button so that it can always be ended.
    MessageBoxWindow(const char* title, const char* text, String* bound, const char* const* labels, u32 count);
    ~MessageBoxWindow() override;
    const char* GetClassName() const override;

    // Runs the modal loop; answers the index of the button that ended it (0 when the loop was
    // left some other way, e.g. the step hook stopped). The box is closed afterwards.
    u64 Run();

    // Slot of the buttons: copies the field's text into the bound string (input boxes), ends
    // the loop with the index and closes the box.
    void OnButton(s32 index);
    // Slot of the input field's Enter: the press arms the first button, the release clicks
    // it. A release without the press (an Enter held down before the box opened) does
    // nothing.
    void OnEnter(s32 pressed);

    Button* GetButton(u32 index) const { return index < buttonCount ? buttons[index] : nullptr; }
    u32 GetButtonCount() const { return buttonCount; }
    TextBox* GetField() const { return field; }

    // Fields, in this order.
    String* boundText;  // receives the input field's text; null for a message box
    Button* firstButton;
    TextBox* field;  // the message label or the input line; null without text
    Button* buttons[kMessageBoxMaxButtons];
    u32 buttonCount;
};

// A box with the title, the text (none when null) and one button per label; the label list
// ends at the first null and at most four are read. Answers the 0-based index of the button
// that ended it. With no label the box shows "OK".
int ShowMessageBox(const char* title, const char* text, ...) __attribute__((sentinel));
// The same with the labels as an array of count entries.
int ShowMessageBoxList(const char* title, const char* text, const char* const* labels, u32 count);
// As ShowMessageBox with an editable single-line field that starts with text's contents, all
// selected. Whichever button ends the box, text receives the field's contents. Answers the
// button index. text must not be null.
int ShowInputBox(const char* title, String* text, ...) __attribute__((sentinel));
int ShowInputBoxList(const char* title, String* text, const char* const* labels, u32 count);
// Formats the message printf-style (cut at kErrorBoxLimit bytes, ending in "..." when cut)
// and shows it titled "Error" with an "OK" button.
void ShowErrorBox(const char* format, ...) __attribute__((format(printf, 1, 2)));
// The error text as ShowErrorBox would show it (bounded and marked as above).
String FormatErrorText(const char* format, ...) __attribute__((format(printf, 1, 2)));
// "Really Quit Tavik?" with "Quit" (0) and "Don't Quit" (1); the caller quits only on 0.
int ShowQuitQuestion();
// For SetDialogErrorHook (platform/FileDialogs.h): shows text under title (default "Error")
// with "OK", bounded as ShowErrorBox bounds its messages.
void ShowDialogErrorBox(const char* title, const char* text);
