// 'medi' tag data read as the terrain editor reads it: one media record at the data start of
// a tag whose data is the input, and the whole input as a run of records. Written back, the
// bytes are the input's with the reserved ones cleared.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "codex/MediaRecord.h"
#include "codex/TagData.h"
#include "fuzz/TagDataFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size)
{
    TagHeader header;
    FILE* f = tagfuzz::OpenTagData(data, size, &header);
    if (!f) return 0;
    MediaRecord one;
    memset(&one, 0, sizeof one);
    const bool fits = TagDataHolds(&header, 0, sizeof(MediaRecord));
    const int read = SeekTagData(f, &header, 0) && ReadMediaRecord(&one, f, 1);
    if (read != fits) abort();
    // Wave values come straight from their place in the record.
    if (read && one.waveAmplitude[0] != s16((data[104] << 8) | data[105])) abort();

    const u32 count = u32(size / sizeof(MediaRecord));
    if (count == 0) {
        fclose(f);
        return 0;
    }
    MediaRecord* all = static_cast<MediaRecord*>(calloc(count, sizeof(MediaRecord)));
    if (!SeekTagData(f, &header, 0) || !ReadMediaRecord(all, f, count)) abort();
    fclose(f);
    if (memcmp(all, &one, sizeof one) != 0) abort();
    char* out = nullptr;
    size_t outSize = 0;
    FILE* w = open_memstream(&out, &outSize);
    if (!w || WriteRecords(all, count, kMediaRecordDescriptor, w) != u64(count) * sizeof(MediaRecord)) abort();
    fclose(w);
    for (size_t i = 0; i < outSize; ++i) {
        const size_t at = i % sizeof(MediaRecord);
        const bool reserved = (at >= 8 && at < 24) || at >= 122;
        if (out[i] != (reserved ? 0 : char(data[i]))) abort();
    }
    free(out);
    free(all);
    return 0;
}
