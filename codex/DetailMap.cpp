#include "codex/DetailMap.h"

#include <cstdlib>
#include <cstring>

#include "codex/TagData.h"
#include "foundation/Files.h"

namespace {

struct DmapHeaderV2 {
    u32 width;
    u32 height;
    u32 bytePlaneOffset;
    u32 reserved0;
    u32 pairPlaneOffset;
    u32 reserved1;
    u32 entriesOffset;
    u32 reserved2[57];
};

constexpr ByteOrderDescriptor kDmapHeaderV2Descriptor[] = {
    256, 2, kBoU32, 1, kBoU32, 1, kBoZero32, 1, kBoU32, 1, kBoZero32, 1, kBoU32, 1, kBoZero32, 56, kBoZero32};
static_assert(ByteOrderDescribes<DmapHeaderV2>(kDmapHeaderV2Descriptor), "dmap header v2");

struct DmapHeaderV1 {
    u32 width;
    u32 height;
    u32 reserved[2];
    u32 dtex[kDetailMapEntries];
    u8 values[kDetailMapEntries];
};

constexpr ByteOrderDescriptor kDmapHeaderV1Descriptor[] = {656, 2, kBoU32, 2, kBoZero32, 128, kBoU32, 128, kBoU8};
static_assert(ByteOrderDescribes<DmapHeaderV1>(kDmapHeaderV1Descriptor), "dmap header v1");

constexpr u32 kEntriesBytes = kDetailMapEntries * 64;
constexpr u64 kRunBytes = 256;  // the longest run one {value, count - 1} pair codes

u64 MinRleBytes(u64 n) { return (n + kRunBytes - 1) / kRunBytes * 2; }

bool SizeAllowed(u32 width, u32 height)
{
    return width && height && u64(width) * height <= kDetailMapMaxPoints;
}

}  // namespace

void InitDmap(DetailMap* map)
{
    memset(map, 0, sizeof *map);
}

void FreeDmap(DetailMap* map)
{
    free(map->bytePlane);
    free(map->pairPlane);
    map->bytePlane = map->pairPlane = nullptr;
}

int AllocDmapPlanes(DetailMap* map)
{
    FreeDmap(map);
    if (!SizeAllowed(map->width, map->height)) return 0;
    size_t points = size_t(map->width) * map->height;
    map->bytePlane = static_cast<u8*>(calloc(points, 1));
    map->pairPlane = static_cast<u8*>(calloc(points, 2));
    if (!map->bytePlane || !map->pairPlane) {
        FreeDmap(map);
        return 0;
    }
    return 1;
}

int SetDmapSize(DetailMap* map, u32 width, u32 height)
{
    map->width = width;
    map->height = height;
    return AllocDmapPlanes(map);
}

// Marks the values of n raw bytes at the stream's position; 0 when they cannot be read.
static int ScanRaw(FILE* stream, u64 n, bool present[256])
{
    u8 block[1 << 15];
    while (n) {
        size_t want = n < sizeof block ? size_t(n) : sizeof block;
        if (fread(block, 1, want, stream) != want) return 0;
        for (size_t i = 0; i < want; ++i) present[block[i]] = true;
        n -= want;
    }
    return 1;
}

// present null: the planes are allocated and read. Otherwise only the values the planes hold
// are marked in present, and nothing of their size is allocated; what fails is the same.
static int ReadVersion1(DetailMap* map, FILE* stream, const TagHeader* header, bool* present)
{
    DmapHeaderV1 h;
    if (!TagDataHolds(header, 0, sizeof h) || !ReadRecords(&h, 1, kDmapHeaderV1Descriptor, stream)) return 0;
    map->width = h.width;
    map->height = h.height;
    // The old layout has no colours or descriptions: none may survive from an earlier read.
    memset(map->entries, 0, sizeof map->entries);
    for (u32 i = 0; i < kDetailMapEntries; ++i) {
        map->entries[i].dtex = h.dtex[i];
        map->entries[i].scale = h.values[i] > 1 ? u8(h.values[i] - 1) : 0;
    }
    if (!SizeAllowed(h.width, h.height)) return 0;
    u64 points = u64(h.width) * h.height;
    if (!TagDataHolds(header, sizeof h, points)) return 0;
    if (present) {
        present[0] = true;  // the old layout has no pair plane: it reads as all entry 0
        return ScanRaw(stream, points, present);
    }
    if (!AllocDmapPlanes(map)) return 0;
    return fread(map->bytePlane, size_t(points), 1, stream) == 1;
}

