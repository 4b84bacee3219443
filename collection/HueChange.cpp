#include "collection/HueChange.h"

#include <cstring>

#include "collection/Collection.h"

void HueChange::ComputeMask(const Collection& collection, HueChange& hc)
{
    memset(hc.mask, 0, sizeof(hc.mask));
    const ColorTable& table = collection.GetColorTable();
    for (u32 i = 0; i < 256; ++i) {
        const ColorTableEntry& e = table.entries[i];
        u16 rgb[4] = {u16(e.red << 8), u16(e.green << 8), u16(e.blue << 8), 0};
        u16 hsv[4];
        ColorToHsv16(rgb, hsv);
        if (hsv[1] <= hc.minimumSaturation) continue;
        bool inRange = hc.hueStart <= hc.hueEnd ? (hsv[0] >= hc.hueStart && hsv[0] < hc.hueEnd)
                                                : (hsv[0] >= hc.hueStart || hsv[0] < hc.hueEnd);
        if (inRange) hc.mask[i >> 3] |= u8(1u << (i & 7));
    }
}
