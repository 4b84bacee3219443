// Draws the splash image (a 24-bit BMP) and the window icon (a 48 x 48 RGBA PNG): the
// program's emblem, its name in DejaVu Sans Bold and a subtitle.
// Usage: make_splash <splash.bmp> <icon.png> <bold face> <plain face>
#include <cstdio>
#include <cstring>

#include "foundation/FileRecord.h"
#include "tools/Canvas.h"
#include "tools/OutlineFill.h"

namespace {

const Rgba kAccent = {82, 140, 230, 255};
const Rgba kAccentDark = {36, 70, 140, 255};
const Rgba kWhite = {255, 255, 255, 255};

// Blends text drawn from unhinted outlines at (x, baseline); answers the pen's end.
int DrawString(Canvas& c, FT_Face face, u32 pixels, const char* text, int x, int baseline, Rgba colour)
{
    if (FT_Set_Pixel_Sizes(face, 0, pixels) != 0) return x;
    s64 pen = s64(x) * 64;
    FT_UInt previous = 0;
    for (const char* p = text; *p; ++p) {
        FT_UInt index = FT_Get_Char_Index(face, u8(*p));
        if (previous && index && FT_HAS_KERNING(face)) {
            FT_Vector kern = {0, 0};
            if (FT_Get_Kerning(face, previous, index, FT_KERNING_UNFITTED, &kern) == 0) pen += kern.x;
        }
        previous = index;
        if (FT_Load_Glyph(face, index, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0) continue;
        FT_Outline_Translate(&face->glyph->outline, FT_Pos(pen & 63), 0);
        Coverage cov;
        if (FillOutline(face->glyph->outline, &cov)) {
            int ox = int(pen >> 6) + cov.left;
            int oy = baseline - cov.top;
            for (u32 v = 0; v < cov.height; ++v)
                for (u32 u = 0; u < cov.width; ++u) {
                    u8 a = cov.alpha[v * cov.width + u];
                    if (a) c.Blend(ox + int(u), oy + int(v), WithAlpha(colour, colour.a * a / 255));
                }
        }
        pen += face->glyph->advance.x;
    }
    return int(pen >> 6);
}

// The emblem: a hexagon ring around a bar and a stem (a stylised T), centre (cx, cy) and
// radius r in pixels, drawn in 1/8 pixel.
void DrawEmblem(Canvas& c, int cx, int cy, int r, Rgba ring, Rgba mark)
{
    auto hexagon = [&](int radius) {
        int h = radius * 866 / 1000;
        return std::vector<int>{(cx - radius) * 8, cy * 8,           (cx - radius / 2) * 8, (cy - h) * 8,
                                (cx + radius / 2) * 8, (cy - h) * 8, (cx + radius) * 8,     cy * 8,
                                (cx + radius / 2) * 8, (cy + h) * 8, (cx - radius / 2) * 8, (cy + h) * 8};
    };
    Canvas ringCanvas(c.Width(), c.Height());
    ringCanvas.Polygon(hexagon(r), ring);
    Canvas inner(c.Width(), c.Height());
    inner.Polygon(hexagon(r - r / 6 > 1 ? r - r / 6 : 1), kWhite);
    // Punch the inner hexagon out of the ring.
    for (int y = 0; y < c.Height(); ++y)
        for (int x = 0; x < c.Width(); ++x) {
            Rgba p = ringCanvas.Get(x, y);
            int keep = p.a * (255 - inner.Get(x, y).a) / 255;
            if (keep) c.Blend(x, y, WithAlpha(p, keep));
        }
    int bar = r / 5 > 1 ? r / 5 : 1;
    c.Polygon({(cx - r / 2) * 8, (cy - r / 2) * 8, (cx + r / 2) * 8, (cy - r / 2) * 8, (cx + r / 2) * 8,
               (cy - r / 2 + bar) * 8, (cx - r / 2) * 8, (cy - r / 2 + bar) * 8},
              mark);
    c.Polygon({(cx - bar / 2) * 8 - 4, (cy - r / 2) * 8, (cx + bar / 2) * 8 + 4, (cy - r / 2) * 8,
               (cx + bar / 2) * 8 + 4, (cy + r / 2) * 8, (cx - bar / 2) * 8 - 4, (cy + r / 2) * 8},
              mark);
}

int WriteImage(const char* path, u32 fileFormat, const Canvas& c, u32 imageFormat)
{
    FileRecord rec(path);
    rec.kind = kFileKindImage;
    rec.format = fileFormat;
    if (!rec.image.Create(u32(c.Width()), u32(c.Height()), imageFormat, nullptr)) return 0;
    u32 bpp = imageFormat == kImageRgb ? 3 : 4;
    for (int y = 0; y < c.Height(); ++y)
        for (int x = 0; x < c.Width(); ++x) {
            Rgba p = c.Get(x, y);
            u8* d = rec.image.pixels + (size_t(y) * c.Width() + x) * bpp;
            d[0] = p.r;
            d[1] = p.g;
            d[2] = p.b;
            if (bpp == 4) d[3] = p.a;
        }
    return rec.Save();
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 5) {
        fprintf(stderr, "usage: make_splash <splash.bmp> <icon.png> <bold face> <plain face>\n");
        return 2;
    }
    FT_Library lib;
    FT_Face bold = nullptr, plain = nullptr;
    if (FT_Init_FreeType(&lib) != 0 || FT_New_Face(lib, argv[3], 0, &bold) != 0 ||
        FT_New_Face(lib, argv[4], 0, &plain) != 0) {
        fprintf(stderr, "make_splash: cannot open the faces\n");
        return 1;
    }

    Canvas splash(480, 270);
    splash.VGradient(0, 0, 480, 270, {22, 28, 44, 255}, {44, 56, 86, 255});
    // Faint diagonal bands.
    for (int y = 0; y < 270; ++y)
        for (int x = 0; x < 480; ++x)
            if (((x + y) / 24) % 2 == 0) splash.Blend(x, y, {255, 255, 255, 6});
    splash.FillRect(0, 268, 480, 270, kAccent);
    DrawEmblem(splash, 110, 128, 70, kAccent, kWhite);
    DrawString(splash, bold, 72, "Tavik", 200, 142, kWhite);
    DrawString(splash, plain, 17, "Tag editor for Vorn", 204, 176, {190, 205, 230, 255});

    Canvas icon(48, 48);
    icon.Polygon({2 * 8, 0, 46 * 8, 0, 48 * 8, 2 * 8, 48 * 8, 46 * 8, 46 * 8, 48 * 8, 2 * 8, 48 * 8, 0, 46 * 8, 0, 2 * 8},
                 kAccentDark);
    Canvas face(48, 48);
    face.VGradient(0, 0, 48, 48, kAccent, kAccentDark);
    for (int y = 2; y < 46; ++y)
        for (int x = 2; x < 46; ++x) icon.Set(x, y, face.Get(x, y));
    DrawEmblem(icon, 24, 24, 20, kWhite, kWhite);

    int ok = WriteImage(argv[1], kFileFormatBmp, splash, kImageRgb) && WriteImage(argv[2], kFileFormatPng, icon, kImageRgba);
    if (!ok) fprintf(stderr, "make_splash: cannot write the images\n");
    FT_Done_Face(bold);
    FT_Done_Face(plain);
    FT_Done_FreeType(lib);
    return ok ? 0 : 1;
}
