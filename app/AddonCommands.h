#pragma once
// The commands "Build Regular Add-on" and "Build Dtex Add-on": local tags packed into an
// add-on archive (kind 6) in the game folder's "plugins" folder, named as the user asks in
// the dialog "Build Add-on plugin".
#include "codex/Codex.h"

// Asks for the fields and writes the tags as an add-on; the result is reported in a box that
// names the file written ("Success") or lists the likely reasons ("Error"). Nothing is
// written when the dialog is cancelled or a field is invalid. True when the add-on was
// written.
bool BuildAddon(const DynArray<TagEntry*>& tags);
// Every local tag of the groups an add-on may carry; "No addon-allowed files were found..."
// when there is none.
void BuildRegularAddon();
// Every local detail map with the detail textures it uses. A map that cannot be read, or that
// names a texture that does not exist, stops the command with its message before the dialog;
// "No dmaps detected..." when there is no local map.
void BuildDtexAddon();
