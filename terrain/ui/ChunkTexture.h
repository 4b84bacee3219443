#pragma once
// The OpenGL side of the chunk colour textures: the texels the terrain core builds are
// uploaded once per chunk and the texel copy is not kept. The context must be current.
#include "foundation/Types.h"

struct MeshChunk;

// 257 when non-power-of-two textures are supported (the bordered form), else 256.
u32 ChunkTextureSize();

// A ChunkTextureSink for TerrainModel::Load: uploads size x size RGB texels without mipmaps
// as the chunk's texture (replacing one it had). Answers 0 when OpenGL gives no texture.
int UploadChunkTexture(void* context, MeshChunk* chunk, const u8* texels, u32 size);

// A ChunkReleaser: deletes the chunk's texture; texture becomes 0.
void ReleaseChunkTexture(MeshChunk* chunk);
