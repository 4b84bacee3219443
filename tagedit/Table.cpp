#include "tagedit/Table.h"
#include "gui/Button.h"
#include "gui/Skin.h"
#include "gui/WindowSystem.h"

Table::Table(const char* text, u32 stretchCells, u32 alignCells) : Window(WF_VISIBLE, nullptr)
{
    id = kTableWindowId;
    if (text) {
        hasCaption = 1;
        caption = text;
    }
    stretch = stretchCells;
    align = alignCells;
}

Table::~Table()
{
    for (DynArray<Cell>& row : rows) row.Free();
    rows.Free();
    columnWidths.Free();
}

const char* Table::GetClassName() const
{
    return "Table";
}

int Table::CanClose(u32)
{
    if (WindowSystem::IsOnModalStack(this, 0)) WindowSystem::EndModal(this, 0);
    return 0;
}

void Table::AddRow()
{
    DynArray<Cell> empty = {};
    rows.Push(empty);
}

void Table::AddCell(Window* window)
{
    if (!window) return;
    if (!rows.count) AddRow();
    window->SetParent(this);
    rows[rows.count - 1].Push(Cell{window, 0});
}

void Table::AddSubTable(Table* table)
{
    if (!table) return;
    if (!rows.count) AddRow();
    table->SetParent(this);
    table->ComputeLayout();
    rows[rows.count - 1].Push(Cell{table, 1});
}

void Table::ComputeLayout()
{
    u32 columns = 0;
    for (const DynArray<Cell>& row : rows)
        if (row.count > columns) columns = row.count;
    columnWidths.Free();
    columnWidths.ResizeRaw(columns);
    for (u32 i = 0; i < columns; ++i) columnWidths[i] = 0;
    s32 height = 0;
    for (const DynArray<Cell>& row : rows) {
        s32 rowHeight = 0;
        for (u32 i = 0; i < row.count; ++i) {
            const Size s = row[i].window->GetFrameSize();
            if (u32(s.width + 4) > columnWidths[i]) columnWidths[i] = u32(s.width + 4);
            if (s.height > rowHeight) rowHeight = s.height;
        }
        height += rowHeight + 1;
    }
    if (stretch)
        for (const DynArray<Cell>& row : rows)
            for (u32 i = 0; i < row.count; ++i)
                row[i].window->SetContentSize(s32(columnWidths[i]), row[i].window->GetContentSize().height);
    s32 width = 0;
    for (u32 w : columnWidths) width += s32(w);
    if (hasCaption) {
        width += 48;
        height += 36;
        if (!caption.IsEmpty()) height += 24;
    }
    SetContentSize(width, height);
}

void Table::PlaceCells()
{
    s32 x0 = 0, y = 0;
    if (hasCaption) {
        x0 = 24;
        y = caption.IsEmpty() ? 16 : 40;
    }
    for (const DynArray<Cell>& row : rows) {
        s32 x = x0;
        s32 rowHeight = 0;
        for (u32 i = 0; i < row.count; ++i) {
            Window* w = row[i].window;
            const s32 column = i < columnWidths.count ? s32(columnWidths[i]) : 0;
            const s32 cellWidth = w->GetFrameSize().width;
            s32 offset = 0;
            if (align == 1)
                offset = column - cellWidth;
            else if (align == 2)
                offset = (column - cellWidth) / 2;
            w->MoveTo(x + offset, y);
            if (row[i].isSubTable) static_cast<Table*>(w)->PlaceCells();
            x += column;
            if (w->GetFrameSize().height > rowHeight) rowHeight = w->GetFrameSize().height;
        }
        y += rowHeight + 1;
    }
}

void Table::BuildTabOrder(Window* from, Window* top, Window** firstFocusable, Window** lastFocusable)
{
    // The children list changes while controls move out: take it first, oldest first (a new
    // child goes to the front of the list).
    DynArray<Window*> children = {};
    for (Window* w = from->GetLastChild(); w; w = w->GetPrevSibling()) children.Push(w);
    for (Window* w : children) {
        if (w->id == kTableWindowId) {
            BuildTabOrder(w, top, firstFocusable, lastFocusable);
            continue;
        }
        if (from != top) {
            Rect r = w->GetFrameRect();
            w->SetParent(top);
            top->ScreenToContentRects(&r, 1);
            w->SetFrame(r);
        }
        if (w->GetFlags() & WF_FOCUSABLE) {
            if (*lastFocusable) Window::LinkTabOrder(*lastFocusable, w);
            if (!*firstFocusable) *firstFocusable = w;
            *lastFocusable = w;
        }
    }
    children.Free();
}

void Table::DrawContent()
{
    if (!hasCaption) return;
    Skin* skin = WindowSystem::GetSkin();
    if (!skin) return;
    BeginDraw(1, 0);
    Rect r = {4, 4, content.Width() - 4, content.Height() - 4};
    if (ok || cancel) r.bottom -= 32;
    skin->DrawGroupFrame(r);
    Rect text = {r.left + 16, r.top + 12, r.right, r.bottom};
    DrawText(text, 3, caption.c_str(), 0x106);
    EndDraw();
}
