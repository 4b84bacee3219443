// ListWindow: items and their tree, visible-row order, columns, scrolling and selection.
#include "gui/ListWindow.h"

#include <cstdlib>
#include <cstring>

#include "gui/WindowSystem.h"

static void EmptyDragPainter(Rect* out, Point, Window::DragDropData*)
{
    if (out) *out = Rect{0, 0, 0, 0};
}

ListWindow::ListItemDDData::ListItemDDData(ListWindow* list, ListItem* dragged, s32 x, s32 y)
    : DragDropData(0), source(list), item(dragged), grabX(x), grabY(y)
{
    // Registered with every payload: the window system forgets its painters when reset.
    WindowSystem::RegisterDragPainter(0, EmptyDragPainter);
    if (list) list->activeDrag = this;
}

ListWindow::ListItemDDData::~ListItemDDData()
{
    if (!source) return;
    if (source->activeDrag == this) source->activeDrag = nullptr;
    source->dropRow = -1;
    source->autoScrollStep = 0;
    source->Invalidate(0);
}

ListWindow::ListWindow(u32 listStyle, u32 windowFlags, Window* parentWindow)
    : ScrollableWindow(windowFlags | WF_FOCUSABLE, parentWindow)
{
    SetTitle("ListWindow");
    root.flags = LIF_EXPANDED;
    root.depth = -1;
    s32 line = GetLineHeight();
    rowHeight = u32(line > 0 ? line : 1);
    indent = rowHeight;
    style = listStyle;
    dropRow = -1;
    editingColumn = -1;
}

ListWindow::~ListWindow()
{
    if (activeDrag) activeDrag->source = nullptr;
    // No scroll-range updates while the window goes away: the items are only freed.
    ListItem* child = root.firstChild;
    while (child) {
        ListItem* next = child->next;
        FreeSubtree(child);
        child = next;
    }
    root.firstChild = root.lastChild = nullptr;
    selectionStale = 0;
    Settle();
    columns.Free();
    selection.Free();
    typeAhead.Clear();
}

// ---- items ----

ListItem* ListWindow::InsertItem(ListItem* parentItem, u32 icon, u32 flags, void* userData, const char* text)
{
    if (!parentItem) parentItem = &root;
    ListItem* item = static_cast<ListItem*>(calloc(1, sizeof(ListItem)));
    if (!item) return nullptr;
    if (text) {
        item->text = strdup(text);
        if (!item->text) {
            free(item);
            return nullptr;
        }
    }
    item->icon = icon;
    item->flags = flags & ~(LIF_SELECTED | LIF_EXPANDED | LIF_INSERTFIRST | LIF_SORTPENDING);
    item->userData = userData;
    item->color = (flags & LIF_DISABLED) ? 0xFF808080u : 0xFFFFFFFFu;
    item->depth = parentItem->depth + 1;
    item->parent = parentItem;
    bool first = (flags & LIF_INSERTFIRST) != 0;
    if (first) {
        item->next = parentItem->firstChild;
        if (parentItem->firstChild) parentItem->firstChild->previous = item;
        else parentItem->lastChild = item;
        parentItem->firstChild = item;
    } else {
        item->previous = parentItem->lastChild;
        if (parentItem->lastChild) parentItem->lastChild->next = item;
        else parentItem->firstChild = item;
        parentItem->lastChild = item;
    }
    ++parentItem->childCount;
    for (ListItem* p = parentItem; p && (p->flags & LIF_EXPANDED); p = p->parent) ++p->visibleRows;
    if (flags & LIF_EXPANDED) ExpandItem(item);
    if (!topRow || (first && parentItem == &root && GetVScrollPos() == 0)) topRow = item;
    return item;
}

ListItem* ListWindow::AddItem(ListItem* parentItem, u32 icon, u32 flags, void* userData, const char* text)
{
    ListItem* item = InsertItem(parentItem, icon, flags, userData, text);
    UpdateScrollRange();
    return item;
}

