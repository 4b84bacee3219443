// 'mode' tag data through its layout: the 64-byte header at the data start, then the id list,
// records and cells where the header puts them behind the section base, each section checked
// against the tag's data before it is read. The program itself only writes models, so what
// matters is that every layout a file can hold is walked safely through the layout's records,
// and that the writer, given the layout it found, writes the sections back where they were
// (or further on) and reads back the same values.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "codex/ModelTag.h"
#include "codex/TagData.h"
#include "fuzz/TagDataFuzz.h"

namespace {

constexpr ByteOrderDescriptor kIdDescriptor[] = {4, 1, kBoU32};

// Reads one section of count records; false when it does not lie inside the data.
template <typename T>
bool ReadSection(FILE* f, const TagHeader* header, u32 base, u32 offset, u32 size, u32 count,
                 const ByteOrderDescriptor* desc, DynArray<T>* out)
{
    if (count == 0) return true;
    const u64 bytes = DiskSizeOfRecords(count, desc);
    if (bytes != size || !TagDataHolds(header, u64(base) + offset, bytes)) return false;
    out->SetExact(count);
    return SeekTagData(f, header, u64(base) + offset) && ReadRecords(out->data, count, desc, f) == bytes;
}

bool ReadModel(Model* model, FILE* f, const TagHeader* header)
{
    ModelHeader& h = model->header;
    if (!TagDataHolds(header, 0, sizeof h) || !SeekTagData(f, header, 0) ||
        ReadRecords(&h, 1, kModelHeaderDescriptor, f) != sizeof h)
        return false;
    if (h.sectionBase < sizeof h) return false;
    return ReadSection(f, header, h.sectionBase, h.idsOffset, h.idsSize, h.idCount, kIdDescriptor, &model->ids) &&
           ReadSection(f, header, h.sectionBase, h.recordsOffset, h.recordsSize, h.recordCount,
                       kModelRecordDescriptor, &model->records) &&
           ReadSection(f, header, h.sectionBase, h.cellsOffset, h.cellsSize, h.cellCount, kModelCellDescriptor,
                       &model->cells);
}

template <typename T>
bool Same(const DynArray<T>& a, const DynArray<T>& b)
{
    return a.count == b.count && (a.count == 0 || memcmp(a.data, b.data, sizeof(T) * a.count) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size)
{
    TagHeader header;
    FILE* f = tagfuzz::OpenTagData(data, size, &header);
    if (!f) return 0;
    Model model;
    InitModel(&model);
    const bool read = ReadModel(&model, f, &header);
    fclose(f);
    if (!read) {
        FreeModel(&model);
        return 0;
    }
    const ModelHeader found = model.header;
    FILE* w = tmpfile();
    if (!w) abort();
    TagHeader outHeader = header;
    if (!WriteModelTag(&model, w, &outHeader)) abort();
    const ModelHeader& h = model.header;
    // Sections stay at or behind where they were, in order, and the total adds them up.
    if (h.sectionBase != 72 || h.idCount != found.idCount || h.recordCount != found.recordCount ||
        h.cellCount != found.cellCount || h.totalSize != h.idsSize + h.recordsSize + h.cellsSize)
        abort();
    if (h.idCount && found.sectionBase == 72 && h.idsOffset < found.idsOffset) abort();
    const long end = ftell(w);
    if (end < 0) abort();
    outHeader.size = u32(end);
    Model again;
    InitModel(&again);
    if (!ReadModel(&again, w, &outHeader)) abort();
    if (memcmp(&again.header, &model.header, sizeof(ModelHeader)) != 0 || !Same(again.ids, model.ids) ||
        !Same(again.records, model.records) || !Same(again.cells, model.cells))
        abort();
    fclose(w);
    FreeModel(&again);
    FreeModel(&model);
    return 0;
}
