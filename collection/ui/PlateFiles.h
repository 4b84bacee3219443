#pragma once
// Plates to and from files, with the messages the user sees. Every message names the file by
// its name with extension.
#include "collection/ColorPlate.h"

// Imports the image file (loaded when it is not yet) as a colour plate: new bitmaps named after the file ("<name>
// #<cell>"), appended to list when given (null for empty cells). A plate that fails the
// frame check, has a broken separator row, brings colours that do not fit the table or
// cannot be cut shows "'%s': The color plate is not of the correct format or is not
// compatible with the existing color table." and answers 0 with the collection unchanged.
int ImportColorPlate(Collection& collection, FileRecord& file, DynArray<CollectionBitmap*>* list);
// Replaces the alphas of the listed bitmaps from the loaded image as an alpha plate. Any
// failure shows "'%s': The alpha plate is not of the correct format or the image dimensions
// do not match." and answers 0 with no alpha changed.
int ImportAlphaPlate(Collection& collection, FileRecord& file, const DynArray<CollectionBitmap*>& bitmaps);
// ExportColorPlate with its failures shown: a plate too large to make shows "'%s': The plate
// is too large to be made."; a failed save "'%s': The image could not be saved." (the
// previous file stays). True-colour bitmaps take empty slots. 1 or 0.
int ExportColorPlateFile(const Collection& collection, const DynArray<CollectionBitmap*>& bitmaps, FileRecord& file,
                         bool alpha, u32 perRow);
