#pragma once
// 'dmap' tag data: which detail texture covers each point and triangle of a terrain mesh.
// Version 2 is read and written; version 1 is read only.
#include <cstdio>
#include "codex/TagHeader.h"
#include "foundation/ByteOrder.h"

constexpr u32 kDetailMapEntries = 128;

struct DetailMapEntry {
    u32 dtex;          // detail-texture tag id, -1 for none
    u8 scale;          // detail scale minus 1
    u8 color[3];       // highlight colour: red, green, blue
    u32 reserved[6];   // zero on disk
    char name[32];     // description, 31 characters and a zero byte
};

inline constexpr ByteOrderDescriptor kDetailMapEntryDescriptor[] = {
    64, 1, kBoU32, 1, kBoU8, 3, kBoU8, 6, kBoZero32, 31, kBoU8, 1, kBoZero8};
static_assert(ByteOrderDescribes<DetailMapEntry>(kDetailMapEntryDescriptor), "DetailMapEntry layout");

struct DetailMap {
    u32 width;
    u32 height;
    u8* bytePlane;   // width x height entry numbers, one per grid point
    u8* pairPlane;   // width x height x 2: the entry numbers of each square's two triangles
    DetailMapEntry entries[kDetailMapEntries];
};

// The largest grid a detail map may have (both builds): far above any real mesh, small enough
// that the planes stay allocatable in the 32-bit build.
constexpr u64 kDetailMapMaxPoints = u64(1) << 26;

void InitDmap(DetailMap* map);
void FreeDmap(DetailMap* map);
// Frees and allocates both planes zero-filled for the current size. Returns 1, or 0 when the
// size is 0, too large or memory runs out (the planes are then null).
int AllocDmapPlanes(DetailMap* map);
int SetDmapSize(DetailMap* map, u32 width, u32 height);

// Reads version 1 or 2 from the tag's data. Returns 0 for other versions, a size that the
// tag's bytes cannot hold, offsets outside the data, runs past a plane's end, or a failed
// seek or read; the map then keeps what was read (free it with FreeDmap).
int ReadDmapTag(DetailMap* map, FILE* stream, const TagHeader* header);
// Reads the map's size and entries as ReadDmapTag does, and instead of the planes only which
// entries they use (used[n] for each entry number n found in either plane); the planes stay
// null. Fails exactly where ReadDmapTag would, without allocating anything of the planes' size.
int ReadDmapUsage(DetailMap* map, FILE* stream, const TagHeader* header, bool used[kDetailMapEntries]);
// Sets the header's version to 2 and writes version 2 at the data start. Returns 1 or 0.
int WriteDmapTag(const DetailMap* map, FILE* stream, TagHeader* header);
// A new map read with ReadDmapTag (free with FreeDmap and delete), or null.
DetailMap* LoadDetailMap(FILE* stream, const TagHeader* header);
