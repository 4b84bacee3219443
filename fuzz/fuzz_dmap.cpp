// Detail-map tag data of version 1 or 2 (the first input byte picks the version).
#include <cstdio>
#include <cstring>

#include "codex/DetailMap.h"

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size)
{
    if (size < 1) return 0;
    FILE* f = fmemopen(const_cast<u8*>(data + 1), size - 1, "rb");
    if (!f) return 0;
    TagHeader header;
    memset(&header, 0, sizeof header);
    header.size = u32(size - 1);
    header.version = data[0] & 1 ? 2 : 1;
    DetailMap map;
    InitDmap(&map);
    ReadDmapTag(&map, f, &header);
    FreeDmap(&map);
    fclose(f);
    return 0;
}
