#pragma once
// Uploading the image of a picked file as an OpenGL texture (the textures of imported models).
#include "foundation/FileRecord.h"
#include "foundation/Types.h"

// Loads the record's image (when not loaded yet) and uploads it as a 2D texture with linear
// filtering: a paletted image is expanded to RGB first; grey goes as an alpha texture (its
// internal format the pixel format), RGB and RGBA as they are.
// The texture state is restored afterwards. Answers the texture name, or 0 when the file is
// not an image, cannot be loaded or OpenGL gives no texture.
u32 CreateFileTexture(FileRecord* record);
