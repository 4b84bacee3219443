#include "collection/ui/BitmapThumbnailCache.h"

#include <GL/gl.h>

#include <cstring>

#include "collection/CollectionOptimize.h"
#include "gui/Skin.h"

namespace {

u64 Mix(u64 h, u64 v)
{
    h ^= v + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2);
    h *= 0xFF51AFD7ED558CCDull;
    return h ^ (h >> 33);
}

u64 MixBytes(u64 h, const void* data, size_t n)
{
    const u8* p = static_cast<const u8*>(data);
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        u64 v;
        memcpy(&v, p + i, 8);
        h = Mix(h, v);
    }
    for (; i < n; ++i) h = Mix(h, p[i]);
    return h;
}

// The thumbnail shows one source pixel per thumbnail pixel (Upload's nearest sampling), so it
// depends on those pixels alone: hashing them instead of the whole bitmap costs the thumbnail's
// size, not the bitmap's, and still sees every change that shows.
u64 SampleKey(const CollectionBitmap& bitmap, u32 tw, u32 th)
{
    const u32 w = bitmap.width, h = bitmap.height, bpp = bitmap.bytesPerPixel;
    u64 key = Mix(Mix(0x2545F4914F6CDD1Dull, u64(w) << 32 | h), u64(bitmap.flags) << 16 | bpp);
    for (u32 ty = 0; ty < th; ++ty) {
        const u8* row = bitmap.pixels + size_t(u64(u64(ty) * h / th) * w * bpp);
        u64 acc = 0;
        if (bpp == 2) {
            for (u32 tx = 0; tx < tw; ++tx) {
                u16 v;
                memcpy(&v, row + size_t(u64(tx) * w / tw) * 2, 2);
                acc = (acc * 0x100000001B3ull) ^ v;
            }
        } else {
            for (u32 tx = 0; tx < tw; ++tx) {
                u64 v;
                memcpy(&v, row + size_t(u64(tx) * w / tw) * 8, 8);
                acc = (acc ^ v) * 0x100000001B3ull;
            }
        }
        key = Mix(key, acc);
    }
    return key;
}

}  // namespace

BitmapThumbnailCache::BitmapThumbnailCache(u32 cap)
    : capacity(cap ? cap : 1), clock(0), uploads(0), paletteKey(0), paletteValid(false), palette{}, hues{}
{
}

BitmapThumbnailCache::~BitmapThumbnailCache() { Clear(); }

void BitmapThumbnailCache::Clear()
{
    for (auto& kv : entries)
        if (kv.second.texture) glDeleteTextures(1, &kv.second.texture);
    entries.clear();
}

u64 BitmapThumbnailCache::PaletteKey(const Collection& collection)
{
    // The inputs of the draw palette and the true-colour hues: hashing them costs far less
    // than building the palette for every cell.
    u64 h = MixBytes(0x5851F42D4C957F2Dull, collection.colorTable.entries, sizeof(collection.colorTable.entries));
    h = Mix(h, collection.hueChanges.count);
    for (const HueChange* c : collection.hueChanges) h = MixBytes(h, c, sizeof(HueChange));
    if (!paletteValid || h != paletteKey) {
        u32 count;
        BuildDrawPalette(collection, palette, &count);
        hues.Prepare(collection);
        paletteKey = h;
        paletteValid = true;
    }
    return h;
}

u64 BitmapThumbnailCache::ColourKey(const Collection& collection, const CollectionBitmap& bitmap, const Entry& e)
{
    // A shadow's picture does not depend on the colours.
    if (bitmap.bytesPerPixel == 2 && (bitmap.flags & kBitmapShadow)) return 0;
    const u64 all = PaletteKey(collection);
    if (bitmap.bytesPerPixel != 2) return all;
    // An indexed texel shows its palette entry's draw colour and nothing else: only the entries
    // it samples count, so editing another colour keeps the texture.
    u64 h = 0x2545F4914F6CDD1Dull;
    for (u32 word = 0; word < 4; ++word)
        for (u64 bits = e.usedIndices[word]; bits; bits &= bits - 1) {
            const u32 i = word * 64 + u32(__builtin_ctzll(bits));
            h = Mix(h, u64(i) << 24 | u64(palette[i].r) << 16 | u64(palette[i].g) << 8 | palette[i].b);
        }
    return h;
}

