#include "platform/OsDialogs.h"

#include <cctype>
#include <cstring>
#include <strings.h>

#include "foundation/Files.h"
#include "platform/Os.h"
#include "platform/OsBackend.h"

namespace {

u8 g_custom[16][3];

void Slashes(String* s)
{
    if (char* p = s->Buffer())
        for (; *p; ++p)
            if (*p == '\\') *p = '/';
}

// The extension a single-glob pattern names ("*.bmp" gives ".bmp"); null for patterns that
// name no one extension ("*.*", "*", "a*.b?", "*.png;*.bmp").
const char* PatternExtension(const char* pattern)
{
    if (pattern[0] != '*' || pattern[1] != '.') return nullptr;
    const char* ext = pattern + 1;
    if (ext[1] == 0 || strpbrk(ext, "*?;[ ")) return nullptr;
    return ext;
}

void SortNames(DynArray<String>* names)
{
    for (u32 i = 1; i < names->count; ++i) {
        String moving(static_cast<String&&>((*names)[i]));
        u32 j = i;
        while (j > 0 && OsCompareNames((*names)[j - 1].c_str(), moving.c_str()) > 0) {
            (*names)[j] = static_cast<String&&>((*names)[j - 1]);
            --j;
        }
        (*names)[j] = static_cast<String&&>(moving);
    }
}

// The common set-up of the file dialogs: the filter list shown (built into shown), the
// starting filter, and the initial folder and file name split from the path into the strings
// the request points at.
void SetupFileDialog(OsFileDialogRequest* request, int mode, const char* title, const DynArray<FileFilter>* filters,
                     u32 startIndex, const char* initialPath, DynArray<DialogOption>* options,
                     DynArray<FileFilter>* shown, String* folder, String* fileName)
{
    if (mode == OsFileDialogRequest::Folder) {
        folder->Set(initialPath);
        Slashes(folder);
    } else {
        OsBuildFilterList(shown, filters, mode != OsFileDialogRequest::Save);
        OsSplitDialogPath(initialPath, folder, fileName);
    }
    request->mode = mode;
    request->title = title ? title : "";
    request->filters = mode == OsFileDialogRequest::Folder ? nullptr : shown;
    request->filterIndex = startIndex < shown->count ? startIndex : 0;
    request->folder = folder->c_str();
    request->fileName = fileName->c_str();
    request->options = options;
}

// Shows the dialog with the built filter list; answer->filterIndex is within the list on OK.
void RunFileDialog(int mode, const char* title, const DynArray<FileFilter>* filters, u32 startIndex,
                   const char* initialPath, DynArray<DialogOption>* options, DynArray<FileFilter>* shown,
                   OsFileDialogAnswer* answer)
{
    String folder, fileName;
    OsFileDialogRequest request;
    SetupFileDialog(&request, mode, title, filters, startIndex, initialPath, options, shown, &folder, &fileName);
    OsSetNativeDialogActive(1);
    OsCurrentBackend()->FileDialog(&request, answer);
    OsSetNativeDialogActive(0);
    if (answer->ok && answer->paths.count == 0) answer->ok = 0;
    if (answer->ok && shown->count && answer->filterIndex >= shown->count) answer->filterIndex = request.filterIndex;
}

}  // namespace

void OsAppendFilterExtension(String* path, const DynArray<FileFilter>& shown, u32 index)
{
    if (index >= shown.count) return;
    const char* ext = PatternExtension(shown[index].pattern.c_str());
    if (!ext) return;
    // Only the file name's own extension counts, whatever its case: "image.BMP" is a bitmap
    // already, while a folder named "x.bmp" or a name like "pic.bmp.old" is not.
    const char* name = path->c_str();
    for (const char* p = name; *p; ++p)
        if (*p == '/' || *p == '\\') name = p + 1;
    const char* dot = strrchr(name, '.');
    if (!dot || strcasecmp(dot, ext) != 0) path->Append(ext);
}

void OsResetDialogState() { memset(g_custom, 0, sizeof g_custom); }

void OsBuildFilterList(DynArray<FileFilter>* out, const DynArray<FileFilter>* filters, int openDialog)
{
    out->Clear();
    if (!filters || filters->count == 0) {
        FileFilter all;
        all.description.Set("All Files");
        all.pattern.Set("*.*");
        out->Push(all);
        return;
    }
    out->Assign(*filters);
    if (openDialog && filters->count >= 2) {
        FileFilter any;
        any.description.Set("Any");
        for (u32 i = 0; i < filters->count; ++i) {
            if (i) any.pattern.Append(";");
            any.pattern.Append((*filters)[i].pattern.c_str());
        }
        out->Push(any);
    }
}

