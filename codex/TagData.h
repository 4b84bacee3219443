#pragma once
// Shared helpers of the tag data readers and writers: positions inside a tag's data, the
// bound every count read from a tag is checked against, and the writing of layouts made of a
// header at the data start and sections behind a section base.
#include <cstdio>
#include "codex/TagHeader.h"
#include "foundation/ByteOrder.h"
#include "foundation/Types.h"

// Seeks to `relative` bytes past the data start (the header's offset). Returns 1 or 0.
int SeekTagData(FILE* stream, const TagHeader* header, u64 relative);
// The stream position relative to the data start, or -1 when it cannot be told.
s64 TellTagData(FILE* stream, const TagHeader* header);
// Whether [relative, relative + bytes) lies inside the tag's data (the header's size).
bool TagDataHolds(const TagHeader* header, u64 relative, u64 bytes);

// Writes count records of one section at the stream's position, or further on at base +
// *offset when an earlier layout put the section there (so data read and written again
// keeps its layout; a section is never moved back over the one before it). base is relative
// to the data start and the stream must stand at or behind it. Stores the section's offset
// (relative to base) and disk size and adds the size to *total; an empty section gets offset
// and size 0. Returns 1, or 0 when a seek, tell or write fails.
int WriteTagSection(FILE* stream, const TagHeader* header, u32 base, const void* records, u32 count,
                    const ByteOrderDescriptor* desc, u32* offset, u32* size, u32* total);
// Writes one record at the data start and puts the stream back where it stood, behind the
// data written before, so the caller's size comes out right. Returns 1 or 0.
int WriteTagDataHeader(FILE* stream, const TagHeader* header, const void* record, const ByteOrderDescriptor* desc);
