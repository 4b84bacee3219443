#pragma once
// TIFF images through libtiff on the record's own stream: 8-bit grey, RGB, RGBA and palette
// images in one contiguous plane of strips, written with Deflate. All answer 1 on success
// and 0 on failure; libtiff's messages are swallowed.
#include "foundation/FileRecord.h"

// Reads the first directory: kind 5, format 7, the image's size and format. Refuses bit
// depths other than 8, grey with alpha, planar or tiled layouts, photometric values other
// than 1 (black is zero), 2 (RGB) and 3 (palette), a palette image without colour map, and
// sizes past the image limit or beyond what the file's bytes could hold.
u32 ReadTiffHeader(FileRecord& record);
// Reads the first directory and its pixels; a palette image's colour map becomes the
// image's palette unless it already has one.
u32 ReadTiffImage(FileRecord& record);
// Writes the record's image (6400, 6406, 6407 or 6408) to its open write stream; RGBA is
// marked as carrying unassociated alpha.
u32 WriteTiff(FileRecord& record);
