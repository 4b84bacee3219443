// Draws Tavik's user-interface theme and writes it as a texture pack: every skin image 0 to
// 80, a dark theme for white text. Usage: make_texturepack <output file>
#include <cstdio>
#include <cstring>
#include <vector>

#include "foundation/SaveFile.h"
#include "gui/core/TexturePack.h"
#include "tools/Canvas.h"

namespace {

const Rgba kClear = {0, 0, 0, 0};
const Rgba kBlack = {0, 0, 0, 255};
const Rgba kWhite = {255, 255, 255, 255};
const Rgba kPanel = {58, 60, 67, 255};
const Rgba kMenu = {50, 52, 58, 255};
const Rgba kOutline = {18, 19, 22, 255};
const Rgba kLight = {122, 126, 138, 255};
const Rgba kMid = {88, 92, 102, 255};
const Rgba kDark = {36, 38, 43, 255};
const Rgba kFace = {92, 96, 108, 255};
const Rgba kFaceLow = {66, 69, 78, 255};
const Rgba kPressedTop = {44, 46, 52, 255};
const Rgba kPressedLow = {64, 67, 75, 255};
const Rgba kAccent = {82, 140, 230, 255};
const Rgba kGlyph = {236, 238, 242, 255};
const Rgba kGlyphOff = {120, 123, 130, 255};

std::vector<Canvas> g_images;

void Put(u32 id, const Canvas& c)
{
    if (g_images.size() <= id) g_images.resize(id + 1, Canvas(0, 0));
    g_images[id] = c;
}

// A deterministic grain so that large panels do not look flat.
int Grain(int x, int y)
{
    u32 v = u32(x) * 73856093u ^ u32(y) * 19349663u;
    v ^= v >> 13;
    v *= 0x5bd1e995u;
    v ^= v >> 15;
    return int(v % 5) - 2;
}

Canvas Panel(Rgba base)
{
    Canvas c(32, 32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            int g = Grain(x, y);
            c.Set(x, y, {u8(base.r + g), u8(base.g + g), u8(base.b + g), 255});
        }
    return c;
}

// Frame edge, border width 4: row 0 lies against the content, row 3 is the outside.
const Rgba kFrameRows[4] = {{40, 42, 48, 255}, {76, 80, 90, 255}, {104, 108, 120, 255}, {14, 15, 18, 255}};

Canvas FrameEdge()
{
    Canvas c(16, 4);
    for (int y = 0; y < 4; ++y) c.FillRect(0, y, 16, y + 1, kFrameRows[y]);
    return c;
}

// Top-left corner of the frame: ring k from the outside takes edge row 3 - k.
Canvas FrameCorner(bool rounded)
{
    Canvas c(4, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) c.Set(x, y, kFrameRows[3 - (x < y ? x : y)]);
    if (rounded) {
        c.Set(0, 0, kClear);
        c.Set(1, 0, kFrameRows[3]);
        c.Set(0, 1, kFrameRows[3]);
        c.Set(1, 1, kFrameRows[3]);
    }
    return c;
}

// Push button parts, 20 high: a rounded face with an outline and a top highlight.
Canvas ButtonPart(int width, int part, bool pressed)  // part 0 left, 1 middle, 2 right
{
    Canvas face(width, 20);
    face.VGradient(0, 0, width, 20, pressed ? kPressedTop : kFace, pressed ? kPressedLow : kFaceLow);
    Canvas c(width, 20);
    if (part == 1) {
        c = face;
        c.FillRect(0, 0, width, 1, kOutline);
        c.FillRect(0, 19, width, 20, kOutline);
        c.FillRect(0, 1, width, 2, pressed ? kDark : kLight);
        return c;
    }
    // Left cap drawn as a rounded end; the right cap is its mirror.
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < width; ++x) c.Set(x, y, face.Get(x, y));
    // Carve the corners: clear, then outline the rounded shape.
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < width; ++x) {
            int dx = x < 4 ? 4 - x : 0;
            int dy = y < 4 ? 4 - y : (y > 15 ? y - 15 : 0);
            int d2 = dx * dx + dy * dy;
            if (d2 > 16) c.Set(x, y, kClear);
            else if (d2 > 9 || x == 0 || y == 0 || y == 19) c.Set(x, y, kOutline);
            else if (y == 1 || (x == 1 && y < 10)) c.Set(x, y, pressed ? kDark : kLight);
        }
    return part == 0 ? c : c.FlipX();
}

