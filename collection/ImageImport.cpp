#include "collection/ImageImport.h"

#include <cstdlib>
#include <cstring>

#include "foundation/Palette.h"

namespace {

bool SameColor(const ColorTableEntry& a, const ColorTableEntry& b)
{
    return a.red == b.red && a.green == b.green && a.blue == b.blue;
}

u32 Key(u8 r, u8 g, u8 b)
{
    return u32(r) | u32(g) << 8 | u32(b) << 16;
}

// The lowest table index of each colour, found in constant time: imports map 256 palette
// entries onto 256 table entries many times over, which pairwise comparison makes slow.
class ColorIndex {
public:
    explicit ColorIndex(const ColorTable& table)
    {
        memset(slots, 0xFF, sizeof(slots));
        for (u32 i = 0; i < 256; ++i) Add(table.entries[i], i);
    }
    // Answers the lowest index holding the colour, or -1.
    s32 Find(u8 r, u8 g, u8 b) const
    {
        u32 key = Key(r, g, b);
        for (u32 h = Hash(key);; h = (h + 1) & kMask) {
            if (slots[h].index < 0) return -1;
            if (slots[h].key == key) return slots[h].index;
        }
    }
    // Records index for the colour unless a lower one has it; answers false when one had.
    bool Add(const ColorTableEntry& e, u32 index)
    {
        u32 key = Key(e.red, e.green, e.blue);
        for (u32 h = Hash(key);; h = (h + 1) & kMask) {
            if (slots[h].index < 0) {
                slots[h].key = key;
                slots[h].index = s32(index);
                return true;
            }
            if (slots[h].key == key) return false;
        }
    }

private:
    static constexpr u32 kMask = 1023;  // 1024 slots for at most 512 colours
    static u32 Hash(u32 key) { return (key * 2654435761u) >> 22; }
    struct Slot {
        u32 key;
        s32 index;
    } slots[kMask + 1];
};

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
    ColorIndex index(table);
    u8 freeSlots[256];
    u32 freeCount = 0;
    for (u32 i = 1; i < 256; ++i)
        if (index.Find(table.entries[i].red, table.entries[i].green, table.entries[i].blue) != s32(i))
            freeSlots[freeCount++] = u8(i);
    u32 nextFree = 0;
    for (u32 p = 0; p < 256; ++p) {
        if (index.Find(palette[p].r, palette[p].g, palette[p].b) >= 0) continue;
        if (nextFree == freeCount) return 0;
        u8 slot = freeSlots[nextFree++];
        ColorTableEntry& e = table.entries[slot];
        e.red = palette[p].r;
        e.green = palette[p].g;
        e.blue = palette[p].b;
        index.Add(e, slot);
    }
    return 1;
}