static int ReadVersion2(DetailMap* map, FILE* stream, const TagHeader* header, bool* present)
{
    DmapHeaderV2 h;
    if (!TagDataHolds(header, 0, sizeof h) || !ReadRecords(&h, 1, kDmapHeaderV2Descriptor, stream)) return 0;
    map->width = h.width;
    map->height = h.height;
    if (!TagDataHolds(header, h.entriesOffset, kEntriesBytes) || !SeekTagData(stream, header, h.entriesOffset) ||
        !ReadRecords(map->entries, kDetailMapEntries, kDetailMapEntryDescriptor, stream))
        return 0;
    if (!SizeAllowed(h.width, h.height)) return 0;
    u64 points = u64(h.width) * h.height;
    // A run codes at most 256 bytes in 2: planes larger than the tag could code are refused
    // before anything of their size is allocated.
    if (!TagDataHolds(header, h.bytePlaneOffset, MinRleBytes(points)) ||
        !TagDataHolds(header, h.pairPlaneOffset, MinRleBytes(points * 2)))
        return 0;
    if (present)
        return SeekTagData(stream, header, h.bytePlaneOffset) && ScanRLE(stream, u32(points), present) &&
               SeekTagData(stream, header, h.pairPlaneOffset) && ScanRLE(stream, u32(points * 2), present);
    if (!AllocDmapPlanes(map)) return 0;
    if (!SeekTagData(stream, header, h.bytePlaneOffset) || !ReadRLE(stream, map->bytePlane, u32(points))) return 0;
    if (!SeekTagData(stream, header, h.pairPlaneOffset) || !ReadRLE(stream, map->pairPlane, u32(points * 2)))
        return 0;
    return 1;
}

int ReadDmapTag(DetailMap* map, FILE* stream, const TagHeader* header)
{
    FreeDmap(map);
    if (!SeekTagData(stream, header, 0)) return 0;
    switch (header->version) {
    case 1: return ReadVersion1(map, stream, header, nullptr);
    case 2: return ReadVersion2(map, stream, header, nullptr);
    default: return 0;
    }
}

int ReadDmapUsage(DetailMap* map, FILE* stream, const TagHeader* header, bool used[kDetailMapEntries])
{
    FreeDmap(map);
    bool present[256] = {};
    if (!SeekTagData(stream, header, 0)) return 0;
    int ok = header->version == 1 ? ReadVersion1(map, stream, header, present)
             : header->version == 2 ? ReadVersion2(map, stream, header, present)
                                    : 0;
    if (!ok) return 0;
    for (u32 i = 0; i < kDetailMapEntries; ++i) used[i] = present[i];
    return 1;
}

int WriteDmapTag(const DetailMap* map, FILE* stream, TagHeader* header)
{
    header->version = 2;
    if (!SizeAllowed(map->width, map->height) || !map->bytePlane || !map->pairPlane) return 0;
    u32 points = map->width * map->height;
    DmapHeaderV2 h;
    memset(&h, 0, sizeof h);
    h.width = map->width;
    h.height = map->height;
    h.entriesOffset = sizeof h;
    if (!SeekTagData(stream, header, h.entriesOffset) ||
        !WriteRecords(map->entries, kDetailMapEntries, kDetailMapEntryDescriptor, stream))
        return 0;
    s64 pos = TellTagData(stream, header);
    if (pos < 0 || !WriteRLE(stream, map->bytePlane, points)) return 0;
    h.bytePlaneOffset = u32(pos);
    pos = TellTagData(stream, header);
    if (pos < 0 || !WriteRLE(stream, map->pairPlane, points * 2)) return 0;
    h.pairPlaneOffset = u32(pos);
    return WriteTagDataHeader(stream, header, &h, kDmapHeaderV2Descriptor);
}

DetailMap* LoadDetailMap(FILE* stream, const TagHeader* header)
{
    DetailMap* map = new DetailMap;
    InitDmap(map);
    if (!ReadDmapTag(map, stream, header)) {
        FreeDmap(map);
        delete map;
        return nullptr;
    }
    return map;
}
