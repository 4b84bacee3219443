#include "codex/ModelTag.h"

#include <cstring>

#include "codex/TagData.h"

namespace {

constexpr u32 kModelSectionBase = 72;

template <typename T>
int WriteSection(const DynArray<T>& array, u32& offset, u32& size, const ByteOrderDescriptor* desc, FILE* stream,
                 const TagHeader* header, u32& total)
{
    offset = size = 0;
    if (array.count == 0) return 1;
    s64 pos = TellTagData(stream, header);
    if (pos < s64(kModelSectionBase)) return 0;
    offset = u32(pos - kModelSectionBase);
    size = u32(DiskSizeOfRecords(array.count, desc));
    if (!WriteRecords(array.data, array.count, desc, stream)) return 0;
    total += size;
    return 1;
}

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
    if (!WriteSection(model->ids, h.idsOffset, h.idsSize, kIdDescriptor, stream, header, h.totalSize) ||
        !WriteSection(model->records, h.recordsOffset, h.recordsSize, kModelRecordDescriptor, stream, header,
                      h.totalSize) ||
        !WriteSection(model->cells, h.cellsOffset, h.cellsSize, kModelCellDescriptor, stream, header, h.totalSize))
        return 0;
    s64 end = TellTagData(stream, header);
    if (end < 0 || !SeekTagData(stream, header, 0) || !WriteRecords(&h, 1, kModelHeaderDescriptor, stream))
        return 0;
    return SeekTagData(stream, header, u64(end));
}
