#pragma once
// The host's file, folder and colour dialogs at the platform level: each answers non-zero on
// OK and 0 on cancel, opens over the program's window and is bracketed by the native-dialog
// hook (OsSetNativeDialogHook). When the host has no dialogs (GTK could not start) every
// dialog answers 0, changes nothing and the failure is logged once.
#include "foundation/DynArray.h"
#include "foundation/String.h"
#include "foundation/Types.h"

// One entry of a dialog's file-type list; the pattern may join several globs with ';'.
struct FileFilter {
    String description;
    String pattern;
};

struct DialogOptionChoice {
    String text;
    u32 value;
};

// An extra labelled drop-down row inside a dialog. The dialog reads the row back into
// selectedIndex when the user confirms and whenever the shown folder changes.
struct DialogOption {
    u32 defaultIndex;
    u32 selectedIndex;
    DynArray<DialogOptionChoice> choices;
    String label;

    DialogOption() : defaultIndex(0), selectedIndex(0), choices{nullptr, 0, 0} {}
    DialogOption(const DialogOption& o)
        : defaultIndex(o.defaultIndex), selectedIndex(o.selectedIndex), choices{nullptr, 0, 0}, label(o.label)
    {
        choices.Assign(o.choices);
    }
    DialogOption& operator=(const DialogOption& o)
    {
        if (this != &o) {
            defaultIndex = o.defaultIndex;
            selectedIndex = o.selectedIndex;
            choices.Assign(o.choices);
            label = o.label;
        }
        return *this;
    }
    ~DialogOption() { choices.Clear(); }
};

// Asks for one file name to save, confirming before an existing file is replaced. filters
// may be null or empty ("All Files" is shown). filterIndex: in, the filter to start at; out,
// the one chosen. path: in, an initial path (folder and/or file name, '\' or '/'); out on
// OK, the chosen path with '/' separators and the chosen filter's extension appended unless
// the file name already ends with it (in any case; wildcard extensions are never appended).
int OsSaveFileDialog(const char* title, const DynArray<FileFilter>* filters, u32* filterIndex, String* path,
                     DynArray<DialogOption>* options);
// One existing file. With two or more filters a last entry "Any" joins every pattern; the
// extension rule applies only when the chosen filter is one of the given ones and the chosen
// name is not an existing file as it stands.
int OsOpenFileDialog(const char* title, const DynArray<FileFilter>* filters, u32* filterIndex, String* path,
                     DynArray<DialogOption>* options);
// Several existing files; paths receives absolute paths with '/' separators, sorted with the
// layer's name order (OsSetNameCompare) when there are several. paths is cleared first.
int OsOpenFilesDialog(const char* title, const char* initialPath, const DynArray<FileFilter>* filters,
                      u32* filterIndex, DynArray<String>* paths, DynArray<DialogOption>* options);
// One existing folder; on OK folder holds it with '/' separators and a final '/'.
int OsChooseFolderDialog(const char* title, String* folder, DynArray<DialogOption>* options);

// The host's colour dialog, starting at rgb (red, green, blue) and offering the 16 custom
// colours of this run. On OK writes the chosen colour, which becomes the first custom colour
// (an equal one moves to the front), and answers 1; on cancel leaves rgb and answers 0.
int PickColor(u8 rgb[3]);
// The 16 custom colours (all black at start).
void OsGetCustomColors(u8 out[16][3]);

// Shared pieces of the dialogs, visible for tests.
// The list a dialog shows: the given filters; for an open dialog with two or more, a last
// entry "Any" whose pattern joins every pattern with ';'; with none, "All Files" "*.*".
void OsBuildFilterList(DynArray<FileFilter>* out, const DynArray<FileFilter>* filters, int openDialog);
// Turns one pattern of a filter ("*.bmp") into the host's case-insensitive glob
// ("*.[bB][mM][pP]"); "*.*" and "*" match every file ("*").
void OsFilterPatternToGlob(String* out, const char* pattern);
// Splits an initial path ('\' or '/') into its folder (with '/' separators, no final '/'
// unless it is the root) and its file name.
void OsSplitDialogPath(const char* path, String* folder, String* fileName);
