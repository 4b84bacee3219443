// The bitmap browser's commands that read or write files, and cropping: adding, replacing and
// exporting bitmaps, shadows, alphas and plates.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>
#include <string>
#include <utility>
#include <unordered_set>
#include <vector>

#include "collection/BitmapCrop.h"
#include "collection/BitmapFileNames.h"
#include "collection/ImageImport.h"
#include "collection/ui/ImageFileDialogs.h"
#include "collection/ui/PlateFiles.h"
#include "collection/ui/X256BitmapBrowser.h"
#include "foundation/Files.h"
#include "foundation/PrefStore.h"
#include "gui/MessageBox.h"
#include "platform/FileDialogs.h"

namespace {

constexpr const char* kMappingModeKey = "BitmapImportMappingMode";

// Owns the records a multi-file dialog hands out.
struct FileList {
    ScopedDynArray<FileRecord*> files;
    ~FileList() { files.DeleteAll(); }
};

// The text read as a decimal number in 1..4096 (spaces around it allowed), else 0.
u32 ParseUncropSize(const char* text)
{
    while (*text == ' ' || *text == '\t') ++text;
    if (*text < '0' || *text > '9') return 0;
    errno = 0;
    char* end = nullptr;
    long v = strtol(text, &end, 10);
    while (*end == ' ' || *end == '\t') ++end;
    if (errno || *end || v < 1 || v > 4096) return 0;
    return u32(v);
}

// A shadow's {alpha, level} pixels from an 8-bit greyscale image: the grey value is the level,
// opaque where it is above 0. Null when the image is too large for a bitmap or memory runs out.
u8* ShadowPixels(const Image& image)
{
    u64 n = u64(image.width) * image.height;
    if (n > kMaxBitmapPixels || image.width > 0xFFFF || image.height > 0xFFFF) return nullptr;
    u8* pixels = static_cast<u8*>(malloc(size_t(n ? n : 1) * 2));
    if (!pixels) return nullptr;
    for (u64 i = 0; i < n; ++i) {
        pixels[2 * i] = image.pixels[i] ? 255 : 0;
        pixels[2 * i + 1] = image.pixels[i];
    }
    return pixels;
}

// Adds the shadow of the loaded greyscale file, or puts it in place of replace. A failure is
// shown naming the file; nothing changes then.
CollectionBitmap* AddShadow(Collection& collection, FileRecord& file, CollectionBitmap* replace)
{
    const Image& image = file.image;
    const char* fileName = FileNameOfPath(file.path.c_str());
    if (u64(image.width) * image.height > kMaxBitmapPixels || image.width > 0xFFFF || image.height > 0xFFFF) {
        ShowErrorBox("'%s': The image is too large for a bitmap.", fileName);
        return nullptr;
    }
    u8* pixels = ShadowPixels(image);
    char name[64];
    BitmapNameFromPath(file.path.c_str(), name);
    CollectionBitmap* b =
        pixels ? collection.AddBitmap(name, kBitmapShadow, pixels, image.width, image.height, 2, replace) : nullptr;
    free(pixels);
    if (!b) ShowErrorBox("'%s': There is not enough memory to import the image.", fileName);
    return b;
}

bool EndsWithNoCase(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && !strcasecmp(text.c_str() + text.size() - end.size(), end.c_str());
}

bool SameColourTable(const ColorTable& a, const ColorTable& b) { return !memcmp(a.entries, b.entries, sizeof(a.entries)); }

}  // namespace

// ---- cropping ----

void X256BitmapBrowser::CropBitmaps(const DynArray<CollectionBitmap*>& list, const char* phrase)
{
    if (!collection || !list.count) return;
    char question[160];
    snprintf(question, sizeof(question), "Are you sure you want to crop %s bitmap%s?", phrase,
             list.count == 1 ? "" : "s");
    if (ShowMessageBox(nullptr, question, "Crop", "Cancel", nullptr) != 0) return;
    if (!CheckNoneOpen(list, "cropping")) return;
    u32 count = 0;
    s64 pixels = 0;
    for (CollectionBitmap* b : list) {
        s64 removed = TrimBitmap(*collection, *b);
        if (removed == kCropNoMemory) {
            // This bitmap is left whole; the ones after it are not tried.
            ShowErrorBox("The bitmap \"%s\" could not be cropped: there is not enough memory.", b->name);
            break;
        }
        if (removed > 0) {
            ++count;
            pixels += removed;
        }
    }
    char report[160];
    snprintf(report, sizeof(report), "%u bitmap%s cropped (%lld pixels removed).", count,
             count == 1 ? " was" : "s were", static_cast<long long>(pixels));
    ShowMessageBox("", report, "OK", nullptr);
    if (count) RefreshKeepScroll();
}

