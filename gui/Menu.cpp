// Menus: the item tree, geometry, drawing, opening and choosing.
#include "gui/Menu.h"

#include "gui/Button.h"
#include "gui/Skin.h"
#include "gui/WindowSystem.h"

static const char kSeparatorText[] = "<---separator--->";
static const u32 kMenuTextFlags = 0x106;

u32 PickMostVisibleRect(const Rect* candidates, u32 count, const Rect& screen)
{
    u32 best = 0;
    s64 bestArea = -1;
    for (u32 i = 0; i < count; ++i) {
        const Rect& r = candidates[i];
        s64 w = s64(r.right < screen.right ? r.right : screen.right) - (r.left > screen.left ? r.left : screen.left);
        s64 h = s64(r.bottom < screen.bottom ? r.bottom : screen.bottom) - (r.top > screen.top ? r.top : screen.top);
        s64 area = w > 0 && h > 0 ? w * h : 0;
        if (area > bestArea) {
            bestArea = area;
            best = i;
        }
    }
    return best;
}

MenuItem::MenuItem(u32 f, Window* p) : Window(f, p)
{
    // The Window constructor announced this window to its parent before it was an item, so
    // the parent menu could not take it in then: it does now.
    if (MenuItem* menu = dynamic_cast<MenuItem*>(p)) menu->TakeItem(this);
}

MenuItem::~MenuItem() {}

const char* MenuItem::GetClassName() const { return "MenuItem"; }

bool MenuItem::IsMenuBar() const { return root == this && static_cast<const Menu*>(this)->isMenuBar; }

Menu* MenuItem::GetRootMenu() const { return static_cast<Menu*>(root); }

bool MenuItem::IsOpen() const
{
    if (!parentMenu || parentMenu == this) return false;
    return HasItems() ? parentMenu->openSubmenu == this : parentMenu->highlightedItem == this;
}

// Geometry.

s32 MenuItem::RowHeight(const MenuItem* item) { return item->IsSeparator() ? 4 : GetLineHeight() + 4; }

s32 MenuItem::BarItemWidth(MenuItem* item) { return GetTextWidth(0, item->GetTitle(), kMenuTextFlags) + 12; }

Rect MenuItem::GetRowRect(const MenuItem* item)
{
    bool bar = IsMenuBar();
    s32 pos = 4;
    for (MenuItem* it = FirstItem(); it; it = NextItem(it)) {
        if (it == removing) continue;
        if (bar) {
            s32 w = BarItemWidth(it);
            if (it == item) return Rect{pos, 4, pos + w, 4 + RowHeight(it)};
            pos += w;
        } else {
            s32 h = RowHeight(it);
            if (it == item) return Rect{4, pos, GetFrameWidth() - 4, pos + h};
            pos += h;
        }
    }
    return Rect{0, 0, 0, 0};
}

MenuItem* MenuItem::ItemAtPoint(Point p)
{
    ScreenToContent(&p, 1);
    for (MenuItem* it = FirstItem(); it; it = NextItem(it)) {
        if (it == removing) continue;
        Rect r = GetRowRect(it);
        if (p.x >= r.left && p.x <= r.right && p.y >= r.top && p.y <= r.bottom) return it;
    }
    return nullptr;
}

void MenuItem::UpdateSize()
{
    s32 b = WindowSystem::GetMetrics().borderWidth;
    if (IsMenuBar()) {
        s32 width = parent ? parent->GetFrameWidth() : WindowSystem::GetScreenSize().width;
        SetSize(width, 2 * b + GetLineHeight() + 4);
        return;
    }
    s32 width = 64, height = 2 * b;
    for (MenuItem* it = FirstItem(); it; it = NextItem(it)) {
        if (it == removing) continue;
        s32 w = GetTextWidth(0, it->GetTitle(), kMenuTextFlags) + 36;
        if (w > width) width = w;
        height += RowHeight(it);
    }
    SetSize(width, height);
}

