#include "codex/SoundData.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "codex/Archive.h"
#include "codex/TagData.h"
#include "foundation/Ima4.h"
#include "foundation/StringUtil.h"
#include "foundation/WavFile.h"

namespace {

constexpr u32 kSoundRecordDiskSize = 32;
constexpr u32 kSoundNameDiskSize = 32;

// The most packets a record may hold: its samples must be countable in the 32 bits of a WAV
// file's sizes and allocatable in the 32-bit build.
constexpr u64 kMaxSoundPackets = 0xFFFFFFFFull / (kIma4SamplesPerPacket * sizeof(s16));

}  // namespace

int SoundData::Read(FILE* stream, const TagHeader* h)
{
    if (!stream || !h) return 0;
    if (!TagDataHolds(h, 0, 64) || !SeekTagData(stream, h, 0) ||
        !ReadRecords(&header, 1, kSoundHeaderDescriptor, stream))
        return 0;
    const u32 n = header.count;
    if (n > 0) {
        if (!TagDataHolds(h, header.namesOffset, u64(n) * kSoundNameDiskSize)) return 0;
        if (!SeekTagData(stream, h, header.namesOffset)) return 0;
        names.SetExact(n);
        if (ReadRecords(names.data, n, kSoundNameDescriptor, stream) != u64(n) * kSoundNameDiskSize) return 0;
        if (!TagDataHolds(h, header.soundsOffset, u64(n) * kSoundRecordDiskSize)) return 0;
        if (!SeekTagData(stream, h, header.soundsOffset)) return 0;
    } else {
        names.Free();
    }
    const u64 left = n > 0 ? u64(h->size) - header.soundsOffset : 0;
    if (!ReadPermutations(&records, stream, n, left)) return 0;
    for (const SoundRecord& r : records)
        if (r.channels < 1 || r.bitsPerSample != 16) return 0;
    return 1;
}

int SoundData::ReadPermutations(DynArray<SoundRecord>* list, FILE* stream, u32 count, u64 dataLeft)
{
    FreeSampleBuffers(list, 0, list->count);
    list->SetExact(0);
    if (count == 0) return 1;
    const u64 recordBytes = u64(count) * kSoundRecordDiskSize;
    if (recordBytes > dataLeft) return 0;
    list->SetExact(count);
    memset(list->data, 0, sizeof(SoundRecord) * count);
    if (ReadRecords(list->data, count, kSoundRecordDescriptor, stream) != recordBytes) return 0;

    // Every record's packets must be in the tag before any of them is allocated.
    u64 packetBytes = 0;
    for (const SoundRecord& r : *list) {
        if (!r.packets) continue;
        if (r.packets > kMaxSoundPackets) return 0;
        if (r.channels < 1 || r.channels > 2 || r.bitsPerSample != 16 || !(r.flags & kSoundFlagHasData)) return 0;
        packetBytes += u64(r.packets) * kIma4PacketBytes;
    }
    if (packetBytes > dataLeft - recordBytes) return 0;

    for (SoundRecord& r : *list) {
        if (!r.packets) continue;
        const u64 bytes = u64(r.packets) * kIma4SamplesPerPacket * sizeof(s16);
        if (bytes > SIZE_MAX) return 0;
        r.samples = static_cast<s16*>(malloc(size_t(bytes)));
        if (!r.samples || !ReadIma4Samples(r.samples, r.channels, r.packets, stream)) return 0;
    }
    return 1;
}

u32 SoundData::GetLength(const SoundRecord& record)
{
    const u32 rate = SoundRate(record);
    if (!rate || !record.channels) return 0;
    return u32(u64(record.packets) * kIma4SamplesPerPacket / record.channels / rate);
}

String SoundData::DurationText(u32 seconds)
{
    if (seconds >= 3600) return FormatString("%02u:%02u:%02u", seconds / 3600, seconds / 60 % 60, seconds % 60);
    return FormatString("%02u:%02u", seconds / 60, seconds % 60);
}

int SoundData::ExportWav(const SoundRecord& record, const char* path)
{
    // A WAV file of 0 Hz would be written but not played by anything.
    if (!record.samples || !record.packets || record.packets > kMaxSoundPackets || !SoundRate(record)) return 0;
    PcmBuffer buffer;
    InitPcmBuffer(&buffer, 16, SoundRate(record), record.channels, record.samples,
                  record.packets * kIma4SamplesPerPacket);
    return WriteWavFile(&buffer, path) != 0;
}

void SoundData::FreeSampleBuffers(DynArray<SoundRecord>* list, u32 first, u32 count)
{
    for (u32 i = first; i < first + count && i < list->count; ++i) FreeAndNull(list->data[i].samples);
}

void SoundData::Free()
{
    FreeSampleBuffers(&records, 0, records.count);
    records.Free();
    names.Free();
}

String SoundData::FileName(u32 permutation) const
{
    return CleanArchiveFileName(permutation < names.count ? names[permutation].name : "");
}

u32 SoundData::ExportPermutations(const char* folder, const u32* list, u32 count, DynArray<String>* failed) const
{
    if (!list) count = records.count;
    ScopedDynArray<String> used;
    u32 failures = 0;
    for (u32 k = 0; k < count; ++k) {
        const u32 i = list ? list[k] : k;
        if (i >= records.count || !records[i].samples) continue;  // nothing to write
        const String base = FileName(i);
        String name = base;
        for (u32 copy = 2; used.IndexOf(name) >= 0; ++copy) name = FormatString("%s %u", base.c_str(), copy);
        used.Push(name);
        const String path = FormatString("%s/%s.wav", folder, name.c_str());
        if (!ExportWav(records[i], path.c_str())) {
            ++failures;
            if (failed) failed->Push(FormatString("%s.wav", name.c_str()));
        }
    }
    return failures;
}
