#include "collection/ui/ImageFileDialogs.h"

#include <cstring>

#include "collection/BitmapExport.h"
#include "collection/ImageImport.h"
#include "foundation/PrefStore.h"
#include "gui/MessageBox.h"
#include "platform/FileDialogs.h"

namespace {

// Sniffs and loads; shows the first two messages of the checks. 1 when the pixels are there.
int LoadImageFile(FileRecord& file)
{
    const char* name = FileNameOfPath(file.path.c_str());
    if (!file.Sniff() || file.kind != kFileKindImage) {
        ShowErrorBox("'%s': The file is not of the right format.", name);
        return 0;
    }
    if (!file.loaded && !file.Load()) {
        ShowErrorBox("'%s': An error occurred while reading the image data.", name);
        return 0;
    }
    return 1;
}

}  // namespace

const char* FileNameOfPath(const char* path)
{
    if (!path) return "";
    const char* slash = strrchr(path, '/');
    return slash ? slash + 1 : path;
}

int CheckPalettedImageFile(FileRecord& file)
{
    if (!LoadImageFile(file)) return 0;
    if (file.image.format == kImageIndexed || IsGreyRampImage(file.image)) return 1;
    ShowErrorBox("'%s': The image is not 8-bit paletted.", FileNameOfPath(file.path.c_str()));
    return 0;
}

int CheckGreyscaleImageFile(FileRecord& file)
{
    if (!LoadImageFile(file)) return 0;
    if (file.image.format == kImageAlpha) return 1;
    ShowErrorBox("'%s': The image is not 8-bit greyscale.", FileNameOfPath(file.path.c_str()));
    return 0;
}

CollectionBitmap* ImportBitmapFile(Collection& collection, FileRecord& file, CollectionBitmap* replace)
{
    // The record's image shares its storage with a tag header: only a loaded image is read.
    if (!LoadImageFile(file)) return nullptr;
    char name[64];
    BitmapNameFromPath(file.path.c_str(), name);
    u32 failure = kImportOk;
    CollectionBitmap* b = collection.ImportImage(file.image, name, replace, false, &failure);
    if (b) return b;
    const char* fileName = FileNameOfPath(file.path.c_str());
    // Only colours that do not fit are a question; anything else is said as it is.
    if (failure != kImportColours) {
        ShowErrorBox(failure == kImportTooLarge   ? "'%s': The image is too large for a bitmap."
                     : failure == kImportNoMemory ? "'%s': There is not enough memory to import the image."
                                                  : "'%s': The image could not be converted.",
                     fileName);
        return nullptr;
    }
    String question = FormatErrorText("'%s': The image is not compatible with the existing color table.\n"
                                      "Would you like to replace the color table in the tag with the one in the file?",
                                      fileName);
    if (ShowMessageBox(nullptr, question.c_str(), "Replace", "Cancel", nullptr) != 0) return nullptr;
    b = collection.ImportImage(file.image, name, replace, true, &failure);
    if (!b && failure == kImportNoMemory) ShowErrorBox("'%s': There is not enough memory to import the image.", fileName);
    else if (!b) ShowErrorBox("'%s': The color table could not be replaced.", fileName);
    return b;
}

int ApplyAlphaMaskFile(Collection&, CollectionBitmap& bitmap, FileRecord& file)
{
    if (!CheckGreyscaleImageFile(file)) return 0;
    if (bitmap.SetAlphaFromImage(file.image)) return 1;
    ShowErrorBox("'%s': The alpha mask must have the same dimensions as the image. Found: %d x %d. Expected: %d x %d.",
                 FileNameOfPath(file.path.c_str()), int(file.image.width), int(file.image.height), int(bitmap.width),
                 int(bitmap.height));
    return 0;
}

int ExportBitmapFile(const Collection& collection, const CollectionBitmap& bitmap, FileRecord& file, bool alpha)
{
    const char* name = FileNameOfPath(file.path.c_str());
    if (bitmap.bytesPerPixel != 2) {
        ShowErrorBox("'%s': True-color bitmaps cannot be exported as 8-bit images.", name);
        return 0;
    }
    int ok = alpha ? ExportBitmapAlphaToImage(collection, bitmap, file) : ExportBitmapToImage(collection, bitmap, file);
    if (!ok) ShowErrorBox("'%s': The image could not be saved.", name);
    return ok;
}

int OpenMultipleImagesDialog(const char* title, DynArray<FileRecord*>* files)
{
    return OpenMultipleFilesDialog(title, nullptr, files, kFileKindImage, nullptr);
}

int ImportBitmapsDialog(const char* title, DynArray<FileRecord*>* files, u32* mode)
{
    u32 stored;
    if (GetPrefInt(kBitmapImportMappingModeKey, &stored)) *mode = stored;
    ScopedDynArray<DialogOption> options;
    AddDialogOption(&options, "Replace:", s32(*mode), "By Order", u32(kMapByOrder), "By Name", u32(kMapByName),
                    nullptr);
    int ok = OpenMultipleFilesDialog(title, nullptr, files, kFileKindImage, &options);
    if (ok) {
        *mode = GetDialogOptionValue(&options, 0);
        SetPrefInt(kBitmapImportMappingModeKey, *mode);
    }
    return ok;
}
