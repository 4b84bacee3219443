#pragma once
// Small triangle objects for the render model, import and export tests: an LWO2 file built
// byte by byte from a description, and pictures written as PNG files.
#include <array>
#include <string>
#include <vector>

#include "foundation/FileRecord.h"
#include "foundation/Image.h"
#include "tests/model/LwoFixture.h"

struct LwoUvEntry {
    u32 point;
    u32 polygon;  // per-polygon entries only
    float u, v;
};

struct LwoUvMap {
    std::string name;
    u32 type = FourCC("TXUV");
    u32 dim = 2;
    bool perPolygon = false;
    std::vector<LwoUvEntry> entries;
};

struct LwoModelSpec {
    std::vector<std::array<float, 3>> points;
    std::vector<std::vector<u32>> polygons;  // corner point indices
    std::vector<u32> polygonSurface;         // TAGS index per polygon (0 when missing)
    std::vector<std::string> surfaces = {"Skin"};
    std::vector<std::string> clips;          // clip i + 1 per surface i that has one ("" none)
    std::string surfaceUvName = "uv";        // the texture's VMAP name
    std::vector<LwoUvMap> maps;

    LwoBytes Bytes() const
    {
        LwoBytes b;
        b.Begin("TAGS");
        for (const std::string& s : surfaces) b.S0(s.c_str());
        b.End();
        b.Begin("LAYR").U2(0).U2(0).F4(0).F4(0).F4(0).S0("").End();
        b.Begin("PNTS");
        for (const auto& p : points) b.F4(p[0]).F4(p[1]).F4(p[2]);
        b.End();
        b.Begin("POLS").Id("FACE");
        for (const auto& poly : polygons) {
            b.U2(u32(poly.size()));
            for (u32 i : poly) b.VX(i);
        }
        b.End();
        b.Begin("PTAG").Id("SURF");
        for (u32 i = 0; i < polygons.size(); ++i) b.VX(i).U2(i < polygonSurface.size() ? polygonSurface[i] : 0);
        b.End();
        for (const LwoUvMap& m : maps) {
            b.Begin(m.perPolygon ? "VMAD" : "VMAP").U4(m.type).U2(m.dim).S0(m.name.c_str());
            for (const LwoUvEntry& e : m.entries) {
                b.VX(e.point);
                if (m.perPolygon) b.VX(e.polygon);
                if (m.dim >= 1) b.F4(e.u);
                if (m.dim >= 2) b.F4(e.v);
                for (u32 d = 2; d < m.dim; ++d) b.F4(0);
            }
            b.End();
        }
        for (u32 i = 0; i < clips.size(); ++i) {
            if (clips[i].empty()) continue;
            b.Begin("CLIP").U4(i + 1).Sub("STIL").S0(clips[i].c_str()).End().End();
        }
        for (u32 i = 0; i < surfaces.size(); ++i) {
            b.Begin("SURF").S0(surfaces[i].c_str()).S0("");
            b.Sub("COLR").F4(1).F4(1).F4(1).VX(0).End();
            if (i < clips.size() && !clips[i].empty()) {
                b.Sub("BLOK");
                b.Sub("IMAP").S0("\x80").Sub("CHAN").Id("COLR").End().End();
                b.Sub("PROJ").U2(5).End();
                b.Sub("IMAG").VX(i + 1).End();
                b.Sub("VMAP").S0(surfaceUvName.c_str()).End();
                b.End();
            }
            b.End();
        }
        return LwoForm("LWO2", b);
    }
};

// Two triangles over the unit square in x/y at z = 0, one surface textured by "skin.png"
// through the point map "uv".
inline LwoModelSpec TexturedSquare()
{
    LwoModelSpec s;
    s.points = {{{0, 0, 0}}, {{1, 0, 0}}, {{1, 1, 0}}, {{0, 1, 0}}};
    s.polygons = {{0, 1, 2}, {0, 2, 3}};
    s.clips = {"Textures:maps/skin.png"};
    LwoUvMap uv;
    uv.name = "uv";
    uv.entries = {{0, 0, 0.0f, 0.0f}, {1, 0, 1.0f, 0.0f}, {2, 0, 1.0f, 1.0f}, {3, 0, 0.0f, 0.25f}};
    s.maps.push_back(uv);
    return s;
}

// An 8-bit paletted picture (index = (x + y) % colours) saved as PNG; answers success.
inline bool WritePalettedPng(const std::string& path, u32 w, u32 h, u32 colors = 4, u8 tint = 0)
{
    FileRecord record(path.c_str());
    record.kind = kFileKindImage;
    record.format = kFileFormatPng;
    std::vector<u8> pixels(w * h);
    for (u32 y = 0; y < h; ++y)
        for (u32 x = 0; x < w; ++x) pixels[y * w + x] = u8((x + y) % colors);
    if (!record.image.Create(w, h, kImageIndexed, pixels.data())) return false;
    Rgb palette[256] = {};
    for (u32 i = 0; i < colors; ++i) palette[i] = {u8(10 + 60 * i), u8(200 - 40 * i + tint), u8(30 * i)};
    record.image.SetPalette(colors, palette);
    return record.Save() != 0;
}

// A 24-bit picture saved as PNG.
inline bool WriteRgbPng(const std::string& path, u32 w, u32 h)
{
    FileRecord record(path.c_str());
    record.kind = kFileKindImage;
    record.format = kFileFormatPng;
    std::vector<u8> pixels(w * h * 3);
    for (u32 i = 0; i < pixels.size(); ++i) pixels[i] = u8(i * 37);
    if (!record.image.Create(w, h, kImageRgb, pixels.data())) return false;
    return record.Save() != 0;
}
