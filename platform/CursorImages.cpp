// The program's own cursor images, for the shapes the windowing library does not have: the
// open and grabbing hands (plain and half dark), the two diagonal resize arrows and "not
// allowed". 32 x 32 RGBA, drawn at start-up from small pictures so that no resource file is
// needed.
#include <cmath>
#include <cstring>

#include "platform/Clipboard.h"
#include "platform/OsReal.h"

namespace {

// 16 x 16 outlines drawn at twice the size: 'X' outline, '.' outside or inside (the inside is
// what the outside cannot reach).
const char* const kOpenHand[16] = {
    ".......XX.......", "...XX.X..XXX....", "..X..XX..X..X...", "..X..XX..X..X.X.",
    "...X..X..X..XX.X", "...X..X..X..X..X", ".XX.X........X.X", "X..XX..........X",
    "X...X.........X.", ".X............X.", "..X...........X.", "..X..........X..",
    "...X.........X..", "....X.......X...", ".....X......X...", ".....XXXXXXXX...",
};
const char* const kClosedHand[16] = {
    "................", "................", "................", "....XX.XX.XX....",
    "...X..X..X..XX..", "...X.........XX.", "....X..........X", "...XX..........X",
    "..X............X", "..X...........X.", "..X...........X.", "...X.........X..",
    "....X........X..", ".....X......X...", ".....XXXXXXXX...", "................",
};

void Put(u8* rgba, int x, int y, u8 r, u8 g, u8 b)
{
    if (x < 0 || y < 0 || x >= 32 || y >= 32) return;
    u8* p = rgba + (y * 32 + x) * 4;
    p[0] = r;
    p[1] = g;
    p[2] = b;
    p[3] = 255;
}

void DrawHand(u8* rgba, const char* const art[16], u8 fill)
{
    // Mark the outside by flooding from the border.
    int outside[16][16] = {};
    bool changed = true;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            if ((x == 0 || y == 0 || x == 15 || y == 15) && art[y][x] != 'X') outside[y][x] = 1;
    while (changed) {
        changed = false;
        for (int y = 1; y < 15; ++y)
            for (int x = 1; x < 15; ++x)
                if (!outside[y][x] && art[y][x] != 'X' &&
                    (outside[y - 1][x] || outside[y + 1][x] || outside[y][x - 1] || outside[y][x + 1])) {
                    outside[y][x] = 1;
                    changed = true;
                }
    }
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            if (outside[y][x]) continue;
            u8 v = art[y][x] == 'X' ? 0 : fill;
            for (int dy = 0; dy < 2; ++dy)
                for (int dx = 0; dx < 2; ++dx) Put(rgba, 2 * x + dx, 2 * y + dy, v, v, v);
        }
}

void DrawDiagonal(u8* rgba, bool mirror)
{
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            int d = x - y;
            bool shaft = d >= -1 && d <= 1 && x >= 6 && x <= 25;
            bool headA = x >= 4 && y >= 4 && x + y <= 17;
            bool headB = x <= 27 && y <= 27 && x + y >= 45;
            if (shaft || headA || headB) Put(rgba, mirror ? 31 - x : x, y, 0, 0, 0);
        }
}

void DrawNotAllowed(u8* rgba)
{
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            double dx = x - 15.5, dy = y - 15.5;
            double r = sqrt(dx * dx + dy * dy);
            bool ring = r >= 9.5 && r <= 12.5;
            bool bar = r < 10 && fabs(dx - dy) <= 2.2;
            if (ring || bar) Put(rgba, x, y, 200, 0, 0);
        }
}

// A white rim around every drawn pixel keeps the cursor visible on dark backgrounds.
void AddRim(u8* rgba)
{
    static u8 copy[32 * 32 * 4];
    memcpy(copy, rgba, sizeof copy);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            if (copy[(y * 32 + x) * 4 + 3]) continue;
            bool near = false;
            for (int dy = -1; dy <= 1 && !near; ++dy)
                for (int dx = -1; dx <= 1 && !near; ++dx) {
                    int nx = x + dx, ny = y + dy;
                    if (nx >= 0 && ny >= 0 && nx < 32 && ny < 32 && copy[(ny * 32 + nx) * 4 + 3]) near = true;
                }
            if (near) Put(rgba, x, y, 255, 255, 255);
        }
}

}  // namespace

int OsCursorImage(int kind, u8* rgba, int* hotX, int* hotY)
{
    memset(rgba, 0, 32 * 32 * 4);
    *hotX = 16;
    *hotY = 16;
    switch (kind) {
    case CURSOR_HAND:
    case CURSOR_HAND_DRAG:
        DrawHand(rgba, kOpenHand, 255);
        break;
    case CURSOR_GRAB: DrawHand(rgba, kClosedHand, 255); break;
    case CURSOR_HAND_DARK: DrawHand(rgba, kOpenHand, 128); break;
    case CURSOR_GRAB_DARK: DrawHand(rgba, kClosedHand, 128); break;
    case CURSOR_RESIZE_NWSE: DrawDiagonal(rgba, false); AddRim(rgba); return 1;
    case CURSOR_RESIZE_NESW: DrawDiagonal(rgba, true); AddRim(rgba); return 1;
    case CURSOR_NO:
    case CURSOR_NO_DROP: DrawNotAllowed(rgba); AddRim(rgba); return 1;
    default: return 0;
    }
    *hotX = 8;
    *hotY = 8;
    return 1;
}
