#pragma once
// What the sequence editor does to a sequence, without windows: the grid's geometry and
// titles, the typed fields (sizes, sound tags, mode), clearing cells, placing dropped bitmaps
// and the order in which imported files fill the cells.
//
// The grid has one row per frame and U + 1 columns (U = the unique view count): column 0 is
// the frame's shadow, column c (1..U) view c - 1.
#include <cstddef>

#include "collection/Collection.h"

// The most frames or views one sequence can store, and the most FrameView records (all views
// of all frames of all sequences) one collection can store.
constexpr u32 kMaxSequenceSide = 0xFFFF;
constexpr u32 kMaxFrameViewRecords = 0xFFFF;

// Whole degrees of view v of V views (0 for V = 0).
u32 ViewAngle(u32 v, u32 V);
// The title of grid column c: "Shadow" for 0, else "%d%c" with the angle of view c - 1 of all
// the sequence's views and character 161 (the font's degree sign).
void SequenceColumnTitle(const Sequence& sequence, u32 column, char* out, size_t size);

// Answers null when the sequence may become V views by F frames; else writes into message why
// not (a side above kMaxSequenceSide, or more FrameView records in the collection than it can
// store) and answers it. V and F below 1 are refused too.
const char* CheckSequenceSize(const Collection& collection, const Sequence& sequence, u64 V, u64 F, char* message,
                              size_t size);
// CheckSequenceSize, then Sequence::Resize when the size differs. Answers null on success;
// the message (sequence unchanged) otherwise.
const char* ResizeSequence(Collection& collection, Sequence& sequence, u64 V, u64 F, char* message, size_t size);

// A typed integer: optional sign, digits, surrounding blanks. Answers false for anything else
// (an empty field included).
bool ParseFieldInteger(const char* text, s64* value);
// What a Frames or Views field stores for a typed count: below 1 becomes 1.
inline u64 TypedCount(s64 value) { return value < 1 ? 1 : u64(value); }

// A sound tag typed into its four-character field: empty (or only blanks past the end) gives
// 0xFFFFFFFF; otherwise the characters, padded with spaces to four, read big-endian.
u32 SoundTagFromText(const char* text);
// The four characters a stored tag id shows (empty for 0xFFFFFFFF); out holds at least 5.
void SoundTagToText(u32 tag, char* out);

// The sequence modes the Mode selector offers, in its order.
struct SequenceModeItem {
    const char* label;
    u16 value;
};
extern const SequenceModeItem kSequenceModeItems[6];
// The item that shows a stored mode (0, "None", for values it does not offer).
u32 SequenceModeItemIndex(u16 mode);

// Clears the cell's bitmap (the shadow bitmap for column 0, the view's bitmap otherwise) and
// its stored index. Answers true when the cell had a bitmap. Cells outside the grid: false.
bool ClearSequenceCell(Sequence& sequence, u32 frame, u32 column);
// The bitmap a cell shows, or null (also outside the grid).
CollectionBitmap* SequenceCellBitmap(Sequence& sequence, u32 frame, u32 column);

// Payload kinds a cell accepts: a shadow in column 0, a colour bitmap in the view columns.
enum : u32 { kCellShadowBitmap = 1, kCellColorBitmap = 2 };

// One dropped bitmap. The source view or shadow (when dragged from a sequence cell) lends its
// flags and points; column and row place it relative to origin in a drop from a sequence.
struct SequenceDropItem {
    u32 kind;
    const Collection* collection;
    CollectionBitmap* bitmap;
    const FrameView* sourceView;
    const ShadowRecord* sourceShadow;
    s32 column, row;
};

struct SequenceCellPlace {
    u32 frame, column;
};

// Where one item dropped on (column, row) goes: refused (false) unless the kind suits the
// column, 0 <= row < F, 0 <= column <= U and the item belongs to the collection.
bool PlanSequenceDropOne(const Collection& collection, const Sequence& sequence, const SequenceDropItem& item,
                         s64 column, s64 row);
// Where every item of a drop on grid item targetItem goes (out gets one place per item), or
// false when any one is refused, so the whole drop is:
// - from a sequence: item i at target + (its cell - origin);
// - from a bitmap page, first item a shadow on column 0: item i at column 0 of row + i;
// - from a bitmap page, first item a colour bitmap on a view column: the view columns from
//   the target onward, row by row.
bool PlanSequenceDrop(const Collection& collection, const Sequence& sequence, const SequenceDropItem* items, u32 count,
                      bool fromSequence, s32 originColumn, s32 originRow, u64 targetItem,
                      DynArray<SequenceCellPlace>* out);
// Places each item at its planned cell (planned by PlanSequenceDrop for this sequence): the
// bitmap and its index, and the source's flags and points when it has a source. Sources are
// read as they were before the first placement, so a block dropped over itself moves intact.
// A view's high-res flag stays its own: it is never taken from the source.
void ApplySequenceDrop(Collection& collection, Sequence& sequence, const SequenceDropItem* items, u32 count,
                       const SequenceCellPlace* places);

// The cell imported file k goes to: views vary fastest (frame k / U, view k mod U) or frames
// (view k / F, frame k mod F). False for U or F 0 or k past U x F.
bool ImportTargetCell(u64 k, u32 U, u32 F, bool viewsFastest, u32* frame, u32* view);
// "Frame #%02d, view #%02d" with " alpha" for alpha exports.
void SequenceExportName(u32 frame, u32 view, bool alpha, char* out, size_t size);
