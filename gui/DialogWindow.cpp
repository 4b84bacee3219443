// DialogWindow: OK and Cancel, their keys and the dialog's layout margins.
#include "gui/DialogWindow.h"

#include "gui/WindowSystem.h"
#include "platform/OsKeys.h"

namespace {
constexpr u32 kDialogFlags = WF_VISIBLE | WF_ENABLED | WF_TITLEBAR | WF_SHADOW | WF_THICKFRAME | WF_RESIZABLE |
                             WF_PANEL | WF_GROWMARGIN | WF_POPUP;
constexpr s32 kButtonWidth = 64;
}  // namespace

DialogWindow::DialogWindow() : Window(kDialogFlags, nullptr), okButton(nullptr), cancelButton(nullptr), keyButton(nullptr)
{
    s32 h = Button::GetHeight(GetLineHeight());
    okButton = new Button(this, 0);
    okButton->SetTitle("OK");
    okButton->SetSize(kButtonWidth, h);
    cancelButton = new Button(this, 1);
    cancelButton->SetTitle("Cancel");
    cancelButton->SetSize(kButtonWidth, h);
    okButton->clickedWithId.Connect<&DialogWindow::OnButtonClicked>(this);
    cancelButton->clickedWithId.Connect<&DialogWindow::OnButtonClicked>(this);
    // The frame stays empty (0 x 0) until the subclass sizes the dialog.
}

DialogWindow::~DialogWindow() {}

const char* DialogWindow::GetClassName() const { return "DialogWindow"; }

bool DialogWindow::OnOK() { return true; }
bool DialogWindow::OnCancel() { return true; }

void DialogWindow::OnButtonClicked(s32 id) { OnButton(id); }

void DialogWindow::Finish(u64 result)
{
    SetVisible(0);
    if (!WindowSystem::IsOnModalStack(this, 0)) return;
    // EndModal ends the top loop: loops opened above this dialog's own (a message box it
    // asked, say) end first with 0, or the top one would take this result and the dialog's
    // loop would run on hidden.
    while (!WindowSystem::IsOnModalStack(this, 1)) WindowSystem::EndModal(nullptr, 0);
    WindowSystem::EndModal(this, result);
}

bool DialogWindow::OnButton(s32 id)
{
    if (id != 0 && id != 1) return false;
    bool agreed = id == 0 ? OnOK() : OnCancel();
    if (!agreed) {
        WindowSystem::Beep();
        return false;
    }
    Finish(id == 0 ? 1 : 0);
    return true;
}

int DialogWindow::CanClose(u32)
{
    if (!OnCancel()) {
        WindowSystem::Beep();
        return 0;
    }
    Finish(0);
    return 1;
}

int DialogWindow::HandleEvent(Window* target, u32 type, Event* event)
{
    if (type != EVENT_KEY || !WindowSystem::IsOnModalStack(this, 1)) return Window::HandleEvent(target, type, event);
    int value = event->Action() ? 1 : 0;
    if (value) {
        u32 key = event->Key();
        if (key == KEY_ESC)
            keyButton = cancelButton;
        else if (key == KEY_ENTER)
            keyButton = okButton;
        else if (keyButton)
            value = -1;
    }
    if (!keyButton) return Window::HandleEvent(target, type, event);
    Button* b = keyButton;
    if (value == -1) keyButton = nullptr;
    b->KeyPress(value);
    return 1;
}

s32 DialogWindow::ButtonRowHeight() const { return okButton ? okButton->GetFrameHeight() : 0; }

void DialogWindow::SetContentSize(s32 width, s32 height)
{
    // The frame's insets from a frame large enough for any of them; sizing in one step keeps
    // the minimum frame size from distorting a content that fits it.
    Rect probe = {0, 0, 1 << 20, 1 << 20}, inner;
    FrameToContent(probe, &inner);
    SetSize(width + 32 + (probe.Width() - inner.Width()), height + ButtonRowHeight() + 32 + (probe.Height() - inner.Height()));
}

Rect DialogWindow::GetContentRect() const
{
    return Rect{16, 16, GetContentWidth() - 16, GetContentHeight() - (ButtonRowHeight() + 16)};
}

Size DialogWindow::GetContentSize() const
{
    return Size{GetContentWidth() - 32, GetContentHeight() - ButtonRowHeight() - 32};
}

void DialogWindow::SetTabOrder(Window* first)
{
    if (!first) return;
    Window* next = first->GetTabNext();
    if (!next || next == okButton || next == cancelButton) next = first;
    LinkTabOrder(first, okButton);
    LinkTabOrder(okButton, cancelButton);
    LinkTabOrder(cancelButton, next);
}

void DialogWindow::GetMinimumFrameSize(Size* out, Size)
{
    *out = FrameSizeForContent(Size{168, ButtonRowHeight() + 32});
}

void DialogWindow::Resized()
{
    Window::Resized();
    if (!okButton || !cancelButton) return;
    s32 w = GetContentWidth(), h = GetContentHeight();
    s32 y = h - okButton->GetFrameHeight() - 8;
    s32 cx = w - 16 - cancelButton->GetFrameWidth();
    cancelButton->MoveTo(cx, y);
    okButton->MoveTo(cx - 8 - okButton->GetFrameWidth(), y);
}
