// Button and CheckBox: the state machine shared by mouse, keyboard and programs, and their
// drawing through the skin.
#include "gui/Button.h"

#include "gui/Skin.h"
#include "gui/WindowSystem.h"
#include "platform/OsKeys.h"

Button::Button(Window* parent, u32 buttonId)
    : Window(WF_FOCUSABLE | WF_ENABLED | WF_VISIBLE, parent), toggle(0), buttonState(0), savedState(0)
{
    SetId(buttonId);
}

Button::~Button() {}

const char* Button::GetClassName() const { return "Button"; }

void Button::SetState(u32 requested, int silent)
{
    bool clicks = requested == BUTTON_ON || (toggle && requested == BUTTON_NORMAL);
    u32 stored = (!toggle && requested == BUTTON_ON) ? BUTTON_NORMAL : requested;
    if (stored != buttonState) {
        Invalidate(0);
        buttonState = stored;
    }
    if (clicks && !silent) {
        // A slot may close the button's dialog and run a loop that deletes it.
        WindowWatch watch(this);
        clickedWithId.Emit(s32(GetId()));
        if (watch.IsAlive()) clicked.Emit();
    }
}

void Button::KeyPress(int value)
{
    if (value != 0 && value != 1) {
        if (!toggle) SetState(BUTTON_NORMAL, 0);
        return;
    }
    WindowWatch watch(this);
    if (buttonState == BUTTON_PRESSED && value == 0)
        SetState(BUTTON_ON, 0);
    else if (buttonState == BUTTON_NORMAL && value == 1)
        SetState(BUTTON_PRESSED, 0);
    if (!watch.IsAlive() || !toggle) return;
    if (buttonState == BUTTON_PRESSED_ON && value == 0)
        SetState(BUTTON_NORMAL, 0);
    else if (buttonState == BUTTON_ON && value == 1)
        SetState(BUTTON_PRESSED_ON, 0);
}

int Button::KeyEvent(Event* event)
{
    if (!IsEnabled()) return 0;
    u32 key = event->Key();
    if (key == ' ' || key == KEY_ENTER)
        KeyPress(event->Action() ? 1 : 0);
    else
        KeyPress(-1);
    return 0;
}

void Button::MouseButton(Event* event)
{
    if (!event->Pressed() || !IsEnabled()) return;
    savedState = toggle ? buttonState : BUTTON_NORMAL;
    BeginTracking(DefaultTracker);
}

void Button::DoubleClick(Event* event) { Button::MouseButton(event); }

void Button::Track(Point, Point current, u32 phase)
{
    bool inside = HitTest(current) == HIT_CONTENT;
    u32 next;
    switch (phase) {
    case TRACK_BEGIN:
        next = savedState == BUTTON_ON ? BUTTON_PRESSED_ON : BUTTON_PRESSED;
        break;
    case TRACK_MOVE:
        if (inside)
            next = savedState != BUTTON_NORMAL ? BUTTON_PRESSED_ON : BUTTON_PRESSED;
        else
            next = savedState;
        break;
    case TRACK_END:
        if (inside)
            next = savedState != BUTTON_ON ? BUTTON_ON : BUTTON_NORMAL;
        else
            next = savedState;
        break;
    default:
        next = BUTTON_NORMAL;
        break;
    }
    // Moving only shows the state a release would leave; a toggle restored to its value
    // while dragging is no click, so listeners hear once per press.
    SetState(next, phase == TRACK_MOVE);
}

void Button::FocusLost(Window*, u32)
{
    if (buttonState == BUTTON_PRESSED_ON)
        SetState(BUTTON_ON, 0);
    else if (buttonState == BUTTON_PRESSED)
        SetState(BUTTON_NORMAL, 0);
}

void Button::GetMinimumFrameSize(Size* out, Size contentSize)
{
    Window::GetMinimumFrameSize(out, contentSize);
    Size b = {0, 0};
    Skin::GetButtonSize(&b, nullptr);
    out->width += b.width;
    out->height += b.height;
}

void Button::SizeToFit()
{
    Size b = {0, 0};
    Skin::GetButtonSize(&b, nullptr);
    s32 w = GetTextWidth(0, GetTitle(), 0);
    if (w < b.width) w = b.width;
    w = (w + 28) & ~15;
    s32 h = GetLineHeight();
    if (h < b.height) h = b.height;
    SetSize(w, h);
}

s32 Button::GetHeight(s32 height)
{
    Size b = {0, 0};
    Skin::GetButtonSize(&b, nullptr);
    return height > b.height ? height : b.height;
}

void Button::DrawContent()
{
    Skin* skin = WindowSystem::GetSkin();
    Window* p = GetParent();
    if (!skin || !p) return;
    // Drawn in the parent's content so that the face's shadow may spill past the button.
    Rect r = content;
    p->ScreenToContentRects(&r, 1);
    r.bottom -= 6;
    p->BeginDraw(1, 0);
    SetColor(IsEnabled() ? 0xFFFFFFFFu : 0xFF808080u);
    skin->DrawButton(r, buttonState == BUTTON_PRESSED);
    if (IsEnabled()) Skin::SetTextColor(0);
    DrawText(r, 0, GetTitle(), 0x156);
    if (IsFocused()) skin->DrawSelection(Rect{r.left, r.top, r.right - 2, r.bottom}, 5);
    p->EndDraw();
}

// CheckBox.

CheckBox::CheckBox(Window* parent, u32 buttonId) : Button(parent, buttonId) { toggle = 1; }

const char* CheckBox::GetClassName() const { return "CheckBox"; }

void CheckBox::GetMinimumFrameSize(Size* out, Size contentSize)
{
    Window::GetMinimumFrameSize(out, contentSize);
    Size box = Skin::GetCheckBoxSize();
    s32 lh = GetLineHeight();
    out->width += GetTextWidth(0, GetTitle(), 0) + box.width + 8;
    out->height += lh > box.height ? lh : box.height;
}

void CheckBox::SizeToFit()
{
    Size s = {0, 0};
    GetMinimumFrameSize(&s, Size{0, 0});
    SetSize(s.width, s.height);
}

void CheckBox::DrawContent()
{
    Skin* skin = WindowSystem::GetSkin();
    if (!skin) return;
    Size box = Skin::GetCheckBoxSize();
    s32 lh = GetLineHeight();
    s32 h = lh > box.height ? lh : box.height;
    Rect bounds = GetContentBounds();
    BeginDraw(1, 0);
    SetColor(IsEnabled() ? 0xFFFFFFFFu : 0xFF808080u);
    s32 y = (h - box.height - 2) / 2;
    skin->DrawCheckBox(Rect{0, y, box.width, y + box.height}, buttonState);
    Rect label = {bounds.left + box.width + 8, bounds.top + (h - lh) / 2, bounds.right + box.width + 8,
                  bounds.bottom + (h - lh) / 2};
    if (label.right > bounds.right) label.right = bounds.right;
    if (label.bottom > bounds.bottom) label.bottom = bounds.bottom;
    if (!label.IsEmpty()) {
        if (IsEnabled()) Skin::SetTextColor(0);
        DrawText(label, 0, GetTitle(), 0x106);
        if (IsFocused()) {
            Skin::SetHighlightColor(1, 1);
            FillRect(Rect{label.left, label.bottom - 2, label.right, label.bottom});
        }
    }
    EndDraw();
}
