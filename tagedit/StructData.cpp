#include "tagedit/StructData.h"
#include <cstring>
#include "foundation/ByteOrder.h"
#include "tagedit/StructDef.h"

StructData::StructData(StructDef* def) : definition(def), storage(), data(nullptr)
{
    const u32 size = def->GetSize();
    storage.SetExact(size);
    if (size) memset(storage.data, 0, size);
    data = storage.data;
}

StructData::StructData(StructDef* def, u8* bytes) : definition(def), storage(), data(bytes)
{
}

StructData::~StructData()
{
    storage.Free();
}

u32 StructData::GetSize() const
{
    return definition->GetSize();
}

u8* StructData::GetMemberPointer(const StructMember* member) const
{
    return data + member->offset;
}

u32 StructData::GetMemberInt(const StructMember* member) const
{
    if (!member->count) return 0;  // element 0 does not exist: the offset may be the record's end
    const u8* p = GetMemberPointer(member);
    switch (member->elementWidth) {
    case 1:
        return *p;
    case 2: {
        u16 v;
        memcpy(&v, p, 2);
        return v;
    }
    case 4: {
        u32 v;
        memcpy(&v, p, 4);
        return v;
    }
    default:
        return 0;
    }
}

u64 StructData::Read(FILE* stream)
{
    if (!GetSize()) return 0;
    return ReadRecords(data, 1, definition->Descriptor().data, stream);
}

u64 StructData::Write(FILE* stream)
{
    if (!GetSize()) return 0;
    return WriteRecords(data, 1, definition->Descriptor().data, stream);
}
