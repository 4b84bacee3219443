#pragma once
// A loaded detail texture ('dtex'), shared by the detail-texture editor and the terrain editor.
// The pixels live here; the GL texture is made by the drawing layer on first use through the
// installed texture hooks, so this library needs no GL.
#include "codex/TagResource.h"

constexpr u32 kDtexGroup = FourCC("dtex");

// The 16-byte record in front of the code stream: {width, height, pixel pointer, fourth}.
struct DtexData {
    u32 width;
    u32 height;
    u8* pixels;
    u32 fourth;
};

inline constexpr ByteOrderDescriptor kDtexDataDescriptor[] = {16 | kBoHasPointers, 2, kBoU32, 1, kBoPointer, 1, kBoU32};
static_assert(ByteOrderDescribes<DtexData>(kDtexDataDescriptor), "DtexData layout");

// Made and freed by the drawing layer: make answers an opaque texture for RGB pixels.
struct DtexTextureHooks {
    void* (*make)(const u8* rgb, u32 width, u32 height);
    void (*destroy)(void* texture);
};
void SetDtexTextureHooks(const DtexTextureHooks* hooks);

class DtexTag : public TagResource {
public:
    explicit DtexTag(TagEntry* entry) : TagResource(entry) {}
    ~DtexTag() override;
    const char* GetClassName() const override { return "DtexTag"; }

    // 256 x 256 checkerboard of 16-pixel squares, black at the top left.
    void InitDefault() override;
    // Reads the 16-byte record and the code stream; the stream's size wins over the record's.
    // 0 when the record or stream lies outside the tag's data or the stream is malformed.
    int ReadData(FILE* stream, const TagHeader* header) override;
    // 0 when a side is 4096 or more (it cannot be stored) or a write fails.
    int WriteData(FILE* stream, const TagHeader* header) override;

    // Replaces the pixels by a copy of width x height RGB bytes and sends event 3.
    // Returns 0 (nothing changed) for a size the codec cannot store.
    int SetPixels(const u8* rgb, u32 width, u32 height);
    const u8* GetPixels(u32* width, u32* height) const;
    // Makes the texture when the pixels changed since the last one; answers it (null without
    // hooks or pixels).
    void* GetTexture();
    // For changes made to the pixels in place: the texture is made again at its next use.
    void InvalidateTexture();

    u32 width;
    u32 height;
    u8* pixels;
    u32 fourth;
    void* texture;
    bool textureMade;

private:
    void DropTexture();
};

// The detail-texture manager of the whole run.
TagResourceManager<DtexTag>& DtexManager();