void MenuItem::ChildAdded(Window* child)
{
    Window::ChildAdded(child);
    // An item moved here from another menu; a new one (still a bare Window while it is being
    // constructed) is taken in by its own constructor.
    if (MenuItem* item = dynamic_cast<MenuItem*>(child)) TakeItem(item);
}

void MenuItem::TakeItem(MenuItem* item)
{
    // The item's own fields follow its parent.
    Window* child = item;
    item->parentMenu = this;
    item->root = root;
    child->SendToBack();
    child->RemoveFlags(WF_VISIBLE);
    UpdateSize();
    if (parentMenu && parentMenu != this) parentMenu->UpdateSize();
    Invalidate(0);
}

void MenuItem::ChildRemoved(Window* child)
{
    Window::ChildRemoved(child);
    // An item being destroyed is no longer a MenuItem here: it is only compared as a window.
    if (openSubmenu && static_cast<Window*>(openSubmenu) == child) CloseSubmenus(this);
    // A removed item must not stay highlighted: it may be deleted next.
    if (highlightedItem && static_cast<Window*>(highlightedItem) == child) highlightedItem = nullptr;
    Window* saved = removing;
    removing = child;
    UpdateSize();
    removing = saved;
    Invalidate(0);
}

void MenuItem::SetTitle(const char* text)
{
    Window::SetTitle(text);
    if (parentMenu && parentMenu != this) parentMenu->UpdateSize();
}

int MenuItem::HandleEvent(Window* target, u32 type, Event* event)
{
    if (target == this && type == EVENT_SCREENRESIZED && IsMenuBar()) UpdateSize();
    return Window::HandleEvent(target, type, event);
}

// Drawing.

void MenuItem::DrawBackground()
{
    Skin* skin = WindowSystem::GetSkin();
    if (!skin) return;
    BeginDraw(0, 0);
    Rect r = GetFrameBounds();
    skin->DrawMenuBackground(r);
    skin->DrawFrame(r, 0xF0F);
    EndDraw();
}

void MenuItem::DrawContent()
{
    Skin* skin = WindowSystem::GetSkin();
    if (!skin) return;
    BeginDraw(1, 0);
    bool bar = IsMenuBar();
    for (MenuItem* it = FirstItem(); it; it = NextItem(it)) {
        Rect row = GetRowRect(it);
        if (it->IsSeparator()) {
            skin->DrawFrame(Rect{row.left - 1, row.top, row.right + 1, row.bottom}, 2);
            continue;
        }
        if (it == highlightedItem) skin->DrawSelection(row, 3);
        SetColor(it->IsEnabled() ? 0xFFFFFFFFu : 0xFF808080u);
        DrawText(Rect{row.left + 4, row.top + 2, row.right, row.bottom - 2}, 0, it->GetTitle(), kMenuTextFlags);
        if (!bar && it->HasItems()) {
            Size a = Skin::GetSubmenuArrowSize();
            SetColor(0xFFFFFFFFu);
            skin->DrawSubmenuArrow(Rect{row.right - 2 - a.width, row.top, row.right - 2, row.bottom});
        }
    }
    SetColor(0xFFFFFFFFu);
    EndDraw();
}

// Opening and choosing.

void MenuItem::Highlight(MenuItem* item)
{
    MenuItem* menu = item ? item->parentMenu : nullptr;
    if (!menu || menu->highlightedItem == item) return;
    CloseSubmenus(menu);
    // What cannot be chosen is never highlighted.
    MenuItem* next = item->IsEnabled() && !item->IsSeparator() ? item : nullptr;
    if (menu->highlightedItem != next) {
        menu->highlightedItem = next;
        menu->Invalidate(0);
    }
}

