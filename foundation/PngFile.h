#pragma once
// PNG images through libpng: 8-bit grey, RGB, palette and RGBA files, interlaced or not.
// All answer 1 on success and 0 on failure; libpng's own errors end the call cleanly and
// print nothing.
#include "foundation/FileRecord.h"

// Reads the header from the start of the stream: kind 5, format 6, the image's size and
// format. Refuses bit depths other than 8, grey with alpha, and sizes past the image limit
// or beyond what the file's bytes could hold.
u32 ReadPngHeader(FileRecord& record);
// Reads header and pixels from the start of the stream; an indexed file's palette becomes
// the image's unless it already has one.
u32 ReadPngImage(FileRecord& record);
// Writes the record's image (6400, 6406, 6407 or 6408) to its open write stream.
u32 WritePng(FileRecord& record);
