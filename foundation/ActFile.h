#pragma once
// Colour-table files (".act"): 256 entries of {red, green, blue}, optionally followed by a
// big-endian u16 count of colours in use and a u16 transparent index (0xFFFF: none).
#include "foundation/Rgb.h"
#include "foundation/Types.h"

// Writes count entries (at most 256); when count is not 256 the gap up to offset 768 is
// zero and the count and "no transparent index" follow. The file is written through a
// temporary file; answers 0, leaving an existing file untouched, when any write fails.
u32 WriteColorTableFile(const char* path, const Rgb* entries, u32 count);
// Reads the 256 entries and the count (256 when the file has no trailer; a trailer above 256
// counts as 256); entries from the count on are zeroed. Answers 0 when the file cannot be
// opened or is shorter than 768 bytes. count may be null.
u32 ReadColorTableFile(const char* path, Rgb* entries, u32* count);
