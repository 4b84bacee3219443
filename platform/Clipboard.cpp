#include "platform/Clipboard.h"

#include <cstdlib>
#include <cstring>

#include "foundation/DynArray.h"
#include "platform/GLTexture.h"
#include "platform/OsBackend.h"

namespace {

const u32 kHeaderSize = 40;
const u64 kMaxPictureBytes = u64(1) << 30;

ClipboardToUtf16Fun g_toUtf16;
ClipboardFromUtf16Fun g_fromUtf16;
int g_cursorShape;

u16* Latin1ToUtf16(const char* text)
{
    size_t n = strlen(text);
    u16* out = static_cast<u16*>(malloc((n + 1) * sizeof(u16)));
    if (!out) return nullptr;
    for (size_t i = 0; i < n; ++i) out[i] = u8(text[i]);
    out[n] = 0;
    return out;
}

char* Utf16ToLatin1(const u16* text)
{
    size_t n = 0;
    while (text[n]) ++n;
    char* out = static_cast<char*>(malloc(n + 1));
    if (!out) return nullptr;
    for (size_t i = 0; i < n; ++i) out[i] = char(text[i] < 255 ? text[i] : 255);
    out[n] = 0;
    return out;
}

void PutU32(u8* p, u32 v)
{
    p[0] = u8(v);
    p[1] = u8(v >> 8);
    p[2] = u8(v >> 16);
    p[3] = u8(v >> 24);
}

u32 GetU32(const u8* p) { return u32(p[0]) | (u32(p[1]) << 8) | (u32(p[2]) << 16) | (u32(p[3]) << 24); }

}  // namespace

void OsResetClipboardState()
{
    g_toUtf16 = nullptr;
    g_fromUtf16 = nullptr;
    g_cursorShape = 0;
}

void ClipboardSetCharmap(ClipboardToUtf16Fun toUtf16, ClipboardFromUtf16Fun fromUtf16)
{
    g_toUtf16 = toUtf16;
    g_fromUtf16 = fromUtf16;
}

int ClipboardSetText(const char* text)
{
    if (!text) text = "";
    u16* utf16 = (g_toUtf16 ? g_toUtf16 : Latin1ToUtf16)(text);
    int ok = OsCurrentBackend()->ClipboardSetText(text, utf16);
    free(utf16);
    return ok;
}

int ClipboardGetText(String* text)
{
    ScopedDynArray<u16> utf16;
    String text8;
    int hasUtf16 = 0;
    if (!OsCurrentBackend()->ClipboardGetText(&utf16, &hasUtf16, &text8)) return 0;
    if (!hasUtf16) {
        text->Set(text8.c_str());
        return 1;
    }
    if (utf16.count == 0 || utf16[utf16.count - 1] != 0) utf16.Push(0);
    char* converted = (g_fromUtf16 ? g_fromUtf16 : Utf16ToLatin1)(utf16.data);
    if (!converted) return 0;
    text->Adopt(converted);
    return 1;
}

int ClipboardPackPicture(const u8* pixels, u32 width, u32 height, ClipboardPicture* out)
{
    out->data = nullptr;
    out->size = 0;
    if (!pixels || width == 0 || height == 0 || width > 0x7FFFFFFF || height > 0x7FFFFFFF) return 0;
    u64 stride = (u64(width) * 3 + 3) & ~u64(3);
    u64 total = kHeaderSize + stride * height;
    if (total > kMaxPictureBytes) return 0;
    u8* dib = static_cast<u8*>(calloc(1, size_t(total)));
    if (!dib) return 0;
    PutU32(dib, kHeaderSize);
    PutU32(dib + 4, width);
    PutU32(dib + 8, height);
    dib[12] = 1;   // planes
    dib[14] = 24;  // bits per pixel
    FlipRowsSwapRB(dib + kHeaderSize, pixels, width, height, 0, 1);
    out->data = dib;
    out->size = u32(total);
    return 1;
}

int ClipboardUnpackPicture(const u8* dib, u32 size, u8** pixels, u32* width, u32* height)
{
    *pixels = nullptr;
    if (!dib || size < kHeaderSize) return 0;
    u32 headerSize = GetU32(dib);
    s32 w = s32(GetU32(dib + 4));
    s32 h = s32(GetU32(dib + 8));
    u32 bits = u32(dib[14]) | (u32(dib[15]) << 8);
    u32 compression = GetU32(dib + 16);
    if (headerSize < kHeaderSize || headerSize > size || bits != 24 || compression != 0) return 0;
    if (w <= 0 || h == 0 || h == s32(0x80000000)) return 0;
    bool topDown = h < 0;
    u32 rows = u32(topDown ? -h : h);
    u64 stride = (u64(w) * 3 + 3) & ~u64(3);
    if (u64(headerSize) + stride * rows > size) return 0;
    u64 outBytes = u64(w) * 3 * rows;
    u8* out = static_cast<u8*>(malloc(size_t(outBytes)));
    if (!out) return 0;
    const u8* src = dib + headerSize;
    if (topDown) {
        for (u32 y = 0; y < rows; ++y) {
            const u8* s = src + stride * y;
            u8* d = out + u64(w) * 3 * y;
            for (s32 x = 0; x < w; ++x) {
                d[3 * x] = s[3 * x + 2];
                d[3 * x + 1] = s[3 * x + 1];
                d[3 * x + 2] = s[3 * x];
            }
        }
    } else {
        FlipRowsSwapRB(out, src, u32(w), rows, 1, 0);
    }
    *pixels = out;
    *width = u32(w);
    *height = rows;
    return 1;
}

int ClipboardSetImage(const u8* pixels, u32 width, u32 height)
{
    ClipboardPicture picture;
    if (!ClipboardPackPicture(pixels, width, height, &picture)) return 0;
    int ok = OsCurrentBackend()->ClipboardSetPicture(picture.data, picture.size);
    free(picture.data);
    return ok;
}

int ClipboardGetImage(u8** pixels, u32* width, u32* height)
{
    *pixels = nullptr;
    ScopedDynArray<u8> dib;
    if (!OsCurrentBackend()->ClipboardGetPicture(&dib)) return 0;
    return ClipboardUnpackPicture(dib.data, dib.count, pixels, width, height);
}

int SetCursorShape(int kind)
{
    int previous = g_cursorShape;
    if (kind < CURSOR_ARROW || kind > CURSOR_GRAB_DARK) kind = CURSOR_ARROW;
    g_cursorShape = kind;
    OsCurrentBackend()->SetCursorShape(kind);
    return previous;
}
