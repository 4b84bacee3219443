#pragma once
// The sample folders of the two collection builders, beside the game in "builder": a source
// folder for Build Standard Collection ("Walker": a sequence folder with "bitmaps/",
// "alphas/" and a "script.txt", and one with its alpha images beside the colour images) and
// renderings of the sample collection "Rocks" for Build High-Res Collection ("Rocks/Roll"
// and "Rocks/Tumble", four times the size of its bitmaps, laid out as the dialog's "Create" makes it). Part of
// make_sample_game.
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "collection/ColorTable.h"
#include "foundation/FileRecord.h"
#include "foundation/StringUtil.h"
#include "tools/SampleRocks.h"

namespace samplebuilder {

// A figure of w x h: an upright ellipse whose centre moves with the frame, drawn in a colour
// band that differs per view; index 0 and alpha 0 around it, alpha 128 on its rim.
inline void DrawFigure(u32 w, u32 h, u32 view, u32 frame, std::vector<u8>& indexed, std::vector<u8>& alpha)
{
    indexed.assign(size_t(w) * h, 0);
    alpha.assign(size_t(w) * h, 0);
    const double cx = w / 2.0 + (double(frame) - 1.0) * 2.0, cy = h / 2.0;
    const double rx = w / 4.0, ry = h / 2.0 - 3.0;
    for (u32 y = 0; y < h; ++y)
        for (u32 x = 0; x < w; ++x) {
            const double dx = (x + 0.5 - cx) / rx, dy = (y + 0.5 - cy) / ry, d = dx * dx + dy * dy;
            if (d >= 1.0) continue;
            indexed[size_t(y) * w + x] = u8(20 + view * 40 + (y * 7 + x) % 30);
            alpha[size_t(y) * w + x] = d > 0.8 ? 128 : 255;
        }
}

// "Walker": "walk(2,4)" draws two views of three source frames from "bitmaps/" and "alphas/",
// its script playing them 1 2 3 2; "idle(1,2)" holds two frames with their alpha images
// beside them (idle01.alpha.png).
inline bool WriteStandardSource(const std::filesystem::path& folder, const ColorTableEntry* table)
{
    std::error_code ec;
    const std::filesystem::path walk = folder / "walk(2,4)", idle = folder / "idle(1,2)";
    for (const std::filesystem::path& p : {walk / "bitmaps", walk / "alphas", idle}) std::filesystem::create_directories(p, ec);
    Rgb palette[256];
    for (u32 i = 0; i < 256; ++i) palette[i] = Rgb{table[i].red, table[i].green, table[i].blue};
    const u32 w = 24, h = 32;
    std::vector<u8> indexed, alpha;
    // Views vary fastest in name order: w01 is view 0 of frame 0, w02 view 1 of frame 0, ...
    for (u32 k = 0; k < 6; ++k) {
        DrawFigure(w, h, k % 2, k / 2, indexed, alpha);
        const std::string name = FormatString("w%02u", k + 1).c_str();
        if (!samplerocks::SaveImage((walk / "bitmaps" / (name + ".bmp")).string(), w, h, kImageIndexed, indexed.data(),
                                    palette) ||
            !samplerocks::SaveImage((walk / "alphas" / (name + ".png")).string(), w, h, kImageAlpha, alpha.data(),
                                    nullptr))
            return false;
    }
    std::ofstream(walk / "script.txt", std::ios::binary) << "BitmapOrder ViewsThenFrames\r\n(1 2 3 2)\r\n";
    for (u32 k = 0; k < 2; ++k) {
        DrawFigure(w, h, 2, k, indexed, alpha);
        const std::string name = FormatString("idle%02u", k + 1).c_str();
        if (!samplerocks::SaveImage((idle / (name + ".png")).string(), w, h, kImageIndexed, indexed.data(), palette) ||
            !samplerocks::SaveImage((idle / (name + ".alpha.png")).string(), w, h, kImageAlpha, alpha.data(), nullptr))
            return false;
    }
    return true;
}

// Renderings of "Rocks": one 64 x 64 RGBA image per frame of "Roll" (one view, three frames,
// bitmaps of 16 x 16), so the estimated scale is 4; opaque, in bands that differ per frame.
// Then those of "Tumble" at the same scale.
inline bool WriteRocksRenderings(const std::filesystem::path& folder)
{
    std::error_code ec;
    const std::filesystem::path roll = folder / "Roll";
    std::filesystem::create_directories(roll, ec);
    const u32 n = 64;
    std::vector<u8> rgba(size_t(n) * n * 4);
    for (u32 frame = 0; frame < 3; ++frame) {
        for (u32 y = 0; y < n; ++y)
            for (u32 x = 0; x < n; ++x) {
                u8* p = &rgba[(size_t(y) * n + x) * 4];
                p[0] = u8(40 + frame * 60 + x);
                p[1] = u8(30 + (y / 8) * 20);
                p[2] = u8(200 - x - frame * 30);
                p[3] = 255;
            }
        const std::string name = FormatString("roll%02u.png", frame + 1).c_str();
        if (!samplerocks::SaveImage((roll / name).string(), n, n, kImageRgba, rgba.data(), nullptr)) return false;
    }
    // "Tumble": one 48 x 48 image per cell of its 5 unique views by 3 frames (bitmaps of
    // 12 x 12, the same scale of 4), views fastest; a rock on a patch of ground, lit from a
    // side that turns with the view.
    const std::filesystem::path tumble = folder / "Tumble";
    std::filesystem::create_directories(tumble, ec);
    const u32 t = 48;
    for (u32 cell = 0; cell < 15; ++cell) {
        const u32 view = cell % 5, frame = cell / 5;
        for (u32 y = 0; y < t; ++y)
            for (u32 x = 0; x < t; ++x) {
                u8* p = &rgba[(size_t(y) * t + x) * 4];
                const int dx = int(x) - 24, dy = int(y) - 24 + int(frame == 1 ? 8 : 0);
                const bool rock = dx * dx + dy * dy < 400;
                const int lit = int(view) * 12 + (dx > 0 ? dx : -dx) * 2;
                p[0] = rock ? u8(90 + lit) : u8(50 + frame * 10);
                p[1] = rock ? u8(80 + lit / 2) : 70;
                p[2] = rock ? u8(70 + cell * 3) : 30;
                p[3] = 255;
            }
        const std::string name = FormatString("tumble%02u.png", cell + 1).c_str();
        if (!samplerocks::SaveImage((tumble / name).string(), t, t, kImageRgba, rgba.data(), nullptr)) return false;
    }
    return true;
}

}  // namespace samplebuilder
