#include "platform/FileDialogs.h"

#include <cstdarg>
#include <cstring>

#include "foundation/ActFile.h"
#include "foundation/Files.h"
#include "foundation/PrefStore.h"
#include "foundation/StringUtil.h"
#include "platform/Os.h"
#include "platform/OsBackend.h"

namespace {

FileKindInfo gTable[] = {
    {kFileKindAny, "Save File As", "Open File", "Open Multiple Files", "Choose Folder", "LastSavePath",
     "LastOpenPath", "LastFolderPath", nullptr, nullptr, nullptr, {nullptr, 0, 0}},
    {kFileKindImage, "Save Image As", "Open Image", "Open Multiple Images", "Choose Image Folder",
     "LastImageSavePath", "LastImageOpenPath", "LastImageFolderPath", "LastImageSaveFormat",
     "LastImageOpenFormat", "LastImageFolderFormat", {nullptr, 0, 0}},
    {kFileKindModel, "Save Model As", "Open Model", "Open Multiple Models", "Choose Model Folder",
     "LastModelSavePath", "LastModelOpenPath", "LastModelFolderPath", "LastModelSaveFormat",
     "LastModelOpenFormat", "LastModelFolderFormat", {nullptr, 0, 0}},
    {kFileKindSound, "Save Sound As", "Open Sound", "Open Multiple Sounds", "Choose Sound Folder",
     "LastSoundSavePath", "LastSoundOpenPath", "LastSoundFolderPath", "LastSoundSaveFormat",
     "LastSoundOpenFormat", "LastSoundFolderFormat", {nullptr, 0, 0}},
    {kFileKindArchive, "Save Archive As", "Open Archive", "Open Multiple Archives", "Choose Archive Folder",
     "LastArchiveSavePath", "LastArchiveOpenPath", "LastArchiveFolderPath", nullptr, nullptr, nullptr,
     {nullptr, 0, 0}},
};

void DefaultErrorBox(const char* title, const char* text) { OsMessageBox(title, text); }
DialogErrorHook gErrorHook = DefaultErrorBox;

void ShowError(const char* text) { gErrorHook("Error", text); }

void AddFilter(DynArray<FileFilter>* list, const char* description, const char* pattern)
{
    FileFilter f;
    f.description = description;
    f.pattern = pattern;
    list->Push(f);
}

void BuildFilters(FileKindInfo& row)
{
    if (row.filters.count) return;
    switch (row.kind) {
    case kFileKindAny: AddFilter(&row.filters, "All files", "*.*"); break;
    case kFileKindImage:
        AddFilter(&row.filters, "Bitmap Image", "*.bmp");
        AddFilter(&row.filters, "PNG Image", "*.png");
        AddFilter(&row.filters, "TIFF Image", "*.tiff");
        break;
    case kFileKindModel: AddFilter(&row.filters, "LightWave Object", "*.lwo"); break;
    case kFileKindSound: AddFilter(&row.filters, "WAV Sound", "*.wav"); break;
    default: break;
    }
}

u32 RememberedFormat(const char* key)
{
    u32 index = 0;
    if (key) GetPrefInt(key, &index);
    return index;
}

void RememberFormat(const char* key, u32 index)
{
    if (key) SetPrefInt(key, index);
}

// The dialogs read the rows back while they run (whenever the shown folder changes), so a
// cancelled one would leave the caller's choices changed: they are put back.
class KeptSelections {
public:
    explicit KeptSelections(DynArray<DialogOption>* list) : list(list)
    {
        if (!list) return;
        for (const DialogOption& o : *list) selected.Push(o.selectedIndex);
    }
    void Restore()
    {
        if (!list) return;
        for (u32 i = 0; i < list->count && i < selected.count; ++i) (*list)[i].selectedIndex = selected[i];
    }

private:
    DynArray<DialogOption>* list;
    ScopedDynArray<u32> selected;
};

}  // namespace

FileKindInfo* GetFileKindInfo(u32 kind)
{
    for (FileKindInfo& row : gTable)
        if (row.kind == kind) {
            BuildFilters(row);
            return &row;
        }
    return nullptr;
}

