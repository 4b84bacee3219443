// TIFF files through the file record; whatever loads must save as TIFF and load back the same.
#include "ImageFileFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size)
{
    static imagefuzz::Scratch scratch("fuzz_tiff");
    return imagefuzz::LoadSaveReload(scratch, kFileFormatTiff, data, size);
}