void X256BitmapBrowser::UncropBitmaps(const DynArray<CollectionBitmap*>& list)
{
    if (!collection || !list.count) return;
    String text;
    if (ShowInputBox("Enter Uncropped Size (pixels)", &text, "Uncrop", "Cancel", nullptr) != 0) return;
    u32 size = ParseUncropSize(text.c_str());
    if (!size) {
        ShowMessageBox("Error", "Invalid size for uncropping.", "OK", nullptr);
        return;
    }
    if (!CheckNoneOpen(list, "cropping")) return;
    bool any = false;
    for (CollectionBitmap* b : list) {
        s64 r = PadBitmap(*collection, *b, size, size);
        if (r == kCropNoMemory) {
            ShowErrorBox("The bitmap \"%s\" could not be uncropped: there is not enough memory.", b->name);
            break;
        }
        any = r == 1 || any;
    }
    if (any) RefreshKeepScroll();
}

// ---- adding ----

void X256BitmapBrowser::ImportBitmaps()
{
    if (!collection) return;
    FileList chosen;
    if (!OpenMultipleImagesDialog("Import Bitmaps", &chosen.files)) return;
    for (FileRecord* f : chosen.files)
        if (!CheckPalettedImageFile(*f)) return;
    for (FileRecord* f : chosen.files)
        if (ImportBitmapFile(*collection, *f, nullptr)) RefreshKeepScroll();
}

void X256BitmapBrowser::ImportShadows()
{
    if (!collection) return;
    FileList chosen;
    if (!OpenMultipleImagesDialog("Import Shadows", &chosen.files)) return;
    for (FileRecord* f : chosen.files)
        if (!CheckGreyscaleImageFile(*f)) return;
    for (FileRecord* f : chosen.files) AddShadowFromImage(nullptr, *f);
}

CollectionBitmap* X256BitmapBrowser::AddShadowFromImage(CollectionBitmap* replace, FileRecord& file)
{
    if (!collection || !CheckGreyscaleImageFile(file)) return nullptr;
    CollectionBitmap* b = AddShadow(*collection, file, replace);
    if (b) RefreshKeepScroll();
    return b;
}

void X256BitmapBrowser::ImportPlate()
{
    if (!collection) return;
    FileRecord file;
    if (!OpenFileDialog("Import Plate", &file, kFileKindImage, nullptr)) return;
    if (!CheckPalettedImageFile(file)) return;
    if (ImportColorPlate(*collection, file, nullptr)) RefreshKeepScroll();
}

// ---- replacing ----

void X256BitmapBrowser::ReplaceFromFiles(const DynArray<CollectionBitmap*>& list, const char* what,
                                         const char* suffix, ReplaceStep step)
{
    if (!collection || !list.count || !CheckNoneOpen(list, "replacing")) return;
    FileList chosen;
    u32 mode = 0;
    char title[64];
    snprintf(title, sizeof(title), "Import replacement %s%s", what, list.count == 1 ? "" : "s");
    if (!ImportBitmapsDialog(title, &chosen.files, &mode)) return;
    MatchReplacements(chosen.files, mode, list, suffix, step);
}

void X256BitmapBrowser::ReplaceBitmaps(const DynArray<CollectionBitmap*>& list)
{
    ReplaceFromFiles(list, "bitmap", "", kReplaceColour);
}

void X256BitmapBrowser::ReplaceShadows(const DynArray<CollectionBitmap*>& list)
{
    ReplaceFromFiles(list, "shadow", "", kReplaceShadow);
}

void X256BitmapBrowser::ReplaceAlphas(const DynArray<CollectionBitmap*>& list)
{
    ReplaceFromFiles(list, "alpha", " alpha", kReplaceAlphaMask);
}