void FreeFileKindTable()
{
    for (FileKindInfo& row : gTable) row.filters.Clear();
}

void SetDialogErrorHook(DialogErrorHook hook)
{
    gErrorHook = hook ? hook : DefaultErrorBox;
}

void ComposeDialogPath(String* path, const char* folderKey)
{
    if (!folderKey || strchr(path->c_str(), '/') || strchr(path->c_str(), '\\')) return;
    String folder;
    if (!GetPrefString(folderKey, &folder) || folder.IsEmpty()) return;
    NormalizeFolderPath(folder);
    folder.Append(path->c_str());
    *path = folder;
}

void RememberFolderPref(const char* path, const char* folderKey)
{
    if (!folderKey || !path) return;
    String folder;
    SplitPath(path, &folder, nullptr, nullptr);
    SetPrefString(folderKey, folder.c_str());
}

int SaveFileDialog(const char* title, FileRecord* record, u32 kind, DynArray<DialogOption>* options)
{
    FileKindInfo* row = GetFileKindInfo(kind);
    if (!row) return 0;
    String path = record->path;
    ComposeDialogPath(&path, row->saveFolderKey);
    u32 filter = RememberedFormat(row->saveFormatKey);
    KeptSelections kept(options);
    if (!OsSaveFileDialog(title ? title : row->saveTitle, &row->filters, &filter, &path, options)) {
        kept.Restore();
        return 0;
    }
    RememberFolderPref(path.c_str(), row->saveFolderKey);
    RememberFormat(row->saveFormatKey, filter);
    record->path = path;
    record->kind = kind;
    record->format = FindFormatByExtension(path.c_str());
    return 1;
}

int OpenFileDialog(const char* title, FileRecord* record, u32 kind, DynArray<DialogOption>* options)
{
    FileKindInfo* row = GetFileKindInfo(kind);
    if (!row) return 0;
    String path = record->path;
    ComposeDialogPath(&path, row->openFolderKey);
    u32 filter = RememberedFormat(row->openFormatKey);
    KeptSelections kept(options);
    if (!OsOpenFileDialog(title ? title : row->openTitle, &row->filters, &filter, &path, options)) {
        kept.Restore();
        return 0;
    }
    RememberFolderPref(path.c_str(), row->openFolderKey);
    RememberFormat(row->openFormatKey, filter);
    record->Close();
    record->path = path;
    record->kind = kind;
    record->format = kFileFormatUnknown;
    record->sniffed = 0;
    if (!record->Sniff()) {
        ShowError("The selected file could not be read (inaccessable or invalid format).");
        return 0;
    }
    return 1;
}

int OpenMultipleFilesDialog(const char* title, const char* initialPath, DynArray<FileRecord*>* records, u32 kind,
                            DynArray<DialogOption>* options)
{
    FileKindInfo* row = GetFileKindInfo(kind);
    if (!row) return 0;
    String start = initialPath ? initialPath : "";
    ComposeDialogPath(&start, row->openFolderKey);
    u32 filter = RememberedFormat(row->openFormatKey);
    ScopedDynArray<String> paths;
    KeptSelections kept(options);
    if (!OsOpenFilesDialog(title ? title : row->openSeveralTitle, start.c_str(), &row->filters, &filter, &paths,
                           options) ||
        paths.count == 0) {
        kept.Restore();
        return 0;
    }
    RememberFolderPref(paths[0].c_str(), row->openFolderKey);
    RememberFormat(row->openFormatKey, filter);
    u32 first = records->count;
    bool allRead = true;
    for (const String& p : paths) {
        FileRecord* r = new FileRecord(p.c_str());
        r->kind = kind;
        r->format = kFileFormatUnknown;
        records->Push(r);
        if (!r->Sniff()) allRead = false;
    }
    if (!allRead) {
        for (u32 i = first; i < records->count; ++i) delete (*records)[i];
        records->ResizeRaw(first);
        ShowError("Some of the selected files could not be read (inaccessable or invalid format).");
        return 0;
    }
    return 1;
}