void MenuItem::CloseSubmenus(MenuItem* menu)
{
    if (!menu) return;
    int changed = 0;
    if (MenuItem* open = menu->openSubmenu) {
        CloseSubmenus(open);
        open->InvalidateFrame(0);
        open->RemoveFlags(WF_VISIBLE);
        menu->openSubmenu = nullptr;
        changed = 1;
    }
    if (menu->highlightedItem) {
        menu->highlightedItem = nullptr;
        changed = 1;
    }
    if (changed) menu->Invalidate(0);
}

void MenuItem::OpenSubmenu(MenuItem* menu, MenuItem* item)
{
    if (!menu || !item || !item->IsEnabled() || !item->HasItems() || menu->openSubmenu == item) return;
    menu->openSubmenu = item;
    item->UpdateSize();
    Rect row = menu->GetRowRect(item);
    if (menu->IsMenuBar()) {
        item->MoveTo(row.left, menu->GetFrameHeight() - 4);
    } else {
        s32 w = item->GetFrameWidth(), h = item->GetFrameHeight(), fw = menu->GetFrameWidth(), y = row.top;
        Rect c[4] = {{fw - 12, y, fw - 12 + w, y + h},
                     {fw - 12, y - h + 16, fw - 12 + w, y + 16},
                     {4 - w, y, 4, y + h},
                     {4 - w, y - h + 16, 4, y + 16}};
        Rect screen[4];
        for (u32 i = 0; i < 4; ++i) screen[i] = c[i];
        menu->ContentToScreenRects(screen, 4);
        u32 k = PickMostVisibleRect(screen, 4, WindowSystem::GetScreenRect());
        item->MoveTo(c[k].left, c[k].top);
    }
    item->AddFlags(WF_VISIBLE);
    item->InvalidateFrame(0);
    menu->Invalidate(0);
}

void MenuItem::SetOpen(MenuItem* item, int open)
{
    if (!item || item->IsOpen() == (open != 0)) return;
    if (open && (!item->IsEnabled() || item->IsSeparator())) {
        // Pointing at an item that cannot be chosen only takes the highlight away.
        Highlight(item);
        return;
    }
    Menu* rootMenu = item->GetRootMenu();
    if (rootMenu) rootMenu->itemOpening.Emit(item);
    MenuItem* menu = item->parentMenu;
    if (!menu) return;
    if (item->HasItems()) {
        CloseSubmenus(menu);
        if (open) {
            Highlight(item);
            OpenSubmenu(menu, item);
        }
    } else if (open) {
        Highlight(item);
    }
}

static intptr_t IsWindowFun(Window* w, void* target) { return w == target ? 1 : 0; }

// Whether w is still in the window tree (not deleted while the menu ran).
static bool IsLiveWindow(Window* w)
{
    Window* top = WindowSystem::GetLayerRoot(-1);
    return top && top->ForEachWindow(IsWindowFun, w) != 0;
}

// The item a menu's modal loop ended with, or null when there is none or it was removed (closed
// or already deleted) while the loop ran.
static MenuItem* LiveResult(u64 result)
{
    MenuItem* item = reinterpret_cast<MenuItem*>(uintptr_t(result));
    if (!item || !IsLiveWindow(item) || item->GetState() == WS_CLOSED) return nullptr;
    return item;
}

