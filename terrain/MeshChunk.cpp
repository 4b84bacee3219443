#include "terrain/MeshChunk.h"

#include <cstdlib>
#include <cstring>

int ResizeMeshChunks(DynArray<MeshChunk>* chunks, u32 count, ChunkReleaser release)
{
    const u32 old = chunks->count;
    if (count < old) {
        if (release)
            for (u32 i = count; i < old; ++i) release(&chunks->data[i]);
    }
    if (count == chunks->capacity) {
        chunks->count = count;
        return 1;
    }
    const u64 bytes = u64(count) * sizeof(MeshChunk);
    // DynArray's own resize stops the program when memory runs out; a mesh too big for this
    // build must only fail its load, so the block is managed here.
    if (bytes > 0xFFFFFFFFull || bytes > u64(size_t(-1))) return 0;
    if (count == 0) {
        free(chunks->data);
        chunks->data = nullptr;
    } else if (!chunks->data) {
        // A new array comes zeroed from the system: no pass of its own over megabytes.
        void* p = calloc(count, sizeof(MeshChunk));
        if (!p) return 0;
        chunks->data = static_cast<MeshChunk*>(p);
        chunks->count = chunks->capacity = count;
        return 1;
    } else {
        void* p = realloc(chunks->data, size_t(bytes));
        if (!p) return 0;
        chunks->data = static_cast<MeshChunk*>(p);
    }
    if (count > old) memset(chunks->data + old, 0, size_t(count - old) * sizeof(MeshChunk));
    chunks->count = chunks->capacity = count;
    return 1;
}

void ComputeChunkBounds(const MeshChunk* chunk, float box[6], s32 x0, s32 x1, s32 z0, s32 z1)
{
    s32 lo = 2147483647, hi = -2147483647 - 1;
    for (s32 z = z0; z <= z1; ++z)
        for (s32 x = x0; x <= x1; ++x) {
            const s32 h = chunk->heights[(z - chunk->z0) * s32(kChunkVertices) + (x - chunk->x0)];
            if (h < lo) lo = h;
            if (h > hi) hi = h;
        }
    box[0] = float(x0);
    box[1] = float(lo) / 512.0f;
    box[2] = float(z0);
    box[3] = float(x1);
    box[4] = float(hi) / 512.0f;
    box[5] = float(z1);
}
