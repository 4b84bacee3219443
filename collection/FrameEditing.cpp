#include "collection/FrameEditing.h"

#include <cstdio>

#include "collection/SequenceEditing.h"

const char* MoveModeLabel(u32 mode)
{
    static const char* const labels[] = {"", "Move Keypoint", "Move Sequence", "Move View", "Move Frame",
                                         "Move Bitmap"};
    return mode < 6 ? labels[mode] : "";
}

u32 MoveModeForKeys(bool shift, bool alt, bool ctrl, const bool function[5])
{
    if (shift) {
        if (alt && ctrl) return kMoveSequence;
        if (ctrl) return kMoveView;
        if (alt) return kMoveFrame;
        return kMoveBitmap;
    }
    static const u32 byKey[5] = {kMoveKeyPoint, kMoveBitmap, kMoveFrame, kMoveView, kMoveSequence};
    for (int i = 0; i < 5; ++i)
        if (function[i]) return byKey[i];
    return kMoveNone;
}

u32 WrapIndex(s64 i, u32 count)
{
    if (count == 0) return 0;
    s64 r = i % s64(count);
    return u32(r < 0 ? r + count : r);
}

s16 ClampPoint(s64 v)
{
    return s16(v < -32768 ? -32768 : v > 32767 ? 32767 : v);
}

namespace {

s32 ClampS32(s64 v)
{
    return s32(v < INT32_MIN ? INT32_MIN : v > INT32_MAX ? INT32_MAX : v);
}

void MoveRegistration(FrameView& v, s32 dx, s32 dy)
{
    v.registrationX = ClampPoint(s64(v.registrationX) - dx);
    v.registrationY = ClampPoint(s64(v.registrationY) - dy);
}

}  // namespace

bool MoveByMode(Sequence& s, u32 frame, u32 view, s32 dx, s32 dy, u32 mode)
{
    if (mode < kMoveKeyPoint || mode > kMoveBitmap) return false;
    if (frame >= s.frames || frame >= s.frameArray.count || view >= s.views) return true;
    u32 F = s.frames < s.frameArray.count ? s.frames : s.frameArray.count;
    switch (mode) {
    case kMoveKeyPoint: {
        FrameView& v = s.GetFrameView(frame, view);
        v.keyX = ClampPoint(s64(v.keyX) + dx);
        v.keyY = ClampPoint(s64(v.keyY) + dy);
        break;
    }
    case kMoveSequence:
        for (u32 f = 0; f < F; ++f)
            for (u32 v = 0; v < s.views && v < s.GetFrame(f).views.count; ++v) MoveRegistration(s.GetFrameView(f, v), dx, dy);
        break;
    case kMoveView:
        for (u32 f = 0; f < F; ++f)
            if (view < s.GetFrame(f).views.count) MoveRegistration(s.GetFrameView(f, view), dx, dy);
        break;
    case kMoveFrame:
        for (u32 v = 0; v < s.views && v < s.GetFrame(frame).views.count; ++v) MoveRegistration(s.GetFrameView(frame, v), dx, dy);
        break;
    default:
        MoveRegistration(s.GetFrameView(frame, view), dx, dy);
        break;
    }
    return true;
}

u32 DragSelectionEdge(Sequence& s, u32 mode, s32 dx, s32 dy, u32 activeScale)
{
    // One shown pixel is scale / 10 standard pixels: 65536 x scale / 10.0 in 16.16, where
    // scale itself is 16.16.
    const s64 scale = activeScale ? s64(activeScale) : s64(kStandardScale);
    switch (mode) {
    case kDragLeftEdge:
    case kDragRightEdge: {
        s64 outward = mode == kDragLeftEdge ? -s64(dx) : s64(dx);
        s64 half = s64(s.selectionHalfWidth) + outward * scale / 20;
        if (half < 0) {
            half = -half;
            mode = mode == kDragLeftEdge ? kDragRightEdge : kDragLeftEdge;
        }
        s.selectionHalfWidth = ClampS32(half);
        return mode;
    }
    case kDragTopEdge:
    case kDragBottomEdge: {
        s32& edge = mode == kDragTopEdge ? s.selectionTop : s.selectionBottom;
        edge = ClampS32(s64(edge) - s64(dy) * scale / 10);
        if (s.selectionTop < s.selectionBottom) {
            s32 t = s.selectionTop;
            s.selectionTop = s.selectionBottom;
            s.selectionBottom = t;
            mode = mode == kDragTopEdge ? kDragBottomEdge : kDragTopEdge;
        }
        return mode;
    }
    default:
        return mode;
    }
}

void DragShadowOffset(Sequence& s, u32 frame, s32 dx, s32 dy)
{
    if (frame >= s.frames || frame >= s.frameArray.count) return;
    ShadowRecord& r = s.GetFrame(frame).shadow;
    r.offsetX = ClampS32(s64(r.offsetX) - s64(dx) * 13107);
    r.offsetY = ClampS32(s64(r.offsetY) - s64(dy) * 13107);
}

void FrameEditTitle(const Sequence& s, u32 frame, u32 view, char* out, size_t size)
{
    snprintf(out, size, "%s (Frame %u @ %u%c)", s.name, frame, ViewAngle(view, s.GetViewCount()), char(161));
}

