#pragma once
// Writing a new local tag in a test: the tag database's two-step write with the data from a
// writer that gets the stream and the header and answers success.
#include <cstdio>

#include "codex/TagFiles.h"

// The new tag's id, or kNoTagId when it could not be created or written.
template <typename Writer>
u32 WriteNewTag(u32 group, const char* name, Writer write)
{
    TagHeader h;
    TagEntry* e = CreateTag(group, kNoTagId, name, &h, false);
    if (!e) return kNoTagId;
    FILE* f = BeginTagWrite(e, &h, nullptr);
    bool ok = f && write(f, &h);
    return f && FinishTagWrite(e, &h, ok) ? e->tag : kNoTagId;
}
