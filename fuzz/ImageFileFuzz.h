#pragma once
// The shared body of the image-file fuzz targets: the input goes through the file record
// (sniffing, header and pixel reading); whatever loads must save in the same format and load
// back with the same pixels.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "foundation/FileRecord.h"

namespace imagefuzz {

// Removes the scratch files when the fuzzer exits.
struct Scratch {
    std::string in, out;
    explicit Scratch(const char* name)
    {
        std::string base = std::string("/tmp/tavik-") + name + "-" + std::to_string(getpid());
        in = base + ".in";
        out = base + ".out";
    }
    ~Scratch()
    {
        remove(in.c_str());
        remove(out.c_str());
    }
};

inline int LoadSaveReload(const Scratch& scratch, u32 format, const u8* data, size_t size)
{
    // The record reads files by path, so the input goes through a file of its own.
    FILE* f = fopen(scratch.in.c_str(), "wb");
    if (!f) return 0;
    fwrite(data, 1, size, f);
    fclose(f);
    FileRecord rec(scratch.in.c_str());
    rec.format = format;
    if (rec.Load() && rec.format == format && rec.image.width * u64(rec.image.height) <= 65536) {
        FileRecord copy(scratch.out.c_str());
        copy.kind = kFileKindImage;
        copy.format = format;
        if (!copy.image.CopyFrom(rec.image, rec.image.format)) abort();
        if (!copy.Save()) abort();
        FileRecord again(scratch.out.c_str());
        if (!again.Load()) abort();
        // A grey-ramp palette loads as grey: compare through RGBA to ignore that.
        Image a = {}, b = {};
        if (!a.CopyFrom(rec.image, kImageRgba) || !b.CopyFrom(again.image, kImageRgba)) abort();
        if (!Image::Equals(a, b)) abort();
        a.Free();
        b.Free();
    }
    return 0;
}

}  // namespace imagefuzz
