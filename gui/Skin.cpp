// Drawing the skin's parts from the texture pack.
#include "gui/Skin.h"

#include <GL/gl.h>
#include <cstdio>
#include <cstdlib>

#include "foundation/Log.h"
#include "gui/PackTextures.h"

namespace {

Size ImageSize(u32 n)
{
    Size s = {0, 0};
    GetPackImageSize(GetSkinImage(n), &s.width, &s.height);
    return s;
}

void Queue(u32 n, s32 x, s32 y, s32 w, s32 h, u32 flags)
{
    PackImage* image = GetSkinImage(n);
    if (image && w > 0 && h > 0) DrawPackImage(GetSkinPack(), image, x, y, w, h, flags);
}

// At natural size.
void QueueNatural(u32 n, s32 x, s32 y, u32 flags)
{
    Size s = ImageSize(n);
    // A turned image covers its height across and its width down.
    if (flags & kDrawTurn) Queue(n, x, y, s.height, s.width, flags);
    else Queue(n, x, y, s.width, s.height, flags);
}

void White() { glColor4ub(255, 255, 255, 255); }

}  // namespace

void SetColor(u32 rgba) { glColor4ub(u8(rgba), u8(rgba >> 8), u8(rgba >> 16), u8(rgba >> 24)); }

void FillRect(const Rect& r)
{
    if (r.IsEmpty()) return;
    glBegin(GL_QUADS);
    glVertex2i(r.left, r.top);
    glVertex2i(r.right, r.top);
    glVertex2i(r.right, r.bottom);
    glVertex2i(r.left, r.bottom);
    glEnd();
}

void DrawRectOutline(const Rect& rect, s32 w, int shift)
{
    Rect r = rect;
    if (shift) {
        r.left -= w / 2;
        r.top -= w / 2;
        r.right -= w / 2;
        r.bottom -= w / 2;
    }
    FillRect({r.left, r.top, r.right, r.top + w});
    FillRect({r.left, r.bottom - w, r.right, r.bottom});
    FillRect({r.left, r.top + w, r.left + w, r.bottom - w});
    FillRect({r.right - w, r.top + w, r.right, r.bottom - w});
}

Skin::Skin(const char* path)
{
    TexturePack* pack = NewTexturePack();
    // Nothing can be drawn without the pack, not even a message box: say why where a user
    // starting the program from a shell sees it, and stop with a failure code.
    if (!pack || !LoadTexturePack(pack, path)) {
        fprintf(stderr, "Tavik: the texture pack \"%s\" could not be read (improper installation?); quitting.\n", path);
        exit(2);
    }
    if (!BuildPackTextures(pack)) LogMessage(1, "Skin", "Some images of %s did not fit on a texture page.", path);
    FreePackPixels(pack);
    InstallSkinPack(pack);
}

Skin::~Skin()
{
    FlushPackDraws(0);
    InstallSkinPack(nullptr);
}

void Skin::DrawImage(u32 n, s32 x, s32 y, u32 drawFlags) { QueueNatural(n, x, y, drawFlags); }

void Skin::DrawIcon(u32 n, s32 x, s32 y)
{
    White();
    QueueNatural(n, x, y, 0);
    FlushPackDraws(1);
}

void Skin::SetHighlightColor(int active, int strong)
{
    u8 a = strong ? 192 : 128;
    if (active) glColor4ub(0, 64, 192, a);
    else glColor4ub(192, 192, 192, a);
}

void Skin::SetTextColor(int inverse)
{
    if (inverse) glColor4ub(0, 0, 0, 255);
    else White();
}

void Skin::DrawBackground(const Rect& r)
{
    White();
    Queue(0, r.left, r.top, r.Width(), r.Height(), 0);
    FlushPackDraws(0);
}

void Skin::DrawDarkBackground(const Rect& r)
{
    glColor4ub(96, 96, 96, 255);
    Queue(0, r.left, r.top, r.Width(), r.Height(), 0);
    FlushPackDraws(0);
    White();
}

void Skin::DrawMenuBackground(const Rect& r)
{
    White();
    Queue(26, r.left, r.top, r.Width(), r.Height(), 0);
    FlushPackDraws(0);
}

void Skin::DrawFrame(const Rect& r, u32 mask)
{
    White();
    s32 e = ImageSize(1).height;
    if (mask & 2) Queue(1, r.left, r.top, r.Width(), e, kDrawMirrorY);
    if (mask & 8) Queue(1, r.left, r.bottom - e, r.Width(), e, 0);
    if (mask & 1) Queue(1, r.left, r.top, e, r.Height(), kDrawTurn | kDrawMirrorY);
    if (mask & 4) Queue(1, r.right - e, r.top, e, r.Height(), kDrawTurn | kDrawMirrorX);
    FlushPackDraws(0);
    // Corner k: top-left, top-right, bottom-right, bottom-left.
    static const u32 kFlags[4] = {0, kDrawMirrorX, kDrawMirrorX | kDrawMirrorY, kDrawMirrorY};
    for (u32 k = 0; k < 4; ++k) {
        u32 n = (mask & (16u << k)) ? 16 : (mask & (0x100u << k)) ? 17 : 0;
        if (!n) continue;
        Size s = ImageSize(n);
        s32 x = (k == 1 || k == 2) ? r.right - s.width : r.left;
        s32 y = (k >= 2) ? r.bottom - s.height : r.top;
        Queue(n, x, y, s.width, s.height, kFlags[k]);
    }
    FlushPackDraws(1);
}