u32 X256BitmapBrowser::MatchReplacements(const DynArray<FileRecord*>& files, u32 mode,
                                         const DynArray<CollectionBitmap*>& list, const char* suffix,
                                         ReplaceStep step)
{
    if (!collection || !list.count) return 0;
    if (mode == 0 ? files.count != list.count : files.count < list.count) {
        char text[128];
        snprintf(text, sizeof(text), "%u bitmaps were selected, expected at least %u", files.count, list.count);
        ShowMessageBox("Error", text, "OK", nullptr);
        return 0;
    }
    ScopedDynArray<FileRecord*> fileOf;
    for (u32 i = 0; i < list.count; ++i) fileOf.Push(mode == 0 ? files.data[i] : nullptr);
    if (mode != 0) {
        for (FileRecord* f : files) {
            std::string base = BaseName(f->path.c_str(), 1);
            for (u32 i = 0; i < list.count; ++i) {
                if (fileOf.data[i] || base != std::string(list.data[i]->name) + suffix) continue;
                fileOf.data[i] = f;
                break;
            }
        }
        ScopedDynArray<const char*> unmatched;
        for (u32 i = 0; i < list.count; ++i)
            if (!fileOf.data[i]) unmatched.Push(list.data[i]->name);
        if (unmatched.count) {
            String text;
            UnmatchedNamesText(unmatched.data, unmatched.count, &text);
            ShowMessageBox("Error", text.c_str(), "OK", nullptr);
            return 0;
        }
    }
    for (FileRecord* f : fileOf)
        if (!(step == kReplaceColour ? CheckPalettedImageFile(*f) : CheckGreyscaleImageFile(*f))) return 0;
    u32 replaced = 0;
    for (u32 i = 0; i < list.count; ++i) {
        CollectionBitmap* b = list.data[i];
        if (collection->IndexOfBitmap(b) < 0) continue;
        FileRecord& f = *fileOf.data[i];
        CollectionBitmap* now = nullptr;
        switch (step) {
        case kReplaceColour: now = ImportBitmapFile(*collection, f, b); break;
        // One refresh at the end, not one per shadow.
        case kReplaceShadow: now = AddShadow(*collection, f, b); break;
        case kReplaceAlphaMask: now = ApplyAlphaMaskFile(*collection, *b, f) == 1 ? b : nullptr; break;
        }
        if (!now) continue;
        ++replaced;
        if (now != b) Rebind(b, now);
    }
    if (replaced) RefreshKeepScroll();
    return replaced;
}

void X256BitmapBrowser::ReplaceFromPlate(const DynArray<CollectionBitmap*>& list)
{
    // The plate's bitmaps take the place of the listed ones, which are freed: an open window
    // of one would be left showing freed pixels.
    if (!collection || !list.count || !CheckNoneOpen(list, "replacing")) return;
    FileRecord file;
    file.path = String(collection->name);
    file.path.Append(" plate");
    if (!OpenFileDialog("Import Plate", &file, kFileKindImage, nullptr)) return;
    if (!CheckPalettedImageFile(file)) return;
    ColorTable before = collection->colorTable;
    ScopedDynArray<CollectionBitmap*> plate;
    if (!ImportColorPlate(*collection, file, &plate)) return;
    bool empty = false;
    for (CollectionBitmap* p : plate) empty = empty || !p;
    if (plate.count != list.count || empty) {
        if (plate.count != list.count)
            ShowErrorBox("Number of images in plate (%u) does not match the expected value of %u.", plate.count,
                         list.count);
        else
            ShowErrorBox("The replace could not be performed because a bitmap in the plate contains no pixels.");
        for (CollectionBitmap* p : plate)
            if (p) collection->DeleteBitmap(p);
        // A colour table merged by the plate stays merged.
        if (SameColourTable(before, collection->colorTable))
            Refresh();
        else
            RefreshKeepScroll();
        return;
    }
    // Each listed bitmap takes over its plate bitmap's pixels, so no step can fail half way
    // (a copy could run out of memory after some were replaced), and the listed bitmaps stay
    // the ones every view and open window points at.
    for (u32 i = list.count; i-- > 0;) {
        CollectionBitmap* target = list.data[i];
        CollectionBitmap* source = plate.data[i];
        std::swap(target->pixels, source->pixels);
        target->width = source->width;
        target->height = source->height;
        target->flags = source->flags;
        target->bytesPerPixel = source->bytesPerPixel;
        collection->DeleteBitmap(source);
    }
    RefreshKeepScroll();
}

