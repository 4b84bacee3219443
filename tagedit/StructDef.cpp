#include "tagedit/StructDef.h"
#include <tinyxml.h>
#include <cstring>
#include "foundation/Log.h"
#include "tagedit/XmlDefinitions.h"

namespace {

struct MemberTypeRow {
    const char* name;
    s32 code;
};

const MemberTypeRow kMemberTypes[] = {
    {"padding", kMemberPadding},
    {"substruct", kMemberSubstruct},
    {"tag", kMemberTag},
    {"long", kMemberLong},
    {"long_time", kMemberLongTime},
    {"long_world", kMemberLongWorld},
    {"fixed", kMemberFixed},
    {"short", kMemberShort},
    {"short_time", kMemberShortTime},
    {"short_world", kMemberShortWorld},
    {"short_enum", kMemberShortEnum},
    {"sequence_index", kMemberSequenceIndex},
    {"fixed_fraction", kMemberFixedFraction},
    {"short_fixed", kMemberShortFixed},
    {"angular_velocity", kMemberAngularVelocity},
    {"angle", kMemberAngle},
    {"byte", kMemberByte},
    {"byte_enum", kMemberByteEnum},
    {"short_fixed_fraction", kMemberShortFixedFraction},
    {"color", kMemberColor},
};

// "count" as a plain decimal number; TinyXML's integer form would take "-1" and "3x" and
// turn a count into a wrapped size.
bool ParseCount(const char* text, u32* count)
{
    if (!text) {
        *count = 1;
        return true;
    }
    while (*text == ' ' || *text == '\t') ++text;
    if (*text < '0' || *text > '9') return false;
    u64 value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        value = value * 10 + u32(*text - '0');
        if (value > kMaxStructMemberCount) return false;
    }
    while (*text == ' ' || *text == '\t') ++text;
    if (*text) return false;
    *count = u32(value);
    return true;
}

void AppendMember(StructDef* def, StructMember* member)
{
    member->prev = def->membersTail;
    member->next = nullptr;
    if (def->membersTail)
        def->membersTail->next = member;
    else
        def->membersHead = member;
    def->membersTail = member;
    ++def->memberCount;
}

// Whether the member adds a pair to the descriptor.
bool HasDescriptorPair(const StructMember* m)
{
    return m->count && (!m->nested || m->nested->size);
}

}  // namespace

s32 LookupMemberType(const char* elementName)
{
    if (!elementName) return -1;
    for (const MemberTypeRow& row : kMemberTypes)
        if (strcmp(row.name, elementName) == 0) return row.code;
    return -1;
}

int VornStructMember::Parse(const TiXmlElement* element)
{
    name = element->Attribute("name");
    lowerBound = element->Attribute("lower_bound");
    runtimeCount = element->Attribute("runtime_count");
    return 1;
}

int TagMember::Parse(const TiXmlElement* element)
{
    VornStructMember::Parse(element);
    const char* g = element->Attribute("group");
    if (!g || strlen(g) != 4) {
        group = 0xFFFFFFFF;
        return 0;
    }
    group = u32(u8(g[0])) << 24 | u32(u8(g[1])) << 16 | u32(u8(g[2])) << 8 | u32(u8(g[3]));
    return 1;
}

EnumMember::~EnumMember()
{
    items.Clear();
}

int EnumMember::Parse(const TiXmlElement* element)
{
    VornStructMember::Parse(element);
    for (const TiXmlElement* e = element->FirstChildElement("member"); e; e = e->NextSiblingElement("member")) {
        const char* text = e->Attribute("text");
        int value = 0;
        const char* valueText = e->Attribute("value", &value);
        EnumItem item;
        item.text = text;
        item.value = valueText ? s32(value) : 0;
        items.Push(item);
        if (!text || !valueText) return 0;
    }
    return 1;
}

StructMember* CreateMember(const StructDefList& list, const TiXmlElement* element, const char** refusal)
{
    *refusal = nullptr;
    const s32 code = LookupMemberType(element->Value());
    if (code < 0) return nullptr;
    u32 count = 1;
    if (!ParseCount(element->Attribute("count"), &count)) {
        *refusal = "\"count\" is not a whole number from 0 to 65535";
        return nullptr;
    }
    u32 width = 2;
    StructDef* nested = nullptr;
    switch (code) {
    case kMemberPadding:
    case kMemberByte:
    case kMemberByteEnum:
    case kMemberShortFixedFraction:
        width = 1;
        break;
    case kMemberTag:
    case kMemberLong:
    case kMemberLongTime:
    case kMemberLongWorld:
    case kMemberFixed:
        width = 4;
        break;
    case kMemberColor:
        count = 4;
        break;
    case kMemberSubstruct:
        nested = list.Find(element->Attribute("struct"));
        if (!nested) {
            *refusal = "\"struct\" names no definition loaded before it";
            return nullptr;
        }
        width = nested->size;
        break;
    default:
        break;
    }
    VornStructMember* member;
    if (code == kMemberTag)
        member = new TagMember;
    else if (code == kMemberShortEnum || code == kMemberByteEnum)
        member = new EnumMember;
    else
        member = new VornStructMember;
    member->Parse(element);
    member->count = count;
    member->elementWidth = width;
    member->typeCode = u32(code);
    if (nested) {
        member->nested = nested;
        member->byteOrderType = 0;
        return member;
    }
    member->byteOrderType = width == 1 ? kBoU8 : width == 2 ? kBoU16 : kBoU32;
    if (code == kMemberPadding) member->byteOrderType |= kBoZeroFlag;
    return member;
}

