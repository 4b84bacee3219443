#pragma once
// The collection editor's drag payloads: one bitmap (BitmapDDData, types 1 shadow and 2
// colour) and several (BitmapGridDDData, type 3), with the painters that draw their drag
// images. Making a payload registers its type's painter with the window system.
#include "collection/Collection.h"
#include "gui/Window.h"

enum : u32 {
    kDragShadowBitmap = 1,
    kDragColorBitmap = 2,
    kDragBitmapGrid = 3,
};

// Drag-image boxes: one bitmap dragged from the bitmap browser, and every other case.
constexpr s32 kDragBoxSingle = 96;
constexpr s32 kDragBoxOther = 48;

struct BitmapDDData : Window::DragDropData {
    Collection* collection;
    CollectionBitmap* bitmap;
    FrameView* sourceView;      // the sequence cell it is dragged from, or null
    ShadowRecord* sourceShadow;  // the frame's shadow record when a shadow is dragged, or null
    s32 width, height;          // the drag image's size, set by the creator (FitSizeInBox)

    // Registers BitmapDDData::Draw as the painter of types 1 and 2. Size 0 x 0.
    BitmapDDData(u32 typeId, Collection* collection, CollectionBitmap* bitmap, FrameView* sourceView,
                 ShadowRecord* sourceShadow);
    // With out: the area the image covers, from (x - w / 2, y - h / 2) to (x + w, y + h).
    // Without: draws the bitmap unmirrored at (x - w / 2, y - h / 2), w x h.
    static void Draw(Rect* out, Point pointer, Window::DragDropData* data);
};

struct BitmapGridCell {
    s32 column, row;
};

struct BitmapGridDDData : Window::DragDropData {
    Collection* collection;
    s32 reserved1, reserved2;  // both 0x7FFFFFFF when made
    BitmapGridCell origin;     // the grid cell where the drag started (sequence editor)
    DynArray<BitmapGridCell> cells;
    DynArray<BitmapDDData*> items;  // owned
    u32 fromSequence;          // 0 bitmap browser, 1 sequence editor

    // Registers BitmapGridDDData::Draw as the painter of its type.
    BitmapGridDDData(u32 typeId, Collection* collection, u32 fromSequence);
    // Deletes every item and frees both arrays.
    ~BitmapGridDDData() override;
    BitmapGridDDData(const BitmapGridDDData&) = delete;
    BitmapGridDDData& operator=(const BitmapGridDDData&) = delete;

    // The first eight items, item k at 16k further right and lower than the one before, each
    // as BitmapDDData::Draw places it; over their union the skin's selection (filled and
    // outlined) and "<N Bitmaps>" with the total number of items. With out: that union.
    static void Draw(Rect* out, Point pointer, Window::DragDropData* data);
};
