// GridWindow: metrics, geometry, selection, mouse, keys, drops and drawing.
#include "gui/GridWindow.h"

#include <cmath>
#include <cstdio>

#include "gui/Skin.h"
#include "gui/WindowSystem.h"
#include "platform/Os.h"
#include "platform/OsKeys.h"

GridWindow::GridWindow(u32 gridStyle, u32 windowFlags, Window* parentWindow)
    : ScrollableWindow(windowFlags | WF_FOCUSABLE, parentWindow)
{
    SetTitle("GridWindow");
    style = gridStyle;
    zoom = 1.0;
    spacing = 8;
    cellWidth = cellHeight = 96;
    captionHeight = u32(3 * GetLineHeight());
    anchor = -1;
    pressedItem = -1;
    ComputeMetrics();
}

GridWindow::~GridWindow()
{
    items.DestroyRange(0, items.count);
    items.Free();
    titles.Clear();
}

// ---- metrics and geometry ----

void GridWindow::ComputeMetrics()
{
    zoomedWidth = u32(std::floor(double(cellWidth) * zoom + 0.5 + 1.5e-8));
    zoomedHeight = u32(std::floor(double(cellHeight) * zoom + 0.5 + 1.5e-8));
    columnPitch = zoomedWidth + spacing;
    if (!columnPitch) columnPitch = 1;  // no division by zero for empty cells without spacing
    captionInUse = columnPitch < 64 ? 0 : captionHeight;
    rowPitch = spacing + captionInUse + zoomedHeight;
    if (!rowPitch) rowPitch = 1;
    SetLineStep(rowPitch);
    UpdateScrollRange();
}

void GridWindow::SetSpacing(u32 n)
{
    spacing = n;
    ComputeMetrics();
}

void GridWindow::SetCellWidth(u32 n)
{
    cellWidth = n;
    ComputeMetrics();
}

void GridWindow::SetCellHeight(u32 n)
{
    cellHeight = n;
    ComputeMetrics();
}

void GridWindow::SetCaptionHeight(u32 n)
{
    captionHeight = n;
    ComputeMetrics();
}

void GridWindow::ZoomBy(s32 steps)
{
    if (!steps) return;
    double factor = std::pow(0.9, double(steps < 0 ? -steps : steps));
    double next = steps > 0 ? zoom * factor : zoom / factor;
    if (!(next > 0.1 && next < 16.0)) return;
    double old = zoom;
    zoom = next;
    ComputeMetrics();
    if (zoomedWidth >= 16) {
        Invalidate(0);
        return;
    }
    zoom = old;
    ComputeMetrics();
}

s32 GridWindow::HeaderHeight() const
{
    return layout == 1 ? 3 * const_cast<GridWindow*>(this)->GetLineHeight() / 2 : 0;
}

void GridWindow::UpdateScrollRange()
{
    s32 header = HeaderHeight();
    s64 total = s64(GetRowCount()) * rowPitch;
    if (total > 0x7FFFFFFF) total = 0x7FFFFFFF;
    s32 page = GetContentRect().Height() - header;
    if (layout == 1) {
        s64 across = s64(GetColumnCount()) * columnPitch + (rowNumbers ? 16 : 0);
        if (across > 0x7FFFFFFF) across = 0x7FFFFFFF;
        SetScrollInfo(SCROLLINFO_VTOTAL | SCROLLINFO_VPAGE | SCROLLINFO_HTOTAL | SCROLLINFO_HPAGE, s32(total), 0,
                      page, s32(across), 0, GetContentRect().Width());
    } else {
        SetScrollInfo(SCROLLINFO_VTOTAL | SCROLLINFO_VPAGE, s32(total), 0, page, 0, 0, 0);
    }
}

void GridWindow::SetColumnCount(u32 n)
{
    layout = 1;
    titles.Resize(n);
    tableColumns = n;
    UpdateScrollRange();
}

void GridWindow::SetColumnTitle(u32 index, const char* text)
{
    if (index < titles.count) titles.data[index].Set(text);
}

void GridWindow::SetRowNumbers(int on, u32 first)
{
    rowNumbers = on ? 1 : 0;
    firstRowNumber = first;
    UpdateScrollRange();
}

