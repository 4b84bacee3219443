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
    // A mirrored sequence read with no views has none to show, not one.
    return (flags & kSequenceMirroring) && views ? views / 2u + 1u : views;
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
    if (V > 0xFFFFu) V = 0xFFFFu;
    if (F > 0xFFFFu) F = 0xFFFFu;
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

void SequenceFrames::CopyFrom(DynArray<SequenceFrame>& destination, const DynArray<SequenceFrame>& source)
{
    // Frames the destination already has keep their array storage where it is large enough:
    // copying a long sequence over another then allocates nothing.
    u32 old = destination.count;
    for (u32 f = source.count; f < old; ++f) FreeFrameArrays(destination.data[f]);
    destination.ResizeRaw(source.count);
    for (u32 f = 0; f < source.count; ++f) {
        const SequenceFrame& from = source.data[f];
        SequenceFrame& to = destination.data[f];
        DynArray<FrameView> views = {};
        DynArray<u16> indices = {};
        if (f < old) {
            views = to.views;
            indices = to.viewIndices;
        }
        InitFrame(to);
        to.views = views;
        to.viewIndices = indices;
        to.shadowRecordIndex = from.shadowRecordIndex;
        memcpy(to.carried, from.carried, sizeof(to.carried));
        memcpy(to.reserved, from.reserved, sizeof(to.reserved));
        to.views.ResizeRaw(from.views.count);
        if (from.views.count) memcpy(static_cast<void*>(to.views.data), from.views.data, size_t(from.views.count) * sizeof(FrameView));
        to.viewIndices.ResizeRaw(from.viewIndices.count);
        if (from.viewIndices.count) memcpy(to.viewIndices.data, from.viewIndices.data, size_t(from.viewIndices.count) * sizeof(u16));
        to.shadow = from.shadow;
        to.shadowBitmap = from.shadowBitmap;
    }
}

void Sequence::Assign(const Sequence& source)
{
    if (&source == this) return;
    memcpy(name, source.name, sizeof(name));
    name[sizeof(name) - 1] = 0;
    flags = source.flags;
    secondWord = source.secondWord;
    views = source.views;
    frames = source.frames;
    ticksPerFrame = source.ticksPerFrame;
    keyFrame = source.keyFrame;
    loopFrame = source.loopFrame;
    memcpy(carried1, source.carried1, sizeof(carried1));
    firstSound = source.firstSound;
    keySound = source.keySound;
    lastSound = source.lastSound;
    mode = source.mode;
    transferPeriod = source.transferPeriod;
    selectionHalfWidth = source.selectionHalfWidth;
    selectionBottom = source.selectionBottom;
    selectionTop = source.selectionTop;
    memcpy(carried2, source.carried2, sizeof(carried2));
    memcpy(reserved, source.reserved, sizeof(reserved));
    SequenceFrames::CopyFrom(frameArray, source.frameArray);
    extentUp = source.extentUp;
    extentLeft = source.extentLeft;
    extentRight = source.extentRight;
    extentDown = source.extentDown;
}
