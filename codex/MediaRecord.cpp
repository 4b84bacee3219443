#include "codex/MediaRecord.h"

int ReadMediaRecord(MediaRecord* records, FILE* stream, u32 count)
{
    return count && ReadRecords(records, count, kMediaRecordDescriptor, stream) != 0;
}
