#include "foundation/AllocatorTuning.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

void TuneAllocator()
{
#if defined(__GLIBC__)
    // Blocks below 32 MiB come from the heap. Fixing the threshold also stops glibc's own
    // adjustment, which never lifts it past a block of exactly the threshold's size: a bitmap
    // of 128 KiB was mapped and unmapped on every allocation.
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    // Up to 64 MiB free at the top of the heap stays for the next image instead of being
    // returned and faulted in again.
    mallopt(M_TRIM_THRESHOLD, 64 << 20);
#endif
}
