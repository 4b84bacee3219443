#pragma once
// Window placements and dialog fields kept in the preferences, so that windows and dialogs
// come back where and how the user left them.
//
// A placement is one string preference "state left top right bottom" ("%d %d %d %d %d"),
// the frame relative to the parent (the restore frame when zoomed or collapsed). A dialog
// field is kept under "<prefix>.<name>": a check box as an integer, a text box as a string.
#include "gui/Window.h"

// Stores the window's placement under key. Nothing without a window or key.
void SaveWindowPlacement(Window* window, const char* key);
// Applies the placement stored under key. 0 (the window untouched) when the key holds no
// string or it does not read as five integers. With keepOnScreen the rectangle is first
// moved (not resized) so that it lies on the screen where it can: left and up by what
// passes the right and bottom edges, then right and down to no less than 0, so the top-left
// corner wins for a rectangle larger than the screen.
int RestoreWindowPlacement(Window* window, const char* key, int keepOnScreen);
// Saves (save non-zero) or restores one widget under key by its class name, compared
// without regard to case: a "CheckBox" as its button state (restored silently, and only a
// stored value below 4), a "TextBox" as its whole text. Any other widget is left alone.
void SyncWidgetPref(const char* key, Window* widget, int save);
// SyncWidgetPref for each (const char* name, Window* widget) pair that follows save, under
// the key "<prefix>.<name>"; a null name ends the list.
void SyncWidgetPrefs(const char* prefix, int save, ...);
