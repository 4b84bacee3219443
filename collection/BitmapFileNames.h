#pragma once
// Bitmap names as file names: the name a bitmap is exported under, and the list of names the
// replace-by-name check reports.
#include "foundation/String.h"
#include "foundation/Types.h"

// The bitmap name as one file name inside a chosen folder: every '/', '\\' and control
// character becomes '_', and so does a leading '.', so that no name climbs out of the folder
// ("..") or hides itself. Answers 0 with out empty when nothing usable is left (an empty name).
int CleanExportFileName(const char* name, String* out);

// "The following bitmaps were not matched by name: " and the names (at most 20) separated by
// ", ", the last listed one followed by "."; with more than 20, "(%d more)" with the rest.
void UnmatchedNamesText(const char* const* names, u32 count, String* out);
