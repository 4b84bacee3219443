#pragma once
// The host's clipboard (text and 24-bit pictures) and the mouse cursor shapes.
//
// Text inside the program is 8-bit in the font's character set. It goes to the clipboard in
// two forms: the bytes as they are, and UTF-16 converted through the character map (the
// conversion functions are installed with ClipboardSetCharmap; until then the bytes are taken
// as Latin-1). Pictures inside the program are top-down RGB without row padding; on the
// clipboard they are a 40-byte information header followed by bottom-up BGR rows padded to
// a multiple of 4 bytes. Every operation answers 0 when the clipboard cannot be used (no
// display, another program holds it); nothing is shown to the user.
#include "foundation/String.h"
#include "foundation/Types.h"

// Both allocate the result with malloc and terminate it; null means the conversion failed.
typedef u16* (*ClipboardToUtf16Fun)(const char* fontText);
typedef char* (*ClipboardFromUtf16Fun)(const u16* utf16);
// Installs the character map's conversions; null restores the Latin-1 default.
void ClipboardSetCharmap(ClipboardToUtf16Fun toUtf16, ClipboardFromUtf16Fun fromUtf16);

// Replaces the clipboard contents with the two text forms; 1 when either was taken.
int ClipboardSetText(const char* text);
// The clipboard's text: its UTF-16 form converted to the font's set when present, else its
// 8-bit form as it is. 0 when it holds no text.
int ClipboardGetText(String* text);

// Replaces the clipboard contents with one 24-bit picture of top-down RGB pixels; 0 for an
// empty or too large picture or when the clipboard refused it.
int ClipboardSetImage(const u8* pixels, u32 width, u32 height);
// 1 and a new top-down RGB buffer (malloc'd; the caller frees it) when the clipboard holds a
// 24-bit picture whose rows are all there; 0 otherwise (no picture, another depth or
// compression, a header that promises more rows than it carries).
int ClipboardGetImage(u8** pixels, u32* width, u32* height);

// Packs top-down RGB pixels into the clipboard picture layout; 0 when the size is 0 or the
// picture would pass 1 GiB. out->data is malloc'd; the caller frees it.
struct ClipboardPicture {
    u8* data;
    u32 size;
};
int ClipboardPackPicture(const u8* pixels, u32 width, u32 height, ClipboardPicture* out);
// Reads a clipboard picture of size bytes into a new top-down RGB buffer, with the checks of
// ClipboardGetImage.
int ClipboardUnpackPicture(const u8* dib, u32 size, u8** pixels, u32* width, u32* height);

// Mouse cursor shapes.
enum CursorKind {
    CURSOR_ARROW = 0,
    CURSOR_RESIZE_WE = 1,
    CURSOR_RESIZE_NS = 2,
    CURSOR_RESIZE_NWSE = 3,
    CURSOR_RESIZE_NESW = 4,
    CURSOR_IBEAM = 5,
    CURSOR_CROSSHAIR = 6,
    CURSOR_HAND = 7,
    CURSOR_NO = 8,
    CURSOR_NO_DROP = 9,
    CURSOR_HAND_DRAG = 10,
    CURSOR_GRAB = 11,
    CURSOR_HAND_DARK = 12,
    CURSOR_GRAB_DARK = 13,
};
// Shows that cursor over the program's window (any unknown kind shows the arrow) and answers
// the kind shown before.
int SetCursorShape(int kind);
