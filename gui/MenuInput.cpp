// Menus: mouse and keyboard.
#include "gui/Menu.h"
#include "gui/WindowSystem.h"
#include "platform/OsKeys.h"

static bool Selectable(const MenuItem* item)
{
    return item && item->IsEnabled() && !item->IsSeparator() && item->GetState() != WS_CLOSED;
}

static MenuItem* FirstSelectable(MenuItem* menu)
{
    for (MenuItem* it = menu ? menu->FirstItem() : nullptr; it; it = MenuItem::NextItem(it))
        if (Selectable(it)) return it;
    return nullptr;
}

static MenuItem* PrevItem(MenuItem* item) { return static_cast<MenuItem*>(item->GetPrevSibling()); }
static MenuItem* LastItem(MenuItem* menu) { return static_cast<MenuItem*>(menu->GetLastChild()); }

// The next (or previous) selectable item of menu after current, wrapping around; current
// itself only when nothing else can be chosen and it can. Null current starts at an end.
static MenuItem* StepSelectable(MenuItem* menu, MenuItem* current, int forward)
{
    if (!menu || !menu->HasItems()) return nullptr;
    MenuItem* start = current && current->GetParent() == menu ? current : nullptr;
    MenuItem* it = start;
    for (u32 n = menu->GetChildCount() + 1; n--;) {
        if (forward)
            it = it && MenuItem::NextItem(it) ? MenuItem::NextItem(it) : menu->FirstItem();
        else
            it = it && PrevItem(it) ? PrevItem(it) : LastItem(menu);
        if (Selectable(it)) return it;
        if (it == start) break;
    }
    return nullptr;
}

static bool RootIsModal(MenuItem* root) { return WindowSystem::IsOnModalStack(root, 0); }

static bool IsTopLevelBarPopup(MenuItem* menu)
{
    return menu && menu->root && menu != menu->root && menu->parentMenu == menu->root && menu->root->IsMenuBar();
}

// Opens a bar item and highlights the first item of its submenu.
static void OpenBarItem(MenuItem* item)
{
    if (!item) return;
    MenuItem::SetOpen(item, 1);
    if (item->IsOpen() && item->HasItems()) MenuItem::Highlight(FirstSelectable(item));
}

void MenuItem::MouseButton(Event* event)
{
    if (!event->Pressed()) return;
    MenuItem* item = ItemAtPoint(event->Pos());
    if (item) {
        if (Selectable(item)) Activate(this, item);
        return;
    }
    if (WindowSystem::IsOnModalStack(this, 1)) {
        WindowSystem::EndModal(this, 0);
        // The press belongs to the window under the pointer.
        u32 payload[6] = {0, 0, 0, 0, event->Button(), 1};
        WindowSystem::RepostEvent(EVENT_BUTTON, payload);
    }
}

void MenuItem::DoubleClick(Event* event) { MenuItem::MouseButton(event); }

void MenuItem::MouseMove(Event* event)
{
    MenuItem* item = ItemAtPoint(event->Pos());
    if (root && RootIsModal(root)) {
        if (item) SetOpen(item, 1);
        return;
    }
    if (item)
        Highlight(item);
    else
        CloseSubmenus(root);
}

void MenuItem::MouseLeave()
{
    if (root == this && !RootIsModal(this)) CloseSubmenus(this);
}

int MenuItem::KeyEvent(Event* event)
{
    if (!event->Action() || !root) return 1;
    MenuItem* m = root;
    for (u32 guard = 0; m->openSubmenu && guard < 64; ++guard) m = m->openSubmenu;
    MenuItem* current = m->highlightedItem ? m->highlightedItem : m;
    MenuItem* container = m->highlightedItem ? m : m->parentMenu;
    if (!container) container = m;
    u32 key = event->Key();
    // With nothing highlighted a navigation key starts at the first item. Other keys do not:
    // a letter's own key press comes before its character, which searches from the highlight.
    if (current == container && key != KEY_ESC) {
        if (key == KEY_UP || key == KEY_DOWN || key == KEY_LEFT || key == KEY_RIGHT || key == KEY_ENTER)
            Highlight(FirstSelectable(container));
        return 1;
    }
    bool vertical = !container->IsMenuBar();
    enum { NONE, NEXT, PREV, OPEN, BACK } action = NONE;
    switch (key) {
    case KEY_ENTER:
        if (Selectable(current)) Activate(container, current);
        return 1;
    case KEY_ESC:
        if (RootIsModal(root)) {
            if (WindowSystem::IsOnModalStack(root, 1)) WindowSystem::EndModal(root, 0);
        } else {
            GetRootMenu()->itemChosen.Emit(nullptr);
        }
        return 1;
    case KEY_DOWN: action = vertical ? NEXT : OPEN; break;
    case KEY_UP: action = vertical ? PREV : BACK; break;
    case KEY_RIGHT: action = vertical ? OPEN : NEXT; break;
    case KEY_LEFT: action = vertical ? BACK : PREV; break;
    default: return 1;
    }
    switch (action) {
    case NEXT:
    case PREV: {
        MenuItem* next = StepSelectable(container, current, action == NEXT);
        if (!next || next == current) break;
        // Across a menu bar an open menu stays open on the next item.
        if (!vertical && current->IsOpen())
            SetOpen(next, 1);
        else
            Highlight(next);
        break;
    }
    case OPEN:
        if (current->HasItems()) {
            if (Selectable(current)) {
                SetOpen(current, 1);
                Highlight(FirstSelectable(current));
            }
        } else if (IsTopLevelBarPopup(container)) {
            OpenBarItem(StepSelectable(root, container, 1));
        }
        break;
    case BACK:
        if (IsTopLevelBarPopup(container)) {
            OpenBarItem(StepSelectable(root, container, 0));
        } else if (m != root && m->parentMenu) {
            SetOpen(m, 0);
            Highlight(m);
        }
        break;
    default: break;
    }
    return 1;
}

void MenuItem::CharEvent(Event* event)
{
    if (!event->Action()) return;
    u32 c = event->Character();
    if (c >= 'A' && c <= 'Z') c += 'a' - 'A';
    if (c < 'a' || c > 'z' || !SelectByLetter(c)) WindowSystem::Beep();
}

static bool StartsWith(MenuItem* item, u32 letter)
{
    const char* t = item->GetTitle();
    if (!t || !*t) return false;
    u32 first = u8(t[0]);
    if (first >= 'A' && first <= 'Z') first += 'a' - 'A';
    return first == letter && Selectable(item);
}

int MenuItem::SelectByLetter(u32 letter)
{
    if (!root) return 0;
    MenuItem* m = root;
    for (u32 guard = 0; m->openSubmenu && guard < 64; ++guard) m = m->openSubmenu;
    MenuItem* current = m->highlightedItem ? m->highlightedItem : m;
    MenuItem* container = m->highlightedItem ? m : m->parentMenu;
    if (!container) container = m;
    MenuItem* start = current->GetParent() == container ? current : nullptr;
    MenuItem* found = nullptr;
    for (MenuItem* it = start ? NextItem(start) : container->FirstItem(); it && !found; it = NextItem(it))
        if (StartsWith(it, letter)) found = it;
    for (MenuItem* it = container->FirstItem(); start && it && !found; it = NextItem(it)) {
        if (StartsWith(it, letter)) found = it;
        if (it == start) break;
    }
    if (!found) return 0;
    SetOpen(found, 1);
    Highlight(found);
    return 1;
}
