#pragma once
// The user's side of importing and exporting collection bitmaps: the file checks, the colour
// table question and the error boxes (all modal, through the window system), and the dialogs
// that choose image files. Every message names the file by its name with extension.
#include "collection/Collection.h"
#include "foundation/DynArray.h"
#include "foundation/FileRecord.h"

// 1 when the file loads as an 8-bit paletted image (also a grey-ramp indexed file, which
// loads as 8-bit grey: its values are indices into the ramp); else 0 after an error box:
// "'%s': The file is not of the right format.", "'%s': An error occurred while reading the
// image data." or "'%s': The image is not 8-bit paletted.".
int CheckPalettedImageFile(FileRecord& file);
// The same for an 8-bit greyscale image; the last message is "'%s': The image is not 8-bit
// greyscale.".
int CheckGreyscaleImageFile(FileRecord& file);

// Imports the image file (loaded first when it is not yet, with the first two messages of the
// checks when that fails) as a bitmap named after the file (replacing `replace` when given).
// When its colours do not fit the table, asks whether to replace the colour table ("Replace"
// or "Cancel"); a replacement that fails shows "'%s': The color table could not be
// replaced.". Other failures say why: "'%s': The image is too large for a bitmap.", "'%s':
// There is not enough memory to import the image." or "'%s': The image could not be
// converted.". Answers the new bitmap, or null (collection unchanged).
CollectionBitmap* ImportBitmapFile(Collection& collection, FileRecord& file, CollectionBitmap* replace);

// Takes the greyscale image file (checked and loaded by CheckGreyscaleImageFile first) as the
// bitmap's alpha. A size mismatch shows "'%s': The
// alpha mask must have the same dimensions as the image. Found: %d x %d. Expected: %d x %d."
// and answers 0 (bitmap unchanged).
int ApplyAlphaMaskFile(Collection& collection, CollectionBitmap& bitmap, FileRecord& file);

// Exports the bitmap (or its alpha) to the record's path and format. A true-colour bitmap
// shows "'%s': True-color bitmaps cannot be exported as 8-bit images."; a failed save shows
// "'%s': The image could not be saved." (the previous file stays). 1 or 0.
int ExportBitmapFile(const Collection& collection, const CollectionBitmap& bitmap, FileRecord& file, bool alpha);

// The file name with extension of a path (after its last '/').
const char* FileNameOfPath(const char* path);

// The multi-select open dialog for images; files receives one sniffed FileRecord per chosen
// file (owned by the caller, DeleteAll). 0 when cancelled.
int OpenMultipleImagesDialog(const char* title, DynArray<FileRecord*>* files);
// The same with the choice "Replace:" "By Order" (0) / "By Name" (1), preselected from the
// preference "BitmapImportMappingMode" (mode kept when the key is missing). On OK the choice
// goes to mode and the preference; 0 when cancelled (nothing stored).
int ImportBitmapsDialog(const char* title, DynArray<FileRecord*>* files, u32* mode);
