#include "foundation/DynArray.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

[[noreturn]] void OutOfMemory(u64 bytes)
{
    // The array operations have no failure result; carrying on would leave callers writing
    // through a null pointer, so stop here with a reason.
    fprintf(stderr, "Tavik: out of memory (%llu bytes requested)\n", (unsigned long long)bytes);
    abort();
}

// Gives data room for exactly `bytes` bytes: 0 frees it and leaves null.
void Reallocate(void*& data, u64 bytes)
{
    if (bytes == 0) {
        free(data);
        data = nullptr;
        return;
    }
    // Byte sizes stay below 4 GiB so that both builds agree on what fits.
    if (bytes > 0xFFFFFFFFull) OutOfMemory(bytes);
    void* p = realloc(data, size_t(bytes));
    if (!p) OutOfMemory(bytes);
    data = p;
}

}  // namespace

u32 DynArrayCapacityFor(u32 n)
{
    if (n == 0 || (n & (n - 1)) == 0) return n;
    n |= n >> 1;
    n |= n >> 2;
    n |= n >> 4;
    n |= n >> 8;
    n |= n >> 16;
    if (n == 0xFFFFFFFFu) OutOfMemory(u64(n) + 1);
    return n + 1;
}

void DynArrayBase::Resize(u32 elementSize, u32 n)
{
    if (n >= count && n <= capacity) {
        count = n;
        return;
    }
    u32 cap = DynArrayCapacityFor(n);
    if (cap != capacity) {
        Reallocate(data, u64(cap) * elementSize);
        capacity = cap;
    }
    count = n;
}

void DynArrayBase::SetExact(u32 elementSize, u32 n)
{
    Reallocate(data, u64(n) * elementSize);
    count = capacity = n;
}

void DynArrayBase::Reserve(u32 elementSize, u32 n)
{
    if (n <= capacity) return;
    Reallocate(data, u64(n) * elementSize);
    capacity = n;
}

void* DynArrayBase::InsertGap(u32 elementSize, u32 index, u32 n)
{
    u32 old = count;
    if (u64(old) + n > 0xFFFFFFFFull) OutOfMemory(u64(old + u64(n)) * elementSize);
    Resize(elementSize, old + n);
    u8* base = static_cast<u8*>(data);
    if (n && index < old)
        memmove(base + size_t(index + n) * elementSize, base + size_t(index) * elementSize,
                size_t(old - index) * elementSize);
    return base ? base + size_t(index) * elementSize : nullptr;
}

void DynArrayBase::RemoveRange(u32 elementSize, u32 index, u32 n)
{
    if (n == 0) return;
    u8* base = static_cast<u8*>(data);
    u32 tail = count - index - n;
    if (tail)
        memmove(base + size_t(index) * elementSize, base + size_t(index + n) * elementSize,
                size_t(tail) * elementSize);
    Resize(elementSize, count - n);
}

void DynArrayBase::Free()
{
    free(data);
    data = nullptr;
    count = capacity = 0;
}