u32 GridWindow::GetColumnCount() const
{
    if (layout == 1) return tableColumns ? tableColumns : 1;
    s32 n = GetContentRect().Width() / s32(columnPitch);
    return n > 1 ? u32(n) : 1;
}

u32 GridWindow::GetRowCount() const
{
    u32 columns = GetColumnCount();
    return (items.count + columns - 1) / columns;
}

GridCell GridWindow::IndexToCell(u32 index) const
{
    u32 columns = GetColumnCount();
    return GridCell{s32(index / columns), s32(index % columns), 0, 0};
}

s32 GridWindow::CellToIndex(s32 column, s32 row) const { return s32(GetColumnCount()) * row + column; }

GridCell GridWindow::PointToCell(Point p) const
{
    s32 x = p.x - GetContentRect().left + GetHScrollPos();
    s32 y = p.y - GetContentRect().top + GetVScrollPos();
    GridCell c = {0, 0, 0, 0};
    if (x > 0) {
        c.column = x / s32(columnPitch);
        c.xOffset = x % s32(columnPitch);
    }
    if (y > 0) {
        c.row = y / s32(rowPitch);
        c.yOffset = y % s32(rowPitch);
    }
    return c;
}

s32 GridWindow::ItemAtPoint(Point p) const
{
    Rect content = GetContentRect();
    if (p.x < content.left || p.x >= content.right || p.y < content.top || p.y >= content.bottom) return -1;
    s32 x = p.x - content.left + GetHScrollPos() - Margin();
    s32 y = p.y - content.top - HeaderHeight();
    if (x < 0 || y < 0) return -1;
    y += GetVScrollPos();
    s32 column = x / s32(columnPitch), xo = x % s32(columnPitch);
    s32 row = y / s32(rowPitch), yo = y % s32(rowPitch);
    if (u32(column) >= GetColumnCount() || xo < s32(spacing) || yo < s32(spacing)) return -1;
    // The caption is not part of the item.
    if (yo >= s32(rowPitch - captionInUse)) return -1;
    s64 index = s64(GetColumnCount()) * row + column;
    return index < s64(items.count) ? s32(index) : -1;
}

Rect GridWindow::RawImageRect(u32 index) const
{
    GridCell c = IndexToCell(index);
    s32 x = c.column * s32(columnPitch) + Margin() + s32(spacing);
    s32 y = c.row * s32(rowPitch) + HeaderHeight() + s32(spacing);
    return Rect{x, y, x + s32(zoomedWidth), y + s32(zoomedHeight)};
}

Rect GridWindow::ImageRect(u32 index) const
{
    Rect r = RawImageRect(index);
    s32 dx = GetHScrollPos(), dy = GetVScrollPos();
    return Rect{r.left - dx, r.top - dy, r.right - dx, r.bottom - dy};
}

// ---- items ----

void GridWindow::SetItemCount(u32 n)
{
    u32 old = items.count;
    if (n < old) items.DestroyRange(n, old - n);
    items.ResizeRaw(n);
    for (u32 i = old; i < items.count; ++i) new (&items.data[i]) GridItem{String(), nullptr, 0, 0xFFFFFFFFu};
    if (anchor >= s32(items.count)) {
        anchor = -1;
        for (u32 i = items.count; i-- > 0;)
            if (items.data[i].flags & GRID_SELECTED) {
                anchor = s32(i);
                break;
            }
    }
    if (pressedItem >= s32(items.count)) {
        pressedItem = -1;
        pressArmed = 0;
    }
    UpdateScrollRange();
    Invalidate(0);
}

void GridWindow::SetItemCaption(u32 index, const char* text)
{
    if (index < items.count) items.data[index].caption.Set(text);
}

void GridWindow::SetItemUserData(u32 index, void* data)
{
    if (index < items.count) items.data[index].userData = data;
}

void GridWindow::SetItemCaptionColor(u32 index, u32 rgba)
{
    if (index < items.count) items.data[index].captionColor = rgba;
}

// ---- selection ----

void GridWindow::ClearSilently()
{
    for (u32 i = 0; i < items.count; ++i) items.data[i].flags &= ~GRID_SELECTED;
    anchor = -1;
}

void GridWindow::Select(s32 index)
{
    if (index < 0 || u32(index) >= items.count) return;
    // Without multiple selection one item at most stays selected.
    if (!(style & GWS_MULTISELECT)) ClearSilently();
    items.data[index].flags |= GRID_SELECTED;
    anchor = index;
    selectionChanged.Emit();
    Invalidate(0);
}