Canvas TitleBar(bool active)
{
    Canvas c(16, 22);
    if (active)
        c.VGradient(0, 0, 16, 22, {78, 118, 190, 255}, {38, 66, 124, 255});
    else
        c.VGradient(0, 0, 16, 22, {92, 95, 104, 255}, {62, 64, 72, 255});
    c.FillRect(0, 0, 16, 1, active ? Rgba{120, 160, 225, 255} : Rgba{120, 124, 134, 255});
    c.FillRect(0, 21, 16, 22, kOutline);
    return c;
}

// Check box: a 12 x 12 box in a 16 x 16 image; the right and bottom 4 pixels stay clear for
// the shadow.
Canvas CheckBox(int state)
{
    Canvas c(16, 16);
    bool pressed = state >= 2;
    bool on = state == 1 || state == 2;
    c.VGradient(1, 1, 11, 11, pressed ? Rgba{30, 32, 36, 255} : Rgba{40, 42, 48, 255},
                pressed ? Rgba{44, 46, 52, 255} : Rgba{62, 65, 73, 255});
    c.Frame(0, 0, 12, 12, kOutline);
    if (on) {
        Rgba mark = pressed ? Rgba{170, 200, 240, 255} : Rgba{130, 185, 255, 255};
        c.Line(2 * 8 + 4, 6 * 8, 5 * 8, 9 * 8, 14, mark);
        c.Line(5 * 8, 9 * 8, 10 * 8 - 4, 3 * 8, 14, mark);
    }
    return c;
}

// Group frame: an etched line, dark outside and light inside.
const Rgba kEtchDark = {26, 27, 31, 255};
const Rgba kEtchLight = {96, 100, 110, 255};

Canvas EtchEdge()
{
    Canvas c(2, 8);
    c.FillRect(0, 0, 1, 8, kEtchDark);
    c.FillRect(1, 0, 2, 8, kEtchLight);
    return c;
}

// One corner (2 x 2) cut from an etched 4 x 4 box.
Canvas EtchCorner(int qx, int qy)
{
    Canvas box(4, 4);
    box.Frame(1, 1, 4, 4, kEtchLight);
    box.Frame(0, 0, 3, 3, kEtchDark);
    Canvas c(2, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x) c.Set(x, y, box.Get(qx * 2 + x, qy * 2 + y));
    return c;
}

// Triangle pointing down inside a size x size image, drawn from 1/8-pixel points.
void DownTriangle(Canvas& c, int cx8, int cy8, int half8, Rgba col)
{
    c.Polygon({cx8 - half8, cy8 - half8 / 2, cx8 + half8, cy8 - half8 / 2, cx8, cy8 + half8 / 2 + half8 / 4}, col);
}
void UpTriangle(Canvas& c, int cx8, int cy8, int half8, Rgba col)
{
    c.Polygon({cx8 - half8, cy8 + half8 / 2, cx8, cy8 - half8 / 2 - half8 / 4, cx8 + half8, cy8 + half8 / 2}, col);
}

// A 14 x 14 scroll-bar button; state 0 normal, 1 disabled, 2 pressed.
Canvas ArrowButton(bool up, int state)
{
    Canvas c(14, 14);
    bool pressed = state == 2;
    c.VGradient(0, 0, 14, 14, pressed ? kPressedTop : kFace, pressed ? kPressedLow : kFaceLow);
    c.Frame(0, 0, 14, 14, kOutline);
    if (!pressed) c.FillRect(1, 1, 13, 2, kLight);
    Rgba glyph = state == 1 ? kGlyphOff : kGlyph;
    int off = pressed ? 4 : 0;
    if (up)
        UpTriangle(c, 56 + off, 56 + off, 28, glyph);
    else
        DownTriangle(c, 56 + off, 56 + off, 28, glyph);
    return c;
}

// Vertical scroll track, 14 wide.
Canvas Track(bool enabled)
{
    Canvas c(14, 16);
    Rgba base = enabled ? Rgba{34, 35, 40, 255} : Rgba{48, 50, 55, 255};
    c.Fill(base);
    c.FillRect(0, 0, 1, 16, kOutline);
    c.FillRect(13, 0, 14, 16, kOutline);
    c.FillRect(1, 0, 2, 16, enabled ? Rgba{24, 25, 29, 255} : base);
    return c;
}

