#pragma once
// 'medi' tag data: one 256-byte media type record (read only). The terrain editor uses the
// wave values; the rest belongs to the game and is only carried.
#include <cstdio>
#include "foundation/ByteOrder.h"

struct MediaRecord {
    u32 values0[2];
    u16 reserved8[8];
    u32 values24[16];
    u16 values88[6];
    u32 value100;
    s16 waveAmplitude[3];  // x, z, y in 1/512 units
    s16 waveFrequency[3];  // x, z, y
    u16 values116[3];
    u16 reserved122[67];
};

inline constexpr ByteOrderDescriptor kMediaRecordDescriptor[] = {
    256, 2, kBoU32, 8, kBoZero16, 16, kBoU32, 6, kBoU16, 1, kBoU32, 9, kBoU16, 48, kBoZero16, 19, kBoZero16};
static_assert(ByteOrderDescribes<MediaRecord>(kMediaRecordDescriptor), "MediaRecord layout");

// Reads count records at the stream's position. Returns 1 or 0.
int ReadMediaRecord(MediaRecord* records, FILE* stream, u32 count);
