#pragma once
// Storage for big tables that are filled at once and live long (the tag index's copies,
// entries and maps). Blocks are carved from mappings made of whole 2 MB spans that the kernel
// is asked to back with huge pages: filling megabytes of records then costs a few page faults
// instead of one per 4 KB page, and on a virtual machine every fault is expensive.
//
// A mapping goes back to the system once every block in it is freed; until then the room of
// a freed block is reused only when it lay at the mapping's end. All-zero is an empty arena.
// Not thread-safe. Under AddressSanitizer every block is a heap block of its own, so misuse
// is still caught.
#include <cstddef>

#include "foundation/DynArray.h"
#include "foundation/Types.h"

struct BlockArena {
    struct Mapping {
        u8* base;
        size_t size;
        size_t used;  // the end of the last block placed
        u32 live;     // blocks not yet freed
    };
    DynArray<Mapping> mappings;
    size_t inUse;   // bytes of live blocks, their headers included
    size_t mapped;  // bytes of all mappings (of the heap blocks under AddressSanitizer)
};

// Whether blocks come from the heap (AddressSanitizer builds) rather than from mappings.
#if defined(__SANITIZE_ADDRESS__)
#define TAVIK_ARENA_HEAP 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TAVIK_ARENA_HEAP 1
#endif
#endif

// A block of at least `bytes` bytes, 16-byte aligned and not zero-filled; null when the
// system refuses the memory or the size is absurd.
void* ArenaAlloc(BlockArena* arena, size_t bytes);
// Frees a block that ArenaAlloc of the same arena gave; null is ignored.
void ArenaFree(BlockArena* arena, void* block);
