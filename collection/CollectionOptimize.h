#pragma once
// Whole-collection clean-ups: dropping unused bitmaps, merging bitmaps with identical pixels,
// cropping every bitmap, naming bitmaps after the cells that use them, and the texture memory
// the bitmaps would take. Each works straight on the collection and says what it did; the
// optimise page reports it to the user.
#include "collection/Collection.h"

// Deletes every bitmap that no view assignment (standard or high-res) and no frame shadow
// uses. Answers the number deleted.
u32 DeleteUnusedBitmaps(Collection& collection);

// Equal size, flags and pixel size, and every pixel byte equal.
bool BitmapsIdentical(const CollectionBitmap& a, const CollectionBitmap& b);

// A hash of everything BitmapsIdentical compares: identical bitmaps hash alike.
u64 HashBitmap(const CollectionBitmap& bitmap);

// Re-points every reference to `from` (each view assignment, shown, standard and high-res,
// and each frame shadow) to `to`, with its stored index. `from` is left in the collection.
void RedirectBitmap(Collection& collection, const CollectionBitmap* from, CollectionBitmap* to);

// Every bitmap identical to an earlier one is deleted and its references go to the first of
// its kind. Answers the number deleted. Bitmaps are hashed, so only bitmaps of equal hash are
// compared byte by byte.
u32 MergeIdenticalBitmaps(Collection& collection);

struct CropAllResult {
    u32 cropped;         // bitmaps made smaller, including the removed ones
    u32 removed;         // bitmaps deleted for being entirely transparent
    u64 pixelsRemoved;
    u32 outOfMemory;     // bitmaps left as they were because memory ran out
};

// Crops the transparent border of every bitmap, last to first; a bitmap with no visible
// pixel is deleted.
CropAllResult CropAllBitmaps(Collection& collection);

// Names each bitmap a view shows after the first sequence cell (sequence, frame, unique view,
// in collection order) that shows it. Answers the number of bitmaps whose name changed.
u32 AutoRenameBitmaps(Collection& collection);

struct RuntimeSize {
    u64 exactPixels;       // sum of width x height
    u64 powerOfTwoPixels;  // the same with each side raised to a power of two
};

RuntimeSize GetRuntimeSize(const Collection& collection);