int ChooseFolderDialog(const char* title, String* folder, u32* format, u32 kind, DynArray<DialogOption>* options)
{
    FileKindInfo* row = GetFileKindInfo(kind);
    if (!row) return 0;
    ScopedDynArray<DialogOption> local;
    KeptSelections kept(options);
    DynArray<DialogOption>* list = options;
    bool withFormat = format && row->filters.count;
    if (withFormat) {
        if (!list) list = &local;
        DialogOption option;
        option.label = "Target Format:";
        for (const FileFilter& f : row->filters) {
            DialogOptionChoice choice;
            String text = FormatString("%s (%s)", f.description.c_str(), f.pattern.c_str());
            choice.text = text;
            choice.value = FindFormatByExtension(f.pattern.c_str());
            option.choices.Push(choice);
        }
        option.defaultIndex = option.selectedIndex = RememberedFormat(row->folderFormatKey) % row->filters.count;
        list->Insert(0, option);
    }
    String path = *folder;
    if (path.IsEmpty() && row->folderKey) GetPrefString(row->folderKey, &path);
    int ok = OsChooseFolderDialog(title ? title : row->folderTitle, &path, list);
    if (ok) {
        *folder = path;
        if (row->folderKey) SetPrefString(row->folderKey, path.c_str());
    }
    if (withFormat) {
        const DialogOption& chosen = (*list)[0];
        if (ok && chosen.selectedIndex < chosen.choices.count) {
            RememberFormat(row->folderFormatKey, chosen.selectedIndex);
            *format = chosen.choices[chosen.selectedIndex].value;
        }
        list->Remove(0);
    }
    if (!ok) kept.Restore();
    return ok;
}

int ExportColorTableDialog(const char* path, const Rgb* entries, u32 count)
{
    ScopedDynArray<FileFilter> filters;
    AddFilter(&filters, "Adobe Color Table", "*.act");
    String chosen = path ? path : "";
    // The same rule as after the dialog: only the file name's own extension counts, in any case.
    if (!chosen.IsEmpty()) OsAppendFilterExtension(&chosen, filters, 0);
    u32 filter = 0;
    if (!OsSaveFileDialog("Export Color Table", &filters, &filter, &chosen, nullptr)) return 0;
    if (!WriteColorTableFile(chosen.c_str(), entries, count)) {
        ShowError("The color table could not be saved.");
        return 0;
    }
    return 1;
}

int ImportColorTableDialog(const char* path, Rgb* entries, u32* count)
{
    ScopedDynArray<FileFilter> filters;
    AddFilter(&filters, "Adobe Color Table", "*.act");
    String chosen = path ? path : "";
    u32 filter = 0;
    if (!OsOpenFileDialog("Import Color Table", &filters, &filter, &chosen, nullptr)) return 0;
    if (!ReadColorTableFile(chosen.c_str(), entries, count)) {
        ShowError("The color table could not be opened.");
        return 0;
    }
    return 1;
}

void AddDialogOption(DynArray<DialogOption>* list, const char* label, s32 defaultIndex, ...)
{
    DialogOption option;
    option.label = label;
    va_list args;
    va_start(args, defaultIndex);
    for (const char* text = va_arg(args, const char*); text; text = va_arg(args, const char*)) {
        DialogOptionChoice choice;
        choice.text = text;
        choice.value = va_arg(args, u32);
        option.choices.Push(choice);
    }
    va_end(args);
    u32 index = defaultIndex < 0 ? 0 : u32(defaultIndex);
    if (option.choices.count && index >= option.choices.count) index = option.choices.count - 1;
    if (!option.choices.count) index = 0;
    option.defaultIndex = option.selectedIndex = index;
    list->Push(option);
}

u32 GetDialogOptionValue(const DynArray<DialogOption>* list, u32 i)
{
    if (!list || i >= list->count) return 0;
    const DialogOption& o = (*list)[i];
    return o.selectedIndex < o.choices.count ? o.choices[o.selectedIndex].value : 0;
}
