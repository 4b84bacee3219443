// TextBox as a window: keys, cursor movement, mouse selection, caret blink, drawing, focus,
// CreateLabel and the in-place TextPopup.
#include "gui/Button.h"
#include "gui/Skin.h"
#include "gui/TextBox.h"
#include "gui/WindowSystem.h"
#include "gui/core/Font.h"
#include "platform/Clipboard.h"
#include "platform/Os.h"
#include "platform/OsKeys.h"

namespace {

constexpr s32 kWholeLine = 16777216;
constexpr u32 kSelectModalFlags = MODAL_KEYS_TO_WINDOW | MODAL_MOUSE_TO_WINDOW | MODAL_END_ON_QUIT;
constexpr u32 kPopupModalFlags = MODAL_MOUSE_TO_WINDOW | MODAL_END_ON_QUIT;

// The box whose mouse selection loop runs; cleared when that box is deleted inside it.
TextBox* g_selecting;

bool ShiftHeld() { return (WindowSystem::GetModifiers() & MOD_SHIFT) != 0; }

bool Inside(const Rect& r, Point p) { return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom; }

// Floor division: a pointer above the content is on a line above the top one.
s64 FloorDiv(s64 a, s64 b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

}  // namespace

void TextBoxForgetSelecting(TextBox* box)
{
    if (g_selecting == box) g_selecting = nullptr;
}

// Cursor movement.

int TextBox::MoveLines(s32 lines)
{
    int moved = 0;
    for (s32 n = lines; n != 0; n += n < 0 ? 1 : -1) {
        TextParagraph* p = cursor.paragraph;
        if (n < 0) {
            if (cursor.line > 0) --cursor.line;
            else if (p->previous) {
                cursor.paragraph = p->previous;
                cursor.line = cursor.paragraph->lines.count - 1;
            } else break;
        } else {
            if (cursor.line + 1 < p->lines.count) ++cursor.line;
            else if (p->next) {
                cursor.paragraph = p->next;
                cursor.line = 0;
            } else break;
        }
        moved = 1;
    }
    return moved;
}

int TextBox::MoveCursor(s32 characters, s32 lines, int useShift)
{
    bool extending = selectable && useShift && ShiftHeld();
    if (!extending && HasSelection() && (characters || lines)) {
        bool forward = characters >= 0 && lines != -1;
        CollapseSelection(forward);
    }
    TextPosition old = cursor;
    if (lines) {
        if (!MoveLines(lines)) {
            cursor = old;
            return 0;
        }
        const TextLine& l = cursor.paragraph->lines.data[cursor.line];
        cursor.character = IndexAtX(cursor.paragraph, l, s32(cursor.x > 0x7FFFFFFFu ? 0x7FFFFFFFu : cursor.x));
    }
    // A pure line move keeps the remembered x, so the column survives short lines.
    if (characters) {
        const TextLine& l = cursor.paragraph->lines.data[cursor.line];
        s64 c = s64(cursor.character) + characters;
        if (c < l.start) c = l.start;
        if (c > l.end) c = l.end;
        cursor.character = u32(c);
        cursor.x = WidthBefore(cursor.paragraph, l, cursor.character);
    }
    bool moved = cursor.paragraph != old.paragraph || cursor.line != old.line || cursor.character != old.character;
    if (moved && !extending) anchor = cursor;
    if (moved) Invalidate(0);
    ScrollToCursor();
    lastCursorMove = OsGetTime();
    return moved;
}

// Keys.

int TextBox::KeyEvent(Event* event)
{
    if (!IsEnabled()) return 0;
    u32 key = event->Key();
    bool multi = kind == TEXTKIND_MULTILINE;
    if (event->Action() == LIBACTION_RELEASE) {
        if (key == KEY_ENTER && editable && !multi) {
            enterPressed.Emit(0);
            return 1;
        }
        return 0;
    }
    bool ctrl = (event->KeyModifiers() & MOD_CTRL_A) != 0;
    int consumed = 1;
    const TextLine* line = &cursor.paragraph->lines.data[cursor.line];
    bool hasPrevLine = cursor.line > 0 || cursor.paragraph->previous;
    bool hasNextLine = cursor.line + 1 < cursor.paragraph->lines.count || cursor.paragraph->next;
    switch (key) {
    case 'A':
    case 'C':
    case 'V':
    case 'X':
    case 'Y':
    case 'Z':
        if (!ctrl) break;
        if (key == 'A') SelectAll();
        else if (key == 'C') Copy();
        else if (key == 'V') Paste();
        else if (key == 'X') Cut();
        else if (key == 'Y') history.Redo();
        else history.Undo();
        break;
    case KEY_TAB:
        TypeChar(9);
        break;
    case KEY_BACKSPACE:
        Backspace();
        break;
    case KEY_DELETE:
        DeleteForward();
        break;
    case KEY_ENTER:
        if (editable && !multi) enterPressed.Emit(1);
        else TypeChar(10);
        break;
    case KEY_HOME:
        MoveCursor(-kWholeLine, 0, 1);
        break;
    case KEY_END:
        MoveCursor(kWholeLine, 0, 1);
        break;
    case KEY_PAGEUP:
    case KEY_PAGEDOWN: {
        // A box without a page still moves one line.
        s32 n = GetVPageSize() - 1;
        if (n < 1) n = 1;
        MoveCursor(0, key == KEY_PAGEUP ? -n : n, 1);
        break;
    }
    case KEY_UP:
        if (multi) MoveCursor(0, -1, 1);
        else MoveCursor(-kWholeLine, 0, 1);
        break;
    case KEY_DOWN:
        if (multi) MoveCursor(0, 1, 1);
        else MoveCursor(kWholeLine, 0, 1);
        break;
    case KEY_LEFT:
        if (!(selectable && ShiftHeld()) && HasSelection()) {
            CollapseSelection(0);
            line = &cursor.paragraph->lines.data[cursor.line];
            hasPrevLine = cursor.line > 0 || cursor.paragraph->previous;
        }
        if (cursor.character <= line->start && hasPrevLine) MoveCursor(kWholeLine, -1, 1);
        else MoveCursor(-1, 0, 1);
        break;
    case KEY_RIGHT:
        if (!(selectable && ShiftHeld()) && HasSelection()) {
            CollapseSelection(1);
            line = &cursor.paragraph->lines.data[cursor.line];
            hasNextLine = cursor.line + 1 < cursor.paragraph->lines.count || cursor.paragraph->next;
        }
        if (cursor.character >= line->end && hasNextLine) MoveCursor(-kWholeLine, 1, 1);
        else MoveCursor(1, 0, 1);
        break;
    default:
        consumed = 0;
        break;
    }
    if (consumed) lastCursorMove = OsGetTime();
    EmitIfChanged();
    return consumed;
}

void TextBox::CharEvent(Event* event)
{
    if (!IsEnabled()) return;
    if (event->Action()) {
        u32 c = event->Character();
        TypeChar(c <= 255 ? u8(c) : 0);
        lastCursorMove = OsGetTime();
    }
    EmitIfChanged();
}

// Mouse selection.

void TextBox::MouseButton(Event* event)
{
    if (!IsEnabled() || !selectable || IsRightButton(event)) return;
    if (!event->Pressed()) {
        if (mouseSelecting && WindowSystem::IsOnModalStack(this, 1)) WindowSystem::EndModal(this, 0);
        return;
    }
    if (mouseSelecting) return;
    mouseSelecting = 1;
    anchorFixed = 0;
    lastDragScroll = OsGetTime();
    // The press itself places the cursor, also when the release follows before any tick.
    DragSelection();
    TextBox* outer = g_selecting;
    g_selecting = this;
    WindowSystem::RunModal(this, kSelectModalFlags, nullptr);
    // The box may have been deleted while the loop ran.
    if (g_selecting == this) mouseSelecting = 0;
    g_selecting = outer;
}

void TextBox::DragSelection()
{
    if (!mouseSelecting) return;
    s32 lh = GetLineHeight();
    if (lh <= 0) return;
    Point m = WindowSystem::GetMousePos();
    ScreenToContent(&m, 1);
    s64 top = topParagraph ? s64(topParagraph->firstLine) + topLine : 0;
    s64 n = FloorDiv(m.y, lh) + top;
    if (n < 0) n = 0;
    if (n >= s64(lineCount)) n = s64(lineCount) - 1;
    u32 l = 0;
    TextParagraph* p = FindLine(u32(n), &l);
    const TextLine& tl = p->lines.data[l];
    s32 x = m.x - LineOffset(tl);
    if (x < 0) x = 0;
    u32 c = IndexAtX(p, tl, x);
    bool moved = cursor.paragraph != p || cursor.line != l || cursor.character != c;
    cursor = TextPosition{p, l, c, WidthBefore(p, tl, c)};
    if (!anchorFixed) {
        anchorFixed = 1;
        if (!ShiftHeld()) anchor = cursor;
    } else if (moved && !selectable) {
        anchor = cursor;
    }
    if (moved) {
        Invalidate(0);
        ScrollToCursor();
        lastCursorMove = OsGetTime();
    }
}

void TextBox::Tick()
{
    ScrollableWindow::Tick();
    if (!IsEnabled()) return;
    double now = OsGetTime();
    if (mouseSelecting) {
        Point m = WindowSystem::GetMousePos();
        if (Inside(content, m) || now - lastDragScroll >= 1.0 / 30.0) {
            lastDragScroll = now;
            DragSelection();
        }
    }
    u32 shown = 0;
    if (IsFocused() && selectable && editable) {
        if (now - lastCursorMove < 0.5) shown = 1;
        else shown = u32(s64(now * 2.0) & 1);
    }
    if (shown != cursorShown) {
        cursorShown = shown;
        Invalidate(0);
    }
}

// Drawing.

void TextBox::DrawContent()
{
    if (!topParagraph) return;
    Skin* skin = WindowSystem::GetSkin();
    s32 lh = GetLineHeight();
    s32 width = GetContentWidth(), height = GetContentHeight();
    if (lh <= 0) return;
    BeginDraw(1, 0);
    u32 color = IsEnabled() ? 0xFFFFFFFFu : 0xFF808080u;
    bool selection = HasSelection();
    TextPosition s, e;
    GetSelection(&s, &e);
    String text;
    TextParagraph* p = topParagraph;
    u32 l = topLine;
    for (s32 y = 0; p && y < height; y += lh) {
        const TextLine& tl = p->lines.data[l];
        s32 offset = LineOffset(tl);
        if (selection && skin && p->index >= s.paragraph->index && p->index <= e.paragraph->index) {
            u32 from = p == s.paragraph && s.character > tl.start ? s.character : tl.start;
            u32 to = p == e.paragraph && e.character < tl.end ? e.character : tl.end;
            if (from <= to) {
                s64 x1 = WidthBefore(p, tl, from), x2 = WidthBefore(p, tl, to);
                bool goesOn = p != e.paragraph || e.character > tl.end;
                bool holdsCursor = p == cursor.paragraph && l == cursor.line;
                if (goesOn || (from == to && !holdsCursor)) x2 += 8;
                skin->DrawSelection(Rect{s32(offset + x1), y, s32(offset + x2), y + lh}, 2 | (IsFocused() ? 1 : 0));
            }
        }
        SetColor(color);
        text.Set(p->Chars() + tl.start, tl.end - tl.start);
        DrawText(Rect{offset, y, width, y + lh}, tl.startStyle, text.c_str(), 0x106);
        if (p == cursor.paragraph && l == cursor.line && IsEnabled() && editable && cursorShown) {
            s32 cx = offset + s32(WidthBefore(p, tl, cursor.character));
            SetColor(0xFFFFFFFFu);
            FillRect(Rect{cx, y, cx + 1, y + lh});
        }
        if (++l >= p->lines.count) {
            p = p->next;
            l = 0;
        }
    }
    EndDraw();
}

// Focus and flags.

FocusAnswer TextBox::FocusGained(Window* oldFocus, u32 reason)
{
    ScrollableWindow::FocusGained(oldFocus, reason);
    if (IsEnabled() && reason == FOCUS_TAB) SelectAll();
    lastCursorMove = OsGetTime();
    Invalidate(0);
    return FOCUS_TAKEN;
}

void TextBox::FocusLost(Window* newFocus, u32 reason)
{
    ScrollableWindow::FocusLost(newFocus, reason);
    Invalidate(0);
    if ((reason != FOCUS_CLICK && reason != FOCUS_TAB) || kind == TEXTKIND_MULTILINE) return;
    String text;
    GetText(&text);
    if (kind == TEXTKIND_INTEGER) {
        s32 v;
        if (text.IsEmpty() || !GetInt(&v)) SetTextf("%d", 0);
    } else if (kind == TEXTKIND_NUMBER) {
        double v;
        // Only an empty or unreadable number is replaced; a valid one stays as typed.
        if (text.IsEmpty() || !GetFloat(&v)) SetFloat(0.0);
    }
    cursor = TextPosition{firstParagraph, 0, 0, 0};
    UpdatePosition(&cursor);
    anchor = cursor;
    ScrollToCursor();
}

void TextBox::FlagsChanged(u32 changedBits)
{
    ScrollableWindow::FlagsChanged(changedBits);
    if (!(changedBits & WF_ENABLED)) return;
    SetCursor(IsEnabled() && selectable ? CURSOR_IBEAM : CURSOR_ARROW, 1);
    if (IsEnabled() && (editable || selectable)) AddFlags(WF_FOCUSABLE);
    else RemoveFlags(WF_FOCUSABLE);
}

// Labels.

TextBox* CreateLabel(Window* parent, const char* text)
{
    TextBox* box = new TextBox(TEXTBOX_LABEL, parent);
    if (text) {
        box->SetText(text);
        box->SetSize(box->GetTextWidth(0, text, 0x106), box->GetLineHeight());
    }
    return box;
}

// The popup.

namespace {

class TextPopupWindow : public Window {
public:
    TextPopupWindow(Window* owner, TextBox* hosted) noexcept : Window(WF_VISIBLE | WF_ENABLED, owner), box(hosted) {}
    const char* GetClassName() const override { return "TextPopup"; }

