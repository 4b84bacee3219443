#pragma once
// The program's 8-bit character set and its translation to UTF-16 (at the clipboard), and
// the table that maps characters typed on the keyboard into the set.
//
// The built-in charmap is the Mac OS Roman set with character 0xDB as U+00A4. A "charmap"
// file read completely (224 little-endian u16 code points for characters 32 to 255)
// replaces it for all conversions; the state is process-wide.
#include "foundation/Types.h"

constexpr u32 kCharmapEntries = 224;

// Reads the file; when all 448 bytes are read the loaded table is used from then on and 1 is
// answered. A missing or short file leaves the table in force as it was and answers 0.
int LoadCharmap(const char* path);
// Goes back to the built-in table.
void ResetCharmap();
// The table in force and the built-in one (224 entries each).
const u16* GetCharmap();
const u16* GetBuiltinCharmap();

// The font character for a typed character (32 to 255; others give 0), with or without Alt.
u8 MapTypedChar(u32 character, int alt);

// UTF-16 to the font's characters: code units below 33 pass, others become 32 + their entry
// in the table, or min(unit, 255) when the table lacks them. With out null the result is
// malloc'd (null when out of memory); otherwise out must hold the text's length + 1 bytes.
// Always terminated; a null text gives "".
char* Utf16ToFontChars(char* out, const u16* text);
// The font's characters to UTF-16: bytes below 32 pass, others become their table entry, or
// a space when the entry is 0. Same buffer rules (length + 1 units).
u16* FontCharsToUtf16(u16* out, const char* text);
