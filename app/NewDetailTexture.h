#pragma once
// The commands "New Detail Texture From Image File" and "New Detail Texture From Clipboard".

// Asks for a name ("Enter Name for Detail Texture"), opens the detail-texture editor on a new
// tag of that name, fills it from an image file (or the clipboard's picture) and saves it at
// once. When the picture cannot be had the editor is closed without asking to save, and no
// file is written ("Failed"). An empty name creates nothing ("Not Created").
void NewDetailTextureCommand(bool fromClipboard);
