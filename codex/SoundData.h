#pragma once
// Sound tags ('soun'): a header, one name record and one sound record per permutation, and
// each permutation's IMA4 packets behind the sound records, decoded here into 16-bit samples.
// The program only reads these tags and exports their permutations as WAV files.
#include <cstdio>
#include "codex/TagHeader.h"
#include "foundation/ByteOrder.h"
#include "foundation/DynArray.h"
#include "foundation/String.h"

constexpr u32 kSoundGroup = FourCC("soun");

struct SoundHeader {
    u32 unused0;
    u16 unused1[8];
    u32 soundsOffset;  // from the data start
    u32 unused2[2];
    u16 unused3;
    u16 zero0;
    u32 count;
    u32 namesOffset;  // from the data start
    u32 unused4;
    u8 zero1[16];
};
inline constexpr ByteOrderDescriptor kSoundHeaderDescriptor[] = {
    64, 1, kBoU32, 8, kBoU16, 1, kBoU32, 2, kBoU32, 1, kBoU16, 1, kBoZero16, 1, kBoU32, 1, kBoU32, 1, kBoU32,
    16, kBoZero8};
static_assert(ByteOrderDescribes<SoundHeader>(kSoundHeaderDescriptor), "SoundHeader layout");

struct SoundNameRecord {
    u16 unused[2];
    u16 zero;
    char name[25];
    char terminator;  // zero-filled on reading, so the name always ends
};
inline constexpr ByteOrderDescriptor kSoundNameDescriptor[] = {32, 2, kBoU16, 1, kBoZero16, 25, kBoU8, 1, kBoZero8};
static_assert(ByteOrderDescribes<SoundNameRecord>(kSoundNameDescriptor), "SoundNameRecord layout");

constexpr u32 kSoundFlagHasData = 1;

struct SoundRecord {
    u32 flags;
    u16 bitsPerSample;
    u16 unused0;
    u16 channels;
    u16 zero;
    u32 rate;     // 16.16 fixed point; the integer part is the rate in Hz
    u32 packets;  // 34-byte IMA4 packets of 64 samples, channels taking turns packet by packet
    u32 unused1[2];
    s16* samples;  // packets x 64 decoded samples, channels interleaved; owned
};
inline constexpr ByteOrderDescriptor kSoundRecordDescriptor[] = {
    32 | kBoHasPointers, 1, kBoU32, 3, kBoU16, 1, kBoZero16, 4, kBoU32, 1, kBoPointer};
static_assert(ByteOrderDescribes<SoundRecord>(kSoundRecordDescriptor), "SoundRecord layout");

// The rate in Hz of a record (the integer part of its 16.16 field).
inline u32 SoundRate(const SoundRecord& record) { return record.rate >> 16; }

class SoundData {
public:
    SoundData() : header(), names(), records() {}
    ~SoundData() { Free(); }
    SoundData(const SoundData&) = delete;
    SoundData& operator=(const SoundData&) = delete;

    // Reads the tag data at header->offset. Every count and offset is checked against the
    // tag's size before anything is allocated; a record with packets must be mono or stereo,
    // 16-bit and flagged as holding data, and every record must have a channel and 16 bits.
    // Answers 1, or 0 for a tag that breaks a rule, lies past its data or cannot be read
    // (the object may then hold part of it; Free or the destructor release it).
    int Read(FILE* stream, const TagHeader* header);
    // Reads count records at the stream's position and decodes the packets that follow them.
    // dataLeft bounds the bytes from the stream's position to the end of the tag's data.
    // Answers 1, or 0 on a broken rule or a short read.
    static int ReadPermutations(DynArray<SoundRecord>* records, FILE* stream, u32 count, u64 dataLeft);
    // Whole seconds of the record: samples per channel / rate; 0 when the rate or the
    // channels are 0.
    static u32 GetLength(const SoundRecord& record);
    // "mm:ss", or "hh:mm:ss" from an hour on.
    static String DurationText(u32 seconds);
    // Writes the record's samples as a 16-bit PCM WAV file through a temporary file. Answers
    // 0 (an existing file untouched) for a record without samples or rate, or a failed write.
    static int ExportWav(const SoundRecord& record, const char* path);
    static void FreeSampleBuffers(DynArray<SoundRecord>* records, u32 first, u32 count);
    void Free();

    // The permutation's name as a file name: separators and control bytes replaced, never
    // empty, "." or "..".
    String FileName(u32 permutation) const;
    // Exports the listed permutations (all of them for a null list) as "<folder>/<name>.wav";
    // a name used twice in one run gets " 2", " 3" and so on. Answers the number of files
    // that could not be written and, when failed is given, appends their file names.
    u32 ExportPermutations(const char* folder, const u32* list, u32 count, DynArray<String>* failed) const;

    SoundHeader header;
    DynArray<SoundNameRecord> names;
    DynArray<SoundRecord> records;
};