void Skin::DrawThinBorder(const Rect& r)
{
    White();
    s32 e = ImageSize(2).height;
    Queue(2, r.left, r.top, r.Width(), e, kDrawMirrorY);
    Queue(2, r.left, r.bottom - e, r.Width(), e, 0);
    Queue(2, r.left, r.top, e, r.Height(), kDrawTurn | kDrawMirrorY);
    Queue(2, r.right - e, r.top, e, r.Height(), kDrawTurn | kDrawMirrorX);
    FlushPackDraws(0);
    Size s = ImageSize(3);
    Queue(3, r.left, r.top, s.width, s.height, 0);
    Queue(3, r.right - s.width, r.top, s.width, s.height, kDrawMirrorX);
    Queue(3, r.right - s.width, r.bottom - s.height, s.width, s.height, kDrawMirrorX | kDrawMirrorY);
    Queue(3, r.left, r.bottom - s.height, s.width, s.height, kDrawMirrorY);
    FlushPackDraws(1);
}

void Skin::DrawShadow(const Rect& r, int large)
{
    s32 s = large ? 16 : 8;
    u32 corner = large ? 48 : 49;
    u32 edge = large ? 46 : 47;
    Queue(corner, r.right, r.top, s, s, 0);
    Queue(edge, r.right, r.top + s, s, r.bottom - (r.top + s), kDrawStretch);
    Queue(corner, r.right, r.bottom, s, s, kDrawTurn);
    Queue(edge, r.left + s, r.bottom, r.right - (r.left + s), s, kDrawStretch | kDrawTurn);
    Queue(corner, r.left, r.bottom, s, s, kDrawMirrorX | kDrawMirrorY);
    FlushPackDraws(1);
}

void Skin::DrawTitleBar(const Rect& r, int active)
{
    Queue(active ? 10 : 11, r.left, r.top, r.Width(), r.Height(), 0);
    FlushPackDraws(0);
}

void Skin::DrawTitleButton(const Rect& r, u32 box, int pressed)
{
    static const u32 kImages[3][2] = {{52, 54}, {61, 63}, {58, 60}};
    if (box > 2) return;
    Queue(kImages[box][pressed ? 1 : 0], r.left, r.top, r.Width(), r.Height(), 0);
}

void Skin::DrawButton(const Rect& r, int pressed)
{
    Size left = ImageSize(pressed ? 7 : 6);
    Size right = ImageSize(pressed ? 9 : 8);
    s32 h = left.height;
    Queue(pressed ? 7 : 6, r.left, r.top, left.width, h, 0);
    Queue(pressed ? 5 : 4, r.left + left.width, r.top, r.right - right.width - (r.left + left.width), h, 0);
    Queue(pressed ? 9 : 8, r.right - right.width, r.top, right.width, h, 0);
    FlushPackDraws(1);
}

void Skin::DrawCheckBox(const Rect& r, u32 state)
{
    DrawShadow({r.left, r.top, r.right - 4, r.bottom - 4}, 0);
    Queue(12 + (state & 3), r.left, r.top, r.Width(), r.Height(), 0);
    FlushPackDraws(1);
}

void Skin::DrawTab(const Rect& r, int active)
{
    Size left = ImageSize(active ? 67 : 66);
    Size right = ImageSize(active ? 69 : 68);
    Queue(active ? 67 : 66, r.left, r.top, left.width, left.height, 0);
    Queue(active ? 65 : 64, r.left + left.width, r.top, r.right - right.width - (r.left + left.width),
          left.height - r.top, 0);
    Queue(active ? 69 : 68, r.right - right.width, r.top, right.width, right.height, 0);
    FlushPackDraws(1);
}

void Skin::DrawGroupFrame(const Rect& r)
{
    s32 w = ImageSize(20).width;
    s32 topH = ImageSize(21).height;
    s32 bottomH = ImageSize(23).height;
    Queue(21, r.left, r.top, w, topH, 0);
    Queue(20, r.right - w, r.top, w, topH, 0);
    Queue(22, r.right - w, r.bottom - bottomH, w, bottomH, 0);
    Queue(23, r.left, r.bottom - bottomH, w, bottomH, 0);
    s32 edge19 = ImageSize(19).width;
    s32 edge18 = ImageSize(18).width;
    Queue(19, r.left + w, r.top, r.Width() - 2 * w, edge19, kDrawStretch | kDrawTurn);
    Queue(18, r.right - edge18, r.top + topH, edge18, r.Height() - topH - bottomH, kDrawStretch);
    Queue(18, r.left + w, r.bottom - edge18, r.Width() - 2 * w, edge18, kDrawStretch | kDrawTurn);
    Queue(19, r.left, r.top + topH, edge19, r.Height() - topH - bottomH, kDrawStretch);
    FlushPackDraws(1);
}

