// ListWindow: drawing the header, the rows and the drop bar.
#include "gui/ListWindow.h"
#include "gui/Skin.h"
#include "gui/WindowSystem.h"

void ListWindow::DrawRow(ListItem* item, s32 y)
{
    Skin* skin = WindowSystem::GetSkin();
    s32 width = GetContentRect().Width();
    s32 rh = s32(rowHeight);
    if (item->flags & LIF_SELECTED)
        skin->DrawSelection(Rect{0, y, width, y + rh}, 2 | (IsFocused() ? 1 : 0) | (item == focusItem ? 4 : 0));
    bool cells = (style & LWS_COLUMNS) && item->userData && columns.count;
    s32 x0 = TextOrigin(item, cells ? s32(columns.data[0].x) : 0, 1);
    if ((style & LWS_TREE) && (item->firstChild || (item->flags & LIF_EXPANDABLE))) {
        s32 ax = x0 - ((style & LWS_ICONS) ? 32 : 16);
        SetColor(0xFFFFFFFFu);
        skin->DrawTreeArrow(Rect{ax, y, ax + 16, y + rh}, (item->flags & LIF_EXPANDED) != 0);
    }
    if ((item->flags & LIF_ICON) && item->icon) skin->DrawIcon(item->icon, x0 - 16, y);
    SetColor(item->color);
    if (cells) {
        const u8* record = static_cast<const u8*>(item->userData);
        char buffer[512];
        for (u32 i = 0; i < columns.count; ++i) {
            const ListColumn& c = columns.data[i];
            if (!(c.flags & LCF_HIDDEN) && !(editingItem == item && editingColumn == s32(i))) {
                Rect cell;
                if (GetCellRect(item, s32(i), &cell, y)) {
                    FormatColumnValue(&c, record + c.recordOffset, buffer, sizeof buffer);
                    DrawText(cell, 0, buffer, c.textFlags);
                }
            }
        }
    } else if (item->text && editingItem != item) {
        Rect cell;
        if (GetCellRect(item, 0, &cell, y)) DrawText(cell, 0, item->text, 0x106);
    }
}

void ListWindow::DrawContent()
{
    Skin* skin = WindowSystem::GetSkin();
    if (!skin) return;
    BeginDraw(1, 0);
    s32 height = GetContentRect().Height();
    s32 width = GetContentRect().Width();
    s32 rh = s32(rowHeight);
    s32 y = 0;
    if (HasHeaderRow()) {
        Skin::SetTextColor(0);
        s32 x = s32(headerX);
        for (u32 i = 0; i < columns.count; ++i) {
            const ListColumn& c = columns.data[i];
            if (!c.type || (c.flags & LCF_HIDDEN)) continue;
            DrawText(Rect{x, 0, x + s32(c.width), rh}, 0, c.title ? c.title : "", c.textFlags | 0x100);
            x += s32(c.width);
        }
        y = rh;
    }
    for (ListItem* it = topRow; it && y < height; it = NextRow(it), y += rh) DrawRow(it, y);
    if (dropRow >= 0) {
        Skin::SetHighlightColor(1, 1);
        s32 by = (dropRow + (HasHeaderRow() ? 1 : 0)) * rh;
        FillRect(Rect{0, by - 1, width, by + 1});
    }
    if (IsFocused() && !focusItem) skin->DrawSelection(GetContentBounds(), 5);
    EndDraw();
}
