#pragma once
// Working sets: a list of archives kept in the preferences by file name.
#include "codex/Archive.h"
#include "foundation/DynArray.h"

// Stores the archives' file names under key as a string list. Names the list cannot carry
// (with ';', '"' or a control byte) are left out and logged, so that the rest survive.
void SaveWorkingSet(const char* key, const DynArray<Archive*>& archives);
// False when the key holds no list or an empty one; otherwise appends every loaded archive
// whose file name is listed (names not loaded are skipped) and answers true.
bool LoadWorkingSet(const char* key, DynArray<Archive*>* archives);