void Skin::DrawScrollTrack(const Rect& r, int horizontal, int firstPressed, int secondPressed, int enabled)
{
    Size arrow = ImageSize(40);
    u32 track = enabled ? 38 : 39;
    u32 first = !enabled ? 41 : firstPressed ? 42 : 40;
    u32 second = !enabled ? 44 : secondPressed ? 45 : 43;
    if (horizontal) {
        s32 thickness = ImageSize(track).width;
        Queue(track, r.left + arrow.width, r.top, r.Width() - 2 * arrow.width, thickness, kDrawTurn);
        Queue(first, r.left, r.top, arrow.height, arrow.width, kDrawTurn | kDrawMirrorX);
        Queue(second, r.right - arrow.width, r.top, arrow.height, arrow.width, kDrawTurn | kDrawMirrorX);
    } else {
        s32 trackWidth = ImageSize(track).width;
        Queue(track, r.left, r.top + arrow.height, r.Width(), r.Height() - 2 * arrow.height, 0);
        s32 x = r.left - arrow.width + trackWidth;
        Queue(first, x, r.top, arrow.width, arrow.height, 0);
        Queue(second, x, r.bottom - arrow.height, arrow.width, arrow.height, 0);
    }
    FlushPackDraws(0);
}

void Skin::DrawScrollThumb(const Rect& r, int horizontal, int pressed)
{
    u32 body = pressed ? 72 : 71, grip = pressed ? 73 : 70;
    u32 first = pressed ? 75 : 74, second = pressed ? 77 : 76;
    if (horizontal) {
        const u32 f = kDrawTurn | kDrawMirrorX;
        s32 thick = r.Height();
        Queue(body, r.left, r.top, r.Width(), thick, f);
        Queue(grip, (r.left + r.right) / 2 - 7, r.top, 14, thick, f);
        Queue(first, r.left, r.top, 4, thick, f);
        Queue(second, r.right - 4, r.top, 4, thick, f);
    } else {
        s32 thick = r.Width();
        Queue(body, r.left, r.top, thick, r.Height(), 0);
        Queue(grip, r.left, (r.top + r.bottom) / 2 - 7, thick, 14, 0);
        Queue(first, r.left, r.top, thick, 4, 0);
        Queue(second, r.left, r.bottom - 4, thick, 4, 0);
    }
    FlushPackDraws(0);
}

void Skin::DrawDropdownArrow(int enabled, int pressed, s32 x, s32 y)
{
    Size arrow = ImageSize(40);
    Queue(!enabled ? 44 : pressed ? 45 : 43, x, y, arrow.width - 1, arrow.height - 1, 0);
    FlushPackDraws(1);
}

void Skin::DrawSubmenuArrow(const Rect& r)
{
    Size s = ImageSize(27);
    Queue(27, r.left + (r.Width() - s.width) / 2, r.top + (r.Height() - s.height) / 2, s.width, s.height, 0);
    FlushPackDraws(1);
}

void Skin::DrawTreeArrow(const Rect& r, int expanded)
{
    Size s = ImageSize(25);
    if (expanded) {
        Queue(25, r.left + (r.Width() - s.width) / 2, r.top + (r.Height() - s.height) / 2, s.width, s.height, 0);
    } else {
        Queue(25, r.left + (r.Width() - s.height) / 2, r.top + (r.Height() - s.width) / 2, s.height, s.width,
              kDrawTurn);
    }
    FlushPackDraws(0);
}

void Skin::DrawSelection(const Rect& r, u32 flags)
{
    bool active = (flags & 1) != 0;
    u8 c[3] = {u8(active ? 0 : 192), u8(active ? 64 : 192), 192};
    if (flags & 2) {
        Rect fill = r;
        if (flags & 4) fill = {r.left + 2, r.top + 2, r.right - 2, r.bottom - 2};
        glColor4ub(c[0], c[1], c[2], 128);
        FillRect(fill);
    }
    if (flags & 4) {
        glColor4ub(c[0], c[1], c[2], 192);
        DrawRectOutline(r, 2, 0);
    }
    White();
}

void Skin::DrawRubberBand(const Rect& r)
{
    glColor4ub(255, 255, 255, 96);
    FillRect(r);
    White();
    glBegin(GL_LINE_LOOP);
    glVertex2f(r.left + 0.375f, r.top + 0.375f);
    glVertex2f(r.right + 0.375f, r.top + 0.375f);
    glVertex2f(r.right + 0.375f, r.bottom + 0.375f);
    glVertex2f(r.left + 0.375f, r.bottom + 0.375f);
    glEnd();
    White();
}
