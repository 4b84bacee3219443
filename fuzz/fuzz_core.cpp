// 'core' tag data read as the program reads it: one record at the data start of a tag whose
// data is the input. What reads must write back as the same bytes.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "codex/CoreTag.h"
#include "fuzz/TagDataFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size)
{
    TagHeader header;
    FILE* f = tagfuzz::OpenTagData(data, size, &header);
    if (!f) return 0;
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
