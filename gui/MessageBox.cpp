// Message boxes: layout from the texts and labels, the modal run and the ways it ends.
#include "gui/MessageBox.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "gui/WindowSystem.h"

namespace {

constexpr u32 kBoxFlags = WF_VISIBLE | WF_ENABLED | WF_TITLEBAR | WF_SHADOW | WF_THICKFRAME | WF_PANEL | WF_GROWMARGIN |
                          WF_POPUP;
constexpr u32 kLabelTextFlags = 0x106;
constexpr s32 kMargin = 32;
constexpr s32 kButtonGap = 24;
constexpr s32 kMinButtonWidth = 96;
constexpr s32 kButtonPadding = 32;
constexpr s32 kMaxTextWidth = 512;
constexpr s32 kMinInputWidth = 128;
constexpr u32 kInputMaxLength = 255;

s32 Max(s32 a, s32 b) { return a > b ? a : b; }
s32 Min(s32 a, s32 b) { return a < b ? a : b; }

// Collects up to four labels from a null-ended argument list.
u32 CollectLabels(va_list args, const char** labels)
{
    u32 n = 0;
    while (n < kMessageBoxMaxButtons) {
        const char* label = va_arg(args, const char*);
        if (!label) break;
        labels[n++] = label;
    }
    return n;
}

String FormatErrorTextV(const char* format, va_list args)
{
    char buffer[kErrorBoxLimit + 1];
    int n = vsnprintf(buffer, sizeof buffer, format ? format : "", args);
    if (n < 0) buffer[0] = 0;
    if (n > s32(kErrorBoxLimit)) memcpy(buffer + kErrorBoxLimit - 3, "...", 4);
    return String(buffer);
}

}  // namespace

MessageBoxWindow::MessageBoxWindow(const char* title, const char* text, String* bound, const char* const* labels,
                                   u32 count)
    : Window(kBoxFlags, nullptr)
{
    boundText = bound;
    static const char* const kDefaultLabels[1] = {"OK"};
    if (!labels || count == 0) {
        labels = kDefaultLabels;
        count = 1;
    }
    if (count > kMessageBoxMaxButtons) count = kMessageBoxMaxButtons;
    // The list ends at the first null even inside the count.
    u32 n = 0;
    while (n < count && labels[n]) ++n;
    if (n == 0) {
        labels = kDefaultLabels;
        n = 1;
    }

    s32 lh = GetLineHeight();
    s32 bh = Button::GetHeight(lh);
    s32 widths[kMessageBoxMaxButtons];
    s32 total = 0;
    for (u32 i = 0; i < n; ++i) {
        widths[i] = Max(GetTextWidth(0, labels[i], kLabelTextFlags) + kButtonPadding, kMinButtonWidth);
        total += widths[i] + (i ? kButtonGap : 0);
    }

    s32 t = 0, m = 0, fh = 0;
    if (bound) {
        field = new TextBox(TEXTBOX_LINE, this);
        field->SetAlignment(1);
        field->AddFlags(WF_DARKPANEL | WF_THINBORDER);
        // A longer starting text would be refused and the caller's string then emptied.
        u32 length = bound->Length();
        if (length > kInputMaxLength) field->SetMaxLength(length);
        field->SetText(bound->c_str());
        field->enterPressed.Connect<&MessageBoxWindow::OnEnter>(this);
        m = kMinInputWidth;
        fh = field->GetFrameHeight();
    }
    const char* fieldText = bound ? bound->c_str() : text;
    if (bound || text) t = Min(GetTextWidth(0, fieldText, kLabelTextFlags), kMaxTextWidth);

    s32 W = Max(Max(t, total), m);
    s32 h = 0, y = kMargin;
    if (bound) {
        // A single-line field never wraps: it is as high as its frame whatever its text.
        h = fh;
    } else if (text) {
        h = GetWrappedTextHeight(0, fieldText, W, kLabelTextFlags);
        // A text taller than the screen would push the title and the buttons off it: it
        // gets the room that is left and scrolls instead.
        s32 insets = FrameSizeForContent(Size{0, 0}).height;
        s32 room = WindowSystem::GetScreenSize().height - insets - (kMargin + kButtonGap + bh + kMargin) - kMargin;
        bool scrolls = h > room;
        if (scrolls) h = Max(room, lh);
        field = new TextBox(scrolls ? TEXTBOX_VIEW : TEXTBOX_LABEL, this);
        // A text past the box's usual length limit would be refused whole.
        size_t length = strlen(text);
        if (length > 9999) field->SetMaxLength(u32(length > 0xFFFFFFFEu ? 0xFFFFFFFEu : length));
        field->SetText(text);
        field->SetAlignment(1);
    }
    if (field) y = h + kButtonGap + kMargin;

    SetContentSize(W + 2 * kMargin, y + bh + kMargin);
    SetTitle(title ? title : "");
    CenterInParent();
    BringToFront();
    if (field) field->SetFrameXYWH(kMargin, kMargin, W, h);

    s32 x = (W + 2 * kMargin - total) / 2;
    Window* previous = field && bound ? static_cast<Window*>(field) : nullptr;
    Window* ringStart = previous;
    for (u32 i = 0; i < n; ++i) {
        Button* b = new Button(this, i);
        b->SetTitle(labels[i]);
        b->SetFrameXYWH(x, y, widths[i], bh);
        b->clickedWithId.Connect<&MessageBoxWindow::OnButton>(this);
        x += widths[i] + kButtonGap;
        buttons[i] = b;
        if (previous) Window::LinkTabOrder(previous, b);
        if (!ringStart) ringStart = b;
        previous = b;
    }
    buttonCount = n;
    firstButton = buttons[0];
    if (previous && ringStart && previous != ringStart) Window::LinkTabOrder(previous, ringStart);

    if (field && bound) {
        Window::SetFocus(field, FOCUS_PROGRAM);
        field->SelectAll();
    } else {
        Window::SetFocus(firstButton, FOCUS_PROGRAM);
    }
}

