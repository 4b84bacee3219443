#include "collection/ui/ColorBar.h"

#include <initializer_list>

#include "collection/HueEditing.h"
#include "foundation/ColorSpace.h"
#include "gui/Skin.h"
#include "gui/WindowSystem.h"
#include "platform/Clipboard.h"

ColorBar::ColorBar(Window* parent, HueChange* h)
    : Window(WF_VISIBLE | WF_ENABLED | WF_THICKFRAME, parent), grabbed(kHueMarkerNone), hueChange(h)
{
    SetContentSize(kWidth, kHeight);
}

ColorBar::~ColorBar() {}

const char* ColorBar::GetClassName() const { return "Window"; }

void ColorBar::DrawContent()
{
    BeginDraw(1, 0);
    const s32 h = GetContentRect().Height();
    for (s32 x = 0; x < kWidth; ++x) {
        u8 hsv[3] = {u8(x * 256 / 360), 255, 255};
        u8 rgba[4];
        HsvToRgb8(hsv, rgba);
        SetColor(u32(rgba[0]) | u32(rgba[1]) << 8 | u32(rgba[2]) << 16 | 0xFF000000u);
        FillRect(Rect{x, 0, x + 1, h});
    }
    if (hueChange) {
        const s32 start = s32(HueToDegrees(hueChange->hueStart));
        const s32 median = s32(HueToDegrees(hueChange->medianHue));
        const s32 end = s32(HueToDegrees(hueChange->hueEnd));
        SetColor(0xFF181818u);
        for (s32 x : {start, median, end}) FillRect(Rect{x, 0, x + 1, h});
        FillRect(Rect{median - 1, 8, median + 2, h - 8});
        auto outline = [&](s32 from, s32 to) {
            FillRect(Rect{from, 0, to, 1});
            FillRect(Rect{from, h - 1, to, h});
        };
        if (start > end) {
            outline(0, end);
            outline(start, kWidth);
        } else {
            outline(start, end);
        }
        // Rows 7, 5, 3 and 1 pixels wide: hanging from the top at the start, standing on the
        // bottom at the end.
        for (s32 row = 0; row < 4; ++row) {
            s32 half = 3 - row;
            FillRect(Rect{start - half, row, start + half + 1, row + 1});
            FillRect(Rect{end - half, h - 1 - row, end + half + 1, h - row});
        }
    }
    EndDraw();
}

s32 ColorBar::BarX(Point screen) const
{
    return screen.x - GetContentRect().left;
}

void ColorBar::MouseMove(Event* event)
{
    if (!hueChange) return;
    bool onMarker = HueMarkerAt(*hueChange, BarX(event->Pos())) != kHueMarkerNone;
    SetCursor(onMarker ? CURSOR_RESIZE_WE : CURSOR_ARROW, 1);
}

void ColorBar::MouseLeave()
{
    SetCursor(CURSOR_ARROW, 1);
    Window::MouseLeave();
}

void ColorBar::MouseButton(Event* event)
{
    if (!event->Pressed() || !hueChange || IsRightButton(event)) return;
    grabbed = HueMarkerAt(*hueChange, BarX(event->Pos()));
    if (grabbed != kHueMarkerNone) BeginTracking(DefaultTracker);
}

void ColorBar::Track(Point, Point current, u32 phase)
{
    if (!hueChange || grabbed == kHueMarkerNone) return;
    if (phase == TRACK_END) {
        WindowSystem::InvalidateAll();
        grabbed = kHueMarkerNone;
        return;
    }
    SetCursor(CURSOR_RESIZE_WE, 1);
    if (phase != TRACK_MOVE) return;
    if (!DragHueMarker(*hueChange, grabbed, BarX(current))) return;
    changed.Emit(hueChange);
    Invalidate(0);
}
