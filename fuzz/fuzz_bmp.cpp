// BMP files through the file record; whatever loads must save as BMP and load back the same.
#include "ImageFileFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size)
{
    static imagefuzz::Scratch scratch("fuzz_bmp");
    return imagefuzz::LoadSaveReload(scratch, kFileFormatBmp, data, size);
}