// Shadow edge for the right side: alpha falls off to the right. Windows draw their shadows
// with the colour left white by the drawing set-up, so the image itself must be dark.
int ShadowAlpha(int u, int s)
{
    int d = s - u;
    return 150 * d * d / (s * s);
}
Canvas ShadowEdge(int s)
{
    Canvas c(s, s);
    for (int y = 0; y < s; ++y)
        for (int u = 0; u < s; ++u) c.Set(u, y, WithAlpha(kBlack, ShadowAlpha(u, s)));
    return c;
}
// Top-right corner: the edge's fall-off, faded in from the top.
Canvas ShadowCorner(int s)
{
    Canvas c(s, s);
    for (int v = 0; v < s; ++v)
        for (int u = 0; u < s; ++u) c.Set(u, v, WithAlpha(kBlack, ShadowAlpha(u, s) * (v + 1) / s));
    return c;
}

// Title-bar boxes, 14 x 14: 0 close, 1 zoom, 2 collapse.
Canvas TitleButton(int box, bool pressed, bool dim = false)
{
    Canvas c(14, 14);
    c.Ring(56, 56, 54, 0, kOutline);
    Rgba top = pressed ? Rgba{40, 60, 100, 255} : Rgba{110, 140, 200, 255};
    Rgba low = {60, 90, 150, 255};
    if (box == 0) {
        top = pressed ? Rgba{120, 40, 34, 255} : Rgba{220, 110, 96, 255};
        low = pressed ? Rgba{160, 60, 50, 255} : Rgba{170, 60, 50, 255};
    }
    if (dim) {
        top = {110, 112, 120, 255};
        low = {80, 82, 90, 255};
    }
    Canvas face(14, 14);
    face.VGradient(0, 0, 14, 14, top, low);
    Canvas disc(14, 14);
    disc.Ring(56, 56, 46, 0, kWhite);
    for (int y = 0; y < 14; ++y)
        for (int x = 0; x < 14; ++x) {
            Rgba f = face.Get(x, y);
            c.Blend(x, y, f, disc.Get(x, y).a * 16 / 255);
        }
    Rgba g = dim ? kGlyphOff : kGlyph;
    if (box == 0) {
        c.Line(36, 36, 76, 76, 12, g);
        c.Line(76, 36, 36, 76, 12, g);
    } else if (box == 1) {
        c.Frame(4, 4, 10, 10, g);
        c.FillRect(4, 5, 10, 6, g);
    } else {
        c.FillRect(4, 6, 10, 8, g);
    }
    return c;
}

Canvas TabPart(int width, int part, bool active)  // part 0 left, 1 middle, 2 right
{
    Rgba top = active ? Rgba{92, 96, 108, 255} : Rgba{58, 60, 68, 255};
    Rgba low = active ? Rgba{62, 65, 73, 255} : Rgba{46, 48, 54, 255};
    Canvas c(width, 20);
    c.VGradient(0, 0, width, 20, top, low);
    if (part == 1) {
        c.FillRect(0, 0, width, 1, kOutline);
        c.FillRect(0, 1, width, 2, active ? kLight : kMid);
        return c;
    }
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < width; ++x) {
            int dx = x < 4 ? 4 - x : 0;
            int dy = y < 4 ? 4 - y : 0;
            int d2 = dx * dx + dy * dy;
            if (d2 > 16) c.Set(x, y, kClear);
            else if (d2 > 9 || x == 0 || y == 0) c.Set(x, y, kOutline);
            else if (y == 1 || x == 1) c.Set(x, y, active ? kLight : kMid);
        }
    return part == 0 ? c : c.FlipX();
}

