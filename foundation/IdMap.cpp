#include "foundation/IdMap.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

const u32 kNone = 0xFFFFFFFFu;
const u32 kFirstBucketBits = 3;

struct IdMapEntry {
    u32 key;
    u32 next;  // next entry of the same bucket, or kNone
    void* value;
};

}  // namespace

// The pairs live packed in one array, so iteration and erasure touch no scattered nodes;
// each bucket holds the index of its first pair and the pairs chain through `next`.
struct IdMap {
    DynArray<IdMapEntry> entries;
    DynArray<u32> buckets;
    u32 bits;  // buckets.count == 1 << bits
    BlockArena* arena;  // where the two tables live; null: the heap
};

namespace {

// Fibonacci hashing: group codes are four letters and tag ids are small counters, so the
// low bits alone would pile them into few buckets; the multiply spreads every key bit into
// the top bits that are kept.
inline u32 BucketOf(const IdMap* map, u32 key)
{
    return (key * 0x9E3779B1u) >> (32 - map->bits);
}

// Gives a table of an arena map room for n elements (a power of two, like the heap's
// growth), so that the DynArray operations after it never reallocate.
template <typename T>
void MakeRoom(IdMap* map, DynArray<T>& table, u32 n)
{
    if (!map->arena || n <= table.capacity) return;
    const u32 capacity = DynArrayCapacityFor(n);
    T* grown = static_cast<T*>(ArenaAlloc(map->arena, sizeof(T) * size_t(capacity)));
    if (!grown) {
        // The same answer as the heap's tables give.
        fprintf(stderr, "Tavik: out of memory (a map of %u pairs)\n", n);
        abort();
    }
    if (table.count) memcpy(grown, table.data, sizeof(T) * table.count);
    ArenaFree(map->arena, table.data);
    table.data = grown;
    table.capacity = capacity;
}

void Rehash(IdMap* map, u32 bits)
{
    map->bits = bits;
    MakeRoom(map, map->buckets, u32(1) << bits);
    map->buckets.ResizeRaw(u32(1) << bits);
    for (u32 i = 0; i < map->buckets.count; ++i) map->buckets[i] = kNone;
    for (u32 i = 0; i < map->entries.count; ++i) {
        u32 b = BucketOf(map, map->entries[i].key);
        map->entries[i].next = map->buckets[b];
        map->buckets[b] = i;
    }
}

// The link (a bucket head or an entry's next) that holds entry index i.
u32* LinkTo(IdMap* map, u32 i)
{
    u32* link = &map->buckets[BucketOf(map, map->entries[i].key)];
    while (*link != i) link = &map->entries[*link].next;
    return link;
}

}  // namespace

int IdMapCreate(IdMap** handle) { return IdMapCreateIn(handle, nullptr); }

int IdMapCreateIn(IdMap** handle, BlockArena* arena)
{
    IdMap* map = static_cast<IdMap*>(calloc(1, sizeof(IdMap)));
    *handle = map;
    if (!map) return 0;
    map->arena = arena;
    Rehash(map, kFirstBucketBits);
    return 1;
}

int IdMapInsert(IdMap* map, u32 key, void* value)
{
    if (!map) return 0;
    u32 b = BucketOf(map, key);
    for (u32 i = map->buckets[b]; i != kNone; i = map->entries[i].next)
        if (map->entries[i].key == key) return 0;
    u32 i = map->entries.count;
    MakeRoom(map, map->entries, i + 1);
    map->entries.Push(IdMapEntry{key, map->buckets[b], value});
    map->buckets[b] = i;
    // Load factor at most 1. The bucket count stops doubling at 2^31, past any count the
    // 32-bit entry index can reach anyway.
    if (map->entries.count > map->buckets.count && map->bits < 31) Rehash(map, map->bits + 1);
    return 1;
}

void* IdMapFind(IdMap* map, u32 key)
{
    if (!map) return nullptr;
    for (u32 i = map->buckets[BucketOf(map, key)]; i != kNone; i = map->entries[i].next)
        if (map->entries[i].key == key) return map->entries[i].value;
    return nullptr;
}

void* IdMapErase(IdMap* map, u32 key)
{
    if (!map) return nullptr;
    u32* link = &map->buckets[BucketOf(map, key)];
    while (*link != kNone && map->entries[*link].key != key) link = &map->entries[*link].next;
    if (*link == kNone) return nullptr;
    u32 i = *link;
    void* value = map->entries[i].value;
    *link = map->entries[i].next;
    // Keep the pairs packed: the last pair moves into the hole and its one incoming link is
    // redirected.
    u32 lastIndex = map->entries.count - 1;
    if (i != lastIndex) {
        *LinkTo(map, lastIndex) = i;
        map->entries[i] = map->entries[lastIndex];
    }
    // Shrink without giving storage back: a map that hovers around a power of two would
    // otherwise reallocate on every insert and erase.
    map->entries.count = lastIndex;
    return value;
}

u32 IdMapCount(IdMap* map)
{
    return map ? map->entries.count : 0;
}

void IdMapValues(IdMap* map, DynArray<void*>* list)
{
    if (!map) return;
    u32 start = list->count;
    list->ResizeRaw(start + map->entries.count);
    for (u32 i = 0; i < map->entries.count; ++i) list->data[start + i] = map->entries[i].value;
}

void IdMapDestroy(IdMap** handle)
{
    IdMap* map = *handle;
    if (!map) return;
    if (map->arena) {
        ArenaFree(map->arena, map->entries.data);
        ArenaFree(map->arena, map->buckets.data);
    } else {
        map->entries.Free();
        map->buckets.Free();
    }
    free(map);
    *handle = nullptr;
}
