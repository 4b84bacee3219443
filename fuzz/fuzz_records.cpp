// Record I/O over random descriptors: the input starts with a word count and that many u16
// descriptor words (host order), then a record count byte; the rest is the records' bytes.
// Only descriptors that pass validation are walked.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "foundation/ByteOrder.h"

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size)
{
    if (size < 2) return 0;
    const u32 words = data[0] | (u32(data[1]) << 8);
    if (words == 0 || words > kMaxByteOrderDescriptorWords || size < 2 + size_t(words) * 2 + 1) return 0;
    u16* desc = static_cast<u16*>(malloc(words * sizeof(u16)));
    memcpy(desc, data + 2, words * sizeof(u16));
    const bool valid = ValidateByteOrderDescriptor(desc, words);
    const u32 count = data[2 + words * 2];
    const u8* rest = data + 3 + words * 2;
    const size_t restSize = size - 3 - size_t(words) * 2;
    if (!valid || count == 0 || restSize == 0 || DiskSizeOfRecords(count, desc) > restSize) {
        free(desc);
        return 0;
    }

    const u64 diskSize = DiskSizeOfRecords(count, desc);
    const u64 memSize = MemorySizeOfRecords(count, desc);
    if (memSize < diskSize) abort();
    // The converting walk ends exactly where the measuring one says.
    u8* mem = static_cast<u8*>(malloc(size_t(memSize)));
    ByteOrderCursor c = {mem, rest, 0, 0};
    const ByteOrderDescriptor* d = desc;
    ConvertNested(c, d, count, kWalkDiskToMemory);
    if (c.dstOffset != memSize || c.srcOffset != diskSize || d != desc + words) abort();

    FILE* f = fmemopen(const_cast<u8*>(rest), restSize, "rb");
    if (ReadRecords(mem, count, desc, f) != diskSize) abort();
    fclose(f);

    // Written, read again and written again, the bytes must not change.
    char* out = nullptr;
    size_t outSize = 0;
    FILE* w = open_memstream(&out, &outSize);
    if (WriteRecords(mem, count, desc, w) != diskSize) abort();
    fclose(w);
    if (outSize != diskSize) abort();
    u8* mem2 = static_cast<u8*>(malloc(size_t(memSize)));
    FILE* r = fmemopen(out, outSize, "rb");
    if (ReadRecords(mem2, count, desc, r) != diskSize) abort();
    fclose(r);
    if (memcmp(mem, mem2, size_t(memSize)) != 0) abort();
    SwapRecordsInPlace(mem2, count, desc);
    SwapRecordsInPlace(mem2, count, desc);
    if (memcmp(mem, mem2, size_t(memSize)) != 0) abort();

    free(mem2);
    free(out);
    free(mem);
    free(desc);
    return 0;
}