void X256BitmapBrowser::ReplaceAlphaFromPlate(const DynArray<CollectionBitmap*>& list)
{
    if (!collection || !list.count) return;
    FileRecord file;
    file.path = String(collection->name);
    file.path.Append(" alpha plate");
    if (!OpenFileDialog("Import Alpha Plate", &file, kFileKindImage, nullptr)) return;
    if (!CheckPalettedImageFile(file)) return;
    if (ImportAlphaPlate(*collection, file, list)) RefreshKeepScroll();
}

// ---- exporting ----

void X256BitmapBrowser::ExportBitmaps(const DynArray<CollectionBitmap*>& list, bool alpha)
{
    if (!collection || !list.count) return;
    const char* suffix = alpha ? " alpha" : "";
    if (list.count == 1) {
        CollectionBitmap* b = list.data[0];
        FileRecord file;
        String proposed(b->name);
        proposed.Append(suffix);
        if (!CleanExportFileName(proposed.c_str(), &file.path)) file.path = String(Noun());
        if (!SaveFileDialog(alpha ? "Export Alpha" : "Export Bitmap", &file, kFileKindImage, nullptr)) return;
        ExportBitmapFile(*collection, *b, file, alpha);
        return;
    }
    u32 mode = 0;
    if (!GetPrefInt(kMappingModeKey, &mode)) mode = 0;
    ScopedDynArray<DialogOption> options;
    AddDialogOption(&options, "Mode:", s32(mode ? 1 : 0), "By Numbering", 0u, "By Bitmap Name", 1u, nullptr);
    String folder;
    u32 format = kFileFormatPng;
    if (!ChooseFolderDialog("Choose a destination folder", &folder, &format, kFileKindImage, &options)) return;
    mode = GetDialogOptionValue(&options, 0);
    SetPrefInt(kMappingModeKey, mode);

    const char* numbered = alpha ? "alpha" : kind == kShadowsPage ? "shadow" : "bitmap";
    std::vector<std::string> names;
    for (u32 i = 0; i < list.count; ++i) {
        char number[32];
        snprintf(number, sizeof(number), "%s #%04u", numbered, i);
        String name;
        if (mode == 1) {
            String raw(list.data[i]->name);
            raw.Append(suffix);
            // A name with nothing usable left takes its number instead of an empty file name.
            if (!CleanExportFileName(raw.c_str(), &name)) name = String(number);
        } else {
            name = String(number);
        }
        names.push_back(name.c_str());
    }
    if (mode == 1) {
        // Compared as the files would be named: two names that clean alike would overwrite.
        std::unordered_set<std::string> seen;
        for (const std::string& n : names) {
            if (seen.insert(n).second) continue;
            ShowMessageBox("Error",
                           "Export by name is not possible because two or more of the selected bitmaps share the "
                           "same name. Running the auto-rename function may be useful.",
                           "OK", nullptr);
            return;
        }
    }
    const std::string extension = FindFileTypeByFormat(format).extension;
    std::string base = folder.c_str();
    if (base.empty() || base.back() != '/') base += '/';
    for (u32 i = 0; i < list.count; ++i) {
        std::string path = base + names[i];
        if (!EndsWithNoCase(names[i], extension)) path += extension;
        FileRecord file(path.c_str());
        file.kind = kFileKindImage;
        file.format = format;
        // One failure is reported once, not once per bitmap left.
        if (!ExportBitmapFile(*collection, *list.data[i], file, alpha)) break;
    }
}

void X256BitmapBrowser::ExportPlate(const DynArray<CollectionBitmap*>& list, bool alpha)
{
    if (!collection || !list.count) return;
    FileRecord file;
    file.path = String(collection->name);
    file.path.Append(alpha ? " alpha plate" : " plate");
    if (!SaveFileDialog("Export Plate", &file, kFileKindImage, nullptr)) return;
    ExportColorPlateFile(*collection, list, file, alpha, 0);
}
