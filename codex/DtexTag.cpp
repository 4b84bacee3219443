#include "codex/DtexTag.h"

#include <cstdlib>
#include <cstring>

#include "codex/DtexCodec.h"
#include "codex/TagData.h"

namespace {

DtexTextureHooks gHooks;

}  // namespace

void SetDtexTextureHooks(const DtexTextureHooks* hooks)
{
    if (hooks)
        gHooks = *hooks;
    else
        memset(&gHooks, 0, sizeof gHooks);
}

DtexTag::~DtexTag()
{
    DropTexture();
    free(pixels);
}

void DtexTag::InvalidateTexture()
{
    DropTexture();
}

void DtexTag::DropTexture()
{
    if (texture && gHooks.destroy) gHooks.destroy(texture);
    texture = nullptr;
    textureMade = false;
}

void DtexTag::InitDefault()
{
    const u32 side = 256;
    u8* px = static_cast<u8*>(malloc(side * side * 3));
    if (!px) return;
    for (u32 y = 0; y < side; ++y)
        for (u32 x = 0; x < side; ++x) memset(px + (y * side + x) * 3, ((x >> 4) & 1) == ((y >> 4) & 1) ? 0 : 255, 3);
    SetPixels(px, side, side);
    free(px);
}

int DtexTag::ReadData(FILE* stream, const TagHeader* h)
{
    // Decoded into new storage first: a file that no longer decodes leaves every holder the
    // texture it had, not one without pixels.
    DtexData record;
    if (!TagDataHolds(h, 0, 16) || !SeekTagData(stream, h, 0) || !ReadRecords(&record, 1, kDtexDataDescriptor, stream))
        return 0;
    u8* rgb = nullptr;
    u32 w = 0, hgt = 0;
    // The stream's own header decides the size: a record that disagrees only stands beside
    // the image, and the next save writes it to match.
    if (!ReadCompressedImage(&rgb, &w, &hgt, stream, u64(h->size) - 16)) return 0;
    DropTexture();
    free(pixels);
    pixels = rgb;
    width = w;
    height = hgt;
    fourth = record.fourth;
    return 1;
}

int DtexTag::WriteData(FILE* stream, const TagHeader* h)
{
    if (!pixels || !width || !height || width > kDtexMaxSide || height > kDtexMaxSide) return 0;
    DtexData record = {width, height, nullptr, fourth};
    if (!SeekTagData(stream, h, 0) || !WriteRecords(&record, 1, kDtexDataDescriptor, stream)) return 0;
    return WriteCompressedImage(pixels, width, height, stream) != 0;
}

int DtexTag::SetPixels(const u8* rgb, u32 w, u32 h)
{
    if (!rgb || !w || !h || w > kDtexMaxSide || h > kDtexMaxSide) return 0;
    size_t bytes = size_t(w) * h * 3;
    u8* copy = static_cast<u8*>(malloc(bytes));
    if (!copy) return 0;
    memcpy(copy, rgb, bytes);
    DropTexture();
    free(pixels);
    pixels = copy;
    width = w;
    height = h;
    NotifyCodexListeners(kCodexContentChanged, entry, nullptr);
    return 1;
}

const u8* DtexTag::GetPixels(u32* w, u32* h) const
{
    if (w) *w = width;
    if (h) *h = height;
    return pixels;
}

void* DtexTag::GetTexture()
{
    if (!textureMade && pixels && gHooks.make) {
        textureMade = true;
        texture = gHooks.make(pixels, width, height);
    }
    return texture;
}

TagResourceManager<DtexTag>& DtexManager()
{
    static TagResourceManager<DtexTag> manager;
    return manager;
}
