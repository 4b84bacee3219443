// The character map file: any bytes, loaded as the program loads "charmap" at start-up, then
// text converted both ways with the table in force.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "gui/core/Charmap.h"

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size)
{
    char path[] = "/tmp/fuzz_charmap.XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0) return 0;
    const bool written = write(fd, data, size) == ssize_t(size);
    close(fd);
    ResetCharmap();
    const int loaded = written && LoadCharmap(path);
    unlink(path);
    if (written && loaded != (size >= kCharmapEntries * 2)) abort();
    const u16* table = GetCharmap();
    if (loaded && (table[0] != u16(data[0] | (data[1] << 8)) || table == GetBuiltinCharmap())) abort();

    // The input's bytes as font text (to its first zero): to UTF-16 and back.
    char* text = static_cast<char*>(malloc(size + 1));
    memcpy(text, data, size);
    text[size] = 0;
    const size_t n = strlen(text);
    u16* units = FontCharsToUtf16(nullptr, text);
    char* back = Utf16ToFontChars(nullptr, units);
    if (!units || !back || strlen(back) != n) abort();
    for (size_t i = 0; i < n; ++i) {
        const u16 unit = units[i];
        const u8 c = u8(back[i]);
        if (unit == 0) abort();
        if (u8(text[i]) < 32 && unit != u8(text[i])) abort();
        // A unit of the table comes back as a character whose entry it is.
        if (unit >= 33 && c >= 32 && table[c - 32] != unit && c != (unit < 255 ? unit : 255)) abort();
    }
    free(back);
    free(units);
    free(text);
    ResetCharmap();
    return 0;
}
