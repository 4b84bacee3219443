// ComboBox: construction, items, layout, the drop-down's modal loop, keys and drawing.
#include "gui/ComboBox.h"

#include "foundation/String.h"
#include "gui/Menu.h"
#include "gui/Skin.h"
#include "gui/WindowSystem.h"
#include "platform/OsKeys.h"

static const s32 kArrowWidth = 14;
static const u32 kComboModal = MODAL_KEYS_TO_WINDOW | MODAL_MOUSE_TO_WINDOW | MODAL_END_ON_QUIT;

// The arrow button.

ComboBox::DropdownButton::DropdownButton(Window* parent) : Button(parent, 0) {}

void ComboBox::DropdownButton::GetMinimumFrameSize(Size* out, Size contentSize)
{
    Window::GetMinimumFrameSize(out, contentSize);
    if (out->width < kArrowWidth) out->width = kArrowWidth;
    if (out->height < kArrowWidth) out->height = kArrowWidth;
}

void ComboBox::DropdownButton::DrawContent()
{
    Skin* skin = WindowSystem::GetSkin();
    if (!skin) return;
    BeginDraw(1, 0);
    skin->DrawDropdownArrow(IsEnabled(), buttonState != BUTTON_NORMAL, -1, 2);
    EndDraw();
}

FocusAnswer ComboBox::DropdownButton::FocusGained(Window*, u32) { return FocusAnswer(uintptr_t(GetParent())); }

// The combo box.

ComboBox::ComboBox(Window* parent, u32 options)
    : Window(WF_VISIBLE | WF_ENABLED | WF_DARKPANEL | WF_FOCUSABLE, parent)
{
    comboOptions = options;
    if (IsEditable()) {
        field = new TextBox(TEXTBOX_LINE, this);
        field->textChanged.Connect<&ComboBox::OnTextChanged>(this);
    } else {
        field = CreateLabel(this, nullptr);
    }
    field->SetTitle("ComboBox Textfield");
    field->focusLost.Connect<&ComboBox::OnFieldFocusLost>(this);
    arrowButton = new DropdownButton(this);
    arrowButton->SetTitle("ComboBox Button");
    arrowButton->clickedWithId.Connect<&ComboBox::OnButtonClicked>(this);
    // Hovering selects a row, a click on one activates it; the selection is never emptied.
    list = new ListWindow(LWS_KEEPSELECTION | LWS_HOVERSELECT, WF_ENABLED | WF_DARKPANEL, this);
    list->SetTitle("ComboBox List");
    list->selectionChanged.Connect<&ComboBox::OnListSelectionChanged>(this);
    list->itemActivated.Connect<&ComboBox::OnListActivated>(this);
    SetWidth(178);
    list->RemoveFlags(WF_FOCUSABLE);
    if (IsEditable()) SetFocusKeeper(field);
    list->SetFocusKeeper(IsEditable() ? static_cast<Window*>(field) : this);
}

ComboBox::~ComboBox() {}

const char* ComboBox::GetClassName() const { return "ComboBox"; }

s32 ComboBox::FieldHeight()
{
    s32 h = GetLineHeight();
    return h > 16 ? h : 16;
}

void ComboBox::Layout(s32 fieldY, s32 listY)
{
    s32 w = GetContentWidth(), fh = FieldHeight();
    field->SetFrameXYWH(0, fieldY, w - kArrowWidth, fh);
    arrowButton->SetFrameXYWH(w - kArrowWidth, fieldY, kArrowWidth, fh);
    list->SetFrameXYWH(0, listY, w, list->GetFrameHeight());
}

void ComboBox::SetWidth(s32 width)
{
    s32 fh = FieldHeight();
    SetContentSize(width, fh);
    field->SetFrameXYWH(0, 0, width - kArrowWidth, fh);
    arrowButton->SetFrameXYWH(GetFrameWidth() - kArrowWidth, 0, kArrowWidth, fh);
    list->SetFrameXYWH(0, field->GetFrameHeight(), width - kArrowWidth, list->GetFrameHeight());
}

void ComboBox::Resized()
{
    Window::Resized();
    if (!field || !arrowButton || !list) return;
    s32 w = GetContentWidth();
    field->SetWidth(w - kArrowWidth);
    list->Window::SetWidth(w);
    Rect a = arrowButton->GetFrameInParent();
    arrowButton->MoveTo(w - kArrowWidth, a.top);
}

