#pragma once
// One record of a definition: the definition and the record's bytes, either owned (a
// zero-filled copy of exactly the definition's size) or a view into someone else's memory
// (one element of a "substruct" member inside its parent record).
#include <cstdio>
#include "foundation/DynArray.h"
#include "foundation/Types.h"

class StructDef;
class StructMember;

class StructData {
public:
    // An owned, zero-filled record.
    explicit StructData(StructDef* definition);
    // A view on `data`, which must hold the definition's size in bytes for the view's life.
    StructData(StructDef* definition, u8* data);
    ~StructData();
    StructData(const StructData&) = delete;
    StructData& operator=(const StructData&) = delete;

    u32 GetSize() const;
    StructDef* GetDefinition() const { return definition; }
    u8* GetData() const { return data; }
    // data + the member's offset (its element 0).
    u8* GetMemberPointer(const StructMember* member) const;
    // Element 0 as an unsigned value of the member's width in memory order; 0 for other
    // widths and for a member of count 0.
    u32 GetMemberInt(const StructMember* member) const;

    // Reads one record in file order at the stream's position. Answers the bytes read:
    // GetSize() on success (0 for a record of no bytes), less on failure.
    u64 Read(FILE* stream);
    // Writes the record in file order; answers the bytes written as Read does.
    u64 Write(FILE* stream);

private:
    StructDef* definition;
    DynArray<u8> storage;
    u8* data;
};
