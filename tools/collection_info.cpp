// Prints what this program's readers see in a collection tag of a game folder (the winning
// copy: the local one when there is one), for scripts that check a saved collection:
// "flags 0x..." (the usage and colour-map bits), "bitmaps N", "sequences N", "hue changes N",
// "bitmap <name>" for each bitmap in order,
// "table <768 bytes in hex>" (the colour table as an ".act" file starts) and "content <crc>",
// a checksum of everything else as our writer stores it (with the flags left out), so two
// copies that differ only in their flags print the same content; then each sequence with its
// cells ("sequence ..." and "cell ..." lines), one line per bitmap ("image <index> <w>x<h>
// <bytes per pixel> <name>") and, sequence by sequence, one per frame view ("view <frame>
// <view> bitmap <index> at <x>,<y>", with " highres <index> scale 0x<16.16> at <x>,<y>" when it
// has a high-res assignment; -1 for no bitmap). Exits with 1 when the tag is missing or cannot
// be read.
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "codex/Codex.h"
#include "codex/TagFiles.h"
#include "collection/Collection.h"
#include "tools/GameFolder.h"

namespace {

// The collection's data as written without its flags.
u32 ContentChecksum(Collection& c)
{
    const u32 flags = c.flags;
    c.flags = 0;
    FILE* f = tmpfile();
    TagHeader h = {};
    u32 crc = 0;
    if (f && c.Write(f, &h)) {
        crc = u32(crc32(0L, Z_NULL, 0));
        rewind(f);
        unsigned char buffer[65536];
        size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) crc = u32(crc32(crc, buffer, uInt(n)));
    }
    if (f) fclose(f);
    c.flags = flags;
    return crc;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: collection_info <game folder> <collection name>\n");
        return 2;
    }
    if (!OpenGameFolder("collection_info", argv[1])) return 1;
    TagEntry* entry = FindTagNamed(FourCC(".256"), argv[2]);
    TagHeader header;
    FILE* stream = entry ? OpenTag(entry, &header) : nullptr;
    Collection* c = stream ? LoadCollection(stream, &header) : nullptr;
    if (stream) CloseTagReader(entry);
    if (!c) {
        fprintf(stderr, "collection_info: cannot read the collection '%s'\n", argv[2]);
        return 1;
    }
    printf("flags 0x%x\nbitmaps %u\nsequences %u\nhue changes %u\n", c->flags, c->GetBitmapCount(),
           c->GetSequenceCount(), c->GetHueChangeCount());
    for (const CollectionBitmap* b : c->bitmaps) printf("bitmap %.*s\n", int(sizeof(b->name)), b->name);
    printf("table ");
    for (const ColorTableEntry& e : c->colorTable.entries) printf("%02x%02x%02x", e.red, e.green, e.blue);
    printf("\ncontent %08x\n", ContentChecksum(*c));
    // Every cell of every sequence: its bitmap's index (-1 for none), registration and key point.
    for (u32 i = 0; i < c->GetSequenceCount(); ++i) {
        Sequence* s = c->GetSequence(i);
        printf("sequence %u %s views %u frames %u flags 0x%x\n", i, s->name, s->GetViewCount(), s->GetFrameCount(),
               s->GetFlags());
        for (u32 f = 0; f < s->GetFrameCount() && f < s->frameArray.count; ++f)
            for (u32 v = 0; v < s->GetViewCount() && v < s->GetFrame(f).views.count; ++v) {
                const FrameView& fv = s->GetFrameView(f, v);
                printf("cell %u %u %u bitmap %d reg %d %d key %d %d\n", i, f, v, c->IndexOfBitmap(fv.bitmap),
                       fv.registrationX, fv.registrationY, fv.keyX, fv.keyY);
            }
    }
    for (u32 i = 0; i < c->GetBitmapCount(); ++i) {
        const CollectionBitmap* b = c->GetBitmap(i);
        printf("image %u %ux%u %u %s\n", i, b->width, b->height, b->bytesPerPixel, b->name);
    }
    // Every cell again with its standard and high-res assignments as read.
    for (u32 i = 0; i < c->GetSequenceCount(); ++i) {
        Sequence* s = c->GetSequence(i);
        for (u32 f = 0; f < s->GetFrameCount() && f < s->frameArray.count; ++f)
            for (u32 v = 0; v < s->GetViewCount() && v < s->GetFrame(f).views.count; ++v) {
                const FrameView& view = s->GetFrameView(f, v);
                const bool high = (view.flags & kViewHasHighRes) != 0;
                printf("view %u %u bitmap %d at %d,%d", f, v,
                       int(c->IndexOfBitmap(high ? view.standardBitmap : view.bitmap)), view.registrationXAsRead,
                       view.registrationYAsRead);
                if (high)
                    printf(" highres %d scale 0x%x at %d,%d", int(c->IndexOfBitmap(view.highResBitmap)),
                           view.highResScale, view.highResRegistrationX, view.highResRegistrationY);
                printf("\n");
            }
    }
    delete c;
    CloseCodex();
    return 0;
}
