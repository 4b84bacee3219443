#include "terrain/ui/ChunkTexture.h"

#include <GL/gl.h>

#include "platform/GLTexture.h"
#include "terrain/ChunkTexels.h"
#include "terrain/MeshChunk.h"

u32 ChunkTextureSize() { return HasNonPowerOfTwoTextures() ? kChunkTexelsBordered : kChunkTexels; }

int UploadChunkTexture(void*, MeshChunk* chunk, const u8* texels, u32 size)
{
    ReleaseChunkTexture(chunk);
    GLTexture texture;
    if (!texture.Create(texels, GLTEX_RGB, size, size, 0, 0) || texture.id == 0) {
        texture.Delete();
        return 0;
    }
    chunk->texture = texture.id;
    return 1;
}

void ReleaseChunkTexture(MeshChunk* chunk)
{
    if (chunk->texture) {
        GLuint name = chunk->texture;
        glDeleteTextures(1, &name);
    }
    chunk->texture = 0;
}
