#pragma once
// ListWindow: the toolkit's list and tree widget. Its rows are the visible items of a tree
// (children show under an expanded parent); with columns each item's user-data record is
// drawn as table cells. Single or multiple selection, keyboard and mouse navigation, sorting
// by header clicks, type-ahead search, reordering by drag and drop (the owner moves the data)
// and in-place editing of an item's text or one cell. The vertical scroll unit is one row.
#include "foundation/DynArray.h"
#include "foundation/Signal.h"
#include "foundation/String.h"
#include "foundation/Types.h"
#include "gui/ScrollableWindow.h"

// ListItemFlags.
enum : u32 {
    LIF_SELECTED = 1,
    LIF_EXPANDED = 2,
    LIF_TEXT = 8,         // sorted and edited by its text
    LIF_EXPANDABLE = 16,  // shows an arrow and expands on activation even without children
    LIF_ICON = 32,
    LIF_DISABLED = 64,  // grey, cannot be selected
    LIF_SORTPENDING = 0x40000000u,
    LIF_INSERTFIRST = 0x80000000u,  // at creation only: goes before its siblings
};

// ListColumnType: how a column's value is stored in the user-data record.
enum : u32 {
    LCT_FOURCC = 1,     // unsigned integer of the column's size, shown as four characters
    LCT_CHARARRAY = 2,  // fixed char array; a full array holds no terminator
    LCT_STRINGPTR = 3,  // const char* to a zero-terminated text (null shows as "")
    LCT_STRING = 4,     // String object
    LCT_UINT = 5,       // unsigned integer of 1, 2, 4 or 8 bytes
    LCT_FLOAT = 6,      // float (size 4) or double (size 8)
    LCT_FIXED = 7,      // unsigned 16.16 fixed point of 1, 2 or 4 bytes
};

// ListColumn flags.
enum : u32 { LCF_HIDDEN = 2, LCF_DESCENDING = 4 };

// ListWindowStyle.
enum : u32 {
    LWS_TREE = 1,
    LWS_COLUMNS = 2,
    LWS_ICONS = 4,
    LWS_MULTISELECT = 8,
    LWS_HEADER = 32,
    LWS_DRAGREORDER = 64,
    LWS_KEEPSELECTION = 0x80,  // a click on empty space keeps the selection; selecting nothing is refused
    LWS_HOVERSELECT = 0x100,   // the row under the mouse is selected as it moves; a click activates
};

// One row of the tree, owned by its list (zero-filled at creation). The first two fields
// are the sibling links.
struct ListItem {
    ListItem* previous;
    ListItem* next;
    ListItem* parent;  // the list's root for top-level items
    ListItem* firstChild;
    ListItem* lastChild;
    u32 childCount;
    u32 visibleRows;  // rows shown below an expanded item; not kept for collapsed ones
    u32 flags;
    void* userData;  // the record columns read and write; never freed by the list
    char* text;      // owned copy, or null
    s32 depth;       // 0 for top-level items, -1 for the root
    u32 color;       // RGBA text colour
    u32 icon;        // skin image id (with LIF_ICON), 0 none
};

struct ListColumn {
    const char* title;   // not copied
    const char* format;  // printf format for the value, not copied
    u32 type;
    u32 size;
    u32 recordOffset;
    u32 flags;
    u32 width;
    u32 x;
    u32 textFlags;
    u32 sortPriority;  // 0 is the first key; 0xFFFFFFFF for hidden columns
};

class ListWindow : public ScrollableWindow {
public:
    // The payload of a row dragged inside its list. Deleting it clears the list's drop row.
    struct ListItemDDData : Window::DragDropData {
        ListItemDDData(ListWindow* list, ListItem* item, s32 grabX, s32 grabY);
        ~ListItemDDData() override;
        ListWindow* source;  // null once the list is gone
        ListItem* item;      // null once the item was removed
        s32 grabX;
        s32 grabY;
    };

    // Called by EditItemInPlace for a cell edit: answers what EditItemInPlace answers.
    typedef int (*EditCallback)(ListItem* item, void* userData, s32 column, void* context, const char* text);

    ListWindow(u32 style, u32 windowFlags, Window* parent);
    // Frees every item and the columns; user data, titles and formats are the owner's.
    ~ListWindow() override;

    const char* GetClassName() const override { return "ListWindow"; }
    void Tick() override;
    void Resized() override;
    void DrawContent() override;
    int KeyEvent(Event* event) override;
    void CharEvent(Event* event) override;
    void MouseButton(Event* event) override;
    void DoubleClick(Event* event) override;
    void MouseMove(Event* event) override;
    void Track(Point start, Point current, u32 phase) override;
    int DragDrop(Point point, u32 phase, DragDropData* data) override;
    void VScrolled(s32 position) override;

    // Items. parent null means top level. The text is copied. Answers null when the heap
    // refuses. AddItem also updates the scroll range.
    ListItem* InsertItem(ListItem* parent, u32 icon, u32 flags, void* userData, const char* text);
    ListItem* AddItem(ListItem* parent, u32 icon, u32 flags, void* userData, const char* text);
    // Unlinks and frees the item and its subtree. Whatever referred to a removed item (the
    // selection, the focus item, the top row, the item being edited or dragged) lets go of it.
    void RemoveItem(ListItem* item);
    void DeleteItem(ListItem* item);
    void DeleteItemNoUpdate(ListItem* item);
    void DeleteChildren(ListItem* item);
    void ClearItems();
    // Removes every column, then every item.
    void Clear();
    ListItem* FindItemByUserData(void* userData, ListItem* start);
    // Only items with LIF_EXPANDABLE.
    void ExpandItem(ListItem* item);
    void CollapseItem(ListItem* item);
    void ActivateItem(ListItem* item);
    // Expands every ancestor and scrolls the item's row into the page.
    void EnsureVisible(ListItem* item);
    ListItem* GetRoot() { return &root; }
    ListItem* GetFirstItem() const { return root.firstChild; }
    ListItem* GetTopRow() const { return topRow; }

