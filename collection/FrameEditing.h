#pragma once
// What the frame editor does to a sequence, without windows: stepping through frames and
// views, moving registration and key points by mode, dragging the selection box and the
// shadow, the title, the playing clock, and where everything of a frame is drawn and hit.
#include <cstddef>

#include "collection/Sequence.h"

// Move modes.
enum : u32 {
    kMoveNone = 0,
    kMoveKeyPoint = 1,
    kMoveSequence = 2,
    kMoveView = 3,
    kMoveFrame = 4,
    kMoveBitmap = 5,
};
// The label of a move mode ("Move Keypoint" ... "Move Bitmap"; "" for none).
const char* MoveModeLabel(u32 mode);
// The move mode the held keys choose: Shift with Alt and Ctrl 2, Shift and Ctrl 3, Shift and
// Alt 4, Shift alone 5; without Shift F1 1, F2 5, F3 4, F4 3, F5 2 (first held wins); else 0.
u32 MoveModeForKeys(bool shift, bool alt, bool ctrl, const bool function[5]);

// Drag modes of the frame view.
enum : u32 {
    kDragNone = 0,
    kDragShadow = 1,
    kDragBitmap = 2,
    kDragKeyPoint = 3,
    kDragLeftEdge = 4,
    kDragRightEdge = 5,
    kDragTopEdge = 6,
    kDragBottomEdge = 7,
};

// i wrapped into 0..count - 1, negative values counted from the end; 0 for count 0.
u32 WrapIndex(s64 i, u32 count);
// A coordinate clamped to what an s16 point holds.
s16 ClampPoint(s64 v);

// Mode 1 adds (dx, dy) to the key point of the shown view; modes 2 to 5 subtract it from the
// registration point of every view of every frame (2), of the shown view in every frame (3),
// of every view of the shown frame (4) or of the shown view (5). Coordinates stop at
// -32768..32767; a frame or view outside the sequence changes nothing. Answers true when the
// mode is one of these.
bool MoveByMode(Sequence& sequence, u32 frame, u32 view, s32 dx, s32 dy, u32 mode);

// Drags a selection-box edge (kDragLeftEdge..kDragBottomEdge) by the pointer's move (dx, dy)
// in pixels of the bitmap shown, whose scale is activeScale (16.16; 0 counts as the standard
// 10.0). The box is kept in standard pixels and a high-res bitmap shows it 10 / scale times
// as large, so a move counts scale / 10 standard pixels and the edge follows the pointer.
// Left and right change the half width by half the pixels moved outward; top and bottom move
// by the pixels moved up. An edge dragged across its opposite one turns the drag into a drag
// of that one (half width kept positive, top kept above bottom): answers the drag mode that
// goes on.
u32 DragSelectionEdge(Sequence& sequence, u32 mode, s32 dx, s32 dy, u32 activeScale = kStandardScale);
// The frame's shadow offset moves against the pointer's move (dx, dy), 13107 (0.2 in 16.16)
// per pixel, staying inside the s32 range.
void DragShadowOffset(Sequence& sequence, u32 frame, s32 dx, s32 dy);

// "%s (Frame %d @ %d%c)": name, frame, the view's angle and character 161.
void FrameEditTitle(const Sequence& sequence, u32 frame, u32 view, char* out, size_t size);
// The frame shown after `seconds` of playing from startFrame: one frame per ticksPerFrame
// thirtieths of a second (per thirtieth for 0); not wrapped.
u64 AnimationFrame(u32 startFrame, double seconds, u32 ticksPerFrame);

// Where a frame is drawn in the frame view's content (see ComputeFrameGeometry).
struct FrameGeometry {
    bool hasBitmap;
    s32 originX, originY;  // the bitmap's top left
    s32 width, height;     // drawn size
    u32 flip;              // bit 0 horizontal, bit 1 vertical
    s32 regX, regY, keyX, keyY;
    s32 boxLeft, boxTop, boxRight, boxBottom;
    bool hasShadow;
    s32 shadowX, shadowY, shadowWidth, shadowHeight;
    u32 shadowFlip;
    bool hasContrail;
    s32 contrailX, contrailY, contrailWidth, contrailHeight;
    u32 contrailFlip;
};

// The previous step's view for the contrail: previous (sequence, frame, view) when they still
// exist, else the shown one.
struct FrameStep {
    Sequence* sequence;
    u32 frame, view;
};
// The step's frame view; null when its sequence, frame or view is gone (a file can hold a
// sequence of 0 frames or views, and a resize can drop the previous step's).
FrameView* ViewOf(const FrameStep& step);

// Geometry of the shown view at the zoom in a content of (contentWidth, contentHeight):
// the bitmap centred, then shifted by (shiftX, shiftY) (scroll base plus offset). The shadow
// is five times its size; the contrail puts the previous view's registration point on the
// shown one, and is left out when it has no bitmap or is the shown view while showBitmap.
// hasBitmap is false (and nothing else set) when the shown view has no bitmap or lies outside
// the sequence.
FrameGeometry ComputeFrameGeometry(const FrameStep& shown, const FrameStep& previous, s32 contentWidth,
                                   s32 contentHeight, s32 shiftX, s32 shiftY, float zoom, bool showBitmap);

// What a content point hits: 4 on an opaque pixel of the bitmap (with showBitmap), else 5
// inside the drawn shadow (with showShadow), else 0. True-colour pixels are judged by the
// alpha level of their control byte.
u32 HitTestFrame(const FrameStep& shown, const FrameGeometry& geometry, float zoom, bool showBitmap, bool showShadow,
                 s32 x, s32 y);
