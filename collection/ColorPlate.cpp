#include "collection/ColorPlate.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "collection/BitmapExport.h"
#include "collection/ImageImport.h"

namespace {

// A plate can hold only {alpha, index} bitmaps; anything else takes an empty slot.
const CollectionBitmap* Platable(const CollectionBitmap* b)
{
    return b && b->bytesPerPixel == 2 && b->pixels ? b : nullptr;
}

bool IsPowerOfTwo(u32 v)
{
    return v && !(v & (v - 1));
}

// Treats a grey-ramp image (what an indexed file with the grey ramp loads as) as paletted.
bool TakeAsPaletted(Image& image)
{
    if (image.format == kImageIndexed) return true;
    if (!IsGreyRampImage(image)) return false;
    Rgb ramp[256];
    for (u32 i = 0; i < 256; ++i) ramp[i] = Rgb{u8(i), u8(i), u8(i)};
    if (!image.SetPalette(256, ramp)) return false;
    image.format = kImageIndexed;
    return true;
}

}  // namespace

ColorPlate::ColorPlate()
{
    image.Init();
    cells = {};
    rows = {};
}

ColorPlate::~ColorPlate()
{
    image.Free();
    cells.Clear();
    rows.Clear();
}

u32 ColorPlate::FirstSearchWidth(u32 m)
{
    if (IsPowerOfTwo(m)) return m / 2 * 3;
    u32 w = 1;
    while (w < m) w <<= 1;
    return w;
}

u32 ColorPlate::NextSearchWidth(u32 width)
{
    return IsPowerOfTwo(width) ? width / 2 * 3 : width / 3 * 4;
}

PlateSize ColorPlate::Layout(const DynArray<CollectionBitmap*>& bitmaps, u32 widthLimit, u32 perRow)
{
    cells.Clear();
    rows.Clear();
    PlateSize size = {2, 2};
    u64 x = 2, rowHeight = 0;
    u32 inRow = 0, rowStart = 0;
    auto closeRow = [&]() {
        PlateRow r = {size.height, u32(size.height + rowHeight - 1)};
        rows.Push(r);
        for (u32 k = rowStart; k < cells.count; ++k) cells.data[k].y1 = r.bottom;
        size.height = u32(size.height + rowHeight);
        x = 2;
        rowHeight = 0;
        inRow = 0;
        rowStart = cells.count;
    };
    for (u32 i = 0; i < bitmaps.count; ++i) {
        const CollectionBitmap* b = Platable(bitmaps.data[i]);
        u32 w = b ? b->width : 0, h = b ? b->height : 0;
        if (inRow && ((perRow && inRow % perRow == 0) || (!perRow && x + w + 3 > widthLimit))) closeRow();
        PlateCell c = {u32(x), size.height, u32(x + w + 2), 0};
        cells.Push(c);
        x += w + 3;
        if (x > size.width) size.width = u32(x);
        if (h + 3 > rowHeight) rowHeight = h + 3;
        ++inRow;
    }
    if (inRow) closeRow();
    return size;
}

int ColorPlate::Render(const Collection& collection, const DynArray<CollectionBitmap*>& bitmaps, PlateSize size,
                       bool alpha)
{
    image.Free();
    image.Init();
    if (!image.Create(size.width, size.height, kImageIndexed, nullptr)) return 0;
    const u32 W = size.width, H = size.height;
    u8* px = image.pixels;
    auto at = [&](u32 x, u32 y) -> u8& { return px[u64(y) * W + x]; };
    at(1, 0) = 1;
    memset(px + W, 1, W);
    for (u32 y = 1; y < H; ++y) at(W - 1, y) = 1;
    u32 cell = 0;
    for (const PlateRow& r : rows) {
        for (; cell < cells.count && cells.data[cell].y0 == r.top; ++cell) {
            const PlateCell& c = cells.data[cell];
            const CollectionBitmap* b = cell < bitmaps.count ? Platable(bitmaps.data[cell]) : nullptr;
            if (b) {
                CopyBitmapToPlane(image, *b, c.x0 + 1, r.top + 1, alpha);
                at(c.x0 + 1 + b->width, r.top + 1 + b->height) = 1;
            }
            for (u32 y = r.top; y < r.bottom; ++y) at(c.x0 - 1, y) = 1;
        }
        memset(px + u64(r.bottom) * W, 1, W);
    }
    Rgb palette[256];
    memcpy(palette, collection.GetColorTable().entries, sizeof(palette));
    if (alpha)
        for (u32 i = 2; i < 256; ++i) palette[i] = Rgb{u8(i), u8(i), u8(i)};
    if (!image.SetPalette(256, palette)) return 0;
    image.checksum = 0;
    return 1;
}

