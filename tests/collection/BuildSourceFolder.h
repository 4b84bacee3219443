#pragma once
// Writes small source folders for the collection builders: paletted colour images, grey alpha
// images and script files, in BMP, PNG or TIFF.
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "foundation/FileRecord.h"

// An indexed image of w x h pixels at index fill, with a w' x h' box of index ink at (x, y);
// 16 palette entries, tinted by hue so that images of different hues differ in palette.
struct SourceImage {
    u32 width = 8, height = 8;
    u8 fill = 0, ink = 5;
    u32 boxX = 0, boxY = 0, boxW = 8, boxH = 8;
    u8 hue = 0;
};

inline bool WriteIndexedImage(const std::string& path, const SourceImage& s, u32 format = kFileFormatBmp)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    FileRecord r(path.c_str());
    r.kind = kFileKindImage;
    r.format = format;
    std::vector<u8> pixels(size_t(s.width) * s.height, s.fill);
    for (u32 y = s.boxY; y < s.boxY + s.boxH && y < s.height; ++y)
        for (u32 x = s.boxX; x < s.boxX + s.boxW && x < s.width; ++x) pixels[size_t(y) * s.width + x] = s.ink;
    Rgb palette[16];
    for (u32 i = 0; i < 16; ++i) palette[i] = Rgb{u8(i * 16), u8(s.hue + i * 4), u8(255 - i * 8)};
    if (!r.image.Create(s.width, s.height, kImageIndexed, pixels.data()) || !r.image.SetPalette(16, palette))
        return false;
    return r.Save() != 0;
}

// A grey image whose pixels are value inside the box and 0 outside.
inline bool WriteAlphaImage(const std::string& path, const SourceImage& s, u8 value, u32 format = kFileFormatBmp)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    FileRecord r(path.c_str());
    r.kind = kFileKindImage;
    r.format = format;
    std::vector<u8> pixels(size_t(s.width) * s.height, 0);
    for (u32 y = s.boxY; y < s.boxY + s.boxH && y < s.height; ++y)
        for (u32 x = s.boxX; x < s.boxX + s.boxW && x < s.width; ++x) pixels[size_t(y) * s.width + x] = value;
    if (!r.image.Create(s.width, s.height, kImageAlpha, pixels.data())) return false;
    return r.Save() != 0;
}

inline void WriteText(const std::string& path, const std::string& text)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
}
