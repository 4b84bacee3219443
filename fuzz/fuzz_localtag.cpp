// Local tag files: the 64-byte header of either layout in front of the data.
#include <cstdio>

#include "codex/LocalFolder.h"
#include "codex/TagGroups.h"

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size)
{
    FILE* f = fmemopen(const_cast<u8*>(data), size, "rb");
    if (!f) return 0;
    TagHeader header;
    if (ReadLocalTagHeader("fuzzed", f, nullptr, &header)) {
        if (u64(header.size) + kTagHeaderSize != size || header.offset != kTagHeaderSize) __builtin_trap();
        if (header.name[31] != 0) __builtin_trap();
    }
    // With a group row: only a header of that group passes.
    const TagGroup* row = GetTagGroup(FourCC("scen"));
    if (ReadLocalTagHeader("fuzzed", f, row, &header) && header.group != row->code) __builtin_trap();
    fclose(f);
    return 0;
}
