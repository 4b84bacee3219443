#pragma once
// GridWindow: a scrolling grid of zoomable image cells with captions, or a table with column
// titles and optional row numbers. The owner draws each item's image through a callback; the
// grid keeps the selection (with an anchor), selects by clicks, keys and a rubber band,
// starts drags of its items, accepts drops on items with edge auto-scroll, and reports
// activation and deletion through callbacks. Scroll units are pixels.
#include "foundation/DynArray.h"
#include "foundation/Signal.h"
#include "foundation/String.h"
#include "foundation/Types.h"
#include "gui/ScrollableWindow.h"

// GridItem flags.
enum : u32 { GRID_SELECTED = 1, GRID_MARKED = 2 };

// GridWindow style.
enum : u32 { GWS_MULTISELECT = 1 };

struct GridItem {
    String caption;  // a copy: the text it was made from may go while the grid shows it
    void* userData;       // handed to the callbacks
    u32 flags;
    u32 captionColor;  // RGBA
};

// A position in the grid: the cell and the offset inside its pitch.
struct GridCell {
    s32 row, column, xOffset, yOffset;
};

class GridWindow : public ScrollableWindow {
public:
    typedef void (*DrawItemCallback)(void* context, const Rect& image, void* userData);
    typedef void (*DragStartCallback)(void* context, GridWindow* grid, s32 item);
    // phase 1 over, 0 drop; answers whether the data is accepted on the item.
    typedef int (*DropCallback)(void* context, GridWindow* grid, Window::DragDropData* data, u32 phase, s32 item);
    typedef void (*ActivateCallback)(void* context, void* userData);
    typedef void (*DeleteCallback)(void* context);

    GridWindow(u32 style, u32 windowFlags, Window* parent);
    ~GridWindow() override;

    const char* GetClassName() const override { return "GridWindow"; }
    void Tick() override;
    void Resized() override;
    void DrawContent() override;
    int KeyEvent(Event* event) override;
    void MouseButton(Event* event) override;
    void DoubleClick(Event* event) override;
    void MouseMove(Event* event) override;
    void MouseWheel(Event* event) override;
    int DragDrop(Point point, u32 phase, DragDropData* data) override;

    void SetCallbackContext(void* c) { context = c; }
    void SetDrawItemCallback(DrawItemCallback f) { drawItem = f; }
    void SetDragStartCallback(DragStartCallback f) { dragStart = f; }
    void SetDropCallback(DropCallback f) { drop = f; }
    void SetActivateCallback(ActivateCallback f) { activate = f; }
    void SetDeleteCallback(DeleteCallback f) { deleteItems = f; }

    // Items. Shrinking keeps the anchor and the pressed item inside the items.
    void SetItemCount(u32 n);
    // Copies the text (null or "" show no caption).
    void SetItemCaption(u32 index, const char* text);
    void SetItemUserData(u32 index, void* data);
    void SetItemCaptionColor(u32 index, u32 rgba);
    u32 GetItemCount() const { return items.count; }
    bool IsItemSelected(u32 index) const { return index < items.count && (items.data[index].flags & GRID_SELECTED); }
    s32 GetAnchor() const { return anchor; }

    // Metrics.
    void SetSpacing(u32 n);
    void SetCellWidth(u32 n);
    void SetCellHeight(u32 n);
    void SetCaptionHeight(u32 n);
    void ComputeMetrics();
    // Steps > 0 zoom out (x 0.9 per step), < 0 in; a zoom outside (0.1, 16) or a cell narrower
    // than 16 pixels is refused.
    void ZoomBy(s32 steps);
    void UpdateScrollRange();

    // Layout: 0 grid, 1 table.
    void SetLayoutMode(u32 mode) { layout = mode; }
    void SetColumnCount(u32 n);
    void SetColumnTitle(u32 index, const char* text);
    void SetRowNumbers(int on, u32 first);

    // Geometry. The column count is at least 1.
    u32 GetColumnCount() const;
    u32 GetRowCount() const;
    GridCell IndexToCell(u32 index) const;
    s32 CellToIndex(s32 column, s32 row) const;
    GridCell PointToCell(Point screenPoint) const;
    s32 ItemAtPoint(Point screenPoint) const;
    s32 HeaderHeight() const;
    s32 Margin() const { return rowNumbers ? 16 : 0; }
    // The item's image in content coordinates (scrolled).
    Rect ImageRect(u32 index) const;

    // Selection.
    void Select(s32 index);
    void Deselect(s32 index);
    void SelectRange(s32 a, s32 b);
    void ClearSelection();
    void GetSelectedIndices(DynArray<u32>* out) const;
    void GetSelectedUserData(DynArray<void*>* out) const;

    void ScrollToItem(s32 index);
    void ScrollCellIntoView(const GridCell& cell);

    Signal<> selectionChanged;
    Signal<Point> contextRequested;

    // Fields, in this order.
    u32 pressArmed;
    s32 pressedItem;
    Point pressPoint;
    double zoom;
    void* context;
    u32 style;
    u32 columnPitch, rowPitch;
    u32 spacing;
    u32 rowNumbers;
    u32 firstRowNumber;
    u32 cellHeight, cellWidth;
    u32 zoomedHeight, zoomedWidth;
    u32 captionHeight;
    u32 captionInUse;
    s32 anchor;
    u32 bandTop, bandLeft;
    Rect bandVisible;
    u32 bandActive;
    GridCell bandStart, bandEnd;
    double lastEdgeScroll;
    u32 edgeScroll;
    s32 edgeV, edgeH;
    u32 layout;
    DynArray<GridItem> items;
    DynArray<String> titles;
    u32 tableColumns;
    DrawItemCallback drawItem;
    DragStartCallback dragStart;
    DropCallback drop;
    ActivateCallback activate;
    DeleteCallback deleteItems;

    void UpdateBand();
    void EndBand();

private:
    static void BandTracker(Window* w, Point start, Point current, u32 phase);
    void ClearSilently();
    Rect RawImageRect(u32 index) const;
};