void OsFilterPatternToGlob(String* out, const char* pattern)
{
    out->Clear();
    if (!strcmp(pattern, "*.*") || !strcmp(pattern, "*")) {
        out->Set("*");
        return;
    }
    for (const char* p = pattern; *p; ++p) {
        unsigned char c = u8(*p);
        if (isalpha(c)) {
            char both[5] = {'[', char(tolower(c)), char(toupper(c)), ']', 0};
            out->Append(both);
        } else {
            out->Append(p, 1);
        }
    }
}

void OsSplitDialogPath(const char* path, String* folder, String* fileName)
{
    String p(path ? path : "");
    Slashes(&p);
    const char* s = p.c_str();
    const char* slash = strrchr(s, '/');
    if (!slash) {
        folder->Clear();
        fileName->Set(s);
        return;
    }
    fileName->Set(slash + 1);
    u32 length = u32(slash - s);
    folder->Set(s, length ? length : 1);
}

namespace {

// One file to save or open. The chosen filter's extension is appended only for one of the
// given filters, never for "Any" or the "All Files" stand-in, and never to an existing file
// that was opened: the filters match without regard to case, so "photo.PNG" is listed under
// "*.png" and must come back as it is.
int OneFileDialog(int mode, const char* title, const DynArray<FileFilter>* filters, u32* filterIndex, String* path,
                  DynArray<DialogOption>* options)
{
    ScopedDynArray<FileFilter> shown;
    OsFileDialogAnswer answer;
    RunFileDialog(mode, title, filters, filterIndex ? *filterIndex : 0, path->c_str(), options, &shown, &answer);
    if (!answer.ok) return 0;
    path->Set(answer.paths[0].c_str());
    u32 given = filters ? filters->count : 0;
    bool existingOpened = mode == OsFileDialogRequest::Open && IsDirectory(path->c_str(), 0);
    if (answer.filterIndex < given && !existingOpened) OsAppendFilterExtension(path, shown, answer.filterIndex);
    Slashes(path);
    if (filterIndex) *filterIndex = answer.filterIndex;
    return 1;
}

}  // namespace

int OsSaveFileDialog(const char* title, const DynArray<FileFilter>* filters, u32* filterIndex, String* path,
                     DynArray<DialogOption>* options)
{
    return OneFileDialog(OsFileDialogRequest::Save, title, filters, filterIndex, path, options);
}

int OsOpenFileDialog(const char* title, const DynArray<FileFilter>* filters, u32* filterIndex, String* path,
                     DynArray<DialogOption>* options)
{
    return OneFileDialog(OsFileDialogRequest::Open, title, filters, filterIndex, path, options);
}

int OsOpenFilesDialog(const char* title, const char* initialPath, const DynArray<FileFilter>* filters,
                      u32* filterIndex, DynArray<String>* paths, DynArray<DialogOption>* options)
{
    paths->Clear();
    ScopedDynArray<FileFilter> shown;
    OsFileDialogAnswer answer;
    RunFileDialog(OsFileDialogRequest::OpenMany, title, filters, filterIndex ? *filterIndex : 0, initialPath,
                  options, &shown, &answer);
    if (!answer.ok) return 0;
    paths->Assign(answer.paths);
    for (String& p : *paths) Slashes(&p);
    if (paths->count > 1) SortNames(paths);
    if (filterIndex) *filterIndex = answer.filterIndex;
    return 1;
}

int OsChooseFolderDialog(const char* title, String* folder, DynArray<DialogOption>* options)
{
    ScopedDynArray<FileFilter> shown;
    OsFileDialogAnswer answer;
    RunFileDialog(OsFileDialogRequest::Folder, title, nullptr, 0, folder->c_str(), options, &shown, &answer);
    if (!answer.ok) return 0;
    folder->Set(answer.paths[0].c_str());
    Slashes(folder);
    if (folder->IsEmpty() || folder->c_str()[folder->Length() - 1] != '/') folder->Append("/");
    return 1;
}

int PickColor(u8 rgb[3])
{
    u8 chosen[3] = {rgb[0], rgb[1], rgb[2]};
    OsSetNativeDialogActive(1);
    int ok = OsCurrentBackend()->ColorDialog(chosen, g_custom);
    OsSetNativeDialogActive(0);
    if (!ok) return 0;
    memcpy(rgb, chosen, 3);
    // The chosen colour leads the custom row; an equal one moves up instead of repeating.
    int at = 15;
    for (int i = 0; i < 16; ++i)
        if (!memcmp(g_custom[i], chosen, 3)) {
            at = i;
            break;
        }
    memmove(g_custom[1], g_custom[0], size_t(at) * 3);
    memcpy(g_custom[0], chosen, 3);
    return 1;
}

void OsGetCustomColors(u8 out[16][3]) { memcpy(out, g_custom, sizeof g_custom); }