int ColorPlate::Build(const Collection& collection, const DynArray<CollectionBitmap*>& bitmaps, u32 perRow,
                      bool alpha)
{
    if (perRow) return Render(collection, bitmaps, Layout(bitmaps, 0, perRow), alpha);
    u32 m = 0;
    for (const CollectionBitmap* b : bitmaps)
        if (Platable(b) && b->width + 5u > m) m = b->width + 5u;
    u32 best = m ? m : 8;
    if (m && m <= kPlateMaxSearchWidth) {
        float bestScore = 0;
        for (u32 w = FirstSearchWidth(m);; w = NextSearchWidth(w)) {
            PlateSize s = Layout(bitmaps, w, 0);
            float score = std::fabs(float(s.height) / float(s.width) - 1.0f);
            if (w == FirstSearchWidth(m) || score < bestScore) {
                bestScore = score;
                best = w;
            }
            if (w >= kPlateMaxSearchWidth) break;
        }
    }
    return Render(collection, bitmaps, Layout(bitmaps, best, 0), alpha);
}

int ColorPlate::CheckFrame() const
{
    if (image.format != kImageIndexed || !image.pixels || image.width < 6 || image.height < 6) return 0;
    const u32 W = image.width, H = image.height;
    const u8* px = image.pixels;
    for (u32 x = 0; x < W; ++x) {
        if (px[x] != (x == 1 ? 1 : 0)) return 0;
        if (px[W + x] != 1 || px[u64(H - 1) * W + x] != 1) return 0;
    }
    for (u32 y = 1; y < H; ++y)
        if (px[u64(y) * W + 1] != 1) return 0;
    return px[W] == 1;
}

int ColorPlate::FindRows()
{
    rows.Clear();
    const u32 W = image.width, H = image.height;
    u32 top = 2;
    for (u32 y = 2; y < H; ++y) {
        const u8* line = image.pixels + u64(y) * W;
        if (line[0] != 1) continue;
        for (u32 x = 0; x < W; ++x)
            if (line[x] != 1) return 0;
        PlateRow r = {top, y};
        rows.Push(r);
        top = y + 1;
    }
    return rows.count != 0;
}

PlateCell ColorPlate::FindCells(u32 x0, u32 x1, u32 top, u32 bottom) const
{
    s64 mx = -1, my = -1;
    for (u32 y = top; y < bottom; ++y) {
        const u8* line = image.pixels + u64(y) * image.width;
        for (u32 x = x0; x < x1; ++x) {
            if (line[x] != 1) continue;
            if (s64(x) > mx) mx = x;
            my = y;
        }
    }
    // A marker that leaves no pixel between it and the cell's blank first row and column
    // makes an empty cell, as does no marker.
    if (mx < 0 || u32(mx) <= x0 + 1 || u32(my) <= top + 1) return PlateCell{x0, top, x0, top};
    return PlateCell{x0 + 1, top + 1, u32(mx), u32(my)};
}

int ColorPlate::Parse()
{
    cells.Clear();
    if (!CheckFrame() || !FindRows()) return 0;
    for (const PlateRow& r : rows) {
        const u8* line = image.pixels + u64(r.top) * image.width;
        u32 start = 2;
        for (u32 x = 2; x < image.width; ++x) {
            if (line[x] != 1) continue;
            cells.Push(FindCells(start, x, r.top, r.bottom));
            start = x + 1;
        }
    }
    return 1;
}

