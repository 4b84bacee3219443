#include "tests/explore/EdgeTags.h"

#include <cstdio>
#include <cstring>
#include <functional>

#include "codex/MeshTag.h"
#include "codex/TagFiles.h"
#include "collection/Collection.h"
#include "collection/Sequence.h"
#include "tests/explore/TagChecks.h"

namespace {

TagEntry* WriteTag(u32 group, const char* name, const std::function<bool(FILE*, TagHeader*)>& writer)
{
    TagHeader header;
    TagEntry* entry = CreateTag(group, kNoTagId, name, &header, false);
    FILE* f = entry ? BeginTagWrite(entry, &header, nullptr) : nullptr;
    const bool ok = f && writer(f, &header);
    if (!f || !FinishTagWrite(entry, &header, ok)) {
        fprintf(stderr, "explore: the edge tag '%s' could not be written\n", name);
        return nullptr;
    }
    return entry;
}

bool WriteCollection(FILE* f, TagHeader* header, const std::function<bool(Collection&)>& fill)
{
    Collection c;
    return fill(c) && c.Write(f, header) != 0;
}

}  // namespace

std::vector<TagEntry*> WriteEdgeTags()
{
    std::vector<TagEntry*> out;
    auto keep = [&](TagEntry* e) {
        if (e) out.push_back(e);
    };
    keep(WriteTag(FourCC(".256"), "Edge Empty", [](FILE* f, TagHeader* h) {
        return WriteCollection(f, h, [](Collection&) { return true; });
    }));
    keep(WriteTag(FourCC(".256"), "Edge Mirrored None", [](FILE* f, TagHeader* h) {
        return WriteCollection(f, h, [](Collection& c) {
            Sequence* s = c.AddSequence("No Views");
            if (!s) return false;
            s->Resize(0, 1);
            s->SetFlags(s->GetFlags() | kSequenceMirroring);
            Sequence* t = c.AddSequence("No Frames");
            if (!t) return false;
            t->Resize(2, 0);
            t->SetFlags(t->GetFlags() | kSequenceMirroring);
            return true;
        });
    }));
    keep(WriteTag(FourCC(".256"), "Edge Tiny And Wide", [](FILE* f, TagHeader* h) {
        return WriteCollection(f, h, [](Collection& c) {
            const u8 pixel[2] = {255, 7};
            CollectionBitmap* b = c.AddBitmap("One Pixel", 0, pixel, 1, 1, 2, nullptr);
            if (!b) return false;
            Sequence* s = c.AddSequence("Wide");
            if (!s) return false;
            // A grid of many cells, every one showing the 1 x 1 bitmap.
            s->Resize(64, 200);
            for (u32 fr = 0; fr < 200; ++fr)
                for (u32 v = 0; v < 64; ++v) s->GetFrameView(fr, v).bitmap = b;
            for (u32 i = 0; i < 40; ++i) c.AddHueChange(i % 2 ? "" : "Hue");
            return true;
        });
    }));
    keep(WriteTag(FourCC("mesh"), "Edge No Detail Map", [](FILE* f, TagHeader* header) {
        MeshHeader h = {};
        h.chunkColumns = 1;
        h.chunkRows = 1;
        h.cellsOffset = sizeof(MeshHeader);
        h.shadeMidpoint = 0x8000;
        strncpy(h.name516, "Edge No Detail Map", sizeof(h.name516) - 1);
        std::vector<MeshCell> cells(32 * 32);
        header->version = 11;
        return WriteRecords(&h, 1, kMeshHeaderDescriptor, f) == 1024 &&
               WriteRecords(cells.data(), u32(cells.size()), kMeshCellDescriptor, f) == cells.size() * 12;
    }));
    for (const char* group : {"text", "scri"})
        keep(WriteTag(GroupCode(group), "Edge Empty Text", [](FILE*, TagHeader*) { return true; }));
    return out;
}
