// One collection bitmap record: header, row-offset table and raw, span or true-colour pixels.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

#include "collection/BitmapCoding.h"

// Writes the bitmap to a scratch file and reads it back; aborts when either fails.
static CollectionBitmap* RoundTrip(const CollectionBitmap& b, const ColorTableRecord& table)
{
    static FILE* scratch = tmpfile();
    if (!scratch || ftruncate(fileno(scratch), 0) != 0) abort();
    rewind(scratch);
    u64 written = WriteBitmap(scratch, b);
    if (!written) abort();
    rewind(scratch);
    CollectionBitmap* again = ReadBitmap(scratch, u32(written), table);
    if (!again) abort();
    return again;
}

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size)
{
    if (size == 0 || size > 0xFFFFFFFFu) return 0;
    FILE* f = fmemopen(const_cast<u8*>(data), size, "rb");
    if (!f) return 0;
    ColorTableRecord table;
    memset(&table, 0, sizeof(table));
    for (u32 i = 0; i < 256; ++i) table.entries[i][0] = table.entries[i][1] = table.entries[i][2] = u16(i << 8);
    CollectionBitmap* b = ReadBitmap(f, u32(size), table);
    fclose(f);
    if (!b) return 0;
    if (!b->pixels || (b->bytesPerPixel != 2 && b->bytesPerPixel != 8)) abort();
    // What was read must write and read again with the same size, and from the second write
    // on the pixels must not change (the first write may drop what the coding cannot hold).
    CollectionBitmap* again = RoundTrip(*b, table);
    if (again->width != b->width || again->height != b->height || again->bytesPerPixel != b->bytesPerPixel) abort();
    CollectionBitmap* third = RoundTrip(*again, table);
    if (third->flags != again->flags || memcmp(third->pixels, again->pixels, size_t(again->PixelByteCount())) != 0)
        abort();
    delete third;
    delete again;
    delete b;
    return 0;
}
