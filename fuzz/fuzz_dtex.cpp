// Detail-texture code streams: the little-endian length and the words that follow it.
#include <cstdio>
#include <cstdlib>

#include "codex/DtexCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size)
{
    FILE* f = fmemopen(const_cast<u8*>(data), size, "rb");
    if (!f) return 0;
    u8* rgb = nullptr;
    u32 w = 0, h = 0;
    if (ReadCompressedImage(&rgb, &w, &h, f, size)) {
        // Whatever decodes must encode again and decode to the same pixels.
        u32 length = 0;
        u32* words = CompressImage(rgb, w, h, &length);
        if (!words) abort();
        u32 w2, h2;
        u8* again = DecompressImage(&w2, &h2, words, length);
        if (!again || w2 != w || h2 != h) abort();
        for (size_t i = 0; i < size_t(w) * h * 3; ++i)
            if (again[i] != rgb[i]) abort();
        free(again);
        free(words);
    }
    free(rgb);
    fclose(f);
    return 0;
}
