#pragma once
// Decoder of IMA4 ADPCM packets, the compressed sample format inside the game's sound tags:
// 34 bytes per packet, one channel, 64 samples.
#include <cstdio>
#include "foundation/Types.h"

constexpr u32 kIma4PacketBytes = 34;
constexpr u32 kIma4SamplesPerPacket = 64;

// The step size for each step index, and the index change each 4-bit code makes.
extern const s32 kIma4StepTable[89];
extern const s32 kIma4IndexTable[16];

// Decodes one packet: header (starting predictor in the top 9 bits, step index in the low
// 7, clamped to 88), 32 code bytes (low nibble first). Writes count samples (at most 64) to
// every stride-th element of output.
void DecodeIma4Packet(u16 header, const u8* codes, s16* output, u32 count, u32 stride);

// Reads packets stored frame by frame (packet f x channels + c holds channel c) and
// decodes them into interleaved samples. output must hold packets x 64 samples: whole frames
// are decoded, and the samples a trailing partial frame would have filled are zeroed. The
// packets are read a few at a time, so a count larger than the stream holds costs no memory.
// Answers 0 when channels or packets is 0 or the read is short (output may then be partly
// written).
u32 ReadIma4Samples(s16* output, u32 channels, u32 packets, FILE* stream);
