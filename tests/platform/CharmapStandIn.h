#pragma once
// A stand-in for the font's character map in the clipboard tests: ASCII passes, font
// characters 128 to 255 are U+0180 to U+01FF, and code points outside both become 255.
#include <cstdlib>
#include <cstring>

#include "foundation/Types.h"

inline u16* StandInToUtf16(const char* text)
{
    size_t n = strlen(text);
    u16* out = static_cast<u16*>(malloc((n + 1) * 2));
    if (!out) return nullptr;
    for (size_t i = 0; i < n; ++i) {
        u8 c = u8(text[i]);
        out[i] = c < 128 ? c : u16(0x100 + c);
    }
    out[n] = 0;
    return out;
}

inline char* StandInFromUtf16(const u16* text)
{
    size_t n = 0;
    while (text[n]) ++n;
    char* out = static_cast<char*>(malloc(n + 1));
    if (!out) return nullptr;
    for (size_t i = 0; i < n; ++i) {
        u16 u = text[i];
        out[i] = char(u < 128 ? u : (u >= 0x180 && u < 0x200) ? u - 0x100 : 255);
    }
    out[n] = 0;
    return out;
}