void GridWindow::Deselect(s32 index)
{
    if (index < 0 || u32(index) >= items.count) return;
    items.data[index].flags &= ~GRID_SELECTED;
    if (anchor == index) {
        anchor = -1;
        for (u32 i = items.count; i-- > 0;)
            if (items.data[i].flags & GRID_SELECTED) {
                anchor = s32(i);
                break;
            }
    }
    selectionChanged.Emit();
    Invalidate(0);
}

void GridWindow::SelectRange(s32 a, s32 b)
{
    if (!items.count) return;
    s32 last = s32(items.count) - 1;
    a = a < 0 ? 0 : a > last ? last : a;
    b = b < 0 ? 0 : b > last ? last : b;
    s32 lo = a < b ? a : b, hi = a < b ? b : a;
    if (!(style & GWS_MULTISELECT)) lo = hi;
    for (s32 i = 0; i <= last; ++i) {
        if (i >= lo && i <= hi) items.data[i].flags |= GRID_SELECTED;
        else items.data[i].flags &= ~GRID_SELECTED;
    }
    anchor = lo == hi ? hi : -1;
    selectionChanged.Emit();
    Invalidate(0);
}

void GridWindow::ClearSelection()
{
    ClearSilently();
    selectionChanged.Emit();
    Invalidate(0);
}

void GridWindow::GetSelectedIndices(DynArray<u32>* out) const
{
    for (u32 i = 0; i < items.count; ++i)
        if (items.data[i].flags & GRID_SELECTED) out->Push(i);
}

void GridWindow::GetSelectedUserData(DynArray<void*>* out) const
{
    for (u32 i = 0; i < items.count; ++i)
        if (items.data[i].flags & GRID_SELECTED) out->Push(items.data[i].userData);
}

// ---- scrolling ----

void GridWindow::ScrollToItem(s32 index)
{
    if (index < 0 || u32(index) >= items.count) return;
    u32 columns = GetColumnCount();
    s32 y = s32(u32(index) / columns) * s32(rowPitch);
    s32 pos = GetVScrollPos(), page = GetVPageSize();
    if (y < pos) SetVScrollPos(y);
    else if (y >= pos - s32(rowPitch) + page) SetVScrollPos(y + s32(rowPitch) - page);
    if (layout == 1) {
        s32 x = s32(u32(index) % columns) * s32(columnPitch);
        s32 hpos = GetHScrollPos(), hpage = GetHPageSize();
        if (x < hpos) SetHScrollPos(x);
        else if (x >= hpos - s32(columnPitch) + hpage) SetHScrollPos(x + s32(columnPitch) - hpage);
    }
}

void GridWindow::ScrollCellIntoView(const GridCell& cell)
{
    s32 y = cell.row * s32(rowPitch) + cell.yOffset;
    s32 pos = GetVScrollPos(), page = GetVPageSize();
    if (y < pos) SetVScrollPos(y);
    else if (y >= pos + page) SetVScrollPos(y - page);
    if (layout == 1) {
        s32 x = cell.column * s32(columnPitch) + cell.xOffset;
        s32 hpos = GetHScrollPos(), hpage = GetHPageSize();
        if (x < hpos) SetHScrollPos(x);
        else if (x >= hpos + hpage) SetHScrollPos(x - hpage);
    }
}

void GridWindow::Resized()
{
    ScrollableWindow::Resized();
    UpdateScrollRange();
    s32 target = anchor;
    for (u32 i = 0; target < 0 && i < items.count; ++i)
        if (items.data[i].flags & GRID_SELECTED) target = s32(i);
    if (target >= 0) ScrollToItem(target);
}

// ---- rubber band ----

void GridWindow::BandTracker(Window* w, Point, Point current, u32 phase)
{
    GridWindow* g = static_cast<GridWindow*>(w);
    if (phase == TRACK_BEGIN) {
        g->bandStart = g->bandEnd = g->PointToCell(current);
        g->bandActive = 1;
        g->Invalidate(0);
    } else if (phase == TRACK_END) {
        g->EndBand();
    }
}