void ComboBox::SetVisibleRows(u32 rows, int fitWidth)
{
    u32 n = rows ? rows : 1;
    u32 limit = list->GetItemCount() + 1;
    if (n > limit) n = limit;
    list->SetHeight(s32(n) * GetLineHeight());
    if (!fitWidth) return;
    s32 widest = 0;
    for (ListItem* it = list->GetFirstItem(); it; it = ListWindow::NextRow(it)) {
        s32 w = GetTextWidth(0, it->text, 0x106);
        if (w > widest) widest = w;
    }
    SetWidth(widest + 18);
}

// Items.

ListItem* ComboBox::AddItem(u32 data, const char* text, int atFront)
{
    u32 flags = LIF_TEXT | (atFront ? u32(LIF_INSERTFIRST) : 0u);
    ListItem* item = list->AddItem(nullptr, 0, flags, reinterpret_cast<void*>(uintptr_t(data)), text);
    listChanged = 1;
    return item;
}

void ComboBox::Clear()
{
    updating = 1;
    list->Clear();
    field->SetText("");
    listChanged = 1;
    updating = 0;
}

void ComboBox::SortItems() { list->Sort(); }

void ComboBox::SelectItem(ListItem* item)
{
    if (!item) return;
    updating = 1;
    list->SelectItem(item, 0);
    list->EnsureVisible(item);
    field->SetText(item->text ? item->text : "");
    if (IsFocused() && IsEditable()) field->SelectAll();
    Invalidate(0);
    updating = 0;
}

void ComboBox::SelectByData(u32 data)
{
    ListItem* item = list->FindItemByUserData(reinterpret_cast<void*>(uintptr_t(data)), nullptr);
    if (item) SelectItem(item);
}

u32 ComboBox::GetSelectedData() const
{
    ListItem* item = list->GetCurrentItem();
    return item ? u32(reinterpret_cast<uintptr_t>(item->userData)) : 0;
}

ListItem* ComboBox::GetTopItem() const { return list->GetTopRow(); }

// Opening and closing.

void ComboBox::Expand(int byTyping)
{
    openedByTyping = byTyping ? 1 : 0;
    String text;
    if (byTyping && field->IsFocused() && field->GetText(&text) && !text.IsEmpty()) list->TypeAheadFind(text.c_str());
    if (!expanded) {
        expanded = 1;
        arrowButton->SetState(BUTTON_PRESSED, 1);
        if (IsEditable()) {
            Window::SetFocus(field, FOCUS_PROGRAM);
            if (!byTyping) field->SelectAll();
        }
        s32 listH = list->GetFrameHeight(), fh = FieldHeight();
        InvalidateFrame(0);
        SetContentSize(GetContentWidth(), fh + listH);
        savedPosition = GetPosition();
        Rect here = GetFrameRect();
        Rect candidates[2] = {here, Rect{here.left, here.top - listH, here.right, here.bottom - listH}};
        if (PickMostVisibleRect(candidates, 2, WindowSystem::GetScreenRect()) == 1) {
            Layout(listH, 0);
            MoveTo(savedPosition.x, savedPosition.y - listH);
        } else {
            Layout(0, fh);
        }
        if (listChanged) {
            list->UpdateScrollRange();
            listChanged = 0;
        }
        AddFlags(WF_SHADOW);
        list->SetVisible(1);
        InvalidateFrame(0);
    }
    if (!WindowSystem::IsOnModalStack(this, 0)) {
        // An owner may close the combo box (or its dialog) from a slot while the list is open.
        WindowWatch watch(this);
        WindowSystem::RunModal(this, kComboModal, nullptr);
        if (watch.IsAlive()) Collapse();
    }
}

void ComboBox::Collapse()
{
    if (!expanded) return;
    expanded = 0;
    arrowButton->SetState(BUTTON_NORMAL, 1);
    InvalidateFrame(0);
    list->SetVisible(0);
    SetContentSize(GetContentWidth(), FieldHeight());
    RemoveFlags(WF_SHADOW);
    Layout(0, FieldHeight());
    MoveTo(savedPosition.x, savedPosition.y);
    // An emptied editable field falls back to the first row; otherwise the row current in the
    // list wins (a fixed field starts empty, and the first pick must not become the top row).
    String text;
    field->GetText(&text);
    ListItem* current = list->GetCurrentItem();
    SelectItem((IsEditable() && text.IsEmpty()) || !current ? list->GetTopRow() : current);
    if (WindowSystem::IsOnModalStack(this, 1)) WindowSystem::EndModal(this, 0);
}

