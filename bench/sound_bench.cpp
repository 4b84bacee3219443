// Sound tags: reading ten minutes of stereo 44100 Hz beside the bare IMA4 decoder on the same
// bytes, and writing the WAV file beside one fwrite of the same bytes. The read also reports
// the most heap it held beyond the decoded samples.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "codex/SoundData.h"
#include "tools/SoundTagWriter.h"

namespace {

const u32 kRate = 44100;
const u32 kFrames = kRate * 600;

struct Fixture {
    std::string path;
    TagHeader header = {};
    u32 packets = 0;
    long packetStart = 0;
};

const Fixture& TenMinutes()
{
    static Fixture f = [] {
        Fixture x;
        sound_writer::Permutation p;
        p.name = "Ten Minutes";
        p.channels = 2;
        p.rateHz = kRate;
        p.samples = sound_writer::Tone(2, kRate, kFrames, 330);
        const std::string data = sound_writer::SoundTagData({p});
        char name[] = "/tmp/tavik-sound-bench-XXXXXX";
        int fd = mkstemp(name);
        FILE* out = fdopen(fd, "wb");
        fwrite(data.data(), 1, data.size(), out);
        fclose(out);
        x.path = name;
        x.header.offset = 0;
        x.header.size = u32(data.size());
        x.packets = sound_writer::PacketCount(p);
        x.packetStart = 64 + 32 + 32;
        return x;
    }();
    return f;
}

size_t HeapInUse()
{
    struct mallinfo2 m = mallinfo2();
    return m.uordblks + m.hblkhd;
}

// A stream over the file that notes the most heap in use at each read.
struct Watched {
    FILE* file;
    size_t peak;
};

ssize_t WatchedRead(void* cookie, char* buffer, size_t n)
{
    Watched* w = static_cast<Watched*>(cookie);
    const size_t inUse = HeapInUse();
    if (inUse > w->peak) w->peak = inUse;
    return ssize_t(fread(buffer, 1, n, w->file));
}

int WatchedSeek(void* cookie, off64_t* at, int whence)
{
    Watched* w = static_cast<Watched*>(cookie);
    if (fseeko(w->file, *at, whence)) return -1;
    *at = ftello(w->file);
    return 0;
}

void SoundDataRead(benchmark::State& state)
{
    const Fixture& f = TenMinutes();
    size_t overhead = 0;
    for (auto _ : state) {
        FILE* file = fopen(f.path.c_str(), "rb");
        Watched w = {file, 0};
        cookie_io_functions_t io = {WatchedRead, nullptr, WatchedSeek, nullptr};
        FILE* stream = fopencookie(&w, "rb", io);
        setvbuf(stream, nullptr, _IOFBF, 4096);
        const size_t before = HeapInUse();
        SoundData sound;
        if (!sound.Read(stream, &f.header)) state.SkipWithError("read failed");
        const size_t samples = size_t(f.packets) * 128;
        overhead = w.peak > before + samples ? w.peak - before - samples : 0;
        fclose(stream);
        fclose(file);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(f.packets) * 34);
    state.counters["heap_beyond_samples_bytes"] = double(overhead);
}

void ReadIma4SamplesAlone(benchmark::State& state)
{
    const Fixture& f = TenMinutes();
    for (auto _ : state) {
        FILE* file = fopen(f.path.c_str(), "rb");
        fseek(file, f.packetStart, SEEK_SET);
        s16* samples = static_cast<s16*>(malloc(size_t(f.packets) * 128));
        if (!ReadIma4Samples(samples, 2, f.packets, file)) state.SkipWithError("read failed");
        benchmark::DoNotOptimize(samples);
        free(samples);
        fclose(file);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(f.packets) * 34);
}

void ExportWav(benchmark::State& state)
{
    const Fixture& f = TenMinutes();
    FILE* file = fopen(f.path.c_str(), "rb");
    SoundData sound;
    sound.Read(file, &f.header);
    fclose(file);
    const std::string out = f.path + ".wav";
    for (auto _ : state)
        if (!SoundData::ExportWav(sound.records[0], out.c_str())) state.SkipWithError("export failed");
    remove(out.c_str());
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(f.packets) * 128);
}

void OneFwrite(benchmark::State& state)
{
    const Fixture& f = TenMinutes();
    std::vector<u8> bytes(size_t(f.packets) * 128 + 44, 1);
    const std::string out = f.path + ".raw";
    for (auto _ : state) {
        FILE* o = fopen(out.c_str(), "wb");
        fwrite(bytes.data(), 1, bytes.size(), o);
        fclose(o);
    }
    remove(out.c_str());
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(f.packets) * 128);
}

}  // namespace

BENCHMARK(SoundDataRead)->Unit(benchmark::kMillisecond);
BENCHMARK(ReadIma4SamplesAlone)->Unit(benchmark::kMillisecond);
BENCHMARK(ExportWav)->Unit(benchmark::kMillisecond);
BENCHMARK(OneFwrite)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    remove(TenMinutes().path.c_str());
    return 0;
}