static bool IsInSubtree(const ListItem* item, const ListItem* top)
{
    for (; item; item = item->parent)
        if (item == top) return true;
    return false;
}

// The first row after the item's subtree in the visible order, skipping its descendants.
static ListItem* NextRowAfterSubtree(ListItem* item)
{
    for (; item && item->depth >= 0; item = item->parent)
        if (item->next) return item->next;
    return nullptr;
}

bool ListWindow::ForgetSubtree(ListItem* item)
{
    bool selected = false;
    // Iterative pre-order over every descendant, expanded or not.
    ListItem* it = item;
    while (it) {
        if (it->flags & LIF_SELECTED) {
            it->flags &= ~LIF_SELECTED;
            selected = true;
        }
        if (it->firstChild) {
            it = it->firstChild;
            continue;
        }
        while (it != item && !it->next) it = it->parent;
        if (it == item) break;
        it = it->next;
    }
    if (selected) selectionStale = 1;
    if (editingItem && IsInSubtree(editingItem, item)) {
        editingItem = nullptr;
        editingColumn = -1;
    }
    if (activeDrag && activeDrag->item && IsInSubtree(activeDrag->item, item)) activeDrag->item = nullptr;
    if (topRow && IsInSubtree(topRow, item)) {
        ListItem* next = NextRowAfterSubtree(item);
        topRow = next ? next : PrevRow(item);
    }
    return selected;
}

void ListWindow::Settle()
{
    if (selectionStale) {
        u32 kept = 0;
        for (u32 i = 0; i < selection.count; ++i)
            if (selection.data[i]->flags & LIF_SELECTED) selection.data[kept++] = selection.data[i];
        selection.count = kept;
        selectionStale = 0;
    }
    if (pendingFree.count) {
        for (u32 i = 0; i < pendingFree.count; ++i) FreeSubtree(pendingFree.data[i]);
        pendingFree.Free();
    }
}

u32 ListWindow::GetSelectedCount()
{
    Settle();
    return selection.count;
}

void ListWindow::FreeSubtree(ListItem* item)
{
    ListItem* child = item->firstChild;
    while (child) {
        ListItem* next = child->next;
        FreeSubtree(child);
        child = next;
    }
    free(item->text);
    free(item);
}

void ListWindow::RemoveItem(ListItem* item)
{
    if (!item || item == &root) return;
    ++removals;
    ListItem* p = item->parent;
    u32 rows = 1 + ((item->flags & LIF_EXPANDED) ? item->visibleRows : 0);
    for (ListItem* a = p; a && (a->flags & LIF_EXPANDED); a = a->parent) a->visibleRows -= rows;
    bool hadFocus = focusItem && IsInSubtree(focusItem, item);
    bool selected = ForgetSubtree(item);
    if (item->previous) item->previous->next = item->next;
    else p->firstChild = item->next;
    if (item->next) item->next->previous = item->previous;
    else p->lastChild = item->previous;
    --p->childCount;
    item->parent = item->previous = item->next = nullptr;
    if (selected) pendingFree.Push(item);
    else FreeSubtree(item);
    if (hadFocus) {
        Settle();
        focusItem = selection.count ? selection.data[0] : nullptr;
    }
}

void ListWindow::DeleteItemNoUpdate(ListItem* item)
{
    if (!item) return;
    if (topRow == item && item->next) topRow = item->next;
    RemoveItem(item);
}

void ListWindow::DeleteItem(ListItem* item)
{
    DeleteItemNoUpdate(item);
    UpdateScrollRange();
}

void ListWindow::DeleteChildren(ListItem* item)
{
    if (!item) item = &root;
    while (ListItem* child = item->firstChild) {
        if (topRow == child && child->next) topRow = child->next;
        RemoveItem(child);
    }
}

