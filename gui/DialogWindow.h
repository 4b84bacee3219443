#pragma once
// DialogWindow: the base of every modal dialog. It owns an "OK" (id 0) and a "Cancel" (id 1)
// button at its bottom right, arms them from Enter and Escape while it is the top modal
// window, and on a confirmed OK or Cancel only hides itself and ends its modal loop with 1 or
// 0, so its widgets can still be read after WindowSystem::RunModal returns. Closing it is left
// to its owner. Subclasses place their widgets in GetContentRect and size the dialog with
// SetContentSize.
#include "gui/Button.h"

class DialogWindow : public Window {
public:
    // Creates both buttons; the frame starts at 0 x 0 for the subclass to size.
    DialogWindow();
    ~DialogWindow() override;

    const char* GetClassName() const override;
    // Enter and Escape press OK and Cancel while the dialog is the top modal window.
    int HandleEvent(Window* target, u32 type, Event* event) override;
    void GetMinimumFrameSize(Size* out, Size contentSize) override;
    // A close request is a Cancel: refused with a beep when OnCancel refuses.
    int CanClose(u32 reason) override;
    // Keeps the buttons at the bottom right.
    void Resized() override;

    // Whether the dialog may close on OK / Cancel; the base agrees. A refusal beeps and the
    // dialog stays.
    virtual bool OnOK();
    virtual bool OnCancel();

    // Slot of both buttons.
    void OnButtonClicked(s32 id);
    // 0 OK, 1 Cancel; any other id answers false and does nothing.
    bool OnButton(s32 id);
    // Sizes the frame for a subclass area of width x height plus margins and the button row.
    void SetContentSize(s32 width, s32 height);
    // The subclass's area in content coordinates: 16 px margins above the button row.
    Rect GetContentRect() const;
    Size GetContentSize() const;
    // Puts OK then Cancel into the tab ring right after first.
    void SetTabOrder(Window* first);

    Button* GetOKButton() const { return okButton; }
    Button* GetCancelButton() const { return cancelButton; }

    Button* okButton;
    Button* cancelButton;
    Button* keyButton;  // armed by Enter or Escape; null when none

private:
    s32 ButtonRowHeight() const;
    void Finish(u64 result);
};
