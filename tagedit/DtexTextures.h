#pragma once
// The drawing side of detail textures: the tag database keeps their pixels, and these hooks
// turn them into OpenGL textures when an editor or the terrain first draws them. The texture
// DtexTag::GetTexture answers is then a GLTexture*.

// Installs the hooks: RGB textures with mipmaps and anisotropic filtering. Call once the
// OpenGL context is current (after InitGL).
void InstallDtexTextureHooks();
// Removes them; call after the last detail texture is gone, while the context still exists.
void RemoveDtexTextureHooks();