void ListWindow::ClearItems()
{
    ++removals;
    SetVScrollPos(0);
    ListItem* child = root.firstChild;
    while (child) {
        ListItem* next = child->next;
        FreeSubtree(child);
        child = next;
    }
    root.firstChild = root.lastChild = nullptr;
    root.childCount = root.visibleRows = 0;
    selection.Clear();
    selectionStale = 0;
    Settle();
    focusItem = topRow = editingItem = nullptr;
    editingColumn = -1;
    if (activeDrag) activeDrag->item = nullptr;
    previousVPos = 0;
    UpdateScrollRange();
}

void ListWindow::Clear()
{
    columns.Clear();
    headerX = 0;
    ClearItems();
}

static ListItem* FindUserData(void* userData, ListItem* start)
{
    for (ListItem* it = start; it; it = it->next) {
        if (it->userData == userData) return it;
        if (ListItem* found = FindUserData(userData, it->firstChild)) return found;
    }
    return nullptr;
}

ListItem* ListWindow::FindItemByUserData(void* userData, ListItem* start)
{
    return FindUserData(userData, start ? start : root.firstChild);
}

void ListWindow::ExpandNow(ListItem* item)
{
    item->flags |= LIF_EXPANDED;
    if (item->flags & LIF_SORTPENDING) SortLevel(item);
    u32 rows = item->childCount;
    for (ListItem* c = item->firstChild; c; c = c->next)
        if (c->flags & LIF_EXPANDED) rows += c->visibleRows;
    item->visibleRows = rows;
    for (ListItem* p = item->parent; p && (p->flags & LIF_EXPANDED); p = p->parent) p->visibleRows += rows;
}

void ListWindow::ExpandItem(ListItem* item)
{
    if (!item || item == &root || !(item->flags & LIF_EXPANDABLE) || (item->flags & LIF_EXPANDED)) return;
    ExpandNow(item);
}

void ListWindow::CollapseItem(ListItem* item)
{
    if (!item || item == &root || !(item->flags & LIF_EXPANDED)) return;
    u32 rows = item->childCount;
    for (ListItem* c = item->firstChild; c; c = c->next)
        if (c->flags & LIF_EXPANDED) rows += c->visibleRows;
    for (ListItem* p = item->parent; p && (p->flags & LIF_EXPANDED); p = p->parent) p->visibleRows -= rows;
    item->flags &= ~LIF_EXPANDED;
    item->visibleRows = 0;
    // A top row inside the branch is no longer a row: the branch's own row takes its place.
    if (topRow && topRow != item && IsInSubtree(topRow, item)) topRow = item;
}

void ListWindow::ActivateItem(ListItem* item)
{
    if (!item) return;
    if (item->flags & LIF_EXPANDABLE) {
        if (item->flags & LIF_EXPANDED) CollapseItem(item);
        else ExpandItem(item);
        UpdateScrollRange();
    } else {
        itemActivated.Emit(item);
    }
}

void ListWindow::EnsureVisible(ListItem* item)
{
    if (!item || item == &root) return;
    bool expanded = false;
    // Ancestors are opened even without the expandable flag: otherwise the item has no row.
    for (ListItem* p = item->parent; p && p != &root; p = p->parent) {
        if (!(p->flags & LIF_EXPANDED)) {
            // Expand from the outermost closed ancestor inwards so each count is added once.
            expanded = true;
        }
    }
    if (expanded) {
        // Any depth: a fixed chain would leave the outermost ancestors of a deep item closed.
        ScopedDynArray<ListItem*> chain;
        for (ListItem* p = item->parent; p && p != &root; p = p->parent) chain.Push(p);
        for (u32 n = chain.count; n;) {
            ListItem* p = chain.data[--n];
            if (!(p->flags & LIF_EXPANDED)) ExpandNow(p);
        }
        UpdateScrollRange();
    }
    s32 index = s32(RowIndex(item));
    s32 pos = GetVScrollPos();
    s32 page = GetVPageSize();
    if (index >= pos && index < pos + page) return;
    s32 target = index < pos ? index : index - page + 1;
    if (target - pos <= 1 && pos - target <= 1) SetVScrollPos(target);
    else SetVScrollPos(index - page / 2);
}

