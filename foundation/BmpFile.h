#pragma once
// The program's own BMP reader and writer: uncompressed 8-, 24- and 32-bit files with the
// 40-byte information header. All answer 1 on success and 0 on failure.
#include "foundation/FileRecord.h"

// Reads the headers (and an 8-bit palette) from the start of the file: sets kind and
// format 5, the image's size and format, pixelOffset and bottomUp. Refuses anything outside the accepted set and files too short for their pixels.
u32 ReadBmpHeader(FileRecord& record);
// Reads the pixel rows after ReadBmpHeader; a short read fails.
u32 ReadBmpPixels(FileRecord& record);
// Writes the record's image (6400, 6406, 6407 or 6408) to its open write stream; the image
// is not modified.
u32 WriteBmp(FileRecord& record);