StructDef::~StructDef()
{
    for (StructMember* m = membersHead; m;) {
        StructMember* next = m->next;
        delete m;
        m = next;
    }
    descriptor.Free();
}

StructMember* StructDef::FindMember(const char* memberName) const
{
    if (!memberName || !*memberName) return nullptr;
    for (StructMember* m = membersHead; m; m = m->next)
        if (m->name == memberName) return m;
    return nullptr;
}

int StructDef::HasMember(const StructMember* member) const
{
    for (StructMember* m = membersHead; m; m = m->next)
        if (m == member) return 1;
    return 0;
}

void StructDef::BuildByteOrderDescriptor(DynArray<u16>* out) const
{
    out->Push(u16(size));
    for (StructMember* m = membersHead; m; m = m->next) {
        if (!HasDescriptorPair(m)) continue;
        out->Push(u16(m->count));
        if (m->nested) {
            out->Push(kBoNested);
            m->nested->BuildByteOrderDescriptor(out);
        } else {
            out->Push(m->byteOrderType);
        }
    }
}

const DynArray<u16>& StructDef::Descriptor()
{
    if (descriptor.empty()) BuildByteOrderDescriptor(&descriptor);
    return descriptor;
}

StructDef* StructDefList::ParseStruct(const TiXmlElement* element, const char* source)
{
    const char* name = element->Attribute("name");
    if (!name) return nullptr;
    if (!source) source = "";
    StructDef* def = new StructDef;
    def->name = name;
    u64 offset = 0;
    u64 words = 1;
    u32 depth = 1;
    const char* refusal = nullptr;
    const TiXmlElement* child = element->FirstChildElement();
    for (; child; child = child->NextSiblingElement()) {
        StructMember* member = factory(*this, child, &refusal);
        if (refusal) break;
        if (!member) continue;
        member->offset = u32(offset);
        AppendMember(def, member);
        offset += u64(member->count) * member->elementWidth;
        if (offset > kMaxStructSize) {
            refusal = "the record grows past 32767 bytes";
            break;
        }
        if (HasDescriptorPair(member)) {
            words += 2 + (member->nested ? member->nested->descriptorWords : 0);
            if (member->nested && member->nested->nestingDepth + 1 > depth) depth = member->nested->nestingDepth + 1;
        }
        if (words > kMaxByteOrderDescriptorWords) {
            refusal = "the byte-order descriptor grows past its word limit";
            break;
        }
        if (depth > kMaxByteOrderNesting) {
            refusal = "the records nest deeper than the converter allows";
            break;
        }
    }
    def->size = u32(offset);
    def->descriptorWords = u32(words);
    def->nestingDepth = depth;
    if (!refusal && def->size) {
        // Belt and braces: the converters trust the descriptor completely.
        DynArray<u16> desc = {};
        def->BuildByteOrderDescriptor(&desc);
        if (!ValidateByteOrderDescriptor(desc.data, desc.count)) refusal = "the byte-order descriptor is not valid";
        desc.Free();
    }
    if (refusal) {
        const char* memberName = child ? child->Attribute("name") : nullptr;
        LogMessage(1, "Codex", "%s: struct \"%s\", member %s \"%s\": %s; the definition is not loaded.", source,
                   name, child ? child->Value() : "", memberName ? memberName : "", refusal);
        delete def;
        return nullptr;
    }
    def->prev = tail;
    if (tail)
        tail->next = def;
    else
        head = def;
    tail = def;
    ++count;
    return def;
}

void StructDefList::LoadRoot(const TiXmlElement* root, const char* source)
{
    if (!root) return;
    for (const TiXmlElement* e = root->FirstChildElement("struct"); e; e = e->NextSiblingElement("struct"))
        ParseStruct(e, source);
}

void StructDefList::Load()
{
    for (u32 i = 0; i < XmlDefinitionCount(); ++i) {
        const XmlDefinitionRoot* root = XmlDefinitionAt(i);
        LoadRoot(root->Element(), root->Path());
    }
}

StructDef* StructDefList::Find(const char* name) const
{
    if (!name) return nullptr;
    for (StructDef* d = head; d; d = d->next)
        if (d->name == name) return d;
    return nullptr;
}

void StructDefList::Clear()
{
    for (StructDef* d = head; d;) {
        StructDef* next = d->next;
        delete d;
        d = next;
    }
    head = tail = nullptr;
    count = 0;
}

StructDefList& StructDefinitions()
{
    static StructDefList registry(CreateMember);
    return registry;
}
