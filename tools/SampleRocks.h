#pragma once
// The sample collection's image bitmaps and the loose image files beside the game: one bitmap
// of every kind the collection pages show (shadow, span-coded, partial alpha, true colour, a
// large one drawn in several tiles), the mirrored sequence "Tumble" and files to import (an 8-bit paletted picture, a grey
// mask and a 24-bit picture). Part of make_sample_game.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "collection/Collection.h"
#include "foundation/FileRecord.h"

namespace samplerocks {

// Adds the bitmaps to the collection (after its two boulders), the shadow to the first frame
// of the sequence, and makes its first hue change recolour (replacement mode 1). false when a
// bitmap cannot be made.
inline bool AddImageBitmaps(Collection& c, Sequence* roll)
{
    const u32 n = 24;
    std::vector<u8> px(n * n * 8);
    // Shadow: darkness rising towards the centre, transparent corners.
    for (u32 y = 0; y < n; ++y)
        for (u32 x = 0; x < n; ++x) {
            u32 d = (x > n / 2 ? x - n / 2 : n / 2 - x) + (y > n / 2 ? y - n / 2 : n / 2 - y);
            px[(y * n + x) * 2] = d < n / 2 ? 255 : 0;
            px[(y * n + x) * 2 + 1] = d < n / 2 ? u8(200 - d * 12) : 0;
        }
    CollectionBitmap* shadow = c.AddBitmap("Boulder Shadow", kBitmapShadow, px.data(), n, n, 2, nullptr);
    // Span-coded: a ring, empty outside and inside.
    for (u32 y = 0; y < n; ++y)
        for (u32 x = 0; x < n; ++x) {
            int dx = int(x) - int(n / 2), dy = int(y) - int(n / 2), r = dx * dx + dy * dy;
            bool on = r > 25 && r < 121;
            px[(y * n + x) * 2] = on ? 255 : 0;
            px[(y * n + x) * 2 + 1] = on ? u8(2 + (x * 5 + y) % 120) : 0;
        }
    CollectionBitmap* span = c.AddBitmap("Boulder Ring", kBitmapSpanRows, px.data(), n, n, 2, nullptr);
    // Partial alpha: a glow fading left to right in steps the stored form keeps.
    for (u32 y = 0; y < n; ++y)
        for (u32 x = 0; x < n; ++x) {
            px[(y * n + x) * 2] = u8(255 - (x * 10 / 17) * 17);
            px[(y * n + x) * 2 + 1] = u8(130 + y);
        }
    CollectionBitmap* glow = c.AddBitmap("Boulder Glow", kBitmapPartialAlpha, px.data(), n, n, 2, nullptr);
    // True colour: RGB on the left, hue change 1 on the right, a blended second colour below.
    for (u32 y = 0; y < n; ++y)
        for (u32 x = 0; x < n; ++x) {
            u8* p = &px[(y * n + x) * 8];
            bool hue = x >= n / 2;
            p[0] = hue ? u8(0x55 + y) : u8(120 + x * 4);
            p[1] = hue ? 230 : u8(80 + y * 3);
            p[2] = u8((hue ? 200 : 60) & ~1);
            p[3] = u8((hue ? 1u << 5 : 0u) | (y < 2 ? 16u : 31u));
            p[4] = p[5] = p[6] = p[7] = 0;
            if (y >= n - 6) {
                p[2] |= 1;
                p[4] = 250;
                p[5] = 250;
                p[6] = 40;
                p[7] = 24;
            }
        }
    CollectionBitmap* truecolor = c.AddBitmap("Boulder True Color", kBitmapTrueColor, px.data(), n, n, 8, nullptr);
    // Large: 1000 x 600 bands of colour, so every tile of the drawing shows something different.
    const u32 w = 1000, h = 600;
    std::vector<u8> large(w * h * 2);
    for (u32 y = 0; y < h; ++y)
        for (u32 x = 0; x < w; ++x) {
            large[(y * w + x) * 2] = 255;
            large[(y * w + x) * 2 + 1] = u8(2 + (x / 40 + (y / 40) * 3) % 250);
        }
    CollectionBitmap* cliff = c.AddBitmap("Cliff", 0, large.data(), w, h, 2, nullptr);
    if (!shadow || !span || !glow || !truecolor || !cliff) return false;
    glow->QuantizeAlpha();
    if (roll && roll->GetFrameCount()) roll->GetFrame(0).shadowBitmap = shadow;
    if (HueChange* mossy = c.GetHueChange(0)) {
        mossy->replacementMode = 1;
        mossy->replacementRed = 0x3000;
        mossy->replacementGreen = 0xC000;
        mossy->replacementBlue = 0x4000;
        HueChange::ComputeMask(c, *mossy);
    }
    return true;
}

// What the optimise page works on: "Boulder 1 Again" (the pixels of the first bitmap, shown by
// a third frame of the sequence, so merging re-points that frame), "Spare Pebble" (no cell
// uses it) and a second hue change, "Ember". false when a bitmap cannot be made.
inline bool AddOptimizeSamples(Collection& c, Sequence* roll)
{
    CollectionBitmap* first = c.GetBitmap(0);
    if (!first || !roll) return false;
    CollectionBitmap* again =
        c.AddBitmap("Boulder 1 Again", first->flags, first->pixels, first->width, first->height, 2, nullptr);
    std::vector<u8> px(8 * 8 * 2, 255);
    CollectionBitmap* spare = c.AddBitmap("Spare Pebble", 0, px.data(), 8, 8, 2, nullptr);
    if (!again || !spare) return false;
    roll->Resize(roll->GetViewCount(), 3);
    roll->GetFrameView(2, 0).bitmap = again;
    HueChange* ember = c.AddHueChange("Ember");
    ember->hueStart = 0xF000;
    ember->hueEnd = 0x1800;
    ember->medianHue = 0x0400;
    ember->useAs = 2;
    HueChange::ComputeMask(c, *ember);
    return true;
}

// "Tumble": a rock turning over, 8 views with "Use Mirroring" (5 unique, the other 3 stored
// as the mirror copies a read fills in) by 3 frames, each frame with its own shadow (the third
// mirrored), and view 0 of frame 0 also assigned a true-colour bitmap of twice the size. Five
// small bitmaps, one per turn of the rock, serve every cell: frame f, view v shows turn
// (v + f) mod 5, so the frames differ. false when a bitmap cannot be made.
inline bool AddTumble(Collection& c)
{
    CollectionBitmap* shadow = nullptr;
    for (u32 i = 0; i < c.GetBitmapCount(); ++i)
        if (strcmp(c.GetBitmap(i)->name, "Boulder Shadow") == 0) shadow = c.GetBitmap(i);
    Sequence* tumble = c.AddSequence("Tumble");
    if (!shadow || !tumble) return false;
    const u32 n = 12, turns = 5, views = 8, frames = 3;
    CollectionBitmap* turn[turns];
    std::vector<u8> px(n * n * 2);
    for (u32 t = 0; t < turns; ++t) {
        // A round rock with a light notch that walks round its rim from turn to turn.
        const double a = t * 2 * 3.14159265 / turns;
        const int nx = int(6 + 4 * std::cos(a)), ny = int(6 + 4 * std::sin(a));
        for (u32 y = 0; y < n; ++y)
            for (u32 x = 0; x < n; ++x) {
                int dx = int(x) - 6, dy = int(y) - 6;
                bool rock = dx * dx + dy * dy < 30;
                bool notch = std::abs(int(x) - nx) + std::abs(int(y) - ny) < 2;
                px[(y * n + x) * 2] = rock ? 255 : 0;
                px[(y * n + x) * 2 + 1] = rock ? u8(notch ? 240 : 60 + t * 30 + (x + y) % 7) : 0;
            }
        char name[64];
        snprintf(name, sizeof name, "Tumble %u", t + 1);
        turn[t] = c.AddBitmap(name, 0, px.data(), n, n, 2, nullptr);
        if (!turn[t]) return false;
    }
    // The first turn at twice the size in true colour: RGB, then the alpha level in the low bits.
    const u32 hd = 2 * n;
    std::vector<u8> tc(hd * hd * 8, 0);
    for (u32 y = 0; y < hd; ++y)
        for (u32 x = 0; x < hd; ++x) {
            int dx = int(x) - int(n), dy = int(y) - int(n);
            u8* p = &tc[(y * hd + x) * 8];
            p[0] = u8(140 + x * 3);
            p[1] = u8(100 + y * 2);
            p[2] = 70;
            p[3] = dx * dx + dy * dy < 120 ? 31 : 0;
        }
    CollectionBitmap* high = c.AddBitmap("Tumble 1 HD", kBitmapTrueColor, tc.data(), hd, hd, 8, nullptr);
    if (!high) return false;

    tumble->SetFlags(tumble->GetFlags() | kSequenceMirroring);
    tumble->ticksPerFrame = 3;
    tumble->Resize(views, frames);
    const u32 unique = tumble->GetUniqueViewCount();
    for (u32 f = 0; f < frames; ++f) {
        SequenceFrame& frame = tumble->GetFrame(f);
        frame.shadowBitmap = shadow;
        frame.shadow.offsetX = s32((int(f) * 3 - 3) * 65536);
        frame.shadow.offsetY = 5 * 65536;
        frame.shadow.flags = f == 2 ? 2 : 0;
        for (u32 v = 0; v < unique; ++v) {
            FrameView& view = tumble->GetFrameView(f, v);
            view.bitmap = turn[(v + f) % turns];
            view.registrationX = 5;
            view.registrationY = s16(f == 1 ? 9 : 11);  // the middle frame bounces up
            view.keyX = 6;
            view.keyY = 2;
        }
        for (u32 v = unique; v < views; ++v) {
            FrameView& view = tumble->GetFrameView(f, v);
            view = tumble->GetFrameView(f, views - v);
            view.flags ^= kViewMirrorX;
            view.registrationX = s16(view.bitmap->width - view.registrationX);
        }
    }
    tumble->GetFrameView(0, 0).SetHighResAssignment(high, kStandardScale / 2, 10, 22);
    return true;
}

// Writes an image file; false when it cannot be saved.
inline bool SaveImage(const std::string& path, u32 w, u32 h, u32 format, const u8* pixels, const Rgb* palette)
{
    FileRecord out(path.c_str());
    out.kind = kFileKindImage;
    out.format = FindFormatByExtension(path.c_str());
    if (!out.image.Create(w, h, format, pixels)) return false;
    if (palette && !out.image.SetPalette(256, palette)) return false;
    return out.Save() != 0;
}

// The "import" folder: "Pebble.png" (8-bit paletted, index 0 around it), "Pebble Mask.png"
// (8-bit grey, the same size) and "Sunset.png" (24-bit).
inline bool WriteImportFolder(const std::filesystem::path& folder, const ColorTableEntry* table)
{
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    const u32 n = 32;
    std::vector<u8> indexed(n * n), mask(n * n), rgb(n * n * 3);
    for (u32 y = 0; y < n; ++y)
        for (u32 x = 0; x < n; ++x) {
            int dx = int(x) - 16, dy = int(y) - 16, r = dx * dx + dy * dy;
            indexed[y * n + x] = r < 196 ? u8(2 + (x + y) % 60) : 0;
            mask[y * n + x] = r < 144 ? 255 : (r < 196 ? 128 : 0);
            u8* p = &rgb[(y * n + x) * 3];
            p[0] = u8(255 - y * 4);
            p[1] = u8(90 + x * 2);
            p[2] = u8(y * 6);
        }
    Rgb palette[256];
    for (u32 i = 0; i < 256; ++i) palette[i] = Rgb{table[i].red, table[i].green, table[i].blue};
    const std::string base = folder.string() + "/";
    return SaveImage(base + "Pebble.png", n, n, kImageIndexed, indexed.data(), palette) &&
           SaveImage(base + "Pebble Mask.png", n, n, kImageAlpha, mask.data(), nullptr) &&
           SaveImage(base + "Sunset.png", n, n, kImageRgb, rgb.data(), nullptr);
}

}  // namespace samplerocks
