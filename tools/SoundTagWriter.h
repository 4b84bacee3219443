#pragma once
// Writes sound tag data ('soun') from 16-bit samples: an IMA4 encoder that is the inverse of
// DecodeIma4Packet, and the tag's header, name records, sound records and packets laid out
// byte by byte (big-endian) without the program's record readers, so that a symmetric
// mistake in those cannot hide. Used by the sample game generator, the tests and the
// benchmarks.
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "foundation/Ima4.h"

namespace sound_writer {

// One channel's encoder state; it carries from packet to packet, as each packet's header
// restarts the decoder from the predictor's top 9 bits and the step index.
struct Ima4State {
    s32 predictor = 0;
    s32 index = 0;
};

// Encodes 64 samples taken every stride-th element of input (count of them; the rest of the
// packet codes silence). Fills the 16-bit header and the 32 code bytes.
inline void EncodeIma4Packet(Ima4State* state, const s16* input, u32 count, u32 stride, u16* header, u8 codes[32])
{
    s32 predictor = s16(u16(state->predictor) & 0xFF80);
    s32 index = state->index;
    *header = u16((u16(predictor) & 0xFF80) | u16(index));
    memset(codes, 0, 32);
    for (u32 i = 0; i < kIma4SamplesPerPacket; ++i) {
        const s32 sample = i < count ? input[size_t(i) * stride] : predictor;
        const s32 step = kIma4StepTable[index];
        s32 diff = sample - predictor;
        u32 n = 0;
        if (diff < 0) {
            n = 8;
            diff = -diff;
        }
        // The decoder rebuilds step/8 plus the chosen fractions of the step; the thresholds
        // step, step/2 and step/4 lie between those levels, so this picks the nearest.
        s32 rest = diff;
        if (rest >= step) { n |= 4; rest -= step; }
        if (rest >= (step >> 1)) { n |= 2; rest -= step >> 1; }
        if (rest >= (step >> 2)) n |= 1;
        s32 delta = step >> 3;
        if (n & 4) delta += step;
        if (n & 2) delta += step >> 1;
        if (n & 1) delta += step >> 2;
        predictor += (n & 8) ? -delta : delta;
        if (predictor < -32768) predictor = -32768;
        if (predictor > 32767) predictor = 32767;
        index += kIma4IndexTable[n];
        if (index < 0) index = 0;
        if (index > 88) index = 88;
        codes[i / 2] |= u8((i & 1) ? n << 4 : n);
    }
    state->predictor = predictor;
    state->index = index;
}

// One permutation as it goes into the tag. samples are interleaved by channel.
struct Permutation {
    std::string name;
    u16 channels = 1;
    u32 rateHz = 22050;
    std::vector<s16> samples;
    // Raw overrides for damaged tags: the stored fields, written as given when set.
    u32 flags = 1;
    u16 bitsPerSample = 16;
    s64 packetsOverride = -1;  // the packet count field, whatever packets follow
    s64 rateFixedOverride = -1;  // the whole 16.16 field
};

inline void PutU16(std::string* out, u32 v)
{
    out->push_back(char(v >> 8));
    out->push_back(char(v));
}

inline void PutU32(std::string* out, u32 v)
{
    PutU16(out, v >> 16);
    PutU16(out, v & 0xFFFF);
}

// The packets of a permutation: frames of 64 samples per channel, channel 0's packet first
// in each frame; a partial last frame is padded with silence.
inline std::string EncodePackets(const Permutation& p)
{
    std::string out;
    const u32 channels = p.channels ? p.channels : 1;
    const size_t perChannel = p.samples.size() / channels;
    const size_t frames = (perChannel + kIma4SamplesPerPacket - 1) / kIma4SamplesPerPacket;
    std::vector<Ima4State> states(channels);
    for (size_t f = 0; f < frames; ++f)
        for (u32 c = 0; c < channels; ++c) {
            const size_t first = f * kIma4SamplesPerPacket;
            const u32 count = u32(perChannel - first < kIma4SamplesPerPacket ? perChannel - first : kIma4SamplesPerPacket);
            u16 header;
            u8 codes[32];
            EncodeIma4Packet(&states[c], p.samples.data() + first * channels + c, count, channels, &header, codes);
            PutU16(&out, header);
            out.append(reinterpret_cast<const char*>(codes), 32);
        }
    return out;
}

inline u32 PacketCount(const Permutation& p)
{
    const u32 channels = p.channels ? p.channels : 1;
    const size_t perChannel = p.samples.size() / channels;
    return u32((perChannel + kIma4SamplesPerPacket - 1) / kIma4SamplesPerPacket * channels);
}

// The tag data: the 64-byte header, the name records at 64, the sound records behind them and
// each permutation's packets in order.
inline std::string SoundTagData(const std::vector<Permutation>& permutations)
{
    const u32 n = u32(permutations.size());
    const u32 namesOffset = 64, soundsOffset = 64 + 32 * n;
    std::string out;
    PutU32(&out, 0);
    for (int i = 0; i < 8; ++i) PutU16(&out, 0);
    PutU32(&out, soundsOffset);
    PutU32(&out, 0);
    PutU32(&out, 0);
    PutU16(&out, 0);
    PutU16(&out, 0);
    PutU32(&out, n);
    PutU32(&out, namesOffset);
    PutU32(&out, 0);
    out.append(16, '\0');
    for (const Permutation& p : permutations) {
        out.append(6, '\0');
        char name[26] = {};
        strncpy(name, p.name.c_str(), 25);
        out.append(name, 26);
    }
    std::string packets;
    for (const Permutation& p : permutations) {
        const std::string data = EncodePackets(p);
        PutU32(&out, p.flags);
        PutU16(&out, p.bitsPerSample);
        PutU16(&out, 0);
        PutU16(&out, p.channels);
        PutU16(&out, 0);
        PutU32(&out, p.rateFixedOverride >= 0 ? u32(p.rateFixedOverride) : p.rateHz << 16);
        PutU32(&out, p.packetsOverride >= 0 ? u32(p.packetsOverride) : PacketCount(p));
        PutU32(&out, 0);
        PutU32(&out, 0);
        PutU32(&out, 0);
        packets += data;
    }
    return out + packets;
}

// A tone of the given frequency on every channel (the second channel a fifth above), so the
// channels differ and a swap would show.
inline std::vector<s16> Tone(u32 channels, u32 rate, u32 framesPerChannel, double frequency, double amplitude = 9000)
{
    std::vector<s16> out(size_t(framesPerChannel) * channels);
    for (u32 i = 0; i < framesPerChannel; ++i)
        for (u32 c = 0; c < channels; ++c) {
            const double f = frequency * (c ? 1.5 : 1.0);
            out[size_t(i) * channels + c] = s16(amplitude * __builtin_sin(6.283185307179586 * f * i / rate));
        }
    return out;
}

}  // namespace sound_writer
