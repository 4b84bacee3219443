// ListWindow: keys, mouse, type-ahead search, the tick, and drops of rows dragged inside the
// list.
#include <cctype>
#include <cstring>

#include "foundation/StringUtil.h"
#include "gui/ListWindow.h"
#include "gui/WindowSystem.h"
#include "platform/Os.h"
#include "platform/OsKeys.h"

int ListWindow::KeyEvent(Event* event)
{
    if (event->Action() != 1) return 0;
    Settle();
    u32 mods = event->KeyModifiers();
    bool repeat = (mods & MOD_REPEAT) != 0;
    int add = (mods & MOD_SHIFT) ? 1 : 0;
    switch (event->Key()) {
    case 65:
        if ((mods & MOD_CTRL_A) && (style & LWS_MULTISELECT)) SelectAll();
        return 1;
    case KEY_BACKSPACE:
    case KEY_DELETE:
        if (selection.count) deleteRequested.Emit();
        return 1;
    case KEY_ENTER:
        if (!repeat) {
            // Activation may change the selection (an owner reacting to the signal): walk a copy.
            ScopedDynArray<ListItem*> items;
            GetSelection(&items, nullptr);
            u32 removalsBefore = removals;
            for (u32 i = 0; i < items.count; ++i) {
                // Once items were removed, one of the copy may be gone: only those still
                // selected are activated.
                bool still = true;
                if (removals != removalsBefore) {
                    Settle();
                    still = false;
                    for (u32 j = 0; j < selection.count && !still; ++j) still = selection.data[j] == items.data[i];
                }
                if (still) ActivateItem(items.data[i]);
            }
        }
        return 1;
    case KEY_HOME: MoveSelection(-2147483647, add); return 1;
    case KEY_END: MoveSelection(2147483647, add); return 1;
    case KEY_PAGEUP: MoveSelection(-GetVPageSize(), add); return 1;
    case KEY_PAGEDOWN: MoveSelection(GetVPageSize(), add); return 1;
    case KEY_UP: MoveSelection(-1, add); return 1;
    case KEY_DOWN: MoveSelection(1, add); return 1;
    case KEY_LEFT:
    case KEY_KP_SUBTRACT:
        if (!repeat) {
            for (u32 i = 0; i < selection.count; ++i) CollapseItem(selection.data[i]);
            UpdateScrollRange();
            Invalidate(0);
        }
        return 1;
    case KEY_RIGHT:
    case KEY_KP_ADD:
        if (!repeat) {
            for (u32 i = 0; i < selection.count; ++i) ExpandItem(selection.data[i]);
            UpdateScrollRange();
            Invalidate(0);
        }
        return 1;
    }
    return 0;
}

void ListWindow::CharEvent(Event* event)
{
    if (!event->Action() || (event->KeyModifiers() & MOD_CTRL_A) || !root.firstChild) return;
    char c[2] = {char(event->Character()), 0};
    // The tick forgets a stale word too, but a slow step handles the next letter before its
    // tick: a letter that comes late starts a new word by itself.
    double now = OsGetTime();
    if (!typeAhead.IsEmpty() && now - double(typeAheadTime) > 0.5) typeAhead.Clear();
    typeAhead.Append(c);
    typeAheadTime = float(now);
    TypeAheadFind(typeAhead.c_str());
}

void ListWindow::TypeAheadFind(const char* typed)
{
    if (!typed || !root.firstChild) return;
    size_t length = strlen(typed);
    if (!length) return;
    int repeatLetter = -1;
    if (length >= 2 && typed[length - 1] == typed[length - 2]) repeatLetter = tolower(u8(typed[length - 1]));
    ListItem* best = nullptr;
    size_t bestDistance = size_t(-1);
    ListItem* repeat = nullptr;
    ListItem* winner = nullptr;
    bool stopped = false;
    // Two walks: from the focus item to the last row, then from the first row up to and
    // including the focus item.
    for (int walk = focusItem ? 0 : 1; walk < 2 && !stopped; ++walk) {
        ListItem* it = walk == 0 ? focusItem : root.firstChild;
        for (; it && !stopped; it = NextRow(it)) {
            if (it->text) {
                size_t n = strlen(it->text);
                if (n > length) n = length;
                bool match = StrNICmp(typed, it->text, n) == 0;
                if (match) {
                    size_t distance = length - n;
                    if (distance < bestDistance) {
                        best = it;
                        bestDistance = distance;
                    }
                } else if (best) {
                    winner = best;
                    stopped = true;
                    break;
                }
                if (repeatLetter >= 0 && !repeat && it != focusItem && tolower(u8(it->text[0])) == repeatLetter)
                    repeat = it;
            }
            if (walk == 1 && it == focusItem) break;
        }
    }
    if (!stopped) winner = repeat ? repeat : best;
    if (!winner) return;
    SelectItem(winner, 0);
    EnsureVisible(winner);
}

