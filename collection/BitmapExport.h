#pragma once
// Writing collection bitmaps as 8-bit images: the indices (paletted) or the alphas (grey).
//
// Transparent pixels of an ordinary bitmap are written as index 1 when the bitmap is raw and
// as index 0 when it is span-coded, so that importing the file again gives the same kind of
// bitmap; a shadow bitmap keeps its indices (darkness levels) under a grey-ramp palette.
// Only bitmaps of 2 bytes per pixel can be written this way: true-colour bitmaps answer 0.
#include "collection/Collection.h"
#include "foundation/FileRecord.h"
#include "foundation/Image.h"

// Fills image (freed first) with the bitmap as a 6400 image: the collection's colours for an
// ordinary bitmap, the grey ramp for a shadow bitmap. 0 for a true-colour bitmap, a bitmap
// without pixels or when memory runs out.
int BitmapToIndexedImage(const Collection& collection, const CollectionBitmap& bitmap, Image& image);
// Fills image (freed first) with the bitmap's alphas as a 6406 image. 0 as above.
int BitmapToAlphaImage(const CollectionBitmap& bitmap, Image& image);

// Writes the bitmap as an 8-bit paletted image to the record's path in its format (the
// record's image is replaced). Answers the save's result: 0 when the image cannot be made or
// the save fails, which leaves an existing file untouched.
int ExportBitmapToImage(const Collection& collection, const CollectionBitmap& bitmap, FileRecord& file);
// The same with the alphas as an 8-bit greyscale image.
int ExportBitmapAlphaToImage(const Collection& collection, const CollectionBitmap& bitmap, FileRecord& file);

// Moves image into the record (kind image) and saves it in the record's format. 1, or 0 when
// the save fails (an existing file is left untouched).
int SaveImageToFile(Image& image, FileRecord& file);

// Copies the bitmap's indices (transparent pixels as 1 when raw, 0 when span-coded), or with
// alpha its alphas, into the 8-bit image at (x, y). Pixels falling outside the image are left
// out; a true-colour bitmap copies nothing.
void CopyBitmapToPlane(Image& image, const CollectionBitmap& bitmap, u32 x, u32 y, bool alpha);
