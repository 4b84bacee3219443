#pragma once
// Uncompressed sound in memory and its WAV (RIFF, PCM) file.
#include "foundation/Types.h"

struct PcmBuffer {
    void* samples;
    u32 byteSize;
    u32 sampleRate;
    u32 bitsPerSample;
    u32 channels;
};

// Fills the buffer: byteSize = bits x count / 8, where count counts the samples of all
// channels together (a size that does not fit 32 bits gives 0).
void InitPcmBuffer(PcmBuffer* buffer, u32 bits, u32 rate, u32 channels, void* samples, u32 count);
// Writes the 44-byte header and the samples as stored, through a temporary file. Answers 0,
// leaving an existing file untouched, when the buffer has no samples, describes no valid
// format (no channels, bits not a whole number of bytes) or any write fails.
u32 WriteWavFile(const PcmBuffer* buffer, const char* path);