// ---- visible-row order ----

ListItem* ListWindow::NextRow(ListItem* item)
{
    if (!item) return nullptr;
    if ((item->flags & LIF_EXPANDED) && item->visibleRows && item->firstChild) return item->firstChild;
    return NextRowAfterSubtree(item);
}

ListItem* ListWindow::PrevRow(ListItem* item)
{
    if (!item) return nullptr;
    if (item->previous) {
        ListItem* p = item->previous;
        while ((p->flags & LIF_EXPANDED) && p->visibleRows && p->lastChild) p = p->lastChild;
        return p;
    }
    return item->depth >= 1 ? item->parent : nullptr;
}

ListItem* ListWindow::LastRow()
{
    ListItem* p = root.lastChild;
    while (p && (p->flags & LIF_EXPANDED) && p->visibleRows && p->lastChild) p = p->lastChild;
    return p;
}

u32 ListWindow::RowIndex(ListItem* item)
{
    u32 index = 0;
    for (ListItem* it = item; it && it != &root; it = it->parent) {
        for (ListItem* s = it->previous; s; s = s->previous)
            index += 1 + ((s->flags & LIF_EXPANDED) ? s->visibleRows : 0);
        if (it->parent && it->parent != &root) ++index;
    }
    return index;
}

ListItem* ListWindow::ItemAtRow(u32 row)
{
    if (row >= root.visibleRows) return nullptr;
    ListItem* level = &root;
    u32 levelRows = root.visibleRows;  // rows below the level's item
    for (;;) {
        // Walk the siblings from whichever end is nearer the row.
        ListItem* it;
        if (row < levelRows / 2) {
            it = level->firstChild;
            while (it) {
                u32 span = 1 + ((it->flags & LIF_EXPANDED) ? it->visibleRows : 0);
                if (row < span) break;
                row -= span;
                it = it->next;
            }
        } else {
            u32 end = levelRows;  // rows before the end of the current sibling's span
            it = level->lastChild;
            while (it) {
                u32 span = 1 + ((it->flags & LIF_EXPANDED) ? it->visibleRows : 0);
                if (span > end) return nullptr;  // counts disagree: no such row
                if (row >= end - span) {
                    row -= end - span;
                    break;
                }
                end -= span;
                it = it->previous;
            }
        }
        if (!it) return nullptr;
        if (row == 0) return it;
        row -= 1;
        level = it;
        levelRows = it->visibleRows;
    }
}

// ---- columns ----

void ListWindow::RecomputeColumnX(u32 from)
{
    u32 x = 0;
    for (u32 i = 0; i < columns.count; ++i) {
        ListColumn& c = columns.data[i];
        if (i >= from) c.x = x;
        if (!(c.flags & LCF_HIDDEN)) x = c.x + c.width;
    }
}

void ListWindow::AddColumn(const char* title, const char* format, u32 type, u32 size, u32 width, u32 flags,
                           u32 textFlags)
{
    ListColumn c = {};
    c.title = title;
    c.format = format;
    c.type = type;
    c.size = size;
    if (columns.count) {
        const ListColumn& prev = columns.data[columns.count - 1];
        c.recordOffset = prev.recordOffset + prev.size;
    }
    c.flags = flags;
    c.width = width;
    c.textFlags = textFlags;
    c.sortPriority = (flags & LCF_HIDDEN) ? 0xFFFFFFFFu : columns.count;
    columns.Push(c);
    RecomputeColumnX(columns.count - 1);
}

void ListWindow::SetColumn(u32 index, const char* title, u32 width, u32 flags, u32 textFlags)
{
    if (index >= columns.count) return;
    ListColumn& c = columns.data[index];
    c.title = title;
    c.width = width;
    c.flags = flags;
    c.textFlags = textFlags;
    c.sortPriority = (flags & LCF_HIDDEN) ? 0xFFFFFFFFu : columns.count - 1;
    RecomputeColumnX(index);
}