int ColorPlate::CutBitmaps(const char* baseName, Collection& collection, DynArray<CollectionBitmap*>* list)
{
    ScopedDynArray<CollectionBitmap*> made;
    ScopedDynArray<u8> pixels;
    for (u32 k = 0; k < cells.count; ++k) {
        const PlateCell& c = cells.data[k];
        u32 w = c.x1 - c.x0, h = c.y1 - c.y0;
        if (!w || !h) {
            made.Push(nullptr);
            continue;
        }
        CollectionBitmap* b = nullptr;
        if (u64(w) * h <= kMaxBitmapPixels) {
            pixels.ResizeRaw(w * h * 2);
            u16 flags = 0;
            u8* o = pixels.data;
            for (u32 y = c.y0; y < c.y1; ++y) {
                const u8* p = image.pixels + u64(y) * image.width + c.x0;
                for (u32 x = 0; x < w; ++x, o += 2) {
                    u8 v = p[x];
                    if (v == 0) flags |= kBitmapSpanRows;
                    o[0] = v > 1 ? 255 : 0;
                    o[1] = v > 1 ? v : 0;
                }
            }
            char name[64];
            snprintf(name, sizeof(name), "%s #%04u", baseName ? baseName : "", k);
            b = collection.AddBitmap(name, flags, pixels.data, w, h, 2, nullptr);
        }
        if (!b) {
            for (CollectionBitmap* m : made)
                if (m) collection.DeleteBitmap(m);
            return 0;
        }
        made.Push(b);
    }
    if (list)
        for (CollectionBitmap* b : made) list->Push(b);
    return 1;
}

int ColorPlate::ReadAlpha(const DynArray<CollectionBitmap*>& bitmaps)
{
    if (cells.count != bitmaps.count) return 0;
    for (u32 k = 0; k < cells.count; ++k) {
        const PlateCell& c = cells.data[k];
        const CollectionBitmap* b = Platable(bitmaps.data[k]);
        u32 w = c.x1 - c.x0, h = c.y1 - c.y0;
        if (b ? (w != b->width || h != b->height) : (w || h)) return 0;
    }
    for (u32 k = 0; k < cells.count; ++k) {
        CollectionBitmap* b = bitmaps.data[k];
        if (!Platable(b)) continue;
        const PlateCell& c = cells.data[k];
        bool partial = false;
        for (u32 y = 0; y < b->height; ++y) {
            const u8* p = image.pixels + u64(c.y0 + y) * image.width + c.x0;
            u8* o = b->pixels + u64(y) * b->width * 2;
            for (u32 x = 0; x < b->width; ++x) {
                o[2 * x] = p[x];
                if (p[x] != 0 && p[x] != 255) partial = true;
            }
        }
        if (partial) b->flags |= kBitmapPartialAlpha;
        else b->flags &= u16(~kBitmapPartialAlpha);
    }
    return 1;
}

int ExportColorPlate(const Collection& collection, const DynArray<CollectionBitmap*>& bitmaps, FileRecord& file,
                     bool alpha, u32 perRow)
{
    ColorPlate plate;
    if (!plate.Build(collection, bitmaps, perRow, alpha)) return kPlateTooLarge;
    return SaveImageToFile(plate.image, file);
}

int ImportColorPlateImage(Collection& collection, Image& image, const char* baseName,
                          DynArray<CollectionBitmap*>* list)
{
    if (!TakeAsPaletted(image)) return 0;
    ColorPlate plate;
    plate.image.MoveFrom(image);
    int ok = plate.Parse();
    Rgb palette[256];
    u32 count = plate.image.palette ? plate.image.paletteCount : 0;
    if (count > 256) count = 256;
    if (count) memcpy(palette, plate.image.palette, count * sizeof(Rgb));
    for (u32 i = count; i < 256; ++i) palette[i] = count ? palette[0] : Rgb{0, 0, 0};
    ColorTable table = collection.GetColorTable();
    if (ok) {
        if (collection.HasFreshColorTable()) memcpy(table.entries, palette, sizeof(palette));
        else ok = MergeColorTable(table, palette);
    }
    if (ok) {
        ok = plate.image.SetPalette(256, palette);
    }
    if (ok) {
        RemapImageToColorTable(plate.image, table);
        ColorTable before = collection.GetColorTable();
        collection.GetColorTable() = table;
        ok = plate.CutBitmaps(baseName, collection, list);
        if (!ok) collection.GetColorTable() = before;
    }
    image.MoveFrom(plate.image);
    return ok;
}

int ImportAlphaPlateImage(Image& image, const DynArray<CollectionBitmap*>& bitmaps)
{
    if (!TakeAsPaletted(image)) return 0;
    ColorPlate plate;
    plate.image.MoveFrom(image);
    int ok = plate.Parse() && plate.ReadAlpha(bitmaps);
    image.MoveFrom(plate.image);
    return ok;
}
