// 'core' tag data read as the program reads it: one record at the data start of a tag whose
// data is the input. What reads must write back as the same bytes.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "codex/CoreTag.h"

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size)
{
    FILE* f = fmemopen(const_cast<u8*>(data), size, "rb");
    if (!f) return 0;
    TagHeader header;
    memset(&header, 0, sizeof header);
    header.size = u32(size);
    CoreTagData* core = LoadCoreTag(f, &header);
    fclose(f);
    if (!core) {
        if (size >= sizeof(CoreTagData)) abort();  // a whole record is always read
        return 0;
    }
    if (size < sizeof(CoreTagData)) abort();
    for (u16 r : core->reserved)
        if (r != 0) abort();  // reserved words are never carried
    char* out = nullptr;
    size_t outSize = 0;
    FILE* w = open_memstream(&out, &outSize);
    if (!w || !WriteCoreTag(core, w)) abort();
    fclose(w);
    // Written back, the bytes are the input's with the reserved words cleared.
    if (outSize != sizeof(CoreTagData) || memcmp(out, data, 4 + 166 * 2) != 0) abort();
    for (size_t i = 4 + 166 * 2; i < outSize; ++i)
        if (out[i] != 0) abort();
    free(out);
    delete core;
    return 0;
}