void GridWindow::UpdateBand()
{
    s32 x0 = bandStart.column * s32(columnPitch) + bandStart.xOffset;
    s32 y0 = bandStart.row * s32(rowPitch) + bandStart.yOffset;
    s32 x1 = bandEnd.column * s32(columnPitch) + bandEnd.xOffset;
    s32 y1 = bandEnd.row * s32(rowPitch) + bandEnd.yOffset;
    bandLeft = x0 <= x1 ? 0 : 1;
    bandTop = y0 <= y1 ? 0 : 1;
    Rect band = {x0 < x1 ? x0 : x1, y0 < y1 ? y0 : y1, x0 < x1 ? x1 : x0, y0 < y1 ? y1 : y0};
    u32 mods = WindowSystem::GetModifiers();
    if (!(mods & (MOD_SHIFT | MOD_CTRL))) ClearSilently();
    bool mark = (mods & MOD_CTRL_B) != 0;
    for (u32 i = 0; i < items.count; ++i) {
        Rect r = RawImageRect(i);
        bool overlap = r.left < band.right && band.left < r.right && r.top < band.bottom && band.top < r.bottom;
        if (overlap) {
            items.data[i].flags |= mark ? GRID_MARKED : GRID_SELECTED;
            anchor = s32(i);
        } else {
            items.data[i].flags &= ~GRID_MARKED;
        }
    }
    s32 dx = GetHScrollPos(), dy = GetVScrollPos();
    Rect v = {band.left - dx, band.top - dy, band.right - dx, band.bottom - dy};
    s32 top = HeaderHeight();
    if (v.left < 0) v.left = 0;
    if (v.top < top) v.top = top;
    if (v.right > GetContentRect().Width()) v.right = GetContentRect().Width();
    if (v.bottom > GetContentRect().Height()) v.bottom = GetContentRect().Height();
    bandVisible = v;
    Invalidate(0);
}

void GridWindow::EndBand()
{
    bandActive = 0;
    for (u32 i = 0; i < items.count; ++i)
        if (items.data[i].flags & GRID_MARKED) items.data[i].flags ^= GRID_MARKED | GRID_SELECTED;
    selectionChanged.Emit();
    Invalidate(0);
}

void GridWindow::Tick()
{
    ScrollableWindow::Tick();
    Window* capture = WindowSystem::GetCaptureWindow();
    if (capture == this && bandActive) {
        GridCell c = PointToCell(WindowSystem::GetMousePos());
        if (c.row != bandEnd.row || c.column != bandEnd.column || c.xOffset != bandEnd.xOffset ||
            c.yOffset != bandEnd.yOffset) {
            bandEnd = c;
            ScrollCellIntoView(c);
            UpdateBand();
        }
    }
    double now = OsGetTime();
    if (capture && edgeScroll && now - lastEdgeScroll >= 1.0 / 3.0) {
        lastEdgeScroll = now;
        if (edgeV) ScrollVBy(edgeV * s32(rowPitch));
        if (edgeH) ScrollHBy(edgeH * s32(columnPitch));
    }
}

// ---- mouse ----

void GridWindow::MouseButton(Event* event)
{
    Point p = event->Pos();
    bool pressed = event->Pressed() != 0;
    bool right = IsRightButton(event);
    bool left = event->Button() == 0;
    u32 mods = event->MouseModifiers();
    bool multi = (style & GWS_MULTISELECT) != 0;
    s32 item = ItemAtPoint(p);
    pressArmed = 0;
    if (!right) {
        pressArmed = pressed && multi && item >= 0;
        pressedItem = item;
        pressPoint = p;
    }
    if (item < 0) {
        if (pressed) {
            if (!(multi && (mods & (MOD_SHIFT | MOD_CTRL)))) ClearSelection();
            if (!right) BeginTracking(BandTracker);
        }
    } else {
        bool wasSelected = (items.data[item].flags & GRID_SELECTED) != 0;
        s32 earlier = anchor;
        if (!pressed && !(mods & MOD_CTRL) && (left || !wasSelected)) ClearSilently();
        if ((mods & MOD_SHIFT) && multi && earlier >= 0 && u32(earlier) < items.count) {
            SelectRange(earlier, item);
            anchor = earlier;
        } else if (!pressed) {
            if ((mods & MOD_CTRL) && wasSelected) Deselect(item);
            else Select(item);
        }
    }
    if (right && !pressed) contextRequested.Emit(p);
}

