#pragma once
// Table: the container of the structure editor's layouts. Cells are windows in rows (rows may
// differ in length); columns are as wide as their widest cell + 4, rows as tall as their
// tallest cell + 1. A table with a caption draws a group frame around its cells and adds
// margins for it. After the layout is placed, BuildTabOrder moves every control out of the
// nested tables into the top table, which then only draw their frames.
#include "foundation/DynArray.h"
#include "foundation/String.h"
#include "gui/Window.h"

class Button;

// Window id of every table.
constexpr u32 kTableWindowId = 0x7461626C;  // 'tabl'

class Table : public Window {
public:
    struct Cell {
        Window* window;
        u32 isSubTable;
    };

    // Visible, no parent. A non-null caption (even "") gives the table its group frame.
    Table(const char* caption, u32 stretch, u32 align);
    ~Table() override;
    const char* GetClassName() const override;
    // A sub-dialog's close box only hides it: ends the table's modal loop with 0 and refuses.
    int CanClose(u32 reason) override;
    void DrawContent() override;

    // Starts a new (empty) row.
    void AddRow();
    // Re-parents the window into the table and appends it to the last row (a first row is
    // made when there is none).
    void AddCell(Window* window);
    // The same for a nested table, whose own layout is computed first.
    void AddSubTable(Table* table);
    // Column widths, the stretch of cells and the table's content size.
    void ComputeLayout();
    // Moves every cell to its place (nested tables recursively).
    void PlaceCells();
    // Moves the non-table children of `from` (and, depth-first, of its nested tables) into
    // `top`, keeping their place on screen, and links the focusable ones into a tab ring in
    // that order after *lastFocusable (*firstFocusable gets the first one when it is null).
    // Every control is visited exactly once.
    static void BuildTabOrder(Window* from, Window* top, Window** firstFocusable, Window** lastFocusable);

    u32 RowCount() const { return rows.count; }
    u32 ColumnCount() const { return columnWidths.count; }
    u32 ColumnWidth(u32 i) const { return columnWidths[i]; }
    // Sets a column's width (alignchildren gives nested tables common widths).
    void SetColumnWidth(u32 i, u32 width) { columnWidths[i] = width; }
    bool HasCaption() const { return hasCaption != 0; }

    u32 hasCaption;
    String caption;
    DynArray<DynArray<Cell>> rows;
    DynArray<u32> columnWidths;
    u32 stretch;
    u32 align;  // 0 left, 1 right, 2 centre
    Button* ok;
    Button* cancel;
    // The ends of the tab order BuildTabOrder made for this table (null without controls).
    Window* firstFocusable;
    Window* lastFocusable;
};
