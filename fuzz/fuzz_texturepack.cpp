// The texture pack reader over arbitrary bytes. What it accepts must pack onto pages without
// overlap and write back byte for byte as the bytes it read.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "gui/core/TexturePack.h"

namespace {

struct Pages {
    std::vector<std::pair<u32, u32>> sizes;
};
void Blit(void* c, PackNode* n) { n->page = u16(static_cast<Pages*>(c)->sizes.size() - 1); }
void PageSize(void*, u64 area, u32* w, u32* h) { ChooseAtlasPageSize(area, 1024, 1024, w, h); }
int NewPage(void* c, u32 w, u32 h)
{
    static_cast<Pages*>(c)->sizes.push_back({w, h});
    return 1;
}
void Finish(void*) {}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FILE* in = fmemopen(const_cast<uint8_t*>(data), size, "rb");
    if (!in) return 0;
    TexturePack* pack = NewTexturePack();
    u64 read = ReadPackImages(pack, in);
    fclose(in);
    if (read == 0) {
        if (pack->images.count != 0) abort();
        FreeTexturePack(pack);
        return 0;
    }
    if (read > size) abort();

    char* out = nullptr;
    size_t outSize = 0;
    FILE* stream = open_memstream(&out, &outSize);
    if (!stream || WritePackImages(pack, stream) != read) abort();
    fclose(stream);
    if (outSize != read) abort();
    // Reserved header fields are written as zero: compare the rest.
    if (memcmp(out, data, 4) != 0) abort();
    for (size_t at = 4; at < outSize;) {
        const u8* o = reinterpret_cast<const u8*>(out) + at;
        const u8* d = data + at;
        size_t pixels = size_t(o[12] | (o[13] << 8)) * size_t(o[14] | (o[15] << 8)) * 4;
        if (memcmp(o + 12, d + 12, 4) != 0 || memcmp(o + 24, d + 24, 4 + pixels) != 0) abort();
        at += 28 + pixels;
    }
    free(out);

    Pages pages;
    PackCallbacks cb = {Blit, PageSize, NewPage, Finish};
    if (PackRects(cb, &pages, &pack->images) != pack->images.count) abort();
    for (LinkedListNode* n = pack->images.first; n; n = n->next) {
        PackImage* a = static_cast<PackImage*>(n);
        if (a->page >= pages.sizes.size()) abort();
        if (a->x + a->width > pages.sizes[a->page].first || a->y + a->height > pages.sizes[a->page].second) abort();
    }
    FreeTexturePack(pack);
    return 0;
}