    // Columns.
    void AddColumn(const char* title, const char* format, u32 type, u32 size, u32 width, u32 flags, u32 textFlags);
    void SetColumn(u32 index, const char* title, u32 width, u32 flags, u32 textFlags);
    void SetHeaderIndent(u32 n);
    u32 GetColumnCount() const { return columns.count; }
    ListColumn* GetColumn(u32 index) { return index < columns.count ? &columns.data[index] : nullptr; }
    // printf-style with the column's format into out (always terminated when size > 0).
    // Reads no more of the value than the column's size.
    static void FormatColumnValue(const ListColumn* column, const void* value, char* out, u32 size);
    static u32 GetColumnEditLength(const ListColumn* column);

    // Rows and geometry.
    u32 GetItemCount() const { return root.visibleRows; }
    u32 GetContentHeight() const;
    u32 GetRowHeight() const { return rowHeight; }
    void UpdateScrollRange();
    ListItem* ItemAtPoint(Point screenPoint);
    // The cell in content coordinates; y < 0 finds the row from the top row. False when the
    // cell does not exist or the item is not on screen.
    bool GetCellRect(ListItem* item, s32 column, Rect* out, s32 y);
    // Visible-row order. Null past either end.
    static ListItem* NextRow(ListItem* item);
    static ListItem* PrevRow(ListItem* item);
    ListItem* LastRow();
    // 0-based row of the item in the visible order (meaningless for a hidden item).
    u32 RowIndex(ListItem* item);
    // The item on the given row, or null.
    ListItem* ItemAtRow(u32 row);

    // Selection.
    ListItem* GetCurrentItem() const { return focusItem; }
    void SelectItem(ListItem* item, int add);
    void SelectRange(ListItem* from, ListItem* to);
    void ToggleItemSelection(ListItem* item);
    void DeselectItem(ListItem* item);
    void DeselectAllExcept(ListItem* keep);
    void MoveSelection(s32 rows, int add);
    void SelectAll();
    // Appends the selected items or their user data (either may be null), in selection order.
    void GetSelection(DynArray<ListItem*>* items, DynArray<void*>* userData);
    u32 GetSelectedCount();

    // Sorting.
    void Sort();
    void SortChildren(ListItem* item);
    static int CompareItems(ListWindow* list, ListItem* a, ListItem* b);
    int CompareColumnValues(const void* recordA, const void* recordB, u32 column);
    // A press on the header at content x: toggles that column's direction, makes it the first
    // key and sorts.
    void HeaderClick(s32 x);

    // Type-ahead.
    void TypeAheadFind(const char* typed);
    const char* GetTypeAheadText() const { return typeAhead.c_str(); }

    // In-place editing. Answers 1 for a text item, the callback's answer with a callback,
    // else 1 after storing the value; 0 when the item went away during the edit.
    int EditItemInPlace(ListItem* item, s32 column, EditCallback callback, void* context);
    int EditItemText(ListItem* item) { return EditItemInPlace(item, 0, nullptr, nullptr); }
    // Stores text into the value by the column's type; never writes past the column's size.
    static void ParseCellValue(const ListColumn* column, void* value, const char* text);
    ListItem* GetEditingItem() const { return editingItem; }
    s32 GetDropRow() const { return dropRow; }

    Signal<ListItem*> itemActivated;
    Signal<ListItem*, s32> itemMoved;
    Signal<> selectionChanged;
    Signal<> deleteRequested;
    Signal<Point> contextRequested;

    // Fields, in this order.
    String typeAhead;
    float typeAheadTime;
    DynArray<ListColumn> columns;
    ListItem root;
    ListItem* topRow;
    u32 rowHeight;
    u32 indent;
    u32 headerX;
    DynArray<ListItem*> selection;
    ListItem* focusItem;
    u32 previousVPos;
    u32 style;
    s32 dropRow;
    u32 dragArmed;
    Point pressPoint;
    double lastAutoScroll;
    s32 autoScrollStep;
    ListItem* editingItem;
    s32 editingColumn;
    ListItemDDData* activeDrag;  // the payload of a drag started here, while it lives
    u32 removals;                // counts removals, so walks over copies can tell
    // Removed subtrees that held selected items: freed once the selection has let go of them,
    // so that removing many selected rows costs one pass over the selection, not one each.
    DynArray<ListItem*> pendingFree;
    u32 selectionStale;

private:
    bool HasHeaderRow() const { return (style & LWS_HEADER) && columns.count; }
    s32 TextOrigin(ListItem* item, s32 columnX, int indentDepth) const;
    // Drops removed items from the selection and frees the removed subtrees kept until then.
    void Settle();
    // Whether item is in the selection, compared by address only (it may have been freed).
    bool InSelection(const ListItem* item);
    // Clears the marks below item and lets go of it; answers whether a selected item was there.
    bool ForgetSubtree(ListItem* item);
    void FreeSubtree(ListItem* item);
    void ExpandNow(ListItem* item);
    void SortLevel(ListItem* item);
    void RecomputeColumnX(u32 from);
    void DrawRow(ListItem* item, s32 y);
};

// Runs a single-line field of at most maxLength characters over the screen rectangle,
// modally, starting with text (all selected). Answers 1 with the field's final text in out,
// or 0 when no field could be run or the owner was deleted while it ran (out untouched).
int RunInPlaceTextField(Window* owner, const Rect& screenRect, const char* text, u32 maxLength, String* out);
