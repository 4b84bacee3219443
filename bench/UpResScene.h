#pragma once
// The high-res build of the benchmarks: 300 renderings of 1024 x 1024 (a disc of one colour
// per frame, its edge soft, on a clear ground) against standard bitmaps of 256 x 256, reduced
// at target 1. Shared by the Google benchmark and the timed tool of both builds, so that their
// figures are of the same work.
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "collection/Collection.h"
#include "collection/Sequence.h"
#include "collection/SequenceScript.h"
#include "collection/UpResBuilder.h"
#include "foundation/FileRecord.h"

constexpr u32 kUpResFrames = 300;
constexpr u32 kUpResSide = 1024;

// Writes folder + "spin/r000.png" ... "r299.png" unless the last one is there already.
// Answers 0 when a file could not be written.
inline int WriteUpResRenderings(const std::string& folder)
{
    mkdir(folder.c_str(), 0755);
    mkdir((folder + "spin").c_str(), 0755);
    char last[64];
    snprintf(last, sizeof last, "spin/r%03u.png", kUpResFrames - 1);
    struct stat st;
    if (stat((folder + last).c_str(), &st) == 0 && st.st_size > 0) return 1;
    for (u32 f = 0; f < kUpResFrames; ++f) {
        char name[64];
        snprintf(name, sizeof name, "spin/r%03u.png", f);
        FileRecord out((folder + name).c_str());
        out.kind = kFileKindImage;
        out.format = kFileFormatPng;
        if (!out.image.Create(kUpResSide, kUpResSide, kImageRgba, nullptr)) return 0;
        const double c = kUpResSide / 2.0, r = kUpResSide * 0.45;
        for (u32 y = 0; y < kUpResSide; ++y)
            for (u32 x = 0; x < kUpResSide; ++x) {
                u8* p = out.image.pixels + (u64(y) * kUpResSide + x) * 4;
                const double d = std::hypot(x + 0.5 - c, y + 0.5 - c);
                const double a = std::clamp((r - d) * 64.0, 0.0, 255.0);
                p[0] = u8(f);
                p[1] = u8(f >> 1);
                p[2] = u8((x / 64 + y / 64 + f) * 16);
                p[3] = u8(a);
            }
        if (!out.Save()) return 0;
    }
    return 1;
}

// Builds the collection "Spin" from the renderings in folder: one standard bitmap, one
// sequence of 300 frames. Answers 0 when the scale could not be estimated.
inline int BuildUpResScene(const std::string& folder, Collection& c, UpResContext** keep = nullptr)
{
    strcpy(c.name, "Spin");
    std::vector<u8> px(256 * 256 * 2, 0);
    for (u32 y = 14; y < 242; ++y)
        for (u32 x = 14; x < 242; ++x) {
            px[(y * 256 + x) * 2] = 255;
            px[(y * 256 + x) * 2 + 1] = 5;
        }
    CollectionBitmap* standard = c.AddBitmap("std", 0, px.data(), 256, 256, 2, nullptr);
    Sequence* s = c.AddSequence("spin");
    s->Resize(1, kUpResFrames);
    for (u32 f = 0; f < kUpResFrames; ++f) {
        FrameView& v = s->GetFrameView(f, 0);
        v.bitmap = standard;
        v.registrationX = 128;
        v.registrationY = 128;
    }
    UpResContext* context = new UpResContext(&c, folder.c_str(), 0, kOrderViewsThenFrames, 0);
    context->targetScale = 1.0;
    context->log = "bench";
    ScanUpResSequences(*context);
    int ok = ComputeGlobalScale(*context, 0.05);
    if (ok) {
        DownsampleAll(*context);
        AlignUpResFrames(*context);
        WriteUpResBitmaps(*context);
        AssignHighResFrameViews(*context);
    }
    if (keep) *keep = context;
    else delete context;
    return ok;
}
