#pragma once
// An animation sequence of a collection: a grid of frames by views, each cell a FrameView.
#include <cstdio>

#include "collection/CollectionBitmap.h"
#include "foundation/DynArray.h"

class Collection;
struct CollectionHeader;

// FrameView::flags bits.
enum : u32 {
    kViewMirrorX = 1,
    kViewMirrorY = 2,
    kViewPartialAlpha = 4,      // derived from the bitmap at write time
    kViewPowerOfTwoRaw = 16,    // derived from the bitmap at write time
    kViewHasHighRes = 32,       // a high-resolution assignment is present
};

// Sequence::flags bits.
enum : u32 {
    kSequenceMirroring = 1,
    kSequenceHasFrames = 2,
    kSequenceNoRotation = 4,
};

constexpr u16 kNoIndex = 0xFFFF;
constexpr u32 kStandardScale = 0xA0000;  // 10.0 in 16.16

// One view of one frame. The first 64 bytes are the stored FrameView record.
//
// A view with a high-resolution assignment (kViewHasHighRes) has two: the standard one
// (standardBitmap with the registration point as read) and the high-resolution one
// (highResBitmap with the high-res registration point). bitmap and registration are what the
// view currently shows, one of the two (Collection::ShowHighResAssignments switches them);
// the pointers are the truth and the collection keeps them right through bitmap replace,
// delete and move, so that saving stores both assignments whichever is shown.
struct FrameView {
    u32 flags;
    u8 reserved1[8];
    s16 registrationX, registrationY;
    u8 reserved2[8];
    s16 keyX, keyY;
    u16 bitmapIndex;
    u16 highResBitmapIndex;
    u32 highResScale;  // 16.16
    s16 highResRegistrationX, highResRegistrationY;
    u8 reserved3[24];
    // In memory only.
    u16 bitmapIndexAsRead;
    s16 registrationXAsRead, registrationYAsRead;
    u16 highResIndexBound;  // highResBitmapIndex when highResBitmap was last bound to it
    u32 activeScale;  // 16.16: 10.0 while the standard bitmap is shown
    CollectionBitmap* bitmap;
    CollectionBitmap* standardBitmap;  // kViewHasHighRes only
    CollectionBitmap* highResBitmap;   // kViewHasHighRes only

    // All zero except high-res bitmap index none and active scale 10.0.
    FrameView();
    // Gives the view a high-resolution assignment (kViewHasHighRes) by pointer; the stored
    // index is refreshed from it when the collection is written. (Assigning by index alone,
    // leaving the pointer, also works: see Collection::ResolveHighResBitmaps.)
    void SetHighResAssignment(CollectionBitmap* bitmap, u32 scale, s16 x, s16 y);
    // True when the view has a high-res assignment and shows it now.
    bool IsShowingHighRes() const;
    // Copies the bitmap and registration point shown now back into the assignment they
    // belong to (high-res or standard), so edits made to it survive a switch or a save.
    void KeepShownAssignment();
};

struct ShadowRecord {
    u32 flags;  // bit 0: light; bit 1: mirrored horizontally; bit 2: vertically
    s32 offsetX, offsetY;  // 16.16
    u16 bitmapIndex;
    u8 reserved[18];
};

static_assert(sizeof(ShadowRecord) == 32, "ShadowRecord is its stored record");

// Plain record: constructed and freed only through Sequence::ResizeFrames/FreeFrames.
struct SequenceFrame {
    u16 shadowRecordIndex;
    u16 carried[3];
    u8 reserved[38];
    DynArray<FrameView> views;
    DynArray<u16> viewIndices;  // filled at write time
    ShadowRecord shadow;
    CollectionBitmap* shadowBitmap;
};

// The deep copy of a frame array: new view and index arrays per frame, bitmaps shared.
struct SequenceFrames {
    // Afterwards destination has source's count of frames, each with its head fields, its own
    // byte copy of every view (bitmap pointers included), its own copy of the index array, the
    // shadow record and shadow bitmap. Frames past source's count are freed; the arrays of the
    // others are reused.
    static void CopyFrom(DynArray<SequenceFrame>& destination, const DynArray<SequenceFrame>& source);
};

class Sequence {
public:
    char name[64];
    // The stored 64-byte sequence header, in order.
    u32 flags;
    u32 secondWord;
    u16 views;
    u16 frames;
    u16 ticksPerFrame;
    u16 keyFrame;
    u16 loopFrame;
    u16 carried1[3];
    u32 firstSound, keySound, lastSound;
    u16 mode;
    u16 transferPeriod;
    s32 selectionHalfWidth, selectionBottom, selectionTop;  // 16.16
    u16 carried2[3];
    u8 reserved[6];
    // End of the stored header.
    DynArray<SequenceFrame> frameArray;
    s32 extentUp, extentLeft, extentRight, extentDown;

    // The defaults, name (63 characters at most), then Resize(1, 1).
    explicit Sequence(const char* name);
    ~Sequence();
    Sequence(const Sequence&) = delete;
    Sequence& operator=(const Sequence&) = delete;

    u32 GetViewCount() const { return views; }
    u32 GetFrameCount() const { return frames; }
    u32 GetFlags() const { return flags; }
    void SetFlags(u32 f) { flags = f; }
    // views, or views / 2 + 1 with mirroring.
    u32 GetUniqueViewCount() const;
    // No range checks.
    SequenceFrame& GetFrame(u32 frame) { return frameArray.data[frame]; }
    FrameView& GetFrameView(u32 frame, u32 view) { return frameArray.data[frame].views.data[view]; }
    CollectionBitmap* GetBitmap(u32 frame, u32 view) { return GetFrameView(frame, view).bitmap; }
    void SetRegistrationExtents(s32 up, s32 left, s32 right, s32 down);

    // Makes this sequence a deep copy of source: name, the stored header, every frame (bitmaps
    // are shared, never copied) and the registration extents. Assigning a sequence to itself
    // changes nothing.
    void Assign(const Sequence& source);

    // Makes the grid V views by F frames; existing cells keep their contents, new cells get
    // the registration point (selection half width, selection top) in whole pixels. Counts
    // above 65535 (what the stored counts hold) are taken as 65535, so the arrays always match
    // the counts; editors refuse such sizes first (CheckSequenceSize).
    void Resize(u32 V, u32 F);
    // Frees dropped frames' arrays and constructs new frames (shadow record index none).
    void ResizeFrames(u32 F);
    void FreeFrames();

    // Sets kSequenceHasFrames from the frame count, then writes the header and the frame
    // records with their view indices. Answers the byte count, or 0 when a write fails.
    u32 Write(FILE* stream);
    // Reads a block of `size` bytes at the stream position; views and shadows are taken from
    // the tables. A block shorter than its header and frame records fails (0); a view or
    // shadow index beyond its table becomes none. Answers the block size or 0.
    u32 Read(FILE* stream, u32 size, Collection& collection, const DynArray<FrameView>& viewTable,
             const DynArray<ShadowRecord>& shadowTable);
};
