// Detail-map tag data of version 1 or 2 (the first input byte picks the version).
#include <cstdio>
#include <cstring>

#include "codex/AddonTags.h"
#include "codex/DetailMap.h"
#include "fuzz/TagDataFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size)
{
    if (size < 1) return 0;
    TagHeader header;
    FILE* f = tagfuzz::OpenTagData(data + 1, size - 1, &header);
    if (!f) return 0;
    header.version = data[0] & 1 ? 2 : 1;
    DetailMap map;
    InitDmap(&map);
    // What a map read from a file holds is marked for a Dtex add-on (entry numbers unchecked).
    if (ReadDmapTag(&map, f, &header)) {
        bool used[kDetailMapEntries] = {};
        MarkUsedDetailEntries(map, used);
    }
    FreeDmap(&map);
    fclose(f);
    return 0;
}
