// The character set tables and the conversions at the clipboard and the keyboard.
#include "gui/core/Charmap.h"

#include <cstdio>
#include <cstdlib>

namespace {

// Font characters 32 to 255 as Unicode: Mac OS Roman, with 0xDB as the currency sign.
const u16 kBuiltinCharmap[kCharmapEntries] = {
    0x0020, 0x0021, 0x0022, 0x0023, 0x0024, 0x0025, 0x0026, 0x0027,
    0x0028, 0x0029, 0x002A, 0x002B, 0x002C, 0x002D, 0x002E, 0x002F,
    0x0030, 0x0031, 0x0032, 0x0033, 0x0034, 0x0035, 0x0036, 0x0037,
    0x0038, 0x0039, 0x003A, 0x003B, 0x003C, 0x003D, 0x003E, 0x003F,
    0x0040, 0x0041, 0x0042, 0x0043, 0x0044, 0x0045, 0x0046, 0x0047,
    0x0048, 0x0049, 0x004A, 0x004B, 0x004C, 0x004D, 0x004E, 0x004F,
    0x0050, 0x0051, 0x0052, 0x0053, 0x0054, 0x0055, 0x0056, 0x0057,
    0x0058, 0x0059, 0x005A, 0x005B, 0x005C, 0x005D, 0x005E, 0x005F,
    0x0060, 0x0061, 0x0062, 0x0063, 0x0064, 0x0065, 0x0066, 0x0067,
    0x0068, 0x0069, 0x006A, 0x006B, 0x006C, 0x006D, 0x006E, 0x006F,
    0x0070, 0x0071, 0x0072, 0x0073, 0x0074, 0x0075, 0x0076, 0x0077,
    0x0078, 0x0079, 0x007A, 0x007B, 0x007C, 0x007D, 0x007E, 0x007F,
    0x00C4, 0x00C5, 0x00C7, 0x00C9, 0x00D1, 0x00D6, 0x00DC, 0x00E1,
    0x00E0, 0x00E2, 0x00E4, 0x00E3, 0x00E5, 0x00E7, 0x00E9, 0x00E8,
    0x00EA, 0x00EB, 0x00ED, 0x00EC, 0x00EE, 0x00EF, 0x00F1, 0x00F3,
    0x00F2, 0x00F4, 0x00F6, 0x00F5, 0x00FA, 0x00F9, 0x00FB, 0x00FC,
    0x2020, 0x00B0, 0x00A2, 0x00A3, 0x00A7, 0x2022, 0x00B6, 0x00DF,
    0x00AE, 0x00A9, 0x2122, 0x00B4, 0x00A8, 0x2260, 0x00C6, 0x00D8,
    0x221E, 0x00B1, 0x2264, 0x2265, 0x00A5, 0x00B5, 0x2202, 0x2211,
    0x220F, 0x03C0, 0x222B, 0x00AA, 0x00BA, 0x03A9, 0x00E6, 0x00F8,
    0x00BF, 0x00A1, 0x00AC, 0x221A, 0x0192, 0x2248, 0x2206, 0x00AB,
    0x00BB, 0x2026, 0x00A0, 0x00C0, 0x00C3, 0x00D5, 0x0152, 0x0153,
    0x2013, 0x2014, 0x201C, 0x201D, 0x2018, 0x2019, 0x00F7, 0x25CA,
    0x00FF, 0x0178, 0x2044, 0x00A4, 0x2039, 0x203A, 0xFB01, 0xFB02,
    0x2021, 0x00B7, 0x201A, 0x201E, 0x2030, 0x00C2, 0x00CA, 0x00C1,
    0x00CB, 0x00C8, 0x00CD, 0x00CE, 0x00CF, 0x00CC, 0x00D3, 0x00D4,
    0xF8FF, 0x00D2, 0x00DA, 0x00DB, 0x00D9, 0x0131, 0x02C6, 0x02DC,
    0x00AF, 0x02D8, 0x02D9, 0x02DA, 0x00B8, 0x02DD, 0x02DB, 0x02C7,
};

// With Alt held, typed characters 32 to 126 become these font characters.
const u8 kAltTyped[95] = {
    32, 218, 174, 220, 221, 222, 224, 190, 225, 226, 161, 177, 178, 208, 179, 214,
    188, 193, 170, 163, 162, 176, 164, 166, 165, 187, 242, 201, 248, 173, 249, 192,
    219, 129, 245, 130, 235, 171, 236, 253, 238, 246, 239, 240, 241, 229, 247, 175,
    184, 206, 228, 234, 255, 172, 215, 227, 254, 231, 252, 210, 199, 212, 223, 209,
    96, 140, 186, 141, 182, 171, 196, 169, 250, 246, 198, 251, 194, 181, 247, 191,
    185, 207, 168, 167, 160, 172, 195, 183, 197, 180, 189, 211, 200, 213, 96,
};

u16 g_loaded[kCharmapEntries];
bool g_haveLoaded = false;

}  // namespace

int LoadCharmap(const char* path)
{
    if (!path) return 0;
    FILE* file = fopen(path, "rb");
    if (!file) return 0;
    u8 bytes[kCharmapEntries * 2];
    size_t n = fread(bytes, 1, sizeof(bytes), file);
    fclose(file);
    if (n != sizeof(bytes)) return 0;
    for (u32 i = 0; i < kCharmapEntries; ++i) g_loaded[i] = u16(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    g_haveLoaded = true;
    return 1;
}

void ResetCharmap() { g_haveLoaded = false; }

const u16* GetCharmap() { return g_haveLoaded ? g_loaded : kBuiltinCharmap; }

const u16* GetBuiltinCharmap() { return kBuiltinCharmap; }

u8 MapTypedChar(u32 c, int alt)
{
    if (c < 32 || c > 255) return 0;
    if (c == 167) return 164;
    if (c == 177) return 177;
    if (c > 126) return 0;
    return alt ? kAltTyped[c - 32] : u8(c);
}

char* Utf16ToFontChars(char* out, const u16* text)
{
    size_t n = 0;
    if (text)
        while (text[n]) ++n;
    if (!out) {
        out = static_cast<char*>(malloc(n + 1));
        if (!out) return nullptr;
    }
    const u16* table = GetCharmap();
    for (size_t i = 0; i < n; ++i) {
        u16 unit = text[i];
        u8 c = u8(unit < 255 ? unit : 255);
        if (unit >= 33) {
            for (u32 k = 0; k < kCharmapEntries; ++k)
                if (table[k] == unit) {
                    c = u8(32 + k);
                    break;
                }
        } else {
            c = u8(unit);
        }
        out[i] = char(c);
    }
    out[n] = 0;
    return out;
}

u16* FontCharsToUtf16(u16* out, const char* text)
{
    size_t n = 0;
    if (text)
        while (text[n]) ++n;
    if (!out) {
        out = static_cast<u16*>(malloc((n + 1) * sizeof(u16)));
        if (!out) return nullptr;
    }
    const u16* table = GetCharmap();
    for (size_t i = 0; i < n; ++i) {
        u8 c = u8(text[i]);
        if (c < 32)
            out[i] = c;
        else
            out[i] = table[c - 32] ? table[c - 32] : u16(' ');
    }
    out[n] = 0;
    return out;
}
