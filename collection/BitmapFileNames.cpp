#include "collection/BitmapFileNames.h"

#include <cstdio>

int CleanExportFileName(const char* name, String* out)
{
    *out = String();
    if (!name || !*name) return 0;
    for (const char* p = name; *p; ++p) {
        unsigned char c = static_cast<unsigned char>(*p);
        bool bad = c == '/' || c == '\\' || c < 32 || c == 127 || (p == name && c == '.');
        char keep[2] = {bad ? '_' : *p, 0};
        out->Append(keep);
    }
    return 1;
}

void UnmatchedNamesText(const char* const* names, u32 count, String* out)
{
    *out = String("The following bitmaps were not matched by name: ");
    const u32 shown = count < 20 ? count : 20;
    for (u32 i = 0; i < shown; ++i) {
        out->Append(names[i]);
        out->Append(i + 1 < shown ? ", " : ".");
    }
    if (count > 20) {
        char more[32];
        snprintf(more, sizeof(more), "(%u more)", count - 20);
        out->Append(more);
    }
}