void MenuItem::Activate(MenuItem* menu, MenuItem* item)
{
    Menu* rootMenu = menu ? menu->GetRootMenu() : item ? item->GetRootMenu() : nullptr;
    if (!rootMenu) return;
    rootMenu->itemOpening.Emit(item);
    if (item && item->HasItems()) {
        if (menu->openSubmenu == item) {
            if (menu == rootMenu && rootMenu->IsMenuBar()) {
                CloseSubmenus(menu);
                if (WindowSystem::IsOnModalStack(rootMenu, 1)) WindowSystem::EndModal(rootMenu, 0);
            }
            return;
        }
        Highlight(item);
        OpenSubmenu(menu, item);
        // A bar already running its loop (Enter on another bar item) keeps that one loop.
        if (menu == rootMenu && rootMenu->IsMenuBar() && !WindowSystem::IsOnModalStack(rootMenu, 0)) {
            // Handlers run inside the loop may rebuild the menus or delete the bar itself.
            WindowWatch watch(rootMenu);
            u64 result = WindowSystem::RunModal(rootMenu, MODAL_KEYS_TO_WINDOW | MODAL_MOUSE_TO_WINDOW | MODAL_END_ON_QUIT,
                                                nullptr);
            if (!watch.IsAlive()) return;
            CloseSubmenus(rootMenu);
            MenuItem* chosen = LiveResult(result);
            if (chosen) rootMenu->itemChosen.Emit(chosen);
        }
        return;
    }
    // An itemOpening handler that removed the item it was told about has taken the choice back:
    // the loop ends without a choice, and outside a loop nothing is chosen.
    bool removed = item && item->GetState() == WS_CLOSED;
    if (WindowSystem::IsOnModalStack(rootMenu, 1))
        WindowSystem::EndModal(rootMenu, removed ? 0 : u64(uintptr_t(item)));
    else if (!removed)
        rootMenu->itemChosen.Emit(item);
}

// Menu.

Menu::Menu(u32 bar)
    : MenuItem(bar ? (WF_POPUP | WF_VISIBLE | WF_ENABLED) : (WF_POPUP | WF_ENABLED | WF_FOCUSABLE | WF_SHADOW), nullptr)
{
    isMenuBar = bar ? 1 : 0;
    root = this;
    if (!bar) RemoveFlags(WF_VISIBLE);
    Window::SetTitle(bar ? "Menu Bar" : "Popup Menu");
    UpdateSize();
}

Menu::~Menu() {}

MenuItem* Menu::AddItem(const char* text, MenuItem* parentItem, s32 itemId, int enabled)
{
    MenuItem* item = new MenuItem(WF_SHADOW, parentItem ? parentItem : this);
    item->SetId(u32(itemId));
    item->SetEnabled(enabled);
    item->SetTitle(text ? text : "");
    return item;
}

MenuItem* Menu::AddSeparator(MenuItem* parentItem) { return AddItem(kSeparatorText, parentItem, -1, 1); }

s32 Menu::Popup(Point p)
{
    parentMenu = this;
    UpdateSize();
    s32 w = GetFrameWidth(), h = GetFrameHeight();
    Rect c[4] = {{p.x, p.y, p.x + w, p.y + h},
                 {p.x, p.y - h, p.x + w, p.y},
                 {p.x - w, p.y, p.x, p.y + h},
                 {p.x - w, p.y - h, p.x, p.y}};
    u32 k = PickMostVisibleRect(c, 4, WindowSystem::GetScreenRect());
    Rect target = c[k];
    if (parent) parent->ScreenToContentRects(&target, 1);
    MoveTo(target.left, target.top);
    AddFlags(WF_VISIBLE);
    InvalidateFrame(0);
    Window* oldFocus = WindowSystem::GetFocus();
    WindowWatch watch(this);
    u64 result = WindowSystem::RunModal(this, MODAL_KEYS_TO_WINDOW | MODAL_MOUSE_TO_WINDOW | MODAL_END_ON_QUIT, nullptr);
    MenuItem* chosen = LiveResult(result);
    if (!watch.IsAlive()) return chosen ? s32(chosen->GetId()) : -1;
    CloseSubmenus(this);
    InvalidateFrame(0);
    RemoveFlags(WF_VISIBLE);
    // The keyboard goes back to where it was, unless that window went away meanwhile.
    if (WindowSystem::GetFocus() == this && oldFocus && oldFocus != this && IsLiveWindow(oldFocus))
        Window::SetFocus(oldFocus, FOCUS_PROGRAM);
    return chosen ? s32(chosen->GetId()) : -1;
}