u64 AnimationFrame(u32 startFrame, double seconds, u32 ticksPerFrame)
{
    if (seconds < 0) seconds = 0;
    u64 ticks = u64(seconds * 30.0 + 1e-9);
    return startFrame + ticks / (ticksPerFrame ? ticksPerFrame : 1);
}

FrameView* ViewOf(const FrameStep& step)
{
    Sequence* s = step.sequence;
    if (!s || step.frame >= s->frames || step.frame >= s->frameArray.count || step.view >= s->views ||
        step.view >= s->GetFrame(step.frame).views.count)
        return nullptr;
    return &s->GetFrameView(step.frame, step.view);
}

namespace {

s32 Z(s64 v, float zoom)
{
    return s32(double(v) * zoom);
}

}  // namespace

FrameGeometry ComputeFrameGeometry(const FrameStep& shown, const FrameStep& previous, s32 contentWidth,
                                   s32 contentHeight, s32 shiftX, s32 shiftY, float zoom, bool showBitmap)
{
    FrameGeometry g = {};
    FrameView* view = ViewOf(shown);
    if (!view || !view->bitmap) return g;
    Sequence& s = *shown.sequence;
    g.hasBitmap = true;
    g.width = Z(view->bitmap->width, zoom);
    g.height = Z(view->bitmap->height, zoom);
    g.originX = (contentWidth - g.width) / 2 + shiftX;
    g.originY = (contentHeight - g.height) / 2 + shiftY;
    g.flip = view->flags & 3;
    g.regX = g.originX + Z(view->registrationX, zoom);
    g.regY = g.originY + Z(view->registrationY, zoom);
    g.keyX = g.originX + Z(view->keyX, zoom);
    g.keyY = g.originY + Z(view->keyY, zoom);

    // A high-res view shows the box at the standard bitmap's size.
    double k = view->activeScale ? 10.0 / (double(view->activeScale) / 65536.0) : 1.0;
    double rx = view->registrationX, ry = view->registrationY;
    double half = s.selectionHalfWidth / 65536.0, top = s.selectionTop / 65536.0, bottom = s.selectionBottom / 65536.0;
    g.boxLeft = g.originX + s32((rx - half * k) * zoom);
    g.boxRight = g.originX + s32((rx + half * k) * zoom);
    g.boxTop = g.originY + s32((ry - top * k) * zoom);
    g.boxBottom = g.originY + s32((ry - bottom * k) * zoom);

    SequenceFrame& frame = s.GetFrame(shown.frame);
    if (CollectionBitmap* shadow = frame.shadowBitmap) {
        g.hasShadow = true;
        g.shadowWidth = Z(s64(shadow->width) * 5, zoom);
        g.shadowHeight = Z(s64(shadow->height) * 5, zoom);
        s32 ox = s32(s64(frame.shadow.offsetX) * 5 / 65536);
        s32 oy = s32(s64(frame.shadow.offsetY) * 5 / 65536);
        g.shadowFlip = (frame.shadow.flags >> 1) & 3;
        g.shadowX = (frame.shadow.flags & 2) ? g.regX + Z(ox, zoom) - g.shadowWidth : g.regX - Z(ox, zoom);
        g.shadowY = (frame.shadow.flags & 4) ? g.regY + Z(oy, zoom) - g.shadowHeight : g.regY - Z(oy, zoom);
    }

    FrameView* before = ViewOf(previous);
    if (!before) before = view;
    if (before->bitmap && !(before == view && showBitmap)) {
        g.hasContrail = true;
        g.contrailWidth = Z(before->bitmap->width, zoom);
        g.contrailHeight = Z(before->bitmap->height, zoom);
        g.contrailX = g.originX + Z(s64(view->registrationX) - before->registrationX, zoom);
        g.contrailY = g.originY + Z(s64(view->registrationY) - before->registrationY, zoom);
        g.contrailFlip = before->flags & 3;
    }
    return g;
}

u32 HitTestFrame(const FrameStep& shown, const FrameGeometry& g, float zoom, bool showBitmap, bool showShadow, s32 x,
                 s32 y)
{
    if (!g.hasBitmap) return 0;
    FrameView* view = ViewOf(shown);
    if (showBitmap && view && view->bitmap && view->bitmap->pixels && zoom > 0) {
        CollectionBitmap* b = view->bitmap;
        double fx = (x - g.originX) / double(zoom), fy = (y - g.originY) / double(zoom);
        if (fx >= 0 && fy >= 0) {
            s64 px = s64(fx), py = s64(fy);
            if (px < b->width && py < b->height) {
                if (g.flip & 1) px = b->width - 1 - px;
                if (g.flip & 2) py = b->height - 1 - py;
                if (b->IsOpaqueAt(u64(py) * b->width + u64(px))) return 4;
            }
        }
    }
    if (showShadow && g.hasShadow && x >= g.shadowX && x < g.shadowX + g.shadowWidth && y >= g.shadowY &&
        y < g.shadowY + g.shadowHeight)
        return 5;
    return 0;
}
