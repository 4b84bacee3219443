#include "foundation/WavFile.h"

#include <cstring>

#include "foundation/ByteOrder.h"
#include "foundation/SaveFile.h"

namespace {

struct WavHeader {
    u8 riff[4];
    u32 riffSize;
    u8 wave[4];
    u8 fmt[4];
    u32 fmtSize;
    u16 formatTag;
    u16 channels;
    u32 sampleRate;
    u32 byteRate;
    u16 blockAlign;
    u16 bitsPerSample;
    u8 data[4];
    u32 dataSize;
};

// Little-endian throughout: copied without swapping.
inline constexpr ByteOrderDescriptor kWavHeaderDescriptor[] = {
    44, 4, kBoCopy8, 1, kBoCopy32, 8, kBoCopy8, 1, kBoCopy32, 2, kBoCopy16, 2, kBoCopy32, 2, kBoCopy16,
    4,  kBoCopy8, 1, kBoCopy32};
static_assert(ByteOrderDescribes<WavHeader>(kWavHeaderDescriptor), "WAV header layout");

}  // namespace

void InitPcmBuffer(PcmBuffer* buffer, u32 bits, u32 rate, u32 channels, void* samples, u32 count)
{
    u64 bytes = u64(bits) * count / 8;
    buffer->samples = samples;
    buffer->byteSize = bytes > 0xFFFFFFFFull ? 0 : u32(bytes);
    buffer->sampleRate = rate;
    buffer->bitsPerSample = bits;
    buffer->channels = channels;
}

u32 WriteWavFile(const PcmBuffer* buffer, const char* path)
{
    if (!buffer || !buffer->samples || !buffer->byteSize) return 0;
    u32 bits = buffer->bitsPerSample, channels = buffer->channels;
    if (!channels || channels > 0xFFFF || !bits || bits % 8 || bits > 0xFFFF) return 0;
    u64 align = u64(bits / 8) * channels;
    u64 rate = u64(buffer->sampleRate) * align;
    if (align > 0xFFFF || rate > 0xFFFFFFFFull || u64(buffer->byteSize) + 36 > 0xFFFFFFFFull) return 0;
    WavHeader h;
    memcpy(h.riff, "RIFF", 4);
    h.riffSize = buffer->byteSize + 36;
    memcpy(h.wave, "WAVE", 4);
    memcpy(h.fmt, "fmt ", 4);
    h.fmtSize = 16;
    h.formatTag = 1;
    h.channels = u16(channels);
    h.sampleRate = buffer->sampleRate;
    h.byteRate = u32(rate);
    h.blockAlign = u16(align);
    h.bitsPerSample = u16(bits);
    memcpy(h.data, "data", 4);
    h.dataSize = buffer->byteSize;
    SaveFile save;
    if (!save.Begin(path)) return 0;
    if (!WriteRecords(&h, 1, kWavHeaderDescriptor, save.Stream())) save.MarkFailed();
    save.Write(buffer->samples, buffer->byteSize);
    return save.Commit();
}
