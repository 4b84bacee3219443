#pragma once
// Shared helpers of the tag data readers and writers: positions inside a tag's data and the
// bound every count read from a tag is checked against.
#include <cstdio>
#include "codex/TagHeader.h"
#include "foundation/Types.h"

// Seeks to `relative` bytes past the data start (the header's offset). Returns 1 or 0.
int SeekTagData(FILE* stream, const TagHeader* header, u64 relative);
// The stream position relative to the data start, or -1 when it cannot be told.
s64 TellTagData(FILE* stream, const TagHeader* header);
// Whether [relative, relative + bytes) lies inside the tag's data (the header's size).
bool TagDataHolds(const TagHeader* header, u64 relative, u64 bytes);
