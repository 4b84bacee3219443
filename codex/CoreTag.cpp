#include "codex/CoreTag.h"

#include "codex/TagData.h"

int ReadCoreTag(CoreTagData* record, FILE* stream)
{
    return ReadRecords(record, 1, kCoreTagDataDescriptor, stream) != 0;
}

int WriteCoreTag(const CoreTagData* record, FILE* stream)
{
    return WriteRecords(record, 1, kCoreTagDataDescriptor, stream) != 0;
}

CoreTagData* LoadCoreTag(FILE* stream, const TagHeader* header)
{
    if (!TagDataHolds(header, 0, sizeof(CoreTagData)) || !SeekTagData(stream, header, 0)) return nullptr;
    CoreTagData* record = new CoreTagData();
    if (!ReadCoreTag(record, stream)) {
        delete record;
        return nullptr;
    }
    return record;
}