void GridWindow::MouseMove(Event* event)
{
    Point p = event->Pos();
    if (pressArmed) {
        s32 dx = p.x - pressPoint.x, dy = p.y - pressPoint.y;
        if ((dx < 0 ? -dx : dx) + (dy < 0 ? -dy : dy) > 3) {
            pressArmed = 0;
            if (context && dragStart && anchor >= 0) dragStart(context, this, pressedItem);
        }
    }
    edgeScroll = 0;
}

void GridWindow::DoubleClick(Event* event)
{
    // Only the left button activates; a quick second press of another button is an ordinary
    // press, so a double right-click asks for the menu again instead of opening the item.
    if (event->Button() != 0) {
        MouseButton(event);
        return;
    }
    if (pressArmed) return;
    s32 item = ItemAtPoint(event->Pos());
    if (item >= 0 && activate) activate(context, items.data[item].userData);
}

void GridWindow::MouseWheel(Event* event)
{
    s32 delta = event->WheelOld() - event->WheelNew();
    u32 mods = event->MouseModifiers();
    if (mods & MOD_CTRL_A) ZoomBy(delta);
    else if (mods & MOD_HWHEEL) ScrollHBy(delta * s32(columnPitch));
    else ScrollVBy(delta * s32(rowPitch));
}

int GridWindow::DragDrop(Point point, u32 phase, DragDropData* data)
{
    if (!context || !drop) return 0;
    if (phase == 0) {
        edgeScroll = 0;
    } else if (WindowSystem::IsKeyDown(KEY_SHIFT)) {
        edgeScroll = 0;
    } else {
        s32 x = point.x - GetContentRect().left, y = point.y - GetContentRect().top;
        bool nt = y < 17, nb = y >= GetContentRect().Height() - 16;
        bool nl = x < 17, nr = x >= GetContentRect().Width() - 16;
        int near = nt + nb + nl + nr;
        bool oppositeOnly = near == 2 && ((nt && nb) || (nl && nr));
        edgeScroll = near >= 1 && near < 3 && !oppositeOnly;
        edgeV = nt ? -1 : nb ? 1 : 0;
        edgeH = nl ? -1 : nr ? 1 : 0;
    }
    s32 item = ItemAtPoint(point);
    if (item < 0) return 0;
    return drop(context, this, data, phase, item);
}

// ---- keys ----

int GridWindow::KeyEvent(Event* event)
{
    if (event->Action() != 1) return 0;
    u32 key = event->Key();
    u32 mods = event->KeyModifiers();
    bool multi = (style & GWS_MULTISELECT) != 0;
    switch (key) {
    case 65:
        if (!(mods & MOD_CTRL_A) || !multi) return 0;
        for (u32 i = 0; i < items.count; ++i) items.data[i].flags |= GRID_SELECTED;
        anchor = 0;
        selectionChanged.Emit();
        Invalidate(0);
        return 1;
    case KEY_BACKSPACE:
    case KEY_DELETE:
        if (deleteItems) deleteItems(context);
        return 1;
    case KEY_ENTER:
        if (!(mods & MOD_REPEAT) && activate) {
            // The callback may change the items: walk the indices taken before.
            DynArray<u32> chosen = {};
            GetSelectedIndices(&chosen);
            for (u32 i = 0; i < chosen.count; ++i)
                if (chosen.data[i] < items.count) activate(context, items.data[chosen.data[i]].userData);
            chosen.Free();
        }
        return 1;
    case KEY_UP:
    case KEY_DOWN:
    case KEY_LEFT:
    case KEY_RIGHT: break;
    default: return 0;
    }
    s32 columns = s32(GetColumnCount());
    s32 a = anchor;
    bool alt = (mods & MOD_ALT) != 0;
    s32 target;
    s32 passedFrom = -1, passedTo = -1;
    if (a < 0 && (key == KEY_UP || key == KEY_LEFT)) return 1;
    if (key == KEY_UP) {
        target = a - columns;
    } else if (key == KEY_DOWN) {
        target = a + columns;
    } else if (a < 0) {
        target = 0;
    } else if (key == KEY_LEFT) {
        target = a;
        if (a % columns != 0) {
            target = alt ? a - a % columns : a - 1;
            if (alt) passedFrom = target, passedTo = a;
        }
    } else {
        target = a;
        if (a % columns != columns - 1) {
            s32 rowEnd = a - a % columns + columns - 1;
            if (rowEnd > s32(items.count) - 1) rowEnd = s32(items.count) - 1;
            target = alt ? rowEnd : a + 1;
            if (alt) passedFrom = a, passedTo = target;
        }
    }
    if (target < 0 || target >= s32(items.count)) return 1;
    if (a < 0) target = 0;
    if (mods & MOD_SHIFT) {
        if (multi && passedFrom >= 0)
            for (s32 i = passedFrom; i <= passedTo; ++i) items.data[i].flags |= GRID_SELECTED;
        Select(target);
    } else {
        ClearSilently();
        Select(target);
    }
    ScrollToItem(target);
    return 1;
}