    void Closing() override
    {
        // The owner reads and closes the box after the popup is gone.
        if (box && box->GetParent() == this) box->SetParent(nullptr);
        box = nullptr;
    }
    FocusAnswer FocusGained(Window*, u32) override
    {
        return box ? reinterpret_cast<FocusAnswer>(static_cast<Window*>(box)) : FOCUS_TAKEN;
    }
    void MouseButton(Event* event) override
    {
        if (!event->Pressed()) return;
        if (Inside(content, event->Pos())) return;
        WindowSystem::RepostEvent(EVENT_BUTTON, event->data);
        WindowSystem::EndModal(this, 1);
    }
    void OnEnter(s32 pressed)
    {
        if (pressed && WindowSystem::IsOnModalStack(this, 1)) WindowSystem::EndModal(this, 1);
    }

    TextBox* box;
};

}  // namespace

int TextPopup(Window* owner, const Rect& rect, TextBox* box)
{
    if (!owner || !box) return 0;
    TextPopupWindow* popup = new TextPopupWindow(owner, box);
    Rect r = rect;
    owner->ScreenToContentRects(&r, 1);
    popup->SetFrame(r);
    box->SetParent(popup);
    box->FillParent();
    box->SelectAll();
    box->enterPressed.Connect<&TextPopupWindow::OnEnter>(popup);
    Window::SetFocus(box, FOCUS_PROGRAM);
    // The owner (and with it the popup and the box) may be deleted while the loop runs.
    WindowWatch popupAlive(popup), boxAlive(box);
    WindowSystem::RunModal(popup, kPopupModalFlags, nullptr);
    if (!popupAlive.IsAlive()) return boxAlive.IsAlive() ? 1 : 0;
    // The detached box must not keep the keyboard: it goes back to the owner.
    Window* focus = WindowSystem::GetFocus();
    if (focus && popup->Contains(focus)) Window::SetFocus(owner, FOCUS_PROGRAM);
    popup->Close();
    return 1;
}
