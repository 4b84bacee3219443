#include "collection/HueEditing.h"

#include <cstdlib>

u16 SaturationFromPercent(s32 percent)
{
    if (percent < 0) return 0;
    if (percent >= 100) return 65535;
    return u16(u32(percent) * 65535 / 100 + 1);
}

// Puts the median into start..end when the range does not wrap; in a wrapping range a median
// that fell between the end and the start goes to `to`.
static void KeepMedianInRange(HueChange& h, u16 to)
{
    if (h.hueStart < h.hueEnd) {
        if (h.medianHue < h.hueStart) h.medianHue = h.hueStart;
        else if (h.medianHue > h.hueEnd) h.medianHue = h.hueEnd;
    } else if (h.medianHue > h.hueEnd && h.medianHue < h.hueStart) {
        h.medianHue = to;
    }
}

bool DragHueMarker(HueChange& h, u32 marker, s32 x)
{
    if (x < 0) x = 0;
    if (x > 360) x = 360;
    u16 value = DegreesToHue(u32(x));
    switch (marker) {
    case kHueMarkerStart:
        h.hueStart = value;
        KeepMedianInRange(h, h.hueStart);
        return true;
    case kHueMarkerEnd:
        h.hueEnd = value;
        KeepMedianInRange(h, h.hueEnd);
        return true;
    case kHueMarkerMedian: {
        s32 start = s32(HueToDegrees(h.hueStart)), end = s32(HueToDegrees(h.hueEnd));
        if (start > end) {
            if (x > end && x < start) return false;
            h.medianHue = value;
        } else if (x <= start) {
            // The range end itself, not its degree: a degree taken back to a value lands
            // below it, and the median would slip out of the range.
            h.medianHue = h.hueStart;
        } else if (x >= end) {
            h.medianHue = h.hueEnd;
        } else {
            h.medianHue = value;
        }
        return true;
    }
    default:
        return false;
    }
}

u32 HueMarkerAt(const HueChange& h, s32 x)
{
    if (abs(x - s32(HueToDegrees(h.hueStart))) <= 3) return kHueMarkerStart;
    if (abs(x - s32(HueToDegrees(h.hueEnd))) <= 3) return kHueMarkerEnd;
    if (abs(x - s32(HueToDegrees(h.medianHue))) <= 3) return kHueMarkerMedian;
    return kHueMarkerNone;
}
