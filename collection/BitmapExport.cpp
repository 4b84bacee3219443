#include "collection/BitmapExport.h"

#include <cstring>

namespace {

bool Exportable(const CollectionBitmap& bitmap)
{
    return bitmap.bytesPerPixel == 2 && bitmap.pixels && bitmap.width && bitmap.height;
}

void GreyRamp(Rgb* ramp)
{
    for (u32 i = 0; i < 256; ++i) ramp[i] = Rgb{u8(i), u8(i), u8(i)};
}

}  // namespace

int SaveImageToFile(Image& image, FileRecord& file)
{
    // The image shares its storage with a tag header: a record of another kind holds no
    // buffers to free.
    if (file.kind != kFileKindImage) file.image.Init();
    file.kind = kFileKindImage;
    file.image.MoveFrom(image);
    return file.Save() ? 1 : 0;
}

void CopyBitmapToPlane(Image& image, const CollectionBitmap& bitmap, u32 x, u32 y, bool alpha)
{
    if (!Exportable(bitmap) || !image.pixels || Image::BytesPerPixel(image.format) != 1) return;
    if (x >= image.width || y >= image.height) return;
    u32 w = bitmap.width, h = bitmap.height;
    if (w > image.width - x) w = image.width - x;
    if (h > image.height - y) h = image.height - y;
    u8 transparent = (bitmap.flags & kBitmapSpanRows) ? 0 : 1;
    for (u32 row = 0; row < h; ++row) {
        const u8* p = bitmap.pixels + u64(row) * bitmap.width * 2;
        u8* o = image.pixels + u64(y + row) * image.width + x;
        for (u32 col = 0; col < w; ++col, p += 2) o[col] = alpha ? p[0] : (p[0] ? p[1] : transparent);
    }
    image.checksum = 0;
}

int BitmapToIndexedImage(const Collection& collection, const CollectionBitmap& bitmap, Image& image)
{
    image.Free();
    image.Init();
    if (!Exportable(bitmap) || !image.Create(bitmap.width, bitmap.height, kImageIndexed, nullptr)) return 0;
    Rgb palette[256];
    if (bitmap.flags & kBitmapShadow) {
        GreyRamp(palette);
        const u8* p = bitmap.pixels;
        for (u64 i = 0, n = u64(bitmap.width) * bitmap.height; i < n; ++i, p += 2) image.pixels[i] = p[1];
    } else {
        memcpy(palette, collection.GetColorTable().entries, sizeof(palette));
        CopyBitmapToPlane(image, bitmap, 0, 0, false);
    }
    if (!image.SetPalette(256, palette)) {
        image.Free();
        return 0;
    }
    return 1;
}

int BitmapToAlphaImage(const CollectionBitmap& bitmap, Image& image)
{
    image.Free();
    image.Init();
    if (!Exportable(bitmap) || !image.Create(bitmap.width, bitmap.height, kImageAlpha, nullptr)) return 0;
    CopyBitmapToPlane(image, bitmap, 0, 0, true);
    return 1;
}

int ExportBitmapToImage(const Collection& collection, const CollectionBitmap& bitmap, FileRecord& file)
{
    Image image;
    image.Init();
    if (!BitmapToIndexedImage(collection, bitmap, image)) return 0;
    return SaveImageToFile(image, file);
}

int ExportBitmapAlphaToImage(const Collection&, const CollectionBitmap& bitmap, FileRecord& file)
{
    Image image;
    image.Init();
    if (!BitmapToAlphaImage(bitmap, image)) return 0;
    return SaveImageToFile(image, file);
}
