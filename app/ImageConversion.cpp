#include <cstring>
#include <string>
#include <vector>

#include "app/RootMenu.h"
#include "app/Shell.h"
#include "foundation/FileRecord.h"
#include "foundation/Files.h"
#include "foundation/StringUtil.h"
#include "gui/MessageBox.h"
#include "gui/WindowSystem.h"
#include "platform/FileDialogs.h"
#include "platform/Os.h"

namespace {

int CollectFile(const FileInfo*, const char* folder, const char* name, void* context)
{
    std::string path = folder;
    if (!path.empty() && path.back() != '/') path += '/';
    path += name;
    static_cast<std::vector<std::string>*>(context)->push_back(path);
    return 1;
}

// Removes a trailing extension (case-insensitive); answers whether it did.
bool StripTrailing(String& path, const char* extension)
{
    u32 n = path.Length(), e = u32(strlen(extension));
    if (n <= e || StrICmp(path.c_str() + n - e, extension) != 0) return false;
    path.Set(path.c_str(), n - e);
    return true;
}

}  // namespace

int ConvertImageFile(const char* path, u32 targetFormat, u32 alphaOnly)
{
    OsSetWindowTitle(FormatString("Processing... %s", path).c_str());
    WindowSystem::RunStepHook();

    FileRecord source(path);
    if (!source.Sniff() || source.kind != kFileKindImage) return 0;
    if (source.format == targetFormat && !alphaOnly) return 0;
    u32 ownFormat = source.format;
    if (!source.Load()) return 0;
    // Whether the pixels are 8-bit alpha is known only once they are read: a bitmap's header
    // shows a paletted image, which turns out to be alpha when its palette is a grey ramp.
    if (source.format == targetFormat && source.image.format == kImageAlpha) return 0;

    String target = path;
    const char* targetExtension = FindFileTypeByFormat(targetFormat).extension;
    const char* ownExtension = FindFileTypeByFormat(ownFormat).extension;
    while (StripTrailing(target, targetExtension) || StripTrailing(target, ownExtension)) {
    }
    if (alphaOnly) {
        if (!source.image.ConvertTo(6406)) return 0;
        target.Append(".alpha");
    }
    // The stripping above leaves no target extension at the end; one elsewhere in the path (a
    // folder named "shots.png") must not stop the file getting its own.
    target.Append(targetExtension);
    // Never replace an existing file: it may be another original of the folder ("leaf.bmp"
    // beside the "leaf.png" being converted to BMP), or the result of an earlier run.
    FileInfo existing;
    if (StatPath(&existing, target.c_str())) return 0;

    FileRecord out(target.c_str());
    out.kind = kFileKindImage;
    out.format = targetFormat;
    out.image.MoveFrom(source.image);
    return out.Save() ? 1 : 0;
}

void ConvertImagesInFolder()
{
    ScopedDynArray<DialogOption> options;
    AddDialogOption(&options, "Mode:", 0, "Full", 0u, "Alpha Only", 1u, nullptr);
    String folder;
    u32 targetFormat = kFileFormatBmp;
    if (!ChooseFolderDialog("Choose a folder", &folder, &targetFormat, kFileKindImage, &options)) return;
    u32 alphaOnly = GetDialogOptionValue(&options, 0);

    // The list is taken first: the converted files land in the folders being converted.
    std::vector<std::string> files;
    ScanFolder(folder.c_str(), 1, CollectFile, nullptr, &files);
    int count = 0;
    // Busy, as the collection builders run: input that comes meanwhile is dropped and a quit
    // waits for the last file instead of being asked (and carried out) between two of them.
    WindowSystem::BeginBusy();
    for (const std::string& f : files) count += ConvertImageFile(f.c_str(), targetFormat, alphaOnly);
    const int quit = WindowSystem::EndBusy();

    OsSetWindowTitle("Tavik");
    if (quit) {
        WindowSystem::RequestQuit();
        // No box once the program is quitting: its loop would wait for a window that is gone.
        if (!WindowSystem::IsRunning()) return;
    }
    ShowMessageBox("Operation complete", FormatString("%d files processed", count).c_str(), "OK", nullptr);
}
