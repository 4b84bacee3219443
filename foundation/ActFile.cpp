#include "foundation/ActFile.h"

#include <cstdio>
#include <cstring>

#include "foundation/ByteOrder.h"
#include "foundation/SaveFile.h"

u32 WriteColorTableFile(const char* path, const Rgb* entries, u32 count)
{
    if (count > 256) count = 256;
    u8 bytes[772] = {};
    if (entries && count) memcpy(bytes, entries, count * 3);
    u32 size = 768;
    if (count != 256) {
        bytes[768] = u8(count >> 8);
        bytes[769] = u8(count);
        bytes[770] = 0xFF;
        bytes[771] = 0xFF;
        // Only the entries in use are meaningful; the rest stay zero.
        size = 772;
    }
    SaveFile save;
    if (!save.Begin(path)) return 0;
    save.Write(bytes, size);
    return save.Commit();
}

u32 ReadColorTableFile(const char* path, Rgb* entries, u32* count)
{
    FILE* f = fopen(path, "rb");
    if (!f) return 0;
    u8 table[768];
    if (fread(table, 1, sizeof(table), f) != sizeof(table)) {
        fclose(f);
        return 0;
    }
    u16 stored = 0;
    u32 n = 256;
    if (ReadElements(&stored, 1, kBoU16, f)) n = stored > 256 ? 256 : stored;
    fclose(f);
    memcpy(entries, table, n * 3);
    memset(entries + n, 0, (256 - n) * sizeof(Rgb));
    if (count) *count = n;
    return 1;
}
