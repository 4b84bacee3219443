#pragma once
// Turning images into collection bitmaps over the collection's one colour table.
//
// Colour indices 0 and 1 of the table are the transparency markers of imported and exported
// bitmaps: an imported pixel whose colour maps to either becomes transparent {0, 0}, and the
// bitmap is span-coded when some pixel mapped to index 0. (Collection::ImportImage, declared
// with the collection, lives here too.)
#include "collection/Collection.h"
#include "foundation/Image.h"
#include "foundation/Rgb.h"

// Preference: how the files chosen for an import or replace are matched to bitmaps.
constexpr const char* kBitmapImportMappingModeKey = "BitmapImportMappingMode";
enum BitmapImportMappingMode : u32 {
    kMapByOrder = 0,
    kMapByName = 1,
};

// Puts every colour of the 256-entry palette that the table lacks into the table's free slots
// (an index whose colour also occurs at a lower index), lowest slot first. Answers 1 when
// every palette colour now occurs in the table; 0 when the free slots ran out (the colours
// placed until then stay).
int MergeColorTable(ColorTable& table, const Rgb* palette);

// Maps each of the image's 256 palette entries to the lowest table index of exactly the same
// colour (0 when there is none) and rewrites every pixel's index through that map: the byte
// of a 6400 image, the second byte of a 6666 image. The palette becomes the table's. Other
// formats are left alone.
void RemapImageToColorTable(Image& image, const ColorTable& table);

// True when the image is 8-bit greyscale whose palette is absent or the grey ramp: such a file
// is what an indexed picture with a grey table (a shadow export, a grey collection) loads as.
bool IsGreyRampImage(const Image& image);

// Makes out a copy of image as 2-byte {alpha, index} pixels (format 6666) with a full 256-entry
// palette, entries past the image's own count copies of entry 0: paletted images get alpha
// 255; an 8-bit grey image counts as indices into the grey ramp. True-colour images are
// quantised to at most 254 colours at entries 2 to 255, so that no visible colour lands on a
// transparency marker; entries 0 and 1 become markers (the colours of markerTable's entries 0
// and 1 when it is given, else two colours the image does not use) and fully transparent
// pixels get index 0. Answers 0 (out freed) when the format cannot be converted or memory
// runs out.
int ImageToIndexedPixels(const Image& image, Image& out, const ColorTable* markerTable);

// Answers the name of a bitmap made from a file: the path without folder and extension, cut
// to 63 characters, into out (64 bytes).
void BitmapNameFromPath(const char* path, char out[64]);
