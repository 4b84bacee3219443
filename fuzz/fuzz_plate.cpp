// Any 8-bit image as a plate: the first two bytes are the width (big-endian, 1..4096), the
// rest the pixels row by row (the last partial row dropped). Whatever parses must cut into
// bitmaps that lie inside the image, and a plate built from those bitmaps must parse back
// into cells of the same sizes.
#include <cstdlib>
#include <cstring>

#include "collection/ColorPlate.h"

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size)
{
    if (size < 3) return 0;
    u32 width = u32(data[0]) << 8 | data[1];
    if (width == 0 || width > 4096) return 0;
    u32 height = u32((size - 2) / width);
    if (height == 0) return 0;
    Collection collection;
    for (u32 i = 0; i < 256; ++i) collection.colorTable.entries[i] = ColorTableEntry{u8(i), u8(i * 3), u8(i * 7)};
    ColorPlate plate;
    if (!plate.image.Create(width, height, kImageIndexed, data + 2)) return 0;
    Rgb palette[256];
    memcpy(palette, collection.colorTable.entries, sizeof(palette));
    plate.image.SetPalette(256, palette);
    if (!plate.Parse()) return 0;
    for (const PlateCell& c : plate.cells)
        if (c.x1 < c.x0 || c.y1 < c.y0 || c.x1 > width || c.y1 > height) abort();

    ScopedDynArray<CollectionBitmap*> cut;
    if (!plate.CutBitmaps("fuzz", collection, &cut)) return 0;
    if (cut.count != plate.cells.count) abort();
    // The cut bitmaps read their alphas back from the same plate.
    if (!plate.ReadAlpha(cut)) abort();

    // A plate of empty slots only is smaller than the frame a parse needs; nothing exports one.
    bool any = false;
    for (const CollectionBitmap* b : cut) any = any || b;
    if (!any) return 0;
    ColorPlate again;
    if (!again.Build(collection, cut, 0, false)) return 0;
    if (!again.Parse() || again.cells.count != cut.count) abort();
    for (u32 k = 0; k < cut.count; ++k) {
        const PlateCell& c = again.cells.data[k];
        u32 w = c.x1 - c.x0, h = c.y1 - c.y0;
        const CollectionBitmap* b = cut.data[k];
        if (b ? (w != b->width || h != b->height) : (w || h)) abort();
    }
    return 0;
}