void BitmapThumbnailCache::Upload(const CollectionBitmap& bitmap, Entry& e)
{
    const u32 w = bitmap.width, h = bitmap.height, tw = e.width, th = e.height;
    row.resize(size_t(w) * 4);
    rgba.resize(size_t(tw) * th * 4);
    memset(e.usedIndices, 0, sizeof(e.usedIndices));
    // One source row per thumbnail row, sampled at the nearest column: a large bitmap costs
    // only the rows it shows.
    for (u32 ty = 0; ty < th; ++ty) {
        u32 sy = u32(u64(ty) * h / th);
        ConvertBitmapTile(bitmap, palette, hues, 0, sy, w, sy + 1, row.data());
        u8* out = rgba.data() + size_t(ty) * tw * 4;
        for (u32 tx = 0; tx < tw; ++tx) memcpy(out + tx * 4, row.data() + size_t(u64(tx) * w / tw) * 4, 4);
        if (bitmap.bytesPerPixel == 2) {
            const u8* src = bitmap.pixels + u64(sy) * w * 2;
            for (u32 tx = 0; tx < tw; ++tx) {
                const u8 index = src[(u64(tx) * w / tw) * 2 + 1];
                e.usedIndices[index >> 6] |= 1ull << (index & 63);
            }
        }
    }
    // A new picture goes into a new texture: refilling the old one, which the frame before may
    // still be drawing from, makes the driver wait for that frame at every thumbnail.
    if (e.texture) glDeleteTextures(1, &e.texture);
    glGenTextures(1, &e.texture);
    glBindTexture(GL_TEXTURE_2D, e.texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, GLsizei(tw), GLsizei(th), 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    glPopClientAttrib();
    ++uploads;
}

void BitmapThumbnailCache::EvictOldest()
{
    auto oldest = entries.end();
    for (auto it = entries.begin(); it != entries.end(); ++it)
        if (oldest == entries.end() || it->second.lastUse < oldest->second.lastUse) oldest = it;
    if (oldest == entries.end()) return;
    if (oldest->second.texture) glDeleteTextures(1, &oldest->second.texture);
    entries.erase(oldest);
}

void BitmapThumbnailCache::Draw(const Collection& collection, const CollectionBitmap& bitmap, s32 x, s32 y,
                                s32 width, s32 height, u32 tint, u32 mirror)
{
    if (!bitmap.pixels || !bitmap.width || !bitmap.height || width <= 0 || height <= 0) return;
    if (bitmap.bytesPerPixel != 2 && bitmap.bytesPerPixel != 8) return;
    u32 tw = u32(width) < bitmap.width ? u32(width) : bitmap.width;
    u32 th = u32(height) < bitmap.height ? u32(height) : bitmap.height;
    const u64 key = Mix(SampleKey(bitmap, tw, th), u64(tw) << 32 | th);
    auto it = entries.find(&bitmap);
    if (it == entries.end()) {
        if (entries.size() >= capacity) EvictOldest();
        it = entries.emplace(&bitmap, Entry{~key, 0, 0, 0, 0, 0, {}}).first;
    }
    Entry& e = it->second;
    e.lastUse = ++clock;
    if (e.key != key || !e.texture || e.colourKey != ColourKey(collection, bitmap, e)) {
        PaletteKey(collection);
        e.key = key;
        e.width = tw;
        e.height = th;
        Upload(bitmap, e);
        e.colourKey = ColourKey(collection, bitmap, e);
    }
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, e.texture);
    SetColor(tint);
    const float s0 = mirror & 1 ? 1.0f : 0.0f, s1 = 1.0f - s0;
    const float t0 = mirror & 2 ? 1.0f : 0.0f, t1 = 1.0f - t0;
    glBegin(GL_QUADS);
    glTexCoord2f(s0, t0);
    glVertex2i(x, y);
    glTexCoord2f(s1, t0);
    glVertex2i(x + width, y);
    glTexCoord2f(s1, t1);
    glVertex2i(x + width, y + height);
    glTexCoord2f(s0, t1);
    glVertex2i(x, y + height);
    glEnd();
    glDisable(GL_TEXTURE_2D);
}
