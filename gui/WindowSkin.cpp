// The window system's link to the skin and the fonts: frame metrics, the base drawing of
// frames and backgrounds, and the windows' text operations.
#include "gui/Skin.h"
#include "gui/Text.h"
#include "gui/WindowSystemState.h"

Font* Window::GetFont() const { return font ? font : g_ws.defaultFont; }

s32 Window::DrawText(const Rect& r, u32 style, const char* text, u32 textFlags)
{
    Font* f = GetFont();
    if (!f || !text || !g_ws.useGL) return 0;
    return ::DrawText(f, text, style, textFlags, &r);
}

s32 Window::GetTextWidth(u32 style, const char* text, u32 textFlags)
{
    Font* f = GetFont();
    return f && text ? MeasureTextWidth(f, text, style, textFlags) : 0;
}

s32 Window::GetWrappedTextHeight(u32 style, const char* text, s32 width, u32 textFlags)
{
    Font* f = GetFont();
    return f && text ? MeasureTextHeight(f, text, style, textFlags, width) : 0;
}

s32 Window::GetLineHeight()
{
    Font* f = GetFont();
    return f ? GetFontHeight(f) + 2 : 0;
}

static void PaintBackground(const Rect& r, int dark)
{
    if (!g_ws.skin) return;
    if (dark)
        g_ws.skin->DrawDarkBackground(r);
    else
        g_ws.skin->DrawBackground(r);
}

static void PaintTitleBar(const Rect& r, int active)
{
    if (g_ws.skin) g_ws.skin->DrawTitleBar(r, active);
}

static void PaintText(Window* w, const Rect& r, const char* text, u32 textFlags, u32 color)
{
    SetColor(color);
    w->DrawText(r, 0, text, textFlags);
    SetColor(0xFFFFFFFF);
}

static void PaintFrame(const Rect& r, u32 mask)
{
    if (g_ws.skin) g_ws.skin->DrawFrame(r, mask);
}

static void PaintThinBorder(const Rect& r)
{
    if (g_ws.skin) g_ws.skin->DrawThinBorder(r);
}

static void PaintTitleButton(const Rect& r, u32 box, int pressed)
{
    if (g_ws.skin) g_ws.skin->DrawTitleButton(r, box, pressed);
}

static void PaintShadow(const Rect& r, int large)
{
    if (g_ws.skin) g_ws.skin->DrawShadow(r, large);
}

static void PaintSelection(const Rect& r, u32 flags)
{
    if (g_ws.skin) g_ws.skin->DrawSelection(r, flags);
}

static s32 TitleTextWidth(Window* w, const char* text) { return w->GetTextWidth(0, text, 0); }

void WindowSystem::SetSkin(Skin* skin)
{
    g_ws.skin = skin;
    if (!skin) return;
    Size button = Skin::GetTitleButtonSize();
    g_ws.metrics = WindowMetrics{Skin::GetBorderWidth(), Skin::GetThinBorderWidth(), Skin::GetTitleBarHeight(),
                                 button.width, button.height};
    g_ws.painter = FramePainter{PaintBackground, PaintTitleBar, PaintText,   PaintFrame,    PaintThinBorder,
                                PaintTitleButton, PaintShadow,  PaintSelection, TitleTextWidth};
}
