// The tag data of a collection ('.256'), read with and without its bitmaps.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>
#include <vector>

#include "codex/TagHeader.h"
#include "collection/Collection.h"

namespace {

// Writes the collection into a scratch file and answers its bytes; aborts when writing a
// collection that was read fails.
std::vector<u8> WriteAll(Collection& c, FILE* scratch)
{
    if (!scratch || ftruncate(fileno(scratch), 0) != 0) abort();
    rewind(scratch);
    TagHeader header;
    memset(&header, 0, sizeof(header));
    if (!c.Write(scratch, &header)) abort();
    fflush(scratch);
    std::vector<u8> bytes(size_t(ftello(scratch)));
    rewind(scratch);
    if (!bytes.empty() && fread(bytes.data(), bytes.size(), 1, scratch) != 1) abort();
    return bytes;
}

// Reads bytes that the writer produced; aborts when that fails.
void ReadAll(Collection& c, const std::vector<u8>& bytes, u32 user)
{
    FILE* f = fmemopen(const_cast<u8*>(bytes.data()), bytes.size(), "rb");
    if (!f) abort();
    TagHeader header;
    memset(&header, 0, sizeof(header));
    header.size = u32(bytes.size());
    header.user = user;
    if (!c.Read(f, &header, true)) abort();
    fclose(f);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size)
{
    if (size == 0 || size > 0xFFFFFFFFu) return 0;
    TagHeader header;
    memset(&header, 0, sizeof(header));
    header.size = u32(size);
    // The tag header's flags decide colour maps; take them from the data's own copy.
    if (size >= 8) header.user = u32(data[4]) << 24 | u32(data[5]) << 16 | u32(data[6]) << 8 | data[7];

    for (int withBitmaps = 0; withBitmaps < 2; ++withBitmaps) {
        FILE* f = fmemopen(const_cast<u8*>(data), size, "rb");
        if (!f) return 0;
        Collection* c = new Collection();
        int ok = c->Read(f, &header, withBitmaps != 0);
        fclose(f);
        if (ok && withBitmaps) {
            c->MarkUsedBitmaps();
            c->ShowHighResAssignments(true);
            // A collection that was read must write, what it writes must read back, and from
            // the second write on the bytes must not change (the first may normalise: views
            // that became none, padding, extra colour tables).
            static FILE* scratch = tmpfile();
            std::vector<u8> first = WriteAll(*c, scratch);
            Collection second;
            ReadAll(second, first, header.user);
            if (second.GetBitmapCount() != c->GetBitmapCount() || second.GetSequenceCount() != c->GetSequenceCount())
                abort();
            std::vector<u8> secondBytes = WriteAll(second, scratch);
            Collection third;
            ReadAll(third, secondBytes, header.user);
            if (WriteAll(third, scratch) != secondBytes) abort();
        }
        delete c;
    }
    return 0;
}
