#pragma once
// 'core' tag data: the collection reference of a model.
#include <cstdio>
#include "codex/TagHeader.h"
#include "foundation/ByteOrder.h"

struct CoreTagData {
    u32 collection;      // '.256' tag id
    u16 values[166];     // reference values written by the model import
    u16 reserved[24];    // zero on disk
};

inline constexpr ByteOrderDescriptor kCoreTagDataDescriptor[] = {384, 1, kBoU32, 166, kBoU16, 24, kBoZero16};
static_assert(ByteOrderDescribes<CoreTagData>(kCoreTagDataDescriptor), "CoreTagData layout");

// One 384-byte record at the stream's position. Return 1 or 0.
int ReadCoreTag(CoreTagData* record, FILE* stream);
int WriteCoreTag(const CoreTagData* record, FILE* stream);
// A new record read from the data start (free with delete), or null when the data is shorter
// than a record or the read fails.
CoreTagData* LoadCoreTag(FILE* stream, const TagHeader* header);
