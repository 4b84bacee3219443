#pragma once
// Menus: a horizontal menu bar or a popup menu, built from MenuItems. An item is a row of its
// parent menu and, when it has items of its own, the popup of its submenu: a hidden child
// window of its parent, shown beside (or below) its row while open. The item's title is its
// text, its window id its command id (negative: a separator), its enabled flag whether it
// can be chosen. While a menu is open it runs as a modal loop of the window system, so a
// click outside closes it and is posted again for the window under the pointer.
#include "gui/Window.h"

class Menu;

class MenuItem : public Window {
public:
    // An item (or menu) attached to parent; the parent menu fills in root and parentMenu.
    MenuItem(u32 flags, Window* parent);
    ~MenuItem() override;

    const char* GetClassName() const override;
    // Re-sizes a menu bar on the screen-resized event addressed to it.
    int HandleEvent(Window* target, u32 type, Event* event) override;
    void DrawContent() override;
    void DrawBackground() override;
    // Navigation keys; every key event is consumed.
    int KeyEvent(Event* event) override;
    // A letter opens or highlights the next item starting with it; anything else beeps.
    void CharEvent(Event* event) override;
    void MouseButton(Event* event) override;
    // A quick second click acts as a click: it closes what the first one opened.
    void DoubleClick(Event* event) override;
    void MouseMove(Event* event) override;
    void MouseLeave() override;
    void ChildAdded(Window* child) override;
    void ChildRemoved(Window* child) override;
    void SetTitle(const char* text) override;

    // The first and next item of this menu (null at the end). Items already closed (waiting
    // to be deleted) no longer count.
    MenuItem* FirstItem() const { return SkipClosed(firstChild); }
    static MenuItem* NextItem(const MenuItem* item) { return SkipClosed(item->nextSibling); }
    bool HasItems() const { return FirstItem() != nullptr; }
    bool IsSeparator() const { return s32(id) < 0; }
    // Whether this is the root of its tree and that root is a menu bar.
    bool IsMenuBar() const;
    // Whether this item's submenu is open (an item with items) or it is highlighted (a leaf).
    bool IsOpen() const;
    Menu* GetRootMenu() const;

    // Makes item the highlighted item of its menu, closing that menu's submenus first; a
    // disabled item clears the highlight instead. Nothing when it already is.
    static void Highlight(MenuItem* item);
    // Opens (highlighting it) or closes an item, announcing it with the root's itemOpening.
    static void SetOpen(MenuItem* item, int open);
    // What a click or Enter on item of menu does: opens a submenu (running the menu bar's
    // modal loop when it is not already running) or chooses a leaf.
    static void Activate(MenuItem* menu, MenuItem* item);
    // Opens item's submenu beside its row, on the side that shows most of it.
    static void OpenSubmenu(MenuItem* menu, MenuItem* item);
    // Closes every open submenu below menu and clears its highlight.
    static void CloseSubmenus(MenuItem* menu);
    // Width and height from the items (a menu bar: its parent's width, one row high).
    void UpdateSize();
    // The row of item in this menu's content coordinates; empty when item is not an item of it.
    Rect GetRowRect(const MenuItem* item);
    // The item whose row contains the screen point (edges included), or null.
    MenuItem* ItemAtPoint(Point screenPoint);
    // Searches for the next item starting with the (lower-cased) letter; answers whether one
    // was found (it is then opened and highlighted).
    int SelectByLetter(u32 letter);

    MenuItem* root;
    MenuItem* parentMenu;
    MenuItem* openSubmenu;
    MenuItem* highlightedItem;

protected:
    static MenuItem* SkipClosed(Window* w)
    {
        // A closed item waits for deletion; a child still being constructed or already being
        // destroyed is not (or no longer) an item.
        for (; w; w = w->GetNextSibling())
            if (w->GetState() != WS_CLOSED)
                if (MenuItem* item = dynamic_cast<MenuItem*>(w)) return item;
        return nullptr;
    }
    // Makes item (a child of this menu) one of its rows: its menu fields, order and size.
    void TakeItem(MenuItem* item);
    s32 RowHeight(const MenuItem* item);
    s32 BarItemWidth(MenuItem* item);
    // The child being removed: it no longer counts while the menu is re-sized.
    Window* removing;
};

class Menu : public MenuItem {
public:
    // A menu bar (in the popup layer, visible, titled "Menu Bar") or a hidden popup menu
    // ("Popup Menu").
    explicit Menu(u32 isMenuBar);
    ~Menu() override;

    // A new item with the text, under parentItem (null: the menu itself); re-sizes the menu.
    MenuItem* AddItem(const char* text, MenuItem* parentItem, s32 itemId, int enabled);
    MenuItem* AddSeparator(MenuItem* parentItem);
    // Shows the popup at the screen point (kept on screen) and runs it until an item is
    // chosen or it is dismissed; answers the chosen item's id, or -1.
    s32 Popup(Point screenPoint);

    // The chosen item; null for Esc outside a modal loop.
    Signal<MenuItem*> itemChosen;
    // An item whose submenu is about to open or close, and every activated item.
    Signal<MenuItem*> itemOpening;
    u32 isMenuBar;
};

// Of the candidate rectangles, the index of the one with the largest area on the screen; the
// first wins a tie.
u32 PickMostVisibleRect(const Rect* candidates, u32 count, const Rect& screen);
