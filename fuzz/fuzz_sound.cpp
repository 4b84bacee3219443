// Sound tag data: the header, the name and sound records and the IMA4 packets behind them.
#include <cstdio>
#include <cstdlib>

#include "codex/SoundData.h"

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size)
{
    FILE* f = fmemopen(const_cast<u8*>(data), size, "rb");
    if (!f) return 0;
    TagHeader header = {};
    header.offset = 0;
    header.size = u32(size);
    SoundData sound;
    if (sound.Read(f, &header)) {
        for (const SoundRecord& r : sound.records) {
            // What was read is what the viewer shows: every sample must be there.
            (void)SoundData::GetLength(r);
            if (r.packets && !r.samples) abort();
            if (r.samples) {
                volatile s16 last = r.samples[size_t(r.packets) * 64 - 1];
                (void)last;
            }
        }
    }
    fclose(f);
    return 0;
}
