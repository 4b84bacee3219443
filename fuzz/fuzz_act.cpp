// Colour-table files: 768 bytes of entries and an optional count trailer.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "foundation/ActFile.h"

namespace {

struct Scratch {
    std::string in = std::string("/tmp/tavik-fuzz_act-") + std::to_string(getpid()) + ".act";
    ~Scratch() { remove(in.c_str()); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size)
{
    static Scratch scratch;
    const std::string& in = scratch.in;
    FILE* f = fopen(in.c_str(), "wb");
    if (!f) return 0;
    fwrite(data, 1, size, f);
    fclose(f);
    Rgb entries[256];
    u32 count = 999;
    u32 ok = ReadColorTableFile(in.c_str(), entries, &count);
    if (ok != (size >= 768)) abort();
    if (ok) {
        if (count > 256) abort();
        for (u32 i = count; i < 256; ++i)
            if (entries[i] != Rgb{0, 0, 0}) abort();
    }
    return 0;
}
