// Typed saturation percents and marker drags along the hue bar.
#include <gtest/gtest.h>

#include "collection/HueEditing.h"

TEST(HueEditing, SaturationPercentRoundTrips)
{
    struct Case {
        s32 typed;
        u16 stored;
        u32 shown;
    } cases[] = {
        {50, 32768, 50}, {150, 65535, 100}, {100, 65535, 100}, {99, 64880, 99},
        {0, 1, 0},       {1, 656, 1},       {-5, 0, 0},        {-2147483647 - 1, 0, 0},
    };
    for (const Case& k : cases) {
        EXPECT_EQ(k.stored, SaturationFromPercent(k.typed)) << k.typed;
        EXPECT_EQ(k.shown, SaturationPercent(SaturationFromPercent(k.typed))) << k.typed;
    }
}

TEST(HueEditing, MarkerDragsWrapAndKeepTheMedianInRange)
{
    // Ranges in degrees; every value below is a whole degree position.
    struct Case {
        const char* what;
        u32 start, median, end;
        u32 marker;
        s32 x;
        bool moved;
        u32 wantStart, wantMedian, wantEnd;  // as degree positions after the drag
    } cases[] = {
        {"median left of a plain range", 60, 120, 240, kHueMarkerMedian, 10, true, 60, 60, 240},
        {"median right of a plain range", 60, 120, 240, kHueMarkerMedian, 300, true, 60, 240, 240},
        {"median inside", 60, 120, 240, kHueMarkerMedian, 200, true, 60, 200, 240},
        {"median past the bar", 60, 120, 240, kHueMarkerMedian, 999, true, 60, 240, 240},
        {"start past the end wraps; the median stays", 60, 120, 240, kHueMarkerStart, 300, true, 300, 120, 240},
        {"start past the end; a median in the gap follows", 60, 250, 240, kHueMarkerStart, 300, true, 300, 300, 240},
        {"start moved up pulls the median", 60, 120, 240, kHueMarkerStart, 180, true, 180, 180, 240},
        {"end moved down pulls the median", 60, 200, 240, kHueMarkerEnd, 100, true, 60, 100, 100},
        {"end below the start wraps", 60, 120, 240, kHueMarkerEnd, 30, true, 60, 120, 30},
        {"end left of the bar", 60, 120, 240, kHueMarkerEnd, -40, true, 60, 120, 0},
        {"end moved past the start unwraps and clamps the median", 300, 350, 60, kHueMarkerEnd, 340, true, 300, 340, 340},
        {"median into the gap of a wrapped range", 300, 350, 60, kHueMarkerMedian, 200, false, 300, 350, 60},
        {"median across 0 in a wrapped range", 300, 350, 60, kHueMarkerMedian, 20, true, 300, 20, 60},
        {"nothing grabbed", 60, 120, 240, kHueMarkerNone, 20, false, 60, 120, 240},
    };
    for (const Case& k : cases) {
        HueChange h = {};
        h.hueStart = DegreesToHue(k.start);
        h.medianHue = DegreesToHue(k.median);
        h.hueEnd = DegreesToHue(k.end);
        EXPECT_EQ(k.moved, DragHueMarker(h, k.marker, k.x)) << k.what;
        EXPECT_EQ(DegreesToHue(k.wantStart), h.hueStart) << k.what;
        EXPECT_EQ(DegreesToHue(k.wantMedian), h.medianHue) << k.what;
        EXPECT_EQ(DegreesToHue(k.wantEnd), h.hueEnd) << k.what;
    }
}

TEST(HueEditing, PressesGrabTheNearestMarkerByPriority)
{
    // Values that show as exactly these degrees.
    auto exact = [](u32 degrees) { return u16((degrees * 65536 + 359) / 360); };
    HueChange h = {};
    h.hueStart = exact(100);
    h.medianHue = exact(104);
    h.hueEnd = exact(200);
    struct Case {
        s32 x;
        u32 marker;
    } cases[] = {{97, kHueMarkerStart}, {103, kHueMarkerStart}, {104, kHueMarkerMedian}, {107, kHueMarkerMedian},
                 {108, kHueMarkerNone}, {197, kHueMarkerEnd},   {203, kHueMarkerEnd},      {96, kHueMarkerNone}};
    for (const Case& k : cases) EXPECT_EQ(k.marker, HueMarkerAt(h, k.x)) << k.x;
}
