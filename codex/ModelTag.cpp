#include "codex/ModelTag.h"

#include <cstring>

#include "codex/TagData.h"

namespace {

constexpr u32 kModelSectionBase = 72;

constexpr ByteOrderDescriptor kIdDescriptor[] = {4, 1, kBoU32};

}  // namespace

void InitModel(Model* model)
{
    memset(model, 0, sizeof *model);
}

void FreeModel(Model* model)
{
    model->ids.Free();
    model->records.Free();
    model->cells.Free();
}

void SetModelGeometry(Model* model, u32 first, u32 second)
{
    model->header.value4 = first;
    model->header.value0 = second;
}

int ResizeModelIdList(Model* model, u32 count)
{
    if (count > kModelMaxCount) return 0;
    model->ids.SetExact(count);
    if (count) memset(model->ids.data, 0, sizeof(u32) * count);
    return 1;
}

void SetModelIdListEntry(Model* model, u32 index, u32 value)
{
    if (index < model->ids.count) model->ids[index] = value;
}

int ResizeModelRecords(Model* model, u32 count)
{
    if (count > kModelMaxCount) return 0;
    model->records.SetExact(count);
    if (count) memset(model->records.data, 0, sizeof(ModelRecord) * count);
    return 1;
}

ModelRecord* SetModelRecord(Model* model, u32 index)
{
    if (index >= model->records.count) return nullptr;
    memset(&model->records[index], 0, sizeof(ModelRecord));
    return &model->records[index];
}

int AddModelCell(Model* model, u16 a, u16 b, u16 c)
{
    if (model->cells.count >= kModelMaxCount) return 0;
    ModelCell cell = {{a, b, c}, 0};
    model->cells.Push(cell);
    return 1;
}

int WriteModelTag(Model* model, FILE* stream, const TagHeader* header)
{
    ModelHeader& h = model->header;
    if (model->ids.count > kModelMaxCount || model->records.count > kModelMaxCount ||
        model->cells.count > kModelMaxCount)
        return 0;
    h.sectionBase = kModelSectionBase;
    h.totalSize = 0;
    h.idCount = u16(model->ids.count);
    h.recordCount = u16(model->records.count);
    h.cellCount = u16(model->cells.count);
    if (!SeekTagData(stream, header, kModelSectionBase)) return 0;
    return WriteTagSection(stream, header, kModelSectionBase, model->ids.data, model->ids.count, kIdDescriptor,
                           &h.idsOffset, &h.idsSize, &h.totalSize) &&
           WriteTagSection(stream, header, kModelSectionBase, model->records.data, model->records.count,
                           kModelRecordDescriptor, &h.recordsOffset, &h.recordsSize, &h.totalSize) &&
           WriteTagSection(stream, header, kModelSectionBase, model->cells.data, model->cells.count,
                           kModelCellDescriptor, &h.cellsOffset, &h.cellsSize, &h.totalSize) &&
           WriteTagDataHeader(stream, header, &h, kModelHeaderDescriptor);
}
