#pragma once
// Thumbnails of collection bitmaps kept as textures between frames: each bitmap is converted
// and uploaded once at the size it is drawn (never larger than itself) and drawn from its own
// texture afterwards. An entry is keyed by everything its picture depends on (the pixels, the
// size and flags, and of the colour table and hue changes only the draw colours its texels
// show), checked at every draw, so a changed bitmap, or a change to a colour it shows, is
// uploaded again into a new texture and a thumbnail never shows old pixels, while a colour edit
// leaves the thumbnails that do not show the colour alone. Main thread only, in the program's
// OpenGL context.
#include <unordered_map>
#include <vector>

#include "collection/BitmapColors.h"

class BitmapThumbnailCache {
public:
    // At most capacity textures are kept; the least recently drawn goes first.
    explicit BitmapThumbnailCache(u32 capacity = 768);
    // Deletes the textures.
    ~BitmapThumbnailCache();
    BitmapThumbnailCache(const BitmapThumbnailCache&) = delete;
    BitmapThumbnailCache& operator=(const BitmapThumbnailCache&) = delete;

    // Draws the bitmap scaled into (x, y, width, height), its colours modulated by tint (red
    // in the low byte, alpha in the high byte), flipped left to right with mirror bit 0 and
    // top to bottom with bit 1 (one thumbnail serves every flip). A bitmap without pixels
    // draws nothing.
    void Draw(const Collection& collection, const CollectionBitmap& bitmap, s32 x, s32 y, s32 width, s32 height,
              u32 tint, u32 mirror = 0);
    // Deletes every texture.
    void Clear();

    u32 GetEntryCount() const { return u32(entries.size()); }
    // Textures filled so far (a draw that found its thumbnail current adds none).
    u64 GetUploadCount() const { return uploads; }

private:
    struct Entry {
        // The pixels, size and flags; then the colours the texels show.
        u64 key;
        u64 colourKey;
        u32 texture;
        u32 width, height;
        u64 lastUse;
        // The palette entries the texels of an indexed bitmap sample.
        u64 usedIndices[4];
    };
    u64 PaletteKey(const Collection& collection);
    u64 ColourKey(const Collection& collection, const CollectionBitmap& bitmap, const Entry& e);
    void Upload(const CollectionBitmap& bitmap, Entry& e);
    void EvictOldest();

    u32 capacity;
    u64 clock;
    u64 uploads;
    std::unordered_map<const CollectionBitmap*, Entry> entries;
    // The draw palette and true-colour hues of the last collection, with the key of their inputs.
    u64 paletteKey;
    bool paletteValid;
    Rgb palette[256];
    TrueColorHues hues;
    std::vector<u8> row, rgba;
};
