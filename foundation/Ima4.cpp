#include "foundation/Ima4.h"

#include <cstring>

#include "foundation/ByteOrder.h"

namespace {

struct Ima4Packet {
    u16 header;
    u8 codes[32];
};

inline constexpr ByteOrderDescriptor kIma4PacketDescriptor[] = {34, 1, kBoU16, 32, kBoU8};
static_assert(ByteOrderDescribes<Ima4Packet>(kIma4PacketDescriptor), "IMA4 packet layout");

}  // namespace

const s32 kIma4StepTable[89] = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,    28,
    31,    34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,    107,   118,
    130,   143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,   408,   449,   494,
    544,   598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,
    2272,  2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,
    9493,  10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};

const s32 kIma4IndexTable[16] = {-1, -1, -1, -1, 2, 4, 6, 8, -1, -1, -1, -1, 2, 4, 6, 8};

namespace {

// Packets read at a time. The packet count comes from a sound tag and is not trusted to size
// a buffer before the bytes are there.
constexpr u32 kChunkPackets = 64;

}  // namespace

void DecodeIma4Packet(u16 header, const u8* codes, s16* output, u32 count, u32 stride)
{
    if (count > kIma4SamplesPerPacket) count = kIma4SamplesPerPacket;
    s32 predictor = s16(header & 0xFF80);
    s32 index = header & 0x7F;
    // The header has room for indices up to 127; the table ends at 88.
    if (index > 88) index = 88;
    s32 step = kIma4StepTable[index];
    for (u32 i = 0; i < count; ++i) {
        u32 n = (i & 1) ? codes[i / 2] >> 4 : codes[i / 2] & 15;
        s32 diff = step >> 3;
        if (n & 4) diff += step;
        if (n & 2) diff += step >> 1;
        if (n & 1) diff += step >> 2;
        if (n & 8) diff = -diff;
        predictor += diff;
        if (predictor < -32768) predictor = -32768;
        if (predictor > 32767) predictor = 32767;
        *output = s16(predictor);
        output += stride;
        index += kIma4IndexTable[n];
        if (index < 0) index = 0;
        if (index > 88) index = 88;
        step = kIma4StepTable[index];
    }
}

u32 ReadIma4Samples(s16* output, u32 channels, u32 packets, FILE* stream)
{
    if (!output || !channels || !packets || !stream) return 0;
    // Packets past the last whole frame are read but not decoded.
    u64 frames = packets / channels;
    u64 wholePackets = frames * channels;
    Ima4Packet chunk[kChunkPackets];
    for (u32 done = 0; done < packets;) {
        u32 n = packets - done < kChunkPackets ? packets - done : kChunkPackets;
        if (!ReadRecords(chunk, n, kIma4PacketDescriptor, stream)) return 0;
        for (u32 k = 0; k < n; ++k) {
            u64 p = u64(done) + k;
            if (p >= wholePackets) break;
            u64 f = p / channels, c = p % channels;
            DecodeIma4Packet(chunk[k].header, chunk[k].codes, output + f * kIma4SamplesPerPacket * channels + c,
                             kIma4SamplesPerPacket, channels);
        }
        done += n;
    }
    u64 decoded = wholePackets * kIma4SamplesPerPacket;
    u64 total = u64(packets) * kIma4SamplesPerPacket;
    if (total > decoded) memset(output + decoded, 0, size_t((total - decoded) * sizeof(s16)));
    return 1;
}
