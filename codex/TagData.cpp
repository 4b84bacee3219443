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

int WriteTagSection(FILE* stream, const TagHeader* header, u32 base, const void* records, u32 count,
                    const ByteOrderDescriptor* desc, u32* offset, u32* size, u32* total)
{
    if (count == 0) {
        *offset = *size = 0;
        return 1;
    }
    s64 pos = TellTagData(stream, header);
    if (pos < s64(base)) return 0;
    u64 here = u64(pos) - base;
    if (*offset > here) {
        if (!SeekTagData(stream, header, u64(base) + *offset)) return 0;
        here = *offset;
    }
    const u64 bytes = DiskSizeOfRecords(count, desc);
    if (here > 0xFFFFFFFFu || bytes > 0xFFFFFFFFu - *total) return 0;
    if (!WriteRecords(records, count, desc, stream)) return 0;
    *offset = u32(here);
    *size = u32(bytes);
    *total += u32(bytes);
    return 1;
}

int WriteTagDataHeader(FILE* stream, const TagHeader* header, const void* record, const ByteOrderDescriptor* desc)
{
    s64 end = TellTagData(stream, header);
    if (end < 0 || !SeekTagData(stream, header, 0) || !WriteRecords(record, 1, desc, stream)) return 0;
    return SeekTagData(stream, header, u64(end));
}
