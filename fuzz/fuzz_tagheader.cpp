// Tag headers: a run of 64-byte headers of either layout, and the tag-file sniffer.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "codex/TagGroups.h"
#include "codex/TagHeader.h"

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size)
{
    if (size >= kTagHeaderSize) IsTagHeader(data, size);
    const u32 count = u32(size / kTagHeaderSize);
    if (count == 0) return 0;
    FILE* f = fmemopen(const_cast<u8*>(data), size, "rb");
    if (!f) return 0;
    TagHeader* headers = static_cast<TagHeader*>(malloc(size_t(count) * sizeof(TagHeader)));
    if (ReadTagHeadersAnyVersion(headers, count, f)) {
        for (u32 i = 0; i < count; ++i) {
            if (headers[i].name[31] != 0) abort();
            GetTagGroupName(headers[i].group);
            ReplacePlaceholderTagName(headers[i], "file");
        }
        // What was read writes out and reads back as the same headers.
        char* out = nullptr;
        size_t outSize = 0;
        FILE* w = open_memstream(&out, &outSize);
        if (WriteTagHeaders(headers, count, w) != u64(count) * kTagHeaderSize) abort();
        fclose(w);
        TagHeader* again = static_cast<TagHeader*>(malloc(size_t(count) * sizeof(TagHeader)));
        FILE* r = fmemopen(out, outSize, "rb");
        if (ReadTagHeaders(again, count, r) != u64(count) * kTagHeaderSize) abort();
        if (memcmp(again, headers, size_t(count) * sizeof(TagHeader)) != 0) abort();
        fclose(r);
        free(again);
        free(out);
    }
    // The name cleaner over the input's first bytes as text.
    char text[48] = {};
    memcpy(text, data, size < sizeof text - 1 ? size : sizeof text - 1);
    SetTagName(headers[0], text);
    if (headers[0].name[31] != 0) abort();
    free(headers);
    fclose(f);
    return 0;
}