void ListWindow::Tick()
{
    ScrollableWindow::Tick();
    double now = OsGetTime();
    if (!typeAhead.IsEmpty() && now - double(typeAheadTime) > 0.5) typeAhead.Clear();
    if (autoScrollStep && WindowSystem::GetCaptureWindow() && now - lastAutoScroll >= 1.0 / 30.0) {
        lastAutoScroll = now;
        ScrollVBy(autoScrollStep);
    }
}

void ListWindow::Track(Point start, Point current, u32 phase)
{
    ScrollableWindow::Track(start, current, phase);
    if (phase == TRACK_END) autoScrollStep = 0;
}

int ListWindow::DragDrop(Point point, u32 phase, DragDropData* data)
{
    ListItemDDData* d = dynamic_cast<ListItemDDData*>(data);
    if (!d || d->typeId != 0 || d->source != this) return 0;
    s32 rh = s32(rowHeight);
    // Rows start below the header row, as they are drawn.
    s32 y = point.y - GetContentRect().top - (HasHeaderRow() ? rh : 0);
    s32 r = 0;
    if (y > 0) {
        r = y / rh;
        if (y % rh > rh / 2) ++r;
    }
    s32 rows = s32(root.visibleRows) - GetVScrollPos();
    if (rows < 0) rows = 0;
    if (r > rows) r = rows;
    autoScrollStep = r == 0 ? -1 : (r >= GetVPageSize() ? 1 : 0);
    if (r != dropRow) {
        dropRow = r;
        Invalidate(0);
    }
    if (phase == 0) {
        autoScrollStep = 0;
        if (d->item) itemMoved.Emit(d->item, GetVScrollPos() + r);
    }
    return 1;
}

// ---- mouse ----

bool ListWindow::InSelection(const ListItem* item)
{
    Settle();
    for (u32 i = 0; i < selection.count; ++i)
        if (selection.data[i] == item) return true;
    return false;
}

void ListWindow::MouseButton(Event* event)
{
    Settle();
    bool right = IsRightButton(event);
    if ((style & LWS_DRAGREORDER) && !right) {
        dragArmed = event->Pressed() ? 1 : 0;
        pressPoint = event->Pos();
    }
    if (!event->Pressed()) return;
    Point p = event->Pos();
    s32 cy = p.y - GetContentRect().top;
    if (HasHeaderRow() && cy >= 0 && cy < s32(rowHeight)) {
        HeaderClick(p.x - GetContentRect().left);
        return;
    }
    u32 mods = event->MouseModifiers();
    ListItem* item = ItemAtPoint(p);
    if (item) {
        // A selectionChanged slot may remove or rebuild rows: once any row went, the clicked
        // item is used only when it is still in the selection (a removed row never is).
        u32 removalsBefore = removals;
        if ((style & LWS_MULTISELECT) && focusItem && (mods & MOD_SHIFT)) {
            SelectRange(item, focusItem);
            if (removals == removalsBefore ? (item->flags & LIF_SELECTED) != 0 : InSelection(item)) focusItem = item;
        } else if ((style & LWS_MULTISELECT) && focusItem && (mods & MOD_CTRL_A)) {
            ToggleItemSelection(item);
        } else if (right && (item->flags & LIF_SELECTED)) {
            // keeps the selection for the context menu
        } else {
            SelectItem(item, 0);
            if ((style & LWS_HOVERSELECT) && (removals == removalsBefore || InSelection(item))) ActivateItem(item);
        }
    } else if (!(mods & (MOD_SHIFT | MOD_CTRL_A)) && !(style & LWS_KEEPSELECTION) &&
               (focusItem || selection.count != 1)) {
        focusItem = nullptr;
        DeselectAllExcept(nullptr);
        Invalidate(0);
        selectionChanged.Emit();
    }
    if (right) contextRequested.Emit(p);
}

void ListWindow::DoubleClick(Event* event)
{
    // As in the grid: only the left button activates, another button's second press is a press.
    if (event->Button() != 0) {
        MouseButton(event);
        return;
    }
    ActivateItem(ItemAtPoint(event->Pos()));
}

void ListWindow::MouseMove(Event* event)
{
    Point p = event->Pos();
    if (dragArmed) {
        s32 dx = p.x - pressPoint.x, dy = p.y - pressPoint.y;
        if ((dx < 0 ? -dx : dx) + (dy < 0 ? -dy : dy) > 2) {
            dragArmed = 0;
            if (focusItem) {
                ListItemDDData* data = new ListItemDDData(this, focusItem, pressPoint.x - GetContentRect().left,
                                                          s32(rowHeight) / 2);
                if (!BeginDrag(data, Window::DefaultTracker)) delete data;
            }
        }
    }
    if (style & LWS_HOVERSELECT) {
        ListItem* item = ItemAtPoint(p);
        if (item) SelectItem(item, 0);
    }
}