// Input.

int ComboBox::HandleKey(Event* event)
{
    u32 key = event->Key();
    bool pressed = event->Action() != 0;
    switch (key) {
    case KEY_ENTER:
    case KEY_TAB:
    case KEY_ESC:
        if (!pressed) return 1;
        // The list's current item stays chosen, also for Esc.
        Collapse();
        if (key == KEY_TAB) {
            field->ClearSelection();
            Window::FocusNext(this, (event->KeyModifiers() & MOD_SHIFT) != 0);
        }
        return 1;
    case KEY_UP:
    case KEY_DOWN:
        if (!pressed) return 1;
        if (expanded)
            list->KeyEvent(event);
        else
            Expand(0);
        return 1;
    }
    return 0;
}

int ComboBox::HandleEvent(Window* target, u32 type, Event* event)
{
    if (type == EVENT_KEY && (target == this || target == field) && HandleKey(event)) return 1;
    if (type == EVENT_BUTTON && target == field && !IsEditable()) {
        Window::SetFocus(this, FOCUS_CLICK);
        return 1;
    }
    return Window::HandleEvent(target, type, event);
}

void ComboBox::MouseButton(Event* event)
{
    // Only presses close the list: a stray release outside must not.
    if (!expanded || !event->Pressed()) return;
    Point p = event->Pos();
    Rect f = GetFrameRect();
    if (p.x >= f.left && p.x < f.right && p.y >= f.top && p.y < f.bottom) return;
    if (!WindowSystem::IsOnModalStack(this, 1)) return;
    WindowSystem::EndModal(this, 0);
    // The press belongs to the window under the pointer.
    u32 payload[6] = {0, 0, 0, 0, event->Button(), 1};
    WindowSystem::RepostEvent(EVENT_BUTTON, payload);
}

void ComboBox::DoubleClick(Event* event) { ComboBox::MouseButton(event); }

FocusAnswer ComboBox::FocusGained(Window*, u32)
{
    Invalidate(0);
    if (IsEditable()) {
        if (!openedByTyping) field->SelectAll();
        return FocusAnswer(uintptr_t(field));
    }
    openedByTyping = 0;
    return FOCUS_TAKEN;
}

void ComboBox::FocusLost(Window* newFocus, u32 reason)
{
    if (reason == FOCUS_TAB) {
        Collapse();
        field->ClearSelection();
    }
    Window::FocusLost(newFocus, reason);
    Invalidate(0);
}

void ComboBox::FlagsChanged(u32 changed)
{
    if ((changed & WF_ENABLED) && field && list && arrowButton) {
        int on = IsEnabled() ? 1 : 0;
        field->SetEnabled(on);
        list->SetEnabled(on);
        arrowButton->SetEnabled(on);
    }
    Window::FlagsChanged(changed);
}

void ComboBox::DrawContent()
{
    Skin* skin = WindowSystem::GetSkin();
    if (!skin) return;
    BeginDraw(1, 0);
    s32 top = field->GetFrameInParent().top;
    Rect row = {0, top, GetContentWidth(), top + field->GetFrameHeight()};
    if (!expanded && IsFocused())
        skin->DrawSelection(row, 5);
    else
        skin->DrawDarkBackground(row);
    EndDraw();
}

// Slots.

void ComboBox::OnTextChanged()
{
    if (!updating) Expand(1);
}

void ComboBox::OnFieldFocusLost(int) { Invalidate(0); }

void ComboBox::OnButtonClicked(s32)
{
    if (expanded)
        Collapse();
    else
        Expand(0);
}

void ComboBox::OnListSelectionChanged()
{
    if (updating) return;
    if (IsEditable() && !field->IsFocused()) Collapse();
    ListItem* item = list->GetCurrentItem();
    if (item) selectionChanged.Emit(item, u32(reinterpret_cast<uintptr_t>(item->userData)));
}

void ComboBox::OnListActivated(ListItem*) { Collapse(); }