void ListWindow::SetHeaderIndent(u32 n) { headerX = n * indent; }

// ---- geometry and scrolling ----

u32 ListWindow::GetContentHeight() const { return rowHeight * (root.visibleRows + (HasHeaderRow() ? 1 : 0)); }

void ListWindow::UpdateScrollRange()
{
    Settle();
    s32 page = GetContentRect().Height() / s32(rowHeight);
    if (style & LWS_HEADER) page -= 1;
    if (page < 0) page = 0;
    SetScrollInfo(1 | 4, s32(root.visibleRows), 0, page, 0, 0, 0);
    // The top row always follows the position, whatever was inserted or removed above it.
    s32 pos = GetVScrollPos();
    topRow = root.visibleRows ? ItemAtRow(u32(pos)) : nullptr;
    if (!topRow) topRow = root.firstChild;
    previousVPos = u32(pos);
}

void ListWindow::VScrolled(s32 position)
{
    s32 delta = position - s32(previousVPos);
    ListItem* it = topRow;
    s32 fromEnds = position < s32(root.visibleRows) - position ? position : s32(root.visibleRows) - position;
    s32 distance = delta < 0 ? -delta : delta;
    // A long jump (the thumb dragged far) looks the row up instead of walking to it.
    if (it && distance > 64 && fromEnds >= 0 && fromEnds < distance) {
        if (ListItem* found = ItemAtRow(u32(position))) {
            it = found;
            delta = 0;
        }
    }
    if (it) {
        for (; delta > 0; --delta) {
            ListItem* n = NextRow(it);
            if (!n) break;
            it = n;
        }
        for (; delta < 0; ++delta) {
            ListItem* p = PrevRow(it);
            if (!p) break;
            it = p;
        }
        topRow = it;
    }
    previousVPos = u32(position < 0 ? 0 : position);
    Invalidate(0);
}

void ListWindow::Resized()
{
    ScrollableWindow::Resized();
    UpdateScrollRange();
}

ListItem* ListWindow::ItemAtPoint(Point screenPoint)
{
    s32 y = screenPoint.y - GetContentRect().top;
    if (y < 0) return nullptr;
    s32 row = y / s32(rowHeight);
    if (HasHeaderRow()) --row;
    if (row < 0) return nullptr;
    ListItem* it = topRow;
    while (it && row > 0) {
        it = NextRow(it);
        --row;
    }
    return it;
}

s32 ListWindow::TextOrigin(ListItem* item, s32 columnX, int indentDepth) const
{
    s32 x = columnX;
    if (style & LWS_TREE) x += 16;
    if (style & LWS_ICONS) x += 16;
    if (!(style & (LWS_TREE | LWS_ICONS))) x += 4;
    if ((style & LWS_TREE) && indentDepth) x += s32(indent) * item->depth;
    return x;
}

bool ListWindow::GetCellRect(ListItem* item, s32 column, Rect* out, s32 y)
{
    if (!item || column < 0) return false;
    if (column != 0 && (u32(column) >= columns.count || (columns.data[column].flags & LCF_HIDDEN))) return false;
    s32 height = GetContentRect().Height();
    if (y < 0) {
        y = (HasHeaderRow() ? 1 : 0) * s32(rowHeight);
        ListItem* it = topRow;
        while (it != item) {
            if (!it) return false;
            it = NextRow(it);
            y += s32(rowHeight);
            if (y >= height) return false;
        }
    }
    if ((style & LWS_COLUMNS) && item->userData && columns.count) {
        const ListColumn& c = columns.data[column];
        s32 x0 = TextOrigin(item, s32(c.x), column == 0 || c.x == 0);
        *out = Rect{x0, y, x0 + s32(c.width), y + s32(rowHeight)};
        return true;
    }
    if (column != 0 || !item->text) return false;
    *out = Rect{TextOrigin(item, 0, 1), y, GetContentRect().Width(), y + s32(rowHeight)};
    return true;
}

// ---- selection ----

