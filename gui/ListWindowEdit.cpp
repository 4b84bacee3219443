// ListWindow: editing an item's text or one cell in a field laid over the row.
#include <cstdlib>
#include <cstring>

#include "foundation/StringUtil.h"
#include "gui/Button.h"
#include "gui/ListWindow.h"
#include "gui/TextBox.h"

int RunInPlaceTextField(Window* owner, const Rect& screenRect, const char* text, u32 maxLength, String* out)
{
    TextBox* box = new TextBox(5, nullptr);
    box->SetMaxLength(maxLength);
    box->SetText(text ? text : "");
    // A popup whose owner was deleted took the box with it.
    if (!TextPopup(owner, screenRect, box)) return 0;
    box->GetText(out);
    box->Close();
    return 1;
}

int ListWindow::EditItemInPlace(ListItem* item, s32 column, EditCallback callback, void* context)
{
    if (!item || item == &root) return 0;
    bool textItem = (item->flags & LIF_TEXT) != 0;
    const ListColumn* c = nullptr;
    char start[512];
    start[0] = 0;
    const char* startText = start;
    u32 maxLength = 256;
    if (textItem) {
        startText = item->text ? item->text : "";
    } else {
        if (column < 0 || u32(column) >= columns.count || !item->userData) return 0;
        c = &columns.data[column];
        const u8* record = static_cast<const u8*>(item->userData);
        FormatColumnValue(c, record + c->recordOffset, start, sizeof start);
        maxLength = GetColumnEditLength(c);
    }
    editingItem = item;
    editingColumn = column;
    DeselectItem(item);
    Invalidate(0);

    Rect cell = {0, 0, 0, 0};
    if (GetCellRect(item, 0, &cell, -1)) ContentToScreenRects(&cell, 1);
    else cell = Rect{0, 0, 0, 0};
    String result;
    WindowWatch listAlive(this);
    int ran = RunInPlaceTextField(this, cell, startText, maxLength, &result);
    // The list itself may have been deleted while the field was open.
    if (!listAlive.IsAlive()) return 0;
    // The item may have been removed while the field was open: then there is nothing to store.
    bool alive = editingItem == item;
    editingItem = nullptr;
    editingColumn = -1;
    Invalidate(0);
    if (!ran || !alive) return 0;
    if (textItem) {
        char* copy = strdup(result.c_str());
        if (!copy) return 0;
        free(item->text);
        item->text = copy;
        return 1;
    }
    if (callback) return callback(item, item->userData, column, context, result.c_str());
    // Columns may have been removed while the field was open.
    if (u32(column) >= columns.count) return 0;
    c = &columns.data[column];
    ParseCellValue(c, static_cast<u8*>(item->userData) + c->recordOffset, result.c_str());
    return 1;
}
