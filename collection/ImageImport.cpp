#include "collection/ImageImport.h"

#include <cstring>

#include "foundation/Palette.h"

namespace {

bool SameColor(const ColorTableEntry& e, const Rgb& c)
{
    return e.red == c.r && e.green == c.g && e.blue == c.b;
}

bool SameColor(const ColorTableEntry& a, const ColorTableEntry& b)
{
    return a.red == b.red && a.green == b.green && a.blue == b.blue;
}

// Owns an Image for the length of a scope.
struct ScopedImage : Image {
    ScopedImage() { Init(); }
    ~ScopedImage() { Free(); }
    ScopedImage(const ScopedImage&) = delete;
    ScopedImage& operator=(const ScopedImage&) = delete;
};

}  // namespace

int MergeColorTable(ColorTable& table, const Rgb* palette)
{
    // A slot is free when its colour repeats one at a lower index; the lowest occurrence of a
    // colour is never free, so filling free slots never removes a colour from the table.
    u8 freeSlots[256];
    u32 freeCount = 0;
    for (u32 i = 1; i < 256; ++i) {
        for (u32 j = 0; j < i; ++j) {
            if (SameColor(table.entries[i], table.entries[j])) {
                freeSlots[freeCount++] = u8(i);
                break;
            }
        }
    }
    u32 nextFree = 0;
    for (u32 p = 0; p < 256; ++p) {
        bool present = false;
        for (u32 i = 0; i < 256 && !present; ++i) present = SameColor(table.entries[i], palette[p]);
        if (present) continue;
        if (nextFree == freeCount) return 0;
        ColorTableEntry& e = table.entries[freeSlots[nextFree++]];
        e.red = palette[p].r;
        e.green = palette[p].g;
        e.blue = palette[p].b;
    }
    return 1;
}

void RemapImageToColorTable(Image& image, const ColorTable& table)
{
    if ((image.format != kImageIndexed && image.format != kImageAlphaIndex) || !image.pixels) return;
    Rgb palette[256] = {};
    if (image.palette) memcpy(palette, image.palette, sizeof(palette));
    u8 map[256];
    for (u32 p = 0; p < 256; ++p) {
        map[p] = 0;
        for (u32 i = 0; i < 256; ++i) {
            if (SameColor(table.entries[i], palette[p])) {
                map[p] = u8(i);
                break;
            }
        }
    }
    u64 n = u64(image.width) * image.height;
    u32 step = image.format == kImageAlphaIndex ? 2 : 1;
    u8* index = image.pixels + (step - 1);
    for (u64 i = 0; i < n; ++i, index += step) *index = map[*index];
    image.SetPalette(256, reinterpret_cast<const Rgb*>(table.entries));
    image.checksum = 0;
}

bool IsGreyRampImage(const Image& image)
{
    if (image.format != kImageAlpha) return false;
    if (!image.palette) return true;
    for (u32 i = 0; i < image.paletteCount; ++i)
        if (image.palette[i] != Rgb{u8(i), u8(i), u8(i)}) return false;
    return true;
}

namespace {

bool InPalette(const Rgb* palette, u32 count, const Rgb& c)
{
    for (u32 i = 0; i < count; ++i)
        if (palette[i] == c) return true;
    return false;
}

// A colour that is none of the count entries, searched from start.
Rgb UnusedColor(const Rgb* palette, u32 count, Rgb start)
{
    Rgb c = start;
    while (InPalette(palette, count, c)) c.g = u8(c.g + 1);
    return c;
}

// Quantises a true-colour image into out as 6666 with the visible colours at entries 2 and up.
int QuantizeAroundMarkers(const Image& image, Image& out, const ColorTable* markerTable)
{
    ColorHistogram histogram = {};
    Rgb colours[256];
    u32 count = CollectOpaqueColors(histogram, image) ? GeneratePalette(histogram, colours, 254) : 0;
    FreeColorHistogram(histogram);
    Rgb palette[256];
    if (markerTable) {
        memcpy(palette, markerTable->entries, 2 * sizeof(Rgb));
    } else {
        palette[0] = UnusedColor(colours, count, Rgb{255, 0, 255});
        palette[1] = UnusedColor(colours, count, Rgb{0, 255, 255});
    }
    // A visible colour equal to a marker would turn transparent when remapped.
    for (u32 i = 0; i < count; ++i)
        while (colours[i] == palette[0] || colours[i] == palette[1]) colours[i].b = u8(colours[i].b ^ 1);
    if (!out.CopyFrom(image, image.format) || !out.Quantize(kImageAlphaIndex, colours, count)) return 0;
    memcpy(palette + 2, colours, count * sizeof(Rgb));
    for (u32 i = count + 2; i < 256; ++i) palette[i] = palette[0];
    u64 n = u64(out.width) * out.height;
    for (u64 i = 0; i < n; ++i) {
        u8* p = out.pixels + 2 * i;
        p[1] = (p[0] == 0 || !count) ? 0 : u8(p[1] + 2);
    }
    return out.SetPalette(256, palette) ? 1 : 0;
}

}  // namespace

