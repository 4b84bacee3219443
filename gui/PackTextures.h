#pragma once
// The OpenGL side of texture packs: page textures and the renderer of the pack draw queue.
// All of it needs the program's OpenGL context.
#include "gui/core/TexturePack.h"

// Deletes the pack's page textures, then packs all its images onto new RGBA pages (at most
// 1024 pixels a side, or the OpenGL maximum when smaller) and uploads them with nearest
// filtering. Installs the OpenGL queue renderer and texture deleter. Answers 0 when an image
// could not be placed (it is then left out of the pages and draws nothing).
int BuildPackTextures(TexturePack* pack);
// Makes the pack draw queue draw with OpenGL and page textures be deleted with it.
void InstallGLPackRenderer();
// The OpenGL maximum texture size (at least 64 when OpenGL cannot tell).
u32 GetMaxTextureSize();
// A new texture from tightly packed pixels (GL_RGBA or GL_ALPHA source), clamped at the
// edges, with the given filter; the texture binding and unpack alignment are restored. 0 on
// failure.
u32 CreatePageTexture(const u8* pixels, u32 width, u32 height, u32 format, u32 filter);
