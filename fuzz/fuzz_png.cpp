// PNG files through the file record; whatever loads must save as PNG and load back the same.
#include "ImageFileFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size)
{
    static imagefuzz::Scratch scratch("fuzz_png");
    return imagefuzz::LoadSaveReload(scratch, kFileFormatPng, data, size);
}
