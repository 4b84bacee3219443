// Prints what this program's reader sees in a detail map of a game folder (the winning copy:
// the local one when there is one), for scripts that check a saved detail map:
// "name <name>", "version <n>", "size <width>x<height>", one "entry <i> <dtex id in hex>
// <scale byte> <r> <g> <b> <name>" per entry, "vertices <crc32>" and "triangles <crc32>" of the
// two planes, then the planes row by row: "v <z> <width bytes in hex>" and "t <z> <2 x width
// bytes in hex>". Exits with 1 when the tag is missing or cannot be read.
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "codex/Codex.h"
#include "codex/DetailMap.h"
#include "codex/TagFiles.h"
#include "tools/GameFolder.h"

namespace {

u32 Checksum(const u8* bytes, size_t size)
{
    return u32(crc32(crc32(0L, Z_NULL, 0), bytes, uInt(size)));
}

void PrintRows(char kind, const u8* plane, u32 rowBytes, u32 rows)
{
    for (u32 z = 0; z < rows; ++z) {
        printf("%c %u ", kind, z);
        const u8* row = plane + size_t(z) * rowBytes;
        for (u32 i = 0; i < rowBytes; ++i) printf("%02x", row[i]);
        printf("\n");
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: dmap_info <game folder> <detail map name>\n");
        return 2;
    }
    if (!OpenGameFolder("dmap_info", argv[1])) return 1;
    TagEntry* entry = FindTagNamed(FourCC("dmap"), argv[2]);
    TagHeader header;
    FILE* stream = entry ? OpenTag(entry, &header) : nullptr;
    DetailMap* map = stream ? LoadDetailMap(stream, &header) : nullptr;
    if (stream) CloseTagReader(entry);
    if (!map) {
        fprintf(stderr, "dmap_info: cannot read the detail map '%s'\n", argv[2]);
        CloseCodex();
        return 1;
    }
    printf("name %s\nversion %u\nsize %ux%u\n", header.name, unsigned(header.version), map->width, map->height);
    for (u32 i = 0; i < kDetailMapEntries; ++i) {
        const DetailMapEntry& e = map->entries[i];
        printf("entry %u %08x %u %u %u %u %s\n", i, e.dtex, e.scale, e.color[0], e.color[1], e.color[2], e.name);
    }
    const size_t points = size_t(map->width) * map->height;
    printf("vertices %08x\ntriangles %08x\n", Checksum(map->bytePlane, points), Checksum(map->pairPlane, points * 2));
    PrintRows('v', map->bytePlane, map->width, map->height);
    PrintRows('t', map->pairPlane, map->width * 2, map->height);
    FreeDmap(map);
    delete map;
    CloseCodex();
    return 0;
}
