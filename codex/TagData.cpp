#include "codex/TagData.h"

int SeekTagData(FILE* stream, const TagHeader* header, u64 relative)
{
    u64 pos = u64(header->offset) + relative;
    if (pos > u64(INT64_MAX)) return 0;
    return fseeko(stream, off_t(pos), SEEK_SET) == 0;
}

s64 TellTagData(FILE* stream, const TagHeader* header)
{
    off_t pos = ftello(stream);
    if (pos < 0) return -1;
    return s64(pos) - s64(header->offset);
}

bool TagDataHolds(const TagHeader* header, u64 relative, u64 bytes)
{
    return relative <= header->size && bytes <= header->size - relative;
}
