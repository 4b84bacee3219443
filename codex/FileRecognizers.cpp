#include "codex/FileRecognizers.h"

#include <cstdio>

#include "codex/Archive.h"
#include "codex/TagHeader.h"
#include "foundation/FileRecord.h"

namespace {

static_assert(sizeof(TagHeader) <= kFileRecordHeaderBytes, "a tag header fits a file record");
static_assert(sizeof(ArchiveHeader) <= kFileRecordHeaderBytes, "an archive header fits a file record");

u32 RecognizeTagFile(const u8* head, u32 fileSize, void* headerOut)
{
    if (!IsTagHeader(head, fileSize)) return 0;
    FILE* f = fmemopen(const_cast<u8*>(head), 64, "rb");
    if (!f) return 0;
    u64 read = ReadTagHeadersAnyVersion(static_cast<TagHeader*>(headerOut), 1, f);
    fclose(f);
    return read != 0;
}

u32 RecognizeArchive(const u8* head, u32 fileSize, void* headerOut)
{
    u32 available = fileSize < kSniffBytes ? fileSize : kSniffBytes;
    return ReadArchiveHeader(static_cast<ArchiveHeader*>(headerOut), head, available, fileSize);
}

}  // namespace

void InstallCodexFileRecognizers()
{
    SetFileHeaderRecognizers(RecognizeTagFile, RecognizeArchive);
}