// Scroll thumb parts for a vertical thumb 14 wide.
Rgba ThumbColor(int x, bool pressed)
{
    Rgba a = pressed ? Rgba{70, 110, 180, 255} : Rgba{104, 108, 122, 255};
    Rgba b = pressed ? Rgba{50, 84, 150, 255} : Rgba{76, 80, 92, 255};
    return Mix(a, b, x, 13);
}
Canvas ThumbBody(bool pressed)
{
    Canvas c(14, 8);
    for (int x = 2; x < 12; ++x) c.FillRect(x, 0, x + 1, 8, ThumbColor(x, pressed));
    c.FillRect(1, 0, 2, 8, kOutline);
    c.FillRect(12, 0, 13, 8, kOutline);
    return c;
}
Canvas ThumbEnd(bool first, bool pressed)
{
    Canvas c = ThumbBody(pressed);
    Canvas e(14, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 14; ++x) e.Set(x, y, c.Get(x, y));
    // Round the end: the outline turns across at the first row.
    e.FillRect(0, 0, 14, 4, kClear);
    for (int y = 0; y < 4; ++y)
        for (int x = 1; x < 13; ++x) {
            int dx = x < 4 ? 4 - x : (x > 9 ? x - 9 : 0);
            int dy = 4 - y;
            int d2 = dx * dx + dy * dy;
            if (d2 > 16) continue;
            e.Set(x, y, (d2 > 9 || x == 1 || x == 12) ? kOutline : ThumbColor(x, pressed));
        }
    return first ? e : e.FlipY();
}
Canvas ThumbGrip(bool pressed)
{
    Canvas c(14, 14);
    for (int y = 0; y < 14; ++y)
        for (int x = 0; x < 14; ++x) c.Set(x, y, ThumbBody(pressed).Get(x, y % 8));
    for (int k = 0; k < 3; ++k) {
        int y = 4 + k * 3;
        c.FillRect(4, y, 10, y + 1, pressed ? Rgba{30, 50, 100, 255} : kDark);
        c.FillRect(4, y + 1, 10, y + 2, pressed ? Rgba{140, 180, 240, 255} : kLight);
    }
    return c;
}

// 15 x 15 icons of the 3D view's buttons: 0 pan, 1 rotate, 2 zoom; state 0 normal, 1
// disabled, 2 pressed.
Canvas ViewIcon(int kind, int state)
{
    Canvas c(15, 15);
    bool pressed = state == 2;
    c.VGradient(0, 0, 15, 15, pressed ? kPressedTop : kFace, pressed ? kPressedLow : kFaceLow);
    c.Frame(0, 0, 15, 15, kOutline);
    Rgba g = state == 1 ? kGlyphOff : pressed ? Rgba{170, 205, 255, 255} : kGlyph;
    const int m = 60;  // centre in 1/8 pixel
    if (kind == 0) {
        c.Line(m, 20, m, 100, 10, g);
        c.Line(20, m, 100, m, 10, g);
        c.Polygon({m, 12, m - 16, 30, m + 16, 30}, g);
        c.Polygon({m, 108, m - 16, 90, m + 16, 90}, g);
        c.Polygon({12, m, 30, m - 16, 30, m + 16}, g);
        c.Polygon({108, m, 90, m - 16, 90, m + 16}, g);
    } else if (kind == 1) {
        c.Ring(m, m, 40, 29, g);
        c.FillRect(8, 2, 13, 7, c.Get(2, 2));  // open the ring at the top right
        c.Polygon({m + 6, 8, m + 30, 20, m + 6, 38}, g);
    } else {
        c.Ring(52, 52, 34, 24, g);
        c.Line(76, 76, 104, 104, 16, g);
        c.FillRect(5, 6, 8, 7, g);
        c.FillRect(6, 5, 7, 8, g);
    }
    return c;
}

// Small icons for the ids that are looked up but not drawn by any part.
Canvas SpareIcon(int kind)
{
    Canvas c(16, 16);
    Rgba g = kGlyph;
    switch (kind) {
    case 0:  // document
        c.FillRect(3, 1, 13, 15, {200, 204, 212, 255});
        c.Frame(3, 1, 13, 15, kOutline);
        for (int y = 4; y < 13; y += 2) c.FillRect(5, y, 11, y + 1, kMid);
        break;
    case 1:  // folder
        c.FillRect(1, 4, 15, 14, {200, 170, 90, 255});
        c.FillRect(1, 2, 7, 4, {200, 170, 90, 255});
        c.Frame(1, 4, 15, 14, kOutline);
        break;
    case 2:  // dot
        c.Ring(64, 64, 40, 0, kAccent);
        break;
    case 3:  // plus
        c.FillRect(7, 3, 9, 13, g);
        c.FillRect(3, 7, 13, 9, g);
        break;
    default:  // minus
        c.FillRect(3, 7, 13, 9, g);
        break;
    }
    return c;
}

