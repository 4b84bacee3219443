// BMP files through the file record: sniffing, header and pixel reading. Whatever loads must save
// in the same format and load back with the same pixels.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "foundation/FileRecord.h"

namespace {

std::string TempPath(const char* suffix)
{
    return std::string("/tmp/tavik-fuzz_bmp-") + std::to_string(getpid()) + suffix;
}

// Removes the scratch files when the fuzzer exits.
struct Scratch {
    std::string in = TempPath(".in");
    std::string out = TempPath(".out");
    ~Scratch()
    {
        remove(in.c_str());
        remove(out.c_str());
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size)
{
    // The record reads files by path, so the input goes through a file of its own.
    static Scratch scratch;
    const std::string& in = scratch.in;
    const std::string& out = scratch.out;
    FILE* f = fopen(in.c_str(), "wb");
    if (!f) return 0;
    fwrite(data, 1, size, f);
    fclose(f);
    FileRecord rec(in.c_str());
    rec.format = kFileFormatBmp;
    if (rec.Load() && rec.format == kFileFormatBmp && rec.image.width * u64(rec.image.height) <= 65536) {
        FileRecord copy(out.c_str());
        copy.kind = kFileKindImage;
        copy.format = kFileFormatBmp;
        if (!copy.image.CopyFrom(rec.image, rec.image.format)) abort();
        if (!copy.Save()) abort();
        FileRecord again(out.c_str());
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
