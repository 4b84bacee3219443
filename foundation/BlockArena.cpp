#include "foundation/BlockArena.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>

namespace {

constexpr size_t kHeader = 16;             // in front of every block: its size

size_t RoundUp(size_t n, size_t unit) { return (n + unit - 1) / unit * unit; }

#ifndef TAVIK_ARENA_HEAP
constexpr size_t kSpan = size_t(2) << 20;  // the size of a huge page on x86

// A mapping of `size` bytes (a multiple of kSpan) starting on a span boundary, so that each
// of its spans can become one huge page; null when the system refuses.
u8* MapSpans(size_t size)
{
    // Over-allocate by one span and cut the misaligned ends off.
    const size_t reserve = size + kSpan;
    void* p = mmap(nullptr, reserve, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) return nullptr;
    u8* raw = static_cast<u8*>(p);
    u8* base = reinterpret_cast<u8*>(RoundUp(reinterpret_cast<uintptr_t>(raw), kSpan));
    if (base > raw) munmap(raw, size_t(base - raw));
    if (raw + reserve > base + size) munmap(base + size, size_t(raw + reserve - (base + size)));
    // Only advice: where huge pages are off or unavailable the mapping works with small ones.
    madvise(base, size, MADV_HUGEPAGE);
    return base;
}
#endif

}  // namespace

void* ArenaAlloc(BlockArena* arena, size_t bytes)
{
    if (bytes > SIZE_MAX / 4) return nullptr;
    const size_t need = RoundUp(bytes, kHeader) + kHeader;
    u8* at = nullptr;
#ifdef TAVIK_ARENA_HEAP
    at = static_cast<u8*>(malloc(need));
    if (!at) return nullptr;
    arena->mapped += need;
#else
    BlockArena::Mapping* home = nullptr;
    // The newest mappings first: they are the ones with room left.
    for (u32 i = arena->mappings.count; i-- > 0;) {
        BlockArena::Mapping& m = arena->mappings[i];
        if (m.size - m.used >= need) {
            home = &m;
            break;
        }
    }
    if (!home) {
        const size_t size = RoundUp(need, kSpan);
        u8* base = MapSpans(size);
        if (!base) return nullptr;
        home = &arena->mappings.Push(BlockArena::Mapping{base, size, 0, 0});
        arena->mapped += size;
    }
    at = home->base + home->used;
    home->used += need;
    ++home->live;
#endif
    *reinterpret_cast<size_t*>(at) = need;
    arena->inUse += need;
    return at + kHeader;
}

void ArenaFree(BlockArena* arena, void* block)
{
    if (!block) return;
    u8* at = static_cast<u8*>(block) - kHeader;
    const size_t need = *reinterpret_cast<size_t*>(at);
    arena->inUse -= need;
#ifdef TAVIK_ARENA_HEAP
    arena->mapped -= need;
    free(at);
#else
    for (u32 i = 0; i < arena->mappings.count; ++i) {
        BlockArena::Mapping& m = arena->mappings[i];
        if (at < m.base || at >= m.base + m.size) continue;
        if (--m.live == 0) {
            munmap(m.base, m.size);
            arena->mapped -= m.size;
            arena->mappings.Remove(i);
            if (arena->mappings.count == 0) arena->mappings.Free();
        } else if (at + need == m.base + m.used) {
            m.used -= need;
        }
        return;
    }
#endif
}
