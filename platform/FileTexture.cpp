#include "platform/FileTexture.h"

#include "platform/GLTexture.h"

u32 CreateFileTexture(FileRecord* record)
{
    if (!record || (!record->loaded && !record->Load()) || record->kind != kFileKindImage) return 0;
    Image& image = record->image;
    if (image.format == 6400 && !image.ConvertTo(6407)) return 0;
    if (image.format != 6406 && image.format != 6407 && image.format != 6408) return 0;
    GLTexture texture;
    if (!texture.Create(image.pixels, image.format, image.width, image.height, 0, 0)) return 0;
    // The caller owns the name from here on.
    return texture.id;
}
