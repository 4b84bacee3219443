#include "collection/ui/BitmapDragData.h"

#include <GL/gl.h>

#include <cstdio>

#include "collection/ui/BitmapDrawing.h"
#include "gui/Skin.h"
#include "gui/Text.h"
#include "gui/WindowSystem.h"

namespace {

constexpr u32 kGridItemsDrawn = 8;
constexpr s32 kGridStep = 16;

Rect ItemRect(const BitmapDDData& item, Point p, s32 offset)
{
    s32 w = item.width, h = item.height;
    return Rect{p.x - w / 2 + offset, p.y - h / 2 + offset, p.x + w + offset, p.y + h + offset};
}

void DrawItem(const BitmapDDData& item, Point p, s32 offset)
{
    if (!item.collection || !item.bitmap) return;
    DrawCollectionBitmap(*item.collection, *item.bitmap, 0, p.x - item.width / 2 + offset,
                         p.y - item.height / 2 + offset, item.width, item.height);
}

Rect Union(const Rect& a, const Rect& b)
{
    return Rect{a.left < b.left ? a.left : b.left, a.top < b.top ? a.top : b.top,
                a.right > b.right ? a.right : b.right, a.bottom > b.bottom ? a.bottom : b.bottom};
}

}  // namespace

// The painters are registered with every new payload, not only the first: the window system
// forgets them when it is reset, and registering again only replaces the entry.
BitmapDDData::BitmapDDData(u32 typeId, Collection* c, CollectionBitmap* b, FrameView* view, ShadowRecord* shadow)
    : Window::DragDropData(typeId), collection(c), bitmap(b), sourceView(view), sourceShadow(shadow), width(0),
      height(0)
{
    WindowSystem::RegisterDragPainter(kDragShadowBitmap, Draw);
    WindowSystem::RegisterDragPainter(kDragColorBitmap, Draw);
}

void BitmapDDData::Draw(Rect* out, Point pointer, Window::DragDropData* data)
{
    const BitmapDDData& item = *static_cast<BitmapDDData*>(data);
    if (out) *out = ItemRect(item, pointer, 0);
    else DrawItem(item, pointer, 0);
}

BitmapGridDDData::BitmapGridDDData(u32 typeId, Collection* c, u32 sequence)
    : Window::DragDropData(typeId), collection(c), reserved1(0x7FFFFFFF), reserved2(0x7FFFFFFF), origin{0, 0},
      cells{nullptr, 0, 0}, items{nullptr, 0, 0}, fromSequence(sequence)
{
    WindowSystem::RegisterDragPainter(s32(typeId), Draw);
}

BitmapGridDDData::~BitmapGridDDData()
{
    items.DeleteAll();
    cells.Clear();
}

void BitmapGridDDData::Draw(Rect* out, Point pointer, Window::DragDropData* data)
{
    const BitmapGridDDData& grid = *static_cast<BitmapGridDDData*>(data);
    u32 shown = grid.items.count < kGridItemsDrawn ? grid.items.count : kGridItemsDrawn;
    Rect area = {pointer.x, pointer.y, pointer.x, pointer.y};
    for (u32 k = 0; k < shown; ++k) {
        Rect r = ItemRect(*grid.items.data[k], pointer, s32(k) * kGridStep);
        area = k ? Union(area, r) : r;
    }
    if (out) {
        *out = area;
        return;
    }
    for (u32 k = 0; k < shown; ++k) DrawItem(*grid.items.data[k], pointer, s32(k) * kGridStep);
    if (Skin* skin = WindowSystem::GetSkin()) skin->DrawSelection(area, 6);
    char label[32];
    snprintf(label, sizeof(label), "<%u Bitmaps>", grid.items.count);
    glColor4ub(255, 255, 255, 255);
    DrawText(WindowSystem::GetDefaultFont(), label, 0, kBitmapDragTextFlags, &area);
}
