#pragma once

// Raises the C library's thresholds for serving blocks from fresh mappings and for giving
// freed memory back, so that the many image buffers of a few hundred KiB to a few MiB (bitmaps,
// renderings, decoded files) are reused from the heap instead of being mapped, faulted in page
// by page, zeroed by the kernel and unmapped each time. Idempotent; does nothing where the
// allocator has no such tuning. Called before main in every program that links image code.
void TuneAllocator();
