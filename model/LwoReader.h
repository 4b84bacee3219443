#pragma once
// Big-endian reading of LightWave object files.
//
// An LwoReader wraps a stdio stream and keeps the byte count the chunk readers use: every read
// adds the bytes it consumed; a failed read sets the count to LWO_READ_ERROR, and while it holds
// that value every read answers 0 (or null) without touching the stream. Reads are also bounded
// by the reader's limit (the end of the enclosing chunk or sub-chunk, never past the end of the
// file): a read that would cross it fails instead, so a size or string in the file can never
// make the reader allocate or consume more than is really there.
//
// The LwoBuffer cursor does the same for a block already in memory.
#include <cstdio>
#include "foundation/Types.h"

constexpr s32 LWO_READ_ERROR = s32(0x80000000u);

struct LwoReader {
    FILE* fp;
    s32 count;      // bytes consumed since the last reset, or LWO_READ_ERROR
    s64 pos;        // position in the stream
    s64 fileSize;
    s64 limit;      // reads must end at or before this position
};

// Opens path for reading; answers 0 when it cannot be opened. The limit is the end of the file.
int LwoOpenReader(LwoReader* r, const char* path);
void LwoCloseReader(LwoReader* r);

inline void LwoSetReadCount(LwoReader* r, s32 n) { r->count = n; }
inline s32 LwoGetReadCount(const LwoReader* r) { return r->count; }
inline bool LwoReadFailed(const LwoReader* r) { return r->count == LWO_READ_ERROR; }
// Bytes left before the limit.
inline s64 LwoRemaining(const LwoReader* r) { return r->limit - r->pos; }

// Narrows the limit to the next n bytes and answers the previous limit, to be given back to
// LwoPopLimit. Answers -1 (and sets the error value) when n crosses the current limit.
s64 LwoPushLimit(LwoReader* r, s64 n);
inline void LwoPopLimit(LwoReader* r, s64 saved) { r->limit = saved; }

// Moves forward n bytes without reading them (not counted); crossing the limit fails.
int LwoSkip(LwoReader* r, s64 n);

// A new malloc'd block of n bytes (one extra zero byte follows them); null with the error value
// for a negative n, a read past the limit or a short read.
u8* LwoReadBytes(LwoReader* r, s32 n);
u8 LwoReadU1(LwoReader* r);
u16 LwoReadU2(LwoReader* r);
s16 LwoReadI2(LwoReader* r);
s32 LwoReadI4(LwoReader* r);
u32 LwoReadU4(LwoReader* r);
float LwoReadF4(LwoReader* r);
// Variable-length index: 2 bytes, or 4 when the first byte is 0xFF (the value is then the three
// bytes after it).
s32 LwoReadVX(LwoReader* r);
// A zero-terminated string padded to even length; null for an empty string (which consumes 2
// bytes). A string that does not end before the limit sets the error value.
char* LwoReadS0(LwoReader* r);

// Reads a sub-chunk header (4-byte id, U2 size), narrows the limit to the sub-chunk (its size
// rounded up to even; a sub-chunk ending its enclosing chunk may lack the pad byte) and resets
// the count. Answers the previous limit for LwoEndSubChunk, or -1 with the error value when the
// header is short or the sub-chunk claims more than what is left of its enclosing chunk.
s64 LwoBeginSubChunk(LwoReader* r, u32* id, s32* size);
// Skips what is left of the sub-chunk and restores the limit; 0 when a read inside it failed.
int LwoEndSubChunk(LwoReader* r, s64 saved);
// The rest of the current limit as a new block of *size bytes (null for none or on failure).
u8* LwoReadRest(LwoReader* r, s32* size);

// Cursor over a block in memory; reads past end set failed and answer 0 or null.
struct LwoBuffer {
    const u8* pos;
    const u8* end;
    int failed;
};

inline LwoBuffer LwoMakeBuffer(const void* data, s64 size)
{
    LwoBuffer b;
    b.pos = static_cast<const u8*>(data);
    b.end = b.pos + size;
    b.failed = 0;
    return b;
}
inline s64 LwoBufferLeft(const LwoBuffer* b) { return b->end - b->pos; }

u8 LwoGetU1(LwoBuffer* b);
s16 LwoGetI2(LwoBuffer* b);
u16 LwoGetU2(LwoBuffer* b);
u32 LwoGetU4(LwoBuffer* b);
s32 LwoGetVX(LwoBuffer* b);
float LwoGetF4(LwoBuffer* b);
// A copy of the next padded string (null for an empty one); a string without its terminator
// before the end of the block fails.
char* LwoGetS0(LwoBuffer* b);

// Reverses the byte order of n elements of size bytes in place.
void LwoReverseBytes(void* data, int size, s64 n);

// A malloc'd copy of n bytes followed by a terminator (null on failure).
char* LwoCopyString(const char* s, s64 n);
// A malloc'd copy of a terminated string (null for null).
char* LwoDuplicateString(const char* s);