// ---- drawing ----

void GridWindow::DrawContent()
{
    Skin* skin = WindowSystem::GetSkin();
    Rect bounds = GetContentBounds();
    if (!skin || bounds.IsEmpty()) return;
    BeginDraw(1, 0);
    s32 header = HeaderHeight();
    s32 margin = Margin();
    s32 dx = GetHScrollPos(), dy = GetVScrollPos();
    u32 columns = GetColumnCount();
    if (context && drawItem && items.count) {
        s32 firstRow = dy / s32(rowPitch);
        s32 lastRow = (dy + bounds.Height() - header) / s32(rowPitch);
        s32 firstCol = dx > margin ? (dx - margin) / s32(columnPitch) : 0;
        s32 lastCol = (dx + bounds.Width() - margin) / s32(columnPitch);
        if (lastCol >= s32(columns)) lastCol = s32(columns) - 1;
        s32 thin = Skin::GetThinBorderWidth();
        for (s32 row = firstRow; row <= lastRow; ++row) {
            s32 y = row * s32(rowPitch) + header - dy;
            if (rowNumbers) {
                char number[16];
                snprintf(number, sizeof number, "%d", s32(row + s32(firstRowNumber)));
                Skin::SetTextColor(0);
                DrawText(Rect{0, y + s32(spacing), margin, y + s32(spacing + zoomedHeight)}, 0, number, 0x156);
            }
            for (s32 col = firstCol; col <= lastCol; ++col) {
                s64 index = s64(row) * columns + col;
                if (index >= s64(items.count)) break;
                const GridItem& it = items.data[index];
                Rect image = ImageRect(u32(index));
                if (IsContentRectVisible(image)) {
                    SetColor(0xFFFFFFFFu);
                    skin->DrawThinBorder(image);
                    Rect inner = {image.left + thin, image.top + thin, image.right - thin, image.bottom - thin};
                    drawItem(context, inner, it.userData);
                    bool sel = (it.flags & GRID_SELECTED) != 0, marked = (it.flags & GRID_MARKED) != 0;
                    if (sel != marked) {
                        s32 m = Skin::GetSelectionMargin();
                        skin->DrawSelection(Rect{image.left - m, image.top - m, image.right + m, image.bottom + m},
                                            2 | (IsFocused() ? 1 : 0) | (s32(index) == anchor ? 4 : 0));
                    }
                }
                if (captionInUse && !it.caption.IsEmpty()) {
                    s32 x = col * s32(columnPitch) + margin - dx;
                    Rect cap = {x + s32(spacing), y + s32(rowPitch - captionInUse), x + s32(columnPitch),
                                y + s32(rowPitch)};
                    if (IsContentRectVisible(cap)) {
                        SetColor(it.captionColor);
                        DrawText(cap, 0, it.caption.c_str(), 0x11E);
                    }
                }
            }
        }
    }
    if (layout == 1 && header > 0) {
        s32 width = s32(titles.count) * s32(columnPitch);
        skin->DrawDarkBackground(Rect{s32(spacing), 0, s32(spacing) + width, header});
        Skin::SetTextColor(0);
        for (u32 i = 0; i < titles.count; ++i) {
            s32 x = s32(i) * s32(columnPitch) + margin - dx + s32(spacing);
            DrawText(Rect{x, 0, x + s32(columnPitch), header}, 0, titles.data[i].c_str(), 0x116);
        }
    }
    if (bandActive) skin->DrawRubberBand(bandVisible);
    if (IsFocused() && anchor < 0) skin->DrawSelection(bounds, 5);
    EndDraw();
}