int ImageToIndexedPixels(const Image& image, Image& out, const ColorTable* markerTable)
{
    out.Free();
    out.Init();
    u32 format = image.format;
    if (format == kImageRgb || format == kImageRgba) {
        if (QuantizeAroundMarkers(image, out, markerTable)) return 1;
        out.Free();
        return 0;
    }
    if (format == kImageAlpha) {
        // An 8-bit grey file is an indexed picture whose table is the grey ramp: its values
        // are indices, not a mask.
        Rgb ramp[256];
        for (u32 i = 0; i < 256; ++i) ramp[i] = Rgb{u8(i), u8(i), u8(i)};
        if (!out.Create(image.width, image.height, kImageIndexed, image.pixels) || !out.SetPalette(256, ramp)) {
            out.Free();
            return 0;
        }
    } else if ((format != kImageIndexed && format != kImageAlphaIndex) || !out.CopyFrom(image, format)) {
        out.Free();
        return 0;
    }
    if (!out.ConvertTo(kImageAlphaIndex)) {
        out.Free();
        return 0;
    }
    Rgb palette[256];
    u32 count = out.palette ? out.paletteCount : 0;
    if (count > 256) count = 256;
    if (count) memcpy(palette, out.palette, count * sizeof(Rgb));
    Rgb first = count ? palette[0] : Rgb{0, 0, 0};
    for (u32 i = count; i < 256; ++i) palette[i] = first;
    if (!out.SetPalette(256, palette)) {
        out.Free();
        return 0;
    }
    return 1;
}

void BitmapNameFromPath(const char* path, char out[64])
{
    memset(out, 0, 64);
    if (!path) return;
    const char* base = strrchr(path, '/');
    base = base ? base + 1 : path;
    const char* dot = strrchr(base, '.');
    size_t n = dot && dot != base ? size_t(dot - base) : strlen(base);
    if (n > 63) n = 63;
    memcpy(out, base, n);
}

bool Collection::HasFreshColorTable() const
{
    if (bitmaps.count) return false;
    for (u32 i = 1; i < 256; ++i)
        if (!SameColor(colorTable.entries[i], colorTable.entries[0])) return false;
    return true;
}

CollectionBitmap* Collection::ImportImage(const Image& image, const char* bitmapName, CollectionBitmap* replace,
                                          bool replaceTable)
{
    if (u64(image.width) * image.height > kMaxBitmapPixels || image.width > 32767 || image.height > 32767)
        return nullptr;
    bool takePalette = replaceTable || HasFreshColorTable();
    ScopedImage pixels;
    if (!ImageToIndexedPixels(image, pixels, takePalette ? nullptr : &colorTable)) return nullptr;

    ColorTable table = colorTable;
    if (takePalette) {
        memcpy(table.entries, pixels.palette, sizeof(table.entries));
    } else if (!MergeColorTable(table, pixels.palette)) {
        return nullptr;
    }
    RemapImageToColorTable(pixels, table);

    u16 bitmapFlags = 0;
    u64 n = u64(pixels.width) * pixels.height;
    u8* p = pixels.pixels;
    for (u64 i = 0; i < n; ++i, p += 2) {
        if (p[1] <= 1) {
            if (p[1] == 0) bitmapFlags |= kBitmapSpanRows;
            p[0] = 0;
            p[1] = 0;
        } else if (p[0] != 0 && p[0] != 255) {
            bitmapFlags |= kBitmapPartialAlpha;
        }
    }
    // The bitmap is made before the table changes, so a failed allocation changes nothing.
    CollectionBitmap* b = AddBitmap(bitmapName, bitmapFlags, pixels.pixels, pixels.width, pixels.height, 2, replace);
    if (b) colorTable = table;
    return b;
}
