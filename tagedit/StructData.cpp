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
    // Members wider than 4 bytes have no integer value here.
    const u32 width = member->elementWidth;
    return width <= 4 ? u32(LoadHostUnsigned(GetMemberPointer(member), width)) : 0;
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
