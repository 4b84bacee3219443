#pragma once
// The shared start of the tag data fuzz targets: the input is a tag's whole data, read through
// a stream positioned as the tag database hands it to a reader.
#include <cstdio>
#include <cstring>

#include "codex/TagHeader.h"

namespace tagfuzz {

// A read stream over the bytes (null when it cannot be made) and, in *header, a tag whose data
// are exactly those bytes from offset 0, other fields zero.
inline FILE* OpenTagData(const u8* data, size_t size, TagHeader* header)
{
    memset(header, 0, sizeof *header);
    header->size = u32(size);
    return fmemopen(const_cast<u8*>(data), size, "rb");
}

}  // namespace tagfuzz
