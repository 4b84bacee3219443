#pragma once
// Push buttons, toggle buttons and check boxes. A button's one state field (ButtonState)
// drives both its look and its clicks: every change goes through Button::SetState, which is
// also the only place the click signals are emitted. The label is the window title and the
// window id tells listeners of clickedWithId which button was clicked.
#include "gui/Window.h"

// Tells whether a window still exists after a call that may have deleted it: a slot or a
// modal loop run from inside the window's own handlers can close the window (or its owner),
// and the deferred delete may run before the call returns. The watch listens to the window's
// focusLost signal, which is destroyed with the window and then drops the watch. Keep it on
// the stack, for the length of one such call.
class WindowWatch : public SignalListener {
public:
    explicit WindowWatch(Window* window)
    {
        if (window) window->focusLost.Connect(this, &Ignore);
    }
    bool IsAlive() const { return signals.count != 0; }

private:
    static void Ignore(SignalListener*, int) {}
};

// ButtonState: 0 normal / off, 1 on (a push button never stores it: asking for it clicks and
// stores 0), 2 pressed while on, 3 pressed (push) or pressed while off (toggle).
enum : u32 { BUTTON_NORMAL = 0, BUTTON_ON = 1, BUTTON_PRESSED_ON = 2, BUTTON_PRESSED = 3 };

class Button : public Window {
public:
    // A push button with state 0 and no label; the caller sets label, size and place.
    Button(Window* parent, u32 id);
    ~Button() override;

    const char* GetClassName() const override;
    void GetMinimumFrameSize(Size* out, Size contentSize) override;
    void DrawContent() override;
    // Space and Enter press and release the button; every other key cancels a keyboard
    // press. Never consumes the key, so it goes on to the parent (a dialog's Enter).
    int KeyEvent(Event* event) override;
    void MouseButton(Event* event) override;
    // The second press of a double click presses the button again, so quick clicks all count.
    void DoubleClick(Event* event) override;
    void FocusLost(Window* newFocus, u32 reason) override;
    void Track(Point start, Point current, u32 phase) override;

    // Sets the state; a request for 1 (or, for a toggle, also 0) is a click, which emits
    // clickedWithId(id) then clicked unless silent.
    virtual void SetState(u32 requested, int silent);
    // Width from the label (at least the skin's button width) + 28, rounded down to 16; height
    // the larger of the line height and the skin's button height.
    virtual void SizeToFit();

    u32 GetButtonState() const { return buttonState; }
    bool IsToggle() const { return toggle != 0; }
    // Drives the button from a key: 1 press, 0 release, anything else cancels.
    void KeyPress(int value);
    // The larger of height and the skin's button height.
    static s32 GetHeight(s32 height);

    Signal<> clicked;
    Signal<s32> clickedWithId;
    u32 toggle;
    u32 buttonState;
    u32 savedState;
};

// A toggle button drawn as a box with its label to the right; state 1 is checked.
class CheckBox : public Button {
public:
    CheckBox(Window* parent, u32 id);
    const char* GetClassName() const override;
    void GetMinimumFrameSize(Size* out, Size contentSize) override;
    void DrawContent() override;
    // Sizes the frame to the minimum for an empty content.
    void SizeToFit() override;
    bool IsChecked() const { return buttonState == BUTTON_ON; }
};
