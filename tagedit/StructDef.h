#pragma once
// Record layouts read from the XML definition files: a StructDef is an ordered list of typed,
// packed members with their offsets, and builds the byte-order descriptor that converts the
// record between file and memory order. Definitions whose name spells a tag group code are
// the layouts of that group's tag data; others serve as element types of "substruct" members.
#include "foundation/ByteOrder.h"
#include "foundation/CleanHeapObject.h"
#include "foundation/DynArray.h"
#include "foundation/String.h"

class TiXmlElement;
class StructDef;
class StructDefList;

// Member type codes: the element name of a member is its type. 6 is not used.
enum StructMemberType : s32 {
    kMemberPadding = 0,
    kMemberSubstruct = 1,
    kMemberTag = 2,
    kMemberLong = 3,
    kMemberLongTime = 4,
    kMemberLongWorld = 5,
    kMemberFixed = 7,
    kMemberShort = 8,
    kMemberShortTime = 9,
    kMemberShortWorld = 10,
    kMemberShortEnum = 11,
    kMemberSequenceIndex = 12,
    kMemberFixedFraction = 13,
    kMemberShortFixed = 14,
    kMemberAngularVelocity = 15,
    kMemberAngle = 16,
    kMemberByte = 17,
    kMemberByteEnum = 18,
    kMemberShortFixedFraction = 19,
    kMemberColor = 20,
};

// Largest record a descriptor's size word can carry (bit 15 is the pointer flag).
constexpr u32 kMaxStructSize = kBoSizeMask;
// Largest "count" a descriptor pair can carry.
constexpr u32 kMaxStructMemberCount = 0xFFFF;

// One member of a definition; allocated zero-filled and deleted through the virtual
// destructor.
class StructMember : public CleanHeapObject<NilStruct> {
public:
    // Reads the member's attributes; answers 1, or 0 when an attribute was not usable (the
    // member is kept all the same).
    virtual int Parse(const TiXmlElement* element) = 0;

    StructMember* next;
    StructMember* prev;
    String name;       // empty: the member has no name and is never found by name
    u32 offset;        // of element 0 inside the record
    u32 elementWidth;  // 1, 2, 4 or the nested definition's size
    u32 count;
    StructDef* nested;  // "substruct" members only
    u16 byteOrderType;  // kBoU8, kBoU16, kBoU32 or kBoZero8; 0 for "substruct"
};

// The class of every member the factory makes.
class VornStructMember : public StructMember {
public:
    int Parse(const TiXmlElement* element) override;

    String lowerBound;    // member whose value is added to this one for display
    String runtimeCount;  // member that holds how many elements of this array are in use
    u32 typeCode;         // StructMemberType
};

class TagMember : public VornStructMember {
public:
    // The base parse, then "group": four characters read big-endian; anything else leaves
    // 0xFFFFFFFF and answers 0.
    int Parse(const TiXmlElement* element) override;

    u32 group;
};

struct EnumItem {
    String text;
    s32 value;
};

class EnumMember : public VornStructMember {
public:
    ~EnumMember() override;
    // The base parse, then one item per "member" child with "text" and "value"; the first
    // child lacking either ends the list (its item stays) and answers 0.
    int Parse(const TiXmlElement* element) override;

    DynArray<EnumItem> items;
};

class StructDef {
public:
    StructDef() = default;
    ~StructDef();  // deletes the members
    StructDef(const StructDef&) = delete;
    StructDef& operator=(const StructDef&) = delete;

    u32 GetSize() const { return size; }
    const char* GetName() const { return name.c_str(); }
    StructDef* GetNext() const { return next; }
    StructMember* FirstMember() const { return membersHead; }
    u32 MemberCount() const { return memberCount; }

    // The first member named `name`; null for a null or empty name.
    StructMember* FindMember(const char* memberName) const;
    // 1 when this very member object belongs to this definition.
    int HasMember(const StructMember* member) const;
    // Appends the descriptor words: the size, then per member {count, type} or
    // {count, kBoNested, nested descriptor}. Members of no bytes (count 0, or a nested record
    // of size 0) add no words: the converter stops once a record's bytes are covered, so a
    // trailing empty pair would be read as the enclosing record's next pair.
    void BuildByteOrderDescriptor(DynArray<u16>* out) const;
    // The descriptor, built on first use and kept.
    const DynArray<u16>& Descriptor();

    StructDef* prev = nullptr;
    StructDef* next = nullptr;
    String name;
    u32 size = 0;
    DynArray<u16> descriptor = {};
    StructMember* membersHead = nullptr;
    StructMember* membersTail = nullptr;
    u32 memberCount = 0;
    // Words of the descriptor and the depth of record nesting (1 without substructs), kept
    // so that definitions nesting this one can be checked against the converter's limits.
    u32 descriptorWords = 1;
    u32 nestingDepth = 1;
};

// Makes a member from one member element, or null for an element name that is not a member
// type. A known type with unusable attributes answers null and sets *refusal to the reason
// (the definition holding it is then refused); `list` resolves "substruct" names.
typedef StructMember* (*StructMemberFactory)(const StructDefList& list, const TiXmlElement* element,
                                             const char** refusal);

// The member factory: a "count" attribute must be a decimal number up to 65535 (1 when
// absent); "color" always has 4 elements; a "substruct" must name a definition already in
// `list`.
StructMember* CreateMember(const StructDefList& list, const TiXmlElement* element, const char** refusal);
// The member type code of an element name (exact, case-sensitive), or -1.
s32 LookupMemberType(const char* elementName);

class StructDefList {
public:
    explicit StructDefList(StructMemberFactory memberFactory = CreateMember) : factory(memberFactory) {}
    ~StructDefList() { Clear(); }
    StructDefList(const StructDefList&) = delete;
    StructDefList& operator=(const StructDefList&) = delete;

    // Passes every "struct" child of every loaded definition root (XmlDefinitions.h) to
    // ParseStruct, roots in load order.
    void Load();
    // The same for the "struct" children of one root element; `source` names it in the log.
    void LoadRoot(const TiXmlElement* root, const char* source);
    // Builds one definition and appends it; null when the element has no "name" or the
    // definition is refused. A refusal (a member with unusable attributes, a record past
    // kMaxStructSize bytes, a descriptor past the converter's word or nesting limits) is
    // logged in "Codex" with the source, the struct and the member.
    StructDef* ParseStruct(const TiXmlElement* element, const char* source = nullptr);
    // The first definition of that exact name, or null.
    StructDef* Find(const char* name) const;
    // Deletes every definition; the factory stays.
    void Clear();

    StructDef* First() const { return head; }
    u32 Count() const { return count; }

private:
    StructDef* head = nullptr;
    StructDef* tail = nullptr;
    u32 count = 0;
    StructMemberFactory factory;
};

// The program's registry of definitions, filled at start-up.
StructDefList& StructDefinitions();
