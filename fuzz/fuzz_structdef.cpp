// Structure definitions and their records: the input is an XML definition document, a zero
// byte, then record bytes. Every definition that loads builds its descriptor, reads a record
// from the bytes and has every element of every member read as the editor shows it, nested
// elements included; the record must write back to the size it read.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "foundation/Log.h"
#include "tagedit/StructData.h"
#include "tagedit/StructDef.h"
#include "tagedit/StructValues.h"
#include "tagedit/XmlDefinitions.h"

namespace {

void Silent(void*, u32, const char*, const char*) {}

volatile u64 gSink;

void Touch(const StructScope* scope, u32 depth)
{
    const StructDef* def = scope->data->GetDefinition();
    for (StructMember* m = def->FirstMember(); m; m = m->next) {
        gSink = gSink + scope->data->GetMemberInt(m);
        if (m->nested) {
            if (!m->count || !m->nested->GetSize() || depth > 20) continue;
            // The first and the last element: enough to reach every nesting level.
            const u32 picks[2] = {0, m->count - 1};
            for (u32 i : picks) {
                u8* p = ScopedElementPointer(scope, m, i);
                if (!p) abort();
                StructData view(m->nested, p);
                StructScope inner = {&view, scope};
                Touch(&inner, depth + 1);
            }
            continue;
        }
        for (u32 i = 0; i <= m->count; ++i) {  // one past the end must be refused quietly
            gSink = gSink + u32(ReadScopedSigned(scope, m, i)) + ReadScopedUnsigned(scope, m, i);
            const float shown = ScopedDisplayValue(scope, m, i);
            u32 bits;
            memcpy(&bits, &shown, 4);
            gSink = gSink + bits;
            if ((i == m->count) != (ScopedElementPointer(scope, m, i) == nullptr)) abort();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size)
{
    SetLogSink(Silent, nullptr);
    const u8* zero = static_cast<const u8*>(memchr(data, 0, size));
    const size_t textSize = zero ? size_t(zero - data) : size;
    const std::string text(reinterpret_cast<const char*>(data), textSize);
    const u8* bytes = zero ? zero + 1 : data + size;
    const size_t byteCount = size - size_t(bytes - data);

    LoadXmlDefinitionText(text.c_str(), "fuzz.xml");
    StructDefList list;
    for (u32 i = 0; i < XmlDefinitionCount(); ++i) list.LoadRoot(XmlDefinitionAt(i)->Element(), "fuzz.xml");
    CollectStructEditDefinitions();
    for (StructDef* def = list.First(); def; def = def->GetNext()) {
        (void)FindStructEditDefinition(def->GetName());
        if (def->GetSize() > kMaxStructSize) abort();
        const DynArray<u16>& desc = def->Descriptor();
        if (def->GetSize() && !ValidateByteOrderDescriptor(desc.data, desc.count)) abort();
        StructData record(def);
        if (byteCount) {
            FILE* f = fmemopen(const_cast<u8*>(bytes), byteCount, "rb");
            const u64 n = record.Read(f);
            fclose(f);
            if (n != def->GetSize() && byteCount >= def->GetSize() && def->GetSize()) abort();
        }
        StructScope scope = {&record, nullptr};
        Touch(&scope, 0);
        FILE* out = tmpfile();
        if (record.Write(out) != def->GetSize()) abort();
        fclose(out);
    }
    FreeXmlDefinitions();
    return 0;
}
