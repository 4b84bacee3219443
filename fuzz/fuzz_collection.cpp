// The tag data of a collection ('.256'), read with and without its bitmaps.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

#include "codex/TagHeader.h"
#include "collection/Collection.h"

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
            // A collection that was read must write, and what it writes must read back.
            static FILE* scratch = tmpfile();
            if (!scratch || ftruncate(fileno(scratch), 0) != 0) abort();
            rewind(scratch);
            TagHeader out = header;
            if (!c->Write(scratch, &out)) abort();
            fflush(scratch);
            out.size = u32(ftello(scratch));
            Collection again;
            if (!again.Read(scratch, &out, true) || again.GetBitmapCount() != c->GetBitmapCount() ||
                again.GetSequenceCount() != c->GetSequenceCount())
                abort();
        }
        delete c;
    }
    return 0;
}
