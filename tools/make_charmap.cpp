// Writes the built-in character map as the "charmap" file: 224 little-endian code points
// for characters 32 to 255. Usage: make_charmap <output>
#include <cstdio>

#include "foundation/SaveFile.h"
#include "gui/core/Charmap.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: make_charmap <output>\n");
        return 2;
    }
    const u16* table = GetBuiltinCharmap();
    u8 bytes[kCharmapEntries * 2];
    for (u32 i = 0; i < kCharmapEntries; ++i) {
        bytes[2 * i] = u8(table[i]);
        bytes[2 * i + 1] = u8(table[i] >> 8);
    }
    SaveFile save;
    if (!save.Begin(argv[1]) || !save.Write(bytes, sizeof(bytes)) || !save.Commit()) {
        fprintf(stderr, "make_charmap: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
