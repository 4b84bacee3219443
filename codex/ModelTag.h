#pragma once
// 'mode' tag data, written by the model import: a 64-byte header and three sections (an id
// list, 64-byte records and 8-byte cells) from section base 72.
#include <cstdio>
#include "codex/TagHeader.h"
#include "foundation/ByteOrder.h"
#include "foundation/DynArray.h"

struct ModelHeader {
    u32 value0;   // second value given to SetModelGeometry
    u32 value4;   // first value given to SetModelGeometry
    u16 reserved8;
    u16 idCount;
    u16 recordCount;
    u16 cellCount;
    u32 idsOffset, idsSize, reserved24;
    u32 recordsOffset, recordsSize, reserved36;
    u32 cellsOffset, cellsSize, reserved48;
    u32 sectionBase, totalSize, reserved60;
};

inline constexpr ByteOrderDescriptor kModelHeaderDescriptor[] = {
    64, 2, kBoU32, 1, kBoZero16, 3, kBoU16, 2, kBoU32, 1, kBoZero32, 2, kBoU32, 1, kBoZero32,
    2, kBoU32, 1, kBoZero32, 2, kBoU32, 1, kBoZero32};
static_assert(ByteOrderDescribes<ModelHeader>(kModelHeaderDescriptor), "ModelHeader layout");

struct ModelRecord {
    u16 reserved0;
    u8 content[32];
    u16 reserved34[15];
};

inline constexpr ByteOrderDescriptor kModelRecordDescriptor[] = {64, 1, kBoZero16, 32, kBoU8, 15, kBoZero16};
static_assert(ByteOrderDescribes<ModelRecord>(kModelRecordDescriptor), "ModelRecord layout");

struct ModelCell {
    u16 values[3];
    u16 reserved;
};

inline constexpr ByteOrderDescriptor kModelCellDescriptor[] = {8, 3, kBoU16, 1, kBoZero16};
static_assert(ByteOrderDescribes<ModelCell>(kModelCellDescriptor), "ModelCell layout");

struct Model {
    ModelHeader header;
    DynArray<u32> ids;
    DynArray<ModelRecord> records;
    DynArray<ModelCell> cells;
};

constexpr u32 kModelMaxCount = 0xFFFF;  // section counts are u16 fields

void InitModel(Model* model);
void FreeModel(Model* model);
// Stores first at header offset 4 and second at offset 0.
void SetModelGeometry(Model* model, u32 first, u32 second);
// Exactly count entries, zero. Return 0 when count is above kModelMaxCount.
int ResizeModelIdList(Model* model, u32 count);
void SetModelIdListEntry(Model* model, u32 index, u32 value);
int ResizeModelRecords(Model* model, u32 count);
// Clears the record's 64 bytes and answers it (null for an index out of range).
ModelRecord* SetModelRecord(Model* model, u32 index);
// Appends a cell. Returns 0 when the list is full.
int AddModelCell(Model* model, u16 a, u16 b, u16 c);
// Writes the sections one after another from section base 72, then the header. Returns 1 or 0.
int WriteModelTag(Model* model, FILE* stream, const TagHeader* header);
