#pragma once
// Choosing files and folders by FileKind: each kind has its dialog titles, filters and the
// preference keys under which the last folder and format are remembered between runs.
// Cancel is not an error: the dialogs then answer 0 and write no preference.
#include "foundation/DynArray.h"
#include "foundation/FileRecord.h"
#include "foundation/Rgb.h"
#include "foundation/String.h"
#include "platform/OsDialogs.h"

struct FileKindInfo {
    u32 kind;
    const char* saveTitle;
    const char* openTitle;
    const char* openSeveralTitle;
    const char* folderTitle;
    const char* saveFolderKey;
    const char* openFolderKey;
    const char* folderKey;
    const char* saveFormatKey;   // null: the kind remembers no format
    const char* openFormatKey;
    const char* folderFormatKey;
    DynArray<FileFilter> filters;  // built on first use
};

// The row of a kind (any file, image, model, sound, archive) with its filters, or null.
FileKindInfo* GetFileKindInfo(u32 kind);
// Frees the filter lists (at exit, and between tests).
void FreeFileKindTable();

// Shows a failure the user must see ("Error", the text, "OK"). The window system installs its
// own message box; until then the host's is used.
typedef void (*DialogErrorHook)(const char* title, const char* text);
void SetDialogErrorHook(DialogErrorHook hook);

// Asks for a file to save. The record's path is completed with the remembered save folder,
// the filter starts at the remembered format; on OK the folder and filter are remembered and
// the record's path, kind and format (from the chosen name's extension) are set. 1 or 0.
int SaveFileDialog(const char* title, FileRecord* record, u32 kind, DynArray<DialogOption>* options);
// Asks for an existing file; on OK the record gets the kind, format 0 and is sniffed. A file
// that does not sniff shows an error and gives 0.
int OpenFileDialog(const char* title, FileRecord* record, u32 kind, DynArray<DialogOption>* options);
// Asks for several files; records receives one new FileRecord per file (owned by the caller,
// DeleteAll), sniffed, in name order. When any file does not sniff none is kept, an error is
// shown and the answer is 0.
int OpenMultipleFilesDialog(const char* title, const char* initialPath, DynArray<FileRecord*>* records, u32 kind,
                            DynArray<DialogOption>* options);
// Asks for a folder, completed with and remembered under the kind's folder key. With format,
// a first option "Target Format:" offers the kind's filters (values: their FileFormat) at the
// remembered format; the chosen value goes to *format and the option is removed again.
int ChooseFolderDialog(const char* title, String* folder, u32* format, u32 kind, DynArray<DialogOption>* options);
// ".act" files through a save or open dialog; failures are shown.
int ExportColorTableDialog(const char* path, const Rgb* entries, u32 count);
int ImportColorTableDialog(const char* path, Rgb* entries, u32* count);

// When path has no folder part, puts the folder stored under folderKey in front of it.
void ComposeDialogPath(String* path, const char* folderKey);
// Stores the folder part of path under folderKey (nothing without a key).
void RememberFolderPref(const char* path, const char* folderKey);
// Appends an option: its label and the choices given as (const char* text, u32 value) pairs
// ended by a null text; default and selected index are the default clamped to the last
// choice (a negative default gives 0).
void AddDialogOption(DynArray<DialogOption>* list, const char* label, s32 defaultIndex, ...);
// The value of option i's selected choice (0 when out of range).
u32 GetDialogOptionValue(const DynArray<DialogOption>* list, u32 i);
