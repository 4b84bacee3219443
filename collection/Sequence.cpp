#include "collection/Sequence.h"

#include <cstring>

FrameView::FrameView()
{
    memset(static_cast<void*>(this), 0, sizeof(*this));
    highResBitmapIndex = highResIndexBound = kNoIndex;
    activeScale = kStandardScale;
}

void FrameView::SetHighResAssignment(CollectionBitmap* b, u32 scale, s16 x, s16 y)
{
    flags |= kViewHasHighRes;
    highResBitmap = b;
    highResScale = scale;
    highResRegistrationX = x;
    highResRegistrationY = y;
}

bool FrameView::IsShowingHighRes() const
{
    if (!(flags & kViewHasHighRes)) return false;
    if (activeScale != kStandardScale) return true;
    // A high-res scale of 10.0 leaves the scale ambiguous: tell by the bitmap shown.
    return bitmap && bitmap == highResBitmap && bitmap != standardBitmap;
}

void FrameView::KeepShownAssignment()
{
    if (IsShowingHighRes()) {
        highResBitmap = bitmap;
        highResRegistrationX = registrationX;
        highResRegistrationY = registrationY;
    } else {
        standardBitmap = bitmap;
        registrationXAsRead = registrationX;
        registrationYAsRead = registrationY;
    }
}

Sequence::Sequence(const char* text)
{
    memset(name, 0, sizeof(name));
    if (text) strncpy(name, text, sizeof(name) - 1);
    flags = kSequenceHasFrames;
    secondWord = 0x10000;
    views = frames = 0;
    ticksPerFrame = keyFrame = loopFrame = 0;
    memset(carried1, 0, sizeof(carried1));
    firstSound = keySound = lastSound = 0xFFFFFFFFu;
    mode = transferPeriod = 0;
    selectionHalfWidth = 20 * 65536;
    selectionBottom = -10 * 65536;
    selectionTop = 60 * 65536;
    memset(carried2, 0, sizeof(carried2));
    memset(reserved, 0, sizeof(reserved));
    frameArray = {};
    extentUp = extentLeft = extentRight = extentDown = 0;
    Resize(1, 1);
}

Sequence::~Sequence()
{
    FreeFrames();
}

u32 Sequence::GetUniqueViewCount() const
{
    return (flags & kSequenceMirroring) ? views / 2u + 1u : views;
}

void Sequence::SetRegistrationExtents(s32 up, s32 left, s32 right, s32 down)
{
    extentUp = up;
    extentLeft = left;
    extentRight = right;
    extentDown = down;
}

static void InitFrame(SequenceFrame& f)
{
    memset(static_cast<void*>(&f), 0, sizeof(f));
    f.shadowRecordIndex = kNoIndex;
}

static void FreeFrameArrays(SequenceFrame& f)
{
    f.views.Clear();
    f.viewIndices.Free();
}

void Sequence::ResizeFrames(u32 F)
{
    u32 old = frameArray.count;
    for (u32 f = F; f < old; ++f) FreeFrameArrays(frameArray.data[f]);
    frameArray.ResizeRaw(F);
    for (u32 f = old; f < F; ++f) InitFrame(frameArray.data[f]);
}

void Sequence::FreeFrames()
{
    for (u32 f = 0; f < frameArray.count; ++f) FreeFrameArrays(frameArray.data[f]);
    frameArray.Free();
}

void Sequence::Resize(u32 V, u32 F)
{
    u32 oldViews = views, oldFrames = frames;
    ResizeFrames(F);
    s16 rx = s16(selectionHalfWidth / 65536);
    s16 ry = s16(selectionTop / 65536);
    for (u32 f = V == oldViews ? oldFrames : 0; f < F; ++f) {
        SequenceFrame& frame = frameArray.data[f];
        frame.views.Resize(V);
        frame.viewIndices.Resize(V);
        for (u32 v = f < oldFrames ? oldViews : 0; v < V; ++v) {
            frame.viewIndices.data[v] = u16(v);
            frame.views.data[v].registrationX = rx;
            frame.views.data[v].registrationY = ry;
        }
    }
    views = u16(V);
    frames = u16(F);
}