void ListWindow::SelectItem(ListItem* item, int add)
{
    Settle();
    if (item && (item->flags & LIF_DISABLED)) return;
    if (!item && (style & LWS_KEEPSELECTION)) return;
    if (item && focusItem == item && selection.count == 1 && selection.data[0] == item) return;
    if (!(style & LWS_MULTISELECT)) add = 0;
    bool focusMoved = focusItem != item;
    focusItem = item;
    if (!add) DeselectAllExcept(item);
    if (!item) {
        Invalidate(0);
        selectionChanged.Emit();
        return;
    }
    bool newly = !(item->flags & LIF_SELECTED);
    if (newly) {
        item->flags |= LIF_SELECTED;
        selection.Push(item);
    }
    if (newly || focusMoved) Invalidate(0);
    selectionChanged.Emit();
}

void ListWindow::DeselectAllExcept(ListItem* keep)
{
    Settle();
    bool kept = false;
    for (u32 i = 0; i < selection.count; ++i) {
        if (selection.data[i] == keep) kept = true;
        else selection.data[i]->flags &= ~LIF_SELECTED;
    }
    selection.Clear();
    // The kept item stays in the selection, so its mark and the array agree.
    if (kept) selection.Push(keep);
}

void ListWindow::DeselectItem(ListItem* item)
{
    Settle();
    if (!item || !(item->flags & LIF_SELECTED)) return;
    item->flags &= ~LIF_SELECTED;
    for (u32 i = selection.count; i-- > 0;)
        if (selection.data[i] == item) {
            selection.Remove(i);
            break;
        }
    if (focusItem == item) focusItem = selection.count ? selection.data[0] : nullptr;
    Invalidate(0);
}

void ListWindow::SelectRange(ListItem* from, ListItem* to)
{
    Settle();
    if (!from || !to) return;
    DeselectAllExcept(nullptr);
    if (from == to) {
        SelectItem(from, 0);
        return;
    }
    bool backward = RowIndex(to) < RowIndex(from);
    for (ListItem* it = from; it; it = backward ? PrevRow(it) : NextRow(it)) {
        if (!(it->flags & LIF_DISABLED) && !(it->flags & LIF_SELECTED)) {
            it->flags |= LIF_SELECTED;
            selection.Push(it);
        }
        if (it == to) break;
    }
    if (focusItem && !(focusItem->flags & LIF_SELECTED)) focusItem = nullptr;
    Invalidate(0);
    selectionChanged.Emit();
}

void ListWindow::ToggleItemSelection(ListItem* item)
{
    Settle();
    if (!item || (item->flags & LIF_DISABLED)) return;
    if (item->flags & LIF_SELECTED) {
        DeselectItem(item);
    } else {
        item->flags |= LIF_SELECTED;
        selection.Push(item);
        focusItem = item;
        Invalidate(0);
    }
    selectionChanged.Emit();
}

void ListWindow::MoveSelection(s32 rows, int add)
{
    ListItem* it = focusItem;
    if (!it) {
        it = topRow;
        if (!it) return;
    } else if (rows >= s32(root.visibleRows)) {
        it = LastRow();  // End: no walk over every row
    } else if (rows <= -s32(root.visibleRows)) {
        it = root.firstChild;
    } else {
        for (; rows > 0; --rows) {
            ListItem* n = NextRow(it);
            if (!n) break;
            it = n;
        }
        for (; rows < 0; ++rows) {
            ListItem* p = PrevRow(it);
            if (!p) break;
            it = p;
        }
    }
    SelectItem(it, add);
    EnsureVisible(it);
}

void ListWindow::SelectAll()
{
    if (!root.firstChild) return;
    SelectRange(root.firstChild, LastRow());
}

void ListWindow::GetSelection(DynArray<ListItem*>* items, DynArray<void*>* userData)
{
    Settle();
    for (u32 i = 0; i < selection.count; ++i) {
        if (items) items->Push(selection.data[i]);
        if (userData) userData->Push(selection.data[i]->userData);
    }
}
