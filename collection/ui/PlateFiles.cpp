#include "collection/ui/PlateFiles.h"

#include "collection/ImageImport.h"
#include "collection/ui/ImageFileDialogs.h"
#include "gui/MessageBox.h"

namespace {

// Loads the record when it is not yet; true when it holds an image's pixels (the image shares
// its storage with a tag header, so nothing else may be read as one).
bool LoadedImage(FileRecord& file)
{
    if (!file.loaded) file.Load();
    return file.loaded && file.kind == kFileKindImage;
}

}  // namespace

int ImportColorPlate(Collection& collection, FileRecord& file, DynArray<CollectionBitmap*>* list)
{
    char base[64];
    BitmapNameFromPath(file.path.c_str(), base);
    if (LoadedImage(file) && ImportColorPlateImage(collection, file.image, base, list))
        return 1;
    ShowErrorBox("'%s': The color plate is not of the correct format or is not compatible with the existing color "
                 "table.",
                 FileNameOfPath(file.path.c_str()));
    return 0;
}

int ImportAlphaPlate(Collection&, FileRecord& file, const DynArray<CollectionBitmap*>& bitmaps)
{
    if (LoadedImage(file) && ImportAlphaPlateImage(file.image, bitmaps)) return 1;
    ShowErrorBox("'%s': The alpha plate is not of the correct format or the image dimensions do not match.",
                 FileNameOfPath(file.path.c_str()));
    return 0;
}

int ExportColorPlateFile(const Collection& collection, const DynArray<CollectionBitmap*>& bitmaps, FileRecord& file,
                         bool alpha, u32 perRow)
{
    const char* name = FileNameOfPath(file.path.c_str());
    int ok = ExportColorPlate(collection, bitmaps, file, alpha, perRow);
    if (ok == kPlateTooLarge) ShowErrorBox("'%s': The plate is too large to be made.", name);
    else if (!ok) ShowErrorBox("'%s': The image could not be saved.", name);
    return ok == 1;
}