void RemapImageToColorTable(Image& image, const ColorTable& table)
{
    if ((image.format != kImageIndexed && image.format != kImageAlphaIndex) || !image.pixels) return;
    Rgb palette[256] = {};
    if (image.palette) memcpy(palette, image.palette, sizeof(palette));
    ColorIndex index(table);
    u8 map[256];
    for (u32 p = 0; p < 256; ++p) {
        s32 i = index.Find(palette[p].r, palette[p].g, palette[p].b);
        map[p] = i < 0 ? 0 : u8(i);
    }
    u64 n = u64(image.width) * image.height;
    u32 step = image.format == kImageAlphaIndex ? 2 : 1;
    u8* at = image.pixels + (step - 1);
    for (u64 i = 0; i < n; ++i, at += step) *at = map[*at];
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
    if (!out.QuantizeFrom(image, kImageAlphaIndex, colours, count)) return 0;
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

namespace {

// The palette an import maps from: the image's own (entries past its count copies of entry 0),
// or the grey ramp for an 8-bit grey image.
void ImportPalette(const Image& image, Rgb* palette)
{
    if (image.format == kImageAlpha) {
        for (u32 i = 0; i < 256; ++i) palette[i] = Rgb{u8(i), u8(i), u8(i)};
        return;
    }
    u32 count = image.palette ? image.paletteCount : 0;
    if (count > 256) count = 256;
    if (count) memcpy(palette, image.palette, count * sizeof(Rgb));
    Rgb first = count ? palette[0] : Rgb{0, 0, 0};
    for (u32 i = count; i < 256; ++i) palette[i] = first;
}

}  // namespace

CollectionBitmap* Collection::ImportImage(const Image& image, const char* bitmapName, CollectionBitmap* replace,
                                          bool replaceTable, u32* failure)
{
    u32 ignored;
    u32& why = failure ? *failure : ignored;
    why = kImportOk;
    auto fail = [&why](u32 reason) -> CollectionBitmap* {
        why = reason;
        return nullptr;
    };
    if (u64(image.width) * image.height > kMaxBitmapPixels || image.width > 32767 || image.height > 32767)
        return fail(kImportTooLarge);
    bool takePalette = replaceTable || HasFreshColorTable();
    // Paletted, grey and {alpha, index} images are read as they are; others are converted to
    // {alpha, index} first (true colour quantised around the markers).
    ScopedImage converted;
    const Image* source = &image;
    if (image.format != kImageIndexed && image.format != kImageAlpha && image.format != kImageAlphaIndex) {
        if (!ImageToIndexedPixels(image, converted, takePalette ? nullptr : &colorTable))
            return fail(kImportUnconvertible);
        source = &converted;
    }
    if (!source->pixels && source->width && source->height) return fail(kImportUnconvertible);
    Rgb palette[256];
    ImportPalette(*source, palette);

    ColorTable table = colorTable;
    if (takePalette) memcpy(table.entries, palette, sizeof(table.entries));
    else if (!MergeColorTable(table, palette)) return fail(kImportColours);
    ColorIndex index(table);
    u8 map[256];
    for (u32 p = 0; p < 256; ++p) {
        s32 i = index.Find(palette[p].r, palette[p].g, palette[p].b);
        map[p] = i < 0 ? 0 : u8(i);
    }

    const u64 n = u64(source->width) * source->height;
    u8* pixels = static_cast<u8*>(malloc(n ? size_t(n * 2) : 1));
    if (!pixels) return fail(kImportNoMemory);
    u16 bitmapFlags = 0;
    const u8* in = source->pixels;
    if (source->format == kImageAlphaIndex) {
        // Indices 0 and 1 are the transparency markers: such pixels become {0, 0}. The rule is
        // read from tables, so that the pass has no branch per pixel.
        u8 keep[256], index[256], isZero[256], partial[256];
        for (u32 p = 0; p < 256; ++p) {
            keep[p] = map[p] > 1 ? 0xFF : 0;
            index[p] = map[p] > 1 ? map[p] : 0;
            isZero[p] = map[p] == 0;
            partial[p] = p != 0 && p != 255;
        }
        u8* out = pixels;
        u8 anyZero = 0, anyPartial = 0;
        for (u64 i = 0; i < n; ++i, in += 2, out += 2) {
            const u8 alpha = in[0], p = in[1];
            out[0] = alpha & keep[p];
            out[1] = index[p];
            anyZero |= isZero[p];
            anyPartial |= partial[alpha] & keep[p];
        }
        if (anyZero) bitmapFlags |= kBitmapSpanRows;
        if (anyPartial) bitmapFlags |= kBitmapPartialAlpha;
    } else {
        // One opaque pixel per palette entry, {0, 0} for the markers, stored as it lies in
        // memory, so that the pass is a table look-up per pixel.
        u16 pixelOf[256];
        u8 isZero[256];
        for (u32 p = 0; p < 256; ++p) {
            u8 out[2] = {map[p] > 1 ? u8(255) : u8(0), map[p] > 1 ? map[p] : u8(0)};
            memcpy(&pixelOf[p], out, 2);
            isZero[p] = map[p] == 0;
        }
        u16* out = reinterpret_cast<u16*>(pixels);
        u8 anyZero = 0;
        for (u64 i = 0; i < n; ++i) {
            out[i] = pixelOf[in[i]];
            anyZero |= isZero[in[i]];
        }
        if (anyZero) bitmapFlags |= kBitmapSpanRows;
    }
    // The bitmap takes the buffer as it is; until here nothing has changed.
    CollectionBitmap* b = AddBitmap(bitmapName, bitmapFlags, nullptr, 0, 0, 2, replace);
    if (!b) {
        free(pixels);
        return fail(kImportNoMemory);
    }
    b->pixels = pixels;
    b->width = u16(source->width);
    b->height = u16(source->height);
    b->flags = bitmapFlags;
    colorTable = table;
    return b;
}