void DrawTheme()
{
    Put(0, Panel(kPanel));
    Put(1, FrameEdge());
    Canvas thin(8, 1);
    thin.Fill(kOutline);
    Put(2, thin);
    Canvas thinCorner(1, 1);
    thinCorner.Fill(kOutline);
    Put(3, thinCorner);
    Put(4, ButtonPart(8, 1, false));
    Put(5, ButtonPart(8, 1, true));
    Put(6, ButtonPart(6, 0, false));
    Put(7, ButtonPart(6, 0, true));
    Put(8, ButtonPart(6, 2, false));
    Put(9, ButtonPart(6, 2, true));
    Put(10, TitleBar(true));
    Put(11, TitleBar(false));
    for (int s = 0; s < 4; ++s) Put(12 + s, CheckBox(s));
    Put(16, FrameCorner(true));
    Put(17, FrameCorner(false));
    Put(18, EtchEdge());
    Put(19, EtchEdge());
    Put(20, EtchCorner(1, 0));
    Put(21, EtchCorner(0, 0));
    Put(22, EtchCorner(1, 1));
    Put(23, EtchCorner(0, 1));
    Put(24, SpareIcon(0));
    Canvas tree(16, 16);
    DownTriangle(tree, 64, 64, 32, kGlyph);
    Put(25, tree);
    Put(26, Panel(kMenu));
    Canvas sub(8, 8);
    sub.Polygon({16, 4, 56, 32, 16, 60}, kGlyph);
    Put(27, sub);
    Put(28, ViewIcon(0, 0));
    Put(29, ViewIcon(0, 1));
    Put(30, ViewIcon(0, 2));
    Put(31, SpareIcon(1));
    Put(32, SpareIcon(2));
    Put(33, SpareIcon(3));
    Put(34, SpareIcon(4));
    Put(35, ViewIcon(1, 0));
    Put(36, ViewIcon(1, 1));
    Put(37, ViewIcon(1, 2));
    Put(38, Track(true));
    Put(39, Track(false));
    Put(40, ArrowButton(true, 0));
    Put(41, ArrowButton(true, 1));
    Put(42, ArrowButton(true, 2));
    Put(43, ArrowButton(false, 0));
    Put(44, ArrowButton(false, 1));
    Put(45, ArrowButton(false, 2));
    Put(46, ShadowEdge(16));
    Put(47, ShadowEdge(8));
    Put(48, ShadowCorner(16));
    Put(49, ShadowCorner(8));
    Put(50, ShadowEdge(12));
    Put(51, ShadowCorner(12));
    Put(52, TitleButton(0, false));
    Put(53, TitleButton(0, false, true));
    Put(54, TitleButton(0, true));
    Put(55, TitleButton(2, false, true));
    Put(56, TitleButton(1, false, true));
    Put(57, TitleButton(0, true, true));
    Put(58, TitleButton(2, false));
    Put(59, TitleButton(2, true, true));
    Put(60, TitleButton(2, true));
    Put(61, TitleButton(1, false));
    Put(62, TitleButton(1, true, true));
    Put(63, TitleButton(1, true));
    Put(64, TabPart(8, 1, false));
    Put(65, TabPart(8, 1, true));
    Put(66, TabPart(6, 0, false));
    Put(67, TabPart(6, 0, true));
    Put(68, TabPart(6, 2, false));
    Put(69, TabPart(6, 2, true));
    Put(70, ThumbGrip(false));
    Put(71, ThumbBody(false));
    Put(72, ThumbBody(true));
    Put(73, ThumbGrip(true));
    Put(74, ThumbEnd(true, false));
    Put(75, ThumbEnd(true, true));
    Put(76, ThumbEnd(false, false));
    Put(77, ThumbEnd(false, true));
    Put(78, ViewIcon(2, 0));
    Put(79, ViewIcon(2, 1));
    Put(80, ViewIcon(2, 2));
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: make_texturepack <output file>\n");
        return 2;
    }
    DrawTheme();
    TexturePack* pack = NewTexturePack();
    for (u32 id = 0; id < g_images.size(); ++id) {
        const Canvas& c = g_images[id];
        if (c.Width() == 0 || !AddPackImage(pack, id, u32(c.Width()), u32(c.Height()), c.Pixels())) {
            fprintf(stderr, "make_texturepack: image %u is missing\n", id);
            return 1;
        }
    }
    SaveFile save;
    if (!save.Begin(argv[1]) || !WritePackImages(pack, save.Stream()) || !save.Commit()) {
        fprintf(stderr, "make_texturepack: cannot write %s\n", argv[1]);
        FreeTexturePack(pack);
        return 1;
    }
    FreeTexturePack(pack);
    return 0;
}
