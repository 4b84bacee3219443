#pragma once
// The collection editor's "Color Table" page: the 256 colours of the collection as a grid of
// 22 x 22 cells. Enter or a double click edits a colour in the host's colour dialog; the
// right button saves the table to, or loads it from, an Adobe colour table (".act").
#include "collection/Collection.h"
#include "gui/Window.h"

class GridWindow;

class X256ColorTableEdit : public Window {
public:
    enum : s32 { kSaveColorTable = 0, kLoadColorTable = 1 };

    // The page is always focusable; the focus goes on to the grid. The collection is not
    // owned and may be null (an empty page).
    X256ColorTableEdit(Collection* collection, u32 windowFlags, Window* parent);
    ~X256ColorTableEdit() override;
    const char* GetClassName() const override;
    // The grid fills the page.
    void Resized() override;
    FocusAnswer FocusGained(Window* oldFocus, u32 reason) override;

    // Fills the cell with colour item (0..255) of the table.
    static void DrawCell(void* context, const Rect& cell, void* item);
    // Opens the colour dialog on entry index; on OK stores the colour, emits changed and
    // redraws the whole screen, since every bitmap is drawn with the table. Cancel changes
    // nothing.
    void EditColor(u32 index);
    // The popup with "Save Color Table As..." and "Load Color Table..." at the screen point.
    void ShowContextMenu(Point screenPoint);
    void RunCommand(s32 id);
    // Writes the 256 entries to a chosen ".act" file; the collection's name is proposed.
    void SaveColorTable();
    // Reads a chosen ".act" file into the table; on success emits changed and redraws the
    // page. A cancelled dialog or a file that cannot be read changes nothing.
    void LoadColorTable();

    GridWindow* GetGrid() const { return grid; }

    // Fields, in this order.
    Signal<> changed;
    Collection* collection;
    GridWindow* grid;

private:
    static void OnActivate(void* context, void* item);
};