MessageBoxWindow::~MessageBoxWindow() {}

const char* MessageBoxWindow::GetClassName() const { return "MessageBoxWindow"; }

u64 MessageBoxWindow::Run()
{
    SetVisible(1);
    // A button closes the box itself, and the loop may delete it before RunModal returns.
    WindowWatch watch(this);
    u64 result = WindowSystem::RunModal(this, MODAL_KEYS_TO_WINDOW | MODAL_DIM, nullptr);
    if (watch.IsAlive()) Close();
    return result;
}

void MessageBoxWindow::OnButton(s32 index)
{
    if (field && boundText) field->GetText(boundText);
    if (WindowSystem::IsOnModalStack(this, 0)) WindowSystem::EndModal(this, u64(u32(index)));
    Close();
}

void MessageBoxWindow::OnEnter(s32 pressed)
{
    if (!firstButton) return;
    if (pressed)
        firstButton->SetState(BUTTON_PRESSED, 0);
    else if (firstButton->GetButtonState() == BUTTON_PRESSED)
        firstButton->SetState(BUTTON_ON, 0);
}

int ShowMessageBoxList(const char* title, const char* text, const char* const* labels, u32 count)
{
    MessageBoxWindow* box = new MessageBoxWindow(title, text, nullptr, labels, count);
    return int(box->Run());
}

int ShowMessageBox(const char* title, const char* text, ...)
{
    const char* labels[kMessageBoxMaxButtons];
    va_list args;
    va_start(args, text);
    u32 n = CollectLabels(args, labels);
    va_end(args);
    return ShowMessageBoxList(title, text, labels, n);
}

int ShowInputBoxList(const char* title, String* text, const char* const* labels, u32 count)
{
    String scratch;
    MessageBoxWindow* box = new MessageBoxWindow(title, nullptr, text ? text : &scratch, labels, count);
    return int(box->Run());
}

int ShowInputBox(const char* title, String* text, ...)
{
    const char* labels[kMessageBoxMaxButtons];
    va_list args;
    va_start(args, text);
    u32 n = CollectLabels(args, labels);
    va_end(args);
    return ShowInputBoxList(title, text, labels, n);
}

String FormatErrorText(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    String s = FormatErrorTextV(format, args);
    va_end(args);
    return s;
}

void ShowErrorBox(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    String s = FormatErrorTextV(format, args);
    va_end(args);
    ShowMessageBox("Error", s.c_str(), "OK", nullptr);
}

int ShowQuitQuestion() { return ShowMessageBox("Really Quit Tavik?", nullptr, "Quit", "Don't Quit", nullptr); }

void ShowDialogErrorBox(const char* title, const char* text)
{
    String s = FormatErrorText("%s", text ? text : "");
    ShowMessageBox(title ? title : "Error", s.c_str(), "OK", nullptr);
}
