#pragma once
// The sample game's collection with high-resolution assignments, "Cliffs": two palette
// bitmaps shown by the two frames of "Crumble", each view also assigned a true-colour bitmap
// of twice the size at its own scale and registration point, as the high-res builder makes
// them. Ctrl+T in the collection editor switches between the two. Part of make_sample_game.
#include <vector>

#include "collection/Collection.h"

namespace samplehighres {

inline bool BuildCliffs(Collection& c)
{
    ColorTableEntry colors[256];
    for (u32 i = 0; i < 256; ++i) colors[i] = {u8(120 + i / 3), u8(100 + i / 4), u8(80 + i / 5)};
    c.SetColorTable(colors, 256);
    c.flags = kCollectionScenery;
    const u32 n = 16, hd = 32;
    Sequence* crumble = c.AddSequence("Crumble");
    if (!crumble) return false;
    crumble->Resize(1, 2);
    for (u32 frame = 0; frame < 2; ++frame) {
        std::vector<u8> px(n * n * 2), tc(hd * hd * 8, 0);
        for (u32 i = 0; i < n * n; ++i) {
            px[i * 2] = (i / n + frame) % 6 ? 255 : 0;
            px[i * 2 + 1] = u8(10 + (i * 3 + frame * 50) % 240);
        }
        // True-colour pixels: red, green, blue, then the alpha level (0..31) in the low bits.
        for (u32 i = 0; i < hd * hd; ++i) {
            u8* p = &tc[i * 8];
            p[0] = u8(150 + (i % hd) * 3);
            p[1] = u8(110 + (i / hd) * 2 + frame * 30);
            p[2] = u8(90 + frame * 60);
            p[3] = (i / hd + frame * 2) % 12 ? 31 : 0;
        }
        char name[64];
        snprintf(name, sizeof name, "Cliff %u", frame + 1);
        CollectionBitmap* standard = c.AddBitmap(name, 0, px.data(), n, n, 2, nullptr);
        snprintf(name, sizeof name, "Cliff %u HD", frame + 1);
        CollectionBitmap* high = c.AddBitmap(name, kBitmapTrueColor, tc.data(), hd, hd, 8, nullptr);
        if (!standard || !high) return false;
        FrameView& v = crumble->GetFrameView(frame, 0);
        v.bitmap = standard;
        v.registrationX = 8;
        v.registrationY = 15;
        v.SetHighResAssignment(high, 0x50000, 16, 30);  // half the standard scale: twice the pixels
    }
    return true;
}

}  // namespace samplehighres
